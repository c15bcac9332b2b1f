// The wizard's state files seen from the page controllers: a format or partition recovery saves the chain
// of controllers that led to the current page with each controller's SaveState, rewrites the status as the
// user moves between pages, and "Previous Recovery..." restores the chain without scanning again.
// The files themselves (names, status, chain, safe writing) are storage/recoverystate/WizardStateFile.h.
// User-interface thread only, apart from the save job that a runner may put on a worker.
#pragma once

#include <functional>
#include <memory>

class IDIRBuildCallback;
class IRSData;
class IWizardPageController;

// The controller singleton of a stored type (0..5): the process-wide controller of that type, or one
// registered in its place (tests; a null controller removes it). Null for types without one.
void SetWizardStateController(int type, IWizardPageController* controller);
IWizardPageController* GetWizardStateController(int type);

// Saves the state of the controller's scan kind into its working file: the chain from the first saved
// controller to this one, each controller's SaveState (a zero result or a stream error fails the save),
// the status last. Nonzero when the file was written; the old working file stays on any failure.
int SaveRecoveryState(IWizardPageController* controller, IDIRBuildCallback* progress);
// withDialog 0 saves at once; otherwise the installed runner shows the save under its progress dialog with
// the save on a worker.
int SaveRecoveryStateWithProgress(IWizardPageController* controller, int withDialog);

// Rewrites the status of an existing, whole working file for the controller that is now current.
int SetCurrentControllerStatus(IWizardPageController* controller);
// Moves a complete, valid working file over the last file (nonzero also when there was nothing to move).
int PromoteRecoveryStateFile(IWizardPageController* controller);
int DeleteLastRecoveryState(IWizardPageController* controller);

// Restores the chain of the last file: each stored controller (up to the status's bound) after the one in
// hand gets SetPrevious with the one before it and its RestoreState. The last restored controller, or
// null (the restored controllers of types 1, 3, 4 and 5 are Reset) when the file is missing, damaged or
// a controller refuses its part. On success the last file is copied over the working file.
IWizardPageController* RestoreRecoveryState(IWizardPageController* controller, IDIRBuildCallback* progress);
// The same under the runner's progress dialog; the restored controller gets Activate. Nonzero on success.
int RestoreRecoveryStateWithProgress(IWizardPageController* controller);

// The result text of the last file of the controller's scan kind, when that file is valid.
int ReadRecoveryResultInfo(IWizardPageController* controller, char* buffer, int size);
// Stores the result text as the file's title (for the device controllers' SaveState); always 1.
int WriteResultInfo(IRSData* stream, const char* text);

// How the save and the restore are shown: the job gets the progress callback (null without a dialog) and
// runs on a worker when onWorker is set. titleId: 310 "Save recovery states" or 311 "Restore previous
// recovery". The wizard installs a runner with its progress dialog; the default runs the job at once.
using WizardStateJob = std::function<bool(IDIRBuildCallback* progress)>;
using WizardStateRunner = std::function<bool(unsigned titleId, bool onWorker, const WizardStateJob& job)>;
void SetWizardStateRunner(WizardStateRunner runner);

// The stream a save writes with; an empty factory restores the program's own. For tests of saves that
// break midway.
using WizardStateWriterFactory = std::function<std::unique_ptr<IRSData>()>;
void SetWizardStateWriterFactory(WizardStateWriterFactory factory);

// String ids of the progress texts.
constexpr unsigned kSaveStateTitle = 310;    // "Save recovery states"
constexpr unsigned kRestoreStateTitle = 311; // "Restore previous recovery"
constexpr unsigned kSavingStatesText = 312;  // "Saving recovery states..."
