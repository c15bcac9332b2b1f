// The single-file recovery dialog.
#include "views/saving/CRBClickRecoverFileDlg.h"

#include "controls/CResourceLibrary.h"
#include "controls/MessageBox.h"
#include "filesystems/tree/IFileProperties.h"
#include "storage/saving/RecoverFileJob.h"
#include "views/saving/SaveReasonText.h"

#include <QLabel>

CRBClickRecoverFileDlg::CRBClickRecoverFileDlg(IStorageDevice* device, CFileNode* node, const QString& targetPath,
                                               QWidget* parent)
    : CFileCopyWaitDlg({kTemplate, 433, kNameId, 189, 40, 85, kPercentId, kRemainingId, false}, device, node,
                       targetPath, parent)
{
}

CRBClickRecoverFileDlg::~CRBClickRecoverFileDlg() = default;

void CRBClickRecoverFileDlg::PrepareCopy(const IFileProperties* properties, RecoverFileJob& job)
{
    m_progress.SetCurrentFile(properties && properties->GetName() ? properties->GetName() : "");
    job.replaceExisting = true;
}

void CRBClickRecoverFileDlg::FinishCopy(bool saved, const RecoverFileJob& job)
{
    m_partial = job.partial;
    if (saved) {
        EndDialog(kSaved);
        return;
    }
    if (job.result.Get() == kRecoverFailed) {
        // What went wrong follows on a line of its own, as on the result page.
        QString text = CResourceLibrary::Instance().LoadString(245);
        if (const QString reason = SaveReasonLine(job.failReason); !reason.isEmpty())
            text += QLatin1Char('\n') + reason;
        ShowMessageBox(this, text, QString(), MB_ICONEXCLAMATION);
    }
    EndDialog(kNotSaved);
}

void CRBClickRecoverFileDlg::RefreshMore()
{
    QLabel* name = Value(kNameId);
    const QString current = QString::fromStdString(m_progress.GetCurrentFile());
    name->setText(name->fontMetrics().elidedText(current, Qt::ElideRight, name->width()));
}
