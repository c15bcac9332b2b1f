// Page 3 of the wizard: the disks and opened disk images a partition recovery can search, with the Refresh
// button and the disk-image menu on the toolbar. Every command ends in one call of the controller.
// User-interface thread only.
#pragma once

#include "controller/ILostDiskView.h"
#include "controls/CButtonPlus.h"
#include "controls/CImageWnd.h"
#include "wizard/CDeviceSelectPage.h"

#include <QPointer>

#include <array>

class CLostRecoveryDiskDeviceSelectController;

class CLostRecoveryDiskDeviceSelectPage : public CDeviceSelectPage, public ILostDiskView {
    Q_OBJECT
public:
    static constexpr int kHelpId = 51;
    static constexpr unsigned kCmdRefresh = 1013, kCmdImageMenu = 1014, kCmdRecover = 1015, kCmdImport = 1016;
    static constexpr unsigned kStripId = 200;
    static constexpr unsigned kCmdDiskImage = 32771, kCmdOpenDiskImage = 32772, kCmdDeleteImage = 32773;
    static constexpr unsigned kRecoverString = 189, kContinueString = 308, kRemoveString = 395;
    static constexpr unsigned kWaitBitmap = 150;

    CLostRecoveryDiskDeviceSelectPage();
    ~CLostRecoveryDiskDeviceSelectPage() override;

    IWizardPageController* GetController() override;
    int GetHelpContextId() override { return kHelpId; }
    void SetController(CLostRecoveryDiskDeviceSelectController* pController);

    void Layout(int iClientWidth, int iClientHeight) override;
    bool OnCommand(unsigned id) override;

    // ILostDiskView.
    void ClearRows() override;
    void AddRow(const DeviceRow& row) override;
    int GetSelectedRow() override;
    void* GetRowItem(int row) override;
    void DeleteRow(int row) override;
    void BeginRefresh() override;
    void EndRefresh() override;
    void PostToInterfaceThread(std::function<void()> task) override;
    std::string LoadString(unsigned id) override;
    int ShowMessage(unsigned stringId, unsigned type) override;
    bool ShowFormatRecoveryHint() override { return false; }
    std::string ChooseImageToOpen() override;
    CreatedImage RunCreateImage(IStorageDevice* source, const std::string& sourceName, int heads) override;
    bool AskFullScanAfterEmptySearch() override;

    // The image menu's entries as they would be enabled now: Disk Image, Open Disk Image, Delete Image.
    std::array<bool, 3> ImageMenuState();
    CButtonPlus& RefreshButton() { return m_refresh; }
    CButtonPlus& ImageStrip() { return m_strip; }

protected:
    int OnCreate() override;
    void OnListMessage(unsigned message) override;

private:
    void ShowImageMenu();
    void ShowRowMenu();

    CLostRecoveryDiskDeviceSelectController* m_controller = nullptr;
    CButtonPlus m_refresh;
    CButtonPlus m_strip;
    QPointer<CImageWnd> m_wait;
};
