// Page 7 of the wizard: the partitions format recovery's search found, for the user to tick before their
// trees are built. User-interface thread only.
#pragma once

#include "wizard/CScanPartitionDeviceSelectPage.h"

class CCompleteRecoveryScanPartitionDeviceSelectController;

class CCompleteRecoveryScanPartitionDeviceSelectPage : public CScanPartitionDeviceSelectPage {
    Q_OBJECT
public:
    static constexpr int kHelpId = 50;

    CCompleteRecoveryScanPartitionDeviceSelectPage() = default;
    ~CCompleteRecoveryScanPartitionDeviceSelectPage() override;

    IWizardPageController* GetController() override;
    int GetHelpContextId() override { return kHelpId; }
    // The controller (not owned); the page becomes its view.
    void SetController(CCompleteRecoveryScanPartitionDeviceSelectController* pController);

private:
    CCompleteRecoveryScanPartitionDeviceSelectController* m_controller = nullptr;
};
