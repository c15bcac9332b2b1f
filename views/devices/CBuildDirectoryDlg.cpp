// The directory-build progress dialog.
#include "views/devices/CBuildDirectoryDlg.h"

#include "controls/CPublicPorgress.h"
#include "controls/CResourceLibrary.h"
#include "controls/ControlFont.h"
#include "controls/ControlId.h"
#include "controls/MessageBox.h"
#include "controls/TickClock.h"
#include "platform/Log.h"
#include "storage/saving/SaveProgressText.h"

#include <QCheckBox>
#include <QLabel>
#include <algorithm>

namespace {

uint32_t Now()
{
    return GetTickClock().GetTickCount();
}

} // namespace

std::string CBuildDirectoryDlg::FormatElapsed(uint32_t now, uint32_t start)
{
    return FormatClock(uint32_t(now - start) / 1000);
}

CBuildDirectoryDlg::CBuildDirectoryDlg(QWidget* parent) : CSearchSuperDlg(kTemplate, parent)
{
    setFont(CreateDialogFont());
    SetTemplateSize(318, 100);
    const CResourceLibrary& lib = CResourceLibrary::Instance();
    m_title = new QLabel(this);
    SetDlgCtrlID(m_title, kTitleId);
    PlaceControl(m_title, 14, 12, 290, 10);
    m_progressBar = new CPublicPorgress(this);
    SetDlgCtrlID(m_progressBar, kProgressId);
    m_progressBar->setTextVisible(false);
    m_progressBar->setRange(0, 100);
    m_progressBar->setValue(0);
    PlaceControl(m_progressBar, 14, 28, 290, 12);

    auto* remainingLabel = new QLabel(TemplateText(kRemainingLabelId), this);
    SetDlgCtrlID(remainingLabel, kRemainingLabelId);
    PlaceControl(remainingLabel, 14, 50, 70, 9);
    m_remaining = new QLabel(QStringLiteral("00:00:00"), this);
    SetDlgCtrlID(m_remaining, kRemainingId);
    PlaceControl(m_remaining, 86, 50, 60, 9);
    auto* elapsedLabel = new QLabel(lib.LoadText(QStringLiteral("dialog.135.elapsed")), this);
    PlaceControl(elapsedLabel, 14, 50, 70, 9);
    m_elapsed = new QLabel(QStringLiteral("00:00:00"), this);
    SetDlgCtrlID(m_elapsed, kElapsedId);
    // The value follows its label, however long the label is in the language shown.
    const int gap = DialogUnits().MapDialogSize(4, 0).width();
    elapsedLabel->adjustSize();
    m_elapsed->setGeometry(elapsedLabel->x() + elapsedLabel->width() + gap, elapsedLabel->y(),
                           DialogUnits().MapDialogSize(60, 0).width(), elapsedLabel->height());
    auto* extend = new QCheckBox(TemplateText(kExtendCheckId), this);
    SetDlgCtrlID(extend, kExtendCheckId);
    extend->hide();

    m_btnCancel.AttachToDialog(this, IDCANCEL, DialogUnits().MapDialogRect(244, 72, 60, 17));
    connect(&m_btnCancel, &QAbstractButton::clicked, this, [this] { OnCancelCommand(); });
    m_titleText = QString();
    m_elapsedText = QStringLiteral("00:00:00");
    m_remainingText = QStringLiteral("00:00:00");
    const uint32_t now = Now();
    m_startTick = now;
    m_lastRefresh = now;
    m_port = CMessagePort::Create(this);
    m_timer.setInterval(1000);
    connect(&m_timer, &QTimer::timeout, this, [this] {
        const uint32_t t = Now();
        if (t - m_lastRefresh.load() > kRefreshMs) {
            RefreshElapsed(t);
            ShowTexts();
        }
    });
}

CBuildDirectoryDlg::~CBuildDirectoryDlg()
{
    m_port->Close();
}

bool CBuildDirectoryDlg::OnInitDialog()
{
    CSearchSuperDlg::OnInitDialog();
    setWindowTitle(TemplateText(0));
    m_timer.start();
    GetDlgItem(this, kRemainingLabelId)->hide();
    m_remaining->hide();
    return true;
}

void CBuildDirectoryDlg::RefreshElapsed(uint32_t now)
{
    m_lastRefresh = now;
    const QString text = QString::fromStdString(FormatElapsed(now, m_startTick.load()));
    std::lock_guard<std::mutex> lock(m_textLock);
    m_elapsedText = text;
}

void CBuildDirectoryDlg::ShowTexts()
{
    std::lock_guard<std::mutex> lock(m_textLock);
    m_title->setText(m_titleText);
    m_remaining->setText(m_remainingText);
    m_elapsed->setText(m_elapsedText);
}

int CBuildDirectoryDlg::Begin(const char* title, int total)
{
    const uint32_t now = Now();
    m_startTick = now;
    m_lastRefresh = now;
    m_total = total;
    m_position = 0;
    {
        std::lock_guard<std::mutex> lock(m_textLock);
        m_titleText = QString::fromUtf8(title ? title : "");
        m_elapsedText = QStringLiteral("00:00:00");
    }
    m_port->Post(UM_BUILD_RANGE, 0, LPARAM(total));
    m_port->Post(UM_BUILD_TEXTS);
    // The title is data, never a format: a '%' in a volume label must not be read as a conversion.
    LogInfo("%s", title ? title : "");
    return CheckCancel();
}

int CBuildDirectoryDlg::Step(int n)
{
    m_stepCount += n;
    m_port->Post(UM_BUILD_STEP, WPARAM(n));
    return CheckCancel();
}

int CBuildDirectoryDlg::SetPos(int n)
{
    m_stepCount += 1;
    m_position = n;
    m_port->Post(UM_BUILD_POSITION, WPARAM(n));
    return CheckCancel();
}

int CBuildDirectoryDlg::Finish()
{
    m_total = 0;
    m_stepCount = 0;
    m_port->Post(UM_BUILD_POSITION, 0, 1);
    return CheckCancel();
}

int CBuildDirectoryDlg::CheckCancel()
{
    if (m_cancelled.load()) return -1;
    const uint32_t now = Now();
    if (now - m_lastRefresh.load() > kRefreshMs) {
        RefreshElapsed(now);
        m_port->Post(UM_BUILD_TEXTS);
    }
    return 0;
}

void CBuildDirectoryDlg::customEvent(QEvent* e)
{
    CWindowMessage* m = CWindowMessage::From(e);
    if (!m) {
        CSearchSuperDlg::customEvent(e);
        return;
    }
    switch (m->Message()) {
    case UM_BUILD_TEXTS: ShowTexts(); break;
    case UM_BUILD_STEP:
        m_progressBar->setValue(std::min(m_progressBar->maximum(), m_progressBar->value() + int(m->WParam())));
        break;
    case UM_BUILD_RANGE:
        // A range of 0 would turn the bar into a busy indicator: it shows empty instead.
        m_progressBar->setRange(0, std::max<int>(1, int(m->LParam())));
        m_progressBar->setValue(std::clamp(m_position.load(), 0, m_progressBar->maximum()));
        break;
    case UM_BUILD_POSITION:
        m_progressBar->setValue(m->LParam() == 1 ? m_progressBar->maximum()
                                                 : std::clamp(int(m->WParam()), 0, m_progressBar->maximum()));
        break;
    default: CSearchSuperDlg::customEvent(e);
    }
}

void CBuildDirectoryDlg::HideCancelButton()
{
    m_btnCancel.hide();
    m_cancelHidden = true;
}

void CBuildDirectoryDlg::OnCancelCommand()
{
    if (m_cancelHidden || m_cancelled.load() || m_questionOpen.load()) return;
    m_questionOpen = 1;
    const int answer = ShowMessageBox(this, CResourceLibrary::Instance().LoadString(216), MB_YESNO);
    if (answer == IDYES) {
        m_cancelled = 1;
        m_btnCancel.setEnabled(false);
        setWindowTitle(CResourceLibrary::Instance().LoadString(402));
    }
    m_questionOpen = 0;
}
