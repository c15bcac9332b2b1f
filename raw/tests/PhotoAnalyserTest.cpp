// JPEG, EXIF, TIFF and CRW: files made by ImageMagick and exiftool, byte-built JPEG, EXIF, Nikon and Canon files
// for the edges, the photo fixtures on a composed disk, and damaged files.
#include "raw/FileCRWAnalyser.h"
#include "raw/FileJPGAnalyser.h"
#include "raw/FileTIFAnalyser.h"

#include "core/CRecoverySettings.h"
#include "raw/RawWalk.h"
#include "raw/tests/AnalyserMeasureKit.h"
#include "tests/support/MemoryDevice.h"

#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <string>
#include <vector>

namespace {

// Bytes with fields in one byte order, grown on demand.
class Buffer {
public:
    explicit Buffer(bool bigEndian = false) : m_bigEndian(bigEndian) {}

    void U8(size_t at, uint8_t v) { Reserve(at + 1), m_bytes[at] = v; }
    void U16(size_t at, uint16_t v)
    {
        Reserve(at + 2);
        m_bytes[at + (m_bigEndian ? 0 : 1)] = uint8_t(v >> 8);
        m_bytes[at + (m_bigEndian ? 1 : 0)] = uint8_t(v);
    }
    void U32(size_t at, uint32_t v)
    {
        U16(at + (m_bigEndian ? 0 : 2), uint16_t(v >> 16));
        U16(at + (m_bigEndian ? 2 : 0), uint16_t(v));
    }
    void Be16(size_t at, uint16_t v) { U8(at, uint8_t(v >> 8)), U8(at + 1, uint8_t(v)); }
    void Text(size_t at, const std::string& s)
    {
        Reserve(at + s.size());
        std::memcpy(m_bytes.data() + at, s.data(), s.size());
    }
    void Bytes(size_t at, std::initializer_list<uint8_t> b)
    {
        for (uint8_t v : b) U8(at++, v);
    }
    void Reserve(size_t size)
    {
        if (m_bytes.size() < size) m_bytes.resize(size, 0);
    }
    std::vector<uint8_t>& Data() { return m_bytes; }
    size_t Size() const { return m_bytes.size(); }

private:
    bool m_bigEndian;
    std::vector<uint8_t> m_bytes;
};

struct IfdEntry {
    uint16_t tag;
    uint16_t format;
    uint32_t count;
    uint32_t value;
};

// A directory at `at` (offsets relative to base, the TIFF header); returns the offset just after its link.
size_t WriteIfd(Buffer& b, size_t base, size_t at, const std::vector<IfdEntry>& entries, uint32_t next = 0)
{
    b.U16(base + at, uint16_t(entries.size()));
    size_t e = at + 2;
    for (const IfdEntry& entry : entries) {
        b.U16(base + e, entry.tag);
        b.U16(base + e + 2, entry.format);
        b.U32(base + e + 4, entry.count);
        if (entry.format == 3 && entry.count == 1)
            b.U16(base + e + 8, uint16_t(entry.value)); // a short stands in the first two bytes of the field
        else
            b.U32(base + e + 8, entry.value);
        e += 12;
    }
    b.U32(base + e, next);
    return e + 4;
}

// JPEG pieces.
struct JpegShape {
    enum class First { Jfif, JfifLowerCase, Exif, Tables } first = First::Jfif;
    uint8_t frameMarker = 0xC0;
    uint8_t precision = 8;
    uint8_t components = 3;
    uint16_t width = 64;
    uint16_t height = 48;
    bool frame = true;
    size_t scanBytes = 3000; // entropy-coded bytes after the scan header
    bool endMarker = true;
    std::vector<uint8_t> exif{}; // the EXIF segment's data after its length field
};

std::vector<uint8_t> MakeJpeg(const JpegShape& s)
{
    Buffer b(true);
    b.Bytes(0, {0xFF, 0xD8});
    size_t at = 2;
    auto segment = [&](uint8_t marker, const std::vector<uint8_t>& data) {
        b.Bytes(at, {0xFF, marker});
        b.Be16(at + 2, uint16_t(data.size() + 2));
        for (size_t i = 0; i < data.size(); ++i) b.U8(at + 4 + i, data[i]);
        at += 4 + data.size();
    };
    if (s.first == JpegShape::First::Jfif || s.first == JpegShape::First::JfifLowerCase)
        segment(0xE0, {uint8_t(s.first == JpegShape::First::Jfif ? 'J' : 'j'),
                       uint8_t(s.first == JpegShape::First::Jfif ? 'F' : 'f'),
                       uint8_t(s.first == JpegShape::First::Jfif ? 'I' : 'i'),
                       uint8_t(s.first == JpegShape::First::Jfif ? 'F' : 'f'), 0, 1, 1, 0, 0, 1, 0, 1, 0, 0});
    if (s.first == JpegShape::First::Exif) segment(0xE1, s.exif);
    segment(0xDB, std::vector<uint8_t>(65, 1));
    if (s.frame)
        segment(s.frameMarker, {s.precision, uint8_t(s.height >> 8), uint8_t(s.height), uint8_t(s.width >> 8),
                                uint8_t(s.width), s.components, 1, 0x22, 0, 2, 0x11, 1, 3, 0x11, 1});
    segment(0xC4, std::vector<uint8_t>(30, 2));
    b.Bytes(at, {0xFF, 0xFF}); // a fill byte before the marker
    at += 2;
    segment(0xDA, {s.components, 1, 0, 2, 0x11, 3, 0x11, 0, 63, 0});
    for (size_t i = 0; i < s.scanBytes; ++i) b.U8(at++, uint8_t(i % 7 == 0 ? 0xFF : 0x10 + i % 200));
    // Stuffed FF 00 pairs are entropy data: the bytes after each FF above are never D9.
    for (size_t i = at - s.scanBytes; i < at; ++i)
        if (b.Data()[i] == 0xFF && i + 1 < at) b.U8(i + 1, 0x00);
    if (s.endMarker) b.Bytes(at, {0xFF, 0xD9});
    return b.Data();
}

// An EXIF segment's data: "Exif" 00 00 and a TIFF block with make, model and (in the EXIF sub-directory) the
// capture time.
std::vector<uint8_t> MakeExif(bool bigEndian, const std::string& make, const std::string& model,
                              const std::string& dateTime, bool cycle = false)
{
    Buffer b(bigEndian);
    b.Text(0, std::string("Exif\0\0", 6));
    const size_t base = 6;
    b.Text(base, bigEndian ? "MM" : "II");
    b.U16(base + 2, 42);
    b.U32(base + 4, 8);
    const size_t values = 200;
    b.Text(base + values, make + '\0');
    b.Text(base + values + 64, model + '\0');
    b.Text(base + values + 128, dateTime + '\0');
    WriteIfd(b, base, 8,
             {{271, 2, uint32_t(make.size() + 1), uint32_t(values)},
              {272, 2, uint32_t(model.size() + 1), uint32_t(values + 64)},
              {34665, 4, 1, 100}},
             cycle ? 8 : 0);
    // The EXIF sub-directory; in the cycle case it links back to the first directory.
    WriteIfd(b, base, 100, {{36867, 2, uint32_t(dateTime.size() + 1), uint32_t(values + 128)}}, cycle ? 8 : 0);
    b.Reserve(base + values + 200);
    return b.Data();
}

// A Nikon raw file: IFD0 with make, model and a preview strip, and two sub-directories of which the second
// holds the raw data strip.
std::vector<uint8_t> MakeNef(uint32_t previewEnd, uint32_t rawEnd, const std::string& model = "NIKON D70",
                             size_t bytes = 4096)
{
    Buffer b(true);
    b.Text(0, "MM");
    b.U16(2, 42);
    b.U32(4, 8);
    b.Text(300, "NIKON CORPORATION");
    b.Text(340, model + '\0');
    b.U32(500, 600); // sub-directory offsets
    b.U32(504, 700);
    WriteIfd(b, 0, 8,
             {{271, 2, 18, 300},
              {272, 2, uint32_t(model.size() + 1), 340},
              {273, 4, 1, previewEnd / 2},
              {279, 4, 1, previewEnd - previewEnd / 2},
              {330, 4, 2, 500}});
    WriteIfd(b, 0, 600, {{273, 4, 1, 2000}, {279, 4, 1, 500}});
    WriteIfd(b, 0, 700, {{273, 4, 1, rawEnd / 2}, {279, 4, 1, rawEnd - rawEnd / 2}});
    b.Reserve(bytes);
    return b.Data();
}

// A Canon raw file whose description record lies at recordAt, in bytes of pattern filler.
std::vector<uint8_t> MakeCrw(size_t recordAt, size_t bytes, bool whole = true)
{
    Buffer b;
    b.Text(0, std::string("II\x1A\0\0\0HEAPCCDR\x02\0", 16));
    b.U16(16, 1);
    for (size_t i = 20; i < bytes; ++i) b.U8(i, uint8_t(i * 13 + 1));
    b.Text(recordAt, std::string("High definition CCD image") + '\0');
    if (whole) {
        b.Text(recordAt + 32, "CRW:High definition CCD image");
        b.Text(recordAt + 122, std::string("Canon\0", 6));
        b.Text(recordAt + 128, "Canon PowerShot G2");
    }
    b.Reserve(bytes);
    return b.Data();
}

class PhotoAnalyserTest : public ::testing::Test {
protected:
    void TearDown() override { GetRecoverySettings()->m_maxRawFileSize = CRecoverySettings::kDefaultMaxRawFileSize; }

    FileJPGAnalyser m_jpg;
    FileTIFAnalyser m_tif;
    FileCRWAnalyser m_crw;
};

TEST_F(PhotoAnalyserTest, MeasuresEveryPhotoFixtureExactly)
{
    const auto fixtures = testsupport::ReadRawFixtureManifest("photo");
    ASSERT_EQ(fixtures.size(), 10u);
    for (const testsupport::RawFixture& f : fixtures) {
        SCOPED_TRACE(f.name);
        const std::vector<uint8_t> file = rawkit::LoadFixture("photo", f.name);
        ASSERT_EQ(file.size(), f.size);
        EXPECT_EQ(testsupport::Sha256Hex(file), f.sha256);
        IRawFileAnalyser& analyser = f.name.ends_with(".jpg") ? static_cast<IRawFileAnalyser&>(m_jpg) : m_tif;
        for (const int32_t sectorSize : {512, 4096}) {
            const rawkit::Measured m = rawkit::MeasureOnDisk(analyser, file, 5, sectorSize);
            ASSERT_TRUE(m.matched);
            EXPECT_EQ(m.analysed, 1);
            EXPECT_EQ(m.hit.GetFileType(), f.type);
            EXPECT_EQ(m.hit.GetSize(), f.size) << "sector size " << sectorSize;
            const bool exif = f.name.starts_with("exif");
            EXPECT_EQ(m.hit.GetNamePrefix(), exif ? "SX-100 Zoom" : "");
            EXPECT_EQ(m.hit.GetExtraText(), exif ? "2024:05:06 07:08:09" : "");
            EXPECT_EQ(analyser.GetNamePrefix(), m.hit.GetNamePrefix());
        }
    }
}

TEST_F(PhotoAnalyserTest, JpegWalks)
{
    const std::vector<uint8_t> exif = MakeExif(false, "Maker", "Model One", "2021:02:03 04:05:06");
    struct Case {
        const char* name;
        JpegShape shape;
        bool measured;
    } cases[] = {
        {"baseline JFIF", {}, true},
        {"progressive JFIF", {.frameMarker = 0xC2}, true},
        {"baseline EXIF", {.first = JpegShape::First::Exif, .exif = exif}, true},
        {"progressive EXIF", {.first = JpegShape::First::Exif, .frameMarker = 0xC2, .exif = exif}, true},
        {"tables first, colour", {.first = JpegShape::First::Tables}, true},
        {"tables first, progressive colour", {.first = JpegShape::First::Tables, .frameMarker = 0xC2}, true},
        {"tables first, grey", {.first = JpegShape::First::Tables, .components = 1}, false},
        {"grey JFIF", {.components = 1}, true},
        {"12-bit samples", {.precision = 12}, false},
        {"scan without a frame", {.frame = false}, false},
        {"jfif in lower case", {.first = JpegShape::First::JfifLowerCase}, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::vector<uint8_t> file = MakeJpeg(c.shape);
        const rawkit::Measured m = rawkit::MeasureOnDisk(m_jpg, file);
        ASSERT_TRUE(m.matched);
        EXPECT_EQ(m.analysed, c.measured ? 1 : 0);
        EXPECT_EQ(m.hit.GetSize(), c.measured ? file.size() : 0u);
    }
}

TEST_F(PhotoAnalyserTest, TheEndOfImageIsSearchedAsFarAsThePixelsGo)
{
    // 640 x 480: the marker 10,000 bytes after the start of scan is found; without it the size is the start of
    // scan + 640 x 480 x 3 + 2.
    JpegShape shape{.width = 640, .height = 480, .scanBytes = 10000 - 14};
    const std::vector<uint8_t> file = MakeJpeg(shape);
    const rawkit::Measured found = rawkit::MeasureOnDisk(m_jpg, file, 3, 512, 2000);
    EXPECT_EQ(found.hit.GetSize(), file.size());

    shape.endMarker = false;
    const std::vector<uint8_t> open = MakeJpeg(shape);
    const size_t sos = open.size() - 10000;
    ASSERT_EQ(open[sos + 1], 0xDA);
    const rawkit::Measured missing = rawkit::MeasureOnDisk(m_jpg, open, 3, 512, 2000, 0);
    EXPECT_EQ(missing.hit.GetSize(), sos + 640 * 480 * 3 + 2);

    // The largest frame: its pixel count no longer wraps, and the size ends at the device's end.
    shape.width = shape.height = 65535;
    const rawkit::Measured huge = rawkit::MeasureOnDisk(m_jpg, MakeJpeg(shape), 3, 512, 100, 0);
    EXPECT_EQ(huge.hit.GetSize(), (open.size() + 511) / 512 * 512 + 100 * 512);
}

TEST_F(PhotoAnalyserTest, ExifTexts)
{
    struct Case {
        const char* name;
        std::vector<uint8_t> exif;
        std::string prefix;
        std::string extra;
    } cases[] = {
        {"Intel order", MakeExif(false, "Maker", "Model One", "2021:02:03 04:05:06"), "Model One",
         "2021:02:03 04:05:06"},
        {"Motorola order", MakeExif(true, "Maker", "Model Two", "2022:02:03 04:05:06"), "Model Two",
         "2022:02:03 04:05:06"},
        {"model with <", MakeExif(false, "The Maker", "<unknown>", "2021:02:03 04:05:06"), "The Maker",
         "2021:02:03 04:05:06"},
        {"long texts are cut", MakeExif(false, "M", std::string(60, 'x'), "2021:02:03 04:05:06 and more"),
         std::string(39, 'x'), "2021:02:03 04:05:06"},
        {"directories in a cycle", MakeExif(true, "Maker", "Cycle", "2023:01:01 00:00:00", true), "Cycle",
         "2023:01:01 00:00:00"},
        {"name characters cleaned", MakeExif(false, "Maker", "A/B:C", "later"), "A#B#C", "later"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::vector<uint8_t> file = MakeJpeg({.first = JpegShape::First::Exif, .exif = c.exif});
        const rawkit::Measured m = rawkit::MeasureOnDisk(m_jpg, file);
        EXPECT_EQ(m.hit.GetSize(), file.size());
        EXPECT_EQ(m.hit.GetNamePrefix(), c.prefix);
        EXPECT_EQ(m.hit.GetExtraText(), c.extra);
        EXPECT_EQ(m_jpg.GetNamePrefix(), c.prefix);
        EXPECT_EQ(m_jpg.GetExtraText(), c.extra);
    }

    // A damaged EXIF segment loses the texts only; the texts of the file measured before are gone too.
    std::vector<uint8_t> exif = MakeExif(false, "Maker", "Model", "2021:02:03 04:05:06");
    exif[6 + 8] = 200; // 200 entries run past the segment
    const std::vector<uint8_t> file = MakeJpeg({.first = JpegShape::First::Exif, .exif = exif});
    const rawkit::Measured m = rawkit::MeasureOnDisk(m_jpg, file);
    EXPECT_EQ(m.hit.GetSize(), file.size());
    EXPECT_EQ(m.hit.GetNamePrefix(), "");
    EXPECT_EQ(m_jpg.GetNamePrefix(), "");
    EXPECT_EQ(m_jpg.GetExtraText(), "");
}

TEST(ExifSegmentTest, DamagedSegmentsFail)
{
    const std::vector<uint8_t> good = MakeExif(false, "Maker", "Model", "2021:02:03 04:05:06");
    struct Case {
        const char* name;
        size_t at;
        std::vector<uint8_t> bytes;
    } cases[] = {
        {"not Exif", 0, {'E', 'x', 'i', 'F'}},
        {"unknown byte order", 6, {'I', 'M'}},
        {"not 42", 8, {43, 0}},
        {"first directory at 17", 10, {17, 0, 0, 0}},
        {"format 13", 6 + 8 + 2 + 2, {13, 0}},
        {"value outside the segment", 6 + 8 + 2 + 8, {0, 0xF0, 0, 0}},
        {"sub-directory outside", 6 + 8 + 2 + 24 + 8, {0, 0xF0, 0, 0}},
        {"next directory outside", 6 + 8 + 2 + 36, {0, 0xF0, 0, 0}},
        {"components times size past 32 bits", 6 + 8 + 2 + 2, {5, 0, 0, 0, 0, 0x20}},
    };
    ExifInfo info;
    EXPECT_TRUE(ReadExifSegment(good, info));
    EXPECT_EQ(info.model, "Model");
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::vector<uint8_t> bad = good;
        std::copy(c.bytes.begin(), c.bytes.end(), bad.begin() + c.at);
        ExifInfo out;
        EXPECT_FALSE(ReadExifSegment(bad, out));
    }
    ExifInfo shortInfo;
    EXPECT_FALSE(ReadExifSegment(std::span<const uint8_t>(good.data(), 20), shortInfo));

    // The first directory is read where the header puts it (8 to 16 bytes in).
    std::vector<uint8_t> moved = good;
    std::copy(good.begin() + 6 + 8, good.begin() + 6 + 50, moved.begin() + 6 + 16);
    moved[6 + 4] = 16;
    ExifInfo movedInfo;
    EXPECT_TRUE(ReadExifSegment(moved, movedInfo));
    EXPECT_EQ(movedInfo.model, "Model");
    EXPECT_EQ(movedInfo.dateTime, "2021:02:03 04:05:06");
}

TEST_F(PhotoAnalyserTest, NikonFilesMeasureToTheRawStripOfTheSecondSubDirectory)
{
    testsupport::MemoryDevice device(9200000 / 512 + 20);
    const std::vector<uint8_t> nef = MakeNef(1000000, 9000000);
    device.Write(2 * 512, nef.data(), nef.size());
    const rawkit::Measured m = rawkit::MeasureAt(m_tif, device, 2);
    EXPECT_EQ(m.analysed, 1);
    EXPECT_EQ(m.hit.GetSize(), 9000000u);
    EXPECT_EQ(m.hit.GetFileType(), 73);
    EXPECT_EQ(m.hit.GetNamePrefix(), "NIKON D70");
    EXPECT_EQ(m_tif.GetNamePrefix(), "NIKON D70");

    // The next file measured is no Nikon file: the texts go.
    const std::vector<uint8_t> other = MakeNef(3000, 2500, "Other camera");
    const rawkit::Measured o = rawkit::MeasureOnDisk(m_tif, other);
    EXPECT_EQ(o.hit.GetFileType(), 60);
    EXPECT_EQ(o.hit.GetSize(), 3000u); // the preview strip ends last
    EXPECT_EQ(m_tif.GetNamePrefix(), "");

    // A model longer than 63 bytes is cut there.
    const std::string longModel = "NIKON " + std::string(100, 'Z');
    const rawkit::Measured l = rawkit::MeasureOnDisk(m_tif, MakeNef(3000, 2500, longModel));
    EXPECT_EQ(l.hit.GetFileType(), 73);
    EXPECT_EQ(l.hit.GetNamePrefix(), longModel.substr(0, 63));
}

TEST_F(PhotoAnalyserTest, TiffEndIsTheFurthestOfDirectoryValuesAndStrips)
{
    // No model; the directory and its values come first, three strips (arrays of offsets and counts) after them,
    // the largest strip not the last one.
    for (const bool bigEndian : {false, true}) {
        SCOPED_TRACE(bigEndian);
        Buffer b(bigEndian);
        b.Text(0, bigEndian ? "MM" : "II");
        b.U16(2, 42);
        b.U32(4, 8);
        for (const auto& [i, offset, count] : {std::tuple{0, 1000u, 500u}, {1, 5000u, 4000u}, {2, 2000u, 100u}}) {
            b.U32(400 + 4 * i, offset);
            b.U16(420 + 2 * i, uint16_t(count));
        }
        WriteIfd(b, 0, 8, {{256, 3, 1, 10}, {273, 4, 3, 400}, {279, 3, 3, 420}, {305, 2, 30, 450}});
        b.Reserve(9000);
        const rawkit::Measured m = rawkit::MeasureOnDisk(m_tif, b.Data());
        EXPECT_EQ(m.hit.GetSize(), 9000u);
        EXPECT_EQ(m.hit.GetFileType(), 60);
    }

    // Without strips the directory with its values is the file.
    Buffer d;
    d.Text(0, "II");
    d.U16(2, 42);
    d.U32(4, 16);
    d.Text(100, "a description of forty-one characters....");
    WriteIfd(d, 0, 16, {{256, 3, 1, 10}, {270, 2, 41, 100}});
    EXPECT_EQ(rawkit::MeasureOnDisk(m_tif, d.Data()).hit.GetSize(), 141u);
}

TEST_F(PhotoAnalyserTest, TiffHeadersThatCannotBeMeasured)
{
    Buffer far;
    far.Text(0, "II");
    far.U16(2, 42);
    far.U32(4, 60000000); // beyond the maximal RAW file size
    EXPECT_EQ(rawkit::MeasureOnDisk(m_tif, far.Data()).hit.GetSize(), 0u);

    Buffer many;
    many.Text(0, "II");
    many.U16(2, 42);
    many.U32(4, 8);
    many.U16(8, 513);
    many.Reserve(8 + 2 + 513 * 12 + 4);
    EXPECT_EQ(rawkit::MeasureOnDisk(m_tif, many.Data()).hit.GetSize(), 0u);

    // The directory lies past the device's end.
    Buffer gone;
    gone.Text(0, "II");
    gone.U16(2, 42);
    gone.U32(4, 4000000);
    EXPECT_EQ(rawkit::MeasureOnDisk(m_tif, gone.Data(), 3, 512, 8).hit.GetSize(), 0u);
}

TEST_F(PhotoAnalyserTest, CanonFilesEndWithTheSectorOfTheDescriptionRecord)
{
    for (const size_t recordAt : {size_t(16), size_t(700), size_t(1000), size_t(200000 - 144)}) {
        SCOPED_TRACE(recordAt);
        const std::vector<uint8_t> crw = MakeCrw(recordAt, recordAt + 2000);
        const rawkit::Measured m = rawkit::MeasureOnDisk(m_crw, crw);
        EXPECT_EQ(m.analysed, 1);
        EXPECT_EQ(m.hit.GetFileType(), 16);
        EXPECT_EQ(m.hit.GetSize(), (recordAt + 144 + 511) / 512 * 512);
    }
    // Only the first text of the record: not found within the bound, the size is the bound.
    testsupport::MemoryDevice device(kCrwSearchBound / 512 + 8);
    const std::vector<uint8_t> partial = MakeCrw(5000, 6000, false);
    device.Write(0, partial.data(), partial.size());
    const rawkit::Measured m = rawkit::MeasureAt(m_crw, device, 0);
    EXPECT_EQ(m.analysed, 1);
    EXPECT_EQ(m.hit.GetSize(), kCrwSearchBound);
    // A device that ends first: not measured.
    const rawkit::Measured shortDevice = rawkit::MeasureOnDisk(m_crw, partial, 3, 512, 10);
    EXPECT_EQ(shortDevice.analysed, 0);
    EXPECT_EQ(shortDevice.hit.GetSize(), 0u);
}

TEST_F(PhotoAnalyserTest, PhotoFilesOnAComposedDiskAreEachFound)
{
    testsupport::RawImageComposer disk(900, 512, testsupport::RawImageComposer::Filler::Random, 41);
    uint64_t gap = 0;
    for (const testsupport::RawFixture& f : testsupport::ReadRawFixtureManifest("photo"))
        disk.Append(rawkit::LoadFixture("photo", f.name), f.type, f.name, gap++ % 4 + 1);
    disk.Append(MakeNef(20000, 60000, "NIKON D1X", 60000), 73, "nikon.nef", 2);
    const std::vector<uint8_t> crw = MakeCrw(3000, 3584);
    disk.Append(crw, 16, "canon.crw", 1);
    disk.Append(MakeJpeg({.first = JpegShape::First::Exif,
                          .frameMarker = 0xC2,
                          .exif = MakeExif(true, "M", "Progressive", "2020:01:01 00:00:00")}),
                33, "progressive-exif.jpg", 3);
    const auto device = disk.MakeDevice();
    FileJPGAnalyser jpg;
    FileTIFAnalyser tif;
    FileCRWAnalyser crwAnalyser;
    const std::vector<CRawFileInfo> hits = rawkit::ScanDevice({&crwAnalyser, &jpg, &tif}, *device);
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

TEST_F(PhotoAnalyserTest, DamagedPhotosAndRandomBytesStayBounded)
{
    std::vector<std::pair<IRawFileAnalyser*, std::vector<uint8_t>>> inputs;
    auto add = [&](IRawFileAnalyser* analyser, const std::vector<uint8_t>& file, size_t count, uint32_t seed) {
        for (auto& m : rawkit::Mutations(file, count, seed)) inputs.emplace_back(analyser, std::move(m));
    };
    for (const char* name : {"exif.jpg", "jfif-progressive.jpg", "bare.jpg"})
        add(&m_jpg, rawkit::LoadFixture("photo", name), 60, 43);
    add(&m_jpg, MakeJpeg({.first = JpegShape::First::Exif, .exif = MakeExif(true, "M", "m", "d", true)}), 80, 47);
    for (const char* name : {"strips.tif", "camera.tif", "strip-be.tif"})
        add(&m_tif, rawkit::LoadFixture("photo", name), 60, 53);
    add(&m_tif, MakeNef(3000, 3500), 80, 59);
    add(&m_crw, MakeCrw(600, 2048), 40, 61);
    std::mt19937 random(67);
    for (int i = 0; i < 30; ++i) {
        std::vector<uint8_t> noise(512 + random() % 4096);
        for (uint8_t& b : noise) b = uint8_t(random() % 4 == 0 ? 0xFF : random() % 16);
        std::vector<uint8_t> jpeg = noise, tiff = noise;
        jpeg[0] = 0xFF, jpeg[1] = 0xD8, jpeg[2] = 0xFF, jpeg[3] = 0xDB;
        tiff[0] = tiff[1] = 'M', tiff[2] = 0, tiff[3] = 42;
        inputs.emplace_back(&m_jpg, jpeg);
        inputs.emplace_back(&m_tif, tiff);
    }
    uint32_t seed = 1;
    for (const auto& [analyser, input] : inputs) rawkit::ExpectBoundedMeasure(*analyser, input, seed++);
}

} // namespace
