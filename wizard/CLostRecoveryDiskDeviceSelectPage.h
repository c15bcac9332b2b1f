// Page 3 of the wizard: the disks and opened disk images a partition recovery can search, on a device page
// with a toolbar, and the "Previous Recovery..." row. Every command ends in one call of the controller.
// User-interface thread only.
#pragma once

#include "controller/ILostDiskView.h"
#include "wizard/CDeviceListPage.h"

class CLostRecoveryDiskDeviceSelectController;

class CLostRecoveryDiskDeviceSelectPage : public CDeviceListPage, public ILostDiskView {
    Q_OBJECT
public:
    static constexpr int kHelpId = 51;
    static constexpr unsigned kCmdRefresh = 1013, kCmdImageMenu = 1014, kCmdRecover = 1015, kCmdImport = 1016;

    CLostRecoveryDiskDeviceSelectPage();
    ~CLostRecoveryDiskDeviceSelectPage() override;

    IWizardPageController* GetController() override;
    int GetHelpContextId() override { return kHelpId; }
    void SetController(CLostRecoveryDiskDeviceSelectController* pController);

    // ILostDiskView: the question after an empty search (the image dialogs are the base page's).
    bool ShowFormatRecoveryHint() override { return false; }
    bool AskFullScanAfterEmptySearch() override;

protected:
    IDeviceListCommands* ListCommands() override;
    int OnCreate() override;
    bool ListsPreviousRecovery() override { return true; }
    void RemovePreviousRecoveryRow() override;

private:
    CLostRecoveryDiskDeviceSelectController* m_controller = nullptr;
};
