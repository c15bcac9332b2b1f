// Derived values, validity and normalisation of an ext2 superblock copy.
#include "filesystems/ext2/CExt2SuperBlock.h"

#include "filesystems/tree/CFileNode.h"

#include <algorithm>

uint32_t CExt2SuperBlock::GetBlockSize() const
{
    return m_sb.s_log_block_size <= 3 ? 1024u << m_sb.s_log_block_size : 0;
}

uint64_t CExt2SuperBlock::GetGroupCount() const
{
    if (m_sb.s_blocks_per_group == 0) return 0;
    const uint64_t span = uint64_t(m_sb.s_blocks_count) + m_sb.s_blocks_per_group;
    if (span < uint64_t(m_sb.s_first_data_block) + 1) return 0;
    return (span - m_sb.s_first_data_block - 1) / m_sb.s_blocks_per_group;
}

int64_t CExt2SuperBlock::GetCopyOffset() const
{
    const int64_t offset = int64_t(m_sb.s_block_group_nr) * int64_t(m_sb.s_blocks_per_group) * GetSectorsPerBlock();
    return m_sb.s_first_data_block == 0 ? offset - 2 : offset;
}

int CExt2SuperBlock::GetKind() const
{
    return m_sb.s_journal_inum != 0 ? kFsKindExt3 : kFsKindExt2;
}

bool CExt2SuperBlock::IsValid() const
{
    if (m_sb.s_magic != ext2::kMagic) return false;
    if (m_sb.s_inodes_count == 0 || m_sb.s_blocks_count == 0 || m_sb.s_blocks_per_group == 0 ||
        m_sb.s_inodes_per_group == 0)
        return false;
    const uint64_t groups = GetGroupCount();
    if (m_sb.s_block_group_nr > groups) return false;
    if (m_sb.s_rev_level == 0 && m_sb.s_inode_size != ext2::kInodeSizeRevision0) return false;
    const uint32_t blockSize = GetBlockSize();
    if (blockSize < 1024 || blockSize > 8192) return false;
    // The inode size becomes a stride and a divisor: it must tile a block exactly.
    const uint32_t inodeSize = m_sb.s_inode_size;
    if (inodeSize < ext2::kInodeRecordSize || inodeSize > blockSize || (inodeSize & (inodeSize - 1)) != 0) return false;
    const uint64_t bitsPerBitmap = 8ull * blockSize;
    const uint64_t bytes = uint64_t(m_sb.s_blocks_count) * blockSize;
    const uint64_t perGroupBytes = bitsPerBitmap * blockSize;
    if (groups > (bytes + perGroupBytes - 1) / perGroupBytes) return false;
    // One inode-bitmap block per group maps at most 8 x block size inodes.
    if (m_sb.s_inodes_per_group > bitsPerBitmap) return false;
    if (m_sb.s_inodes_count <= GetFirstInode()) return false;
    return uint64_t(m_sb.s_inodes_count) <= groups * m_sb.s_inodes_per_group;
}

void CExt2SuperBlock::Normalise()
{
    if (m_sb.s_rev_level == 0) m_sb.s_inode_size = ext2::kInodeSizeRevision0;
    m_sb.s_first_data_block = GetBlockSize() == 1024 ? 1 : 0;
    const uint64_t groups = GetGroupCount();
    const uint64_t fitting = groups * m_sb.s_inodes_per_group;
    const uint64_t count = m_sb.s_inodes_count;
    const uint64_t allButLast = groups > 0 ? (groups - 1) * m_sb.s_inodes_per_group : 0;
    if (count <= GetFirstInode() || count <= allButLast || count > fitting)
        m_sb.s_inodes_count = uint32_t(std::min<uint64_t>(fitting, UINT32_MAX));
}

bool CExt2SuperBlock::IsSame(const CExt2SuperBlock& other) const
{
    const ext2_super_block& a = m_sb;
    const ext2_super_block& b = other.m_sb;
    return a.s_magic == b.s_magic && a.s_log_block_size == b.s_log_block_size && a.s_blocks_count == b.s_blocks_count &&
           a.s_inodes_count == b.s_inodes_count && a.s_blocks_per_group == b.s_blocks_per_group &&
           a.s_inodes_per_group == b.s_inodes_per_group && a.s_inode_size == b.s_inode_size &&
           a.s_first_data_block == b.s_first_data_block && a.s_uuid == b.s_uuid;
}
