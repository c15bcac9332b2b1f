// The dynamic volume devices over in-memory member disks: how volume sectors map to members, rebuilding a
// RAID-5 column from parity, what missing and failing members give, and which member sets are refused.
#include "filesystems/partitions/DynamicVolumeFactory.h"

#include "tests/support/MemoryDevice.h"

#include <gtest/gtest.h>

#include <cstring>

using testsupport::MemoryDevice;

namespace {

struct Members {
    std::vector<std::unique_ptr<MemoryDevice>> disks;
    std::vector<LdmExtent> extents;

    // A patterned disk of `sectors` sectors whose member run starts at `first`.
    MemoryDevice* Add(uint64_t sectors, uint64_t first, uint64_t length, uint64_t offset = 0)
    {
        auto disk = std::make_unique<MemoryDevice>(sectors);
        disk->FillWithPattern();
        LdmExtent e;
        e.index = int32_t(extents.size());
        e.diskId = "disk" + std::to_string(extents.size());
        e.firstSector = first;
        e.length = length;
        e.offset = offset;
        e.disk = disk.get();
        extents.push_back(e);
        disks.push_back(std::move(disk));
        return disks.back().get();
    }
    void Remove(size_t i) { extents[i].disk = nullptr; }
};

LdmVolumeInfo Info(uint64_t sectors)
{
    LdmVolumeInfo info;
    info.volumeName = "Volume1";
    info.sectorCount = sectors;
    return info;
}

std::vector<MemoryDevice::Read> ReadsOf(const MemoryDevice* d)
{
    return d->Reads();
}

// The first byte of a sector of a patterned disk identifies it.
uint8_t FirstByte(const std::vector<uint8_t>& buffer, uint64_t sectorInBuffer)
{
    return buffer[sectorInBuffer * 512];
}

} // namespace

TEST(DynamicVolumeDevices, StripedMapsStripeUnitsToColumns)
{
    Members m;
    MemoryDevice* d0 = m.Add(2000, 10, 1024);
    MemoryDevice* d1 = m.Add(2000, 20, 1024);
    auto dev = CreateStripedVolumeDevice(kDynamicStriped, Info(2048), m.extents);
    ASSERT_TRUE(dev);
    std::vector<uint8_t> buffer(200 * 512);
    ASSERT_TRUE(dev->ReadSectors(buffer.data(), 100, 200));
    // 28 sectors from column 0, 128 from column 1, 44 from column 0 (row 1).
    EXPECT_EQ(ReadsOf(d0), (std::vector<MemoryDevice::Read>{{110, 28}, {10 + 128, 44}}));
    EXPECT_EQ(ReadsOf(d1), (std::vector<MemoryDevice::Read>{{20, 128}}));
    EXPECT_EQ(FirstByte(buffer, 28), MemoryDevice::PatternByte(20, 0));
    EXPECT_EQ(FirstByte(buffer, 156), MemoryDevice::PatternByte(138, 0));

    // A missing column: zeros for its units and a failed read.
    m.Remove(1);
    auto gap = CreateStripedVolumeDevice(kDynamicStriped, Info(2048), m.extents);
    ASSERT_TRUE(gap);
    EXPECT_FALSE(gap->ReadSectors(buffer.data(), 100, 200));
    EXPECT_EQ(FirstByte(buffer, 0), MemoryDevice::PatternByte(110, 0));
    EXPECT_TRUE(std::all_of(buffer.begin() + 28 * 512, buffer.begin() + 156 * 512, [](uint8_t b) { return b == 0; }));
}

TEST(DynamicVolumeDevices, Raid5RotatesParityAndRebuildsAMissingColumn)
{
    Members m;
    for (int i = 0; i < 3; ++i) m.Add(1000, 0, 1000);
    auto dev = CreateRaid5VolumeDevice(kDynamicRaid5, Info(2000), m.extents);
    ASSERT_TRUE(dev);
    // Volume sector 256 (row 1, first data unit) lies on member 2 at sector 128.
    std::vector<uint8_t> buffer(512);
    ASSERT_TRUE(dev->ReadSectors(buffer.data(), 256, 1));
    EXPECT_EQ(ReadsOf(m.disks[2].get()), (std::vector<MemoryDevice::Read>{{128, 1}}));
    // Row 2: parity on member 0, data on members 1 and 2.
    m.disks[1]->ResetCounters();
    ASSERT_TRUE(dev->ReadSectors(buffer.data(), 512, 1));
    EXPECT_EQ(ReadsOf(m.disks[1].get()), (std::vector<MemoryDevice::Read>{{256, 1}}));

    // Member 1 missing: its unit of row 0 (volume sectors 128..255) is rebuilt from member 0 and the parity
    // on member 2.
    for (size_t i = 0; i < 128 * 512; ++i) {
        m.disks[1]->Bytes()[i] ^= 0x5C;
        m.disks[2]->Bytes()[i] = m.disks[0]->Bytes()[i] ^ m.disks[1]->Bytes()[i];
    }
    const std::vector<uint8_t> lost(m.disks[1]->Bytes().begin() + 2 * 512, m.disks[1]->Bytes().begin() + 6 * 512);
    m.Remove(1);
    auto degraded = CreateRaid5VolumeDevice(kDynamicRaid5, Info(2000), m.extents);
    ASSERT_TRUE(degraded);
    std::vector<uint8_t> unit(4 * 512);
    ASSERT_TRUE(degraded->ReadSectors(unit.data(), 130, 4));
    EXPECT_EQ(unit, lost);
    // A failing read of a present member is rebuilt the same way; two failing columns fail the read.
    m.disks[0]->FailSector(3);
    m.disks[2]->FailSector(3);
    EXPECT_FALSE(degraded->ReadSectors(unit.data(), 130, 4));
    EXPECT_TRUE(std::all_of(unit.begin(), unit.end(), [](uint8_t b) { return b == 0; }));

    // Refused: one member (no data column), or two of three missing.
    EXPECT_FALSE(CreateRaid5VolumeDevice(kDynamicRaid5, Info(1000), {m.extents[0]}));
    m.Remove(2);
    EXPECT_FALSE(CreateRaid5VolumeDevice(kDynamicRaid5, Info(2000), m.extents));
}

TEST(DynamicVolumeDevices, SpannedWalksMembersAndReportsAMissingOne)
{
    Members m;
    m.Add(500, 50, 100, 0);
    m.Add(500, 70, 300, 100);
    auto dev = CreateSpannedVolumeDevice(kDynamicSpanned, Info(400), m.extents);
    ASSERT_TRUE(dev);
    std::vector<uint8_t> buffer(20 * 512);
    ASSERT_TRUE(dev->ReadSectors(buffer.data(), 90, 20));
    EXPECT_EQ(FirstByte(buffer, 0), MemoryDevice::PatternByte(140, 0));
    EXPECT_EQ(FirstByte(buffer, 10), MemoryDevice::PatternByte(70, 0));
    // Shortened at the end of the volume, refused past it.
    std::fill(buffer.begin(), buffer.end(), 0xEE);
    EXPECT_TRUE(dev->ReadSectors(buffer.data(), 395, 10));
    EXPECT_TRUE(std::all_of(buffer.begin() + 5 * 512, buffer.begin() + 10 * 512, [](uint8_t b) { return b == 0; }));
    EXPECT_FALSE(dev->ReadSectors(buffer.data(), 401, 1));
    std::vector<uint8_t> large(401 * 512);
    EXPECT_FALSE(dev->ReadSectors(large.data(), 0, 401));

    // The second member missing: its range reads as zeros, and the read says so.
    m.Remove(1);
    auto gap = CreateSpannedVolumeDevice(kDynamicSpanned, Info(400), m.extents);
    ASSERT_TRUE(gap);
    EXPECT_FALSE(gap->ReadSectors(buffer.data(), 90, 20));
    EXPECT_EQ(FirstByte(buffer, 0), MemoryDevice::PatternByte(140, 0));
    EXPECT_TRUE(std::all_of(buffer.begin() + 10 * 512, buffer.end(), [](uint8_t b) { return b == 0; }));

    // Simple wants exactly one member with a disk; spanned and striped at least one.
    EXPECT_TRUE(CreateSimpleVolumeDevice(kDynamicSimple, Info(100), m.extents));
    m.Remove(0);
    EXPECT_FALSE(CreateSimpleVolumeDevice(kDynamicSimple, Info(100), m.extents));
    EXPECT_FALSE(CreateSpannedVolumeDevice(kDynamicSpanned, Info(400), m.extents));
    EXPECT_FALSE(CreateStripedVolumeDevice(kDynamicStriped, Info(400), m.extents));
}

TEST(DynamicVolumeDevices, MirrorFallsBackPerSector)
{
    Members a, b;
    MemoryDevice* da = a.Add(200, 0, 100);
    MemoryDevice* db = b.Add(200, 100, 100);
    auto plex1 = CreateSimpleVolumeDevice(kDynamicMirror, Info(100), a.extents);
    auto plex2 = CreateSimpleVolumeDevice(kDynamicMirror, Info(100), b.extents);
    auto mirror = CreateMirrorVolumeDevice(kDynamicMirror, Info(100), std::move(plex1), std::move(plex2));
    ASSERT_TRUE(mirror);
    // A chunk that plex 1 fails comes whole from plex 2.
    da->FailSector(5);
    std::vector<uint8_t> buffer(10 * 512);
    ASSERT_TRUE(mirror->ReadSectors(buffer.data(), 0, 10));
    EXPECT_EQ(FirstByte(buffer, 4), MemoryDevice::PatternByte(104, 0));
    // When both fail somewhere in the chunk, each sector comes from the first plex that reads it.
    db->FailSector(102);
    ASSERT_TRUE(mirror->ReadSectors(buffer.data(), 0, 10));
    EXPECT_EQ(FirstByte(buffer, 2), MemoryDevice::PatternByte(2, 0));
    EXPECT_EQ(FirstByte(buffer, 5), MemoryDevice::PatternByte(105, 0));
    EXPECT_EQ(FirstByte(buffer, 6), MemoryDevice::PatternByte(6, 0));

    // A sector that neither plex reads stays zero and the read fails.
    db->FailSector(105);
    EXPECT_FALSE(mirror->ReadSectors(buffer.data(), 0, 10));
    EXPECT_TRUE(std::all_of(buffer.begin() + 5 * 512, buffer.begin() + 6 * 512, [](uint8_t b) { return b == 0; }));
    EXPECT_EQ(FirstByte(buffer, 6), MemoryDevice::PatternByte(6, 0));

    std::vector<const LdmExtent*> members;
    mirror->GetMembers(members);
    ASSERT_EQ(members.size(), 2u);
    EXPECT_EQ(members[0]->disk, da);
    EXPECT_FALSE(CreateMirrorVolumeDevice(kDynamicMirror, Info(100), nullptr, nullptr));
}

TEST(DynamicVolumeDevices, SameVolumeNeedsTheSameTypeAndMembers)
{
    Members m;
    m.Add(500, 0, 100, 0);
    m.Add(500, 0, 100, 100);
    auto a = CreateSpannedVolumeDevice(kDynamicSpanned, Info(200), m.extents);
    auto b = CreateSpannedVolumeDevice(kDynamicSpanned, Info(200), m.extents);
    auto striped = CreateStripedVolumeDevice(kDynamicStriped, Info(200), m.extents);
    EXPECT_TRUE(a->IsSameVolume(b.get()));
    EXPECT_FALSE(a->IsSameVolume(striped.get()));
    m.extents[1].firstSector = 1;
    auto moved = CreateSpannedVolumeDevice(kDynamicSpanned, Info(200), m.extents);
    EXPECT_FALSE(a->IsSameVolume(moved.get()));
}
