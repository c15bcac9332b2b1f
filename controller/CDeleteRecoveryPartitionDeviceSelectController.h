// The controller of the deleted-file volume page (page 1). It lists the machine's lettered volumes and the
// disk images the user opened (the lists of CVolumeDeviceSelectController), and on next builds the chosen
// volume's directory tree, gathers its deleted, lost and cross-linked files into "Deleted Files" under a new
// root and hands that root to the found-file controller. User-interface thread only.
#pragma once

#include "controller/CVolumeDeviceSelectController.h"

#include <cstdint>
#include <vector>

class CFileSystemNode;
struct DeviceRow;

class CDeleteRecoveryPartitionDeviceSelectController : public CVolumeDeviceSelectController {
public:
    static constexpr unsigned kSelectPartition = 143; // "Select a partition to recover please."
    static constexpr unsigned kNothingFound = 61249;  // "No files found, please go to Format Recovery mode!"
    static constexpr unsigned kImageRowPrefix = 280;  // "Image File, "
    static constexpr unsigned kEventScanStarted = 8196, kEventScanCancelled = 8197, kEventScanDone = 8198;

    CDeleteRecoveryPartitionDeviceSelectController();
    ~CDeleteRecoveryPartitionDeviceSelectController() override;

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

    // The rows the volumes of an enumeration give, in list order: every volume of a known file system, named
    // by its device, label and mount point.
    static std::vector<DeviceRow> MakeVolumeRows(CVolumeDeviceRecordList& volumes,
                                                 const std::vector<plat::BlockDeviceInfo>& devices);
    // Ctrl+O: the volumes of a raw image join the list; one alone is scanned at once.
    void OpenRawImageFile() override;

    // Whether the "Format Recovery" hint still shows after a successful scan.
    static bool& HintFlag();

private:
    // Scans the chosen record (m_chosen).
    bool ScanChosen();
    void ReleaseScannedTree();
    CFileSystemNode* BuildVolumeTree(const VolumeDeviceRecord& record, bool* cancelled);

    IWizardPageController* m_previous = nullptr;
    CFileSystemNode* m_scannedTree = nullptr;
    uint32_t m_timeMark = 0;
};

// The process-wide controller, made on first use.
CDeleteRecoveryPartitionDeviceSelectController* GetDeleteRecoveryPartitionDeviceSelectController();
