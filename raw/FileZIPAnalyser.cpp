// The ZIP walk: local headers (stepping over each entry's data, or searching its data descriptor), the central
// directory and the end record; the entry names tell packages and drawings from plain archives.
#include "raw/FileZIPAnalyser.h"

#include "core/bytes/ByteReader.h"
#include "raw/RawWalk.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <string_view>

using bytes::ByteReader;

namespace {

constexpr uint32_t kLocalHeader = 0x04034B50;
constexpr uint32_t kCentralHeader = 0x02014B50;
constexpr uint32_t kEndRecord = 0x06054B50;
constexpr uint32_t kDataDescriptor = 0x08074B50;
constexpr size_t kLocalFixed = 30;
constexpr size_t kCentralFixed = 46;
constexpr size_t kEndFixed = 22;
constexpr uint16_t kMaxMethod = 10;
constexpr uint16_t kMaxLocalNameLength = 1040;
// No name compared is longer than 31 bytes.
constexpr size_t kComparedNameBytes = 32;

struct PackagePart {
    std::string_view name;
    int type;
};
constexpr std::array<PackagePart, 3> kPackageParts = {{
    {"word/_rels/document.xml.rels", RawType::kDOCX},
    {"xl/_rels/workbook.xml.rels", RawType::kXLSX},
    {"ppt/_rels/presentation.xml.rels", RawType::kPPTX},
}};

// The entry name at offset: length bytes, ended early by a zero byte. Only the first kComparedNameBytes are
// taken: a longer name can never equal a compared one.
std::string_view EntryName(ByteReader& r, uint64_t offset, uint16_t length)
{
    const std::span<const uint8_t> name = r.span(offset, std::min<size_t>(length, kComparedNameBytes));
    std::string_view text(reinterpret_cast<const char*>(name.data()), name.size());
    return text.substr(0, text.find('\0'));
}

// The type a package part's name points to: a name in the folder word/ (DOCX), xl/ (XLSX) or ppt/ (PPTX); 0 otherwise.
int PackagePartFolderType(std::string_view name)
{
    if (name.starts_with("word/")) return RawType::kDOCX;
    if (name.starts_with("xl/")) return RawType::kXLSX;
    return name.starts_with("ppt/") ? RawType::kPPTX : 0;
}

bool IsRecordSignature(uint32_t signature)
{
    return signature == kLocalHeader || signature == kCentralHeader || signature == kEndRecord;
}

} // namespace

bool IsZipRecord(std::span<const uint8_t> record)
{
    ByteReader r(record);
    switch (r.u32le(0)) {
    case kCentralHeader: return r.has(0, kCentralFixed);
    case kEndRecord: return r.has(0, kEndFixed);
    case kLocalHeader: return r.has(0, kLocalFixed) && r.u16le(8) <= kMaxMethod && r.u16le(26) <= kMaxLocalNameLength;
    default: return false;
    }
}

void NoteZipPackageParts(std::span<const uint8_t> record, ZipPackageParts& parts)
{
    ByteReader r(record);
    const uint32_t signature = r.u32le(0);
    if ((signature != kLocalHeader && signature != kCentralHeader) || !IsZipRecord(record)) return;
    const bool local = signature == kLocalHeader;
    const std::string_view name = EntryName(r, local ? kLocalFixed : kCentralFixed, r.u16le(local ? 26 : 28));
    if (name == "[Content_Types].xml") parts.contentTypes = true;
    int type = 0;
    GetZipRecordLength(record, true, type);
    if (type != 0) parts.mainPartType = type;
    if (parts.folderType == 0) parts.folderType = PackagePartFolderType(name);
}

int ZipPackageParts::Type() const
{
    if (!contentTypes) return 0;
    return mainPartType != 0 ? mainPartType : folderType;
}

uint64_t GetZipRecordLength(std::span<const uint8_t> record, bool package, int& type)
{
    if (!IsZipRecord(record)) return 0;
    ByteReader r(record);
    const uint32_t signature = r.u32le(0);
    if (signature == kEndRecord) return kEndFixed + uint64_t(r.u16le(20));

    const bool local = signature == kLocalHeader;
    const uint16_t nameLength = r.u16le(local ? 26 : 28);
    uint64_t length = local ? kLocalFixed + uint64_t(nameLength) + r.u16le(28) + r.u32le(18)
                            : kCentralFixed + uint64_t(nameLength) + r.u16le(30) + r.u16le(32);
    if (package) {
        const std::string_view name = EntryName(r, local ? kLocalFixed : kCentralFixed, nameLength);
        for (const PackagePart& part : kPackageParts)
            if (name == part.name) type = part.type;
    }
    return length;
}

bool HasZipDataDescriptor(std::span<const uint8_t> record)
{
    ByteReader r(record);
    return r.u32le(0) == kLocalHeader && (r.u16le(6) & 0x0008) != 0 && r.ok();
}

uint64_t MatchZipDataDescriptor(std::span<const uint8_t> window, uint64_t dataLength)
{
    ByteReader r(window);
    if (r.u32le(0) == kDataDescriptor) {
        const bool narrow = dataLength <= UINT32_MAX && r.has(0, 16) && r.u32le(8) == dataLength;
        const bool wide = r.has(0, 24) && r.u64le(8) == dataLength;
        // Small sizes fit both forms; the record behind the descriptor tells which one it is.
        if (narrow && (!wide || IsRecordSignature(r.u32le(16)))) return 16;
        return wide ? 24 : 0;
    }
    // Without its signature a descriptor is told by the record that follows it.
    if (dataLength <= UINT32_MAX && r.has(0, 16) && r.u32le(4) == dataLength && IsRecordSignature(r.u32le(12)))
        return 12;
    if (r.has(0, 24) && r.u64le(4) == dataLength && IsRecordSignature(r.u32le(20))) return 20;
    return 0;
}

int FileZIPAnalyser::IsMatch(const uint8_t* sector, CRawFileInfo* hit)
{
    return MatchRawSignature(RawSignature::ZIP, sector, hit);
}

void FileZIPAnalyser::ReadPackageFlags(std::span<const uint8_t> firstRecord)
{
    m_package = false;
    m_drawing = false;
    ByteReader r(firstRecord);
    if (r.u32le(0) != kLocalHeader || !r.has(0, kLocalFixed)) return;
    const uint16_t nameLength = r.u16le(26);
    const std::string_view name = EntryName(r, kLocalFixed, nameLength);
    m_package = name == "[Content_Types].xml";
    m_drawing = name == "content/riffData.cdr";
}

namespace {

// The end of an entry whose sizes follow its data: the first place from dataStart where a data descriptor that
// matches the distance travelled ends, searched up to the walk's limit; 0 when there is none.
uint64_t FindDescribedDataEnd(RawWalk& walk, uint64_t dataStart)
{
    RawSectorReader& reader = walk.Reader();
    const uint64_t limit = walk.Limit();
    // A descriptor without signature starts 12 (or 20) bytes before the "PK" of the record that follows it.
    constexpr uint64_t kLookBehind = 20;
    std::array<uint8_t, 48> window{};
    uint64_t at = dataStart;
    while (at < limit && walk.WithinBound(at)) {
        walk.Step();
        const std::span<const uint8_t> bytes = reader.GetSpan(at);
        if (bytes.size() < 2) return 0;
        // Every "PK" that starts before the limit; the last byte of the span is looked at again with the next.
        const size_t scan = static_cast<size_t>(std::min<uint64_t>(bytes.size(), limit - at + 1));
        const auto* hit = static_cast<const uint8_t*>(memmem(bytes.data(), scan, "PK", 2));
        if (hit == nullptr) {
            at += scan - 1;
            continue;
        }
        const uint64_t pk = at + static_cast<uint64_t>(hit - bytes.data());
        at = pk + 1;
        // Every candidate start of a descriptor that this "PK" may belong to, earliest first.
        for (const uint64_t back : {kLookBehind, uint64_t(12), uint64_t(0)}) {
            if (pk - dataStart < back) continue;
            const uint64_t start = pk - back;
            window.fill(0);
            const size_t got = static_cast<size_t>(std::min<uint64_t>(window.size(), limit - start));
            reader.Read(start, window.data(), got);
            const uint64_t length =
                MatchZipDataDescriptor(std::span<const uint8_t>(window.data(), got), start - dataStart);
            if (length != 0) return start + length;
        }
    }
    return 0;
}

} // namespace

int FileZIPAnalyser::Analyse(CRawFileInfo* hit, IStorageDevice* device)
{
    return RunRawWalk(hit, device, [this](RawWalk& walk) {
        RawSectorReader& reader = walk.Reader();
        int type = RawType::kZIP;
        std::span<const uint8_t> record = reader.GetSpan(0);
        if (!IsZipRecord(record)) return 0;
        ReadPackageFlags(record);

        // Writers put the parts of a package in any order (the content types often last): the names of every
        // local and central header count.
        ZipPackageParts parts;
        uint64_t offset = 0;
        while (true) {
            walk.Step();
            const bool end = ByteReader(record).u32le(0) == kEndRecord;
            NoteZipPackageParts(record, parts);
            const uint64_t length = GetZipRecordLength(record, m_package, type);
            if (HasZipDataDescriptor(record)) {
                // The header's sizes are not those of the data: find the descriptor behind it.
                ByteReader r(record);
                const uint64_t dataStart = offset + kLocalFixed + r.u16le(26) + r.u16le(28);
                const uint64_t next = FindDescribedDataEnd(walk, dataStart);
                offset = next != 0 ? next : dataStart;
                if (next == 0) break;
            } else {
                offset += length;
            }
            // The end record closes the archive; what follows belongs to something else.
            if (end || !walk.WithinBound(offset)) break;
            record = reader.GetSpan(offset);
            if (!IsZipRecord(record)) break;
        }
        if (parts.Type() != 0) type = parts.Type();
        m_package = m_package || parts.contentTypes;
        if (m_drawing && !m_package) type = RawType::kCDR;
        walk.Hit()->SetFileType(type);
        walk.Hit()->SetSize(offset);
        return 1;
    });
}
