// The controller of partition recovery's scan-partition page (page 8): the scan-partition controller of
// format recovery over the disk chosen on the disk page. It keeps what the whole-disk search of the
// found-partition controller found, lists the partitions of the disk (up to four ticked at first), builds
// the ticked ones under one root and hands it to the found-file controller. An empty list is refused
// without a message. User-interface thread only.
#pragma once

#include "controller/CCompleteRecoveryScanPartitionDeviceSelectController.h"

struct DiskDeviceRecord;

class CLostRecoveryScanPartitionDeviceSelectController : public CCompleteRecoveryScanPartitionDeviceSelectController {
public:
    static constexpr unsigned kReturnToDevices = 144; // "Return to devices list?"
    static constexpr unsigned kNothingTicked = 145;   // "Please choose a partition to recover."
    static constexpr unsigned kTooManyTicked = 146;   // "... no more than 4 !"
    static constexpr unsigned kEventBuildStarted = 8245, kEventBuildCancelled = 8246;

    CLostRecoveryScanPartitionDeviceSelectController();

    int GetScanKind() override { return GetPrevious() ? GetPrevious()->GetScanKind() : kScanPartition; }

    // The disk chosen on the disk page, whatever this controller's previous one is.
    static DiskDeviceRecord* ScannedDisk();

protected:
    IStorageDevice* ScannedDevice() override;
    void ShowPartitionsOnPage() override;
};

// The process-wide controller, made on first use.
CLostRecoveryScanPartitionDeviceSelectController* GetLostRecoveryScanPartitionDeviceSelectController();
