// End to end through "salvix-e2e raw": a disk composed of every committed RAW fixture at sector offsets in
// random filler, with 512- and 4096-byte sectors, gives every file back byte-exact under its type's extension.
#include "core/filetypes/RawTypeTable.h"
#include "tests/e2e/tests/HarnessRun.h"
#include "tests/support/RawImageComposer.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <map>
#include <string>
#include <vector>

namespace fs = std::filesystem;
using testsupport::RawImageComposer;
using testsupport::RawPlacedFile;

namespace {

const char* const kFamilies[] = {"archive", "ends", "graphics", "header", "media", "office", "photo", "text"};

struct Fixture {
    std::string name;
    int type = 0;
    uint64_t size = 0;
    std::string sha256;
    std::vector<uint8_t> bytes;
};

std::vector<uint8_t> LoadFixture(const std::string& family, const std::string& name)
{
    if (!name.ends_with(".xz")) return testsupport::ReadRawFixture(family, name);
    const std::string path = std::string(SALVIX_SOURCE_DIR) + "/tests/fixtures/raw/" + family + "/" + name;
    std::vector<uint8_t> bytes;
    FILE* pipe = popen(("xz -dc '" + path + "'").c_str(), "r");
    if (pipe == nullptr) return bytes;
    uint8_t buffer[65536];
    for (size_t n; (n = fread(buffer, 1, sizeof buffer, pipe)) > 0;) bytes.insert(bytes.end(), buffer, buffer + n);
    if (pclose(pipe) != 0) bytes.clear();
    return bytes;
}

std::vector<Fixture> AllFixtures()
{
    std::vector<Fixture> out;
    for (const char* family : kFamilies)
        for (const testsupport::RawFixture& f : testsupport::ReadRawFixtureManifest(family)) {
            Fixture x{f.name, f.type, f.size, f.sha256, LoadFixture(family, f.name)};
            EXPECT_FALSE(x.bytes.empty()) << f.name;
            out.push_back(std::move(x));
        }
    return out;
}

std::string Upper(std::string s)
{
    for (char& c : s) c = char(std::toupper(static_cast<unsigned char>(c)));
    return s;
}

std::string RunHarness(const fs::path& image, const fs::path& out, int sectorSize, const std::string& env = {})
{
    const e2e::HarnessRun run =
        e2e::RunHarness("raw", image, out, env + " SALVIX_E2E_SECTOR_SIZE=" + std::to_string(sectorSize));
    EXPECT_EQ(run.exitCode, 0) << run.output;
    return run.output;
}

// The saved files by SHA-256, with their extensions.
std::multimap<std::string, std::string> SavedFiles(const fs::path& out)
{
    std::multimap<std::string, std::string> saved;
    for (const auto& entry : fs::recursive_directory_iterator(out)) {
        if (!entry.is_regular_file()) continue;
        std::ifstream in(entry.path(), std::ios::binary);
        const std::vector<uint8_t> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        std::string ext = entry.path().extension().string();
        saved.emplace(testsupport::Sha256Hex(bytes), Upper(ext.empty() ? ext : ext.substr(1)));
    }
    return saved;
}

void ExpectEveryFixtureBack(int32_t sectorSize)
{
    SCOPED_TRACE(sectorSize);
    const std::vector<Fixture> fixtures = AllFixtures();
    // 96 MiB: more blocks than the scan's ring holds, so hits are measured both from the ring and afterwards.
    const uint64_t bytes = 96ull << 20;
    RawImageComposer disk(bytes / uint64_t(sectorSize), sectorSize, RawImageComposer::Filler::Random, 11);
    const uint64_t spacing = (bytes / uint64_t(sectorSize)) / (fixtures.size() + 1);
    for (size_t i = 0; i < fixtures.size(); ++i) {
        const RawPlacedFile& placed =
            disk.Place(1 + i * spacing, fixtures[i].bytes, fixtures[i].type, fixtures[i].name);
        // An Access database ends at a page whose first byte is 0; random filler would continue it.
        if (fixtures[i].type == 37 || fixtures[i].type == 72) {
            const uint64_t end = placed.startSector * uint64_t(sectorSize) + placed.size;
            std::fill_n(disk.Bytes().begin() + ptrdiff_t(end), 8192, 0);
        }
    }
    testsupport::TempDir dir;
    const fs::path image = dir / "composed.img";
    {
        std::ofstream out(image, std::ios::binary);
        out.write(reinterpret_cast<const char*>(disk.Bytes().data()), std::streamsize(disk.Bytes().size()));
    }
    const std::string output = RunHarness(image, dir / "out", sectorSize);
    EXPECT_NE(output.find("saved "), std::string::npos) << output;
    EXPECT_NE(output.find(", 0 failed"), std::string::npos) << output;

    const auto saved = SavedFiles(dir / "out");
    size_t exact = 0, expected = 0;
    for (const Fixture& f : fixtures) {
        ++expected;
        SCOPED_TRACE(f.name);
        const auto [first, last] = saved.equal_range(f.sha256);
        bool found = false, named = false;
        for (auto it = first; it != last; ++it) {
            found = true;
            named |= it->second == GetRawTypeName(f.type);
        }
        EXPECT_TRUE(found);
        EXPECT_TRUE(named) << "extension " << (found ? first->second : "") << " for type " << f.type;
        exact += found && named;
    }
    // No extra pieces: nothing else is saved (no member of an archive, no cut-off part of a file).
    EXPECT_EQ(saved.size(), fixtures.size());
    for (const auto& [sha, ext] : saved) {
        bool placed = false;
        for (const Fixture& f : fixtures) placed |= f.sha256 == sha;
        EXPECT_TRUE(placed) << "an extra ." << ext << " file";
    }
    std::printf("[ RAW e2e ] %d-byte sectors: %zu of %zu files byte-exact with their extension, %zu saved\n",
                sectorSize, exact, expected, saved.size());
}

} // namespace

TEST(RawRecoveryE2E, EveryFixtureComesBackByteExact512)
{
    ExpectEveryFixtureBack(512);
}

TEST(RawRecoveryE2E, EveryFixtureComesBackByteExact4096)
{
    ExpectEveryFixtureBack(4096);
}

// A header script in the data folder makes its own type: found by the scan, saved at the size it gives.
TEST(RawRecoveryE2E, HeaderScriptTypeComesBackAtItsSize)
{
    testsupport::TempDir dir;
    fs::create_directories(dir / "data/CustomFileScript");
    std::ofstream(dir / "data/CustomFileScript/custom.fhs", std::ios::binary)
        << "REMARK: a made-up format\r\nFILEINFO: EXTNAME=\"QXF\" SIZE=0x1000\r\n"
           "FILESIGN: OFFSET=0x0 TYPE=CHAR VALUE=\"SALVIX-QXF-FILE!\"\r\n"
           "FILESIGN: OFFSET=0x10 TYPE=BYTE VALUE=0x00,0x01,0xFE";
    std::vector<uint8_t> file(4096);
    for (size_t i = 0; i < file.size(); ++i) file[i] = uint8_t(i * 31 + 7);
    const char magic[] = "SALVIX-QXF-FILE!";
    std::copy(magic, magic + 16, file.begin());
    file[16] = 0, file[17] = 1, file[18] = 0xFE;
    RawImageComposer disk(4096, 512, RawImageComposer::Filler::Random, 3);
    disk.Place(100, file, 1000, "custom.qxf");
    disk.Place(3000, file, 1000, "custom2.qxf");
    const fs::path image = dir / "custom.img";
    std::ofstream(image, std::ios::binary)
        .write(reinterpret_cast<const char*>(disk.Bytes().data()), std::streamsize(disk.Bytes().size()));

    const std::string output = RunHarness(image, dir / "out", 512, "SALVIX_DATA_DIR='" + (dir / "data").string() + "'");
    EXPECT_NE(output.find("saved 2 files, 0 failed"), std::string::npos) << output;
    const auto saved = SavedFiles(dir / "out");
    ASSERT_EQ(saved.count(testsupport::Sha256Hex(file)), 2u);
    EXPECT_EQ(saved.find(testsupport::Sha256Hex(file))->second, "QXF");
}
