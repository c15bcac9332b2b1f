// An ext2 superblock copy with the values derived from it: block size, group count, where the copy lies
// relative to the primary one, the validity test, normalisation and the equality of copies.
#pragma once

#include "filesystems/ext2/Ext2Structures.h"

#include <cstdint>
#include <span>

class CExt2SuperBlock {
public:
    CExt2SuperBlock() = default;
    explicit CExt2SuperBlock(const ext2_super_block& record) : m_sb(record) {}
    // From the first 1024 bytes (a zero record when fewer are given).
    explicit CExt2SuperBlock(std::span<const uint8_t> bytes) { ext2_super_block::Decode(bytes, m_sb); }

    const ext2_super_block& Record() const { return m_sb; }
    ext2_super_block& Record() { return m_sb; }

    // 1024 shifted by the exponent; 0 for an exponent above 3 (no valid size is larger than 8192).
    uint32_t GetBlockSize() const;
    uint32_t GetSectorsPerBlock() const { return GetBlockSize() / 512; }
    // (blocks + blocks per group - first data block - 1) / blocks per group, in 64 bits; 0 without groups.
    uint64_t GetGroupCount() const;
    uint32_t GetFirstInode() const { return m_sb.s_rev_level != 0 ? m_sb.s_first_ino : ext2::kFirstInodeRevision0; }
    uint32_t GetInodeSize() const { return m_sb.s_rev_level != 0 ? m_sb.s_inode_size : ext2::kInodeSizeRevision0; }
    // Sectors from the primary copy to this one (group x blocks per group x sectors per block, less 2 when
    // the first data block is 0), in 64 bits.
    int64_t GetCopyOffset() const;
    // 5 (EXT3) with a journal inode, else 4 (EXT2).
    int GetKind() const;
    uint64_t GetSizeInBytes() const { return uint64_t(m_sb.s_blocks_count) * GetBlockSize(); }

    // Every condition of a usable superblock: magic; non-zero counts; the copy's group within the group count;
    // an inode size that is a power of two from 128 to the block size (128 on revision 0); a block size of
    // 1024 to 8192; a group count no larger than one bitmap block per group allows; at most 8 x block size
    // inodes per group; an inodes count above the first inode and within the groups' inodes.
    bool IsValid() const;
    // Inode size 128 on revision 0; first data block from the block size; an inodes count that does not fit
    // the groups becomes groups x inodes per group.
    void Normalise();
    // Same magic, block size, counts, group sizes, inode size, first data block and volume id.
    bool IsSame(const CExt2SuperBlock& other) const;

private:
    ext2_super_block m_sb;
};
