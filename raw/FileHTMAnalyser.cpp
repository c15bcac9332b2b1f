// HTML pages end at "</HTML>" (any case) and the one line end (LF or CR LF) right after it, searched within the
// first 1 MiB; a page that starts with a UTF-16
// byte-order mark is measured by the UTF-16 walk instead, since the narrow marker never occurs in it.
#include "raw/FileHTMAnalyser.h"

#include "filesystems/tree/CRawFileInfo.h"
#include "raw/FileUnicodeHTMAnalyser.h"
#include "raw/RawAnalyserGlue.h"

namespace {
constexpr uint64_t kLimit = 1048576;
} // namespace

TextMarker FileHTMAnalyser::Marker()
{
    return MakeTextMarker("</HTML>", 7, kLimit);
}

SpanWalkResult FileHTMAnalyser::Walk(SpanSource& source, const SpanWalkLimits& limits)
{
    if (spanwalk::StartsWith(source.At(0), "\xFF\xFE<")) return FileUnicodeHTMAnalyser::Walk(source, limits);
    SpanWalkResult result = WalkTextMarker(source, Marker(), limits);
    // A page whose closing tag was found ends with the line end after it, as editors and writers leave it.
    if (result.ok && result.sizeSet && result.size <= kLimit)
        result.size = limits.Clamp(spanwalk::AfterLineEnd(source, result.size));
    return result;
}

int FileHTMAnalyser::Analyse(CRawFileInfo* hit, IStorageDevice* device)
{
    return RunSpanWalk(hit, device, Walk);
}
