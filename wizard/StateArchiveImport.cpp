// The import command of the device pages.
#include "wizard/StateArchiveImport.h"

#include "controller/IWizardPageController.h"
#include "controller/WizardStateFiles.h"
#include "controls/CResourceLibrary.h"
#include "controls/MessageBox.h"
#include "platform/Log.h"
#include "storage/recoverystate/CMBKArchive.h"
#include "views/diskimage/DiskImageFileDialog.h"

#include <QWidget>

namespace {

QString Text(const char* key)
{
    return CResourceLibrary::Instance().LoadText(QString::fromLatin1(key));
}

} // namespace

bool ImportRecoveryStateArchive(QWidget* page, IWizardPageController* controller,
                                const std::function<void()>& refreshList)
{
    if (!controller) return false;
    diskimg::FileDialogRequest request;
    request.filter = diskimg::QtFilter(CResourceLibrary::Instance().LoadString(kImportFilterString));
    const QString chosen = diskimg::ChooseFile(page, request);
    if (chosen.isEmpty()) return false;
    // The whole path is kept: a path cut short would name another file.
    const std::string path = chosen.toStdString();

    // The import takes the place of the search the page lists as "Previous Recovery...": only when asked.
    char previous[260] = {};
    if (ReadRecoveryResultInfo(controller, previous, sizeof previous) != 0 &&
        ShowMessageBox(page, Text(kImportReplaceKey), MB_YESNO | MB_ICONQUESTION) != IDYES)
        return false;

    bool told = false;
    bool imported = false;
    try {
        CMBKArchive archive(false, [page, &told](unsigned id) {
            told = true;
            ShowMessageBox(page, id, MB_ICONINFORMATION);
        });
        imported = archive.Unpack(path.c_str());
    } catch (...) {
        imported = false;
    }
    if (!imported) {
        ReleaseTrace("Import: %s was not imported", path.c_str());
        // A container that could not be opened or whose files could not be written is not left unanswered.
        if (!told) ShowMessageBox(page, Text(kImportFailedKey), MB_ICONINFORMATION);
        if (page) page->update();
        return false;
    }
    PromoteRecoveryStateFile(controller);
    char title[260];
    const bool listed = ReadRecoveryResultInfo(controller, title, sizeof title) != 0;
    if (refreshList) refreshList();
    // A whole container of the other recovery mode adds no row here; the user is told why.
    if (!listed) ShowMessageBox(page, Text(kImportNothingKey), MB_ICONINFORMATION);
    if (page) page->update();
    return true;
}
