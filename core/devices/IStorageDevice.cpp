// Base construction and destruction of every sector device, and the lazily made 512-byte view.
#include "core/devices/IStorageDevice.h"

#include "core/devices/CSimulateStorageDevice.h"

IStorageDevice::IStorageDevice() = default;

IStorageDevice::~IStorageDevice() = default;

IStorageDevice* IStorageDevice::GetAs512SectorDevice()
{
    if (GetSectorSize() == 512) return this;
    std::lock_guard<std::mutex> guard(m_viewLock);
    if (!m_view512) m_view512 = std::make_unique<CSimulateStorageDevice>(this);
    return m_view512.get();
}
