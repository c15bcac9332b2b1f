// Volume label from the $Volume record.
#include "filesystems/ntfs/NtfsVolumeLabel.h"

#include "core/devices/IStorageDevice.h"
#include "filesystems/ntfs/CNTFSDBR.h"
#include "filesystems/ntfs/CNTFSFileRecord.h"
#include "filesystems/ntfs/NtfsDeviceRead.h"
#include "filesystems/ntfs/NtfsMetafiles.h"
#include "filesystems/ntfs/NtfsStructures.h"
#include "filesystems/ntfs/NtfsText.h"

#include <vector>

bool GetVolumeLabel(std::span<const uint8_t> record, std::string& label)
{
    const CNTFSFileRecord view(record);
    if (!view.IsValid() || !IsVolumeRecord(view)) return false;
    const CNTFSAttributeHeader name = view.FindAttribute(ntfs::kAttrVolumeName);
    if (!name || name.IsNonResident()) return false;
    const auto value = name.GetValue();
    if (value.size() != name.GetValueLength()) return false;
    label = NtfsNameToText(NtfsUtf16FromBytes(value), kMaxVolumeLabelBytes);
    return true;
}

bool ReadVolumeLabelNearMft(int64_t mftRecordSector, IStorageDevice* device, std::string& label, uint32_t recordLength)
{
    if (mftRecordSector < 0 || !device || recordLength < 1024 || recordLength > 4096) return false;
    const int32_t sectorSize = device->GetSectorSize();
    // Three records further on, counted in bytes so that 4096-byte sectors work as 512-byte ones do.
    const uint64_t offset = 3ull * recordLength;
    if (sectorSize <= 0 || offset % uint64_t(sectorSize) != 0) return false;
    std::vector<uint8_t> buffer;
    if (!NtfsReadBytesAt(device, uint64_t(mftRecordSector) + offset / uint64_t(sectorSize), recordLength, buffer))
        return false;
    GetVolumeLabel(buffer, label);
    return true;
}

bool CNtfsVolumeLabelReader::ReadLabel(uint64_t partitionStart, const CNTFSDBR& bootSector, std::string& label)
{
    if (!m_device) return false;
    const int32_t sectorSize = m_device->GetSectorSize();
    const uint32_t recordLength = bootSector.GetBytesPerFileRecord();
    if (sectorSize <= 0 || recordLength == 0) return false;
    const uint64_t bytesPerCluster = uint64_t(bootSector.GetBytesPerSector()) * bootSector.GetSectorsPerCluster();
    const uint64_t mftCluster = bootSector.GetMftCluster();
    if (bytesPerCluster == 0 || mftCluster > (UINT64_MAX / 2) / bytesPerCluster) return false;
    const uint64_t offset = mftCluster * bytesPerCluster + 3ull * recordLength;
    if (offset % uint64_t(sectorSize) != 0) return false;
    std::vector<uint8_t> buffer;
    if (!NtfsReadBytesAt(m_device, partitionStart + offset / uint64_t(sectorSize), recordLength, buffer)) return false;
    GetVolumeLabel(std::span<const uint8_t>(buffer).first(recordLength), label);
    return true;
}
