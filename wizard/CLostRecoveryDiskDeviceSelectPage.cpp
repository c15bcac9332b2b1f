// The partition-recovery disk page.
#include "wizard/CLostRecoveryDiskDeviceSelectPage.h"

#include "controller/CLostRecoveryDiskDeviceSelectController.h"
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
QString Text(const char* key)
{
    return CResourceLibrary::Instance().LoadText(QString::fromLatin1(key));
}
} // namespace

CLostRecoveryDiskDeviceSelectPage::CLostRecoveryDiskDeviceSelectPage()
    : m_refresh(374, 373, 372, 371), m_strip(543, 543, 543, 543)
{
    // A toolbar button that cannot be made is only recorded on this page.
    if (m_refresh.GetInitError() != 0 || m_strip.GetInitError() != 0) m_initError = 513;
}

CLostRecoveryDiskDeviceSelectPage::~CLostRecoveryDiskDeviceSelectPage()
{
    if (m_controller && m_controller->GetPage() == this) m_controller->SetPage(nullptr);
}

IWizardPageController* CLostRecoveryDiskDeviceSelectPage::GetController()
{
    return m_controller;
}

void CLostRecoveryDiskDeviceSelectPage::SetController(CLostRecoveryDiskDeviceSelectController* pController)
{
    LogError("------------------------ParmInfo:ILostRecoveryDiskDeviceSelectController* pController=%x",
             unsigned(reinterpret_cast<uintptr_t>(pController)));
    m_controller = pController;
}

int CLostRecoveryDiskDeviceSelectPage::OnCreate()
{
    if (CDeviceSelectPage::OnCreate() == -1) return -1;
    m_refresh.Create(QString(), WS_CHILD | WS_VISIBLE, RECT{}, this, kCmdRefresh);
    m_strip.Create(QString(), WS_CHILD | WS_VISIBLE, RECT{}, this, kStripId);
    m_refresh.setToolTip(CResourceLibrary::Instance().LoadText(QStringLiteral("skin.refresh")));
    connect(&m_refresh, &QAbstractButton::clicked, this, [this] { OnCommand(kCmdRefresh); });
    // The strip carries the disk-image menu.
    connect(&m_strip, &QAbstractButton::clicked, this, [this] { OnCommand(kCmdImageMenu); });
    m_list->SetCtrlStyle(CS_DISK);
    return 0;
}

void CLostRecoveryDiskDeviceSelectPage::Layout(int cx, int cy)
{
    CDeviceSelectPage::Layout(cx, cy);
    m_refresh.MoveTo(50, 30);
    const int stripX = 50 + m_refresh.GetBitmapSize().width();
    m_strip.MoveTo(stripX, 30);
    m_strip.resize(std::max(0, cx - 50 - stripX), m_strip.GetBitmapSize().height());
}

bool CLostRecoveryDiskDeviceSelectPage::OnCommand(unsigned id)
{
    if (!m_controller) return false;
    switch (id) {
    case kCmdRefresh: m_controller->RefreshDeviceList(); return true;
    case kCmdRecover: m_controller->next(); return true;
    case kCmdImageMenu: ShowImageMenu(); return true;
    case kCmdDiskImage: m_controller->CreateDiskImage(); return true;
    case kCmdOpenDiskImage: m_controller->OpenDiskImage(); return true;
    case kCmdDeleteImage: {
        const int row = GetSelectedRow();
        if (row >= 0 && !GetRowItem(row))
            m_controller->RemovePreviousRecovery();
        else
            m_controller->RemoveSelectedImage();
        return true;
    }
    default: return false;
    }
}

void CLostRecoveryDiskDeviceSelectPage::OnListMessage(unsigned message)
{
    if (message == UM_DEVICE_LIST_DBLCLICK)
        OnCommand(kCmdRecover);
    else if (message == UM_DEVICE_LIST_RIGHTCLICK)
        ShowRowMenu();
}

void CLostRecoveryDiskDeviceSelectPage::ShowRowMenu()
{
    const int row = GetSelectedRow();
    const bool previous = row >= 0 && !GetRowItem(row);
    CXPMenu menu(this);
    menu.AppendItem(kCmdRecover,
                    CResourceLibrary::Instance().LoadString(previous ? kContinueString : kRecoverString).trimmed());
    if (previous || (m_controller && m_controller->IsImageSelected()))
        menu.AppendItem(kCmdDeleteImage, CResourceLibrary::Instance().LoadString(kRemoveString).trimmed());
    if (const unsigned command = menu.TrackPopupMenu(QCursor::pos())) OnCommand(command);
}

std::array<bool, 3> CLostRecoveryDiskDeviceSelectPage::ImageMenuState()
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

void CLostRecoveryDiskDeviceSelectPage::ShowImageMenu()
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

void CLostRecoveryDiskDeviceSelectPage::ClearRows()
{
    if (m_list) m_list->DeleteAllItems();
}

void CLostRecoveryDiskDeviceSelectPage::AddRow(const DeviceRow& row)
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

int CLostRecoveryDiskDeviceSelectPage::GetSelectedRow()
{
    return m_list ? m_list->GetSelectedIndex() : -1;
}

void* CLostRecoveryDiskDeviceSelectPage::GetRowItem(int row)
{
    return m_list ? m_list->GetItemData(row) : nullptr;
}

void CLostRecoveryDiskDeviceSelectPage::DeleteRow(int row)
{
    if (m_list) m_list->DeleteItem(row);
}

void CLostRecoveryDiskDeviceSelectPage::BeginRefresh()
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

void CLostRecoveryDiskDeviceSelectPage::EndRefresh()
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

void CLostRecoveryDiskDeviceSelectPage::PostToInterfaceThread(std::function<void()> task)
{
    QMetaObject::invokeMethod(this, std::move(task), Qt::QueuedConnection);
}

std::string CLostRecoveryDiskDeviceSelectPage::LoadString(unsigned id)
{
    return CResourceLibrary::Instance().LoadString(id).toStdString();
}

int CLostRecoveryDiskDeviceSelectPage::ShowMessage(unsigned stringId, unsigned type)
{
    return ShowMessageBox(this, stringId, type);
}

bool CLostRecoveryDiskDeviceSelectPage::AskFullScanAfterEmptySearch()
{
    return ShowMessageBox(this, Text("wizard.lost.nopartition"), MB_YESNO | MB_ICONQUESTION) == IDYES;
}

std::string CLostRecoveryDiskDeviceSelectPage::ChooseImageToOpen()
{
    QFileDialog dialog(this, Text("wizard.menu.opendiskimage"));
    dialog.setFileMode(QFileDialog::ExistingFile);
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return std::string();
    return dialog.selectedFiles().constFirst().toStdString();
}

CreatedImage CLostRecoveryDiskDeviceSelectPage::RunCreateImage(IStorageDevice*, const std::string&, int)
{
    return CreatedImage{};
}
