// Walks every inode number of an ext2 file system, from the first non-reserved inode through the inodes
// count, serving the records from a group's inode table read in large pieces (one request per piece).
#pragma once

#include "filesystems/ext2/CExt2Inode.h"

#include <cstdint>
#include <vector>

class CExt2FileSystem;

class CExt2InodeIterator {
public:
    // Largest piece of an inode table read at once; a group's whole table when it is no larger.
    static constexpr uint64_t kMaxPieceBytes = 8u << 20;

    explicit CExt2InodeIterator(CExt2FileSystem* fs);

    bool AtEnd() const { return m_number > m_last; }
    void Next() { ++m_number; }
    uint32_t GetInodeNumber() const { return uint32_t(m_number); }
    // The group of the current inode.
    uint64_t GetGroup() const;
    // The current inode (without a name). A read error of the table passes on; the piece then stays held as
    // zeros, so the other inodes in it read as unused.
    void GetInode(CExt2Inode& out);

private:
    CExt2FileSystem* m_fs;
    uint64_t m_number;
    uint64_t m_last;
    std::vector<uint8_t> m_piece;
    uint64_t m_pieceGroup = UINT64_MAX;
    uint64_t m_pieceIndex = UINT64_MAX;
};
