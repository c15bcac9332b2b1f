// Floppy collection.
#include "filesystems/partitions/CCollectFloppyDiskDevice.h"

#include "filesystems/partitions/CElapsedTimeLog.h"
#include "filesystems/partitions/CVolumeAnalyzeList.h"
#include "platform/BlockDevice.h"

void CCollectFloppyDiskDevice::CollectFloppyDiskDevice(CVolumeDeviceRecordList& volumes)
{
    CollectFloppyDiskDevice(volumes, [](char letter) { return std::make_unique<CVolumeDevice>(letter); });
}

void CCollectFloppyDiskDevice::CollectFloppyDiskDevice(CVolumeDeviceRecordList& volumes, const VolumeMaker& make)
{
    CElapsedTimeLog timer("CCollectFloppyDiskDevice::CollectFloppyDiskDevice");
    for (char letter : {'A', 'B'}) {
        std::unique_ptr<CVolumeDevice> device = make(letter);
        const uint32_t media = device ? device->GetMediaType() : plat::kMediaUnknown;
        if (media == plat::kMediaUnknown || media == plat::kMediaRemovable || media == plat::kMediaFixed) return;
        VolumeDeviceRecord record;
        record.nKind = VolumeDeviceRecord::kKindVolume;
        record.cDriveLetter = letter;
        record.bFloppy = 1;
        {
            const CVolumeAnalyzeList analysers(device.get(), 0);
            IVolume* volume = analysers.FindFirstKnown();
            record.nFileSystemKind = volume->GetFileSystemKind();
            volume->GetLabel(record.szLabel, sizeof record.szLabel);
            record.szLabel[sizeof record.szLabel - 1] = '\0';
        }
        record.pDevice = device.release();
        volumes.push_back(record);
    }
}
