// gzip: measured by inflating its members with zlib; the inflated bytes are thrown away.
#include "raw/FileGZAnalyser.h"

#include "raw/RawWalk.h"

#include <zlib.h>

#include <algorithm>
#include <array>
#include <climits>
#include <memory>

namespace {

constexpr uint8_t kGzipMagic[3] = {0x1F, 0x8B, 0x08};

struct InflateStream {
    z_stream z{};
    bool ready = false;
    InflateStream() { ready = inflateInit2(&z, 16 + MAX_WBITS) == Z_OK; } // gzip wrapper only
    ~InflateStream()
    {
        if (ready) inflateEnd(&z);
    }
    InflateStream(const InflateStream&) = delete;
    InflateStream& operator=(const InflateStream&) = delete;
};

bool StartsMember(RawSectorReader& reader, uint64_t offset)
{
    uint8_t head[3];
    return reader.Read(offset, head, sizeof head) && std::equal(head, head + 3, kGzipMagic);
}

} // namespace

int MeasureGzipMembers(RawWalk& walk)
{
    RawSectorReader& reader = walk.Reader();
    const uint64_t limit = walk.Limit();
    auto stream = std::make_unique<InflateStream>();
    if (!stream->ready) return 0;
    z_stream& z = stream->z;
    // Thrown away: only the length of the input matters.
    auto scratch = std::make_unique<std::array<Bytef, 65536>>();

    uint64_t end = 0; // the end of the last whole member
    uint64_t pos = 0; // the input taken by zlib so far
    bool first = true;
    while (pos < limit && StartsMember(reader, pos)) {
        if (!first && inflateReset(&z) != Z_OK) break;
        int status = Z_OK;
        while (status == Z_OK) {
            walk.Step();
            const std::span<const uint8_t> held = reader.GetSpan(pos);
            const uint64_t room = std::min<uint64_t>({held.size(), limit - pos, UINT_MAX});
            if (room == 0) break; // the member runs past the device or the size option
            z.next_in = const_cast<Bytef*>(held.data());
            z.avail_in = uInt(room);
            do {
                z.next_out = scratch->data();
                z.avail_out = uInt(scratch->size());
                status = inflate(&z, Z_NO_FLUSH);
                // Z_BUF_ERROR: no progress was possible with the input given; more is read below.
                if (status == Z_BUF_ERROR) status = Z_OK;
            } while (status == Z_OK && z.avail_in != 0);
            pos += room - z.avail_in;
        }
        if (status != Z_STREAM_END) {
            // A broken first member is kept as far as it could be read when it gave any data at all; a broken
            // later one is not part of the file.
            if (first && z.total_out != 0) end = pos;
            break;
        }
        end = pos;
        first = false;
    }
    if (end == 0) return 0;
    walk.Hit()->SetSize(end);
    return 1;
}

int FileGZAnalyser::Analyse(CRawFileInfo* hit, IStorageDevice* device)
{
    return RunRawWalk(hit, device, MeasureGzipMembers);
}
