// The ustar walk: header, data rounded up to 512 bytes, next header, until the all-zero end blocks and the zeros
// that fill the last record.
#include "raw/FileTARAnalyser.h"

#include "raw/ArchiveHeaders.h"
#include "raw/RawWalk.h"

#include <algorithm>

namespace {

// GNU tar writes whole records of 20 blocks (10,240 bytes): the end of the record after the end blocks when the
// bytes up to it are zeros and lie on the device within the size option; end otherwise.
uint64_t AfterRecordPadding(RawWalk& walk, uint64_t end)
{
    constexpr uint64_t kRecordSize = 20 * kTarBlockSize;
    const uint64_t recordEnd = (end + kRecordSize - 1) / kRecordSize * kRecordSize;
    if (recordEnd > walk.Limit()) return end;
    for (uint64_t at = end; at < recordEnd;) {
        const std::span<const uint8_t> held = walk.Reader().GetSpan(at);
        if (held.empty()) return end;
        const size_t n = size_t(std::min<uint64_t>(held.size(), recordEnd - at));
        if (std::any_of(held.begin(), held.begin() + ptrdiff_t(n), [](uint8_t b) { return b != 0; })) return end;
        at += n;
    }
    return recordEnd;
}

int MeasureTar(RawWalk& walk)
{
    RawSectorReader& reader = walk.Reader();
    uint64_t offset = 0;
    // Members of size 0 (folders, links, empty files) are ordinary members: only the zero block ends the
    // archive. Each header adds at least 512 bytes, so the bound ends the walk.
    while (walk.WithinBound(offset)) {
        walk.Step();
        const std::span<const uint8_t> header = reader.GetSpan(offset);
        const TarHeaderKind kind = ClassifyTarHeader(header);
        if (kind == TarHeaderKind::NotTar) {
            if (offset == 0) return 0;
            break; // cut short: the archive ends after its last whole member
        }
        if (kind == TarHeaderKind::End) {
            offset += kTarBlockSize;
            // Writers close an archive with two zero blocks, and fill its last record with zeros.
            if (IsTarZeroBlock(reader.GetSpan(offset))) offset += kTarBlockSize;
            offset = AfterRecordPadding(walk, offset);
            break;
        }
        // Below 2^34 (eleven digits): the rounding cannot wrap.
        const uint64_t size = ParseTarSize(header.subspan(124, 12));
        // The data is padded to whole 512-byte blocks, whatever the device's sector size.
        const uint64_t member = kTarBlockSize + (size + kTarBlockSize - 1) / kTarBlockSize * kTarBlockSize;
        if (member > UINT64_MAX - offset) break;
        offset += member;
    }
    walk.Hit()->SetSize(offset);
    return 1;
}

} // namespace

int FileTARAnalyser::Analyse(CRawFileInfo* hit, IStorageDevice* device)
{
    return RunRawWalk(hit, device, MeasureTar);
}
