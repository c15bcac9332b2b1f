// Decoding and encoding of the ext2 superblock and group descriptors, field by field.
#include "filesystems/ext2/Ext2Structures.h"

#include <cstring>

namespace {

void Put16(uint8_t* p, uint16_t v)
{
    p[0] = uint8_t(v);
    p[1] = uint8_t(v >> 8);
}

void Put32(uint8_t* p, uint32_t v)
{
    for (int i = 0; i < 4; ++i) p[i] = uint8_t(v >> (8 * i));
}

} // namespace

void ext2::Ext2ByteReader::Copy(size_t at, uint8_t* out, size_t count)
{
    if (!Has(at, count)) {
        m_ok = false;
        std::memset(out, 0, count);
        return;
    }
    std::memcpy(out, m_bytes.data() + at, count);
}

bool ext2_super_block::Decode(std::span<const uint8_t> bytes, ext2_super_block& out)
{
    out = ext2_super_block{};
    if (bytes.size() < ext2::kSuperBlockSize) return false;
    ext2::Ext2ByteReader r(bytes.first(ext2::kSuperBlockSize));
    out.s_inodes_count = r.u32(0);
    out.s_blocks_count = r.u32(4);
    out.s_first_data_block = r.u32(20);
    out.s_log_block_size = r.u32(24);
    out.s_blocks_per_group = r.u32(32);
    out.s_inodes_per_group = r.u32(40);
    out.s_mtime = r.u32(44);
    out.s_wtime = r.u32(48);
    out.s_magic = r.u16(56);
    out.s_lastcheck = r.u32(64);
    out.s_rev_level = r.u32(76);
    out.s_first_ino = r.u32(84);
    out.s_inode_size = r.u16(88);
    out.s_block_group_nr = r.u16(90);
    r.Copy(104, out.s_uuid.data(), out.s_uuid.size());
    r.Copy(120, out.s_volume_name.data(), out.s_volume_name.size());
    out.s_journal_inum = r.u32(224);
    return bool(r);
}

void ext2_super_block::Encode(std::span<uint8_t, ext2::kSuperBlockSize> out) const
{
    uint8_t* p = out.data();
    std::memset(p, 0, out.size());
    Put32(p + 0, s_inodes_count);
    Put32(p + 4, s_blocks_count);
    Put32(p + 20, s_first_data_block);
    Put32(p + 24, s_log_block_size);
    Put32(p + 32, s_blocks_per_group);
    Put32(p + 40, s_inodes_per_group);
    Put32(p + 44, s_mtime);
    Put32(p + 48, s_wtime);
    Put16(p + 56, s_magic);
    Put32(p + 64, s_lastcheck);
    Put32(p + 76, s_rev_level);
    Put32(p + 84, s_first_ino);
    Put16(p + 88, s_inode_size);
    Put16(p + 90, s_block_group_nr);
    std::memcpy(p + 104, s_uuid.data(), s_uuid.size());
    std::memcpy(p + 120, s_volume_name.data(), s_volume_name.size());
    Put32(p + 224, s_journal_inum);
}

Ext2GroupDescriptor Ext2GroupDescriptor::Decode(const uint8_t* bytes)
{
    Ext2GroupDescriptor d;
    d.blockBitmap = ext2::GetU32(bytes);
    d.inodeBitmap = ext2::GetU32(bytes + 4);
    d.inodeTable = ext2::GetU32(bytes + 8);
    std::memcpy(d.rest.data(), bytes + 12, d.rest.size());
    return d;
}

void Ext2GroupDescriptor::Encode(uint8_t* out) const
{
    Put32(out, blockBitmap);
    Put32(out + 4, inodeBitmap);
    Put32(out + 8, inodeTable);
    std::memcpy(out + 12, rest.data(), rest.size());
}
