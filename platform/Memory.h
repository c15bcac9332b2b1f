// Memory status from /proc/meminfo and the out-of-memory end of the process.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

namespace plat {

// Sizes in bytes. "Page file" figures are the commit space: physical memory plus swap.
struct MemoryStatus {
    uint32_t memoryLoad = 0; // percent of physical memory in use
    uint64_t totalPhys = 0;
    uint64_t availPhys = 0;
    uint64_t totalPageFile = 0;
    uint64_t availPageFile = 0;
};

// Parses the text of /proc/meminfo; false when MemTotal is missing.
bool ParseMemInfo(std::string_view text, MemoryStatus& out);
bool QueryMemoryStatus(MemoryStatus& out);

// Writes the memory status to the log with LogInfo ("Memory status:" and two lines of megabytes),
// or "Failed to query memory status." when it cannot be read.
void LogMemoryStatus();

// Keeps the process's heap in one malloc arena. Called first in main, before any thread starts. A worker
// thread otherwise gets an arena of its own that grows a page at a time, with a system call and a page fault
// for each page; a tree build of a large volume spends a third of its time there, far more than one shared
// arena costs in contention between the few threads this program runs at once.
void UseOneHeapArena();

// Called by OutOfMemory after logging and before the process ends, e.g. to tell the user.
using OutOfMemoryHandler = void (*)(size_t requestedBytes);
// Installs the handler and returns the previous one (null at first).
OutOfMemoryHandler SetOutOfMemoryHandler(OutOfMemoryHandler handler);

inline constexpr int kOutOfMemoryExitStatus = 12;

// An allocation of requestedBytes failed: logs "Failed to alloc 0x%08x bytes" and the memory status,
// calls the installed handler, then ends the process with kOutOfMemoryExitStatus. Never returns.
// A small reserve is freed first so that logging has room; a second failure while this runs ends
// the process at once.
[[noreturn]] void OutOfMemory(size_t requestedBytes);

} // namespace plat
