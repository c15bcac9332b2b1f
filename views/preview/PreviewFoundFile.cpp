// The preview sequence.
#include "views/preview/PreviewFoundFile.h"

#include "controls/CResourceLibrary.h"
#include "controls/MessageBox.h"
#include "core/CTempPathNameSignle.h"
#include "filesystems/tree/CFileNode.h"
#include "filesystems/tree/IFileProperties.h"
#include "storage/saving/RecoverResult.h"
#include "views/preview/CFilePreViewDlg.h"
#include "views/preview/CPreviewLoadingDlg.h"
#include "views/preview/CRtfPreviewerDlg.h"
#include "views/preview/OfficePreview.h"

#include <QFile>

namespace {

constexpr uint16_t kAttributeDirectory = 0x10;
constexpr uint16_t kAttributeEncrypted = 0x40;

void Say(QWidget* owner, unsigned id, unsigned icon = MB_ICONINFORMATION)
{
    ShowMessageBox(owner, CResourceLibrary::Instance().LoadString(id), ProductName(), MB_OK | icon);
}

// Removes the temporary copy however the sequence ends.
struct TempFilesRemover {
    ~TempFilesRemover() { GetTempPathNameSignle()->RemoveTempFiles(); }
};

} // namespace

unsigned PreviewRefusal(const IFileProperties* p)
{
    if (!p || p->GetSize() == 0) return 268;
    if (p->GetValidMask() & kValidAttributes) {
        if (p->GetAttributes() & kAttributeDirectory) return 269;
        if (p->GetAttributes() & kAttributeEncrypted) return 270;
    }
    // Whatever the attributes say, this is the size the copy would write.
    if (p->GetSize() > kMaxPreviewSize) return 271;
    return 0;
}

PreviewOutcome PreviewFoundFile(QWidget* page, IStorageDevice* device, CFileNode* node, std::function<void()> onRecover)
{
    if (!node) {
        Say(page, 267);
        return PreviewOutcome::Refused;
    }
    const IFileProperties* props = node->GetProperties();
    if (const unsigned refusal = PreviewRefusal(props)) {
        Say(page, refusal);
        return PreviewOutcome::Refused;
    }

    const std::string temp = GetTempPathNameSignle()->MakeTempPath();
    if (temp.empty()) {
        Say(page, 268);
        return PreviewOutcome::CopyFailed;
    }
    const TempFilesRemover remover;
    const QString tempPath = QString::fromStdString(temp);
    {
        CPreviewLoadingDlg loading(device, node, tempPath, page);
        if (loading.DoModal() != IDOK)
            return loading.GetResultCode() == kRecoverCancelled ? PreviewOutcome::Cancelled
                                                                : PreviewOutcome::CopyFailed;
    }
    // The copy is ours alone: readable and writable by this user only, whatever the found file's mode was.
    QFile::setPermissions(tempPath, QFileDevice::ReadOwner | QFileDevice::WriteOwner);
    const QString name = props->GetName() ? QString::fromUtf8(props->GetName()) : QString();

    if (IsRtfFile(tempPath)) {
        CRtfPreviewerDlg rtf(page);
        rtf.ShowFile(tempPath, name);
        return PreviewOutcome::RichText;
    }
    if (IsOfficeDocument(tempPath)) {
        OpenWithOfficeViewer(tempPath, name, false);
        return PreviewOutcome::OfficeDocument;
    }
    const QString upper = name.toUpper();
    if (upper.endsWith(QLatin1String(".XLS")) || upper.endsWith(QLatin1String(".DOC"))) {
        Say(page, 273, MB_ICONEXCLAMATION);
    } else if (upper.endsWith(QLatin1String(".XLSX")) || upper.endsWith(QLatin1String(".DOCX"))) {
        OpenWithOfficeViewer(tempPath, name, true);
        return PreviewOutcome::OfficeDocument;
    }

    CFilePreViewDlg dlg(nullptr);
    dlg.SetNotifyWnd(page, std::move(onRecover));
    dlg.SetFile(tempPath, name);
    dlg.DoModal();
    return PreviewOutcome::PreviewDialog;
}
