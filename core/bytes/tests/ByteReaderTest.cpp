// The byte layer: every read outside the bytes yields zero and sticks, widths and byte orders, sub-ranges.
#include "core/bytes/ByteReader.h"
#include "core/bytes/ByteWriter.h"
#include "core/bytes/ParseStatus.h"

#include <gtest/gtest.h>

#include <array>
#include <limits>

using namespace bytes;

TEST(ByteReader, ReadsBothByteOrders)
{
    const std::array<uint8_t, 8> b{0x01, 0x02, 0x03, 0x04, 0x05, 0x06, 0x07, 0x88};
    ByteReader r(b);
    EXPECT_EQ(r.u16le(0), 0x0201);
    EXPECT_EQ(r.u16be(0), 0x0102);
    EXPECT_EQ(r.u24le(0), 0x030201u);
    EXPECT_EQ(r.u32le(0), 0x04030201u);
    EXPECT_EQ(r.u32be(0), 0x01020304u);
    EXPECT_EQ(r.u64le(0), 0x8807060504030201ull);
    EXPECT_EQ(r.u64be(0), 0x0102030405060788ull);
    EXPECT_EQ(r.sleN(7, 1), -120);
    EXPECT_EQ(r.sleN(6, 2), static_cast<int16_t>(0x8807));
    EXPECT_EQ(r.uleN(5, 3), 0x880706u);
    EXPECT_TRUE(r);
}

TEST(ByteReader, OutOfBoundsReadsGiveZeroAndStick)
{
    const std::array<uint8_t, 4> b{1, 2, 3, 4};
    struct Case {
        const char* name;
        uint64_t (*read)(ByteReader&);
    };
    const Case cases[] = {
        {"u32 at 1", [](ByteReader& r) -> uint64_t { return r.u32le(1); }},
        {"u16 at 3", [](ByteReader& r) -> uint64_t { return r.u16be(3); }},
        {"u8 at 4", [](ByteReader& r) -> uint64_t { return r.u8(4); }},
        {"u64 at 0", [](ByteReader& r) -> uint64_t { return r.u64le(0); }},
        {"wrapping offset",
         [](ByteReader& r) -> uint64_t { return r.u32le(std::numeric_limits<uint64_t>::max() - 1); }},
        {"width 9", [](ByteReader& r) -> uint64_t { return r.uleN(0, 9); }},
        {"span past end", [](ByteReader& r) -> uint64_t { return r.span(2, 3).size(); }},
        {"sub past end", [](ByteReader& r) -> uint64_t { return r.sub(3, 2).size(); }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ByteReader r(b);
        EXPECT_EQ(c.read(r), 0u);
        EXPECT_FALSE(r);
        EXPECT_EQ(r.u8(0), 1); // later good reads still work, the error stays
        EXPECT_FALSE(r);
    }
}

TEST(ByteReader, SubRangesAreBoundedByTheirOwnSize)
{
    const std::array<uint8_t, 6> b{0, 1, 2, 3, 4, 5};
    ByteReader r(b);
    ByteReader s = r.sub(2, 3);
    EXPECT_TRUE(r);
    EXPECT_EQ(s.size(), 3u);
    EXPECT_EQ(s.u8(0), 2);
    EXPECT_EQ(s.u8(3), 0); // byte 5 of the parent is outside the sub-range
    EXPECT_FALSE(s);
    EXPECT_TRUE(r);
    EXPECT_EQ(r.tail(6).size(), 0u);
    EXPECT_TRUE(r);
    EXPECT_TRUE(r.matches(1, std::span<const uint8_t>(b.data() + 1, 2)));
    EXPECT_FALSE(r.matches(5, std::span<const uint8_t>(b.data(), 2)));
    EXPECT_TRUE(r);

    uint8_t out[4] = {9, 9, 9, 9};
    r.copy(4, out, 4);
    EXPECT_EQ(out[0], 0);
    EXPECT_EQ(out[3], 0);
    EXPECT_FALSE(r);
}

TEST(ByteWriter, WritesFieldsAndDropsWhatDoesNotFit)
{
    std::array<uint8_t, 6> b{};
    ByteWriter w(b);
    w.u16le(0, 0x0201);
    w.u32be(2, 0x03040506);
    EXPECT_TRUE(w);
    EXPECT_EQ(b, (std::array<uint8_t, 6>{1, 2, 3, 4, 5, 6}));
    w.u32le(4, 0xFFFFFFFF);
    EXPECT_FALSE(w);
    EXPECT_EQ(b[4], 5); // nothing of the refused write landed

    std::vector<uint8_t> out;
    ByteAppender a(out);
    a.u16le(0x0102);
    a.s32le(-2);
    a.zeros(1);
    EXPECT_EQ(out, (std::vector<uint8_t>{2, 1, 0xFE, 0xFF, 0xFF, 0xFF, 0}));
    ByteReader back(out);
    EXPECT_EQ(back.s32le(2), -2);
}

TEST(ParseStatus, WorseVerdictWins)
{
    ParseResult r;
    r.Merge(ParseStatus::Corrupt);
    r.Merge(ParseStatus::Ok);
    EXPECT_EQ(r.status, ParseStatus::Corrupt);
    r.Merge(ParseStatus::IoFailure);
    EXPECT_EQ(r.status, ParseStatus::IoFailure);
    EXPECT_STREQ(ParseStatusName(r.status), "I/O failure");
}
