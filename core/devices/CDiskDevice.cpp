// Physical disk device: open by index, sector size and count, reads with the not-ready retry.
#include "core/devices/CDiskDevice.h"

#include "core/bytes/ByteReader.h"
#include "core/devices/DynamicDisk.h"
#include "core/CRecoverySettings.h"
#include "platform/DiskIdentity.h"
#include "platform/DiskTable.h"
#include "platform/Errors.h"
#include "platform/Log.h"

#include <cinttypes>
#include <cstring>
#include <mutex>
#include <vector>

namespace {

std::unique_ptr<plat::IBlockDevice> OpenDiskFromTable(int index, std::string* path, uint32_t* error)
{
    plat::DiskEntry entry;
    if (!plat::GetDiskEntry(index, &entry)) {
        *error = plat::kErrFileNotFound;
        return nullptr;
    }
    *path = entry.path;
    return plat::BlockDevice::Open(entry.path, error);
}

// Copies a text into a fixed field, cut on a UTF-8 character boundary, NUL-terminated.
void CopyText(char (&field)[260], const std::string& text)
{
    size_t n = std::min(text.size(), sizeof(field) - 1);
    while (n > 0 && n < text.size() && (static_cast<unsigned char>(text[n]) & 0xC0) == 0x80) --n;
    std::memcpy(field, text.data(), n);
    field[n] = '\0';
}

} // namespace

std::string TrimSpaces(const std::string& text)
{
    const size_t begin = text.find_first_not_of(' ');
    if (begin == std::string::npos) return {};
    std::string out = text.substr(begin);
    const size_t pair = out.find("  ");
    if (pair != std::string::npos) out.resize(pair);
    if (!out.empty() && out.back() == ' ') out.pop_back();
    return out;
}

CDiskDevice::CDiskDevice(int diskIndex) : CDiskDevice(diskIndex, OpenDiskFromTable) {}

CDiskDevice::CDiskDevice(int diskIndex, Opener opener) : m_opener(std::move(opener)), m_diskIndex(diskIndex)
{
    Open();
}

CDiskDevice::~CDiskDevice()
{
    Close();
}

bool CDiskDevice::IsOpen()
{
    std::lock_guard<plat::CriticalSection> guard(m_deviceLock);
    return m_handle != nullptr;
}

bool CDiskDevice::Open()
{
    if (m_diskIndex < 0 || m_diskIndex >= kMaxDisks || !m_opener) return false;
    std::lock_guard<plat::CriticalSection> guard(m_deviceLock);
    // The old handle is closed first, so a re-open never leaks it.
    m_handle.reset();
    uint32_t error = 0;
    std::string path;
    std::unique_ptr<plat::IBlockDevice> handle = m_opener(m_diskIndex, &path, &error);
    if (!handle) return false;
    // An index names whatever disk is there now: after a disk went away another may hold its place, and its
    // sectors must never be read as this disk's.
    Fingerprint now = TakeFingerprint(handle.get(), path);
    m_openNotReady = false;
    if (m_fingerprint && now.sector0Error == plat::kErrNotReady) {
        m_openNotReady = true;
        m_openError = "the disk at " + path + " is not ready";
        return false;
    }
    if (m_fingerprint) {
        const std::string difference = Difference(*m_fingerprint, now);
        if (!difference.empty()) {
            m_openError = "the disk now at " + path + " is not the disk that was opened (" + difference + ")";
            LogError("Disk %d: %s; it is not read", m_diskIndex, m_openError.c_str());
            return false;
        }
    } else {
        m_fingerprint = std::move(now);
    }
    m_openError.clear();
    m_handle = std::move(handle);
    m_path = path;
    const int32_t sectorSize = GetSectorSize();
    const uint64_t sectorCount = GetSectorCount();
    m_dynamic = IsDynamicDisk(this, sectorCount, sectorSize);
    return true;
}

std::string CDiskDevice::GetOpenError()
{
    std::lock_guard<plat::CriticalSection> guard(m_deviceLock);
    return m_openError;
}

CDiskDevice::Fingerprint CDiskDevice::TakeFingerprint(plat::IBlockDevice* handle, const std::string& path)
{
    Fingerprint f;
    f.identityKnown = !path.empty() && plat::QueryDiskIdentity(path, &f.identity);
    f.lengthKnown = handle->GetLength(&f.length);
    plat::DiskGeometry g;
    const uint32_t size =
        handle->GetGeometry(&g) && g.bytesPerSector >= 512 && g.bytesPerSector % 512 == 0 && g.bytesPerSector <= 65536
            ? g.bytesPerSector
            : 512;
    f.sector0.resize(size);
    size_t got = 0;
    if (!handle->ReadAt(0, f.sector0.data(), f.sector0.size(), &got, &f.sector0Error) || got != f.sector0.size()) {
        f.sector0.clear();
    } else {
        // The partition table may change on the same disk (a repair); the rest of the boot sector stays.
        std::memset(f.sector0.data() + 446, 0, 64);
    }
    return f;
}

std::string CDiskDevice::Difference(const Fingerprint& first, const Fingerprint& now)
{
    if (first.lengthKnown && now.lengthKnown && first.length != now.length)
        return "its size is " + std::to_string(now.length) + " bytes instead of " + std::to_string(first.length);
    const plat::DiskIdentity& a = first.identity;
    const plat::DiskIdentity& b = now.identity;
    if (first.identityKnown && now.identityKnown) {
        if (!a.wwn.empty() || !b.wwn.empty()) {
            if (a.wwn != b.wwn) return "its name is \"" + b.wwn + "\" instead of \"" + a.wwn + "\"";
        }
        if (!a.serial.empty() || !b.serial.empty()) {
            if (TrimSpaces(a.serial) != TrimSpaces(b.serial))
                return "its serial number is \"" + TrimSpaces(b.serial) + "\" instead of \"" + TrimSpaces(a.serial) +
                       "\"";
        }
        if (TrimSpaces(a.vendor) != TrimSpaces(b.vendor) || TrimSpaces(a.product) != TrimSpaces(b.product))
            return "it is a " + TrimSpaces(b.vendor + " " + b.product) + ", not a " +
                   TrimSpaces(a.vendor + " " + a.product);
        // A serial number or name that matches says enough.
        if (!a.wwn.empty() || !a.serial.empty()) return {};
    }
    if (first.sector0.empty() != now.sector0.empty()) return "its first sector can no longer be read";
    if (first.sector0 != now.sector0) return "its first sector differs";
    return {};
}

bool CDiskDevice::Close()
{
    std::lock_guard<plat::CriticalSection> guard(m_deviceLock);
    m_handle.reset();
    return true;
}

int32_t CDiskDevice::DeviceSectorSize()
{
    plat::DiskGeometry g;
    if (!m_handle) return 0;
    if (!m_handle->GetGeometry(&g) || g.bytesPerSector == 0 || g.bytesPerSector % 512 != 0) return 512;
    return static_cast<int32_t>(g.bytesPerSector);
}

int32_t CDiskDevice::GetSectorSize()
{
    std::lock_guard<plat::CriticalSection> guard(m_deviceLock);
    if (m_sectorSize <= 0) {
        m_sectorSize = DeviceSectorSize();
        if (m_sectorSize > 0) m_badSectors.SetUnit(static_cast<uint32_t>(m_sectorSize));
    }
    return m_sectorSize;
}

uint64_t CDiskDevice::GetSectorCount()
{
    std::lock_guard<plat::CriticalSection> guard(m_deviceLock);
    if (m_sectorCount != 0) return m_sectorCount;
    plat::DiskGeometry g;
    if (!m_handle || !m_handle->GetGeometry(&g)) return 0;
    const uint32_t size = (g.bytesPerSector == 0 || g.bytesPerSector % 512 != 0) ? 512 : g.bytesPerSector;
    m_sectorSize = static_cast<int32_t>(size);
    m_badSectors.SetUnit(size);

    const uint64_t cylinderSectors = uint64_t(g.tracksPerCylinder) * g.sectorsPerTrack;
    const uint64_t geometryCount = uint64_t(g.cylinders < 0 ? 0 : g.cylinders) * cylinderSectors;
    uint64_t length = 0;
    if (m_handle->GetLength(&length) && length / size >= geometryCount) {
        m_sectorCount = length / size;
        return m_sectorCount;
    }
    // The length is missing or short of the geometry: a READ CAPACITY answer is believed only inside the
    // cylinder that follows the geometry's end (both bounds strict).
    const uint64_t c0 = m_handle->ReadCapacity10(0);
    const uint64_t c1 = m_handle->ReadCapacity10(1);
    const uint64_t limit = geometryCount + cylinderSectors;
    auto inWindow = [&](uint64_t c) { return geometryCount < c && c < limit; };
    uint64_t count = geometryCount;
    if (c0 == c1) {
        if (c0 != 0 && inWindow(c0)) count = c0;
    } else if (inWindow(c0)) {
        count = c0;
    } else if (inWindow(c1)) {
        count = c1;
    }
    m_sectorCount = count;
    return m_sectorCount;
}

bool CDiskDevice::ReadSectors(void* buffer, uint64_t firstSector, uint64_t sectorCount)
{
    // Recursive: the re-open after "not ready" runs the dynamic-disk test, which reads through here again.
    std::lock_guard<plat::CriticalSection> guard(m_deviceLock);
    const bool skip = GetRecoverySettings()->m_ignoreBadSectors != 0;
    // Reads made by the re-open itself get one pass: retrying inside a retry could recurse without end.
    if (m_reopening) {
        uint32_t error = 0;
        return m_badSectors.ReadSector(m_handle.get(), buffer, firstSector, sectorCount, skip, &error);
    }
    bool result = false;
    for (int pass = 0; pass < 3; ++pass) {
        uint32_t error = 0;
        result = m_badSectors.ReadSector(m_handle.get(), buffer, firstSector, sectorCount, skip, &error);
        if (!m_handle && m_openNotReady) error = plat::kErrNotReady; // the last re-open found it not ready yet
        if (error == plat::kErrNotReady && m_notReadyRetries < 3) {
            ++m_notReadyRetries;
            LogInfo("--------------Tov:Disk Device 0x%" PRIxPTR " not ready ,we will try to read again",
                    reinterpret_cast<uintptr_t>(m_handle.get()));
            m_reopening = true;
            Open();
            m_reopening = false;
            LogInfo("--------------Tov:Disk Device handle = 0x%" PRIxPTR, reinterpret_cast<uintptr_t>(m_handle.get()));
            continue;
        }
        m_notReadyRetries = 0;
        break;
    }
    return result;
}

uint32_t CDiskDevice::GetTracksPerCylinder()
{
    plat::DiskGeometry g;
    if (!GetDriveGeometry(&g)) return 255;
    return g.tracksPerCylinder;
}

bool CDiskDevice::GetDriveGeometry(plat::DiskGeometry* geometry)
{
    std::lock_guard<plat::CriticalSection> guard(m_deviceLock);
    return m_handle && m_handle->GetGeometry(geometry);
}

int CDiskDevice::GetDiskIndex() const
{
    return (m_diskIndex >= 0 && m_diskIndex < kMaxDisks) ? m_diskIndex : -1;
}

int64_t CDiskDevice::GetDiskSignature()
{
    const int32_t size = GetSectorSize();
    if (size < 512) return -1;
    std::vector<uint8_t> sector(static_cast<size_t>(size));
    if (!ReadSectors(sector.data(), 0, 1)) return -1;
    return int64_t(bytes::ByteReader(sector).u32le(440));
}

std::string CDiskDevice::GetBusTypeName(int32_t busType)
{
    switch (busType) {
    case 1: return "SCSI Disk Device";
    case 2: return "ATAPI Bus";
    case 3: return "ATA Bus";
    case 4: return "1394 Disk Device";
    case 5: return "SSA Disk Device";
    case 6: return "FIBER Disk Device";
    case 7: return "USB Device";
    case 8: return "RAID Disk Device";
    default: return {};
    }
}

bool CDiskDevice::GetDiskDescription(DiskDescription* description)
{
    std::memset(description, 0, sizeof(*description));
    plat::DiskIdentity id;
    if (m_path.empty() || !plat::QueryDiskIdentity(m_path, &id)) return false;
    description->busType = id.busType;
    CopyText(description->busTypeName, GetBusTypeName(id.busType));
    CopyText(description->vendorId, TrimSpaces(id.vendor));
    CopyText(description->productId, TrimSpaces(id.product));
    CopyText(description->productRevision, TrimSpaces(id.revision));
    CopyText(description->serialNumber, TrimSpaces(id.serial));
    return true;
}
