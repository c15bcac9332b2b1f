// The progress and cancel interface between a saving job and whoever shows it (a progress dialog, the
// thumbnail loader, a preview, the headless harness). Called on the job's thread.
#pragma once

#include <cstdint>

// Every operation returns -1 once the user has cancelled (and keeps doing so), anything else to go on.
class IFileRecoverCallback {
public:
    static constexpr int kCancelled = -1;

    // The size of the whole job; the savers never call it, the job's owner does.
    virtual int Begin(int fileCount, uint64_t totalBytes) = 0;
    // count more files are finished (the saver passes 1 per file).
    virtual int AddFilesDone(int count) = 0;
    // bytes were written to a target file.
    virtual int AddBytesDone(uint64_t bytes) = 0;
    // Takes back bytes that AddBytesDone counted but that are not the file's (the sector padding of an
    // encrypted file). Its answer is not read.
    virtual int SubtractBytes(int bytes) = 0;
    // The found file about to be saved (its own name, not the target path).
    virtual int SetCurrentFile(const char* name) = 0;
    virtual int CheckCancel() = 0;

protected:
    // Never deleted through this interface: the caller owns its implementation.
    ~IFileRecoverCallback() = default;
};
