// The dialog that waits while one found file is copied.
#include "views/saving/CFileCopyWaitDlg.h"

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

CFileCopyWaitDlg::CFileCopyWaitDlg(const Face& face, IStorageDevice* device, CFileNode* node, const QString& target,
                                   QWidget* parent)
    : CSearchSuperDlg(face.templateId, parent), m_face(face), m_device(device), m_node(node), m_target(target)
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
    const QString texts = QStringLiteral("dialog.%1.").arg(face.templateId);
    add(face.headId, lib.LoadString(face.headString), 7, 11, 236, 10, Qt::AlignHCenter);
    add(0, lib.LoadText(texts + QStringLiteral("process")), face.processX, 24, face.processCx, 10, Qt::AlignRight);
    add(face.percentId, QStringLiteral("0%"), 132, 24, 102, 10, Qt::AlignLeft);
    add(0, lib.LoadText(texts + QStringLiteral("remaining")), 20, 37, 105, 10, Qt::AlignRight);
    add(face.remainingId, lib.LoadString(132), 132, 37, 110, 10, Qt::AlignLeft);
    m_progressBar = new CPublicPorgress(this);
    SetDlgCtrlID(m_progressBar, kProgressId);
    m_progressBar->setTextVisible(false);
    m_progressBar->setRange(0, 100);
    PlaceControl(m_progressBar, 7, 51, 236, 6);
    // The face is wider than the template's button: it keeps the template's right edge.
    const QRect r = DialogUnits().MapDialogRect(194, 71, 50, 19);
    m_btnAbort.AttachToDialog(this, IDCANCEL, r);
    m_btnAbort.setGeometry(std::min(r.left(), r.right() - m_btnAbort.GetBitmapSize().width()), r.top(),
                           m_btnAbort.GetBitmapSize().width(), m_btnAbort.GetBitmapSize().height());
    connect(&m_btnAbort, &QAbstractButton::clicked, this, [this] { OnAbort(); });
    m_timer.setInterval(kRefreshMs);
    connect(&m_timer, &QTimer::timeout, this, [this] { RefreshTexts(); });
}

CFileCopyWaitDlg::~CFileCopyWaitDlg() = default;

QLabel* CFileCopyWaitDlg::Value(int id) const
{
    return qobject_cast<QLabel*>(GetDlgItem(this, id));
}

bool CFileCopyWaitDlg::OnInitDialog()
{
    CSearchSuperDlg::OnInitDialog();
    setWindowTitle(CResourceLibrary::Instance().LoadString(m_face.titleString));
    QTimer::singleShot(0, this, [this] { RunCopy(); });
    return true;
}

void CFileCopyWaitDlg::RunCopy()
{
    const IFileProperties* p = m_node ? m_node->GetProperties() : nullptr;
    RecoverFileJob job;
    m_progress.Begin(1, p ? p->GetSize() : 0);
    PrepareCopy(p, job);
    m_startTick = GetTickClock().GetTickCount();
    m_progressBar->setValue(0);
    RefreshTexts();
    m_timer.start();

    // The worker copies; this thread waits in the job's pump, which keeps Abort and the timer alive.
    const int saved = RecoverSingleFile(job, &m_progress, m_device, m_node, m_target.toStdString().c_str(), true,
                                        [] { QApplication::processEvents(QEventLoop::AllEvents, 10); });
    m_timer.stop();
    m_resultCode = job.result.Get();
    if (saved) {
        m_progressBar->setValue(100);
        Value(m_face.percentId)->setText(QStringLiteral("100%"));
    }
    FinishCopy(saved != 0, job);
}

void CFileCopyWaitDlg::RefreshTexts()
{
    const uint64_t total = m_progress.GetTotalBytes();
    const uint64_t done = m_progress.GetDoneBytes();
    const uint64_t elapsed = uint32_t(GetTickClock().GetTickCount() - m_startTick);
    if (elapsed >= 500 && (done > 0 || !m_face.estimateAfterFirstByte)) {
        const std::optional<double> ms = RemainingMilliseconds(total, done, elapsed);
        const uint64_t s = ms ? uint64_t(*ms / 1000.0) + 1 : 0;
        Value(m_face.remainingId)->setText(QString::fromStdString(FormatClock(s)));
    } else {
        Value(m_face.remainingId)->setText(CResourceLibrary::Instance().LoadString(132));
    }
    const int percent = total ? int(std::min<uint64_t>(done, total) * 100 / total) : 100;
    Value(m_face.percentId)->setText(QStringLiteral("%1%").arg(percent));
    m_progressBar->setValue(percent);
    RefreshMore();
}

void CFileCopyWaitDlg::OnAbort()
{
    m_progress.Cancel();
    setWindowTitle(CResourceLibrary::Instance().LoadString(402));
    m_btnAbort.setEnabled(false);
}

void CFileCopyWaitDlg::keyPressEvent(QKeyEvent* e)
{
    if (e->key() == Qt::Key_Return || e->key() == Qt::Key_Enter || e->key() == Qt::Key_Escape) {
        e->accept();
        return;
    }
    CSearchSuperDlg::keyPressEvent(e);
}
