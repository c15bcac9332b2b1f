// MIDI walker: after the 14-byte "MThd" chunk, "MTrk" chunks (name in any case, big-endian length) follow one
// another; the file ends where none follows or nothing more can be read.
#include "raw/FileMIDAnalyser.h"

#include "core/bytes/ByteReader.h"
#include "filesystems/tree/CRawFileInfo.h"
#include "raw/RawAnalyserGlue.h"

namespace {
constexpr uint64_t kFirstTrack = 14;
} // namespace

SpanWalkResult FileMIDAnalyser::Walk(SpanSource& source, const SpanWalkLimits& limits)
{
    SpanCursor cursor(source);
    uint64_t offset = kFirstTrack;
    for (uint64_t chunks = 1; offset <= limits.maxFileSize; ++chunks) {
        const std::span<const uint8_t> header = cursor.Bytes(offset, 8);
        if (header.empty() || !spanwalk::StartsWithNoCase(header, "MTrk")) break;
        bytes::ByteReader r(header);
        offset += 8 + uint64_t(r.u32be(4));
        if (chunks % 10 == 0) limits.Pump();
    }
    return SpanWalkResult::Sized(limits.Clamp(offset));
}

int FileMIDAnalyser::Analyse(CRawFileInfo* hit, IStorageDevice* device)
{
    return RunSpanWalk(hit, device, Walk);
}
