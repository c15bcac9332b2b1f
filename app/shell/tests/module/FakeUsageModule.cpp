// A stand-in usage module for the tests: it records every call it receives as a line of text, which the
// tests read back through the extra export FakeUsageLog.
#include "app/shell/UsageEvents.h"

#include <cstdio>
#include <string>

namespace {

std::string g_log;

class FakeReporter final : public IUsageReporter {
public:
    int Shutdown() override { return Note("Shutdown"); }
    int Reserved1() override { return Note("Reserved1"); }
    int Reserved2() override { return Note("Reserved2"); }
    int Reserved3() override { return Note("Reserved3"); }
    int ReportTimedEvent(int eventId, uint64_t elapsedMs) override
    {
        return Note("Timed " + std::to_string(eventId) + " " + std::to_string(elapsedMs));
    }
    int Reserved5() override { return Note("Reserved5"); }
    int ReportDisks(const void* firstEntry, int count) override
    {
        const auto* bytes = static_cast<const unsigned char*>(firstEntry);
        std::string line = "Disks " + std::to_string(count);
        for (int i = 0; i < count; ++i) {
            const unsigned char* e = bytes + size_t(i) * UsageReportDiskEntry::kSize;
            std::string name;
            for (size_t k = 0; k < 256 && (e[2 * k] || e[2 * k + 1]); ++k)
                name += char(e[2 * k]); // the tests use ASCII names
            uint64_t sectors = 0;
            for (int b = 7; b >= 0; --b) sectors = (sectors << 8) | e[520 + b];
            line += " " + name + ":" + std::to_string(sectors);
        }
        return Note(line);
    }
    int ReportEvent(int eventId) override
    {
        if (eventId == -1) throw 42; // the caller must survive a throwing module
        return Note("Event " + std::to_string(eventId));
    }

private:
    int Note(const std::string& line)
    {
        g_log += line + "\n";
        return 0;
    }
};

FakeReporter g_reporter;
int g_asked = 0;

} // namespace

extern "C" __attribute__((visibility("default"))) IUsageReporter* GetKordel()
{
    ++g_asked;
    return &g_reporter;
}

extern "C" __attribute__((visibility("default"))) const char* FakeUsageLog()
{
    return g_log.c_str();
}

extern "C" __attribute__((visibility("default"))) int FakeUsageAsked()
{
    return g_asked;
}
