// The intelligent search of a whole device with every scanner the options ask for, shared by format
// recovery's device page and partition recovery's Full Scan, and what follows it: the partitions found go
// to a scan-partition controller, or without any the "Raw Files" of the signature hits go to the found-file
// page. User-interface thread only.
#pragma once

#include "filesystems/common/IFileSystemSearchController.h"
#include "filesystems/partitions/IntelligentSearchRunner.h"

class CCompleteRecoveryScanPartitionDeviceSelectController;
class CFileNode;
class CRawFileList;
class IStorageDevice;
class IWizardPageController;

// What the search needs of the page it starts from.
class IWholeDeviceSearchView {
public:
    virtual ~IWholeDeviceSearchView() = default;
    // One pass over the device with every scanner (RunIntelligentSearch under its progress dialog); found
    // receives the partitions, ranked and sorted (owned by the caller), also when the user cancelled.
    virtual IntelligentSearchEnd RunSearch(IStorageDevice* device, const CSearchControllerList& scanners,
                                           CSearchedPartitionList& found) = 0;
    // The "Raw Files" tree of the hits, added under parent.
    virtual void BuildRawTree(CRawFileList* hits, IStorageDevice* device, CFileNode* parent) = 0;
};

enum class WholeDeviceSearchOutcome {
    Cancelled,   // the user stopped the search before anything was found, or it could not run
    Failed,      // no root could be made
    NoFiles,     // no partition, and the hits gave no file (nothing kept; the caller tells the user)
    FilesShown,  // the found-file page shows the "Raw Files" of the hits
    ScanTookOver // the scan-partition controller holds the partitions and shows them or their files
};

// Searches device. handOver becomes the previous controller of the page that follows. A search the user
// cancelled goes on with what it found until then, like a complete one. With partitions found: with the
// option "Manually select historical partitions" the scan page shows them; otherwise the ticked ones are
// built at once, and when none is ticked or their trees hold no file the scan page shows the search
// instead of throwing it away.
WholeDeviceSearchOutcome SearchWholeDevice(IStorageDevice* device, IWholeDeviceSearchView& view,
                                           IWizardPageController* handOver,
                                           CCompleteRecoveryScanPartitionDeviceSelectController& scan);
