// A file being written below an open folder: created only where nothing exists (O_EXCL, no symlink ever
// followed), written in order with runs of zeros left as holes, and replaced only by renaming inside the
// same folder.
#pragma once

#include "storage/saving/UniqueFd.h"

#include <cstddef>
#include <cstdint>
#include <string>

struct stat;

class CTargetFile {
public:
    CTargetFile() = default;
    // Takes over an open descriptor of the entry name in the folder (the folder descriptor is not owned).
    CTargetFile(int folderFd, std::string name, UniqueFd fd);
    CTargetFile(CTargetFile&&) = default;
    CTargetFile& operator=(CTargetFile&&) = default;

    // Creates name in the folder for reading and writing; fails (errno set) when anything of that name
    // exists, a symlink included.
    static CTargetFile CreateNew(int folderFd, const std::string& name);
    // Creates a new file of a name of its own in the folder, beginning with prefix.
    static CTargetFile CreateTemporary(int folderFd, const std::string& prefix);

    bool IsOpen() const { return bool(m_fd); }
    int Fd() const { return m_fd.Get(); }
    int FolderFd() const { return m_folderFd; }
    const std::string& Name() const { return m_name; }
    // Bytes written or skipped so far.
    uint64_t Size() const { return m_position + m_pendingZeros; }

    // Appends; false (errno set) when not all bytes could be written.
    bool Write(const void* data, size_t count);
    // Appends count zero bytes without writing them (they become a hole, or are written by the file system).
    void Zeros(uint64_t count) { m_pendingZeros += count; }
    // Cuts the file back to size bytes (at most its size so far); writing goes on from there.
    bool TruncateTo(uint64_t size);
    // Gives zeros still pending their place in the file (the end of a file that ends in a hole).
    bool Flush();
    // Flushes and closes; false when either failed (a delayed write error included).
    bool Close();
    // Closes; when the last writes fail (flush or a delayed error of close) the entry is removed instead, as
    // by Discard. False then (errno of the failure kept).
    bool CloseOrDiscard();
    // Removes the entry (when it is still this file's name) and closes.
    void Discard();
    // Moves this file over the entry target of the same folder, replacing that entry (never what a symlink
    // there points to); the file keeps its descriptor and takes the new name.
    bool RenameOver(const std::string& target);

private:
    void UnlinkIfSame(const struct stat& mine);

    int m_folderFd = -1;
    std::string m_name;
    UniqueFd m_fd;
    uint64_t m_position = 0;
    uint64_t m_pendingZeros = 0;
};
