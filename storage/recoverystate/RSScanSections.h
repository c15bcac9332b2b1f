// The sections of a saved format or partition scan: the partitions the scanners found, the scanners with
// their own state, and the signature hits.
//
// Found partitions {9332EB72-887D-4145-937D-C3C918EA09FE} and search controllers
// {409B6394-F681-4E88-A20F-5D635782ED75}, little-endian:
//   u64 count n, then n times: u32 kind (GetKind), the object's own payload (Save / SaveState)
// RAW hits {0F1F07F2-A023-4DEF-940E-2CE80A7A8D3D}: CRawFileList::Write
//   u64 count n, then n times: start sector (8), size (8), RAW type id (4), analyser type low 16 bits (2)
#pragma once

#include <cstdint>

#include "filesystems/common/CSearchedPartitionInfo.h"
#include "filesystems/common/IFileSystemSearchController.h"
#include "core/rsdata/IRSData.h"

class CRawFileList;

// Bounds on the stored counts: a count above them is damage (code 2), not a reason to read on.
constexpr uint64_t kMaxStoredPartitions = 1u << 20;
constexpr uint64_t kMaxStoredControllers = 64;

// Write the section; stream errors pass as CRSException. False only for a null stream.
bool SaveSearchedPartitions(const CSearchedPartitionList& partitions, IRSData* stream);
bool SaveSearchControllers(const CSearchControllerList& controllers, IRSData* stream);
// False for a null list; stream errors pass.
bool SaveRawFileList(const CRawFileList* hits, IRSData* stream);

// Replace the list's objects (which the list owns: they are deleted first) by the stored ones. A kind that
// cannot be made, or a count above its bound, is code 2. On any CRSException the list is left empty and the
// exception passes on; a missing section is code 7.
bool LoadSearchedPartitions(CSearchedPartitionList& partitions, IRSData* stream);
bool LoadSearchControllers(CSearchControllerList& controllers, IRSData* stream);
// Deletes the scanners of an owning list and empties it.
void DeleteSearchControllers(CSearchControllerList& controllers);
// Deletes the records of the list and empties it.
void DeleteSearchedPartitions(CSearchedPartitionList& partitions);

// A new list of the stored hits (owned by the caller). A missing section is code 7; on any CRSException
// nothing is kept and the exception passes on.
CRawFileList* LoadRawFileList(IRSData* stream);
