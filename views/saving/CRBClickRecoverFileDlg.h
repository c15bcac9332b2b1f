// The single-file recovery dialog: saves one found file to the path its caller chose, with a percentage, a
// progress bar, the file name and the remaining time, and ends itself when the save is over. A file already
// at that path is replaced only once the new one is complete; Abort leaves it as it was.
#pragma once

#include "views/saving/CFileCopyWaitDlg.h"

class CRBClickRecoverFileDlg : public CFileCopyWaitDlg {
    Q_OBJECT
public:
    static constexpr unsigned kTemplate = 356;
    static constexpr int kNameId = 1152, kPercentId = 1150, kRemainingId = 1151;
    static constexpr int kSaved = 1, kNotSaved = 2;

    // Nothing is owned; the tree and the device outlive the dialog.
    CRBClickRecoverFileDlg(IStorageDevice* device, CFileNode* node, const QString& targetPath, QWidget* parent);
    ~CRBClickRecoverFileDlg() override;

    // kSaved or kNotSaved through DoModal; whether the saved file has unreadable parts.
    bool WasPartial() const { return m_partial; }
    CButtonPlus* CancelButton() { return AbortButton(); }

protected:
    void PrepareCopy(const IFileProperties* properties, RecoverFileJob& job) override;
    void FinishCopy(bool saved, const RecoverFileJob& job) override;
    void RefreshMore() override;

private:
    bool m_partial = false;
};
