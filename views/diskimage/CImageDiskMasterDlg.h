// The disk-image wizard: one modal dialog that walks through the steps of making a compressed, optionally
// split image of a disk or volume (or of a sector range of it), runs the imaging and tells its owner the
// outcome. The step panes live in CImageDiskSteps, CImageDiskSetRegionDlg and CImageDiskRunDlg.
//
// Entry point for the device pages:
//     CImageDiskMasterDlg dlg(device, displayName, heads /* the disk's heads; 255 for a volume */, parent);
//     dlg.DoModal();                       // always IDCANCEL, as the wizard closes through its Cancel path
//     if (dlg.GetOpenImageInList())        // finished with "Open this Disk Image in device list" set
//         open dlg.GetImageFilePath() as a CImageFileDeviceWithDecompress and add it to the list;
//     dlg.GetRegionSectorCount();          // sectors of the imaged region
// The source device is only read, never written, and must outlive the dialog.
#pragma once

#include "controls/CButtonPlus.h"
#include "views/diskimage/CImageDiskSteps.h"
#include "views/diskimage/CInterfaceDialog.h"

#include <array>
#include <cstdint>
#include <string>

class CDIskImagePublicDlg;
class CImageDiskRunDlg;
class CImageDiskSetRegionDlg;
class IStorageDevice;
class QCloseEvent;

class CImageDiskMasterDlg : public CInterfaceDialog {
    Q_OBJECT
public:
    static constexpr unsigned kTemplate = 215;
    static constexpr int kNextId = 1004, kBackId = 1001, kCancelId = 1000;
    enum Step { kMode = 0, kSummary = 1, kPath = 2, kAdvancedPath = 3, kRegion = 4, kRun = 5, kSuccess = 6 };

    CImageDiskMasterDlg(IStorageDevice* source, const char* displayName, int heads, QWidget* parent);
    ~CImageDiskMasterDlg() override;

    int GetOpenImageInList() const { return m_openInList; }
    const char* GetImageFilePath() const { return m_summary.imagePath.c_str(); }
    uint64_t GetRegionSectorCount() const { return m_summary.lastSector - m_summary.firstSector + 1; }

    int CurrentStep() const { return m_step; }
    QString Title() const;
    CButtonPlus* NextButton() { return &m_next; }
    CButtonPlus* BackButton() { return &m_back; }
    CButtonPlus* CancelButton() { return &m_cancel; }
    CImageDiskModeChooseDlg* ModePane() const { return m_mode; }
    CImageDiskPathChooseDlg* PathPane() const { return m_path; }
    CImageDiskADPathChooseDlg* AdvancedPathPane() const { return m_adPath; }
    CImageDiskDiskInfo* SummaryPane() const { return m_info; }
    CImageDiskRunDlg* RunPane() const { return m_run; }
    CImageDiskSetRegionDlg* RegionPane() const { return m_region; }
    CImageDiskSuccessDlg* SuccessPane() const { return m_success; }
    const DiskImageSummary& Summary() const { return m_summary; }
    // How the run ended: the writer's status and its sentence (empty after a complete run).
    const std::string& RunError() const { return m_runError; }

    void OnNext();
    void OnBack();

protected:
    bool OnInitDialog() override;
    void OnCancel() override;
    void OnOK() override {}
    void closeEvent(QCloseEvent* e) override;

private:
    void ShowStep();
    void SetTitleId(unsigned id);
    void TakeSettingsAndRegion(bool forceZlib);
    bool PathTest(const std::string& path);
    void RunImage();

    CDIskImagePublicDlg* m_header;
    CImageDiskModeChooseDlg* m_mode;
    CImageDiskPathChooseDlg* m_path;
    CImageDiskADPathChooseDlg* m_adPath;
    CImageDiskDiskInfo* m_info;
    CImageDiskRunDlg* m_run;
    CImageDiskSetRegionDlg* m_region;
    CImageDiskSuccessDlg* m_success;
    int m_heads;
    int m_step = kMode;
    int m_freeMB = 0;
    uint64_t m_sourceSectors = 0;
    IStorageDevice* m_source;
    std::string m_displayName;
    std::array<CInterfaceDialog*, 7> m_steps{};
    DiskImageSummary m_summary;
    diskimg::CompressionSettings m_settings;
    int m_openInList = 0;
    bool m_running = false;
    std::string m_runError;
    CButtonPlus m_next{164, 163, 162, 161};
    CButtonPlus m_back{420, 418, 417, 416};
    CButtonPlus m_cancel{176, 175, 174, 173};
};
