// The save-path controller.
#include "controller/CSaveFileController.h"

#include "controller/CSaveResultController.h"
#include "controller/ISaveFileView.h"
#include "controller/IWizardServices.h"
#include "controller/IWizardSheet.h"
#include "controller/MessageBoxTypes.h"
#include "controller/ModeDeviceControllers.h"
#include "core/PathHelpers.h"
#include "core/devices/IStorageDevice.h"
#include "filesystems/partitions/VolumesReport.h"
#include "filesystems/tree/CFileSystemNode.h"
#include "platform/DriveLetters.h"

#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>

#include <cctype>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace {

bool IsLetterForm(const std::string& path)
{
    return path.size() >= 2 && std::isalpha(static_cast<unsigned char>(path[0])) && path[1] == ':';
}

// The nearest folder at or above path that exists; empty when none does (a relative path).
std::string ExistingFolderAtOrAbove(std::string path)
{
    while (!path.empty()) {
        struct stat st {};
        if (::stat(path.c_str(), &st) == 0) return S_ISDIR(st.st_mode) ? path : std::string();
        const size_t slash = path.find_last_of('/');
        if (slash == std::string::npos) return std::string();
        path = slash == 0 ? std::string("/") : path.substr(0, slash);
    }
    return std::string();
}

// A file can be made in the folder: made under a name no one else has, then removed. A file of the user's
// is never touched (mkstemp makes a new name).
bool CanMakeFileIn(const std::string& folder)
{
    std::string name = folder;
    if (name.empty() || name.back() != '/') name += '/';
    name += CSaveFileController::kTestFilePrefix;
    name += ".XXXXXX";
    std::vector<char> buffer(name.begin(), name.end());
    buffer.push_back('\0');
    const int fd = ::mkstemp(buffer.data());
    if (fd < 0) return false;
    ::close(fd);
    return ::unlink(buffer.data()) == 0;
}

} // namespace

std::string CSaveFileController::GetSavedPath(int index)
{
    return index >= 0 && size_t(index) < m_savedPaths.size() ? m_savedPaths[size_t(index)] : std::string();
}

void CSaveFileController::Activate()
{
    if (IWizardSheet* sheet = GetWizardSheet()) sheet->SetActivePage(WP_SAVE_FILE);
}

void CSaveFileController::Home()
{
    Reset();
    if (m_previous) m_previous->Home();
}

void CSaveFileController::Back()
{
    Reset();
    if (m_previous) m_previous->Back();
}

void CSaveFileController::SetSource(CFileSystemNode* root)
{
    m_root = root;
    FileTreeStatistics statistics;
    if (root) root->GetStatistics(statistics);
    if (m_page) {
        m_page->SetStatistics(statistics.checkedBytes, int(statistics.checkedFiles));
        m_page->ResetPath();
    }
}

int CSaveFileController::CheckPath(const std::string& path)
{
    if (path.size() > kMaxPathChars) return kTooLong;
    if (path.empty()) return kEmpty;
    if (path[0] == '/') return CheckLocalPath(path);
    if (path.size() < 2) return kInvalidPath;
    std::string copy = path;
    if (copy.back() != '\\') copy += '\\';
    if (copy.find("\\.") != std::string::npos) return kInvalidPath;
    if (IsLetterForm(copy)) return CheckDrivePath(copy);
    if (copy.compare(0, 2, "\\\\") == 0)
        return kInvalidPath; // network shares are reached through their mount point on this system
    return kRelativePath;
}

int CSaveFileController::CheckDrivePath(const std::string& path)
{
    if (path.size() > 258) return kTooLong;
    for (size_t i = 2; i < path.size(); ++i)
        if (std::strchr("/*?:\"<>|", path[i])) return kInvalidSymbol;
    plat::DriveEntry drive;
    if (!plat::FindDrive(path[0], &drive)) return kNoDrive;
    if (drive.mountPoint.empty()) return drive.floppy ? kNoDisk : kNotReady;
    return CheckLocalPath(ResolveTargetPath(path));
}

int CSaveFileController::CheckLocalPath(const std::string& path)
{
    if (path.empty() || path[0] != '/') return kInvalidPath;
    size_t start = 0;
    while (start < path.size()) {
        const size_t end = path.find('/', start);
        const std::string part = path.substr(start, end == std::string::npos ? std::string::npos : end - start);
        if (part == "." || part == "..") return kInvalidPath;
        if (end == std::string::npos) break;
        start = end + 1;
    }
    struct stat st {};
    if (::stat(path.c_str(), &st) == 0 && !S_ISDIR(st.st_mode)) return kInvalidPath;
    const std::string folder = ExistingFolderAtOrAbove(path);
    if (folder.empty()) return kInvalidPath;
    return CanMakeFileIn(folder) ? kPathOk : kNotWritable;
}

bool CSaveFileController::PathErrorMessage(int code, unsigned* stringId, unsigned* type)
{
    struct Row {
        int code;
        unsigned id;
        unsigned type;
    };
    static constexpr Row kRows[] = {
        {1, 148, wizmsg::kIconInformation},  {2, 149, wizmsg::kIconInformation},  {3, 150, wizmsg::kIconInformation},
        {4, 151, wizmsg::kIconExclamation},  {5, 152, wizmsg::kIconInformation},  {6, 153, wizmsg::kIconInformation},
        {7, 154, wizmsg::kIconInformation},  {8, 155, wizmsg::kIconExclamation},  {9, 156, wizmsg::kIconExclamation},
        {10, 157, wizmsg::kIconExclamation}, {11, 158, wizmsg::kIconInformation}, {12, 159, wizmsg::kIconInformation},
    };
    if (code == 0) return false;
    *stringId = 160;
    *type = wizmsg::kIconExclamation;
    for (const Row& row : kRows)
        if (row.code == code) {
            *stringId = row.id;
            *type = row.type;
        }
    return true;
}

std::string CSaveFileController::ResolveTargetPath(const std::string& path)
{
    if (!IsLetterForm(path)) return path;
    plat::DriveEntry drive;
    if (!plat::FindDrive(path[0], &drive) || drive.mountPoint.empty()) return std::string();
    std::string out = drive.mountPoint;
    std::string rest = path.substr(2);
    for (char& c : rest)
        if (c == '\\') c = '/';
    while (!out.empty() && out.back() == '/') out.pop_back();
    if (rest.empty() || rest[0] != '/') out += '/';
    out += rest;
    while (out.size() > 1 && out.back() == '/') out.pop_back();
    return out;
}

TargetSpace CSaveFileController::QueryTargetSpace(const std::string& path)
{
    TargetSpace space;
    const std::string folder = ExistingFolderAtOrAbove(ResolveTargetPath(path));
    struct statvfs vfs {};
    if (folder.empty() || ::statvfs(folder.c_str(), &vfs) != 0) return space;
    const uint64_t unit = vfs.f_frsize ? vfs.f_frsize : vfs.f_bsize;
    space.availableBytes = uint64_t(vfs.f_bavail) * unit;
    space.totalBytes = uint64_t(vfs.f_blocks) * unit;
    space.freeBytes = uint64_t(vfs.f_bfree) * unit;
    return space;
}

bool CSaveFileController::CheckEncryptedTarget()
{
    if (!m_root || !m_page) return false;
    FileTreeStatistics statistics;
    if (!m_root->GetStatistics(statistics)) return false;
    if (statistics.checkedEncryptedFiles == 0) return true;
    const std::string path = ResolveTargetPath(m_page->GetPathText());
    std::string root;
    if (!GetPathRoot(path.c_str(), &root) || root.empty() || IsNtfsVolume(root.c_str())) return true;
    m_page->ShowMessage(kEncryptedNeedsNtfs, wizmsg::kIconInformation);
    return false;
}

bool CSaveFileController::CheckFreeSpace()
{
    if (!m_page) return false;
    FileTreeStatistics statistics;
    if (m_root) m_root->GetStatistics(statistics);
    // Only the space an unprivileged user may fill counts: the blocks reserved for root are not ours.
    if (QueryTargetSpace(m_page->GetPathText()).availableBytes >= statistics.checkedBytes) return true;
    m_page->ShowMessage(kNotEnoughSpace, wizmsg::kIconExclamation);
    return false;
}

bool CSaveFileController::CheckSavePath()
{
    if (!m_page) return false;
    const std::string path = m_page->GetPathText();
    const int code = CheckPath(path);
    unsigned id = 0, type = 0;
    if (PathErrorMessage(code, &id, &type)) {
        m_page->ShowMessage(id, type);
        return false;
    }
    if (IsPathOnRecoverySource(ResolveTargetPath(path).c_str()) &&
        m_page->ShowMessage(kSameDrive, wizmsg::kYesNo | wizmsg::kIconWarning | wizmsg::kDefaultButton2) !=
            wizmsg::kAnswerYes)
        return false;
    if (!CheckEncryptedTarget()) return false;
    return CheckFreeSpace();
}

bool CSaveFileController::next()
{
    IWizardServices* services = GetWizardServices();
    services->LogRecoveryPhase(7);
    if (!m_page || !m_root) return false;
    const std::string folder = ResolveTargetPath(m_page->GetPathText());
    CSelectedDevice selection;
    if (m_previous) m_previous->GetSelection(&selection);
    const SaveRunResult result = m_page->RunSave(m_root, selection.GetDevice(), folder);
    m_toRecover = result.toRecover;
    m_recovered = result.recovered;
    m_partial = result.partial;
    m_failed = result.failed;
    m_sourceShort = IsShorterThanItsFileSystem(selection.GetDevice());
    services->LogRecoverResult(m_toRecover, m_recovered, folder.c_str());
    m_savedPaths = result.madeFolders;
    CSaveResultController* results = GetSaveResultController();
    results->SetTally(MakeTally(result, m_sourceShort));
    results->SetPrevious(this);
    results->Activate();
    return true;
}

SaveTally CSaveFileController::MakeTally(const SaveRunResult& result, bool sourceShort)
{
    SaveTally tally;
    tally.sourceUsable = result.toRecover > 0;
    tally.filesFound = result.toRecover;
    tally.counts.filesSaved = result.recovered;
    tally.counts.filesPartial = result.partial;
    tally.counts.filesFailed = result.failed;
    tally.counts.firstReason = result.firstReason;
    tally.sourceShort = sourceShort;
    return tally;
}

bool CSaveFileController::IsShorterThanItsFileSystem(IStorageDevice* volume)
{
    return volume && IdentifyVolumeFileSystem(volume).totalSectors > volume->GetSectorCount();
}

CSaveFileController* GetSaveFileController()
{
    static CSaveFileController controller;
    return &controller;
}
