// fuzz-target: salvix_raw
// FileMP3Analyser on a fuzzed device: the first bytes choose the sector size, the hit's start sector, the maximal
// RAW file size and whether the format's signature is written over the start; then the frame-header and text
// decoders on the raw bytes.
#include "raw/FileMP3Analyser.h"
#include "raw/Id3Tag.h"
#include "raw/MpegFrameHeader.h"

#include "fuzz/raw/RawAnalyserHarness.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size > fuzz::kMaxRawInput) return -1;
    const fuzz::RawDeviceCase c = fuzz::ReadRawDeviceCase(data, size);
    // The pure decoders on the same bytes: a frame length is at least 24 bytes, a text at most 259.
    MpegFrameHeader frame;
    if (frame.Parse(c.rest) && frame.GetFrameLength() < 24) std::abort();
    if (const auto text = DecodeId3Text(c.rest); text && text->size() > kId3MaxTextBytes) std::abort();
    static const uint8_t kSignature[] = {'I', 'D', '3', 3, 0, 0, 0, 0, 0, 0x40};
    FileMP3Analyser analyser;
    const CRawFileInfo hit = fuzz::AnalyseRawDeviceCase(analyser, c, kSignature);
    if (hit.GetNamePrefix().size() > kRawMaxNamePrefixBytes || hit.GetExtraText().size() > kId3MaxTextBytes)
        std::abort();
    return 0;
}
