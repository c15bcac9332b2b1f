// The run step of the disk-image wizard: it runs the disk-image writer on the interface thread (the writer
// lets events through after every block) and shows the current image file, a progress bar over the blocks,
// the remaining time and the free space of the target. When the target runs short of space the user picks
// another location, where the following slices go, or gives the image up.
#pragma once

#include "storage/diskimage/CCompressController.h"
#include "storage/diskimage/ICompressCallBack.h"
#include "views/diskimage/CInterfaceDialog.h"

#include <QTimer>

#include <cstdint>
#include <memory>
#include <string>

class CPublicPorgress;
class QLabel;

class CImageDiskRunDlg : public CInterfaceDialog, public ICompressCallBack {
    Q_OBJECT
public:
    static constexpr unsigned kTemplate = 221;
    static constexpr int kProgressId = 1019, kRemainingId = 1039, kFreeId = 1091, kFileId = 1095;
    static constexpr int kMinFreeMB = 20;
    static constexpr int kClockTimer = 1, kSpaceTimer = 2;

    explicit CImageDiskRunDlg(QWidget* parent);
    ~CImageDiskRunDlg() override;

    CCompressController* GetCompressController() { return m_writer.get(); }
    void SetPaused(int paused) { m_paused = paused; }
    void SetCancelled(int cancelled) { m_cancelled = cancelled; }
    int IsAbandoned() const { return m_abandoned; }
    int GetCancelled() const { return m_cancelled; }
    void SetFreeSpaceWatch(int watch) { m_watch = watch; }
    int GetFreeSpaceWatch() const { return m_watch; }
    void CheckStartSpace(int freeMB);
    void ShowCurrentFile(const std::string& path);
    // Free MB of the path's folder, which becomes the target folder.
    int GetFreeSpaceMB(const std::string& path);
    void ChooseNewLocation();
    // Starts the two timers; the wizard calls it when the run begins.
    void StartTimers();
    void StopTimers();
    // One tick of a timer (the timers call it; tests too).
    void OnTimer(int id);
    // Sets the run clock as if the run had lasted ms (tests).
    void SetRunClock(uint32_t ms) { m_runClock = m_startTick + ms; }

    QLabel* Value(int id) const;
    CPublicPorgress* ProgressBar() const { return m_progress; }
    int GetNewSliceRequest() const { return m_newSlice; }

    // ICompressCallBack
    int PumpMessages() override;
    int IsCancelled() override { return m_cancelled; }
    void StepBlock(uint64_t blockIndex) override;
    void Begin(uint64_t first, uint64_t blockCount) override;
    void BlockWritten(int storedSize) override;
    int NewSliceRequested() override { return m_newSlice; }

signals:
    // The user gave the image up from a free-space question or the location dialog.
    void abandoned();

private:
    void AskForSpace();
    void Abandon();

    std::unique_ptr<CCompressController> m_writer;
    int m_watch = 0;
    uint32_t m_startTick = 0;
    uint32_t m_runClock = 0;
    int m_cancelled = 0;
    std::string m_targetFolder;
    CPublicPorgress* m_progress;
    int m_newSlice = 0;
    int m_abandoned = 0;
    QString m_remaining;
    std::string m_chosenPath;
    uint32_t m_beginTick = 0;
    int m_paused = 0;
    uint32_t m_forecast = 0;
    int m_done = 0;
    uint64_t m_total = 0;
    int m_freeMB = 0;
    int m_firstBlock = 1;
    bool m_asking = false; // a free-space question or the location dialog is open
    QTimer m_clockTimer;
    QTimer m_spaceTimer;
};
