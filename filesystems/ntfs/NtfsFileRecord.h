// FILE records of the master file table: the header test, the update-sequence fix-ups, the full record test
// and the walk over a record's attributes. Plain functions over byte buffers; none keeps state.
//
// The attribute walk covers the record up to the smaller of the buffer and the record's allocated size, so
// 4096-byte records are walked whole. Fix-ups cover every 512-byte unit that lies inside the buffer.
#pragma once

#include "filesystems/ntfs/CNTFSAttributeHeader.h"

#include <cstdint>
#include <span>
#include <string_view>
#include <vector>

class IStorageDevice;

// Reads the FILE record at the sector: GetFileRecordSize(device) bytes, or the record's allocated size when
// its header declares more (up to 4096). False when a read fails; the buffer is not validated.
bool ReadFileRecordAt(IStorageDevice* device, uint64_t sector, std::vector<uint8_t>& out);

// 1024 when the device has 512-byte sectors or there is no device, else the device's sector size.
uint32_t GetFileRecordSize(IStorageDevice* device);

// "FILE", update-sequence count 1..16, allocated size 1024..4096 in steps of 1024, count - 1 at most
// allocated / 512, update-sequence offset 42..256.
bool IsFileRecordHeader(std::span<const uint8_t> record);

// The fix-ups over units 1 .. min(count - 1, length / 512). All three refuse a buffer below 1024 bytes or a
// record whose header fails IsFileRecordHeader.
bool CheckFixups(std::span<const uint8_t> record);
bool ApplyFixups(std::span<uint8_t> record);   // checks first; writes the saved entries into the units
bool RestoreFixups(std::span<uint8_t> record); // saves each unit's end into its entry, writes the sequence number

// Header test, fix-ups applied when they check, attribute validation; the buffer is left as it was given.
bool ValidateFileRecord(std::span<uint8_t> record);

// End of the attribute area: the smaller of the buffer and the allocated size.
size_t AttributeAreaEnd(std::span<const uint8_t> record);

// The n-th attribute of a type (from 0), or none.
CNTFSAttributeHeader FindAttribute(std::span<const uint8_t> record, uint32_t type, int n = 0);
int CountAttributes(std::span<const uint8_t> record, uint32_t type);

// What the attribute walk of one record meets, in record order, so that looking up several attributes of the
// record takes one walk: FindAttribute and CountAttributes over the index give what they give over the record.
// A record of more attributes than the index holds is left to the walk (complete is false).
struct AttributeIndex {
    struct Entry {
        uint32_t type;
        uint32_t offset; // in the record
        uint32_t length; // of the view: the attribute's length, cut at the end of the attribute area
    };
    static constexpr size_t kCapacity = 24;
    Entry entries[kCapacity];
    uint32_t count = 0;
    bool complete = false;
};
void IndexAttributes(std::span<const uint8_t> record, AttributeIndex& index);
CNTFSAttributeHeader FindAttribute(std::span<const uint8_t> record, const AttributeIndex& index, uint32_t type,
                                   int n = 0);
int CountAttributes(std::span<const uint8_t> record, const AttributeIndex& index, uint32_t type);

// attribute: the bytes from the attribute's start to the end of what remains of its record.
bool IsValidAttributeHeader(std::span<const uint8_t> attribute);
bool ValidateAttributes(std::span<const uint8_t> record);
bool IsValidFileNameAttribute(std::span<const uint8_t> attribute);
// None of the characters (up to a zero) is one of " * / : < > ? \ |.
bool IsValidNtfsFileName(std::u16string_view name);
// The $FILE_NAME carries exactly this name (same length, characters equal, case matters).
bool CompareFileName(const CNTFSAttributeHeader& fileName, std::u16string_view name);
