// Page 1 of the wizard: the volumes and opened disk images a deleted-file recovery can scan, with the
// Refresh button and the disk-image menu on the toolbar. User-interface thread only.
#pragma once

#include "wizard/CVolumeDeviceSelectPage.h"

class CDeleteRecoveryPartitionDeviceSelectController;

class CDeleteRecoveryPartitionDeviceSelectPage : public CVolumeDeviceSelectPage {
    Q_OBJECT
public:
    static constexpr int kHelpId = 16;
    static constexpr unsigned kCmdRefresh = 1007, kCmdImageMenu = 1008, kCmdRecover = 1009;

    CDeleteRecoveryPartitionDeviceSelectPage();

    int GetHelpContextId() override { return kHelpId; }
    // The controller (not owned); the page becomes its view.
    void SetController(CDeleteRecoveryPartitionDeviceSelectController* pController);
};
