// The device-select controller that follows the file-type page in each recovery mode, registered by the
// wizard when it links that controller's page, with its test of whether a drive lies on the chosen source.
// A mode without a registered controller hands over to nobody. User-interface thread only.
#pragma once

class IWizardPageController;

// Nonzero when the drive letter (upper case) lies on the source chosen in that controller.
using DriveOnSourceTest = int (*)(char driveLetter);

// Registers (or, with a null controller, removes) the controller of mode 0, 1 or 2; other modes are ignored.
void SetModeDeviceController(int mode, IWizardPageController* controller, DriveOnSourceTest test = nullptr);
IWizardPageController* GetModeDeviceController(int mode);

// Nonzero when a path of the letter form ("E:\...") lies on the source chosen for recovery. Paths of at
// least two characters whose first is a letter and whose second is ':' are tested, and absolute Linux
// paths by the letter of the drive holding them (or the nearest folder above them that exists), by the device controller
// of the recovery-mode controller's mode (2 partition, other nonzero format, 0 deleted-file recovery).
// Any other path, a mode without a test and any exception during the test give 0.
int IsPathOnRecoverySource(const char* path);

// Replaces the whole answer of IsPathOnRecoverySource (null restores it). For tests whose source is an image
// file, which no target folder can lie on.
using RecoverySourcePathTest = int (*)(const char* path);
void SetRecoverySourcePathTest(RecoverySourcePathTest test);
