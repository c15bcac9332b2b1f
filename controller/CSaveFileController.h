// The controller of the save-path page (page 6, shown in its own dialog): it takes the checked selection
// from the found-file controller, checks the target folder when the user presses OK (a valid, writable
// folder; a question when it lies on the source being recovered; NTFS for encrypted files; enough space
// available to the user), runs the save and hands over to the save-result controller.
// User-interface thread only.
#pragma once

#include "controller/ISaveFileController.h"
#include "controller/ISaveFileView.h"
#include "storage/saving/SaveVerdict.h"

#include <cstdint>
#include <string>
#include <vector>

class CFileSystemNode;
class IStorageDevice;
class ISaveFileView;

// The space of the file system holding a folder, as the user may use it.
struct TargetSpace {
    uint64_t availableBytes = 0; // free to an unprivileged user (f_bavail)
    uint64_t totalBytes = 0;
    uint64_t freeBytes = 0; // free including what is reserved for root
};

class CSaveFileController : public ISaveFileController {
public:
    // Codes of CheckPath, as ShowPathError tells them.
    enum PathCode {
        kPathOk = 0,
        kNoDisk = 1,
        kNoDrive = 2,
        kNotFormatted = 3,
        kInvalidPath = 4,
        kNotReady = 6,
        kNotWritable = 7,
        kRelativePath = 8,
        kInvalidSymbol = 10,
        kTooLong = 11,
        kEmpty = 12,
    };
    static constexpr unsigned kSameDrive = 147;
    static constexpr unsigned kEncryptedNeedsNtfs = 161;
    static constexpr unsigned kNotEnoughSpace = 208;
    static constexpr size_t kMaxPathChars = 245;
    static constexpr const char* kTestFilePrefix = "!t_1_e_s_2_3_t";

    void SetPage(ISaveFileView* page) { m_page = page; }
    ISaveFileView* GetPage() const { return m_page; }

    void Activate() override;
    void Home() override;
    void Back() override;
    bool next() override;
    void SetPrevious(IWizardPageController* previous) override { m_previous = previous; }
    IWizardPageController* GetPrevious() override { return m_previous; }
    int GetScanKind() override { return m_previous ? m_previous->GetScanKind() : kScanNone; }

    int GetToRecoverCount() override { return m_toRecover; }
    int GetRecoveredCount() override { return m_recovered; }
    // Of the last save: files saved with unreadable parts (zeros), and files not saved.
    int GetPartialCount() const { return m_partial; }
    int GetFailedCount() const { return m_failed; }
    // Whether the source of the last save is shorter than the file system on it (an image cut short), so
    // that what lay past its end could not be read.
    bool IsSourceShort() const { return m_sourceShort; }
    std::string GetSavedPath(int index) override;
    int GetSavedPathCount() override { return int(m_savedPaths.size()); }

    // The selection to save: its figures go to the page and the path is cleared.
    void SetSource(CFileSystemNode* root);
    CFileSystemNode* GetSource() const { return m_root; }
    // OK of the save-path dialog: true lets it close (next then runs the save).
    bool CheckSavePath();

    static int CheckPath(const std::string& path);
    // A drive path ("E:\..." ending in "\") through the drive's mount point.
    static int CheckDrivePath(const std::string& path);
    // A Linux path: no "." or ".." component, not a file, and a file can be made in it (or in the
    // nearest folder above it that exists, where the save will make it).
    static int CheckLocalPath(const std::string& path);
    // The string and message-box type that tell a code; false for 0.
    static bool PathErrorMessage(int code, unsigned* stringId, unsigned* type);
    // The Linux folder a path names: itself, or for "E:\..." the folder below the drive's mount point;
    // empty when the drive is not mounted.
    static std::string ResolveTargetPath(const std::string& path);
    // The space of the file system that holds the folder (or the nearest folder above it that exists).
    static TargetSpace QueryTargetSpace(const std::string& path);
    // The verdict's figures of a save run.
    static SaveTally MakeTally(const SaveRunResult& result, bool sourceShort);
    // Whether the file system at the start of the volume states more sectors than the volume has.
    static bool IsShorterThanItsFileSystem(IStorageDevice* volume);

    bool CheckEncryptedTarget();
    bool CheckFreeSpace();

private:
    ISaveFileView* m_page = nullptr;
    CFileSystemNode* m_root = nullptr;
    IWizardPageController* m_previous = nullptr;
    bool m_sourceShort = false;
    int m_toRecover = 0;
    int m_recovered = 0;
    int m_partial = 0;
    int m_failed = 0;
    std::vector<std::string> m_savedPaths;
};

// The process-wide controller, made on first use.
CSaveFileController* GetSaveFileController();
