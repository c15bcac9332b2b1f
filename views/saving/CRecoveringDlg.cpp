// The save progress dialog.
#include "views/saving/CRecoveringDlg.h"

#include "controls/CPublicPorgress.h"
#include "controls/CResourceLibrary.h"
#include "controls/ControlFont.h"
#include "controls/ControlId.h"
#include "controls/MessageBox.h"
#include "controls/TickClock.h"
#include "storage/saving/SaveProgressText.h"

#include <QApplication>
#include <QKeyEvent>
#include <QLabel>

#include <algorithm>

namespace {

constexpr int kLabels[][5] = {
    // id, x, y, cx, cy
    {1157, 27, 5, 53, 8},  {1158, 156, 5, 45, 8},  {1153, 27, 19, 54, 8}, {1155, 156, 19, 70, 8},
    {1154, 27, 33, 65, 8}, {1156, 156, 33, 52, 8}, {1159, 27, 48, 72, 8},
};
constexpr int kValues[][5] = {
    {1027, 91, 5, 60, 8},  {1029, 234, 5, 60, 8},  {1015, 91, 19, 56, 8},   {1021, 234, 18, 66, 8},
    {1018, 91, 33, 51, 8}, {1024, 234, 32, 88, 8}, {1033, 118, 48, 186, 8},
};
// The controls that "details" shows and hides.
constexpr int kDetailIds[] = {1018, 1015, 1033, 1021, 1024, 1153, 1154, 1155, 1156, 1159};

QString Text(const std::string& s)
{
    return QString::fromStdString(s);
}

} // namespace

CRecoveringDlg::CRecoveringDlg(CFileNode* selectionRoot, IStorageDevice* device, const QString& targetFolder,
                               QWidget* parent)
    : CSearchSuperDlg(kTemplate, parent), m_root(selectionRoot), m_device(device), m_target(targetFolder)
{
    setFont(CreateDialogFont());
    SetTemplateSize(326, 113);
    for (const auto& l : kLabels) {
        auto* label = new QLabel(TemplateText(unsigned(l[0])), this);
        SetDlgCtrlID(label, l[0]);
        PlaceControl(label, l[1], l[2], l[3], l[4] + 2);
    }
    for (const auto& v : kValues) {
        auto* value = new QLabel(QStringLiteral("0"), this);
        SetDlgCtrlID(value, v[0]);
        PlaceControl(value, v[1], v[2], v[3], v[4] + 2);
    }
    FitColumns();
    Value(kRemainingId)->setText(QStringLiteral("00:00:00"));
    Value(kElapsedId)->setText(QStringLiteral("00:00:00"));
    for (int id : kDetailIds) m_detailControls.append(GetDlgItem(this, id));

    m_progressBar = new CPublicPorgress(this);
    SetDlgCtrlID(m_progressBar, kProgressId);
    m_progressBar->setTextVisible(false);
    PlaceControl(m_progressBar, 18, 62, 291, 14);
    // A dialog widened for long labels keeps the bar's margins and Cancel at its right edge.
    const int extra = width() - DialogUnits().MapDialogSize(326, 0).width();
    m_progressBar->resize(m_progressBar->width() + extra, m_progressBar->height());

    m_cancelRect = DialogUnits().MapDialogRect(259, 93, 60, 17).translated(extra, 0);
    m_btnCancel.AttachToDialog(this, IDCANCEL, m_cancelRect);
    connect(&m_btnCancel, &QAbstractButton::clicked, this, [this] { OnCancelButton(); });
    m_btnShow.AttachToDialog(this, kShowDetailsId, DialogUnits().MapDialogRect(6, 6, 13, 14));
    m_btnHide.AttachToDialog(this, kHideDetailsId, DialogUnits().MapDialogRect(6, 6, 14, 14));
    connect(&m_btnShow, &QAbstractButton::clicked, this, [this] { ShowDetails(true); });
    connect(&m_btnHide, &QAbstractButton::clicked, this, [this] { ShowDetails(false); });

    m_progressRect = m_progressBar->geometry();
    m_fullSize = size();
    // From the bottom of the first row of labels to the progress bar, less a margin.
    m_detailsHeight = m_progressRect.top() - GetDlgItem(this, 1157)->geometry().bottom() - 10;

    m_timer.setInterval(1000);
    connect(&m_timer, &QTimer::timeout, this, [this] { RefreshTexts(); });
}

CRecoveringDlg::~CRecoveringDlg() = default;

void CRecoveringDlg::FitColumns()
{
    // The template's columns hold the English labels; longer ones (other languages) push their values, and
    // the right-hand column, to the right, and the dialog grows to keep them.
    const int gap = DialogUnits().MapDialogSize(4, 0).width();
    auto textWidth = [this](int id) {
        auto* label = qobject_cast<QLabel*>(GetDlgItem(this, id));
        return label->fontMetrics().horizontalAdvance(label->text());
    };
    auto setX = [this](int id, int x, int width) {
        QWidget* w = GetDlgItem(this, id);
        w->setGeometry(x, w->y(), width, w->height());
    };
    const int labelX = GetDlgItem(this, 1157)->x();
    int leftLabel = 0;
    for (int id : {1157, 1153, 1154}) leftLabel = std::max(leftLabel, textWidth(id));
    int rightLabel = 0;
    for (int id : {1158, 1155, 1156}) rightLabel = std::max(rightLabel, textWidth(id));
    const int valueX = std::max(GetDlgItem(this, kRemainingId)->x(), labelX + leftLabel + gap);
    const int valueWidth = DialogUnits().MapDialogSize(62, 0).width();
    const int rightX = std::max(GetDlgItem(this, 1158)->x(), valueX + valueWidth);
    const int rightValueX = std::max(GetDlgItem(this, kElapsedId)->x(), rightX + rightLabel + gap);
    const int rightValueWidth = DialogUnits().MapDialogSize(80, 0).width();
    for (int id : {1157, 1153, 1154}) setX(id, labelX, leftLabel + gap);
    for (int id : {kRemainingId, kDoneFilesId, kFileCountId}) setX(id, valueX, rightX - valueX - gap);
    for (int id : {1158, 1155, 1156}) setX(id, rightX, rightLabel + gap);
    for (int id : {kElapsedId, kDoneBytesId, kTotalBytesId}) setX(id, rightValueX, rightValueWidth);
    const int width = std::max(this->width(), rightValueX + rightValueWidth);
    const int nameX = std::max(GetDlgItem(this, kCurrentFileId)->x(), labelX + textWidth(1159) + gap);
    setX(1159, labelX, textWidth(1159) + gap);
    setX(kCurrentFileId, nameX, width - nameX - DialogUnits().MapDialogSize(20, 0).width());
    if (width > this->width()) setFixedSize(width, height());
}

QLabel* CRecoveringDlg::Value(int id) const
{
    return qobject_cast<QLabel*>(GetDlgItem(this, id));
}

bool CRecoveringDlg::OnInitDialog()
{
    CSearchSuperDlg::OnInitDialog();
    setWindowTitle(TemplateText(0));
    ShowDetails(m_details);
    // Begin the save once the dialog is on screen.
    QTimer::singleShot(0, this, [this] { RunSave(); });
    return true;
}

void CRecoveringDlg::ShowDetails(bool show)
{
    m_details = show;
    for (QWidget* w : m_detailControls) w->setVisible(show);
    m_btnShow.setVisible(!show);
    m_btnHide.setVisible(show);
    const int shift = show ? 0 : m_detailsHeight;
    m_progressBar->move(m_progressRect.left(), m_progressRect.top() - shift);
    m_btnCancel.move(m_cancelRect.left(), m_cancelRect.top() - shift);
    setFixedSize(m_fullSize.width(), m_fullSize.height() - shift);
}

void CRecoveringDlg::RunSave()
{
    m_startTick = GetTickClock().GetTickCount();
    m_timer.start();
    CSaveProgress* progress = &m_progress;
    // Begin is announced by the core; the bar's scale follows from it.
    struct Starter : IFileRecoverCallback {
        CRecoveringDlg* dlg;
        CSaveProgress* p;
        int Begin(int files, uint64_t total) override
        {
            p->Begin(files, total);
            const ProgressScale scale = MakeProgressScale(total);
            dlg->m_progressBar->setRange(0, scale.range);
            dlg->m_progressBar->setValue(scale.empty ? scale.range : 0);
            dlg->m_startTick = GetTickClock().GetTickCount();
            dlg->RefreshTexts();
            return p->CheckCancel();
        }
        int AddFilesDone(int n) override { return p->AddFilesDone(n); }
        int AddBytesDone(uint64_t n) override { return p->AddBytesDone(n); }
        int SubtractBytes(int n) override { return p->SubtractBytes(n); }
        int SetCurrentFile(const char* name) override { return p->SetCurrentFile(name); }
        int CheckCancel() override { return p->CheckCancel(); }
    } callback;
    callback.dlg = this;
    callback.p = progress;
    m_outcome = SaveCheckedFiles(m_root, m_device, m_target.toStdString(), &callback,
                                 [] { QApplication::processEvents(QEventLoop::AllEvents, 10); });
    for (const std::string& made : m_outcome.madeFolders) m_madeFolders.append(Text(made));
    m_timer.stop();
    RefreshTexts();
    EndDialog(1);
}

void CRecoveringDlg::RefreshTexts()
{
    const uint64_t total = m_progress.GetTotalBytes();
    const uint64_t done = m_progress.GetDoneBytes();
    const uint64_t elapsed = uint32_t(GetTickClock().GetTickCount() - m_startTick);
    const ProgressScale scale = MakeProgressScale(total);
    m_progressBar->setValue(scale.Position(done));
    Value(kElapsedId)->setText(Text(FormatClock(elapsed / 1000)));
    const std::optional<double> remaining = elapsed > 4999 ? RemainingMilliseconds(total, done, elapsed) : std::nullopt;
    Value(kRemainingId)
        ->setText(remaining ? Text(FormatClock(uint64_t(*remaining / 1000.0) + 1))
                            : CResourceLibrary::Instance().LoadString(132));
    Value(kFileCountId)->setText(QString::number(m_progress.GetFileCount()));
    Value(kDoneFilesId)->setText(QString::number(m_progress.GetDoneFiles()));
    Value(kDoneBytesId)->setText(Text(FormatSaveSize(done)));
    Value(kTotalBytesId)->setText(Text(FormatSaveSize(total)));
    QLabel* current = Value(kCurrentFileId);
    current->setText(
        current->fontMetrics().elidedText(Text(m_progress.GetCurrentFile()), Qt::ElideRight, current->width()));
}

void CRecoveringDlg::OnCancelButton()
{
    if (m_progress.IsCancelled()) return;
    if (ShowMessageBox(this, CResourceLibrary::Instance().LoadString(246), QString(), MB_YESNO | MB_ICONQUESTION) !=
        IDYES)
        return;
    m_progress.Cancel();
    setWindowTitle(CResourceLibrary::Instance().LoadString(402));
    m_btnCancel.setEnabled(false);
}

void CRecoveringDlg::keyPressEvent(QKeyEvent* e)
{
    if (e->key() == Qt::Key_Return || e->key() == Qt::Key_Enter || e->key() == Qt::Key_Escape) {
        e->accept();
        return;
    }
    CSearchSuperDlg::keyPressEvent(e);
}
