// "Quick Partition Searching": the progress of the lost-partition search of a disk, with elapsed and
// remaining time and a Cancel that asks first; it keeps a copy of every partition the search reports. The
// search calls the IPartitionSearchCallback operations on its worker; they change no control but post the
// bar's changes, and the 300 ms timer shows the times.
#pragma once

#include "controls/CButtonPlus.h"
#include "controls/CSearchSuperDlg.h"
#include "controls/WindowMessages.h"
#include "filesystems/common/CLostPartitionRecord.h"
#include "filesystems/common/IPartitionSearchCallback.h"

#include <QTimer>
#include <atomic>
#include <functional>
#include <memory>
#include <mutex>
#include <vector>

class QLabel;
class QProgressBar;

class CLostPartitionSearchingDialog : public CSearchSuperDlg, public IPartitionSearchCallback {
    Q_OBJECT
public:
    static constexpr unsigned kTemplate = 222;
    static constexpr int kProgressId = 1019, kElapsedId = 1142, kRemainingId = 1143;
    static constexpr unsigned UM_PART_STEP = WM_USER + 310;     // wParam: candidates to add to the bar
    static constexpr unsigned UM_PART_RANGE = WM_USER + 311;    // lParam: the number of candidates
    static constexpr unsigned UM_PART_POSITION = WM_USER + 312; // wParam: the bar's position
    static constexpr uint32_t kTimerMs = 300;

    // The remaining time after elapsedMs with processed of last candidates done: "Calculating..." during the
    // first five seconds and before any candidate; never negative when more were processed than announced.
    static QString RemainingText(uint64_t elapsedMs, uint64_t processed, uint64_t last);

    explicit CLostPartitionSearchingDialog(QWidget* parent);
    ~CLostPartitionSearchingDialog() override;

    // The search's worker has no window messages of its own here: the runner's thread pumps for it.
    void PumpMessages() override {}
    void Step() override;
    int IsCancelled() override { return m_cancelled.load(); }
    void SetStep(int n) override { m_step = n; }
    void AdvanceOne() override;
    void SetRange(uint64_t first, uint64_t last) override;
    void SetPos(int n) override;
    void Reserved() override {}
    void OnPartitionFound(const CLostPartitionRecord* record) override;

    // The partitions reported so far, in order; their window devices pass to the caller.
    std::vector<CLostPartitionRecord> TakeRecords();
    uint64_t GetProcessed() const { return m_processed.load(); }
    // How many partitions were reported so far.
    size_t GetFoundCount();
    // The Cancel command (button 2 or Escape).
    void OnCancelCommand();
    // One timer tick: the elapsed and remaining texts.
    void OnTick();

    QLabel* Elapsed() const { return m_elapsed; }
    QLabel* Remaining() const { return m_remaining; }
    QProgressBar* ProgressBar() const { return m_progressBar; }
    CButtonPlus* CancelButton() { return &m_btnCancel; }

protected:
    bool OnInitDialog() override;
    void OnOK() override {}
    void OnCancel() override { OnCancelCommand(); }
    void customEvent(QEvent* e) override;

private:
    QProgressBar* m_progressBar;
    QLabel* m_elapsed;
    QLabel* m_remaining;
    std::atomic<int> m_cancelled{0};
    std::atomic<int> m_freeze{0};
    std::atomic<int> m_step{1};
    std::atomic<uint64_t> m_last{0};
    std::atomic<uint64_t> m_processed{0};
    std::atomic<uint32_t> m_searchStart{0};
    std::atomic<bool> m_rangeSet{false};
    uint32_t m_dialogStart = 0;
    std::mutex m_lock; // m_records
    std::vector<CLostPartitionRecord> m_records;
    std::shared_ptr<CMessagePort> m_port;
    CButtonPlus m_btnCancel{403, 402, 401, 400};
    QTimer m_timer;
};

// Runs search (the engine's Run with the callback and a pump for the calling thread) under the dialog over
// a disabled main window, and appends the reported partitions to out, with their window devices.
void RunLostPartitionSearchDialog(
    const std::function<void(IPartitionSearchCallback*, const std::function<void()>& pump)>& search,
    std::vector<CLostPartitionRecord>& out);
