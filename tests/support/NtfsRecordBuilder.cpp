// Byte-by-byte builders of NTFS structures for tests.
#include "tests/support/NtfsRecordBuilder.h"

#include <stdexcept>

namespace testsupport {

void PutLe(Bytes& b, size_t offset, uint64_t value, unsigned width)
{
    if (b.size() < offset + width) b.resize(offset + width, 0);
    for (unsigned i = 0; i < width; ++i) b[offset + i] = uint8_t(value >> (8 * i));
}

uint64_t GetLe(const Bytes& b, size_t offset, unsigned width)
{
    uint64_t v = 0;
    for (unsigned i = 0; i < width; ++i) v |= uint64_t(b.at(offset + i)) << (8 * i);
    return v;
}

namespace {

size_t Align8(size_t v)
{
    return (v + 7) & ~size_t(7);
}

void PutName(Bytes& b, size_t offset, const std::u16string& name)
{
    for (size_t i = 0; i < name.size(); ++i) PutLe(b, offset + 2 * i, name[i], 2);
}

unsigned SignedWidth(int64_t v)
{
    for (unsigned n = 1; n < 8; ++n) {
        const int64_t lim = int64_t(1) << (8 * n - 1);
        if (v >= -lim && v < lim) return n;
    }
    return 8;
}

} // namespace

Bytes MakeNtfsBootSector(uint16_t bytesPerSector, uint8_t sectorsPerCluster, int8_t clustersPerRecord,
                         uint64_t totalSectors, uint64_t mftCluster, uint64_t mftMirrCluster, uint64_t serial)
{
    Bytes b(512, 0);
    b[0] = 0xEB;
    b[1] = 0x52;
    b[2] = 0x90;
    const char oem[] = "NTFS    ";
    for (int i = 0; i < 8; ++i) b[3 + i] = uint8_t(oem[i]);
    PutLe(b, 0x0B, bytesPerSector, 2);
    b[0x0D] = sectorsPerCluster;
    b[0x15] = 0xF8;
    PutLe(b, 0x18, 63, 2);
    PutLe(b, 0x1A, 255, 2);
    PutLe(b, 0x24, 0x00800080, 4);
    PutLe(b, 0x28, totalSectors, 8);
    PutLe(b, 0x30, mftCluster, 8);
    PutLe(b, 0x38, mftMirrCluster, 8);
    b[0x40] = uint8_t(clustersPerRecord);
    b[0x44] = 1;
    PutLe(b, 0x48, serial, 8);
    b[510] = 0x55;
    b[511] = 0xAA;
    return b;
}

Bytes NtfsPackRuns(const std::vector<NtfsTestRun>& runs)
{
    Bytes out;
    int64_t previous = 0;
    for (const NtfsTestRun& r : runs) {
        const unsigned lw = SignedWidth(int64_t(r.length));
        const bool sparse = r.lcn < 0;
        const int64_t delta = sparse ? 0 : r.lcn - previous;
        const unsigned ow = sparse ? 0 : SignedWidth(delta);
        out.push_back(uint8_t(ow << 4 | lw));
        for (unsigned i = 0; i < lw; ++i) out.push_back(uint8_t(r.length >> (8 * i)));
        for (unsigned i = 0; i < ow; ++i) out.push_back(uint8_t(uint64_t(delta) >> (8 * i)));
        if (!sparse) previous = r.lcn;
    }
    out.push_back(0);
    return out;
}

Bytes NtfsStandardInformationValue(uint32_t fileAttributes, const NtfsTimes& t)
{
    Bytes v(72, 0);
    PutLe(v, 0, t.creation, 8);
    PutLe(v, 8, t.modification, 8);
    PutLe(v, 16, t.mftChange, 8);
    PutLe(v, 24, t.access, 8);
    PutLe(v, 32, fileAttributes, 4);
    return v;
}

Bytes NtfsFileNameValue(uint64_t parentReference, const std::u16string& name, uint8_t nameSpace, uint32_t flags,
                        uint64_t realSize, const NtfsTimes& t)
{
    Bytes v(66 + 2 * name.size(), 0);
    PutLe(v, 0, parentReference, 8);
    PutLe(v, 8, t.creation, 8);
    PutLe(v, 16, t.modification, 8);
    PutLe(v, 24, t.mftChange, 8);
    PutLe(v, 32, t.access, 8);
    PutLe(v, 40, (realSize + 4095) & ~uint64_t(4095), 8);
    PutLe(v, 48, realSize, 8);
    PutLe(v, 56, flags, 4);
    v[64] = uint8_t(name.size());
    v[65] = nameSpace;
    PutName(v, 66, name);
    return v;
}

Bytes NtfsAttributeListEntry(uint32_t type, uint64_t recordReference, uint64_t startVcn, uint16_t id)
{
    Bytes e(32, 0);
    PutLe(e, 0, type, 4);
    PutLe(e, 4, 32, 2);
    e[6] = 0;
    e[7] = 0x1A;
    PutLe(e, 8, startVcn, 8);
    PutLe(e, 16, recordReference, 8);
    PutLe(e, 24, id, 2);
    return e;
}

NtfsRecordBuilder::NtfsRecordBuilder(uint32_t recordSize) : m_size(recordSize)
{
    const size_t count = recordSize / 512 + 1;
    m_firstAttribute = uint16_t(Align8(0x30 + 2 * count));
}

NtfsRecordBuilder& NtfsRecordBuilder::Flags(uint16_t flags)
{
    m_flags = flags;
    return *this;
}
NtfsRecordBuilder& NtfsRecordBuilder::RecordNumber(uint32_t n)
{
    m_recordNumber = n;
    return *this;
}
NtfsRecordBuilder& NtfsRecordBuilder::BaseReference(uint64_t r)
{
    m_base = r;
    return *this;
}
NtfsRecordBuilder& NtfsRecordBuilder::Lsn(uint64_t lsn)
{
    m_lsn = lsn;
    return *this;
}
NtfsRecordBuilder& NtfsRecordBuilder::UpdateSequenceNumber(uint16_t usn)
{
    m_usn = usn;
    return *this;
}
NtfsRecordBuilder& NtfsRecordBuilder::FirstAttributeOffset(uint16_t o)
{
    m_firstAttribute = o;
    return *this;
}

NtfsRecordBuilder& NtfsRecordBuilder::AddResident(uint32_t type, const Bytes& value, const std::u16string& name,
                                                  uint16_t flags)
{
    const size_t nameOffset = 0x18;
    const size_t valueOffset = Align8(nameOffset + 2 * name.size());
    Bytes a(Align8(valueOffset + value.size()), 0);
    PutLe(a, 0, type, 4);
    PutLe(a, 4, a.size(), 4);
    a[8] = 0;
    a[9] = uint8_t(name.size());
    PutLe(a, 0x0A, name.empty() ? 0 : nameOffset, 2);
    PutLe(a, 0x0C, flags, 2);
    PutLe(a, 0x0E, m_attributes.size(), 2);
    PutLe(a, 0x10, value.size(), 4);
    PutLe(a, 0x14, valueOffset, 2);
    PutName(a, nameOffset, name);
    std::copy(value.begin(), value.end(), a.begin() + long(valueOffset));
    m_attributes.push_back(a);
    return *this;
}

NtfsRecordBuilder& NtfsRecordBuilder::AddNonResident(uint32_t type, const Bytes& pairs, uint64_t startVcn,
                                                     uint64_t lastVcn, uint64_t allocatedSize, uint64_t dataSize,
                                                     uint64_t initializedSize, const std::u16string& name,
                                                     uint16_t flags)
{
    const size_t nameOffset = 0x40;
    const size_t pairsOffset = Align8(nameOffset + 2 * name.size());
    Bytes a(Align8(pairsOffset + pairs.size()), 0);
    PutLe(a, 0, type, 4);
    PutLe(a, 4, a.size(), 4);
    a[8] = 1;
    a[9] = uint8_t(name.size());
    PutLe(a, 0x0A, name.empty() ? 0 : nameOffset, 2);
    PutLe(a, 0x0C, flags, 2);
    PutLe(a, 0x0E, m_attributes.size(), 2);
    PutLe(a, 0x10, startVcn, 8);
    PutLe(a, 0x18, lastVcn, 8);
    PutLe(a, 0x20, pairsOffset, 2);
    PutLe(a, 0x28, allocatedSize, 8);
    PutLe(a, 0x30, dataSize, 8);
    PutLe(a, 0x38, initializedSize, 8);
    PutName(a, nameOffset, name);
    std::copy(pairs.begin(), pairs.end(), a.begin() + long(pairsOffset));
    m_attributes.push_back(a);
    return *this;
}

NtfsRecordBuilder& NtfsRecordBuilder::AddStandardInformation(uint32_t fileAttributes, const NtfsTimes& times)
{
    return AddResident(0x10, NtfsStandardInformationValue(fileAttributes, times));
}

NtfsRecordBuilder& NtfsRecordBuilder::AddFileName(uint64_t parent, const std::u16string& name, uint8_t nameSpace,
                                                  uint32_t flags, uint64_t realSize, const NtfsTimes& times)
{
    return AddResident(0x30, NtfsFileNameValue(parent, name, nameSpace, flags, realSize, times));
}

NtfsRecordBuilder& NtfsRecordBuilder::AddRaw(const Bytes& attribute)
{
    m_attributes.push_back(attribute);
    return *this;
}

Bytes NtfsRecordBuilder::BuildPlain() const
{
    Bytes r(m_size, 0);
    const char magic[] = "FILE";
    for (int i = 0; i < 4; ++i) r[i] = uint8_t(magic[i]);
    const size_t count = m_size / 512 + 1;
    PutLe(r, 4, 0x30, 2);
    PutLe(r, 6, count, 2);
    PutLe(r, 8, m_lsn, 8);
    PutLe(r, 0x10, 1, 2);
    PutLe(r, 0x12, 1, 2);
    PutLe(r, 0x14, m_firstAttribute, 2);
    PutLe(r, 0x16, m_flags, 2);
    PutLe(r, 0x1C, m_size, 4);
    PutLe(r, 0x20, m_base, 8);
    PutLe(r, 0x28, m_attributes.size(), 2);
    PutLe(r, 0x2C, m_recordNumber, 4);
    PutLe(r, 0x30, m_usn, 2);
    size_t at = m_firstAttribute;
    m_offsets.clear();
    for (const Bytes& a : m_attributes) {
        if (at + a.size() + 8 > m_size) throw std::length_error("attributes do not fit the record");
        m_offsets.push_back(at);
        std::copy(a.begin(), a.end(), r.begin() + long(at));
        at += a.size();
    }
    PutLe(r, at, 0xFFFFFFFF, 4);
    PutLe(r, 0x18, at + 8, 4);
    return r;
}

Bytes NtfsRecordBuilder::Build() const
{
    Bytes r = BuildPlain();
    NtfsProtect(r, m_usn);
    return r;
}

void NtfsProtect(Bytes& block, uint16_t usn)
{
    const size_t offset = GetLe(block, 4, 2);
    const size_t count = GetLe(block, 6, 2);
    PutLe(block, offset, usn, 2);
    for (size_t i = 1; i < count && i * 512 <= block.size(); ++i) {
        const size_t end = i * 512 - 2;
        PutLe(block, offset + 2 * i, GetLe(block, end, 2), 2);
        PutLe(block, end, usn, 2);
    }
}

Bytes NtfsIndexEntry(uint64_t fileReference, uint64_t parentReference, const std::u16string& name, uint16_t flags,
                     uint64_t allocatedSize, uint64_t realSize)
{
    Bytes key = NtfsFileNameValue(parentReference, name, 1, 0, realSize);
    PutLe(key, 40, allocatedSize, 8);
    Bytes e(Align8(16 + key.size()), 0);
    PutLe(e, 0, fileReference, 8);
    PutLe(e, 8, e.size(), 2);
    PutLe(e, 10, key.size(), 2);
    PutLe(e, 12, flags, 2);
    std::copy(key.begin(), key.end(), e.begin() + 16);
    return e;
}

Bytes NtfsIndexEnd()
{
    Bytes e(16, 0);
    PutLe(e, 8, 16, 2);
    PutLe(e, 12, 2, 2);
    return e;
}

Bytes NtfsIndxRecord(const std::vector<Bytes>& entries, uint32_t recordSize, uint64_t vcn, uint64_t lsn, uint16_t usn)
{
    Bytes r(recordSize, 0);
    const char magic[] = "INDX";
    for (int i = 0; i < 4; ++i) r[i] = uint8_t(magic[i]);
    const size_t count = recordSize / 512 + 1;
    PutLe(r, 4, 0x28, 2);
    PutLe(r, 6, count, 2);
    PutLe(r, 8, lsn, 8);
    PutLe(r, 0x10, vcn, 8);
    const size_t entriesOffset = Align8(0x28 + 2 * count) - 0x18;
    size_t at = 0x18 + entriesOffset;
    for (const Bytes& e : entries) {
        std::copy(e.begin(), e.end(), r.begin() + long(at));
        at += e.size();
    }
    PutLe(r, 0x18, entriesOffset, 4);
    PutLe(r, 0x1C, at - 0x18, 4);
    PutLe(r, 0x20, recordSize - 0x18, 4);
    NtfsProtect(r, usn);
    return r;
}

Bytes NtfsIndexRootValue(const std::vector<Bytes>& entries)
{
    Bytes v(32, 0);
    PutLe(v, 0, 0x30, 4); // indexed attribute type: $FILE_NAME
    PutLe(v, 4, 1, 4);    // collation: file name
    PutLe(v, 8, 4096, 4); // index record size
    v[12] = 1;            // clusters per index record
    size_t at = 32;
    for (const Bytes& e : entries) {
        v.insert(v.end(), e.begin(), e.end());
        at += e.size();
    }
    PutLe(v, 16, 16, 4);      // entries offset from the index header
    PutLe(v, 20, at - 16, 4); // used size
    PutLe(v, 24, at - 16, 4); // allocated size
    return v;
}

} // namespace testsupport
