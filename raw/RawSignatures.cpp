// The signature tests and header sizes of every RAW format, as pure functions of a sector's first 512 bytes.
#include "raw/RawSignatures.h"

#include "core/CRecoverySettings.h"
#include "core/filetypes/RawTypeIds.h"
#include "core/bytes/ByteReader.h"
#include "filesystems/tree/CRawFileInfo.h"

#include <algorithm>
#include <array>
#include <cstring>

namespace {

using bytes::ByteReader;

constexpr uint8_t Lower(uint8_t c)
{
    return c >= 'A' && c <= 'Z' ? static_cast<uint8_t>(c + 32) : c;
}

// ASCII case-insensitive comparison of the bytes at offset with text (false when they lie outside).
bool MatchesCi(const ByteReader& r, size_t offset, const char* text)
{
    const size_t n = std::strlen(text);
    if (!r.has(offset, n)) return false;
    const uint8_t* p = r.data().data() + offset;
    for (size_t i = 0; i < n; ++i)
        if (Lower(p[i]) != Lower(static_cast<uint8_t>(text[i]))) return false;
    return true;
}

bool MatchesBytes(const ByteReader& r, size_t offset, std::initializer_list<uint8_t> pattern)
{
    return r.matches(offset, std::span<const uint8_t>(pattern.begin(), pattern.size()));
}

bool Found(RawSignatureMatch& out, int type, uint64_t size = 0)
{
    out.type = type;
    out.size = size;
    return true;
}

bool Match3DS(ByteReader r, RawSignatureMatch& out)
{
    if (r.u16le(0) != 0x4D4D || r.u16le(16) != 0x3D3D) return false;
    const uint32_t size = r.u32le(2);
    if (size == 0 || size < r.u32le(18)) return false;
    return Found(out, RawType::k3DS, size);
}

bool Match3GP(ByteReader r, RawSignatureMatch& out)
{
    return MatchesCi(r, 4, "ftyp") && r.has(8, 4) && IsRaw3gpBrand(r.data().data() + 8) && Found(out, RawType::k3GP);
}

bool MatchASF(ByteReader r, RawSignatureMatch& out)
{
    return MatchesBytes(
               r, 0,
               {0x30, 0x26, 0xB2, 0x75, 0x8E, 0x66, 0xCF, 0x11, 0xA6, 0xD9, 0x00, 0xAA, 0x00, 0x62, 0xCE, 0x6C}) &&
           Found(out, RawType::kASF);
}

bool MatchAU(ByteReader r, RawSignatureMatch& out)
{
    if (!r.matches(0, ".snd")) return false;
    const uint32_t dataOffset = r.u32be(4);
    const uint32_t dataSize = r.u32be(8);
    if (dataOffset <= 23 || dataSize == 0xFFFFFFFF) return false;
    return Found(out, RawType::kAU, uint64_t(dataOffset) + dataSize);
}

bool MatchBMP(ByteReader r, RawSignatureMatch& out)
{
    if (!r.matches(0, "BM") || r.u16le(6) != 0 || r.u16le(8) != 0) return false;
    const uint32_t dibSize = r.u32le(14);
    if (dibSize != 40 && dibSize != 124) return false;
    return Found(out, RawType::kBMP, r.u32le(2));
}

bool MatchCAB(ByteReader r, RawSignatureMatch& out)
{
    if (!r.matches(0, "MSCF") || r.u32le(4) != 0 || r.u32le(12) != 0 || r.u32le(20) != 0 || r.u16le(24) != 0x0103)
        return false;
    const uint32_t size = r.u32le(8);
    return size != 0 && Found(out, RawType::kCAB, size);
}

bool MatchCHM(ByteReader r, RawSignatureMatch& out)
{
    static constexpr uint8_t kGuidTail[15] = {0xFD, 0x01, 0x7C, 0xAA, 0x7B, 0xD0, 0x11, 0x9E,
                                              0x0C, 0x00, 0xA0, 0xC9, 0x22, 0xE6, 0xEC};
    if (!r.matches(0, "ITSF") || r.u32le(8) != 96) return false;
    // The second GUID ends in 11 in files of the original compiler; other compilers write the first one twice.
    const uint8_t second = r.u8(40);
    if (r.u8(24) != 0x10 || !r.matches(25, kGuidTail) || (second != 0x11 && second != 0x10) ||
        !r.matches(41, kGuidTail))
        return false;
    if (r.u32le(96) != 0x1FE || r.u32le(100) != 0 || r.u32le(112) != 0 || r.u32le(116) != 0) return false;
    return Found(out, RawType::kCHM, r.u64le(104));
}

bool MatchCPT(ByteReader r, RawSignatureMatch& out)
{
    if (!r.matches(0, "CPT7FILE") && !r.matches(0, "CPT8FILE") && !r.matches(0, "CPT9FILE")) return false;
    return r.u32le(52) == 316 && Found(out, RawType::kCPT);
}

bool MatchCRW(ByteReader r, RawSignatureMatch& out)
{
    return MatchesBytes(r, 0, {'I', 'I', 0x1A, 0x00, 0x00, 0x00, 'H', 'E', 'A', 'P', 'C', 'C', 'D', 'R', 0x02, 0x00}) &&
           Found(out, RawType::kCRW);
}

bool MatchDBX(ByteReader r, RawSignatureMatch& out)
{
    static constexpr uint8_t kHead[4] = {0xCF, 0xAD, 0x12, 0xFE};
    static constexpr uint8_t kMailTail[11] = {0xFD, 0x74, 0x6F, 0x66, 0xE3, 0xD1, 0x11, 0x9A, 0x4E, 0x00, 0xC0};
    static constexpr uint8_t kFolders[12] = {0x30, 0x9D, 0xFE, 0x26, 0x8F, 0x1A, 0xD2, 0x11, 0xAA, 0xBF, 0x00, 0x60};
    bool known = false;
    if (r.matches(0, kHead)) {
        const uint8_t b = r.u8(4);
        known = ((b == 0xC5 || b == 0xC6 || b == 0xC7) && r.matches(5, kMailTail)) || r.matches(4, kFolders);
    }
    if (!known) known = MatchesBytes(r, 0, {0x4A, 0x4D, 0x46, 0x36, 0x03, 0x00, 0x10, 0x00});
    return known && Found(out, RawType::kDBX, r.u32le(124));
}

bool MatchDWG(ByteReader r, RawSignatureMatch& out)
{
    static constexpr const char* kVersions[] = {"AC1018", "AC1015", "AC1014", "AC1013", "AC1009", "AC1012", "AC1021"};
    if (!MatchesBytes(r, 6, {0x00, 0x00})) return false;
    for (const char* v : kVersions)
        if (r.matches(0, v)) return Found(out, RawType::kDWG);
    return false;
}

bool MatchDXF(ByteReader r, RawSignatureMatch& out)
{
    return r.matches(0, "  0\r\nSECTION\r\n  2\r\nHEADER\r\n") && Found(out, RawType::kDXF);
}

bool MatchEMF(ByteReader r, RawSignatureMatch& out)
{
    if (!r.matches(40, " EMF") || r.u16le(58) != 0) return false;
    const uint32_t size = r.u32le(48);
    return size != 0 && Found(out, RawType::kEMF, size);
}

bool MatchEPS(ByteReader r, RawSignatureMatch& out)
{
    if (!MatchesBytes(r, 0, {0xC5, 0xD0, 0xD3, 0xC6}) || !MatchesBytes(r, 28, {0xFF, 0xFF})) return false;
    const uint8_t a = Lower(r.u8(30));
    const uint8_t b = Lower(r.u8(31));
    if (!((a == 0x25 && b == 0x21) || (a == 0 && b == 0) || (a == 'i' && b == 'i'))) return false;
    // The file ends where the last of its three parts (PostScript, WMF and TIFF preview) ends; an absent part
    // has offset and length 0.
    uint64_t end = 0;
    for (size_t at : {4u, 12u, 20u}) end = std::max(end, uint64_t(r.u32le(at)) + r.u32le(at + 4));
    return Found(out, RawType::kEPS, end);
}

bool MatchFH11(ByteReader r, RawSignatureMatch& out)
{
    return MatchesBytes(
               r, 0,
               {0x1C, 0x01, 0x00, 0x00, 0x02, 0x00, 0x04, 0x1C, 0x01, 0x14, 0x00, 0x02, 0x00, 0x14, 0x1C, 0x01}) &&
           r.u16le(34) == 0x3131 && Found(out, RawType::kFH11);
}

bool MatchGIF(ByteReader r, RawSignatureMatch& out)
{
    return (r.matches(0, "GIF87a") || r.matches(0, "GIF89a")) && Found(out, RawType::kGIF);
}

bool MatchGZ(ByteReader r, RawSignatureMatch& out)
{
    return MatchesBytes(r, 0, {0x1F, 0x8B, 0x08}) && Found(out, RawType::kGZ);
}

bool MatchHLP(ByteReader r, RawSignatureMatch& out)
{
    if (!MatchesBytes(r, 0, {0x3F, 0x5F, 0x03, 0x00})) return false;
    const uint32_t size = r.u32le(12);
    if (size < 512 || size < r.u32le(4)) return false;
    return Found(out, RawType::kHLP, size);
}

bool MatchHTM(ByteReader r, RawSignatureMatch& out)
{
    if (MatchesCi(r, 0, "<HTML>") || MatchesCi(r, 0, "<!DOCTYPE HTML")) return Found(out, RawType::kHTM);
    if (!r.matches(0, "<!")) return false;
    for (size_t at = 0; at <= 504; ++at)
        if (MatchesCi(r, at, "<HTML>")) return Found(out, RawType::kHTM);
    return false;
}

bool MatchICO(ByteReader r, RawSignatureMatch& out)
{
    const uint16_t kind = r.u16le(2);
    if (r.u16le(0) != 0 || (kind != 1 && kind != 2)) return false;
    const uint16_t count = r.u16le(4);
    if (count < 1 || count > 16) return false;
    uint64_t size = 6;
    for (uint16_t i = 0; i < count; ++i) {
        const size_t entry = 6 + 16 * size_t(i);
        const uint32_t bytes = r.u32le(entry + 8);
        if (r.u8(entry + 3) != 0 || r.u16le(entry + 6) > 256 || bytes > kRawIcoMaxEntrySize ||
            r.u32le(entry + 12) > kRawIcoMaxEntrySize)
            return false;
        size += 16 + uint64_t(bytes);
    }
    if (size > kRawIcoMaxSize) return false;
    return Found(out, kind == 1 ? 32 : 18, size);
}

bool MatchJPG(ByteReader r, RawSignatureMatch& out)
{
    if (!MatchesBytes(r, 0, {0xFF, 0xD8, 0xFF})) return false;
    const uint8_t marker = r.u8(3);
    if (marker == 0xDB) return Found(out, RawType::kJPG);
    if (marker != 0xE0 && marker != 0xE1) return false;
    return (MatchesCi(r, 6, "JFIF") || MatchesCi(r, 6, "Exif")) && Found(out, RawType::kJPG);
}

bool MatchLowDoc(ByteReader r, RawSignatureMatch& out)
{
    return (MatchesBytes(r, 0, {0xDB, 0xA5, 0x2D, 0x00}) || MatchesBytes(r, 0, {0x94, 0xA6, 0x2E, 0x00}) ||
            MatchesBytes(r, 0, {0xD0, 0xCF, 0x11, 0xE0})) &&
           Found(out, RawType::kDOC);
}

bool MatchLZH(ByteReader r, RawSignatureMatch& out)
{
    return (r.matches(2, "-lh5-") || r.matches(2, "-lh0-")) && Found(out, RawType::kLZH);
}

bool MatchMDB(ByteReader r, RawSignatureMatch& out)
{
    if (!MatchesBytes(r, 0, {0x00, 0x01, 0x00, 0x00}) || r.u8(19) != 0) return false;
    if (r.matches(4, "Standard Jet DB")) return Found(out, RawType::kMDB);
    if (r.matches(4, "Standard ACE DB")) return Found(out, RawType::kACCDB);
    return false;
}

bool MatchMID(ByteReader r, RawSignatureMatch& out)
{
    return MatchesBytes(r, 0, {'M', 'T', 'h', 'd', 0x00, 0x00, 0x00, 0x06}) && r.u16be(8) <= 2 && r.u16be(10) != 0 &&
           Found(out, RawType::kMID);
}

bool MatchMNY(ByteReader r, RawSignatureMatch& out)
{
    return r.matches(4, "MSISAM Database") && Found(out, RawType::kMNY, kRawMnySize);
}

bool MatchMOV(ByteReader r, RawSignatureMatch& out)
{
    if (!r.matches(4, "ftyp") || !r.has(8, 4)) return false;
    const uint8_t* brand = r.data().data() + 8;
    return !IsRawMp4Brand(brand) && !IsRaw3gpBrand(brand) && Found(out, RawType::kMOV);
}

bool MatchMP3(ByteReader r, RawSignatureMatch& out)
{
    const uint8_t version = r.u8(3);
    return r.matches(0, "ID3") && (version == 3 || version == 4) && Found(out, RawType::kMP3);
}

bool MatchMP4(ByteReader r, RawSignatureMatch& out)
{
    return MatchesCi(r, 4, "ftyp") && r.has(8, 4) && IsRawMp4Brand(r.data().data() + 8) && Found(out, RawType::kMP4);
}

bool MatchOLE(ByteReader r, RawSignatureMatch& out)
{
    return MatchesBytes(r, 0, {0xD0, 0xCF, 0x11, 0xE0, 0xA1, 0xB1, 0x1A, 0xE1}) && Found(out, RawType::kOLE);
}

bool MatchONE(ByteReader r, RawSignatureMatch& out)
{
    if (!MatchesBytes(r, 0,
                      {0xE4, 0x52, 0x5C, 0x7B, 0x8C, 0xD8, 0xA7, 0x4D, 0xAE, 0xB1, 0x53, 0x78, 0xD0, 0x29, 0x96, 0xD3}))
        return false;
    uint64_t size = r.u32le(196);
    if (size == 0 || size > kRawOneMaxStatedSize) size = kRawOneFallbackSize;
    return Found(out, RawType::kONE, size);
}

bool MatchPDF(ByteReader r, RawSignatureMatch& out)
{
    return r.matches(0, "%PDF-") && Found(out, RawType::kPDF);
}

bool MatchPNG(ByteReader r, RawSignatureMatch& out)
{
    return MatchesBytes(r, 0, {0x89, 0x50, 0x4E, 0x47, 0x0D, 0x0A, 0x1A, 0x0A}) && Found(out, RawType::kPNG);
}

bool MatchPSD(ByteReader r, RawSignatureMatch& out)
{
    return r.matches(0, "8BPS") && Found(out, RawType::kPSD);
}

bool MatchPSP(ByteReader r, RawSignatureMatch& out)
{
    return r.matches(0, "Paint Shop Pro Image File") &&
           MatchesBytes(r, 25, {0x0A, 0x1A, 0x00, 0x00, 0x00, 0x00, 0x00}) && Found(out, RawType::kPSP);
}

bool MatchPST(ByteReader r, RawSignatureMatch& out)
{
    if (!r.matches(0, "!BDN")) return false;
    switch (r.u8(10)) {
    case 14: return Found(out, RawType::kPST, r.u32le(168));
    // The Unicode form keeps a 64-bit file size; its low half alone would wrap files past 4 GiB.
    case 23: return Found(out, RawType::kPST, r.u64le(184));
    default: return Found(out, RawType::kPST, kRawDefaultPstSize);
    }
}

bool MatchRAR(ByteReader r, RawSignatureMatch& out)
{
    return MatchesBytes(r, 0, {0x52, 0x61, 0x72, 0x21, 0x1A, 0x07, 0x00}) && Found(out, RawType::kRAR);
}

bool MatchRIFF(ByteReader r, RawSignatureMatch& out)
{
    if (!r.matches(0, "RIFF")) return false;
    const uint64_t size = uint64_t(r.u32le(4)) + 8;
    int type = RawType::kRIFF;
    if (MatchesCi(r, 8, "WAVE") && MatchesCi(r, 12, "fmt "))
        type = RawType::kWAV;
    else if (MatchesCi(r, 8, "AVI ") && MatchesCi(r, 12, "LIST"))
        type = RawType::kAVI;
    else if (MatchesCi(r, 8, "ACON") && (MatchesCi(r, 12, "LIST") || MatchesCi(r, 12, "anih")))
        type = RawType::kANI;
    else if (r.matches(8, "CMX1") && r.matches(20, "{Corel Binary Meta File}"))
        type = RawType::kCMX;
    else if (MatchesCi(r, 8, "CARC") && MatchesCi(r, 12, "vrsn"))
        type = RawType::kCLK;
    else if (MatchesCi(r, 8, "CSL2") && MatchesCi(r, 12, "vrsn"))
        type = RawType::kCSL;
    else if (MatchesCi(r, 12, "vrsn")) {
        for (const char* form : {"CDR7", "CDR8", "CDR9", "CDRA", "CDRB", "CDRC"})
            if (MatchesCi(r, 8, form)) type = RawType::kCDR;
    }
    return Found(out, type, size);
}

bool MatchRTF(ByteReader r, RawSignatureMatch& out)
{
    return r.matches(0, "{\\rtf") && Found(out, RawType::kRTF);
}

bool MatchSWF(ByteReader r, RawSignatureMatch& out)
{
    return (r.matches(0, "FWS") || r.matches(0, "CWS")) && Found(out, RawType::kSWF, r.u32le(4));
}

bool MatchTAR(ByteReader r, RawSignatureMatch& out)
{
    return r.matches(257, "ustar") && Found(out, RawType::kTAR);
}

bool MatchTIF(ByteReader r, RawSignatureMatch& out)
{
    return (MatchesBytes(r, 0, {0x4D, 0x4D, 0x00, 0x2A}) || MatchesBytes(r, 0, {0x49, 0x49, 0x2A, 0x00})) &&
           Found(out, RawType::kTIF);
}

bool MatchTTF(ByteReader r, RawSignatureMatch& out)
{
    static constexpr std::array<const char*, 25> kKnownTags = {
        "DSIG", "cmap", "glyf", "head", "hhea", "hmtx", "loca", "maxp", "name", "post", "OS/2", "cvt ", "EBDT",
        "EBLC", "EBSC", "fpgm", "gasp", "hdmx", "kern", "LTSH", "prep", "PCLT", "VDMX", "vhea", "vmtx"};
    if (!MatchesBytes(r, 0, {0x00, 0x01, 0x00, 0x00})) return false;
    const uint16_t tables = r.u16be(4);
    if (tables < 1 || tables > 31) return false;
    unsigned known = 0;
    uint64_t size = 12 + 16 * uint64_t(tables);
    for (uint16_t i = 0; i < tables; ++i) {
        const size_t entry = 12 + 16 * size_t(i);
        for (const char* tag : kKnownTags)
            if (r.matches(entry, tag)) {
                ++known;
                break;
            }
        size += (uint64_t(r.u32be(entry + 12)) + 3) & ~uint64_t(3);
    }
    if (2 * known < tables) return false;
    return Found(out, RawType::kTTF, size);
}

bool MatchUnicodeHTM(ByteReader r, RawSignatureMatch& out)
{
    return MatchesBytes(r, 0, {0xFF, 0xFE, 0x3C, 0x00}) && Found(out, RawType::kHTM);
}

bool MatchWMF(ByteReader r, RawSignatureMatch& out)
{
    if (MatchesBytes(r, 0, {0x01, 0x00, 0x09, 0x00})) {
        if (r.u16le(16) != 0) return false;
        return Found(out, RawType::kWMF, 2 * uint64_t(r.u32le(6)));
    }
    if (!MatchesBytes(r, 0, {0xD7, 0xCD, 0xC6, 0x9A})) return false;
    uint16_t checksum = 0;
    for (size_t at = 0; at < 20; at += 2) checksum ^= r.u16le(at);
    if (r.u16le(20) != checksum || r.u16le(4) != 0 || r.u32le(16) != 0 ||
        !MatchesBytes(r, 22, {0x01, 0x00, 0x09, 0x00}) || r.u16le(38) != 0)
        return false;
    return Found(out, RawType::kWMF, 22 + 2 * uint64_t(r.u32le(28)));
}

bool MatchWPD(ByteReader r, RawSignatureMatch& out)
{
    if (!MatchesBytes(r, 0, {0xFF, 'W', 'P', 'C'})) return false;
    int type = 0;
    if (MatchesBytes(r, 8, {0x01, 0x0A, 0x02, 0x01}) && MatchesBytes(r, 14, {0x00, 0x02, 0x05, 0x00}))
        type = RawType::kWPD;
    else if (MatchesBytes(r, 8, {0x01, 0x16, 0x02, 0x00}) && MatchesBytes(r, 14, {0x00, 0x00, 0x03, 0x00}))
        type = RawType::kWPG;
    else if (MatchesBytes(r, 8, {0x0F, 0x0F, 0x01, 0x00}) && MatchesBytes(r, 14, {0x00, 0x00, 0x03, 0x00}))
        type = RawType::kSHW;
    return type != 0 && Found(out, type, r.u32le(20));
}

bool MatchZIP(ByteReader r, RawSignatureMatch& out)
{
    return MatchesBytes(r, 0, {0x50, 0x4B, 0x03, 0x04}) && Found(out, RawType::kZIP);
}

using MatchFn = bool (*)(ByteReader, RawSignatureMatch&);

struct SignatureRow {
    RawSignature signature;
    const char* name;
    MatchFn match;
    RawSignatureKey key;
};

constexpr RawSignatureKey Key(std::initializer_list<uint8_t> values, uint16_t offset = 0)
{
    RawSignatureKey k{offset, static_cast<uint8_t>(values.size()), {0, 0, 0, 0}};
    uint8_t i = 0;
    for (uint8_t v : values) k.values[i++] = v;
    return k;
}

const SignatureRow kRows[kRawSignatureCount] = {
    {RawSignature::None, "", nullptr, RawSignatureKey{0, 0, {0, 0, 0, 0}}},
    {RawSignature::ThreeDS, "3DS", Match3DS, Key({0x4D})},
    {RawSignature::ThreeGP, "3GP", Match3GP, Key({'f', 'F'}, 4)},
    {RawSignature::ASF, "ASF", MatchASF, Key({0x30})},
    {RawSignature::AU, "AU", MatchAU, Key({'.'})},
    {RawSignature::BMP, "BMP", MatchBMP, Key({'B'})},
    {RawSignature::CAB, "CAB", MatchCAB, Key({'M'})},
    {RawSignature::CHM, "CHM", MatchCHM, Key({'I'})},
    {RawSignature::CPT, "CPT", MatchCPT, Key({'C'})},
    {RawSignature::CRW, "CRW", MatchCRW, Key({'I'})},
    {RawSignature::DBX, "DBX", MatchDBX, Key({0xCF, 0x4A})},
    {RawSignature::DWG, "DWG", MatchDWG, Key({'A'})},
    {RawSignature::DXF, "DXF", MatchDXF, Key({' '})},
    {RawSignature::EMF, "EMF", MatchEMF, Key({' '}, 40)},
    {RawSignature::EPS, "EPS", MatchEPS, Key({0xC5})},
    {RawSignature::FH11, "FH11", MatchFH11, Key({0x1C})},
    {RawSignature::GIF, "GIF", MatchGIF, Key({'G'})},
    {RawSignature::GZ, "GZ", MatchGZ, Key({0x1F})},
    {RawSignature::HLP, "HLP", MatchHLP, Key({0x3F})},
    {RawSignature::HTM, "HTM", MatchHTM, Key({'<'})},
    {RawSignature::ICO, "ICO", MatchICO, Key({0x00})},
    {RawSignature::JPG, "JPG", MatchJPG, Key({0xFF})},
    {RawSignature::LowDoc, "LowDoc", MatchLowDoc, Key({0xDB, 0x94, 0xD0})},
    {RawSignature::LZH, "LZH", MatchLZH, Key({'-'}, 2)},
    {RawSignature::MDB, "MDB", MatchMDB, Key({0x00})},
    {RawSignature::MID, "MID", MatchMID, Key({'M'})},
    {RawSignature::MNY, "MNY", MatchMNY, Key({'M'}, 4)},
    {RawSignature::MOV, "MOV", MatchMOV, Key({'f'}, 4)},
    {RawSignature::MP3, "MP3", MatchMP3, Key({'I'})},
    {RawSignature::MP4, "MP4", MatchMP4, Key({'f', 'F'}, 4)},
    {RawSignature::OLE, "OLE", MatchOLE, Key({0xD0})},
    {RawSignature::ONE, "ONE", MatchONE, Key({0xE4})},
    {RawSignature::PDF, "PDF", MatchPDF, Key({'%'})},
    {RawSignature::PNG, "PNG", MatchPNG, Key({0x89})},
    {RawSignature::PSD, "PSD", MatchPSD, Key({'8'})},
    {RawSignature::PSP, "PSP", MatchPSP, Key({'P'})},
    {RawSignature::PST, "PST", MatchPST, Key({'!'})},
    {RawSignature::RAR, "RAR", MatchRAR, Key({'R'})},
    {RawSignature::RIFF, "RIFF", MatchRIFF, Key({'R'})},
    {RawSignature::RTF, "RTF", MatchRTF, Key({'{'})},
    {RawSignature::SWF, "SWF", MatchSWF, Key({'F', 'C'})},
    {RawSignature::TAR, "TAR", MatchTAR, Key({'u'}, 257)},
    {RawSignature::TIF, "TIF", MatchTIF, Key({'M', 'I'})},
    {RawSignature::TTF, "TTF", MatchTTF, Key({0x00})},
    {RawSignature::UnicodeHTM, "UnicodeHTM", MatchUnicodeHTM, Key({0xFF})},
    {RawSignature::WMF, "WMF", MatchWMF, Key({0x01, 0xD7})},
    {RawSignature::WPD, "WPD", MatchWPD, Key({0xFF})},
    {RawSignature::ZIP, "ZIP", MatchZIP, Key({0x50})},
};

const SignatureRow& Row(RawSignature signature)
{
    const size_t i = static_cast<size_t>(signature);
    return kRows[i < kRawSignatureCount ? i : 0];
}

// A brand, or the start of one when text is shorter than 4 characters.
bool BrandIs(const uint8_t* brand, const char* text)
{
    const size_t n = std::strlen(text);
    for (size_t i = 0; i < n; ++i)
        if (Lower(brand[i]) != Lower(static_cast<uint8_t>(text[i]))) return false;
    return true;
}

} // namespace

const RawSignatureKey& GetRawSignatureKey(RawSignature signature)
{
    return Row(signature).key;
}

const char* GetRawSignatureName(RawSignature signature)
{
    return Row(signature).name;
}

bool DecodeRawSignature(RawSignature signature, std::span<const uint8_t> sector, RawSignatureMatch& out)
{
    const SignatureRow& row = Row(signature);
    if (row.match == nullptr || sector.size() < kRawMatchBytes) return false;
    RawSignatureMatch found;
    if (!row.match(ByteReader(sector.first(kRawMatchBytes)), found)) return false;
    out = found;
    return true;
}

int MatchRawSignature(RawSignature signature, const uint8_t* sector, CRawFileInfo* hit)
{
    RawSignatureMatch found;
    if (sector == nullptr || !DecodeRawSignature(signature, std::span<const uint8_t>(sector, kRawMatchBytes), found))
        return 0;
    if (hit != nullptr) {
        hit->SetFileType(found.type);
        hit->SetSize(std::min(found.size, GetRecoverySettings()->m_maxRawFileSize));
    }
    return 1;
}

bool IsRawMp4Brand(const uint8_t* brand)
{
    // The ISO base media family: iso2 to iso9 and the brands built on it (MPEG-4, AVC, DASH and CMAF segments,
    // the iTunes audio, audiobook and video brands, Flash video, the camera and phone brands seen in the field).
    if (BrandIs(brand, "iso") && brand[3] >= '2' && brand[3] <= '9') return true;
    static constexpr const char* kBrands[] = {
        "isom", "mp41", "mp42", "mp71", "avc1", "dash", "msdh", "msix", "cmfc", "cmf2", "cmfs", "cmff", "M4V ", "M4VH",
        "M4VP", "M4A ", "M4B ", "M4P ", "F4V ", "F4P ", "F4A ", "F4B ", "mmp4", "MSNV", "NDAS", "NDSC", "NDSH", "NDSM",
        "NDSP", "NDSS", "NDXC", "NDXH", "NDXM", "NDXP", "NDXS", "XAVC", "MPPI", "KDDI", "nvr1", "mp21", "mp7b"};
    for (const char* known : kBrands)
        if (BrandIs(brand, known)) return true;
    return false;
}

bool IsRaw3gpBrand(const uint8_t* brand)
{
    return BrandIs(brand, "3gp") || BrandIs(brand, "3g2");
}
