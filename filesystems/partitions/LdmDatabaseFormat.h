// Decoders of the dynamic-disk database over bytes already read: the variable-length numbers and strings of
// its records, the VBLK area with its multi-block records, the record layouts, the links between records,
// and the GPT entries that point to the database. Reading from disks is CLdmDatabase's.
#pragma once

#include "filesystems/partitions/LdmRecords.h"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

// A number: a length byte L (1 to 64, not more than the bytes after it), then L big-endian bytes of which the
// last 8 count. Otherwise the value is all ones and only the length byte is consumed. Returns bytes consumed
// (1 when nothing is left at all).
size_t LdmReadVarNumber(std::span<const uint8_t> bytes, uint64_t& value);
// A string: a length byte L, then L characters. L of 0 or past the end gives an empty string and consumes 1.
size_t LdmReadVarString(std::span<const uint8_t> bytes, std::string& text);

// Every record of a database area, in area order: the first blocks with their continuation blocks joined.
// A record whose continuation blocks are incomplete, out of order, or cannot carry its data length is dropped.
std::vector<LdmRawRecord> ParseVblkArea(std::span<const uint8_t> area);

// Sorts the records into volumes, components, partitions and disks (other types are ignored), converts sizes
// and starts from 512-byte units to sectors of sectorSize bytes, and links them.
LdmDatabaseRecords DecodeLdmRecords(const std::vector<LdmRawRecord>& records, int32_t sectorSize);
// Components to their volume, partitions to their component (each chain the reverse of database order), and
// each partition to the first disk record with its disk id.
void LinkLdmRecords(LdmDatabaseRecords& records);

// What the GPT header at sector 1 says of the entries; nullopt without "EFI PART".
struct GptEntryArray {
    uint64_t firstSector = 0;
    uint32_t count = 0;
    uint32_t entrySize = 0;
};
std::optional<GptEntryArray> DecodeGptHeader(std::span<const uint8_t> sector);
// The last LBA of the first entry among the sector's first `entries` entries that has a first LBA and is
// named "LDM metadata partition"; nullopt when none is.
std::optional<uint64_t> FindLdmMetadataEntry(std::span<const uint8_t> sector, uint32_t entrySize, uint32_t entries);
