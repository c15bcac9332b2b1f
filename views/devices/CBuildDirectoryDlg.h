// The progress dialog of a directory-tree build: the phase title, a progress bar, the elapsed time and a
// Cancel button that asks first. The build runs on a worker that reports through CDIRBuildCallback; the
// operations below named after IDIRBuildCallback may be called from that worker: they change no control,
// they post the dialog's private messages, which the interface thread carries out while it pumps.
#pragma once

#include "controls/CButtonPlus.h"
#include "controls/CSearchSuperDlg.h"
#include "controls/WindowMessages.h"

#include <QString>
#include <QTimer>
#include <atomic>
#include <memory>
#include <mutex>
#include <string>

class QLabel;
class QProgressBar;

class CBuildDirectoryDlg : public CSearchSuperDlg {
    Q_OBJECT
public:
    static constexpr unsigned kTemplate = 135;
    static constexpr int kTitleId = 1041, kProgressId = 1038, kRemainingLabelId = 1131, kRemainingId = 1160,
                         kElapsedId = 1170, kExtendCheckId = 1132;
    static constexpr unsigned UM_BUILD_TEXTS = WM_USER + 200;    // 1224
    static constexpr unsigned UM_BUILD_STEP = WM_USER + 201;     // 1225 wParam n
    static constexpr unsigned UM_BUILD_RANGE = WM_USER + 202;    // 1226 lParam total
    static constexpr unsigned UM_BUILD_POSITION = WM_USER + 203; // 1227 wParam n; lParam 1: the bar's upper bound
    static constexpr uint32_t kRefreshMs = 500;

    explicit CBuildDirectoryDlg(QWidget* parent);
    ~CBuildDirectoryDlg() override;

    // IDIRBuildCallback, from the worker: each returns CheckCancel's answer.
    int Begin(const char* title, int total);
    int Step(int n);
    int SetPos(int n);
    int Finish();
    // -1 once the user has confirmed Cancel; else refreshes the elapsed time at most every 500 ms, 0.
    int CheckCancel();

    // The recovery-state save and restore cannot be stopped: Cancel goes and its command does nothing.
    void HideCancelButton();
    bool IsCancelled() const { return m_cancelled.load(); }

    // "%02d:%02d:%02d" of whole seconds since start, hours not wrapped at 24.
    static std::string FormatElapsed(uint32_t now, uint32_t start);

    QProgressBar* ProgressBar() const { return m_progressBar; }
    CButtonPlus* CancelButton() { return &m_btnCancel; }
    QLabel* Title() const { return m_title; }
    QLabel* Elapsed() const { return m_elapsed; }
    // The Cancel command (button 2, Escape, the close box).
    void OnCancelCommand();

protected:
    bool OnInitDialog() override;
    void OnOK() override {} // Enter never ends a build
    void OnCancel() override { OnCancelCommand(); }
    void customEvent(QEvent* e) override;

private:
    void RefreshElapsed(uint32_t now);
    void ShowTexts();

    std::atomic<int> m_cancelled{0};
    std::atomic<uint32_t> m_startTick{0};
    std::atomic<uint32_t> m_lastRefresh{0};
    std::atomic<int> m_questionOpen{0};
    std::atomic<int> m_total{0};
    std::atomic<int> m_stepCount{0};
    std::atomic<int> m_position{0};
    bool m_cancelHidden = false;

    // The texts shared by the worker and the interface thread.
    mutable std::mutex m_textLock;
    QString m_titleText;
    QString m_remainingText;
    QString m_elapsedText;

    std::shared_ptr<CMessagePort> m_port;
    QLabel* m_title;
    QProgressBar* m_progressBar;
    QLabel* m_remaining;
    QLabel* m_elapsed;
    CButtonPlus m_btnCancel{176, 175, 174, 173};
    QTimer m_timer;
};
