// Compound documents: LibreOffice's DOC, XLS and PPT, documents written with a chosen entry order, crafted
// headers for the allocation-table and DIFAT rules, the header sizes of the older word-processor formats, and
// damaged documents.
#include "raw/FileLowDocAnalyser.h"
#include "raw/FileOLEAnalyser.h"

#include "core/CRecoverySettings.h"
#include "raw/RawWalk.h"
#include "raw/tests/AnalyserMeasureKit.h"
#include "raw/tests/CompoundFileBuilder.h"
#include "tests/support/MemoryDevice.h"

#include <gtest/gtest.h>

#include <cstring>
#include <random>

namespace {

using rawkit::CompoundDirectorySector;
using rawkit::CompoundFileBuilder;
using rawkit::CompoundHeader;

void Put32(std::vector<uint8_t>& b, size_t at, uint32_t v)
{
    for (int i = 0; i < 4; ++i) b[at + i] = uint8_t(v >> (8 * i));
}
// Document sector n of a compound file lies at byte 512 x (n + 1).
void PutSector(testsupport::MemoryDevice& device, uint64_t startSector, uint32_t n, const std::vector<uint8_t>& bytes)
{
    device.Write((startSector + n + 1) * 512, bytes.data(), bytes.size());
}
// An allocation-table sector whose entries 1..used are in use.
std::vector<uint8_t> TableSector(unsigned used)
{
    std::vector<uint8_t> t(512, 0xFF);
    for (unsigned i = 0; i < used; ++i) Put32(t, 4 * i, 0xFFFFFFFE);
    return t;
}

TEST(CompoundAnalyserTest, MeasuresLibreOfficeDocumentsExactly)
{
    FileOLEAnalyser ole;
    size_t seen = 0;
    for (const testsupport::RawFixture& f : testsupport::ReadRawFixtureManifest("office")) {
        if (f.name.find(".doc") == std::string::npos && f.name.find(".xls") == std::string::npos &&
            f.name.find(".ppt") == std::string::npos)
            continue;
        if (f.name.ends_with("x")) continue; // the Open XML packages
        ++seen;
        SCOPED_TRACE(f.name);
        const std::vector<uint8_t> file = rawkit::LoadFixture("office", f.name);
        ASSERT_EQ(file.size(), f.size);
        EXPECT_EQ(testsupport::Sha256Hex(file), f.sha256);
        for (const int32_t sectorSize : {512, 4096}) {
            const rawkit::Measured m = rawkit::MeasureOnDisk(ole, file, 2, sectorSize);
            ASSERT_TRUE(m.matched);
            EXPECT_EQ(m.analysed, 1);
            EXPECT_EQ(m.hit.GetFileType(), f.type);
            EXPECT_EQ(m.hit.GetSize(), f.size) << "sector size " << sectorSize;
        }
    }
    EXPECT_EQ(seen, 3u);
}

TEST(CompoundAnalyserTest, TheFirstDirectoryEntriesNameTheApplication)
{
    std::array<uint8_t, 16> someClass{};
    someClass[3] = 7;
    struct Case {
        std::vector<std::u16string> names; // entries 0..3
        bool rootClass;
        int type;
        uint64_t extra;
    } cases[] = {
        {{u"Root Entry", u"CompObj", u"Ole", u"Data"}, false, 39, 0},
        {{u"Root Entry", u"1Table", u"Data", u"WordDocument"}, false, 21, 0},
        {{u"ObjectPool", u"1Table", u"Data", u"x"}, false, 21, 0},
        {{u"Root Entry", u"Workbook", u"x", u"y"}, false, 67, 0},
        {{u"Root Entry", u"x", u"Book", u"y"}, false, 67, 0},
        {{u"Root Entry", u"x", u"y", u"Workbook"}, false, 39, 0}, // entry 3 does not count for workbooks
        {{u"Root Entry", u"x", u"y", u"PowerPoint Document"}, false, 48, 0},
        {{u"Root Entry", u"Workbook", u"PowerPoint Document", u"y"}, false, 48, 0}, // the later rule wins
        {{u"Root Entry", u"Pictures and more", u"y", u"z"}, false, 48, 0},
        {{u"Root Entry", u"PP40", u"y", u"z"}, false, 48, 0},
        {{u"Root Entry", u"Scene", u"y", u"z"}, false, 35, 0},
        {{u"Root Entry", u"VisioDocument", u"y", u"z"}, false, 62, 1024},
        {{u"Root Entry", u"PerfectOffice_MAIN", u"PerfectOffice_OBJECTS", u"z"}, true, 64, 0},
        {{u"Root Entry", u"PerfectOffice_MAIN", u"PerfectOffice_OBJECTS", u"z"}, false, 65, 0},
        {{u"Root Entry", u"PerfectOffice_MAIN", u"PerfectOffice_OBJECTS", u"\u0005SummaryInformation"}, false, 57, 0},
        {{u"Root Entry", u"Objects", u"Quill", u"Escher"}, false, 49, 0},
        {{u"Root Entry", u"NativeContent_MAIN", u"y", u"z"}, false, 53, 0},
        {{u"Root Entry", u"\u0001CompObj", u"   19", u"   29"}, false, 43, 0},
        {{u"Root Entry", u"\u0001CompObj", u"   112", u"   212"}, false, 43, 0},
        {{u"Root Entry", u"\u0001CompObj", u"   19", u"   212"}, false, 39, 0},
        {{u"Root Entry", u"PropData", u"Forms", u"Reports"}, false, 3, 0},
        {{u"Root Entry", u"workbook", u"y", u"z"}, false, 39, 0}, // case matters
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(::testing::PrintToString(c.type));
        uint64_t extra = 99;
        const auto sector = CompoundDirectorySector(c.names, c.rootClass ? someClass : std::array<uint8_t, 16>{});
        EXPECT_EQ(ClassifyCompoundDirectory(sector, extra), c.type);
        EXPECT_EQ(extra, c.extra);
    }
}

TEST(CompoundAnalyserTest, DocumentsWrittenInAChosenOrderMeasureToTheirLastSector)
{
    struct Case {
        const char* name;
        std::vector<std::pair<std::u16string, size_t>> streams;
        int type;
    } cases[] = {
        {"Word, names first", {{u"WordDocument", 4000}, {u"1Table", 3000}, {u"\u0005SummaryInformation", 400}}, 21},
        {"Excel", {{u"Workbook", 9000}, {u"\u0005SummaryInformation", 400}}, 67},
        {"Visio", {{u"VisioDocument", 20000}, {u"x", 10}}, 62},
        // The streams that name the application lie beyond the first directory sector.
        {"PowerPoint, names late",
         {{u"\u0001CompObj", 100},
          {u"Ole", 20},
          {u"Current User", 60},
          {u"Pictures2", 10},
          {u"PowerPoint Document", 70000}},
         48},
        {"Word, names late", {{u"CompObj", 100}, {u"Ole", 20}, {u"1Table", 3000}, {u"WordDocument", 4000}}, 21},
        {"unknown", {{u"Contents", 5000}, {u"Other", 100}, {u"More", 100}, {u"Yet more", 100}}, 39},
    };
    FileOLEAnalyser ole;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        CompoundFileBuilder builder;
        for (const auto& [name, bytes] : c.streams) builder.Add(name, bytes);
        const std::vector<uint8_t> file = builder.Build();
        const rawkit::Measured m = rawkit::MeasureOnDisk(ole, file);
        EXPECT_EQ(m.hit.GetFileType(), c.type);
        EXPECT_EQ(m.hit.GetSize(), file.size() + (c.type == 62 ? 1024 : 0));
    }

    // A document stream inside a storage (an embedded object) does not name the container.
    CompoundFileBuilder nested;
    nested.Add(u"Contents", 100);
    nested.Add(u"A", 10);
    nested.Add(u"B", 10);
    const size_t storage = nested.Add(u"ObjectStorage", 0, 0, true);
    nested.Add(u"WordDocument", 2000, storage);
    EXPECT_EQ(rawkit::MeasureOnDisk(ole, nested.Build()).hit.GetFileType(), 39);
}

class CompoundHeaderTest : public ::testing::Test {
protected:
    static constexpr uint64_t kStart = 4;

    // A device of deviceBytes with the header at kStart.
    std::unique_ptr<testsupport::MemoryDevice> Device(const std::vector<uint8_t>& header, uint64_t deviceBytes)
    {
        auto device = std::make_unique<testsupport::MemoryDevice>(deviceBytes / 512);
        device->Write(kStart * 512, header.data(), header.size());
        return device;
    }

    rawkit::Measured Measure(testsupport::MemoryDevice& device) { return rawkit::MeasureAt(m_ole, device, kStart); }

    FileOLEAnalyser m_ole;
};

TEST_F(CompoundHeaderTest, OneTableSectorGivesItsLastUsedPosition)
{
    auto device = Device(CompoundHeader({1}, 2), 64 * 1024);
    PutSector(*device, kStart, 1, TableSector(10));
    PutSector(*device, kStart, 2, CompoundDirectorySector({u"Root Entry", u"Workbook"}));
    const rawkit::Measured m = Measure(*device);
    EXPECT_EQ(m.analysed, 1);
    EXPECT_EQ(m.hit.GetSize(), 5632u);
    EXPECT_EQ(m.hit.GetFileType(), 67);

    // Nothing used at all: only the header and the table's own count remain.
    PutSector(*device, kStart, 1, TableSector(0));
    EXPECT_EQ(Measure(*device).hit.GetSize(), 512u);
}

TEST_F(CompoundHeaderTest, DifatChainsCountEveryTableSectorAndEndAtANumberThatDoesNotGrow)
{
    // 109 table sectors in the header, 127 in DIFAT sector 200, then 3 in DIFAT sector 201, whose next number
    // is itself: the walk ends after it. The last table sector (number 700) uses 5 entries.
    std::vector<uint32_t> tables;
    for (uint32_t i = 0; i < 109; ++i) tables.push_back(300 + i);
    const uint64_t size = 512 * (5 + 128 * uint64_t(109 + 127 + 3 - 1)) + 512;
    auto device = Device(CompoundHeader(tables, 2, 200), size + 4096);
    std::vector<uint8_t> difat1(512, 0xFF), difat2(512, 0xFF);
    for (uint32_t i = 0; i < 127; ++i) Put32(difat1, 4 * i, 500 + i);
    Put32(difat1, 508, 201);
    for (uint32_t i = 0; i < 3; ++i) Put32(difat2, 4 * i, 698 + i);
    Put32(difat2, 508, 201);
    PutSector(*device, kStart, 200, difat1);
    PutSector(*device, kStart, 201, difat2);
    PutSector(*device, kStart, 700, TableSector(5));
    PutSector(*device, kStart, 2, CompoundDirectorySector({u"Root Entry", u"x", u"y", u"WordDocument"}));
    const rawkit::Measured m = Measure(*device);
    EXPECT_EQ(m.analysed, 1);
    EXPECT_EQ(m.hit.GetSize(), size);
    EXPECT_EQ(m.hit.GetFileType(), 21);

    // A DIFAT sector that cannot be read fails the measurement.
    device->FailSector(kStart + 201 + 1);
    EXPECT_EQ(Measure(*device).analysed, 0);
}

TEST_F(CompoundHeaderTest, AnUnreadableDirectoryKeepsSmallDocumentsOnly)
{
    // 160 table sectors whose last uses 127 entries: 512 x (127 + 128 x 159) + 512 = 10,485,760 bytes.
    for (const unsigned lastUsed : {127u, 128u}) {
        SCOPED_TRACE(lastUsed);
        std::vector<uint32_t> tables;
        for (uint32_t i = 0; i < 109; ++i) tables.push_back(1000 + i);
        // The directory (sector 5000) lies in another block of the reader than every sector read before it.
        auto device = Device(CompoundHeader(tables, 5000, 900), 11 * 1024 * 1024);
        std::vector<uint8_t> difat(512, 0xFF);
        for (uint32_t i = 0; i < 51; ++i) Put32(difat, 4 * i, 1109 + i);
        PutSector(*device, kStart, 900, difat);
        PutSector(*device, kStart, 1159, TableSector(lastUsed));
        device->FailSector(kStart + 5000 + 1);
        const rawkit::Measured m = Measure(*device);
        if (lastUsed == 127) {
            EXPECT_EQ(m.analysed, 1);
            EXPECT_EQ(m.hit.GetSize(), 10485760u);
            EXPECT_EQ(m.hit.GetFileType(), 39);
        } else {
            EXPECT_EQ(m.analysed, 0);
            EXPECT_EQ(m.hit.GetSize(), 0u);
        }
    }
}

TEST_F(CompoundHeaderTest, HeadersThatSayNothingOfTheSizeFail)
{
    // No table sector listed; a last table sector past the device's end; a header cut by the device's end.
    auto none = Device(CompoundHeader({}, 2), 64 * 1024);
    EXPECT_EQ(Measure(*none).analysed, 0);
    auto far = Device(CompoundHeader({5000}, 2), 64 * 1024);
    EXPECT_EQ(Measure(*far).analysed, 0);
    EXPECT_EQ(Measure(*far).hit.GetSize(), 0u);
}

TEST(LowDocAnalyserTest, HeaderSizes)
{
    struct Case {
        const char* name;
        std::vector<uint8_t> head;
        uint32_t u32At48;
        uint32_t u32At292;
        uint16_t u16At296;
        uint64_t size;
    } cases[] = {
        {"compound", {0xD0, 0xCF, 0x11, 0xE0}, 10, 0, 0, 15 * 512},
        {"compound, directory far out", {0xD0, 0xCF, 0x11, 0xE0}, 0xFFFFFFFF, 0, 0, (uint64_t(0xFFFFFFFF) + 5) * 512},
        {"word-processor 1", {0xDB, 0xA5, 0x2D, 0x00}, 0, 1000, 25, 1536},
        {"word-processor 2", {0x94, 0xA6, 0x2E, 0x00}, 0, 1024, 0, 1024},
        {"word-processor, largest", {0x94, 0xA6, 0x2E, 0x00}, 0, 0xFFFFFFFF, 0xFFFF, 0x100010000ull},
        {"other", {0xD0, 0xCF, 0x11, 0xE1}, 10, 0, 0, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::vector<uint8_t> sector(512, 0);
        std::copy(c.head.begin(), c.head.end(), sector.begin());
        Put32(sector, 48, c.u32At48);
        Put32(sector, 292, c.u32At292);
        sector[296] = uint8_t(c.u16At296), sector[297] = uint8_t(c.u16At296 >> 8);
        EXPECT_EQ(GetLowDocHeaderSize(sector), c.size);

        FileLowDocAnalyser lowDoc;
        CRawFileInfo hit;
        EXPECT_EQ(lowDoc.IsMatch(sector.data(), &hit) != 0, c.size != 0);
        if (c.size == 0) continue;
        EXPECT_EQ(hit.GetFileType(), 21);
        EXPECT_EQ(hit.GetSize(), std::min<uint64_t>(c.size, GetRawMaxFileSize()));
        // Measured again on a device of 64 KiB, the size ends at the device's end.
        const rawkit::Measured m = rawkit::MeasureOnDisk(lowDoc, sector, 0, 512, 127, 0);
        EXPECT_EQ(m.hit.GetSize(), std::min<uint64_t>(c.size, 65536));
        CRawFileInfo again;
        testsupport::MemoryDevice device(std::vector<uint8_t>(sector.begin(), sector.end()));
        again.SetStartSector(0);
        EXPECT_EQ(lowDoc.Analyse(&again, &device), 1);
        EXPECT_EQ(again.GetSize(), std::min<uint64_t>(c.size, 512));
    }
}

TEST(CompoundAnalyserTest, DamagedDocumentsAndRandomBytesStayBounded)
{
    FileOLEAnalyser ole;
    FileLowDocAnalyser lowDoc;
    std::vector<std::vector<uint8_t>> inputs;
    for (const char* name : {"office.doc", "office.xls"}) {
        const auto m = rawkit::Mutations(rawkit::LoadFixture("office", name), 80, 29);
        inputs.insert(inputs.end(), m.begin(), m.end());
    }
    CompoundFileBuilder late;
    for (int i = 0; i < 12; ++i) late.Add(u"stream" + std::u16string(1, char16_t('a' + i)), 700);
    const auto m = rawkit::Mutations(late.Build(), 80, 31);
    inputs.insert(inputs.end(), m.begin(), m.end());
    std::mt19937 random(37);
    for (int i = 0; i < 40; ++i) {
        std::vector<uint8_t> noise(512 * (1 + random() % 16));
        for (uint8_t& b : noise) b = uint8_t(random() % 3 == 0 ? 0xFF : random() % 8);
        const uint8_t signature[] = {0xD0, 0xCF, 0x11, 0xE0, 0xA1, 0xB1, 0x1A, 0xE1};
        std::memcpy(noise.data(), signature, sizeof signature);
        inputs.push_back(noise);
    }
    uint32_t seed = 1;
    for (const auto& input : inputs) {
        rawkit::ExpectBoundedMeasure(ole, input, seed);
        rawkit::ExpectBoundedMeasure(lowDoc, input, seed++);
    }
}

} // namespace
