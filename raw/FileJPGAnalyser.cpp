// The JPEG segment walks (JFIF, EXIF and other files), the end-of-image search and the EXIF reader that gives
// the camera texts.
#include "raw/FileJPGAnalyser.h"

#include "core/bytes/ByteReader.h"
#include "raw/FileTIFAnalyser.h"
#include "raw/RawWalk.h"

#include <algorithm>
#include <cctype>
#include <cstring>
#include <set>

using bytes::ByteReader;

namespace {

constexpr size_t kExifHeader = 6; // "Exif" 00 00
constexpr uint16_t kTagMake = 271;
constexpr uint16_t kTagModel = 272;
constexpr uint16_t kTagDateTimeOriginal = 36867;
constexpr uint16_t kTagExifDirectory = 34665;
constexpr uint16_t kTagInteropDirectory = 40965;
constexpr size_t kMakeBytes = 31;
constexpr size_t kModelBytes = 39;
constexpr size_t kDateTimeBytes = 19;
// Directories read per segment at most (a chain of links that never repeats still ends).
constexpr size_t kMaxExifDirectories = 64;

class ExifReader {
public:
    ExifReader(std::span<const uint8_t> tiff, bool bigEndian, ExifInfo& info)
        : m_r(tiff), m_bigEndian(bigEndian), m_info(info)
    {
    }

    bool ReadDirectory(uint64_t at)
    {
        if (!m_visited.insert(at).second) return true; // a cycle: this directory was read already
        if (m_visited.size() > kMaxExifDirectories) return false;
        const uint16_t n = U16(at);
        if (!m_r.has(at, 2 + 12 * uint64_t(n))) return false;
        for (uint16_t i = 0; i < n; ++i) {
            const uint64_t entry = at + 2 + 12 * uint64_t(i);
            const uint16_t tag = U16(entry);
            const uint16_t format = U16(entry + 2);
            const uint32_t components = U32(entry + 4);
            const uint32_t typeSize = GetTiffTypeSize(format);
            if (typeSize == 0) return false;
            const uint64_t byteCount = uint64_t(components) * typeSize;
            uint64_t value = entry + 8;
            if (byteCount > 4) {
                value = U32(entry + 8);
                if (!m_r.has(value, byteCount)) return false;
            }
            switch (tag) {
            case kTagMake: m_info.make = Text(value, byteCount, kMakeBytes); break;
            case kTagModel: m_info.model = Text(value, byteCount, kModelBytes); break;
            case kTagDateTimeOriginal: m_info.dateTime = Text(value, byteCount, kDateTimeBytes); break;
            case kTagExifDirectory:
            case kTagInteropDirectory: {
                const uint32_t link = U32(entry + 8);
                if (!m_r.has(link, 2) || !ReadDirectory(link)) return false;
                break;
            }
            default: break;
            }
        }
        // The link to the next directory (a u32 like every offset of the format).
        const uint64_t nextAt = at + 2 + 12 * uint64_t(n);
        const uint32_t next = m_r.has(nextAt, 4) ? U32(nextAt) : 0;
        if (next == 0) return true;
        if (!m_r.has(next, 2)) return false;
        return ReadDirectory(next);
    }

private:
    uint16_t U16(uint64_t at) { return m_bigEndian ? m_r.u16be(at) : m_r.u16le(at); }
    uint32_t U32(uint64_t at) { return m_bigEndian ? m_r.u32be(at) : m_r.u32le(at); }
    // At most limit bytes of the value, ended by its first zero byte.
    std::string Text(uint64_t at, uint64_t byteCount, size_t limit)
    {
        const std::span<const uint8_t> bytes = m_r.span(at, std::min<uint64_t>(byteCount, limit));
        std::string text(reinterpret_cast<const char*>(bytes.data()), bytes.size());
        return text.substr(0, text.find('\0'));
    }

    ByteReader m_r;
    bool m_bigEndian;
    ExifInfo& m_info;
    std::set<uint64_t> m_visited;
};

} // namespace

bool ReadExifSegment(std::span<const uint8_t> data, ExifInfo& info)
{
    ByteReader r(data);
    static constexpr uint8_t kExif[kExifHeader] = {'E', 'x', 'i', 'f', 0, 0};
    if (!r.matches(0, kExif)) return false;
    ByteReader t = r.sub(kExifHeader, r.remaining(kExifHeader));
    bool bigEndian;
    if (t.matches(0, "II"))
        bigEndian = false;
    else if (t.matches(0, "MM"))
        bigEndian = true;
    else
        return false;
    const uint16_t magic = bigEndian ? t.u16be(2) : t.u16le(2);
    const uint32_t first = bigEndian ? t.u32be(4) : t.u32le(4);
    if (!t || magic != 42 || first < 8 || first > 16) return false;
    ExifReader reader(t.data(), bigEndian, info);
    return reader.ReadDirectory(first);
}

int FileJPGAnalyser::IsMatch(const uint8_t* sector, CRawFileInfo* hit)
{
    return MatchRawSignature(RawSignature::JPG, sector, hit);
}

namespace {

enum class JpegWalk { Jfif, Exif, Other };

bool MatchesCi(ByteReader& r, uint64_t at, const char* text)
{
    const size_t n = std::strlen(text);
    const std::span<const uint8_t> bytes = r.span(at, n);
    if (bytes.size() != n) return false;
    for (size_t i = 0; i < n; ++i)
        if (std::tolower(bytes[i]) != std::tolower(static_cast<unsigned char>(text[i]))) return false;
    return true;
}

// Searches FF D9 from sos for a marker that starts within span bytes; the size up to and with the marker, or
// sos + span + 2 when it is not found; a read that fails ends the search where it stands.
uint64_t FindEndOfImage(RawWalk& walk, uint64_t sos, uint64_t span)
{
    RawSectorReader& reader = walk.Reader();
    uint64_t i = 0;
    while (i < span) {
        walk.Step();
        const std::span<const uint8_t> bytes = reader.GetSpan(sos + i);
        if (bytes.size() < 2) break;
        // Markers that start before span; the span's last byte is looked at again with the next span.
        const size_t window = static_cast<size_t>(std::min<uint64_t>(bytes.size(), span - i + 1));
        const auto* marker = static_cast<const uint8_t*>(memmem(bytes.data(), window, "\xFF\xD9", 2));
        if (marker != nullptr) return sos + i + static_cast<uint64_t>(marker - bytes.data()) + 2;
        i += window - 1;
    }
    return sos + std::min(i, span) + 2;
}

} // namespace

int FileJPGAnalyser::Analyse(CRawFileInfo* hit, IStorageDevice* device)
{
    m_namePrefix.clear();
    m_extraText.clear();
    return RunRawWalk(hit, device, [this](RawWalk& walk) {
        RawSectorReader& reader = walk.Reader();
        ByteReader head = reader.GetReader(0);
        if (!head.has(0, 10) || head.u8(2) != 0xFF) return 0;
        JpegWalk kind = JpegWalk::Other;
        if (MatchesCi(head, 6, "JFIF")) {
            if (!head.matches(6, "JFIF")) return 0;
            kind = JpegWalk::Jfif;
        } else if (MatchesCi(head, 6, "Exif")) {
            kind = JpegWalk::Exif;
            // The APP1 segment at 2 lies wholly in the first block (at most 2 + 65,535 bytes).
            const uint16_t length = head.u16be(4);
            ExifInfo info;
            if (length >= 2 && head.has(6, length - 2) && ReadExifSegment(head.span(6, length - 2), info)) {
                const std::string& prefix = info.model.find('<') != std::string::npos ? info.make : info.model;
                if (!prefix.empty()) m_namePrefix = CleanRawNamePrefix(prefix);
                m_extraText = info.dateTime;
                walk.Hit()->SetNamePrefix(m_namePrefix);
                walk.Hit()->SetExtraText(m_extraText);
            }
        }

        uint64_t offset = 2;
        uint64_t width = 0;
        uint64_t height = 0;
        bool frame = false;
        while (true) {
            if (!walk.WithinBound(offset)) {
                walk.Hit()->SetSize(offset);
                return 1;
            }
            walk.Step();
            ByteReader s = reader.GetReader(offset);
            const uint8_t marker = s.u8(1);
            uint64_t length = s.u16be(2);
            if (!s) return 0;
            const bool progressive = marker == 0xC2;
            if (marker == 0xC0 || (progressive && width * height == 0)) {
                if (s.u8(4) != 8) return 0;
                height = s.u16be(5);
                width = s.u16be(7);
                if (kind == JpegWalk::Other && s.u8(9) != 3) return 0;
                if (!s) return 0;
                frame = true;
            } else if (marker == 0xDA) {
                const uint8_t components = s.u8(4);
                if (!frame || !s) return 0;
                if (kind == JpegWalk::Other && components != 3) return 0;
                break;
            } else if (marker == 0xFF) {
                length = 0;
            }
            offset += 2 + length;
        }
        // The entropy-coded data of a frame is no longer than its pixels at three bytes each.
        const uint64_t limit = walk.Limit();
        const uint64_t room = offset < limit ? limit - offset : 0;
        walk.Hit()->SetSize(FindEndOfImage(walk, offset, std::min(width * height * 3, room)));
        return 1;
    });
}
