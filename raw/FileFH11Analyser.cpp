// FreeHand 11 drawings end with the trailer "Decode" 00 FF FF FF FF.
#include "raw/FileFH11Analyser.h"

#include "filesystems/tree/CRawFileInfo.h"
#include "raw/RawAnalyserGlue.h"

namespace {
constexpr uint8_t kTrailer[11] = {'D', 'e', 'c', 'o', 'd', 'e', 0x00, 0xFF, 0xFF, 0xFF, 0xFF};
} // namespace

TextMarker FileFH11Analyser::Marker()
{
    return MakeTextMarker(kTrailer, sizeof kTrailer, 0);
}

SpanWalkResult FileFH11Analyser::Walk(SpanSource& source, const SpanWalkLimits& limits)
{
    return WalkTextMarker(source, Marker(), limits);
}

int FileFH11Analyser::Analyse(CRawFileInfo* hit, IStorageDevice* device)
{
    return RunSpanWalk(hit, device, Walk);
}
