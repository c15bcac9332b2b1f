// The holder of temporary file names for previews and thumbnails. Names lie in the process's private
// temporary folder (plat::TempFolder, mode 0700); every name handed out is remembered and its files are
// removed when the holder is destroyed at exit. Safe to share between threads.
#pragma once

#include <mutex>
#include <string>
#include <vector>

class CTempPathNameSignle {
public:
    CTempPathNameSignle() = default;
    ~CTempPathNameSignle();
    CTempPathNameSignle(const CTempPathNameSignle&) = delete;
    CTempPathNameSignle& operator=(const CTempPathNameSignle&) = delete;

    // A fresh, unused name "~@!XXXXXX.tmp" in the private folder; no file of that name (nor its ".doc" and
    // ".xls" forms) exists when it is returned. Empty when the private folder cannot be made.
    std::string MakeTempPath();
    // Removes the files of the last name handed out (".tmp", ".doc" and ".xls" forms); errors are ignored.
    void RemoveTempFiles();
    // Removes the files of every name handed out so far.
    void RemoveAllTempFiles();

    std::vector<std::string> Names() const;

private:
    static void RemoveFilesOf(const std::string& name);

    mutable std::mutex m_lock;
    std::vector<std::string> m_names; // every name handed out, last one at the back
};

// The process-wide holder, made on first use and destroyed at exit.
CTempPathNameSignle* GetTempPathNameSignle();
