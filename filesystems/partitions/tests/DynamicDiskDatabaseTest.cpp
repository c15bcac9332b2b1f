// The dynamic-disk database over disks built byte by byte: variable-length fields, multi-block records,
// flag-gated fields, the PRIVHEAD search order, the database area's bounds, and the volumes made from it.
#include "filesystems/partitions/CCollectDynamicVolume.h"
#include "filesystems/partitions/CLdmDatabase.h"
#include "filesystems/partitions/LdmDatabaseFormat.h"

#include "tests/support/DynamicDiskBuilder.h"
#include "tests/support/MemoryDevice.h"
#include "tests/support/NtfsRecordBuilder.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>

using testsupport::DynamicDiskBuilder;
using testsupport::LdmNumber;
using testsupport::LdmText;
using testsupport::MemoryDevice;

namespace {

constexpr uint64_t kAllOnes = ~uint64_t(0);
const std::string kGuidA = "11111111-2222-3333-4444-555555555555";
const std::string kGuidB = "66666666-7777-8888-9999-aaaaaaaaaaaa";
const std::string kGuidC = "bbbbbbbb-cccc-dddd-eeee-ffffffffffff";

std::vector<uint64_t> ReadStarts(const MemoryDevice& dev)
{
    std::vector<uint64_t> out;
    for (const auto& r : dev.Reads()) out.push_back(r.first);
    return out;
}

std::vector<uint8_t> Cat(std::initializer_list<std::vector<uint8_t>> parts)
{
    std::vector<uint8_t> out;
    for (const auto& p : parts) out.insert(out.end(), p.begin(), p.end());
    return out;
}

} // namespace

TEST(LdmFields, VariableNumbersAndStrings)
{
    struct Case {
        std::vector<uint8_t> bytes;
        uint64_t value;
        size_t consumed;
    } numbers[] = {
        {{0x02, 0x12, 0x34, 0xFF}, 0x1234, 3},
        {{0x00, 0x05}, kAllOnes, 1},       // length 0: all ones, the next field one byte on
        {{0x03, 0x01, 0x02}, kAllOnes, 1}, // runs past the record
        {{}, kAllOnes, 1},
        {{0x0A, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10}, 0x030405060708090Aull, 11}, // the last 8 bytes remain
        {Cat({{65}, std::vector<uint8_t>(65, 1)}), kAllOnes, 1},            // longer than 64
    };
    for (const Case& c : numbers) {
        uint64_t value = 0;
        EXPECT_EQ(LdmReadVarNumber(c.bytes, value), c.consumed);
        EXPECT_EQ(value, c.value);
    }
    std::string text = "stale";
    EXPECT_EQ(LdmReadVarString(LdmText("Volume1"), text), 8u);
    EXPECT_EQ(text, "Volume1");
    EXPECT_EQ(LdmReadVarString(std::vector<uint8_t>{0, 'x'}, text), 1u);
    EXPECT_EQ(text, "");
    EXPECT_EQ(LdmReadVarString(std::vector<uint8_t>{5, 'a', 'b'}, text), 1u);
    EXPECT_EQ(text, "");
}

TEST(LdmVblkArea, MultiBlockRecordsJoinOnlyWhenComplete)
{
    std::vector<uint8_t> data(300);
    for (size_t i = 0; i < data.size(); ++i) data[i] = uint8_t(i * 3 + 1);
    const std::span<const uint8_t> d(data);
    auto area = [](std::initializer_list<std::vector<uint8_t>> blocks) { return Cat(blocks); };

    // 150 bytes over two blocks: 104 from the first, 46 from the continuation.
    auto kept = ParseVblkArea(area({DynamicDiskBuilder::Vblk(7, 0, 2, 0, 0x51, 150, d),
                                    DynamicDiskBuilder::Vblk(7, 1, 2, 0, 0, 0, d.subspan(104))}));
    ASSERT_EQ(kept.size(), 1u);
    EXPECT_EQ(kept[0].data, std::vector<uint8_t>(data.begin(), data.begin() + 150));

    // 250 bytes with one continuation block: 34 bytes are missing.
    EXPECT_TRUE(ParseVblkArea(area({DynamicDiskBuilder::Vblk(7, 0, 2, 0, 0x51, 250, d),
                                    DynamicDiskBuilder::Vblk(7, 1, 2, 0, 0, 0, d.subspan(104))}))
                    .empty());

    // Record number 2 before 1: one pass in area order does not use it.
    EXPECT_TRUE(ParseVblkArea(area({DynamicDiskBuilder::Vblk(7, 0, 3, 0, 0x51, 300, d),
                                    DynamicDiskBuilder::Vblk(7, 2, 3, 0, 0, 0, d.subspan(216)),
                                    DynamicDiskBuilder::Vblk(7, 1, 3, 0, 0, 0, d.subspan(104))}))
                    .empty());
    kept = ParseVblkArea(area({DynamicDiskBuilder::Vblk(7, 0, 3, 0, 0x51, 300, d),
                               DynamicDiskBuilder::Vblk(8, 1, 2, 0, 0, 0, d), // another group's block
                               DynamicDiskBuilder::Vblk(7, 1, 3, 0, 0, 0, d.subspan(104)),
                               DynamicDiskBuilder::Vblk(7, 2, 3, 0, 0, 0, d.subspan(216))}));
    ASSERT_EQ(kept.size(), 1u);
    EXPECT_EQ(kept[0].data, data);

    // A data length its blocks cannot carry is refused before anything is allocated; group 0 is unused.
    EXPECT_TRUE(ParseVblkArea(area({DynamicDiskBuilder::Vblk(7, 0, 2, 0, 0x51, 0xFFFFFFFF, d),
                                    DynamicDiskBuilder::Vblk(0, 0, 1, 0, 0x51, 10, d)}))
                    .empty());
    // A one-block record claiming more keeps its 104 bytes.
    kept = ParseVblkArea(DynamicDiskBuilder::Vblk(7, 0, 1, 0, 0x51, 0xFFFFFFFF, d));
    ASSERT_EQ(kept.size(), 1u);
    EXPECT_EQ(kept[0].data.size(), 104u);
}

TEST(LdmRecords, FlagGatedFieldsAndLinks)
{
    DynamicDiskBuilder b;
    const uint64_t disk = b.AddDisk(kGuidA);
    const uint64_t volume = b.AddVolume("Volume1", 3, 4096, 0x07, 1, "E:");
    const uint64_t striped = b.AddComponent("Volume1-01", volume, 1, 2, 128, 2);
    b.AddPartition("Disk1-01", striped, disk, 100, 0, 2048, 0);
    b.AddPartition("Disk1-02", striped, disk, 5000, 0, 2048, 1);
    // The same record without its flags: the gated fields are not read.
    const uint64_t plain = b.AddComponent("Volume1-02", volume, 2, 1);
    b.AddPartition("Disk1-03", plain, disk, 9000, 0, 4096);
    b.AddRecord(0x99, 0, LdmNumber(77)); // an unknown type is ignored

    const LdmDatabaseRecords r = DecodeLdmRecords(ParseVblkArea(b.VblkBlocks()), 4096);
    ASSERT_EQ(r.volumes.size(), 1u);
    ASSERT_EQ(r.components.size(), 2u);
    ASSERT_EQ(r.partitions.size(), 3u);
    ASSERT_EQ(r.disks.size(), 1u);
    EXPECT_EQ(r.volumes[0].name, "Volume1");
    EXPECT_EQ(r.volumes[0].typeText, "gen");
    EXPECT_EQ(r.volumes[0].driveHint, "E:");
    EXPECT_EQ(r.volumes[0].partitionType, 0x07);
    EXPECT_EQ(r.volumes[0].size, 512u); // 4096 units of 512 bytes in 4096-byte sectors
    EXPECT_EQ(r.components[0].stripeSize, 128u);
    EXPECT_EQ(r.components[0].columns, 2u);
    EXPECT_EQ(r.components[1].stripeSize, 0u);
    EXPECT_EQ(r.partitions[1].index, 1u);
    EXPECT_EQ(r.partitions[1].start, 625u);
    EXPECT_EQ(r.partitions[1].volumeOffset, 0u);
    EXPECT_EQ(r.partitions[2].index, 0u);
    EXPECT_EQ(r.disks[0].diskId, kGuidA);
    // Chains in the reverse of database order; partitions bound to their disk record.
    EXPECT_EQ(r.volumes[0].components, (std::vector<size_t>{1, 0}));
    EXPECT_EQ(r.components[0].partitions, (std::vector<size_t>{1, 0}));
    EXPECT_EQ(r.partitions[0].disk, 0);
}

TEST(LdmPrivHead, SearchOrderOverTheDisk)
{
    const auto head = DynamicDiskBuilder::PrivHead(kGuidA, "Dg0", 63, 1000, 3000, 2048);
    // Only sector 2081 holds it: the last sector and sector 6 are tried first.
    MemoryDevice dev(5000);
    dev.Write(2081 * 512, head.data(), head.size());
    CLdmDatabase::PrivHeadSector sector{};
    ASSERT_TRUE(CLdmDatabase::FindPrivHead(&dev, sector));
    EXPECT_EQ(ReadStarts(dev), (std::vector<uint64_t>{4999, 6, 2081}));
    PrivHeadFields fields;
    ASSERT_TRUE(DecodePrivHead(sector, fields));
    EXPECT_EQ(fields.diskId, kGuidA);
    EXPECT_EQ(fields.configStart, 3000u);

    // GPT: the last LBA of the entry named "LDM metadata partition".
    auto gptDisk = [&](uint32_t entries) {
        auto dev = std::make_unique<MemoryDevice>(5000);
        uint8_t* h = dev->Sector(1);
        std::memcpy(h, "EFI PART", 8);
        testsupport::Bytes hb(h, h + 512);
        testsupport::PutLe(hb, 72, 2, 8);
        testsupport::PutLe(hb, 80, entries, 4);
        testsupport::PutLe(hb, 84, 128, 4);
        std::copy(hb.begin(), hb.end(), h);
        testsupport::Bytes entry(128, 0);
        testsupport::PutLe(entry, 32, 34, 8);
        testsupport::PutLe(entry, 40, 4000, 8);
        const std::string name = "LDM metadata partition";
        for (size_t i = 0; i < name.size(); ++i) entry[56 + 2 * i] = uint8_t(name[i]);
        dev->Write(3 * 512 + 128, entry.data(), entry.size()); // entry 5, in the second entry sector
        dev->Write(4000 * 512, head.data(), head.size());
        return dev;
    };
    auto gpt = gptDisk(128);
    EXPECT_TRUE(CLdmDatabase::FindPrivHead(gpt.get(), sector));
    auto tooMany = gptDisk(129);
    EXPECT_FALSE(CLdmDatabase::FindPrivHead(tooMany.get(), sector));
    const auto reads = ReadStarts(*tooMany);
    EXPECT_EQ(std::count(reads.begin(), reads.end(), 2u), 0) << "the entries of a 129-entry table are not read";
}

TEST(LdmPrivHead, DatabaseAreaEndsTwoSectorsBeforeTheDiskEnd)
{
    DynamicDiskBuilder b;
    b.AddDisk(kGuidA);
    const std::vector<uint8_t> blocks = b.VblkBlocks();
    MemoryDevice dev(5000);
    dev.Write(4900 * 512, blocks.data(), blocks.size());
    PrivHeadFields head;
    head.configStart = 4900;
    EXPECT_EQ(CLdmDatabase::ReadDatabase(&dev, head).size(), 1u);
    ASSERT_EQ(dev.Reads().size(), 1u);
    EXPECT_EQ(dev.Reads()[0], (MemoryDevice::Read{4900, 98}));
    head.configStart = 4999; // the subtraction wraps: the capped read past the end gives nothing
    EXPECT_TRUE(CLdmDatabase::ReadDatabase(&dev, head).empty());
    head.configStart = 6000;
    EXPECT_TRUE(CLdmDatabase::ReadDatabase(&dev, head).empty());
}

namespace {

// Disks of 512-byte sectors laid out as dynamic disks, their partitions from sector 63.
struct DiskSet {
    std::vector<std::unique_ptr<MemoryDevice>> disks;
    CStorageDeviceList list;

    MemoryDevice& Add(const DynamicDiskBuilder& b, uint64_t sectors, const std::string& guid)
    {
        auto dev = std::make_unique<MemoryDevice>(sectors);
        b.WriteDisk(dev->Bytes(), guid);
        list.push_back(dev.get());
        disks.push_back(std::move(dev));
        return *disks.back();
    }
};

} // namespace

TEST(LdmVolumes, SpannedVolumeSeenInBothDatabasesIsListedOnce)
{
    DynamicDiskBuilder b;
    const uint64_t d1 = b.AddDisk(kGuidA, "Disk1");
    const uint64_t d2 = b.AddDisk(kGuidB, "Disk2");
    const uint64_t v = b.AddVolume("Volume1", 3, 3000, 0x07, 1);
    const uint64_t c = b.AddComponent("Volume1-01", v, 2, 2);
    b.AddPartition("Disk1-01", c, d1, 0, 0, 1000);
    b.AddPartition("Disk2-01", c, d2, 10, 1000, 2000);
    DiskSet set;
    MemoryDevice& one = set.Add(b, 5000, kGuidA);
    MemoryDevice& two = set.Add(b, 5000, kGuidB);
    one.Sector(63)[0] = 0x11;
    two.Sector(63 + 10)[0] = 0x22;

    std::vector<DynamicVolumeEntry> entries;
    EXPECT_EQ(CLdmDatabase().ReadAllDisks(set.list, entries), 1u);
    ASSERT_EQ(entries.size(), 1u);
    EXPECT_EQ(entries[0].typeName, "SPANNED");
    EXPECT_EQ(entries[0].sectorCount, 3000u);
    EXPECT_EQ(entries[0].driveLetter, 0);
    std::vector<const LdmExtent*> members;
    entries[0].device->GetMembers(members);
    ASSERT_EQ(members.size(), 2u);
    EXPECT_EQ(members[0]->disk, &one);
    EXPECT_EQ(members[0]->firstSector, 63u);
    EXPECT_EQ(members[1]->disk, &two);
    EXPECT_EQ(members[1]->firstSector, 73u);
    std::vector<uint8_t> sector(512);
    ASSERT_TRUE(entries[0].device->ReadSectors(sector.data(), 1000, 1));
    EXPECT_EQ(sector[0], 0x22);
}

TEST(LdmVolumes, SizesLayoutsAndMembers)
{
    // RAID-5 of 3 members of 100,000 sectors: 200,000 sectors of data.
    {
        DynamicDiskBuilder b;
        std::vector<uint64_t> disks = {b.AddDisk(kGuidA), b.AddDisk(kGuidB), b.AddDisk(kGuidC)};
        const uint64_t v = b.AddVolume("Raid", 4, 199999, 0x07, 1);
        const uint64_t c = b.AddComponent("Raid-01", v, 3, 3, 128, 3);
        for (uint64_t i = 0; i < 3; ++i) b.AddPartition("P" + std::to_string(i), c, disks[i], 0, 0, 100000, i);
        DiskSet set;
        for (const std::string& g : {kGuidA, kGuidB, kGuidC}) set.Add(b, 100063 + 2048, g);
        std::vector<DynamicVolumeEntry> entries;
        CLdmDatabase().ReadAllDisks(set.list, entries);
        ASSERT_EQ(entries.size(), 1u);
        EXPECT_EQ(entries[0].typeName, "RAID5");
        EXPECT_EQ(entries[0].sectorCount, 200000u);
    }
    // A component with 2 children and 3 linked partitions: the last two in database order are its members.
    // Its second disk is missing, so the size comes from the NTFS boot sector at the volume's start.
    {
        DynamicDiskBuilder b;
        const uint64_t d1 = b.AddDisk(kGuidA), d2 = b.AddDisk(kGuidB);
        const uint64_t v = b.AddVolume("Span", 3, 9999, 0x07, 1);
        const uint64_t c = b.AddComponent("Span-01", v, 2, 2);
        b.AddPartition("Ignored", c, d1, 500, 0, 100);
        b.AddPartition("First", c, d1, 0, 0, 1000);
        b.AddPartition("Second", c, d2, 0, 1000, 1000);
        DiskSet set;
        MemoryDevice& one = set.Add(b, 5000, kGuidA);
        const testsupport::Bytes boot = testsupport::MakeNtfsBootSector(512, 8, -10, 1799);
        one.Write(63 * 512, boot.data(), boot.size());
        std::vector<DynamicVolumeEntry> entries;
        CLdmDatabase().ReadAllDisks(set.list, entries);
        ASSERT_EQ(entries.size(), 1u);
        std::vector<const LdmExtent*> members;
        entries[0].device->GetMembers(members);
        ASSERT_EQ(members.size(), 2u);
        EXPECT_EQ(members[0]->length, 1000u);
        EXPECT_EQ(members[1]->disk, nullptr);
        EXPECT_EQ(members[1]->diskId, kGuidB);
        EXPECT_EQ(entries[0].sectorCount, 1800u);
        EXPECT_EQ(entries[0].fileSystemKind, 3);

        // Without a file system that states its size, the database's size stands.
        std::fill_n(one.Sector(63), 512, 0);
        one.Sector(63)[0x438 - 0x400] = 0x53; // not a boot sector of any kind
        entries.clear();
        CLdmDatabase().ReadAllDisks(set.list, entries);
        ASSERT_EQ(entries.size(), 1u);
        EXPECT_EQ(entries[0].sectorCount, 9999u);
        EXPECT_EQ(entries[0].fileSystemKind, 7);
    }
    // A mirror whose second plex lies on a missing disk still reads from the first.
    {
        DynamicDiskBuilder b;
        const uint64_t d1 = b.AddDisk(kGuidA), d2 = b.AddDisk(kGuidB);
        const uint64_t v = b.AddVolume("Mirror", 3, 1000, 0x07, 2);
        const uint64_t c1 = b.AddComponent("Mirror-01", v, 2, 1);
        const uint64_t c2 = b.AddComponent("Mirror-02", v, 2, 1);
        b.AddPartition("A", c1, d1, 0, 0, 1000);
        b.AddPartition("B", c2, d2, 0, 0, 1000);
        DiskSet set;
        set.Add(b, 5000, kGuidA).Sector(63 + 5)[7] = 0x5A;
        std::vector<DynamicVolumeEntry> entries;
        CLdmDatabase().ReadAllDisks(set.list, entries);
        ASSERT_EQ(entries.size(), 1u);
        EXPECT_EQ(entries[0].typeName, "MIRROR");
        std::vector<uint8_t> sector(512);
        EXPECT_TRUE(entries[0].device->ReadSectors(sector.data(), 5, 1));
        EXPECT_EQ(sector[7], 0x5A);
    }
}

TEST(LdmVolumes, DiskRecordWithBinaryGuidFindsItsDisk)
{
    DynamicDiskBuilder b;
    std::vector<uint8_t> disk = LdmNumber(1);
    const std::vector<uint8_t> name = LdmText("Disk1");
    disk.insert(disk.end(), name.begin(), name.end());
    const uint8_t guid[16] = {0x11, 0x11, 0x11, 0x11, 0x22, 0x22, 0x33, 0x33,
                              0x44, 0x44, 0x55, 0x55, 0x55, 0x55, 0x55, 0x55};
    disk.insert(disk.end(), guid, guid + 16);
    b.AddRecord(0x44, 0, disk);
    b.AddVolume("Volume1", 3, 1000, 0x07, 1); // object ids continue from 1: volume 1, component 2, partition 3
    b.AddComponent("Volume1-01", 1, 2, 1);
    b.AddPartition("Disk1-01", 2, 1, 0, 0, 1000);
    DiskSet set;
    set.Add(b, 5000, "11111111-2222-3333-4444-555555555555");
    std::vector<DynamicVolumeEntry> entries;
    CLdmDatabase().ReadAllDisks(set.list, entries);
    ASSERT_EQ(entries.size(), 1u);
    std::vector<const LdmExtent*> members;
    entries[0].device->GetMembers(members);
    ASSERT_EQ(members.size(), 1u);
    EXPECT_EQ(members[0]->disk, set.disks[0].get());
}

TEST(LdmVolumes, IncompleteVolumesAndUnreadableDisksGiveNothing)
{
    DynamicDiskBuilder b;
    const uint64_t d1 = b.AddDisk(kGuidA);
    const uint64_t v = b.AddVolume("NoDiskRecord", 3, 1000, 0x07, 1);
    const uint64_t c = b.AddComponent("C", v, 2, 1);
    b.AddPartition("P", c, d1 + 100, 0, 0, 1000); // names no disk record
    b.AddVolume("NoComponent", 3, 1000, 0x07, 1);
    DiskSet set;
    set.Add(b, 5000, kGuidA);
    MemoryDevice blank(5000);
    set.list.push_back(&blank);
    set.list.push_back(nullptr);
    std::vector<DynamicVolumeEntry> entries;
    EXPECT_EQ(CLdmDatabase().ReadAllDisks(set.list, entries), 0u);
}

TEST(LdmVolumes, CollectorMakesOneRecordPerVolumeWithItsPresentMembers)
{
    DynamicDiskBuilder b;
    const uint64_t d1 = b.AddDisk(kGuidA), d2 = b.AddDisk(kGuidB);
    const uint64_t v = b.AddVolume("Span", 3, 2000, 0x07, 1);
    const uint64_t c = b.AddComponent("Span-01", v, 2, 2);
    b.AddPartition("First", c, d1, 0, 0, 1000);
    b.AddPartition("Second", c, d2, 0, 1000, 1000);
    DiskSet set;
    set.Add(b, 5000, kGuidA);
    CVolumeDeviceRecordList volumes;
    CCollectDynamicVolume().CollectDynamicVolume(set.list, volumes);
    ASSERT_EQ(volumes.size(), 1u);
    const VolumeDeviceRecord& r = volumes.front();
    EXPECT_EQ(r.nDynamic, 1u);
    EXPECT_EQ(r.cDriveLetter, 0);
    EXPECT_EQ(r.GetMemberCount(), 1);
    EXPECT_EQ(r.members[0].pDisk, set.disks[0].get());
    EXPECT_EQ(r.members[0].u64FirstSector, 63u);
    EXPECT_EQ(r.members[0].u64SectorCount, 1000u);
    ASSERT_TRUE(r.pDevice);
    EXPECT_EQ(r.pDevice->GetSectorCount(), 2000u);
    delete r.pDevice;
}
