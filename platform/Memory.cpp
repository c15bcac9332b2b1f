// /proc/meminfo reading and the out-of-memory path.
#include "platform/Memory.h"

#include "platform/Log.h"

#include <atomic>
#include <cinttypes>
#include <cstdio>
#include <cstdlib>
#include <malloc.h>
#include <string>
#include <unistd.h>

namespace plat {

namespace {

std::atomic<OutOfMemoryHandler> g_handler{nullptr};
std::atomic<bool> g_dying{false};

// Freed when memory runs out, so that logging the failure has a little room.
void* g_reserve = std::malloc(64 * 1024);

bool FieldKb(std::string_view text, std::string_view name, uint64_t& kb)
{
    size_t pos = 0;
    while (pos < text.size()) {
        size_t end = text.find('\n', pos);
        if (end == std::string_view::npos) end = text.size();
        std::string_view line = text.substr(pos, end - pos);
        pos = end + 1;
        if (line.size() <= name.size() || line.substr(0, name.size()) != name || line[name.size()] != ':') continue;
        uint64_t v = 0;
        bool digits = false;
        for (size_t i = name.size() + 1; i < line.size(); ++i) {
            char c = line[i];
            if (c == ' ' || c == '\t') {
                if (digits) break;
                continue;
            }
            if (c < '0' || c > '9' || v > (UINT64_MAX / 10) / 1024) return false;
            v = v * 10 + uint64_t(c - '0');
            digits = true;
        }
        if (!digits) return false;
        kb = v;
        return true;
    }
    return false;
}

} // namespace

bool ParseMemInfo(std::string_view text, MemoryStatus& out)
{
    uint64_t total = 0, avail = 0, freeKb = 0, buffers = 0, cached = 0, swapTotal = 0, swapFree = 0;
    if (!FieldKb(text, "MemTotal", total)) return false;
    if (!FieldKb(text, "MemAvailable", avail)) {
        FieldKb(text, "MemFree", freeKb);
        FieldKb(text, "Buffers", buffers);
        FieldKb(text, "Cached", cached);
        avail = freeKb + buffers + cached;
    }
    FieldKb(text, "SwapTotal", swapTotal);
    FieldKb(text, "SwapFree", swapFree);
    if (avail > total) avail = total;
    out.totalPhys = total * 1024;
    out.availPhys = avail * 1024;
    out.totalPageFile = (total + swapTotal) * 1024;
    out.availPageFile = (avail + (swapFree > swapTotal ? swapTotal : swapFree)) * 1024;
    out.memoryLoad = total ? uint32_t((total - avail) * 100 / total) : 0;
    return true;
}

bool QueryMemoryStatus(MemoryStatus& out)
{
    FILE* f = std::fopen("/proc/meminfo", "re");
    if (!f) return false;
    char buf[8192];
    size_t n = std::fread(buf, 1, sizeof buf - 1, f);
    std::fclose(f);
    return ParseMemInfo(std::string_view(buf, n), out);
}

void UseOneHeapArena()
{
    ::mallopt(M_ARENA_MAX, 1);
}

void LogMemoryStatus()
{
    MemoryStatus ms;
    if (!QueryMemoryStatus(ms)) {
        LogInfo("Failed to query memory status.");
        return;
    }
    constexpr uint64_t kMb = 1024 * 1024;
    LogInfo("Memory status:");
    LogInfo("Total physical memory:%4" PRId64 " MB\tAvailable physical memory:%4" PRId64 " MB",
            int64_t(ms.totalPhys / kMb), int64_t(ms.availPhys / kMb));
    LogInfo("Total   page    files:%4" PRId64 " MB\tAvailable    page   files:%4" PRId64 " MB",
            int64_t(ms.totalPageFile / kMb), int64_t(ms.availPageFile / kMb));
}

OutOfMemoryHandler SetOutOfMemoryHandler(OutOfMemoryHandler handler)
{
    return g_handler.exchange(handler);
}

void OutOfMemory(size_t requestedBytes)
{
    static thread_local bool t_reporting = false;
    if (t_reporting) ::_exit(kOutOfMemoryExitStatus); // failed again while reporting
    t_reporting = true;
    if (g_dying.exchange(true)) {
        for (;;) // another thread is reporting and will end the process
            ::pause();
    }
    std::free(g_reserve);
    g_reserve = nullptr;
    LogInfo("Failed to alloc 0x%08llx bytes", static_cast<unsigned long long>(requestedBytes));
    LogMemoryStatus();
    if (OutOfMemoryHandler h = g_handler.load()) h(requestedBytes);
    ::_exit(kOutOfMemoryExitStatus);
}

} // namespace plat
