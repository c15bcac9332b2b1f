// The volume pages of deleted-file and format recovery: the volumes and opened disk images of a
// CVolumeDeviceSelectController, with the Refresh button and the disk-image menu on the toolbar, the wait
// window of an enumeration and the dialogs the controller asks for. Every command ends in one call of the
// controller. A derived page gives its command ids and adds its own commands. User-interface thread only.
#pragma once

#include "controller/IDeviceSelectView.h"
#include "controls/CButtonPlus.h"
#include "controls/CImageWnd.h"
#include "wizard/CDeviceSelectPage.h"

#include <QPointer>

#include <array>

class CVolumeDeviceSelectController;

class CVolumeDeviceSelectPage : public CDeviceSelectPage, public IDeviceSelectView {
    Q_OBJECT
public:
    // The ids of the page's own commands.
    struct CommandIds {
        unsigned refresh;
        unsigned imageMenu;
        unsigned recover;
    };
    static constexpr unsigned kStripId = 200;
    static constexpr unsigned kCmdDiskImage = 32771, kCmdOpenDiskImage = 32772, kCmdDeleteImage = 32773;
    static constexpr unsigned kRecoverString = 189, kHintString = 396;
    static constexpr unsigned kWaitBitmap = 150;

    explicit CVolumeDeviceSelectPage(const CommandIds& ids);
    ~CVolumeDeviceSelectPage() override;

    IWizardPageController* GetController() override;
    CVolumeDeviceSelectController* GetVolumeController() const { return m_controller; }

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
    // The controller (not owned); the page becomes its view.
    void AttachController(CVolumeDeviceSelectController* controller);
    int OnCreate() override;
    void OnListMessage(unsigned message) override;
    // The menu of a right click on a row.
    virtual void ShowRowMenu();

    const CommandIds m_ids;
    CVolumeDeviceSelectController* m_controller = nullptr;

private:
    void ShowImageMenu();

    CButtonPlus m_refresh;
    CButtonPlus m_strip;
    QPointer<CImageWnd> m_wait;
};
