// The MP3 walk: ID3v2 tag, then MPEG audio frames, ended by an ID3v1 tag, by the next tagged file, by a frame
// that does not fit on the device, or by a long run of bytes that hold no frame.
#include "raw/FileMP3Analyser.h"

#include "raw/Id3Tag.h"
#include "raw/MpegFrameHeader.h"
#include "raw/RawWalk.h"

#include <algorithm>
#include <cstring>

namespace {

struct Mp3Texts {
    std::string title;
    std::string year;
};

// Title and year from the frames of the ID3v2 tag, which spans [10, 10 + tagSize).
void ReadTagTexts(RawWalk& walk, const Id3v2Header& tag, Mp3Texts& texts)
{
    RawSectorReader& reader = walk.Reader();
    uint64_t p = 0;
    // Each frame moves p on by at least 11 bytes, so the loop ends within the tag.
    while (p < tag.tagSize && tag.tagSize - p >= kId3HeaderSize) {
        walk.Step(16);
        bytes::ByteReader r = reader.GetReader(kId3HeaderSize + p);
        Id3FrameHeader frame;
        if (!DecodeId3FrameHeader(r.data(), tag.version, frame) || frame.size == 0) break;
        const uint64_t room = tag.tagSize - p - kId3HeaderSize;
        const bool isTitle = std::memcmp(frame.id, "TIT2", 4) == 0;
        const bool isYear = std::memcmp(frame.id, "TYER", 4) == 0 || std::memcmp(frame.id, "TDRC", 4) == 0;
        if (isTitle || isYear) {
            // The text reaches no further than the frame, the tag and the bytes the reader holds.
            const uint64_t length = std::min<uint64_t>({frame.size, room, r.remaining(kId3HeaderSize)});
            if (auto text = DecodeId3Text(r.span(kId3HeaderSize, length))) {
                if (isTitle) {
                    texts.title = *text;
                } else if (std::memcmp(frame.id, "TYER", 4) == 0) {
                    texts.year = *text;
                } else if (texts.year.empty()) {
                    texts.year = text->substr(0, 4); // a version 2.4 recording time, "yyyy-MM-dd..."
                }
            }
        }
        if (frame.size > room) break;
        p += kId3HeaderSize + frame.size;
    }
}

// Whether the ID3v1 tag at pos closes the file: it ends on a sector boundary, or only zeros follow it up to
// the end of its sector.
bool Id3v1EndsFile(RawSectorReader& reader, uint64_t pos)
{
    const uint64_t end = pos + kId3v1TagSize;
    const uint64_t sectorSize = reader.GetSectorSize();
    const uint64_t inSector = end % sectorSize;
    if (inSector == 0) return true;
    const uint64_t count = sectorSize - inSector;
    bytes::ByteReader r = reader.GetReader(end);
    if (!r.has(0, count)) return false;
    const auto tail = r.span(0, count);
    for (uint8_t b : tail)
        if (b != 0) return false;
    return true;
}

// Frames of one audio stream share version, layer and sampling rate (the bit rate may vary).
bool SameStream(const MpegFrameHeader& a, const MpegFrameHeader& b)
{
    return a.version == b.version && a.layer == b.layer && a.samplingRate == b.samplingRate;
}

bool ConfirmedByNext(RawSectorReader& reader, uint64_t next, const MpegFrameHeader& frame, uint64_t deviceEnd)
{
    if (next == deviceEnd) return true;
    uint8_t header[4];
    if (!reader.Read(next, header, sizeof header)) return false;
    if (std::memcmp(header, "TAG", 3) == 0) return true;
    MpegFrameHeader following;
    return following.Parse(header) && SameStream(following, frame);
}

} // namespace

int FileMP3Analyser::Analyse(CRawFileInfo* hit, IStorageDevice* device)
{
    return RunRawWalk(hit, device, [this](RawWalk& walk) { return Measure(walk); });
}

int FileMP3Analyser::Measure(RawWalk& walk)
{
    RawSectorReader& reader = walk.Reader();
    Id3v2Header tag;
    if (!DecodeId3v2Header(reader.GetSpan(0), tag)) return 0;

    Mp3Texts texts;
    ReadTagTexts(walk, tag, texts);

    const uint64_t audioStart = kId3HeaderSize + tag.tagSize;
    const uint64_t deviceEnd = walk.BytesToDeviceEnd();
    const uint64_t sectorSize = reader.GetSectorSize();
    uint64_t base = audioStart;
    uint64_t gap = 0;
    MpegFrameHeader stream;
    bool haveStream = false;
    while (gap < kMaxGap) {
        const uint64_t pos = base + gap;
        if (!walk.WithinBound(pos)) break;
        // Find the next byte that may start a frame header, an ID3v1 tag or another tagged file among the bytes
        // the reader holds; every byte passed is one step of the gap. The span is not used after another read.
        uint64_t k = 0;
        {
            const std::span<const uint8_t> held = reader.GetSpan(pos);
            if (held.empty()) break;
            const uint64_t avail = std::min<uint64_t>({held.size(), kMaxGap - gap, walk.MaxSize() - pos + 1});
            for (; k < avail; ++k) {
                walk.Step(16);
                const uint8_t b = held[k];
                if (b == 0xFF || b == 'T' || (b == 'I' && (pos + k) % sectorSize == 0)) break;
            }
            if (k == avail) {
                gap += k;
                continue;
            }
        }
        const uint64_t at = pos + k;
        uint8_t head[10];
        if (!reader.Read(at, head, sizeof head)) std::memset(head, 0, sizeof head);

        if (head[0] == 0xFF) {
            MpegFrameHeader frame;
            if (head[1] >= 0xE0 && head[2] <= 0xEF && frame.Parse({head, 4}) &&
                (!haveStream || SameStream(frame, stream))) {
                const uint64_t length = frame.GetFrameLength();
                // A frame that runs past the device's end is not part of the file.
                if (length > deviceEnd || at > deviceEnd - length) break;
                // After a gap, sync bytes in other data are common: a frame found there counts only when another
                // frame of the stream (or the closing ID3v1 tag) follows it.
                if (at == base || ConfirmedByNext(reader, at + length, frame, deviceEnd)) {
                    if (!haveStream) stream = frame;
                    haveStream = true;
                    base = at + length;
                    gap = 0;
                    continue;
                }
            }
        } else if (std::memcmp(head, "TAG", 3) == 0 && ((haveStream && at == base) || Id3v1EndsFile(reader, at))) {
            // Directly after the last frame the tag always closes the file; after a gap only when it ends the
            // sector's data.
            uint8_t tagBytes[kId3v1TagSize];
            if (reader.Read(at, tagBytes, sizeof tagBytes)) {
                if (texts.title.empty()) texts.title = DecodeLatin1Field({tagBytes + 3, 30});
                if (texts.year.empty()) texts.year = DecodeLatin1Field({tagBytes + 93, 4});
                base = at + kId3v1TagSize;
            }
            break;
        } else if (at % sectorSize == 0) {
            Id3v2Header next;
            if (DecodeId3v2Header({head, sizeof head}, next)) break; // the next tagged file starts here
        }
        gap += k + 1;
    }

    if (base <= audioStart) return 0;
    // The title becomes part of a file name.
    m_namePrefix = texts.title.empty() ? std::string() : CleanRawNamePrefix(texts.title);
    m_extraText = texts.year;
    walk.Hit()->SetNamePrefix(m_namePrefix);
    walk.Hit()->SetExtraText(m_extraText);
    walk.Hit()->SetSize(base);
    return 1;
}
