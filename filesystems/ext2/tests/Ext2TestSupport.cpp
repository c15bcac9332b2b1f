// The ext2 test helpers: byte-built images, fixture loading, SHA-256, the scoped extension filter.
#include "filesystems/ext2/tests/Ext2TestSupport.h"

#include "filesystems/tree/CFoundFileReader.h"
#include "tests/support/FixtureManifests.h"

#include <algorithm>
#include <cstring>

namespace ext2test {

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

Ext2TestImage::Ext2TestImage(const Options& options) : m_blockSize(options.blockSize)
{
    m_bytes.assign(uint64_t(options.blocks) * m_blockSize, 0);
    uint32_t log = 0;
    while ((1024u << log) < m_blockSize) ++log;
    const uint32_t first = m_blockSize == 1024 ? 1 : 0;
    m_sb.s_inodes_count = options.inodesPerGroup;
    m_sb.s_blocks_count = options.blocks;
    m_sb.s_first_data_block = first;
    m_sb.s_log_block_size = log;
    m_sb.s_blocks_per_group = 8 * m_blockSize;
    m_sb.s_inodes_per_group = options.inodesPerGroup;
    m_sb.s_mtime = 1600000000;
    m_sb.s_wtime = 1600000001;
    m_sb.s_magic = ext2::kMagic;
    m_sb.s_rev_level = 1;
    m_sb.s_first_ino = 11;
    m_sb.s_inode_size = options.inodeSize;
    m_sb.s_journal_inum = options.journalInode;
    for (size_t i = 0; i < m_sb.s_uuid.size(); ++i) m_sb.s_uuid[i] = uint8_t(0xA0 + i);
    // The name field needs no terminator when all 16 bytes are used.
    std::memcpy(m_sb.s_volume_name.data(), options.label,
                std::min(std::strlen(options.label), m_sb.s_volume_name.size()));

    // Block first+1: descriptors, then the two bitmaps, then the inode table.
    m_descriptor.blockBitmap = first + 2;
    m_descriptor.inodeBitmap = first + 3;
    m_inodeTable = first + 4;
    m_descriptor.inodeTable = m_inodeTable;
    const uint32_t tableBlocks = (options.inodesPerGroup * options.inodeSize + m_blockSize - 1) / m_blockSize;
    m_nextFree = m_inodeTable + tableBlocks;
    WriteHeaders();
}

void Ext2TestImage::WriteHeaders()
{
    m_sb.Encode(std::span<uint8_t, ext2::kSuperBlockSize>(m_bytes.data() + 1024, ext2::kSuperBlockSize));
    m_descriptor.Encode(std::span<uint8_t>(Block(m_sb.s_first_data_block + 1), m_blockSize));
}

uint32_t Ext2TestImage::AllocBlock()
{
    const uint32_t block = m_nextFree++;
    std::memset(Block(block), 0, m_blockSize);
    return block;
}

void Ext2TestImage::SetInode(uint32_t number, const Inode& inode)
{
    const uint64_t at = uint64_t(m_inodeTable) * m_blockSize + uint64_t(number - 1) * m_sb.s_inode_size;
    uint8_t* p = m_bytes.data() + at;
    std::memset(p, 0, ext2::kInodeRecordSize);
    Put16(p + ext2::kInodeMode, inode.mode);
    Put32(p + ext2::kInodeSizeLow, uint32_t(inode.size));
    Put32(p + ext2::kInodeSizeHigh, uint32_t(inode.size >> 32));
    Put32(p + ext2::kInodeAccessTime, inode.atime);
    Put32(p + ext2::kInodeChangeTime, inode.ctime);
    Put32(p + ext2::kInodeModificationTime, inode.mtime);
    Put32(p + ext2::kInodeDeletionTime, inode.dtime);
    Put32(p + ext2::kInodeUnits, inode.units);
    for (size_t i = 0; i < inode.block.size(); ++i) Put32(p + ext2::kInodeBlocks + 4 * i, inode.block[i]);
}

Ext2TestImage::Inode Ext2TestImage::AddFile(uint32_t number, uint64_t size, uint32_t mtime, uint32_t dtime)
{
    Inode inode;
    inode.size = size;
    inode.mtime = mtime;
    inode.atime = mtime + 1;
    inode.ctime = mtime + 2;
    inode.dtime = dtime;
    const uint64_t blocks = (size + m_blockSize - 1) / m_blockSize;
    uint32_t indirect = 0;
    uint32_t allocated = 0;
    for (uint64_t i = 0; i < blocks; ++i) {
        const uint32_t block = AllocBlock();
        ++allocated;
        for (uint32_t j = 0; j < m_blockSize && i * m_blockSize + j < size; ++j)
            Block(block)[j] = FileByte(number, i * m_blockSize + j);
        if (i < ext2::kDirectBlocks) {
            inode.block[i] = block;
            continue;
        }
        if (!indirect) {
            indirect = AllocBlock();
            ++allocated;
            inode.block[ext2::kSingleIndirect] = indirect;
        }
        Put32(Block(indirect) + 4 * (i - ext2::kDirectBlocks), block);
    }
    inode.units = allocated * (m_blockSize / 512);
    SetInode(number, inode);
    return inode;
}

void PutDirRecord(uint8_t* p, uint32_t inode, uint16_t recordLength, const std::string& name)
{
    Put32(p, inode);
    Put16(p + 4, recordLength);
    p[6] = uint8_t(name.size());
    p[7] = 0;
    std::memcpy(p + 8, name.data(), name.size());
}

Ext2TestImage::Inode Ext2TestImage::AddDirectory(uint32_t number, uint32_t parent,
                                                 const std::vector<std::pair<uint32_t, std::string>>& entries,
                                                 uint32_t dtime)
{
    std::vector<std::pair<uint32_t, std::string>> all{{number, "."}, {parent, ".."}};
    all.insert(all.end(), entries.begin(), entries.end());
    Inode inode;
    inode.mode = 0x41ED;
    inode.dtime = dtime;
    inode.mtime = 1600000100;
    std::vector<uint32_t> blocks{AllocBlock()};
    uint32_t used = 0;
    uint8_t* last = nullptr;
    for (const auto& [child, name] : all) {
        const uint32_t length = (8 + uint32_t(name.size()) + 3) & ~3u;
        if (used + length > m_blockSize) {
            Put16(last + 4, uint16_t(m_blockSize - (last - Block(blocks.back()))));
            blocks.push_back(AllocBlock());
            used = 0;
        }
        last = Block(blocks.back()) + used;
        PutDirRecord(last, child, uint16_t(length), name);
        used += length;
    }
    Put16(last + 4, uint16_t(m_blockSize - (last - Block(blocks.back()))));
    for (size_t i = 0; i < blocks.size() && i < ext2::kDirectBlocks; ++i) inode.block[i] = blocks[i];
    inode.size = uint64_t(blocks.size()) * m_blockSize;
    inode.units = uint32_t(blocks.size()) * (m_blockSize / 512);
    SetInode(number, inode);
    return inode;
}

Fixture LoadFixture(const std::string& name)
{
    Fixture f;
    for (const std::vector<std::string>& row : testsupport::ReadManifestRows(name)) {
        std::vector<std::string> fields = row;
        fields.resize(7); // state, path, tree path, size, sha256, mtime, inode
        ManifestLine m;
        m.deleted = fields[0] == "deleted";
        m.path = fields[1];
        m.treePath = fields[2];
        m.size = fields[3] == "-" ? 0 : std::stoull(fields[3]);
        m.sha256 = fields[4];
        m.mtime = fields[5] == "-" ? 0 : std::stoll(fields[5]);
        m.inode = uint32_t(std::stoul(fields[6]));
        f.lines.push_back(m);
    }
    f.image = testsupport::LoadFixtureImage(name);
    return f;
}

std::vector<uint8_t> ReadWholeFile(IStorageDevice* device, CFileNode* node, uint64_t size)
{
    std::vector<uint8_t> bytes(size);
    CFoundFileReader reader;
    if (!reader.Open(device, node)) return {};
    uint64_t at = 0;
    while (at < size) {
        uint32_t got = 0;
        const uint32_t ask = uint32_t(std::min<uint64_t>(size - at, 1u << 20));
        if (!reader.ReadAt(at, bytes.data() + at, ask, got) || got == 0) return {};
        at += got;
    }
    return bytes;
}

} // namespace ext2test
