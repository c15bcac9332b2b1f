// Usage events: absent module, module present, guarded calls, the disk record.
#include "app/shell/UsageEvents.h"

#include <gtest/gtest.h>

#include <cstring>
#include <dlfcn.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

// Runs body in a child process (the module is loaded once per process) and returns its exit status.
template <typename Fn>
int InChild(Fn body)
{
    const pid_t child = ::fork();
    if (child == 0) ::_exit(body());
    int status = 0;
    if (::waitpid(child, &status, 0) != child || !WIFEXITED(status)) return -1;
    return WEXITSTATUS(status);
}

TEST(UsageEvents, AbsentModuleMakesEveryCallANoOp)
{
    EXPECT_EQ(InChild([] {
                  if (LoadUsageModuleFrom("/nonexistent/folder/Kordel.so")) return 1;
                  ReportUsageEvent(kUsageStartup);
                  ReportUsageTimedEvent(8195, 10);
                  const UsageReportDiskEntry e = UsageReportDiskEntry::Make("disk", 1, 512, 7);
                  ReportUsageDisks(&e, 1);
                  ShutdownUsageModule();
                  return IsUsageModuleLoaded() ? 2 : 0;
              }),
              0);
}

TEST(UsageEvents, OnlyAnAbsolutePathIsLoaded)
{
    EXPECT_EQ(InChild([] {
                  // A bare or relative name would be searched for along the library path: never loaded.
                  if (LoadUsageModuleFrom(SALVIX_FAKE_USAGE_MODULE_NAME)) return 1;
                  if (IsUsageModuleLoaded()) return 2;
                  return 0;
              }),
              0);
    EXPECT_EQ(UsageModulePath().front(), '/');
    EXPECT_NE(UsageModulePath().find("/Kordel.so"), std::string::npos);
}

TEST(UsageEvents, PresentModuleReceivesEventsInSlotOrder)
{
    EXPECT_EQ(InChild([] {
                  if (!LoadUsageModuleFrom(SALVIX_FAKE_USAGE_MODULE)) return 1;
                  ReportUsageEvent(kUsageStartup);
                  ReportUsageEvent(-1); // throws inside the module
                  ReportUsageTimedEvent(8195, 4294967296ull);
                  UsageReportDiskEntry disks[40];
                  disks[0] = UsageReportDiskEntry::Make("ATA disk", 1000, 512, 11);
                  disks[1] = UsageReportDiskEntry::Make("USB stick", 64, 4096, 7);
                  ReportUsageDisks(disks, 2);
                  ReportUsageDisks(disks, 0);
                  ReportUsageDisks(disks, 40); // at most 32 go out
                  ShutdownUsageModule();
                  ShutdownUsageModule();
                  ReportUsageEvent(kUsageOptionsOpened);

                  void* h = ::dlopen(SALVIX_FAKE_USAGE_MODULE, RTLD_NOW | RTLD_NOLOAD);
                  if (!h) return 3;
                  auto log = reinterpret_cast<const char* (*)()>(::dlsym(h, "FakeUsageLog"));
                  auto asked = reinterpret_cast<int (*)()>(::dlsym(h, "FakeUsageAsked"));
                  const std::string text = log();
                  std::string disks32 = "Disks 32 ATA disk:1000 USB stick:64";
                  for (int i = 2; i < 32; ++i) disks32 += " :0";
                  const std::string expected = "Event 8192\nTimed 8195 4294967296\n"
                                               "Disks 2 ATA disk:1000 USB stick:64\n" +
                                               disks32 + "\nShutdown\nEvent 8262\n";
                  if (text != expected) {
                      std::fprintf(stderr, "got:\n%s\nexpected:\n%s\n", text.c_str(), expected.c_str());
                      return 4;
                  }
                  return asked() == 1 ? 0 : 5; // the object is asked for once it was had
              }),
              0);
}

TEST(UsageEvents, DiskEntryLayout)
{
    const UsageReportDiskEntry e =
        UsageReportDiskEntry::Make("Disk \xC3\xA9\xF0\x9F\x98\x80", 0x0102030405060708ull, 4096, 7);
    const uint8_t* b = e.bytes;
    EXPECT_EQ(b[0], 'D');
    EXPECT_EQ(b[10], 0xE9); // U+00E9
    EXPECT_EQ(b[11], 0x00);
    EXPECT_EQ(b[12] | (b[13] << 8), 0xD83D); // U+1F600 as a surrogate pair
    EXPECT_EQ(b[14] | (b[15] << 8), 0xDE00);
    EXPECT_EQ(b[16] | b[17], 0); // terminator
    for (int i = 512; i < 520; ++i) EXPECT_EQ(b[i], 0);
    EXPECT_EQ(b[520], 0x08);
    EXPECT_EQ(b[527], 0x01);
    EXPECT_EQ(b[528] | (b[529] << 8), 4096);
    EXPECT_EQ(b[532], 7);

    // A long name is cut to 255 units, never between the halves of a pair, and keeps its terminator.
    std::string longName(254, 'x');
    longName += "\xF0\x9F\x98\x80";
    const UsageReportDiskEntry cut = UsageReportDiskEntry::Make(longName, 1, 512, 0);
    EXPECT_EQ(cut.bytes[2 * 253], 'x');
    EXPECT_EQ(cut.bytes[2 * 254] | cut.bytes[2 * 254 + 1], 0);
    EXPECT_EQ(cut.bytes[510] | cut.bytes[511], 0);
}

} // namespace
