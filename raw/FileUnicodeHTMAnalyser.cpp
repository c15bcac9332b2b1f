// UTF-16LE HTML walker: after the byte-order mark the page must open with "<HTML>" or "<!" and name "<HTML>"
// within its first 500 bytes; it ends after "</HTML>" and one more character (both of a CR LF), or at a character FFFF, FEFF
// or 0, or at 1 MiB.
#include "raw/FileUnicodeHTMAnalyser.h"

#include "filesystems/tree/CRawFileInfo.h"
#include "raw/RawAnalyserGlue.h"

namespace {

constexpr uint64_t kLimit = 1048576;
constexpr uint64_t kFirstTagSearchEnd = 498; // last even offset at which "<HTML>" may open the page
constexpr uint64_t kWalkStart = 14;
constexpr uint64_t kClosingTagStep = 16;

// The UTF-16LE characters at the start of the bytes spell text, letters in either case.
bool StartsWithWide(std::span<const uint8_t> b, const char* text)
{
    size_t i = 0;
    for (; text[i]; ++i) {
        if (b.size() < 2 * i + 2) return false;
        if (b[2 * i + 1] != 0 || spanwalk::Lower(b[2 * i]) != spanwalk::Lower(static_cast<uint8_t>(text[i])))
            return false;
    }
    return true;
}

} // namespace

SpanWalkResult FileUnicodeHTMAnalyser::Walk(SpanSource& source, const SpanWalkLimits& limits)
{
    SpanCursor cursor(source);
    const std::span<const uint8_t> head = cursor.At(0);
    if (head.size() < 6) return SpanWalkResult::Fail();
    if (!StartsWithWide(head.subspan(2), "<HTML>") && !(head[4] == '!' && head[5] == 0)) return SpanWalkResult::Fail();
    bool opened = false;
    for (uint64_t at = 2; at <= kFirstTagSearchEnd && at < head.size() && !opened; at += 2)
        opened = StartsWithWide(head.subspan(at), "<HTML>");
    if (!opened) return SpanWalkResult::Fail();

    uint64_t p = kWalkStart;
    uint64_t steps = 0;
    while (p <= kLimit) {
        const std::span<const uint8_t> c = cursor.Bytes(p, 2);
        if (c.empty()) return SpanWalkResult::Fail();
        const auto ch = static_cast<unsigned>(c[0] | c[1] << 8);
        if (ch == 0xFFFF || ch == 0xFEFF || ch == 0) break;
        if (ch == '<' && StartsWithWide(cursor.Bytes(p, 14), "</HTML>")) {
            // The tag and the character after it, or the CR LF after it.
            const uint64_t tagEnd = p + 14;
            p = spanwalk::AfterLineEnd(source, tagEnd, true) == tagEnd + 4 ? tagEnd + 4 : p + kClosingTagStep;
            break;
        }
        p += 2;
        if (++steps % 4096 == 0) limits.Pump();
    }
    return SpanWalkResult::Sized(limits.Clamp(p));
}

int FileUnicodeHTMAnalyser::Analyse(CRawFileInfo* hit, IStorageDevice* device)
{
    return RunSpanWalk(hit, device, Walk);
}
