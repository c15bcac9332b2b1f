// Found ext2 partitions: construction from a copy, descriptor gathering, sameness, merging, scoring, the
// stored form and the reload from the device.
#include "filesystems/ext2/CExt2SearchedPartitionInfo.h"

#include "core/devices/IStorageDevice.h"
#include "filesystems/ext2/CExt2FileSystem.h"

#include <algorithm>

CExt2SearchedPartitionInfo::CExt2SearchedPartitionInfo() : CSearchedPartitionInfo(512) {}

CExt2SearchedPartitionInfo::CExt2SearchedPartitionInfo(std::span<const uint8_t> window, uint64_t sector,
                                                       unsigned sectorSize)
    : CSearchedPartitionInfo(sectorSize), CExt2SuperBlock(window.first(std::min(window.size(), ext2::kSuperBlockSize)))
{
    const int64_t start = StartOf(Normalised(), sector);
    u64DataAreaStartSector = sector;
    u64StartSector = start < 0 ? 0 : uint64_t(start);
    m_lowestSector = sector;
    m_copies = 1;
    m_rawValid = CExt2SuperBlock::IsValid() ? 1 : 0;
    SetDerivedFields();
}

void CExt2SearchedPartitionInfo::SetDerivedFields()
{
    const CExt2SuperBlock normalised = Normalised();
    nFileSystemKind = normalised.GetKind();
    bySectorsPerCluster = uint8_t(normalised.GetSectorsPerBlock());
    u64SectorsCount = normalised.GetSizeInBytes() / 512;
    nSectorSize = 512;
}

CExt2SuperBlock CExt2SearchedPartitionInfo::Normalised() const
{
    CExt2SuperBlock copy(Record());
    copy.Normalise();
    return copy;
}

int64_t CExt2SearchedPartitionInfo::StartOf(const CExt2SuperBlock& normalised, uint64_t sector)
{
    if (sector > uint64_t(INT64_MAX)) return -1;
    // The primary copy lies 2 sectors into its file system; a backup copy, its copy offset further on.
    const int64_t offset = normalised.Record().s_block_group_nr == 0 ? 0 : normalised.GetCopyOffset();
    const int64_t at = int64_t(sector);
    if (offset > at - 2) return -1;
    return at - offset - 2;
}

bool CExt2SearchedPartitionInfo::IsPastSuperBlockBlock(uint64_t sector) const
{
    const int64_t perBlock = int64_t(Normalised().GetSectorsPerBlock());
    if (perBlock <= 0 || u64DataAreaStartSector < u64StartSector) return false;
    const uint64_t block = (u64DataAreaStartSector - u64StartSector) / uint64_t(perBlock);
    return sector >= u64StartSector + (block + 1) * uint64_t(perBlock);
}

void CExt2SearchedPartitionInfo::AppendDescriptors(std::span<const uint8_t> window, uint64_t sector)
{
    const uint64_t groups = GetGroups();
    if (!m_hasTable) {
        m_hasTable = true;
        m_descriptorSector = sector;
        m_gathered = 0;
        m_descriptors.clear();
    }
    if (m_gathered >= groups) return;
    // Grown as sectors arrive, so the table never outgrows what was read, whatever the copy claims.
    const uint64_t take = std::min<uint64_t>(groups - m_gathered, ext2::kGroupDescriptorsPerSector);
    for (uint64_t i = 0; i < take; ++i) {
        const size_t at = size_t(i) * ext2::kGroupDescriptorSize;
        m_descriptors.push_back(
            Ext2GroupDescriptor::Decode(at < window.size() ? window.subspan(at) : std::span<const uint8_t>()));
    }
    m_gathered += uint32_t(take);
}

bool CExt2SearchedPartitionInfo::IsTableValid() const
{
    const CExt2SuperBlock normalised = Normalised();
    const uint64_t groups = normalised.GetGroupCount();
    return normalised.IsValid() && m_descriptors.size() >= groups &&
           CExt2FileSystem::IsValidDescriptorTable(normalised, m_descriptors.data(), groups);
}

bool CExt2SearchedPartitionInfo::IsSame(const CExt2SearchedPartitionInfo& other) const
{
    if (this == &other) return true;
    if (!m_hasTable || !other.m_hasTable) return false;
    if ((Record().s_block_group_nr != 0 || other.Record().s_block_group_nr != 0) &&
        u64StartSector != other.u64StartSector)
        return false;
    if (!CExt2SuperBlock::IsSame(other)) return false;
    const uint64_t groups = GetGroups();
    if (m_descriptors.size() < groups || other.m_descriptors.size() < groups) return false;
    for (uint64_t i = 0; i < groups; ++i)
        if (!m_descriptors[i].SameBlocks(other.m_descriptors[i])) return false;
    return true;
}

void CExt2SearchedPartitionInfo::MergeLowerCopy(const CExt2SearchedPartitionInfo& other)
{
    if (other.u64DataAreaStartSector >= m_lowestSector || Record().s_block_group_nr != 0) return;
    m_lowestSector = other.u64DataAreaStartSector;
    u64StartSector = other.u64StartSector;
    m_rawValid = other.CExt2SuperBlock::IsValid() ? 1 : 0;
}

void CExt2SearchedPartitionInfo::Score()
{
    if (m_copies == 0) return;
    const bool valid = CExt2SuperBlock::IsValid();
    const bool primary = u64DataAreaStartSector >= u64StartSector && u64DataAreaStartSector - u64StartSector == 2;
    if (m_copies == 1) {
        u64EvidenceScore = valid ? (primary ? 60 : 45) : (primary ? 30 : 20);
        return;
    }
    const bool primaryValid = primary && m_rawValid != 0;
    u64EvidenceScore = valid ? (primaryValid ? 100 : 90) : (primaryValid ? 80 : 70);
}

void CExt2SearchedPartitionInfo::Save(IRSData* stream) const
{
    CSearchedPartitionInfo::Save(stream);
    RSWriteValue<uint64_t>(stream, m_descriptorSector);
    RSWriteValue<int32_t>(stream, m_rawValid);
}

void CExt2SearchedPartitionInfo::Load(IRSData* stream)
{
    CSearchedPartitionInfo::Load(stream);
    m_descriptorSector = RSReadValue<uint64_t>(stream);
    m_rawValid = RSReadValue<int32_t>(stream);
    // The copy and the table are read again from the device before a tree is built.
    m_hasTable = false;
    m_descriptors.clear();
    m_gathered = 0;
    m_copies = 0;
    m_lowestSector = u64DataAreaStartSector;
}

bool CExt2SearchedPartitionInfo::ReloadFromDevice(IStorageDevice* device)
{
    IStorageDevice* view = device ? device->GetAs512SectorDevice() : nullptr;
    if (!view) return false;
    const uint64_t deviceSectors = view->GetSectorCount();
    if (u64DataAreaStartSector >= deviceSectors || deviceSectors - u64DataAreaStartSector < 2) return false;
    uint8_t bytes[ext2::kSuperBlockSize] = {};
    if (!view->ReadSectors(bytes, u64DataAreaStartSector, 2)) return false;
    const CExt2SuperBlock copy{std::span<const uint8_t>(bytes)};
    CExt2SuperBlock normalised = copy;
    normalised.Normalise();
    if (!normalised.IsValid()) return false;
    const uint64_t groups = normalised.GetGroupCount();
    const uint64_t sectors = (groups + ext2::kGroupDescriptorsPerSector - 1) / ext2::kGroupDescriptorsPerSector;
    // The table must lie on the device before room is made for it.
    if (m_descriptorSector >= deviceSectors || deviceSectors - m_descriptorSector < sectors) return false;
    std::vector<uint8_t> table(size_t(sectors) * 512, 0);
    if (!view->ReadSectors(table.data(), m_descriptorSector, sectors)) return false;
    std::vector<Ext2GroupDescriptor> descriptors(groups);
    for (uint64_t i = 0; i < groups; ++i)
        descriptors[i] = Ext2GroupDescriptor::Decode(std::span<const uint8_t>(table).subspan(
            size_t(i) * ext2::kGroupDescriptorSize, ext2::kGroupDescriptorSize));
    if (!CExt2FileSystem::IsValidDescriptorTable(normalised, descriptors.data(), groups)) return false;
    Record() = copy.Record();
    m_descriptors = std::move(descriptors);
    m_hasTable = true;
    m_gathered = uint32_t(groups);
    m_copies = 1;
    SetDerivedFields();
    return true;
}
