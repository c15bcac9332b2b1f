// Mapping logical block indices of an inode through its block pointers.
#include "filesystems/ext2/CExt2BlockIterator.h"

#include "core/bytes/ByteReader.h"
#include "filesystems/ext2/CExt2FileSystem.h"

#include <algorithm>
#include <exception>

CExt2BlockIterator::CExt2BlockIterator(const CExt2Inode& inode, uint32_t index) : m_inode(inode), m_index(index) {}

CExt2BlockIterator::CExt2BlockIterator(const CExt2BlockIterator& other)
    : m_inode(other.m_inode), m_index(other.m_index), m_data(other.m_data)
{
}

CExt2BlockIterator& CExt2BlockIterator::operator=(const CExt2BlockIterator& other)
{
    if (this == &other) return *this;
    m_inode = other.m_inode;
    m_index = other.m_index;
    m_data = other.m_data;
    for (Level& level : m_levels) level = Level{};
    return *this;
}

uint64_t CExt2BlockIterator::MappableBlocks(uint32_t blockSize)
{
    const uint64_t a = blockSize / 4;
    return ext2::kDirectBlocks + a + a * a + a * a * a;
}

bool CExt2BlockIterator::LoadLevel(int level, uint32_t block)
{
    CExt2FileSystem* fs = m_inode.GetFileSystem();
    if (block == 0 || !fs->IsValidBlock(block)) return false;
    Level& held = m_levels[level];
    if (held.block == block && !held.buffer.empty()) return true;
    held.buffer.assign(fs->GetBlockSize(), 0);
    held.block = block;
    try {
        fs->ReadBlocks(held.buffer.data(), block, 1);
    } catch (const std::exception&) {
        std::fill(held.buffer.begin(), held.buffer.end(), 0); // entries of an unreadable block are none
    }
    return true;
}

uint32_t CExt2BlockIterator::Entry(int level, uint64_t i) const
{
    return bytes::ByteReader(m_levels[level].buffer).u32le(4 * i);
}

uint32_t CExt2BlockIterator::MapBlock()
{
    CExt2FileSystem* fs = m_inode.GetFileSystem();
    if (!fs || fs->GetBlockSize() == 0) return 0;
    const uint64_t a = fs->GetBlockSize() / 4;
    const uint64_t i = m_index;
    uint32_t block = 0;
    if (i < ext2::kDirectBlocks) {
        block = m_inode.GetBlockPointer(uint32_t(i));
    } else if (i - ext2::kDirectBlocks < a) {
        if (!LoadLevel(0, m_inode.GetBlockPointer(ext2::kSingleIndirect))) return 0;
        block = Entry(0, i - ext2::kDirectBlocks);
    } else if (i - ext2::kDirectBlocks - a < a * a) {
        const uint64_t j = i - ext2::kDirectBlocks - a;
        if (!LoadLevel(0, m_inode.GetBlockPointer(ext2::kDoubleIndirect))) return 0;
        if (!LoadLevel(1, Entry(0, j / a))) return 0;
        block = Entry(1, j % a);
    } else if (i - ext2::kDirectBlocks - a - a * a < a * a * a) {
        const uint64_t j = i - ext2::kDirectBlocks - a - a * a;
        if (!LoadLevel(0, m_inode.GetBlockPointer(ext2::kTripleIndirect))) return 0;
        if (!LoadLevel(1, Entry(0, j / (a * a)))) return 0;
        if (!LoadLevel(2, Entry(1, (j % (a * a)) / a))) return 0;
        block = Entry(2, j % a);
    }
    return fs->IsValidBlock(block) ? block : 0;
}

CExt2BlockIterator::Block CExt2BlockIterator::ReadBlock()
{
    Block result;
    CExt2FileSystem* fs = m_inode.GetFileSystem();
    result.block = MapBlock();
    if (result.block == 0) return result;
    const ext2_super_block& sb = fs->GetSuperBlock().Record();
    if (uint64_t(result.block) >= fs->GetGroupCount() * sb.s_blocks_per_group) return result;
    const uint32_t blockSize = fs->GetBlockSize();
    m_data.assign(blockSize, 0);
    try {
        fs->ReadBlocks(m_data.data(), result.block, 1);
    } catch (const std::exception&) {
        return result;
    }
    result.data = m_data.data();
    result.validLength = blockSize;
    const uint64_t dataSize = m_inode.GetDataSize();
    if (dataSize < (uint64_t(m_index) + 1) * blockSize && dataSize % blockSize != 0)
        result.validLength = uint32_t(dataSize % blockSize);
    return result;
}

bool CExt2BlockIterator::operator==(const CExt2BlockIterator& other) const
{
    return m_inode.GetFileSystem() == other.m_inode.GetFileSystem() &&
           m_inode.GetInodeNumber() == other.m_inode.GetInodeNumber() && m_index == other.m_index;
}
