// "Intelligent Searching": the modal progress of the one-pass search of a whole device, with elapsed and
// remaining time, the scanners' counters (a collapsed view shows the files found only) and a Cancel that
// asks first. The search calls the IIntelligentSearchCallback operations on its own thread; they change no
// control but post the dialog's private messages. The dialog ends itself at the first timer tick after
// OnSearchFinished.
#pragma once

#include "controls/CButtonPlus.h"
#include "controls/CSearchSuperDlg.h"
#include "controls/WindowMessages.h"
#include "core/CTimeEstimator.h"
#include "filesystems/common/CIntelligentSearchStatistics.h"
#include "filesystems/common/IIntelligentSearchCallback.h"

#include <QTimer>
#include <array>
#include <atomic>
#include <functional>
#include <memory>
#include <mutex>

class QLabel;
class QProgressBar;

class CIntelligentSearchingDialog : public CSearchSuperDlg, public IIntelligentSearchCallback {
    Q_OBJECT
public:
    static constexpr unsigned kTemplate = 129;
    static constexpr int kProgressId = 1000, kElapsedId = 1023, kRemainingId = 1026, kCollapsedLabelId = 1227,
                         kCollapsedValueId = 1030, kExpandId = 1110, kCollapseId = 1129;
    // The values of the eight counters, in counter order, and their labels.
    static constexpr std::array<int, 8> kCounterIds = {1003, 1006, 1008, 1010, 1020, 1017, 1012, 1014};
    static constexpr std::array<int, 8> kLabelIds = {1162, 1163, 1164, 1165, 1166, 1167, 1168, 1169};
    static constexpr unsigned UM_SEARCH_COUNTERS = WM_USER + 300; // 1324
    static constexpr unsigned UM_SEARCH_RANGE = WM_USER + 301;    // 1325 wParam low, lParam high
    static constexpr unsigned UM_SEARCH_POSITION = WM_USER + 302; // 1326 wParam n
    static constexpr uint32_t kThrottleMs = 300;

    struct Scale {
        uint64_t scale;
        int64_t range;
    };
    // The smallest power of ten that brings (last - first) to at most 1000 steps.
    static Scale ScaleOf(uint64_t first, uint64_t last);
    // "%02d:%02d:%02d" of a remaining time rounded up to whole seconds once one was shown or when it is
    // non-zero, at least 00:00:01 until the search has reached its end (atEnd: 00:00:00); else
    // "Calculating...".
    static QString RemainingText(int64_t remainingMs, bool shownBefore, bool atEnd = false);

    explicit CIntelligentSearchingDialog(QWidget* parent);
    ~CIntelligentSearchingDialog() override;

    void SetPosition(uint64_t block) override;
    void SetRange(uint64_t first, uint64_t last) override;
    int IsCancelled() override { return m_cancelled.load(); }
    void Refresh() override {}
    void GetStatistics(CIntelligentSearchStatistics* out) override;
    void SetStatistics(const CIntelligentSearchStatistics* in) override;
    // Sets the finished flag; a search that was not cancelled first fills the bar and clears the time left.
    void OnSearchFinished() override;

    bool IsFinished() const { return m_finished.load() != 0; }
    bool IsExpanded() const { return m_expanded; }
    void Expand();
    void Collapse();
    // The Cancel command (button 2 or Escape).
    void OnCancelCommand();
    // One timer tick: a second more, the texts, and the end once the search has finished.
    void OnTick();

    QLabel* Value(int id) const;
    QProgressBar* ProgressBar() const { return m_progressBar; }
    CButtonPlus* CancelButton() { return &m_btnCancel; }

protected:
    bool OnInitDialog() override;
    void OnOK() override {}
    void OnCancel() override { OnCancelCommand(); }
    void keyPressEvent(QKeyEvent* e) override;
    void customEvent(QEvent* e) override;

private:
    void ShowCounters();
    void Layout();

    QProgressBar* m_progressBar;
    std::mutex m_lock; // the statistics, the remaining text
    CIntelligentSearchStatistics m_statistics;
    QString m_remainingText;
    std::atomic<int> m_finished{0};
    std::atomic<int> m_cancelled{0};
    std::atomic<uint64_t> m_scale{1};
    std::atomic<int64_t> m_range{0};
    CTimeEstimator m_estimator; // search thread only
    uint32_t m_startTick = 0;
    std::atomic<bool> m_positionClockStarted{false};
    std::atomic<uint32_t> m_lastPosition{0};
    std::atomic<bool> m_counterClockStarted{false};
    std::atomic<uint32_t> m_lastCounters{0};
    bool m_remainingShown = false; // search thread only
    int m_hours = 0, m_minutes = 0, m_seconds = 0;
    bool m_expanded = false;
    int m_collapseDistance = 0;
    QRect m_progressRect, m_cancelRect;
    QSize m_fullSize;
    std::shared_ptr<CMessagePort> m_port;
    CButtonPlus m_btnCancel{403, 402, 401, 400};
    CButtonPlus m_btnExpand{130, 130, 130, 130};
    CButtonPlus m_btnCollapse{131, 131, 131, 131};
    QTimer m_timer;
};

// Runs search (which reports to the callback it is given) on a worker under the modal dialog, and returns
// only when the search has returned and the worker has been joined. False, and no dialog, when the worker
// cannot be started. The main window is disabled meanwhile.
bool RunIntelligentSearchDialog(const std::function<void(IIntelligentSearchCallback*)>& search);
