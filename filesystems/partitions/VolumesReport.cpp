// The harness's volume listing and identification.
#include "filesystems/partitions/VolumesReport.h"

#include "core/devices/IStorageDevice.h"
#include "filesystems/partitions/CCollectAllBasicPartitionandDynamicVolume.h"
#include "filesystems/partitions/CCollectDiskDevice.h"
#include "filesystems/partitions/CVolumeAnalyzeList.h"
#include "filesystems/partitions/FileSystemNames.h"

#include <cinttypes>
#include <cstring>

VolumeIdentity IdentifyVolumeFileSystem(IStorageDevice* device, uint64_t firstSector)
{
    VolumeIdentity identity;
    if (!device) return identity;
    const CVolumeAnalyzeList analysers(device, firstSector);
    IVolume* volume = analysers.FindFirstKnown();
    identity.kind = volume->GetFileSystemKind();
    identity.totalSectors = volume->GetTotalSectors();
    char label[IVolume::kLabelSize] = {};
    volume->GetLabel(label, sizeof label);
    identity.label.assign(label, strnlen(label, sizeof label));
    return identity;
}

void PrintVolumeRecords(const CVolumeDeviceRecordList& volumes, std::FILE* out)
{
    for (const VolumeDeviceRecord& record : volumes) {
        uint64_t bytes = 0;
        if (record.pDevice) {
            const int32_t sectorSize = record.pDevice->GetSectorSize();
            bytes = record.pDevice->GetSectorCount() * uint64_t(sectorSize > 0 ? sectorSize : 512);
        }
        char letter[3] = {'*', 0, 0};
        if (record.cDriveLetter) {
            letter[0] = record.cDriveLetter;
            letter[1] = ':';
        }
        std::fprintf(out, "%s\t%s\t%" PRIu64 "\t%.*s\n", letter, GetFileSystemName(record.nFileSystemKind), bytes,
                     int(strnlen(record.szLabel, sizeof record.szLabel)), record.szLabel);
    }
}

int ListVolumesReport(std::FILE* out)
{
    CStorageDeviceList disks;
    CVolumeDeviceRecordList volumes;
    CCollectDiskDevice().CollectDiskDevice(disks);
    CCollectAllBasicPartitionandDynamicVolume().CollectAllBasicPartitionandDynamicVolume(disks, volumes);
    PrintVolumeRecords(volumes, out);
    const int count = int(volumes.size());
    ReleaseCollectedDevices(disks, volumes);
    return count;
}
