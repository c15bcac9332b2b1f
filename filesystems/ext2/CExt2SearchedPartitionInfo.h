// An ext2 or ext3 file system found by scanning: the superblock copy exactly as found, where it was found,
// the group-descriptor table gathered from the sectors that follow the copy, and the evidence of further
// identical copies.
#pragma once

#include "filesystems/common/CSearchedPartitionInfo.h"
#include "filesystems/ext2/CExt2SuperBlock.h"
#include "filesystems/ext2/Ext2Structures.h"

#include <cstdint>
#include <span>
#include <vector>

class IStorageDevice;

// Not safe to share between threads. Sector numbers are 512-byte sectors of the scanned device.
class CExt2SearchedPartitionInfo : public CSearchedPartitionInfo, public CExt2SuperBlock {
public:
    // Bytes of the stream form: the base fields, the descriptor sector (8) and the raw-valid flag (4).
    static constexpr unsigned kStreamSize = CSearchedPartitionInfo::kStreamSize + 12;

    // An empty partition (what Load fills): no copies, no table.
    CExt2SearchedPartitionInfo();
    // From the superblock copy in the first 1024 bytes of window, found at sector. The caller has checked that
    // the normalised copy is valid and places the file system at or after sector 0 (StartOf).
    CExt2SearchedPartitionInfo(std::span<const uint8_t> window, uint64_t sector, unsigned sectorSize = 512);

    int GetKind() const override { return kSearchedPartitionExt2; }
    void Save(IRSData* stream) const override;
    void Load(IRSData* stream) override;

    // The first sector of the file system whose normalised copy was found at sector, or -1 when it would lie
    // before sector 0 (a damaged copy, or one found too near the start of the device).
    static int64_t StartOf(const CExt2SuperBlock& normalised, uint64_t sector);

    // The same file system: both tables gathered, equal copies as found, equal descriptors, and (when
    // either is a backup copy) the same start.
    bool IsSame(const CExt2SearchedPartitionInfo& other) const;
    // Takes a lower copy's position and validity as this file system's own, unless this one is a backup.
    void MergeLowerCopy(const CExt2SearchedPartitionInfo& other);
    // Adds the descriptors of the first 512 bytes of window, found at sector.
    void AppendDescriptors(std::span<const uint8_t> window, uint64_t sector);
    bool IsTableComplete() const { return m_hasTable && m_gathered == GetGroups(); }
    bool IsTableValid() const;
    bool HasTable() const { return m_hasTable; }
    // Whether sector lies past the block that holds the superblock copy.
    bool IsPastSuperBlockBlock(uint64_t sector) const;
    // Reads the copy and the descriptor table again (after Load). False when a read fails, a count does
    // not fit the device, or what was read is not valid.
    bool ReloadFromDevice(IStorageDevice* device);
    // The evidence score from the copies and the copy's validity.
    void Score();

    // The normalised copy: the values a reader of the file system uses.
    CExt2SuperBlock Normalised() const;
    uint64_t GetGroups() const { return Normalised().GetGroupCount(); }
    bool IsRawValid() const { return m_rawValid != 0; }
    const std::vector<Ext2GroupDescriptor>& GetDescriptors() const { return m_descriptors; }

    uint32_t m_copies = 0;
    uint32_t m_gathered = 0;
    uint64_t m_descriptorSector = 0;
    uint64_t m_lowestSector = 0;
    int32_t m_rawValid = 0;

private:
    void SetDerivedFields();

    bool m_hasTable = false;
    std::vector<Ext2GroupDescriptor> m_descriptors;
};
