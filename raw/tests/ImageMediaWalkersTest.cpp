// The image and media walkers on byte-built files: PNG chunks, GIF blocks, Photoshop sections and image data,
// Paint Shop Pro blocks, the PHOTO-PAINT offset chain, MIDI tracks, Access pages, ASF objects and DWG releases.
#include "raw/FileASFAnalyser.h"
#include "raw/FileCPTAnalyser.h"
#include "raw/FileDWGAnalyser.h"
#include "raw/FileGIFAnalyser.h"
#include "raw/FileMDBAnalyser.h"
#include "raw/FileMIDAnalyser.h"
#include "raw/FilePNGAnalyser.h"
#include "raw/FilePSDAnalyser.h"
#include "raw/FilePSPAnalyser.h"
#include "raw/FileRTFAnalyser.h"
#include "raw/tests/ByteBuiltFiles.h"

#include <gtest/gtest.h>

#include <cstring>

using namespace walktest;

namespace {

void PngChunk(Bytes& b, const char* type, uint32_t length)
{
    const size_t at = b.size();
    PutU32be(b, at, length);
    Append(b, type);
    b.resize(b.size() + length + 4, 0x5A);
}

Bytes Png(int32_t width, std::initializer_list<std::pair<const char*, uint32_t>> chunks)
{
    Bytes b = {0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A};
    PutU32be(b, 8, 13);
    Append(b, "IHDR");
    PutU32be(b, 16, static_cast<uint32_t>(width));
    PutU32be(b, 20, 10);
    b.resize(33, 0); // bit depth ... CRC
    for (const auto& [type, length] : chunks) PngChunk(b, type, length);
    return b;
}

} // namespace

TEST(PngWalk, FollowsChunksToTheEndChunk)
{
    // IHDR, one IDAT of 1,000 bytes and IEND: 8 + 25 + 1,012 + 12.
    SpanWalkResult r = WalkBytes(Png(10, {{"IDAT", 1000}, {"IEND", 0}}), FilePNGAnalyser::Walk);
    EXPECT_TRUE(r.ok);
    EXPECT_EQ(r.size, 1057u);

    EXPECT_FALSE(WalkBytes(Png(0, {{"IDAT", 10}, {"IEND", 0}}), FilePNGAnalyser::Walk).ok);
    EXPECT_FALSE(WalkBytes(Png(-5, {{"IDAT", 10}, {"IEND", 0}}), FilePNGAnalyser::Walk).ok);

    // An absurd length after image data ends the file at that chunk; before any image data it is no PNG.
    Bytes cut = Png(10, {{"IDAT", 100}});
    const size_t at = cut.size();
    PutU32be(cut, at, 30000000);
    Append(cut, "tEXt");
    r = WalkBytes(cut, FilePNGAnalyser::Walk);
    EXPECT_TRUE(r.ok);
    EXPECT_EQ(r.size, at);
    Bytes early = Png(10, {{"tEXt", 10}});
    PutU32be(early, early.size(), 30000000);
    EXPECT_FALSE(WalkBytes(early, FilePNGAnalyser::Walk).ok);

    // The signature and nothing readable after the first sector: not measured.
    Bytes head = Png(10, {});
    EXPECT_FALSE(WalkBytes(head, FilePNGAnalyser::Walk).ok);
}

TEST(GifWalk, SkipsTablesExtensionsAndSubBlocks)
{
    // GIF87a without a global table, one image with one sub-block of 10 bytes: 13 + 10 + 1 + 11 + 1 + 1.
    Bytes b = FromText("GIF87a");
    b.resize(13, 0);
    AppendBytes(b, {0x2C, 0, 0, 0, 0, 4, 0, 4, 0, 0x00, 0x02, 10});
    b.resize(b.size() + 10, 0x33);
    AppendBytes(b, {0x00, 0x3B, 0xAA, 0xBB});
    SpanWalkResult r = WalkBytes(b, FileGIFAnalyser::Walk);
    EXPECT_TRUE(r.ok);
    EXPECT_EQ(r.size, 37u);

    // A global table with size bits 7 (768 bytes), an extension, then junk before the image descriptor.
    Bytes g = FromText("GIF89a");
    g.resize(13, 0);
    g[10] = 0x87;
    g.resize(13 + 768, 0x3B); // table bytes that look like trailers must be skipped
    AppendBytes(g, {0x21, 0xF9, 0x04, 1, 2, 3, 4, 0x00});
    AppendBytes(g, {0x01, 0x02});
    AppendBytes(g, {0x2C, 0, 0, 0, 0, 1, 0, 1, 0, 0x00, 0x02, 2, 7, 7, 0x00, 0x3B});
    r = WalkBytes(g, FileGIFAnalyser::Walk);
    EXPECT_TRUE(r.ok);
    EXPECT_EQ(r.size, g.size());

    // More than 1,024 bytes without an image descriptor: not measured.
    Bytes junk = FromText("GIF87a");
    junk.resize(13, 0);
    junk.resize(3000, 0x01);
    EXPECT_FALSE(WalkBytes(junk, FileGIFAnalyser::Walk).ok);
}

namespace {

Bytes Psd(uint16_t channels, uint32_t height, uint32_t width, uint16_t depth, uint16_t compression)
{
    Bytes b = FromText("8BPS");
    PutU16be(b, 4, 1);
    PutU16be(b, 12, channels);
    PutU32be(b, 14, height);
    PutU32be(b, 18, width);
    PutU16be(b, 22, depth);
    PutU16be(b, 24, 3);
    PutU32be(b, 26, 0); // colour-mode data
    PutU32be(b, 30, 6); // image resources
    PutU32be(b, 40, 0); // layer and mask information
    PutU16be(b, 44, compression);
    return b;
}

} // namespace

TEST(PsdWalk, RawAndRunLengthImageData)
{
    // Raw data, 3 channels of 100 x 100 at 8 bits: the offset after the compression field + 30,000.
    Bytes raw = Psd(3, 100, 100, 8, 0);
    raw.resize(46 + 30000 + 100, 0);
    SpanWalkResult r = WalkBytes(raw, FilePSDAnalyser::Walk);
    EXPECT_TRUE(r.ok);
    EXPECT_EQ(r.size, 46u + 30000);

    // Run-length data: the row byte counts (2 rows x 2 channels) and their sum.
    Bytes rle = Psd(2, 2, 50, 8, 1);
    for (int i = 0; i < 4; ++i) PutU16be(rle, 46 + 2 * i, static_cast<uint16_t>(10 + i));
    rle.resize(46 + 8 + 46 + 20, 0);
    r = WalkBytes(rle, FilePSDAnalyser::Walk);
    EXPECT_TRUE(r.ok);
    EXPECT_EQ(r.size, 46u + 8 + 46);

    // Products beyond 32 bits are computed in 64 bits and clamped to the device, not wrapped.
    Bytes huge = Psd(56, 300000, 300000, 32, 0);
    huge.resize(4096, 0);
    r = WalkBytes(huge, FilePSDAnalyser::Walk);
    EXPECT_TRUE(r.ok);
    EXPECT_EQ(r.size, huge.size());

    // Version 2 or a non-zero reserved byte or an unknown compression: not measured.
    Bytes v2 = Psd(3, 1, 1, 8, 0);
    PutU16be(v2, 4, 2);
    EXPECT_FALSE(WalkBytes(v2, FilePSDAnalyser::Walk).ok);
    Bytes reserved = Psd(3, 1, 1, 8, 0);
    reserved[9] = 1;
    EXPECT_FALSE(WalkBytes(reserved, FilePSDAnalyser::Walk).ok);
    EXPECT_FALSE(WalkBytes(Psd(3, 1, 1, 8, 2), FilePSDAnalyser::Walk).ok);
}

TEST(PspAndCptWalk, BlocksAndOffsetChain)
{
    Bytes psp = MakePsp();
    Bytes tail = psp;
    Append(tail, "not a block");
    SpanWalkResult r = WalkBytes(tail, FilePSPAnalyser::Walk);
    EXPECT_TRUE(r.ok);
    EXPECT_EQ(r.size, psp.size());
    // Blocks that end before 512: not measured.
    Bytes small = MakePsp(2, 50);
    small.resize(2048, 0);
    EXPECT_FALSE(WalkBytes(small, FilePSPAnalyser::Walk).ok);
    // The last block ends with the device: nothing more to read, and measured.
    Bytes exact = MakePsp(2, 484);
    ASSERT_EQ(exact.size(), 1024u);
    r = WalkBytes(exact, FilePSPAnalyser::Walk);
    EXPECT_TRUE(r.ok);
    EXPECT_EQ(r.size, 1024u);

    Bytes cpt = MakeCpt();
    EXPECT_EQ(WalkBytes(cpt, FileCPTAnalyser::Walk).size, cpt.size());
    // A (the offset after the record) of 0: the size is the record's offset.
    Bytes noA = MakeCpt();
    PutU32le(noA, 1060, 0);
    EXPECT_EQ(WalkBytes(noA, FileCPTAnalyser::Walk).size, 1000u);
    // The record's marker at + 32 equals the value at + 60: the pair is read that much further on.
    Bytes moved = MakeCpt();
    PutU32le(moved, 1032, 40);
    PutU32le(moved, 1060, 40);
    PutU32le(moved, 1100, 2000);
    PutU32le(moved, 1104, 0); // B = 0: size R
    EXPECT_EQ(WalkBytes(moved, FileCPTAnalyser::Walk).size, 1000u);
    // Offsets that lead outside the file, or below 8, are no size.
    Bytes outside = MakeCpt();
    PutU32le(outside, 324, 0xFFFFFF00);
    EXPECT_FALSE(WalkBytes(outside, FileCPTAnalyser::Walk).ok);
    Bytes low = MakeCpt();
    PutU32le(low, 1060, 4);
    EXPECT_FALSE(WalkBytes(low, FileCPTAnalyser::Walk).ok);
}

TEST(MidMdbWalk, TracksAndPages)
{
    // Two tracks of 100 and 200 data bytes: 14 + 108 + 208.
    Bytes mid = FromText("MThd");
    PutU32be(mid, 4, 6);
    PutU16be(mid, 8, 1);
    PutU16be(mid, 10, 2);
    PutU16be(mid, 12, 96);
    for (uint32_t n : {100u, 200u}) {
        const size_t at = mid.size();
        Append(mid, at == 14 ? "MTrk" : "mtrk");
        PutU32be(mid, at + 4, n);
        mid.resize(at + 8 + n, 0x90);
    }
    Append(mid, "junk after the tracks");
    SpanWalkResult r = WalkBytes(mid, FileMIDAnalyser::Walk);
    EXPECT_TRUE(r.ok);
    EXPECT_EQ(r.size, 330u);
    // A track longer than the device: the size stops at the device's end.
    Bytes longTrack = mid;
    PutU32be(longTrack, 122 + 4, 0xFFFFFFF0);
    EXPECT_EQ(WalkBytes(longTrack, FileMIDAnalyser::Walk).size, longTrack.size());

    // The page at 40,960 has the type byte 0.
    Bytes mdb = MakeMdb(false, 12);
    mdb[40960] = 0;
    r = WalkBytes(mdb, FileMDBAnalyser::Walk);
    EXPECT_TRUE(r.ok);
    EXPECT_EQ(r.size, 40960u);
    // Every page in use up to the option: bounded by it, a multiple of 4096.
    Bytes full = MakeMdb(true, 40);
    r = WalkBytes(full, FileMDBAnalyser::Walk, 100000);
    EXPECT_EQ(r.size, 102400u);
}

namespace {

const uint8_t kAsfHeader[16] = {0x30, 0x26, 0xB2, 0x75, 0x8E, 0x66, 0xCF, 0x11,
                                0xA6, 0xD9, 0x00, 0xAA, 0x00, 0x62, 0xCE, 0x6C};
const uint8_t kAsfData[16] = {0x36, 0x26, 0xB2, 0x75, 0x8E, 0x66, 0xCF, 0x11,
                              0xA6, 0xD9, 0x00, 0xAA, 0x00, 0x62, 0xCE, 0x6C};
const uint8_t kAsfIndex[16] = {0x90, 0x08, 0x00, 0x33, 0xB1, 0xE5, 0xCF, 0x11,
                               0x89, 0xF4, 0x00, 0xA0, 0xC9, 0x03, 0x49, 0xCB};

void AsfObject(Bytes& b, const uint8_t* guid, uint64_t length)
{
    const size_t at = b.size();
    b.insert(b.end(), guid, guid + 16);
    PutU64le(b, at + 16, length);
    b.resize(at + length, 0x44);
}

} // namespace

TEST(AsfWalk, HeaderDataAndOptionalIndex)
{
    Bytes withIndex;
    AsfObject(withIndex, kAsfHeader, 100);
    AsfObject(withIndex, kAsfData, 500);
    AsfObject(withIndex, kAsfIndex, 60);
    withIndex.resize(withIndex.size() + 50, 0);
    EXPECT_EQ(WalkBytes(withIndex, FileASFAnalyser::Walk).size, 660u);

    // Without an index: to the end of the data object, also when the device ends right there.
    Bytes noIndex;
    AsfObject(noIndex, kAsfHeader, 100);
    AsfObject(noIndex, kAsfData, 924);
    SpanWalkResult r = WalkBytes(noIndex, FileASFAnalyser::Walk);
    EXPECT_TRUE(r.ok);
    EXPECT_EQ(r.size, 1024u);

    // Something else between the header and the data object: not measured.
    Bytes gap;
    AsfObject(gap, kAsfHeader, 100);
    gap.resize(130, 0);
    AsfObject(gap, kAsfData, 500);
    EXPECT_FALSE(WalkBytes(gap, FileASFAnalyser::Walk).ok);

    // A data object that claims more than 100 x 2^32 bytes: 2^32, clamped to the device.
    Bytes huge;
    AsfObject(huge, kAsfHeader, 100);
    const size_t at = huge.size();
    huge.insert(huge.end(), kAsfData, kAsfData + 16);
    PutU64le(huge, at + 16, UINT64_MAX);
    huge.resize(4096, 0);
    r = WalkBytes(huge, FileASFAnalyser::Walk);
    EXPECT_TRUE(r.ok);
    EXPECT_EQ(r.size, 4096u);
}

TEST(DwgWalk, LocatorsAndHeaderSentinels)
{
    // Release 2000, 5 locators, the greatest address 50,000 with size 2,000: 52,000.
    Bytes r2000 = MakeDwg2000();
    PutU32le(r2000, 21, 5);
    const uint32_t locators[5][2] = {{0x100, 10}, {50000, 2000}, {3000, 400}, {50000, 1}, {40000, 9000}};
    for (uint32_t i = 0; i < 5; ++i) {
        PutU32le(r2000, 25 + 9 * i + 1, locators[i][0]);
        PutU32le(r2000, 25 + 9 * i + 5, locators[i][1]);
    }
    Reserve(r2000, 60000);
    SpanWalkResult r = WalkBytes(r2000, FileDWGAnalyser::Walk);
    EXPECT_TRUE(r.ok);
    EXPECT_EQ(r.size, 52000u);
    // 101 locators, a missing image sentinel, or a release-12 drawing: not measured.
    Bytes many = MakeDwg2000();
    PutU32le(many, 21, 101);
    EXPECT_FALSE(WalkBytes(many, FileDWGAnalyser::Walk).ok);
    Bytes noImage = MakeDwg2000();
    noImage[0x480] ^= 1;
    EXPECT_FALSE(WalkBytes(noImage, FileDWGAnalyser::Walk).ok);
    Bytes r12 = MakeDwg2000();
    std::memcpy(r12.data(), "AC1009", 6);
    EXPECT_FALSE(WalkBytes(r12, FileDWGAnalyser::Walk).ok);

    // Release 2004 whose second header copy starts at 200,000: 200,108 bytes.
    Bytes r2004 = MakeDwg2004(200108);
    r2004.resize(300000, 0);
    r = WalkBytes(r2004, FileDWGAnalyser::Walk);
    EXPECT_TRUE(r.ok);
    EXPECT_EQ(r.size, 200108u);
    // Release 2007 with its own sentinel; no copy before the device's end: the position reached.
    Bytes r2007 = MakeDwg2007(5000);
    EXPECT_EQ(WalkBytes(r2007, FileDWGAnalyser::Walk).size, 5000u);
    Bytes lost = MakeDwg2007(5000);
    lost[5000 - 1024] ^= 0xFF;
    r = WalkBytes(lost, FileDWGAnalyser::Walk);
    EXPECT_TRUE(r.ok);
    EXPECT_EQ(r.size, 5000u);
    // A sentinel copy straddling the block boundary of the reader is found.
    Bytes straddle = MakeDwg2004(65536 - 5 + 108);
    EXPECT_EQ(WalkBytes(straddle, FileDWGAnalyser::Walk).size, straddle.size());
}

TEST(RtfWalk, DocumentEndingWithTheDevice)
{
    Bytes rtf = FromText("{\\rtf1 ");
    rtf.resize(1023, 'a');
    rtf.push_back('}');
    const SpanWalkResult r = WalkBytes(rtf, FileRTFAnalyser::Walk);
    EXPECT_TRUE(r.ok);
    EXPECT_EQ(r.size, 1024u);
}
