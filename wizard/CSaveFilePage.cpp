// The save-path page.
#include "wizard/CSaveFilePage.h"

#include "controller/CSaveFileController.h"
#include "controls/CEditPlus.h"
#include "controls/CPieCtrl.h"
#include "controls/CResourceLibrary.h"
#include "controls/CShellTreeCtrl.h"
#include "controls/ControlId.h"
#include "controls/MessageBox.h"
#include "core/DisplayText.h"
#include "platform/Log.h"
#include "views/saving/CRecoveringDlg.h"
#include "views/saving/CSaveFilePathDlg.h"
#include "wizard/CWizardSheet.h"

#include <QPainter>

namespace {
QString String(unsigned id)
{
    return CResourceLibrary::Instance().LoadString(id);
}
} // namespace

CSaveFilePage::CSaveFilePage()
{
    m_textFont = QFont(PageFont().family());
    m_textFont.setPixelSize(12); // 9 points
    m_textFont.setBold(false);
}

CSaveFilePage::~CSaveFilePage()
{
    CSaveFileController* shared = GetSaveFileController();
    if (shared->GetPage() == this) shared->SetPage(nullptr);
}

IWizardPageController* CSaveFilePage::GetController()
{
    return m_controller;
}

void CSaveFilePage::SetController(CSaveFileController* pController)
{
    if (pController)
        LogError("------------------------ParmInfo:ISaveFileController* pController=%p",
                 static_cast<void*>(pController));
    m_controller = pController;
}

int CSaveFilePage::OnCreate()
{
    m_edit = new CEditPlus(this);
    SetDlgCtrlID(m_edit, kEditId);
    m_edit->setFont(m_textFont);
    connect(m_edit, &QLineEdit::editingFinished, this, [this] {
        m_path = m_edit->text();
        UpdateFreeSpace();
    });
    m_tree = new CShellTreeCtrl(this);
    m_tree->setHeaderHidden(true);
    m_tree->setStyleSheet(QStringLiteral("QTreeWidget { background: white; }"));
    m_tree->SetSelChangedCallback(&CSaveFilePage::OnFolderSelected, this);
    m_pie = new CPieCtrl(this);
    m_pie->SetSpace(0, 0, 0);
    m_pie->SetBkColor(kBackground);
    m_pie->show();
    return 0;
}

void CSaveFilePage::Layout(int w, int h)
{
    LogError("------------------------ParmInfo:int iClientWidth=%x, int iClientHeight=%x", unsigned(w), unsigned(h));
    if (!m_edit) return;
    const QFontMetrics metrics(m_textFont);
    // The edit starts after the "Path" label, however long the label is in the language shown.
    const int editLeft = std::max(60, 10 + metrics.horizontalAdvance(String(kPathLabel)) + 8);
    m_edit->setGeometry(QRect(QPoint(editLeft, 60), QPoint(w - 5 - 1, 80 - 1)));
    // Tree and pie share the width side by side; neither covers the other.
    m_tree->setGeometry(QRect(QPoint(10, 90), QPoint(w / 2 - 5 - 1, h - 5 - 1)));
    m_pie->setGeometry(QRect(QPoint(w / 2, 90), QPoint(w - 5 - 1, h - 5 - 1)));
}

QString CSaveFilePage::SummaryText() const
{
    return String(kSummary)
        .replace(QStringLiteral("%s"), QString::fromStdString(FormatByteSize(m_checkedBytes)))
        .replace(QStringLiteral("%d"), QString::number(m_checkedFiles));
}

void CSaveFilePage::Draw(QPainter* pDC)
{
    pDC->fillRect(rect(), ToQColor(kBackground));
    pDC->setFont(m_textFont);
    pDC->setPen(Qt::black);
    const int flags = Qt::AlignLeft | Qt::AlignTop | Qt::TextWordWrap;
    pDC->drawText(QRect(10, 35, std::min(590, width() - 15), 25), flags, String(kSelectLocation));
    pDC->drawText(QRect(10, 62, 110, 40), Qt::AlignLeft | Qt::AlignTop, String(kPathLabel));
    pDC->drawText(QRect(10, 10, std::min(490, width() - 15), 25), flags, SummaryText());
}

std::string CSaveFilePage::GetPathText()
{
    if (m_edit) m_path = m_edit->text();
    QString path = m_path;
    while (!path.isEmpty() && path.back().isSpace()) path.chop(1);
    m_path = path;
    return path.toStdString();
}

void CSaveFilePage::SetStatistics(uint64_t checkedBytes, int checkedFiles)
{
    m_checkedBytes = checkedBytes;
    m_checkedFiles = checkedFiles;
    update();
}

void CSaveFilePage::ClearPath()
{
    m_path.clear();
    if (m_edit) m_edit->clear();
    update();
}

void CSaveFilePage::ResetPath()
{
    ClearPath();
    UpdateFreeSpace();
    if (m_tree) {
        m_tree->Populate(true);
        m_tree->ExpandMyComputer();
    }
}

void CSaveFilePage::UpdateFreeSpace()
{
    TargetSpace space;
    if (!m_path.isEmpty()) space = CSaveFileController::QueryTargetSpace(m_path.toStdString());
    const uint64_t used = space.totalBytes > space.availableBytes ? space.totalBytes - space.availableBytes : 0;
    if (m_pie) {
        m_pie->SetSpace(int64_t(space.availableBytes), int64_t(m_checkedBytes), int64_t(used));
        m_pie->update();
    }
}

void CSaveFilePage::OnFolderSelected(QString path)
{
    m_path = path;
    if (m_edit) m_edit->setText(path);
    UpdateFreeSpace();
    update();
}

int CSaveFilePage::ShowMessage(unsigned stringId, unsigned type)
{
    QWidget* owner = isVisible() ? window() : nullptr;
    return ShowMessageBox(owner, CResourceLibrary::Instance().LoadString(stringId), QString(), type);
}

SaveRunResult CSaveFilePage::RunSave(CFileNode* root, IStorageDevice* device, const std::string& folder)
{
    CRecoveringDlg dlg(root, device, QString::fromStdString(folder), nullptr);
    dlg.DoModal();
    SaveRunResult result;
    result.toRecover = dlg.GetFileCount();
    result.recovered = dlg.GetDoneFiles();
    result.partial = dlg.GetOutcome().counts.filesPartial;
    result.failed = dlg.GetOutcome().counts.filesFailed;
    result.firstReason = dlg.GetOutcome().counts.firstReason;
    for (const QString& made : dlg.GetMadeFolders()) result.madeFolders.push_back(made.toStdString());
    return result;
}

void CSaveFilePage::RunAsDialog(CWizardSheet&)
{
    CSaveFilePathDlg dlg(nullptr);
    dlg.AttachChild(this);
    dlg.SetHelpTopic(kHelpId);
    CSaveFileController* controller = m_controller;
    dlg.SetActions([controller] { return controller && controller->CheckSavePath(); },
                   [controller] {
                       if (controller) controller->next();
                   });
    // The dialog hands the page back to the sheet when it ends, whichever way.
    dlg.DoModal();
}
