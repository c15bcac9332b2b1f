// MP3 measuring: frame headers and lengths, ID3 sizes and texts, and the walk over tag and frames on byte-built
// files (gaps, ID3v1 tags, the next tagged file, frames that do not fit, damaged tags).
#include "raw/FileMP3Analyser.h"

#include "core/CRecoverySettings.h"
#include "filesystems/tree/CRawFileInfo.h"
#include "raw/Id3Tag.h"
#include "raw/MpegFrameHeader.h"
#include "tests/support/MemoryDevice.h"

#include <gtest/gtest.h>

#include <cstring>
#include <optional>
#include <string>
#include <vector>

using testsupport::MemoryDevice;

namespace {

using Bytes = std::vector<uint8_t>;

void Append(Bytes& out, const Bytes& more)
{
    out.insert(out.end(), more.begin(), more.end());
}
void AppendText(Bytes& out, const std::string& text)
{
    out.insert(out.end(), text.begin(), text.end());
}

Bytes SyncSafe(uint32_t v)
{
    return {uint8_t(v >> 21 & 0x7F), uint8_t(v >> 14 & 0x7F), uint8_t(v >> 7 & 0x7F), uint8_t(v & 0x7F)};
}
Bytes Be32(uint32_t v)
{
    return {uint8_t(v >> 24), uint8_t(v >> 16), uint8_t(v >> 8), uint8_t(v)};
}

// A text frame: id, size, flags, encoding byte, text.
Bytes TextFrame(const char* id, uint8_t encoding, const Bytes& text, uint8_t version = 3)
{
    Bytes f;
    AppendText(f, id);
    Append(f, version == 4 ? SyncSafe(uint32_t(text.size() + 1)) : Be32(uint32_t(text.size() + 1)));
    f.push_back(0), f.push_back(0), f.push_back(encoding);
    Append(f, text);
    return f;
}

Bytes Latin1(const std::string& s)
{
    return Bytes(s.begin(), s.end());
}

// An ID3v2 tag holding the frames, padded with zeros to tagSize bytes after the header.
Bytes Id3Tag(const Bytes& frames, uint32_t tagSize, uint8_t version = 3)
{
    Bytes t = {'I', 'D', '3', version, 0, 0};
    Append(t, SyncSafe(tagSize));
    Append(t, frames);
    t.resize(10 + tagSize, 0);
    return t;
}

// n MPEG-1 Layer III frames of 417 bytes (128 kbit/s, 44,100 Hz, no padding).
Bytes Frames(int n)
{
    Bytes out;
    for (int i = 0; i < n; ++i) {
        Bytes f(417, 0x55);
        f[0] = 0xFF, f[1] = 0xFB, f[2] = 0x90, f[3] = 0x00;
        Append(out, f);
    }
    return out;
}

Bytes Id3v1(const std::string& title, const std::string& year)
{
    Bytes t(128, 0);
    std::memcpy(t.data(), "TAG", 3);
    std::memcpy(t.data() + 3, title.data(), std::min<size_t>(title.size(), 30));
    std::memcpy(t.data() + 93, year.data(), std::min<size_t>(year.size(), 4));
    return t;
}

struct Measured {
    int result = 0;
    uint64_t size = 0;
    std::string title;
    std::string year;
};

Measured Measure(Bytes bytes, uint64_t deviceBytes = 0, uint8_t filler = 0)
{
    const size_t total = std::max<size_t>(deviceBytes, (bytes.size() + 511) / 512 * 512);
    const size_t used = bytes.size();
    bytes.resize(total, filler);
    std::fill(bytes.begin() + long(used), bytes.end(), filler);
    MemoryDevice device(std::move(bytes));
    CRawFileInfo hit;
    FileMP3Analyser analyser;
    Measured m;
    m.result = analyser.Analyse(&hit, &device);
    m.size = hit.GetSize();
    m.title = hit.GetNamePrefix();
    m.year = hit.GetExtraText();
    return m;
}

} // namespace

TEST(MpegFrameHeader, FrameLengthsOfTheStandardTables)
{
    const struct {
        uint8_t b1, b2, b3;
        uint32_t length;
    } cases[] = {
        {0xFB, 0x90, 0x00, 417}, // MPEG 1 Layer III, 128 kbit/s, 44,100 Hz
        {0xFB, 0x92, 0x00, 418}, // the same with padding
        {0xF3, 0x80, 0x00, 208}, // MPEG 2 Layer III, 64 kbit/s, 22,050 Hz: 72 x 64,000 / 22,050
        {0xFF, 0x18, 0x00, 48},  // MPEG 1 Layer I, 32 kbit/s, 32,000 Hz: (12 x 1) x 4
        {0xE3, 0x14, 0x00, 48},  // MPEG 2.5 Layer III, 8 kbit/s, 12,000 Hz: 72 x 8,000 / 12,000
        {0xFD, 0x40, 0xC0, 208}, // MPEG 1 Layer II, 64 kbit/s, 44,100 Hz, one channel
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << std::hex << int(c.b1) << ' ' << int(c.b2));
        const uint8_t h[4] = {0xFF, c.b1, c.b2, c.b3};
        MpegFrameHeader f;
        ASSERT_TRUE(f.Parse(h));
        EXPECT_EQ(f.GetFrameLength(), c.length);
    }
}

TEST(MpegFrameHeader, ReservedAndForbiddenValuesDoNotParse)
{
    const struct {
        const char* what;
        uint8_t b0, b1, b2, b3;
    } cases[] = {
        {"no sync", 0xFE, 0xFB, 0x90, 0x00},
        {"version 1", 0xFF, 0xEB, 0x90, 0x00},
        {"layer 0", 0xFF, 0xF9, 0x90, 0x00},
        {"free format", 0xFF, 0xFB, 0x00, 0x00},
        {"bit rate 15", 0xFF, 0xFB, 0xF0, 0x00},
        {"sampling 3", 0xFF, 0xFB, 0x9C, 0x00},
        {"emphasis 2", 0xFF, 0xFB, 0x90, 0x02},
        {"Layer II, two channels, 32 kbit/s", 0xFF, 0xFD, 0x10, 0x00},
        {"Layer II, one channel, 224 kbit/s", 0xFF, 0xFD, 0xB0, 0xC0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const uint8_t h[4] = {c.b0, c.b1, c.b2, c.b3};
        MpegFrameHeader f;
        EXPECT_FALSE(f.Parse(h));
    }
    MpegFrameHeader f;
    const uint8_t shortHeader[3] = {0xFF, 0xFB, 0x90};
    EXPECT_FALSE(f.Parse(shortHeader));
}

TEST(Id3Tag, SyncSafeSizesAndHeaders)
{
    uint32_t v = 0;
    EXPECT_TRUE(ReadSyncSafeInt(SyncSafe(0x0FFFFFFF), v));
    EXPECT_EQ(v, 0x0FFFFFFFu);
    EXPECT_TRUE(ReadSyncSafeInt(Bytes{0, 0, 2, 1}, v));
    EXPECT_EQ(v, 257u);
    EXPECT_FALSE(ReadSyncSafeInt(Bytes{0, 0x80, 0, 0}, v));
    EXPECT_FALSE(ReadSyncSafeInt(Bytes{0, 0, 0}, v));

    Id3v2Header h;
    EXPECT_TRUE(DecodeId3v2Header(Id3Tag({}, 300, 4), h));
    EXPECT_EQ(h.version, 4);
    EXPECT_EQ(h.tagSize, 300u);
    EXPECT_FALSE(DecodeId3v2Header(Id3Tag({}, 300, 2), h));
    Bytes bad = Id3Tag({}, 300);
    bad[7] = 0x81;
    EXPECT_FALSE(DecodeId3v2Header(bad, h));

    // Version 2.4 frame sizes are sync-safe; 2.3 sizes plain.
    Id3FrameHeader f;
    EXPECT_TRUE(DecodeId3FrameHeader(Bytes{'T', 'I', 'T', '2', 0, 0, 2, 1, 0, 0}, 4, f));
    EXPECT_EQ(f.size, 257u);
    EXPECT_TRUE(DecodeId3FrameHeader(Bytes{'T', 'I', 'T', '2', 0, 0, 2, 1, 0, 0}, 3, f));
    EXPECT_EQ(f.size, 513u);
    EXPECT_FALSE(DecodeId3FrameHeader(Bytes{'T', 'I', 'T', '2', 0, 0, 2, 1, 0}, 3, f));
}

TEST(Id3Tag, TextEncodings)
{
    const struct {
        const char* what;
        Bytes content;
        std::optional<std::string> text;
    } cases[] = {
        {"Latin-1", Bytes{0, 'C', 'a', 'f', 0xE9}, std::string("Caf\xC3\xA9")},
        {"Latin-1 up to its NUL", Bytes{0, 'A', 0, 'B'}, std::string("A")},
        {"UTF-16 with FF FE", Bytes{1, 0xFF, 0xFE, 'H', 0, 0xFC, 0, 0, 0, 'x', 0}, std::string("H\xC3\xBC")},
        {"UTF-16 with FE FF", Bytes{1, 0xFE, 0xFF, 0, 'H', 0, 'i'}, std::string()},
        {"UTF-16 mark only", Bytes{1, 0xFF, 0xFE}, std::string()},
        {"UTF-8", Bytes{3, 'K', 0xC3, 0xB6, 'l', 'n'}, std::string("K\xC3\xB6ln")},
        {"UTF-8 malformed", Bytes{3, 'K', 0xC3, 'l'}, std::string()},
        {"UTF-16BE is left alone", Bytes{2, 0, 'H'}, std::nullopt},
        {"unknown encoding", Bytes{9, 'H'}, std::nullopt},
        {"empty content", Bytes{}, std::string()},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(DecodeId3Text(c.content), c.text);
    }
}

TEST(Id3Tag, LongTextsAreCutOnACharacterBoundary)
{
    Bytes latin(1, 0);
    latin.insert(latin.end(), 300, 0xE9); // two UTF-8 bytes each
    const std::string a = *DecodeId3Text(latin);
    EXPECT_EQ(a.size(), 258u);
    Bytes utf16 = {1, 0xFF, 0xFE};
    for (int i = 0; i < 5000; ++i) utf16.push_back('x'), utf16.push_back(0);
    EXPECT_EQ(DecodeId3Text(utf16)->size(), kId3MaxTextBytes);
    Bytes utf8(1, 3);
    for (int i = 0; i < 200; ++i) utf8.push_back(0xE2), utf8.push_back(0x82), utf8.push_back(0xAC); // euro signs
    EXPECT_EQ(DecodeId3Text(utf8)->size(), 258u);
}

class Mp3WalkTest : public ::testing::Test {
protected:
    void TearDown() override { GetRecoverySettings()->m_maxRawFileSize = CRecoverySettings::kDefaultMaxRawFileSize; }
};

TEST_F(Mp3WalkTest, TagTextsAndFramesToTheLastFrame)
{
    Bytes frames;
    Append(frames, TextFrame("TIT2", 0, Latin1("Probe")));
    Append(frames, TextFrame("TYER", 0, Latin1("2019")));
    Bytes file = Id3Tag(frames, 200);
    Append(file, Frames(10));
    const Measured m = Measure(file, 64 * 1024);
    EXPECT_EQ(m.result, 1);
    EXPECT_EQ(m.size, 210u + 4170);
    EXPECT_EQ(m.title, "Probe");
    EXPECT_EQ(m.year, "2019");
}

TEST_F(Mp3WalkTest, Version24SizesAndDateFrame)
{
    Bytes frames;
    Bytes priv(300, 'p'); // a frame whose sync-safe size differs from the plain reading
    Append(frames, TextFrame("PRIV", 0, priv, 4));
    Append(frames, TextFrame("TIT2", 3,
                             Latin1("Gr\xC3\xBC\xC3\x9F"
                                    "e"),
                             4));
    Append(frames, TextFrame("TDRC", 3, Latin1("2024-05-01"), 4));
    Bytes file = Id3Tag(frames, 400, 4);
    Append(file, Frames(3));
    const Measured m = Measure(file);
    EXPECT_EQ(m.size, 410u + 3 * 417);
    EXPECT_EQ(m.title, "Gr\xC3\xBC\xC3\x9F"
                       "e");
    EXPECT_EQ(m.year, "2024");
}

TEST_F(Mp3WalkTest, TagWithoutFramesAndBadTagSizeFail)
{
    EXPECT_EQ(Measure(Id3Tag({}, 100), 8192).result, 0);
    Bytes bad = Id3Tag({}, 100);
    Append(bad, Frames(2));
    bad[9] = 0x80;
    const Measured m = Measure(bad);
    EXPECT_EQ(m.result, 0);
    EXPECT_EQ(m.size, 0u);
}

TEST_F(Mp3WalkTest, GapsUpToTheLimitAreCrossedAndLongerOnesEnd)
{
    Bytes file = Id3Tag({}, 20);
    Append(file, Frames(2));
    Bytes crossed = file;
    crossed.insert(crossed.end(), FileMP3Analyser::kMaxGap - 1, 0x11);
    Append(crossed, Frames(2));
    EXPECT_EQ(Measure(crossed).size, crossed.size());

    Bytes tooFar = file;
    tooFar.insert(tooFar.end(), FileMP3Analyser::kMaxGap, 0x11);
    Append(tooFar, Frames(2));
    EXPECT_EQ(Measure(tooFar).size, 30u + 2 * 417);
}

TEST_F(Mp3WalkTest, AfterAGapOnlyAConfirmedFrameOfTheSameStreamCounts)
{
    Bytes file = Id3Tag({}, 20);
    Append(file, Frames(2));
    const size_t audioEnd = file.size();
    const Bytes gap(1000, 0);

    // One lone frame header in other data: not followed by another frame.
    Bytes lone = file;
    Append(lone, gap);
    Append(lone, Frames(1));
    lone.resize(lone.size() + 600, 0x11);
    EXPECT_EQ(Measure(lone, 0, 0x11).size, audioEnd);

    // Two frames of another stream (MPEG 2, 22,050 Hz) after the gap.
    Bytes other = file;
    Append(other, gap);
    for (int i = 0; i < 2; ++i) {
        Bytes f(208, 0x55);
        f[0] = 0xFF, f[1] = 0xF3, f[2] = 0x80, f[3] = 0;
        Append(other, f);
    }
    EXPECT_EQ(Measure(other, 0, 0x11).size, audioEnd);

    // Two frames of the same stream after the gap: the audio goes on.
    Bytes same = file;
    Append(same, gap);
    Append(same, Frames(2));
    EXPECT_EQ(Measure(same, 0, 0x11).size, same.size());
}

TEST_F(Mp3WalkTest, Id3v1TagAfterTheLastFrameEndsTheFileWhateverFollows)
{
    Bytes file = Id3Tag({}, 20);
    Append(file, Frames(2));
    const size_t audioEnd = file.size();
    Append(file, Id3v1("Old Title", "1999"));

    // Directly after the last frame the tag ends the file, and its texts fill in the empty ones.
    for (const uint8_t slack : {uint8_t(0), uint8_t(0x11)}) {
        const Measured m = Measure(file, 8192, slack);
        EXPECT_EQ(m.size, audioEnd + 128) << int(slack);
        EXPECT_EQ(m.title, "Old Title");
        EXPECT_EQ(m.year, "1999");
    }

    // After a gap of other bytes, it counts only before zeros to the end of its sector.
    Bytes gapped = Id3Tag({}, 20);
    Append(gapped, Frames(2));
    gapped.resize(gapped.size() + 40, 0x11);
    Append(gapped, Id3v1("Old Title", "1999"));
    EXPECT_EQ(Measure(gapped, 8192, 0).size, gapped.size());
    EXPECT_EQ(Measure(gapped, 8192, 0x11).size, audioEnd);

    // Ending exactly on a sector boundary: counts whatever follows.
    Bytes exact = Id3Tag({}, uint32_t(1024 - 10 - 2 * 417 - 128));
    Append(exact, Frames(2));
    Append(exact, Id3v1("T", "2000"));
    ASSERT_EQ(exact.size(), 1024u);
    EXPECT_EQ(Measure(exact, 8192, 0x11).size, 1024u);
}

TEST_F(Mp3WalkTest, NextTaggedFileAtASectorBoundaryEndsTheWalk)
{
    Bytes file = Id3Tag({}, 20);
    Append(file, Frames(2));
    const size_t audioEnd = file.size();
    file.resize(1024, 0);
    Append(file, Id3Tag({}, 50));
    Append(file, Frames(3));
    EXPECT_EQ(Measure(file).size, audioEnd);
}

TEST_F(Mp3WalkTest, AFrameThatRunsPastTheDeviceEndIsNotCounted)
{
    Bytes file = Id3Tag({}, 20);
    Append(file, Frames(3));
    file.resize(30 + 2 * 417 + 100); // the device (1024 bytes) ends inside the third frame
    EXPECT_EQ(Measure(file).size, 30u + 2 * 417);
}

TEST_F(Mp3WalkTest, DamagedTagFramesStayInsideTheTag)
{
    // A frame size of 0xFFFFFFFF (p + F + 10 wraps in 32 bits) and a text frame longer than the tag.
    Bytes frames;
    Append(frames, TextFrame("TIT2", 0, Latin1("Kept")));
    Bytes huge = TextFrame("TYER", 0, Latin1("2001"));
    huge[4] = huge[5] = huge[6] = huge[7] = 0xFF;
    Append(frames, huge);
    Bytes file = Id3Tag(frames, 40);
    Append(file, Frames(2));
    const Measured m = Measure(file);
    EXPECT_EQ(m.size, 50u + 2 * 417);
    EXPECT_EQ(m.title, "Kept");
    EXPECT_EQ(m.year, "2001"); // read from the bytes inside the tag only

    // A tag of the largest size on a small device: no frame, no hang.
    Bytes big = Id3Tag(frames, 40);
    Append(big, SyncSafe(0));
    const Bytes sizeBytes = SyncSafe(0x0FFFFFFF);
    std::copy(sizeBytes.begin(), sizeBytes.end(), big.begin() + 6);
    EXPECT_EQ(Measure(big, 4096).result, 0);
}

TEST_F(Mp3WalkTest, TitlesBecomeCleanNamePrefixes)
{
    Bytes frames;
    Append(frames, TextFrame("TIT2", 0, Latin1("AC/DC: Live?")));
    Bytes file = Id3Tag(frames, 60);
    Append(file, Frames(1));
    EXPECT_EQ(Measure(file).title, "AC#DC# Live#");
}

TEST_F(Mp3WalkTest, TheSizeBoundEndsTheWalk)
{
    GetRecoverySettings()->m_maxRawFileSize = 5000;
    Bytes file = Id3Tag({}, 20);
    Append(file, Frames(40));
    const Measured m = Measure(file);
    EXPECT_EQ(m.result, 1);
    EXPECT_LE(m.size, 5000u);
    EXPECT_GE(m.size, 5000u - 417);
}

TEST_F(Mp3WalkTest, AGapAcrossTheReadersBlockBoundary)
{
    // Frames up to just before 64 KiB, then 1,000 bytes of lone sync bytes that straddle the boundary of the
    // reader's blocks, then more frames: every frame is counted, none of the sync bytes.
    Bytes file = Id3Tag({}, 20);
    Append(file, Frames(156)); // ends at 30 + 156 x 417 = 65,082
    for (int i = 0; i < 500; ++i) file.push_back(0xFF), file.push_back(i % 2 ? 0x00 : 0xFB);
    Append(file, Frames(40));
    EXPECT_EQ(Measure(file, 0, 0x11).size, file.size());
}
