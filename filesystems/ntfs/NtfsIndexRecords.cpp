// INDX, $INDEX_ROOT and RCRD recognition.
#include "filesystems/ntfs/NtfsIndexRecords.h"

#include "core/bytes/ByteReader.h"
#include "core/bytes/ByteWriter.h"
#include "filesystems/ntfs/NtfsFileRecord.h"
#include "filesystems/ntfs/NtfsStructures.h"

namespace {

constexpr size_t kIndxEntriesBase = 0x18;
constexpr size_t kMaxIndxUnits = ntfs::kMaxIndexRecord / ntfs::kUnitSize;

bool HasMagic(std::span<const uint8_t> b, const char (&magic)[5])
{
    return b.size() >= 4 && b[0] == uint8_t(magic[0]) && b[1] == uint8_t(magic[1]) && b[2] == uint8_t(magic[2]) &&
           b[3] == uint8_t(magic[3]);
}

size_t UnitEnd(size_t unit)
{
    return unit * ntfs::kUnitSize - 2;
}

bool CheckIndxEntries(std::span<const uint8_t> record)
{
    bytes::ByteReader r(record);
    const uint64_t first = kIndxEntriesBase + uint64_t(r.u32le(0x18));
    const uint64_t end = first + r.u32le(0x1C);
    const uint64_t firstParent = r.u64le(first + 16);
    if (!r) return false;
    uint64_t pos = first;
    while (pos < end) {
        const uint16_t length = r.u16le(pos + 8);
        const uint16_t flags = r.u16le(pos + 12);
        if (!r) return false;
        if (flags & 2) return true;
        if (length == 0) return true;
        if (flags != 1) {
            const uint64_t allocated = r.u64le(pos + 56);
            const uint64_t real = r.u64le(pos + 64);
            const uint64_t parent = r.u64le(pos + 16);
            if (!r || allocated < real || parent != firstParent) return false;
        }
        pos += length;
    }
    return true;
}

} // namespace

bool NtfsIsIndxMagic(std::span<const uint8_t> record)
{
    return HasMagic(record, "INDX");
}

bool NtfsCheckAndFixIndxRecord(std::span<uint8_t> record)
{
    bytes::ByteReader r(record);
    const uint16_t usOffset = r.u16le(4);
    const uint16_t usCount = r.u16le(6);
    const uint32_t entriesOffset = r.u32le(0x18);
    const uint32_t used = r.u32le(0x1C);
    const uint32_t allocated = r.u32le(0x20);
    if (!r || !NtfsIsIndxMagic(record)) return false;
    const size_t n = record.size();
    if (allocated > n || used > allocated) return false;
    if (usCount == 0 || usCount - 1u > kMaxIndxUnits || usCount - 1u > n / ntfs::kUnitSize) return false;
    if (usCount - 1u != (((uint64_t(allocated) + entriesOffset) / ntfs::kUnitSize) & 0xFFFF)) return false;
    if (usOffset < 40 || usOffset > 256 || !r.has(usOffset, uint64_t(usCount) * 2)) return false;

    bytes::ByteWriter wr(record);
    const uint16_t sequence = r.u16le(usOffset);
    const size_t units = usCount - 1u;
    for (size_t i = 1; i <= units; ++i)
        if (r.u16le(UnitEnd(i)) != sequence) return false;
    for (size_t i = 1; i <= units; ++i) wr.u16le(UnitEnd(i), r.u16le(usOffset + 2 * i));
    const bool ok = CheckIndxEntries(record);
    for (size_t i = 1; i <= units; ++i) {
        wr.u16le(usOffset + 2 * i, r.u16le(UnitEnd(i)));
        wr.u16le(UnitEnd(i), sequence);
    }
    return ok;
}

uint64_t NtfsIndxGetVcn(std::span<const uint8_t> record)
{
    return bytes::ByteReader(record).u64le(0x10);
}
uint64_t NtfsIndxGetLsn(std::span<const uint8_t> record)
{
    return bytes::ByteReader(record).u64le(0x08);
}

int64_t NtfsIndxGetFirstParentRef(std::span<const uint8_t> record)
{
    bytes::ByteReader r(record);
    const uint64_t first = kIndxEntriesBase + uint64_t(r.u32le(0x18));
    const uint64_t parent = r.u64le(first + 16);
    return r ? int64_t(parent & ntfs::kRecordNumberMask) : -1;
}

int64_t NtfsIndexRootCommonParentRef(const CNTFSAttributeHeader& indexRoot)
{
    if (!indexRoot || !IsValidAttributeHeader(indexRoot.Bytes()) || indexRoot.IsNonResident()) return -1;
    const auto value = indexRoot.GetValue();
    bytes::ByteReader r(value);
    const uint32_t entriesOffset = r.u32le(16);
    const uint32_t used = r.u32le(20);
    if (!r || value.size() < uint64_t(used) + 16) return -1;
    int64_t common = -1;
    const uint64_t base = 16 + uint64_t(entriesOffset);
    uint64_t walked = 0;
    while (used > 16 && walked < used - 16u) {
        const uint64_t pos = base + walked;
        const uint16_t length = r.u16le(pos + 8);
        const uint16_t flags = r.u16le(pos + 12);
        if (!r || length == 0 || flags == 2) break;
        const uint64_t allocated = r.u64le(pos + 56);
        const uint64_t real = r.u64le(pos + 64);
        const uint8_t nameLength = r.u8(pos + 80);
        const int64_t parent = int64_t(r.u64le(pos + 16) & ntfs::kRecordNumberMask);
        if (!r) break;
        if (flags != 1 && (nameLength == 0 || allocated < real)) break;
        if (common >= 0 && parent != common) return -1;
        common = parent;
        walked += length;
    }
    return common;
}

bool NtfsIsRcrdMagic(std::span<const uint8_t> page)
{
    return HasMagic(page, "RCRD");
}

bool NtfsIsValidRcrdPage(std::span<const uint8_t> page)
{
    bytes::ByteReader r(page);
    if (!NtfsIsRcrdMagic(page) || page.size() < 4096) return false;
    if (r.u16le(6) != 9 || r.u16le(4) != 40) return false;
    const uint16_t sequence = r.u16le(40);
    for (size_t i = 1; i <= 8; ++i)
        if (r.u16le(UnitEnd(i)) != sequence) return false;
    return true;
}
