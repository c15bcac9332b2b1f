// The loading dialog of a preview: copies one found file to its temporary path on a worker, with a status
// text, the percentage, the remaining time, a progress bar and Abort. DoModal answers IDOK when the copy was
// made and IDCANCEL when it failed (after saying so) or was aborted (silently).
#pragma once

#include "controls/CButtonPlus.h"
#include "controls/CSearchSuperDlg.h"
#include "storage/saving/CSaveProgress.h"

#include <QTimer>

class CFileNode;
class CPublicPorgress;
class IStorageDevice;
class QLabel;

class CPreviewLoadingDlg : public CSearchSuperDlg {
    Q_OBJECT
public:
    static constexpr unsigned kTemplate = 303;
    static constexpr int kStatusId = 1121, kPercentId = 1122, kRemainingId = 1123, kProgressId = 1043;
    // How often the figures are shown while the copy runs.
    static constexpr int kRefreshMs = 500;

    // Nothing is owned; the tree and the device outlive the dialog.
    CPreviewLoadingDlg(IStorageDevice* device, CFileNode* node, const QString& tempPath, QWidget* parent);
    ~CPreviewLoadingDlg() override;

    // The copy job's result code (saved, failed, cancelled), read after DoModal.
    int GetResultCode() const { return m_resultCode; }
    CButtonPlus* AbortButton() { return &m_btnAbort; }
    CPublicPorgress* ProgressBar() const { return m_progressBar; }
    QLabel* Value(int id) const;
    // Shows the figures as they are now (the timer does so while the copy runs).
    void RefreshTexts();
    // The progress the worker reports to (tests use it to hold a copy back).
    CSaveProgress& Progress() { return m_progress; }

protected:
    bool OnInitDialog() override;
    // Neither Enter, Escape nor the close box ends the dialog; only the end of the copy does.
    void OnOK() override {}
    void OnCancel() override {}
    void keyPressEvent(QKeyEvent* e) override;

private:
    void RunCopy();
    void OnAbort();

    IStorageDevice* m_device;
    CFileNode* m_node;
    QString m_target;
    CSaveProgress m_progress;
    uint32_t m_startTick = 0;
    int m_resultCode = 0;
    CPublicPorgress* m_progressBar;
    CButtonPlus m_btnAbort{176, 175, 174, 173};
    QTimer m_timer;
};
