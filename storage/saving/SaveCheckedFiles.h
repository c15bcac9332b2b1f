// Saves the checked files of a found-file tree into a target folder without any window: every checked
// folder or volume node directly below the root goes through the folder job, one after another, and the
// figures of all of them come back together. The save progress dialog, the wizard and tests use it.
#pragma once

#include "storage/saving/RecoverResult.h"
#include "storage/saving/RecoverWorker.h"

#include <cstdint>
#include <string>
#include <vector>

class CFileNode;
class IFileRecoverCallback;
class IStorageDevice;

struct SaveCheckedOutcome {
    // kRecoverSaved, kRecoverPartial, kRecoverFailed (nothing could be saved) or kRecoverCancelled.
    int result = kRecoverSaved;
    RecoverCounts counts;
    // The checked files and bytes of the tree when the save began.
    int fileCount = 0;
    uint64_t totalBytes = 0;
    // The top folders made, in the order of the root's children.
    std::vector<std::string> madeFolders;
};

// Calls the callback's Begin with the root's checked figures, then saves each checked node below the root
// that is a folder or volume node (a plain file there is passed over and the walk goes on), each on a
// worker while pump runs on the calling thread. Stops at a cancel. The callback may be null.
SaveCheckedOutcome SaveCheckedFiles(CFileNode* root, IStorageDevice* device, const std::string& targetFolder,
                                    IFileRecoverCallback* callback, const RecoverMessagePump& pump = {});
