// One running instance at a time: an exclusive flock on a lock file in the run-time folder, held for the
// life of the object. The descriptor is close-on-exec, so a program that re-executes itself lets go.
#pragma once

#include <filesystem>
#include <string>

class CSingleInstance {
public:
    enum class Result {
        kAcquired,       // this is the one instance
        kAlreadyRunning, // another process holds the lock
        kFailed,         // the lock file could not be made; start-up goes on without the check
    };

    CSingleInstance() = default;
    ~CSingleInstance();
    CSingleInstance(const CSingleInstance&) = delete;
    CSingleInstance& operator=(const CSingleInstance&) = delete;

    // Takes the lock <folder>/<name>.lock without waiting.
    Result Acquire(const std::filesystem::path& folder, const std::string& name);
    void Release();
    bool IsHeld() const { return m_fd >= 0; }

private:
    int m_fd = -1;
};
