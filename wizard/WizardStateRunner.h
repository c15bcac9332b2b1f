// The wizard's runner of the state-file save and restore: the directory-build progress dialog without its
// Cancel button over a disabled main window; the save runs on a worker while this thread pumps, the restore
// runs on this thread.
#pragma once

#include "controller/WizardStateFiles.h"

// titleId: the dialog's caption (310 or 311); the phase is "Saving recovery states..." (312).
bool RunWizardStateWithProgress(unsigned titleId, bool onWorker, const WizardStateJob& job);
