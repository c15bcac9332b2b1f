// The NTFS boot sector: the test that tells one apart, the FILE and index record sizes it declares (refused
// when unusable), and CNTFSDBR, a checked 512-byte copy with one accessor per field.
#pragma once

#include <array>
#include <cstdint>
#include <span>

// True when the first 512 bytes form a usable NTFS boot sector: OEM id "NTFS    " (any case), bytes per
// sector a power of two from 512 to 4096, no reserved sectors, sectors per cluster a power of two up to 128,
// the fields that must be zero are zero, the 0x55 0xAA marker, and a usable FILE record size.
bool IsNtfsBootSector(std::span<const uint8_t> sector);
// Only the OEM id, compared without regard to case.
bool HasNtfsOemId(std::span<const uint8_t> sector);

// Bytes of one FILE record, or 0 when the declared size is not a power of two from max(1024, bytes per
// sector) to 4096 (a boot sector with such a size is unusable).
uint32_t GetBytesPerFileRecord(std::span<const uint8_t> bootSector);
// Bytes of one INDX record, or 0 when not a power of two from bytes per sector to 65536.
uint32_t GetBytesPerIndexRecord(std::span<const uint8_t> bootSector);

class CNTFSDBR {
public:
    static constexpr size_t kSize = 512;

    CNTFSDBR() = default;

    // Copies the sector in only when it passes IsNtfsBootSector; otherwise the copy stays as it was.
    bool Attach(std::span<const uint8_t> sector);

    uint64_t GetTotalSectors() const;
    uint64_t GetMftCluster() const;
    uint64_t GetMftMirrCluster() const;
    uint8_t GetSectorsPerCluster() const { return m_bytes[0x0D]; }
    uint16_t GetBytesPerSector() const;
    uint64_t GetSerialNumber() const;
    std::array<char, 8> GetOemId() const;
    uint32_t GetBytesPerFileRecord() const { return ::GetBytesPerFileRecord(m_bytes); }
    uint32_t GetBytesPerIndexRecord() const { return ::GetBytesPerIndexRecord(m_bytes); }
    std::span<const uint8_t> Bytes() const { return m_bytes; }

private:
    std::array<uint8_t, kSize> m_bytes{};
};
