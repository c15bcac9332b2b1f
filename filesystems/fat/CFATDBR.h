// Classifies a FAT boot sector as FAT12, FAT16, FAT32 or none, and reads its geometry fields.
#pragma once

#include <cstdint>
#include <span>

// Holds a view of the caller's sector (not a copy): the caller keeps the bytes alive while it is used.
// Every accessor answers 0 for a sector that did not classify (type 7), except GetRootEntryCount and
// GetReservedSectorCount, which read their field whatever the type.
class CFATDBR {
public:
    CFATDBR(std::span<const uint8_t> sector, int32_t sectorSize);

    bool IsValid() const { return m_type != 7; }
    // 0 FAT12, 1 FAT16, 2 FAT32, 7 none.
    int GetFATType() const { return m_type; }
    uint8_t GetSectorsPerCluster() const;
    uint16_t GetReservedSectors() const;
    uint16_t GetReservedSectorCount() const;
    uint8_t GetNumberOfFATs() const;
    uint16_t GetRootEntryCount() const;
    uint32_t GetSectorsPerFAT() const;
    uint64_t GetTotalSectors() const;
    uint32_t GetRootCluster() const;
    // Byte 0x15, the media descriptor, whatever the type; entry 0 of every FAT copy repeats it.
    uint8_t GetMediaDescriptor() const;

    // Sectors of the fixed root directory of FAT12/16 (root entries * 32 / sector size); 0 for FAT32.
    uint32_t GetRootDirSectors() const;

private:
    bool IsFAT12() const;
    bool IsFAT16() const;
    bool IsFAT32() const;
    bool CommonTests(size_t typeTextOffset, const char* typeText) const;
    uint8_t u8(size_t at) const;
    uint16_t u16(size_t at) const;
    uint32_t u32(size_t at) const;

    std::span<const uint8_t> m_sector;
    int32_t m_sectorSize;
    int m_type = 7;
};
