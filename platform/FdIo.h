// Whole transfers on a file descriptor: the loops that retry after a signal (EINTR) and go on after a short
// read or write, in one place.
#pragma once

#include <cstddef>
#include <cstdint>

namespace plat {

// How a transfer ended: the bytes moved, and the errno of the call that failed (0 when every byte moved, or
// when the file ended (read) or the call moved nothing (write) first).
struct FdTransfer {
    size_t done = 0;
    int error = 0;
};

// At offset with pread/pwrite; at the descriptor's position with read/write when offset is negative.
FdTransfer ReadFull(int fd, void* buffer, size_t size, int64_t offset = -1);
FdTransfer WriteFull(int fd, const void* data, size_t size, int64_t offset = -1);

} // namespace plat
