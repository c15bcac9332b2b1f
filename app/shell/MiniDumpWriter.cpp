// The minidump writer. It runs inside a signal handler, so it keeps its buffers in static storage, encodes
// every record byte by byte, and reads /proc/self/maps with plain read(2) calls.
#include "app/shell/MiniDumpWriter.h"

#include "core/TextConverters.h"
#include "platform/FdIo.h"

#include <cerrno>
#include <csignal>
#include <cstring>
#include <ctime>
#include <initializer_list>
#include <fcntl.h>
#include <sys/syscall.h>
#include <sys/utsname.h>
#include <unistd.h>

#if defined(__x86_64__) || defined(__i386__)
#include <cpuid.h>
#endif

namespace minidump {

namespace {

// ---- facts gathered before any crash ----
struct SystemFacts {
    bool ready = false;
    uint16_t architecture = kArchitectureUnknown;
    uint16_t level = 0;
    uint16_t revision = 0;
    uint8_t processors = 1;
    uint32_t major = 0, minor = 0, patch = 0;
    uint32_t vendor[3] = {};
    uint32_t version = 0, features = 0, extFeatures = 0;
    char text[512] = {}; // uname: system, release, version, machine
};
SystemFacts g_facts;

// ---- output with a sticky error ----
class Out {
public:
    explicit Out(int fd) : m_fd(fd) {}
    bool Ok() const { return m_ok; }
    uint32_t Pos() const { return m_pos; }
    void Fail() { m_ok = false; }

    void Write(const void* data, size_t n)
    {
        if (!m_ok) return;
        const plat::FdTransfer t = plat::WriteFull(m_fd, data, n);
        m_pos += uint32_t(t.done);
        if (t.done < n) m_ok = false;
    }
    // Writes what can be read of a memory range; returns the bytes written. A part that cannot be read
    // ends the copy without failing the dump.
    size_t WriteMemory(uintptr_t start, size_t n)
    {
        size_t done = 0;
        while (m_ok && done < n) {
            // The raw system call: the kernel checks what can be read, and a sanitizer's wrapper of write
            // would object to the stack's guard zones.
            const ssize_t w = ::syscall(SYS_write, m_fd, reinterpret_cast<const void*>(start + done), n - done);
            if (w < 0 && errno == EINTR) continue;
            if (w < 0 && errno == EFAULT) break;
            if (w <= 0) {
                m_ok = false;
                break;
            }
            done += size_t(w);
            m_pos += uint32_t(w);
        }
        return done;
    }
    void Zeros(size_t n)
    {
        static const uint8_t zero[256] = {};
        while (m_ok && n > 0) {
            const size_t k = n < sizeof zero ? n : sizeof zero;
            Write(zero, k);
            n -= k;
        }
    }
    void Align(uint32_t to)
    {
        const uint32_t pad = (to - (m_pos % to)) % to;
        Zeros(pad);
    }
    void Seek(uint32_t pos)
    {
        if (!m_ok) return;
        if (::lseek(m_fd, off_t(pos), SEEK_SET) != off_t(pos))
            m_ok = false;
        else
            m_pos = pos;
    }

private:
    int m_fd;
    uint32_t m_pos = 0;
    bool m_ok = true;
};

// ---- little-endian encoding into a record buffer ----
class Record {
public:
    Record(uint8_t* buf, size_t size) : m_buf(buf), m_size(size) { std::memset(buf, 0, size); }
    void U8(size_t at, uint8_t v) { Put(at, v, 1); }
    void U16(size_t at, uint16_t v) { Put(at, v, 2); }
    void U32(size_t at, uint32_t v) { Put(at, v, 4); }
    void U64(size_t at, uint64_t v) { Put(at, v, 8); }
    void Bytes(size_t at, const void* p, size_t n)
    {
        if (at <= m_size && n <= m_size - at) std::memcpy(m_buf + at, p, n);
    }
    const uint8_t* Data() const { return m_buf; }
    size_t Size() const { return m_size; }

private:
    void Put(size_t at, uint64_t v, int n)
    {
        if (at > m_size || size_t(n) > m_size - at) return;
        for (int i = 0; i < n; ++i) m_buf[at + size_t(i)] = uint8_t(v >> (8 * i));
    }
    uint8_t* m_buf;
    size_t m_size;
};

// A UTF-16 text record from UTF-8 bytes (invalid sequences become U+FFFD). Returns the record's size.
uint32_t WriteText(Out& out, const char* s, size_t n)
{
    static uint8_t units[2 * 4200];
    size_t count = 0;
    const size_t cap = sizeof units / 2 - 2;
    auto put = [&](uint32_t u) {
        units[count * 2] = uint8_t(u);
        units[count * 2 + 1] = uint8_t(u >> 8);
        ++count;
    };
    const auto* p = reinterpret_cast<const unsigned char*>(s);
    for (size_t i = 0; i < n && count < cap;) {
        // Malformed bytes become U+FFFD one at a time; a four-byte sequence becomes a surrogate pair.
        uint32_t value = 0;
        const int got = DecodeUtf8Char(reinterpret_cast<const char*>(p) + i, n - i, value);
        const size_t len = got > 0 ? size_t(got) : 1;
        const bool pair = got == 4;
        const uint32_t cp = got > 0 ? value : 0xFFFD;
        if (pair) {
            put(0xD800 | (cp >> 10));
            put(0xDC00 | (cp & 0x3FF));
        } else {
            put(cp);
        }
        i += len;
    }
    uint8_t head[4];
    Record r(head, sizeof head);
    r.U32(0, uint32_t(count * 2));
    out.Write(head, sizeof head);
    put(0);
    out.Write(units, count * 2);
    return uint32_t(4 + count * 2);
}

// ---- /proc/self/maps ----
struct MapsLine {
    uintptr_t start = 0;
    uintptr_t end = 0;
    uint64_t offset = 0;
    const char* path = nullptr; // not terminated; pathLength bytes
    size_t pathLength = 0;
};

bool ParseHex(const char*& p, const char* end, uint64_t& v)
{
    v = 0;
    const char* begin = p;
    while (p < end) {
        const char c = *p;
        int d;
        if (c >= '0' && c <= '9')
            d = c - '0';
        else if (c >= 'a' && c <= 'f')
            d = c - 'a' + 10;
        else if (c >= 'A' && c <= 'F')
            d = c - 'A' + 10;
        else
            break;
        v = (v << 4) | uint64_t(d);
        ++p;
    }
    return p > begin;
}

void SkipSpaces(const char*& p, const char* end)
{
    while (p < end && *p == ' ') ++p;
}

void SkipField(const char*& p, const char* end)
{
    while (p < end && *p != ' ') ++p;
}

bool ParseMapsLine(const char* s, size_t n, MapsLine& line)
{
    const char* p = s;
    const char* end = s + n;
    uint64_t start, stop, offset;
    if (!ParseHex(p, end, start) || p >= end || *p++ != '-' || !ParseHex(p, end, stop)) return false;
    SkipSpaces(p, end);
    SkipField(p, end); // permissions
    SkipSpaces(p, end);
    if (!ParseHex(p, end, offset)) return false;
    SkipSpaces(p, end);
    SkipField(p, end); // device
    SkipSpaces(p, end);
    SkipField(p, end); // inode
    SkipSpaces(p, end);
    line.start = uintptr_t(start);
    line.end = uintptr_t(stop);
    line.offset = offset;
    line.path = p;
    line.pathLength = size_t(end - p);
    return stop > start;
}

// Calls fn(const MapsLine&) for each line of /proc/self/maps; a line longer than the buffer is cut.
template <typename Fn>
bool ForEachMapping(Fn&& fn)
{
    static char buf[8192];
    static char line[4096 + 128];
    const int fd = ::open("/proc/self/maps", O_RDONLY | O_CLOEXEC);
    if (fd < 0) return false;
    size_t lineLen = 0;
    bool overflow = false;
    for (;;) {
        const ssize_t r = ::read(fd, buf, sizeof buf);
        if (r < 0 && errno == EINTR) continue;
        if (r <= 0) break;
        for (ssize_t i = 0; i < r; ++i) {
            const char c = buf[i];
            if (c == '\n') {
                MapsLine m;
                if (ParseMapsLine(line, lineLen, m)) fn(m);
                lineLen = 0;
                overflow = false;
            } else if (lineLen < sizeof line) {
                line[lineLen++] = c;
            } else {
                overflow = true;
            }
        }
    }
    (void)overflow;
    if (lineLen > 0) {
        MapsLine m;
        if (ParseMapsLine(line, lineLen, m)) fn(m);
    }
    ::close(fd);
    return true;
}

// Groups the file-backed mappings into modules: a module starts at a mapping of offset 0 and takes in
// the following mappings of the same file. Calls fn(base, size, path, pathLength) per module.
template <typename Fn>
bool ForEachModule(Fn&& fn)
{
    static char current[4096];
    static size_t currentLen = 0;
    static uintptr_t base = 0, end = 0;
    static bool open = false;
    open = false;
    auto flush = [&]() {
        if (open) fn(base, end - base, current, currentLen);
        open = false;
    };
    const bool ok = ForEachMapping([&](const MapsLine& m) {
        if (m.pathLength == 0 || m.path[0] != '/') return;
        if (open && m.pathLength == currentLen && std::memcmp(m.path, current, currentLen) == 0) {
            if (m.end > end) end = m.end;
            return;
        }
        if (m.offset != 0) return;
        flush();
        if (m.pathLength > sizeof current) return;
        std::memcpy(current, m.path, m.pathLength);
        currentLen = m.pathLength;
        base = m.start;
        end = m.end;
        open = true;
    });
    flush();
    return ok;
}

// ---- records ----
uint32_t DigitsValue(const char*& p)
{
    uint32_t v = 0;
    while (*p >= '0' && *p <= '9') v = v * 10 + uint32_t(*p++ - '0');
    return v;
}

uintptr_t StackPointer(const ucontext_t* uc)
{
#if defined(__x86_64__)
    return uc ? uintptr_t(uc->uc_mcontext.gregs[REG_RSP]) : 0;
#else
    (void)uc;
    return 0;
#endif
}

size_t EncodeContext(const ucontext_t* uc, uint8_t* buf)
{
#if defined(__x86_64__)
    Record r(buf, kContextAmd64Size);
    r.U32(48, kContextAmd64Full);
    if (!uc) return kContextAmd64Size;
    const greg_t* g = uc->uc_mcontext.gregs;
    const uint64_t csgsfs = uint64_t(g[REG_CSGSFS]);
    r.U16(56, uint16_t(csgsfs));       // CS
    r.U16(64, uint16_t(csgsfs >> 16)); // GS
    r.U16(62, uint16_t(csgsfs >> 32)); // FS
    r.U16(66, uint16_t(csgsfs >> 48)); // SS
    r.U32(68, uint32_t(g[REG_EFL]));
    const int order[16] = {REG_RAX, REG_RCX, REG_RDX, REG_RBX, REG_RSP, REG_RBP, REG_RSI, REG_RDI,
                           REG_R8,  REG_R9,  REG_R10, REG_R11, REG_R12, REG_R13, REG_R14, REG_R15};
    for (int i = 0; i < 16; ++i) r.U64(120 + size_t(i) * 8, uint64_t(g[order[i]]));
    r.U64(248, uint64_t(g[REG_RIP]));
    if (uc->uc_mcontext.fpregs) {
        r.U32(52, uc->uc_mcontext.fpregs->mxcsr);
        r.Bytes(256, uc->uc_mcontext.fpregs, 512); // the FXSAVE image, as the format keeps it
    }
    return kContextAmd64Size;
#else
    (void)uc;
    (void)buf;
    return 0;
#endif
}

} // namespace

void PrepareSystemInfo()
{
    SystemFacts f;
#if defined(__x86_64__)
    f.architecture = kArchitectureAmd64;
#endif
#if defined(__x86_64__) || defined(__i386__)
    unsigned a = 0, b = 0, c = 0, d = 0;
    if (__get_cpuid(0, &a, &b, &c, &d)) {
        f.vendor[0] = b;
        f.vendor[1] = d;
        f.vendor[2] = c;
    }
    if (__get_cpuid(1, &a, &b, &c, &d)) {
        f.version = a;
        f.features = d;
        unsigned family = (a >> 8) & 0xF;
        unsigned model = (a >> 4) & 0xF;
        if (family == 0xF) family += (a >> 20) & 0xFF;
        if (family == 0x6 || family >= 0xF) model |= ((a >> 16) & 0xF) << 4;
        f.level = uint16_t(family);
        f.revision = uint16_t((model << 8) | (a & 0xF));
    }
    if (__get_cpuid(0x80000001, &a, &b, &c, &d)) f.extFeatures = d;
#endif
    const long cpus = ::sysconf(_SC_NPROCESSORS_ONLN);
    f.processors = uint8_t(cpus < 1 ? 1 : cpus > 255 ? 255 : cpus);
    utsname u{};
    if (::uname(&u) == 0) {
        const char* p = u.release;
        f.major = DigitsValue(p);
        if (*p == '.') {
            ++p;
            f.minor = DigitsValue(p);
            if (*p == '.') {
                ++p;
                f.patch = DigitsValue(p);
            }
        }
        size_t n = 0;
        for (const char* part : {u.sysname, u.release, u.version, u.machine}) {
            for (const char* q = part; *q && n + 2 < sizeof f.text; ++q) f.text[n++] = *q;
            if (n + 2 < sizeof f.text) f.text[n++] = ' ';
        }
        if (n > 0 && f.text[n - 1] == ' ') --n;
        f.text[n] = '\0';
    }
    f.ready = true;
    g_facts = f;
}

bool WriteMiniDump(int fd, const CrashInfo& info)
{
    constexpr uint32_t kStreams = 6;
    static uint8_t rec[kContextAmd64Size];
    Out out(fd);

    // Header and directory are written last, once every offset is known.
    out.Zeros(kHeaderSize + kStreams * kDirectoryEntrySize);
    struct Entry {
        uint32_t type, size, rva;
    } dir[kStreams] = {};
    uint32_t used = 0;

    // System information and its text.
    const uint32_t sysRva = out.Pos();
    out.Zeros(kSystemInfoSize);
    const uint32_t textRva = out.Pos();
    WriteText(out, g_facts.text, std::strlen(g_facts.text));
    out.Align(8);
    const uint32_t afterSys = out.Pos();
    {
        Record r(rec, kSystemInfoSize);
        r.U16(0, g_facts.architecture);
        r.U16(2, g_facts.level);
        r.U16(4, g_facts.revision);
        r.U8(6, g_facts.processors);
        r.U8(7, 1);
        r.U32(8, g_facts.major);
        r.U32(12, g_facts.minor);
        r.U32(16, g_facts.patch);
        r.U32(20, kPlatformLinux);
        r.U32(24, textRva);
        r.U32(32, g_facts.vendor[0]);
        r.U32(36, g_facts.vendor[1]);
        r.U32(40, g_facts.vendor[2]);
        r.U32(44, g_facts.version);
        r.U32(48, g_facts.features);
        r.U32(52, g_facts.extFeatures);
        out.Seek(sysRva);
        out.Write(rec, kSystemInfoSize);
        out.Seek(afterSys);
    }
    dir[used++] = {kSystemInfoStream, uint32_t(kSystemInfoSize), sysRva};

    // The crashing thread's registers.
    const uint32_t contextRva = out.Pos();
    const size_t contextSize = EncodeContext(info.context, rec);
    out.Write(rec, contextSize);
    out.Align(16);

    // Its stack: from just below the stack pointer (the red zone) up to kStackBytes, within its mapping.
    // When the pointer lies outside every mapping (an overflow into the guard page) the mapping just
    // above it is taken.
    const uintptr_t sp = StackPointer(info.context);
    uintptr_t stackStart = 0, stackEnd = 0;
    if (sp) {
        uintptr_t above = 0, aboveEnd = 0;
        ForEachMapping([&](const MapsLine& m) {
            if (m.start <= sp && sp < m.end) {
                stackStart = m.start;
                stackEnd = m.end;
            } else if (m.start > sp && m.start - sp <= 1024 * 1024 && (above == 0 || m.start < above)) {
                above = m.start;
                aboveEnd = m.end;
            }
        });
        if (stackEnd == 0 && above != 0) {
            stackStart = above;
            stackEnd = aboveEnd;
        }
        if (stackEnd != 0) {
            const uintptr_t low = sp > 128 ? sp - 128 : 0;
            if (low > stackStart) stackStart = low;
            if (stackEnd - stackStart > kStackBytes) stackEnd = stackStart + kStackBytes;
        }
    }
    const uint32_t stackRva = out.Pos();
    const size_t stackSize = stackEnd > stackStart ? out.WriteMemory(stackStart, stackEnd - stackStart) : 0;
    out.Align(8);

    // The thread list: the crashing thread only.
    const uint32_t threadsRva = out.Pos();
    {
        Record r(rec, 4 + kThreadSize);
        r.U32(0, 1);
        r.U32(4 + 0, uint32_t(info.threadId));
        r.U64(4 + 24, stackSize ? uint64_t(stackStart) : 0);
        r.U32(4 + 32, uint32_t(stackSize));
        r.U32(4 + 36, stackSize ? stackRva : 0);
        r.U32(4 + 40, uint32_t(contextSize));
        r.U32(4 + 44, contextSize ? contextRva : 0);
        out.Write(rec, r.Size());
    }
    dir[used++] = {kThreadListStream, uint32_t(4 + kThreadSize), threadsRva};

    // The memory list: the same stack range.
    const uint32_t memoryRva = out.Pos();
    {
        Record r(rec, 4 + kMemoryDescriptorSize);
        r.U32(0, stackSize ? 1 : 0);
        r.U64(4, uint64_t(stackStart));
        r.U32(12, uint32_t(stackSize));
        r.U32(16, stackRva);
        out.Write(rec, stackSize ? r.Size() : 4);
    }
    dir[used++] = {kMemoryListStream, uint32_t(stackSize ? 4 + kMemoryDescriptorSize : 4), memoryRva};
    out.Align(8);

    // The exception.
    const uint32_t exceptionRva = out.Pos();
    {
        Record r(rec, kExceptionStreamSize);
        r.U32(0, uint32_t(info.threadId));
        r.U32(8, info.exceptionCode);
        r.U32(12, info.exceptionFlags);
        r.U64(24, info.exceptionAddress);
        r.U32(160, uint32_t(contextSize));
        r.U32(164, contextSize ? contextRva : 0);
        out.Write(rec, kExceptionStreamSize);
    }
    dir[used++] = {kExceptionStream, uint32_t(kExceptionStreamSize), exceptionRva};

    // The module list: count the modules first, then write each entry with its name after the entries.
    uint32_t expected = 0;
    ForEachModule([&](uintptr_t, uintptr_t, const char*, size_t) { ++expected; });
    const uint32_t modulesRva = out.Pos();
    out.Zeros(4 + size_t(expected) * kModuleSize);
    uint32_t nameCursor = out.Pos();
    uint32_t written = 0;
    ForEachModule([&](uintptr_t base, uintptr_t size, const char* path, size_t pathLength) {
        if (written >= expected || !out.Ok()) return;
        out.Seek(nameCursor);
        const uint32_t nameRva = out.Pos();
        nameCursor += WriteText(out, path, pathLength);
        nameCursor = (nameCursor + 3u) & ~3u;
        Record r(rec, kModuleSize);
        r.U64(0, uint64_t(base));
        r.U32(8, uint32_t(size > 0xFFFFFFFFu ? 0xFFFFFFFFu : size));
        r.U32(20, nameRva);
        out.Seek(modulesRva + 4 + written * uint32_t(kModuleSize));
        out.Write(rec, kModuleSize);
        ++written;
    });
    {
        Record r(rec, 4);
        r.U32(0, written);
        out.Seek(modulesRva);
        out.Write(rec, 4);
        out.Seek(nameCursor);
    }
    dir[used++] = {kModuleListStream, uint32_t(4 + size_t(written) * kModuleSize), modulesRva};
    out.Align(8);

    // The memory map as text, for readers that want more than the module list.
    const uint32_t mapsRva = out.Pos();
    uint32_t mapsSize = 0;
    {
        static char buf[8192];
        const int maps = ::open("/proc/self/maps", O_RDONLY | O_CLOEXEC);
        if (maps >= 0) {
            for (;;) {
                const ssize_t r = ::read(maps, buf, sizeof buf);
                if (r < 0 && errno == EINTR) continue;
                if (r <= 0) break;
                out.Write(buf, size_t(r));
                mapsSize += uint32_t(r);
            }
            ::close(maps);
        }
    }
    dir[used++] = {kLinuxMapsStream, mapsSize, mapsRva};

    // Header and directory.
    out.Seek(0);
    {
        timespec now{};
        ::clock_gettime(CLOCK_REALTIME, &now);
        Record r(rec, kHeaderSize + kStreams * kDirectoryEntrySize);
        r.U32(0, kSignature);
        r.U32(4, kVersion);
        r.U32(8, used);
        r.U32(12, uint32_t(kHeaderSize));
        r.U32(20, uint32_t(now.tv_sec));
        for (uint32_t i = 0; i < used; ++i) {
            r.U32(kHeaderSize + i * kDirectoryEntrySize, dir[i].type);
            r.U32(kHeaderSize + i * kDirectoryEntrySize + 4, dir[i].size);
            r.U32(kHeaderSize + i * kDirectoryEntrySize + 8, dir[i].rva);
        }
        out.Write(rec, r.Size());
    }
    return out.Ok();
}

} // namespace minidump
