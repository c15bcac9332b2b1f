// A sector range of a parent device shown as a device of its own (a partition, or a candidate of the
// lost-partition search). Never reads outside its range.
#pragma once

#include "core/devices/IStorageDevice.h"

// Does not own the parent, which must outlive it. Thread safety is the parent's.
class CBasicPartitionDevice : public IStorageDevice {
public:
    CBasicPartitionDevice(IStorageDevice* parent, uint64_t firstSector, uint64_t sectorCount);

    // Refuses a request that starts at or past the window's end or asks for more sectors than the window
    // holds (false, buffer zeroed). The part of a request past the end reads as zeros; the part inside is the
    // parent's read and its result.
    bool ReadSectors(void* buffer, uint64_t firstSector, uint64_t sectorCount) override;
    uint64_t GetSectorCount() override { return m_sectorCount; }
    int32_t GetSectorSize() override;
    bool Open() override { return true; }
    bool Close() override { return true; }

    uint64_t GetStartSector() const { return m_firstSector; }
    IStorageDevice* GetParent() const { return m_parent; }

private:
    IStorageDevice* m_parent;
    uint64_t m_firstSector;
    uint64_t m_sectorCount;
};
