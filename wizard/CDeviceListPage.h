// The device pages with a toolbar over their list (the volume pages and the partition-recovery disk page):
// the Refresh button and the disk-image menu on the strip beside it, the list's rows, the wait window of an
// enumeration and the page's message boxes. Every command ends in one call of the page's controller; a
// derived page gives its command ids, the dialogs it runs and its row menu. User-interface thread only.
#pragma once

#include "controller/IDeviceSelectView.h"
#include "controls/CButtonPlus.h"
#include "controls/CImageWnd.h"
#include "wizard/CDeviceSelectPage.h"

#include <QPointer>

#include <array>

class IDeviceListCommands;

class CDeviceListPage : public CDeviceSelectPage, public virtual IDeviceSelectView {
    Q_OBJECT
public:
    // The ids of the page's own commands.
    struct CommandIds {
        unsigned refresh;
        unsigned imageMenu;
        unsigned recover;
        // The import of an exported recovery state, listed under the image menu; 0 on a page without it.
        unsigned importState = 0;
    };
    static constexpr unsigned kStripId = 200;
    static constexpr unsigned kCmdDiskImage = 32771, kCmdOpenDiskImage = 32772, kCmdDeleteImage = 32773;
    // The Options dialog of the page's recovery mode (file types, RAW files, the choice of found
    // partitions), last in the image menu: the sheet's Options command.
    static constexpr unsigned kCmdShowOptions = 32774;
    static constexpr unsigned kRecoverString = 189, kContinueString = 308, kRemoveString = 395;
    static constexpr unsigned kWaitBitmap = 150;

    explicit CDeviceListPage(const CommandIds& ids);
    ~CDeviceListPage() override;

    void Layout(int iClientWidth, int iClientHeight) override;
    bool OnCommand(unsigned id) override;

    // IDeviceSelectView: the rows, the wait window, strings and message boxes.
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

    // The image menu's entries as they would be enabled now: Disk Image, Open Disk Image, Delete Image (a page
    // with the import lists it below them, always enabled).
    std::array<bool, 3> ImageMenuState();
    CButtonPlus& RefreshButton() { return m_refresh; }
    CButtonPlus& ImageStrip() { return m_strip; }
    CImageWnd* WaitWindow() const { return m_wait; }

protected:
    // The controller's list commands (not owned); null before a controller is set.
    virtual IDeviceListCommands* ListCommands() = 0;
    int OnCreate() override;
    void OnListMessage(unsigned message) override;
    // The menu of a right click on a row: Recover; on a page that lists "Previous Recovery..." (a row
    // without record) Continue for that row, and Remove for it or for an image.
    virtual void ShowRowMenu();
    // True on a page whose list may start with the "Previous Recovery..." row.
    virtual bool ListsPreviousRecovery() { return false; }
    // Removes the selected "Previous Recovery..." row and its state.
    virtual void RemovePreviousRecoveryRow() {}
    // True when the selected row is "Previous Recovery...".
    bool IsPreviousRecoverySelected();

    const CommandIds m_ids;

private:
    void ShowImageMenu();

    CButtonPlus m_refresh;
    CButtonPlus m_strip;
    QPointer<CImageWnd> m_wait;
};
