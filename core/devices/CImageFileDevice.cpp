// Raw image file device.
#include "core/devices/CImageFileDevice.h"

#include "core/CRecoverySettings.h"
#include "platform/Errors.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <limits>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// Why a file of this type cannot serve as an image; empty for a regular file or a block device.
std::string RefusedType(mode_t mode)
{
    if (S_ISREG(mode) || S_ISBLK(mode)) return {};
    if (S_ISDIR(mode)) return std::strerror(EISDIR);
    if (S_ISFIFO(mode)) return "a FIFO, not a disk image";
    if (S_ISSOCK(mode)) return "a socket, not a disk image";
    if (S_ISCHR(mode)) return "a character device, not a disk image";
    return "not a regular file or block device";
}

// Checks the path without blocking: a FIFO opened for reading would wait for a writer for ever, so its
// type is looked at first and the probe itself is opened O_NONBLOCK. Empty when the path can be opened.
std::string ProbeImage(const std::string& path)
{
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0) return std::strerror(errno);
    if (std::string refused = RefusedType(st.st_mode); !refused.empty()) return refused;
    int fd;
    do {
        fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    } while (fd < 0 && errno == EINTR);
    if (fd < 0) return std::strerror(errno);
    std::string refused;
    if (::fstat(fd, &st) != 0)
        refused = std::strerror(errno);
    else
        refused = RefusedType(st.st_mode); // replaced since the first look
    ::close(fd);
    return refused;
}

} // namespace

CImageFileDevice::CImageFileDevice(const std::string& path, BlockFilter filter) : m_filter(std::move(filter))
{
    m_sectorSize = 512;
    if (path.size() >= 1 && path.size() <= kMaxPath)
        m_path = path;
    else
        m_openError = path.empty() ? std::strerror(ENOENT) : std::strerror(ENAMETOOLONG);
    Open();
}

CImageFileDevice::CImageFileDevice(const char* path)
{
    m_sectorSize = 512;
    if (!path) return;
    const size_t length = std::strlen(path);
    if (length >= 1 && length <= kMaxPath)
        m_path = path;
    else
        m_openError = length ? std::strerror(ENAMETOOLONG) : std::strerror(ENOENT);
    Open();
}

CImageFileDevice::~CImageFileDevice()
{
    Close();
}

bool CImageFileDevice::Open()
{
    if (m_path.empty()) return false;
    m_handle.reset();
    m_openError = ProbeImage(m_path);
    if (!m_openError.empty()) return false;
    uint32_t error = 0;
    std::unique_ptr<plat::IBlockDevice> handle = plat::BlockDevice::Open(m_path, &error);
    if (!handle) m_openError = plat::ErrorText(error);
    if (handle && m_filter) handle = m_filter(std::move(handle));
    m_handle = std::move(handle);
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
        return false; // no buffer can be that large; leave it alone
    const size_t bytes = static_cast<size_t>(sectorCount * 512);
    auto* out = static_cast<uint8_t*>(buffer);
    const bool skip = GetRecoverySettings()->m_ignoreBadSectors != 0;
    // Sectors recorded as unreadable are not read again: the map reads around them.
    if (m_handle && skip && m_badSectors.GetRangeCount() != 0 && sectorCount < (uint64_t(1) << 32) / 512)
        return m_badSectors.ReadSector(m_handle.get(), out, firstSector, sectorCount, skip, nullptr);
    size_t got = 0;
    bool ok = false;
    uint32_t error = 0;
    if (m_handle && firstSector <= std::numeric_limits<uint64_t>::max() / 512)
        ok = m_handle->ReadAt(firstSector * 512, out, bytes, &got, &error);
    if (got > bytes) got = bytes;
    std::memset(out + got, 0, bytes - got);
    if (ok) return got == bytes; // short: the request runs past the end of the file
    // An I/O error (the file lies on a failing disk): the map reads again around the sectors that fail.
    if (m_handle && error != 0 && error != plat::kErrNotReady && sectorCount < (uint64_t(1) << 32) / 512)
        return m_badSectors.ReadSector(m_handle.get(), out, firstSector, sectorCount, skip, nullptr);
    return false;
}

uint64_t CImageFileDevice::GetSectorCount()
{
    uint64_t length = 0;
    if (!m_handle || !m_handle->GetLength(&length)) return 0;
    return length / 512;
}
