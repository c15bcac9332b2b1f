// Disk identification texts from sysfs.
#include "platform/DiskIdentity.h"

#include "platform/BlockDevice.h"
#include "platform/SysFiles.h"

#include <filesystem>
#include <fstream>
#include <sstream>
#include <sys/stat.h>
#include <sys/sysmacros.h>

namespace fs = std::filesystem;

namespace plat {

namespace {

// One line of a sysfs attribute, without its newline; at most a page.
std::string ReadAttribute(const fs::path& file)
{
    std::ifstream in(file, std::ios::binary);
    if (!in) return {};
    std::string text(4096, '\0');
    in.read(text.data(), static_cast<std::streamsize>(text.size()));
    text.resize(static_cast<size_t>(in.gcount()));
    const size_t nl = text.find('\n');
    if (nl != std::string::npos) text.resize(nl);
    return text;
}

// The unit serial number page (0x80): a 4-byte header, then the serial of the length in byte 3.
std::string SerialFromVpdPage80(const fs::path& file)
{
    std::ifstream in(file, std::ios::binary);
    if (!in) return {};
    char page[256];
    in.read(page, sizeof(page));
    const size_t got = static_cast<size_t>(in.gcount());
    if (got < 4) return {};
    size_t length = static_cast<unsigned char>(page[3]);
    if (length > got - 4) length = got - 4;
    return std::string(page + 4, length);
}

} // namespace

int32_t BusTypeFromSysfsPath(const std::string& p)
{
    if (p.find("/devices/virtual/block/loop") != std::string::npos) return kBusFileBackedVirtual;
    if (p.find("/usb") != std::string::npos) return kBusUsb;
    if (p.find("/nvme") != std::string::npos) return kBusNvme;
    if (p.find("/mmc") != std::string::npos) return kBusSd;
    if (p.find("/firewire") != std::string::npos || p.find("/fw") != std::string::npos) return kBus1394;
    if (p.find("/ata") != std::string::npos) return kBusAta;
    if (p.find("/host") != std::string::npos || p.find("/virtio") != std::string::npos) return kBusScsi;
    if (p.find("/devices/virtual/") != std::string::npos) return kBusVirtual;
    return kBusUnknown;
}

DiskIdentity ReadDiskIdentity(const std::string& sysDeviceDir)
{
    const fs::path dir(sysDeviceDir);
    std::error_code ec;
    const fs::path resolved = fs::canonical(dir, ec);
    DiskIdentity id;
    id.busType = BusTypeFromSysfsPath(ec ? sysDeviceDir : resolved.string());
    const fs::path dev = dir / "device";
    id.vendor = ReadAttribute(dev / "vendor");
    id.product = ReadAttribute(dev / "model");
    id.revision = ReadAttribute(dev / "rev");
    if (id.revision.empty()) id.revision = ReadAttribute(dev / "firmware_rev");
    id.serial = ReadAttribute(dev / "serial");
    if (id.serial.empty()) id.serial = ReadAttribute(dir / "serial");
    if (id.serial.empty()) id.serial = SerialFromVpdPage80(dev / "vpd_pg80");
    id.wwn = ReadAttribute(dir / "wwid");
    if (id.wwn.empty()) id.wwn = ReadAttribute(dev / "wwid");
    if (id.busType == kBusFileBackedVirtual && id.product.empty()) {
        const std::string backing = ReadAttribute(dir / "loop" / "backing_file");
        id.product = backing.empty() ? dir.filename().string() : fs::path(backing).filename().string();
    }
    return id;
}

bool QueryDiskIdentity(const std::string& devicePath, DiskIdentity* identity)
{
    auto device = BlockDevice::Open(devicePath);
    if (!device) return false;
    *identity = DiskIdentity();
    if (!device->IsBlockDevice()) {
        identity->busType = kBusFileBackedVirtual;
        identity->product = fs::path(devicePath).filename().string();
        return true;
    }
    struct stat st {};
    if (::fstat(device->Fd(), &st) != 0) return false;
    std::string dir = SysBlockDir(st.st_rdev);
    // A partition is described by the disk that holds it.
    if (fs::exists(dir + "/partition")) dir += "/..";
    *identity = ReadDiskIdentity(dir);
    return true;
}

} // namespace plat
