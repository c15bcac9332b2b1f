// The enumeration behind a device page's list: the machine's devices are collected on a worker that touches
// nothing else, and what it found is handed to the user-interface thread by the page's message port. A newer
// refresh, a cancel or a detached page makes a result still under way stale: it is dropped, never delivered.
// User-interface thread only, apart from the worker.
#pragma once

#include "filesystems/partitions/DeviceRecords.h"

#include "platform/DiskTable.h"

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <thread>
#include <vector>

class IDeviceSelectView;
class IStorageDevice;

// A device of the disk list that could not be opened, or a partition of one, with the system's reason.
struct UnreadableDevice {
    std::string name; // "vda", "vda1", "loop0: disk.img", or an image file's name
    uint64_t sizeBytes = 0;
    bool partition = false;
    std::string reason; // "Permission denied"
};

class CDeviceListRefresh {
public:
    CDeviceListRefresh() = default;
    CDeviceListRefresh(const CDeviceListRefresh&) = delete;
    CDeviceListRefresh& operator=(const CDeviceListRefresh&) = delete;
    // A running worker is waited for; its result is dropped.
    ~CDeviceListRefresh();

    // Starts a refresh of the page: the wait window shows, the rows go and the last worker is waited for.
    // False (and nothing done) without a page or while a refresh runs.
    bool Begin(IDeviceSelectView* page);
    // Runs collect on the worker (an exception is logged and ends it early), then deliver on the
    // user-interface thread unless the refresh became stale meanwhile. Follows Begin.
    void Run(IDeviceSelectView* page, std::function<void()> collect, std::function<void()> deliver);
    // Drops a result under way and waits for the worker; a page still waiting gets its EndRefresh.
    void Cancel(IDeviceSelectView* page);
    // Waits for the worker (its result is queued to the page's event loop, which delivers it).
    void WaitForWorker();
    bool IsRefreshing() const { return m_refreshing; }

    // The machine's disks and the volumes on them, as the worker collects them.
    static void CollectDisksAndVolumes(CStorageDeviceList& disks, CVolumeDeviceRecordList& volumes);
    // The disks of the disk list (SALVIX_DISKS or the kernel's) that are not among the opened ones, each with
    // its partitions as the kernel shows them, and why they could not be opened.
    static std::vector<UnreadableDevice> CollectUnreadable(const CStorageDeviceList& disks,
                                                           const std::vector<plat::BlockDeviceInfo>& devices);
    // The sector size a list row shows for a device: its own when plausible, else 0 (the list's default).
    static uint32_t RowSectorSize(IStorageDevice* device);
    // The record of the page's selected row; null without a page, a selection or a record.
    static void* SelectedItem(IDeviceSelectView* page);

private:
    std::thread m_worker;
    bool m_refreshing = false;
    // A posted result belongs to the refresh of this number; older ones are dropped.
    std::shared_ptr<std::atomic<uint64_t>> m_generation = std::make_shared<std::atomic<uint64_t>>(0);
};
