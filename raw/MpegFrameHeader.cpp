// MPEG audio frame headers: the bit-rate and sampling-rate tables of the standard and the frame length.
#include "raw/MpegFrameHeader.h"

namespace {

// kbit/s by [lsf][layer][index]; index 0 (free format) and 15 are invalid.
constexpr uint16_t kBitRates[2][3][16] = {
    {
        {0, 32, 64, 96, 128, 160, 192, 224, 256, 288, 320, 352, 384, 416, 448, 0},
        {0, 32, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320, 384, 0},
        {0, 32, 40, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320, 0},
    },
    {
        {0, 32, 48, 56, 64, 80, 96, 112, 128, 144, 160, 176, 192, 224, 256, 0},
        {0, 8, 16, 24, 32, 40, 48, 56, 64, 80, 96, 112, 128, 144, 160, 0},
        {0, 8, 16, 24, 32, 40, 48, 56, 64, 80, 96, 112, 128, 144, 160, 0},
    },
};

// Hz by [version][index]; version 1 and index 3 are reserved.
constexpr uint32_t kSamplingRates[4][3] = {
    {11025, 12000, 8000},
    {0, 0, 0},
    {22050, 24000, 16000},
    {44100, 48000, 32000},
};

} // namespace

bool MpegFrameHeader::Parse(std::span<const uint8_t> header)
{
    if (header.size() < 4) return false;
    const uint8_t b1 = header[1], b2 = header[2], b3 = header[3];
    if (header[0] != 0xFF || (b1 & 0xE0) != 0xE0) return false;

    version = (b1 >> 3) & 3;
    if (version == 1) return false;
    lsf = version == 3 ? 0 : 1;
    const uint8_t layerBits = (b1 >> 1) & 3;
    if (layerBits == 0) return false;
    layer = static_cast<uint8_t>(3 - layerBits);

    const uint8_t bitRateIndex = b2 >> 4;
    bitRate = 1000u * kBitRates[lsf][layer][bitRateIndex];
    if (bitRate == 0) return false;
    const uint8_t samplingIndex = (b2 >> 2) & 3;
    if (samplingIndex == 3) return false;
    samplingRate = kSamplingRates[version][samplingIndex];

    padding = (b2 >> 1) & 1;
    channelMode = b3 >> 6;
    emphasis = b3 & 3;
    if (emphasis == 2) return false;

    // MPEG 1 Layer II allows only some bit rates per channel layout.
    if (version == 3 && layer == 1) {
        if (channelMode == 3) {
            if (bitRateIndex >= 11 && bitRateIndex <= 14) return false;
        } else if (bitRateIndex == 1 || bitRateIndex == 2 || bitRateIndex == 3 || bitRateIndex == 5) {
            return false;
        }
    }
    return true;
}

uint32_t MpegFrameHeader::GetFrameLength() const
{
    if (samplingRate == 0) return 0;
    uint32_t coefficient = 144;
    uint32_t slot = 1;
    if (layer == 0) {
        coefficient = 12;
        slot = 4;
    } else if (layer == 2 && lsf == 1) {
        coefficient = 72;
    }
    return (coefficient * bitRate / samplingRate + padding) * slot;
}
