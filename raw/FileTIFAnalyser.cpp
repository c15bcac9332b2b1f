// The TIFF measurement: the first directory's extent (entries and out-of-line values), its strips and those of the
// second sub-directory; the model names Nikon raw files.
#include "raw/FileTIFAnalyser.h"

#include "core/bytes/ByteReader.h"
#include "raw/RawWalk.h"

#include <algorithm>
#include <vector>

namespace {

constexpr uint16_t kTagModel = 272;
constexpr uint16_t kTagStripOffsets = 273;
constexpr uint16_t kTagStripByteCounts = 279;
constexpr uint16_t kTagSubDirectories = 330;
constexpr uint16_t kMaxEntries = 512;
constexpr size_t kEntrySize = 12;
// Text values are copied up to this many bytes and always end with a zero.
constexpr size_t kMaxTextBytes = 63;
// Strip arrays longer than this are read only this far.
constexpr uint32_t kMaxStrips = 1u << 18;

struct TiffEntry {
    uint16_t tag = 0;
    uint16_t format = 0;
    uint32_t count = 0;
    uint32_t value = 0;    // the field as a u32 in the file's order
    uint8_t field[4] = {}; // the field's bytes as stored
    uint64_t Bytes() const { return uint64_t(count) * GetTiffTypeSize(format); }
};

class TiffMeasure {
public:
    TiffMeasure(RawWalk& walk, bool bigEndian) : m_walk(walk), m_bigEndian(bigEndian) {}

    // Reads the directory at offset: its entries, or false when it cannot be read or has more than 512.
    bool ReadDirectory(uint64_t offset, std::vector<TiffEntry>& entries)
    {
        uint8_t countBytes[2];
        if (!m_walk.Reader().Read(offset, countBytes, 2)) return false;
        const uint16_t n = U16(countBytes);
        if (n > kMaxEntries) return false;
        std::vector<uint8_t> raw(size_t(n) * kEntrySize);
        if (!m_walk.Reader().Read(offset + 2, raw.data(), raw.size())) return false;
        entries.resize(n);
        for (uint16_t i = 0; i < n; ++i) {
            m_walk.Step();
            const uint8_t* e = raw.data() + size_t(i) * kEntrySize;
            TiffEntry& entry = entries[i];
            entry.tag = U16(e);
            entry.format = U16(e + 2);
            entry.count = U32(e + 4);
            entry.value = U32(e + 8);
            std::copy(e + 8, e + 12, entry.field);
        }
        // The directory reaches its link to the next one and every value stored outside it.
        Reach(offset + 2 + uint64_t(n) * kEntrySize + 4);
        for (const TiffEntry& entry : entries)
            if (entry.Bytes() > 4) Reach(uint64_t(entry.value) + entry.Bytes());
        return true;
    }

    // The strips of a directory reach as far as the largest offset + byte count. With one strip both values stand
    // in the entries; with several, the entries point to arrays.
    void ReachStrips(const std::vector<TiffEntry>& entries)
    {
        const TiffEntry* offsets = nullptr;
        const TiffEntry* counts = nullptr;
        for (const TiffEntry& entry : entries) {
            if (entry.tag == kTagStripOffsets) offsets = &entry;
            if (entry.tag == kTagStripByteCounts) counts = &entry;
        }
        if (offsets == nullptr || counts == nullptr) return;
        const std::vector<uint64_t> starts = Values(*offsets);
        const std::vector<uint64_t> lengths = Values(*counts);
        for (size_t i = 0; i < std::min(starts.size(), lengths.size()); ++i) Reach(starts[i] + lengths[i]);
    }

    // A text value: at most 63 bytes, up to its first zero.
    std::string Text(const TiffEntry& entry)
    {
        const size_t n = static_cast<size_t>(std::min<uint64_t>(entry.count, kMaxTextBytes));
        std::string text(n, '\0');
        if (n <= 4)
            std::copy(entry.field, entry.field + n, text.begin());
        else if (!m_walk.Reader().Read(entry.value, text.data(), n))
            return {};
        return text.substr(0, text.find('\0'));
    }

    // The u32 at offset, or 0 when it cannot be read.
    uint32_t U32At(uint64_t offset)
    {
        uint8_t b[4];
        return m_walk.Reader().Read(offset, b, 4) ? U32(b) : 0;
    }

    uint64_t End() const { return m_end; }

private:
    uint16_t U16(const uint8_t* p) const
    {
        return m_bigEndian ? uint16_t(p[0] << 8 | p[1]) : uint16_t(p[1] << 8 | p[0]);
    }
    uint32_t U32(const uint8_t* p) const { return m_bigEndian ? bytes::LoadU32be(p) : bytes::LoadU32le(p); }

    void Reach(uint64_t end) { m_end = std::max(m_end, end); }

    // The short or long values of an entry (at most kMaxStrips): from the field when they fit in it, else from
    // the offset it holds. Empty for other formats or when they cannot be read.
    std::vector<uint64_t> Values(const TiffEntry& entry)
    {
        const uint32_t size = GetTiffTypeSize(entry.format);
        if (entry.format != 3 && entry.format != 4) return {};
        const uint32_t count = std::min(entry.count, kMaxStrips);
        std::vector<uint8_t> raw(size_t(count) * size);
        if (entry.Bytes() <= 4)
            std::copy(entry.field, entry.field + raw.size(), raw.begin());
        else if (!m_walk.Reader().Read(entry.value, raw.data(), raw.size()))
            return {};
        std::vector<uint64_t> values(count);
        for (uint32_t i = 0; i < count; ++i)
            values[i] = size == 2 ? U16(raw.data() + 2 * size_t(i)) : U32(raw.data() + 4 * size_t(i));
        return values;
    }

    RawWalk& m_walk;
    bool m_bigEndian;
    uint64_t m_end = 0;
};

} // namespace

uint32_t GetTiffTypeSize(uint16_t format)
{
    switch (format) {
    case 1:
    case 2:
    case 6:
    case 7: return 1;
    case 3:
    case 8: return 2;
    case 4:
    case 9:
    case 11: return 4;
    case 5:
    case 10:
    case 12: return 8;
    default: return 0;
    }
}

int FileTIFAnalyser::IsMatch(const uint8_t* sector, CRawFileInfo* hit)
{
    return MatchRawSignature(RawSignature::TIF, sector, hit);
}

int FileTIFAnalyser::Analyse(CRawFileInfo* hit, IStorageDevice* device)
{
    m_namePrefix.clear();
    m_extraText.clear();
    return RunRawWalk(hit, device, [this](RawWalk& walk) {
        uint8_t header[8];
        if (!walk.Reader().Read(0, header, sizeof header)) return 0;
        const bool bigEndian = header[0] == 'M';
        const uint32_t first = bigEndian ? bytes::LoadU32be(header + 4) : bytes::LoadU32le(header + 4);
        walk.Hit()->SetSize(0);
        if (first > walk.MaxSize()) return 1;

        TiffMeasure measure(walk, bigEndian);
        std::vector<TiffEntry> entries;
        if (!measure.ReadDirectory(first, entries)) return 1;
        measure.ReachStrips(entries);
        std::string model;
        for (const TiffEntry& entry : entries) {
            if (entry.tag == kTagModel) model = measure.Text(entry);
            if (entry.tag == kTagSubDirectories && entry.count == 2) {
                // Nikon files keep the raw image in the second sub-directory.
                std::vector<TiffEntry> sub;
                const uint32_t second = measure.U32At(uint64_t(entry.value) + 4);
                if (second != 0 && measure.ReadDirectory(second, sub)) measure.ReachStrips(sub);
            }
        }
        if (model.starts_with("NIKON")) {
            walk.Hit()->SetFileType(RawType::kNEF);
            m_namePrefix = CleanRawNamePrefix(model);
            walk.Hit()->SetNamePrefix(m_namePrefix);
            walk.Hit()->SetExtraText(m_extraText);
        }
        walk.Hit()->SetSize(measure.End());
        return 1;
    });
}
