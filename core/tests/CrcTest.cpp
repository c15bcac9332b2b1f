// CRC-16 and CRC-32 (MSB first, initial 0, no final XOR) against known check values.
#include "core/Crc.h"

#include <gtest/gtest.h>

#include <cstring>

namespace {

TEST(Crc, KnownCheckValues)
{
    const struct {
        const char* text;
        uint16_t crc16;
        uint32_t crc32;
    } rows[] = {
        {"123456789", 0xFEE8, 0x17D701F0},
        {"abc", 0xCADB, 0x226B8FC0},
        {"", 0x0000, 0x00000000},
    };
    for (const auto& r : rows) {
        SCOPED_TRACE(r.text);
        EXPECT_EQ(Crc16(r.text, std::strlen(r.text), 0x8005), r.crc16);
        EXPECT_EQ(Crc32(r.text, std::strlen(r.text), 0x1770), r.crc32);
    }
    // With the common polynomial this is CRC-32/POSIX (check 0x765E7680) before its final inversion.
    EXPECT_EQ(Crc32("123456789", 9, 0x04C11DB7), 0x89A1897Fu);
}

} // namespace
