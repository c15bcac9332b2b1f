// The signature test of every file format the RAW search knows: which bytes of a sector's first 512 name the
// format, the RAW type id it gives, and for formats whose header states their length, that length.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

class CRawFileInfo;

// One signature per analyser class; the order is that of the default analyser list.
enum class RawSignature : uint8_t {
    None = 0, // no fixed signature: asked for every sector
    ThreeDS,
    ThreeGP,
    ASF,
    AU,
    BMP,
    CAB,
    CHM,
    CPT,
    CRW,
    DBX,
    DWG,
    DXF,
    EMF,
    EPS,
    FH11,
    GIF,
    GZ,
    HLP,
    HTM,
    ICO,
    JPG,
    LowDoc,
    LZH,
    MDB,
    MID,
    MNY,
    MOV,
    MP3,
    MP4,
    OLE,
    ONE,
    PDF,
    PNG,
    PSD,
    PSP,
    PST,
    RAR,
    RIFF,
    RTF,
    SWF,
    TAR,
    TIF,
    TTF,
    UnicodeHTM,
    WMF,
    WPD,
    ZIP,
};
inline constexpr size_t kRawSignatureCount = static_cast<size_t>(RawSignature::ZIP) + 1;

// Every test reads at most this many bytes of the sector.
inline constexpr size_t kRawMatchBytes = 512;
// The largest size a PST header may leave unstated, and the fixed size of Money files.
inline constexpr uint64_t kRawDefaultPstSize = 1048576;
inline constexpr uint64_t kRawMnySize = 1048576;
// OneNote: a stated length of 0 or above 1 GiB is not trusted.
inline constexpr uint64_t kRawOneFallbackSize = 3145728;
inline constexpr uint64_t kRawOneMaxStatedSize = 1073741824;
// Icons: a larger sum of entries is no icon.
inline constexpr uint64_t kRawIcoMaxSize = 1048576;
inline constexpr uint32_t kRawIcoMaxEntrySize = 10485760;

// The sector byte that a signature's test looks at first, and the values it may hold there: a sector whose
// byte at offset is none of values[0..count) can never match. count 0: any sector (RawSignature::None).
struct RawSignatureKey {
    uint16_t offset;
    uint8_t count;
    uint8_t values[4];
};
const RawSignatureKey& GetRawSignatureKey(RawSignature signature);

// Short name of a signature ("ZIP", "3GP"), for tests and messages.
const char* GetRawSignatureName(RawSignature signature);

// The outcome of a signature test: the RAW type id of the file and the size in bytes its header states (0 for
// formats measured by walking, and the uncapped header value for the others).
struct RawSignatureMatch {
    int type = 0;
    uint64_t size = 0;
};

// The pure test: true when the first 512 bytes of sector name a file of this signature; out receives type and
// size. A span shorter than 512 bytes, or RawSignature::None, never matches.
bool DecodeRawSignature(RawSignature signature, std::span<const uint8_t> sector, RawSignatureMatch& out);

// The body of every IsMatch: on a match sets the hit's type id and its size (the header size capped by the
// maximal RAW file size option, or 0) and returns 1; otherwise returns 0 and leaves the hit as it was.
// sector holds at least 512 bytes.
int MatchRawSignature(RawSignature signature, const uint8_t* sector, CRawFileInfo* hit);

// MP4-family brands, shared by the MOV, MP4 and 3GP tests so that the brand alone decides: the 4 bytes after
// "ftyp" (case-insensitive) are a brand of the ISO base media family for MP4 (isom, iso2 to iso9, mp41, mp42,
// avc1, dash, "M4A ", "M4V ", "F4V " and the like), "3gp?" or "3g2?" for 3GP; every other brand ("qt  " and the
// rest) is left to MOV.
bool IsRawMp4Brand(const uint8_t* brand);
bool IsRaw3gpBrand(const uint8_t* brand);
