// Photoshop walker (big-endian): header, colour-mode data, image resources and layer information are skipped by
// their lengths; raw image data is sized from channels x height x width x depth, run-length data from its row
// byte counts. Sums and products are 64-bit and the size is clamped to the device.
#include "raw/FilePSDAnalyser.h"

#include "core/bytes/ByteReader.h"
#include "filesystems/tree/CRawFileInfo.h"
#include "raw/RawAnalyserGlue.h"

namespace {

constexpr uint64_t kHeaderSize = 26;

// a x b, or UINT64_MAX when the product does not fit.
uint64_t MulSat(uint64_t a, uint64_t b)
{
    return a != 0 && b > UINT64_MAX / a ? UINT64_MAX : a * b;
}

} // namespace

SpanWalkResult FilePSDAnalyser::Walk(SpanSource& source, const SpanWalkLimits& limits)
{
    SpanCursor cursor(source);
    bytes::ByteReader head(cursor.Bytes(0, kHeaderSize));
    const uint16_t version = head.u16be(4);
    static const uint8_t kZeros[6] = {};
    const bool reservedZero = head.matches(6, std::span<const uint8_t>(kZeros, 6));
    const uint64_t channels = head.u16be(12);
    const uint64_t height = head.u32be(14);
    const uint64_t width = head.u32be(18);
    const uint64_t depth = head.u16be(22);
    if (!head || version != 1 || !reservedZero) return SpanWalkResult::Fail();

    // Colour-mode data, image resources, layer and mask information: each a u32 length and its bytes.
    uint64_t offset = kHeaderSize;
    for (int section = 0; section < 3; ++section) {
        bytes::ByteReader length(cursor.Bytes(offset, 4));
        const uint32_t n = length.u32be(0);
        if (!length) return SpanWalkResult::Fail();
        offset += 4 + uint64_t(n);
    }
    bytes::ByteReader field(cursor.Bytes(offset, 2));
    const uint16_t compression = field.u16be(0);
    if (!field) return SpanWalkResult::Fail();
    offset += 2;

    if (compression == 0) {
        const uint64_t bits = MulSat(MulSat(MulSat(channels, height), width), depth);
        return SpanWalkResult::Sized(limits.Clamp(spanwalk::AddSat(offset, bits / 8)));
    }
    if (compression != 1) return SpanWalkResult::Fail();

    const uint64_t rows = MulSat(height, channels);
    uint64_t sum = 0;
    for (uint64_t i = 0; i < rows; ++i) {
        if (offset > limits.maxFileSize) break;
        bytes::ByteReader count(cursor.Bytes(offset, 2));
        const uint16_t n = count.u16be(0);
        if (!count) return SpanWalkResult::Fail();
        sum += n;
        offset += 2;
        if (i % 1024 == 1023) limits.Pump();
    }
    return SpanWalkResult::Sized(limits.Clamp(spanwalk::AddSat(offset, sum)));
}

int FilePSDAnalyser::Analyse(CRawFileInfo* hit, IStorageDevice* device)
{
    return RunSpanWalk(hit, device, Walk);
}
