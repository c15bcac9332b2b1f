// Reads the volume label entry of a FAT volume: from the fixed root directory of FAT12/16, or along the
// root directory's cluster chain of FAT32.
#pragma once

#include <cstdint>
#include <string>

class CFATDBR;
class IStorageDevice;

// Does not own the device. One thread at a time.
class CFatVolumeLabelReader {
public:
    explicit CFatVolumeLabelReader(IStorageDevice* device);

    // The label of the volume that starts at volumeStart and whose boot sector is given; false when the boot
    // sector is no FAT boot sector or no label entry was found.
    bool ReadLabel(uint64_t volumeStart, const CFATDBR& bootSector, std::string& label);
    // First sector of a data cluster; all ones for a boot sector that did not classify.
    uint64_t ClusterToSector(uint64_t volumeStart, const CFATDBR& bootSector, uint64_t cluster) const;
    // Walks the entries of the cluster at sector for an undeleted label entry; false when the read fails, an
    // invalid entry or the end marker comes first, or the cluster holds none.
    bool ScanClusterForLabel(uint64_t sector, const CFATDBR& bootSector, std::string& label);

private:
    bool ReadFixedRoot(uint64_t volumeStart, const CFATDBR& bootSector, std::string& label);
    bool ReadRootChain(uint64_t volumeStart, const CFATDBR& bootSector, std::string& label);

    IStorageDevice* m_device;
    int32_t m_sectorSize;
};
