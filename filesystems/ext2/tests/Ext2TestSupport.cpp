// The ext2 test helpers: byte-built images, fixture loading, SHA-256, the scoped extension filter.
#include "filesystems/ext2/tests/Ext2TestSupport.h"

#include "core/filetypes/CFileTypeFilter.h"
#include "filesystems/tree/CFoundFileReader.h"
#include "tests/support/TempDir.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>
#include <sstream>

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

std::string FixturePath(const std::string& name)
{
    return std::string(SALVIX_SOURCE_DIR) + "/tests/fixtures/" + name;
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
    std::ifstream manifest(FixturePath(name + ".manifest"));
    std::string line;
    while (std::getline(manifest, line)) {
        if (line.empty() || line[0] == '#') continue;
        std::istringstream in(line);
        ManifestLine m;
        std::string state, size, mtime, inode;
        std::getline(in, state, '\t');
        std::getline(in, m.path, '\t');
        std::getline(in, m.treePath, '\t');
        std::getline(in, size, '\t');
        std::getline(in, m.sha256, '\t');
        std::getline(in, mtime, '\t');
        std::getline(in, inode, '\t');
        m.deleted = state == "deleted";
        m.size = size == "-" ? 0 : std::stoull(size);
        m.mtime = mtime == "-" ? 0 : std::stoll(mtime);
        m.inode = uint32_t(std::stoul(inode));
        f.lines.push_back(m);
    }
    testsupport::TempDir dir;
    const std::string out = (dir / "image").string();
    const std::string cmd = "xz -dc '" + FixturePath(name + ".img.xz") + "' > '" + out + "'";
    if (std::system(cmd.c_str()) != 0) return f;
    std::ifstream image(out, std::ios::binary);
    f.image.assign(std::istreambuf_iterator<char>(image), {});
    return f;
}

std::string Sha256(const uint8_t* data, size_t size)
{
    static const uint32_t k[64] = {
        0x428a2f98, 0x71374491, 0xb5c0fbcf, 0xe9b5dba5, 0x3956c25b, 0x59f111f1, 0x923f82a4, 0xab1c5ed5,
        0xd807aa98, 0x12835b01, 0x243185be, 0x550c7dc3, 0x72be5d74, 0x80deb1fe, 0x9bdc06a7, 0xc19bf174,
        0xe49b69c1, 0xefbe4786, 0x0fc19dc6, 0x240ca1cc, 0x2de92c6f, 0x4a7484aa, 0x5cb0a9dc, 0x76f988da,
        0x983e5152, 0xa831c66d, 0xb00327c8, 0xbf597fc7, 0xc6e00bf3, 0xd5a79147, 0x06ca6351, 0x14292967,
        0x27b70a85, 0x2e1b2138, 0x4d2c6dfc, 0x53380d13, 0x650a7354, 0x766a0abb, 0x81c2c92e, 0x92722c85,
        0xa2bfe8a1, 0xa81a664b, 0xc24b8b70, 0xc76c51a3, 0xd192e819, 0xd6990624, 0xf40e3585, 0x106aa070,
        0x19a4c116, 0x1e376c08, 0x2748774c, 0x34b0bcb5, 0x391c0cb3, 0x4ed8aa4a, 0x5b9cca4f, 0x682e6ff3,
        0x748f82ee, 0x78a5636f, 0x84c87814, 0x8cc70208, 0x90befffa, 0xa4506ceb, 0xbef9a3f7, 0xc67178f2};
    uint32_t h[8] = {0x6a09e667, 0xbb67ae85, 0x3c6ef372, 0xa54ff53a, 0x510e527f, 0x9b05688c, 0x1f83d9ab, 0x5be0cd19};
    auto rotr = [](uint32_t x, int n) { return (x >> n) | (x << (32 - n)); };
    auto compress = [&](const uint8_t* block) {
        uint32_t w[64];
        for (int i = 0; i < 16; ++i)
            w[i] = uint32_t(block[4 * i]) << 24 | uint32_t(block[4 * i + 1]) << 16 | uint32_t(block[4 * i + 2]) << 8 |
                   block[4 * i + 3];
        for (int i = 16; i < 64; ++i) {
            const uint32_t s0 = rotr(w[i - 15], 7) ^ rotr(w[i - 15], 18) ^ (w[i - 15] >> 3);
            const uint32_t s1 = rotr(w[i - 2], 17) ^ rotr(w[i - 2], 19) ^ (w[i - 2] >> 10);
            w[i] = w[i - 16] + s0 + w[i - 7] + s1;
        }
        uint32_t a = h[0], b = h[1], c = h[2], d = h[3], e = h[4], f = h[5], g = h[6], hh = h[7];
        for (int i = 0; i < 64; ++i) {
            const uint32_t t1 = hh + (rotr(e, 6) ^ rotr(e, 11) ^ rotr(e, 25)) + ((e & f) ^ (~e & g)) + k[i] + w[i];
            const uint32_t t2 = (rotr(a, 2) ^ rotr(a, 13) ^ rotr(a, 22)) + ((a & b) ^ (a & c) ^ (b & c));
            hh = g;
            g = f;
            f = e;
            e = d + t1;
            d = c;
            c = b;
            b = a;
            a = t1 + t2;
        }
        h[0] += a, h[1] += b, h[2] += c, h[3] += d, h[4] += e, h[5] += f, h[6] += g, h[7] += hh;
    };
    size_t whole = size / 64 * 64;
    for (size_t off = 0; off < whole; off += 64) compress(data + off);
    std::vector<uint8_t> tail(data + whole, data + size);
    const uint64_t bits = uint64_t(size) * 8;
    tail.push_back(0x80);
    while (tail.size() % 64 != 56) tail.push_back(0);
    for (int i = 7; i >= 0; --i) tail.push_back(uint8_t(bits >> (8 * i)));
    for (size_t off = 0; off < tail.size(); off += 64) compress(tail.data() + off);
    char out[65];
    for (int i = 0; i < 8; ++i) std::snprintf(out + 8 * i, 9, "%08x", h[i]);
    return out;
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

ScopedExtensionFilter::ScopedExtensionFilter(std::initializer_list<const char*> extensions)
{
    FileTypeInfoRecord root;
    root.parentId = -1;
    m_map.Insert(&root);
    FileTypeInfoRecord type;
    type.id = 1;
    type.level = 2;
    type.parentId = 0;
    type.checkState = 2;
    for (const char* e : extensions) std::strcpy(type.extensions[type.extensionCount++], e);
    m_map.Insert(&type);
    GetFileTypeFilter().Load(m_map, false);
}

ScopedExtensionFilter::~ScopedExtensionFilter()
{
    GetFileTypeFilter().Load(m_map, true);
}

} // namespace ext2test
