// Fatal-signal and out-of-memory handling. Everything reached from the signal handler is async-signal-safe:
// the paths it needs are copied into static buffers beforehand, text is formatted by hand, and files are
// written with open/write/close.
#include "app/shell/CrashHandler.h"

#include "app/shell/LogReports.h"
#include "app/shell/MiniDumpWriter.h"
#include "core/CRecoverySettings.h"
#include "platform/FdIo.h"
#include "platform/Folders.h"
#include "platform/Log.h"
#include "platform/Memory.h"

#include <atomic>
#include <cerrno>
#include <csignal>
#include <cstring>
#include <ctime>
#include <fcntl.h>
#include <sys/mman.h>
#include <sys/syscall.h>
#include <unistd.h>

namespace {

constexpr int kSignals[] = {SIGSEGV, SIGBUS, SIGILL, SIGFPE, SIGABRT};
constexpr size_t kPathMax = 4096;
constexpr unsigned kMaxDumpNumber = 100000;

char g_dumpFolder[kPathMax];
char g_logPath[kPathMax];
std::atomic<bool> g_installed{false};
std::atomic<unsigned> g_dumpCounter{0};
std::atomic<pid_t> g_crashingThread{0};
std::atomic<OutOfMemoryNotifier> g_notifier{nullptr};
long g_utcOffset = 0; // seconds east of UTC when installed
struct sigaction g_previous[sizeof kSignals / sizeof kSignals[0]];

pid_t CurrentThreadId()
{
    return pid_t(::syscall(SYS_gettid));
}

void CopyText(char* dst, size_t cap, const std::string& s)
{
    const size_t n = s.size() < cap - 1 ? s.size() : cap - 1;
    std::memcpy(dst, s.data(), n);
    dst[n] = '\0';
}

// A fixed buffer filled without allocation.
class SafeText {
public:
    void Add(const char* s)
    {
        while (*s && m_len < sizeof m_buf - 1) m_buf[m_len++] = *s++;
        m_buf[m_len] = '\0';
    }
    void Add(char c)
    {
        if (m_len < sizeof m_buf - 1) m_buf[m_len++] = c;
        m_buf[m_len] = '\0';
    }
    void Dec(uint64_t v, int width = 0, char pad = ' ')
    {
        char digits[24];
        int n = 0;
        do {
            digits[n++] = char('0' + v % 10);
            v /= 10;
        } while (v && n < 24);
        for (int i = n; i < width; ++i) Add(pad);
        while (n > 0) Add(digits[--n]);
    }
    void Hex(uint64_t v, int width)
    {
        char digits[20];
        int n = 0;
        do {
            digits[n++] = "0123456789abcdef"[v & 0xF];
            v >>= 4;
        } while (v && n < 20);
        for (int i = n; i < width; ++i) Add('0');
        while (n > 0) Add(digits[--n]);
    }
    const char* Str() const { return m_buf; }
    size_t Len() const { return m_len; }
    void Clear()
    {
        m_len = 0;
        m_buf[0] = '\0';
    }

private:
    char m_buf[kPathMax + 64] = {};
    size_t m_len = 0;
};

// Days since 1970-01-01 to a civil date (proleptic Gregorian).
void CivilFromDays(int64_t z, int64_t& y, unsigned& m, unsigned& d)
{
    z += 719468;
    const int64_t era = (z >= 0 ? z : z - 146096) / 146097;
    const unsigned doe = unsigned(z - era * 146097);
    const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    y = int64_t(yoe) + era * 400;
    const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const unsigned mp = (5 * doy + 2) / 153;
    d = doy - (153 * mp + 2) / 5 + 1;
    m = mp < 10 ? mp + 3 : mp - 9;
    if (m <= 2) ++y;
}

// Appends one line to the log in the logging library's layout; mark is its five-letter level.
void SafeLogLine(const char* text, const char* mark = "ERROR")
{
    if (!g_logPath[0]) return;
    SafeText line;
    timespec ts{};
    ::clock_gettime(CLOCK_REALTIME, &ts);
    const int64_t local = int64_t(ts.tv_sec) + g_utcOffset;
    int64_t days = local / 86400;
    int64_t secs = local % 86400;
    if (secs < 0) {
        secs += 86400;
        --days;
    }
    int64_t y;
    unsigned m, d;
    CivilFromDays(days, y, m, d);
    line.Dec(uint64_t(y), 4, '0');
    line.Add('-');
    line.Dec(m, 2, '0');
    line.Add('-');
    line.Dec(d, 2, '0');
    line.Add(' ');
    line.Dec(uint64_t(secs / 3600), 2, '0');
    line.Add(':');
    line.Dec(uint64_t(secs / 60 % 60), 2, '0');
    line.Add(':');
    line.Dec(uint64_t(secs % 60), 2, '0');
    line.Add('.');
    line.Dec(uint64_t(ts.tv_nsec / 1000000), 3, '0');
    line.Add(" [");
    line.Dec(uint64_t(CurrentThreadId()));
    line.Add("] ");
    line.Add(mark);
    line.Add(' ');
    line.Add(text);
    line.Add('\n');
    const int fd = ::open(g_logPath, O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0644);
    if (fd < 0) return;
    plat::WriteFull(fd, line.Str(), line.Len());
    ::close(fd);
}

void SafeLogMemoryStatus()
{
    static char buf[8192];
    plat::MemoryStatus ms;
    bool ok = false;
    const int fd = ::open("/proc/meminfo", O_RDONLY | O_CLOEXEC);
    if (fd >= 0) {
        const size_t n = plat::ReadFull(fd, buf, sizeof buf).done;
        ::close(fd);
        ok = plat::ParseMemInfo(std::string_view(buf, n), ms);
    }
    if (!ok) {
        SafeLogLine("Failed to query memory status.", "INFO ");
        return;
    }
    constexpr uint64_t kMb = 1024 * 1024;
    SafeLogLine("Memory status:", "INFO ");
    SafeText t;
    t.Add("Total physical memory:");
    t.Dec(ms.totalPhys / kMb, 4);
    t.Add(" MB\tAvailable physical memory:");
    t.Dec(ms.availPhys / kMb, 4);
    t.Add(" MB");
    SafeLogLine(t.Str(), "INFO ");
    t.Clear();
    t.Add("Total   page    files:");
    t.Dec(ms.totalPageFile / kMb, 4);
    t.Add(" MB\tAvailable    page   files:");
    t.Dec(ms.availPageFile / kMb, 4);
    t.Add(" MB");
    SafeLogLine(t.Str(), "INFO ");
}

void SafeLogExceptionCaught(uint32_t code, uint64_t address)
{
    SafeText t;
    t.Add("Caught an excetpion! Exception Code:");
    t.Hex(code, 8);
    t.Add(" Address:");
    t.Hex(address, 8);
    SafeLogLine(t.Str());
}

// Writes one dump; false when no file could be made or the writing failed.
bool WriteDump(const minidump::CrashInfo& info)
{
    unsigned number = 0;
    const int fd = CreateDumpFile(g_dumpFolder, g_dumpCounter.load(), &number);
    if (fd < 0) return false;
    g_dumpCounter.store(number + 1);
    const bool ok = minidump::WriteMiniDump(fd, info);
    ::close(fd);
    return ok;
}

void OnFatalSignal(int sig, siginfo_t* si, void* context)
{
    const pid_t self = CurrentThreadId();
    pid_t expected = 0;
    if (!g_crashingThread.compare_exchange_strong(expected, self)) {
        if (expected != self) {
            for (;;) // another thread is writing the dump and will end the process
                ::pause();
        }
        // A fault inside the handler itself: die at once.
        ::signal(sig, SIG_DFL);
        ::raise(sig);
        return;
    }
    ::alarm(10); // a dump that hangs is cut off by SIGALRM, which ends the process

    minidump::CrashInfo info;
    info.exceptionCode = uint32_t(sig);
    info.exceptionFlags = si ? uint32_t(si->si_code) : 0;
    // Only a signal the kernel raised for a fault carries an address (a sent one carries the sender).
    if (si && si->si_code > 0 && sig != SIGABRT)
        info.exceptionAddress = uint64_t(reinterpret_cast<uintptr_t>(si->si_addr));
    info.threadId = self;
    info.context = static_cast<const ucontext_t*>(context);

    SafeLogExceptionCaught(info.exceptionCode, info.exceptionAddress);
    SafeLogMemoryStatus();
    if (!WriteDump(info)) SafeLogLine("Failed to process the exception!");

    // Die of the same signal: the default action runs once the handler returns.
    ::signal(sig, SIG_DFL);
    if (sig == SIGABRT || !si || si->si_code <= 0)
        ::raise(sig); // sent, not raised by a faulting instruction: send it again
}

void OnOutOfMemory(size_t /*requestedBytes*/)
{
    const CRecoverySettings* settings = GetRecoverySettings();
    const unsigned id = OutOfMemoryMessageId(settings && settings->m_recoverRawFiles != 0);
    if (OutOfMemoryNotifier notify = g_notifier.load()) notify(id);

    ucontext_t uc;
    const bool haveContext = ::getcontext(&uc) == 0;
    const uint64_t address = uint64_t(reinterpret_cast<uintptr_t>(__builtin_return_address(0)));
    LogExceptionCaught(minidump::kOutOfMemoryCode, address);
    pid_t expected = 0;
    if (!g_crashingThread.compare_exchange_strong(expected, CurrentThreadId())) return;
    minidump::CrashInfo info;
    info.exceptionCode = minidump::kOutOfMemoryCode;
    info.exceptionAddress = address;
    info.threadId = CurrentThreadId();
    info.context = haveContext ? &uc : nullptr;
    if (!g_dumpFolder[0] || !WriteDump(info)) LogExceptionResult(false);
    LogError("The program ends: out of memory (exit status %d)", plat::kOutOfMemoryExitStatus);
}

struct AltStack {
    void* base = nullptr;
    size_t size = 0;
    ~AltStack()
    {
        if (!base) return;
        stack_t off{};
        off.ss_flags = SS_DISABLE;
        ::sigaltstack(&off, nullptr);
        ::munmap(base, size);
    }
};

} // namespace

void PrepareThreadForCrashes()
{
    static thread_local AltStack t_stack;
    if (t_stack.base) return;
    const size_t size = SIGSTKSZ > 64 * 1024 ? size_t(SIGSTKSZ) : 64 * 1024;
    void* p = ::mmap(nullptr, size, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (p == MAP_FAILED) return;
    stack_t ss{};
    ss.ss_sp = p;
    ss.ss_size = size;
    if (::sigaltstack(&ss, nullptr) != 0) {
        ::munmap(p, size);
        return;
    }
    t_stack.base = p;
    t_stack.size = size;
}

bool InstallCrashHandler(const std::string& dumpFolder)
{
    minidump::PrepareSystemInfo();
    CopyText(g_dumpFolder, sizeof g_dumpFolder, dumpFolder.empty() ? plat::StateFolder().string() : dumpFolder);
    if (!g_logPath[0]) CopyText(g_logPath, sizeof g_logPath, plat::log::CurrentPath());
    const time_t now = std::time(nullptr);
    tm local{};
    if (localtime_r(&now, &local)) g_utcOffset = local.tm_gmtoff;

    PrepareThreadForCrashes();
    plat::SetOutOfMemoryHandler(&OnOutOfMemory);
    if (g_installed.exchange(true)) return true;
    struct sigaction sa {};
    sa.sa_sigaction = &OnFatalSignal;
    sa.sa_flags = SA_SIGINFO | SA_ONSTACK;
    sigemptyset(&sa.sa_mask);
    for (int s : kSignals) sigaddset(&sa.sa_mask, s); // a second fatal signal during the dump takes its default action
    bool ok = true;
    for (size_t i = 0; i < sizeof kSignals / sizeof kSignals[0]; ++i)
        ok = ::sigaction(kSignals[i], &sa, &g_previous[i]) == 0 && ok;
    return ok;
}

void UninstallCrashHandler()
{
    if (!g_installed.exchange(false)) return;
    for (size_t i = 0; i < sizeof kSignals / sizeof kSignals[0]; ++i) ::sigaction(kSignals[i], &g_previous[i], nullptr);
    plat::SetOutOfMemoryHandler(nullptr);
}

void SetCrashLogPath(const std::string& path)
{
    CopyText(g_logPath, sizeof g_logPath, path);
}

unsigned OutOfMemoryMessageId(bool recoverRawFiles)
{
    return recoverRawFiles ? 61240 : 307;
}

void SetOutOfMemoryNotifier(OutOfMemoryNotifier notifier)
{
    g_notifier.store(notifier);
}

int CreateDumpFile(const char* folder, unsigned start, unsigned* number)
{
    if (!folder || !folder[0]) return -1;
    for (unsigned n = start; n < kMaxDumpNumber; ++n) {
        SafeText path;
        path.Add(folder);
        if (path.Len() > 0 && path.Str()[path.Len() - 1] != '/') path.Add('/');
        path.Add("Zuldump");
        path.Dec(n);
        path.Add(".dmp");
        const int fd = ::open(path.Str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW, 0600);
        if (fd >= 0) {
            if (number) *number = n;
            return fd;
        }
        if (errno != EEXIST) return -1;
    }
    return -1;
}
