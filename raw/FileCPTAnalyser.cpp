// PHOTO-PAINT walker (little-endian u32): the header names a table (at 52) of N entries (count at 40); the last
// entry points at a record whose trailing offsets give the end of the file. Every offset is checked before it
// is used, so damaged headers give no size rather than a read at a wrapped offset.
#include "raw/FileCPTAnalyser.h"

#include "core/bytes/ByteReader.h"
#include "filesystems/tree/CRawFileInfo.h"
#include "raw/RawAnalyserGlue.h"

#include <optional>

namespace {

std::optional<uint64_t> U32At(SpanCursor& cursor, uint64_t offset)
{
    bytes::ByteReader r(cursor.Bytes(offset, 4));
    const uint32_t v = r.u32le(0);
    if (!r) return std::nullopt;
    return v;
}

} // namespace

SpanWalkResult FileCPTAnalyser::Walk(SpanSource& source, const SpanWalkLimits& limits)
{
    SpanCursor cursor(source);
    const auto table = U32At(cursor, 52);
    const auto count = U32At(cursor, 40);
    if (!table || !count || *count == 0) return SpanWalkResult::Fail();
    const auto record = U32At(cursor, *table + 8 * uint64_t(*count) - 8);
    if (!record) return SpanWalkResult::Fail();
    const uint64_t r = *record;

    uint64_t next = r + 60;
    const auto marker = U32At(cursor, r + 32);
    const auto following = U32At(cursor, r + 60);
    if (!marker || !following) return SpanWalkResult::Fail();
    if (*marker != 0 && *marker == *following) next = r + 60 + *marker;

    const auto a = U32At(cursor, next);
    const auto b = U32At(cursor, next + 4);
    if (!a || !b) return SpanWalkResult::Fail();
    if (*a == 0 || *b == 0) return SpanWalkResult::Sized(limits.Clamp(r));
    if (*a < 8) return SpanWalkResult::Fail();
    const auto start = U32At(cursor, *a - 8);
    const auto length = U32At(cursor, *a - 4);
    if (!start || !length) return SpanWalkResult::Fail();
    return SpanWalkResult::Sized(limits.Clamp(uint64_t(*start) + *length));
}

int FileCPTAnalyser::Analyse(CRawFileInfo* hit, IStorageDevice* device)
{
    return RunSpanWalk(hit, device, Walk);
}
