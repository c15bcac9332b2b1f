// The crash handler: child processes crash on purpose (bad pointer, stack overflow, abort, out of memory)
// and the dump each leaves behind is read back: header, directory, system info, exception, thread with
// registers and stack memory, module list.
#include "app/shell/CrashHandler.h"
#include "app/shell/MiniDumpWriter.h"
#include "app/shell/tests/LogCapture.h"
#include "core/CRecoverySettings.h"
#include "platform/Log.h"
#include "platform/Memory.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <map>
#include <sys/mman.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

// A bounds-checked view of a dump file.
class Dump {
public:
    explicit Dump(const fs::path& file)
    {
        std::ifstream f(file, std::ios::binary);
        m_bytes.assign(std::istreambuf_iterator<char>(f), std::istreambuf_iterator<char>());
    }
    size_t Size() const { return m_bytes.size(); }
    bool Has(uint64_t at, uint64_t n) const { return at <= m_bytes.size() && n <= m_bytes.size() - at; }
    uint64_t Le(uint64_t at, int n) const
    {
        if (!Has(at, uint64_t(n))) {
            ADD_FAILURE() << "read past the end at " << at;
            return 0;
        }
        uint64_t v = 0;
        for (int i = n - 1; i >= 0; --i) v = (v << 8) | uint8_t(m_bytes[size_t(at) + size_t(i)]);
        return v;
    }
    uint32_t U32(uint64_t at) const { return uint32_t(Le(at, 4)); }
    uint16_t U16(uint64_t at) const { return uint16_t(Le(at, 2)); }
    uint64_t U64(uint64_t at) const { return Le(at, 8); }
    std::string Text(uint32_t rva) const // UTF-16 text record, ASCII only
    {
        const uint32_t bytes = U32(rva);
        std::string s;
        for (uint32_t i = 0; i + 1 < bytes && Has(rva + 4 + i, 2); i += 2) s += char(U16(rva + 4 + i));
        return s;
    }
    // Stream type -> (size, offset).
    std::map<uint32_t, std::pair<uint32_t, uint32_t>> Streams() const
    {
        std::map<uint32_t, std::pair<uint32_t, uint32_t>> out;
        const uint32_t count = U32(8), dir = U32(12);
        for (uint32_t i = 0; i < count && Has(dir + i * 12, 12); ++i)
            out[U32(dir + i * 12)] = {U32(dir + i * 12 + 4), U32(dir + i * 12 + 8)};
        return out;
    }

private:
    std::string m_bytes;
};

enum class CrashKind { BadPointer, StackOverflow, Abort, Sent };

#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Winfinite-recursion"
__attribute__((noinline)) int Recurse(volatile char* prev)
{
    volatile char frame[4096];
    frame[0] = prev ? prev[0] : 1;
    return Recurse(frame) + frame[1];
}
#pragma GCC diagnostic pop

// A page that may not be touched; writing to it is the bad pointer of the tests.
void* const g_forbidden = ::mmap(nullptr, 4096, PROT_NONE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);

// Forks a child that installs the handler with dumps into folder and its log at logPath, then crashes.
// Returns the wait status.
int CrashChild(CrashKind kind, const fs::path& folder, const std::string& logPath, pid_t* childPid = nullptr)
{
    const pid_t child = ::fork();
    if (child == 0) {
        rlimit noCore{0, 0};
        ::setrlimit(RLIMIT_CORE, &noCore);
        SetCrashLogPath(logPath);
        if (!InstallCrashHandler(folder.string())) ::_exit(90);
        switch (kind) {
        case CrashKind::BadPointer: *static_cast<volatile int*>(g_forbidden) = 1; break;
        case CrashKind::StackOverflow: {
            rlimit stack{1 << 20, 1 << 20};
            ::setrlimit(RLIMIT_STACK, &stack);
            Recurse(nullptr);
            break;
        }
        case CrashKind::Abort: std::abort();
        case CrashKind::Sent: ::kill(::getpid(), SIGBUS); ::pause();
        }
        ::_exit(91);
    }
    if (childPid) *childPid = child;
    int status = 0;
    ::waitpid(child, &status, 0);
    return status;
}

std::string SelfExecutable()
{
    return fs::read_symlink("/proc/self/exe").string();
}

TEST(CrashHandler, BadPointerLeavesADumpWithEveryStream)
{
    testsupport::TempDir dir;
    const std::string log = (dir / "Salvix.log").string();
    pid_t pid = 0;
    const int status = CrashChild(CrashKind::BadPointer, dir.path(), log, &pid);
    ASSERT_TRUE(WIFSIGNALED(status)) << status;
    EXPECT_EQ(WTERMSIG(status), SIGSEGV);

    const Dump d(dir / "Zuldump0.dmp");
    ASSERT_GT(d.Size(), minidump::kHeaderSize);
    EXPECT_EQ(d.U32(0), minidump::kSignature);
    EXPECT_EQ(d.U32(4) & 0xFFFF, minidump::kVersion);
    EXPECT_EQ(d.U32(12), minidump::kHeaderSize);
    EXPECT_NE(d.U32(20), 0u); // time stamp

    const auto streams = d.Streams();
    for (uint32_t t : {minidump::kSystemInfoStream, minidump::kExceptionStream, minidump::kThreadListStream,
                       minidump::kModuleListStream, minidump::kMemoryListStream, minidump::kLinuxMapsStream}) {
        SCOPED_TRACE(t);
        ASSERT_TRUE(streams.count(t));
        EXPECT_TRUE(d.Has(streams.at(t).second, streams.at(t).first));
    }

    // System information.
    const uint32_t sys = streams.at(minidump::kSystemInfoStream).second;
#if defined(__x86_64__)
    EXPECT_EQ(d.U16(sys), minidump::kArchitectureAmd64);
#endif
    EXPECT_GE(d.Le(sys + 6, 1), 1u);
    EXPECT_EQ(d.U32(sys + 20), minidump::kPlatformLinux);
    EXPECT_EQ(d.Text(d.U32(sys + 24)).rfind("Linux ", 0), 0u);

    // The exception: the signal, the faulting address, the thread.
    const uint32_t ex = streams.at(minidump::kExceptionStream).second;
    EXPECT_EQ(d.U32(ex), uint32_t(pid)); // a forked child's only thread has the process's id
    EXPECT_EQ(d.U32(ex + 8), uint32_t(SIGSEGV));
    EXPECT_EQ(d.U32(ex + 12), uint32_t(SEGV_ACCERR));
    EXPECT_EQ(d.U64(ex + 24), uint64_t(reinterpret_cast<uintptr_t>(g_forbidden)));
    const uint32_t contextSize = d.U32(ex + 160), contextRva = d.U32(ex + 164);
#if defined(__x86_64__)
    ASSERT_EQ(contextSize, minidump::kContextAmd64Size);
    EXPECT_EQ(d.U32(contextRva + 48), minidump::kContextAmd64Full);
    const uint64_t rsp = d.U64(contextRva + 152);
    const uint64_t rip = d.U64(contextRva + 248);
#endif

    // The thread: same context, stack memory around the stack pointer.
    const uint32_t threads = streams.at(minidump::kThreadListStream).second;
    ASSERT_EQ(d.U32(threads), 1u);
    EXPECT_EQ(d.U32(threads + 4), uint32_t(pid));
    const uint64_t stackStart = d.U64(threads + 4 + 24);
    const uint32_t stackSize = d.U32(threads + 4 + 32), stackRva = d.U32(threads + 4 + 36);
    EXPECT_GT(stackSize, 1024u);
    EXPECT_TRUE(d.Has(stackRva, stackSize));
    EXPECT_EQ(d.U32(threads + 4 + 44), contextRva);
#if defined(__x86_64__)
    EXPECT_LE(stackStart, rsp);
    EXPECT_LT(rsp, stackStart + stackSize);
#endif
    const uint32_t memory = streams.at(minidump::kMemoryListStream).second;
    EXPECT_EQ(d.U32(memory), 1u);
    EXPECT_EQ(d.U64(memory + 4), stackStart);
    EXPECT_EQ(d.U32(memory + 16), stackRva);

    // The modules: this test program, holding the crashing instruction, and the C library.
    const uint32_t modules = streams.at(minidump::kModuleListStream).second;
    const uint32_t count = d.U32(modules);
    EXPECT_EQ(streams.at(minidump::kModuleListStream).first, 4 + count * minidump::kModuleSize);
    bool self = false, libc = false;
    for (uint32_t i = 0; i < count; ++i) {
        const uint32_t m = modules + 4 + i * uint32_t(minidump::kModuleSize);
        const std::string name = d.Text(d.U32(m + 20));
        EXPECT_EQ(name.front(), '/') << name;
        if (name == SelfExecutable()) {
            self = true;
#if defined(__x86_64__)
            EXPECT_GE(rip, d.U64(m));
            EXPECT_LT(rip, d.U64(m) + d.U32(m + 8));
#endif
        }
        libc = libc || name.find("libc.so") != std::string::npos;
    }
    EXPECT_TRUE(self);
    EXPECT_TRUE(libc);

    const std::vector<std::string> lines = LogTexts(log);
    ASSERT_GE(lines.size(), 4u);
    char expected[96];
    std::snprintf(expected, sizeof expected, "Caught an excetpion! Exception Code:0000000b Address:%08llx",
                  static_cast<unsigned long long>(reinterpret_cast<uintptr_t>(g_forbidden)));
    EXPECT_EQ(lines[0], expected);
    EXPECT_EQ(lines[1], "Memory status:");
    EXPECT_EQ(lines[2].rfind("Total physical memory:", 0), 0u);
    EXPECT_EQ(lines[3].rfind("Total   page    files:", 0), 0u);
}

TEST(CrashHandler, LaterCrashesKeepEarlierDumps)
{
    testsupport::TempDir dir;
    std::ofstream(dir / "Zuldump1.dmp") << "an earlier dump";
    const std::string log = (dir / "Salvix.log").string();
    for (int i = 0; i < 2; ++i) ASSERT_TRUE(WIFSIGNALED(CrashChild(CrashKind::BadPointer, dir.path(), log)));
    EXPECT_EQ(Dump(dir / "Zuldump0.dmp").U32(0), minidump::kSignature);
    EXPECT_EQ(Dump(dir / "Zuldump1.dmp").Size(), std::string("an earlier dump").size());
    EXPECT_EQ(Dump(dir / "Zuldump2.dmp").U32(0), minidump::kSignature);
    EXPECT_FALSE(fs::exists(dir / "Zuldump3.dmp"));
}

TEST(CrashHandler, StackOverflowAbortAndSentSignalsAreDumped)
{
    struct Case {
        CrashKind kind;
        int signal;
    } cases[] = {{CrashKind::StackOverflow, SIGSEGV}, {CrashKind::Abort, SIGABRT}, {CrashKind::Sent, SIGBUS}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.signal);
        testsupport::TempDir dir;
        const int status = CrashChild(c.kind, dir.path(), (dir / "Salvix.log").string());
        ASSERT_TRUE(WIFSIGNALED(status));
        EXPECT_EQ(WTERMSIG(status), c.signal);
        const Dump d(dir / "Zuldump0.dmp");
        ASSERT_EQ(d.U32(0), minidump::kSignature);
        const auto streams = d.Streams();
        ASSERT_TRUE(streams.count(minidump::kExceptionStream));
        EXPECT_EQ(d.U32(streams.at(minidump::kExceptionStream).second + 8), uint32_t(c.signal));
        if (c.kind != CrashKind::StackOverflow) { // no faulting address: a sent signal carries its sender instead
            EXPECT_EQ(d.U64(streams.at(minidump::kExceptionStream).second + 24), 0u);
        }
        // The overflowing thread's stack is still found, in the mapping next to its stack pointer.
        const uint32_t threads = streams.at(minidump::kThreadListStream).second;
        EXPECT_GT(d.U32(threads + 4 + 32), 0u);
    }
}

TEST(CrashHandler, UnwritableDumpFolderIsLogged)
{
    testsupport::TempDir dir;
    const std::string log = (dir / "Salvix.log").string();
    const int status = CrashChild(CrashKind::BadPointer, dir / "missing" / "folder", log);
    ASSERT_TRUE(WIFSIGNALED(status));
    const std::vector<std::string> lines = LogTexts(log);
    ASSERT_FALSE(lines.empty());
    EXPECT_EQ(lines.back(), "Failed to process the exception!");
}

unsigned g_notified = 0;
void RecordNotice(unsigned id)
{
    g_notified = id;
}

TEST(CrashHandler, OutOfMemoryTellsTheUserAndExitsNonZero)
{
    struct Case {
        int recoverRaw;
        unsigned message;
    } cases[] = {{1, 61240}, {0, 307}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.message);
        testsupport::TempDir dir;
        const std::string log = (dir / "Salvix.log").string();
        const pid_t child = ::fork();
        if (child == 0) {
            InitLog(log.c_str(), LOGLEVEL_NORMAL, LOGTYPE_STANDALONE);
            SetCrashLogPath(log);
            InstallCrashHandler(dir.path().string());
            GetRecoverySettings()->m_recoverRawFiles = c.recoverRaw;
            SetOutOfMemoryNotifier([](unsigned id) {
                RecordNotice(id);
                std::ofstream(fs::path(plat::log::CurrentPath()).parent_path() / "notice") << id;
            });
            plat::OutOfMemory(size_t(1) << 40);
        }
        int status = 0;
        ASSERT_EQ(::waitpid(child, &status, 0), child);
        ASSERT_TRUE(WIFEXITED(status));
        EXPECT_EQ(WEXITSTATUS(status), plat::kOutOfMemoryExitStatus);

        std::ifstream notice(dir / "notice");
        unsigned shown = 0;
        notice >> shown;
        EXPECT_EQ(shown, c.message);

        const Dump d(dir / "Zuldump0.dmp");
        ASSERT_EQ(d.U32(0), minidump::kSignature);
        const auto streams = d.Streams();
        EXPECT_EQ(d.U32(streams.at(minidump::kExceptionStream).second + 8), minidump::kOutOfMemoryCode);

        const std::vector<std::string> lines = LogTexts(log);
        auto has = [&](const std::string& prefix) {
            for (const std::string& l : lines)
                if (l.rfind(prefix, 0) == 0) return true;
            return false;
        };
        EXPECT_TRUE(has("Failed to alloc 0x10000000000 bytes"));
        EXPECT_TRUE(has("Caught an excetpion! Exception Code:e0000001"));
        EXPECT_TRUE(has("The program ends: out of memory"));
    }
}

TEST(CrashHandler, MessageIdsAndDumpNames)
{
    EXPECT_EQ(OutOfMemoryMessageId(true), 61240u);
    EXPECT_EQ(OutOfMemoryMessageId(false), 307u);

    testsupport::TempDir dir;
    unsigned n = 99;
    int fd = CreateDumpFile(dir.path().c_str(), 0, &n);
    ASSERT_GE(fd, 0);
    ::close(fd);
    EXPECT_EQ(n, 0u);
    fd = CreateDumpFile((dir.path().string() + "/").c_str(), 0, &n);
    ASSERT_GE(fd, 0);
    ::close(fd);
    EXPECT_EQ(n, 1u);
    fs::create_symlink("/tmp/elsewhere", dir / "Zuldump2.dmp"); // never followed or replaced
    fd = CreateDumpFile(dir.path().c_str(), 0, &n);
    ASSERT_GE(fd, 0);
    ::close(fd);
    EXPECT_EQ(n, 3u);
    EXPECT_EQ(CreateDumpFile("", 0, &n), -1);
    EXPECT_EQ(CreateDumpFile(nullptr, 0, &n), -1);
}

} // namespace
