// The outcome of a saving job or of one saved file, and the counts a folder job keeps.
#pragma once

#include <cstdint>
#include <string>

enum : int {
    kRecoverSaved = 0,
    kRecoverFailed = 1,
    kRecoverCancelled = 2,
    // The job ran to its end but some files failed or came back with unreadable parts.
    kRecoverPartial = 3,
};

class RecoverResult {
public:
    int Get() const { return m_code; }
    void Set(int code) { m_code = code; }
    void Reset() { m_code = kRecoverSaved; }

private:
    int m_code = kRecoverSaved;
};

// What a folder job did, file by file.
struct RecoverCounts {
    int filesSaved = 0;   // partial ones included
    int filesPartial = 0; // saved, but some bytes could not be read from the source and are zeros
    int filesFailed = 0;  // not saved (a file of a folder that could not be made included)
    int foldersFailed = 0;
    uint64_t unreadableBytes = 0;
    // Why the first file or folder that failed was not saved ("No space left on device", ...); empty when none
    // failed.
    std::string firstReason;

    // Counts a failure with its reason (the first reason is kept).
    void NoteReason(const std::string& reason)
    {
        if (firstReason.empty()) firstReason = reason;
    }
    // Adds the counts of another job (its reason counts when this one has none yet).
    void Add(const RecoverCounts& other)
    {
        filesSaved += other.filesSaved;
        filesPartial += other.filesPartial;
        filesFailed += other.filesFailed;
        foldersFailed += other.foldersFailed;
        unreadableBytes += other.unreadableBytes;
        NoteReason(other.firstReason);
    }
};
