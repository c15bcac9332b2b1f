// Real files of the text, image and media formats (made by the fixture scripts) and the byte-built ones:
// each is matched by its signature and measured exactly, alone and on composed disks with other files around.
#include "filesystems/tree/CRawFileInfo.h"
#include "raw/RawAnalyserList.h"
#include "raw/RawSectorMatcher.h"
#include "raw/tests/ByteBuiltFiles.h"
#include "tests/support/RawImageComposer.h"

#include <gtest/gtest.h>

#include <algorithm>

using namespace walktest;
using testsupport::RawImageComposer;

namespace {

std::vector<BuiltFile> AllFiles()
{
    std::vector<BuiltFile> files;
    for (const char* family : {"text", "graphics"}) {
        const auto rows = testsupport::ReadRawFixtureManifest(family);
        EXPECT_FALSE(rows.empty()) << family;
        for (const auto& row : rows) {
            Bytes bytes = testsupport::ReadRawFixture(family, row.name);
            EXPECT_EQ(bytes.size(), row.size) << row.name;
            EXPECT_EQ(testsupport::Sha256Hex(bytes), row.sha256) << row.name;
            EXPECT_LE(bytes.size(), 65536u) << row.name;
            files.push_back({row.name, row.type, std::move(bytes)});
        }
    }
    for (BuiltFile& f : AllBuiltFiles()) files.push_back(std::move(f));
    EXPECT_GE(files.size(), 23u);
    return files;
}

const RawAnalyserList& DefaultList()
{
    static RawAnalyserList list;
    if (list.Empty()) BuildAllRawAnalysers(list);
    return list;
}

// Matches the sector through the default list and measures the hit as the scan does.
struct Measured {
    IRawFileAnalyser* analyser = nullptr;
    int type = 0;
    uint64_t size = 0;
    int result = 0;
};
Measured MatchAndMeasure(IStorageDevice& device, uint64_t sector, const uint8_t* bytes)
{
    const RawSectorMatcher matcher(DefaultList());
    CRawFileInfo hit;
    Measured m;
    m.analyser = matcher.Match(bytes, &hit);
    if (!m.analyser) return m;
    hit.SetStartSector(sector);
    if (hit.GetSize() == 0) m.result = m.analyser->Analyse(&hit, &device);
    m.type = hit.GetFileType();
    m.size = hit.GetSize();
    return m;
}

void ExpectComposedDiskMeasured(RawImageComposer::Filler filler, int32_t sectorSize)
{
    const std::vector<BuiltFile> files = AllFiles();
    RawImageComposer disk(1200 * 512 / sectorSize, sectorSize, filler, 7);
    for (const BuiltFile& f : files) {
        // After an Access file the next page's first byte must be 0 for it to end: random filler continues it.
        if (filler == RawImageComposer::Filler::Random && (f.type == 37 || f.type == 72)) continue;
        disk.Append(f.bytes, f.type, f.name, 3);
    }
    auto device = disk.MakeDevice();
    // Every sector offered as the scan does: each file is found at its first sector and measured exactly;
    // nothing is found in zero filler.
    size_t found = 0;
    for (uint64_t sector = 0; sector < disk.SectorCount(); ++sector) {
        const uint8_t* bytes = disk.Bytes().data() + sector * sectorSize;
        const auto placed = std::find_if(disk.Files().begin(), disk.Files().end(), [&](const auto& f) {
            return sector >= f.startSector && (sector - f.startSector) * sectorSize < f.size;
        });
        if (placed == disk.Files().end()) {
            if (filler == RawImageComposer::Filler::Zero) {
                EXPECT_EQ(MatchAndMeasure(*device, sector, bytes).analyser, nullptr) << sector;
            }
            continue;
        }
        if (placed->startSector != sector) continue;
        SCOPED_TRACE(placed->name);
        const Measured m = MatchAndMeasure(*device, sector, bytes);
        ASSERT_NE(m.analyser, nullptr);
        EXPECT_EQ(m.result, 1);
        EXPECT_EQ(m.type, placed->type);
        EXPECT_EQ(m.size, placed->size);
        EXPECT_EQ(disk.Sha256At(placed->startSector, m.size), placed->sha256);
        ++found;
    }
    EXPECT_EQ(found, disk.Files().size());
}

} // namespace

TEST(TextImageFixtures, EachFileAloneMeasuresExactly)
{
    for (const BuiltFile& f : AllFiles()) {
        SCOPED_TRACE(f.name);
        // The file at sector 0 of a device a little larger than it, zeros after it.
        Bytes image = f.bytes;
        image.resize((image.size() / 512 + 4) * 512, 0);
        testsupport::MemoryDevice device(image);
        const Measured m = MatchAndMeasure(device, 0, image.data());
        ASSERT_NE(m.analyser, nullptr);
        EXPECT_EQ(m.result, 1);
        EXPECT_EQ(m.type, f.type);
        EXPECT_EQ(m.size, f.bytes.size());
    }
}

TEST(TextImageFixtures, ComposedDisksMeasureEveryFile)
{
    {
        SCOPED_TRACE("zero filler, 512-byte sectors");
        ExpectComposedDiskMeasured(RawImageComposer::Filler::Zero, 512);
    }
    {
        SCOPED_TRACE("random filler, 512-byte sectors");
        ExpectComposedDiskMeasured(RawImageComposer::Filler::Random, 512);
    }
    {
        SCOPED_TRACE("zero filler, 4096-byte sectors");
        ExpectComposedDiskMeasured(RawImageComposer::Filler::Zero, 4096);
    }
}
