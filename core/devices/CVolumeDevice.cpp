// Lettered volume device.
#include "core/devices/CVolumeDevice.h"

#include "core/CRecoverySettings.h"
#include "platform/DriveLetters.h"
#include "platform/Errors.h"

#include <cctype>
#include <sys/statvfs.h>
#include <vector>

namespace {

std::unique_ptr<plat::IBlockDevice> OpenDriveLetter(char letter, std::string* mountPoint, uint32_t* error)
{
    plat::DriveEntry drive;
    if (!plat::FindDrive(letter, &drive)) {
        *error = plat::kErrFileNotFound;
        return nullptr;
    }
    *mountPoint = drive.mountPoint;
    return plat::BlockDevice::Open(drive.devicePath, error);
}

} // namespace

CVolumeDevice::CVolumeDevice(char letter) : CVolumeDevice(letter, OpenDriveLetter) {}

CVolumeDevice::CVolumeDevice(char letter, Opener opener) : m_opener(std::move(opener)), m_letter(letter)
{
    Open();
}

CVolumeDevice::~CVolumeDevice()
{
    Close();
}

bool CVolumeDevice::Open()
{
    const char upper = static_cast<char>(std::toupper(static_cast<unsigned char>(m_letter)));
    if (upper < 'A' || upper > 'Z' || !m_opener) return false;
    m_handle.reset();
    m_sectorSize = 0;
    uint32_t error = 0;
    m_mountPoint.clear();
    m_handle = m_opener(upper, &m_mountPoint, &error);
    if (!m_handle) return false;
    m_badSectors.SetUnit(static_cast<uint32_t>(GetSectorSize()));
    return true;
}

bool CVolumeDevice::Close()
{
    m_handle.reset();
    return true;
}

int32_t CVolumeDevice::GetSectorSize()
{
    if (m_sectorSize <= 0 && m_handle) {
        plat::DiskGeometry g;
        if (!m_handle->GetGeometry(&g) || g.bytesPerSector == 0 || g.bytesPerSector % 512 != 0)
            m_sectorSize = 512;
        else
            m_sectorSize = static_cast<int32_t>(g.bytesPerSector);
    }
    return m_sectorSize;
}

uint64_t CVolumeDevice::GetSectorCount()
{
    uint64_t length = 0;
    if (!m_handle || !m_handle->GetLength(&length)) return 0;
    const int32_t size = GetSectorSize();
    return size > 0 ? length / static_cast<uint64_t>(size) : 0;
}

bool CVolumeDevice::ReadSectors(void* buffer, uint64_t firstSector, uint64_t sectorCount)
{
    uint32_t error = 0;
    const bool skip = GetRecoverySettings()->m_ignoreBadSectors != 0;
    return m_badSectors.ReadSector(m_handle.get(), buffer, firstSector, sectorCount, skip, &error);
}

uint32_t CVolumeDevice::GetMediaType()
{
    plat::DiskGeometry g;
    if (!m_handle || !m_handle->GetGeometry(&g)) return 0;
    return g.mediaType;
}

bool CVolumeDevice::IsReadable()
{
    if (!m_handle) return false;
    if (!m_mountPoint.empty()) {
        struct statvfs st {};
        return ::statvfs(m_mountPoint.c_str(), &st) == 0;
    }
    const int32_t size = GetSectorSize();
    if (size <= 0) return false;
    std::vector<uint8_t> sector(static_cast<size_t>(size));
    size_t got = 0;
    uint32_t error = 0;
    return m_handle->ReadAt(0, sector.data(), sector.size(), &got, &error) && got == sector.size();
}
