// RTF walker: braces are counted from the byte after "{\rtf" (escaped braces are text); the document ends after
// the brace that brings the depth back to 0 and the one line end (LF or CR LF) right after it, tested before the next byte is read so that a document at the end
// of the readable bytes, or followed by zeros, is still measured.
#include "raw/FileRTFAnalyser.h"

#include "filesystems/tree/CRawFileInfo.h"
#include "raw/RawAnalyserGlue.h"

namespace {
constexpr uint64_t kFirstCountedByte = 5; // after "{\rtf"
} // namespace

SpanWalkResult FileRTFAnalyser::Walk(SpanSource& source, const SpanWalkLimits& limits)
{
    uint64_t depth = 1; // the brace at 0
    uint64_t q = kFirstCountedByte;
    bool escaped = false;
    for (;;) {
        const std::span<const uint8_t> s = source.At(q);
        if (s.empty()) return SpanWalkResult::Sized(q, false);
        for (size_t i = 0; i < s.size(); ++i) {
            const uint8_t b = s[i];
            if (b == 0) return SpanWalkResult::Sized(q + i, false);
            if (escaped) {
                escaped = false; // "\{", "\}" and "\\" are text, not groups
            } else if (b == '\\') {
                escaped = true;
            } else if (b == '{') {
                ++depth;
            } else if (b == '}') {
                if (--depth == 0) return SpanWalkResult::Sized(limits.Clamp(spanwalk::AfterLineEnd(source, q + i + 1)));
            }
            if (q + i + 1 > limits.maxFileSize) return SpanWalkResult::Sized(q + i + 1);
        }
        q += s.size();
        limits.Pump();
    }
}

int FileRTFAnalyser::Analyse(CRawFileInfo* hit, IStorageDevice* device)
{
    return RunSpanWalk(hit, device, Walk);
}
