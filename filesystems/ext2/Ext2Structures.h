// On-disk layout of ext2 and ext3 as this reader uses it; every field is little-endian and decoded through
// the byte layer (core/bytes/ByteReader.h).
//
// Superblock (1024 bytes at byte 1024 of the file system; backups at the start of some groups):
//   0 inodes count (4) | 4 blocks count (4) | 20 first data block (4) | 24 block-size exponent (4)
//   32 blocks per group (4) | 40 inodes per group (4) | 44 mount time (4) | 48 write time (4)
//   56 magic 0xEF53 (2) | 64 last check (4) | 76 revision level (4) | 84 first non-reserved inode (4)
//   88 inode size (2) | 90 group number of this copy (2) | 104 volume id (16) | 120 volume name (16)
//   224 journal inode (4, non-zero on ext3)
// Group descriptor (32 bytes, table in the block after a superblock copy):
//   0 block bitmap (4) | 4 inode bitmap (4) | 8 first inode-table block (4) | 12 the rest (20, not read)
// Inode (the first 128 bytes of each inode-size slot of the inode table):
//   0 mode (2, type in the top 4 bits: 0x4 directory, 0x8 regular file) | 4 size low (4) | 8 access time (4)
//   12 change time (4) | 16 modification time (4) | 20 deletion time (4) | 28 512-byte units (4)
//   40 block pointers (15 x 4: 12 direct, single, double, triple indirect) | 108 size high (4, regular files)
// Directory record (inside a directory's data):
//   0 inode (4, 0 for an empty slot) | 4 record length (2) | 6 name length (1) | 7 file type (1) | 8 name
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>

namespace ext2 {

constexpr uint16_t kMagic = 0xEF53;
constexpr size_t kSuperBlockSize = 1024;
constexpr size_t kGroupDescriptorSize = 32;
constexpr size_t kGroupDescriptorsPerSector = 512 / kGroupDescriptorSize;
constexpr size_t kInodeRecordSize = 128;
constexpr size_t kDirRecordHeaderSize = 8;
constexpr size_t kMaxNameLength = 255;
constexpr uint32_t kRootInode = 2;
constexpr uint32_t kFirstInodeRevision0 = 11;
constexpr uint16_t kInodeSizeRevision0 = 128;
constexpr uint32_t kDirectBlocks = 12;
constexpr uint32_t kSingleIndirect = 12;
constexpr uint32_t kDoubleIndirect = 13;
constexpr uint32_t kTripleIndirect = 14;
constexpr uint32_t kBlockPointers = 15;
constexpr uint16_t kModeTypeMask = 0xF000;
constexpr uint16_t kModeDirectory = 0x4000;
constexpr uint16_t kModeRegular = 0x8000;

// Inode record offsets.
constexpr size_t kInodeMode = 0;
constexpr size_t kInodeSizeLow = 4;
constexpr size_t kInodeAccessTime = 8;
constexpr size_t kInodeChangeTime = 12;
constexpr size_t kInodeModificationTime = 16;
constexpr size_t kInodeDeletionTime = 20;
constexpr size_t kInodeUnits = 28;
constexpr size_t kInodeBlocks = 40;
constexpr size_t kInodeSizeHigh = 108;

} // namespace ext2

// The superblock fields that the reader uses, decoded.
struct ext2_super_block {
    uint32_t s_inodes_count = 0;
    uint32_t s_blocks_count = 0;
    uint32_t s_first_data_block = 0;
    uint32_t s_log_block_size = 0;
    uint32_t s_blocks_per_group = 0;
    uint32_t s_inodes_per_group = 0;
    uint32_t s_mtime = 0;
    uint32_t s_wtime = 0;
    uint16_t s_magic = 0;
    uint32_t s_lastcheck = 0;
    uint32_t s_rev_level = 0;
    uint32_t s_first_ino = 0;
    uint16_t s_inode_size = 0;
    uint16_t s_block_group_nr = 0;
    std::array<uint8_t, 16> s_uuid{};
    std::array<uint8_t, 16> s_volume_name{};
    uint32_t s_journal_inum = 0;

    // From the first 1024 bytes; false (and a zero record) when fewer bytes are given.
    static bool Decode(std::span<const uint8_t> bytes, ext2_super_block& out);
    // The record as 1024 bytes (fields not kept are zero); for tests and fixtures.
    void Encode(std::span<uint8_t, ext2::kSuperBlockSize> out) const;
};

// One directory record as a cursor sees it; name points into the cursor's window.
struct Ext2DirRecord {
    uint32_t inode = 0;
    uint16_t recordLength = 0;
    uint8_t nameLength = 0;
    uint8_t fileType = 0;
    const uint8_t* name = nullptr;
    // The header and the name lie inside the bytes the cursor holds.
    bool complete = false;

    // Complete, a length that is a multiple of 4, and room for the header and the name padded to 4 bytes.
    bool IsValid() const { return complete && recordLength % 4 == 0 && recordLength >= ((nameLength + 11u) & ~3u); }
};

struct Ext2GroupDescriptor {
    uint32_t blockBitmap = 0;
    uint32_t inodeBitmap = 0;
    uint32_t inodeTable = 0;
    std::array<uint8_t, 20> rest{};

    // The three block fields compared; the rest is not interpreted.
    bool SameBlocks(const Ext2GroupDescriptor& other) const
    {
        return blockBitmap == other.blockBitmap && inodeBitmap == other.inodeBitmap && inodeTable == other.inodeTable;
    }
    // From the first 32 bytes; zeros when fewer are given.
    static Ext2GroupDescriptor Decode(std::span<const uint8_t> bytes);
    // Into the first 32 bytes of out (nothing when it is shorter).
    void Encode(std::span<uint8_t> out) const;
};
