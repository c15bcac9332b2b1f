// What a scan-partition controller sees of its page: the found-partition list with its ticks, the page's
// message boxes, the wait cursor and the build progress dialog. User-interface thread only.
#pragma once

#include "filesystems/common/CSearchedPartitionInfo.h"
#include "filesystems/partitions/DeviceRecords.h"

#include <functional>

class IDIRBuildCallback;

class IScanPartitionView {
public:
    virtual ~IScanPartitionView() = default;

    // Fills the list with the partitions found on a volume or image (the records are not owned).
    virtual void ShowVolumePartitions(const CSearchedPartitionList& partitions, const VolumeDeviceRecord* volume) = 0;
    // Fills the list with the partitions found on a disk (partition recovery); a page that lists only
    // volumes shows nothing.
    virtual void ShowDiskPartitions(const CSearchedPartitionList& /*partitions*/, const DiskDeviceRecord* /*disk*/) {}
    virtual void ClearPartitions() = 0;
    virtual int GetRowCount() = 0;
    virtual int GetCheckedCount() = 0;
    virtual bool IsRowChecked(int row) = 0;
    // The partition of a row, null without one.
    virtual CSearchedPartitionInfo* GetRowPartition(int row) = 0;

    // A message box of the page with a string resource; returns the button pressed.
    virtual int ShowMessage(unsigned stringId, unsigned type) = 0;
    virtual void SetWaitCursor(bool wait) = 0;
    // Runs work under the build progress dialog over a disabled main window; work runs on a worker and
    // reports through the callback it is given. True when the user cancelled.
    virtual bool RunBuild(const std::function<void(IDIRBuildCallback* callback)>& work) = 0;
};
