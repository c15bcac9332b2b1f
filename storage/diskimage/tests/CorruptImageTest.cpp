// Damaged and crafted images: refused headers, index lengths out of bounds, missing, short and misnamed
// slices, damaged streams. Each gives zeros and FALSE (or no sectors at all) and a log line, never other data.
#include "core/bytes/ByteReader.h"
#include "core/bytes/ByteWriter.h"
#include "storage/diskimage/CImageFileDeviceWithDecompress.h"
#include "storage/diskimage/tests/DiskImageTestSupport.h"

#include <gtest/gtest.h>

#include <cstring>

namespace fs = std::filesystem;
using namespace dtest;

namespace {

// 4 zlib blocks of 512-byte sectors, blocks 0-1 in slice 0 and blocks 2-3 in slice 1.
struct Fixture {
    testsupport::TempDir dir;
    std::unique_ptr<testsupport::MemoryDevice> source = MakeSource(1024, 512);
    fs::path image = dir / "img.kxi";

    Fixture()
    {
        RecordingCallBack callback;
        callback.onNewSlice = [](uint64_t block) { return block == 2 ? 1 : 0; };
        EXPECT_EQ(WriteImage(*source, image.string(), ImageSettings{}, &callback), 1);
    }
    fs::path File(const char* name) const { return dir / name; }
};

void Patch(const fs::path& file, uint64_t offset, uint32_t value)
{
    auto bytes = ReadFile(file);
    ASSERT_LE(offset + 4, bytes.size());
    bytes::ByteWriter(bytes).u32le(offset, value);
    WriteFile(file, bytes);
}

uint32_t Word(const fs::path& file, uint64_t offset)
{
    const auto bytes = ReadFile(file);
    return bytes::ByteReader(bytes).u32le(offset);
}

void CutBy(const fs::path& file, uint64_t bytes)
{
    fs::resize_file(file, fs::file_size(file) - bytes);
}

void ReplaceText(const fs::path& file, const std::string& text)
{
    WriteFile(file, std::vector<uint8_t>(text.begin(), text.end()));
}

std::string ListLine(const Fixture& f, int slice)
{
    return fs::absolute(f.File(slice == 0 ? "img.part0.kxf" : "img.part1.kxf")).string();
}

struct CorruptCase {
    const char* name;
    void (*mutate)(Fixture&);
    bool valid;
    bool complete;      // CheckSlices
    unsigned readable;  // bit b: block b reads back whole
    const char* logged; // a piece of the log line, or empty
};

const CorruptCase kCases[] = {
    {"SliceCount59", [](Fixture& f) { Patch(f.image, 268, 59); }, false, false, 0, "slice count 59 above 58"},
    {"TotalAboveTheSlices", [](Fixture& f) { Patch(f.image, 272, 5); }, false, false, 0, "add up to 4"},
    {"SliceCountShortOfTheTotal", [](Fixture& f) { Patch(f.image, 276, 1); }, false, false, 0, "add up to 3"},
    {"BlocksBeyondTheSliceCount", [](Fixture& f) { Patch(f.image, 284, 1); }, false, false, 0,
     "beyond the slice count"},
    {"HugeTotalWithMatchingTable",
     [](Fixture& f) {
         Patch(f.image, 272, 0xFFFFFFFF);
         Patch(f.image, 276, 0xFFFFFFFF - 2);
     },
     false, false, 0, "its index of 4294967295 blocks"},
    {"UnknownKind", [](Fixture& f) { Patch(f.image, 260, 7); }, false, false, 0, "compression kind 7"},
    {"WordAt508", [](Fixture& f) { Patch(f.image, 508, 1); }, false, false, 0, "offset 508"},
    {"IndexCutShort", [](Fixture& f) { CutBy(f.image, 4); }, false, false, 0, "ends at 528"},
    {"HeaderCutShort", [](Fixture& f) { fs::resize_file(f.image, 100); }, false, false, 0, "header cannot be read"},
    {"ImageFileMissing", [](Fixture& f) { fs::remove(f.image); }, false, false, 0, "cannot be opened"},
    // Blocks decode to half the block size the header claims: only the last block may be that short.
    {"SectorSizeOfAnotherImage", [](Fixture& f) { Patch(f.image, 256, 1024); }, true, true, 0b1000, "block 0: "},
    {"StoredLengthPastTheBound", [](Fixture& f) { Patch(f.image, 516, 0xFFFFFFF0); }, true, false, 0b1101,
     "block 1: stored length"},
    {"IndexEndsGoingBackwards", [](Fixture& f) { Patch(f.image, 516, 10); }, true, true, 0b1101,
     "before the previous end"},
    {"EmptyStoredBlock", [](Fixture& f) { Patch(f.image, 524, Word(f.image, 520)); }, true, true, 0b0111,
     "block 3: stored length 0"},
    {"SliceMissing", [](Fixture& f) { fs::remove(f.File("img.part1.kxf")); }, true, false, 0b0011,
     "slice 1 cannot be opened"},
    {"SliceCutShort", [](Fixture& f) { CutBy(f.File("img.part1.kxf"), 100); }, true, false, 0b0111, "block 3:"},
    {"SliceListOneLineShort", [](Fixture& f) { ReplaceText(f.File("img.kxp"), ListLine(f, 0) + "\r\n"); }, true, false,
     0b0011, "names fewer than 2"},
    {"SliceListMissing", [](Fixture& f) { fs::remove(f.File("img.kxp")); }, true, false, 0, "slice list"},
    {"SliceListLineTooLong", [](Fixture& f) { ReplaceText(f.File("img.kxp"), std::string(5000, 'a') + "\r\n"); }, true,
     false, 0, "slice 0 cannot be opened"},
    {"SliceListOtherSliceFirst",
     [](Fixture& f) { ReplaceText(f.File("img.kxp"), ListLine(f, 1) + "\r\n" + ListLine(f, 1) + "\r\n"); }, true, false,
     0b1100, "block 0:"},
    {"StreamDamaged",
     [](Fixture& f) {
         auto bytes = ReadFile(f.File("img.part0.kxf"));
         for (size_t i = 0; i < 64; ++i) bytes[600 + i] ^= 0x5A;
         WriteFile(f.File("img.part0.kxf"), bytes);
     },
     true, true, 0b1110, "block 0: "},
    // Not damage: a list with LF line ends (or none on its last line) names the same files.
    {"SliceListWithLineFeedsOnly",
     [](Fixture& f) { ReplaceText(f.File("img.kxp"), ListLine(f, 0) + "\n" + ListLine(f, 1)); }, true, true, 0b1111,
     ""},
};

class CorruptImage : public ::testing::TestWithParam<CorruptCase> {};

TEST_P(CorruptImage, ReadsGiveZerosAndFalseWhereTheImageCannotBeTrusted)
{
    const CorruptCase& c = GetParam();
    Fixture f;
    LogCapture log;
    c.mutate(f);
    CImageFileDeviceWithDecompress device(f.image.string());
    EXPECT_EQ(device.IsValid(), c.valid);
    EXPECT_EQ(device.CheckSlices(), c.complete);
    if (!c.valid) {
        EXPECT_EQ(device.GetSectorCount(), 0u);
    }
    // A block is 256 sectors of the size the header gives; the source's blocks are 128 KiB.
    const size_t blockBytes = 256 * size_t(device.GetSectorSize());
    const size_t sourceBlock = 256 * 512;
    std::vector<uint8_t> buffer(blockBytes);
    for (uint64_t b = 0; b < 4; ++b) {
        SCOPED_TRACE(b);
        std::memset(buffer.data(), 0xEE, buffer.size());
        const bool ok = device.ReadSectors(buffer.data(), b * 256, 256);
        const bool want = (c.readable >> b) & 1;
        EXPECT_EQ(ok, want);
        if (want) {
            EXPECT_EQ(0, std::memcmp(buffer.data(), f.source->Sector(b * 256), sourceBlock));
            EXPECT_EQ(std::vector<uint8_t>(buffer.begin() + sourceBlock, buffer.end()),
                      std::vector<uint8_t>(blockBytes - sourceBlock, 0));
        } else {
            EXPECT_EQ(buffer, std::vector<uint8_t>(buffer.size(), 0));
        }
    }
    if (*c.logged) {
        EXPECT_TRUE(log.Contains(c.logged)) << log.Text();
    } else {
        EXPECT_EQ(log.Text(), "");
    }
}

INSTANTIATE_TEST_SUITE_P(Cases, CorruptImage, ::testing::ValuesIn(kCases),
                         [](const auto& info) { return std::string(info.param.name); });

} // namespace
