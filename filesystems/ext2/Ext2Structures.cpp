// Decoding and encoding of the ext2 superblock and group descriptors, field by field.
#include "filesystems/ext2/Ext2Structures.h"

#include "core/bytes/ByteReader.h"
#include "core/bytes/ByteWriter.h"

bool ext2_super_block::Decode(std::span<const uint8_t> bytes, ext2_super_block& out)
{
    out = ext2_super_block{};
    if (bytes.size() < ext2::kSuperBlockSize) return false;
    bytes::ByteReader r(bytes.first(ext2::kSuperBlockSize));
    out.s_inodes_count = r.u32le(0);
    out.s_blocks_count = r.u32le(4);
    out.s_first_data_block = r.u32le(20);
    out.s_log_block_size = r.u32le(24);
    out.s_blocks_per_group = r.u32le(32);
    out.s_inodes_per_group = r.u32le(40);
    out.s_mtime = r.u32le(44);
    out.s_wtime = r.u32le(48);
    out.s_magic = r.u16le(56);
    out.s_lastcheck = r.u32le(64);
    out.s_rev_level = r.u32le(76);
    out.s_first_ino = r.u32le(84);
    out.s_inode_size = r.u16le(88);
    out.s_block_group_nr = r.u16le(90);
    r.copy(104, out.s_uuid.data(), out.s_uuid.size());
    r.copy(120, out.s_volume_name.data(), out.s_volume_name.size());
    out.s_journal_inum = r.u32le(224);
    return bool(r);
}

void ext2_super_block::Encode(std::span<uint8_t, ext2::kSuperBlockSize> out) const
{
    bytes::ByteWriter w(out);
    w.fill(0, 0, out.size());
    w.u32le(0, s_inodes_count);
    w.u32le(4, s_blocks_count);
    w.u32le(20, s_first_data_block);
    w.u32le(24, s_log_block_size);
    w.u32le(32, s_blocks_per_group);
    w.u32le(40, s_inodes_per_group);
    w.u32le(44, s_mtime);
    w.u32le(48, s_wtime);
    w.u16le(56, s_magic);
    w.u32le(64, s_lastcheck);
    w.u32le(76, s_rev_level);
    w.u32le(84, s_first_ino);
    w.u16le(88, s_inode_size);
    w.u16le(90, s_block_group_nr);
    w.copy(104, s_uuid.data(), s_uuid.size());
    w.copy(120, s_volume_name.data(), s_volume_name.size());
    w.u32le(224, s_journal_inum);
}

Ext2GroupDescriptor Ext2GroupDescriptor::Decode(std::span<const uint8_t> bytes)
{
    bytes::ByteReader r(bytes);
    Ext2GroupDescriptor d;
    d.blockBitmap = r.u32le(0);
    d.inodeBitmap = r.u32le(4);
    d.inodeTable = r.u32le(8);
    r.copy(12, d.rest.data(), d.rest.size());
    if (!r) return {};
    return d;
}

void Ext2GroupDescriptor::Encode(std::span<uint8_t> out) const
{
    if (out.size() < ext2::kGroupDescriptorSize) return;
    bytes::ByteWriter w(out);
    w.u32le(0, blockBitmap);
    w.u32le(4, inodeBitmap);
    w.u32le(8, inodeTable);
    w.copy(12, rest.data(), rest.size());
}
