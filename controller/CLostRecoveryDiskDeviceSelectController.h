// The controller of the partition-recovery disk page (page 3). It lists the machine's disks and the disk
// images the user opened, and on next searches the chosen disk for lost partitions and hands them to the
// found-partition controller; a search that the user cancels hands on what it found until then. A search
// that finds nothing, cancelled or not followed by a whole-disk search the user asked for, leaves the
// disk page shown. The disks are enumerated
// on a worker that only collects them; the rows are filled on the user-interface thread when it is done.
// User-interface thread only, apart from that worker.
#pragma once

#include "controller/DeviceListRefresh.h"
#include "controller/ILostRecoveryDiskDeviceSelectController.h"
#include "filesystems/partitions/DeviceRecords.h"
#include "storage/recoverystate/CRSDeviceSerializer.h"

#include <cstdint>
#include <functional>
#include <list>
#include <string>
#include <vector>

class ILostDiskView;
struct DeviceRow;

class CLostRecoveryDiskDeviceSelectController : public ILostRecoveryDiskDeviceSelectController {
public:
    static constexpr unsigned kSelectDisk = 140;       // "Select a disk to recover please."
    static constexpr unsigned kRestoreFailed = 141;    // "Failed to restore last search result."
    static constexpr unsigned kPreviousRecovery = 142; // "Previous Recovery..."
    static constexpr unsigned kImageOpen = 281;        // "This image file is open!"
    static constexpr unsigned kInvalidImage = 282;     // "This is an invalid image file, please check it!"
    static constexpr unsigned kImageRowPrefix = 130;   // "Image File, "
    static constexpr unsigned kResultsForDisk = 410;   // "Results for \r\nDisk "
    static constexpr unsigned kResultsForImage = 409;  // "Results for \r\nImage File "
    static constexpr unsigned kEventSearchStarted = 8242;
    static constexpr int kIconDisk = 1, kIconImage = 4, kIconPreviousRecovery = 5, kIconUsb = 6;

    CLostRecoveryDiskDeviceSelectController();
    ~CLostRecoveryDiskDeviceSelectController() override;

    // The page (not owned); null detaches it and waits for a running enumeration.
    void SetPage(ILostDiskView* page);
    ILostDiskView* GetPage() const { return m_page; }

    void Activate() override;
    void Home() override;
    void Back() override;
    bool next() override;
    void SetPrevious(IWizardPageController* previous) override { m_previous = previous; }
    IWizardPageController* GetPrevious() override { return m_previous; }
    void ShowAdvanceSetting() override;
    int GetControllerType() override { return 2; }
    int GetScanKind() override { return kScanPartition; }
    CSelectedDevice* GetSelection(CSelectedDevice* selection) override;
    void Reset() override;
    // The result text and the chosen disk (found again among this run's disks, or its image reopened).
    int SaveState(IRSData* stream, IDIRBuildCallback* progress) override;
    int RestoreState(IRSData* stream, IDIRBuildCallback* progress) override;

    void RefreshDeviceList() override;
    void CreateDiskImage() override;
    void OpenDiskImage() override;
    // Ctrl+O: a raw sector image joins the list as a disk image and is searched for lost partitions at once.
    void OpenRawImageFile() override;
    void RemoveSelectedImage() override;
    int UpdateSelection() override;
    int IsImageSelected() override;
    int RemovePreviousRecovery() override;

    // Nonzero when the lettered volume of that drive has a member extent on the disk chosen by next.
    int IsDriveOnSelectedSource(char driveLetter);
    // Adds an opened disk image: refused with a message when its path is listed already or its slices do
    // not hold together. True when it was added.
    bool AddImageRecord(const std::string& path);
    // The title of a saved partition-recovery state: "Results for \r\nDisk " or "Results for \r\nImage
    // File " and the quoted name, cut to 259 bytes.
    std::string ResultText(const DiskDeviceRecord& record);

    // Releases every image record and its device.
    void ReleaseImages();

    bool IsRefreshing() const { return m_refresh.IsRefreshing(); }
    // Waits for a running enumeration's worker (its rows are posted to the page's event loop).
    void WaitForRefresh();
    CDiskDeviceRecordList& GetDisks() { return m_disks; }
    COpenedImageDiskList& GetImages() { return m_images; }
    CVolumeDeviceRecordList& GetVolumes() { return m_volumes; }
    DiskDeviceRecord* GetChosenRecord() const { return m_chosen; }
    // Sets the chosen record (a restored state names it).
    void SetChosenRecord(DiskDeviceRecord* record) { m_chosen = record; }
    // The rows of an enumeration's disks, one per record (icon, name, sizes, the volumes on it).
    // A disk is named by its Linux device and its description ("sdb  ATA  VBOX HARDDISK"), its volumes by
    // theirs.
    static std::vector<DeviceRow> MakeDiskRows(CDiskDeviceRecordList& disks, const CVolumeDeviceRecordList& volumes,
                                               const std::vector<plat::BlockDeviceInfo>& devices);
    // The name of a disk record as its row shows it.
    static std::string DiskRowName(const DiskDeviceRecord& record, const std::vector<plat::BlockDeviceInfo>& devices);

    // What "Previous Recovery..." runs: restores the last partition-recovery state; true when a page of the
    // restored chain shows. Installed by whoever provides the state files; without one it fails.
    using StateRestorer = std::function<bool(IWizardPageController* controller)>;
    static void SetStateRestorer(StateRestorer restorer);
    // The text of the "Previous Recovery..." row (empty: no row), asked at each enumeration.
    using PreviousRecoveryText = std::function<std::string(IWizardPageController* controller)>;
    static void SetPreviousRecoveryText(PreviousRecoveryText text);
    // Set until the first Activate of the run, which promotes the working state file left by the last run.
    static bool& FirstActivationFlag();

private:
    struct Enumeration;

    // Searches the chosen record (m_chosen) for lost partitions and hands them on.
    bool SearchChosen();

    void ReleaseDisks();
    void OnEnumerated(Enumeration& result);
    void AddImageRow(const DiskDeviceRecord& image);

    ILostDiskView* m_page = nullptr;
    IWizardPageController* m_previous = nullptr;
    CStorageDeviceList m_diskDevices; // owned; the disk records point into it
    CDiskDeviceRecordList m_disks;
    CVolumeDeviceRecordList m_volumes;
    COpenedImageDiskList m_images; // each record's device is owned here
    uint32_t m_nextImageNumber = 0;
    DiskDeviceRecord* m_chosen = nullptr;
    void* m_selection = nullptr;
    uint32_t m_timeMark = 0;
    CDeviceListRefresh m_refresh;
};

// The process-wide controller, made on first use.
CLostRecoveryDiskDeviceSelectController* GetLostRecoveryDiskDeviceSelectController();
