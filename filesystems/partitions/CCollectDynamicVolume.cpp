// Dynamic-volume collection (no volumes yet).
#include "filesystems/partitions/CCollectDynamicVolume.h"

#include "platform/Log.h"

#include <string>

void CCollectDynamicVolume::CollectDynamicVolume(const CStorageDeviceList& disks, CVolumeDeviceRecordList& volumes)
{
    (void)disks, (void)volumes;
    LogInfo("%sbegin collect dynamic volume%s", std::string(29, '-').c_str(), std::string(35, '-').c_str());
    LogInfo("DriverLetter   FileSystem   DynamicVolumeType   TotalSectors       VolumeLabel      ParentDiskInfo\r\n");
    LogInfo("%send collect dynamic volume%s\r\n", std::string(29, '-').c_str(), std::string(37, '-').c_str());
}
