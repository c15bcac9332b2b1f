// End to end through `salvix-e2e volumes`: disk images named by SALVIX_DISKS are enumerated into volume
// records, one line each with letter, file-system kind, size and label as the analysers found them.
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

std::string Fixture(const std::string& name)
{
    return std::string(SALVIX_SOURCE_DIR) + "/tests/fixtures/" + name;
}

std::vector<std::string> Lines(const std::string& command)
{
    std::vector<std::string> out;
    FILE* pipe = popen(command.c_str(), "r");
    if (!pipe) return out;
    char line[512];
    while (std::fgets(line, sizeof line, pipe)) {
        std::string l(line);
        while (!l.empty() && (l.back() == '\n' || l.back() == '\r')) l.pop_back();
        out.push_back(l);
    }
    EXPECT_EQ(pclose(pipe), 0) << command;
    return out;
}

TEST(VolumesE2E, PartitionedAndWholeDiskImagesAreListed)
{
    testsupport::TempDir dir;
    const std::string mbr = (dir / "mbr.img").string();
    const std::string fat = (dir / "fat16.img").string();
    ASSERT_EQ(std::system(("xz -dc '" + Fixture("part-mbr.img.xz") + "' > '" + mbr + "'").c_str()), 0);
    ASSERT_EQ(std::system(("xz -dc '" + Fixture("fat16.img.xz") + "' > '" + fat + "'").c_str()), 0);

    const std::vector<std::string> lines =
        Lines("SALVIX_DISKS='" + mbr + ":" + fat + "' SALVIX_DRIVES= '" SALVIX_E2E_HARNESS "' volumes");
    auto has = [&](const std::string& kind, const std::string& label) {
        for (const std::string& l : lines)
            if (l.find("\t" + kind + "\t") != std::string::npos && l.size() >= label.size() &&
                l.compare(l.size() - label.size(), label.size(), label) == 0)
                return true;
        return false;
    };
    // The partitioned image's file systems, then the whole-disk FAT16 volume of the second image.
    EXPECT_TRUE(has("FAT16", "MBRFAT16"));
    EXPECT_TRUE(has("NTFS", "MBRNTFS"));
    EXPECT_TRUE(has("EXT2", "MBREXT2"));
    EXPECT_TRUE(has("FAT32", "MBRFAT32"));
    EXPECT_TRUE(has("FAT12", "MBRFAT12"));
    EXPECT_TRUE(has("FAT16", "DATA16"));
    for (const std::string& l : lines) EXPECT_EQ(l.rfind("*\t", 0), 0u) << "no letters were assigned: " << l;
}

} // namespace
