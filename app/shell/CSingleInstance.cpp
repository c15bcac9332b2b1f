// The single-instance lock.
#include "app/shell/CSingleInstance.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

CSingleInstance::~CSingleInstance()
{
    Release();
}

CSingleInstance::Result CSingleInstance::Acquire(const std::filesystem::path& folder, const std::string& name)
{
    Release();
    if (folder.empty()) return Result::kFailed;
    const std::string path = (folder / (name + ".lock")).string();
    const int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
    if (fd < 0) return Result::kFailed;
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        const int err = errno;
        ::close(fd);
        return err == EWOULDBLOCK ? Result::kAlreadyRunning : Result::kFailed;
    }
    m_fd = fd;
    return Result::kAcquired;
}

void CSingleInstance::Release()
{
    if (m_fd >= 0) {
        ::close(m_fd);
        m_fd = -1;
    }
}
