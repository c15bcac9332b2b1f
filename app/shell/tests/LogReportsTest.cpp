// The log's report lines: the start-up header, recovery phases, devices, partition tables and results.
#include "app/shell/LogReports.h"
#include "app/shell/tests/LogCapture.h"
#include "filesystems/common/CLostPartitionRecord.h"
#include "filesystems/common/CSearchedPartitionInfo.h"

#include <gtest/gtest.h>
#include <gmock/gmock.h>

#include <regex>

using ::testing::ElementsAre;
using ::testing::HasSubstr;
using ::testing::StartsWith;

namespace {

TEST(LogReports, StartupHeaderInOrder)
{
    ShellLogCapture log;
    LogStartupHeader();
    const std::vector<std::string> t = log.Texts();
    ASSERT_GE(t.size(), 8u);
    EXPECT_EQ(t[0], "Salvix 5.1.1.8 20141120");
    EXPECT_TRUE(std::regex_match(t[1], std::regex(R"(Date Generated: \d\d/\d\d/\d{4} \d\d:\d\d:\d\d\r?)"))) << t[1];
    EXPECT_EQ(t[2], "Memory status:");
    EXPECT_TRUE(
        std::regex_match(t[3], std::regex(R"(Total physical memory: *\d+ MB\tAvailable physical memory: *\d+ MB)")))
        << t[3];
    EXPECT_TRUE(
        std::regex_match(t[4], std::regex(R"(Total   page    files: *\d+ MB\tAvailable    page   files: *\d+ MB)")))
        << t[4];
    EXPECT_TRUE(std::regex_match(t[5], std::regex(R"(OS - Linux .* \(\d+ \d+ 1 0\))"))) << t[5];
    EXPECT_THAT(t[6], StartsWith("OS Directory - /"));
    EXPECT_THAT(t[7], StartsWith("Module Directory - /"));
    EXPECT_EQ(t[7].back(), '/');
}

TEST(LogReports, PrettyNameOfOsRelease)
{
    EXPECT_EQ(PrettyNameFromOsRelease("NAME=\"Debian\"\nPRETTY_NAME=\"Debian GNU/Linux 12 (bookworm)\"\n"),
              "Debian GNU/Linux 12 (bookworm)");
    EXPECT_EQ(PrettyNameFromOsRelease("PRETTY_NAME=Plain\n"), "Plain");
    EXPECT_EQ(PrettyNameFromOsRelease("NAME=x\n"), "");
    EXPECT_EQ(PrettyNameFromOsRelease("PRETTY_NAME=\"\n"), "\"");
}

TEST(LogReports, RecoveryPhases)
{
    ShellLogCapture log;
    EXPECT_EQ(LogRecoveryPhase(14), 14u);
    EXPECT_EQ(LogRecoveryPhase(0xFFFFFFFFu), 0xFFFFFFFFu);
    EXPECT_TRUE(log.Texts().empty());

    EXPECT_EQ(LogRecoveryPhase(0), 0u);
    EXPECT_EQ(LogRecoveryPhase(8), 8u);
    EXPECT_EQ(LogRecoveryPhase(13), 13u);
    // Codes 0 to 2 start with an empty line of their own.
    EXPECT_THAT(log.Texts(), ElementsAre("", "Performing Deleted File Recovery...", "Restoring last recovery...",
                                         "Did not find any RAWfiles"));
}

TEST(LogReports, DevicesBeforeScans)
{
    ShellLogCapture log;
    LogSearchDevice(true, false, "WDC WD10", false, nullptr, nullptr);
    LogSearchDevice(false, false, "Stick", true, nullptr, nullptr);
    LogSearchDevice(false, true, nullptr, false, "Image 1", "/tmp/a.img");
    LogScanDevice(true, false, "sdb1", "DATA", 3, nullptr, nullptr);
    LogScanDevice(false, false, nullptr, "", 9, nullptr, nullptr);
    LogScanDevice(false, false, "dynamic volume 1 (Spanned)", "x", 4, nullptr, nullptr);
    LogScanDevice(true, true, "", "", 0, "Image 2", "/tmp/b.img");
    EXPECT_THAT(log.Texts(),
                ElementsAre("Quick searching disk device - WDC WD10", "Intelligent searching usb disk device - Stick",
                            "Intelligent searching image file - Image 1 at /tmp/a.img",
                            "Quick searching partition device - sdb1 DATA (NTFS)",
                            "Intelligent searching partition device - ? (UNKNOWN)",
                            "Intelligent searching partition device - dynamic volume 1 (Spanned) x (EXT2)",
                            "Quick searching image file device - Image 2 at /tmp/b.img"));
}

TEST(LogReports, PartitionTables)
{
    ShellLogCapture log;
    LogLostPartitionList({});
    LogSearchedPartitionList({});

    CLostPartitionRecord a;
    a.nFileSystemKind = 3;
    a.u64StartSector = 63;
    a.u64SectorCount = 5000000000ull;
    CLostPartitionRecord b;
    b.nFileSystemKind = 42;
    LogLostPartitionList({&a, &b});

    CSearchedPartitionInfo p;
    p.nFileSystemKind = 2;
    p.dRank = 1.5;
    p.u64FilesMatch = 12;
    p.u64FoldersMatch = 3;
    p.u64StartSector = 2048;
    p.u64DataAreaStartSector = 4096;
    p.bySectorsPerCluster = 8;
    p.u64SectorsCount = 1000000;
    LogSearchedPartitionList({&p});

    const std::vector<std::string> t = log.Texts();
    ASSERT_EQ(t.size(), 2u + 6u + 5u);
    EXPECT_EQ(t[0], "Did not find any lost partition.");
    EXPECT_EQ(t[1], "Did not find any possible partition.");
    EXPECT_EQ(t[2], "Lost partition list:");
    EXPECT_EQ(t[3], std::string(45, '-'));
    EXPECT_EQ(t[4], " NO.       FS     StartSect     TotalSect");
    EXPECT_EQ(t[5], "   0     NTFS            63    5000000000");
    EXPECT_EQ(t[6], "   1  UNKNOWN             0             0");
    EXPECT_EQ(t[7], std::string(45, '-'));
    EXPECT_EQ(t[8], "Searched partition list:");
    EXPECT_EQ(t[9], std::string(96, '-'));
    EXPECT_EQ(t[11], "   0    FAT32        1.50      12         3          2048          4096         8  1000000");
    EXPECT_EQ(t[12], std::string(96, '-'));
}

TEST(LogReports, ResultsAndExceptions)
{
    ShellLogCapture log;
    LogRecoverResult(10, 9, "/home/u/out");
    LogBuildDirectory(2);
    LogExceptionCaught(0xE0000001u, 0x7f0012345678ull);
    LogExceptionCaught(11, 0);
    LogExceptionResult(true);
    LogExceptionResult(false);
    EXPECT_THAT(log.Texts(), ElementsAre("10 File are to be recovered, recovered 9", "Files are saved in /home/u/out",
                                         "Building directory tree on partition 2",
                                         "Caught an excetpion! Exception Code:e0000001 Address:7f0012345678",
                                         "Caught an excetpion! Exception Code:0000000b Address:00000000",
                                         "Succeeded process the exception!", "Failed to process the exception!"));
}

} // namespace
