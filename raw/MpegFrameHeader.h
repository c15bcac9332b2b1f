// The 4-byte header of an MPEG audio frame (Layers I to III, MPEG 1, 2 and 2.5): the fields that decide the
// frame's length, so that a walk over an MP3 file can jump from frame to frame.
#pragma once

#include <cstdint>
#include <span>

struct MpegFrameHeader {
    // Header bits b1..b3 (b0 is the first 8 sync bits):
    //   b1: 3 sync bits, version (2 bits: 0 MPEG 2.5, 1 invalid, 2 MPEG 2, 3 MPEG 1), layer (2 bits: 1 Layer III,
    //       2 Layer II, 3 Layer I, 0 invalid), protection bit
    //   b2: bit-rate index (4 bits), sampling-rate index (2 bits), padding, private bit
    //   b3: channel mode (2 bits, 3 single channel), mode extension, copyright, original, emphasis (2 bits)
    uint8_t version = 0;
    // 1 for MPEG 2 and 2.5 (half sampling rates), 0 for MPEG 1.
    uint8_t lsf = 0;
    // 0 Layer I, 1 Layer II, 2 Layer III.
    uint8_t layer = 0;
    uint32_t bitRate = 0; // bits per second
    uint32_t samplingRate = 0;
    uint8_t padding = 0;
    uint8_t channelMode = 0;
    uint8_t emphasis = 0;

    // Decodes the first 4 bytes of header (fewer bytes never parse); false for the reserved and free-format
    // values and for the Layer II bit-rate and mode pairs the standard forbids.
    bool Parse(std::span<const uint8_t> header);
    // Bytes from this header to the next one; valid after a successful Parse (at least 24).
    uint32_t GetFrameLength() const;
};
