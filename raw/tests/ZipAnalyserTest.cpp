// The ZIP walk: archives and Office packages made by Info-ZIP and LibreOffice, byte-built records for the edges
// (descriptors, names, methods, the size bound), the office fixtures on a composed disk, and damaged archives.
#include "raw/FileZIPAnalyser.h"

#include "core/CRecoverySettings.h"
#include "raw/FileOLEAnalyser.h"
#include "raw/tests/AnalyserMeasureKit.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

namespace {

using rawkit::MeasureOnDisk;

struct ZipEntryOptions {
    uint16_t method = 0;
    bool descriptor = false;         // sizes after the data, local header sizes 0
    bool descriptorSignature = true; // "PK" 07 08 before the descriptor
    bool zip64Descriptor = false;    // u64 sizes in the descriptor
    uint16_t nameLength = 0;         // 0: the name's own length
};

// Builds archives record by record.
class ZipBuilder {
public:
    void Add(const std::string& name, const std::string& data, ZipEntryOptions o = {})
    {
        m_central.push_back({name, Offset()});
        Le32(0x04034B50);
        Le16(20);
        Le16(o.descriptor ? 0x0008 : 0);
        Le16(o.method);
        Le32(0); // time, date
        Le32(0x12345678);
        Le32(o.descriptor ? 0 : uint32_t(data.size()));
        Le32(o.descriptor ? 0 : uint32_t(data.size()));
        Le16(o.nameLength != 0 ? o.nameLength : uint16_t(name.size()));
        Le16(0);
        Text(name);
        Text(data);
        if (o.descriptor) {
            if (o.descriptorSignature) Le32(0x08074B50);
            Le32(0x12345678);
            if (o.zip64Descriptor) {
                Le64(data.size());
                Le64(data.size());
            } else {
                Le32(uint32_t(data.size()));
                Le32(uint32_t(data.size()));
            }
        }
    }
    // The central directory and the end record.
    void Finish(const std::string& comment = {})
    {
        const uint32_t start = Offset();
        for (const auto& [name, offset] : m_central) {
            Le32(0x02014B50);
            for (int i = 0; i < 12; ++i) Le16(0);
            Le16(uint16_t(name.size()));
            Le16(0), Le16(0), Le16(0), Le16(0), Le32(0);
            Le32(offset);
            Text(name);
        }
        const uint32_t size = Offset() - start;
        Le32(0x06054B50);
        Le16(0), Le16(0);
        Le16(uint16_t(m_central.size())), Le16(uint16_t(m_central.size()));
        Le32(size), Le32(start);
        Le16(uint16_t(comment.size()));
        Text(comment);
    }
    std::vector<uint8_t>& Bytes() { return m_bytes; }

    void Le16(uint16_t v) { m_bytes.insert(m_bytes.end(), {uint8_t(v), uint8_t(v >> 8)}); }
    void Le32(uint32_t v) { Le16(uint16_t(v)), Le16(uint16_t(v >> 16)); }
    void Le64(uint64_t v) { Le32(uint32_t(v)), Le32(uint32_t(v >> 32)); }
    void Text(const std::string& s) { m_bytes.insert(m_bytes.end(), s.begin(), s.end()); }

private:
    uint32_t Offset() const { return uint32_t(m_bytes.size()); }
    std::vector<uint8_t> m_bytes;
    std::vector<std::pair<std::string, uint32_t>> m_central;
};

class ZipAnalyserTest : public ::testing::Test {
protected:
    void TearDown() override { GetRecoverySettings()->m_maxRawFileSize = CRecoverySettings::kDefaultMaxRawFileSize; }

    rawkit::Measured Measure(const std::vector<uint8_t>& file) { return MeasureOnDisk(m_zip, file); }

    FileZIPAnalyser m_zip;
};

bool IsZipFixture(const std::string& name)
{
    for (const char* ext : {".zip", ".docx", ".xlsx", ".pptx"})
        if (name.ends_with(ext)) return true;
    return false;
}

TEST_F(ZipAnalyserTest, MeasuresEveryArchiveAndPackageFixtureExactly)
{
    size_t seen = 0;
    for (const testsupport::RawFixture& f : testsupport::ReadRawFixtureManifest("office")) {
        if (!IsZipFixture(f.name)) continue;
        ++seen;
        SCOPED_TRACE(f.name);
        const std::vector<uint8_t> file = rawkit::LoadFixture("office", f.name);
        ASSERT_EQ(file.size(), f.size);
        EXPECT_EQ(testsupport::Sha256Hex(file), f.sha256);
        for (const int32_t sectorSize : {512, 4096}) {
            const rawkit::Measured m = MeasureOnDisk(m_zip, file, 3, sectorSize);
            ASSERT_TRUE(m.matched);
            EXPECT_EQ(m.analysed, 1);
            EXPECT_EQ(m.hit.GetFileType(), f.type);
            EXPECT_EQ(m.hit.GetSize(), f.size) << "sector size " << sectorSize;
        }
    }
    EXPECT_EQ(seen, 7u);
}

TEST_F(ZipAnalyserTest, StoredEntriesCentralDirectoryAndEndRecordMeasureToTheEndRecord)
{
    for (const std::string comment : {"", "0123456789"}) {
        ZipBuilder zip;
        zip.Add("a.txt", "first entry");
        zip.Add("dir/b.bin", std::string(700, 'b'));
        zip.Finish(comment);
        const rawkit::Measured m = Measure(zip.Bytes());
        EXPECT_EQ(m.hit.GetSize(), zip.Bytes().size()) << "comment '" << comment << "'";
        EXPECT_EQ(m.hit.GetFileType(), 68);
    }
}

TEST_F(ZipAnalyserTest, EntryNamesOfThePackageSetTheType)
{
    struct Case {
        const char* first;
        const char* part;
        int type;
    } cases[] = {
        {"[Content_Types].xml", "word/_rels/document.xml.rels", 69},
        {"[Content_Types].xml", "xl/_rels/workbook.xml.rels", 70},
        {"[Content_Types].xml", "ppt/_rels/presentation.xml.rels", 71},
        {"docProps/app.xml", "xl/_rels/workbook.xml.rels", 68}, // not a package: names change nothing
        {"[Content_Types].xmlx", "xl/_rels/workbook.xml.rels", 68},
        {"content/riffData.cdr", "other.bin", 11},
        {"[Content_Types].xml", "XL/_rels/workbook.xml.rels", 68}, // names compare exactly
        // The content types may come anywhere, and any part in a package folder tells the kind.
        {"xl/worksheets/sheet1.xml", "[Content_Types].xml", 70},
        {"docProps/core.xml", "[Content_Types].xml", 68},
        {"[Content_Types].xml", "word/document.xml", 69},
        {"ppt/slides/slide1.xml", "[Content_Types].xml", 71},
        {"word/document.xml", "[Content_Types].xmlx", 68},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.first) + " + " + c.part);
        ZipBuilder zip;
        zip.Add(c.first, "<x/>");
        zip.Add(c.part, "<y/>");
        zip.Finish();
        const rawkit::Measured m = Measure(zip.Bytes());
        EXPECT_EQ(m.hit.GetFileType(), c.type);
        EXPECT_EQ(m.hit.GetSize(), zip.Bytes().size());
    }
    // A later part overrides an earlier one, and the central directory's names count as well.
    ZipBuilder zip;
    zip.Add("[Content_Types].xml", "<x/>");
    zip.Add("word/_rels/document.xml.rels", "<y/>");
    zip.Add("ppt/_rels/presentation.xml.rels", "<z/>");
    zip.Finish();
    EXPECT_EQ(Measure(zip.Bytes()).hit.GetFileType(), 71);

    // The main part's relationships decide over the folder of the first part.
    ZipBuilder embedded;
    embedded.Add("docProps/app.xml", "<a/>");
    embedded.Add("xl/embeddings/oleObject1.bin", "<b/>");
    embedded.Add("word/_rels/document.xml.rels", "<c/>");
    embedded.Add("[Content_Types].xml", "<d/>");
    embedded.Finish();
    EXPECT_EQ(Measure(embedded.Bytes()).hit.GetFileType(), 69);
}

TEST_F(ZipAnalyserTest, MethodAndNameLengthDecideWhatIsARecord)
{
    ZipBuilder method12;
    method12.Add("a.txt", "first");
    const size_t firstEntry = method12.Bytes().size();
    method12.Add("b.txt", "second", {.method = 12});
    method12.Finish();
    EXPECT_EQ(Measure(method12.Bytes()).hit.GetSize(), firstEntry);

    ZipBuilder first12;
    first12.Add("a.txt", "first", {.method = 12});
    first12.Finish();
    const rawkit::Measured m = Measure(first12.Bytes());
    EXPECT_EQ(m.analysed, 0);
    EXPECT_EQ(m.hit.GetSize(), 0u);

    ZipBuilder longName;
    longName.Add(std::string(1041, 'n'), "x");
    EXPECT_FALSE(IsZipRecord(longName.Bytes()));
    ZipBuilder longestName;
    longestName.Add(std::string(1040, 'n'), "x");
    EXPECT_TRUE(IsZipRecord(longestName.Bytes()));
    EXPECT_FALSE(IsZipRecord(std::vector<uint8_t>{0x50, 0x4B, 0x03, 0x04, 0, 0})); // too short for the header
}

TEST_F(ZipAnalyserTest, EntriesWithDataDescriptorsAreSteppedOverByTheirDescriptor)
{
    struct Case {
        const char* name;
        ZipEntryOptions options;
    } cases[] = {
        {"with signature", {.descriptor = true}},
        {"without signature", {.descriptor = true, .descriptorSignature = false}},
        {"ZIP64 sizes", {.descriptor = true, .zip64Descriptor = true}},
        {"ZIP64 sizes without signature", {.descriptor = true, .descriptorSignature = false, .zip64Descriptor = true}},
    };
    // The data holds a "PK" 07 08 and a "PK" 03 04 that are no descriptor and no record.
    const std::string tricky =
        std::string(300, 'd') + "PK\x07\x08" + std::string(12, '\0') + "PK\x03\x04" + std::string(2000, 'e');
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ZipBuilder zip;
        zip.Add("a.txt", tricky, c.options);
        zip.Add("empty", "", c.options);
        zip.Add("c.txt", "third", c.options);
        zip.Finish();
        const rawkit::Measured m = Measure(zip.Bytes());
        EXPECT_EQ(m.hit.GetSize(), zip.Bytes().size());
    }
}

TEST_F(ZipAnalyserTest, AMissingDescriptorEndsTheWalkAtTheEntryData)
{
    ZipBuilder zip;
    zip.Add("a.txt", "plain");
    const size_t dataStart = zip.Bytes().size() + 30 + 5;
    zip.Add("b.txt", std::string(900, 'x'), {.descriptor = true});
    zip.Bytes().resize(zip.Bytes().size() - 16); // the descriptor is gone; zero filler follows
    const rawkit::Measured m = MeasureOnDisk(m_zip, zip.Bytes(), 3, 512, 64, 0);
    EXPECT_EQ(m.analysed, 1);
    EXPECT_EQ(m.hit.GetSize(), dataStart);
}

TEST_F(ZipAnalyserTest, TheEndRecordClosesTheArchive)
{
    // A second archive right behind the first (which fills its two sectors exactly) is not part of it.
    ZipBuilder first;
    first.Add("a.txt", std::string(916, 'x'));
    first.Finish();
    ASSERT_EQ(first.Bytes().size(), 1024u);
    ZipBuilder second;
    second.Add("b.txt", "y");
    second.Finish();
    std::vector<uint8_t> both = first.Bytes();
    both.insert(both.end(), second.Bytes().begin(), second.Bytes().end());
    EXPECT_EQ(Measure(both).hit.GetSize(), 1024u);
}

TEST_F(ZipAnalyserTest, AWalkPastTheMaximalSizeStopsThere)
{
    ZipBuilder zip;
    for (int i = 0; i < 8; ++i) zip.Add("entry" + std::to_string(i), std::string(1000, char('a' + i)));
    zip.Finish();
    GetRecoverySettings()->m_maxRawFileSize = 2500;
    const rawkit::Measured m = Measure(zip.Bytes());
    EXPECT_EQ(m.analysed, 1);
    EXPECT_EQ(m.hit.GetSize(), 2500u); // the offset reached, capped to the option
}

TEST_F(ZipAnalyserTest, OfficeFixturesOnAComposedDiskAreEachFound)
{
    FileZIPAnalyser zip;
    FileOLEAnalyser ole;
    testsupport::RawImageComposer disk(2400, 512, testsupport::RawImageComposer::Filler::Random, 11);
    uint64_t gap = 1;
    for (const testsupport::RawFixture& f : testsupport::ReadRawFixtureManifest("office"))
        disk.Append(rawkit::LoadFixture("office", f.name), f.type, f.name, gap++ % 3 + 1);
    ASSERT_EQ(disk.Files().size(), 10u);
    const auto device = disk.MakeDevice();
    const std::vector<CRawFileInfo> hits = rawkit::ScanDevice({&zip, &ole}, *device);
    for (const testsupport::RawPlacedFile& placed : disk.Files()) {
        SCOPED_TRACE(placed.name);
        const CRawFileInfo* found = nullptr;
        for (const CRawFileInfo& hit : hits)
            if (hit.GetStartSector() == placed.startSector) found = &hit;
        ASSERT_NE(found, nullptr);
        EXPECT_EQ(found->GetFileType(), placed.type);
        EXPECT_EQ(found->GetSize(), placed.size);
        EXPECT_EQ(disk.Sha256At(found->GetStartSector(), found->GetSize()), placed.sha256);
    }
}

TEST_F(ZipAnalyserTest, DamagedArchivesAndRandomBytesStayBounded)
{
    std::vector<std::vector<uint8_t>> inputs;
    for (const char* name : {"plain.zip", "streamed.zip", "office.docx", "comment.zip"}) {
        const auto m = rawkit::Mutations(rawkit::LoadFixture("office", name), 60, 17);
        inputs.insert(inputs.end(), m.begin(), m.end());
    }
    std::mt19937 random(23);
    for (int i = 0; i < 40; ++i) {
        std::vector<uint8_t> noise(600 + random() % 3000);
        for (uint8_t& b : noise) b = uint8_t(random() % 4 == 0 ? 'P' : random());
        noise[0] = 0x50, noise[1] = 0x4B, noise[2] = 3, noise[3] = 4, noise[6] = uint8_t(i % 2 ? 8 : 0);
        inputs.push_back(noise);
    }
    uint32_t seed = 1;
    for (const auto& input : inputs) rawkit::ExpectBoundedMeasure(m_zip, input, seed++);
}

} // namespace
