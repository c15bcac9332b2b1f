// The deleted-file volume page.
#include "wizard/CDeleteRecoveryPartitionDeviceSelectPage.h"

#include "controller/CDeleteRecoveryPartitionDeviceSelectController.h"
#include "controls/CHasCheckboxPromptDlg.h"
#include "controls/CImageWnd.h"
#include "controls/CResourceLibrary.h"
#include "controls/CXPMenu.h"
#include "controls/ControlId.h"
#include "controls/MessageBox.h"
#include "platform/Log.h"
#include "views/devices/CDeviceSelectCtrl.h"
#include "views/devices/DeviceSelectTypes.h"

#include <QCursor>
#include <QFileDialog>
#include <QMetaObject>

namespace {
QString Text(const char* key) { return CResourceLibrary::Instance().LoadText(QString::fromLatin1(key)); }
} // namespace

CDeleteRecoveryPartitionDeviceSelectPage::CDeleteRecoveryPartitionDeviceSelectPage()
    : m_refresh(374, 373, 372, 371), m_strip(543, 543, 543, 543)
{
    if (m_refresh.GetInitError() != 0 || m_strip.GetInitError() != 0) {
        m_initError = 513;
        LogError("Init CDeleteRecoveryPartitionDeviceSelectPage is false error=0x%x", unsigned(m_initError));
    }
}

CDeleteRecoveryPartitionDeviceSelectPage::~CDeleteRecoveryPartitionDeviceSelectPage()
{
    if (m_controller && m_controller->GetPage() == this)
        m_controller->SetPage(nullptr);
}

IWizardPageController* CDeleteRecoveryPartitionDeviceSelectPage::GetController() { return m_controller; }

void CDeleteRecoveryPartitionDeviceSelectPage::SetController(CDeleteRecoveryPartitionDeviceSelectController* pController)
{
    LogError("------------------------ParmInfo:IDeleteRecoveryPartitionDeviceSelectController* pController");
    m_controller = pController;
}

int CDeleteRecoveryPartitionDeviceSelectPage::OnCreate()
{
    if (CDeviceSelectPage::OnCreate() == -1)
        return -1;
    m_refresh.Create(QString(), WS_CHILD | WS_VISIBLE, RECT{}, this, kCmdRefresh);
    m_strip.Create(QString(), WS_CHILD | WS_VISIBLE, RECT{}, this, kStripId);
    m_refresh.setToolTip(CResourceLibrary::Instance().LoadText(QStringLiteral("skin.refresh")));
    connect(&m_refresh, &QAbstractButton::clicked, this, [this] { OnCommand(kCmdRefresh); });
    // The strip carries the disk-image menu.
    connect(&m_strip, &QAbstractButton::clicked, this, [this] { OnCommand(kCmdImageMenu); });
    m_list->SetCtrlStyle(CS_PARTITION);
    return 0;
}

void CDeleteRecoveryPartitionDeviceSelectPage::Layout(int cx, int cy)
{
    CDeviceSelectPage::Layout(cx, cy);
    m_refresh.MoveTo(50, 30);
    const int stripX = 50 + m_refresh.GetBitmapSize().width();
    m_strip.MoveTo(stripX, 30);
    m_strip.resize(std::max(0, cx - 50 - stripX), m_strip.GetBitmapSize().height());
}

bool CDeleteRecoveryPartitionDeviceSelectPage::OnCommand(unsigned id)
{
    if (!m_controller)
        return false;
    switch (id) {
    case kCmdRefresh: m_controller->RefreshDeviceList(); return true;
    case kCmdRecover: m_controller->next(); return true;
    case kCmdImageMenu: ShowImageMenu(); return true;
    case kCmdDiskImage: m_controller->CreateDiskImage(); return true;
    case kCmdOpenDiskImage: m_controller->OpenDiskImage(); return true;
    case kCmdDeleteImage: m_controller->RemoveSelectedImage(); return true;
    default: return false;
    }
}

void CDeleteRecoveryPartitionDeviceSelectPage::OnListMessage(unsigned message)
{
    if (message == UM_DEVICE_LIST_DBLCLICK)
        OnCommand(kCmdRecover);
    else if (message == UM_DEVICE_LIST_RIGHTCLICK)
        ShowRowMenu();
}

void CDeleteRecoveryPartitionDeviceSelectPage::ShowRowMenu()
{
    CXPMenu menu(this);
    menu.AppendItem(kCmdRecover, CResourceLibrary::Instance().LoadString(kRecoverString).trimmed());
    if (const unsigned command = menu.TrackPopupMenu(QCursor::pos()))
        OnCommand(command);
}

std::array<bool, 3> CDeleteRecoveryPartitionDeviceSelectPage::ImageMenuState()
{
    std::array<bool, 3> enabled{true, true, true};
    if (!m_controller)
        return {false, false, false};
    if (m_controller->UpdateSelection() == 0) {
        enabled[0] = enabled[2] = false;
    } else if (m_controller->IsImageSelected() == 0) {
        enabled[2] = false;
    } else {
        enabled[0] = false;
    }
    return enabled;
}

void CDeleteRecoveryPartitionDeviceSelectPage::ShowImageMenu()
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
        if (QAction* action = menu.AppendItem(items[i].id, Text(items[i].key)))
            action->setEnabled(enabled[i]);
    const QPoint below = m_strip.mapToGlobal(QPoint(0, m_strip.height()));
    if (const unsigned command = menu.TrackPopupMenu(below))
        OnCommand(command);
}

void CDeleteRecoveryPartitionDeviceSelectPage::ClearRows()
{
    if (m_list)
        m_list->DeleteAllItems();
}

void CDeleteRecoveryPartitionDeviceSelectPage::AddRow(const DeviceRow& row)
{
    if (!m_list)
        return;
    DEVICE_ITEM item;
    item.nIcon = row.icon;
    item.pszName = row.name.c_str();
    item.nSectors = row.sectors;
    item.nSectorSize = row.sectorSize ? row.sectorSize : 512;
    item.pszInfo = row.info.c_str();
    item.pItemData = row.item;
    m_list->AddItem(&item);
}

int CDeleteRecoveryPartitionDeviceSelectPage::GetSelectedRow() { return m_list ? m_list->GetSelectedIndex() : -1; }

void* CDeleteRecoveryPartitionDeviceSelectPage::GetRowItem(int row) { return m_list ? m_list->GetItemData(row) : nullptr; }

void CDeleteRecoveryPartitionDeviceSelectPage::DeleteRow(int row)
{
    if (m_list)
        m_list->DeleteItem(row);
}

void CDeleteRecoveryPartitionDeviceSelectPage::BeginRefresh()
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
    if (main)
        main->setEnabled(false);
}

void CDeleteRecoveryPartitionDeviceSelectPage::EndRefresh()
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

void CDeleteRecoveryPartitionDeviceSelectPage::PostToInterfaceThread(std::function<void()> task)
{
    QMetaObject::invokeMethod(this, std::move(task), Qt::QueuedConnection);
}

std::string CDeleteRecoveryPartitionDeviceSelectPage::LoadString(unsigned id)
{
    return CResourceLibrary::Instance().LoadString(id).toStdString();
}

int CDeleteRecoveryPartitionDeviceSelectPage::ShowMessage(unsigned stringId, unsigned type)
{
    return ShowMessageBox(this, stringId, type);
}

bool CDeleteRecoveryPartitionDeviceSelectPage::ShowFormatRecoveryHint()
{
    CHasCheckboxPromptDlg dlg(CResourceLibrary::Instance().LoadString(kHintString), nullptr);
    dlg.DoModal();
    return dlg.GetDontShowAgain() != 0;
}

std::string CDeleteRecoveryPartitionDeviceSelectPage::ChooseImageToOpen()
{
    QFileDialog dialog(this, Text("wizard.menu.opendiskimage"));
    dialog.setFileMode(QFileDialog::ExistingFile);
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return std::string();
    return dialog.selectedFiles().constFirst().toStdString();
}

CreatedImage CDeleteRecoveryPartitionDeviceSelectPage::RunCreateImage(IStorageDevice*, const std::string&, int)
{
    return CreatedImage{};
}
