// Folder lookup from the environment and /proc, and the private temporary folder's lifetime.
#include "platform/Folders.h"

#include <cerrno>
#include <cstdlib>
#include <mutex>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#ifndef SALVIX_BUILD_DATA_DIR
#define SALVIX_BUILD_DATA_DIR ""
#endif

namespace fs = std::filesystem;

namespace plat {

namespace {

const char* NonEmptyEnv(const char* name)
{
    const char* v = std::getenv(name);
    return v && *v ? v : nullptr;
}

fs::path HomeFolder()
{
    if (const char* home = NonEmptyEnv("HOME")) return home;
    if (const passwd* pw = getpwuid(getuid()); pw && pw->pw_dir) return pw->pw_dir;
    return "/tmp";
}

// Makes the folder and its missing parents; the last one with mode 0700.
bool MakeFolders(const fs::path& dir)
{
    std::error_code ec;
    if (fs::is_directory(dir, ec)) return true;
    if (dir.has_parent_path()) fs::create_directories(dir.parent_path(), ec);
    if (::mkdir(dir.c_str(), 0700) != 0 && errno != EEXIST) return false;
    return fs::is_directory(dir, ec);
}

class PrivateTempFolder {
public:
    const fs::path& Get()
    {
        std::lock_guard<std::mutex> lock(m_lock);
        if (m_path.empty()) {
            const char* base = NonEmptyEnv("TMPDIR");
            std::string templ = std::string(base ? base : "/tmp") + "/salvix-XXXXXX";
            if (::mkdtemp(templ.data())) m_path = templ;
        }
        return m_path;
    }

    ~PrivateTempFolder()
    {
        if (!m_path.empty()) {
            std::error_code ec;
            fs::remove_all(m_path, ec); // does not follow symbolic links out of the folder
        }
    }

private:
    std::mutex m_lock;
    fs::path m_path;
};

PrivateTempFolder& TempHolder()
{
    static PrivateTempFolder holder;
    return holder;
}

} // namespace

fs::path ProgramFolder()
{
    std::error_code ec;
    fs::path exe = fs::read_symlink("/proc/self/exe", ec);
    if (ec) return fs::current_path(ec);
    return exe.parent_path();
}

fs::path DataFolder()
{
    if (const char* dir = NonEmptyEnv("SALVIX_DATA_DIR")) return dir;
    std::error_code ec;
    fs::path beside = ProgramFolder() / "data";
    if (fs::is_directory(beside, ec)) return beside;
    return SALVIX_BUILD_DATA_DIR;
}

fs::path StateFolder()
{
    fs::path dir;
    if (const char* v = NonEmptyEnv("SALVIX_STATE_DIR"))
        dir = v;
    else if (const char* x = NonEmptyEnv("XDG_STATE_HOME"))
        dir = fs::path(x) / "salvix";
    else
        dir = HomeFolder() / ".local" / "state" / "salvix";
    return MakeFolders(dir) ? dir : fs::path();
}

fs::path ConfigFolder()
{
    if (const char* v = NonEmptyEnv("SALVIX_CONFIG_DIR")) return v;
    if (const char* x = NonEmptyEnv("XDG_CONFIG_HOME")) return fs::path(x) / "salvix";
    return HomeFolder() / ".config" / "salvix";
}

fs::path RuntimeFolder()
{
    if (const char* r = NonEmptyEnv("XDG_RUNTIME_DIR")) {
        fs::path dir = fs::path(r) / "salvix";
        if (MakeFolders(dir)) return dir;
    }
    return StateFolder();
}

fs::path TempFolder()
{
    return TempHolder().Get();
}

} // namespace plat
