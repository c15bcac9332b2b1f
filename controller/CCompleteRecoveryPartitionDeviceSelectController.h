// The controller of format recovery's device page (page 2), used by photo recovery too. It lists every
// volume of the machine and the disk images the user opened (the lists of CVolumeDeviceSelectController),
// and on next searches the chosen one with every scanner in one pass. Found partitions go to the
// scan-partition controller; without any, the signature hits of the whole device become the found-file
// tree. Ctrl+O searches any one file as a raw sector image. User-interface thread only.
#pragma once

#include "controller/CVolumeDeviceSelectController.h"
#include "filesystems/common/IFileSystemSearchController.h"
#include "storage/recoverystate/CRSDeviceSerializer.h"

#include <cstdint>
#include <memory>
#include <vector>

class ICompleteRecoveryDeviceView;
class IStorageDevice;
class CRecoverySettings;

class CCompleteRecoveryPartitionDeviceSelectController : public CVolumeDeviceSelectController {
public:
    static constexpr unsigned kSelectPartition = 61230;   // "Select a partition to recover, please."
    static constexpr unsigned kRestoreFailed = 129;       // "Failed to restore last search result."
    static constexpr unsigned kNoFilesFound = 61248;      // "No files found!"
    static constexpr unsigned kImageRowPrefix = 130;      // "Image File, "
    static constexpr unsigned kPreviousRecovery = 133;    // "Previous Recovery..."
    static constexpr unsigned kResultsForPartition = 408; // "Results for \r\nPartition "
    static constexpr unsigned kResultsForImage = 409;     // "Results for \r\nImage File "
    static constexpr int kIconPreviousRecovery = 5;
    static constexpr unsigned kEventSearchStarted = 8215;
    // The file-system kind of a record that names no file system.
    static constexpr int32_t kNoFileSystem = 7;

    CCompleteRecoveryPartitionDeviceSelectController();
    ~CCompleteRecoveryPartitionDeviceSelectController() override;

    // The page's search and dialogs (not owned; the page is also set with SetPage); null detaches them.
    void SetView(ICompleteRecoveryDeviceView* view) { m_view = view; }

    void Activate() override;
    void Home() override;
    void Back() override;
    bool next() override;
    void SetPrevious(IWizardPageController* previous) override { m_previous = previous; }
    IWizardPageController* GetPrevious() override { return m_previous; }
    void ShowAdvanceSetting() override;
    int GetControllerType() override { return 0; }
    int GetScanKind() override { return kScanFormat; }
    CSelectedDevice* GetSelection(CSelectedDevice* selection) override;
    void Reset() override;
    // The result text and the chosen volume or image (found again among this run's volumes, or reopened).
    int SaveState(IRSData* stream, IDIRBuildCallback* progress) override;
    int RestoreState(IRSData* stream, IDIRBuildCallback* progress) override;
    // "Results for \r\nPartition " and "sdb1 label (FAT32)", or "Results for \r\nImage File " and the image
    // name, the name quoted.
    std::string ResultText(const VolumeDeviceRecord& record);
    // Set until the first Activate of the run, which promotes the working state file left by the last run.
    static bool& FirstActivationFlag();

    // Ctrl+O: one file chosen by the user is searched as a raw sector image.
    void OpenRawImageFile() override;
    // Removes the selected "Previous Recovery..." row and its state file: -1 without a selected row; a row
    // with a record is left alone (the record's address is returned as a nonzero value).
    intptr_t RemovePreviousRecovery();
    // Searches the chosen record's device; false when the search was cancelled or nothing could run.
    bool SearchDevice(VolumeDeviceRecord* record);

    // The rows of an enumeration: every volume with sectors, '*' for one without letter.
    static std::vector<DeviceRow> MakeVolumeRows(CVolumeDeviceRecordList& volumes,
                                                 const std::vector<plat::BlockDeviceInfo>& devices);
    // The scanners the options ask for, in search order: FAT, NTFS and ext2 unless only RAW files are
    // wanted, then the signature scanner when RAW files are wanted.
    static std::vector<std::unique_ptr<IFileSystemSearchController>> MakeScanners(const CRecoverySettings& options);

protected:
    // The "Previous Recovery..." row was chosen: the saved wizard state comes back; true when it did.
    virtual bool RestorePreviousRecovery();
    // Deletes the last saved state of this scan kind; its result.
    virtual int DeleteLastRecoveryState();
    // The "Previous Recovery..." row, when the last state file of format recovery is valid.
    void AddLeadingRows() override;

private:
    // The raw image opened by Ctrl+O: in no list, kept while it may be the chosen record.
    struct RawImage;

    // Releases the trees and the search that the found-file and scan-partition controllers keep for this one.
    void ReleaseResults();

    ICompleteRecoveryDeviceView* m_view = nullptr;
    IWizardPageController* m_previous = nullptr;
    std::unique_ptr<RawImage> m_rawImage;
    // Images reopened by a restored state; their devices are owned here.
    COpenedImageVolumeList m_restoredImages;
    uint32_t m_timeMark = 0;
};

// The process-wide controller, made on first use.
CCompleteRecoveryPartitionDeviceSelectController* GetCompleteRecoveryPartitionDeviceSelectController();
