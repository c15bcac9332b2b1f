// Linux side of the read-only storage access: pread, BLKSSZGET/BLKGETSIZE64/HDIO_GETGEO and SG_IO.
#include "platform/BlockDevice.h"

#include "core/bytes/ByteReader.h"
#include "platform/Errors.h"
#include "platform/FdIo.h"
#include "platform/SysFiles.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <fstream>
#include <linux/fs.h>
#include <linux/hdreg.h>
#include <scsi/sg.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

namespace plat {

namespace {

constexpr unsigned kFloppyMajor = 2;

bool ReadSysfsFlag(const std::string& path)
{
    return ReadSysNumber(path) != 0;
}

// Removable flag of the whole disk that holds a block device (a partition has none of its own).
bool IsRemovable(dev_t rdev)
{
    const std::string base = SysBlockDir(rdev);
    struct stat st {};
    if (::stat((base + "/partition").c_str(), &st) == 0) return ReadSysfsFlag(base + "/../removable");
    return ReadSysfsFlag(base + "/removable");
}

} // namespace

DiskGeometry MakeGeometry(uint64_t lengthBytes, uint32_t bytesPerSector, uint32_t heads, uint32_t sectorsPerTrack,
                          uint32_t mediaType)
{
    DiskGeometry g;
    g.bytesPerSector = bytesPerSector;
    g.tracksPerCylinder = heads ? heads : 255;
    g.sectorsPerTrack = sectorsPerTrack ? sectorsPerTrack : 63;
    g.mediaType = mediaType;
    const uint64_t cylinderBytes =
        uint64_t(g.tracksPerCylinder) * g.sectorsPerTrack * (bytesPerSector ? bytesPerSector : 512);
    g.cylinders = static_cast<int64_t>(lengthBytes / cylinderBytes);
    return g;
}

uint32_t FloppyMediaType(uint64_t lengthBytes)
{
    switch (lengthBytes) {
    case 1474560: return kMediaF3_1Pt44_512;
    case 2949120: return kMediaF3_2Pt88_512;
    case 1228800: return kMediaF5_1Pt2_512;
    case 737280: return kMediaF3_720_512;
    case 368640: return kMediaF5_360_512;
    default: return kMediaRemovable;
    }
}

std::unique_ptr<BlockDevice> BlockDevice::Open(const std::string& path, uint32_t* error)
{
    auto fail = [error](uint32_t code) -> std::unique_ptr<BlockDevice> {
        if (error) *error = code;
        SetLastError(code);
        return nullptr;
    };
    if (path.empty()) return fail(kErrFileNotFound);
    int fd;
    do {
        // Non-blocking for the type probe: opening a FIFO without a writer would otherwise wait for ever.
        fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    } while (fd < 0 && errno == EINTR);
    if (fd < 0) return fail(ErrorFromErrno(errno));
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !(S_ISREG(st.st_mode) || S_ISBLK(st.st_mode))) {
        ::close(fd);
        return fail(kErrInvalidFunction);
    }
    const int flags = ::fcntl(fd, F_GETFL);
    if (flags < 0 || ::fcntl(fd, F_SETFL, flags & ~O_NONBLOCK) != 0) {
        const uint32_t code = ErrorFromErrno(errno);
        ::close(fd);
        return fail(code);
    }
    if (error) *error = 0;
    return std::unique_ptr<BlockDevice>(new BlockDevice(fd, path, S_ISBLK(st.st_mode)));
}

BlockDevice::BlockDevice(int fd, std::string path, bool isBlock) : m_fd(fd), m_path(std::move(path)), m_isBlock(isBlock)
{
}

BlockDevice::~BlockDevice()
{
    ::close(m_fd);
}

bool BlockDevice::ReadAt(uint64_t offset, void* buffer, size_t size, size_t* bytesRead, uint32_t* error)
{
    auto* out = static_cast<uint8_t*>(buffer);
    size_t done = 0;
    if (error) *error = 0;
    if (offset > static_cast<uint64_t>(INT64_MAX)) {
        if (bytesRead) *bytesRead = 0;
        if (error) *error = kErrInvalidParameter;
        return false;
    }
    const FdTransfer t = ReadFull(m_fd, out, size, static_cast<int64_t>(offset));
    done = t.done;
    if (t.error != 0) {
        const uint32_t code = ErrorFromErrno(t.error);
        if (bytesRead) *bytesRead = done;
        if (error) *error = code;
        SetLastError(code);
        return false;
    }
    if (bytesRead) *bytesRead = done;
    return true;
}

bool BlockDevice::GetLength(uint64_t* bytes)
{
    if (m_isBlock) {
        uint64_t size = 0;
        if (::ioctl(m_fd, BLKGETSIZE64, &size) != 0) return false;
        *bytes = size;
        return true;
    }
    struct stat st {};
    if (::fstat(m_fd, &st) != 0) return false;
    *bytes = static_cast<uint64_t>(st.st_size);
    return true;
}

bool BlockDevice::GetGeometry(DiskGeometry* geometry)
{
    uint64_t length = 0;
    if (!GetLength(&length)) return false;
    if (!m_isBlock) {
        *geometry = MakeGeometry(length, 512, 0, 0, kMediaFixed);
        return true;
    }
    int sectorSize = 0;
    if (::ioctl(m_fd, BLKSSZGET, &sectorSize) != 0 || sectorSize <= 0) sectorSize = 512;
    struct hd_geometry hd {};
    uint32_t heads = 0, sectors = 0;
    if (::ioctl(m_fd, HDIO_GETGEO, &hd) == 0) {
        heads = hd.heads;
        sectors = hd.sectors;
    }
    struct stat st {};
    uint32_t media = kMediaFixed;
    if (::fstat(m_fd, &st) == 0) {
        if (major(st.st_rdev) == kFloppyMajor)
            media = FloppyMediaType(length);
        else if (IsRemovable(st.st_rdev))
            media = kMediaRemovable;
    }
    *geometry = MakeGeometry(length, static_cast<uint32_t>(sectorSize), heads, sectors, media);
    return true;
}

uint64_t BlockDevice::ReadCapacity10(int target)
{
    // Only the device itself can be addressed; another target id of the same adapter is out of reach.
    if (target != 0 || !m_isBlock) return 0;
    unsigned char cdb[10] = {0x25, 0, 0, 0, 0, 0, 0, 0, 0, 0};
    unsigned char data[8] = {};
    unsigned char sense[32] = {};
    sg_io_hdr_t io{};
    io.interface_id = 'S';
    io.dxfer_direction = SG_DXFER_FROM_DEV;
    io.cmd_len = sizeof(cdb);
    io.cmdp = cdb;
    io.dxfer_len = sizeof(data);
    io.dxferp = data;
    io.mx_sb_len = sizeof(sense);
    io.sbp = sense;
    io.timeout = 4000;
    if (::ioctl(m_fd, SG_IO, &io) != 0) return 0;
    if ((io.info & SG_INFO_OK_MASK) != SG_INFO_OK || io.resid != 0) return 0;
    const uint32_t lastLba = bytes::ByteReader(data, sizeof data).u32be(0); // READ CAPACITY(10) answers big-endian
    return uint64_t(lastLba) + 1;
}

} // namespace plat
