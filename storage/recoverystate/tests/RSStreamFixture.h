// Helpers of the recovery-state stream tests: files as bytes, and an independent bitwise CRC-16.
#pragma once

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "core/rsdata/RSGuid.h"

namespace rstest {

inline std::vector<uint8_t> ReadAll(const std::filesystem::path& path)
{
    std::ifstream f(path, std::ios::binary);
    return std::vector<uint8_t>((std::istreambuf_iterator<char>(f)), std::istreambuf_iterator<char>());
}

inline void WriteAll(const std::filesystem::path& path, const std::vector<uint8_t>& bytes)
{
    std::ofstream f(path, std::ios::binary | std::ios::trunc);
    f.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
}

// CRC-16, polynomial 0x8005, MSB first, initial 0, no final XOR; bit by bit, apart from the table code.
inline uint16_t BitwiseCrc16(const uint8_t* data, size_t n)
{
    uint16_t crc = 0;
    for (size_t i = 0; i < n; ++i) {
        crc ^= uint16_t(data[i] << 8);
        for (int b = 0; b < 8; ++b) crc = (crc & 0x8000) ? uint16_t((crc << 1) ^ 0x8005) : uint16_t(crc << 1);
    }
    return crc;
}

inline void PutU32(std::vector<uint8_t>& v, size_t at, uint32_t x)
{
    for (int i = 0; i < 4; ++i) v[at + i] = uint8_t(x >> (8 * i));
}

inline std::vector<uint8_t> GuidBytes(const RSGuid& g)
{
    std::vector<uint8_t> v(16);
    EncodeRSGuid(g, v);
    return v;
}

inline constexpr RSGuid kGuidA{0x11111111, 0x2222, 0x3333, {4, 4, 4, 4, 4, 4, 4, 4}};
inline constexpr RSGuid kGuidB{0xAAAAAAAA, 0xBBBB, 0xCCCC, {0xD, 0xD, 0xD, 0xD, 0xD, 0xD, 0xD, 0xD}};

} // namespace rstest
