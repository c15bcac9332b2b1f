// The single-file recovery dialog: saves one found file to the path its caller chose, with a percentage, a
// progress bar, the file name and the remaining time, and ends itself when the save is over. A file already
// at that path is replaced only once the new one is complete; Abort leaves it as it was.
#pragma once

#include "controls/CButtonPlus.h"
#include "controls/CSearchSuperDlg.h"
#include "storage/saving/CSaveProgress.h"

#include <QTimer>

class CFileNode;
class CPublicPorgress;
class IStorageDevice;
class QLabel;

class CRBClickRecoverFileDlg : public CSearchSuperDlg {
    Q_OBJECT
public:
    static constexpr unsigned kTemplate = 356;
    static constexpr int kNameId = 1152, kPercentId = 1150, kRemainingId = 1151, kProgressId = 1043;
    static constexpr int kSaved = 1, kNotSaved = 2;

    // Nothing is owned; the tree and the device outlive the dialog.
    CRBClickRecoverFileDlg(IStorageDevice* device, CFileNode* node, const QString& targetPath, QWidget* parent);
    ~CRBClickRecoverFileDlg() override;

    // kSaved or kNotSaved through DoModal; the job's result code (saved, failed, cancelled) and whether the
    // saved file has unreadable parts.
    int GetResultCode() const { return m_resultCode; }
    bool WasPartial() const { return m_partial; }

    CButtonPlus* CancelButton() { return &m_btnCancel; }
    CPublicPorgress* ProgressBar() const { return m_progressBar; }
    QLabel* Value(int id) const;
    void RefreshTexts();

protected:
    bool OnInitDialog() override;
    void OnOK() override {}
    void OnCancel() override {}
    void keyPressEvent(QKeyEvent* e) override;

private:
    void RunSave();
    void OnAbort();

    IStorageDevice* m_device;
    CFileNode* m_node;
    QString m_target;
    CSaveProgress m_progress;
    uint32_t m_startTick = 0;
    int m_resultCode = 0;
    bool m_partial = false;
    CPublicPorgress* m_progressBar;
    CButtonPlus m_btnCancel{176, 175, 174, 173};
    QTimer m_timer;
};
