// Device enumeration: disks and volumes collected from SALVIX_DISKS image files (and, as root, from a loop
// device with partitions), floppies, the letter order, overlap tests, the disk records and descriptions,
// drive letters, the name tables, partition folder names and the extension test.
#include "filesystems/partitions/CCollectAllBasicPartitionandDynamicVolume.h"
#include "filesystems/partitions/CCollectBasicVolume.h"
#include "filesystems/partitions/CCollectDiskDevice.h"
#include "filesystems/partitions/CCollectFloppyDiskDevice.h"
#include "filesystems/partitions/DeviceListQueries.h"
#include "filesystems/partitions/DiskDescriptionText.h"
#include "filesystems/partitions/DriveLayout.h"
#include "filesystems/partitions/FileSystemNames.h"
#include "filesystems/common/PartitionNaming.h"
#include "filesystems/partitions/VolumesReport.h"

#include "platform/DiskIdentity.h"
#include "filesystems/partitions/tests/PartitionTestSupport.h"
#include "filesystems/tree/CFileNode.h"
#include "tests/support/MemoryDevice.h"
#include "tests/support/ScopedExtensionFilter.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <unistd.h>

using namespace parttest;

namespace {

VolumeDeviceRecord Lettered(char letter, uint64_t first = 0, uint64_t count = 0, IStorageDevice* disk = nullptr)
{
    VolumeDeviceRecord r;
    r.cDriveLetter = letter;
    r.members[0] = {first, count, disk};
    return r;
}

std::string Letters(const CVolumeDeviceRecordList& list)
{
    std::string s;
    for (const auto& r : list) s += r.cDriveLetter ? r.cDriveLetter : '-';
    return s;
}

// A block device over bytes with a chosen media type, for floppy drives.
class BytesBlockDevice : public plat::IBlockDevice {
public:
    BytesBlockDevice(std::vector<uint8_t> bytes, uint32_t media) : m_bytes(std::move(bytes)), m_media(media) {}
    bool ReadAt(uint64_t offset, void* buffer, size_t size, size_t* bytesRead, uint32_t*) override
    {
        const size_t n = offset >= m_bytes.size() ? 0 : std::min(size, size_t(m_bytes.size() - offset));
        if (n) std::memcpy(buffer, m_bytes.data() + offset, n);
        *bytesRead = n;
        return true;
    }
    bool GetGeometry(plat::DiskGeometry* g) override
    {
        *g = plat::MakeGeometry(m_bytes.size(), 512, 2, 18, m_media);
        return true;
    }
    bool GetLength(uint64_t* bytes) override
    {
        *bytes = m_bytes.size();
        return true;
    }
    uint64_t ReadCapacity10(int) override { return 0; }

private:
    std::vector<uint8_t> m_bytes;
    uint32_t m_media;
};

using ScopedFilter = testsupport::ScopedExtensionFilter;

} // namespace

TEST(VolumeOrder, LetteredByLetterThenUnletteredInCollectionOrder)
{
    struct Case {
        const char* given; // letters in collection order, '-' for none
        const char* sorted;
    } cases[] = {
        {"DC-A", "ACD-"}, {"---", "---"}, {"", ""}, {"-Z-C", "CZ--"}, {"CC-", "CC-"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.given);
        CVolumeDeviceRecordList list;
        int serial = 0;
        for (const char* p = c.given; *p; ++p) {
            VolumeDeviceRecord r = Lettered(*p == '-' ? 0 : *p);
            r.members[0].u64FirstSector = uint64_t(++serial); // tells equal letters apart
            list.push_back(r);
        }
        CCollectAllBasicPartitionandDynamicVolume::sort(list);
        EXPECT_EQ(Letters(list), c.sorted);
        // Equal letters and the unlettered keep their collection order.
        uint64_t lastUnlettered = 0, lastC = 0;
        for (const auto& r : list) {
            uint64_t& last = r.cDriveLetter == 0 ? lastUnlettered : lastC;
            if (r.cDriveLetter == 0 || r.cDriveLetter == 'C') {
                EXPECT_GT(r.members[0].u64FirstSector, last);
                last = r.members[0].u64FirstSector;
            }
        }
    }
}

TEST(VolumeLookup, OverlapsAndDrives)
{
    testsupport::MemoryDevice disk0(1), disk1(1);
    CVolumeDeviceRecordList list;
    list.push_back(Lettered('C', 2048, 1000, &disk0));
    list.push_back(Lettered('D', 2048, 1000, &disk1));
    const VolumeDeviceRecord found = Lettered(0, 2500, 10, &disk0);    // inside C:
    const VolumeDeviceRecord after = Lettered(0, 3048, 10, &disk0);    // starts where C: ends
    const VolumeDeviceRecord before = Lettered(0, 2038, 10, &disk0);   // ends where C: starts
    const VolumeDeviceRecord touching = Lettered(0, 2038, 11, &disk0); // shares C:'s first sector

    EXPECT_EQ(FindVolumeByDriveLetter('d', list), &*std::next(list.begin()));
    EXPECT_EQ(FindVolumeByDriveLetter('E', list), nullptr);
    EXPECT_EQ(FindVolumeByDriveLetter(0, list), nullptr);

    EXPECT_TRUE(VolumesOverlap(found, list.front()));
    EXPECT_FALSE(VolumesOverlap(after, list.front()));
    EXPECT_FALSE(VolumesOverlap(before, list.front()));
    EXPECT_TRUE(VolumesOverlap(touching, list.front()));
    EXPECT_FALSE(VolumesOverlap(found, list.back())) << "same sectors of another disk";
    // Extents far out do not wrap around.
    EXPECT_FALSE(VolumesOverlap(Lettered(0, UINT64_MAX - 5, 10, &disk0), Lettered(0, 0, 10, &disk0)));

    EXPECT_TRUE(IsVolumeOnDrive(&list.front(), 'C', list));
    EXPECT_TRUE(IsVolumeOnDrive(&list.front(), 'c', list));
    EXPECT_FALSE(IsVolumeOnDrive(&list.front(), 'D', list)) << "a lettered record answers for its own letter";
    EXPECT_TRUE(IsVolumeOnDrive(&found, 'C', list));
    EXPECT_FALSE(IsVolumeOnDrive(&found, 'D', list));
    EXPECT_FALSE(IsVolumeOnDrive(&after, 'C', list));
    EXPECT_FALSE(IsVolumeOnDrive(&found, 'Q', list)) << "no volume has that letter";
    VolumeDeviceRecord image = Lettered('C');
    image.nKind = VolumeDeviceRecord::kKindImage;
    EXPECT_FALSE(IsVolumeOnDrive(&image, 'C', list));
    EXPECT_FALSE(IsVolumeOnDrive(&found, 0, list));
    EXPECT_FALSE(IsVolumeOnDrive(nullptr, 'C', list));
}

TEST(DiskDescription, TextForms)
{
    DiskDescription d;
    std::memset(&d, 0, sizeof d);
    std::strcpy(d.vendorId, "ACME");
    std::strcpy(d.productId, "FastDisk 2000");
    std::strcpy(d.busTypeName, "USB Device");
    EXPECT_EQ(FormatDiskDescriptionText(d), "ACME  FastDisk 2000  USB Device");
    std::strcpy(d.vendorId, "(Standard disk drives)");
    EXPECT_EQ(FormatDiskDescriptionText(d), "FastDisk 2000  USB Device");
    d.vendorId[0] = 0;
    EXPECT_EQ(FormatDiskDescriptionText(d), "FastDisk 2000  USB Device");
    // At most 49 bytes, never half a character.
    std::strcpy(d.productId, "Disque très rapide à grande capacité Ü");
    std::strcpy(d.busTypeName, "SCSI Disk Device");
    const std::string cut = FormatDiskDescriptionText(d);
    EXPECT_LE(cut.size(), 49u);
    EXPECT_EQ(cut.rfind("Disque très rapide à grande capacité", 0), 0u);
    EXPECT_NE(static_cast<unsigned char>(cut.back()) & 0xC0, 0xC0u);
    // Nothing dangles where a part is unknown: an image file standing in for a disk has no bus.
    std::strcpy(d.productId, "lost-disk.img");
    d.busTypeName[0] = 0;
    EXPECT_EQ(FormatDiskDescriptionText(d), "lost-disk.img");
    EXPECT_EQ(GetDiskDescriptionText(nullptr), "");
}

TEST(NameTables, KindsNamesAndPartitionTypes)
{
    const std::pair<int, const char*> names[] = {{0, "FAT12"},   {1, "FAT16"},   {2, "FAT32"},
                                                 {3, "NTFS"},    {4, "EXT2"},    {5, "EXT3"},
                                                 {6, "UNKNOWN"}, {7, "UNKNOWN"}, {-1, "UNKNOWN"}};
    for (const auto& [kind, name] : names) EXPECT_STREQ(GetFileSystemName(kind), name) << kind;
    char small[4];
    GetFileSystemName(3, small, sizeof small);
    EXPECT_STREQ(small, "NTF");

    const std::pair<int, const char*> types[] = {{2, "SIMPLE"}, {3, "MIRROR"},  {4, "SPANNED"}, {5, "STRIPPED"},
                                                 {6, "RAID5"},  {1, "UNKNOWN"}, {7, "UNKNOWN"}};
    for (const auto& [type, name] : types) EXPECT_STREQ(GetDynamicVolumeTypeName(type), name) << type;

    const std::pair<uint8_t, int> kinds[] = {
        {0x01, 0}, {0x11, 0}, {0x04, 1}, {0x06, 1}, {0x0E, 1}, {0x14, 1}, {0x16, 1}, {0x1E, 1},
        {0x0B, 2}, {0x0C, 2}, {0x1B, 2}, {0x07, 3}, {0x17, 3}, {0x82, 4}, {0x83, 4}, {0x85, 4},
        {0x8E, 4}, {0x92, 4}, {0x93, 4}, {0x42, 7}, {0x05, 7}, {0x00, 7}, {0xEE, 7},
    };
    for (const auto& [type, kind] : kinds) EXPECT_EQ(GetFileSystemKindFromPartitionType(type), kind) << int(type);
}

TEST(PartitionNaming, FolderNamesFromTheSelectedSource)
{
    CRecoverySettings* s = GetRecoverySettings();
    const std::string oldName = s->m_selectedSourceName;
    const std::string oldDevice = s->m_selectedDeviceName;
    const uint8_t oldLetter = s->m_selectedDriveLetter;
    // The device a person knows takes the letter's place; a letter alone is never shown, nor a ':'.
    struct Case {
        uint8_t letter;
        const char* device;
        const char* source;
        const char* want;
    } cases[] = {
        {'E', "sdb1", "DATA", "sdb1 (DATA - NTFS 1)"},
        {'E', "sdb1", "", "sdb1 (NTFS 1)"},
        {255, "loop0: disk.img", "", "loop0 disk.img (NTFS 1)"},
        {255, "loop0p2: old:disk.img", "A:B", "loop0p2 old disk.img (A B - NTFS 1)"},
        {255, "", "DATA", "DATA(NTFS 1)"},
        {255, "", "", "NTFS 1"},
        {'E', "", "", "NTFS 1"},
        {'E', "", "DATA", "DATA(NTFS 1)"},
        {0, "", "", "NTFS 1"},
    };
    for (const Case& c : cases) {
        s->m_selectedDriveLetter = c.letter;
        s->m_selectedDeviceName = c.device;
        s->m_selectedSourceName = c.source;
        EXPECT_EQ(FormatPartitionName("NTFS", 1), c.want);
    }
    s->m_selectedSourceName = std::string(400, 'n');
    EXPECT_EQ(FormatPartitionName("FAT32", 2).size(), 254u);
    s->m_selectedSourceName = oldName;
    s->m_selectedDeviceName = oldDevice;
    s->m_selectedDriveLetter = oldLetter;
}

TEST(PartitionNaming, ExtensionTest)
{
    EXPECT_TRUE(IsExtensionWanted("noext", false)) << "an empty filter accepts every name";
    EXPECT_TRUE(IsExtensionWanted("a.doc", false));
    ScopedFilter filter({".jpg", ".txt"});
    EXPECT_TRUE(IsExtensionWanted("photo.tar.JPG", false));
    EXPECT_FALSE(IsExtensionWanted("photo.jpg.gz", false));
    EXPECT_FALSE(IsExtensionWanted("noext", false));
    EXPECT_TRUE(IsExtensionWanted("noext", true)) << "folders always pass";
    EXPECT_TRUE(IsExtensionWanted(nullptr, false));
}

TEST(DriveLetters, PartitionsTakeTheLetterOfTheirStart)
{
    CBasicPartitionList entries(3);
    entries[0].u64StartSector = 2048;
    entries[1].u64StartSector = 4096;
    entries[2].u64StartSector = 2048; // table-sized and file-system-sized entries share a start
    std::vector<plat::DriveEntry> drives(3);
    drives[0].letter = 'C', drives[0].diskPath = "/dev/sda", drives[0].startByte = 2048 * 512;
    drives[1].letter = 'D', drives[1].diskPath = "/dev/sdb", drives[1].startByte = 4096 * 512;
    drives[2].letter = 'E', drives[2].diskPath = "/dev/sda", drives[2].startByte = 4096 * 4096;
    AssignPartitionDriveLetters("/dev/sda", 512, drives, entries);
    EXPECT_EQ(entries[0].cDriveLetter, 'C');
    EXPECT_EQ(entries[1].cDriveLetter, 0) << "the same start on another disk";
    EXPECT_EQ(entries[2].cDriveLetter, 'C');
    AssignPartitionDriveLetters("/dev/sda", 4096, drives, entries);
    EXPECT_EQ(entries[1].cDriveLetter, 'E') << "starts count in the disk's own sectors";

    const uint8_t guid[16] = {0x00, 0x11, 0x22, 0x33, 0x44, 0x55, 0x66, 0x77,
                              0x88, 0x99, 0xAA, 0xBB, 0xCC, 0xDD, 0xEE, 0xFF};
    EXPECT_EQ(FormatVolumeGuidPath(guid), "\\\\?\\Volume{00112233-4455-6677-8899-aabbccddeeff}\\");
}

TEST(FloppyCollection, FloppyDrivesUntilTheFirstNonFloppy)
{
    const std::vector<uint8_t> floppy = LoadFixtureImage("fat12");
    ASSERT_EQ(floppy.size(), 1474560u);
    auto opener = [&](uint32_t mediaA, uint32_t mediaB) {
        return [&floppy, mediaA, mediaB](char letter) {
            const uint32_t media = letter == 'A' ? mediaA : mediaB;
            return std::make_unique<CVolumeDevice>(letter, [&floppy, media](char, std::string*, uint32_t*) {
                return std::make_unique<BytesBlockDevice>(floppy, media);
            });
        };
    };
    CVolumeDeviceRecordList list;
    CCollectFloppyDiskDevice().CollectFloppyDiskDevice(list,
                                                       opener(plat::kMediaF3_1Pt44_512, plat::kMediaF3_1Pt44_512));
    ASSERT_EQ(list.size(), 2u);
    EXPECT_EQ(Letters(list), "AB");
    EXPECT_EQ(list.front().bFloppy, 1u);
    EXPECT_EQ(list.front().nFileSystemKind, kFsKindFat12);
    EXPECT_STREQ(list.front().szLabel, "FLOPPY12");
    EXPECT_EQ(list.front().GetMemberCount(), 0);
    ASSERT_NE(list.front().pDevice, nullptr);
    CStorageDeviceList none;
    ReleaseCollectedDevices(none, list);

    for (uint32_t stop :
         {uint32_t(plat::kMediaUnknown), uint32_t(plat::kMediaRemovable), uint32_t(plat::kMediaFixed)}) {
        CCollectFloppyDiskDevice().CollectFloppyDiskDevice(list, opener(stop, plat::kMediaF3_1Pt44_512));
        EXPECT_TRUE(list.empty()) << "A: ends the collection before B: is tried (media " << stop << ")";
    }
    CCollectFloppyDiskDevice().CollectFloppyDiskDevice(list, opener(plat::kMediaF3_720_512, plat::kMediaRemovable));
    EXPECT_EQ(Letters(list), "A");
    ReleaseCollectedDevices(none, list);
}

// The whole collection over image files named by SALVIX_DISKS: an MBR disk, an unpartitioned FAT16 image
// lettered C: through SALVIX_DRIVES, and a GPT disk.
class ImageDisks : public ::testing::Test {
protected:
    void SetUp() override
    {
        for (const char* name : {"part-mbr", "fat16", "part-gpt"}) {
            const std::string path = (dir / (std::string(name) + ".img")).string();
            ASSERT_TRUE(ExtractFixtureImage(name, path));
            paths.push_back(path);
        }
        disksEnv = std::make_unique<ScopedEnv>("SALVIX_DISKS", (paths[0] + ":" + paths[1] + ":" + paths[2]).c_str());
        drivesEnv = std::make_unique<ScopedEnv>("SALVIX_DRIVES", ("C=" + paths[1]).c_str());
    }
    void TearDown() override { ReleaseCollectedDevices(disks, volumes); }

    testsupport::TempDir dir;
    std::vector<std::string> paths;
    std::unique_ptr<ScopedEnv> disksEnv, drivesEnv;
    CStorageDeviceList disks;
    CVolumeDeviceRecordList volumes;
};

TEST_F(ImageDisks, DisksAndVolumesAreCollected)
{
    CCollectDiskDevice().CollectDiskDevice(disks);
    ASSERT_EQ(disks.size(), 3u);
    std::vector<IStorageDevice*> disk(disks.begin(), disks.end());
    for (size_t i = 0; i < 3; ++i) EXPECT_EQ(GetMemberDiskIndex(disk[i]), int(i));

    CCollectAllBasicPartitionandDynamicVolume().CollectAllBasicPartitionandDynamicVolume(disks, volumes);
    // C: first, then the unlettered records disk by disk in table order.
    struct Want {
        char letter;
        size_t disk;
        uint64_t start, count;
        int32_t kind;
        const char* label;
    } want[] = {
        {'C', 1, 0, 32768, kFsKindFat16, "DATA16"},      {0, 0, 2048, 16384, kFsKindFat16, "MBRFAT16"},
        {0, 0, 18432, 16383, kFsKindNtfs, "MBRNTFS"},    {0, 0, 36864, 16384, kFsKindExt2, "MBREXT2"},
        {0, 0, 55296, 73728, kFsKindFat32, "MBRFAT32"},  {0, 0, 131072, 16384, kFsKindNone, ""},
        {0, 0, 149504, 45056, kFsKindFat12, "MBRFAT12"}, {0, 0, 149504, 8192, kFsKindFat12, "MBRFAT12"},
        {0, 2, 2048, 16384, kFsKindFat16, "GPTEFI"},     {0, 2, 18432, 4096, kFsKindNone, ""},
        {0, 2, 22528, 16384, kFsKindExt3, "GPTEXT3"},    {0, 2, 38912, 8191, kFsKindNtfs, "GPTNTFS"},
    };
    ASSERT_EQ(volumes.size(), std::size(want));
    size_t i = 0;
    for (const VolumeDeviceRecord& r : volumes) {
        const Want& w = want[i++];
        SCOPED_TRACE(i);
        EXPECT_EQ(r.nKind, 0u);
        EXPECT_EQ(r.cDriveLetter, w.letter);
        EXPECT_EQ(r.nFileSystemKind, w.kind);
        EXPECT_STREQ(r.szLabel, w.label);
        EXPECT_EQ(r.nDynamic, 0u);
        EXPECT_EQ(r.bFloppy, 0u);
        EXPECT_EQ(r.bUsb, 0u);
        ASSERT_EQ(r.GetMemberCount(), 1);
        EXPECT_EQ(r.members[0].pDisk, disk[w.disk]);
        EXPECT_EQ(r.members[0].u64FirstSector, w.start);
        EXPECT_EQ(r.members[0].u64SectorCount, w.count);
        ASSERT_NE(r.pDevice, nullptr);
        EXPECT_EQ(r.pDevice->GetSectorCount(), w.count);
        const std::string file = std::filesystem::path(paths[w.disk]).filename().string();
        EXPECT_EQ(std::string(r.szMemberText), file);
    }
    // The whole-image volume is on drive C:, a partition of another disk is not.
    EXPECT_TRUE(IsVolumeOnDrive(&volumes.front(), 'C', volumes));
    EXPECT_FALSE(IsVolumeOnDrive(&*std::next(volumes.begin()), 'C', volumes));

    const DiskDeviceRecord record = MakeDiskDeviceRecord(disk[0], volumes);
    EXPECT_EQ(record.pDevice, disk[0]);
    EXPECT_EQ(record.pDiskDevice, disk[0]);
    EXPECT_EQ(record.nHeads, 255u);
    EXPECT_EQ(record.bUsb, 0u);
    EXPECT_EQ(record.bDynamic, 0u);
    EXPECT_STREQ(record.szDescription, "part-mbr.img");

    // What the disk-report callback is told of the first disk.
    const CollectedDiskFacts facts = DescribeCollectedDisk(*static_cast<CDiskDevice*>(disk[0]));
    EXPECT_EQ(facts.productId, "part-mbr.img");
    EXPECT_EQ(facts.totalSectors, 96u * 2048);
    EXPECT_EQ(facts.bytesPerSector, 512u);
    EXPECT_EQ(facts.busType, uint32_t(plat::kBusFileBackedVirtual));
}

TEST_F(ImageDisks, VolumesReportListsOneLinePerRecord)
{
    char* text = nullptr;
    size_t size = 0;
    std::FILE* out = open_memstream(&text, &size);
    ASSERT_NE(out, nullptr);
    const int n = ListVolumesReport(out);
    std::fclose(out);
    const std::string report(text, size);
    std::free(text);
    EXPECT_EQ(n, 12);
    std::istringstream lines(report);
    std::string first, second;
    std::getline(lines, first);
    std::getline(lines, second);
    EXPECT_EQ(first, "C:\tFAT16\t16777216\tDATA16");
    EXPECT_EQ(second, "*\tFAT16\t8388608\tMBRFAT16");
    EXPECT_EQ(std::count(report.begin(), report.end(), '\n'), 12);

    testsupport::MemoryDevice fat(LoadFixtureImage("fat32"));
    const VolumeIdentity id = IdentifyVolumeFileSystem(&fat);
    EXPECT_EQ(id.kind, kFsKindFat32);
    EXPECT_EQ(id.totalSectors, 81920u);
    EXPECT_EQ(id.label, "DATA32");
    EXPECT_EQ(IdentifyVolumeFileSystem(nullptr).kind, kFsKindNone);
}

TEST(DiskCollection, OpenDisksInIndexOrder)
{
    // Disks 0, 2 and 25 answer; 25 lies past the indexes a disk device accepts.
    std::vector<int> asked;
    CStorageDeviceList disks;
    CCollectDiskDevice().CollectDiskDevice(disks, [&asked](int index) {
        asked.push_back(index);
        return std::make_unique<CDiskDevice>(
            index, [](int i, std::string* path, uint32_t*) -> std::unique_ptr<plat::IBlockDevice> {
                if (i != 0 && i != 2 && i != 25) return nullptr;
                *path = "memory" + std::to_string(i);
                return std::make_unique<BytesBlockDevice>(std::vector<uint8_t>(512 * 64, 0), plat::kMediaFixed);
            });
    });
    EXPECT_EQ(asked.size(), 32u);
    std::vector<int> indexes;
    for (IStorageDevice* d : disks) indexes.push_back(GetMemberDiskIndex(d));
    EXPECT_EQ(indexes, (std::vector<int>{0, 2}));
    CVolumeDeviceRecordList none;
    ReleaseCollectedDevices(disks, none);
}

TEST(DiskCollection, ReportCallbackGetsTheOpenDisksOnce)
{
    std::vector<std::vector<CollectedDiskFacts>> reports;
    SetDiskReportCallback([&reports](const std::vector<CollectedDiskFacts>& d) { reports.push_back(d); });
    const auto make = [](bool any) {
        return [any](int index) {
            return std::make_unique<CDiskDevice>(
                index, [any](int i, std::string* path, uint32_t*) -> std::unique_ptr<plat::IBlockDevice> {
                    if (!any || (i != 1 && i != 3)) return nullptr;
                    *path = "memory" + std::to_string(i);
                    return std::make_unique<BytesBlockDevice>(std::vector<uint8_t>(512 * 64, 0), plat::kMediaFixed);
                });
        };
    };
    CStorageDeviceList disks;
    CCollectDiskDevice().CollectDiskDevice(disks, make(false)); // no disk: no report
    CCollectDiskDevice().CollectDiskDevice(disks, make(true));
    SetDiskReportCallback(nullptr);
    CCollectDiskDevice().CollectDiskDevice(disks, make(true)); // no callback: nothing is called
    ASSERT_EQ(reports.size(), 1u);
    ASSERT_EQ(reports[0].size(), 2u);
    for (const CollectedDiskFacts& f : reports[0]) {
        EXPECT_EQ(f.totalSectors, 64u);
        EXPECT_EQ(f.bytesPerSector, 512u);
    }
    CVolumeDeviceRecordList none;
    ReleaseCollectedDevices(disks, none);
}

TEST(DiskCollection, NothingWithoutDisks)
{
    ScopedEnv disks("SALVIX_DISKS", "");
    CStorageDeviceList list;
    CCollectDiskDevice().CollectDiskDevice(list);
    EXPECT_TRUE(list.empty());
    CVolumeDeviceRecordList volumes;
    CCollectAllBasicPartitionandDynamicVolume().CollectAllBasicPartitionandDynamicVolume(list, volumes);
    EXPECT_TRUE(volumes.empty());
}

// As root, through a loop device whose partitions the kernel lists: the platform's letters reach the
// records. Skipped where loop devices or partition scanning are not available.
TEST(LoopDevice, PartitionsGetThePlatformLetters)
{
    if (::geteuid() != 0) GTEST_SKIP() << "needs root";
    testsupport::TempDir dir;
    const std::string image = (dir / "part-mbr.img").string();
    ASSERT_TRUE(ExtractFixtureImage("part-mbr", image));
    const std::string out = (dir / "loop").string();
    if (std::system(("losetup --show -f -P -r '" + image + "' > '" + out + "' 2>/dev/null").c_str()) != 0)
        GTEST_SKIP() << "no loop device";
    std::string loop;
    std::ifstream(out) >> loop;
    struct Detach {
        std::string dev;
        ~Detach() { std::system(("losetup -d '" + dev + "' 2>/dev/null").c_str()); }
    } detach{loop};
    const std::string name = std::filesystem::path(loop).filename().string();
    if (!std::filesystem::exists("/sys/block/" + name + "/" + name + "p1")) GTEST_SKIP() << "no partition scanning";

    ScopedEnv disksEnv("SALVIX_DISKS", loop.c_str());
    ScopedEnv drivesEnv("SALVIX_DRIVES", nullptr);
    CStorageDeviceList disks;
    CVolumeDeviceRecordList volumes;
    CCollectDiskDevice().CollectDiskDevice(disks);
    CCollectAllBasicPartitionandDynamicVolume().CollectAllBasicPartitionandDynamicVolume(disks, volumes);
    // Partitions 1, 2, 5, 6, 7, 8 get C: to H: (the extended container none); both FAT12 entries share H:.
    std::string letters;
    for (const auto& r : volumes)
        if (r.members[0].pDisk == disks.front()) letters += r.cDriveLetter ? r.cDriveLetter : '-';
    EXPECT_EQ(letters, "CDEFGHH");
    ReleaseCollectedDevices(disks, volumes);
}
