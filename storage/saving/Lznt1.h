// LZNT1, the compression of NTFS-compressed files: one chunk at a time, as NTFS stores it inside a
// compression unit.
#pragma once

#include <cstddef>
#include <cstdint>

// Bytes one chunk stands for once decoded; a chunk that decodes to fewer is followed by zeros.
inline constexpr size_t kLznt1ChunkBytes = 4096;

// The 16-bit header of a chunk: bit 15 set for a compressed chunk, the low 12 bits its length - 3 (header
// included).
inline size_t Lznt1ChunkLength(uint16_t header)
{
    return size_t(header & 0x0FFF) + 3;
}

// Decodes the chunk at the start of chunk (of which available bytes can be read) into destination. A
// stored chunk (bit 15 clear) gives its (header & 0xFFF) + 1 bytes; a compressed one literals and
// back-references, a reference before the start of the output giving zeros. Never reads past available
// nor past the chunk's own length, never writes past capacity or past kLznt1ChunkBytes. Returns the bytes
// produced (0 for capacity 0 or fewer than 2 bytes available).
size_t DecompressLznt1Chunk(uint8_t* destination, size_t capacity, const uint8_t* chunk, size_t available);

// Decodes one compression unit whose data clusters (dataBytes of them at data) hold LZNT1 chunks into out,
// which receives exactly unitBytes: each chunk fills a 4096-byte slot of its own (a short chunk is followed
// by zeros, so later chunks keep their places) and whatever the chunks do not cover is zero. A unit whose
// first 16-bit word is 0 is taken as stored. Reads stop at the first zero header or where the data ends.
void DecodeCompressionUnit(const uint8_t* data, size_t dataBytes, uint8_t* out, size_t unitBytes);
