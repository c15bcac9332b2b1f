// CFileHandle on POSIX descriptors (O_CLOEXEC; read-only opens never ask for write access).
#include "core/CFileHandle.h"

#include "platform/Errors.h"
#include "platform/FdIo.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

CFileHandle::CFileHandle(const char* path, unsigned mode)
{
    Open(path, mode);
}

CFileHandle::~CFileHandle()
{
    Close();
}

bool CFileHandle::Open(const char* path, unsigned mode)
{
    Close();
    int flags = 0;
    switch (mode) {
    case kRead: flags = O_RDONLY; break;
    case kWrite: flags = O_WRONLY; break;
    case kReadWrite: flags = O_RDWR; break;
    case kCreateAlways: flags = O_RDWR | O_CREAT | O_TRUNC; break;
    case kOpenAlways: flags = O_RDWR | O_CREAT; break;
    default: plat::SetLastError(plat::kErrInvalidParameter); return false;
    }
    if (!path || !*path) {
        plat::SetLastError(plat::kErrPathNotFound);
        return false;
    }
    do {
        m_fd = ::open(path, flags | O_CLOEXEC, 0644);
    } while (m_fd < 0 && errno == EINTR);
    if (m_fd < 0) {
        plat::SetLastErrorFromErrno();
        return false;
    }
    struct stat st {};
    if (::fstat(m_fd, &st) == 0 && S_ISDIR(st.st_mode)) {
        ::close(m_fd);
        m_fd = -1;
        plat::SetLastError(plat::kErrAccessDenied);
        return false;
    }
    plat::SetLastError(0);
    return true;
}

void CFileHandle::Close()
{
    if (m_fd >= 0) {
        ::close(m_fd);
        m_fd = -1;
    }
}

uint32_t CFileHandle::Read(void* buffer, uint32_t n)
{
    if (m_fd < 0 || !buffer) {
        plat::SetLastError(plat::kErrInvalidHandle);
        return 0;
    }
    const plat::FdTransfer t = plat::ReadFull(m_fd, buffer, n);
    if (t.error) plat::SetLastErrorFromErrno(t.error);
    return uint32_t(t.done);
}

bool CFileHandle::Write(const void* buffer, uint32_t n)
{
    if (m_fd < 0 || (!buffer && n)) {
        plat::SetLastError(plat::kErrInvalidHandle);
        return false;
    }
    const plat::FdTransfer t = plat::WriteFull(m_fd, buffer, n);
    if (t.done == n) return true;
    if (t.error)
        plat::SetLastErrorFromErrno(t.error);
    else
        plat::SetLastError(plat::kErrDiskFull);
    return false;
}

bool CFileHandle::WriteLine(const char* text, uint32_t n)
{
    if (n == 0) return true;
    if (!Write(text, n)) return false;
    if (n >= 2 && text[n - 2] == '\r' && text[n - 1] == '\n') return true;
    return Write("\r\n", 2);
}

uint32_t CFileHandle::ReadLine(char* buffer, uint32_t n)
{
    if (m_fd < 0 || !buffer || n == 0) return 0;
    uint32_t count = 0;
    while (count < n) {
        char c;
        if (Read(&c, 1) != 1) break;
        buffer[count++] = c;
        if (c == '\n') break;
    }
    if (count > 0) buffer[count] = '\0';
    return count;
}

bool CFileHandle::Seek64(uint64_t position)
{
    if (m_fd < 0 || position > uint64_t(INT64_MAX)) {
        plat::SetLastError(m_fd < 0 ? plat::kErrInvalidHandle : plat::kErrInvalidParameter);
        return false;
    }
    if (::lseek(m_fd, off_t(position), SEEK_SET) < 0) {
        plat::SetLastErrorFromErrno();
        return false;
    }
    return true;
}

bool CFileHandle::SeekToBegin()
{
    return Seek64(0);
}

uint32_t CFileHandle::SeekToEnd()
{
    if (m_fd < 0) return 0;
    off_t pos = ::lseek(m_fd, 0, SEEK_END);
    if (pos < 0) {
        plat::SetLastErrorFromErrno();
        return 0;
    }
    return uint32_t(uint64_t(pos));
}

bool CFileHandle::QueryPosition(uint64_t& position) const
{
    if (m_fd < 0) return false;
    off_t pos = ::lseek(m_fd, 0, SEEK_CUR);
    if (pos < 0) return false;
    position = uint64_t(pos);
    return true;
}

uint64_t CFileHandle::GetPosition() const
{
    uint64_t pos = 0;
    return QueryPosition(pos) ? pos : ~uint64_t(0);
}

bool CFileHandle::GetSize(uint64_t& size) const
{
    struct stat st {};
    if (m_fd < 0 || ::fstat(m_fd, &st) != 0) return false;
    size = uint64_t(st.st_size);
    return true;
}
