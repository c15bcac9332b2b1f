// PNG walker (big-endian): the image header must be the first chunk and give a positive width and height; the
// chunks are then followed to the end chunk, none beyond 20 MiB; an absurd length after image data ends the
// file where it stands.
#include "raw/FilePNGAnalyser.h"

#include "core/bytes/ByteReader.h"
#include "filesystems/tree/CRawFileInfo.h"
#include "raw/RawAnalyserGlue.h"

namespace {
constexpr uint64_t kMaxOffset = 20971520;
} // namespace

SpanWalkResult FilePNGAnalyser::Walk(SpanSource& source, const SpanWalkLimits& limits)
{
    SpanCursor cursor(source);
    bytes::ByteReader head(cursor.Bytes(0, 24));
    if (!head.matches(12, "IHDR")) return SpanWalkResult::Fail();
    const auto width = static_cast<int32_t>(head.u32be(16));
    const auto height = static_cast<int32_t>(head.u32be(20));
    if (!head || width <= 0 || height <= 0) return SpanWalkResult::Fail();

    uint64_t offset = 8 + 12 + uint64_t(head.u32be(8));
    bool seenHeader = true;
    bool seenData = false;
    for (uint64_t chunks = 1;; ++chunks) {
        if (offset > kMaxOffset) return SpanWalkResult::Fail();
        if (offset > limits.maxFileSize) return SpanWalkResult::Sized(offset);
        bytes::ByteReader chunk(cursor.Bytes(offset, 8));
        const uint32_t length = chunk.u32be(0);
        if (!chunk) return SpanWalkResult::Fail();
        if (length > kMaxOffset) {
            if (seenHeader && seenData) return SpanWalkResult::Sized(offset);
            return SpanWalkResult::Fail();
        }
        const bool end = chunk.matches(4, "IEND");
        seenHeader = seenHeader || chunk.matches(4, "IHDR");
        seenData = seenData || chunk.matches(4, "IDAT");
        offset += 12 + uint64_t(length);
        if (end) return SpanWalkResult::Sized(offset);
        if (chunks % 10 == 0) limits.Pump();
    }
}

int FilePNGAnalyser::Analyse(CRawFileInfo* hit, IStorageDevice* device)
{
    return RunSpanWalk(hit, device, Walk);
}
