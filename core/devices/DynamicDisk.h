// Whether a disk is a dynamic disk (its volumes described by the dynamic-disk database rather than its
// partition table), decided from the MBR and its extended chain or from the GPT partition names; and the
// byte-order helpers of the database header (PRIVHEAD) and of the database's 128-byte blocks (VBLK), shared
// by this test and the database reader.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>

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

// The header of a VBLK block, its big-endian numbers in host order. The fields after the record number
// (update status, flags, type, data length) mean something only in the first block of a record.
struct VblkHeader {
    uint32_t sequence = 0;
    uint32_t group = 0;        // 0: the block is not used
    uint16_t recordNumber = 0; // 0 first block, 1, 2 ... continuation blocks
    uint16_t blockCount = 0;
    uint16_t updateStatus = 0;
    uint8_t flags = 0;
    uint8_t type = 0;
    uint32_t dataLength = 0; // record data from byte 0x18 of the first block on
};
// False when the block is shorter than 128 bytes or does not begin with "VBLK".
bool DecodeVblkHeader(std::span<const uint8_t> block, VblkHeader& header);

// The PRIVHEAD fields the volume reader uses, in host order.
struct PrivHeadFields {
    std::string diskId;            // the disk's GUID text (from 0x30, up to 64 characters)
    std::string diskGroupName;     // the first 32 bytes at 0xF0, up to the first NUL
    uint64_t logicalDiskStart = 0; // sector the partition starts of this disk count from
    uint64_t logicalDiskSize = 0;
    uint64_t configStart = 0; // first sector of the database area
    uint64_t configSize = 0;
};
// Reads the fields from the sector as stored on disk (big-endian); false without the signature or 512 bytes.
bool DecodePrivHead(std::span<const uint8_t> sector, PrivHeadFields& fields);
