// The dialog that waits while one found file is copied to a path on a worker: a head line, the percentage, the
// remaining time, a progress bar and an Abort face. Neither Enter, Escape nor the close box ends it; only the end
// of the copy does. The preview's loading dialog and the single-file recovery dialog are its two faces.
#pragma once

#include "controls/CButtonPlus.h"
#include "controls/CSearchSuperDlg.h"
#include "storage/saving/CSaveProgress.h"

#include <QTimer>

class CFileNode;
class CPublicPorgress;
class IFileProperties;
class IStorageDevice;
class QLabel;
class RecoverFileJob;

class CFileCopyWaitDlg : public CSearchSuperDlg {
    Q_OBJECT
public:
    static constexpr int kProgressId = 1043;
    // How often the figures are shown while the copy runs.
    static constexpr int kRefreshMs = 500;

    ~CFileCopyWaitDlg() override;

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
    // What tells the two faces apart in the template: the ids and strings of the texts and where the caption of
    // the percentage begins (dialog units). The captions are the template's "process" and "remaining" texts.
    struct Face {
        unsigned templateId;
        int titleString;
        int headId, headString;
        int processX, processCx;
        int percentId, remainingId;
        // Whether the remaining time waits for the first copied byte before it is estimated.
        bool estimateAfterFirstByte;
    };

    // Nothing is owned; the tree and the device outlive the dialog.
    CFileCopyWaitDlg(const Face& face, IStorageDevice* device, CFileNode* node, const QString& target, QWidget* parent);

    bool OnInitDialog() override;
    void OnOK() override {}
    void OnCancel() override {}
    void keyPressEvent(QKeyEvent* e) override;

    // Before the copy starts, after the progress has its total: a face may name the file or set the job's options.
    virtual void PrepareCopy(const IFileProperties* /*properties*/, RecoverFileJob& /*job*/) {}
    // After the copy, once the figures show its end: a face ends the dialog with its own answer.
    virtual void FinishCopy(bool saved, const RecoverFileJob& job) = 0;
    // After the figures were shown: a face may show more.
    virtual void RefreshMore() {}

    CSaveProgress m_progress;

private:
    void RunCopy();
    void OnAbort();

    Face m_face;
    IStorageDevice* m_device;
    CFileNode* m_node;
    QString m_target;
    uint32_t m_startTick = 0;
    int m_resultCode = 0;
    CPublicPorgress* m_progressBar;
    CButtonPlus m_btnAbort{176, 175, 174, 173};
    QTimer m_timer;
};
