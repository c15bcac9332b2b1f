// The controller of the deleted-file volume page (page 1). It lists the machine's lettered volumes and the
// disk images the user opened, and on next builds the chosen volume's directory tree, gathers its deleted,
// lost and cross-linked files into "Deleted Files" under a new root and hands that root to the found-file
// controller. The volumes are enumerated on a worker that only collects them; the rows are filled on the
// user-interface thread when it is done. User-interface thread only, apart from that worker.
#pragma once

#include "controller/IDeleteRecoveryPartitionDeviceSelectController.h"
#include "filesystems/partitions/DeviceRecords.h"

#include <atomic>
#include <cstdint>
#include <list>
#include <memory>
#include <string>
#include <thread>
#include <vector>

class CFileSystemNode;
class IDeviceSelectView;
struct DeviceRow;

class CDeleteRecoveryPartitionDeviceSelectController : public IDeleteRecoveryPartitionDeviceSelectController {
public:
    static constexpr unsigned kSelectPartition = 143;  // "Select a partition to recover please."
    static constexpr unsigned kNothingFound = 61249;   // "No files found, please go to Format Recovery mode!"
    static constexpr unsigned kImageOpen = 131;        // "This image file is open!"
    static constexpr unsigned kInvalidImage = 283;     // "This is an invalid image file, please check it!"
    static constexpr unsigned kImageDestroyed = 284;   // "This image has been destroyed. "
    static constexpr unsigned kImageRowPrefix = 280;   // "Image File, "
    static constexpr unsigned kEventScanStarted = 8196, kEventScanCancelled = 8197, kEventScanDone = 8198;

    CDeleteRecoveryPartitionDeviceSelectController();
    ~CDeleteRecoveryPartitionDeviceSelectController() override;

    // The page (not owned); null detaches it and waits for a running enumeration.
    void SetPage(IDeviceSelectView* page);
    IDeviceSelectView* GetPage() const { return m_page; }

    void Activate() override;
    void Home() override;
    void Back() override;
    bool next() override;
    void SetPrevious(IWizardPageController* previous) override { m_previous = previous; }
    IWizardPageController* GetPrevious() override { return m_previous; }
    void ShowAdvanceSetting() override;
    int GetControllerType() override { return kControllerNotSaved; }
    int GetScanKind() override { return kScanDeletedFile; }
    CSelectedDevice* GetSelection(CSelectedDevice* selection) override;
    void Reset() override;

    void RefreshDeviceList() override;
    void CreateDiskImage() override;
    void OpenDiskImage() override;
    void RemoveSelectedImage() override;
    int UpdateSelection() override;
    int IsImageSelected() override;

    // Nonzero when the drive of that letter lies on the volume chosen by next.
    int IsDriveOnSelectedSource(char driveLetter);
    // Adds an opened image: refused with a message when its path is listed already or its slices do not
    // hold together; its file system is read from its own first sectors. True when it was added.
    bool AddImageRecord(const std::string& path);

    bool IsRefreshing() const { return m_refreshing; }
    // Waits for a running enumeration and fills its rows (tests and shut-down).
    void WaitForRefresh();
    const CVolumeDeviceRecordList& GetVolumes() const { return m_volumes; }
    size_t GetImageCount() const { return m_images.size(); }
    const VolumeDeviceRecord* GetChosenRecord() const { return m_chosen; }
    // The rows the volumes of an enumeration give, in list order (lettered, readable, known file systems).
    static std::vector<DeviceRow> MakeVolumeRows(CVolumeDeviceRecordList& volumes);

    // Whether the "Format Recovery" hint still shows after a successful scan.
    static bool& HintFlag();

private:
    struct Enumeration;
    struct ImageEntry;

    void ReleaseVolumes();
    void ReleaseScannedTree();
    void OnEnumerated(Enumeration& result);
    void AddImageRow(const ImageEntry& image);
    void JoinWorker();
    CFileSystemNode* BuildVolumeTree(const VolumeDeviceRecord& record, bool* cancelled);

    IDeviceSelectView* m_page = nullptr;
    IWizardPageController* m_previous = nullptr;
    CStorageDeviceList m_disks;
    CVolumeDeviceRecordList m_volumes;
    std::list<ImageEntry> m_images;
    uint32_t m_nextImageNumber = 0;
    CFileSystemNode* m_scannedTree = nullptr;
    VolumeDeviceRecord* m_chosen = nullptr;
    void* m_selection = nullptr;
    uint32_t m_timeMark = 0;
    std::thread m_worker;
    bool m_refreshing = false;
    // A posted result belongs to the enumeration of this number; older ones are dropped.
    std::shared_ptr<std::atomic<uint64_t>> m_generation = std::make_shared<std::atomic<uint64_t>>(0);
};

// The process-wide controller, made on first use.
CDeleteRecoveryPartitionDeviceSelectController* GetDeleteRecoveryPartitionDeviceSelectController();
