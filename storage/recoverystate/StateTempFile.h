// Files written beside the state files: a descriptor owner, and a temporary file in the target's folder
// that is removed unless it is renamed over its target once whole.
#pragma once

#include <filesystem>
#include <memory>
#include <string>

#include <fcntl.h>
#include <stdio.h>
#include <stdlib.h>
#include <unistd.h>

namespace statefile {

namespace fs = std::filesystem;

class FileDescriptor {
public:
    explicit FileDescriptor(int fd = -1) : m_fd(fd) {}
    ~FileDescriptor()
    {
        if (m_fd >= 0) ::close(m_fd);
    }
    FileDescriptor(const FileDescriptor&) = delete;
    FileDescriptor& operator=(const FileDescriptor&) = delete;
    int get() const { return m_fd; }
    // Closes now; false when the close reports a failed write.
    bool Close()
    {
        const int fd = m_fd;
        m_fd = -1;
        return fd < 0 || ::close(fd) == 0;
    }

private:
    int m_fd;
};

// A new file "<folder>/.<stem>.XXXXXX" (mode 0600), removed again unless it is kept.
class TemporaryFile {
public:
    TemporaryFile(const fs::path& folder, const std::string& stem)
    {
        std::string name = (folder / ("." + stem + ".XXXXXX")).string();
        const int fd = ::mkostemp(name.data(), O_CLOEXEC);
        if (fd >= 0) {
            m_path = name;
            m_fd = std::make_unique<FileDescriptor>(fd);
        }
    }
    ~TemporaryFile()
    {
        m_fd.reset();
        if (!m_path.empty()) ::unlink(m_path.c_str());
    }
    TemporaryFile(const TemporaryFile&) = delete;
    TemporaryFile& operator=(const TemporaryFile&) = delete;

    bool IsOpen() const { return m_fd && m_fd->get() >= 0; }
    int fd() const { return m_fd ? m_fd->get() : -1; }
    const std::string& path() const { return m_path; }
    bool Close() { return m_fd ? m_fd->Close() : false; }
    // Renames the file to target; from then on it is no longer removed.
    bool RenameTo(const fs::path& target)
    {
        if (m_path.empty() || ::rename(m_path.c_str(), target.c_str()) != 0) return false;
        m_path.clear();
        return true;
    }

private:
    std::string m_path;
    std::unique_ptr<FileDescriptor> m_fd;
};

} // namespace statefile
