// NTFS boot-sector test and field accessors.
#include "filesystems/ntfs/CNTFSDBR.h"

#include "core/bytes/ByteReader.h"
#include "filesystems/ntfs/NtfsStructures.h"

#include <bit>
#include <cctype>

namespace {

// A size declared in clusters (positive) or as a power of two (negative, 2^-c bytes); 0 when it cannot be had.
uint64_t DeclaredSize(int8_t c, uint64_t bytesPerCluster)
{
    if (c < 0) {
        const int shift = -int(c);
        return shift < 32 ? (uint64_t(1) << shift) : 0;
    }
    return uint64_t(c) * bytesPerCluster;
}

bool InPowerOfTwoRange(uint64_t v, uint64_t low, uint64_t high)
{
    return v >= low && v <= high && std::has_single_bit(v);
}

} // namespace

bool HasNtfsOemId(std::span<const uint8_t> sector)
{
    if (sector.size() < 11) return false;
    static const char kOem[] = "NTFS    ";
    for (size_t i = 0; i < 8; ++i)
        if (std::toupper(sector[3 + i]) != kOem[i]) return false;
    return true;
}

bool IsNtfsBootSector(std::span<const uint8_t> sector)
{
    if (sector.size() < CNTFSDBR::kSize || !HasNtfsOemId(sector)) return false;
    bytes::ByteReader r(sector);
    const uint16_t bytesPerSector = r.u16le(0x0B);
    // A multiple of 512 that is not a power of two would make record and cluster sizes meaningless.
    if (!InPowerOfTwoRange(bytesPerSector, 512, 4096)) return false;
    if (r.u16le(0x0E) != 0) return false;
    const uint8_t spc = r.u8(0x0D);
    if (!InPowerOfTwoRange(spc, 1, 128)) return false;
    static constexpr size_t kZeroFields[] = {0x10, 0x11, 0x12, 0x13, 0x14, 0x16, 0x17, 0x20, 0x21, 0x22, 0x23};
    for (const size_t off : kZeroFields)
        if (sector[off] != 0) return false;
    if (sector[510] != 0x55 || sector[511] != 0xAA) return false;
    return GetBytesPerFileRecord(sector) != 0;
}

uint32_t GetBytesPerFileRecord(std::span<const uint8_t> bootSector)
{
    bytes::ByteReader r(bootSector);
    const uint16_t bytesPerSector = r.u16le(0x0B);
    const uint8_t spc = r.u8(0x0D);
    const int8_t c = r.s8(0x40);
    if (!r) return 0;
    const uint64_t size = c == 0 ? ntfs::kMinFileRecord : DeclaredSize(c, uint64_t(bytesPerSector) * spc);
    const uint64_t low = bytesPerSector > ntfs::kMinFileRecord ? bytesPerSector : ntfs::kMinFileRecord;
    return InPowerOfTwoRange(size, low, ntfs::kMaxFileRecord) ? uint32_t(size) : 0;
}

uint32_t GetBytesPerIndexRecord(std::span<const uint8_t> bootSector)
{
    bytes::ByteReader r(bootSector);
    const uint16_t bytesPerSector = r.u16le(0x0B);
    const uint8_t spc = r.u8(0x0D);
    const int8_t c = r.s8(0x44);
    if (!r || bytesPerSector == 0) return 0;
    const uint64_t size = DeclaredSize(c, uint64_t(bytesPerSector) * spc);
    return InPowerOfTwoRange(size, bytesPerSector, ntfs::kMaxIndexRecord) ? uint32_t(size) : 0;
}

bool CNTFSDBR::Attach(std::span<const uint8_t> sector)
{
    if (!IsNtfsBootSector(sector)) return false;
    std::copy(sector.begin(), sector.begin() + kSize, m_bytes.begin());
    return true;
}

uint64_t CNTFSDBR::GetTotalSectors() const
{
    return bytes::ByteReader(m_bytes).u64le(0x28);
}
uint64_t CNTFSDBR::GetMftCluster() const
{
    return bytes::ByteReader(m_bytes).u64le(0x30);
}
uint64_t CNTFSDBR::GetMftMirrCluster() const
{
    return bytes::ByteReader(m_bytes).u64le(0x38);
}
uint16_t CNTFSDBR::GetBytesPerSector() const
{
    return bytes::ByteReader(m_bytes).u16le(0x0B);
}
uint64_t CNTFSDBR::GetSerialNumber() const
{
    return bytes::ByteReader(m_bytes).u64le(0x48);
}

std::array<char, 8> CNTFSDBR::GetOemId() const
{
    std::array<char, 8> id{};
    for (size_t i = 0; i < 8; ++i) id[i] = static_cast<char>(m_bytes[3 + i]);
    return id;
}
