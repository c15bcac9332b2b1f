// Helpers of the ext2 tests: a small ext2 image built byte by byte, the fixture images with their
// manifests, SHA-256 of read-back data, and a scoped extension filter.
#pragma once

#include "tests/support/ScopedExtensionFilter.h"
#include "filesystems/ext2/Ext2Structures.h"

#include <array>
#include <cstdint>
#include <initializer_list>
#include <string>
#include <utility>
#include <vector>

class CFileNode;
class IStorageDevice;

namespace ext2test {

// One group of an ext2 file system: boot block, superblock, descriptor table, two bitmaps, the inode table,
// then data blocks handed out in order by AllocBlock. Nothing marks bitmaps: the reader never reads them.
class Ext2TestImage {
public:
    struct Options {
        uint32_t blockSize = 1024;
        uint32_t blocks = 2048;
        uint32_t inodesPerGroup = 128;
        uint16_t inodeSize = 128;
        uint32_t journalInode = 0;
        const char* label = "TESTVOL";
    };
    struct Inode {
        uint16_t mode = 0x81A4; // regular file, 0644
        uint64_t size = 0;
        uint32_t atime = 0, ctime = 0, mtime = 0, dtime = 0;
        uint32_t units = 0;
        std::array<uint32_t, 15> block{};
    };

    Ext2TestImage() : Ext2TestImage(Options{}) {}
    explicit Ext2TestImage(const Options& options);

    ext2_super_block& SuperBlock() { return m_sb; }
    // Writes the superblock and the descriptor table (after changing them).
    void WriteHeaders();
    uint32_t BlockSize() const { return m_blockSize; }
    uint32_t InodeTable() const { return m_inodeTable; }
    uint8_t* Block(uint64_t block) { return m_bytes.data() + block * m_blockSize; }
    // A zeroed block that nothing uses yet.
    uint32_t AllocBlock();

    void SetInode(uint32_t number, const Inode& inode);
    // A regular file of size bytes, its bytes FileByte(number, offset), in new blocks (direct, then one single-
    // indirect block). Returns what it wrote.
    Inode AddFile(uint32_t number, uint64_t size, uint32_t mtime = 0, uint32_t dtime = 0);
    // A directory with ".", ".." (parent) and the entries, records never crossing a block, the last one of each
    // block running to its end.
    Inode AddDirectory(uint32_t number, uint32_t parent, const std::vector<std::pair<uint32_t, std::string>>& entries,
                       uint32_t dtime = 0);

    const std::vector<uint8_t>& Bytes() const { return m_bytes; }
    static uint8_t FileByte(uint32_t inode, uint64_t offset) { return uint8_t(inode * 31 + offset * 7 + offset / 251); }

private:
    uint32_t m_blockSize;
    ext2_super_block m_sb;
    Ext2GroupDescriptor m_descriptor;
    uint32_t m_inodeTable = 0;
    uint32_t m_nextFree = 0;
    std::vector<uint8_t> m_bytes;
};

// Writes one directory record at p; returns its length.
void PutDirRecord(uint8_t* p, uint32_t inode, uint16_t recordLength, const std::string& name);

struct ManifestLine {
    bool deleted = false;
    std::string path;     // folders end in '/'
    std::string treePath; // where the tree lists it below the partition folder
    uint64_t size = 0;
    std::string sha256;
    int64_t mtime = 0;
    uint32_t inode = 0;
    bool IsFolder() const { return !path.empty() && path.back() == '/'; }
};

struct Fixture {
    std::vector<ManifestLine> lines;
    std::vector<uint8_t> image;
};

// tests/fixtures/<name>.img.xz decompressed, with <name>.manifest.
Fixture LoadFixture(const std::string& name);

// The whole file read through CFoundFileReader; empty when a read fails.
std::vector<uint8_t> ReadWholeFile(IStorageDevice* device, CFileNode* node, uint64_t size);

// Sets the process-wide extension filter to the given extensions while it lives.
using testsupport::ScopedExtensionFilter;

} // namespace ext2test
