// The exported-state container: its stored bytes and checksum, round trips, and damaged or hostile
// containers that must leave the state folder as it was.
#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include <fcntl.h>
#include <unistd.h>

#include "storage/recoverystate/CMBKArchive.h"
#include "storage/recoverystate/tests/RSStreamFixture.h"
#include "tests/support/TempDir.h"

using namespace rstest;
namespace fs = std::filesystem;

namespace {

// CRC-32, polynomial 0x1770, MSB first, initial 0, no final XOR; bit by bit, apart from the table code.
uint32_t BitwiseCrc32(const uint8_t* data, size_t n)
{
    uint32_t crc = 0;
    for (size_t i = 0; i < n; ++i) {
        crc ^= uint32_t(data[i]) << 24;
        for (int b = 0; b < 8; ++b) crc = (crc & 0x80000000u) ? (crc << 1) ^ 0x1770u : crc << 1;
    }
    return crc;
}

void Put(std::vector<uint8_t>& v, size_t at, uint64_t x, int bytes)
{
    for (int i = 0; i < bytes; ++i) v[at + size_t(i)] = uint8_t(x >> (8 * i));
}

std::map<std::string, std::vector<uint8_t>> Folder(const fs::path& folder)
{
    std::map<std::string, std::vector<uint8_t>> files;
    for (const auto& e : fs::directory_iterator(folder))
        files[e.path().filename().string()] = e.is_directory() ? std::vector<uint8_t>{} : ReadAll(e.path());
    return files;
}

std::vector<uint8_t> Bytes(size_t n, uint32_t seed)
{
    std::vector<uint8_t> v(n);
    for (size_t i = 0; i < n; ++i) v[i] = uint8_t((i * 2654435761u + seed) >> 13);
    return v;
}

struct Archive {
    std::vector<unsigned> messages;
    CMBKArchive Make()
    {
        return CMBKArchive(false, [this](unsigned id) { messages.push_back(id); });
    }
};

TEST(CMBKArchive, ChecksumOfAbc)
{
    const uint8_t abc[] = {'a', 'b', 'c'};
    EXPECT_EQ(BitwiseCrc32(abc, 3), 0x226B8FC0u);
}

// Two state files (one of exactly 4096 bytes, one longer than a piece) and files that are not state files:
// the container byte for byte, and its import into an empty folder.
TEST(CMBKArchive, StoredBytesAndRoundTrip)
{
    testsupport::TempDir dir;
    const fs::path source = dir / "source";
    fs::create_directories(source / "sub.rdf");
    const auto cs = Bytes(4096, 1);
    const auto lps = Bytes(9000, 2);
    WriteAll(source / "cstemp.rdf", cs);
    WriteAll(source / "lpslast.RDF", lps);
    WriteAll(source / "notes.txt", {1, 2, 3});
    fs::create_symlink(source / "cstemp.rdf", source / "link.rdf");

    Archive a;
    CMBKArchive archive = a.Make();
    ASSERT_TRUE(archive.ScanFolder(source));
    ASSERT_EQ(archive.GetEntries().size(), 2u);
    const std::string container = (dir / "out.rsf").string();
    ASSERT_TRUE(archive.Pack(container.c_str()));

    const size_t block = 312 + 2 * 280;
    std::vector<uint8_t> golden(block, 0);
    std::memcpy(golden.data(), "CMBK", 4);
    Put(golden, 8, 5800, 4);
    Put(golden, 16, block + cs.size() + lps.size(), 8);
    Put(golden, 24, 2, 8);
    std::memcpy(golden.data() + 32, "cstemp.rdf", 10);
    Put(golden, 32 + 264, cs.size(), 8);
    Put(golden, 32 + 272, block, 8);
    std::memcpy(golden.data() + 312, "lpslast.RDF", 11);
    Put(golden, 312 + 264, lps.size(), 8);
    Put(golden, 312 + 272, block + cs.size(), 8);
    uint32_t sum = BitwiseCrc32(golden.data(), golden.size()) + BitwiseCrc32(cs.data(), 4096);
    for (size_t at = 0; at < lps.size(); at += 4096)
        sum += BitwiseCrc32(lps.data() + at, std::min<size_t>(4096, lps.size() - at));
    Put(golden, 4, sum, 4);
    golden.insert(golden.end(), cs.begin(), cs.end());
    golden.insert(golden.end(), lps.begin(), lps.end());
    EXPECT_EQ(ReadAll(container), golden);
    EXPECT_EQ(Folder(dir.path()).count("out.rsf"), 1u); // no temporary file left beside it
    EXPECT_EQ(Folder(dir.path()).size(), 2u);

    const fs::path target = dir / "target";
    fs::create_directories(target);
    WriteAll(target / "cstemp.rdf", {9, 9});
    CMBKArchive importer = a.Make();
    importer.SetFolder(target);
    ASSERT_TRUE(importer.Unpack(container.c_str()));
    const auto files = Folder(target);
    ASSERT_EQ(files.size(), 2u);
    EXPECT_EQ(files.at("cstemp.rdf"), cs);
    EXPECT_EQ(files.at("lpslast.RDF"), lps);
    EXPECT_TRUE(a.messages.empty());
}

TEST(CMBKArchive, EmptyFolderPacksTheHeadAlone)
{
    testsupport::TempDir dir;
    fs::create_directories(dir / "empty");
    Archive a;
    CMBKArchive archive = a.Make();
    ASSERT_TRUE(archive.ScanFolder(dir / "empty"));
    const std::string container = (dir / "e.rsf").string();
    ASSERT_TRUE(archive.Pack(container.c_str()));
    EXPECT_EQ(ReadAll(container).size(), 312u);
    CMBKArchive importer = a.Make();
    importer.SetFolder(dir / "empty");
    EXPECT_TRUE(importer.Unpack(container.c_str()));
    EXPECT_TRUE(Folder(dir / "empty").empty());
}

// Export: a file that shrank since the folder was listed fails (the offsets of the files after it would
// be wrong); one that grew is packed for the size listed; more than ten files are refused. A failed export
// leaves the file already at the path as it was.
TEST(CMBKArchive, PackCopiesExactlyTheListedSizes)
{
    testsupport::TempDir dir;
    const fs::path source = dir / "source";
    fs::create_directories(source);
    WriteAll(source / "a.rdf", Bytes(5000, 3));
    WriteAll(source / "b.rdf", Bytes(100, 4));
    const std::string container = (dir / "out.rsf").string();
    WriteAll(container, {7, 7, 7});

    Archive a;
    CMBKArchive shrunk = a.Make();
    ASSERT_TRUE(shrunk.ScanFolder(source));
    WriteAll(source / "a.rdf", Bytes(4000, 3));
    EXPECT_FALSE(shrunk.Pack(container.c_str()));
    EXPECT_EQ(ReadAll(container), (std::vector<uint8_t>{7, 7, 7}));
    EXPECT_EQ(Folder(dir.path()).size(), 2u);

    CMBKArchive grown = a.Make();
    ASSERT_TRUE(grown.ScanFolder(source));
    WriteAll(source / "a.rdf", Bytes(6000, 3));
    ASSERT_TRUE(grown.Pack(container.c_str()));
    EXPECT_EQ(ReadAll(container).size(), 312 + 2 * 280 + 4000 + 100u);
    const fs::path target = dir / "target";
    fs::create_directories(target);
    CMBKArchive importer = a.Make();
    importer.SetFolder(target);
    ASSERT_TRUE(importer.Unpack(container.c_str()));
    EXPECT_EQ(ReadAll(target / "a.rdf"), Bytes(4000, 3));
    EXPECT_EQ(ReadAll(target / "b.rdf"), Bytes(100, 4));

    for (int i = 0; i < 9; ++i) WriteAll(source / ("x" + std::to_string(i) + ".rdf"), {1});
    CMBKArchive eleven = a.Make();
    ASSERT_TRUE(eleven.ScanFolder(source));
    EXPECT_EQ(eleven.GetEntries().size(), 11u);
    EXPECT_FALSE(eleven.Pack(container.c_str()));
    EXPECT_EQ(ReadAll(container).size(), 312 + 2 * 280 + 4000 + 100u);
}

// Crafted containers: each is refused with the mismatch message, or silently when it cannot be opened,
// and the folder keeps exactly what it had.
TEST(CMBKArchive, HostileAndDamagedContainersChangeNothing)
{
    testsupport::TempDir dir;
    const fs::path source = dir / "source";
    fs::create_directories(source);
    WriteAll(source / "cstemp.rdf", Bytes(300, 5));
    Archive a;
    CMBKArchive packer = a.Make();
    ASSERT_TRUE(packer.ScanFolder(source));
    const std::string goodPath = (dir / "good.rsf").string();
    ASSERT_TRUE(packer.Pack(goodPath.c_str()));
    const auto good = ReadAll(goodPath);

    // A container of one entry named `name`, with a correct checksum, so that only the name is at fault.
    auto named = [&](const std::string& name, size_t nameBytes) {
        auto c = good;
        std::memset(c.data() + 32, 0, 260);
        std::memcpy(c.data() + 32, name.data(), std::min(name.size(), nameBytes));
        std::memset(c.data() + 4, 0, 4);
        uint32_t sum = BitwiseCrc32(c.data(), 592) + BitwiseCrc32(c.data() + 592, 300);
        Put(c, 4, sum, 4);
        return c;
    };
    auto patched = [&](size_t at, uint64_t value, int bytes) {
        auto c = good;
        Put(c, at, value, bytes);
        return c;
    };
    auto eleven = good;
    Put(eleven, 24, 11, 8);
    eleven.resize(312 + 11 * 280 + 300, 0);
    std::vector<uint8_t> longName(260, 'a');
    const struct Row {
        const char* name;
        std::vector<uint8_t> bytes;
        bool message;
    } rows[] = {
        {"name leaving the folder", named("../escaped.rdf", 260), true},
        {"absolute name", named("/tmp/abs.rdf", 260), true},
        {"name of another kind of file", named("cstemp.txt", 260), true},
        {"name not terminated", named(std::string(260, 'a'), 260), true},
        {"empty name", named("", 260), true},
        {"eleven entries", eleven, true},
        {"count with high bits", patched(24, 1ull << 32 | 1, 8), true},
        {"wrong magic", patched(0, 0x4B424D44, 4), true},
        {"bytes altered after the head", patched(good.size() - 1, good.back() ^ 1, 1), true},
        {"entry offset beyond the total", patched(32 + 272, good.size() + 1, 8), true},
        {"entry size beyond the total", patched(32 + 264, 301, 8), true},
        {"entry inside the head", patched(32 + 272, 100, 8), true},
        {"total beyond the file", patched(16, good.size() + 1, 8), true},
        {"cut short", std::vector<uint8_t>(good.begin(), good.end() - 1), true},
        {"shorter than a head", std::vector<uint8_t>(good.begin(), good.begin() + 100), true},
    };
    const fs::path target = dir / "target";
    fs::create_directories(target);
    WriteAll(target / "cstemp.rdf", {1, 2, 3});
    const auto before = Folder(target);
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        WriteAll(dir / "bad.rsf", row.bytes);
        a.messages.clear();
        CMBKArchive importer = a.Make();
        importer.SetFolder(target);
        EXPECT_FALSE(importer.Unpack((dir / "bad.rsf").c_str()));
        EXPECT_EQ(a.messages, row.message ? std::vector<unsigned>{61239} : std::vector<unsigned>{});
        EXPECT_EQ(Folder(target), before);
        EXPECT_FALSE(fs::exists(dir / "escaped.rdf"));
        EXPECT_FALSE(fs::exists("/tmp/abs.rdf"));
    }
    a.messages.clear();
    CMBKArchive importer = a.Make();
    importer.SetFolder(target);
    EXPECT_FALSE(importer.Unpack((dir / "missing.rsf").c_str()));
    EXPECT_TRUE(a.messages.empty());
    EXPECT_FALSE(importer.Unpack(dir.path().c_str())); // a folder is not a container
}

// Every single flipped byte and every cut of a real container is refused, and the folder stays as it was.
TEST(CMBKArchive, EveryFlippedByteAndEveryTruncation)
{
    testsupport::TempDir dir;
    const fs::path source = dir / "source";
    fs::create_directories(source);
    WriteAll(source / "cstemp.rdf", Bytes(5000, 6));
    WriteAll(source / "lpstemp.rdf", Bytes(700, 7));
    Archive a;
    CMBKArchive packer = a.Make();
    ASSERT_TRUE(packer.ScanFolder(source));
    const std::string goodPath = (dir / "good.rsf").string();
    ASSERT_TRUE(packer.Pack(goodPath.c_str()));
    const auto good = ReadAll(goodPath);

    const fs::path target = dir / "target";
    fs::create_directories(target);
    WriteAll(target / "cstemp.rdf", {4, 5, 6});
    const auto before = Folder(target);
    const std::string bad = (dir / "bad.rsf").string();
    WriteAll(bad, good);
    const int fd = ::open(bad.c_str(), O_RDWR | O_CLOEXEC);
    ASSERT_GE(fd, 0);
    for (size_t at = 0; at < good.size(); ++at) {
        const uint8_t flipped = uint8_t(good[at] ^ 0xFF);
        ASSERT_EQ(::pwrite(fd, &flipped, 1, off_t(at)), 1);
        CMBKArchive importer = a.Make();
        importer.SetFolder(target);
        const bool ok = importer.Unpack(bad.c_str());
        ASSERT_EQ(::pwrite(fd, &good[at], 1, off_t(at)), 1);
        // The reserved bytes of an entry and of the head are covered by the checksum too.
        ASSERT_FALSE(ok) << at;
    }
    for (size_t cut = good.size(); cut-- > 0;) {
        ASSERT_EQ(::ftruncate(fd, off_t(cut)), 0);
        CMBKArchive importer = a.Make();
        importer.SetFolder(target);
        ASSERT_FALSE(importer.Unpack(bad.c_str())) << cut;
    }
    ::close(fd);
    EXPECT_EQ(Folder(target), before);
    EXPECT_EQ(a.messages.size(), 2 * good.size());
}

TEST(CMBKArchive, StateFileNames)
{
    for (const char* name : {"cstemp.rdf", "LPSLAST.RDF", "a b.rdf", ".rdf"})
        EXPECT_TRUE(CMBKArchive::IsStateFileName(name)) << name;
    for (const char* name : {"", ".", "..", "a.rdf.txt", "../a.rdf", "a/b.rdf", "a\\b.rdf", "a\n.rdf", "rdf"})
        EXPECT_FALSE(CMBKArchive::IsStateFileName(name)) << name;
    EXPECT_FALSE(CMBKArchive::IsStateFileName(std::string(256, 'a') + ".rdf"));
}

} // namespace
