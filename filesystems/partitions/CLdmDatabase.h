// Reads the dynamic-disk database of every collected disk: finds its header (PRIVHEAD), reads the database
// area, decodes and links its records, and makes a device for every complete volume. A volume whose members
// lie on several disks is built from the first disk's database; its copies in the others are dropped.
#pragma once

#include "filesystems/partitions/DeviceRecords.h"
#include "filesystems/partitions/DynamicVolumeEntry.h"
#include "filesystems/partitions/LdmRecords.h"

#include <array>
#include <map>
#include <optional>
#include <vector>

class CLdmDatabase {
public:
    // The database area read is at most this many sectors (1 MiB of 512-byte sectors)...
    static constexpr uint64_t kMaxDatabaseSectors = 2048;
    // ... and at most this many bytes whatever the sector size.
    static constexpr uint64_t kMaxDatabaseBytes = 8u << 20;
    using PrivHeadSector = std::array<uint8_t, 512>;

    // Reads the databases of the disks in order (null disks are skipped) and appends one entry per volume;
    // returns the number of entries in out. The disks must outlive the devices of the entries.
    size_t ReadAllDisks(const CStorageDeviceList& disks, std::vector<DynamicVolumeEntry>& out);
    void SetDisks(const CStorageDeviceList& disks);
    // False when the disk has no PRIVHEAD.
    bool ReadDisk(IStorageDevice* disk, std::vector<DynamicVolumeEntry>& out);

    // PRIVHEAD at the disk's last sector, sector 6, sector 2081, or the last sector of the GPT partition named
    // "LDM metadata partition", the first found in this order.
    static bool FindPrivHead(IStorageDevice* disk, PrivHeadSector& out);
    static bool ReadPrivHead(IStorageDevice* disk, PrivHeadSector& out, uint64_t sector);
    static bool FindGptPrivHead(IStorageDevice* disk, PrivHeadSector& out);
    // The records of the database area: from the configuration start up to 2 sectors before the disk's end,
    // at most kMaxDatabaseSectors; none when the area cannot be read.
    static std::vector<LdmRawRecord> ReadDatabase(IStorageDevice* disk, const PrivHeadFields& head);

private:
    void BuildVolumes(IStorageDevice* disk, const PrivHeadFields& head, const LdmDatabaseRecords& records,
                      std::vector<DynamicVolumeEntry>& out);
    static bool IsVolumeComplete(const LdmVolumeRecord& volume, const LdmDatabaseRecords& records);
    void AddMembers(IStorageDevice* disk, const LdmDatabaseRecords& records, const LdmComponentRecord& component,
                    std::vector<LdmExtent>& members);
    IStorageDevice* FindDiskByGuid(const std::string& diskId, PrivHeadFields& head);
    std::unique_ptr<IDynamicDevice> CreateVolumeDevice(const LdmVolumeRecord& volume, const LdmDatabaseRecords& records,
                                                       LdmVolumeInfo& info, const std::vector<LdmExtent>& list1,
                                                       const std::vector<LdmExtent>& list2);
    static std::unique_ptr<IDynamicDevice> CreateFromComponent(int32_t type, const LdmComponentRecord& component,
                                                               const LdmVolumeInfo& info,
                                                               const std::vector<LdmExtent>& members);
    static void ComputeVolumeSize(int32_t type, uint8_t partitionType, LdmVolumeInfo& info,
                                  const std::vector<LdmExtent>& members);
    static void AddVolumeIfNew(std::unique_ptr<IDynamicDevice> device, const LdmVolumeRecord& volume,
                               std::vector<DynamicVolumeEntry>& out);

    std::vector<IStorageDevice*> m_disks;
    // The PRIVHEAD of each collected disk once looked up (nullopt: the disk has none).
    std::map<IStorageDevice*, std::optional<PrivHeadFields>> m_heads;
};
