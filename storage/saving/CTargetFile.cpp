// Target files written below an open folder.
#include "storage/saving/CTargetFile.h"

#include "platform/FdIo.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <random>

namespace {
constexpr int kCreateFlags = O_RDWR | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC;
constexpr int kTemporaryAttempts = 100;
} // namespace

CTargetFile::CTargetFile(int folderFd, std::string name, UniqueFd fd)
    : m_folderFd(folderFd), m_name(std::move(name)), m_fd(std::move(fd))
{
}

CTargetFile CTargetFile::CreateNew(int folderFd, const std::string& name)
{
    const int fd = ::openat(folderFd, name.c_str(), kCreateFlags, 0666);
    if (fd < 0) return {};
    return CTargetFile(folderFd, name, UniqueFd(fd));
}

CTargetFile CTargetFile::CreateTemporary(int folderFd, const std::string& prefix)
{
    static thread_local std::mt19937_64 random{std::random_device{}()};
    for (int attempt = 0; attempt < kTemporaryAttempts; ++attempt) {
        char suffix[32];
        std::snprintf(suffix, sizeof suffix, "%016llx.tmp", static_cast<unsigned long long>(random()));
        CTargetFile file = CreateNew(folderFd, prefix + suffix);
        if (file.IsOpen() || errno != EEXIST) return file;
    }
    return {};
}

bool CTargetFile::Flush()
{
    if (!m_fd) return false;
    if (m_pendingZeros == 0) return true;
    const uint64_t end = m_position + m_pendingZeros;
    if (end > uint64_t(INT64_MAX)) {
        errno = EFBIG;
        return false;
    }
    if (::ftruncate(m_fd.Get(), off_t(end)) != 0 || ::lseek(m_fd.Get(), off_t(end), SEEK_SET) < 0) return false;
    m_position = end;
    m_pendingZeros = 0;
    return true;
}

bool CTargetFile::TruncateTo(uint64_t size)
{
    if (!m_fd || size > Size()) return false;
    if (size <= m_position) {
        if (::ftruncate(m_fd.Get(), off_t(size)) != 0 || ::lseek(m_fd.Get(), off_t(size), SEEK_SET) < 0) return false;
        m_position = size;
        m_pendingZeros = 0;
    } else {
        m_pendingZeros = size - m_position;
    }
    return true;
}

bool CTargetFile::Write(const void* data, size_t count)
{
    if (!m_fd) {
        errno = EBADF;
        return false;
    }
    if (m_pendingZeros) {
        // Past the end of the file: the skipped range reads as zeros.
        const uint64_t at = m_position + m_pendingZeros;
        if (at > uint64_t(INT64_MAX) || ::lseek(m_fd.Get(), off_t(at), SEEK_SET) < 0) return false;
        m_position = at;
        m_pendingZeros = 0;
    }
    const plat::FdTransfer wrote = plat::WriteFull(m_fd.Get(), data, count);
    m_position += wrote.done;
    if (wrote.done == count) return true;
    errno = wrote.error ? wrote.error : ENOSPC; // a write that moved nothing: no room
    return false;
}

bool CTargetFile::Close()
{
    if (!m_fd) return false;
    const bool flushed = Flush();
    const bool closed = m_fd.Reset();
    return flushed && closed;
}

bool CTargetFile::CloseOrDiscard()
{
    if (!m_fd) return false;
    if (!Flush()) {
        const int error = errno;
        Discard();
        errno = error;
        return false;
    }
    struct stat mine {};
    const bool known = ::fstat(m_fd.Get(), &mine) == 0;
    if (m_fd.Reset()) return true;
    const int error = errno;
    if (known) UnlinkIfSame(mine);
    errno = error;
    return false;
}

void CTargetFile::UnlinkIfSame(const struct stat& mine)
{
    // Only unlink when the name still denotes this file.
    struct stat there {};
    if (::fstatat(m_folderFd, m_name.c_str(), &there, AT_SYMLINK_NOFOLLOW) == 0 && mine.st_dev == there.st_dev &&
        mine.st_ino == there.st_ino)
        ::unlinkat(m_folderFd, m_name.c_str(), 0);
}

void CTargetFile::Discard()
{
    if (!m_fd) return;
    struct stat mine {};
    if (::fstat(m_fd.Get(), &mine) == 0) UnlinkIfSame(mine);
    m_fd.Reset();
}

bool CTargetFile::RenameOver(const std::string& target)
{
    if (!m_fd) return false;
    if (::renameat(m_folderFd, m_name.c_str(), m_folderFd, target.c_str()) != 0) return false;
    m_name = target;
    return true;
}
