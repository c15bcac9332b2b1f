// The lost-partition search progress dialog.
#include "views/devices/CLostPartitionSearchingDialog.h"

#include "controller/IWizardServices.h"
#include "controls/CPublicPorgress.h"
#include "controls/CResourceLibrary.h"
#include "controls/ControlFont.h"
#include "controls/ControlId.h"
#include "controls/MessageBox.h"
#include "controls/TickClock.h"
#include "core/devices/CReadLossScope.h"
#include "storage/saving/SaveProgressText.h"
#include "views/devices/CMainWindowDisabler.h"
#include "views/devices/ReadLossNotice.h"

#include <QApplication>
#include <QLabel>
#include <algorithm>
#include <limits>
#include <utility>

namespace {

uint32_t Now()
{
    return GetTickClock().GetTickCount();
}
QString Clock(uint64_t seconds)
{
    return QString::fromStdString(FormatClock(seconds));
}

} // namespace

QString CLostPartitionSearchingDialog::RemainingText(uint64_t elapsedMs, uint64_t processed, uint64_t last)
{
    if (elapsedMs < 5000 || processed == 0) return CResourceLibrary::Instance().LoadString(132);
    // In floating point: more processed than announced gives 0, not a wrapped-around count of years.
    const double left = processed >= last ? 0.0 : double(last - processed);
    const double seconds =
        std::min(left * double(elapsedMs) / double(processed) / 1000.0, double(kMaxRemainingSeconds));
    return Clock(uint64_t(seconds) + 1);
}

CLostPartitionSearchingDialog::CLostPartitionSearchingDialog(QWidget* parent) : CSearchSuperDlg(kTemplate, parent)
{
    setFont(CreateDialogFont());
    SetTemplateSize(308, 89);
    const CResourceLibrary& lib = CResourceLibrary::Instance();
    m_progressBar = new CPublicPorgress(this);
    SetDlgCtrlID(m_progressBar, kProgressId);
    m_progressBar->setTextVisible(false);
    m_progressBar->setRange(0, 1);
    m_progressBar->setValue(0);
    PlaceControl(m_progressBar, 14, 12, 280, 12);
    auto* elapsedLabel = new QLabel(lib.LoadText(QStringLiteral("dialog.222.elapsed")), this);
    PlaceControl(elapsedLabel, 14, 36, 72, 10);
    m_elapsed = new QLabel(QStringLiteral("00:00:00"), this);
    SetDlgCtrlID(m_elapsed, kElapsedId);
    PlaceControl(m_elapsed, 88, 36, 60, 10);
    auto* remainingLabel = new QLabel(lib.LoadText(QStringLiteral("dialog.222.remaining")), this);
    PlaceControl(remainingLabel, 150, 36, 76, 10);
    m_remaining = new QLabel(QStringLiteral("00:00:00"), this);
    SetDlgCtrlID(m_remaining, kRemainingId);
    PlaceControl(m_remaining, 228, 36, 70, 10);
    m_btnCancel.AttachToDialog(this, IDCANCEL, DialogUnits().MapDialogRect(234, 62, 60, 17));
    connect(&m_btnCancel, &QAbstractButton::clicked, this, [this] { OnCancelCommand(); });
    m_port = CMessagePort::Create(this);
    m_timer.setInterval(int(kTimerMs));
    connect(&m_timer, &QTimer::timeout, this, [this] { OnTick(); });
}

CLostPartitionSearchingDialog::~CLostPartitionSearchingDialog()
{
    m_port->Close();
}

bool CLostPartitionSearchingDialog::OnInitDialog()
{
    CSearchSuperDlg::OnInitDialog();
    setWindowTitle(TemplateText(0));
    m_dialogStart = Now();
    if (!m_rangeSet.load()) m_searchStart = m_dialogStart;
    m_timer.start();
    return true;
}

void CLostPartitionSearchingDialog::Step()
{
    ++m_processed;
    m_port->Post(UM_PART_STEP, WPARAM(std::max(0, m_step.load())));
}

void CLostPartitionSearchingDialog::AdvanceOne()
{
    ++m_processed;
    m_port->Post(UM_PART_STEP, 1);
}

void CLostPartitionSearchingDialog::SetRange(uint64_t first, uint64_t last)
{
    m_searchStart = Now();
    m_rangeSet = true;
    m_last = last;
    const uint64_t span = last > first ? last - first : 0;
    m_port->Post(UM_PART_RANGE, 0, LPARAM(std::min<uint64_t>(span, uint64_t(std::numeric_limits<int>::max()))));
}

void CLostPartitionSearchingDialog::SetPos(int n)
{
    m_port->Post(UM_PART_POSITION, WPARAM(std::max(0, n)));
}

void CLostPartitionSearchingDialog::OnPartitionFound(const CLostPartitionRecord* record)
{
    if (!record) return;
    std::lock_guard<std::mutex> lock(m_lock);
    m_records.push_back(*record);
}

std::vector<CLostPartitionRecord> CLostPartitionSearchingDialog::TakeRecords()
{
    std::lock_guard<std::mutex> lock(m_lock);
    return std::exchange(m_records, {});
}

void CLostPartitionSearchingDialog::customEvent(QEvent* e)
{
    CWindowMessage* m = CWindowMessage::From(e);
    if (!m) {
        CSearchSuperDlg::customEvent(e);
        return;
    }
    switch (m->Message()) {
    case UM_PART_STEP:
        m_progressBar->setValue(
            int(std::min<int64_t>(m_progressBar->maximum(), int64_t(m_progressBar->value()) + int64_t(m->WParam()))));
        break;
    case UM_PART_RANGE: m_progressBar->setRange(0, std::max<int>(1, int(m->LParam()))); break;
    case UM_PART_POSITION: m_progressBar->setValue(std::min(m_progressBar->maximum(), int(m->WParam()))); break;
    default: CSearchSuperDlg::customEvent(e);
    }
}

void CLostPartitionSearchingDialog::OnTick()
{
    const uint64_t elapsed = uint32_t(Now() - m_searchStart.load());
    m_elapsed->setText(Clock(elapsed / 1000));
    if (elapsed < 5000)
        m_remaining->setText(CResourceLibrary::Instance().LoadString(132));
    else if (!m_freeze.load())
        m_remaining->setText(RemainingText(elapsed, m_processed.load(), m_last.load()));
}

void CLostPartitionSearchingDialog::OnCancelCommand()
{
    if (m_cancelled.load()) return;
    m_freeze = 1;
    const CResourceLibrary& lib = CResourceLibrary::Instance();
    if (ShowMessageBox(this, lib.LoadString(241), MB_YESNO | MB_ICONQUESTION) != IDYES) {
        m_freeze = 0;
        return;
    }
    m_cancelled = 1;
    m_btnCancel.setEnabled(false);
    setWindowTitle(lib.LoadString(402));
    GetWizardServices()->ReportTimedEvent(8243, uint32_t(Now() - m_dialogStart));
}

size_t CLostPartitionSearchingDialog::GetFoundCount()
{
    std::lock_guard<std::mutex> lock(m_lock);
    return m_records.size();
}

void RunLostPartitionSearchDialog(
    const std::function<void(IPartitionSearchCallback*, const std::function<void()>& pump)>& search,
    std::vector<CLostPartitionRecord>& out)
{
    CLostPartitionSearchingDialog dlg(nullptr);
    // The search hands what its worker read as zeros to this thread once it ends.
    CReadLossScope loss;
    {
        CMainWindowDisabler disabled(&dlg);
        dlg.ShowModeless();
        QApplication::processEvents();
        search(&dlg, [] { QApplication::processEvents(QEventLoop::AllEvents, 10); });
        QApplication::processEvents();
        dlg.EndDialog(0);
    }
    for (CLostPartitionRecord& r : dlg.TakeRecords()) out.push_back(r);
    ShowReadLoss(loss);
}
