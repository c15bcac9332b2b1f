// A cursor over the records of one ext2 directory. It reads the directory a block at a time into a window of
// two blocks (the previous and the current), so a record may run from one block into the next, and it never
// reads outside what the window holds: an invalid, oversized or cut-off record ends the directory, and so does a
// block the directory's map names a second time.
#pragma once

#include "filesystems/ext2/CExt2BlockIterator.h"
#include "filesystems/ext2/CExt2Inode.h"
#include "filesystems/ext2/Ext2Structures.h"

#include <cstdint>
#include <exception>
#include <unordered_set>
#include <vector>

class CExt2DirEntry {
public:
    // Directory data missing: the cursor holds no window.
    class CBadDir : public std::exception {};

    // The longest record that can start at a position: header, a 255-byte name and padding.
    static constexpr uint64_t kLongestRecord = 264;

    // At position 0 the first block is loaded; when that fails the cursor stands at the end.
    CExt2DirEntry(const CExt2Inode& directory, uint64_t position);

    // The record at the position; raises CBadDir without a window. Its name points into the window.
    Ext2DirRecord Current() const;
    // The inode the current record names, with its name (loaded only when the record is valid).
    CExt2Inode MakeInode() const;
    // Steps to the next record, loading the next block when the record may reach into it.
    void Next();
    // At the data's end, without a window, or on an invalid record or an empty one (inode 0, no name).
    bool AtEnd() const;
    // Cursors at the end are equal; others when they walk the same directory at the same position.
    bool operator==(const CExt2DirEntry& other) const;
    uint64_t GetPosition() const { return m_position; }

private:
    bool LoadWindow();
    void GoToEnd() { m_position = m_dataSize; }
    Ext2DirRecord RecordAt(uint64_t position) const;

    CExt2Inode m_directory;
    uint64_t m_dataSize;
    uint32_t m_blockSize;
    std::vector<uint8_t> m_window;
    // Bytes of the window that hold directory data.
    size_t m_windowValid = 0;
    uint64_t m_position;
    CExt2BlockIterator m_blocks;
    std::unordered_set<uint32_t> m_blocksSeen;
};
