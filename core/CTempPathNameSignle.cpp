// Temporary names made with mkstemps in the private folder, so they cannot collide with anyone else's.
#include "core/CTempPathNameSignle.h"

#include "platform/Folders.h"
#include "platform/Log.h"

#include <cstdio>
#include <unistd.h>

namespace {

constexpr const char* kVariants[] = {".tmp", ".doc", ".xls"};

} // namespace

CTempPathNameSignle::~CTempPathNameSignle()
{
    RemoveAllTempFiles();
}

std::string CTempPathNameSignle::MakeTempPath()
{
    const std::filesystem::path dir = plat::TempFolder();
    if (dir.empty()) {
        LogError("Cannot create the temporary folder");
        return {};
    }
    std::string name = (dir / "~@!XXXXXX.tmp").string();
    int fd = ::mkstemps(name.data(), 4);
    if (fd < 0) {
        LogError("Cannot create a temporary file in %s", dir.c_str());
        return {};
    }
    ::close(fd);
    {
        std::lock_guard<std::mutex> lock(m_lock);
        m_names.push_back(name);
    }
    // The file only reserved the name; the caller creates whichever form it needs.
    RemoveFilesOf(name);
    return name;
}

void CTempPathNameSignle::RemoveTempFiles()
{
    std::string last;
    {
        std::lock_guard<std::mutex> lock(m_lock);
        if (m_names.empty()) return;
        last = m_names.back();
    }
    RemoveFilesOf(last);
}

void CTempPathNameSignle::RemoveAllTempFiles()
{
    std::vector<std::string> names;
    {
        std::lock_guard<std::mutex> lock(m_lock);
        names = m_names;
    }
    for (const std::string& n : names) RemoveFilesOf(n);
}

std::vector<std::string> CTempPathNameSignle::Names() const
{
    std::lock_guard<std::mutex> lock(m_lock);
    return m_names;
}

void CTempPathNameSignle::RemoveFilesOf(const std::string& name)
{
    if (name.size() < 4) return;
    const std::string stem = name.substr(0, name.size() - 4);
    for (const char* ext : kVariants) ::unlink((stem + ext).c_str());
}

CTempPathNameSignle* GetTempPathNameSignle()
{
    static CTempPathNameSignle holder;
    return &holder;
}
