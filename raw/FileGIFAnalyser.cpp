// GIF walker: after the screen descriptor and its colour table, extensions and images are skipped by their
// data sub-blocks until the trailer ";"; between them a bounded search finds the next image descriptor.
#include "raw/FileGIFAnalyser.h"

#include "filesystems/tree/CRawFileInfo.h"
#include "raw/RawAnalyserGlue.h"

namespace {

constexpr int kTrailer = 0x3B;
constexpr int kExtension = 0x21;
constexpr int kImage = 0x2C;
constexpr int kMaxSearchSteps = 1024;

uint64_t ColourTableBytes(int flags)
{
    return (flags & 0x80) ? 3ull << (1 + (flags & 7)) : 0;
}

// Skips data sub-blocks from pos to their terminator; false on a read failure. Stops, leaving pos beyond
// the bound, when the walk passes the bound.
bool SkipSubBlocks(SpanCursor& cursor, uint64_t& pos, uint64_t bound)
{
    for (;;) {
        if (pos > bound) return true;
        const int n = cursor.Byte(pos);
        if (n < 0) return false;
        if (n == 0) return true;
        pos += uint64_t(n) + 1;
    }
}

} // namespace

SpanWalkResult FileGIFAnalyser::Walk(SpanSource& source, const SpanWalkLimits& limits)
{
    SpanCursor cursor(source);
    const int version = cursor.Byte(4);
    const int screenFlags = cursor.Byte(10);
    if (version < 0 || screenFlags < 0) return SpanWalkResult::Fail();
    const bool gif89 = version == '9';
    const uint64_t bound = limits.maxFileSize;
    uint64_t pos = 13 + ColourTableBytes(screenFlags);

    for (uint64_t passes = 1;; ++passes) {
        if (pos > bound) return SpanWalkResult::Sized(pos);
        int b = cursor.Byte(pos);
        if (b < 0) return SpanWalkResult::Fail();
        if (b == kTrailer) return SpanWalkResult::Sized(pos + 1);

        while (b == kExtension) {
            pos += 2;
            if (!SkipSubBlocks(cursor, pos, bound)) return SpanWalkResult::Fail();
            if (pos > bound) return SpanWalkResult::Sized(pos);
            ++pos;
            b = cursor.Byte(pos);
            if (b < 0) return SpanWalkResult::Fail();
        }

        for (int steps = 0; b != kImage; b = cursor.Byte(pos)) {
            if (b < 0) return SpanWalkResult::Fail();
            if (b == kTrailer && cursor.Byte(pos + 1) == 0) break;
            if (++steps > kMaxSearchSteps) return SpanWalkResult::Fail();
            if (gif89 && b == kExtension) {
                const int skip = cursor.Byte(pos + 2);
                if (skip < 0) return SpanWalkResult::Fail();
                pos += uint64_t(skip);
            }
            ++pos;
        }
        if (b == kTrailer) continue;

        const int imageFlags = cursor.Byte(pos + 9);
        if (imageFlags < 0) return SpanWalkResult::Fail();
        pos += 10 + ColourTableBytes(imageFlags) + 1;
        if (!SkipSubBlocks(cursor, pos, bound)) return SpanWalkResult::Fail();
        if (pos > bound) return SpanWalkResult::Sized(pos);
        ++pos;
        if (cursor.Byte(pos) < 0) return SpanWalkResult::Sized(pos); // the data ends with the readable bytes
        if (passes % 10 == 0) limits.Pump();
    }
}

int FileGIFAnalyser::Analyse(CRawFileInfo* hit, IStorageDevice* device)
{
    return RunSpanWalk(hit, device, Walk);
}
