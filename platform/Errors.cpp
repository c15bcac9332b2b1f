// errno to Windows error mapping and the per-thread last error.
#include "platform/Errors.h"

#include <cerrno>
#include <cstdio>

namespace plat {

namespace {
thread_local uint32_t t_lastError = 0;
} // namespace

uint32_t ErrorFromErrno(int err)
{
    switch (err) {
    case 0: return kErrSuccess;
    case ENOENT: return kErrFileNotFound;
    case ENOTDIR: return kErrPathNotFound;
    case EMFILE:
    case ENFILE: return kErrTooManyOpenFiles;
    case EACCES:
    case EPERM: return kErrAccessDenied;
    case EBADF: return kErrInvalidHandle;
    case ENOMEM: return kErrNotEnoughMemory;
    case EXDEV: return kErrNotSameDevice;
    case EROFS: return kErrWriteProtect;
    case ENXIO:
    case ENODEV: return kErrNotReady;
    case ENOMEDIUM: return kErrNoMediaInDrive;
    case EIO: return kErrCrc;
    case ESPIPE: return kErrSeek;
    case EBUSY: return kErrBusy;
    case EAGAIN: return kErrLockViolation;
    case ENOSYS:
    case EOPNOTSUPP:
    case ENOTTY: return kErrNotSupported;
    case EEXIST: return kErrFileExists;
    case EINVAL:
    case E2BIG: return kErrInvalidParameter;
    case EPIPE: return kErrBrokenPipe;
    case ENOSPC:
    case EDQUOT: return kErrDiskFull;
    case ERANGE: return kErrInsufficientBuffer;
    case ENOTEMPTY: return kErrDirNotEmpty;
    case ENAMETOOLONG: return kErrFilenameExcedRange;
    case EFBIG:
    case EOVERFLOW: return kErrFileTooLarge;
    case EISDIR: return kErrDirectory;
    case EINTR:
    case ECANCELED: return kErrOperationAborted;
    case EFAULT: return kErrNoAccess;
    case ETIMEDOUT: return kErrTimeout;
    case ELOOP: return kErrCantResolveFilename;
    case EILSEQ: return kErrInvalidData;
    default: return kErrFunctionFailed;
    }
}

uint32_t GetLastError()
{
    return t_lastError;
}

void SetLastError(uint32_t code)
{
    t_lastError = code;
}

uint32_t SetLastErrorFromErrno()
{
    return SetLastErrorFromErrno(errno);
}

uint32_t SetLastErrorFromErrno(int err)
{
    t_lastError = ErrorFromErrno(err);
    return t_lastError;
}

std::string ErrorText(uint32_t code)
{
    const char* text = nullptr;
    switch (code) {
    case kErrSuccess: text = "Success"; break;
    case kErrFileNotFound: text = "File not found"; break;
    case kErrPathNotFound: text = "Path not found"; break;
    case kErrTooManyOpenFiles: text = "Too many open files"; break;
    case kErrAccessDenied: text = "Access denied"; break;
    case kErrInvalidHandle: text = "Invalid handle"; break;
    case kErrNotEnoughMemory: text = "Not enough memory"; break;
    case kErrWriteProtect: text = "Write protected"; break;
    case kErrNotReady: text = "Not ready"; break;
    case kErrCrc: text = "Data error"; break;
    case kErrSharingViolation: text = "Sharing violation"; break;
    case kErrNotSupported: text = "Not supported"; break;
    case kErrFileExists: text = "File exists"; break;
    case kErrInvalidParameter: text = "Invalid parameter"; break;
    case kErrDiskFull: text = "Disk full"; break;
    case kErrInsufficientBuffer: text = "Buffer too small"; break;
    case kErrAlreadyExists: text = "Already exists"; break;
    case kErrFilenameExcedRange: text = "File name too long"; break;
    case kErrCancelled: text = "Cancelled"; break;
    case kErrFunctionFailed: text = "Function failed"; break;
    default: text = "Error"; break;
    }
    char buf[96];
    std::snprintf(buf, sizeof buf, "%s (%u)", text, unsigned(code));
    return buf;
}

} // namespace plat
