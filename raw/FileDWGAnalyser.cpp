// DWG walker by release. Releases 13 to 2000 end where the farthest section that the locator table names ends.
// Releases 2004 and 2007 keep a second copy of their header near the end: its 16-byte sentinel is searched with
// memchr and memcmp from offset 144.
#include "raw/FileDWGAnalyser.h"

#include "core/bytes/ByteReader.h"
#include "filesystems/tree/CRawFileInfo.h"
#include "raw/RawAnalyserGlue.h"

#include <algorithm>
#include <cstring>

namespace {

constexpr uint8_t kImageSentinel[16] = {0x1F, 0x25, 0x6D, 0x07, 0xD4, 0x36, 0x28, 0x28,
                                        0x9D, 0x57, 0xCA, 0x3F, 0x9D, 0x44, 0x10, 0x2B};
constexpr uint8_t kHeaderSentinel2004[16] = {0x68, 0x40, 0xF8, 0xF7, 0x92, 0x2A, 0xB5, 0xEF,
                                             0x18, 0xDD, 0x0B, 0xF1, 0xF1, 0xBB, 0xE9, 0xEB};
constexpr uint64_t kSentinelAt = 128;
constexpr uint64_t kSearchFrom = 144;
constexpr uint64_t kSearchEnd = 524288000;
constexpr uint32_t kMaxLocators = 100;
constexpr uint64_t kLocatorsAt = 25;
constexpr uint64_t kLocatorSize = 9;
constexpr uint64_t kMinPartialSize = 512;

SpanWalkResult WalkLocators(SpanCursor& cursor)
{
    bytes::ByteReader head(cursor.Bytes(0, kLocatorsAt));
    const uint32_t image = head.u32le(13);
    const uint32_t count = head.u32le(21);
    if (!head || image == 0 || count == 0 || count > kMaxLocators) return SpanWalkResult::Fail();
    const auto sentinel = cursor.Bytes(image, 16);
    if (sentinel.empty() || std::memcmp(sentinel.data(), kImageSentinel, 16) != 0) return SpanWalkResult::Fail();

    bytes::ByteReader table(cursor.Bytes(kLocatorsAt, count * kLocatorSize));
    uint32_t bestAddress = 0;
    uint32_t bestSize = 0;
    for (uint32_t i = 0; i < count; ++i) {
        const uint32_t address = table.u32le(i * kLocatorSize + 1);
        const uint32_t size = table.u32le(i * kLocatorSize + 5);
        if (i == 0 || address > bestAddress) {
            bestAddress = address;
            bestSize = size;
        }
    }
    if (!table || bestAddress == 0 || bestSize == 0) return SpanWalkResult::Fail();
    return SpanWalkResult::Sized(uint64_t(bestAddress) + bestSize);
}

} // namespace

SpanWalkResult FileDWGAnalyser::SearchSentinel(SpanSource& source, std::span<const uint8_t> sentinel, uint64_t tail,
                                               const SpanWalkLimits& limits)
{
    const uint64_t bound = std::min<uint64_t>(kSearchEnd - 1, limits.maxFileSize); // last position looked at
    uint64_t p = kSearchFrom;
    for (;;) {
        if (p > bound) return SpanWalkResult::Sized(p);
        std::span<const uint8_t> s = source.At(p);
        if (s.empty()) return p > kMinPartialSize ? SpanWalkResult::Sized(p) : SpanWalkResult::Fail();
        const size_t n = spanwalk::ScanLength(p, s.size(), bound);
        size_t i = 0;
        uint64_t next = 0;
        while (i < n) {
            i += spanwalk::FindEither(s.subspan(i, n - i), sentinel[0], sentinel[0]);
            if (i >= n) break;
            const uint64_t q = p + i;
            std::span<const uint8_t> at = s.subspan(i);
            if (at.size() < sentinel.size()) {
                at = source.At(q); // may replace s
                next = q + 1;
            }
            if (spanwalk::StartsWith(at, sentinel)) return SpanWalkResult::Sized(q + tail);
            if (next) break;
            ++i;
        }
        p = next ? next : p + n;
        limits.Pump();
    }
}

SpanWalkResult FileDWGAnalyser::Walk(SpanSource& source, const SpanWalkLimits& limits)
{
    SpanCursor cursor(source);
    const auto version = cursor.Bytes(0, 8);
    if (version.empty()) return SpanWalkResult::Fail();
    const auto is = [&](const char* v) { return std::memcmp(version.data(), v, 6) == 0; };
    if (is("AC1015") || is("AC1014") || is("AC1013") || is("AC1012")) return WalkLocators(cursor);
    if (is("AC1018")) {
        const auto at = cursor.Bytes(kSentinelAt, 16);
        if (at.empty() || std::memcmp(at.data(), kHeaderSentinel2004, 16) != 0) return SpanWalkResult::Fail();
        return SearchSentinel(source, kHeaderSentinel2004, 108, limits);
    }
    if (is("AC1021")) {
        const auto at = cursor.Bytes(kSentinelAt, 16);
        if (at.empty()) return SpanWalkResult::Fail();
        uint8_t sentinel[16];
        std::memcpy(sentinel, at.data(), 16);
        return SearchSentinel(source, sentinel, 1024, limits);
    }
    return SpanWalkResult::Fail();
}

int FileDWGAnalyser::Analyse(CRawFileInfo* hit, IStorageDevice* device)
{
    return RunSpanWalk(hit, device, Walk);
}
