// Appending lines to "Ext2Error.log" in the current folder.
#include "filesystems/ext2/LogExt2Error.h"

#include "filesystems/ext2/Ext2Exceptions.h"

#include <fcntl.h>
#include <unistd.h>

#include <string>

void LogExt2Error(const char* text)
{
    if (!text) return;
    const int fd = ::open("Ext2Error.log", O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0644);
    if (fd < 0) return;
    std::string line(text);
    line += '\n';
    const char* p = line.data();
    size_t left = line.size();
    while (left > 0) {
        const ssize_t n = ::write(fd, p, left);
        if (n <= 0) break;
        p += n;
        left -= size_t(n);
    }
    ::close(fd);
}

void LogExt2Exception(const std::exception& e)
{
    LogExt2Error(Ext2ExceptionTypeName(e).c_str());
    LogExt2Error(e.what());
}
