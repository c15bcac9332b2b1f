// Loading an inode, its name from a directory record, and its sizes and tests.
#include "filesystems/ext2/CExt2Inode.h"

#include "core/TextConverters.h"
#include "filesystems/ext2/CExt2BlockIterator.h"
#include "filesystems/ext2/CExt2DirEntry.h"
#include "filesystems/ext2/CExt2FileSystem.h"

#include <algorithm>
#include <cstring>
#include <vector>

CExt2Inode::CExt2Inode(CExt2FileSystem* fs, uint32_t number) : m_fs(fs), m_number(number)
{
    Load();
}

void CExt2Inode::Load()
{
    uint64_t block = 0;
    uint32_t offset = 0;
    if (!m_fs || !m_fs->LocateInode(m_number, block, offset)) return;
    std::vector<uint8_t> bytes(m_fs->GetBlockSize());
    m_fs->ReadBlocks(bytes.data(), block, 1);
    // The inode size is a power of two no larger than the block, so the record lies inside the block.
    bytes::ByteReader r(bytes);
    if (r.has(offset, sizeof m_record)) r.copy(offset, m_record, sizeof m_record);
}

CExt2Inode::CExt2Inode(CExt2FileSystem* fs, const Ext2DirRecord& record) : m_fs(fs), m_number(record.inode)
{
    const size_t length = record.complete && record.name ? record.nameLength : 0;
    if (length > 0) {
        char converted[ext2::kMaxNameLength + 1] = {};
        size_t n = dnc::Utf8ToMultiByte(reinterpret_cast<const char*>(record.name), length, converted, length);
        const char* source = converted;
        if (n == 0) {
            source = reinterpret_cast<const char*>(record.name);
            n = length;
        }
        n = std::min(n, ext2::kMaxNameLength);
        std::memcpy(m_name, source, n);
        m_name[n] = '\0';
        m_nameLength = uint32_t(n);
    }
    if (record.IsValid()) Load();
}

void CExt2Inode::Assign(CExt2FileSystem* fs, uint32_t number, std::span<const uint8_t> record)
{
    m_fs = fs;
    m_number = number;
    bytes::ByteReader(record).copy(0, m_record, std::min(sizeof m_record, record.size()));
    if (record.size() < sizeof m_record) std::fill(m_record + record.size(), std::end(m_record), uint8_t(0));
    m_name[0] = '\0';
    m_nameLength = 0;
}

uint64_t CExt2Inode::GetSize() const
{
    const uint64_t low = Record().u32le(ext2::kInodeSizeLow);
    if (!IsRegularFile()) return low;
    return uint64_t(Record().u32le(ext2::kInodeSizeHigh)) << 32 | low;
}

uint64_t CExt2Inode::GetDataSize() const
{
    const uint64_t size = GetSize();
    return size != 0 ? size : uint64_t(GetAllocatedUnits()) * 512;
}

bool CExt2Inode::IsSparse() const
{
    const uint64_t units = GetSize() / 512;
    return units >= (uint64_t(1) << 32) || GetAllocatedUnits() < units;
}

uint32_t CExt2Inode::GetBlockCount() const
{
    if (!m_fs || m_fs->GetBlockSize() == 0) return 0;
    if (IsSparse()) return uint32_t(std::min<uint64_t>(GetSize() / m_fs->GetBlockSize(), UINT32_MAX));
    return GetAllocatedUnits() / m_fs->GetSectorsPerBlock();
}

bool CExt2Inode::IsUsable() const
{
    return m_fs && IsUsableIn(m_fs->GetBlockSize(), m_fs->GetSuperBlock().Record().s_blocks_count);
}

bool CExt2Inode::IsUsableIn(uint64_t blockSize, uint64_t blocksCount) const
{
    if (GetMode() == 0 || blockSize == 0) return false;
    const uint64_t checked = std::min<uint64_t>(GetSize() / blockSize, ext2::kDirectBlocks + 1);
    for (uint32_t i = 0; i < checked; ++i)
        if (GetBlockPointer(i) >= blocksCount) return false;
    return true;
}

CExt2BlockIterator CExt2Inode::BlocksBegin() const
{
    return CExt2BlockIterator(*this, 0);
}
CExt2BlockIterator CExt2Inode::BlocksEnd() const
{
    return CExt2BlockIterator(*this, GetBlockCount());
}
CExt2DirEntry CExt2Inode::EntriesBegin() const
{
    return CExt2DirEntry(*this, 0);
}
CExt2DirEntry CExt2Inode::EntriesEnd() const
{
    return CExt2DirEntry(*this, GetDataSize());
}
