// Paint Shop Pro walker: from offset 36 (after the signature and version) each block starts "~BK" 00 with its
// total length (u32 at 6) after a 10-byte header; the file ends where no block header follows. A file shorter
// than 512 bytes is not taken for one.
#include "raw/FilePSPAnalyser.h"

#include "core/bytes/ByteReader.h"
#include "filesystems/tree/CRawFileInfo.h"
#include "raw/RawAnalyserGlue.h"

namespace {
constexpr uint64_t kFirstBlock = 36;
constexpr uint64_t kBlockHeader = 10;
constexpr uint64_t kMinSize = 512;
} // namespace

SpanWalkResult FilePSPAnalyser::Walk(SpanSource& source, const SpanWalkLimits& limits)
{
    SpanCursor cursor(source);
    uint64_t offset = kFirstBlock;
    for (uint64_t blocks = 1;; ++blocks) {
        // A file that ends with the device has no block after its last one to read.
        if (offset >= limits.deviceBytes) break;
        bytes::ByteReader block(cursor.Bytes(offset, kBlockHeader));
        if (!block) return SpanWalkResult::Fail();
        if (!block.matches(0, std::span<const uint8_t>(reinterpret_cast<const uint8_t*>("~BK\0"), 4))) break;
        offset += uint64_t(block.u32le(6)) + kBlockHeader;
        if (offset > limits.maxFileSize) break;
        if (blocks % 10 == 0) limits.Pump();
    }
    if (offset < kMinSize) return SpanWalkResult::Fail();
    return SpanWalkResult::Sized(offset);
}

int FilePSPAnalyser::Analyse(CRawFileInfo* hit, IStorageDevice* device)
{
    return RunSpanWalk(hit, device, Walk);
}
