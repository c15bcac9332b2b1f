// The intelligent-search progress dialog and its runner.
#include "views/devices/CIntelligentSearchingDialog.h"

#include "controller/IWizardServices.h"
#include "controls/CPublicPorgress.h"
#include "controls/CResourceLibrary.h"
#include "controls/ControlFont.h"
#include "controls/ControlId.h"
#include "controls/MessageBox.h"
#include "controls/TickClock.h"
#include "core/CRecoverySettings.h"
#include "core/devices/CReadLossRelay.h"
#include "core/devices/CReadLossScope.h"
#include "storage/saving/SaveProgressText.h"
#include "views/devices/CMainWindowDisabler.h"
#include "views/devices/ReadLossNotice.h"

#include <QApplication>
#include <QKeyEvent>
#include <QLabel>
#include <algorithm>
#include <chrono>
#include <system_error>
#include <thread>

namespace {

uint32_t Now()
{
    return GetTickClock().GetTickCount();
}

// True when more than kThrottleMs passed since the clock's last mark (and marks now); the first call only
// starts the clock.
bool Due(std::atomic<bool>& started, std::atomic<uint32_t>& last, uint32_t now)
{
    if (!started.exchange(true)) {
        last = now;
        return false;
    }
    if (now - last.load() <= CIntelligentSearchingDialog::kThrottleMs) return false;
    last = now;
    return true;
}

QString Hms(int64_t h, int64_t m, int64_t s)
{
    return QString::asprintf("%02lld:%02lld:%02lld", (long long)h, (long long)m, (long long)s);
}

} // namespace

CIntelligentSearchingDialog::Scale CIntelligentSearchingDialog::ScaleOf(uint64_t first, uint64_t last)
{
    if (last <= first) return {1, 0};
    const uint64_t span = last - first;
    uint64_t scale = 1;
    while (span / scale > 1000) scale *= 10;
    return {scale, int64_t(span / scale)};
}

QString CIntelligentSearchingDialog::RemainingText(int64_t r, bool shownBefore, bool atEnd)
{
    if (atEnd) return Hms(0, 0, 0);
    if (r <= 0 && !shownBefore) return CResourceLibrary::Instance().LoadString(132);
    // Whole seconds rounded up: while blocks are left the time never reads 00:00:00.
    const int64_t seconds = std::max<int64_t>(1, (std::max<int64_t>(r, 0) + 999) / 1000);
    return Hms(seconds / 3600, (seconds / 60) % 60, seconds % 60);
}

CIntelligentSearchingDialog::CIntelligentSearchingDialog(QWidget* parent) : CSearchSuperDlg(kTemplate, parent)
{
    setFont(CreateDialogFont());
    SetTemplateSize(338, 134);
    const CResourceLibrary& lib = CResourceLibrary::Instance();
    auto label = [this](const QString& text, int id, int x, int y, int cx) {
        auto* l = new QLabel(text, this);
        if (id) SetDlgCtrlID(l, id);
        PlaceControl(l, x, y, cx, 10);
        return l;
    };
    label(lib.LoadText(QStringLiteral("dialog.129.elapsed")), 0, 28, 8, 70);
    label(QStringLiteral("00:00:00"), kElapsedId, 100, 8, 60);
    label(lib.LoadText(QStringLiteral("dialog.129.remaining")), 0, 175, 8, 80);
    label(lib.LoadString(132), kRemainingId, 258, 8, 70);
    for (int i = 0; i < 8; ++i) {
        const int column = i / 4, row = i % 4;
        label(TemplateText(unsigned(kLabelIds[size_t(i)])), kLabelIds[size_t(i)], 28 + column * 147, 26 + row * 13, 82);
        label(QStringLiteral("0"), kCounterIds[size_t(i)], 112 + column * 147, 26 + row * 13, 55);
    }
    label(TemplateText(kCollapsedLabelId), kCollapsedLabelId, 28, 26, 82);
    label(QString(), kCollapsedValueId, 112, 26, 55);
    m_progressBar = new CPublicPorgress(this);
    SetDlgCtrlID(m_progressBar, kProgressId);
    m_progressBar->setTextVisible(false);
    m_progressBar->setRange(0, 1);
    m_progressBar->setValue(0);
    PlaceControl(m_progressBar, 14, 86, 310, 12);
    m_btnCancel.AttachToDialog(this, IDCANCEL, DialogUnits().MapDialogRect(264, 108, 60, 17));
    connect(&m_btnCancel, &QAbstractButton::clicked, this, [this] { OnCancelCommand(); });
    m_btnExpand.AttachToDialog(this, kExpandId, DialogUnits().MapDialogRect(8, 25, 13, 14));
    m_btnCollapse.AttachToDialog(this, kCollapseId, DialogUnits().MapDialogRect(8, 25, 13, 14));
    connect(&m_btnExpand, &QAbstractButton::clicked, this, [this] { Expand(); });
    connect(&m_btnCollapse, &QAbstractButton::clicked, this, [this] { Collapse(); });
    m_remainingText = lib.LoadString(132);
    m_progressRect = m_progressBar->geometry();
    m_cancelRect = m_btnCancel.geometry();
    m_fullSize = size();
    m_collapseDistance = m_progressRect.top() - GetDlgItem(this, kCollapsedLabelId)->geometry().bottom() - 10;
    m_port = CMessagePort::Create(this);
    m_timer.setInterval(1000);
    connect(&m_timer, &QTimer::timeout, this, [this] { OnTick(); });
    // The dialog starts collapsed; set before it is first shown, as its size is fixed.
    Collapse();
}

CIntelligentSearchingDialog::~CIntelligentSearchingDialog()
{
    m_port->Close();
}

QLabel* CIntelligentSearchingDialog::Value(int id) const
{
    return qobject_cast<QLabel*>(GetDlgItem(this, id));
}

bool CIntelligentSearchingDialog::OnInitDialog()
{
    CSearchSuperDlg::OnInitDialog();
    setWindowTitle(TemplateText(0));
    Value(kCollapsedValueId)->setText(QString());
    m_timer.start();
    m_startTick = Now();
    return true;
}

void CIntelligentSearchingDialog::SetRange(uint64_t first, uint64_t last)
{
    const Scale s = ScaleOf(first, last);
    m_scale = s.scale;
    m_range = s.range;
    m_port->Post(UM_SEARCH_RANGE, 0, LPARAM(s.range));
    m_port->Post(UM_SEARCH_COUNTERS);
    m_estimator.Start(int(s.range));
}

void CIntelligentSearchingDialog::SetPosition(uint64_t block)
{
    const uint32_t now = Now();
    if (!Due(m_positionClockStarted, m_lastPosition, now)) return;
    const uint64_t p = block / m_scale.load();
    m_port->Post(UM_SEARCH_POSITION, WPARAM(p));
    m_estimator.Update(int(p));
    const QString text = RemainingText(m_estimator.GetRemaining(), m_remainingShown);
    // Once a time has been shown, later estimates show a time, not "Calculating..." again.
    if (m_estimator.GetRemaining() > 0) m_remainingShown = true;
    {
        std::lock_guard<std::mutex> lock(m_lock);
        m_remainingText = text;
    }
    m_port->Post(UM_SEARCH_COUNTERS);
}

void CIntelligentSearchingDialog::GetStatistics(CIntelligentSearchStatistics* out)
{
    if (!out) return;
    std::lock_guard<std::mutex> lock(m_lock);
    *out = m_statistics;
}

void CIntelligentSearchingDialog::SetStatistics(const CIntelligentSearchStatistics* in)
{
    if (!in) return;
    {
        std::lock_guard<std::mutex> lock(m_lock);
        m_statistics = *in;
    }
    if (Due(m_counterClockStarted, m_lastCounters, Now())) {
        m_port->Post(UM_SEARCH_COUNTERS);
        Refresh();
    }
}

void CIntelligentSearchingDialog::ShowCounters()
{
    std::lock_guard<std::mutex> lock(m_lock);
    // Counters are 64-bit and never negative: shown whole, not cut to a signed 32-bit number.
    for (int i = 0; i < 8; ++i) Value(kCounterIds[size_t(i)])->setText(QString::number(uint64_t(m_statistics.Get(i))));
    Value(kCollapsedValueId)->setText(QString::number(uint64_t(m_statistics.TotalFilesFound)));
    Value(kElapsedId)->setText(Hms(m_hours, m_minutes, m_seconds));
    Value(kRemainingId)->setText(m_remainingText);
}

void CIntelligentSearchingDialog::customEvent(QEvent* e)
{
    CWindowMessage* m = CWindowMessage::From(e);
    if (!m) {
        CSearchSuperDlg::customEvent(e);
        return;
    }
    switch (m->Message()) {
    case UM_SEARCH_COUNTERS: ShowCounters(); break;
    case UM_SEARCH_RANGE:
        m_progressBar->setRange(int(m->WParam()), std::max<int>(int(m->WParam()) + 1, int(m->LParam())));
        break;
    case UM_SEARCH_POSITION:
        m_progressBar->setValue(std::clamp(int(m->WParam()), m_progressBar->minimum(), m_progressBar->maximum()));
        break;
    default: CSearchSuperDlg::customEvent(e);
    }
}

void CIntelligentSearchingDialog::OnTick()
{
    if (++m_seconds == 60) {
        m_seconds = 0;
        if (++m_minutes == 60) {
            m_minutes = 0;
            ++m_hours;
        }
    }
    ShowCounters();
    if (IsFinished()) {
        m_timer.stop();
        EndDialog(1);
    }
}

void CIntelligentSearchingDialog::OnCancelCommand()
{
    // Once cancelled, a further Cancel or Escape asks nothing and reports nothing again.
    if (m_cancelled.load()) return;
    const CResourceLibrary& lib = CResourceLibrary::Instance();
    if (ShowMessageBox(this, lib.LoadString(239), MB_YESNO | MB_ICONQUESTION) != IDYES) return;
    m_cancelled = 1;
    m_btnCancel.setEnabled(false);
    setWindowTitle(lib.LoadString(402));
    const int mode = GetRecoverySettings()->m_recoveryMode;
    const uint64_t elapsed = uint32_t(Now() - m_startTick);
    if (mode == 1)
        GetWizardServices()->ReportTimedEvent(8216, elapsed);
    else if (mode == 2)
        GetWizardServices()->ReportTimedEvent(8244, elapsed);
}

void CIntelligentSearchingDialog::keyPressEvent(QKeyEvent* e)
{
    if (e->key() == Qt::Key_Return || e->key() == Qt::Key_Enter) {
        e->accept();
        return;
    }
    CSearchSuperDlg::keyPressEvent(e);
}

void CIntelligentSearchingDialog::Expand()
{
    m_expanded = true;
    Layout();
}

void CIntelligentSearchingDialog::Collapse()
{
    m_expanded = false;
    Layout();
}

void CIntelligentSearchingDialog::Layout()
{
    for (int i = 0; i < 8; ++i) {
        GetDlgItem(this, kLabelIds[size_t(i)])->setVisible(m_expanded);
        GetDlgItem(this, kCounterIds[size_t(i)])->setVisible(m_expanded);
    }
    GetDlgItem(this, kCollapsedLabelId)->setVisible(!m_expanded);
    GetDlgItem(this, kCollapsedValueId)->setVisible(!m_expanded);
    m_btnCollapse.setVisible(m_expanded);
    m_btnExpand.setVisible(!m_expanded);
    const int shift = m_expanded ? 0 : std::max(0, m_collapseDistance);
    m_progressBar->move(m_progressRect.left(), m_progressRect.top() - shift);
    m_btnCancel.move(m_cancelRect.left(), m_cancelRect.top() - shift);
    setFixedSize(m_fullSize.width(), m_fullSize.height() - shift);
    update();
}

void CIntelligentSearchingDialog::OnSearchFinished()
{
    // A search that ran to its end shows a full bar and no time left for the moment the dialog still stands.
    if (!m_cancelled.load()) {
        {
            std::lock_guard<std::mutex> lock(m_lock);
            m_remainingText = RemainingText(0, true, true);
        }
        m_port->Post(UM_SEARCH_POSITION, WPARAM(m_range.load()));
        m_port->Post(UM_SEARCH_COUNTERS);
    }
    m_finished = 1;
}

bool RunIntelligentSearchDialog(const std::function<void(IIntelligentSearchCallback*)>& search)
{
    CIntelligentSearchingDialog dlg(nullptr);
    // The search tells the thread that ran it what it read as zeros; that worker hands it on to this one.
    CReadLossRelay losses;
    std::thread worker;
    try {
        worker = std::thread([&] {
            {
                CReadLossRelay::Collector collect(losses);
                search(&dlg);
            }
            dlg.OnSearchFinished();
        });
    } catch (const std::system_error&) {
        return false;
    }
    {
        CMainWindowDisabler disabled(&dlg);
        dlg.DoModal();
        // The dialog ends only after the search has finished; should it end sooner, the search still holds
        // the dialog as its callback: keep pumping until it is done, then join.
        while (!dlg.IsFinished()) {
            QApplication::processEvents(QEventLoop::AllEvents, 10);
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
    }
    worker.join();
    CReadLossScope loss;
    losses.Deliver();
    ShowReadLoss(loss);
    return true;
}
