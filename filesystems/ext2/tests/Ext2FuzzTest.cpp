// Damaged ext2 and ext3 volumes: mutated superblocks, group descriptors, inodes, block maps and directory blocks
// through the decoders and the tree build of a byte-built volume, and the fixture images with damaged metadata
// through BuildEXT2 and a read of every file it finds. Nothing may crash, hang, read outside its buffers (the ASan
// build checks that), allocate by a size read from the disk, or hand out runs that leave the file system.
#include "core/bytes/ByteReader.h"
#include "filesystems/ext2/BuildEXT2.h"
#include "filesystems/ext2/CExt2BlockIterator.h"
#include "filesystems/ext2/CExt2BlockMapWalker.h"
#include "filesystems/ext2/CExt2DirEntry.h"
#include "filesystems/ext2/CExt2FileSystem.h"
#include "filesystems/ext2/CExt2Inode.h"
#include "filesystems/ext2/CExt2InodeIterator.h"
#include "filesystems/ext2/CExt2SuperBlock.h"
#include "filesystems/ext2/CExt2TreeBuilder.h"
#include "filesystems/ext2/CExt2Volume.h"
#include "filesystems/ext2/Ext2Structures.h"
#include "filesystems/ext2/tests/Ext2TestSupport.h"

#include "filesystems/common/IDIRBuildCallback.h"
#include "filesystems/tree/CFileSystemNode.h"
#include "filesystems/tree/CFoundFileReader.h"
#include "filesystems/tree/DataRunLists.h"
#include "filesystems/tree/FileTree.h"
#include "filesystems/tree/IFileProperties.h"
#include "tests/support/DamagedTreeChecks.h"
#include "tests/support/MemoryDevice.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cstring>
#include <exception>
#include <memory>
#include <ostream>
#include <random>
#include <set>
#include <string>
#include <vector>

using testsupport::MemoryDevice;
using namespace testsupport;

namespace {

using Bytes = std::vector<uint8_t>;

// Values on the edges of the checks: zero, tiny, block and record sizes, sign bits and all ones.
constexpr uint64_t kInteresting[] = {0,      1,       2,          3,          4,          7,         8,
                                     11,     12,      0x7F,       0x80,       0xFF,       0x100,     0x3FF,
                                     0x400,  0x401,   0xFFF,      0x1000,     0x2000,     0x7FFF,    0x8000,
                                     0xFFFF, 0x10000, 0x7FFFFFFF, 0x80000000, 0xFFFFFFFE, 0xFFFFFFFF};

class Rng {
public:
    explicit Rng(uint64_t seed) : m_rng(seed) {}
    uint64_t Below(uint64_t n) { return n == 0 ? 0 : std::uniform_int_distribution<uint64_t>(0, n - 1)(m_rng); }
    bool OneIn(uint64_t n) { return Below(n) == 0; }
    uint64_t Interesting() { return kInteresting[Below(std::size(kInteresting))]; }
    template <class T>
    const T& Pick(const std::vector<T>& from)
    {
        return from[Below(from.size())];
    }

private:
    std::mt19937_64 m_rng;
};

void PutLe(uint8_t* p, uint64_t v, unsigned width)
{
    for (unsigned i = 0; i < width; ++i) p[i] = uint8_t(v >> (8 * i));
}

// The sectors runs may reach: the device's, or the file system's when its superblock claims more (an image cut
// short is read, what lies past its end being unreadable).
uint64_t FileSystemEnd(IStorageDevice& device, uint64_t firstSector)
{
    const uint64_t deviceSectors = device.GetSectorCount();
    std::vector<uint8_t> bytes(1024);
    if (!device.ReadSectors(bytes.data(), firstSector + 2, 2)) return deviceSectors;
    CExt2SuperBlock sb{std::span<const uint8_t>(bytes)};
    sb.Normalise();
    if (!sb.IsValid()) return deviceSectors;
    return std::max(deviceSectors, firstSector + sb.GetSizeInBytes() / 512);
}

// Names of at most 1024 bytes; runs within the file system.
void CheckTree(IStorageDevice& device, CFileNode* tree, Reached& reached)
{
    const FoundTreeRules rules{1024, [&](uint64_t firstSector) { return FileSystemEnd(device, firstSector); }, {}};
    CheckFoundTree(device, tree, rules, reached);
}

struct Region {
    uint64_t offset;
    uint64_t size;
};

// Where a volume keeps its metadata, found on the intact volume.
struct Ext2Metadata {
    uint32_t blockSize = 0;
    uint32_t blocksCount = 0;
    uint32_t inodesCount = 0;
    std::vector<Region> superBlocks;      // the primary first
    std::vector<Region> descriptorTables; // the primary first
    std::vector<Region> inodeTables;
    std::vector<uint64_t> usedInodes; // byte offsets of the inodes in use
    std::vector<uint32_t> usedNumbers;
    std::vector<uint32_t> folderNumbers;
    std::vector<uint32_t> folderBlocks;
    std::vector<uint32_t> mapBlocks; // indirect blocks
    std::vector<uint32_t> tableBlocks;
};

// The indirect blocks under a pointer of the given depth (1 single, 2 double, 3 triple indirect).
void CollectMapBlocks(CExt2FileSystem& fs, uint32_t pointer, int depth, std::set<uint32_t>& out)
{
    if (depth == 0 || pointer == 0 || !fs.IsValidBlock(pointer) || !out.insert(pointer).second || depth == 1) return;
    std::vector<uint8_t> block(fs.GetBlockSize());
    fs.ReadBlocks(block.data(), pointer, 1);
    for (size_t k = 0; k + 4 <= block.size(); k += 4) CollectMapBlocks(fs, bytes::LoadU32le(&block[k]), depth - 1, out);
}

Ext2Metadata MapMetadata(MemoryDevice& device)
{
    Ext2Metadata m;
    CExt2FileSystem fs(&device, 2);
    const ext2_super_block& sb = fs.GetSuperBlock().Record();
    m.blockSize = fs.GetBlockSize();
    m.blocksCount = sb.s_blocks_count;
    m.inodesCount = sb.s_inodes_count;
    const uint64_t descriptorBytes = fs.GetGroupCount() * ext2::kGroupDescriptorSize;
    for (uint32_t group : CExt2FileSystem::kBackupGroups) {
        if (group >= fs.GetGroupCount()) break;
        const uint64_t block = uint64_t(group) * sb.s_blocks_per_group + sb.s_first_data_block;
        m.superBlocks.push_back({group == 0 ? 1024 : block * m.blockSize, 1024});
        m.descriptorTables.push_back({(block + 1) * m.blockSize, descriptorBytes});
    }
    const uint64_t tableBytes = uint64_t(sb.s_inodes_per_group) * fs.GetSuperBlock().GetInodeSize();
    for (uint64_t g = 0; g < fs.GetGroupCount(); ++g) {
        const uint32_t first = fs.GetGroupDescriptor(g).inodeTable;
        m.inodeTables.push_back({uint64_t(first) * m.blockSize, tableBytes});
        for (uint32_t b = 0; b < (tableBytes + m.blockSize - 1) / m.blockSize; ++b) m.tableBlocks.push_back(first + b);
    }

    std::vector<uint32_t> numbers{ext2::kRootInode};
    for (CExt2InodeIterator it(&fs); !it.AtEnd(); it.Next()) numbers.push_back(it.GetInodeNumber());
    std::set<uint32_t> folderBlocks, mapBlocks;
    for (uint32_t number : numbers) {
        const CExt2Inode inode(&fs, number);
        if (inode.GetMode() == 0) continue;
        uint64_t block = 0;
        uint32_t offset = 0;
        if (!fs.LocateInode(number, block, offset)) continue;
        m.usedInodes.push_back(block * m.blockSize + offset);
        m.usedNumbers.push_back(number);
        if (inode.IsDirectory()) {
            m.folderNumbers.push_back(number);
            CExt2BlockMapWalker(inode).Walk(inode.GetBlockCount(), m.blocksCount, [&](uint64_t, uint32_t b, uint64_t) {
                if (b != 0) folderBlocks.insert(b);
                return true;
            });
        }
        for (int depth = 1; depth <= 3; ++depth)
            CollectMapBlocks(fs, inode.GetBlockPointer(ext2::kSingleIndirect + uint32_t(depth) - 1), depth, mapBlocks);
    }
    m.folderBlocks.assign(folderBlocks.begin(), folderBlocks.end());
    m.mapBlocks.assign(mapBlocks.begin(), mapBlocks.end());
    return m;
}

// A block number that means something to a map: none, the first ones, metadata, the edges of the volume.
uint32_t BlockValue(const Ext2Metadata& m, Rng& rng)
{
    switch (rng.Below(9)) {
    case 0: return 0;
    case 1: return uint32_t(rng.Below(m.blocksCount));
    case 2: return m.folderBlocks.empty() ? 1 : rng.Pick(m.folderBlocks);
    case 3: return m.mapBlocks.empty() ? 2 : rng.Pick(m.mapBlocks);
    case 4: return rng.Pick(m.tableBlocks);
    case 5: return m.blocksCount - 1;
    case 6: return m.blocksCount;
    case 7: return uint32_t(rng.Below(8));
    default: return uint32_t(rng.Interesting());
    }
}

uint32_t InodeValue(const Ext2Metadata& m, Rng& rng)
{
    switch (rng.Below(7)) {
    case 0: return 0;
    case 1: return ext2::kRootInode;
    case 2: return rng.Pick(m.folderNumbers); // folders naming each other close cycles
    case 3: return rng.Pick(m.usedNumbers);
    case 4: return m.inodesCount + uint32_t(rng.Below(3)) - 1;
    case 5: return uint32_t(rng.Below(m.inodesCount + 1));
    default: return uint32_t(rng.Interesting());
    }
}

void DamageInode(uint8_t* p, const Ext2Metadata& m, const Bytes& image, Rng& rng)
{
    switch (rng.Below(11)) {
    case 0: {
        static const uint16_t modes[] = {0x41ED, 0x81A4, 0xA1FF, 0x0000, 0x4000, 0x8000, 0xC000, 0xFFFF};
        PutLe(p + ext2::kInodeMode, rng.OneIn(5) ? rng.Below(65536) : modes[rng.Below(std::size(modes))], 2);
        break;
    }
    case 1:
        PutLe(p + ext2::kInodeSizeLow, rng.OneIn(2) ? rng.Interesting() : m.blockSize * rng.Below(300) + rng.Below(3),
              4);
        break;
    case 2: PutLe(p + ext2::kInodeSizeHigh, rng.OneIn(2) ? rng.Interesting() : rng.Below(4), 4); break;
    case 3: PutLe(p + ext2::kInodeDeletionTime, rng.OneIn(2) ? 0 : rng.Below(1u << 31), 4); break;
    case 4: PutLe(p + ext2::kInodeUnits, rng.OneIn(2) ? rng.Interesting() : rng.Below(100000), 4); break;
    case 5:
    case 6:
    case 7: { // a block pointer, the indirect ones more often than their share
        const uint32_t i =
            rng.OneIn(3) ? ext2::kSingleIndirect + uint32_t(rng.Below(3)) : uint32_t(rng.Below(ext2::kBlockPointers));
        PutLe(p + ext2::kInodeBlocks + 4 * i, BlockValue(m, rng), 4);
        break;
    }
    case 8: std::memcpy(p, image.data() + rng.Pick(m.usedInodes), ext2::kInodeRecordSize); break; // cross-linked
    case 9: // a huge sparse file whose indirect map is some other block
        PutLe(p + ext2::kInodeMode, 0x81A4, 2);
        PutLe(p + ext2::kInodeSizeHigh, 1 + rng.Below(64), 4);
        PutLe(p + ext2::kInodeUnits, rng.Below(64), 4);
        PutLe(p + ext2::kInodeBlocks + 4 * (ext2::kSingleIndirect + rng.Below(3)), BlockValue(m, rng), 4);
        break;
    default: p[rng.Below(ext2::kInodeRecordSize)] ^= uint8_t(1u << rng.Below(8)); break;
    }
}

// Offsets of the records of an intact directory block, as its chain of record lengths gives them.
std::vector<uint32_t> RecordOffsets(const uint8_t* block, uint32_t blockSize)
{
    std::vector<uint32_t> out;
    for (uint32_t at = 0; at + ext2::kDirRecordHeaderSize <= blockSize;) {
        out.push_back(at);
        const uint16_t length = bytes::LoadU16le(block + at + 4);
        if (length < ext2::kDirRecordHeaderSize || length % 4 != 0) break;
        at += length;
    }
    return out;
}

void DamageDirectoryBlock(uint8_t* block, const Ext2Metadata& m, const Bytes& image, Rng& rng)
{
    const uint32_t bs = m.blockSize;
    const std::vector<uint32_t> records = RecordOffsets(block, bs);
    const uint32_t at = records.empty() || rng.OneIn(6) ? uint32_t(rng.Below(bs / 4)) * 4 : rng.Pick(records);
    if (at + ext2::kDirRecordHeaderSize > bs) return;
    uint8_t* r = block + at;
    const uint16_t length = bytes::LoadU16le(r + 4);
    switch (rng.Below(8)) {
    case 0:
    case 1: PutLe(r, InodeValue(m, rng), 4); break;
    case 2: {
        const uint64_t values[] = {0,       4,           8,           12,          16,
                                   bs - at, bs - at + 4, bs,          2ull * bs,   0xFFFC,
                                   0xFFFF,  length + 4u, length - 4u, length + 1u, rng.Below(65536)};
        PutLe(r + 4, values[rng.Below(std::size(values))], 2);
        break;
    }
    case 3: {
        const uint64_t values[] = {0, 1, 2, 255, length - 8u, length - 7u, rng.Below(256)};
        r[6] = uint8_t(values[rng.Below(std::size(values))]);
        break;
    }
    case 4: r[7] = uint8_t(rng.Below(256)); break;
    case 5: { // name bytes: separators, zeros, broken UTF-8, "." and ".."
        static const uint8_t bytes[] = {'/', 0, '.', 0xFF, 0xC3, 0x80, '\n'};
        if (rng.OneIn(3)) {
            r[6] = uint8_t(1 + rng.Below(2));
            r[8] = r[9] = '.';
        } else if (r[6] > 0 && at + 8 + r[6] <= bs) {
            r[8 + rng.Below(r[6])] = bytes[rng.Below(std::size(bytes))];
        }
        break;
    }
    case 6: std::memset(r, rng.OneIn(2) ? 0 : 0xFF, bs - at); break; // the rest of the block wiped
    default: {                                                       // a record from another folder block copied here
        const uint32_t from = rng.Pick(m.folderBlocks);
        const std::vector<uint32_t> others = RecordOffsets(image.data() + uint64_t(from) * bs, bs);
        if (others.empty()) break;
        const uint32_t o = rng.Pick(others);
        std::memmove(r, image.data() + uint64_t(from) * bs + o,
                     std::min<uint64_t>(bs - at, std::min<uint64_t>(bs - o, 64)));
        break;
    }
    }
}

// Edits concentrated on the metadata; every byte touched is remembered so that the case can be undone.
void DamageImage(Bytes& image, const Ext2Metadata& m, Rng& rng, std::vector<Region>& touched)
{
    const uint32_t bs = m.blockSize;
    const int edits = 1 + int(rng.Below(4)) + (rng.OneIn(4) ? int(rng.Below(16)) : 0);
    for (int e = 0; e < edits; ++e) {
        const uint64_t where = rng.Below(100);
        if (where < 5) {
            // The primary mostly: a backup only matters while the descriptor tables are compared.
            const Region& r = rng.OneIn(3) ? rng.Pick(m.superBlocks) : m.superBlocks[0];
            static const size_t fields[] = {0, 4, 20, 24, 32, 40, 56, 76, 84, 88, 90, 224};
            const uint64_t at =
                r.offset + (rng.OneIn(3) ? rng.Below(r.size - 4) : fields[rng.Below(std::size(fields))]);
            if (rng.OneIn(2))
                PutLe(&image[at], rng.Interesting(), 1u << rng.Below(3));
            else
                image[at] ^= uint8_t(1u << rng.Below(8));
            touched.push_back({at, 8});
        } else if (where < 12) {
            const Region& r = rng.OneIn(3) ? rng.Pick(m.descriptorTables) : m.descriptorTables[0];
            const uint64_t at = r.offset + rng.Below(r.size / ext2::kGroupDescriptorSize) * ext2::kGroupDescriptorSize +
                                4 * rng.Below(3);
            const uint32_t old = bytes::LoadU32le(&image[at]);
            const uint32_t values[] = {
                0, old + 1, old - 1, rng.Pick(m.tableBlocks), m.blocksCount, uint32_t(rng.Interesting())};
            PutLe(&image[at], values[rng.Below(std::size(values))], 4);
            touched.push_back({at, 4});
        } else if (where < 50) {
            uint64_t at;
            if (rng.OneIn(8)) { // an unused slot coming to life
                const Region& r = rng.Pick(m.inodeTables);
                at = r.offset + rng.Below(r.size / ext2::kInodeRecordSize) * ext2::kInodeRecordSize;
            } else {
                at = rng.Pick(m.usedInodes);
            }
            DamageInode(&image[at], m, image, rng);
            touched.push_back({at, ext2::kInodeRecordSize});
        } else if (where < 82) {
            const uint64_t at = uint64_t(rng.Pick(m.folderBlocks)) * bs;
            DamageDirectoryBlock(&image[at], m, image, rng);
            touched.push_back({at, bs});
        } else if (!m.mapBlocks.empty()) {
            const uint64_t entry = rng.OneIn(2) ? rng.Below(16) : rng.Below(bs / 4);
            const uint64_t at = uint64_t(rng.Pick(m.mapBlocks)) * bs + entry * 4;
            PutLe(&image[at], BlockValue(m, rng), 4);
            touched.push_back({at, 4});
        }
    }
}

void Restore(MemoryDevice& device, const Bytes& intact, const std::vector<Region>& touched)
{
    for (const Region& r : touched) {
        const uint64_t end = std::min<uint64_t>(r.offset + r.size, intact.size());
        std::memcpy(device.Bytes().data() + r.offset, intact.data() + r.offset, end - r.offset);
    }
}

// Block iterators, directory cursors and map walks on their own, at indices the build never asks for.
void PokeDecoders(CExt2FileSystem& fs, const Ext2Metadata& m, Rng& rng)
{
    for (int k = 0; k < 4; ++k) {
        const uint32_t number = rng.OneIn(3) ? InodeValue(m, rng) : rng.Pick(m.usedNumbers);
        try {
            const CExt2Inode inode(&fs, number);
            const uint64_t mappable = CExt2BlockIterator::MappableBlocks(fs.GetBlockSize());
            CExt2BlockIterator it(inode, uint32_t(rng.OneIn(2) ? rng.Below(300) : rng.Below(mappable + 2)));
            const uint32_t block = it.MapBlock();
            ASSERT_TRUE(block == 0 || fs.IsValidBlock(block));
            const CExt2BlockIterator::Block data = it.ReadBlock();
            ASSERT_LE(data.validLength, fs.GetBlockSize());

            uint64_t last = 0, visits = 0;
            const uint64_t limit = rng.Below(mappable + 1);
            CExt2BlockMapWalker(inode).Walk(limit, m.blocksCount, [&](uint64_t logical, uint32_t b, uint64_t count) {
                EXPECT_TRUE(logical >= last && count >= 1 && logical + count <= limit);
                EXPECT_TRUE(b == 0 || (count == 1 && fs.IsValidBlock(b)));
                last = logical + count;
                return ++visits < 100000;
            });

            if (!inode.IsDirectory()) continue;
            // Each step moves at least one record header on, and never past the blocks the inode has.
            const uint64_t bound =
                (uint64_t(inode.GetBlockCount()) + 1) * fs.GetBlockSize() / ext2::kDirRecordHeaderSize + 2;
            uint64_t steps = 0;
            for (CExt2DirEntry cursor(inode, 0); !cursor.AtEnd(); cursor.Next()) {
                ASSERT_LE(++steps, bound);
                try {
                    const CExt2Inode entry = cursor.MakeInode();
                    ASSERT_LE(entry.GetNameLength(), ext2::kMaxNameLength);
                } catch (const CExt2DirEntry::CBadDir&) {
                    ADD_FAILURE() << "a cursor not at its end has no window";
                } catch (const std::exception&) {
                }
            }
        } catch (const std::exception&) {
        }
    }
}

// A byte-built volume of 1 KiB blocks: nested folders, a folder of several blocks, files with direct and
// single-indirect maps, a sparse file with a double-indirect map, and a deleted file.
struct SmallVolume {
    ext2test::Ext2TestImage image;

    SmallVolume()
    {
        using Entries = std::vector<std::pair<uint32_t, std::string>>;
        image.AddFile(12, 700, 1600000000);
        image.AddFile(13, 20000, 1600000100);
        image.AddFile(14, 3000, 1600000200, 1600000300);
        image.AddFile(16, 900, 1600000400);
        Entries many;
        for (uint32_t i = 0; i < 40; ++i) {
            many.push_back({20 + i, "entry number " + std::to_string(i) + " with a longer name.txt"});
            image.AddFile(20 + i, 50 + i, 1600001000 + i);
        }
        image.AddDirectory(17, 15, many);
        image.AddDirectory(15, 2, {{16, "inner.txt"}, {17, "many"}});

        // Sparse: block 0 and block 5000 (through the double-indirect map) hold data, the rest are holes.
        ext2test::Ext2TestImage::Inode sparse;
        sparse.size = 5000ull * 1024 + 100;
        sparse.mtime = 1600002000;
        const uint32_t first = image.AllocBlock(), outer = image.AllocBlock(), inner = image.AllocBlock(),
                       last = image.AllocBlock();
        std::memset(image.Block(first), 0x5A, 1024);
        std::memset(image.Block(last), 0xA5, 1024);
        sparse.block[0] = first;
        sparse.block[ext2::kDoubleIndirect] = outer;
        const uint32_t j = 5000 - ext2::kDirectBlocks - 256;
        PutLe(image.Block(outer) + 4 * (j / 256), inner, 4);
        PutLe(image.Block(inner) + 4 * (j % 256), last, 4);
        sparse.units = 4 * 2;
        image.SetInode(60, sparse);

        image.AddDirectory(
            2, 2, {{12, "readme.txt"}, {13, "indirect.bin"}, {14, "deleted.doc"}, {15, "folder"}, {60, "sparse.img"}});
    }
};

struct ImageCase {
    const char* name;
    int cases;
    uint64_t seedBase;
};

// Names the case in test listings instead of its bytes.
void PrintTo(const ImageCase& c, std::ostream* out)
{
    *out << c.name;
}

class Ext2FuzzImage : public testing::TestWithParam<ImageCase> {};

// Builds, checks and reads one damaged image through BuildEXT2; the image is put back afterwards.
void RunImageCase(MemoryDevice& device, const Bytes& intact, const Ext2Metadata& m, const ImageCase& image,
                  uint64_t seed, Reached& reached)
{
    SCOPED_TRACE(std::string(image.name) + " case seed " + std::to_string(seed));
    Rng rng(seed);
    std::vector<Region> touched;
    DamageImage(device.Bytes(), m, rng, touched);
    {
        ReadBudget budget(device, 16 * device.GetSectorCount());
        bytes::ParseResult result;
        TreePtr tree(BuildEXT2(&device, &budget, &result));
        // A cancel never leaves a tree behind.
        if (result.status == bytes::ParseStatus::Cancelled) {
            EXPECT_FALSE(tree);
        }
        EXPECT_FALSE(budget.Exceeded()) << "the build read " << budget.Read() << " sectors";
        if (tree) CheckTree(device, tree.get(), reached);
    }
    device.ResetCounters();
    Restore(device, intact, touched);
}

} // namespace

TEST(Ext2Fuzz, MutatedSuperBlocksOpenAndBuildSafely)
{
    SmallVolume volume;
    MemoryDevice device(volume.image.Bytes());
    const Bytes intact = device.Bytes();
    std::vector<Bytes> seeds{Bytes(intact.begin() + 1024, intact.begin() + 2048)};
    for (const char* name : {"ext2-1k", "ext3-1k", "ext2-4k", "ext3-4k"}) {
        const ext2test::Fixture fixture = ext2test::LoadFixture(name);
        ASSERT_GE(fixture.image.size(), 2048u) << name;
        seeds.emplace_back(fixture.image.begin() + 1024, fixture.image.begin() + 2048);
    }

    Rng rng(0x5B10C);
    Reached reached;
    int valid = 0, opened = 0;
    for (int i = 0; i < 2500; ++i) {
        SCOPED_TRACE(i);
        // The small volume's own superblock most of the time, so that the build gets somewhere.
        Bytes b = i % 3 == 0 ? seeds[1 + size_t(i / 3) % (seeds.size() - 1)] : seeds[0];
        static const size_t fields[] = {0, 4, 20, 24, 32, 40, 56, 76, 84, 88, 90, 224};
        for (int e = 0, n = 1 + int(rng.Below(3)); e < n; ++e) {
            const size_t at = rng.OneIn(4) ? rng.Below(1020) : fields[rng.Below(std::size(fields))];
            switch (rng.Below(3)) {
            case 0: b[at] ^= uint8_t(1u << rng.Below(8)); break;
            case 1: PutLe(&b[at], bytes::LoadU32le(&b[at]) + uint32_t(rng.Below(5)) - 2, 4); break;
            default: PutLe(&b[at], rng.Interesting(), 1u << rng.Below(3)); break;
            }
        }
        CExt2SuperBlock sb{std::span<const uint8_t>(b)};
        sb.Normalise();
        if (sb.IsValid()) {
            ++valid;
            const uint32_t blockSize = sb.GetBlockSize();
            const uint32_t inodeSize = sb.GetInodeSize();
            ASSERT_TRUE(blockSize >= 1024 && blockSize <= 8192 && (blockSize & (blockSize - 1)) == 0);
            ASSERT_TRUE(inodeSize >= 128 && inodeSize <= blockSize && (inodeSize & (inodeSize - 1)) == 0);
            ASSERT_GE(sb.GetGroupCount(), 1u);
            // The descriptor table an open reads is never larger than the file system.
            ASSERT_LE(sb.GetGroupCount() * ext2::kGroupDescriptorSize, sb.GetSizeInBytes());
        }

        device.Write(1024, b.data(), b.size());
        try {
            CExt2FileSystem fs(&device, 2);
            ++opened;
            CExt2TreeBuilder builder;
            TreePtr tree(builder.BuildTree(&fs, nullptr, rng.OneIn(2)));
            CheckTree(device, tree.get(), reached);
            if (HasFatalFailure()) return;
        } catch (const std::exception&) {
        }
        CExt2Volume probe(&device, 0);
        ASSERT_TRUE(probe.GetFileSystemKind() == 4 || probe.GetFileSystemKind() == 5 || probe.GetFileSystemKind() == 7);
        device.ResetCounters();
    }
    device.Write(1024, intact.data() + 1024, 1024);
    EXPECT_GT(valid, 800);
    EXPECT_GT(opened, 600);
    EXPECT_GT(reached.filesRead, 10000u);
}

TEST(Ext2Fuzz, MutatedInodesMapsAndDirectoriesThroughTheBuild)
{
    SmallVolume volume;
    MemoryDevice device(volume.image.Bytes());
    const Bytes intact = device.Bytes();
    const Ext2Metadata m = MapMetadata(device);
    ASSERT_EQ(m.folderNumbers.size(), 3u);
    ASSERT_GE(m.folderBlocks.size(), 4u);
    ASSERT_GE(m.mapBlocks.size(), 3u);

    Rng rng(0x1A0DE);
    Reached reached;
    for (int i = 0; i < 2500; ++i) {
        SCOPED_TRACE(i);
        std::vector<Region> touched;
        DamageImage(device.Bytes(), m, rng, touched);
        try {
            CExt2FileSystem fs(&device, 2);
            {
                CExt2TreeBuilder builder;
                TreePtr tree(builder.BuildTree(&fs, nullptr, rng.OneIn(2)));
                CheckTree(device, tree.get(), reached);
                if (HasFatalFailure()) return;
            }
            PokeDecoders(fs, m, rng);
            if (HasFatalFailure()) return;
        } catch (const std::exception&) {
        }
        if (i % 4 == 0) {
            // The same bytes on a disk of 4096-byte sectors, built and read through its 512-byte view.
            MemoryDevice large(device.Bytes(), 4096);
            try {
                CExt2FileSystem fs(&large, 2);
                CExt2TreeBuilder builder;
                TreePtr tree(builder.BuildTree(&fs, nullptr, true));
                CheckTree(*large.GetAs512SectorDevice(), tree.get(), reached);
                if (HasFatalFailure()) return;
            } catch (const std::exception&) {
            }
        }
        device.ResetCounters();
        Restore(device, intact, touched);
    }
    EXPECT_GT(reached.trees, 2000u);
    EXPECT_GT(reached.filesRead, 50000u);
    EXPECT_GT(reached.nested, 1500u);
}

TEST(Ext2Fuzz, MapsNamingOneBlockOverAndOverStayCheap)
{
    for (const bool folder : {false, true}) {
        SCOPED_TRACE(folder ? "a folder of 4 GiB whose blocks are all one directory block"
                            : "a sparse file of 1 TiB whose map repeats itself");
        ext2test::Ext2TestImage::Options options;
        options.blockSize = 4096;
        options.blocks = 2048;
        ext2test::Ext2TestImage image(options);
        image.AddFile(13, 100, 1600000000);
        ext2test::Ext2TestImage::Inode inode =
            folder ? image.AddDirectory(12, 2, {{13, "file.txt"}}) : ext2test::Ext2TestImage::Inode{};
        // Indirect blocks, each naming the one below it in every entry. The file's bottom block is all zeros, so
        // every entry under it is a hole.
        const uint32_t bottom = folder ? inode.block[0] : image.AllocBlock();
        std::vector<uint32_t> maps;
        for (uint32_t level = 0, below = bottom; level < 3; ++level) {
            const uint32_t map = image.AllocBlock();
            for (uint32_t k = 0; k < 1024; ++k) PutLe(image.Block(map) + 4 * k, below, 4);
            maps.push_back(map);
            below = map;
        }
        if (folder) {
            for (uint32_t i = 1; i < ext2::kDirectBlocks; ++i) inode.block[i] = bottom;
            for (uint32_t level = 0; level < 3; ++level) inode.block[ext2::kSingleIndirect + level] = maps[level];
            inode.size = 0xFFFFF000;
            inode.units = 0xFFFFFFF0;
        } else {
            inode.block[ext2::kTripleIndirect] = maps[1];
            inode.size = uint64_t(1) << 40;
            inode.units = 8 * 3;
        }
        image.SetInode(12, inode);
        image.AddDirectory(2, 2, {{12, "repeating"}});

        MemoryDevice device(image.Bytes());
        CExt2FileSystem fs(&device, 2);
        device.ResetCounters();
        CExt2TreeBuilder builder;
        TreePtr tree(builder.BuildTree(&fs, nullptr, false));
        ASSERT_TRUE(tree);
        EXPECT_LT(device.ReadCount(), 2000u);
        CFileNode* node = tree->GetFirstChild();
        while (node && std::string(node->GetProperties()->GetName()) != "repeating") node = node->GetNextSibling();
        ASSERT_NE(node, nullptr);
        if (folder) {
            ASSERT_NE(node->GetFirstChild(), nullptr);
            EXPECT_STREQ(node->GetFirstChild()->GetProperties()->GetName(), "file.txt");
            EXPECT_EQ(node->GetFirstChild()->GetNextSibling(), nullptr);
        }
    }
}

TEST_P(Ext2FuzzImage, DamagedMetadataThroughBuildEXT2AndEveryRead)
{
    const ImageCase& image = GetParam();
    const ext2test::Fixture fixture = ext2test::LoadFixture(image.name);
    ASSERT_FALSE(fixture.image.empty());
    MemoryDevice device(fixture.image);
    const Bytes& intact = fixture.image;
    const Ext2Metadata m = MapMetadata(device);
    ASSERT_GT(m.folderBlocks.size(), 3u);
    ASSERT_GT(m.mapBlocks.size(), 2u);
    Reached reached;
    for (int i = 0; i < image.cases && !HasFatalFailure(); ++i)
        RunImageCase(device, intact, m, image, image.seedBase + uint64_t(i), reached);
    // The damage must leave most volumes standing, or the deeper code would never run.
    EXPECT_GT(reached.trees, uint64_t(image.cases) * 7 / 10);
    EXPECT_GT(reached.nested, uint64_t(image.cases) / 2);
    EXPECT_GT(reached.filesRead, uint64_t(image.cases) * 20);
}

INSTANTIATE_TEST_SUITE_P(Fixtures, Ext2FuzzImage,
                         testing::Values(ImageCase{"ext2-1k", 250, 21000000}, ImageCase{"ext3-1k", 250, 31000000},
                                         ImageCase{"ext2-4k", 250, 24000000}, ImageCase{"ext3-4k", 250, 34000000}),
                         [](const auto& info) {
                             std::string name = info.param.name;
                             std::replace(name.begin(), name.end(), '-', '_');
                             return name;
                         });
