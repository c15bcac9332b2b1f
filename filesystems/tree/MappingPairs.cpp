// NTFS mapping-pair encoding and a decoder that never reads past its bytes and stops at malformed pairs.
#include "filesystems/tree/MappingPairs.h"

#include "core/bytes/ByteReader.h"

int MappingPairSignedWidth(int64_t value)
{
    for (int n = 1; n < 8; ++n) {
        const int64_t limit = int64_t(1) << (8 * n - 1);
        if (value >= 0 ? value < limit : value >= -limit) return n;
    }
    return 8;
}

int MappingPairLengthWidth(uint64_t value)
{
    return value >> 63 ? 8 : MappingPairSignedWidth(int64_t(value));
}

namespace {

// The pairs written to exactly the bytes they take: a packed list lives as long as its tree.
template <class Runs>
std::vector<uint8_t> EncodeRuns(const Runs& runs)
{
    std::vector<uint8_t> out;
    if (runs.empty()) return out;
    size_t bytes = 1;
    uint64_t previous = 0;
    for (const DataRun& r : runs) {
        bytes += 1 + size_t(MappingPairLengthWidth(r.length));
        if (!r.IsSparse()) {
            bytes += size_t(MappingPairSignedWidth(int64_t(uint64_t(r.firstCluster) - previous)));
            previous = uint64_t(r.firstCluster);
        }
    }
    out.reserve(bytes);
    previous = 0;
    for (const DataRun& r : runs) {
        const int lengthBytes = MappingPairLengthWidth(r.length);
        int offsetBytes = 0;
        uint64_t difference = 0;
        if (!r.IsSparse()) {
            // Two's complement difference; unsigned arithmetic wraps where a signed one would overflow.
            difference = uint64_t(r.firstCluster) - previous;
            offsetBytes = MappingPairSignedWidth(int64_t(difference));
            previous = uint64_t(r.firstCluster);
        }
        out.push_back(uint8_t(offsetBytes << 4 | lengthBytes));
        for (int i = 0; i < lengthBytes; ++i) out.push_back(uint8_t(r.length >> (8 * i)));
        for (int i = 0; i < offsetBytes; ++i) out.push_back(uint8_t(difference >> (8 * i)));
    }
    out.push_back(0);
    return out;
}

} // namespace

std::vector<uint8_t> EncodeMappingPairs(const std::deque<DataRun>& runs)
{
    return EncodeRuns(runs);
}

std::vector<uint8_t> EncodeMappingPairs(std::span<const DataRun> runs)
{
    return EncodeRuns(runs);
}

bool DecodeMappingPairs(const uint8_t* bytes, size_t count, std::vector<DataRun>& out)
{
    if (!bytes) return count == 0;
    bytes::ByteReader r(bytes, count);
    uint64_t current = 0;
    size_t pos = 0;
    while (pos < count) {
        const uint8_t header = r.u8(pos);
        if (header == 0) return true;
        const unsigned lengthBytes = header & 0x0F;
        const unsigned offsetBytes = header >> 4;
        if (lengthBytes > 8 || offsetBytes > 8) return false;
        if (lengthBytes + offsetBytes > count - pos - 1) return false;
        ++pos;
        const uint64_t length = r.uleN(pos, lengthBytes);
        pos += lengthBytes;
        if (offsetBytes == 0) {
            out.push_back({kSparseCluster, length});
            continue;
        }
        // Two's complement difference; unsigned arithmetic wraps where a signed one would overflow.
        current += static_cast<uint64_t>(r.sleN(pos, offsetBytes));
        pos += offsetBytes;
        out.push_back({int64_t(current), length});
    }
    // The bytes ran out before the terminating 0.
    return false;
}
