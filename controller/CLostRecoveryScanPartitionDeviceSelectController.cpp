// Partition recovery's scan-partition controller.
#include "controller/CLostRecoveryScanPartitionDeviceSelectController.h"

#include "controller/CLostRecoveryDiskDeviceSelectController.h"
#include "controller/IScanPartitionView.h"

CLostRecoveryScanPartitionDeviceSelectController::CLostRecoveryScanPartitionDeviceSelectController()
    : CCompleteRecoveryScanPartitionDeviceSelectController(
          PageValues{WP_LOST_RECOVERY_SCAN_PARTITION, 4, kReturnToDevices, 0, kNothingTicked, kTooManyTicked,
                     kEventBuildStarted, kEventBuildCancelled})
{
}

DiskDeviceRecord* CLostRecoveryScanPartitionDeviceSelectController::ScannedDisk()
{
    return GetLostRecoveryDiskDeviceSelectController()->GetChosenRecord();
}

IStorageDevice* CLostRecoveryScanPartitionDeviceSelectController::ScannedDevice()
{
    const DiskDeviceRecord* disk = ScannedDisk();
    return disk ? disk->pDevice : nullptr;
}

void CLostRecoveryScanPartitionDeviceSelectController::ShowPartitionsOnPage()
{
    if (m_page) m_page->ShowDiskPartitions(GetPartitions(), ScannedDisk());
}

CLostRecoveryScanPartitionDeviceSelectController* GetLostRecoveryScanPartitionDeviceSelectController()
{
    static CLostRecoveryScanPartitionDeviceSelectController controller;
    return &controller;
}
