// The single-file recovery dialog.
#include "views/saving/CRBClickRecoverFileDlg.h"

#include "controls/CPublicPorgress.h"
#include "controls/CResourceLibrary.h"
#include "controls/ControlFont.h"
#include "controls/ControlId.h"
#include "controls/MessageBox.h"
#include "controls/TickClock.h"
#include "filesystems/tree/CFileNode.h"
#include "filesystems/tree/IFileProperties.h"
#include "storage/saving/RecoverFileJob.h"
#include "storage/saving/SaveProgressText.h"

#include <QApplication>
#include <QKeyEvent>
#include <QLabel>

#include <algorithm>

CRBClickRecoverFileDlg::CRBClickRecoverFileDlg(IStorageDevice* device, CFileNode* node, const QString& targetPath,
                                               QWidget* parent)
    : CSearchSuperDlg(kTemplate, parent), m_device(device), m_node(node), m_target(targetPath)
{
    setFont(CreateDialogFont());
    SetTemplateSize(251, 93);
    auto add = [this](int id, const QString& text, int x, int y, int cx, int cy, Qt::Alignment align) {
        auto* label = new QLabel(text, this);
        if (id) SetDlgCtrlID(label, id);
        label->setAlignment(align | Qt::AlignVCenter);
        PlaceControl(label, x, y, cx, cy);
        return label;
    };
    auto& lib = CResourceLibrary::Instance();
    add(kNameId, lib.LoadString(189), 7, 11, 236, 10, Qt::AlignHCenter);
    add(0, lib.LoadText(QStringLiteral("dialog.356.process")), 40, 24, 85, 10, Qt::AlignRight);
    add(kPercentId, QStringLiteral("0%"), 132, 24, 102, 10, Qt::AlignLeft);
    add(0, lib.LoadText(QStringLiteral("dialog.356.remaining")), 20, 37, 105, 10, Qt::AlignRight);
    add(kRemainingId, lib.LoadString(132), 132, 37, 110, 10, Qt::AlignLeft);
    m_progressBar = new CPublicPorgress(this);
    SetDlgCtrlID(m_progressBar, kProgressId);
    m_progressBar->setTextVisible(false);
    m_progressBar->setRange(0, 100);
    PlaceControl(m_progressBar, 7, 51, 236, 6);
    m_btnCancel.AttachToDialog(this, IDCANCEL, DialogUnits().MapDialogRect(194, 71, 50, 19));
    // The face is wider than the template's button: it keeps the template's right edge.
    const QRect r = DialogUnits().MapDialogRect(194, 71, 50, 19);
    m_btnCancel.setGeometry(std::min(r.left(), r.right() - m_btnCancel.GetBitmapSize().width()), r.top(),
                            m_btnCancel.GetBitmapSize().width(), m_btnCancel.GetBitmapSize().height());
    connect(&m_btnCancel, &QAbstractButton::clicked, this, [this] { OnAbort(); });
    m_timer.setInterval(500);
    connect(&m_timer, &QTimer::timeout, this, [this] { RefreshTexts(); });
}

CRBClickRecoverFileDlg::~CRBClickRecoverFileDlg() = default;

QLabel* CRBClickRecoverFileDlg::Value(int id) const
{
    return qobject_cast<QLabel*>(GetDlgItem(this, id));
}

bool CRBClickRecoverFileDlg::OnInitDialog()
{
    CSearchSuperDlg::OnInitDialog();
    setWindowTitle(CResourceLibrary::Instance().LoadString(433));
    QTimer::singleShot(0, this, [this] { RunSave(); });
    return true;
}

void CRBClickRecoverFileDlg::RunSave()
{
    const IFileProperties* p = m_node ? m_node->GetProperties() : nullptr;
    m_progress.Begin(1, p ? p->GetSize() : 0);
    m_progress.SetCurrentFile(p && p->GetName() ? p->GetName() : "");
    m_startTick = GetTickClock().GetTickCount();
    m_progressBar->setValue(0);
    RefreshTexts();
    m_timer.start();

    RecoverFileJob job;
    job.replaceExisting = true;
    const int saved = RecoverSingleFile(job, &m_progress, m_device, m_node, m_target.toStdString().c_str(), true,
                                        [] { QApplication::processEvents(QEventLoop::AllEvents, 10); });
    m_timer.stop();
    m_resultCode = job.result.Get();
    m_partial = job.partial;
    if (saved) {
        m_progressBar->setValue(100);
        Value(kPercentId)->setText(QStringLiteral("100%"));
        EndDialog(kSaved);
        return;
    }
    if (m_resultCode == kRecoverFailed)
        ShowMessageBox(this, CResourceLibrary::Instance().LoadString(245), QString(), MB_ICONEXCLAMATION);
    EndDialog(kNotSaved);
}

void CRBClickRecoverFileDlg::RefreshTexts()
{
    const uint64_t total = m_progress.GetTotalBytes();
    const uint64_t done = m_progress.GetDoneBytes();
    const uint64_t elapsed = uint32_t(GetTickClock().GetTickCount() - m_startTick);
    if (elapsed >= 500) {
        const std::optional<double> ms = RemainingMilliseconds(total, done, elapsed);
        const uint64_t s = ms ? uint64_t(*ms / 1000.0) + 1 : 0;
        Value(kRemainingId)->setText(QString::fromStdString(FormatClock(s)));
    } else {
        Value(kRemainingId)->setText(CResourceLibrary::Instance().LoadString(132));
    }
    const int percent = total ? int(std::min<uint64_t>(done, total) * 100 / total) : 100;
    Value(kPercentId)->setText(QStringLiteral("%1%").arg(percent));
    m_progressBar->setValue(percent);
    QLabel* name = Value(kNameId);
    const QString current = QString::fromStdString(m_progress.GetCurrentFile());
    name->setText(name->fontMetrics().elidedText(current, Qt::ElideRight, name->width()));
}

void CRBClickRecoverFileDlg::OnAbort()
{
    m_progress.Cancel();
    setWindowTitle(CResourceLibrary::Instance().LoadString(402));
    m_btnCancel.setEnabled(false);
}

void CRBClickRecoverFileDlg::keyPressEvent(QKeyEvent* e)
{
    if (e->key() == Qt::Key_Return || e->key() == Qt::Key_Enter || e->key() == Qt::Key_Escape) {
        e->accept();
        return;
    }
    CSearchSuperDlg::keyPressEvent(e);
}
