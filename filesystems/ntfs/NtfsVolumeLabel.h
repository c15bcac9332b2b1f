// The NTFS volume label: read from the $Volume record, found next to the $MFT record.
#pragma once

#include <cstdint>
#include <span>
#include <string>

class CNTFSDBR;
class IStorageDevice;

// Longest label text handed out, in bytes.
inline constexpr size_t kMaxVolumeLabelBytes = 80;

// The record must be a valid $Volume record; its first $VOLUME_NAME becomes text of at most 80 bytes.
bool GetVolumeLabel(std::span<const uint8_t> record, std::string& label);

// Reads the record three records after the $MFT record (the $Volume record) and takes its label. Only for a
// non-negative sector and a record length from 1024 to 4096; true once the read succeeded, whatever the
// record held.
bool ReadVolumeLabelNearMft(int64_t mftRecordSector, IStorageDevice* device, std::string& label, uint32_t recordLength);

class CNtfsVolumeLabelReader {
public:
    explicit CNtfsVolumeLabelReader(IStorageDevice* device) : m_device(device) {}
    // The label of the volume at the partition start whose boot sector is given; false when the read fails.
    bool ReadLabel(uint64_t partitionStart, const CNTFSDBR& bootSector, std::string& label);

private:
    IStorageDevice* m_device; // not owned
};
