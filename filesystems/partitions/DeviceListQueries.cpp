// Lookups over the device lists.
#include "filesystems/partitions/DeviceListQueries.h"

#include "core/devices/CDiskDevice.h"
#include "core/filetypes/FixedText.h"
#include "filesystems/partitions/DiskDescriptionText.h"
#include "platform/DiskIdentity.h"

#include <cctype>
#include <utility>

namespace {

char UpperLetter(char letter)
{
    return static_cast<char>(std::toupper(static_cast<unsigned char>(letter)));
}

bool SameDisk(const IStorageDevice* a, const IStorageDevice* b)
{
    const int ia = GetMemberDiskIndex(a);
    const int ib = GetMemberDiskIndex(b);
    if (ia >= 0 && ib >= 0) return ia == ib;
    return a == b;
}

bool Intersect(const VolumeMemberExtent& a, const VolumeMemberExtent& b)
{
    if (a.u64SectorCount == 0 || b.u64SectorCount == 0) return false;
    // Half-open ranges, compared without forming first + count (which could wrap).
    return a.u64FirstSector <= b.u64FirstSector ? b.u64FirstSector - a.u64FirstSector < a.u64SectorCount
                                                : a.u64FirstSector - b.u64FirstSector < b.u64SectorCount;
}

} // namespace

int GetMemberDiskIndex(const IStorageDevice* disk)
{
    const auto* diskDevice = dynamic_cast<const CDiskDevice*>(disk);
    return diskDevice ? diskDevice->GetDiskIndex() : -1;
}

const VolumeDeviceRecord* FindVolumeByDriveLetter(char letter, const CVolumeDeviceRecordList& volumes)
{
    const char wanted = UpperLetter(letter);
    if (wanted < 'A' || wanted > 'Z') return nullptr;
    for (const VolumeDeviceRecord& record : volumes)
        if (record.cDriveLetter == wanted) return &record;
    return nullptr;
}

VolumeDeviceRecord* FindVolumeByDriveLetter(char letter, CVolumeDeviceRecordList& volumes)
{
    return const_cast<VolumeDeviceRecord*>(FindVolumeByDriveLetter(letter, std::as_const(volumes)));
}

bool IsVolumeOnDrive(const VolumeDeviceRecord* record, char letter, const CVolumeDeviceRecordList& volumes)
{
    const char wanted = UpperLetter(letter);
    if (!record || record->nKind != VolumeDeviceRecord::kKindVolume || wanted < 'A' || wanted > 'Z') return false;
    if (record->cDriveLetter == wanted) return true;
    if (record->cDriveLetter != 0) return false;
    const VolumeDeviceRecord* lettered = FindVolumeByDriveLetter(wanted, volumes);
    return lettered && VolumesOverlap(*record, *lettered);
}

bool VolumesOverlap(const VolumeDeviceRecord& a, const VolumeDeviceRecord& b)
{
    const int na = a.GetMemberCount();
    const int nb = b.GetMemberCount();
    for (int i = 0; i < na; ++i)
        for (int j = 0; j < nb; ++j)
            if (SameDisk(a.members[i].pDisk, b.members[j].pDisk) && Intersect(a.members[i], b.members[j])) return true;
    return false;
}

DiskDeviceRecord MakeDiskDeviceRecord(IStorageDevice* disk, const CVolumeDeviceRecordList& volumes)
{
    DiskDeviceRecord record;
    record.nKind = DiskDeviceRecord::kKindDisk;
    record.pDevice = disk;
    record.pDiskDevice = disk;
    auto* diskDevice = dynamic_cast<CDiskDevice*>(disk);
    record.nHeads = diskDevice ? diskDevice->GetTracksPerCylinder() : 255;
    int32_t busType = 0;
    CopyFixedText(record.szDescription, GetDiskDescriptionText(disk, &busType));
    record.bUsb = busType == plat::kBusUsb ? 1 : 0;
    for (const VolumeDeviceRecord& volume : volumes) {
        const int members = volume.GetMemberCount();
        for (int i = 0; i < members; ++i)
            if (SameDisk(volume.members[i].pDisk, disk)) {
                record.bDynamic = volume.nDynamic;
                break;
            }
    }
    if (diskDevice && diskDevice->IsDynamic()) record.bDynamic = 1;
    return record;
}
