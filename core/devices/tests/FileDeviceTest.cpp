// The image-file, disk and volume devices over real files and loop devices: sizes, path limits, the
// description, and proof that nothing is ever opened for writing or changed by a scan.
#include "core/devices/CDiskDevice.h"
#include "core/devices/CImageFileDevice.h"
#include "core/devices/CVolumeDevice.h"

#include "platform/DiskIdentity.h"
#include "tests/support/ScopedEnv.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <optional>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

using testsupport::ScopedEnv;

void WriteFile(const fs::path& path, size_t size)
{
    std::ofstream out(path, std::ios::binary);
    for (size_t i = 0; i < size; ++i) out.put(static_cast<char>((i / 512 * 7 + i % 512) & 0xFF));
}

uint64_t Fnv1a(const fs::path& path)
{
    std::ifstream in(path, std::ios::binary);
    uint64_t h = 1469598103934665603ull;
    char c;
    while (in.get(c)) h = (h ^ static_cast<uint8_t>(c)) * 1099511628211ull;
    return h;
}

// The process's descriptors open on a file, with their access mode and close-on-exec flag.
struct OpenFd {
    int fd;
    int accessMode;
    bool cloexec;
};

std::vector<OpenFd> FdsOpenOn(const fs::path& target)
{
    std::vector<OpenFd> out;
    std::error_code ec;
    const fs::path want = fs::canonical(target, ec);
    for (const auto& e : fs::directory_iterator("/proc/self/fd", ec)) {
        std::error_code linkError;
        const fs::path link = fs::read_symlink(e.path(), linkError);
        if (linkError || link != want) continue;
        const int fd = std::stoi(e.path().filename().string());
        out.push_back({fd, ::fcntl(fd, F_GETFL) & O_ACCMODE, (::fcntl(fd, F_GETFD) & FD_CLOEXEC) != 0});
    }
    return out;
}

void ExpectOnlyReadOnlyFds(const fs::path& target, size_t expected)
{
    const auto fds = FdsOpenOn(target);
    EXPECT_EQ(fds.size(), expected);
    for (const auto& f : fds) {
        EXPECT_EQ(f.accessMode, O_RDONLY);
        EXPECT_TRUE(f.cloexec);
        const char byte = 0;
        EXPECT_EQ(::pwrite(f.fd, &byte, 1, 0), -1);
        EXPECT_EQ(errno, EBADF);
    }
}

// Reads every sector of a device in runs of up to 64.
bool ReadAll(IStorageDevice& dev)
{
    const uint64_t count = dev.GetSectorCount();
    std::vector<uint8_t> buf(64 * static_cast<size_t>(dev.GetSectorSize()));
    bool ok = true;
    for (uint64_t s = 0; s < count; s += 64)
        ok = dev.ReadSectors(buf.data(), s, std::min<uint64_t>(64, count - s)) && ok;
    return ok;
}

} // namespace

TEST(CImageFileDevice, PartialLastSectorIsNotCounted)
{
    testsupport::TempDir dir;
    WriteFile(dir / "a.img", 1000);
    CImageFileDevice dev((dir / "a.img").string());
    ASSERT_TRUE(dev.IsOpen());
    EXPECT_EQ(dev.GetSectorCount(), 1u);
    EXPECT_EQ(dev.GetSectorSize(), 512);

    std::vector<uint8_t> buf(1024, 0xEE);
    EXPECT_TRUE(dev.ReadSectors(buf.data(), 0, 1));
    EXPECT_EQ(buf[511], 511 & 0xFF);
    std::fill(buf.begin(), buf.end(), 0xEE);
    EXPECT_FALSE(dev.ReadSectors(buf.data(), 1, 1));
    EXPECT_EQ(buf[0], 7); // the 488 bytes that exist are there
    EXPECT_EQ(buf[487], (7 + 487) & 0xFF);
    for (size_t i = 488; i < 512; ++i) ASSERT_EQ(buf[i], 0) << i;
    std::fill(buf.begin(), buf.end(), 0xEE);
    EXPECT_FALSE(dev.ReadSectors(buf.data(), 5, 2));
    EXPECT_EQ(buf, std::vector<uint8_t>(1024, 0));

    dev.Close();
    EXPECT_EQ(dev.GetSectorCount(), 0u);
    std::fill(buf.begin(), buf.end(), 0xEE);
    EXPECT_FALSE(dev.ReadSectors(buf.data(), 0, 1));
    EXPECT_EQ(buf[0], 0);
    EXPECT_TRUE(dev.Open());
}

TEST(CImageFileDevice, PathLengthLimit)
{
    // Paths longer than the other platform's 259 bytes are kept; only one past the Linux limit is dropped.
    testsupport::TempDir dir;
    fs::path folder = dir.path();
    while (folder.string().size() < 300) folder /= std::string(100, 'd');
    fs::create_directories(folder);
    const std::string longPath = (folder / "disk.img").string();
    WriteFile(longPath, 2048);

    CImageFileDevice kept(longPath);
    EXPECT_EQ(kept.GetPath(), longPath);
    EXPECT_TRUE(kept.IsOpen());
    EXPECT_EQ(kept.GetSectorCount(), 4u);
    EXPECT_EQ(kept.GetOpenError(), "");

    const std::string tooLong = (dir.path() / "").string() + std::string(CImageFileDevice::kMaxPath, 'y');
    CImageFileDevice dropped(tooLong);
    EXPECT_TRUE(dropped.GetPath().empty());
    EXPECT_FALSE(dropped.IsOpen());
    EXPECT_FALSE(dropped.Open());
    EXPECT_EQ(dropped.GetOpenError(), "File name too long");

    CImageFileDevice none(static_cast<const char*>(nullptr));
    EXPECT_FALSE(none.IsOpen());
}

TEST(CImageFileDevice, OddSourcesAreRefusedAtOnceWithTheirReason)
{
    // A FIFO opened for reading would wait for a writer for ever; each of these is refused without blocking.
    testsupport::TempDir dir;
    const fs::path fifo = dir / "pipe.img";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    const fs::path socketPath = dir / "socket.img";
    const int sock = ::socket(AF_UNIX, SOCK_STREAM, 0);
    ASSERT_GE(sock, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    std::snprintf(address.sun_path, sizeof address.sun_path, "%s", socketPath.c_str());
    ASSERT_EQ(::bind(sock, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
    const fs::path folder = dir / "folder.img";
    fs::create_directories(folder);
    const fs::path locked = dir / "locked.img";
    WriteFile(locked, 1024);
    fs::permissions(locked, fs::perms::none);
    const bool privileged = ::access(locked.c_str(), R_OK) == 0; // root reads it all the same

    struct Case {
        std::string path;
        const char* reason;
    };
    std::vector<Case> cases = {
        {fifo.string(), "a FIFO, not a disk image"},
        {socketPath.string(), "a socket, not a disk image"},
        {"/dev/null", "a character device, not a disk image"},
        {folder.string(), "Is a directory"},
        {(dir / "missing.img").string(), "No such file or directory"},
    };
    if (!privileged) cases.push_back({locked.string(), "Permission denied"});
    for (const Case& c : cases) {
        CImageFileDevice device(c.path);
        EXPECT_FALSE(device.IsOpen()) << c.path;
        EXPECT_EQ(device.GetOpenError(), c.reason) << c.path;
        EXPECT_FALSE(device.Open()) << c.path;
        EXPECT_EQ(device.GetSectorCount(), 0u) << c.path;
    }
    ::close(sock);
}

TEST(FileDevices, ScanningAnImageOpensItReadOnlyAndLeavesItUnchanged)
{
    testsupport::TempDir dir;
    const fs::path image = dir / "disk.img";
    // 100,000 sectors: not a whole number of 255 x 63 cylinders, so the exact length shows.
    WriteFile(image, 100000 * 512);
    const uint64_t hashBefore = Fnv1a(image);
    const auto timeBefore = fs::last_write_time(image);

    {
        CImageFileDevice file(image.string());
        ASSERT_TRUE(file.IsOpen());
        ExpectOnlyReadOnlyFds(image, 1);
        EXPECT_TRUE(ReadAll(file));
    }
    {
        ScopedEnv disks("SALVIX_DISKS", image.string());
        CDiskDevice disk(0);
        ASSERT_TRUE(disk.IsOpen());
        EXPECT_EQ(disk.GetSectorCount(), 100000u);
        EXPECT_EQ(disk.GetSectorSize(), 512);
        EXPECT_EQ(disk.GetDevicePath(), image.string());
        ExpectOnlyReadOnlyFds(image, 1);
        EXPECT_TRUE(ReadAll(disk));

        DiskDescription d;
        ASSERT_TRUE(disk.GetDiskDescription(&d));
        EXPECT_EQ(d.busType, plat::kBusFileBackedVirtual);
        EXPECT_STREQ(d.productId, "disk.img");
        EXPECT_STREQ(d.busTypeName, "");
        ExpectOnlyReadOnlyFds(image, 1); // the description's own descriptor is closed again

        // Re-opening closes the old descriptor first.
        EXPECT_TRUE(disk.Open());
        EXPECT_TRUE(disk.Open());
        ExpectOnlyReadOnlyFds(image, 1);
        EXPECT_FALSE(CDiskDevice(1).IsOpen());
    }
    {
        ScopedEnv drives("SALVIX_DRIVES", "c=" + image.string());
        CVolumeDevice volume('C');
        ASSERT_TRUE(volume.IsOpen());
        EXPECT_EQ(volume.GetSectorCount(), 100000u);
        EXPECT_EQ(volume.GetMediaType(), plat::kMediaFixed);
        EXPECT_TRUE(volume.IsReadable());
        EXPECT_EQ(volume.GetBadSectorMap().GetUnit(), 512u);
        ExpectOnlyReadOnlyFds(image, 1);
        EXPECT_TRUE(ReadAll(volume));
        EXPECT_FALSE(CVolumeDevice('D').IsOpen());
        EXPECT_FALSE(CVolumeDevice('@').IsOpen());
        EXPECT_TRUE(CVolumeDevice('c').IsOpen());
    }
    ExpectOnlyReadOnlyFds(image, 0);
    EXPECT_EQ(Fnv1a(image), hashBefore);
    EXPECT_EQ(fs::last_write_time(image), timeBefore);
}

// Loop devices need root; the test skips itself elsewhere, or where loop devices cannot be set up.
class LoopDevice {
public:
    LoopDevice(const fs::path& image, int sectorSize)
    {
        if (::geteuid() != 0) return;
        const std::string cmd =
            "losetup -f --show -b " + std::to_string(sectorSize) + " '" + image.string() + "' 2>/dev/null";
        FILE* p = ::popen(cmd.c_str(), "r");
        if (!p) return;
        char line[256] = {};
        if (std::fgets(line, sizeof(line), p)) m_path = std::string(line).substr(0, std::string(line).find('\n'));
        if (::pclose(p) != 0) m_path.clear();
    }
    ~LoopDevice()
    {
        if (!m_path.empty()) std::system(("losetup -d " + m_path + " 2>/dev/null").c_str());
    }
    const std::string& Path() const { return m_path; }

private:
    std::string m_path;
};

TEST(FileDevices, LoopDevicesOf512And4096ByteSectors)
{
    if (::geteuid() != 0) GTEST_SKIP() << "loop devices need root";
    for (int sectorSize : {512, 4096}) {
        SCOPED_TRACE(sectorSize);
        testsupport::TempDir dir;
        const fs::path image = dir / "loop.img";
        WriteFile(image, 4 << 20);
        const uint64_t hashBefore = Fnv1a(image);
        LoopDevice loop(image, sectorSize);
        if (loop.Path().empty()) GTEST_SKIP() << "no loop device could be set up";
        {
            ScopedEnv disks("SALVIX_DISKS", loop.Path());
            CDiskDevice disk(0);
            ASSERT_TRUE(disk.IsOpen());
            EXPECT_EQ(disk.GetSectorSize(), sectorSize);
            EXPECT_EQ(disk.GetSectorCount(), (4u << 20) / sectorSize);
            EXPECT_EQ(disk.GetBadSectorMap().GetUnit(), static_cast<uint32_t>(sectorSize));
            ExpectOnlyReadOnlyFds(loop.Path(), 1);

            std::vector<uint8_t> buf(static_cast<size_t>(sectorSize));
            ASSERT_TRUE(disk.ReadSectors(buf.data(), 1, 1));
            const size_t byte = static_cast<size_t>(sectorSize) + 3; // byte 3 of sector 1
            EXPECT_EQ(buf[3], static_cast<uint8_t>((byte / 512 * 7 + byte % 512) & 0xFF));
            EXPECT_TRUE(ReadAll(disk));

            IStorageDevice* view = disk.GetAs512SectorDevice();
            EXPECT_EQ(view->GetSectorCount(), (4u << 20) / 512);
            std::vector<uint8_t> sector(512);
            ASSERT_TRUE(view->ReadSectors(sector.data(), 9, 1));
            EXPECT_EQ(sector[0], static_cast<uint8_t>(9 * 7));

            DiskDescription d;
            ASSERT_TRUE(disk.GetDiskDescription(&d));
            EXPECT_EQ(d.busType, plat::kBusFileBackedVirtual);
            EXPECT_STREQ(d.productId, "loop.img");
        }
        EXPECT_EQ(Fnv1a(image), hashBefore);
    }
}
