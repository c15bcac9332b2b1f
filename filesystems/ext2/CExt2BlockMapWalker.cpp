// Depth-first walk over an inode's direct and indirect block pointers.
#include "filesystems/ext2/CExt2BlockMapWalker.h"

#include "core/bytes/ByteReader.h"
#include "filesystems/ext2/CExt2BlockIterator.h"
#include "filesystems/ext2/CExt2FileSystem.h"
#include "filesystems/ext2/CExt2Inode.h"

#include <algorithm>
#include <exception>

CExt2BlockMapWalker::CExt2BlockMapWalker(const CExt2Inode& inode) : m_inode(inode), m_fs(inode.GetFileSystem()) {}

void CExt2BlockMapWalker::Walk(uint64_t limit, uint64_t maxDataBlocks, const Visit& visit)
{
    if (!m_fs || m_fs->GetBlockSize() == 0) return;
    const uint64_t a = m_fs->GetBlockSize() / 4;
    m_span[0] = 1;
    m_span[1] = a;
    m_span[2] = a * a;
    m_span[3] = a * a * a;
    m_limit = std::min(limit, CExt2BlockIterator::MappableBlocks(m_fs->GetBlockSize()));
    m_maxData = maxDataBlocks;
    m_dataSeen = 0;
    m_indirectSeen.clear();
    m_visit = &visit;

    uint64_t logical = 0;
    for (uint32_t i = 0; i < ext2::kDirectBlocks; ++i, ++logical)
        if (!WalkPointer(m_inode.GetBlockPointer(i), 0, logical)) return;
    for (int depth = 1; depth <= 3; ++depth) {
        const uint32_t slot = ext2::kSingleIndirect + static_cast<uint32_t>(depth - 1);
        if (!WalkPointer(m_inode.GetBlockPointer(slot), depth, logical)) return;
        logical += m_span[depth];
    }
}

bool CExt2BlockMapWalker::WalkPointer(uint32_t pointer, int depth, uint64_t logical)
{
    if (logical >= m_limit) return false;
    const uint64_t span = std::min(m_span[depth], m_limit - logical);
    if (pointer == 0 || !m_fs->IsValidBlock(pointer)) return (*m_visit)(logical, 0, span);
    if (depth == 0) {
        if (m_dataSeen >= m_maxData) return false;
        ++m_dataSeen;
        return (*m_visit)(logical, pointer, 1);
    }
    // Without this, a map whose indirect blocks all name one block costs a read per entry at every level.
    if (!m_indirectSeen.insert(pointer).second) return (*m_visit)(logical, 0, span);
    std::vector<uint8_t>& buffer = m_buffers[depth - 1];
    buffer.assign(m_fs->GetBlockSize(), 0);
    try {
        m_fs->ReadBlocks(buffer.data(), pointer, 1);
    } catch (const std::exception&) {
        return (*m_visit)(logical, 0, span);
    }
    const uint64_t entries = m_fs->GetBlockSize() / 4;
    bytes::ByteReader pointers(buffer);
    for (uint64_t k = 0; k < entries; ++k) {
        const uint64_t child = logical + k * m_span[depth - 1];
        if (child >= m_limit) return false;
        if (!WalkPointer(pointers.u32le(4 * k), depth - 1, child)) return false;
    }
    return true;
}
