// PDF walker: memchr for '%' over the valid bytes; at each '%' the Illustrator comment, the end-of-file comment
// and a new document header are told apart.
#include "raw/FilePDFAnalyser.h"

#include "filesystems/tree/CRawFileInfo.h"
#include "raw/RawAnalyserGlue.h"

#include <cstring>

namespace {

constexpr int kTypePdf = 46;
constexpr int kTypeIllustrator = 5;
// Longest look needed at a '%': "%!PS-Adobe".
constexpr size_t kLongestMarker = 10;
// Bytes looked at after an end-of-file comment to decide whether the document goes on.
constexpr size_t kContinuationWindow = 48;

bool IsSpace(uint8_t c)
{
    return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\f';
}
bool IsDigit(uint8_t c)
{
    return c >= '0' && c <= '9';
}
bool IsPrintableOrLineEnd(uint8_t c)
{
    return (c >= 0x20 && c <= 0x7E) || c == '\r' || c == '\n';
}

// Length of the line end at the start of the bytes: CR LF, CR or LF.
size_t LineEnd(std::span<const uint8_t> b)
{
    if (b.empty()) return 0;
    if (b[0] == '\r') return b.size() > 1 && b[1] == '\n' ? 2 : 1;
    return b[0] == '\n' ? 1 : 0;
}

} // namespace

bool FilePDFAnalyser::ContinuesDocument(std::span<const uint8_t> after)
{
    size_t i = 0;
    while (i < after.size() && i < 16 && IsSpace(after[i])) ++i;
    const auto rest = after.subspan(i);
    if (spanwalk::StartsWith(rest, "xref")) return true;
    if (spanwalk::StartsWith(rest, "%")) return !spanwalk::StartsWith(rest, "%PDF-");
    // "<object number> <generation> obj"
    size_t j = 0;
    auto digits = [&] {
        const size_t from = j;
        while (j < rest.size() && j - from < 10 && IsDigit(rest[j])) ++j;
        return j > from;
    };
    auto spaces = [&] {
        const size_t from = j;
        while (j < rest.size() && j - from < 4 && IsSpace(rest[j])) ++j;
        return j > from;
    };
    return digits() && spaces() && digits() && spaces() && spanwalk::StartsWith(rest.subspan(j), "obj");
}

SpanWalkResult FilePDFAnalyser::Walk(SpanSource& source, const SpanWalkLimits& limits)
{
    int type = kTypePdf;
    auto done = [&](uint64_t size) {
        SpanWalkResult r = SpanWalkResult::Sized(size);
        r.type = type;
        return r;
    };
    const uint64_t bound = limits.maxFileSize;
    uint64_t p = 4;
    for (;;) {
        if (p > bound) return done(p);
        std::span<const uint8_t> s = source.At(p);
        if (s.empty()) return SpanWalkResult::Fail();
        const size_t n = spanwalk::ScanLength(p, s.size(), bound);
        size_t i = 0;
        uint64_t next = 0; // set when the scan leaves the bytes at hand
        while (i < n) {
            i += spanwalk::FindEither(s.subspan(i, n - i), '%', '%');
            if (i >= n) break;
            const uint64_t q = p + i;
            std::span<const uint8_t> at = s.subspan(i);
            if (at.size() < kLongestMarker) {
                at = source.At(q); // may replace s: leave this span after this position
                if (at.empty()) return SpanWalkResult::Fail();
                next = q + 1;
            }
            if (spanwalk::StartsWith(at, "%!PS-Adobe")) {
                type = kTypeIllustrator;
            } else if (spanwalk::StartsWith(at, "%PDF-")) {
                return done(q);
            } else if (spanwalk::StartsWith(at, "%%EOF")) {
                if (type == kTypeIllustrator) {
                    // An Illustrator document goes on while the three bytes after the comment are text.
                    bool text = at.size() >= 8;
                    for (size_t k = 5; text && k < 8; ++k) text = IsPrintableOrLineEnd(at[k]);
                    if (!text) return done(q + 7);
                    next = q + 7;
                    break;
                }
                uint64_t end = q + 5;
                std::span<const uint8_t> after = at.subspan(5);
                if (after.size() < kContinuationWindow) after = source.At(end); // may be empty at the device end
                end += LineEnd(after);
                if (!ContinuesDocument(after.subspan(LineEnd(after)))) return done(end);
                next = end;
                break;
            }
            if (next) break;
            ++i;
        }
        p = next ? next : p + n;
        limits.Pump();
    }
}

int FilePDFAnalyser::Analyse(CRawFileInfo* hit, IStorageDevice* device)
{
    return RunSpanWalk(hit, device, Walk);
}
