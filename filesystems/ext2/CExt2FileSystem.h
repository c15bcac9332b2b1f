// An ext2 or ext3 file system opened on the 512-byte-sector view of a device (sector numbers are of that view): the
// normalised superblock, the group descriptors found among the backup groups, block reads bounded by the device, and
// where an inode lies. Errors are raised as the exceptions of Ext2Exceptions.h. One thread at a time.
#pragma once

#include "filesystems/ext2/CExt2SuperBlock.h"
#include "filesystems/ext2/Ext2Structures.h"

#include <cstdint>
#include <string>
#include <vector>

class IStorageDevice;

class CExt2FileSystem {
public:
    // The groups whose first block may hold a superblock copy and a descriptor table, in visiting order.
    static constexpr uint32_t kBackupGroups[] = {0, 1, 3, 5, 7, 9, 25, 27, 49, 81, 125};

    // Reads 4096 bytes at superBlockSector and opens the file system from their first 1024. Raises
    // CExt2ReadSectorError when the read fails, CExt2BadSuperBlock when the superblock is invalid or the file
    // system runs past the device, CExt2BadGroupDescriptor when no descriptor table is usable.
    CExt2FileSystem(IStorageDevice* device, uint64_t superBlockSector);
    // A file system found by scanning that starts at startSector: the superblock (taken as the primary copy)
    // and a descriptor table of at least the group count that must pass the descriptor test.
    CExt2FileSystem(IStorageDevice* device, uint64_t startSector, const CExt2SuperBlock& superBlock,
                    const std::vector<Ext2GroupDescriptor>* descriptors);
    virtual ~CExt2FileSystem() = default;
    CExt2FileSystem(const CExt2FileSystem&) = delete;
    CExt2FileSystem& operator=(const CExt2FileSystem&) = delete;

    // Reads count whole blocks into buffer (count x block size bytes). A range outside the device raises
    // std::out_of_range("CExt2FileSystem::ReadBlocks"); a failed read zeroes the buffer and raises
    // CExt2ReadSectorError.
    void ReadBlocks(void* buffer, uint64_t firstBlock, uint64_t count);
    // Sector of the block: file-system start + block x sectors per block (signed: a damaged backup copy can
    // put the start before the device).
    int64_t BlockToSector(uint64_t block) const;
    // Block and byte offset of an inode; false for inode 0 and beyond the last group.
    bool LocateInode(uint32_t inode, uint64_t& block, uint32_t& offset) const;
    bool IsValidBlock(uint64_t block) const { return block < m_superBlock.Record().s_blocks_count; }

    int GetKind() const { return m_superBlock.GetKind(); }
    uint64_t GetSizeInBytes() const { return m_superBlock.GetSizeInBytes(); }
    // The 16-byte name field up to its first zero byte.
    std::string GetVolumeName() const;
    const CExt2SuperBlock& GetSuperBlock() const { return m_superBlock; }
    IStorageDevice* GetDevice() const { return m_device; }
    uint32_t GetBlockSize() const { return m_superBlock.GetBlockSize(); }
    uint32_t GetSectorsPerBlock() const { return m_superBlock.GetSectorsPerBlock(); }
    uint64_t GetGroupCount() const { return m_descriptors.size(); }
    const Ext2GroupDescriptor& GetGroupDescriptor(uint64_t group) const { return m_descriptors[group]; }
    // Sector of the primary superblock.
    int64_t GetPrimarySuperBlockSector() const { return m_primarySector; }

    // Whether the first groups descriptors keep each group's bitmaps and inode table inside that group.
    static bool IsValidDescriptorTable(const CExt2SuperBlock& superBlock, const Ext2GroupDescriptor* table,
                                       uint64_t groups);

private:
    void Open(std::span<const uint8_t> superBlockBytes);
    void LoadDescriptorTable();

    IStorageDevice* m_device;
    CExt2SuperBlock m_superBlock;
    std::vector<Ext2GroupDescriptor> m_descriptors;
    uint64_t m_superBlockSector = 0;
    int64_t m_primarySector = 0;
};
