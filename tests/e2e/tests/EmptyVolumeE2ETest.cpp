// End to end through `salvix-e2e deleted` on part-mbr, whose NTFS partition is empty as mkntfs left it: every
// partition is read, the empty one too, and the run succeeds with nothing to save there.
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <array>
#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

std::string Fixture(const std::string& name)
{
    return std::string(SALVIX_SOURCE_DIR) + "/tests/fixtures/" + name;
}

} // namespace

TEST(EmptyVolumeE2E, AnEmptyNtfsPartitionIsReadWithNothingToSave)
{
    testsupport::TempDir dir;
    const std::string disk = (dir / "mbr.img").string();
    ASSERT_EQ(std::system(("xz -dc '" + Fixture("part-mbr.img.xz") + "' > '" + disk + "'").c_str()), 0);
    const std::string command = "'" SALVIX_E2E_HARNESS "' deleted '" + disk + "' '" + (dir / "out").string() + "' 2>&1";
    std::string output;
    FILE* pipe = popen(command.c_str(), "r");
    ASSERT_NE(pipe, nullptr);
    std::array<char, 512> buffer{};
    while (std::fgets(buffer.data(), int(buffer.size()), pipe)) output += buffer.data();
    EXPECT_EQ(pclose(pipe), 0) << output;
    EXPECT_NE(output.find("partition 2: NTFS \"MBRNTFS\"\nsaved 0 files, 0 failed\n"), std::string::npos) << output;
    EXPECT_EQ(output.find("could not be read"), std::string::npos) << output;
}
