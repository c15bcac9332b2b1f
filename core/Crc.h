// Table-driven CRCs of the recovery-state files: most significant bit first, initial value 0, no reflection,
// no final XOR, with the polynomial given by the caller (0x8005 for the 16-bit header check, 0x1770 for the
// 32-bit container check).
#pragma once

#include <cstddef>
#include <cstdint>

uint16_t Crc16(const void* data, size_t length, uint16_t polynomial);
uint32_t Crc32(const void* data, size_t length, uint32_t polynomial);
