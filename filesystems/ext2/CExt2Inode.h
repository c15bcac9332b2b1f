// One ext2 inode as a value: its 128-byte record, its number and, when it came from a directory record, its
// name; with the sizes and tests the tree builder reads. Trivially copyable, so the inode walk can keep its
// objects on the collected heap.
#pragma once

#include "core/bytes/ByteReader.h"
#include "filesystems/ext2/Ext2Structures.h"

#include <cstdint>
#include <span>

class CExt2BlockIterator;
class CExt2DirEntry;
class CExt2FileSystem;

class CExt2Inode {
public:
    // No file system, a zero record: not usable.
    CExt2Inode() = default;
    // Loads the inode: a zero record when it cannot be located; read errors of the file system pass on.
    CExt2Inode(CExt2FileSystem* fs, uint32_t number);
    // From a directory record: its number and its name; the inode is loaded only when the record is valid.
    CExt2Inode(CExt2FileSystem* fs, const Ext2DirRecord& record);

    // Sets number and record directly (the inode walk reads whole tables); the name is cleared.
    // The first 128 bytes of record (zeros for what it lacks) as this inode's record.
    void Assign(CExt2FileSystem* fs, uint32_t number, std::span<const uint8_t> record);

    CExt2FileSystem* GetFileSystem() const { return m_fs; }
    uint32_t GetInodeNumber() const { return m_number; }
    const char* GetName() const { return m_name; }
    uint32_t GetNameLength() const { return m_nameLength; }

    uint16_t GetMode() const { return Record().u16le(ext2::kInodeMode); }
    uint32_t GetAccessTime() const { return Record().u32le(ext2::kInodeAccessTime); }
    uint32_t GetChangeTime() const { return Record().u32le(ext2::kInodeChangeTime); }
    uint32_t GetModificationTime() const { return Record().u32le(ext2::kInodeModificationTime); }
    uint32_t GetDeletionTime() const { return Record().u32le(ext2::kInodeDeletionTime); }
    uint32_t GetAllocatedUnits() const { return Record().u32le(ext2::kInodeUnits); }
    uint32_t GetBlockPointer(uint32_t i) const
    {
        return i < ext2::kBlockPointers ? Record().u32le(ext2::kInodeBlocks + 4 * i) : 0;
    }

    // Regular files: high and low halves; anything else: the low 32 bits.
    uint64_t GetSize() const;
    // GetSize, or the allocated units x 512 when the size is 0.
    uint64_t GetDataSize() const;
    // Size / 512 at least 2^32, or fewer allocated units than size / 512.
    bool IsSparse() const;
    // Sparse: size / block size; otherwise allocated units / sectors per block (indirect blocks included).
    uint32_t GetBlockCount() const;
    // A non-zero mode, and the first min(size / block size, 13) pointers inside the file system.
    bool IsUsable() const;
    // The same test without a file system: for a record read by a scan, of a file system of blocksCount
    // blocks of blockSize bytes.
    bool IsUsableIn(uint64_t blockSize, uint64_t blocksCount) const;
    bool IsDirectory() const { return (GetMode() & ext2::kModeTypeMask) == ext2::kModeDirectory; }
    bool IsRegularFile() const { return (GetMode() & ext2::kModeTypeMask) == ext2::kModeRegular; }
    bool IsDeleted() const { return GetDeletionTime() != 0; }

    CExt2BlockIterator BlocksBegin() const;
    CExt2BlockIterator BlocksEnd() const;
    CExt2DirEntry EntriesBegin() const;
    CExt2DirEntry EntriesEnd() const;

private:
    void Load();
    bytes::ByteReader Record() const { return bytes::ByteReader(m_record, sizeof m_record); }

    CExt2FileSystem* m_fs = nullptr;
    uint8_t m_record[ext2::kInodeRecordSize] = {};
    char m_name[ext2::kMaxNameLength + 1] = {};
    uint32_t m_number = 0;
    uint32_t m_nameLength = 0;
};
