// Serving inode records group by group from pieces of the inode tables.
#include "filesystems/ext2/CExt2InodeIterator.h"

#include "filesystems/ext2/CExt2FileSystem.h"

#include <algorithm>

CExt2InodeIterator::CExt2InodeIterator(CExt2FileSystem* fs)
    : m_fs(fs), m_number(fs->GetSuperBlock().GetFirstInode()), m_last(fs->GetSuperBlock().Record().s_inodes_count)
{
}

uint64_t CExt2InodeIterator::GetGroup() const
{
    const uint32_t perGroup = m_fs->GetSuperBlock().Record().s_inodes_per_group;
    return m_number > 0 && perGroup > 0 ? (m_number - 1) / perGroup : 0;
}

void CExt2InodeIterator::GetInode(CExt2Inode& out)
{
    const CExt2SuperBlock& sb = m_fs->GetSuperBlock();
    const uint64_t perGroup = sb.Record().s_inodes_per_group;
    const uint64_t inodeSize = sb.GetInodeSize();
    const uint64_t blockSize = m_fs->GetBlockSize();
    const uint8_t zero[ext2::kInodeRecordSize] = {};
    const uint64_t group = GetGroup();
    if (m_number == 0 || group >= m_fs->GetGroupCount()) {
        out.Assign(m_fs, uint32_t(m_number), zero);
        return;
    }
    const uint64_t byteInTable = ((m_number - 1) % perGroup) * inodeSize;
    const uint64_t tableBlocks = (perGroup * inodeSize + blockSize - 1) / blockSize;
    const uint64_t pieceBlocks = std::min(tableBlocks, std::max<uint64_t>(1, kMaxPieceBytes / blockSize));
    const uint64_t piece = byteInTable / blockSize / pieceBlocks;
    if (group != m_pieceGroup || piece != m_pieceIndex) {
        const uint64_t first = piece * pieceBlocks;
        const uint64_t count = std::min(pieceBlocks, tableBlocks - first);
        m_piece.assign(count * blockSize, 0);
        m_pieceGroup = group;
        m_pieceIndex = piece;
        m_fs->ReadBlocks(m_piece.data(), m_fs->GetGroupDescriptor(group).inodeTable + first, count);
    }
    const uint64_t at = byteInTable - piece * pieceBlocks * blockSize;
    if (at + ext2::kInodeRecordSize > m_piece.size()) {
        out.Assign(m_fs, uint32_t(m_number), zero);
        return;
    }
    out.Assign(m_fs, uint32_t(m_number), std::span<const uint8_t>(m_piece).subspan(size_t(at), ext2::kInodeRecordSize));
}
