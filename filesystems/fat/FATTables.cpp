// Loading FAT copies, their trust tests and next-cluster lookups for the three entry widths.
#include "filesystems/fat/FATTables.h"

#include "core/bytes/ByteReader.h"
#include "core/devices/IStorageDevice.h"
#include "filesystems/fat/FATStructures.h"
#include "filesystems/tree/FileSystemKind.h"

namespace {

uint32_t EntryCount(uint64_t bytes, unsigned entryBits)
{
    const uint64_t n = bytes * 8 / entryBits;
    return n > 0xFFFFFFFFull ? 0xFFFFFFFFu : uint32_t(n);
}

} // namespace

IRealFATTable::IRealFATTable(IStorageDevice* device, uint64_t firstSector, uint32_t sectorsPerFAT, unsigned entryBits)
    : m_firstSector(firstSector), m_sectorsPerFAT(sectorsPerFAT)
{
    if (device != nullptr) m_sectorSize = device->GetSectorSize();
    m_entryCount = m_sectorSize > 0 ? EntryCount(uint64_t(sectorsPerFAT) * uint64_t(m_sectorSize), entryBits) : 0;
    if (device == nullptr || !Plausible(entryBits)) return;
    // The copy must lie on the device; the size is already capped by the width's limits.
    const uint64_t deviceSectors = device->GetSectorCount();
    if (firstSector > deviceSectors || sectorsPerFAT > deviceSectors - firstSector) return;
    m_table.resize(size_t(sectorsPerFAT) * size_t(m_sectorSize));
    if (!device->ReadSectors(m_table.data(), firstSector, sectorsPerFAT)) {
        m_table.clear();
        m_table.shrink_to_fit();
        return;
    }
    m_loaded = true;
}

IRealFATTable::IRealFATTable(std::vector<uint8_t> tableBytes, int32_t sectorSize, unsigned entryBits)
    : m_sectorSize(sectorSize)
{
    if (sectorSize <= 0) return;
    m_sectorsPerFAT = uint32_t(tableBytes.size() / size_t(sectorSize));
    m_entryCount = EntryCount(uint64_t(m_sectorsPerFAT) * uint64_t(sectorSize), entryBits);
    if (!Plausible(entryBits)) return;
    tableBytes.resize(size_t(m_sectorsPerFAT) * size_t(sectorSize));
    m_table = std::move(tableBytes);
    m_loaded = true;
}

bool IRealFATTable::Plausible(unsigned entryBits) const
{
    if (m_sectorSize < 512) return false;
    const uint32_t k = uint32_t(m_sectorSize) / 512;
    const uint32_t spf = m_sectorsPerFAT;
    switch (entryBits) {
    case 32: return spf >= 256 / k && spf <= 128000 / k && spf > 0;
    case 16: return spf >= 12 / k && spf <= 256 / k && spf > 0;
    case 12: return spf >= 1 && spf <= 12;
    default: return false;
    }
}

uint32_t CFAT12Table::GetNextCluster(uint32_t cluster) const
{
    if (!IsLoaded()) return fat::kNoInformation;
    const uint64_t at = uint64_t(cluster) * 3 / 2;
    if (at + 1 >= ByteCount()) return fat::kNoInformation;
    const uint16_t word = bytes::ByteReader(Data(), ByteCount()).u16le(at);
    const uint32_t v = (cluster & 1) ? word >> 4 : word & 0x0FFF;
    if (v == 0xFF7) return fat::kBadCluster;
    if (v >= 0xFF8) return fat::kEndOfChain;
    return v;
}

bool CFAT12Table::IsValid() const
{
    return IsLoaded() && IsFAT12TableStart({Data(), ByteCount()});
}

uint32_t CFAT16Table::GetNextCluster(uint32_t cluster) const
{
    if (!IsLoaded() || cluster >= GetEntryCount()) return fat::kNoInformation;
    const uint16_t v = bytes::ByteReader(Data(), ByteCount()).u16le(uint64_t(cluster) * 2);
    if (v == 0xFFF7) return fat::kBadCluster;
    if (v >= 0xFFF8) return fat::kEndOfChain;
    return v;
}

bool CFAT16Table::IsValid() const
{
    if (!IsLoaded() || !IsFAT16TableStart({Data(), ByteCount()})) return false;
    bytes::ByteReader table(Data(), ByteCount());
    return CheckFATChains(GetEntryCount(), 0xFFF7,
                          [&table](uint32_t i) -> uint32_t { return table.u16le(uint64_t(i) * 2); });
}

uint32_t CFAT32Table::GetNextCluster(uint32_t cluster) const
{
    if (!IsLoaded() || cluster >= GetEntryCount()) return fat::kNoInformation;
    return bytes::ByteReader(Data(), ByteCount()).u32le(uint64_t(cluster) * 4) & fat::kFAT32EntryMask;
}

bool CFAT32Table::IsValid() const
{
    if (!IsLoaded() || !IsFAT32TableStart({Data(), ByteCount()})) return false;
    bytes::ByteReader table(Data(), ByteCount());
    return CheckFATChains(GetEntryCount(), fat::kBadCluster, [&table](uint32_t i) -> uint32_t {
        return table.u32le(uint64_t(i) * 4) & fat::kFAT32EntryMask;
    });
}

CDoubleFATTable::CDoubleFATTable(std::unique_ptr<IRealFATTable> first, std::unique_ptr<IRealFATTable> second)
    : m_first(std::move(first)), m_second(std::move(second))
{
}

uint32_t CDoubleFATTable::GetNextCluster(uint32_t cluster) const
{
    if (m_first) return m_first->GetNextCluster(cluster);
    if (m_second) return m_second->GetNextCluster(cluster);
    return fat::kNoInformation;
}

namespace {

std::unique_ptr<IRealFATTable> MakeCopy(IStorageDevice* device, uint64_t sector, int fatType, uint32_t sectorsPerFAT)
{
    std::unique_ptr<IRealFATTable> copy;
    switch (fatType) {
    case kFsKindFat12: copy = std::make_unique<CFAT12Table>(device, sector, sectorsPerFAT); break;
    case kFsKindFat16: copy = std::make_unique<CFAT16Table>(device, sector, sectorsPerFAT); break;
    case kFsKindFat32: copy = std::make_unique<CFAT32Table>(device, sector, sectorsPerFAT); break;
    default: return nullptr;
    }
    if (!copy->IsValid()) return nullptr;
    return copy;
}

} // namespace

std::unique_ptr<CDoubleFATTable> CreateDoubleFATTable(IStorageDevice* device, uint64_t firstFATSector, int fatType,
                                                      uint32_t sectorsPerFAT, bool useFirst, bool useSecond)
{
    std::unique_ptr<IRealFATTable> first;
    std::unique_ptr<IRealFATTable> second;
    if (useFirst) first = MakeCopy(device, firstFATSector, fatType, sectorsPerFAT);
    if (useSecond && !first) second = MakeCopy(device, firstFATSector + sectorsPerFAT, fatType, sectorsPerFAT);
    return std::make_unique<CDoubleFATTable>(std::move(first), std::move(second));
}

bool IsFATMediaByte(unsigned media)
{
    return media == 0xF0 || (media >= 0xF8 && media <= 0xFF);
}

namespace {

// Entry 0's low byte: a media byte, the boot sector's when that one is a media byte itself.
bool MediaMatches(uint8_t found, int expected)
{
    if (!IsFATMediaByte(found)) return false;
    return expected < 0 || !IsFATMediaByte(unsigned(expected)) || found == unsigned(expected);
}

} // namespace

bool IsFAT32TableStart(std::span<const uint8_t> sector, int media)
{
    if (sector.size() < 8) return false;
    bytes::ByteReader r(sector);
    return (r.u32le(0) & 0x0FFFFF00) == 0x0FFFFF00 && MediaMatches(sector[0], media) &&
           (r.u32le(4) & 0x03FFFFF8) == 0x03FFFFF8;
}

bool IsFAT16TableStart(std::span<const uint8_t> sector, int media)
{
    if (sector.size() < 4) return false;
    bytes::ByteReader r(sector);
    return r.u8(1) == 0xFF && MediaMatches(sector[0], media) && (r.u16le(2) & 0x3FF8) == 0x3FF8;
}

bool IsFAT16or32TableStart(std::span<const uint8_t> sector, int media)
{
    return IsFAT32TableStart(sector, media) || IsFAT16TableStart(sector, media);
}

bool IsFAT12TableStart(std::span<const uint8_t> sector, int media)
{
    return sector.size() >= 3 && sector[1] == 0xFF && sector[2] == 0xFF && MediaMatches(sector[0], media);
}

bool IsFATTableStart(std::span<const uint8_t> sector, int fatType, int media)
{
    switch (fatType) {
    case kFsKindFat12: return IsFAT12TableStart(sector, media);
    case kFsKindFat16: return IsFAT16TableStart(sector, media);
    case kFsKindFat32: return IsFAT32TableStart(sector, media);
    default: return false;
    }
}
