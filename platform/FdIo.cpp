// Read and write loops over a descriptor that survive signals and short transfers.
#include "platform/FdIo.h"

#include <cerrno>
#include <unistd.h>

namespace plat {

FdTransfer ReadFull(int fd, void* buffer, size_t size, int64_t offset)
{
    auto* out = static_cast<char*>(buffer);
    FdTransfer t;
    while (t.done < size) {
        const ssize_t got = offset < 0 ? ::read(fd, out + t.done, size - t.done)
                                       : ::pread(fd, out + t.done, size - t.done, off_t(offset) + off_t(t.done));
        if (got < 0) {
            if (errno == EINTR) continue;
            t.error = errno;
            break;
        }
        if (got == 0) break;
        t.done += size_t(got);
    }
    return t;
}

FdTransfer WriteFull(int fd, const void* data, size_t size, int64_t offset)
{
    const auto* in = static_cast<const char*>(data);
    FdTransfer t;
    while (t.done < size) {
        const ssize_t put = offset < 0 ? ::write(fd, in + t.done, size - t.done)
                                       : ::pwrite(fd, in + t.done, size - t.done, off_t(offset) + off_t(t.done));
        if (put < 0) {
            if (errno == EINTR) continue;
            t.error = errno;
            break;
        }
        if (put == 0) break;
        t.done += size_t(put);
    }
    return t;
}

} // namespace plat
