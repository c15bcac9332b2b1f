// RAR, TAR and LZH measuring on byte-built archives: block and header rules, where each walk ends, the
// closing blocks, 64-bit lengths and the device's end.
#include "raw/ArchiveHeaders.h"
#include "raw/FileLZHAnalyser.h"
#include "raw/FileRARAnalyser.h"
#include "raw/FileTARAnalyser.h"

#include "filesystems/tree/CRawFileInfo.h"
#include "tests/support/MemoryDevice.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

using testsupport::MemoryDevice;

namespace {

using Bytes = std::vector<uint8_t>;

void Put16(Bytes& b, size_t at, uint32_t v)
{
    b[at] = uint8_t(v), b[at + 1] = uint8_t(v >> 8);
}
void Put32(Bytes& b, size_t at, uint32_t v)
{
    for (int i = 0; i < 4; ++i) b[at + size_t(i)] = uint8_t(v >> (8 * i));
}
void Append(Bytes& out, const Bytes& more)
{
    out.insert(out.end(), more.begin(), more.end());
}

uint64_t MeasureWith(IRawFileAnalyser& analyser, Bytes bytes, uint64_t deviceBytes, uint8_t filler = 0,
                     int* result = nullptr, int32_t sectorSize = 512)
{
    const size_t used = bytes.size();
    const size_t sector = size_t(sectorSize);
    const size_t total = std::max<size_t>(deviceBytes, (used + sector - 1) / sector * sector);
    bytes.resize(total, filler);
    MemoryDevice device(std::move(bytes), sectorSize);
    CRawFileInfo hit;
    const int r = analyser.Analyse(&hit, &device);
    if (result) *result = r;
    return hit.GetSize();
}

// ---- RAR ----

const Bytes kRarMarker = {0x52, 0x61, 0x72, 0x21, 0x1A, 0x07, 0x00};

Bytes RarArchiveHeader()
{
    Bytes b(13, 0);
    b[2] = 0x73;
    Put16(b, 5, 13);
    return b;
}

// A file header of headerSize bytes announcing packed bytes of data (the data itself is not written).
Bytes RarFileHeader(uint16_t headerSize, uint32_t packed, uint32_t unpacked, uint8_t host = 2)
{
    Bytes b(headerSize, 0);
    b[2] = 0x74;
    Put16(b, 5, headerSize);
    Put32(b, 7, packed);
    Put32(b, 11, unpacked);
    b[15] = host;
    return b;
}

Bytes RarWithFile(uint32_t packed, bool endBlock)
{
    Bytes a = kRarMarker;
    Append(a, RarArchiveHeader());
    Append(a, RarFileHeader(40, packed, packed + 10));
    a.resize(a.size() + packed, 0x5A);
    if (endBlock) a.insert(a.end(), std::begin(kRarEndBlock), std::end(kRarEndBlock));
    return a;
}

uint64_t MeasureRar(const Bytes& bytes, uint64_t deviceBytes = 0, uint8_t filler = 0, int* result = nullptr)
{
    FileRARAnalyser a;
    return MeasureWith(a, bytes, deviceBytes, filler, result);
}

// ---- TAR ----

Bytes TarHeader(const std::string& name, uint64_t size, char type = '0')
{
    Bytes h(512, 0);
    std::memcpy(h.data(), name.data(), std::min<size_t>(name.size(), 100));
    char digits[16];
    std::snprintf(digits, sizeof digits, "%011llo", static_cast<unsigned long long>(size));
    std::memcpy(h.data() + 124, digits, 11);
    h[124 + 11] = ' ';
    h[156] = uint8_t(type);
    std::memcpy(h.data() + 257,
                "ustar\0"
                "00",
                8);
    return h;
}

void AddTarMember(Bytes& tar, const std::string& name, uint64_t size, char type = '0')
{
    Append(tar, TarHeader(name, size, type));
    tar.resize(tar.size() + (size + 511) / 512 * 512, 0x41);
}

uint64_t MeasureTar(const Bytes& bytes, uint64_t deviceBytes = 0, uint8_t filler = 0, int* result = nullptr,
                    int32_t sectorSize = 512)
{
    FileTARAnalyser a;
    return MeasureWith(a, bytes, deviceBytes, filler, result, sectorSize);
}

// ---- LZH ----

Bytes LzhMember(uint8_t headerLength, uint32_t packed, const char* method = "-lh5-", uint8_t level = 1)
{
    Bytes h(size_t(headerLength) + 2, 0);
    h[0] = headerLength;
    std::memcpy(h.data() + 2, method, 5);
    Put32(h, 7, packed);
    h[20] = level;
    h.resize(h.size() + packed, 0x33);
    return h;
}

uint64_t MeasureLzh(const Bytes& bytes, uint64_t deviceBytes = 0, uint8_t filler = 0, int* result = nullptr)
{
    FileLZHAnalyser a;
    return MeasureWith(a, bytes, deviceBytes, filler, result);
}

} // namespace

TEST(RarBlocks, RulesOfEachBlockType)
{
    const struct {
        const char* what;
        Bytes block;
        bool valid;
        uint64_t length;
    } cases[] = {
        {"archive header", RarArchiveHeader(), true, 13},
        {"file header", RarFileHeader(40, 1000, 2000), true, 1040},
        {"file header, unpacked below packed", RarFileHeader(40, 1000, 999), false, 0},
        {"file header, host system 5", RarFileHeader(40, 10, 10, 5), false, 0},
        {"file header, largest sizes (64-bit sum)", RarFileHeader(40, 0xFFFFFFFF, 0xFFFFFFFF), true,
         40 + 0xFFFFFFFFull},
        {"header size 6",
         [] {
             Bytes b = RarArchiveHeader();
             Put16(b, 5, 6);
             return b;
         }(),
         false, 0},
        {"archive header of 9 bytes",
         [] {
             Bytes b = RarArchiveHeader();
             Put16(b, 5, 9);
             return b;
         }(),
         false, 0},
        {"comment",
         [] {
             Bytes b(16, 0);
             b[2] = 0x75;
             Put16(b, 5, 16);
             Put16(b, 7, 300);
             return b;
         }(),
         true, 316},
        {"sub-block",
         [] {
             Bytes b(16, 0);
             b[2] = 0x77;
             Put16(b, 5, 16);
             Put32(b, 7, 50);
             return b;
         }(),
         true, 66},
        {"sub-block with byte 13 set",
         [] {
             Bytes b(16, 0);
             b[2] = 0x77;
             Put16(b, 5, 16);
             b[13] = 1;
             return b;
         }(),
         false, 0},
        {"recovery record (64-bit sum)",
         [] {
             Bytes b(20, 0);
             b[2] = 0x78;
             Put16(b, 5, 0xFFFF);
             Put32(b, 7, 0xFFFFFFFF);
             return b;
         }(),
         true, 0xFFFFull + 0xFFFFFFFFull},
        {"end block of 7 bytes", Bytes(std::begin(kRarEndBlock), std::end(kRarEndBlock)), false, 0},
        {"unknown type",
         [] {
             Bytes b = RarArchiveHeader();
             b[2] = 0x79;
             return b;
         }(),
         false, 0},
        {"cut short", Bytes{0, 0, 0x74, 0, 0, 40, 0, 1, 0}, false, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        uint64_t length = 0;
        EXPECT_EQ(IsRarBlock(c.block), c.valid);
        EXPECT_EQ(GetRarBlockLength(c.block, length), c.valid);
        if (c.valid) {
            EXPECT_EQ(length, c.length);
        }
    }
}

TEST(RarWalk, ArchiveHeaderFileAndEndBlock)
{
    EXPECT_EQ(MeasureRar(RarWithFile(1000, true), 8192), 7u + 13 + 1040 + 7);
    // Without the end block, and with garbage after the last block: the end of that block.
    EXPECT_EQ(MeasureRar(RarWithFile(1000, false), 8192, 0xEE), 7u + 13 + 1040);
}

TEST(RarWalk, AFileHeaderWithUnpackedBelowPackedEndsTheWalkBeforeIt)
{
    Bytes a = RarWithFile(100, false);
    Append(a, RarFileHeader(40, 500, 100));
    a.resize(a.size() + 500, 0);
    EXPECT_EQ(MeasureRar(a, 8192, 0xEE), 7u + 13 + 140);
}

TEST(RarWalk, NoValidFirstBlockFails)
{
    Bytes a = kRarMarker;
    a.resize(512, 0xEE);
    int result = 1;
    EXPECT_EQ(MeasureRar(a, 4096, 0xEE, &result), 0u);
    EXPECT_EQ(result, 0);
}

TEST(RarWalk, LengthsPastTheDeviceEndAreClampedToIt)
{
    // 40 + 0xFFFFFFFF would wrap in 32 bits to 39 and walk into the file's data; in 64 bits it runs past the
    // device, whose end ends the archive.
    Bytes a = kRarMarker;
    Append(a, RarArchiveHeader());
    Append(a, RarFileHeader(40, 0xFFFFFFFF, 0xFFFFFFFF));
    Append(a, RarFileHeader(40, 100, 100)); // would be read at a wrapped offset
    int result = 0;
    EXPECT_EQ(MeasureRar(a, 64 * 1024, 0, &result), 64u * 1024);
    EXPECT_EQ(result, 1);
}

TEST(TarHeaders, SizeFieldsAndHeaderKinds)
{
    const struct {
        const char* field;
        uint64_t size;
    } cases[] = {
        {"00000001750 ", 1000},
        {"     1750 \0\0", 1000}, // old writers: blanks before, a blank after
        {"1750\0\0\0\0\0\0\0\0", 1000},
        {"77777777777 ", 8589934591ull}, // the largest 11-digit size, beyond 32 bits
        {"0000000x750 ", 01750 - 01000}, // a stray byte counts as 0
        {"000000000009", 0},             // the 12th byte is not read
        {"\0\0\0\0\0\0\0\0\0\0\0\0", 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.field);
        EXPECT_EQ(ParseTarSize({reinterpret_cast<const uint8_t*>(c.field), 12}), c.size);
    }

    EXPECT_EQ(ClassifyTarHeader(TarHeader("a", 0)), TarHeaderKind::Member);
    EXPECT_EQ(ClassifyTarHeader(Bytes(512, 0)), TarHeaderKind::End);
    Bytes plain = TarHeader("a", 0);
    plain[257] = 0;
    EXPECT_EQ(ClassifyTarHeader(plain), TarHeaderKind::NotTar);
    EXPECT_EQ(ClassifyTarHeader(Bytes(511, 0)), TarHeaderKind::NotTar);
}

TEST(TarWalk, MembersOfSizeZeroDoNotEndTheArchive)
{
    Bytes tar;
    AddTarMember(tar, "folder/", 0, '5');
    AddTarMember(tar, "folder/empty", 0);
    AddTarMember(tar, "folder/link", 0, '2');
    AddTarMember(tar, "folder/data", 600);
    const uint64_t members = tar.size();
    tar.resize(tar.size() + 1024, 0);
    tar.resize(tar.size() + 512, 0x77); // what follows the archive on the disk
    EXPECT_EQ(MeasureTar(tar, 16384, 0x77), members + 1024);
}

TEST(TarWalk, OneMemberOf600Bytes)
{
    Bytes tar;
    AddTarMember(tar, "a", 600);
    tar.resize(tar.size() + 512, 0); // one zero block, then other data
    EXPECT_EQ(MeasureTar(tar, 8192, 0x77), 512u + 1024 + 512);
    // With the second zero block of the end marker (or zeros after it) that block belongs to the archive too.
    EXPECT_EQ(MeasureTar(tar, 8192, 0), 512u + 1024 + 1024);
}

TEST(TarWalk, DataIsRoundedTo512BytesOnLargerSectors)
{
    Bytes tar;
    AddTarMember(tar, "a", 600);
    AddTarMember(tar, "b", 100);
    const uint64_t members = tar.size();
    ASSERT_EQ(members, 512u + 1024 + 512 + 512);
    tar.resize(tar.size() + 1024, 0);
    EXPECT_EQ(MeasureTar(tar, 16384, 0x77, nullptr, 4096), members + 1024);
}

TEST(TarWalk, AnArchiveCutShortEndsAfterItsLastWholeMember)
{
    Bytes tar;
    AddTarMember(tar, "a", 100);
    AddTarMember(tar, "b", 100);
    const uint64_t members = tar.size();
    tar.resize(tar.size() + 512, 'x'); // text where the next header would be
    EXPECT_EQ(MeasureTar(tar, 8192, 'x'), members);

    Bytes notTar = TarHeader("a", 100);
    notTar[257] = 'X';
    int result = 1;
    EXPECT_EQ(MeasureTar(notTar, 4096, 0, &result), 0u);
    EXPECT_EQ(result, 0);
}

TEST(TarWalk, AMemberPastTheDeviceEndIsClampedToIt)
{
    Bytes tar = TarHeader("huge", 077777777777ull);
    EXPECT_EQ(MeasureTar(tar, 8192), 8192u);
}

TEST(LzhHeaders, MethodsAndLevels)
{
    uint64_t length = 0;
    EXPECT_TRUE(GetLzhMemberLength(LzhMember(200, 1000), length));
    EXPECT_EQ(length, 202u + 1000);
    EXPECT_TRUE(GetLzhMemberLength(LzhMember(30, 0, "-lhd-"), length));
    EXPECT_EQ(length, 32u);
    EXPECT_FALSE(GetLzhMemberLength(LzhMember(30, 0, "-lhx-"), length));
    EXPECT_FALSE(GetLzhMemberLength(LzhMember(30, 10, "-lh5-", 3), length));

    Bytes level2 = LzhMember(40, 500, "-lh0-", 2);
    Put16(level2, 0, 300); // level 2: 16-bit length of the whole header
    EXPECT_TRUE(GetLzhMemberLength(level2, length));
    EXPECT_EQ(length, 800u);
}

TEST(LzhWalk, MembersThenTheClosingZeroByte)
{
    Bytes a = LzhMember(200, 1000);
    Append(a, LzhMember(30, 50, "-lh0-"));
    Append(a, LzhMember(30, 0, "-lhd-"));
    const uint64_t members = a.size();
    EXPECT_EQ(members, 202u + 1000 + 32 + 50 + 32);
    a.push_back(0);
    EXPECT_EQ(MeasureLzh(a, 8192, 0x77), members + 1);
    // No closing byte: the last member's end.
    a.back() = 0x77;
    EXPECT_EQ(MeasureLzh(a, 8192, 0x77), members);
}

TEST(LzhWalk, TheFirstMemberMustBeLh5OrLh0)
{
    int result = 1;
    EXPECT_EQ(MeasureLzh(LzhMember(30, 10, "-lh6-"), 4096, 0, &result), 0u);
    EXPECT_EQ(result, 0);
    EXPECT_EQ(MeasureLzh(LzhMember(30, 10, "-lh0-", 7), 4096, 0, &result), 0u);
    EXPECT_EQ(result, 0);
}

TEST(LzhWalk, AMemberPastTheDeviceEndIsClampedToIt)
{
    Bytes a = LzhMember(30, 10);
    Put32(a, 7, 0xFFFFFFFF);
    EXPECT_EQ(MeasureLzh(a, 4096), 4096u);
}
