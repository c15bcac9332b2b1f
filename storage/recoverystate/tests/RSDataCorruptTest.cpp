// Damaged recovery-state files: every read ends in the right CRSException code and nothing leaks or
// reads out of bounds (run under the sanitizers).
#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <random>
#include <string>
#include <vector>

#include <fcntl.h>
#include <unistd.h>
#include <zlib.h>

#include "storage/recoverystate/CRSDataEx.h"
#include "storage/recoverystate/tests/RSStreamFixture.h"
#include "tests/support/TempDir.h"

using namespace rstest;

namespace {

// A valid header (kind 1) from the writer itself.
std::vector<uint8_t> HeaderBytes(const testsupport::TempDir& dir)
{
    const std::string path = (dir / "header.rdf").string();
    CRSDataEx w(CRSData::kModeWrite);
    w.Open(path.c_str(), true);
    w.SetKind(1);
    w.Close();
    return ReadAll(path);
}

std::vector<uint8_t> Section(const RSGuid& guid, const std::vector<uint8_t>& payload, uint32_t length)
{
    std::vector<uint8_t> s(36);
    EncodeRSGuid(kRSMarkerGuid, s);
    EncodeRSGuid(guid, std::span<uint8_t>(s).subspan(16));
    PutU32(s, 32, length);
    s.insert(s.end(), payload.begin(), payload.end());
    return s;
}

std::vector<uint8_t> Section(const RSGuid& guid, const std::vector<uint8_t>& payload)
{
    return Section(guid, payload, uint32_t(payload.size()));
}

std::vector<uint8_t> Piece(const std::vector<uint8_t>& stored, bool compressed)
{
    const uint16_t head = uint16_t((stored.size() - 1) | (compressed ? 0x8000 : 0));
    std::vector<uint8_t> p = {uint8_t(head), uint8_t(head >> 8)};
    p.insert(p.end(), stored.begin(), stored.end());
    return p;
}

std::vector<uint8_t> Zlib(const std::vector<uint8_t>& data)
{
    uLongf n = compressBound(uLong(data.size()));
    std::vector<uint8_t> out(n);
    compress2(out.data(), &n, data.data(), uLong(data.size()), 5);
    out.resize(n);
    return out;
}

std::vector<uint8_t> Concat(std::initializer_list<std::vector<uint8_t>> parts)
{
    std::vector<uint8_t> all;
    for (const auto& p : parts) all.insert(all.end(), p.begin(), p.end());
    return all;
}

// Opens the file, finds kGuidA and reads `want` bytes: 0 when that worked, else the code thrown; -1
// when the file did not open.
int ReadSection(const std::string& path, size_t want, std::vector<uint8_t>* got = nullptr)
{
    CRSDataEx r(CRSData::kModeRead);
    if (!r.Open(path.c_str(), false)) return -1;
    try {
        r.BeginSection(kGuidA);
        std::vector<uint8_t> buffer(want);
        r.Read(buffer.data(), unsigned(want));
        if (got) *got = buffer;
        r.EndSection();
    } catch (const IRSException& e) {
        return e.GetCode();
    }
    return 0;
}

TEST(RSCorrupt, CraftedPayloadsAndSectionHeads)
{
    testsupport::TempDir dir;
    const auto header = HeaderBytes(dir);
    const std::vector<uint8_t> text(3000, 'q');
    const auto packed = Zlib(text);
    auto flippedPacked = packed;
    flippedPacked[packed.size() / 2] ^= 0x10;
    auto packedPlusOne = packed;
    packedPlusOne.push_back(0);
    const auto tooBig = Zlib(std::vector<uint8_t>(5000, 0));
    auto badHead = Piece(text, false);
    badHead[1] |= 0x10; // bit 12

    struct Row {
        const char* name;
        std::vector<uint8_t> file;
        size_t want;
        int code;
    } rows[] = {
        {"valid compressed piece", Concat({header, Section(kGuidA, Piece(packed, true))}), 3000, 0},
        {"read past the last piece", Concat({header, Section(kGuidA, Piece(packed, true))}), 3001, 5},
        {"compressed bytes flipped", Concat({header, Section(kGuidA, Piece(flippedPacked, true))}), 1, 5},
        {"compressed stream with a byte after its end", Concat({header, Section(kGuidA, Piece(packedPlusOne, true))}),
         1, 5},
        {"compressed piece longer than 4096 when decoded", Concat({header, Section(kGuidA, Piece(tooBig, true))}), 1,
         5},
        {"raw bytes marked compressed", Concat({header, Section(kGuidA, Piece(text, true))}), 1, 5},
        {"head with reserved bits", Concat({header, Section(kGuidA, badHead)}), 1, 5},
        {"piece longer than the section", Concat({header, Section(kGuidA, Piece(text, false), 100)}), 1, 5},
        {"section length past the end of the file", Concat({header, Section(kGuidA, Piece(text, false), 0xFFFFFFFFu)}),
         3000, 0},
        {"section length past the end, reading on", Concat({header, Section(kGuidA, Piece(text, false), 0xFFFFFFFFu)}),
         3001, 5},
        {"lone head byte", Concat({header, Section(kGuidA, {0x05})}), 1, 5},
        {"earlier section's length skips past the end",
         Concat({header, Section(kGuidB, {}, 0xFFFFFFF0u), Section(kGuidA, Piece(text, false))}), 1, 7},
        {"earlier section's length lands inside the next",
         Concat({header, Section(kGuidB, {1, 2, 3}, 1), Section(kGuidA, Piece(text, false))}), 1, 7},
        {"marker broken",
         [&] {
             auto f = Concat({header, Section(kGuidA, Piece(text, false))});
             f[132] ^= 1;
             return f;
         }(),
         1, 7},
        {"earlier section's marker broken: skipped by its length and the walk reads on",
         [&] {
             auto broken = Section(kGuidB, {1, 2, 3});
             broken[0] ^= 1;
             return Concat({header, broken, Section(kGuidA, Piece(text, false))});
         }(),
         3000, 0},
        {"a section with the asked GUID but no marker is not taken",
         [&] {
             auto unmarked = Section(kGuidA, Piece(std::vector<uint8_t>(100, 'z'), false));
             std::memset(unmarked.data(), 0, 16);
             return Concat({header, unmarked, Section(kGuidA, Piece(text, false))});
         }(),
         3000, 0},
        {"section head cut short", Concat({header, std::vector<uint8_t>(20, 0)}), 1, 7},
        {"no section at all", header, 1, 7},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        WriteAll(dir / "f.rdf", row.file);
        EXPECT_EQ(ReadSection((dir / "f.rdf").string(), row.want), row.code);
    }
}

// A real file with compressed and stored pieces in two sections, cut at every length and with every
// byte flipped: a read either gives the bytes written or throws 5 or 7.
TEST(RSCorrupt, EveryTruncationAndEveryFlippedByte)
{
    testsupport::TempDir dir;
    const std::string path = (dir / "good.rdf").string();
    std::mt19937 gen(11);
    std::vector<uint8_t> payload(6000);
    for (size_t i = 0; i < payload.size(); ++i) payload[i] = i < 4096 ? uint8_t("abcab"[i % 5]) : uint8_t(gen());
    {
        CRSDataEx w(CRSData::kModeWrite);
        w.Open(path.c_str(), true);
        w.SetKind(1);
        w.BeginSection(kGuidB);
        w.Write(payload.data(), 100);
        w.EndSection();
        w.BeginSection(kGuidA);
        w.Write(payload.data(), unsigned(payload.size()));
        w.EndSection();
    }
    const auto good = ReadAll(path);
    const size_t sectionA = 132 + 36 + (good[164] | good[165] << 8);
    ASSERT_EQ(ReadSection(path, payload.size()), 0);
    // Where section A's compressed pieces keep their bytes: any flip there must be caught.
    std::vector<bool> inCompressed(good.size(), false);
    size_t compressedBytes = 0;
    for (size_t at = sectionA + 36; at + 2 <= good.size();) {
        const int head = good[at] | good[at + 1] << 8;
        const size_t n = size_t(head & 0xFFF) + 1;
        for (size_t i = 0; (head & 0x8000) && i < n; ++i, ++compressedBytes) inCompressed[at + 2 + i] = true;
        at += 2 + n;
    }
    ASSERT_GT(compressedBytes, 10u);

    // In place, so that each case costs one small write: bytes flipped and put back, then the file cut
    // shorter and shorter.
    const std::string bad = (dir / "bad.rdf").string();
    WriteAll(bad, good);
    const int fd = ::open(bad.c_str(), O_RDWR | O_CLOEXEC);
    ASSERT_GE(fd, 0);
    for (size_t at = 0; at < good.size(); ++at) {
        const uint8_t flipped = uint8_t(good[at] ^ 0xFF);
        ASSERT_EQ(::pwrite(fd, &flipped, 1, off_t(at)), 1);
        std::vector<uint8_t> got;
        const int code = ReadSection(bad, payload.size(), &got);
        ASSERT_EQ(::pwrite(fd, &good[at], 1, off_t(at)), 1);
        ASSERT_TRUE(code == -1 || code == 0 || code == 5 || code == 7) << at << " gave " << code;
        if (at < 132) {
            ASSERT_EQ(code, -1) << at; // the header check catches every single flipped byte
        }
        if (inCompressed[at]) {
            ASSERT_EQ(code, 5) << at;
        }
    }
    for (size_t cut = good.size(); cut-- > 0;) {
        ASSERT_EQ(::ftruncate(fd, off_t(cut)), 0);
        const int code = ReadSection(bad, payload.size());
        const int expected = cut < 132 ? -1 : cut < sectionA + 36 ? 7 : 5;
        ASSERT_EQ(code, expected) << "cut at " << cut;
    }
    ::close(fd);
}

} // namespace
