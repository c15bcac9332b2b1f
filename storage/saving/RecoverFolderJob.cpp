// The folder job of saving.
#include "storage/saving/RecoverFolderJob.h"

#include "core/devices/IStorageDevice.h"
#include "filesystems/partitions/FileSystemRegistry.h"
#include "filesystems/tree/CFileNode.h"
#include "filesystems/tree/FileTree.h"
#include "filesystems/tree/IFileProperties.h"
#include "platform/Errors.h"
#include "platform/Log.h"
#include "storage/saving/CFileSaver.h"
#include "storage/saving/CTargetFile.h"
#include "storage/saving/TargetNames.h"
#include "storage/saving/UniqueFd.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>

namespace {

bool IsChecked(const CFileNode* node)
{
    const IFileProperties* p = node->GetProperties();
    return p && p->GetCheckState() != kCheckNone;
}

bool IsFolder(const CFileNode* node)
{
    return node->GetProperties()->GetAttributes() & kFileAttrDirectory;
}

// The longest name the folder's file system takes, at most the common 255 bytes.
size_t NameLimit(int folderFd)
{
    const long limit = ::fpathconf(folderFd, _PC_NAME_MAX);
    if (limit <= 0 || size_t(limit) > kMaxTargetNameBytes) return kMaxTargetNameBytes;
    return size_t(limit);
}

uint32_t CreateError(int err)
{
    // The folder itself has gone: the path is what is missing.
    return err == ENOENT ? plat::kErrPathNotFound : plat::ErrorFromErrno(err);
}

// Why a folder or file could not be made, in words: the system's reason when there is one.
std::string CreateReason(uint32_t code, int err)
{
    if (code == plat::kErrFileExists || code == plat::kErrAlreadyExists) return "every numbered name is taken";
    if (err != 0) return std::strerror(err);
    return plat::ErrorText(code);
}

std::string JoinPath(const std::string& folder, const std::string& name)
{
    return folder == "/" ? "/" + name : folder + "/" + name;
}

} // namespace

IStorageDevice* DeviceForSaving(IStorageDevice* device, CFileNode* node)
{
    if (!device || !node) return device;
    const int kind = node->GetFileSystemKind();
    const FileSystemKindInfo* fs = FindFileSystemKind(kind);
    const bool in512 = kind == kFsKindRaw || (fs && fs->runsIn512ByteSectors);
    return in512 ? device->GetAs512SectorDevice() : device;
}

std::string RecoverFolderJob::TargetName(int folderFd, const char* foundName, size_t nameLimit)
{
    return ShortenName(CleanNameComponent(foundName ? foundName : ""), nameLimit ? nameLimit : NameLimit(folderFd));
}

uint32_t RecoverFolderJob::CreateUniqueDirectory(int parentFd, const std::string& name, std::string& made,
                                                 size_t nameLimit)
{
    if (::mkdirat(parentFd, name.c_str(), 0777) == 0) {
        made = name;
        return 0;
    }
    if (errno != EEXIST) return CreateError(errno);
    const size_t limit = nameLimit ? nameLimit : NameLimit(parentFd);
    for (int i = 0; i < kMaxFolderNumbers; ++i) {
        const std::string numbered = NumberedFolderName(name, i, limit);
        if (::mkdirat(parentFd, numbered.c_str(), 0777) == 0) {
            made = numbered;
            return 0;
        }
        if (errno != EEXIST) return CreateError(errno);
    }
    return plat::kErrAlreadyExists;
}

uint32_t RecoverFolderJob::CreateUniqueFile(int folderFd, const std::string& name, CTargetFile& out, size_t nameLimit)
{
    out = CTargetFile::CreateNew(folderFd, name);
    if (out.IsOpen()) return 0;
    if (errno != EEXIST) return CreateError(errno);
    const size_t limit = nameLimit ? nameLimit : NameLimit(folderFd);
    for (int i = 0; i < kMaxFileNumbers; ++i) {
        out = CTargetFile::CreateNew(folderFd, NumberedFileName(name, i, limit));
        if (out.IsOpen()) return 0;
        if (errno != EEXIST) return CreateError(errno);
    }
    return plat::kErrFileExists;
}

uint32_t RecoverFolderJob::CreateTargetFile(int rootFd, int folderFd, const char* foundName, CTargetFile& out)
{
    uint32_t code = CreateUniqueFile(folderFd, TargetName(folderFd, foundName, m_nameLimit), out, m_nameLimit);
    if ((code == plat::kErrPathNotFound || code == plat::kErrFilenameExcedRange) && folderFd != rootFd)
        code = CreateUniqueFile(rootFd, TargetName(rootFd, foundName, m_nameLimit), out, m_nameLimit);
    return code;
}

void RecoverFolderJob::FailSubtree(CFileNode* folder)
{
    WalkFileTreeBreadthFirst(folder, [&](CFileNode* below) {
        if (below != folder && IsChecked(below) && !IsFolder(below)) ++m_counts.filesFailed;
    });
}

int RecoverFolderJob::Run()
{
    m_counts = {};
    m_madeFolder.clear();
    result.Reset();

    std::string root = targetFolder;
    while (root.size() > 1 && root.back() == '/') root.pop_back();
    if (root.empty() || !node) {
        result.Set(kRecoverFailed);
        return 0;
    }
    if (!IsChecked(node)) return 0;

    std::error_code error;
    std::filesystem::create_directories(root, error);
    UniqueFd rootFd(::open(root.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    int err = rootFd ? 0 : errno;
    std::string made;
    uint32_t code = rootFd ? 0 : CreateError(err);
    if (code == 0) {
        m_nameLimit = NameLimit(rootFd.Get());
        const IFileProperties* p = node->GetProperties();
        code =
            CreateUniqueDirectory(rootFd.Get(), TargetName(rootFd.Get(), p->GetName(), m_nameLimit), made, m_nameLimit);
        err = code ? errno : 0;
    }
    UniqueFd topFd;
    if (code == 0) {
        topFd.Reset(::openat(rootFd.Get(), made.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
        err = topFd ? 0 : errno;
        if (!topFd) code = CreateError(err);
    }
    if (code != 0) {
        const std::string reason = CreateReason(code, err);
        ReleaseTrace("Error code:%d", int(code));
        LogError("Failed to create a folder in %s: %s", root.c_str(), reason.c_str());
        m_counts.NoteReason(reason);
        ++m_counts.foldersFailed;
        if (!IsFolder(node))
            ++m_counts.filesFailed;
        else
            FailSubtree(node);
        result.Set(kRecoverFailed);
        return 1;
    }
    m_madeFolder = JoinPath(root, made);

    CFileSaver saver(callback, DeviceForSaving(device, node));
    const int walk = SaveFolderTree(saver, rootFd.Get(), node, topFd.Get(), 0);
    // A folder that holds nothing in the end (no file of it could be saved, or it had none) is not left behind.
    topFd.Reset();
    if (::unlinkat(rootFd.Get(), made.c_str(), AT_REMOVEDIR) == 0) m_madeFolder.clear();
    if (walk == kRecoverCancelled)
        result.Set(kRecoverCancelled);
    else if (m_counts.filesFailed == 0 && m_counts.filesPartial == 0)
        result.Set(kRecoverSaved);
    else if (m_counts.filesSaved == 0)
        result.Set(kRecoverFailed);
    else
        result.Set(kRecoverPartial);
    return 1;
}

int RecoverFolderJob::SaveFolderTree(CFileSaver& saver, int rootFd, CFileNode* folder, int folderFd, int depth)
{
    for (CFileNode* child = folder->GetFirstChild(); child; child = child->GetNextSibling()) {
        if (!IsChecked(child)) continue;
        const char* name = child->GetProperties()->GetName();
        if (IsFolder(child)) {
            std::string made;
            uint32_t code =
                depth + 1 >= kMaxFolderDepth
                    ? plat::kErrFilenameExcedRange
                    : CreateUniqueDirectory(folderFd, TargetName(folderFd, name, m_nameLimit), made, m_nameLimit);
            int err = code ? errno : 0;
            UniqueFd subFd;
            if (code == 0) {
                subFd.Reset(::openat(folderFd, made.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
                err = subFd ? 0 : errno;
                if (!subFd) code = CreateError(err);
            }
            if (code != 0) {
                // Nothing of this subtree is saved elsewhere: its files count as failed.
                const std::string reason =
                    depth + 1 >= kMaxFolderDepth ? "the folders are nested too deeply" : CreateReason(code, err);
                ReleaseTrace("Error code:%d", int(code));
                LogInfo("Failed to create folder: %s: %s", name, reason.c_str());
                m_counts.NoteReason(reason);
                ++m_counts.foldersFailed;
                FailSubtree(child);
                continue;
            }
            const int walk = SaveFolderTree(saver, rootFd, child, subFd.Get(), depth + 1);
            subFd.Reset();
            // Left empty (no file below it was saved): removed again; rmdir takes only an empty folder.
            ::unlinkat(folderFd, made.c_str(), AT_REMOVEDIR);
            if (walk == kRecoverCancelled) return kRecoverCancelled;
            continue;
        }

        CTargetFile target;
        const uint32_t code = CreateTargetFile(rootFd, folderFd, name, target);
        if (code != 0) {
            const std::string reason = CreateReason(code, errno);
            ReleaseTrace("Error code:%d", int(code));
            LogInfo("Failed to recover file: %s: %s", name, reason.c_str());
            m_counts.NoteReason(reason);
            ++m_counts.filesFailed;
            continue;
        }
        const int saved = saver.SaveFile(child, std::move(target));
        if (saved == kRecoverCancelled) return kRecoverCancelled;
        if (saved != kRecoverSaved) {
            const std::string& reason = saver.GetFailReason();
            LogInfo("Failed to recover file: %s: %s", name, reason.c_str());
            m_counts.NoteReason(reason.empty() ? std::string(CFileSaver::kUnreadableReason) : reason);
            ++m_counts.filesFailed;
            continue;
        }
        ++m_counts.filesSaved;
        if (saver.WasPartial()) ++m_counts.filesPartial;
        m_counts.unreadableBytes += saver.GetUnreadableBytes();
    }
    return kRecoverSaved;
}

int RecoverFolder(RecoverFolderJob& job, IFileRecoverCallback* callback, IStorageDevice* device, CFileNode* node,
                  const char* targetFolder, std::string* madeFolder, const RecoverMessagePump& pump)
{
    job.callback = callback;
    job.device = device;
    job.node = node;
    job.targetFolder = targetFolder ? targetFolder : "";
    job.result.Reset();
    const std::optional<int> value = RunRecoverJobOnWorker([&job] { return job.Run(); }, pump);
    if (!value) return 0;
    if (madeFolder) *madeFolder = job.GetMadeFolder();
    return *value;
}
