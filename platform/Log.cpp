// The log writer. Each call formats its whole line first and hands it to the kernel in one write(2) on an
// O_APPEND descriptor, so lines from several threads never interleave and survive an abrupt end.
// Rotation keeps the descriptor's number: the new file is put in its place with dup3, so a writer that
// holds the number writes whole lines to the old file or to the new one, never to a closed descriptor.
#include "platform/Log.h"

#include "platform/FdIo.h"

#include <atomic>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <deque>
#include <fcntl.h>
#include <mutex>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>

namespace {

constexpr size_t kEarlyLineLimit = 64;

struct LogState {
    std::mutex lock; // guards path, early lines and descriptor changes, not ordinary writes
    std::atomic<int> fd{-1};
    std::atomic<int> level{LOGLEVEL_NORMAL};
    std::atomic<uint64_t> size{0}; // bytes in the current file, as far as this process wrote or found them
    std::atomic<uint64_t> rotationSize{plat::log::kRotationSize};
    bool initialised = false;
    std::string path;
    std::deque<std::string> early;
};

LogState& State()
{
    static LogState* s = new LogState; // never destroyed: logging must work during static destruction
    return *s;
}

// Under the state's lock: the file renamed to "<path>.1" and a new one put behind the same descriptor.
// When the rename is refused the file is emptied instead, so the cap holds either way.
void RotateLocked(LogState& s)
{
    const int fd = s.fd.load(std::memory_order_acquire);
    if (fd < 0 || s.path.empty() || s.size.load() < s.rotationSize.load()) return;
    const std::string previous = s.path + ".1";
    int fresh = -1;
    if (::rename(s.path.c_str(), previous.c_str()) == 0)
        fresh = ::open(s.path.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_TRUNC | O_CLOEXEC, 0644);
    const bool swapped = fresh >= 0 && ::dup3(fresh, fd, O_CLOEXEC) == fd;
    if (fresh >= 0) ::close(fresh);
    if (!swapped && ::ftruncate(fd, 0) != 0) return; // nothing can be done; the next line tries again
    s.size.store(0);
}

void WriteAll(LogState& s, int fd, const char* p, size_t n)
{
    plat::WriteFull(fd, p, n);
    if (s.size.fetch_add(n) + n < s.rotationSize.load(std::memory_order_relaxed)) return;
    std::lock_guard<std::mutex> g(s.lock);
    RotateLocked(s);
}

void WriteAllLocked(LogState& s, int fd, const char* p, size_t n)
{
    plat::WriteFull(fd, p, n);
    if (s.size.fetch_add(n) + n >= s.rotationSize.load(std::memory_order_relaxed)) RotateLocked(s);
}

void Emit(const char* mark, const char* format, va_list args)
{
    char stackBuf[1024];
    std::string rewritten;
    const char* fmt = format ? format : "";
    if (std::strstr(fmt, "I64")) {
        rewritten = plat::log::RewriteFormat(fmt);
        fmt = rewritten.c_str();
    }

    timespec ts{};
    clock_gettime(CLOCK_REALTIME, &ts);
    tm local{};
    localtime_r(&ts.tv_sec, &local);
    int head = std::snprintf(stackBuf, sizeof stackBuf, "%04d-%02d-%02d %02d:%02d:%02d.%03ld [%ld] %s ",
                             local.tm_year + 1900, local.tm_mon + 1, local.tm_mday, local.tm_hour, local.tm_min,
                             local.tm_sec, ts.tv_nsec / 1000000, long(syscall(SYS_gettid)), mark);
    std::string line(stackBuf, size_t(head));

    va_list copy;
    va_copy(copy, args);
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wformat-nonliteral"
    int n = std::vsnprintf(stackBuf, sizeof stackBuf, fmt, args);
    if (n >= int(sizeof stackBuf)) {
        std::string big(size_t(n) + 1, '\0');
        std::vsnprintf(big.data(), big.size(), fmt, copy);
        big.resize(size_t(n));
        line += big;
    } else if (n > 0) {
        line.append(stackBuf, size_t(n));
    }
#pragma GCC diagnostic pop
    va_end(copy);

    // Callers end their formats with "\n", "\r\n" or nothing; every line ends in exactly one "\n".
    while (!line.empty() && (line.back() == '\n' || line.back() == '\r')) line.pop_back();
    line += '\n';

    LogState& s = State();
    int fd = s.fd.load(std::memory_order_acquire);
    if (fd >= 0) {
        WriteAll(s, fd, line.data(), line.size());
        return;
    }
    std::lock_guard<std::mutex> g(s.lock);
    fd = s.fd.load(std::memory_order_acquire);
    if (fd >= 0)
        WriteAllLocked(s, fd, line.data(), line.size());
    else if (!s.initialised && s.early.size() < kEarlyLineLimit)
        s.early.push_back(std::move(line));
}

} // namespace

void InitLog(const char* path, LOGLEVEL level, LOGTYPE type)
{
    LogState& s = State();
    std::lock_guard<std::mutex> g(s.lock);
    s.level.store(level, std::memory_order_relaxed);
    int old = s.fd.exchange(-1);
    if (old >= 0) ::close(old);
    s.path = path ? path : "";
    s.initialised = true;
    if (s.path.empty()) {
        s.early.clear();
        return;
    }
    int fd = ::open(s.path.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0644);
    if (fd < 0) {
        s.path.clear();
        s.early.clear();
        return;
    }
    struct stat st {};
    s.size.store(::fstat(fd, &st) == 0 ? uint64_t(st.st_size) : 0);
    for (const std::string& line : s.early) WriteAllLocked(s, fd, line.data(), line.size());
    s.early.clear();
    (void)type; // a loader-started process logs the same way
    s.fd.store(fd, std::memory_order_release);
    RotateLocked(s); // a file left over large from an earlier run, or grown past the cap by the early lines
}

#define SALVIX_LOG_BODY(mark)                                                                                          \
    va_list args;                                                                                                      \
    va_start(args, format);                                                                                            \
    Emit(mark, format, args);                                                                                          \
    va_end(args)

void LogInfo(const char* format, ...)
{
    SALVIX_LOG_BODY("INFO ");
}
void LogError(const char* format, ...)
{
    SALVIX_LOG_BODY("ERROR");
}
void ReleaseTrace(const char* format, ...)
{
    SALVIX_LOG_BODY("TRACE");
}

void DebugTrace(const char* format, ...)
{
    if (State().level.load(std::memory_order_relaxed) != LOGLEVEL_TRACE) return;
    SALVIX_LOG_BODY("DEBUG");
}

uint16_t FileNameToFileCode(char* sourcePath)
{
    if (!sourcePath) return 0;
    const char* p = sourcePath;
    const size_t rootLen = std::strlen(SALVIX_SOURCE_DIR);
    if (std::strncmp(p, SALVIX_SOURCE_DIR, rootLen) == 0) {
        p += rootLen;
        while (*p == '/' || *p == '\\') ++p;
    }
    // FNV-1a over the relative path with '\' read as '/', folded to 16 bits.
    uint32_t h = 2166136261u;
    for (; *p; ++p) {
        unsigned char c = static_cast<unsigned char>(*p == '\\' ? '/' : *p);
        h = (h ^ c) * 16777619u;
    }
    return static_cast<uint16_t>((h >> 16) ^ (h & 0xFFFF));
}

namespace plat::log {

std::string RewriteFormat(const char* format)
{
    std::string out;
    if (!format) return out;
    for (const char* p = format; *p; ++p) {
        out += *p;
        if (*p != '%') continue;
        if (p[1] == '%') {
            out += *++p;
            continue;
        }
        // Copy flags, width and precision, then replace an I64 size prefix.
        ++p;
        while (*p && std::strchr("-+ #0123456789.*", *p)) out += *p++;
        if (std::strncmp(p, "I64", 3) == 0) {
            out += "ll";
            p += 3;
        }
        if (!*p) break;
        out += *p;
    }
    return out;
}

void SetRotationSize(uint64_t bytes)
{
    State().rotationSize.store(bytes ? bytes : kRotationSize);
}

std::string CurrentPath()
{
    LogState& s = State();
    std::lock_guard<std::mutex> g(s.lock);
    return s.path;
}

} // namespace plat::log
