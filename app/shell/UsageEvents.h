// Usage events for the optional usage module, a shared library "Kordel.so" in the program's folder that
// exports "GetKordel". The module is loaded once, by absolute path only; without it, or without its
// export or object, every report does nothing. Safe to call from any thread.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

// The object the module hands out. Its operations are called in this slot order; the module owns it.
class IUsageReporter {
public:
    virtual int Shutdown() = 0;
    virtual int Reserved1() = 0;
    virtual int Reserved2() = 0;
    virtual int Reserved3() = 0;
    virtual int ReportTimedEvent(int eventId, uint64_t elapsedMs) = 0;
    virtual int Reserved5() = 0;
    virtual int ReportDisks(const void* firstEntry, int count) = 0;
    virtual int ReportEvent(int eventId) = 0;

protected:
    ~IUsageReporter() = default;
};

// The module's export.
extern "C" {
using GetKordelFunction = IUsageReporter* (*)();
}

// One disk of a disk report: 536 bytes, zero-filled, laid out as
//   0 product text, UTF-16LE, 256 units with terminator | 512 zero (8) | 520 total sectors (u64)
//   528 bytes per sector (u32) | 532 bus type (u32)
struct UsageReportDiskEntry {
    static constexpr size_t kSize = 536;
    uint8_t bytes[kSize] = {};

    // The product text is cut on a character boundary to 255 UTF-16 units.
    static UsageReportDiskEntry Make(const std::string& productUtf8, uint64_t totalSectors, uint32_t bytesPerSector,
                                     uint32_t busType);
};
static_assert(sizeof(UsageReportDiskEntry) == UsageReportDiskEntry::kSize);

// Event ids.
enum UsageEvent : int {
    kUsageStartup = 8192,
    kUsageOptionsOpened = 8262,
};

// The module's path: <program folder>/Kordel.so.
std::string UsageModulePath();

// Loads the module from an absolute path in place of the default one; tests use it. Only a path that is
// absolute is ever loaded; false when it cannot be. Must be called before the first report.
bool LoadUsageModuleFrom(const std::string& absolutePath);

// Whether the module and its object were found.
bool IsUsageModuleLoaded();

void ReportUsageEvent(int eventId);
void ReportUsageTimedEvent(int eventId, uint64_t elapsedMs);
// Sends up to 32 entries; nothing for an empty list.
void ReportUsageDisks(const UsageReportDiskEntry* entries, int count);
// Tells the module the application ends; only the first call reaches it.
void ShutdownUsageModule();
