// Importing an exported recovery state (".rsf") on the format and partition device pages: the user picks
// the container, its state files are checked whole and unpacked into the state folder, and the imported
// working file becomes the last one, so that the page lists it as "Previous Recovery..." and restores the
// search from it without scanning. User-interface thread only.
#pragma once

#include <functional>

class IWizardPageController;
class QWidget;

constexpr unsigned kImportFilterString = 400; // "Recovery State File(*.rsf)|*.rsf||"
// The menu entry and the messages of our own: a container that could not be read or written at all (the
// archive tells a damaged one itself), and a whole one that holds no search of the page's recovery mode.
inline constexpr const char* kImportMenuKey = "wizard.menu.importstate";
inline constexpr const char* kImportFailedKey = "wizard.import.failed";
inline constexpr const char* kImportNothingKey = "wizard.import.nothing";
// The question before an import replaces the search the page already lists as "Previous Recovery...".
inline constexpr const char* kImportReplaceKey = "wizard.import.replace";

// Runs the import for the page's controller: the open dialog (cancel ends it), the question whether to
// replace the previous recovery the page lists (No ends it), the unpacking (every
// exception counts as a failure), then on success the promotion of the imported working file and
// refreshList, which lists the rows again. True when the container was imported.
bool ImportRecoveryStateArchive(QWidget* page, IWizardPageController* controller,
                                const std::function<void()>& refreshList);
