// The whole save of a tree's checked files.
#include "storage/saving/SaveCheckedFiles.h"

#include "filesystems/tree/CFileNode.h"
#include "filesystems/tree/FileTree.h"
#include "filesystems/tree/IFileProperties.h"
#include "storage/saving/IFileRecoverCallback.h"
#include "storage/saving/RecoverFolderJob.h"

SaveCheckedOutcome SaveCheckedFiles(CFileNode* root, IStorageDevice* device, const std::string& targetFolder,
                                    IFileRecoverCallback* callback, const RecoverMessagePump& pump)
{
    SaveCheckedOutcome out;
    if (!root) {
        out.result = kRecoverFailed;
        return out;
    }
    // Counted afresh: the running figures of the root are only kept up to date by the check toggles.
    FileTreeStatistics stats;
    ComputeSubtreeStatistics(root, stats, false, 0);
    out.fileCount = int(stats.checkedFiles);
    out.totalBytes = stats.checkedBytes;
    if (callback) callback->Begin(out.fileCount, out.totalBytes);

    for (CFileNode* child = root->GetFirstChild(); child; child = child->GetNextSibling()) {
        // Only folder and volume nodes carry the geometry a save needs; anything else is passed over.
        if (!child->IsFileSystemNode()) continue;
        const IFileProperties* p = child->GetProperties();
        if (!p || p->GetCheckState() == kCheckNone) continue;
        RecoverFolderJob job;
        std::string made;
        if (!RecoverFolder(job, callback, device, child, targetFolder.c_str(), &made, pump)) {
            // No worker: nothing of this node was saved.
            FileTreeStatistics lost;
            ComputeSubtreeStatistics(child, lost, false, 0);
            out.counts.filesFailed += int(lost.checkedFiles);
            out.counts.NoteReason("no worker could be started");
            continue;
        }
        out.counts.Add(job.GetCounts());
        if (!made.empty()) out.madeFolders.push_back(made);
        if (job.result.Get() == kRecoverCancelled) {
            out.result = kRecoverCancelled;
            return out;
        }
    }
    if (out.counts.filesFailed == 0 && out.counts.filesPartial == 0 && out.counts.foldersFailed == 0)
        out.result = kRecoverSaved;
    else if (out.counts.filesSaved == 0)
        out.result = kRecoverFailed;
    else
        out.result = kRecoverPartial;
    return out;
}
