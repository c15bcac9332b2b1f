// The recovery-state stream over real files: header bytes and checks, sections, pieces, directions.
#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <random>
#include <string>
#include <unistd.h>
#include <vector>

#include "storage/recoverystate/CRSDataEx.h"
#include "storage/recoverystate/RSDataStreams.h"
#include "storage/recoverystate/tests/RSStreamFixture.h"
#include "tests/support/TempDir.h"

using namespace rstest;

namespace {

int CodeOf(const std::function<void()>& f)
{
    try {
        f();
    } catch (const IRSException& e) {
        return e.GetCode();
    }
    return 0;
}

std::string WriteFile(const testsupport::TempDir& dir, int kind, const char* title,
                      const std::function<void(IRSData&)>& body)
{
    const std::string path = (dir / "state.rdf").string();
    CRSDataEx w(CRSData::kModeWrite);
    EXPECT_TRUE(w.Open(path.c_str(), true));
    EXPECT_TRUE(w.SetKind(kind));
    if (title) {
        EXPECT_TRUE(w.WriteTitle(title));
    }
    body(w);
    w.Close();
    return path;
}

TEST(RSHeaderBytes, GoldenHeaderAndSectionHead)
{
    testsupport::TempDir dir;
    const std::string path = WriteFile(dir, 2, "abc", [](IRSData& w) {
        w.BeginSection(kGuidA);
        w.Write("xyz", 3);
        w.EndSection();
    });
    const auto file = ReadAll(path);
    ASSERT_EQ(file.size(), 132u + 36 + 2 + 3);

    std::vector<uint8_t> header(132, 0);
    const uint8_t marker[16] = {0xEA, 0xF4, 0xB3, 0x1C, 0x05, 0x43, 0xB6, 0x4A,
                                0xB4, 0xB8, 0x24, 0x4A, 0x33, 0xD9, 0x13, 0xBB};
    std::memcpy(header.data(), marker, 16);
    PutU32(header, 16, 5800);
    PutU32(header, 24, 2);
    PutU32(header, 28, 3);
    std::memcpy(&header[32], "abc", 3);
    PutU32(header, 20, BitwiseCrc16(header.data(), 132));
    EXPECT_EQ(std::vector<uint8_t>(file.begin(), file.begin() + 132), header);

    std::vector<uint8_t> section(marker, marker + 16);
    const auto g = GuidBytes(kGuidA);
    section.insert(section.end(), g.begin(), g.end());
    section.insert(section.end(), {5, 0, 0, 0, 0x02, 0x00, 'x', 'y', 'z'});
    EXPECT_EQ(std::vector<uint8_t>(file.begin() + 132, file.end()), section);
}

TEST(RSHeaderBytes, SectionGuidsAreStoredInTheirUsualForm)
{
    const auto b = GuidBytes(kRSFileTreeGuid);
    const std::vector<uint8_t> expected = {0x6C, 0xF2, 0x08, 0xD2, 0x8C, 0x07, 0x34, 0x4E,
                                           0x9D, 0x71, 0xD9, 0x1F, 0x53, 0x5F, 0x7B, 0x57};
    EXPECT_EQ(b, expected);
    EXPECT_TRUE(DecodeRSGuid(b) == kRSFileTreeGuid);
}

TEST(RSHeader, KindTitleAndCheckValue)
{
    testsupport::TempDir dir;
    const std::string title100(100, 'T');
    const std::string path = WriteFile(dir, 3, (title100 + "cut").c_str(), [](IRSData&) {});
    CRSDataEx r(CRSData::kModeRead);
    ASSERT_TRUE(r.Open(path.c_str(), false));
    EXPECT_TRUE(r.IsValidFile());
    EXPECT_EQ(r.GetKind(), 3);
    char whole[120];
    ASSERT_TRUE(r.ReadTitle(whole, sizeof whole));
    EXPECT_EQ(std::string(whole), title100);
    char small[10];
    ASSERT_TRUE(r.ReadTitle(small, sizeof small));
    EXPECT_EQ(std::string(small), "TTTTTTTTT");
    EXPECT_FALSE(r.ReadTitle(nullptr, 10));
    EXPECT_FALSE(r.ReadTitle(small, 0));
    RSHeader h;
    ASSERT_TRUE(r.ReadHeader(&h));
    auto bytes = ReadAll(path);
    PutU32(bytes, 20, 0);
    EXPECT_EQ(h.check, BitwiseCrc16(bytes.data(), 132));
    EXPECT_EQ(h.version, 5800u);
}

// Damaged or foreign headers: the reader refuses to open them, or the field read says what is wrong.
TEST(RSHeader, DamagedHeadersAreRefusedOrReported)
{
    testsupport::TempDir dir;
    const std::string path = WriteFile(dir, 1, "title", [](IRSData&) {});
    const auto good = ReadAll(path);

    auto reseal = [](std::vector<uint8_t> bytes) {
        PutU32(bytes, 20, 0);
        PutU32(bytes, 20, BitwiseCrc16(bytes.data(), 132));
        return bytes;
    };
    struct Row {
        const char* name;
        std::vector<uint8_t> bytes;
        bool opens;
        bool valid;
    };
    auto flipped = good;
    flipped[40] ^= 1;
    auto badVersion = good;
    PutU32(badVersion, 16, 5801);
    auto kind9 = good;
    PutU32(kind9, 24, 9);
    auto kind0 = good;
    PutU32(kind0, 24, 0);
    auto longTitle = good;
    PutU32(longTitle, 28, 101);
    auto highCheck = good;
    highCheck[22] = 1;
    const Row rows[] = {
        {"flipped title byte", flipped, false, false},
        {"check value upper half set", highCheck, false, false},
        {"version", reseal(badVersion), false, false},
        {"kind 9", reseal(kind9), true, false},
        {"kind 0", reseal(kind0), true, false},
        {"title length 101", reseal(longTitle), true, true},
        {"truncated header", std::vector<uint8_t>(good.begin(), good.begin() + 131), false, false},
        {"empty file", {}, false, false},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        WriteAll(dir / "bad.rdf", row.bytes);
        CRSDataEx r(CRSData::kModeRead);
        EXPECT_EQ(r.Open((dir / "bad.rdf").c_str(), false), row.opens);
        if (!row.opens) continue;
        EXPECT_EQ(r.IsValidFile(), row.valid);
        if (std::string(row.name) == "kind 9") {
            EXPECT_EQ(CodeOf([&] { r.GetKind(); }), 2);
        }
        if (std::string(row.name) == "title length 101") {
            char buf[200];
            EXPECT_EQ(CodeOf([&] { r.ReadTitle(buf, sizeof buf); }), 2);
        }
    }
}

TEST(RSHeader, SetKindOnAFileWithoutHeaderWritesAFreshOne)
{
    testsupport::TempDir dir;
    const std::string path = (dir / "w.rdf").string();
    CRSDataEx w(CRSData::kModeWrite);
    ASSERT_TRUE(w.Open(path.c_str(), true));
    EXPECT_FALSE(w.WriteTitle("no header yet")); // a title needs a header
    ASSERT_TRUE(w.SetKind(4));
    ASSERT_TRUE(w.WriteTitle("t"));
    ASSERT_TRUE(w.SetKind(2)); // keeps the title
    w.Close();
    CRSDataEx r(CRSData::kModeRead);
    ASSERT_TRUE(r.Open(path.c_str(), false));
    EXPECT_EQ(r.GetKind(), 2);
    char t[8];
    ASSERT_TRUE(r.ReadTitle(t, sizeof t));
    EXPECT_STREQ(t, "t");
}

TEST(RSStream, WrongDirectionAndMissingSectionCodes)
{
    testsupport::TempDir dir;
    const std::string path = WriteFile(dir, 1, nullptr, [](IRSData& w) {
        EXPECT_EQ(CodeOf([&] { w.Write("a", 1); }), 8);
        EXPECT_EQ(CodeOf([&] { w.GetSectionLength(); }), 8);
        w.BeginSection(kGuidA);
        char c;
        EXPECT_EQ(CodeOf([&] { w.Read(&c, 1); }), 3);
        EXPECT_EQ(CodeOf([&] { w.GetKind(); }), 3);
        EXPECT_EQ(CodeOf([&] { w.ReadTitle(&c, 1); }), 3);
        w.EndSection();
    });
    CRSDataEx r(CRSData::kModeRead);
    ASSERT_TRUE(r.Open(path.c_str(), false));
    char c;
    EXPECT_EQ(CodeOf([&] { r.Read(&c, 1); }), 8);
    EXPECT_EQ(CodeOf([&] { r.BeginSection(kGuidB); }), 7);
    EXPECT_EQ(CodeOf([&] { r.GetSectionLength(); }), 8);
    ASSERT_TRUE(r.BeginSection(kGuidA));
    EXPECT_EQ(r.GetSectionLength(), 0u);
    EXPECT_EQ(CodeOf([&] { r.Read(&c, 1); }), 5); // an empty section
    EXPECT_EQ(CodeOf([&] { r.Write("a", 1); }), 3);
    EXPECT_EQ(CodeOf([&] { r.SetKind(1); }), 3);
    EXPECT_EQ(CodeOf([&] { r.WriteTitle("x"); }), 3);
    EXPECT_FALSE(r.WriteHeader(nullptr));
    RSHeader h;
    EXPECT_FALSE(r.WriteHeader(&h));
}

// Payloads of many sizes and kinds across flushes of the 512 KiB buffer, read back in odd slices.
TEST(RSStream, SectionsRoundTripThroughPiecesAndFlushes)
{
    std::mt19937 gen(3);
    std::vector<uint8_t> mixed(1500000);
    for (size_t i = 0; i < mixed.size(); ++i)
        mixed[i] = (i / 10000) % 2 ? uint8_t(gen()) : uint8_t("state of the scan "[i % 18]);

    testsupport::TempDir dir;
    const std::string path = WriteFile(dir, 1, "x", [&](IRSData& w) {
        w.BeginSection(kGuidA);
        RSWriteValue<uint8_t>(&w, 0xAB);
        RSWriteValue<uint16_t>(&w, 0xBEEF);
        RSWriteValue<int32_t>(&w, -5);
        RSWriteValue<uint64_t>(&w, 0x0123456789ABCDEFull);
        RSWriteValue<double>(&w, 2.5);
        for (size_t at = 0; at < mixed.size(); at += 777)
            w.Write(mixed.data() + at, unsigned(std::min<size_t>(777, mixed.size() - at)));
        w.EndSection();
        w.BeginSection(kGuidB);
        w.Write(mixed.data(), 10);
        w.EndSection();
        w.BeginSection(kGuidA); // a second section with the same GUID is never found
        w.Write("second", 6);
        w.EndSection();
    });

    CRSDataEx r(CRSData::kModeRead);
    ASSERT_TRUE(r.Open(path.c_str(), false));
    ASSERT_TRUE(r.BeginSection(kGuidB));
    std::vector<uint8_t> ten(10);
    r.Read(ten.data(), 10);
    EXPECT_TRUE(std::equal(ten.begin(), ten.end(), mixed.begin()));
    ASSERT_TRUE(r.BeginSection(kGuidA));
    EXPECT_LT(r.GetSectionLength(), mixed.size()); // the text pieces shrank
    EXPECT_EQ(RSReadValue<uint8_t>(&r), 0xAB);
    EXPECT_EQ(RSReadValue<uint16_t>(&r), 0xBEEF);
    EXPECT_EQ(RSReadValue<int32_t>(&r), -5);
    EXPECT_EQ(RSReadValue<uint64_t>(&r), 0x0123456789ABCDEFull);
    EXPECT_EQ(RSReadValue<double>(&r), 2.5);
    std::vector<uint8_t> back(mixed.size());
    for (size_t at = 0; at < back.size(); at += 5003)
        r.Read(back.data() + at, unsigned(std::min<size_t>(5003, back.size() - at)));
    EXPECT_TRUE(back == mixed);
    char c;
    EXPECT_EQ(CodeOf([&] { r.Read(&c, 1); }), 5);
    r.EndSection();
}

// Which pieces are stored compressed: only those that shrink, with the head saying so.
TEST(RSStream, PieceHeads)
{
    std::mt19937 gen(9);
    std::vector<uint8_t> random(4096), zeros(4096, 0);
    for (auto& b : random) b = uint8_t(gen());
    testsupport::TempDir dir;
    const std::string path = WriteFile(dir, 1, nullptr, [&](IRSData& w) {
        w.BeginSection(kGuidA);
        w.Write(random.data(), 4096);
        w.Write(zeros.data(), 4096);
        w.Write(zeros.data(), 1);
        w.EndSection();
    });
    const auto file = ReadAll(path);
    size_t at = 132 + 36;
    EXPECT_EQ(file[at] | file[at + 1] << 8, 0x0FFF);
    EXPECT_TRUE(std::equal(random.begin(), random.end(), file.begin() + at + 2));
    at += 2 + 4096;
    const int head = file[at] | file[at + 1] << 8;
    EXPECT_EQ(head & 0xF000, 0x8000);
    const size_t stored = size_t(head & 0xFFF) + 1;
    EXPECT_LT(stored, 100u);
    at += 2 + stored;
    EXPECT_EQ(file[at] | file[at + 1] << 8, 0x0000); // one byte, stored as it is
    EXPECT_EQ(at + 3, file.size());
    uint32_t length = 0;
    std::memcpy(&length, &file[132 + 32], 4);
    EXPECT_EQ(length, file.size() - 132 - 36);
}

// The process-wide streams drop whatever an interrupted use left behind when they open the next file.
TEST(RSStream, SingletonsStartAfreshOnOpen)
{
    ASSERT_EQ(GetRSDataWriter(), GetRSDataWriter());
    ASSERT_NE(GetRSDataWriter(), GetRSDataReader());
    testsupport::TempDir dir;
    const std::string path = WriteFile(dir, 1, nullptr, [](IRSData& w) {
        w.BeginSection(kGuidA);
        w.Write("0123456789", 10);
        w.EndSection();
    });
    IRSData* r = GetRSDataReader();
    ASSERT_TRUE(r->Open(path.c_str(), false));
    ASSERT_TRUE(r->BeginSection(kGuidA));
    char buf[20];
    r->Read(buf, 4);
    EXPECT_EQ(CodeOf([&] { r->Read(buf, 20); }), 5); // left with a section open and a half-used piece
    ASSERT_TRUE(r->Open(path.c_str(), false));
    EXPECT_EQ(CodeOf([&] { r->Read(buf, 1); }), 8);
    ASSERT_TRUE(r->BeginSection(kGuidA));
    r->Read(buf, 10);
    EXPECT_EQ(std::string(buf, 10), "0123456789");
    r->Close();

    IRSData* w = GetRSDataWriter();
    const std::string other = (dir / "other.rdf").string();
    ASSERT_TRUE(w->Open(other.c_str(), true));
    w->SetKind(1);
    w->BeginSection(kGuidB);
    w->Write("abandoned", 9);
    ASSERT_TRUE(w->Open(other.c_str(), true)); // starts over: the buffered bytes are gone
    w->SetKind(1);
    w->BeginSection(kGuidA);
    w->Write("kept", 4);
    w->Close(); // ends the open section
    ASSERT_TRUE(r->Open(other.c_str(), false));
    EXPECT_EQ(CodeOf([&] { r->BeginSection(kGuidB); }), 7);
    ASSERT_TRUE(r->BeginSection(kGuidA));
    r->Read(buf, 4);
    EXPECT_EQ(std::string(buf, 4), "kept");
    r->Close();
}

// Sections beyond 4 GiB: a sparse first section pushes the second one past 32-bit offsets.
TEST(RSStream, SixtyFourBitOffsets)
{
    testsupport::TempDir dir;
    const std::string path = WriteFile(dir, 1, nullptr, [](IRSData&) {});
    auto bytes = ReadAll(path);
    std::vector<uint8_t> head(36);
    EncodeRSGuid(kRSMarkerGuid, head);
    EncodeRSGuid(kGuidB, std::span<uint8_t>(head).subspan(16));
    PutU32(head, 32, 0xFFFFFF00u);
    bytes.insert(bytes.end(), head.begin(), head.end());
    WriteAll(path, bytes);
    ASSERT_EQ(::truncate(path.c_str(), off_t(132 + 36) + 0xFFFFFF00ll), 0);

    CRSDataEx w(CRSData::kModeWrite);
    ASSERT_TRUE(w.Open(path.c_str(), false));
    w.BeginSection(kGuidA);
    RSWriteValue<uint64_t>(&w, 77);
    w.EndSection();
    w.Close();

    CRSDataEx r(CRSData::kModeRead);
    ASSERT_TRUE(r.Open(path.c_str(), false));
    ASSERT_TRUE(r.BeginSection(kGuidA));
    EXPECT_EQ(RSReadValue<uint64_t>(&r), 77u);
}

// The uncompressed base stream keeps the same contract.
TEST(RSStream, PlainPayloadStream)
{
    testsupport::TempDir dir;
    const std::string path = (dir / "plain.rdf").string();
    std::vector<uint8_t> big(600000);
    for (size_t i = 0; i < big.size(); ++i) big[i] = uint8_t(i * 7);
    {
        CRSData w(CRSData::kModeWrite);
        ASSERT_TRUE(w.Open(path.c_str(), true));
        w.SetKind(1);
        w.BeginSection(kGuidA);
        w.Write("abc", 3);
        w.Write(big.data(), unsigned(big.size()));
        w.EndSection();
    }
    EXPECT_EQ(ReadAll(path).size(), 132 + 36 + 3 + big.size());
    CRSData r(CRSData::kModeRead);
    ASSERT_TRUE(r.Open(path.c_str(), false));
    ASSERT_TRUE(r.BeginSection(kGuidA));
    char abc[3];
    r.Read(abc, 3);
    std::vector<uint8_t> back(big.size());
    r.Read(back.data(), unsigned(back.size()));
    EXPECT_TRUE(back == big);
    EXPECT_EQ(CodeOf([&] { r.Read(abc, 1); }), 5);
}

} // namespace
