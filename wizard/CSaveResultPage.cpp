// The save-result page.
#include "wizard/CSaveResultPage.h"

#include "controller/CSaveFileController.h"
#include "controller/CSaveResultController.h"
#include "controls/ControlId.h"
#include "platform/Log.h"
#include "views/saving/CFileSaveDlg.h"
#include "views/saving/CSaveFileResultDlg.h"
#include "wizard/CSaveFilePage.h"
#include "wizard/CWizardSheet.h"

#include <QDialog>
#include <QPainter>

CSaveResultPage::CSaveResultPage() : m_ok(437, 436, 435, 434)
{
    if (m_ok.GetInitError() != 0) m_initError = 769;
}

CSaveResultPage::~CSaveResultPage() = default;

IWizardPageController* CSaveResultPage::GetController()
{
    return m_controller;
}

void CSaveResultPage::SetController(CSaveResultController* pController)
{
    if (pController)
        LogError("------------------------ParmInfo:ISaveResultController* pController=%p",
                 static_cast<void*>(pController));
    m_controller = pController;
}

int CSaveResultPage::OnCreate()
{
    m_summary = new CFileSaveDlg(this);
    m_summary->setWindowFlags(Qt::Widget);
    m_summary->ShowModeless();
    m_ok.Create(QString(), WS_CHILD | WS_VISIBLE, RECT{}, this, kOkId);
    connect(&m_ok, &QAbstractButton::clicked, this, [this] {
        if (auto* host = qobject_cast<QDialog*>(parentWidget())) host->accept();
    });
    m_banner.LoadBitmap(kBanner);
    return 0;
}

void CSaveResultPage::Layout(int w, int h)
{
    LogError("------------------------ParmInfo:int iClientWidth=%x, int iClientHeight=%x", unsigned(w), unsigned(h));
    if (!m_summary) return;
    // The button stands wholly inside the page, 6 pixels above its bottom edge.
    const QSize ok = m_ok.GetBitmapSize();
    m_ok.MoveTo(std::min(w / 2 + 70, w - ok.width() - 10), h - ok.height() - 6);
    m_summary->setGeometry(QRect(QPoint(0, 50), QPoint(w - 1, h - ok.height() - 8)));
}

void CSaveResultPage::Draw(QPainter* pDC)
{
    // The banner's caption is drawn into its picture: a page narrower than the picture shows its left part
    // (the caption stays legible), only a wider page stretches it.
    if (width() > m_banner.Image().width()) {
        m_banner.DrawStretched(pDC, 0, 0, width(), 51);
        return;
    }
    pDC->save();
    pDC->setClipRect(QRect(0, 0, width(), 51));
    m_banner.Draw(pDC, 0, 0);
    pDC->restore();
}

void CSaveResultPage::ShowResult()
{
    if (!m_summary) return;
    m_summary->SetSavedFolders(m_folders);
    m_summary->SetSavePath(m_target);
    m_summary->ShowVerdict(m_tally);
    m_summary->ShowControls();
}

void CSaveResultPage::RunAsDialog(CWizardSheet& sheet)
{
    CSaveFileController* save = GetSaveFileController();
    QStringList folders;
    for (int i = 0; i < save->GetSavedPathCount(); ++i) folders << QString::fromStdString(save->GetSavedPath(i));
    SetSavedFolders(folders);
    if (auto* pathPage = dynamic_cast<CSaveFilePage*>(sheet.GetPage(WP_SAVE_FILE)))
        SetTargetFolder(QString::fromStdString(CSaveFileController::ResolveTargetPath(pathPage->GetPathText())));
    SetTally(GetSaveResultController()->GetTally());
    ShowResult();
    CSaveFileResultDlg dlg(nullptr);
    dlg.AttachChild(this);
    dlg.SetHelpTopic(kHelpId);
    // The dialog hands the page back to the sheet when it ends, whichever way.
    dlg.DoModal();
}
