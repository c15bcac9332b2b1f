// The two CRC routines; each call builds its table for the polynomial it is given.
#include "core/Crc.h"

uint32_t Crc32(const void* data, size_t length, uint32_t polynomial)
{
    uint32_t table[256];
    for (uint32_t i = 0; i < 256; ++i) {
        uint32_t crc = 0;
        uint32_t in = i << 24;
        for (int bit = 0; bit < 8; ++bit) {
            crc = ((crc ^ in) & 0x80000000u) ? (crc << 1) ^ polynomial : crc << 1;
            in <<= 1;
        }
        table[i] = crc;
    }
    const auto* p = static_cast<const uint8_t*>(data);
    uint32_t crc = 0;
    for (size_t i = 0; i < length; ++i) crc = (crc << 8) ^ table[((crc >> 24) ^ p[i]) & 0xFF];
    return crc;
}

uint16_t Crc16(const void* data, size_t length, uint16_t polynomial)
{
    uint16_t table[256];
    for (uint32_t i = 0; i < 256; ++i) {
        uint16_t crc = 0;
        uint16_t in = uint16_t(i << 8);
        for (int bit = 0; bit < 8; ++bit) {
            crc = ((crc ^ in) & 0x8000u) ? uint16_t((crc << 1) ^ polynomial) : uint16_t(crc << 1);
            in = uint16_t(in << 1);
        }
        table[i] = crc;
    }
    const auto* p = static_cast<const uint8_t*>(data);
    uint16_t crc = 0;
    for (size_t i = 0; i < length; ++i) crc = uint16_t((crc << 8) ^ table[((crc >> 8) ^ p[i]) & 0xFF]);
    return crc;
}
