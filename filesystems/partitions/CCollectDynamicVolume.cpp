// Dynamic-volume collection: the volumes the dynamic-disk databases of the disks describe.
#include "filesystems/partitions/CCollectDynamicVolume.h"

#include "core/filetypes/FixedText.h"
#include "filesystems/partitions/CLdmDatabase.h"
#include "filesystems/partitions/DiskDescriptionText.h"
#include "filesystems/partitions/FileSystemNames.h"
#include "platform/Log.h"

#include <cinttypes>
#include <string>

void CCollectDynamicVolume::CollectDynamicVolume(const CStorageDeviceList& disks, CVolumeDeviceRecordList& volumes)
{
    LogInfo("%sbegin collect dynamic volume%s", std::string(29, '-').c_str(), std::string(35, '-').c_str());
    LogInfo("DriverLetter   FileSystem   DynamicVolumeType   TotalSectors       VolumeLabel      ParentDiskInfo\r\n");
    std::vector<DynamicVolumeEntry> entries;
    CLdmDatabase().ReadAllDisks(disks, entries);
    for (DynamicVolumeEntry& entry : entries) {
        if (!entry.device) continue;
        VolumeDeviceRecord record;
        record.nKind = VolumeDeviceRecord::kKindVolume;
        record.nDynamic = 1;
        record.nFileSystemKind = entry.fileSystemKind;
        record.cDriveLetter = entry.driveLetter;
        CopyFixedText(record.szLabel, entry.label);

        // Members on disks that were found, one extent slot and one text line each.
        std::vector<const LdmExtent*> members;
        entry.device->GetMembers(members);
        std::string text;
        int slot = 0;
        for (const LdmExtent* m : members) {
            if (!m->disk) continue;
            if (slot < VolumeDeviceRecord::kMaxMembers) record.members[slot++] = {m->firstSector, m->length, m->disk};
            text += GetDiskDescriptionText(m->disk) + "\n";
        }
        if (text.size() > 2) text.pop_back();
        CopyFixedText(record.szMemberText, text);

        const uint64_t sectors = entry.device->GetSectorCount();
        record.pDevice = entry.device.release();
        volumes.push_back(record);
        LogInfo("%c  %16s  %16s  %16" PRId64 "  %20s  %50s\r\n", record.cDriveLetter ? record.cDriveLetter : '*',
                GetFileSystemName(record.nFileSystemKind), entry.typeName.c_str(), int64_t(sectors), record.szLabel,
                record.szMemberText);
    }
    LogInfo("%send collect dynamic volume%s\r\n", std::string(29, '-').c_str(), std::string(37, '-').c_str());
}
