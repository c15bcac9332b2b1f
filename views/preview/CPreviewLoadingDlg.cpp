// The preview loading dialog.
#include "views/preview/CPreviewLoadingDlg.h"

#include "controls/CResourceLibrary.h"
#include "controls/MessageBox.h"
#include "storage/saving/RecoverFileJob.h"

CPreviewLoadingDlg::CPreviewLoadingDlg(IStorageDevice* device, CFileNode* node, const QString& tempPath,
                                       QWidget* parent)
    : CFileCopyWaitDlg({kTemplate, 411, kStatusId, 244, 20, 105, kPercentId, kRemainingId, true}, device, node,
                       tempPath, parent)
{
}

CPreviewLoadingDlg::~CPreviewLoadingDlg() = default;

void CPreviewLoadingDlg::FinishCopy(bool saved, const RecoverFileJob& job)
{
    if (saved) {
        EndDialog(IDOK);
        return;
    }
    if (job.result.Get() == kRecoverFailed) ShowMessageBox(this, CResourceLibrary::Instance().LoadString(243));
    EndDialog(IDCANCEL);
}
