// End to end through `salvix-e2e format` on a FAT32 volume quick-formatted as FAT32 and as NTFS, and on one
// whose primary boot sector is zeroed: the old FAT32 is found, ranked and recommended, and every file whose
// bytes survived comes back byte-exact under its long name inside the folders whose names survived. Without
// any partition the signature hits are saved as raw recovery saves them.
#include "tests/e2e/tests/HarnessRun.h"
#include "tests/support/FixtureManifests.h"
#include "tests/support/RawImageComposer.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {

using testsupport::FixturePath;

struct Expected {
    std::string path, sha256, tail;
    bool survives = false;
};

std::vector<Expected> ReadManifest(const std::string& name)
{
    std::vector<Expected> out;
    std::ifstream in(FixturePath(name + ".manifest"));
    for (std::string line; std::getline(in, line);) {
        if (line.empty() || line[0] == '#') continue;
        std::vector<std::string> f;
        std::istringstream fields(line);
        for (std::string field; std::getline(fields, field, '\t');) f.push_back(field);
        if (f.size() < 6) continue;
        out.push_back({f[1], f[3], f[5], f[4] == "1"});
    }
    return out;
}

struct Fixture {
    const char* name;
    // The first line of the ranked list: the old volume, recommended. Without its boot sector the volume is
    // placed by its directories alone (one reserved sector assumed), so its start is a guess below the data.
    const char* first;
};

class FormatRecovery : public testing::TestWithParam<Fixture> {};

} // namespace

TEST_P(FormatRecovery, TheOldFat32IsFoundAndItsSurvivingFilesComeBackExact)
{
    const std::string name = GetParam().name;
    const std::vector<Expected> expected = ReadManifest(name);
    ASSERT_FALSE(expected.empty());
    testsupport::TempDir dir;
    const fs::path image = dir / "disk.img";
    ASSERT_EQ(std::system(("xz -dc '" + FixturePath(name + ".img.xz") + "' > '" + image.string() + "'").c_str()), 0);

    const e2e::HarnessRun run = e2e::RunHarness("format", image, dir / "out");
    ASSERT_EQ(run.exitCode, 0) << run.output;
    EXPECT_EQ(run.output.rfind(GetParam().first, 0), 0u) << run.output;
    EXPECT_NE(run.output.find("saved "), std::string::npos);

    const std::map<std::string, std::string> saved = e2e::SavedSha256(dir / "out");
    int survivors = 0;
    for (const Expected& e : expected) {
        if (!e.survives) continue;
        ++survivors;
        SCOPED_TRACE(e.path);
        bool found = false;
        for (const auto& [path, sha] : saved)
            if (path.size() > e.tail.size() && path.compare(path.size() - e.tail.size(), e.tail.size(), e.tail) == 0 &&
                path[path.size() - e.tail.size() - 1] == '/' && sha == e.sha256)
                found = true;
        EXPECT_TRUE(found) << run.output;
    }
    EXPECT_GE(survivors, 7);
}

INSTANTIATE_TEST_SUITE_P(
    Fixtures, FormatRecovery,
    testing::Values(Fixture{"format-fat32-as-fat32", "FAT32 first=0 sectors=131072 score=1.000 recommended=1"},
                    Fixture{"format-fat32-as-ntfs", "FAT32 first=33 sectors=131039 score=1.000 recommended=1"},
                    Fixture{"format-fat32-boot-zeroed", "FAT32 first=0 sectors=131072 score=1.000 recommended=1"}),
    [](const testing::TestParamInfo<Fixture>& info) {
        std::string n = info.param.name;
        for (char& c : n)
            if (c == '-') c = '_';
        return n;
    });

// A device holding two PSD pictures and no file system: format recovery finds no partition and saves the whole
// device's "Raw Files", the same files under the same names as raw recovery, where it used to give up.
TEST(FormatRecoveryE2E, WithoutAPartitionTheSignatureHitsAreSavedAsRawSavesThem)
{
    testsupport::TempDir dir;
    testsupport::RawImageComposer disk(2048);
    std::vector<std::string> pictures;
    for (const testsupport::RawFixture& f : testsupport::ReadRawFixtureManifest("graphics")) {
        if (!f.name.ends_with(".psd")) continue;
        disk.Append(testsupport::ReadRawFixture("graphics", f.name), f.type, f.name, 5);
        pictures.push_back(f.sha256);
    }
    ASSERT_EQ(pictures.size(), 2u);
    const fs::path image = dir / "pictures.img";
    std::ofstream(image, std::ios::binary)
        .write(reinterpret_cast<const char*>(disk.Bytes().data()), std::streamsize(disk.Bytes().size()));

    const e2e::HarnessRun raw = e2e::RunHarness("raw", image, dir / "raw");
    ASSERT_EQ(raw.exitCode, 0) << raw.output;
    const e2e::HarnessRun format = e2e::RunHarness("format", image, dir / "format");
    EXPECT_EQ(format.exitCode, 0) << format.output;
    EXPECT_NE(format.output.find("saved 2 files, 0 failed"), std::string::npos) << format.output;
    const std::map<std::string, std::string> saved = e2e::SavedSha256(dir / "format");
    EXPECT_EQ(saved, e2e::SavedSha256(dir / "raw"));
    for (const std::string& sha : pictures)
        EXPECT_EQ(std::count_if(saved.begin(), saved.end(), [&](const auto& file) { return file.second == sha; }), 1)
            << sha;
}
