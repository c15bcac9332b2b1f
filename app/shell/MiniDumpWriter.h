// Writes a crash dump in the minidump format: header, stream directory, system information, the exception,
// the crashing thread with its registers and stack memory, a memory list of that stack, the module list and
// the process's memory map (both from /proc/self/maps). Every call made while writing is async-signal-safe
// (open, read, write, lseek, close, clock_gettime): no allocation, no locks, no stdio.
#pragma once

#include <cstddef>
#include <cstdint>
#include <sys/types.h>
#include <ucontext.h>

namespace minidump {

// Layout of the file (all little-endian, offsets from the start of each record):
//   header (32): 0 signature "MDMP" | 4 version 0xA793 | 8 stream count | 12 directory offset | 16 checksum 0
//                20 time stamp (seconds since 1970) | 24 flags (8), 0
//   directory entry (12): 0 stream type | 4 data size | 8 offset
//   system info (56): 0 architecture (9 x86-64) | 2 level (CPU family) | 4 revision (model << 8 | stepping)
//                6 processors (1) | 7 product type (1) | 8 kernel major | 12 minor | 16 patch | 20 platform
//                0x8201 (Linux) | 24 offset of a text: uname | 28 suite 0 (2) | 30 reserved (2)
//                32 vendor id (12) | 44 CPUID 1 EAX | 48 CPUID 1 EDX | 52 CPUID 0x80000001 EDX
//   text: 0 length in bytes | 4 UTF-16LE units and a zero unit
//   exception (168): 0 thread id | 4 zero | 8 code (signal number, or 0xE0000001 for out of memory)
//                12 flags (si_code) | 16 nested record 0 (8) | 24 address (8) | 32 parameter count 0
//                36 zero | 40 parameters (15 x 8) | 160 context size | 164 context offset
//   thread list: 0 count (1) | 4 thread (48): 0 id | 4 suspend count | 8 priority class | 12 priority
//                16 environment block (8) | 24 stack start (8) | 32 stack size | 36 stack offset
//                40 context size | 44 context offset
//   memory list: 0 count (1) | 4 range (16): 0 start (8) | 8 size | 12 offset
//   module list: 0 count | 4 modules (108 each): 0 base (8) | 8 size | 12 checksum | 16 time stamp
//                20 name offset (a text) | 24 version record (52) | 76 CodeView record (8) | 84 misc (8)
//                92 reserved (16)
//   x86-64 context (1232): 48 flags 0x0010000B | 52 MXCSR | 56 CS, DS, ES, FS, GS, SS (2 each) | 68 EFLAGS
//                120 RAX, RCX, RDX, RBX, RSP, RBP, RSI, RDI, R8..R15 (8 each) | 248 RIP
//                256 FXSAVE area (512)
inline constexpr uint32_t kSignature = 0x504D444D;
inline constexpr uint32_t kVersion = 0xA793;
inline constexpr uint32_t kOutOfMemoryCode = 0xE0000001;

enum StreamType : uint32_t {
    kThreadListStream = 3,
    kModuleListStream = 4,
    kMemoryListStream = 5,
    kExceptionStream = 6,
    kSystemInfoStream = 7,
    kLinuxMapsStream = 0x47670009,
};

inline constexpr size_t kHeaderSize = 32;
inline constexpr size_t kDirectoryEntrySize = 12;
inline constexpr size_t kSystemInfoSize = 56;
inline constexpr size_t kExceptionStreamSize = 168;
inline constexpr size_t kThreadSize = 48;
inline constexpr size_t kMemoryDescriptorSize = 16;
inline constexpr size_t kModuleSize = 108;
inline constexpr size_t kContextAmd64Size = 1232;
inline constexpr uint32_t kContextAmd64Full = 0x0010000B;
inline constexpr uint16_t kArchitectureAmd64 = 9;
inline constexpr uint16_t kArchitectureUnknown = 0xFFFF;
inline constexpr uint32_t kPlatformLinux = 0x8201;
// At most this much of the crashing thread's stack is kept, from its stack pointer upwards.
inline constexpr size_t kStackBytes = 64 * 1024;

struct CrashInfo {
    uint32_t exceptionCode = 0;
    uint32_t exceptionFlags = 0;
    uint64_t exceptionAddress = 0;
    pid_t threadId = 0;
    const ucontext_t* context = nullptr; // the crashing thread's registers; may be null
};

// Gathers what the writer cannot learn safely later (uname text, CPU identity, processor count).
// Call once before any dump, outside a signal handler.
void PrepareSystemInfo();

// Writes the dump to fd (opened for writing, at offset 0). Not re-entrant: one dump at a time.
bool WriteMiniDump(int fd, const CrashInfo& info);

} // namespace minidump
