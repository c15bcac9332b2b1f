// The single-file job: one found file saved to a path its caller chose (right-click recovery, previews and
// thumbnails). Saves of one node from different threads never overlap.
#pragma once

#include "storage/saving/RecoverResult.h"
#include "storage/saving/RecoverWorker.h"

#include <string>

class CFileNode;
class IFileRecoverCallback;
class IStorageDevice;

class RecoverFileJob {
public:
    // kRecoverSaved, kRecoverFailed or kRecoverCancelled.
    RecoverResult result;
    // None of these is owned; the callback may be null.
    IFileRecoverCallback* callback = nullptr;
    IStorageDevice* device = nullptr;
    CFileNode* node = nullptr;
    std::string targetPath;
    // The caller has agreed to replace a file at targetPath: the file is written under a temporary name beside
    // it and renamed over it only once saved; a failed or cancelled save removes only that temporary file.
    // Otherwise a taken name gets the first free number and nothing there is touched.
    bool replaceExisting = false;
    // Saved, but some bytes could not be read from the source and are zeros.
    bool partial = false;
    // Why the file was not saved, in words ("No space left on device", CFileSaver::kNothingReadReason, ...);
    // empty when it was saved or the save was cancelled.
    std::string failReason;

    // 1 when the file was saved, else 0.
    int Run();
};

// Fills the job and saves the file to targetPath (see replaceExisting; a symlink there is never followed). onWorker runs it on a worker while the caller waits
// and pumps; otherwise on the calling thread. 1 when saved, else 0; the result is in job.result.
int RecoverSingleFile(RecoverFileJob& job, IFileRecoverCallback* callback, IStorageDevice* device, CFileNode* node,
                      const char* targetPath, bool onWorker, const RecoverMessagePump& pump = {});
