// Walks the logical blocks of one inode: maps an index through the direct pointers and the single, double
// and triple indirect blocks (each level cached, so an in-order walk reads every indirect block once) and
// reads the data block. Missing or out-of-range pointers map to block 0 (none); unreadable indirect blocks
// read as zeros.
#pragma once

#include "filesystems/ext2/CExt2Inode.h"

#include <cstdint>
#include <vector>

class CExt2BlockIterator {
public:
    struct Block {
        const uint8_t* data = nullptr; // null: no data (no block, or the read failed)
        uint32_t validLength = 0;
        uint32_t block = 0;
    };

    CExt2BlockIterator(const CExt2Inode& inode, uint32_t index);
    // A copy takes the index and the data block, not the indirect caches.
    CExt2BlockIterator(const CExt2BlockIterator& other);
    CExt2BlockIterator& operator=(const CExt2BlockIterator& other);

    // The block of the current index, 0 when there is none.
    uint32_t MapBlock();
    // The current block's data; the valid length is short for the block holding the end of the data.
    Block ReadBlock();
    void Next() { ++m_index; }
    uint32_t GetIndex() const { return m_index; }
    const CExt2Inode& GetInode() const { return m_inode; }
    // Same inode (file system and number) and index.
    bool operator==(const CExt2BlockIterator& other) const;

    // Logical blocks that the 15 pointers can map at a block size: 12 + a + a^2 + a^3, a = block size / 4.
    static uint64_t MappableBlocks(uint32_t blockSize);

private:
    struct Level {
        std::vector<uint8_t> buffer;
        uint32_t block = 0;
    };

    // Holds the block in the level's buffer; false when the pointer is 0 or outside the file system.
    bool LoadLevel(int level, uint32_t block);
    uint32_t Entry(int level, uint64_t i) const;

    CExt2Inode m_inode;
    uint32_t m_index;
    std::vector<uint8_t> m_data;
    Level m_levels[3];
};
