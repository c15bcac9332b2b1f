// Loading of the usage module and the guarded calls into it.
#include "app/shell/UsageEvents.h"

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
    if (path.empty() || path[0] != '/')
        return;
    m.handle = ::dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!m.handle)
        return;
    LogInfo("Usage module loaded: %s", path.c_str());
}

// The object, loading the module on first use and asking it for its object while none was had.
IUsageReporter* Reporter()
{
    UsageModule& m = Module();
    std::lock_guard<std::mutex> hold(m.lock);
    if (!m.tried)
        LoadLocked(m, UsageModulePath());
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
        uint32_t cp = 0xFFFD;
        size_t len = 1;
        const unsigned char c = s[i];
        if (c < 0x80) {
            cp = c;
        } else if ((c & 0xE0) == 0xC0 && i + 1 < n && (s[i + 1] & 0xC0) == 0x80) {
            cp = ((c & 0x1Fu) << 6) | (s[i + 1] & 0x3Fu);
            len = 2;
        } else if ((c & 0xF0) == 0xE0 && i + 2 < n && (s[i + 1] & 0xC0) == 0x80 && (s[i + 2] & 0xC0) == 0x80) {
            cp = ((c & 0x0Fu) << 12) | ((s[i + 1] & 0x3Fu) << 6) | (s[i + 2] & 0x3Fu);
            len = 3;
        } else if ((c & 0xF8) == 0xF0 && i + 3 < n && (s[i + 1] & 0xC0) == 0x80 && (s[i + 2] & 0xC0) == 0x80 &&
                   (s[i + 3] & 0xC0) == 0x80) {
            cp = ((c & 0x07u) << 18) | ((s[i + 1] & 0x3Fu) << 12) | ((s[i + 2] & 0x3Fu) << 6) | (s[i + 3] & 0x3Fu);
            len = 4;
        }
        const size_t need = cp >= 0x10000 ? 2 : 1;
        if (units + need > 255)
            break;
        if (cp >= 0x10000) {
            cp -= 0x10000;
            put(0xD800 | (cp >> 10));
            put(0xDC00 | (cp & 0x3FF));
        } else {
            put(cp);
        }
        i += len;
    }
    auto le = [&](size_t at, uint64_t v, int bytes) {
        for (int b = 0; b < bytes; ++b)
            e.bytes[at + size_t(b)] = uint8_t(v >> (8 * b));
    };
    le(520, totalSectors, 8);
    le(528, bytesPerSector, 4);
    le(532, busType, 4);
    return e;
}

std::string UsageModulePath()
{
    const std::filesystem::path folder = plat::ProgramFolder();
    if (folder.empty() || !folder.is_absolute())
        return {};
    return (folder / "Kordel.so").string();
}

bool LoadUsageModuleFrom(const std::string& absolutePath)
{
    UsageModule& m = Module();
    std::lock_guard<std::mutex> hold(m.lock);
    if (m.tried)
        return m.handle != nullptr;
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
        if (IUsageReporter* r = Reporter())
            r->ReportEvent(eventId);
    } catch (...) {
    }
}

void ReportUsageTimedEvent(int eventId, uint64_t elapsedMs)
{
    try {
        if (IUsageReporter* r = Reporter())
            r->ReportTimedEvent(eventId, elapsedMs);
    } catch (...) {
    }
}

void ReportUsageDisks(const UsageReportDiskEntry* entries, int count)
{
    if (!entries || count <= 0)
        return;
    if (count > 32)
        count = 32;
    try {
        if (IUsageReporter* r = Reporter())
            r->ReportDisks(entries, count);
    } catch (...) {
    }
}

void ShutdownUsageModule()
{
    UsageModule& m = Module();
    {
        std::lock_guard<std::mutex> hold(m.lock);
        if (m.shutDown)
            return;
        m.shutDown = true;
    }
    try {
        if (IUsageReporter* r = Reporter())
            r->Shutdown();
    } catch (...) {
    }
}
