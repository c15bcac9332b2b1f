// MP4, 3GP and QuickTime measuring: atom lengths, which atoms each walk accepts, and where the walks end.
#include "raw/File3GPAnalyser.h"
#include "raw/FileMOVAnalyser.h"
#include "raw/FileMP4Analyser.h"
#include "raw/Mp4Atoms.h"

#include "core/CRecoverySettings.h"
#include "filesystems/tree/CRawFileInfo.h"
#include "tests/support/MemoryDevice.h"

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

using testsupport::MemoryDevice;

namespace {

using Bytes = std::vector<uint8_t>;

// An atom header of the stated length and type; only the first `stored` bytes of it are written (use a small
// value for a last atom whose length reaches past the written bytes).
Bytes Atom(uint32_t length, const char* type, size_t stored = 65536)
{
    Bytes a(std::min<size_t>(length, stored), 0);
    a.resize(std::max<size_t>(a.size(), 8), 0);
    a[0] = uint8_t(length >> 24), a[1] = uint8_t(length >> 16), a[2] = uint8_t(length >> 8), a[3] = uint8_t(length);
    std::memcpy(a.data() + 4, type, 4);
    return a;
}

Bytes Ftyp(const char* brand)
{
    Bytes a = Atom(24, "ftyp");
    std::memcpy(a.data() + 8, brand, 4);
    return a;
}

struct Layout {
    Bytes bytes;
    void Add(const Bytes& atom) { bytes.insert(bytes.end(), atom.begin(), atom.end()); }
};

// Measures the layout on a device of deviceBytes (at least the layout, rounded up to whole sectors).
uint64_t MeasureWith(IRawFileAnalyser& analyser, Bytes bytes, uint64_t deviceBytes = 0, int* result = nullptr)
{
    bytes.resize(std::max<size_t>(deviceBytes, (bytes.size() + 511) / 512 * 512), 0);
    MemoryDevice device(std::move(bytes));
    CRawFileInfo hit;
    const int r = analyser.Analyse(&hit, &device);
    if (result) *result = r;
    return hit.GetSize();
}

uint64_t MeasureMp4(const Bytes& bytes, uint64_t deviceBytes = 0)
{
    FileMP4Analyser a;
    return MeasureWith(a, bytes, deviceBytes);
}

uint64_t MeasureMov(const Bytes& bytes, uint64_t deviceBytes = 0, int* result = nullptr)
{
    FileMOVAnalyser a;
    return MeasureWith(a, bytes, deviceBytes, result);
}

} // namespace

TEST(Mp4Atoms, LengthsAndAcceptedTypes)
{
    uint64_t length = 0;
    EXPECT_TRUE(ReadAtomLength(Atom(8, "free"), length));
    EXPECT_EQ(length, 8u);
    EXPECT_FALSE(ReadAtomLength(Atom(0x80000000u, "mdat"), length)); // negative as a signed 32-bit value
    EXPECT_FALSE(ReadAtomLength(Atom(0, "mdat"), length));
    EXPECT_FALSE(ReadAtomLength(Atom(7, "mdat"), length)); // shorter than its own header
    Bytes large = Atom(1, "mdat", 16);
    large.resize(16);
    large[12] = 0x01; // 64-bit length 0x01000000
    EXPECT_TRUE(ReadAtomLength(large, length));
    EXPECT_EQ(length, 0x01000000u);
    large[12] = 0, large[15] = 15;
    EXPECT_FALSE(ReadAtomLength(large, length));

    EXPECT_TRUE(IsMp4FileAtom(Atom(16, "MDAT")));
    EXPECT_FALSE(IsMp4FileAtom(Atom(16, "udta")));
    EXPECT_TRUE(IsMovFileAtom(Atom(16, "wide")));
    EXPECT_FALSE(IsMovFileAtom(Atom(16, "MOOV")));
    EXPECT_FALSE(IsMovFileAtom(Atom(16, "moof")));
}

TEST(Mp4Walk, AddsTheAtomsOfTheFile)
{
    Layout f;
    f.Add(Ftyp("isom"));
    f.Add(Atom(1000, "moov"));
    f.Add(Atom(100000, "mdat", 8));
    EXPECT_EQ(MeasureMp4(f.bytes, 200000), 101024u);
}

TEST(Mp4Walk, EndsAtAnAtomOutsideTheList)
{
    Layout f;
    f.Add(Ftyp("mp42"));
    f.Add(Atom(100, "moov"));
    f.Add(Atom(100, "udta"));
    f.Add(Atom(100, "mdat"));
    EXPECT_EQ(MeasureMp4(f.bytes, 4096), 124u);
}

TEST(Mp4Walk, AnEightByteAtomBeforeMdatIsTaken)
{
    Layout f;
    f.Add(Ftyp("isom"));
    f.Add(Atom(8, "wide"));
    f.Add(Atom(200, "mdat"));
    f.Add(Atom(100, "moov"));
    EXPECT_EQ(MeasureMp4(f.bytes, 4096), 332u);
}

TEST(Mp4Walk, LengthsWithTheTopBitSetEndTheWalk)
{
    Layout f;
    f.Add(Ftyp("isom"));
    f.Add(Atom(100, "moov"));
    f.Add(Atom(0x80000010u, "mdat"));
    EXPECT_EQ(MeasureMp4(f.bytes, 4096), 124u);
}

TEST(Mp4Walk, AtMost501Atoms)
{
    Layout f;
    f.Add(Ftyp("isom"));
    for (int i = 0; i < 600; ++i) f.Add(Atom(8, "free"));
    EXPECT_EQ(MeasureMp4(f.bytes), 24u + 500 * 8);
}

// A fragmented recording: an empty moov, then segment boxes and thousands of fragments, then the random-access
// table; the fragment boxes do not count towards the atom limit.
TEST(Mp4Walk, FollowsFragmentsAndSegmentBoxesToTheEnd)
{
    Layout f;
    f.Add(Ftyp("iso5"));
    f.Add(Atom(700, "moov"));
    f.Add(Atom(24, "styp"));
    f.Add(Atom(44, "sidx"));
    for (int i = 0; i < 1000; ++i) {
        f.Add(Atom(100, "moof"));
        f.Add(Atom(60, "mdat"));
    }
    f.Add(Atom(67, "mfra"));
    f.Add(Atom(40, "junk"));
    EXPECT_EQ(MeasureMp4(f.bytes), 24u + 700 + 24 + 44 + 1000 * 160 + 67);
}

TEST(Mp4Walk, AnAtomPastTheDeviceEndIsCutThere)
{
    Layout f;
    f.Add(Ftyp("isom"));
    f.Add(Atom(100, "moov"));
    f.Add(Atom(1000000, "mdat", 8));
    EXPECT_EQ(MeasureMp4(f.bytes, 8192), 8192u);
}

TEST(Mp4Walk, ThreeGpSharesTheWalk)
{
    Layout f;
    f.Add(Ftyp("3gp4"));
    f.Add(Atom(8, "free"));
    f.Add(Atom(300, "mdat"));
    f.Add(Atom(200, "moov"));
    f.Add(Atom(100, "skip"));
    f.Add(Atom(100, "junk"));
    File3GPAnalyser a;
    EXPECT_EQ(MeasureWith(a, f.bytes, 4096), 632u);
}

TEST(MovWalk, AcceptsItsOwnAtomsFromTheFirst)
{
    Layout f;
    f.Add(Atom(20, "ftyp"));
    f.Add(Atom(8, "wide"));
    f.Add(Atom(500, "mdat"));
    f.Add(Atom(300, "moov"));
    f.Add(Atom(100, "pnot"));
    f.Add(Atom(100, "moof")); // not a QuickTime top-level atom
    EXPECT_EQ(MeasureMov(f.bytes, 4096), 928u);

    Layout moovFirst;
    moovFirst.Add(Atom(300, "moov"));
    moovFirst.Add(Atom(500, "mdat"));
    EXPECT_EQ(MeasureMov(moovFirst.bytes, 4096), 800u);
}

TEST(MovWalk, AFirstAtomOutsideTheListGivesSizeZero)
{
    Layout f;
    f.Add(Atom(300, "skip"));
    f.Add(Atom(500, "mdat"));
    int result = 0;
    EXPECT_EQ(MeasureMov(f.bytes, 4096, &result), 0u);
    EXPECT_EQ(result, 1);

    Layout tiny;
    tiny.Add(Atom(20, "ftyp"));
    tiny.Add(Atom(4, "mdat"));
    EXPECT_EQ(MeasureMov(tiny.bytes, 4096), 20u);
}

TEST(MovWalk, TheSizeBoundEndsAWalkOfManySmallAtoms)
{
    GetRecoverySettings()->m_maxRawFileSize = 4000;
    Layout f;
    for (int i = 0; i < 1000; ++i) f.Add(Atom(8, "free"));
    EXPECT_EQ(MeasureMov(f.bytes), 4000u);
    GetRecoverySettings()->m_maxRawFileSize = CRecoverySettings::kDefaultMaxRawFileSize;
}
