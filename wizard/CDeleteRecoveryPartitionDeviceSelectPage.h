// Page 1 of the wizard: the volumes and opened disk images a deleted-file recovery can scan, with the
// Refresh button and the disk-image menu on the toolbar. Every command ends in one call of the controller.
// User-interface thread only.
#pragma once

#include "controller/IDeviceSelectView.h"
#include "controls/CButtonPlus.h"
#include "controls/CImageWnd.h"
#include "wizard/CDeviceSelectPage.h"

#include <QPointer>

#include <array>

class CDeleteRecoveryPartitionDeviceSelectController;

class CDeleteRecoveryPartitionDeviceSelectPage : public CDeviceSelectPage, public IDeviceSelectView {
    Q_OBJECT
public:
    static constexpr int kHelpId = 16;
    static constexpr unsigned kCmdRefresh = 1007, kCmdImageMenu = 1008, kCmdRecover = 1009, kStripId = 200;
    static constexpr unsigned kCmdDiskImage = 32771, kCmdOpenDiskImage = 32772, kCmdDeleteImage = 32773;
    static constexpr unsigned kRecoverString = 189, kHintString = 396;
    static constexpr unsigned kWaitBitmap = 150;

    CDeleteRecoveryPartitionDeviceSelectPage();
    ~CDeleteRecoveryPartitionDeviceSelectPage() override;

    IWizardPageController* GetController() override;
    int GetHelpContextId() override { return kHelpId; }
    void SetController(CDeleteRecoveryPartitionDeviceSelectController* pController);

    void Layout(int iClientWidth, int iClientHeight) override;
    bool OnCommand(unsigned id) override;

    // IDeviceSelectView.
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
    bool ShowFormatRecoveryHint() override;
    std::string ChooseImageToOpen() override;
    CreatedImage RunCreateImage(IStorageDevice* source, const std::string& sourceName, int heads) override;

    // The image menu's entries as they would be enabled now: Disk Image, Open Disk Image, Delete Image.
    std::array<bool, 3> ImageMenuState();
    CButtonPlus& RefreshButton() { return m_refresh; }
    CButtonPlus& ImageStrip() { return m_strip; }
    CImageWnd* WaitWindow() const { return m_wait; }

protected:
    int OnCreate() override;
    void OnListMessage(unsigned message) override;

private:
    void ShowImageMenu();
    void ShowRowMenu();

    CDeleteRecoveryPartitionDeviceSelectController* m_controller = nullptr;
    CButtonPlus m_refresh;
    CButtonPlus m_strip;
    QPointer<CImageWnd> m_wait;
};
