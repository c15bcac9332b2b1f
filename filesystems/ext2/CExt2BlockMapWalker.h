// Walks the block tree of an inode in logical order, reporting data blocks and holes. Each indirect block is
// read once, and a missing pointer reports the whole range it would map as one hole, so a sparse file of any
// size costs what its allocated blocks cost.
#pragma once

#include <cstdint>
#include <functional>
#include <unordered_set>
#include <vector>

class CExt2FileSystem;
class CExt2Inode;

class CExt2BlockMapWalker {
public:
    // (first logical block, physical block or 0 for a hole, number of blocks); false stops the walk.
    // A data block is always reported alone (count 1).
    using Visit = std::function<bool(uint64_t logical, uint32_t block, uint64_t count)>;

    explicit CExt2BlockMapWalker(const CExt2Inode& inode);

    // Reports logical blocks [0, limit) in order (limit cut to what the pointers can map). Pointers of 0 or
    // outside the file system, indirect blocks that cannot be read, and an indirect block the map names a second
    // time (a sound map names each once), are holes. The walk ends after maxDataBlocks data blocks, so damaged
    // maps that point at the same blocks again and again stay bounded.
    void Walk(uint64_t limit, uint64_t maxDataBlocks, const Visit& visit);

private:
    bool WalkPointer(uint32_t pointer, int depth, uint64_t logical);

    const CExt2Inode& m_inode;
    CExt2FileSystem* m_fs;
    uint64_t m_limit = 0;
    uint64_t m_maxData = 0;
    uint64_t m_dataSeen = 0;
    uint64_t m_span[4] = {};
    const Visit* m_visit = nullptr;
    std::vector<uint8_t> m_buffers[3];
    std::unordered_set<uint32_t> m_indirectSeen;
};
