// Raw image file device.
#include "core/devices/CImageFileDevice.h"

#include <cstring>
#include <limits>

CImageFileDevice::CImageFileDevice(const char* path)
{
    m_sectorSize = 512;
    if (!path)
        return;
    const size_t length = std::strlen(path);
    if (length >= 1 && length <= kMaxPath)
        m_path = path;
    Open();
}

CImageFileDevice::~CImageFileDevice()
{
    Close();
}

bool CImageFileDevice::Open()
{
    if (m_path.empty())
        return false;
    m_handle.reset();
    m_handle = plat::BlockDevice::Open(m_path);
    return m_handle != nullptr;
}

bool CImageFileDevice::Close()
{
    m_handle.reset();
    return true;
}

bool CImageFileDevice::ReadSectors(void* buffer, uint64_t firstSector, uint64_t sectorCount)
{
    if (sectorCount > std::numeric_limits<size_t>::max() / 512)
        return false;  // no buffer can be that large; leave it alone
    const size_t bytes = static_cast<size_t>(sectorCount * 512);
    auto* out = static_cast<uint8_t*>(buffer);
    size_t got = 0;
    bool ok = false;
    if (m_handle && firstSector <= std::numeric_limits<uint64_t>::max() / 512) {
        uint32_t error = 0;
        ok = m_handle->ReadAt(firstSector * 512, out, bytes, &got, &error);
    }
    if (got > bytes)
        got = bytes;
    std::memset(out + got, 0, bytes - got);
    return ok && got == bytes;
}

uint64_t CImageFileDevice::GetSectorCount()
{
    uint64_t length = 0;
    if (!m_handle || !m_handle->GetLength(&length))
        return 0;
    return length / 512;
}
