// What the format-recovery device controller sees of its page beyond the device list (IDeviceSelectView): the intelligent
// search under its progress dialog, the tree of the signature hits of a whole device, and the open dialog
// of a raw sector image. User-interface thread only.
#pragma once

#include "filesystems/common/IFileSystemSearchController.h"

#include <string>

class CFileNode;
class CRawFileList;
class IStorageDevice;

class ICompleteRecoveryDeviceView {
public:
    virtual ~ICompleteRecoveryDeviceView() = default;
    // One pass over the device with every scanner; found receives the partitions, ranked and sorted (owned
    // by the caller). False when the user cancelled the search (found is then left as it was).
    virtual bool RunSearch(IStorageDevice* device, const CSearchControllerList& scanners,
                           CSearchedPartitionList& found) = 0;
    // The "Raw Files" tree of the hits, added under parent (nothing when the options leave RAW files out).
    virtual void BuildRawTree(CRawFileList* hits, IStorageDevice* device, CFileNode* parent) = 0;
    // The path of one file to search as a raw sector image; empty when none was chosen.
    virtual std::string ChooseRawImageFile() = 0;
};
