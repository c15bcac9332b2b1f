// The single-file job of saving.
#include "storage/saving/RecoverFileJob.h"

#include "platform/Log.h"
#include "platform/Sync.h"
#include "storage/saving/CFileSaver.h"
#include "storage/saving/RecoverFolderJob.h"

#include "storage/saving/CTargetFile.h"
#include "storage/saving/UniqueFd.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cinttypes>
#include <cstdint>
#include <cstdio>
#include <cstring>

namespace {

// Saves into a temporary file beside the target and renames it over the target once it is complete. The
// temporary file is ours: it is removed on failure, but only while its name still denotes it. A failure of
// its own leaves the system's reason in reason.
int SaveReplacing(CFileSaver& saver, CFileNode* node, const std::string& targetPath, std::string& reason)
{
    const size_t slash = targetPath.rfind('/');
    const std::string folder = slash == std::string::npos ? "." : slash == 0 ? "/" : targetPath.substr(0, slash);
    const std::string name = slash == std::string::npos ? targetPath : targetPath.substr(slash + 1);
    if (name.empty() || name == "." || name == "..") {
        ReleaseTrace("Not a file path: %s", targetPath.c_str());
        return kRecoverFailed;
    }
    UniqueFd folderFd(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (!folderFd) {
        reason = std::strerror(errno);
        ReleaseTrace("Failed to open folder %s: %s", folder.c_str(), reason.c_str());
        return kRecoverFailed;
    }
    CTargetFile temporary = CTargetFile::CreateTemporary(folderFd.Get(), ".~salvix-");
    struct stat made {};
    if (!temporary.IsOpen() || ::fstat(temporary.Fd(), &made) != 0) {
        reason = std::strerror(errno);
        ReleaseTrace("Failed to create a temporary file in %s", folder.c_str());
        return kRecoverFailed;
    }
    const std::string temporaryName = temporary.Name();
    const int code = saver.SaveFile(node, std::move(temporary));
    // The saver may have put a rebuilt stream in place under the same name (encrypted files).
    struct stat there {};
    const bool ours = ::fstatat(folderFd.Get(), temporaryName.c_str(), &there, AT_SYMLINK_NOFOLLOW) == 0 &&
                      S_ISREG(there.st_mode) && there.st_dev == made.st_dev;
    if (code == kRecoverSaved && ours) {
        if (::renameat(folderFd.Get(), temporaryName.c_str(), folderFd.Get(), name.c_str()) == 0) return kRecoverSaved;
        reason = std::strerror(errno);
        ReleaseTrace("Failed to put %s in place: %s", targetPath.c_str(), reason.c_str());
    }
    if (ours && (there.st_ino == made.st_ino || code == kRecoverSaved))
        ::unlinkat(folderFd.Get(), temporaryName.c_str(), 0);
    return code == kRecoverSaved ? kRecoverFailed : code;
}

} // namespace

int RecoverFileJob::Run()
{
    result.Reset();
    partial = false;
    failReason.clear();
    // One mutex per node ("File" and its address), so that a thumbnail, a preview and a recovery of the same
    // node take turns.
    char mutexName[48];
    std::snprintf(mutexName, sizeof mutexName, "File%" PRIxPTR, reinterpret_cast<uintptr_t>(node));
    const std::shared_ptr<plat::Mutex> mutex = plat::CreateNamedMutex(mutexName);
    if (mutex) mutex->Wait();

    CFileSaver saver(callback, DeviceForSaving(device, node));
    std::string reason;
    const int code =
        replaceExisting ? SaveReplacing(saver, node, targetPath, reason) : saver.SaveFile(node, targetPath.c_str());
    result.Set(code);
    partial = code == kRecoverSaved && saver.WasPartial();
    if (code == kRecoverFailed) {
        // As the folder job words it: the target's own failure, else the saver's reason.
        failReason = !reason.empty()                  ? reason
                     : !saver.GetFailReason().empty() ? saver.GetFailReason()
                                                      : std::string(CFileSaver::kUnreadableReason);
        LogInfo("Failed to recover file :%s: %s", targetPath.c_str(), failReason.c_str());
    }

    if (mutex) mutex->Release();
    return code == kRecoverSaved ? 1 : 0;
}

int RecoverSingleFile(RecoverFileJob& job, IFileRecoverCallback* callback, IStorageDevice* device, CFileNode* node,
                      const char* targetPath, bool onWorker, const RecoverMessagePump& pump)
{
    job.callback = callback;
    job.device = device;
    job.node = node;
    job.targetPath = targetPath ? targetPath : "";
    job.result.Reset();
    if (!onWorker) return job.Run();
    const std::optional<int> value = RunRecoverJobOnWorker([&job] { return job.Run(); }, pump);
    if (!value) {
        job.result.Set(kRecoverFailed);
        job.failReason = "no worker could be started";
        return 0;
    }
    return *value;
}
