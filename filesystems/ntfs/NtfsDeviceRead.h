// Reading a byte count at a sector through a device, in whole sectors of the device's own size.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

class IStorageDevice;

// Resizes out to bytes rounded up to whole sectors (zeroed) and reads them at the sector. False without a
// usable device, when bytes is 0, or when the read fails (the bytes not read stay zero).
bool NtfsReadBytesAt(IStorageDevice* device, uint64_t sector, size_t bytes, std::vector<uint8_t>& out);
