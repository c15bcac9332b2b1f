// Loading of the usage module and the guarded calls into it.
#include "app/shell/UsageEvents.h"

#include "core/TextConverters.h"
#include "platform/Folders.h"
#include "platform/Log.h"

#include <cstring>
#include <dlfcn.h>
#include <mutex>

namespace {

struct UsageModule {
    std::mutex lock;
    bool tried = false;
    bool shutDown = false;
    void* handle = nullptr; // never closed: the object may be in use on another thread
    IUsageReporter* reporter = nullptr;
};

UsageModule& Module()
{
    static UsageModule* m = new UsageModule; // lives to the end of the process, as the loaded module does
    return *m;
}

// Called with the lock held.
void LoadLocked(UsageModule& m, const std::string& path)
{
    m.tried = true;
    if (path.empty() || path[0] != '/') return;
    m.handle = ::dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!m.handle) return;
    LogInfo("Usage module loaded: %s", path.c_str());
}

// The object, loading the module on first use and asking it for its object while none was had.
IUsageReporter* Reporter()
{
    UsageModule& m = Module();
    std::lock_guard<std::mutex> hold(m.lock);
    if (!m.tried) LoadLocked(m, UsageModulePath());
    if (!m.reporter && m.handle) {
        auto get = reinterpret_cast<GetKordelFunction>(::dlsym(m.handle, "GetKordel"));
        if (get) {
            try {
                m.reporter = get();
            } catch (...) {
                m.reporter = nullptr;
            }
        }
    }
    return m.reporter;
}

} // namespace

UsageReportDiskEntry UsageReportDiskEntry::Make(const std::string& productUtf8, uint64_t totalSectors,
                                                uint32_t bytesPerSector, uint32_t busType)
{
    UsageReportDiskEntry e;
    size_t units = 0;
    const auto* s = reinterpret_cast<const unsigned char*>(productUtf8.data());
    const size_t n = productUtf8.size();
    auto put = [&](uint32_t u) {
        e.bytes[units * 2] = uint8_t(u);
        e.bytes[units * 2 + 1] = uint8_t(u >> 8);
        ++units;
    };
    for (size_t i = 0; i < n;) {
        // Malformed bytes become U+FFFD one at a time; a four-byte sequence becomes a surrogate pair.
        uint32_t value = 0;
        const int got = DecodeUtf8Char(reinterpret_cast<const char*>(s) + i, n - i, value);
        const size_t len = got > 0 ? size_t(got) : 1;
        const bool pair = got == 4;
        const uint32_t cp = got > 0 ? value : 0xFFFD;
        const size_t need = pair ? 2 : 1;
        if (units + need > 255) break;
        if (pair) {
            put(0xD800 | (cp >> 10));
            put(0xDC00 | (cp & 0x3FF));
        } else {
            put(cp);
        }
        i += len;
    }
    auto le = [&](size_t at, uint64_t v, int width) {
        for (int b = 0; b < width; ++b) e.bytes[at + size_t(b)] = uint8_t(v >> (8 * b));
    };
    le(520, totalSectors, 8);
    le(528, bytesPerSector, 4);
    le(532, busType, 4);
    return e;
}

std::string UsageModulePath()
{
    const std::filesystem::path folder = plat::ProgramFolder();
    if (folder.empty() || !folder.is_absolute()) return {};
    return (folder / "Kordel.so").string();
}

bool LoadUsageModuleFrom(const std::string& absolutePath)
{
    UsageModule& m = Module();
    std::lock_guard<std::mutex> hold(m.lock);
    if (m.tried) return m.handle != nullptr;
    LoadLocked(m, absolutePath);
    return m.handle != nullptr;
}

bool IsUsageModuleLoaded()
{
    return Reporter() != nullptr;
}

void ReportUsageEvent(int eventId)
{
    try {
        if (IUsageReporter* r = Reporter()) r->ReportEvent(eventId);
    } catch (...) {
    }
}

void ReportUsageTimedEvent(int eventId, uint64_t elapsedMs)
{
    try {
        if (IUsageReporter* r = Reporter()) r->ReportTimedEvent(eventId, elapsedMs);
    } catch (...) {
    }
}

void ReportUsageDisks(const UsageReportDiskEntry* entries, int count)
{
    if (!entries || count <= 0) return;
    if (count > 32) count = 32;
    try {
        if (IUsageReporter* r = Reporter()) r->ReportDisks(entries, count);
    } catch (...) {
    }
}

void ShutdownUsageModule()
{
    UsageModule& m = Module();
    {
        std::lock_guard<std::mutex> hold(m.lock);
        if (m.shutDown) return;
        m.shutDown = true;
    }
    try {
        if (IUsageReporter* r = Reporter()) r->Shutdown();
    } catch (...) {
    }
}
