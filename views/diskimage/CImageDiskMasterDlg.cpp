// The disk-image wizard.
#include "views/diskimage/CImageDiskMasterDlg.h"

#include "controls/CResourceLibrary.h"
#include "controls/MessageBox.h"
#include "controls/WindowMessages.h"
#include "core/devices/IStorageDevice.h"
#include "platform/Log.h"
#include "views/diskimage/CDIskImagePublicDlg.h"
#include "views/diskimage/CImageDiskRunDlg.h"
#include "views/diskimage/CImageDiskSetRegionDlg.h"
#include "views/diskimage/DiskImageFiles.h"

#include <QCloseEvent>

namespace {
constexpr int kWidth = 600, kHeaderHeight = 80, kPaneTop = 65, kPaneHeight = 170, kButtonRow = 44;
QString Str(unsigned id)
{
    return CResourceLibrary::Instance().LoadString(id);
}
} // namespace

CImageDiskMasterDlg::CImageDiskMasterDlg(IStorageDevice* source, const char* displayName, int heads, QWidget* parent)
    : CInterfaceDialog(kTemplate, parent),
      m_heads(heads),
      m_source(source),
      m_displayName(displayName ? displayName : "")
{
    setWindowTitle(TemplateText(0));
    m_helpTopic = 20;
    m_swallowEscape = false; // Escape asks as Cancel does
    setFixedSize(kWidth, kPaneTop + kPaneHeight + kButtonRow);
    m_header = new CDIskImagePublicDlg(this);
    m_mode = new CImageDiskModeChooseDlg(this);
    m_path = new CImageDiskPathChooseDlg(this);
    m_adPath = new CImageDiskADPathChooseDlg(this);
    m_info = new CImageDiskDiskInfo(this);
    m_region = new CImageDiskSetRegionDlg(this);
    m_run = new CImageDiskRunDlg(this);
    m_success = new CImageDiskSuccessDlg(this);
    m_sourceSectors = m_source ? m_source->GetSectorCount() : 0;

    const int y = kPaneTop + kPaneHeight + (kButtonRow - m_next.GetBitmapSize().height()) / 2;
    int x = kWidth - 12 - m_cancel.GetBitmapSize().width();
    m_cancel.AttachToDialog(this, kCancelId, QRect(QPoint(x, y + 2), m_cancel.GetBitmapSize()));
    x -= 16 + m_next.GetBitmapSize().width();
    m_next.AttachToDialog(this, kNextId, QRect(QPoint(x, y), m_next.GetBitmapSize()));
    x -= 6 + m_back.GetBitmapSize().width();
    m_back.AttachToDialog(this, kBackId, QRect(QPoint(x, y), m_back.GetBitmapSize()));
    connect(&m_next, &QAbstractButton::clicked, this, [this] { OnNext(); });
    connect(&m_back, &QAbstractButton::clicked, this, [this] { OnBack(); });
    connect(&m_cancel, &QAbstractButton::clicked, this, [this] { OnCancel(); });
    connect(m_run, &CImageDiskRunDlg::abandoned, this, [this] {
        // Given up from a free-space question: the writer stops before its next block and the wizard ends.
        if (!m_running) EndDialog(IDCANCEL);
    });
}

CImageDiskMasterDlg::~CImageDiskMasterDlg() = default;

QString CImageDiskMasterDlg::Title() const
{
    return m_header->Title();
}

bool CImageDiskMasterDlg::OnInitDialog()
{
    m_region->SetTotal(m_sourceSectors);
    m_summary.sourceName = m_displayName;
    m_header->setGeometry(0, 0, kWidth, kHeaderHeight);
    m_header->show();
    m_steps = {m_mode, m_info, m_path, m_adPath, m_region, m_run, m_success};
    for (CInterfaceDialog* pane : {static_cast<CInterfaceDialog*>(m_mode), static_cast<CInterfaceDialog*>(m_path),
                                   static_cast<CInterfaceDialog*>(m_adPath), static_cast<CInterfaceDialog*>(m_info),
                                   static_cast<CInterfaceDialog*>(m_region), static_cast<CInterfaceDialog*>(m_run),
                                   static_cast<CInterfaceDialog*>(m_success)})
        pane->setGeometry(0, kPaneTop, kWidth, kPaneHeight);
    m_mode->SetSourceName(m_displayName);
    m_back.setEnabled(false);
    ShowStep();
    SetTitleId(61209);
    return true;
}

void CImageDiskMasterDlg::ShowStep()
{
    for (CInterfaceDialog* pane : m_steps)
        if (pane) pane->hide();
    if (m_step >= 0 && m_step < int(m_steps.size()) && m_steps[size_t(m_step)]) {
        m_steps[size_t(m_step)]->ShowModeless();
        m_steps[size_t(m_step)]->raise();
    }
}

void CImageDiskMasterDlg::SetTitleId(unsigned id)
{
    m_header->SetTitle(Str(id));
}

void CImageDiskMasterDlg::TakeSettingsAndRegion(bool forceZlib)
{
    m_settings = m_adPath->GetSettings();
    if (forceZlib) {
        // The simple mode always compresses with zlib at the library's default level.
        m_settings.kind = diskimg::kZlibKind;
        m_settings.level = -1;
    }
    m_summary.firstSector = m_region->GetFirstSector();
    m_summary.lastSector = m_region->GetLastSector();
    m_summary.sourceSectors = m_sourceSectors;
    m_summary.kind = m_settings.kind;
    m_summary.level = m_settings.level;
}

bool CImageDiskMasterDlg::PathTest(const std::string& path)
{
    m_summary.imagePath = path;
    m_freeMB = m_run->GetFreeSpaceMB(path);
    if (path.empty() || m_freeMB == 0 || !diskimg::ProbeTargetFolder(path)) {
        ShowMessageBox(this, 61214, MB_ICONEXCLAMATION);
        return false;
    }
    if (diskimg::ImageFilesExist(path)) {
        const QString question = CResourceLibrary::Instance()
                                     .LoadText(QStringLiteral("diskimage.replace"))
                                     .arg(QString::fromStdString(path));
        if (ShowMessageBox(this, question, MB_YESNO | MB_ICONQUESTION | MB_DEFBUTTON2) != IDYES) return false;
    }
    return true;
}

void CImageDiskMasterDlg::OnNext()
{
    m_back.setEnabled(true);
    switch (m_step) {
    case kMode:
        SetTitleId(61213);
        m_step = m_mode->IsAdvancedMode() ? kAdvancedPath : kPath;
        break;
    case kPath:
        TakeSettingsAndRegion(true);
        if (!PathTest(m_path->GetImagePath())) return;
        SetTitleId(61212);
        m_info->SetBackStep(kPath);
        m_info->Fill(m_summary, m_source ? m_source->GetSectorSize() : 512);
        m_step = kSummary;
        break;
    case kAdvancedPath:
        if (!PathTest(m_adPath->GetImagePath())) return;
        m_step = kRegion;
        SetTitleId(61211);
        break;
    case kRegion: {
        const std::string path = m_summary.imagePath;
        TakeSettingsAndRegion(false);
        m_summary.imagePath = path;
        m_info->SetBackStep(kRegion);
        m_info->Fill(m_summary, m_source ? m_source->GetSectorSize() : 512);
        m_step = kSummary;
        SetTitleId(61212);
        break;
    }
    case kSummary: RunImage(); return;
    case kRun:
        m_step = kSuccess;
        m_cancel.setEnabled(false);
        m_back.setEnabled(false);
        SetTitleId(61209);
        break;
    case kSuccess:
        if (m_success->IsOpenInList()) m_openInList = 1;
        EndDialog(IDCANCEL);
        return;
    default: m_step = m_steps[size_t(m_step)]->GetNextStep(); break;
    }
    ShowStep();
}

void CImageDiskMasterDlg::RunImage()
{
    m_step = m_info->GetNextStep();
    m_next.setEnabled(false);
    m_back.setEnabled(false);
    SetTitleId(61210);
    ShowStep();
    m_run->CheckStartSpace(m_freeMB);
    m_run->ShowCurrentFile(m_summary.imagePath);
    m_run->SetFreeSpaceWatch(int((m_summary.lastSector - m_summary.firstSector) / 2 / 1024));
    if (m_run->IsAbandoned()) {
        EndDialog(IDCANCEL);
        return;
    }
    CCompressController* writer = m_run->GetCompressController();
    writer->SetSource(m_source, m_displayName.c_str(), m_summary.firstSector, GetRegionSectorCount(), m_heads);
    writer->SetCompression(m_settings.kind, m_settings.level, m_settings.sliceLimit);
    writer->SetImagePath(m_summary.imagePath.c_str());
    m_running = true;
    m_run->StartTimers();
    const int result = writer->Compress(m_run);
    m_run->StopTimers();
    m_running = false;
    m_runError = writer->GetErrorText();
    m_cancel.setEnabled(true);
    if (m_run->GetCancelled()) {
        // Cancelled by the user, or given up for want of space: the image holds the blocks written.
        EndDialog(IDCANCEL);
        return;
    }
    if (result == 1 && writer->GetStatus() == CCompressController::Status::Complete) {
        const uint64_t unread = writer->GetUnreadableSectors();
        m_success->ShowNote(
            unread ? CResourceLibrary::Instance().LoadText(QStringLiteral("diskimage.unreadable")).arg(unread)
                   : QString());
        m_success->ShowImagePath(m_summary.imagePath);
        m_next.setEnabled(true);
        m_step = kSuccess;
        SetTitleId(61209);
        ShowStep();
        return;
    }
    // A failed writer leaves an incomplete image: say so, with the writer's reason.
    QString text = Str(61216);
    if (!m_runError.empty()) text += QStringLiteral("\n\n") + QString::fromStdString(m_runError);
    ShowMessageBox(this, text, MB_ICONEXCLAMATION);
}

void CImageDiskMasterDlg::OnBack()
{
    if (m_step < 0 || m_step >= int(m_steps.size())) return;
    m_step = m_steps[size_t(m_step)]->GetPrevStep();
    if (m_step == kMode) {
        SetTitleId(61209);
        m_back.setEnabled(false);
    } else if (m_step == kRegion) {
        SetTitleId(61211);
    } else if (m_step == kPath || m_step == kAdvancedPath) {
        SetTitleId(61213);
    }
    ShowStep();
}

void CImageDiskMasterDlg::OnCancel()
{
    if (!m_cancel.isEnabled()) return;
    if (m_running) {
        m_run->SetPaused(1);
        if (ShowMessageBox(this, 61215, MB_OKCANCEL | MB_ICONQUESTION) == IDOK) {
            // The writer stops before its next block; RunImage then ends the wizard.
            m_run->SetCancelled(1);
            m_cancel.setEnabled(false);
        }
        m_run->SetPaused(0);
        return;
    }
    if (ShowMessageBox(this, 61215, MB_OKCANCEL | MB_ICONQUESTION) == IDOK) EndDialog(IDCANCEL);
}

void CImageDiskMasterDlg::closeEvent(QCloseEvent* e)
{
    if (m_step == kRun || m_step == kSuccess) {
        e->ignore();
        return;
    }
    e->ignore();
    OnCancel();
}
