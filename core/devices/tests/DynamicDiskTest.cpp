// The dynamic-disk test over hand-built MBR, EBR and GPT sectors.
#include "core/devices/DynamicDisk.h"

#include "tests/support/MemoryDevice.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>

using testsupport::MemoryDevice;

namespace {

void SetEntry(MemoryDevice& dev, uint64_t sector, int index, uint8_t type, uint32_t start)
{
    uint8_t* e = dev.Sector(sector) + 446 + index * 16;
    e[4] = type;
    for (int i = 0; i < 4; ++i) e[8 + i] = static_cast<uint8_t>(start >> (8 * i));
    dev.Sector(sector)[510] = 0x55;
    dev.Sector(sector)[511] = 0xAA;
}

void SetGptName(MemoryDevice& dev, int entry, const char* name)
{
    uint8_t* p = dev.Sector(2) + entry * 128 + 56;
    for (int i = 0; name[i]; ++i) p[2 * i] = static_cast<uint8_t>(name[i]);
}

std::vector<uint64_t> ReadSectorsOf(const MemoryDevice& dev)
{
    std::vector<uint64_t> out;
    for (const auto& r : dev.Reads()) out.push_back(r.first);
    return out;
}

} // namespace

TEST(IsDynamicDisk, PartitionType42AnywhereInTheChain)
{
    MemoryDevice mbr(5000);
    SetEntry(mbr, 0, 0, 0x07, 63);
    SetEntry(mbr, 0, 1, 0x42, 1000);
    EXPECT_TRUE(IsDynamicDisk(&mbr, 5000, 512)); // no PRIVHEAD needed

    MemoryDevice chain(5000);
    SetEntry(chain, 0, 0, 0x05, 1000);
    SetEntry(chain, 1000, 1, 0x05, 2000); // relative to the extended partition: sector 3000
    SetEntry(chain, 3000, 0, 0x42, 10);
    EXPECT_TRUE(IsDynamicDisk(&chain, 5000, 512));
    EXPECT_EQ(ReadSectorsOf(chain), (std::vector<uint64_t>{0, 1000, 3000}));
}

TEST(IsDynamicDisk, ChainEndsAtASectorAlreadyRead)
{
    MemoryDevice dev(5000);
    SetEntry(dev, 0, 0, 0x0F, 1000);
    SetEntry(dev, 1000, 1, 0x05, 0); // links to itself
    EXPECT_FALSE(IsDynamicDisk(&dev, 5000, 512));
    const auto reads = ReadSectorsOf(dev);
    EXPECT_EQ(std::count(reads.begin(), reads.end(), 1000u), 1);
}

TEST(IsDynamicDisk, GptNeedsBothLdmPartitions)
{
    MemoryDevice both(100);
    SetEntry(both, 0, 0, 0xEE, 1);
    SetGptName(both, 0, "LDM metadata partition");
    SetGptName(both, 3, "LDM data partition");
    EXPECT_TRUE(IsDynamicDisk(&both, 100, 512));

    MemoryDevice dataOnly(100);
    SetEntry(dataOnly, 0, 0, 0xEE, 1);
    SetGptName(dataOnly, 1, "LDM data partition");
    EXPECT_FALSE(IsDynamicDisk(&dataOnly, 100, 512));

    MemoryDevice notProtective(100);
    SetEntry(notProtective, 0, 0, 0x07, 1);
    SetGptName(notProtective, 0, "LDM metadata partition");
    SetGptName(notProtective, 1, "LDM data partition");
    EXPECT_FALSE(IsDynamicDisk(&notProtective, 100, 512));
}

TEST(IsDynamicDisk, SmallDevicesAndFailedReads)
{
    MemoryDevice six(6);
    SetEntry(six, 0, 0, 0x42, 1);
    EXPECT_FALSE(IsDynamicDisk(&six, 6, 512));
    EXPECT_EQ(six.ReadCount(), 0u);
    EXPECT_FALSE(IsDynamicDisk(&six, 100, 0));

    MemoryDevice failing(100);
    SetEntry(failing, 0, 0, 0x42, 1);
    failing.FailSector(0);
    EXPECT_FALSE(IsDynamicDisk(&failing, 100, 512));
}

TEST(PrivHead, SwapsItsBigEndianFieldsOnlyUnderTheSignature)
{
    std::vector<uint8_t> sector(512);
    std::memcpy(sector.data(), "PRIVHEAD", 8);
    sector[12] = 0x00, sector[13] = 0x02;
    sector[331] = 0x01, sector[334] = 0x04;
    for (int i = 0; i < 8; ++i) sector[283 + i] = static_cast<uint8_t>(i + 1);
    ASSERT_TRUE(CheckPrivHead(sector));
    EXPECT_EQ(sector[12], 0x02);
    EXPECT_EQ(sector[331], 0x04);
    EXPECT_EQ(sector[334], 0x01);
    EXPECT_EQ(sector[283], 8);

    std::vector<uint8_t> other(512);
    other[12] = 0x11;
    EXPECT_FALSE(CheckPrivHead(other));
    EXPECT_EQ(other[12], 0x11);
    uint8_t bytes[5] = {1, 2, 3, 4, 5};
    EXPECT_EQ(ReverseBytes(bytes, 5), 2u);
    EXPECT_EQ(bytes[0], 5);
}

TEST(PrivHead, DecodedFieldsAgreeWithTheSwappedSector)
{
    std::vector<uint8_t> sector(512);
    std::memcpy(sector.data(), "PRIVHEAD", 8);
    std::memcpy(sector.data() + 0x30, "11111111-2222-3333-4444-555555555555", 36);
    std::memset(sector.data() + 0xF0, 'G', 40); // the group name field is 32 bytes, unterminated here
    for (int i = 0; i < 8; ++i) {
        sector[0x11B + i] = static_cast<uint8_t>(i == 7 ? 63 : 0);
        sector[0x12B + i] = static_cast<uint8_t>(0x10 + i);
    }
    PrivHeadFields fields;
    ASSERT_TRUE(DecodePrivHead(sector, fields));
    EXPECT_EQ(fields.diskId, "11111111-2222-3333-4444-555555555555");
    EXPECT_EQ(fields.diskGroupName, std::string(32, 'G'));
    EXPECT_EQ(fields.logicalDiskStart, 63u);
    EXPECT_EQ(fields.configStart, 0x1011121314151617ull);
    ASSERT_TRUE(CheckPrivHead(sector));
    uint64_t swapped = 0;
    std::memcpy(&swapped, sector.data() + 0x12B, 8); // host order after the swap (little-endian hosts)
    EXPECT_EQ(swapped, fields.configStart);
    EXPECT_FALSE(DecodePrivHead(std::span<const uint8_t>(sector).first(511), fields));
}

TEST(VblkHeader, FieldsAreBigEndian)
{
    std::vector<uint8_t> block(128);
    std::memcpy(block.data(), "VBLK", 4);
    const uint8_t header[] = {0, 0, 0, 9, 0, 0, 0, 7, 0, 1, 0, 3, 0, 0, 0x10, 0x33, 0, 0, 1, 0x2C};
    std::memcpy(block.data() + 4, header, sizeof header);
    VblkHeader h;
    ASSERT_TRUE(DecodeVblkHeader(block, h));
    EXPECT_EQ(h.sequence, 9u);
    EXPECT_EQ(h.group, 7u);
    EXPECT_EQ(h.recordNumber, 1u);
    EXPECT_EQ(h.blockCount, 3u);
    EXPECT_EQ(h.flags, 0x10);
    EXPECT_EQ(h.type, 0x33);
    EXPECT_EQ(h.dataLength, 300u);
    block[0] = 'X';
    EXPECT_FALSE(DecodeVblkHeader(block, h));
}
