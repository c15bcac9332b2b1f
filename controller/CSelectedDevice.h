// The source chosen on a device page: a disk, a volume or a found partition. The record is not owned.
#pragma once

#include "filesystems/common/CLostPartitionRecord.h"
#include "filesystems/partitions/DeviceRecords.h"

#include <cstdint>

class CSelectedDevice {
public:
    enum Kind : uint32_t { kDisk = 0, kVolume = 1, kFoundPartition = 2 };

    CSelectedDevice() = default;
    ~CSelectedDevice() {}

    void Set(uint32_t kind, void* object)
    {
        m_kind = kind;
        m_object = object;
    }
    uint32_t GetKind() const { return m_kind; }
    void* GetObject() const { return m_object; }

    // Each gives the record only when the kind matches, else null.
    DiskDeviceRecord* GetDisk() const { return m_kind == kDisk ? static_cast<DiskDeviceRecord*>(m_object) : nullptr; }
    VolumeDeviceRecord* GetVolume() const
    {
        return m_kind == kVolume ? static_cast<VolumeDeviceRecord*>(m_object) : nullptr;
    }
    CLostPartitionRecord* GetFoundPartition() const
    {
        return m_kind == kFoundPartition ? static_cast<CLostPartitionRecord*>(m_object) : nullptr;
    }
    // The sector device of the selection: the record's device, or the found partition's window; null
    // without a record or for another kind.
    IStorageDevice* GetDevice() const
    {
        if (const DiskDeviceRecord* disk = GetDisk()) return disk->pDevice;
        if (const VolumeDeviceRecord* volume = GetVolume()) return volume->pDevice;
        if (const CLostPartitionRecord* partition = GetFoundPartition()) return partition->pDevice;
        return nullptr;
    }

private:
    uint32_t m_kind = kDisk;
    void* m_object = nullptr;
};
