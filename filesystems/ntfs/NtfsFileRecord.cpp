// FILE record header test, update-sequence fix-ups and the attribute walk.
#include "filesystems/ntfs/NtfsFileRecord.h"

#include "core/bytes/ByteReader.h"
#include "core/bytes/ByteWriter.h"
#include "core/devices/IStorageDevice.h"
#include "filesystems/ntfs/NtfsDeviceRead.h"
#include "filesystems/ntfs/NtfsMappingPairs.h"
#include "filesystems/ntfs/NtfsStructures.h"

namespace {

constexpr size_t kResidentHeader = 0x18;
constexpr size_t kNonResidentHeader = 0x40;
constexpr size_t kMinAttribute = 16;

struct Fixup {
    size_t arrayOffset = 0;
    uint16_t sequence = 0;
    size_t units = 0;
};

// The update-sequence array of a record that passed IsFileRecordHeader, or false when the array does not
// lie inside the buffer.
bool LocateFixups(std::span<const uint8_t> record, Fixup& out)
{
    if (record.size() < ntfs::kMinFileRecord || !IsFileRecordHeader(record)) return false;
    bytes::ByteReader r(record);
    const uint16_t offset = r.u16le(4);
    const uint16_t count = r.u16le(6);
    if (!r.has(offset, uint64_t(count) * 2)) return false;
    out.arrayOffset = offset;
    out.sequence = r.u16le(offset);
    const size_t unitsInBuffer = record.size() / ntfs::kUnitSize;
    out.units = count - 1u < unitsInBuffer ? count - 1u : unitsInBuffer;
    return true;
}

bool IsForbiddenNameUnit(char16_t c)
{
    switch (c) {
    case u'"':
    case u'*':
    case u'/':
    case u':':
    case u'<':
    case u'>':
    case u'?':
    case u'\\':
    case u'|': return true;
    default: return false;
    }
}

size_t UnitEnd(size_t unit)
{
    return unit * ntfs::kUnitSize - 2;
}

// Calls visit(offset, header view of what remains) for every attribute of the walk; visit returns false to stop.
template <class Visit>
void WalkAttributes(std::span<const uint8_t> record, Visit visit)
{
    bytes::ByteReader r(record);
    const size_t end = AttributeAreaEnd(record);
    size_t offset = r.u16le(0x14);
    if (!r) return;
    // Each step advances by at least kMinAttribute bytes inside a buffer of bounded size, so the walk ends.
    while (offset + 8 < end) {
        const uint32_t type = r.u32le(offset);
        const uint32_t length = r.u32le(offset + 4);
        if (type == ntfs::kAttrEnd || length == 0) return;
        if (length < kMinAttribute) {
            visit(offset, length, record.subspan(offset, end - offset));
            return;
        }
        if (!visit(offset, length, record.subspan(offset, end - offset))) return;
        if (length >= end - offset) return;
        offset += length;
    }
}

CNTFSAttributeHeader MakeView(std::span<const uint8_t> rest, uint32_t length, size_t offset)
{
    const size_t n = length < rest.size() ? length : rest.size();
    return CNTFSAttributeHeader(rest.first(n), offset);
}

} // namespace

uint32_t GetFileRecordSize(IStorageDevice* device)
{
    if (!device) return ntfs::kMinFileRecord;
    const int32_t s = device->GetSectorSize();
    if (s <= 512 || s > int32_t(ntfs::kMaxFileRecord)) return ntfs::kMinFileRecord;
    return uint32_t(s);
}

bool ReadFileRecordAt(IStorageDevice* device, uint64_t sector, std::vector<uint8_t>& out)
{
    if (!NtfsReadBytesAt(device, sector, GetFileRecordSize(device), out)) return false;
    // A record larger than the first guess (4096-byte records on 512-byte sectors) is read again whole.
    if (IsFileRecordHeader(out)) {
        const uint32_t allocated = bytes::ByteReader(out).u32le(0x1C);
        if (allocated > out.size()) return NtfsReadBytesAt(device, sector, allocated, out);
    }
    return true;
}

bool IsFileRecordHeader(std::span<const uint8_t> record)
{
    bytes::ByteReader r(record);
    const bool magic = r.u8(0) == 'F' && r.u8(1) == 'I' && r.u8(2) == 'L' && r.u8(3) == 'E';
    const uint16_t usOffset = r.u16le(4);
    const uint16_t usCount = r.u16le(6);
    const uint32_t allocated = r.u32le(0x1C);
    if (!r || !magic) return false;
    if (usCount == 0 || usCount > 16) return false;
    if (allocated == 0 || allocated > ntfs::kMaxFileRecord || allocated % 1024 != 0) return false;
    if (usCount - 1u > allocated / ntfs::kUnitSize) return false;
    return usOffset >= 42 && usOffset <= 256;
}

bool CheckFixups(std::span<const uint8_t> record)
{
    Fixup f;
    if (!LocateFixups(record, f)) return false;
    bytes::ByteReader rd(record);
    for (size_t i = 1; i <= f.units; ++i)
        if (rd.u16le(UnitEnd(i)) != f.sequence) return false;
    return true;
}

bool ApplyFixups(std::span<uint8_t> record)
{
    Fixup f;
    if (!CheckFixups(record) || !LocateFixups(record, f)) return false;
    bytes::ByteReader rd(record);
    bytes::ByteWriter wr(record);
    for (size_t i = 1; i <= f.units; ++i) wr.u16le(UnitEnd(i), rd.u16le(f.arrayOffset + 2 * i));
    return true;
}

bool RestoreFixups(std::span<uint8_t> record)
{
    Fixup f;
    if (!LocateFixups(record, f)) return false;
    bytes::ByteReader rd(record);
    bytes::ByteWriter wr(record);
    for (size_t i = 1; i <= f.units; ++i) {
        wr.u16le(f.arrayOffset + 2 * i, rd.u16le(UnitEnd(i)));
        wr.u16le(UnitEnd(i), f.sequence);
    }
    return true;
}

bool ValidateFileRecord(std::span<uint8_t> record)
{
    if (record.size() < ntfs::kMinFileRecord || !IsFileRecordHeader(record)) return false;
    const bool applied = ApplyFixups(record);
    const bool ok = ValidateAttributes(record);
    if (applied) RestoreFixups(record);
    return ok;
}

size_t AttributeAreaEnd(std::span<const uint8_t> record)
{
    bytes::ByteReader r(record);
    const uint32_t allocated = r.u32le(0x1C);
    if (!r) return 0;
    return allocated < record.size() ? allocated : record.size();
}

CNTFSAttributeHeader FindAttribute(std::span<const uint8_t> record, uint32_t type, int n)
{
    CNTFSAttributeHeader found;
    if (n < 0) return found;
    int seen = 0;
    WalkAttributes(record, [&](size_t offset, uint32_t length, std::span<const uint8_t> rest) {
        if (length < kMinAttribute || bytes::ByteReader(rest).u32le(0) != type) return true;
        if (seen++ == n) {
            found = MakeView(rest, length, offset);
            return false;
        }
        return true;
    });
    return found;
}

int CountAttributes(std::span<const uint8_t> record, uint32_t type)
{
    int count = 0;
    WalkAttributes(record, [&](size_t, uint32_t length, std::span<const uint8_t> rest) {
        if (length >= kMinAttribute && bytes::ByteReader(rest).u32le(0) == type) ++count;
        return true;
    });
    return count;
}

void IndexAttributes(std::span<const uint8_t> record, AttributeIndex& index)
{
    index.count = 0;
    index.complete = true;
    WalkAttributes(record, [&](size_t offset, uint32_t length, std::span<const uint8_t> rest) {
        if (length < kMinAttribute) return true; // the walk ends after it
        if (index.count == AttributeIndex::kCapacity) {
            index.complete = false;
            return false;
        }
        const size_t n = length < rest.size() ? length : rest.size();
        index.entries[index.count++] = {bytes::ByteReader(rest).u32le(0), uint32_t(offset), uint32_t(n)};
        return true;
    });
}

CNTFSAttributeHeader FindAttribute(std::span<const uint8_t> record, const AttributeIndex& index, uint32_t type, int n)
{
    if (!index.complete) return FindAttribute(record, type, n);
    if (n < 0) return {};
    for (uint32_t i = 0; i < index.count; ++i) {
        const AttributeIndex::Entry& e = index.entries[i];
        if (e.type == type && n-- == 0) return CNTFSAttributeHeader(record.subspan(e.offset, e.length), e.offset);
    }
    return {};
}

int CountAttributes(std::span<const uint8_t> record, const AttributeIndex& index, uint32_t type)
{
    if (!index.complete) return CountAttributes(record, type);
    int count = 0;
    for (uint32_t i = 0; i < index.count; ++i) count += index.entries[i].type == type ? 1 : 0;
    return count;
}

bool IsValidAttributeHeader(std::span<const uint8_t> attribute)
{
    bytes::ByteReader r(attribute);
    const uint32_t type = r.u32le(0);
    const uint64_t length = r.u32le(4);
    const bool nonResident = r.u8(8) != 0;
    if (!r || attribute.size() < kMinAttribute || length > attribute.size()) return false;
    if (!nonResident) {
        if (length < kResidentHeader) return false;
        return uint64_t(r.u16le(0x14)) + r.u32le(0x10) <= length;
    }
    if (length < kNonResidentHeader) return false;
    const uint16_t pairsOffset = r.u16le(0x20);
    if (pairsOffset > length) return false;
    if (type == ntfs::kAttrData)
        return IsValidRunList(attribute.subspan(pairsOffset, static_cast<size_t>(length) - pairsOffset));
    return true;
}

bool ValidateAttributes(std::span<const uint8_t> record)
{
    bool ok = true;
    WalkAttributes(record, [&](size_t, uint32_t length, std::span<const uint8_t> rest) {
        if (length < kMinAttribute || !IsValidAttributeHeader(rest)) {
            ok = false;
            return false;
        }
        if (bytes::ByteReader(rest).u32le(0) == ntfs::kAttrFileName && !IsValidFileNameAttribute(rest)) {
            ok = false;
            return false;
        }
        return true;
    });
    return ok;
}

bool IsValidFileNameAttribute(std::span<const uint8_t> attribute)
{
    if (!IsValidAttributeHeader(attribute)) return false;
    const CNTFSAttributeHeader a = MakeView(attribute, bytes::ByteReader(attribute).u32le(4), 0);
    if (a.GetType() != ntfs::kAttrFileName) return false;
    // The name must lie inside the attribute; a name that runs past it is as bad as a forbidden character.
    const auto nameBytes = a.GetFNNameBytes();
    if (nameBytes.size() != size_t(a.GetFNNameLength()) * 2) return false;
    // Unit by unit as IsValidNtfsFileName takes them, without a copy of the name (every record's names pass
    // here, several times over).
    bytes::ByteReader r(nameBytes);
    for (size_t i = 0; i + 1 < nameBytes.size(); i += 2) {
        const char16_t c = char16_t(r.u16le(i));
        if (c == 0) break;
        if (IsForbiddenNameUnit(c)) return false;
    }
    return true;
}

bool IsValidNtfsFileName(std::u16string_view name)
{
    for (char16_t c : name) {
        if (c == 0) break;
        if (IsForbiddenNameUnit(c)) return false;
    }
    return true;
}

bool CompareFileName(const CNTFSAttributeHeader& fileName, std::u16string_view name)
{
    if (!fileName || fileName.GetFNNameLength() != name.size()) return false;
    bytes::ByteReader r(fileName.GetFNNameBytes());
    if (r.size() != name.size() * 2) return false;
    for (size_t i = 0; i < name.size(); ++i)
        if (char16_t(r.u16le(2 * i)) != name[i]) return false;
    return true;
}
