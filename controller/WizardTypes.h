// The shared vocabulary of the wizard: the page index, the controller type ids and scan kinds that the
// wizard-state files store, and the help topics of the pages. Plain C++, no window code.
#pragma once

// The eleven pages of the wizard, in the order the sheet keeps them.
enum WIZARD_PAGE {
    WP_RECOVERY_MODE = 0,                    // choice of the recovery mode
    WP_DELETE_RECOVERY_VOLUME = 1,           // deleted-file recovery: volume
    WP_COMPLETE_RECOVERY_DEVICE = 2,         // format recovery: device
    WP_LOST_RECOVERY_DISK = 3,               // partition recovery: disk
    WP_LOST_RECOVERY_PARTITION = 4,          // partition recovery: found partitions
    WP_SAVE_RESULT = 5,                      // save result
    WP_SAVE_FILE = 6,                        // save path
    WP_COMPLETE_RECOVERY_SCAN_PARTITION = 7, // format recovery: partitions to build
    WP_LOST_RECOVERY_SCAN_PARTITION = 8,     // partition recovery: partitions to build
    WP_FILE_SELECT = 9,                      // found files
    WP_TYPE_OF_FILE = 10,                    // file types
    WP_PAGE_COUNT = 11
};

inline constexpr bool IsValidWizardPage(int page)
{
    return page >= 0 && page < WP_PAGE_COUNT;
}

// Recovery modes as the options object stores them.
enum RecoveryMode { kModeDeletedFile = 0, kModeFormat = 1, kModePartition = 2 };

// Controller type ids stored in wizard-state files; kControllerNotSaved marks a controller never saved.
inline constexpr int kControllerNotSaved = 6;

// Scan kinds.
enum ScanKind { kScanDeletedFile = 0, kScanFormat = 1, kScanPartition = 2, kScanNone = 3 };
