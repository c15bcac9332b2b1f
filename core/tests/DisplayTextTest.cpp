// Display texts of file-system kinds, file times and sizes.
#include "core/DisplayText.h"

#include "core/VersionString.h"

#include <gtest/gtest.h>

namespace {

TEST(DisplayText, FileSystemNames)
{
    const char* expected[] = {"FAT12", "FAT16", "FAT32", "NTFS", "EXT2", "EXT3", "RAW", "Unknown"};
    for (int kind = 0; kind < 8; ++kind) EXPECT_EQ(FormatFileSystemName(kind), expected[kind]);
    EXPECT_EQ(FormatFileSystemName(8), "");
    EXPECT_EQ(FormatFileSystemName(-1), "");
}

TEST(DisplayText, ByteSizes)
{
    struct Case {
        uint64_t bytes;
        const char* text;
    };
    const Case cases[] = {
        {0, "0.00 KB"},
        {500, "0.49 KB"},
        {1048575, "1024.00 KB"},
        {1048576, "1.00 MB"},
        {1073741823, "1024.00 MB"},
        {1073741824, "1.00 GB"},
        {1099511627776ull, "1.00 TB"},
        {UINT64_MAX, "16777216.00 TB"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.bytes);
        EXPECT_EQ(FormatByteSize(c.bytes), c.text);
    }
}

TEST(DisplayText, SectorSizesFallBackTo512)
{
    EXPECT_EQ(FormatSectorsAsSize(2048, 512), "1.00 MB");
    EXPECT_EQ(FormatSectorsAsSize(2048, 520), "1.00 MB");
    EXPECT_EQ(FormatSectorsAsSize(2048, 0), "1.00 MB");
    EXPECT_EQ(FormatSectorsAsSize(256, 4096), "1.00 MB");
    // A damaged count must not wrap around to a small size.
    EXPECT_EQ(FormatSectorsAsSize(1ull << 62, 4096), "17179869184.00 TB");
}

TEST(DisplayText, FileTimesPadMinutesAndSeconds)
{
    EXPECT_EQ(FormatFileTime(0), "1601-1-1 0:00:00");
    // 2009-07-05 08:04:03 UTC
    EXPECT_EQ(FormatFileTime(128912546430000000ull), "2009-7-5 8:04:03");
    EXPECT_EQ(FormatFileTime(UINT64_MAX), "");
    EXPECT_EQ(FormatFileDate(128912546430000000ull), "2009-7-5");
    EXPECT_EQ(FormatFileDate(UINT64_MAX), "");
}

TEST(DisplayText, VersionText)
{
    EXPECT_STREQ(GetVersionString(), "5.1.1.8");
    EXPECT_EQ(GetVersionString(), GetVersionString());
}

} // namespace
