// The NTFS mapping-pair encoding of a run list, which every properties kind uses as its packed run form.
// Each pair: a header byte (low nibble L length bytes, high nibble O offset bytes), L bytes of length,
// O bytes of the signed first-cluster difference from the previous real run (O = 0: a hole); 0 ends it.
#pragma once

#include "filesystems/tree/IDataRunList.h"

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

// Smallest byte count, 1 to 8, that holds value as a two's complement number.
int MappingPairSignedWidth(int64_t value);
// Smallest byte count, 1 to 8, for a run length: the signed width while it fits, 8 beyond 2^63.
int MappingPairLengthWidth(uint64_t value);

// Encodes the runs and a final 0 byte; an empty list gives no bytes.
std::vector<uint8_t> EncodeMappingPairs(const std::deque<DataRun>& runs);
std::vector<uint8_t> EncodeMappingPairs(std::span<const DataRun> runs);

// Decodes pairs from at most count bytes, appending runs to out. Stops at a 0 header or the byte count.
// Returns false, keeping what was decoded before, when a field is wider than 8 bytes or a pair runs past
// the byte count. Never reads outside [bytes, bytes + count).
bool DecodeMappingPairs(const uint8_t* bytes, size_t count, std::vector<DataRun>& out);
