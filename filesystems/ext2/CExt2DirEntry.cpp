// Walking the records of an ext2 directory through a two-block window.
#include "filesystems/ext2/CExt2DirEntry.h"

#include "core/bytes/ByteReader.h"
#include "filesystems/ext2/CExt2FileSystem.h"

#include <algorithm>
#include <cstring>

CExt2DirEntry::CExt2DirEntry(const CExt2Inode& directory, uint64_t position)
    : m_directory(directory),
      m_dataSize(directory.GetDataSize()),
      m_blockSize(directory.GetFileSystem() ? directory.GetFileSystem()->GetBlockSize() : 0),
      m_position(position),
      m_blocks(directory, 0)
{
    if (m_position < m_dataSize && !LoadWindow()) GoToEnd();
}

bool CExt2DirEntry::LoadWindow()
{
    if (m_position >= m_dataSize || m_blockSize == 0) return false;
    const CExt2BlockIterator::Block block = m_blocks.ReadBlock();
    if (!block.data) return false;
    // A sound directory names each of its blocks once; a damaged map that names one block over and over would
    // otherwise list the same records for every block of a 4 GiB size.
    if (!m_blocksSeen.insert(block.block).second) return false;
    if (m_window.empty()) m_window.assign(2 * size_t(m_blockSize), 0);
    uint8_t* first = m_window.data();
    uint8_t* second = first + m_blockSize;
    const uint32_t index = m_blocks.GetIndex();
    if (index == 0) {
        std::memset(first, 0, m_window.size());
        std::memcpy(first, block.data, block.validLength);
        m_windowValid = block.validLength;
        return true;
    }
    if (index >= 2) std::memcpy(first, second, m_blockSize);
    std::memset(second, 0, m_blockSize);
    std::memcpy(second, block.data, block.validLength);
    m_windowValid = size_t(m_blockSize) + block.validLength;
    return true;
}

Ext2DirRecord CExt2DirEntry::RecordAt(uint64_t position) const
{
    Ext2DirRecord record;
    if (m_window.empty()) return record;
    const uint32_t index = m_blocks.GetIndex();
    const uint64_t base = index >= 2 ? uint64_t(index - 1) * m_blockSize : 0;
    if (position < base) return record;
    const uint64_t offset = position - base;
    if (offset > m_windowValid || m_windowValid - offset < ext2::kDirRecordHeaderSize) return record;
    bytes::ByteReader r(m_window.data() + offset, m_windowValid - offset);
    record.inode = r.u32le(0);
    record.recordLength = r.u16le(4);
    record.nameLength = r.u8(6);
    record.fileType = r.u8(7);
    record.name = m_window.data() + offset + ext2::kDirRecordHeaderSize;
    record.complete = m_windowValid - offset - ext2::kDirRecordHeaderSize >= record.nameLength;
    return record;
}

Ext2DirRecord CExt2DirEntry::Current() const
{
    if (m_window.empty()) throw CBadDir();
    return RecordAt(m_position);
}

CExt2Inode CExt2DirEntry::MakeInode() const
{
    return CExt2Inode(m_directory.GetFileSystem(), Current());
}

void CExt2DirEntry::Next()
{
    if (m_window.empty()) return GoToEnd();
    const Ext2DirRecord record = RecordAt(m_position);
    if (!record.IsValid() || record.recordLength > m_blockSize) return GoToEnd();
    m_position += record.recordLength;
    if (m_position >= m_dataSize) return GoToEnd();
    // The block that holds the longest record that can start here (or the last block of the data).
    const uint64_t needed = std::min(m_position + kLongestRecord, m_dataSize - 1) / m_blockSize;
    if (needed <= m_blocks.GetIndex()) return;
    const uint32_t count = m_directory.GetBlockCount();
    if (m_blocks.GetIndex() >= count) return GoToEnd();
    m_blocks.Next();
    if (m_blocks.GetIndex() >= count || !LoadWindow()) GoToEnd();
}

bool CExt2DirEntry::AtEnd() const
{
    if (m_position >= m_dataSize || m_window.empty()) return true;
    const Ext2DirRecord record = RecordAt(m_position);
    return !record.IsValid() || (record.inode == 0 && record.nameLength == 0);
}

bool CExt2DirEntry::operator==(const CExt2DirEntry& other) const
{
    const bool atEnd = AtEnd();
    if (atEnd || other.AtEnd()) return atEnd == other.AtEnd();
    return m_directory.GetFileSystem() == other.m_directory.GetFileSystem() &&
           m_directory.GetInodeNumber() == other.m_directory.GetInodeNumber() && m_position == other.m_position;
}
