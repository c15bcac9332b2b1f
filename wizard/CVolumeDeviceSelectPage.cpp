// The volume pages.
#include "wizard/CVolumeDeviceSelectPage.h"

#include "controller/CVolumeDeviceSelectController.h"
#include "controls/CHasCheckboxPromptDlg.h"
#include "controls/CImageWnd.h"
#include "controls/CResourceLibrary.h"
#include "controls/CXPMenu.h"
#include "controls/ControlId.h"
#include "controls/MessageBox.h"
#include "platform/Log.h"
#include "views/devices/CDeviceSelectCtrl.h"
#include "views/devices/DeviceSelectTypes.h"
#include "views/diskimage/CImageDiskMasterDlg.h"
#include "views/diskimage/COpenDiskImageMasterDlg.h"

#include <QCursor>
#include <QMetaObject>

namespace {
QString Text(const char* key)
{
    return CResourceLibrary::Instance().LoadText(QString::fromLatin1(key));
}
} // namespace

CVolumeDeviceSelectPage::CVolumeDeviceSelectPage(const CommandIds& ids)
    : m_ids(ids), m_refresh(374, 373, 372, 371), m_strip(543, 543, 543, 543)
{
    if (m_refresh.GetInitError() != 0 || m_strip.GetInitError() != 0) m_initError = 513;
}

CVolumeDeviceSelectPage::~CVolumeDeviceSelectPage()
{
    if (m_controller && m_controller->GetPage() == this) m_controller->SetPage(nullptr);
}

IWizardPageController* CVolumeDeviceSelectPage::GetController()
{
    return m_controller;
}

void CVolumeDeviceSelectPage::AttachController(CVolumeDeviceSelectController* controller)
{
    m_controller = controller;
    if (controller) controller->SetPage(this);
}

int CVolumeDeviceSelectPage::OnCreate()
{
    if (CDeviceSelectPage::OnCreate() == -1) return -1;
    m_refresh.Create(QString(), WS_CHILD | WS_VISIBLE, RECT{}, this, int(m_ids.refresh));
    m_strip.Create(QString(), WS_CHILD | WS_VISIBLE, RECT{}, this, kStripId);
    m_refresh.setToolTip(CResourceLibrary::Instance().LoadText(QStringLiteral("skin.refresh")));
    connect(&m_refresh, &QAbstractButton::clicked, this, [this] { OnCommand(m_ids.refresh); });
    // The strip carries the disk-image menu.
    connect(&m_strip, &QAbstractButton::clicked, this, [this] { OnCommand(m_ids.imageMenu); });
    m_list->SetCtrlStyle(CS_PARTITION);
    return 0;
}

void CVolumeDeviceSelectPage::Layout(int cx, int cy)
{
    CDeviceSelectPage::Layout(cx, cy);
    m_refresh.MoveTo(50, 30);
    const int stripX = 50 + m_refresh.GetBitmapSize().width();
    m_strip.MoveTo(stripX, 30);
    m_strip.resize(std::max(0, cx - 50 - stripX), m_strip.GetBitmapSize().height());
}

bool CVolumeDeviceSelectPage::OnCommand(unsigned id)
{
    if (!m_controller) return false;
    if (id == m_ids.refresh) {
        m_controller->RefreshDeviceList();
        return true;
    }
    if (id == m_ids.recover) {
        m_controller->next();
        return true;
    }
    if (id == m_ids.imageMenu) {
        ShowImageMenu();
        return true;
    }
    switch (id) {
    case kCmdDiskImage: m_controller->CreateDiskImage(); return true;
    case kCmdOpenDiskImage: m_controller->OpenDiskImage(); return true;
    case kCmdDeleteImage: m_controller->RemoveSelectedImage(); return true;
    default: return false;
    }
}

void CVolumeDeviceSelectPage::OnListMessage(unsigned message)
{
    if (message == UM_DEVICE_LIST_DBLCLICK)
        OnCommand(m_ids.recover);
    else if (message == UM_DEVICE_LIST_RIGHTCLICK)
        ShowRowMenu();
}

void CVolumeDeviceSelectPage::ShowRowMenu()
{
    CXPMenu menu(this);
    menu.AppendItem(m_ids.recover, CResourceLibrary::Instance().LoadString(kRecoverString).trimmed());
    if (const unsigned command = menu.TrackPopupMenu(QCursor::pos())) OnCommand(command);
}

std::array<bool, 3> CVolumeDeviceSelectPage::ImageMenuState()
{
    std::array<bool, 3> enabled{true, true, true};
    if (!m_controller) return {false, false, false};
    if (m_controller->UpdateSelection() == 0) {
        enabled[0] = enabled[2] = false;
    } else if (m_controller->IsImageSelected() == 0) {
        enabled[2] = false;
    } else {
        enabled[0] = false;
    }
    return enabled;
}

void CVolumeDeviceSelectPage::ShowImageMenu()
{
    const std::array<bool, 3> enabled = ImageMenuState();
    CXPMenu menu(this);
    const struct {
        unsigned id;
        const char* key;
    } items[] = {{kCmdDiskImage, "wizard.menu.diskimage"},
                 {kCmdOpenDiskImage, "wizard.menu.opendiskimage"},
                 {kCmdDeleteImage, "wizard.menu.deleteimage"}};
    for (size_t i = 0; i < 3; ++i)
        if (QAction* action = menu.AppendItem(items[i].id, Text(items[i].key))) action->setEnabled(enabled[i]);
    const QPoint below = m_strip.mapToGlobal(QPoint(0, m_strip.height()));
    if (const unsigned command = menu.TrackPopupMenu(below)) OnCommand(command);
}

void CVolumeDeviceSelectPage::ClearRows()
{
    if (m_list) m_list->DeleteAllItems();
}

void CVolumeDeviceSelectPage::AddRow(const DeviceRow& row)
{
    if (!m_list) return;
    DEVICE_ITEM item;
    item.nIcon = row.icon;
    item.pszName = row.name.c_str();
    item.nSectors = row.sectors;
    item.nSectorSize = row.sectorSize ? row.sectorSize : 512;
    item.pszInfo = row.info.c_str();
    item.pItemData = row.item;
    m_list->AddItem(&item);
}

int CVolumeDeviceSelectPage::GetSelectedRow()
{
    return m_list ? m_list->GetSelectedIndex() : -1;
}

void* CVolumeDeviceSelectPage::GetRowItem(int row)
{
    return m_list ? m_list->GetItemData(row) : nullptr;
}

void CVolumeDeviceSelectPage::DeleteRow(int row)
{
    if (m_list) m_list->DeleteItem(row);
}

void CVolumeDeviceSelectPage::BeginRefresh()
{
    QWidget* main = window();
    if (!m_wait && main) {
        m_wait = new CImageWnd(main);
        m_wait->LoadFrames(kWaitBitmap, 12, 120, 0xFFFFFF, true);
    }
    if (m_wait) {
        m_wait->MoveTo(-1, -1);
        m_wait->show();
        m_wait->raise();
        m_wait->Start();
    }
    if (main) main->setEnabled(false);
}

void CVolumeDeviceSelectPage::EndRefresh()
{
    if (m_wait) {
        m_wait->Stop();
        m_wait->hide();
    }
    if (QWidget* main = window()) {
        main->setEnabled(true);
        main->activateWindow();
    }
}

void CVolumeDeviceSelectPage::PostToInterfaceThread(std::function<void()> task)
{
    QMetaObject::invokeMethod(this, std::move(task), Qt::QueuedConnection);
}

std::string CVolumeDeviceSelectPage::LoadString(unsigned id)
{
    return CResourceLibrary::Instance().LoadString(id).toStdString();
}

int CVolumeDeviceSelectPage::ShowMessage(unsigned stringId, unsigned type)
{
    return ShowMessageBox(this, stringId, type);
}

bool CVolumeDeviceSelectPage::ShowFormatRecoveryHint()
{
    CHasCheckboxPromptDlg dlg(CResourceLibrary::Instance().LoadString(kHintString), nullptr);
    dlg.DoModal();
    return dlg.GetDontShowAgain() != 0;
}

std::string CVolumeDeviceSelectPage::ChooseImageToOpen()
{
    // The open-disk-image wizard checks the image's slices (and lets the user repair a moved one) before
    // the controller opens it.
    COpenDiskImageMasterDlg dlg(nullptr);
    dlg.DoModal();
    if (dlg.GetResult() != 1) return std::string();
    return dlg.GetImagePath();
}

CreatedImage CVolumeDeviceSelectPage::RunCreateImage(IStorageDevice* source, const std::string& sourceName, int heads)
{
    CImageDiskMasterDlg dlg(source, sourceName.c_str(), heads, nullptr);
    dlg.DoModal();
    CreatedImage made;
    made.openInList = dlg.GetOpenImageInList() != 0;
    if (made.openInList) {
        made.sectorCount = dlg.GetRegionSectorCount();
        made.path = dlg.GetImageFilePath();
    }
    return made;
}
