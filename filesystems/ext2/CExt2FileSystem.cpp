// Opening an ext2 file system: superblock checks, the descriptor search over the backup groups, and block
// reads kept inside the device.
#include "filesystems/ext2/CExt2FileSystem.h"

#include "core/bytes/ByteReader.h"
#include "core/devices/IStorageDevice.h"
#include "filesystems/ext2/Ext2Collector.h"
#include "filesystems/ext2/Ext2Exceptions.h"

#include <algorithm>
#include <cstddef>
#include <cstring>
#include <stdexcept>

namespace {

constexpr size_t kOpeningReadBytes = 4096;
constexpr size_t kMaxCollectedTables = std::size(CExt2FileSystem::kBackupGroups);

// Reads count 512-byte sectors at a signed sector; false before the device or when the read fails.
bool ReadAt(IStorageDevice* device, int64_t sector, uint64_t count, void* buffer)
{
    if (sector < 0) return false;
    return device->ReadSectors(buffer, uint64_t(sector), count);
}

// The descriptor of group i in a table of tableBytes bytes.
Ext2GroupDescriptor DescriptorAt(const uint8_t* table, uint64_t tableBytes, uint64_t i)
{
    return Ext2GroupDescriptor::Decode(
        bytes::ByteReader(table, tableBytes).span(i * ext2::kGroupDescriptorSize, ext2::kGroupDescriptorSize));
}

// The candidate tables read while one file system opens, given back when the open ends whichever way it ends.
// Leaving them to the collector is not enough: collection is paused while they are gathered, and a program that
// opens many file systems (a scan trying candidate superblocks) may allocate nothing else from the collector, so
// no collection would ever come and every open of a large table would keep its copies.
class CandidateTables {
public:
    CandidateTables() = default;
    CandidateTables(const CandidateTables&) = delete;
    CandidateTables& operator=(const CandidateTables&) = delete;
    ~CandidateTables()
    {
        for (size_t i = 0; i < m_count; ++i) Ext2CollectedFree(m_blocks[i]);
    }
    // One per backup group at most.
    uint8_t* Allocate(size_t bytes)
    {
        if (m_count == kMaxCollectedTables) throw std::length_error("ext2: too many candidate descriptor tables");
        void* p = Ext2CollectedAllocHeld(bytes);
        m_blocks[m_count++] = p;
        return static_cast<uint8_t*>(p);
    }

private:
    void* m_blocks[kMaxCollectedTables] = {};
    size_t m_count = 0;
};

bool SameTables(const uint8_t* a, const uint8_t* b, uint64_t tableBytes, uint64_t groups)
{
    for (uint64_t i = 0; i < groups; ++i)
        if (!DescriptorAt(a, tableBytes, i).SameBlocks(DescriptorAt(b, tableBytes, i))) return false;
    return true;
}

} // namespace

CExt2FileSystem::CExt2FileSystem(IStorageDevice* device, uint64_t superBlockSector)
    : m_device(device ? device->GetAs512SectorDevice() : nullptr), m_superBlockSector(superBlockSector)
{
    InstallStructuredExceptionTranslator();
    if (!m_device) throw CExt2ReadSectorError();
    const uint64_t sectors = kOpeningReadBytes / 512;
    std::vector<uint8_t> bytes(kOpeningReadBytes, 0);
    if (!m_device->ReadSectors(bytes.data(), superBlockSector, sectors)) throw CExt2ReadSectorError();
    Open(std::span<const uint8_t>(bytes).first(ext2::kSuperBlockSize));
}

CExt2FileSystem::CExt2FileSystem(IStorageDevice* device, uint64_t startSector, const CExt2SuperBlock& superBlock,
                                 const std::vector<Ext2GroupDescriptor>* descriptors)
    : m_device(device ? device->GetAs512SectorDevice() : nullptr), m_superBlock(superBlock)
{
    InstallStructuredExceptionTranslator();
    if (!m_device) throw CExt2ReadSectorError();
    m_superBlock.Normalise();
    if (!m_superBlock.IsValid()) throw CExt2BadSuperBlock();
    if (startSector > uint64_t(INT64_MAX) - 2) throw CExt2BadSuperBlock();
    m_superBlockSector = startSector + 2;
    m_primarySector = int64_t(startSector) + 2;
    m_superBlock.Record().s_block_group_nr = 0;
    const uint64_t groups = m_superBlock.GetGroupCount();
    if (!descriptors || descriptors->size() < groups ||
        !IsValidDescriptorTable(m_superBlock, descriptors->data(), groups))
        throw CExt2BadGroupDescriptor();
    // groups is at most the size checked above, so it fits an iterator offset.
    m_descriptors.assign(descriptors->begin(), descriptors->begin() + static_cast<std::ptrdiff_t>(groups));
}

void CExt2FileSystem::Open(std::span<const uint8_t> superBlockBytes)
{
    m_superBlock = CExt2SuperBlock(superBlockBytes);
    m_superBlock.Normalise();
    if (!m_superBlock.IsValid()) throw CExt2BadSuperBlock();

    const int64_t offset = m_superBlock.Record().s_block_group_nr != 0 ? m_superBlock.GetCopyOffset() : 0;
    if (m_superBlockSector > uint64_t(INT64_MAX) || int64_t(m_superBlockSector) - offset < 2)
        throw CExt2BadSuperBlock();
    m_primarySector = int64_t(m_superBlockSector) - offset;

    // Its start must lie on the device. A device shorter than the file system (an image cut short) is still
    // read: what lies past its end is unreadable, and the group descriptors must be readable below.
    const uint64_t start = uint64_t(m_primarySector - 2);
    const uint64_t deviceSectors = m_device->GetSectorCount();
    if (start >= deviceSectors) throw CExt2BadSuperBlock();

    LoadDescriptorTable();
}

void CExt2FileSystem::LoadDescriptorTable()
{
    Ext2CollectorThread collectorThread;
    Ext2CollectorPause pause;

    const ext2_super_block& sb = m_superBlock.Record();
    const uint64_t groups = m_superBlock.GetGroupCount();
    const uint64_t sectors = (groups + ext2::kGroupDescriptorsPerSector - 1) / ext2::kGroupDescriptorsPerSector;
    const uint8_t* collected[kMaxCollectedTables] = {};
    size_t collectedCount = 0;
    const uint8_t* current = nullptr;
    const uint8_t* result = nullptr;
    std::vector<Ext2GroupDescriptor> decoded(groups);
    CandidateTables tables;

    for (const uint32_t group : kBackupGroups) {
        const uint64_t block = uint64_t(group) * sb.s_blocks_per_group + sb.s_first_data_block;
        if (group != 0) {
            uint8_t copyBytes[ext2::kSuperBlockSize];
            if (!ReadAt(m_device, BlockToSector(block), 2, copyBytes)) {
                current = nullptr;
                break;
            }
            CExt2SuperBlock copy{std::span<const uint8_t>(copyBytes)};
            copy.Normalise();
            if (!copy.IsSame(m_superBlock)) continue;
        }
        uint8_t* candidate = tables.Allocate(sectors * 512);
        if (!ReadAt(m_device, BlockToSector(block + 1), sectors, candidate)) {
            current = nullptr;
            break;
        }
        for (uint64_t i = 0; i < groups; ++i) decoded[i] = DescriptorAt(candidate, sectors * 512, i);
        if (!IsValidDescriptorTable(m_superBlock, decoded.data(), groups)) {
            current = nullptr;
            continue;
        }
        for (size_t i = 0; i < collectedCount && !result; ++i)
            if (SameTables(collected[i], candidate, sectors * 512, groups)) result = candidate;
        if (result) break;
        current = candidate;
        if (collectedCount < kMaxCollectedTables) collected[collectedCount++] = candidate;
    }
    if (!result) result = !current && collectedCount > 0 ? collected[0] : current;
    if (!result) throw CExt2BadGroupDescriptor();

    m_descriptors.resize(groups);
    for (uint64_t i = 0; i < groups; ++i) m_descriptors[i] = DescriptorAt(result, sectors * 512, i);
}

bool CExt2FileSystem::IsValidDescriptorTable(const CExt2SuperBlock& superBlock, const Ext2GroupDescriptor* table,
                                             uint64_t groups)
{
    const ext2_super_block& sb = superBlock.Record();
    for (uint64_t i = 0; i < groups; ++i) {
        const uint64_t first = sb.s_first_data_block + i * sb.s_blocks_per_group;
        const uint64_t end = first + sb.s_blocks_per_group;
        const Ext2GroupDescriptor& d = table[i];
        for (const uint64_t block : {uint64_t(d.blockBitmap), uint64_t(d.inodeBitmap), uint64_t(d.inodeTable)})
            if (block < first || block >= end) return false;
    }
    return true;
}

void CExt2FileSystem::ReadBlocks(void* buffer, uint64_t firstBlock, uint64_t count)
{
    const uint64_t perBlock = m_superBlock.GetSectorsPerBlock();
    const uint64_t deviceSectors = m_device->GetSectorCount();
    const int64_t first = firstBlock > uint64_t(INT64_MAX) / 16 ? -1 : BlockToSector(firstBlock);
    if (first < 0 || uint64_t(first) >= deviceSectors || count > deviceSectors / perBlock)
        throw std::out_of_range("CExt2FileSystem::ReadBlocks");
    if (!m_device->ReadSectors(buffer, uint64_t(first), count * perBlock)) {
        std::memset(buffer, 0, count * GetBlockSize());
        throw CExt2ReadSectorError();
    }
}

int64_t CExt2FileSystem::BlockToSector(uint64_t block) const
{
    return m_primarySector - 2 + int64_t(block * m_superBlock.GetSectorsPerBlock());
}

bool CExt2FileSystem::LocateInode(uint32_t inode, uint64_t& block, uint32_t& offset) const
{
    block = 0;
    offset = 0;
    const ext2_super_block& sb = m_superBlock.Record();
    if (inode == 0 || sb.s_inodes_per_group == 0) return false;
    const uint64_t group = (inode - 1) / sb.s_inodes_per_group;
    if (group >= m_descriptors.size()) return false;
    const uint64_t index = (inode - 1) % sb.s_inodes_per_group;
    const uint64_t byteOffset = index * m_superBlock.GetInodeSize();
    block = m_descriptors[group].inodeTable + byteOffset / GetBlockSize();
    offset = uint32_t(byteOffset % GetBlockSize());
    return true;
}

std::string CExt2FileSystem::GetVolumeName() const
{
    const auto& name = m_superBlock.Record().s_volume_name;
    const auto end = std::find(name.begin(), name.end(), uint8_t(0));
    return std::string(name.begin(), end);
}
