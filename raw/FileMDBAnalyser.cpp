// Access walker: the database is a run of 4096-byte pages whose first byte is the page type; the file ends at
// the first page of type 0, the first unreadable page or 100 MiB.
#include "raw/FileMDBAnalyser.h"

#include "filesystems/tree/CRawFileInfo.h"
#include "raw/RawAnalyserGlue.h"

namespace {
constexpr uint64_t kPage = 4096;
constexpr uint64_t kMaxOffset = 104857600;
} // namespace

SpanWalkResult FileMDBAnalyser::Walk(SpanSource& source, const SpanWalkLimits& limits)
{
    SpanCursor cursor(source);
    uint64_t offset = kPage;
    for (uint64_t pages = 1; offset < kMaxOffset && offset <= limits.maxFileSize; ++pages) {
        if (cursor.Byte(offset) <= 0) break;
        offset += kPage;
        if (pages % 10 == 0) limits.Pump();
    }
    return SpanWalkResult::Sized(limits.Clamp(offset));
}

int FileMDBAnalyser::Analyse(CRawFileInfo* hit, IStorageDevice* device)
{
    return RunSpanWalk(hit, device, Walk);
}
