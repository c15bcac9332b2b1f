// Boot-sector classification: the type text, two FAT copies, a power-of-two cluster, the sector size the
// caller expects, per-type limits and the 0x55 0xAA signature must all hold.
#include "filesystems/fat/CFATDBR.h"

#include "core/bytes/ByteReader.h"
#include "filesystems/fat/FATStructures.h"
#include "filesystems/tree/FileSystemKind.h"

#include <cctype>

CFATDBR::CFATDBR(std::span<const uint8_t> sector, int32_t sectorSize) : m_sector(sector), m_sectorSize(sectorSize)
{
    if (IsFAT12())
        m_type = kFsKindFat12;
    else if (IsFAT16())
        m_type = kFsKindFat16;
    else if (IsFAT32())
        m_type = kFsKindFat32;
    else
        m_type = kFsKindNone;
}

uint8_t CFATDBR::u8(size_t at) const
{
    return bytes::ByteReader(m_sector).u8(at);
}
uint16_t CFATDBR::u16(size_t at) const
{
    return bytes::ByteReader(m_sector).u16le(at);
}
uint32_t CFATDBR::u32(size_t at) const
{
    return bytes::ByteReader(m_sector).u32le(at);
}

bool CFATDBR::CommonTests(size_t typeTextOffset, const char* typeText) const
{
    if (m_sector.size() < 512) return false;
    for (size_t i = 0; i < 8; ++i) {
        if (std::toupper(m_sector[typeTextOffset + i]) != static_cast<unsigned char>(typeText[i])) return false;
    }
    if (u8(0x10) != 2) return false;
    const uint8_t spc = u8(0x0D);
    if (spc == 0 || (spc & (spc - 1)) != 0) return false;
    if (m_sectorSize <= 0 || u16(0x0B) != m_sectorSize) return false;
    return true;
}

bool CFATDBR::IsFAT12() const
{
    if (!CommonTests(0x36, "FAT12   ")) return false;
    const uint32_t rootEntries = u16(0x11);
    const uint32_t spf = u16(0x16);
    if (rootEntries < 224 || rootEntries > 2048 || (rootEntries * 32) % static_cast<uint32_t>(m_sectorSize) != 0)
        return false;
    if (spf < 1 || spf > 200) return false;
    return m_sector[510] == 0x55 && m_sector[511] == 0xAA;
}

bool CFATDBR::IsFAT16() const
{
    if (!CommonTests(0x36, "FAT16   ")) return false;
    const uint32_t rootEntries = u16(0x11);
    if (rootEntries < 224 || (rootEntries * 32) % static_cast<uint32_t>(m_sectorSize) != 0) return false;
    if (u16(0x16) < 1) return false;
    return m_sector[510] == 0x55 && m_sector[511] == 0xAA;
}

bool CFATDBR::IsFAT32() const
{
    if (!CommonTests(0x52, "FAT32   ")) return false;
    if (u32(0x24) < 1) return false;
    return m_sector[510] == 0x55 && m_sector[511] == 0xAA;
}

uint8_t CFATDBR::GetSectorsPerCluster() const
{
    return IsValid() ? u8(0x0D) : 0;
}
uint16_t CFATDBR::GetReservedSectors() const
{
    return IsValid() ? u16(0x0E) : 0;
}
uint16_t CFATDBR::GetReservedSectorCount() const
{
    return u16(0x0E);
}
uint8_t CFATDBR::GetNumberOfFATs() const
{
    return IsValid() ? u8(0x10) : 0;
}
uint16_t CFATDBR::GetRootEntryCount() const
{
    return u16(0x11);
}

uint32_t CFATDBR::GetSectorsPerFAT() const
{
    switch (m_type) {
    case kFsKindFat12:
    case kFsKindFat16: return u16(0x16);
    case kFsKindFat32: return u32(0x24);
    default: return 0;
    }
}

uint64_t CFATDBR::GetTotalSectors() const
{
    switch (m_type) {
    case kFsKindFat12:
    case kFsKindFat16: {
        // A FAT12 volume past 32 MiB keeps its size in the 32-bit field as FAT16 does.
        const uint16_t small = u16(0x13);
        return small != 0 ? small : u32(0x20);
    }
    case kFsKindFat32: return u32(0x20);
    default: return 0;
    }
}

uint32_t CFATDBR::GetRootCluster() const
{
    return m_type == kFsKindFat32 ? u32(0x2C) : 0;
}

uint8_t CFATDBR::GetMediaDescriptor() const
{
    return m_sector.size() > 0x15 ? u8(0x15) : 0;
}

uint32_t CFATDBR::GetRootDirSectors() const
{
    if (m_type != kFsKindFat12 && m_type != kFsKindFat16) return 0;
    return uint32_t(GetRootEntryCount()) * 32 / uint32_t(m_sectorSize);
}
