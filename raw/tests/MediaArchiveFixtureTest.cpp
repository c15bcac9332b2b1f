// Real MP3, MP4, QuickTime, 3GP, TAR and LZH files (made by tests/fixtures/make_raw_fixtures_media.sh and
// _archive.sh) and a byte-built RAR: each measured exactly alone and on composed disks found by a scan; then
// damaged and random inputs, which must end with sizes inside the device after a bounded walk.
#include "raw/File3GPAnalyser.h"
#include "raw/FileLZHAnalyser.h"
#include "raw/FileMOVAnalyser.h"
#include "raw/FileMP3Analyser.h"
#include "raw/FileMP4Analyser.h"
#include "raw/FileRARAnalyser.h"
#include "raw/FileTARAnalyser.h"
#include "raw/RawAnalyserList.h"
#include "raw/RawSectorMatcher.h"
#include "raw/RawWalk.h"

#include "core/CRecoverySettings.h"
#include "filesystems/tree/CRawFileInfo.h"
#include "tests/support/RawImageComposer.h"

#include <gtest/gtest.h>

#include <cstring>
#include <map>
#include <memory>
#include <random>
#include <string>
#include <vector>

using testsupport::MemoryDevice;
using testsupport::RawImageComposer;

namespace {

using Bytes = std::vector<uint8_t>;

struct Sample {
    std::string family;
    std::string name;
    int type = 0;
    uint64_t size = 0;
    Bytes bytes;
};

// A RAR archive as the block format lays it out: marker, archive header, two file headers with their data, a
// comment block and the end block.
Bytes MakeRar()
{
    Bytes a = {0x52, 0x61, 0x72, 0x21, 0x1A, 0x07, 0x00};
    auto block = [&a](uint8_t type, uint16_t flags, const Bytes& fields, uint32_t dataSize) {
        const uint16_t headerSize = uint16_t(7 + fields.size());
        a.push_back(0x12), a.push_back(0x34);
        a.push_back(type);
        a.push_back(uint8_t(flags)), a.push_back(uint8_t(flags >> 8));
        a.push_back(uint8_t(headerSize)), a.push_back(uint8_t(headerSize >> 8));
        a.insert(a.end(), fields.begin(), fields.end());
        for (uint32_t i = 0; i < dataSize; ++i) a.push_back(uint8_t(i * 31 + 7));
    };
    auto le32 = [](uint32_t v) { return Bytes{uint8_t(v), uint8_t(v >> 8), uint8_t(v >> 16), uint8_t(v >> 24)}; };
    block(0x73, 0, Bytes(6, 0), 0); // archive header: 13 bytes
    auto file = [&](const std::string& name, uint32_t packed, uint32_t unpacked) {
        Bytes f = le32(packed);
        const Bytes u = le32(unpacked);
        f.insert(f.end(), u.begin(), u.end());
        f.push_back(2);                                    // host system
        for (int i = 0; i < 4; ++i) f.push_back(0xAB);     // file CRC
        for (int i = 0; i < 4; ++i) f.push_back(0x50);     // time
        f.push_back(29), f.push_back(0x30);                // version, method
        f.push_back(uint8_t(name.size())), f.push_back(0); // name length
        for (int i = 0; i < 4; ++i) f.push_back(0x20);     // attributes
        f.insert(f.end(), name.begin(), name.end());
        block(0x74, 0x8000, f, packed);
    };
    file("notes.txt", 700, 1500);
    file("data.bin", 3000, 3000);
    block(0x75, 0, Bytes{20, 0, 0x1D, 0, 0, 0}, 20); // comment: 20 bytes after its header
    const uint8_t end[7] = {0xC4, 0x3D, 0x7B, 0x00, 0x40, 0x07, 0x00};
    a.insert(a.end(), std::begin(end), std::end(end));
    return a;
}

std::vector<Sample> LoadSamples()
{
    std::vector<Sample> out;
    for (const char* family : {"media", "archive"}) {
        for (const auto& f : testsupport::ReadRawFixtureManifest(family)) {
            Sample s{family, f.name, f.type, f.size, testsupport::ReadRawFixture(family, f.name)};
            EXPECT_EQ(testsupport::Sha256Hex(s.bytes), f.sha256) << f.name;
            out.push_back(std::move(s));
        }
    }
    Sample rar{"archive", "byte-built.rar", 54, 0, MakeRar()};
    rar.size = rar.bytes.size();
    out.push_back(std::move(rar));
    return out;
}

const std::vector<Sample>& Samples()
{
    static const std::vector<Sample> samples = LoadSamples();
    return samples;
}

std::unique_ptr<IRawFileAnalyser> AnalyserFor(int type)
{
    switch (type) {
    case 41: return std::make_unique<FileMP3Analyser>();
    case 42: return std::make_unique<FileMP4Analyser>();
    case 40: return std::make_unique<FileMOVAnalyser>();
    case 2: return std::make_unique<File3GPAnalyser>();
    case 54: return std::make_unique<FileRARAnalyser>();
    case 59: return std::make_unique<FileTARAnalyser>();
    case 34: return std::make_unique<FileLZHAnalyser>();
    default: return nullptr;
    }
}

// The file padded with zeros to whole sectors, as file systems leave the slack of a file's last sector.
Bytes Padded(const Bytes& bytes, size_t sectorSize)
{
    Bytes b = bytes;
    b.resize((b.size() + sectorSize - 1) / sectorSize * sectorSize, 0);
    return b;
}

struct Found {
    int type;
    uint64_t size;
    std::string prefix;
    std::string extra;
};

// The signature scan in short: every sector offered to the list of all types in id order; a match without a
// size from its header is measured by its analyser.
std::map<uint64_t, Found> Scan(IStorageDevice& device)
{
    RawAnalyserList list;
    std::vector<int> ids;
    for (int id = 1; id <= 73; ++id) ids.push_back(id);
    list.ResetFromTypeIds(&ids);
    RawSectorMatcher matcher(list);
    std::map<uint64_t, Found> found;
    Bytes sector(size_t(device.GetSectorSize()));
    for (uint64_t s = 0; s < device.GetSectorCount(); ++s) {
        if (!device.ReadSectors(sector.data(), s, 1)) continue;
        CRawFileInfo hit;
        IRawFileAnalyser* analyser = matcher.Match(sector.data(), &hit);
        if (analyser == nullptr) continue;
        hit.SetStartSector(s);
        CapRawHitSize(&hit, &device);
        if (hit.GetSize() == 0) analyser->Analyse(&hit, &device);
        found[s] = {hit.GetFileType(), hit.GetSize(), hit.GetNamePrefix(), hit.GetExtraText()};
    }
    return found;
}

void ExpectFound(const std::map<uint64_t, Found>& found, const testsupport::RawPlacedFile& placed, uint64_t size)
{
    SCOPED_TRACE(placed.name);
    const auto it = found.find(placed.startSector);
    ASSERT_NE(it, found.end());
    EXPECT_EQ(it->second.type, placed.type);
    EXPECT_EQ(it->second.size, size);
}

class MediaArchiveFixtureTest : public ::testing::Test {
protected:
    void TearDown() override { GetRecoverySettings()->m_maxRawFileSize = CRecoverySettings::kDefaultMaxRawFileSize; }
};

} // namespace

TEST_F(MediaArchiveFixtureTest, EveryFileMeasuredExactlyAtTheDeviceEndAndBeforeZeros)
{
    ASSERT_EQ(Samples().size(), 15u);
    for (const Sample& s : Samples()) {
        SCOPED_TRACE(s.name);
        ASSERT_EQ(s.bytes.size(), s.size);
        for (size_t trailing : {size_t(0), size_t(64 * 1024)}) {
            for (int32_t sectorSize : {512, 4096}) {
                Bytes disk = Padded(s.bytes, size_t(sectorSize));
                disk.resize(disk.size() + trailing, 0);
                MemoryDevice device(std::move(disk), sectorSize);
                CRawFileInfo hit;
                auto analyser = AnalyserFor(s.type);
                ASSERT_NE(analyser->IsMatch(device.Sector(0), &hit), 0);
                EXPECT_EQ(hit.GetFileType(), s.type);
                EXPECT_EQ(analyser->Analyse(&hit, &device), 1);
                // A tar archive takes the zeros that fill its last 10,240-byte record, as GNU tar writes it.
                uint64_t size = s.size;
                if (s.type == 59 && trailing != 0) size = (size + 10239) / 10240 * 10240;
                EXPECT_EQ(hit.GetSize(), size) << "sector size " << sectorSize << ", trailing " << trailing;
            }
        }
    }
}

TEST_F(MediaArchiveFixtureTest, Mp3TitlesAndYearsFromEachTagVersion)
{
    const std::map<std::string, std::pair<std::string, std::string>> expected = {
        {"id3v23_v1.mp3", {"Probe Tone", "2019"}},
        {"id3v23_utf16.mp3", {"Caf\xC3\xA9 M\xC3\xBCller", "2021"}},
        {"id3v24.mp3",
         {"Gr\xC3\xBC\xC3\x9F"
          "e aus K\xC3\xB6ln",
          "2024"}},
    };
    for (const Sample& s : Samples()) {
        const auto it = expected.find(s.name);
        if (it == expected.end()) continue;
        SCOPED_TRACE(s.name);
        MemoryDevice device(Padded(s.bytes, 512));
        CRawFileInfo hit;
        FileMP3Analyser analyser;
        ASSERT_EQ(analyser.Analyse(&hit, &device), 1);
        EXPECT_EQ(hit.GetNamePrefix(), it->second.first);
        EXPECT_EQ(hit.GetExtraText(), it->second.second);
        EXPECT_EQ(analyser.GetNamePrefix(), it->second.first);
    }
}

TEST_F(MediaArchiveFixtureTest, AScanOfAComposedDiskFindsEveryFile)
{
    RawImageComposer disk(2048);
    std::vector<std::pair<testsupport::RawPlacedFile, uint64_t>> placed;
    for (const Sample& s : Samples()) placed.emplace_back(disk.Append(Padded(s.bytes, 512), s.type, s.name, 3), s.size);
    auto device = disk.MakeDevice();
    const auto found = Scan(*device);
    for (const auto& [file, size] : placed) ExpectFound(found, file, size);
    EXPECT_EQ(found.at(placed[0].first.startSector).prefix, "Probe Tone");
}

TEST_F(MediaArchiveFixtureTest, FilesAmongRandomBytesOn4096ByteSectors)
{
    // After an MP3's last frame the walk looks for more frames in whatever follows: sync bytes in the random
    // filler must not extend the file.
    RawImageComposer disk(400, 4096, RawImageComposer::Filler::Random, 7);
    std::vector<std::pair<testsupport::RawPlacedFile, uint64_t>> placed;
    for (const Sample& s : Samples())
        placed.emplace_back(disk.Append(Padded(s.bytes, 4096), s.type, s.name, 2), s.size);
    auto device = disk.MakeDevice();
    const auto found = Scan(*device);
    for (const auto& [file, size] : placed) ExpectFound(found, file, size);
}

namespace {

// Step-hook calls of the walks, to see that each walk ends after a bounded number of steps.
struct StepCounter {
    uint64_t calls = 0;
    static void Hook(void* self) { ++static_cast<StepCounter*>(self)->calls; }
};

// Runs the analyser on the disk and checks what every walk must give, whatever the bytes: a size within the
// device, reads and steps bounded by the device's size.
void ExpectSaneWalk(IRawFileAnalyser& analyser, Bytes disk, int32_t sectorSize, const std::string& what)
{
    SCOPED_TRACE(what);
    disk.resize((disk.size() + size_t(sectorSize) - 1) / size_t(sectorSize) * size_t(sectorSize), 0);
    const uint64_t deviceBytes = disk.size();
    MemoryDevice device(std::move(disk), sectorSize);
    StepCounter steps;
    ScopedRawWalkStepHook hook(&StepCounter::Hook, &steps);
    CRawFileInfo hit;
    const int result = analyser.Analyse(&hit, &device);
    EXPECT_TRUE(result == 0 || result == 1);
    EXPECT_LE(hit.GetSize(), deviceBytes);
    if (result == 0) {
        EXPECT_EQ(hit.GetSize(), 0u);
    }
    // Every step visits at least one new byte of the device (the MP3 walk: at most 64 KiB past the last frame).
    EXPECT_LE(steps.calls, deviceBytes + 65536);
    EXPECT_LE(device.ReadCount(), 2 * (deviceBytes / uint64_t(sectorSize) + 1) + 64);
}

} // namespace

TEST_F(MediaArchiveFixtureTest, DamagedFilesEndInsideTheDevice)
{
    std::mt19937 random(20261210);
    for (const Sample& s : Samples()) {
        auto analyser = AnalyserFor(s.type);
        for (int round = 0; round < 60; ++round) {
            Bytes disk = Padded(s.bytes, 512);
            disk.resize(disk.size() + 8192, 0);
            // A few bytes changed, most often in the headers near the start.
            const int changes = 1 + int(random() % 8);
            for (int c = 0; c < changes; ++c) {
                const size_t span = random() % 2 ? 512 : s.bytes.size();
                disk[random() % span] = uint8_t(random());
            }
            // Some rounds also cut the device inside the file.
            if (round % 4 == 3) disk.resize(std::max<size_t>(512, (random() % s.bytes.size()) / 512 * 512));
            ExpectSaneWalk(*analyser, std::move(disk), 512, s.name + " round " + std::to_string(round));
        }
    }
}

TEST_F(MediaArchiveFixtureTest, RandomBytesBehindEachSignature)
{
    struct Start {
        int type;
        Bytes head;
        size_t at;
    };
    const Start starts[] = {
        {41, {'I', 'D', '3', 3, 0, 0, 0, 0, 0, 0x20}, 0},
        {42, {0, 0, 0, 24, 'f', 't', 'y', 'p', 'i', 's', 'o', 'm'}, 0},
        {40, {0, 0, 0, 20, 'f', 't', 'y', 'p', 'q', 't', ' ', ' '}, 0},
        {2, {0, 0, 0, 20, 'f', 't', 'y', 'p', '3', 'g', 'p', '4'}, 0},
        {54, {0x52, 0x61, 0x72, 0x21, 0x1A, 0x07, 0x00}, 0},
        {59, {'u', 's', 't', 'a', 'r'}, 257},
        {34, {'-', 'l', 'h', '5', '-'}, 2},
    };
    std::mt19937 random(4242);
    for (const Start& start : starts) {
        auto analyser = AnalyserFor(start.type);
        for (int round = 0; round < 40; ++round) {
            Bytes disk(size_t(64 + random() % 192) * 512);
            // Random bytes, or bytes drawn from a few values so that lengths, markers and sync bytes recur.
            const bool skewed = round % 2 == 1;
            const uint8_t pool[] = {0x00, 0xFF, 0xFB, 0x90, 0x08, 0x74, 0x30, 'm', 'd', 'a', 't', 0x01};
            for (uint8_t& b : disk) b = skewed ? pool[random() % sizeof pool] : uint8_t(random());
            std::copy(start.head.begin(), start.head.end(), disk.begin() + long(start.at));
            ExpectSaneWalk(*analyser, std::move(disk), round % 3 == 2 ? 4096 : 512,
                           "type " + std::to_string(start.type) + " round " + std::to_string(round));
        }
    }
}

TEST_F(MediaArchiveFixtureTest, AtomsOfEightBytesUpToTheSizeBoundEnd)
{
    // The shortest atoms over a whole device: the QuickTime walk (no atom limit) stops at the size bound.
    GetRecoverySettings()->m_maxRawFileSize = 1 << 20;
    Bytes disk(4 << 20);
    for (size_t at = 0; at + 8 <= disk.size(); at += 8) {
        disk[at + 3] = 8;
        std::memcpy(disk.data() + at + 4, "free", 4);
    }
    FileMOVAnalyser mov;
    MemoryDevice device(std::move(disk));
    CRawFileInfo hit;
    EXPECT_EQ(mov.Analyse(&hit, &device), 1);
    EXPECT_EQ(hit.GetSize(), 1u << 20);
}
