// The device pages with a toolbar.
#include "wizard/CDeviceListPage.h"

#include "controller/IDeviceListCommands.h"
#include "controller/IWizardPageController.h"
#include "controls/CResourceLibrary.h"
#include "controls/CXPMenu.h"
#include "controls/ControlId.h"
#include "controls/MessageBox.h"
#include "views/devices/CDeviceSelectCtrl.h"
#include "views/devices/DeviceSelectTypes.h"
#include "views/diskimage/CImageDiskMasterDlg.h"
#include "views/diskimage/COpenDiskImageMasterDlg.h"
#include "wizard/CWizardSheet.h"
#include "wizard/StateArchiveImport.h"

#include <QCursor>
#include <QFileDialog>
#include <QMetaObject>

#include <unistd.h>

CDeviceListPage::CDeviceListPage(const CommandIds& ids)
    : m_ids(ids), m_refresh(374, 373, 372, 371), m_strip(543, 543, 543, 543)
{
    // A toolbar button that cannot be made is only recorded on this page.
    if (m_refresh.GetInitError() != 0 || m_strip.GetInitError() != 0) m_initError = 513;
}

CDeviceListPage::~CDeviceListPage() = default;

int CDeviceListPage::OnCreate()
{
    if (CDeviceSelectPage::OnCreate() == -1) return -1;
    m_refresh.Create(QString(), WS_CHILD | WS_VISIBLE, RECT{}, this, int(m_ids.refresh));
    m_strip.Create(QString(), WS_CHILD | WS_VISIBLE, RECT{}, this, kStripId);
    m_refresh.setToolTip(CResourceLibrary::Instance().LoadText(QStringLiteral("skin.refresh")));
    connect(&m_refresh, &QAbstractButton::clicked, this, [this] { OnCommand(m_ids.refresh); });
    // The strip carries the disk-image menu.
    connect(&m_strip, &QAbstractButton::clicked, this, [this] { OnCommand(m_ids.imageMenu); });
    return 0;
}

void CDeviceListPage::Layout(int cx, int cy)
{
    CDeviceSelectPage::Layout(cx, cy);
    m_refresh.MoveTo(50, 30);
    const int stripX = 50 + m_refresh.GetBitmapSize().width();
    m_strip.MoveTo(stripX, 30);
    m_strip.resize(std::max(0, cx - 50 - stripX), m_strip.GetBitmapSize().height());
}

bool CDeviceListPage::OnCommand(unsigned id)
{
    IDeviceListCommands* commands = ListCommands();
    if (!commands) return false;
    if (id == m_ids.refresh) {
        commands->RefreshDeviceList();
        return true;
    }
    if (id == m_ids.recover) {
        if (IWizardPageController* controller = GetController()) controller->next();
        return true;
    }
    if (id == m_ids.imageMenu) {
        ShowImageMenu();
        return true;
    }
    if (m_ids.importState != 0 && id == m_ids.importState) {
        ImportRecoveryStateArchive(this, GetController(), [this] {
            if (IDeviceListCommands* list = ListCommands()) list->RefreshDeviceList();
        });
        return true;
    }
    if (id == kCmdShowOptions) {
        // Through the sheet, which reports the event before the controller shows the dialog.
        if (auto* sheet = dynamic_cast<CWizardSheet*>(parentWidget()))
            sheet->OnCommand(CWizardSheet::kCmdOptions);
        else if (IWizardPageController* controller = GetController())
            controller->ShowAdvanceSetting();
        return true;
    }
    switch (id) {
    case kCmdOpenRawImage: commands->OpenRawImageFile(); return true;
    case kCmdDiskImage: commands->CreateDiskImage(); return true;
    case kCmdOpenDiskImage: commands->OpenDiskImage(); return true;
    case kCmdDeleteImage:
        if (IsPreviousRecoverySelected())
            RemovePreviousRecoveryRow();
        else
            commands->RemoveSelectedImage();
        return true;
    default: return false;
    }
}

bool CDeviceListPage::IsPreviousRecoverySelected()
{
    const int row = GetSelectedRow();
    return ListsPreviousRecovery() && row >= 0 && !GetRowItem(row);
}

void CDeviceListPage::OnListMessage(unsigned message)
{
    if (message == UM_DEVICE_LIST_DBLCLICK)
        OnCommand(m_ids.recover);
    else if (message == UM_DEVICE_LIST_RIGHTCLICK)
        ShowRowMenu();
}

void CDeviceListPage::ShowRowMenu()
{
    IDeviceListCommands* commands = ListCommands();
    const bool previous = IsPreviousRecoverySelected();
    CResourceLibrary& lib = CResourceLibrary::Instance();
    CXPMenu menu(this);
    menu.AppendItem(m_ids.recover, lib.LoadString(previous ? kContinueString : kRecoverString).trimmed());
    if (ListsPreviousRecovery() && (previous || (commands && commands->IsImageSelected())))
        menu.AppendItem(kCmdDeleteImage, lib.LoadString(kRemoveString).trimmed());
    if (const unsigned command = menu.TrackPopupMenu(QCursor::pos())) OnCommand(command);
}

std::array<bool, 3> CDeviceListPage::ImageMenuState()
{
    std::array<bool, 3> enabled{true, true, true};
    IDeviceListCommands* commands = ListCommands();
    if (!commands) return {false, false, false};
    if (commands->UpdateSelection() == 0) {
        enabled[0] = enabled[2] = false;
    } else if (commands->IsImageSelected() == 0) {
        enabled[2] = false;
    } else {
        enabled[0] = false;
    }
    return enabled;
}

void CDeviceListPage::ShowImageMenu()
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
        if (QAction* action =
                menu.AppendItem(items[i].id, CResourceLibrary::Instance().LoadText(QString::fromLatin1(items[i].key))))
            action->setEnabled(enabled[i]);
    menu.AppendItem(kCmdOpenRawImage,
                    CResourceLibrary::Instance().LoadText(QStringLiteral("wizard.menu.openrawimage")));
    if (m_ids.importState != 0)
        menu.AppendItem(m_ids.importState, CResourceLibrary::Instance().LoadText(QString::fromLatin1(kImportMenuKey)));
    menu.AppendItem(kCmdShowOptions, CResourceLibrary::Instance().LoadText(QStringLiteral("wizard.menu.options")));
    const QPoint below = m_strip.mapToGlobal(QPoint(0, m_strip.height()));
    if (const unsigned command = menu.TrackPopupMenu(below)) OnCommand(command);
}

void CDeviceListPage::ClearRows()
{
    if (m_list) m_list->DeleteAllItems();
}

std::string CDeviceListPage::LocalizedResultInfo(const std::string& info)
{
    const CResourceLibrary& lib = CResourceLibrary::Instance();
    for (unsigned id : kResultInfoPrefixes) {
        const std::string english = lib.LoadProgramString(id).toStdString();
        if (english.empty() || info.compare(0, english.size(), english) != 0) continue;
        return lib.LoadString(id).toStdString() + info.substr(english.size());
    }
    return info;
}

void CDeviceListPage::AddRow(const DeviceRow& row)
{
    // A saved search describes itself in the language it was saved in; the English description of the
    // program's own texts is shown in the interface language.
    std::string info = LocalizedResultInfo(row.info);
    if (!row.unreadable.empty()) {
        const std::string saved = info;
        info = CResourceLibrary::Instance()
                   .LoadText(QStringLiteral("wizard.device.unreadable"))
                   .arg(QString::fromStdString(row.unreadable))
                   .toStdString();
        if (!saved.empty()) info += "\n" + saved;
    }
    AddListRow(row, &info);
}

int CDeviceListPage::GetSelectedRow()
{
    return m_list ? m_list->GetSelectedIndex() : -1;
}

void* CDeviceListPage::GetRowItem(int row)
{
    return m_list ? m_list->GetItemData(row) : nullptr;
}

void CDeviceListPage::DeleteRow(int row)
{
    if (m_list) m_list->DeleteItem(row);
}

void CDeviceListPage::BeginRefresh()
{
    QWidget* main = window();
    if (!m_wait && main) {
        m_wait = new CImageWnd(main);
        m_wait->LoadFrames(kWaitBitmap, 12, 120, 0xFFFFFF, true);
    }
    if (m_wait) {
        CentreWait();
        m_wait->show();
        m_wait->raise();
        m_wait->Start();
    }
    if (main) main->setEnabled(false);
}

void CDeviceListPage::CentreWait()
{
    QWidget* main = window();
    if (!m_wait || !main || m_wait->parentWidget() != main) return;
    // Over the middle of the device list (of the page while the list has no size yet).
    const QWidget* over = m_list && !m_list->rect().isEmpty() ? static_cast<const QWidget*>(m_list) : this;
    const QPoint centre = over->mapTo(main, over->rect().center());
    m_wait->MoveTo(centre.x(), centre.y());
}

void CDeviceListPage::resizeEvent(QResizeEvent* e)
{
    CDeviceSelectPage::resizeEvent(e);
    CentreWait();
}

void CDeviceListPage::EndRefresh()
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

void CDeviceListPage::PostToInterfaceThread(std::function<void()> task)
{
    QMetaObject::invokeMethod(this, std::move(task), Qt::QueuedConnection);
}

std::string CDeviceListPage::LoadString(unsigned id)
{
    return CResourceLibrary::Instance().LoadString(id).toStdString();
}

int CDeviceListPage::ShowMessage(unsigned stringId, unsigned type)
{
    return ShowMessageBox(this, stringId, type);
}

void CDeviceListPage::ShowNothingReadable(bool nothingReadable)
{
    if (!m_list) return;
    if (!nothingReadable) {
        m_list->SetNote(QString());
        return;
    }
    // Without root (or the "disk" group) Linux opens no disk: the page says so and names the way round it.
    const bool root = ::geteuid() == 0;
    m_list->SetNote(CResourceLibrary::Instance().LoadText(root ? QStringLiteral("wizard.device.nothing.root")
                                                               : QStringLiteral("wizard.device.nothing.user")));
}

QStringList CDeviceListPage::RawImageFilters()
{
    return {QStringLiteral("Raw Image File(*.img *.dd *.raw *.bin *.iso *.vlv)"), QStringLiteral("ImageFile(*.vlv)"),
            QStringLiteral("Raw Image File(*)")};
}

std::string CDeviceListPage::ChooseRawImageFile()
{
    QFileDialog dialog(this, CResourceLibrary::Instance().LoadText(QStringLiteral("wizard.menu.openrawimage")));
    dialog.setFileMode(QFileDialog::ExistingFile);
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.setNameFilters(RawImageFilters());
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().size() != 1) return std::string();
    return dialog.selectedFiles().constFirst().toStdString();
}

std::string CDeviceListPage::ChooseImageToOpen()
{
    // The open-disk-image wizard checks the image's slices (and lets the user repair a moved one) before
    // the controller opens it.
    COpenDiskImageMasterDlg dlg(this);
    dlg.DoModal();
    if (dlg.GetResult() != 1) return std::string();
    return dlg.GetImagePath();
}

CreatedImage CDeviceListPage::RunCreateImage(IStorageDevice* source, const std::string& sourceName, int heads)
{
    CImageDiskMasterDlg dlg(source, sourceName.c_str(), heads, this);
    dlg.DoModal();
    CreatedImage made;
    made.openInList = dlg.GetOpenImageInList() != 0;
    if (made.openInList) {
        made.sectorCount = dlg.GetRegionSectorCount();
        made.path = dlg.GetImageFilePath();
    }
    return made;
}
