// Data read straight from a found NTFS file's FILE record group: its resident $DATA (for the content reader
// and the saver) and its $LOGGED_UTILITY_STREAM, the $EFS stream of an encrypted file (for the saver's
// restore of the raw encrypted form).
#pragma once

#include <cstddef>
#include <cstdint>

class CFileNode;
class IStorageDevice;

// Copies the first unnamed $DATA when it is resident and fits the buffer; length receives its length.
bool NtfsReadResidentFileData(CFileNode* node, IStorageDevice* device, uint64_t* length, void* buffer,
                              size_t bufferSize);

// Copies the first attribute 0x100 (resident, or its clusters while they fit the buffer; holes read as zeros);
// length receives min(initialized size, buffer size). Accepted only when the first 8 bytes, as a u64, equal
// the attribute's size.
bool NtfsReadLoggedUtilityStream(CFileNode* node, IStorageDevice* device, uint64_t* length, void* buffer,
                                 size_t bufferSize);
// The same function under the name the saver uses.
inline bool NtfsReadEfsAttribute(CFileNode* node, IStorageDevice* device, uint64_t* length, void* buffer,
                                 size_t bufferSize)
{
    return NtfsReadLoggedUtilityStream(node, device, length, buffer, bufferSize);
}
