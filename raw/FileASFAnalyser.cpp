// ASF walker: the header object and the data object must follow one another; a simple index object after them
// is counted when present. Object lengths are 64-bit and include the 24-byte object header.
#include "raw/FileASFAnalyser.h"

#include "core/bytes/ByteReader.h"
#include "filesystems/tree/CRawFileInfo.h"
#include "raw/RawAnalyserGlue.h"

namespace {

constexpr uint8_t kObjects[3][16] = {
    {0x30, 0x26, 0xB2, 0x75, 0x8E, 0x66, 0xCF, 0x11, 0xA6, 0xD9, 0x00, 0xAA, 0x00, 0x62, 0xCE, 0x6C}, // header
    {0x36, 0x26, 0xB2, 0x75, 0x8E, 0x66, 0xCF, 0x11, 0xA6, 0xD9, 0x00, 0xAA, 0x00, 0x62, 0xCE, 0x6C}, // data
    {0x90, 0x08, 0x00, 0x33, 0xB1, 0xE5, 0xCF, 0x11, 0x89, 0xF4, 0x00, 0xA0, 0xC9, 0x03, 0x49, 0xCB}, // index
};
constexpr uint64_t kObjectHeader = 24;
constexpr uint64_t kHugeOffset = 429496729600ull; // 100 x 2^32
constexpr uint64_t kHugeReplacement = 4294967296ull;

} // namespace

SpanWalkResult FileASFAnalyser::Walk(SpanSource& source, const SpanWalkLimits& limits)
{
    SpanCursor cursor(source);
    uint64_t offset = 0;
    for (int object = 0; object < 3; ++object) {
        const bool optional = object == 2;
        bytes::ByteReader r(cursor.Bytes(offset, kObjectHeader));
        // Nothing readable after the data object: the file ends with it (at the end of the device).
        if (!r) {
            if (optional) break;
            return SpanWalkResult::Fail();
        }
        if (!r.matches(0, std::span<const uint8_t>(kObjects[object], 16))) {
            if (optional) break;
            return SpanWalkResult::Fail();
        }
        offset = spanwalk::AddSat(offset, r.u64le(16));
        const bool beyond = offset > limits.maxFileSize;
        if (offset > kHugeOffset) offset = kHugeReplacement;
        if (beyond) break;
    }
    return SpanWalkResult::Sized(limits.Clamp(offset));
}

int FileASFAnalyser::Analyse(CRawFileInfo* hit, IStorageDevice* device)
{
    return RunSpanWalk(hit, device, Walk);
}
