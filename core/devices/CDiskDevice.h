// A physical disk by index (the platform's disk table), read whole sectors at a time through its bad-sector
// map. Reads are serialised by a recursive device lock, so several threads may share one disk.
#pragma once

#include "core/devices/CBadSectorMap.h"
#include "core/devices/IStorageDevice.h"
#include "platform/BlockDevice.h"
#include "platform/DiskIdentity.h"
#include "platform/Sync.h"

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

// What the storage-property query reports of a disk; the texts are NUL-terminated, cut to fit.
struct DiskDescription {
    int32_t busType;
    char vendorId[260];
    char productId[260];
    char productRevision[260];
    char serialNumber[260];
    char busTypeName[260];
};

class CDiskDevice : public IStorageDevice {
public:
    // Opens the storage of a disk index; receives the path it opened (for the description query) and a
    // Windows error number on failure.
    using Opener =
        std::function<std::unique_ptr<plat::IBlockDevice>(int diskIndex, std::string* path, uint32_t* error)>;

    static constexpr int kMaxDisks = 20;

    // Opens at once; callers test IsOpen and discard disks that did not open.
    explicit CDiskDevice(int diskIndex);
    CDiskDevice(int diskIndex, Opener opener);
    ~CDiskDevice() override;

    bool ReadSectors(void* buffer, uint64_t firstSector, uint64_t sectorCount) override;
    uint64_t GetSectorCount() override;
    int32_t GetSectorSize() override;
    bool Open() override;
    bool Close() override;

    bool IsOpen();
    // The dynamic-disk test's answer, taken at the last successful Open.
    bool IsDynamic() const { return m_dynamic; }
    // Heads of the geometry; 255 when the disk reports none.
    uint32_t GetTracksPerCylinder();
    bool GetDriveGeometry(plat::DiskGeometry* geometry);
    // The index, or -1 when it lies outside 0 to 19.
    int GetDiskIndex() const;
    // The MBR disk signature (little-endian 32 bits at byte 440 of sector 0); -1 when sector 0 cannot be read.
    int64_t GetDiskSignature();
    // Zeroes the description and fills it; false when the disk cannot be opened for the query.
    bool GetDiskDescription(DiskDescription* description);
    // "USB Device" and the like for bus types 1 to 8; empty for any other.
    static std::string GetBusTypeName(int32_t busType);
    // What was opened ("/dev/sda" or an image file); empty before a successful Open.
    const std::string& GetDevicePath() const { return m_path; }

    // Why the last Open failed when the disk now found at this index is not the disk first opened there
    // (another disk took its place after it went away); empty otherwise.
    std::string GetOpenError();

    int GetNotReadyRetryCount() const { return m_notReadyRetries; }
    CBadSectorMap& GetBadSectorMap() { return m_badSectors; }

private:
    // What tells one disk from another: the identity it reports (serial number, world-wide name, model), its
    // size, and its sector 0 without the partition table (the saved-device signature's content) for disks
    // that report no serial number or name.
    struct Fingerprint {
        plat::DiskIdentity identity;
        bool identityKnown = false;
        uint64_t length = 0;
        bool lengthKnown = false;
        std::vector<uint8_t> sector0;
        uint32_t sector0Error = 0;
    };
    static Fingerprint TakeFingerprint(plat::IBlockDevice* handle, const std::string& path);
    // Empty when the two name the same disk, else the difference in words.
    static std::string Difference(const Fingerprint& first, const Fingerprint& now);
    int32_t DeviceSectorSize();

    Opener m_opener;
    bool m_dynamic = false;
    std::unique_ptr<plat::IBlockDevice> m_handle;
    std::string m_path;
    std::optional<Fingerprint> m_fingerprint; // of the first successful Open
    std::string m_openError;
    bool m_openNotReady = false; // the last Open found a disk that was not ready to be told apart
    int m_diskIndex;
    uint64_t m_sectorCount = 0;
    int m_notReadyRetries = 0;
    bool m_reopening = false; // guarded by m_deviceLock
    CBadSectorMap m_badSectors;
    plat::CriticalSection m_deviceLock;
};

// Identification texts of disks are padded with blanks: drops leading blanks and ends the text at its first
// pair of adjacent blanks (and at a trailing blank).
std::string TrimSpaces(const std::string& text);
