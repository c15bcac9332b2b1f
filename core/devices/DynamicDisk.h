// Whether a disk is a dynamic disk (its volumes described by the dynamic-disk database rather than its
// partition table), decided from the MBR and its extended chain or from the GPT partition names; and the
// byte-order helpers of the database header (PRIVHEAD) that sits at sector 6 of such a disk.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

class IStorageDevice;

// Reads through the device; read failures only make the answer FALSE. A sector size under 512 is never dynamic.
bool IsDynamicDisk(IStorageDevice* device, uint64_t sectorCount, int32_t sectorSize);

// Reverses n bytes in place; returns the number of swaps made (n / 2).
size_t ReverseBytes(uint8_t* bytes, size_t n);
// Turns the big-endian numeric fields of a PRIVHEAD sector to host order in place (needs 512 bytes; a
// shorter span is left alone).
void SwapPrivHeadFields(std::span<uint8_t> sector);
// The sector begins with "PRIVHEAD".
bool CheckPrivHeadSignature(std::span<const uint8_t> sector);
// CheckPrivHeadSignature, and when it holds, SwapPrivHeadFields.
bool CheckPrivHead(std::span<uint8_t> sector);
