// Windows-style error numbers, a per-thread last error, and the mapping from errno.
// Callers branch on these numbers (8 out of memory, 21 not ready, 23 data error, 87 bad parameter...).
#pragma once

#include <cstdint>
#include <string>

namespace plat {

enum WinError : uint32_t {
    kErrSuccess = 0,
    kErrInvalidFunction = 1,
    kErrFileNotFound = 2,
    kErrPathNotFound = 3,
    kErrTooManyOpenFiles = 4,
    kErrAccessDenied = 5,
    kErrInvalidHandle = 6,
    kErrNotEnoughMemory = 8,
    kErrInvalidData = 13,
    kErrOutOfMemory = 14,
    kErrNotSameDevice = 17,
    kErrNoMoreFiles = 18,
    kErrWriteProtect = 19,
    kErrNotReady = 21,
    kErrBadCommand = 22,
    kErrCrc = 23, // data error: an unreadable sector
    kErrSeek = 25,
    kErrSectorNotFound = 27,
    kErrWriteFault = 29,
    kErrReadFault = 30,
    kErrGenFailure = 31,
    kErrSharingViolation = 32,
    kErrLockViolation = 33,
    kErrHandleEof = 38,
    kErrNotSupported = 50,
    kErrFileExists = 80,
    kErrInvalidParameter = 87,
    kErrBrokenPipe = 109,
    kErrDiskFull = 112,
    kErrInsufficientBuffer = 122,
    kErrInvalidName = 123,
    kErrDirNotEmpty = 145,
    kErrBusy = 170,
    kErrAlreadyExists = 183,
    kErrFilenameExcedRange = 206,
    kErrFileTooLarge = 223,
    kErrMoreData = 234,
    kErrWaitTimeout = 258,
    kErrNoMoreItems = 259,
    kErrDirectory = 267,
    kErrOperationAborted = 995,
    kErrNoAccess = 998,
    kErrIoDevice = 1117,
    kErrNoMediaInDrive = 1112,
    kErrDeviceNotConnected = 1167,
    kErrCancelled = 1223,
    kErrTimeout = 1460,
    kErrFunctionFailed = 1627,
    kErrCantResolveFilename = 1921,
};

// The Windows number for an errno value; 0 for 0, kErrFunctionFailed for values without a closer match.
uint32_t ErrorFromErrno(int err);

// The calling thread's last error, as the Windows services keep it.
uint32_t GetLastError();
void SetLastError(uint32_t code);
// Sets the last error from errno (or from the given errno value) and returns the number stored.
uint32_t SetLastErrorFromErrno();
uint32_t SetLastErrorFromErrno(int err);

// A short English description ("Not ready (21)"), for logs and messages.
std::string ErrorText(uint32_t code);

} // namespace plat
