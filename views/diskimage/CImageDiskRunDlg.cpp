// The run step of the disk-image wizard.
#include "views/diskimage/CImageDiskRunDlg.h"

#include "controls/CPublicPorgress.h"
#include "controls/CResourceLibrary.h"
#include "controls/ControlId.h"
#include "controls/MessageBox.h"
#include "controls/TickClock.h"
#include "storage/saving/SaveProgressText.h"
#include "views/diskimage/DiskImageFileDialog.h"
#include "views/diskimage/DiskImageFiles.h"
#include "views/diskimage/DiskImageText.h"

#include <QApplication>
#include <QGridLayout>
#include <QLabel>
#include <QVBoxLayout>

namespace {
QString Str(unsigned id)
{
    return CResourceLibrary::Instance().LoadString(id);
}
} // namespace

CImageDiskRunDlg::CImageDiskRunDlg(QWidget* parent)
    : CInterfaceDialog(kTemplate, parent), m_writer(std::make_unique<CCompressController>())
{
    MakePane();
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(30, 22, 30, 10);
    auto* grid = new QGridLayout;
    grid->setHorizontalSpacing(14);
    const std::pair<const char*, int> rows[] = {{"file", kFileId}, {"remaining", kRemainingId}, {"free", kFreeId}};
    int row = 0;
    for (const auto& [key, id] : rows) {
        grid->addWidget(AddLabel(QString::fromLatin1(key)), row, 0);
        auto* value = new QLabel(this);
        SetDlgCtrlID(value, id);
        grid->addWidget(value, row, 1);
        ++row;
    }
    grid->setColumnStretch(1, 1);
    layout->addLayout(grid);
    layout->addSpacing(8);
    m_progress = new CPublicPorgress(this);
    SetDlgCtrlID(m_progress, kProgressId);
    m_progress->setTextVisible(false);
    m_progress->setRange(0, 1);
    m_progress->setValue(0);
    layout->addWidget(m_progress);
    layout->addStretch(1);
    m_remaining = QStringLiteral("00:00:00");
    Value(kRemainingId)->setText(m_remaining);

    m_clockTimer.setInterval(300);
    m_spaceTimer.setInterval(1000);
    connect(&m_clockTimer, &QTimer::timeout, this, [this] { OnTimer(kClockTimer); });
    connect(&m_spaceTimer, &QTimer::timeout, this, [this] { OnTimer(kSpaceTimer); });
}

CImageDiskRunDlg::~CImageDiskRunDlg() = default;

QLabel* CImageDiskRunDlg::Value(int id) const
{
    return qobject_cast<QLabel*>(GetDlgItem(this, id));
}

void CImageDiskRunDlg::StartTimers()
{
    m_clockTimer.start();
    m_spaceTimer.start();
}

void CImageDiskRunDlg::StopTimers()
{
    m_clockTimer.stop();
    m_spaceTimer.stop();
}

void CImageDiskRunDlg::ShowCurrentFile(const std::string& path)
{
    Value(kFileId)->setText(QString::fromStdString(diskimg::CutText(path, 40, ".........")));
    Value(kFileId)->setToolTip(QString::fromStdString(path));
}

int CImageDiskRunDlg::GetFreeSpaceMB(const std::string& path)
{
    m_targetFolder = diskimg::FolderOf(path);
    const int64_t mb = diskimg::GetFreeSpaceMB(m_targetFolder);
    m_freeMB = int(std::min<int64_t>(mb, INT32_MAX));
    return m_freeMB;
}

void CImageDiskRunDlg::CheckStartSpace(int freeMB)
{
    m_freeMB = freeMB;
    if (freeMB < kMinFreeMB) {
        ShowMessageBox(this, 61205, MB_ICONEXCLAMATION);
        m_cancelled = 1;
        m_abandoned = 1;
        emit abandoned();
    }
    Value(kFreeId)->setText(QString::number(freeMB));
}

void CImageDiskRunDlg::Begin(uint64_t, uint64_t blockCount)
{
    m_startTick = m_beginTick = m_runClock = GetTickClock().GetTickCount();
    m_total = blockCount;
    m_done = 0;
    m_firstBlock = 1;
    m_progress->setRange(0, int(uint32_t(blockCount) & 0x7FFFFFFF));
    m_progress->setValue(0);
}

void CImageDiskRunDlg::BlockWritten(int)
{
    m_newSlice = 0;
}

void CImageDiskRunDlg::StepBlock(uint64_t)
{
    if (m_firstBlock) {
        m_firstBlock = 0;
        m_forecast = uint32_t((GetTickClock().GetTickCount() - m_beginTick) * m_total);
        m_remaining = QString::fromStdString(diskimg::FormatFirstForecast(m_forecast));
        Value(kRemainingId)->setText(m_remaining);
    }
    ++m_done;
    m_progress->setValue(std::min(m_progress->maximum(), m_done));
}

int CImageDiskRunDlg::PumpMessages()
{
    QApplication::processEvents(QEventLoop::AllEvents);
    return 1;
}

void CImageDiskRunDlg::OnTimer(int id)
{
    if (id == kClockTimer && !m_paused) {
        m_runClock += 300;
        const uint32_t elapsed = m_runClock - m_startTick;
        const auto seconds = diskimg::RunRemainingSeconds(m_total, uint64_t(std::max(0, m_done)), elapsed);
        m_remaining = seconds ? QString::fromStdString(FormatClock(*seconds)) : Str(61206);
    } else if (m_watch && !m_asking) {
        m_freeMB = int(std::min<int64_t>(diskimg::GetFreeSpaceMB(m_targetFolder), INT32_MAX));
        if (m_freeMB < kMinFreeMB) AskForSpace();
        Value(kFreeId)->setText(QStringLiteral("%1  MB").arg(m_freeMB));
    }
    Value(kRemainingId)->setText(m_remaining);
}

void CImageDiskRunDlg::AskForSpace()
{
    m_watch = 0;
    m_paused = 1;
    m_asking = true;
    const int answer = ShowMessageBox(this, 61204, MB_YESNO | MB_ICONEXCLAMATION);
    m_asking = false;
    if (answer == IDYES) {
        m_paused = 0;
        m_newSlice = 1;
        ChooseNewLocation();
    } else {
        Abandon();
    }
}

void CImageDiskRunDlg::Abandon()
{
    m_cancelled = 1;
    m_abandoned = 1;
    m_paused = 0;
    emit abandoned();
}

void CImageDiskRunDlg::ChooseNewLocation()
{
    m_paused = 1;
    m_asking = true;
    diskimg::FileDialogRequest request;
    request.save = true;
    request.filter = diskimg::QtFilter(Str(399));
    const QString chosen = diskimg::ChooseFile(this, request);
    m_asking = false;
    m_chosenPath = chosen.toStdString();
    if (m_chosenPath.empty()) {
        Abandon();
        return;
    }
    m_chosenPath = diskimg::CompleteImagePath(m_chosenPath);
    if (GetFreeSpaceMB(m_chosenPath) < kMinFreeMB) {
        AskForSpace();
        return;
    }
    m_watch = 1;
    m_paused = 0;
    ShowCurrentFile(m_chosenPath);
    Value(kFreeId)->setText(QStringLiteral("%1  MB").arg(m_freeMB));
    // The slice started for the request, and every later one, go under the new path's stem.
    m_writer->SetImagePath(m_chosenPath.c_str());
}
