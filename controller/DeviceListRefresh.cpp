// The worker enumeration of the device pages.
#include "controller/DeviceListRefresh.h"

#include "controller/IDeviceSelectView.h"
#include "core/devices/IStorageDevice.h"
#include "filesystems/partitions/CCollectAllBasicPartitionandDynamicVolume.h"
#include "filesystems/partitions/CCollectDiskDevice.h"
#include "platform/Log.h"

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
