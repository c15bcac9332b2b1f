// What the volume pages of deleted-file and format recovery share: the machine's volumes enumerated on a
// worker that only collects them (the rows are filled on the user-interface thread when it is done), the
// disk images the user opened, the current selection and the record chosen by next. A derived controller
// says which volumes make rows and what comes before them. User-interface thread only, apart from that worker.
#pragma once

#include "controller/DeviceListRefresh.h"
#include "controller/IDeviceListCommands.h"
#include "controller/IWizardPageController.h"
#include "filesystems/partitions/DeviceRecords.h"

#include <cstdint>
#include <list>
#include <memory>
#include <string>
#include <vector>

class IDeviceSelectView;
struct DeviceRow;

class CVolumeDeviceSelectController : public IWizardPageController, public IDeviceListCommands {
public:
    static constexpr unsigned kImageOpen = 131;      // "This image file is open!"
    static constexpr unsigned kInvalidImage = 283;   // "This is an invalid image file, please check it!"
    static constexpr unsigned kImageDestroyed = 284; // "This image has been destroyed. "

    // The rows the volumes of an enumeration give, in list order. Runs on the worker: it may touch nothing
    // but the volumes.
    // devices: the kernel's block devices, which name the volumes.
    using RowMaker = std::vector<DeviceRow> (*)(CVolumeDeviceRecordList& volumes,
                                                const std::vector<plat::BlockDeviceInfo>& devices);

    // imageRowPrefix: the string before an image row's name.
    CVolumeDeviceSelectController(RowMaker rows, unsigned imageRowPrefix);
    ~CVolumeDeviceSelectController() override;

    // The page (not owned); null detaches it and waits for a running enumeration.
    void SetPage(IDeviceSelectView* page);
    IDeviceSelectView* GetPage() const { return m_page; }

    // IDeviceListCommands: the enumeration lists the machine's volumes.
    void RefreshDeviceList() override;
    void CreateDiskImage() override;
    void OpenDiskImage() override;
    // Ctrl+O: the volumes of a raw sector image (its partitions, or the whole file) join the list as image rows.
    void OpenRawImageFile() override;
    void RemoveSelectedImage() override;
    int UpdateSelection() override;
    int IsImageSelected() override;

    // Nonzero when the drive of that letter lies on the volume chosen by next.
    int IsDriveOnSelectedSource(char driveLetter);
    // Adds an opened image: refused with a message when its path is listed already or its slices do not
    // hold together; its file system is read from its own first sectors. True when it was added.
    bool AddImageRecord(const std::string& path);
    // Adds the volumes of a raw sector image file as image rows; the records added (none when the file cannot
    // be read, with a message, or holds no volume).
    std::vector<VolumeDeviceRecord*> AddRawImageVolumes(const std::string& path);

    // Releases every image record and its device.
    void ReleaseImages();

    bool IsRefreshing() const { return m_refresh.IsRefreshing(); }
    // Waits for a running enumeration (tests and shut-down); the caller's event loop delivers its rows.
    void WaitForRefresh();
    const CVolumeDeviceRecordList& GetVolumes() const { return m_volumes; }
    size_t GetImageCount() const { return m_images.size(); }
    const VolumeDeviceRecord* GetChosenRecord() const { return m_chosen; }

protected:
    // Rows shown before the volumes (on the interface thread, after the list was emptied).
    virtual void AddLeadingRows() {}

    // Stops a running enumeration and releases the volumes and disks of the last one (images stay).
    void ReleaseDevices();
    // The record of the selected row, null without one.
    VolumeDeviceRecord* SelectedRecord();
    // Whether the record is a volume of a raw image opened by Ctrl+O (an image row named after the file).
    bool IsRawImageRecord(const VolumeDeviceRecord* record) const;
    // What a person knows the record by: its Linux device ("sdb1"), or an image's name.
    std::string DeviceNameOf(const VolumeDeviceRecord& record);
    // The volumes of the last enumeration (a restored state finds its volume among them).
    CVolumeDeviceRecordList& Volumes() { return m_volumes; }

    IDeviceSelectView* m_page = nullptr;
    VolumeDeviceRecord* m_chosen = nullptr;

private:
    struct Enumeration;
    struct ImageEntry;

    void ReleaseVolumes();
    void OnEnumerated(Enumeration& result);
    void AddImageRow(const ImageEntry& image);

    const RowMaker m_makeRows;
    const unsigned m_imageRowPrefix;
    // Raw image files opened by Ctrl+O; the windows of their volumes (image rows) read through them, so they
    // go after the image list.
    std::list<std::unique_ptr<IStorageDevice>> m_rawImages;
    CStorageDeviceList m_disks;
    CVolumeDeviceRecordList m_volumes;
    std::list<ImageEntry> m_images;
    uint32_t m_nextImageNumber = 0;
    void* m_selection = nullptr;
    CDeviceListRefresh m_refresh;
};
