// Recycle-bin pairing: inside a recycle-bin folder a data file ($R..., #R...) and its information file
// ($I..., #I...) differ only in the second character; the information file holds the original path, whose
// last component gives the data file back its name.
#pragma once

#include <cstddef>
#include <cstdint>
#include <list>
#include <string>

class CFileNode;
class IStorageDevice;

// Nodes met during one folder walk that still wait for their partner.
using RecyclePendingList = std::list<CFileNode*>;

// A folder (attribute 0x10) named "Recycler", "Recycled", "$Recycle.Bin" or "$RECYCLE.BI0", in any case.
bool IsRecycleBinFolder(const CFileNode* node);
// The node or one of its ancestors is a recycle-bin folder.
bool IsInRecycleBin(const CFileNode* node);
// The name has at least 2 bytes, begins with '#' or '$' and its second byte is 'I'.
bool IsRecycleInfoFile(const CFileNode* node);
// Returns the waiting partner of node (removed from the list), or null after appending node to it.
// Only an information file and a data file pair.
CFileNode* FindRecyclePartner(RecyclePendingList& pending, CFileNode* node);
// Renames dataNode's properties after the last path component stored in infoNode. Names that could leave
// a target folder ('/', '\', control characters, "." or "..") or paths without a drive prefix are ignored.
void ApplyRecycleInfo(IStorageDevice* device, CFileNode* dataNode, CFileNode* infoNode);
// The name from the first bytes of an information file, or empty when none qualifies.
std::string RecycleNameFromInfo(const uint8_t* bytes, size_t count);
