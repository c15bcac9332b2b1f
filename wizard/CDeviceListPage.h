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
    // Ctrl+O (forwarded by the main view) and its entry in the image menu: a raw sector image.
    static constexpr unsigned kCmdOpenRawImage = 32777;
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
    void ShowNothingReadable(bool nothingReadable) override;
    // The open dialog of a raw image: the common raw extensions first, then "ImageFile(*.vlv)" and every file.
    std::string ChooseRawImageFile() override;
    // The open-disk-image wizard (it checks the slices and offers the repair of a moved one).
    std::string ChooseImageToOpen() override;
    // The image-making wizard over a disk or volume.
    CreatedImage RunCreateImage(IStorageDevice* source, const std::string& sourceName, int heads) override;
    // The name filters of the raw-image dialog, in order.
    static QStringList RawImageFilters();
    // The description of a saved search ("Results for Partition ...") with its English beginning in the
    // interface language; any other text as it is.
    static std::string LocalizedResultInfo(const std::string& info);
    // "Results for \nPartition ", "... Image File ", "... Disk ".
    static constexpr unsigned kResultInfoPrefixes[] = {408, 409, 410};

    // The image menu's entries as they would be enabled now: Disk Image, Open Disk Image, Delete Image (then
    // Open Raw Image, the import on a page with it, and Options, always enabled).
    std::array<bool, 3> ImageMenuState();
    CButtonPlus& RefreshButton() { return m_refresh; }
    CButtonPlus& ImageStrip() { return m_strip; }
    CImageWnd* WaitWindow() const { return m_wait; }

protected:
    // Keeps the wait animation over the middle of the list while the page is laid out.
    void resizeEvent(QResizeEvent* e) override;
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
    void CentreWait();
    void ShowImageMenu();

    CButtonPlus m_refresh;
    CButtonPlus m_strip;
    QPointer<CImageWnd> m_wait;
};
