// Decoding the dynamic-disk database: VBLK blocks into records, records into volumes, components,
// partitions and disks.
#include "filesystems/partitions/LdmDatabaseFormat.h"

#include "core/bytes/ByteReader.h"

#include <algorithm>

namespace {

constexpr size_t kBlockSize = 128;
constexpr size_t kFirstBlockData = 104;   // record data in the first block, from 0x18
constexpr size_t kContinuationData = 112; // record data in a continuation block, from 0x10
constexpr size_t kFirstDataOffset = 0x18;
constexpr size_t kContinuationDataOffset = 0x10;

constexpr uint8_t kTypeComponent = 0x32;
constexpr uint8_t kTypePartition = 0x33;
constexpr uint8_t kTypeDisk = 0x34;
constexpr uint8_t kTypeDiskGuid = 0x44;
constexpr uint8_t kTypeVolume = 0x51;

// Widths of the in-memory text fields; longer texts are cut, the walk consumes them whole.
constexpr size_t kNameWidth = 127;
constexpr size_t kVolumeStateWidth = 14;
constexpr size_t kComponentStateWidth = 14;
constexpr size_t kDriveHintWidth = 19;
constexpr size_t kDiskIdWidth = 64;

struct Continuation {
    VblkHeader header;
    size_t offset; // of the block in the area
};

// A walk through one record's data that never leaves it.
class FieldWalk {
public:
    explicit FieldWalk(std::span<const uint8_t> data) : m_data(data) {}

    uint64_t Number()
    {
        uint64_t value = 0;
        m_pos += LdmReadVarNumber(Rest(), value);
        return value;
    }
    std::string Text(size_t width)
    {
        std::string text;
        m_pos += LdmReadVarString(Rest(), text);
        if (text.size() > width) text.resize(width);
        return text;
    }
    void Skip(size_t n) { m_pos += n; }
    uint8_t U8()
    {
        bytes::ByteReader r(m_data);
        const uint8_t v = r.has(m_pos, 1) ? r.u8(m_pos) : 0;
        m_pos += 1;
        return v;
    }
    uint64_t U64be()
    {
        bytes::ByteReader r(m_data);
        const uint64_t v = r.has(m_pos, 8) ? r.u64be(m_pos) : 0;
        m_pos += 8;
        return v;
    }
    // count bytes as they stand (zeros past the end of the data).
    std::vector<uint8_t> Raw(size_t count)
    {
        std::vector<uint8_t> out(count, 0);
        const auto rest = Rest();
        std::copy_n(rest.begin(), std::min(count, rest.size()), out.begin());
        m_pos += count;
        return out;
    }

private:
    std::span<const uint8_t> Rest() const
    {
        return m_pos < m_data.size() ? m_data.subspan(m_pos) : std::span<const uint8_t>();
    }

    std::span<const uint8_t> m_data;
    size_t m_pos = 0;
};

std::string TextOf(const std::vector<uint8_t>& bytes, size_t width)
{
    std::string text(bytes.begin(), bytes.end());
    const size_t nul = text.find('\0');
    if (nul != std::string::npos) text.resize(nul);
    if (text.size() > width) text.resize(width);
    return text;
}

// value * 512 / sectorSize without overflowing 64 bits on the way.
uint64_t ToDeviceSectors(uint64_t units, int32_t sectorSize)
{
    if (sectorSize <= 0) return units;
    const unsigned __int128 bytes = static_cast<unsigned __int128>(units) * 512u;
    return static_cast<uint64_t>(bytes / static_cast<unsigned>(sectorSize));
}

LdmVolumeRecord DecodeVolume(const LdmRawRecord& raw, int32_t sectorSize)
{
    FieldWalk w(raw.data);
    LdmVolumeRecord v;
    v.objectId = w.Number();
    v.name = w.Text(kNameWidth);
    v.typeText = w.Text(kNameWidth);
    w.Skip(1);
    v.state = TextOf(w.Raw(14), kVolumeStateWidth);
    v.typeCode = w.U8();
    w.Skip(1);
    v.number = w.U8();
    w.Skip(3);
    v.volumeFlags = w.U8();
    v.children = w.Number();
    w.Skip(16);
    v.size = ToDeviceSectors(w.Number(), sectorSize);
    w.Skip(4);
    v.partitionType = w.U8();
    const std::vector<uint8_t> guid = w.Raw(16);
    std::copy(guid.begin(), guid.end(), v.guid.begin());
    if (raw.header.flags == 0x02) v.driveHint = w.Text(kDriveHintWidth);
    return v;
}

LdmComponentRecord DecodeComponent(const LdmRawRecord& raw)
{
    FieldWalk w(raw.data);
    LdmComponentRecord c;
    c.objectId = w.Number();
    c.name = w.Text(kNameWidth);
    c.state = w.Text(kComponentStateWidth);
    c.type = w.U8();
    w.Skip(4);
    c.children = w.Number();
    w.Skip(16);
    c.parentVolumeId = w.Number();
    if (raw.header.flags == 0x10) {
        w.Skip(1);
        c.stripeSize = w.Number();
        c.columns = w.Number();
    }
    return c;
}

LdmPartitionRecord DecodePartition(const LdmRawRecord& raw, int32_t sectorSize)
{
    FieldWalk w(raw.data);
    LdmPartitionRecord p;
    p.objectId = w.Number();
    p.name = w.Text(kNameWidth);
    w.Skip(12);
    p.start = ToDeviceSectors(w.U64be(), sectorSize);
    p.volumeOffset = w.U64be();
    p.size = ToDeviceSectors(w.Number(), sectorSize);
    p.parentComponentId = w.Number();
    p.diskId = w.Number();
    if (raw.header.flags == 0x08 || raw.header.flags == 0x48) p.index = w.Number();
    return p;
}

LdmDiskRecord DecodeDisk(const LdmRawRecord& raw)
{
    FieldWalk w(raw.data);
    LdmDiskRecord d;
    d.objectId = w.Number();
    d.name = w.Text(kNameWidth);
    if (raw.header.type == kTypeDisk) {
        d.diskId = w.Text(kDiskIdWidth);
        d.alternateName = w.Text(kNameWidth);
    } else {
        // The 16 bytes in their stored order, written as the GUID text a PRIVHEAD carries.
        static const char kHex[] = "0123456789abcdef";
        const std::vector<uint8_t> guid = w.Raw(16);
        for (size_t i = 0; i < guid.size(); ++i) {
            if (i == 4 || i == 6 || i == 8 || i == 10) d.diskId += '-';
            d.diskId += kHex[guid[i] >> 4];
            d.diskId += kHex[guid[i] & 15];
        }
    }
    return d;
}

} // namespace

size_t LdmReadVarNumber(std::span<const uint8_t> bytes, uint64_t& value)
{
    value = ~uint64_t(0);
    bytes::ByteReader r(bytes);
    if (r.size() == 0) return 1;
    const uint8_t length = r.u8(0);
    if (length == 0 || length > 64 || length > r.remaining(1)) return 1;
    uint64_t v = 0;
    for (size_t i = length > 8 ? length - 8u : 0; i < length; ++i) v = v << 8 | r.u8(1 + i);
    value = v;
    return 1 + size_t(length);
}

size_t LdmReadVarString(std::span<const uint8_t> bytes, std::string& text)
{
    text.clear();
    bytes::ByteReader r(bytes);
    if (r.size() == 0) return 1;
    const uint8_t length = r.u8(0);
    if (length == 0 || length > r.remaining(1)) return 1;
    const auto chars = r.span(1, length);
    text.assign(chars.begin(), chars.end());
    return 1 + size_t(length);
}

std::vector<LdmRawRecord> ParseVblkArea(std::span<const uint8_t> area)
{
    std::vector<LdmRawRecord> records;
    std::vector<Continuation> continuations;
    bytes::ByteReader reader(area);
    const size_t blocks = area.size() / kBlockSize;
    for (size_t i = 0; i < blocks; ++i) {
        const auto block = reader.span(i * kBlockSize, kBlockSize);
        VblkHeader header;
        if (!DecodeVblkHeader(block, header) || header.group == 0 || header.blockCount == 0) continue;
        if (header.recordNumber == 0) {
            // What the record's blocks can carry bounds what is kept; a longer data length can never be
            // completed and is refused here, before anything is allocated for it.
            const uint64_t capacity = kFirstBlockData + uint64_t(kContinuationData) * (header.blockCount - 1u);
            if (header.blockCount > 1 && header.dataLength > capacity) continue;
            if (header.blockCount > 1 && uint64_t(header.blockCount - 1u) > blocks) continue;
            LdmRawRecord record;
            record.header = header;
            const size_t first = std::min<size_t>(header.dataLength, kFirstBlockData);
            const auto data = block.subspan(kFirstDataOffset, first);
            record.data.assign(data.begin(), data.end());
            records.push_back(std::move(record));
        } else if (header.blockCount > 1) {
            continuations.push_back({header, i * kBlockSize});
        }
    }

    // Join: one pass over the continuation blocks in area order, taking record numbers 1, 2, 3 ... of the group.
    std::vector<LdmRawRecord> kept;
    kept.reserve(records.size());
    for (LdmRawRecord& record : records) {
        if (record.header.blockCount > 1 && record.header.dataLength > kFirstBlockData) {
            uint64_t rest = record.header.dataLength - kFirstBlockData;
            uint32_t found = 0;
            for (const Continuation& c : continuations) {
                if (rest == 0) break;
                if (c.header.group != record.header.group || c.header.recordNumber != found + 1) continue;
                const size_t take = static_cast<size_t>(std::min<uint64_t>(rest, kContinuationData));
                const auto data = reader.span(c.offset + kContinuationDataOffset, take);
                record.data.insert(record.data.end(), data.begin(), data.end());
                rest -= take;
                ++found;
            }
            if (rest > 0 || found != record.header.blockCount - 1u) continue;
        }
        kept.push_back(std::move(record));
    }
    return kept;
}

LdmDatabaseRecords DecodeLdmRecords(const std::vector<LdmRawRecord>& records, int32_t sectorSize)
{
    LdmDatabaseRecords out;
    for (const LdmRawRecord& raw : records) {
        switch (raw.header.type) {
        case kTypeVolume: out.volumes.push_back(DecodeVolume(raw, sectorSize)); break;
        case kTypeComponent: out.components.push_back(DecodeComponent(raw)); break;
        case kTypePartition: out.partitions.push_back(DecodePartition(raw, sectorSize)); break;
        case kTypeDisk:
        case kTypeDiskGuid: out.disks.push_back(DecodeDisk(raw)); break;
        default: break;
        }
    }
    LinkLdmRecords(out);
    return out;
}

void LinkLdmRecords(LdmDatabaseRecords& records)
{
    for (LdmVolumeRecord& volume : records.volumes) {
        volume.components.clear();
        for (size_t c = records.components.size(); c-- > 0;) {
            if (records.components[c].parentVolumeId != volume.objectId) continue;
            volume.components.push_back(c);
        }
    }
    for (LdmComponentRecord& component : records.components) {
        component.partitions.clear();
        for (size_t p = records.partitions.size(); p-- > 0;)
            if (records.partitions[p].parentComponentId == component.objectId) component.partitions.push_back(p);
    }
    for (LdmPartitionRecord& partition : records.partitions) {
        partition.disk = -1;
        for (size_t d = 0; d < records.disks.size(); ++d)
            if (records.disks[d].objectId == partition.diskId) {
                partition.disk = int64_t(d);
                break;
            }
    }
}

std::optional<GptEntryArray> DecodeGptHeader(std::span<const uint8_t> sector)
{
    bytes::ByteReader r(sector);
    if (!r.matches(0, "EFI PART")) return std::nullopt;
    GptEntryArray array;
    array.firstSector = r.u64le(72);
    array.count = r.u32le(80);
    array.entrySize = r.u32le(84);
    if (!r) return std::nullopt;
    return array;
}

std::optional<uint64_t> FindLdmMetadataEntry(std::span<const uint8_t> sector, uint32_t entrySize, uint32_t entries)
{
    static const std::vector<uint8_t> name = [] {
        std::vector<uint8_t> out;
        for (const char* c = "LDM metadata partition"; *c; ++c) {
            out.push_back(static_cast<uint8_t>(*c));
            out.push_back(0);
        }
        return out;
    }();
    bytes::ByteReader r(sector);
    if (entrySize == 0) return std::nullopt;
    for (uint64_t i = 0; i < entries; ++i) {
        const uint64_t at = i * entrySize;
        if (!r.has(at, entrySize)) break;
        bytes::ByteReader entry = r.sub(at, entrySize);
        if (entry.has(32, 16) && entry.u64le(32) != 0 && entry.matches(56, name)) return entry.u64le(40);
    }
    return std::nullopt;
}
