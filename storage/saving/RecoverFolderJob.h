// The folder job: every checked file and folder below one node of the found-file tree is saved into a new
// folder named after that node, inside a target folder. Names are cleaned for Linux, shortened to the
// target's limit and numbered when taken; nothing that exists is overwritten and no symlink in the target is
// followed. RecoverFolder runs it on a worker.
#pragma once

#include "storage/saving/RecoverResult.h"
#include "storage/saving/RecoverWorker.h"

#include <cstddef>
#include <string>

class CFileNode;
class CFileSaver;
class CTargetFile;
class IFileRecoverCallback;
class IStorageDevice;

class RecoverFolderJob {
public:
    // Folders deeper than this below the new top folder are not made (each level holds a descriptor open);
    // their files count as failed.
    static constexpr int kMaxFolderDepth = 256;
    // Numbered names tried for a file ("%s_%03d%s" from 0) and for a folder ("%s_%03d" from 0).
    static constexpr int kMaxFileNumbers = 1000;
    static constexpr int kMaxFolderNumbers = 1000000;

    // kRecoverSaved, kRecoverPartial (some files failed or have unreadable bytes), kRecoverFailed (no file
    // could be saved, or the top folder could not be made) or kRecoverCancelled.
    RecoverResult result;
    // None of these is owned; the callback may be null.
    IFileRecoverCallback* callback = nullptr;
    IStorageDevice* device = nullptr;
    CFileNode* node = nullptr;
    std::string targetFolder;

    // 1 when the job ran (the node is checked), 0 otherwise (nothing made).
    int Run();

    const RecoverCounts& GetCounts() const { return m_counts; }
    // The folder made for the node (empty until then).
    const std::string& GetMadeFolder() const { return m_madeFolder; }

    // nameLimit in the following: the longest name the folder's file system takes; 0 asks the folder.
    // Makes name in the folder, or "%s_%03d" of it from 0 on while the name is taken; made receives the name
    // used. 0 or the error number.
    static uint32_t CreateUniqueDirectory(int parentFd, const std::string& name, std::string& made,
                                          size_t nameLimit = 0);
    // Creates name in the folder, or "%s_%03d%s" of it (0 to 999) while the name is taken. 0, 80 when all are
    // taken, or another error number.
    static uint32_t CreateUniqueFile(int folderFd, const std::string& name, CTargetFile& out, size_t nameLimit = 0);
    // The cleaned and shortened name of a found file or folder for the folder.
    static std::string TargetName(int folderFd, const char* foundName, size_t nameLimit = 0);

private:
    int SaveFolderTree(CFileSaver& saver, int rootFd, CFileNode* folder, int folderFd, int depth);
    // In the current folder, else (its path gone or the name too long there) in the root folder.
    uint32_t CreateTargetFile(int rootFd, int folderFd, const char* foundName, CTargetFile& out);
    void FailSubtree(CFileNode* folder);

    RecoverCounts m_counts;
    std::string m_madeFolder;
    // Of the target folder, asked once: every folder below it is one this job made, on the same file system.
    size_t m_nameLimit = 0;
};

// Fills the job and runs it on a worker while the caller waits and pumps. The job's return value (0 also when
// no worker could be started); the result is read from job.result afterwards and, when madeFolder is given,
// the made folder's path is stored there.
int RecoverFolder(RecoverFolderJob& job, IFileRecoverCallback* callback, IStorageDevice* device, CFileNode* node,
                  const char* targetFolder, std::string* madeFolder = nullptr, const RecoverMessagePump& pump = {});

// The device a saver reads a node's file system from: the 512-byte view for signature-found files and the
// kinds whose registry row says their runs count 512-byte units (ext2, ext3), also in the "Raw Files" folder
// of a partition on larger sectors.
IStorageDevice* DeviceForSaving(IStorageDevice* device, CFileNode* node);
