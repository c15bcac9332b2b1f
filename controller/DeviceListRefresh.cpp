// The worker enumeration of the device pages.
#include "controller/DeviceListRefresh.h"

#include "controller/IDeviceSelectView.h"
#include "core/devices/CDiskDevice.h"
#include "core/devices/IStorageDevice.h"
#include "filesystems/partitions/CCollectAllBasicPartitionandDynamicVolume.h"
#include "filesystems/partitions/CCollectDiskDevice.h"
#include "platform/Log.h"

#include <filesystem>
#include <set>

CDeviceListRefresh::~CDeviceListRefresh()
{
    ++*m_generation;
    WaitForWorker();
}

void CDeviceListRefresh::WaitForWorker()
{
    if (m_worker.joinable()) m_worker.join();
}

bool CDeviceListRefresh::Begin(IDeviceSelectView* page)
{
    if (!page || m_refreshing) return false;
    m_refreshing = true;
    page->BeginRefresh();
    page->ClearRows();
    WaitForWorker();
    return true;
}

void CDeviceListRefresh::Run(IDeviceSelectView* page, std::function<void()> collect, std::function<void()> deliver)
{
    const uint64_t generation = ++*m_generation;
    std::shared_ptr<std::atomic<uint64_t>> current = m_generation;
    m_worker = std::thread(
        [this, page, generation, current, collect = std::move(collect), deliver = std::move(deliver)]() mutable {
            try {
                collect();
            } catch (...) {
                LogError("Device list: the enumeration failed");
            }
            if (current->load() != generation) return;
            page->PostToInterfaceThread([this, generation, current, deliver = std::move(deliver)] {
                if (current->load() != generation) return;
                WaitForWorker();
                deliver();
                m_refreshing = false;
            });
        });
}

void CDeviceListRefresh::Cancel(IDeviceSelectView* page)
{
    ++*m_generation;
    WaitForWorker();
    if (m_refreshing && page) page->EndRefresh();
    m_refreshing = false;
}

void CDeviceListRefresh::CollectDisksAndVolumes(CStorageDeviceList& disks, CVolumeDeviceRecordList& volumes)
{
    CCollectDiskDevice().CollectDiskDevice(disks);
    if (!disks.empty())
        CCollectAllBasicPartitionandDynamicVolume().CollectAllBasicPartitionandDynamicVolume(disks, volumes);
}

uint32_t CDeviceListRefresh::RowSectorSize(IStorageDevice* device)
{
    const int64_t size = device ? device->GetSectorSize() : 0;
    return size > 0 && size <= 4096 && size % 512 == 0 ? uint32_t(size) : 0;
}

void* CDeviceListRefresh::SelectedItem(IDeviceSelectView* page)
{
    if (!page) return nullptr;
    const int row = page->GetSelectedRow();
    return row >= 0 ? page->GetRowItem(row) : nullptr;
}

std::vector<UnreadableDevice> CDeviceListRefresh::CollectUnreadable(const CStorageDeviceList& disks,
                                                                    const std::vector<plat::BlockDeviceInfo>& devices)
{
    std::set<std::string> opened;
    for (IStorageDevice* disk : disks)
        if (const auto* d = dynamic_cast<const CDiskDevice*>(disk)) opened.insert(d->GetDevicePath());
    std::vector<UnreadableDevice> out;
    const std::vector<plat::DiskEntry> entries = plat::ListDisks();
    for (size_t index = 0; index < entries.size(); ++index) {
        const plat::DiskEntry& entry = entries[index];
        if (opened.count(entry.path)) continue;
        std::string reason = plat::OpenFailureReason(entry.path);
        if (reason.empty())
            reason = index >= size_t(CDiskDevice::kMaxDisks) ? "only the first 20 disks can be read"
                                                             : "it holds no whole sector";
        UnreadableDevice whole;
        whole.name = std::filesystem::path(entry.path).filename().string();
        whole.reason = reason;
        std::vector<UnreadableDevice> parts;
        for (const plat::BlockDeviceInfo& device : devices) {
            if (device.diskPath != entry.path) continue;
            if (!device.partition) {
                whole.name = plat::BlockDeviceDisplayName(device);
                whole.sizeBytes = device.sizeBytes;
                continue;
            }
            UnreadableDevice part;
            part.name = plat::BlockDeviceDisplayName(device);
            part.sizeBytes = device.sizeBytes;
            part.partition = true;
            part.reason = reason;
            parts.push_back(std::move(part));
        }
        if (whole.sizeBytes == 0) {
            std::error_code ec;
            const auto size = std::filesystem::file_size(entry.path, ec);
            if (!ec) whole.sizeBytes = size;
        }
        out.push_back(std::move(whole));
        for (UnreadableDevice& part : parts) out.push_back(std::move(part));
    }
    return out;
}
