// The save progress dialog: saves the checked files of the found-file tree into the target folder from the
// moment it is shown, with counts, sizes, the current file, elapsed and remaining time and a progress bar,
// and ends itself when the save is over. Cancel asks first; the save then stops at its next step.
#pragma once

#include "controls/CButtonPlus.h"
#include "controls/CSearchSuperDlg.h"
#include "storage/saving/CSaveProgress.h"
#include "storage/saving/SaveCheckedFiles.h"

#include <QStringList>
#include <QTimer>

class CFileNode;
class CPublicPorgress;
class IStorageDevice;
class QLabel;

class CRecoveringDlg : public CSearchSuperDlg {
    Q_OBJECT
public:
    static constexpr unsigned kTemplate = 134;
    static constexpr int kRemainingId = 1027, kElapsedId = 1029, kDoneFilesId = 1015, kDoneBytesId = 1021,
                         kFileCountId = 1018, kTotalBytesId = 1024, kCurrentFileId = 1033, kProgressId = 1044,
                         kShowDetailsId = 1110, kHideDetailsId = 1129;

    // None of these is owned; the tree and the device outlive the dialog.
    CRecoveringDlg(CFileNode* selectionRoot, IStorageDevice* device, const QString& targetFolder, QWidget* parent);
    ~CRecoveringDlg() override;

    int GetFileCount() const { return m_progress.GetFileCount(); }
    int GetDoneFiles() const { return m_progress.GetDoneFiles(); }
    uint64_t GetDoneBytes() const { return m_progress.GetDoneBytes(); }
    // The top folders made, read after the dialog has ended.
    const QStringList& GetMadeFolders() const { return m_madeFolders; }
    const SaveCheckedOutcome& GetOutcome() const { return m_outcome; }

    CButtonPlus* CancelButton() { return &m_btnCancel; }
    CPublicPorgress* ProgressBar() const { return m_progressBar; }
    QLabel* Value(int id) const;
    // Details are shown at first; hiding them moves the bar and Cancel up and shrinks the dialog.
    bool DetailsShown() const { return m_details; }
    void ShowDetails(bool show);
    // Shows the figures as they are now (the timer does so every second).
    void RefreshTexts();

protected:
    bool OnInitDialog() override;
    // Neither Enter, Escape nor the close box ends the dialog; only the end of the save does.
    void OnOK() override {}
    void OnCancel() override {}
    void keyPressEvent(QKeyEvent* e) override;

private:
    void RunSave();
    void OnCancelButton();
    void FitColumns();

    CFileNode* m_root;
    IStorageDevice* m_device;
    QString m_target;
    CSaveProgress m_progress;
    SaveCheckedOutcome m_outcome;
    QStringList m_madeFolders;
    uint32_t m_startTick = 0;
    bool m_details = true;
    int m_detailsHeight = 0;
    QSize m_fullSize;

    QList<QWidget*> m_detailControls;
    CPublicPorgress* m_progressBar;
    CButtonPlus m_btnCancel{176, 175, 174, 173};
    CButtonPlus m_btnShow{130, 130, 130, 130};
    CButtonPlus m_btnHide{131, 131, 131, 131};
    QRect m_progressRect, m_cancelRect;
    QTimer m_timer;
};
