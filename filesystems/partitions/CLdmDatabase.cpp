// Reading dynamic-disk databases from the disks and building the volumes they describe.
#include "filesystems/partitions/CLdmDatabase.h"

#include "core/devices/CDiskDevice.h"
#include "filesystems/fat/CFATDBR.h"
#include "filesystems/ntfs/CNTFSDBR.h"
#include "filesystems/partitions/CVolumeAnalyzeList.h"
#include "filesystems/partitions/DriveLayout.h"
#include "filesystems/partitions/DynamicVolumeFactory.h"
#include "filesystems/partitions/FileSystemNames.h"
#include "filesystems/partitions/LdmDatabaseFormat.h"
#include "filesystems/partitions/VolumeDetection.h"
#include "platform/Log.h"

#include <algorithm>
#include <cctype>
#include <cinttypes>
#include <cstring>

namespace {

constexpr uint64_t kPrivHeadSectorMbr = 6;
constexpr uint64_t kPrivHeadSectorAlternate = 2081;
constexpr uint32_t kMaxGptEntries = 128;
constexpr int32_t kMaxSectorSize = 65536;

int32_t UsableSectorSize(IStorageDevice* disk)
{
    const int32_t size = disk ? disk->GetSectorSize() : 0;
    return size >= 512 && size <= kMaxSectorSize ? size : 0;
}

// The first sector of a member as its disk holds it; empty when the member has no disk or it does not read.
std::vector<uint8_t> ReadFirstSector(const LdmExtent& member)
{
    const int32_t size = UsableSectorSize(member.disk);
    if (!size) return {};
    std::vector<uint8_t> sector(size_t(size), 0);
    if (!member.disk->ReadSectors(sector.data(), member.firstSector, 1)) return {};
    return sector;
}

// GUID texts compare without regard to case.
bool SameGuidText(const std::string& a, const std::string& b)
{
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return std::tolower(static_cast<unsigned char>(x)) == std::tolower(static_cast<unsigned char>(y));
           });
}

uint64_t SaturatingAdd(uint64_t a, uint64_t b)
{
    return b > UINT64_MAX - a ? UINT64_MAX : a + b;
}

} // namespace

size_t CLdmDatabase::ReadAllDisks(const CStorageDeviceList& disks, std::vector<DynamicVolumeEntry>& out)
{
    SetDisks(disks);
    for (IStorageDevice* disk : m_disks) ReadDisk(disk, out);
    return out.size();
}

void CLdmDatabase::SetDisks(const CStorageDeviceList& disks)
{
    m_disks.clear();
    m_heads.clear();
    for (IStorageDevice* disk : disks)
        if (disk) m_disks.push_back(disk);
}

bool CLdmDatabase::ReadDisk(IStorageDevice* disk, std::vector<DynamicVolumeEntry>& out)
{
    PrivHeadSector sector{};
    PrivHeadFields head;
    if (!FindPrivHead(disk, sector) || !DecodePrivHead(sector, head)) return false;
    const std::vector<LdmRawRecord> raw = ReadDatabase(disk, head);
    const LdmDatabaseRecords records = DecodeLdmRecords(raw, UsableSectorSize(disk));
    BuildVolumes(disk, head, records, out);
    return true;
}

bool CLdmDatabase::FindPrivHead(IStorageDevice* disk, PrivHeadSector& out)
{
    if (!disk) return false;
    const uint64_t count = disk->GetSectorCount();
    return (count > 0 && ReadPrivHead(disk, out, count - 1)) || ReadPrivHead(disk, out, kPrivHeadSectorMbr) ||
           ReadPrivHead(disk, out, kPrivHeadSectorAlternate) || FindGptPrivHead(disk, out);
}

bool CLdmDatabase::ReadPrivHead(IStorageDevice* disk, PrivHeadSector& out, uint64_t sector)
{
    const int32_t size = UsableSectorSize(disk);
    if (!size) return false;
    std::vector<uint8_t> buffer(std::max<size_t>(size_t(size), 4096), 0);
    if (!disk->ReadSectors(buffer.data(), sector, 1)) return false;
    std::copy_n(buffer.begin(), out.size(), out.begin());
    return CheckPrivHeadSignature(out);
}

bool CLdmDatabase::FindGptPrivHead(IStorageDevice* disk, PrivHeadSector& out)
{
    const int32_t size = UsableSectorSize(disk);
    if (!size) return false;
    std::vector<uint8_t> sector(size_t(size), 0);
    if (!disk->ReadSectors(sector.data(), 1, 1)) return false;
    const std::optional<GptEntryArray> gpt = DecodeGptHeader(sector);
    if (!gpt || gpt->count > kMaxGptEntries || gpt->entrySize == 0 || gpt->entrySize > uint32_t(size)) return false;
    uint32_t left = gpt->count;
    for (uint64_t at = gpt->firstSector; left > 0 && disk->ReadSectors(sector.data(), at, 1); ++at) {
        const uint32_t n = std::min(left, uint32_t(size) / gpt->entrySize);
        const std::optional<uint64_t> last = FindLdmMetadataEntry(sector, gpt->entrySize, n);
        if (last && ReadPrivHead(disk, out, *last)) return true;
        left -= n;
    }
    return false;
}

std::vector<LdmRawRecord> CLdmDatabase::ReadDatabase(IStorageDevice* disk, const PrivHeadFields& head)
{
    const int32_t size = UsableSectorSize(disk);
    const uint64_t count = disk ? disk->GetSectorCount() : 0;
    if (!size || head.configStart >= count) return {};
    uint64_t n = count - head.configStart - 2; // wraps past the end when the area starts in the last 2 sectors
    n = std::min({n, kMaxDatabaseSectors, kMaxDatabaseBytes / uint64_t(size)});
    if (n == 0) return {};
    std::vector<uint8_t> area(size_t(n * uint64_t(size)), 0);
    if (!disk->ReadSectors(area.data(), head.configStart, n)) return {};
    return ParseVblkArea(area);
}

bool CLdmDatabase::IsVolumeComplete(const LdmVolumeRecord& volume, const LdmDatabaseRecords& records)
{
    if ((volume.typeCode != 3 && volume.typeCode != 4) || volume.components.empty()) return false;
    for (size_t c : volume.components) {
        const LdmComponentRecord& component = records.components[c];
        if (component.type < 1 || component.type > 3 || component.partitions.empty()) return false;
        for (size_t p : component.partitions)
            if (records.partitions[p].disk < 0) return false;
    }
    return true;
}

void CLdmDatabase::BuildVolumes(IStorageDevice* disk, const PrivHeadFields& head, const LdmDatabaseRecords& records,
                                std::vector<DynamicVolumeEntry>& out)
{
    for (const LdmVolumeRecord& volume : records.volumes) {
        if (!IsVolumeComplete(volume, records)) continue;
        LdmVolumeInfo info;
        info.fileSystemKind = volume.partitionType;
        info.sectorCount = volume.size;
        info.volumeName = volume.name.substr(0, 128);
        info.diskGroupName = head.diskGroupName.substr(0, 32);

        std::vector<LdmExtent> lists[2];
        for (size_t i = 0; i < 2 && i < volume.components.size(); ++i) {
            AddMembers(disk, records, records.components[volume.components[i]], lists[i]);
            std::stable_sort(lists[i].begin(), lists[i].end(), [](const LdmExtent& a, const LdmExtent& b) {
                return a.offset != b.offset ? a.offset < b.offset : a.index < b.index;
            });
        }
        std::unique_ptr<IDynamicDevice> device = CreateVolumeDevice(volume, records, info, lists[0], lists[1]);
        if (device) AddVolumeIfNew(std::move(device), volume, out);
    }
}

void CLdmDatabase::AddMembers(IStorageDevice* disk, const LdmDatabaseRecords& records,
                              const LdmComponentRecord& component, std::vector<LdmExtent>& members)
{
    const int32_t usable = UsableSectorSize(disk);
    const int32_t sectorSize = usable > 0 ? usable : 512;
    uint64_t taken = 0;
    for (size_t p : component.partitions) {
        if (taken++ >= component.children) break;
        const LdmPartitionRecord& partition = records.partitions[p];
        LdmExtent extent;
        extent.index = int32_t(uint32_t(partition.index));
        extent.length = partition.size;
        extent.offset = uint64_t(static_cast<unsigned __int128>(partition.volumeOffset) * 512u / unsigned(sectorSize));
        if (partition.disk >= 0) extent.diskId = records.disks[size_t(partition.disk)].diskId.substr(0, 64);
        PrivHeadFields head;
        extent.disk = FindDiskByGuid(extent.diskId, head);
        if (extent.disk) extent.firstSector = SaturatingAdd(partition.start, head.logicalDiskStart);
        members.push_back(std::move(extent));
    }
}

IStorageDevice* CLdmDatabase::FindDiskByGuid(const std::string& diskId, PrivHeadFields& head)
{
    for (IStorageDevice* disk : m_disks) {
        auto found = m_heads.find(disk);
        if (found == m_heads.end()) {
            PrivHeadSector sector{};
            PrivHeadFields fields;
            std::optional<PrivHeadFields> value;
            if (FindPrivHead(disk, sector) && DecodePrivHead(sector, fields)) value = fields;
            found = m_heads.emplace(disk, value).first;
        }
        if (found->second && SameGuidText(found->second->diskId, diskId)) {
            head = *found->second;
            return disk;
        }
    }
    return nullptr;
}

std::unique_ptr<IDynamicDevice> CLdmDatabase::CreateVolumeDevice(const LdmVolumeRecord& volume,
                                                                 const LdmDatabaseRecords& records, LdmVolumeInfo& info,
                                                                 const std::vector<LdmExtent>& list1,
                                                                 const std::vector<LdmExtent>& list2)
{
    const LdmComponentRecord& first = records.components[volume.components[0]];
    if (volume.typeCode == 3) {
        if (volume.children > 1) {
            ComputeVolumeSize(kDynamicMirror, volume.partitionType, info, list1);
            std::unique_ptr<IDynamicDevice> plex1 = CreateFromComponent(kDynamicMirror, first, info, list1);
            std::unique_ptr<IDynamicDevice> plex2;
            if (volume.components.size() > 1)
                plex2 = CreateFromComponent(kDynamicMirror, records.components[volume.components[1]], info, list2);
            return CreateMirrorVolumeDevice(kDynamicMirror, info, std::move(plex1), std::move(plex2));
        }
        switch (first.type) {
        case 1:
            ComputeVolumeSize(kDynamicStriped, volume.partitionType, info, list1);
            return CreateStripedVolumeDevice(kDynamicStriped, info, list1);
        case 2:
            if (first.children > 1) {
                ComputeVolumeSize(kDynamicSpanned, volume.partitionType, info, list1);
                return CreateSpannedVolumeDevice(kDynamicSpanned, info, list1);
            }
            ComputeVolumeSize(kDynamicSimple, volume.partitionType, info, list1);
            return CreateSimpleVolumeDevice(kDynamicSimple, info, list1);
        case 3:
            ComputeVolumeSize(kDynamicRaid5, volume.partitionType, info, list1);
            return CreateRaid5VolumeDevice(kDynamicRaid5, info, list1);
        default: return nullptr;
        }
    }
    if (volume.typeCode == 4) {
        ComputeVolumeSize(kDynamicRaid5, volume.partitionType, info, list1);
        return CreateRaid5VolumeDevice(kDynamicRaid5, info, list1);
    }
    return nullptr;
}

std::unique_ptr<IDynamicDevice> CLdmDatabase::CreateFromComponent(int32_t type, const LdmComponentRecord& component,
                                                                  const LdmVolumeInfo& info,
                                                                  const std::vector<LdmExtent>& members)
{
    if (component.type == 1) return CreateStripedVolumeDevice(type, info, members);
    if (component.type == 2)
        return component.children < 2 ? CreateSimpleVolumeDevice(type, info, members)
                                      : CreateSpannedVolumeDevice(type, info, members);
    return nullptr;
}

void CLdmDatabase::ComputeVolumeSize(int32_t type, uint8_t partitionType, LdmVolumeInfo& info,
                                     const std::vector<LdmExtent>& members)
{
    info.fileSystemKind = GetFileSystemKindFromPartitionType(partitionType);
    if (members.empty()) return;
    const std::vector<uint8_t> boot = ReadFirstSector(members[0]);
    if (!boot.empty()) {
        const int32_t kind = DetectFileSystemKind(boot, int32_t(boot.size()));
        if (kind != 7) info.fileSystemKind = kind;
    }

    const bool allPresent = std::all_of(members.begin(), members.end(), [](const LdmExtent& m) {
        return m.disk && m.disk->GetSectorCount() >= m.length;
    });
    if (allPresent) {
        uint64_t total = 0;
        for (const LdmExtent& m : members) total = SaturatingAdd(total, m.length);
        const uint64_t n = members.size();
        info.sectorCount =
            type == kDynamicRaid5 ? uint64_t(static_cast<unsigned __int128>(total) * (n - 1) / n) : total;
        return;
    }
    // A member is missing: only the file system's own statement of its size may replace the database's.
    if (boot.empty()) return;
    uint64_t stated = 0;
    if (info.fileSystemKind >= 0 && info.fileSystemKind <= 2) {
        stated = CFATDBR(boot, int32_t(boot.size())).GetTotalSectors();
    } else if (IsNtfsBootSector(boot)) {
        CNTFSDBR ntfs;
        if (ntfs.Attach(boot)) stated = SaturatingAdd(ntfs.GetTotalSectors(), 1);
    }
    if (stated) info.sectorCount = stated;
}

void CLdmDatabase::AddVolumeIfNew(std::unique_ptr<IDynamicDevice> device, const LdmVolumeRecord& volume,
                                  std::vector<DynamicVolumeEntry>& out)
{
    for (DynamicVolumeEntry& entry : out)
        if (entry.device.get() == device.get() || device->IsSameVolume(entry.device.get())) return;

    DynamicVolumeEntry entry;
    entry.sectorCount = device->GetSectorCount();

    // Letters only for volumes whose every present member lies on a disk the dynamic-disk test accepted.
    std::vector<const LdmExtent*> members;
    device->GetMembers(members);
    bool allDynamic = true;
    for (const LdmExtent* m : members) {
        if (!m->disk) continue;
        const auto* disk = dynamic_cast<const CDiskDevice*>(m->disk);
        if (!disk || !disk->IsDynamic()) allDynamic = false;
    }
    if (allDynamic) {
        entry.driveLetter = device->GetDriveLetter();
        if (!entry.driveLetter) entry.driveLetter = GetVolumeDriveLetter(volume.guid);
    }

    entry.fileSystemKind = device->GetFileSystemKind();
    {
        const CVolumeAnalyzeList analysers(device.get(), 0);
        entry.fileSystemKind = analysers.FindFirstKnown()->GetFileSystemKind();
    }
    char label[100] = {};
    if (ReadVolumeLabel(device.get(), entry.fileSystemKind, label, sizeof label))
        entry.label.assign(label, strnlen(label, sizeof label));
    entry.typeName = GetDynamicVolumeTypeName(device->GetVolumeType());
    entry.device = std::move(device);
    out.push_back(std::move(entry));
}
