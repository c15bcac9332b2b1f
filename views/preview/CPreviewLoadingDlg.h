// The loading dialog of a preview: copies one found file to its temporary path on a worker, with a status
// text, the percentage, the remaining time, a progress bar and Abort. DoModal answers IDOK when the copy was
// made and IDCANCEL when it failed (after saying so) or was aborted (silently).
#pragma once

#include "views/saving/CFileCopyWaitDlg.h"

class CPreviewLoadingDlg : public CFileCopyWaitDlg {
    Q_OBJECT
public:
    static constexpr unsigned kTemplate = 303;
    static constexpr int kStatusId = 1121, kPercentId = 1122, kRemainingId = 1123;

    // Nothing is owned; the tree and the device outlive the dialog.
    CPreviewLoadingDlg(IStorageDevice* device, CFileNode* node, const QString& tempPath, QWidget* parent);
    ~CPreviewLoadingDlg() override;

protected:
    void FinishCopy(bool saved, const RecoverFileJob& job) override;
};
