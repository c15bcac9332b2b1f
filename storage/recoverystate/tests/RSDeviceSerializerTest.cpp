// Saved device records: the stored bytes and disk signatures, matching the devices of a later run (disks,
// volumes, floppies, disk images), and damaged record sections.
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include <fcntl.h>
#include <unistd.h>

#include "core/devices/CDiskDevice.h"
#include "core/devices/CImageFileDevice.h"
#include "storage/diskimage/CCompressController.h"
#include "storage/recoverystate/CRSDataEx.h"
#include "storage/recoverystate/CRSDeviceSerializer.h"
#include "storage/recoverystate/tests/RSStreamFixture.h"
#include "tests/support/MemoryDevice.h"
#include "tests/support/TempDir.h"

using namespace rstest;
namespace fs = std::filesystem;

namespace {

class ScopedEnv {
public:
    ScopedEnv(const char* name, const std::string& value) : m_name(name)
    {
        if (const char* old = std::getenv(name)) m_old = old;
        setenv(name, value.c_str(), 1);
    }
    ~ScopedEnv()
    {
        if (m_old)
            setenv(m_name, m_old->c_str(), 1);
        else
            unsetenv(m_name);
    }

private:
    const char* m_name;
    std::optional<std::string> m_old;
};

constexpr uint64_t kDiskSectors = 64;

// Sector 0 of a disk: boot code named by `code`, a partition table named by `table`, the boot mark.
std::vector<uint8_t> DiskBytes(uint8_t code, uint8_t table)
{
    std::vector<uint8_t> bytes(kDiskSectors * 512, 0);
    for (size_t i = 0; i < 446; ++i) bytes[i] = uint8_t(code + i);
    for (size_t i = 446; i < 510; ++i) bytes[i] = uint8_t(table ^ i);
    bytes[510] = 0x55;
    bytes[511] = 0xAA;
    for (size_t i = 512; i < bytes.size(); ++i) bytes[i] = uint8_t(i * 7);
    return bytes;
}

// Disk images under one folder, opened as the machine's disks through SALVIX_DISKS in the order given.
class Machine {
public:
    explicit Machine(const fs::path& root) : m_root(root) {}

    void AddDisk(const std::string& relative, const std::vector<uint8_t>& bytes)
    {
        const fs::path path = m_root / relative;
        fs::create_directories(path.parent_path());
        WriteAll(path, bytes);
        m_paths.push_back(path.string());
    }
    // Opens every disk; the records list them in order.
    void Start()
    {
        std::string list;
        for (const auto& p : m_paths) list += (list.empty() ? "" : ":") + p;
        ScopedEnv disks("SALVIX_DISKS", list);
        for (size_t i = 0; i < m_paths.size(); ++i) {
            auto disk = std::make_unique<CDiskDevice>(int(i));
            ASSERT_TRUE(disk->IsOpen()) << m_paths[i];
            DiskDeviceRecord record;
            record.pDevice = disk.get();
            record.pDiskDevice = disk.get();
            record.nHeads = 255;
            std::snprintf(record.szDescription, sizeof record.szDescription, "disk %zu", i);
            records.push_back(record);
            devices.push_back(std::move(disk));
        }
    }
    IStorageDevice* Disk(size_t i) { return devices[i].get(); }
    const std::string& Path(size_t i) const { return m_paths[i]; }

    CDiskDeviceRecordList records;
    std::vector<std::unique_ptr<CDiskDevice>> devices;

private:
    fs::path m_root;
    std::vector<std::string> m_paths;
};

VolumeDeviceRecord Volume(char letter, int fsKind, std::vector<std::pair<IStorageDevice*, uint64_t>> members)
{
    VolumeDeviceRecord v;
    v.nKind = VolumeDeviceRecord::kKindVolume;
    v.cDriveLetter = letter;
    v.nFileSystemKind = fsKind;
    v.nDynamic = members.size() > 1 ? 1 : 0;
    for (size_t i = 0; i < members.size(); ++i) {
        v.members[i].pDisk = members[i].first;
        v.members[i].u64FirstSector = members[i].second;
        v.members[i].u64SectorCount = 16;
    }
    return v;
}

class StateFile {
public:
    explicit StateFile(const fs::path& path) : path(path.string()) {}
    template <class Body>
    void Write(Body body)
    {
        CRSDataEx w(CRSData::kModeWrite);
        ASSERT_TRUE(w.Open(path.c_str(), true));
        w.SetKind(3);
        CRSDeviceSerializer serializer;
        serializer.Attach(&w);
        body(serializer);
        w.Close();
    }
    // The code thrown, 0 when none, -1 when the file did not open.
    template <class Body>
    int Read(Body body) const
    {
        CRSDataEx r(CRSData::kModeRead);
        if (!r.Open(path.c_str(), false)) return -1;
        CRSDeviceSerializer serializer;
        serializer.Attach(&r);
        try {
            body(serializer);
        } catch (const IRSException& e) {
            return e.GetCode();
        }
        return 0;
    }
    // The section's payload, read back through the stream.
    std::vector<uint8_t> Payload(const RSGuid& guid) const
    {
        CRSDataEx r(CRSData::kModeRead);
        std::vector<uint8_t> bytes;
        if (!r.Open(path.c_str(), false)) return bytes;
        r.BeginSection(guid);
        // The stored length counts piece heads; read byte by byte up to the short read.
        try {
            for (;;) {
                uint8_t b;
                r.Read(&b, 1);
                bytes.push_back(b);
            }
        } catch (const IRSException&) {
        }
        return bytes;
    }

    std::string path;
};

TEST(RSDeviceSerializer, DiskSignatureAndStoredDiskRecord)
{
    testsupport::TempDir dir;
    Machine machine(dir.path());
    machine.AddDisk("a/disk.img", DiskBytes(1, 2));
    machine.Start();

    CRSDeviceSerializer::DiskSignature signature;
    ASSERT_TRUE(CRSDeviceSerializer::MakeDiskSignature(machine.Disk(0), signature));
    const auto disk = DiskBytes(1, 2);
    // Bus type, then the product (the image's name), then sector 0 with its partition table zeroed.
    EXPECT_EQ(signature[0], uint8_t(15));
    EXPECT_STREQ(reinterpret_cast<const char*>(signature.data() + 264), "disk.img");
    EXPECT_EQ(std::memcmp(signature.data() + 1304, disk.data(), 446), 0);
    EXPECT_EQ(std::vector<uint8_t>(signature.begin() + 1750, signature.begin() + 1814), std::vector<uint8_t>(64, 0));
    EXPECT_EQ(signature[1304 + 510], 0x55);
    EXPECT_EQ(std::vector<uint8_t>(signature.begin() + 1304 + 512, signature.end()),
              std::vector<uint8_t>(5400 - 1304 - 512, 0));
    CRSDeviceSerializer::DiskSignature partial;
    EXPECT_FALSE(CRSDeviceSerializer::MakeDiskSignature(nullptr, partial));
    testsupport::MemoryDevice anonymous(8);
    EXPECT_FALSE(CRSDeviceSerializer::MakeDiskSignature(&anonymous, partial)); // no description

    StateFile state(dir / "s.rdf");
    state.Write([&](CRSDeviceSerializer& s) { EXPECT_TRUE(s.SaveDisk(machine.records.front())); });
    const auto payload = state.Payload(kRSDiskRecordGuid);
    ASSERT_EQ(payload.size(), 548u + 5400u);
    const auto record = EncodeDiskDeviceRecord(machine.records.front());
    EXPECT_EQ(std::vector<uint8_t>(payload.begin(), payload.begin() + 548),
              std::vector<uint8_t>(record.begin(), record.end()));
    EXPECT_EQ(std::vector<uint8_t>(payload.begin() + 548, payload.end()),
              std::vector<uint8_t>(signature.begin(), signature.end()));
}

// A saved disk is known again when only its partition table changed, not when its boot code or its
// description (here the image's name) did; of two identical disks the first is taken.
TEST(RSDeviceSerializer, DisksMatchedBySignature)
{
    testsupport::TempDir dir;
    StateFile state(dir / "s.rdf");
    {
        Machine before(dir / "before");
        before.AddDisk("x/disk.img", DiskBytes(1, 2));
        before.AddDisk("y/other.img", DiskBytes(9, 9));
        before.Start();
        state.Write([&](CRSDeviceSerializer& s) { s.SaveDisk(before.records.front()); });
    }
    struct Row {
        const char* name;
        std::vector<std::pair<std::string, std::vector<uint8_t>>> disks;
        int expected; // index of the record found, -1 none
    } rows[] = {
        {"same disk later in the list", {{"p/other.img", DiskBytes(9, 9)}, {"q/disk.img", DiskBytes(1, 2)}}, 1},
        {"partition table changed", {{"q/disk.img", DiskBytes(1, 77)}}, 0},
        {"boot code changed", {{"q/disk.img", DiskBytes(2, 2)}}, -1},
        {"description changed", {{"q/renamed.img", DiskBytes(1, 2)}}, -1},
        {"two identical disks", {{"r/disk.img", DiskBytes(1, 2)}, {"s/disk.img", DiskBytes(1, 2)}}, 0},
    };
    int n = 0;
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        Machine now(dir / ("now" + std::to_string(n++)));
        for (const auto& [path, bytes] : row.disks) now.AddDisk(path, bytes);
        now.Start();
        COpenedImageDiskList images;
        DiskDeviceRecord* found = nullptr;
        EXPECT_EQ(state.Read([&](CRSDeviceSerializer& s) { found = s.LoadDisk(now.records, images); }), 0);
        if (row.expected < 0) {
            EXPECT_EQ(found, nullptr);
        } else {
            ASSERT_NE(found, nullptr);
            EXPECT_EQ(found->pDevice, now.Disk(size_t(row.expected)));
        }
        EXPECT_TRUE(images.empty());
    }
}

TEST(RSDeviceSerializer, VolumesMatchedByExtentsAndMemberDisks)
{
    testsupport::TempDir dir;
    Machine machine(dir.path());
    for (int i = 0; i < 3; ++i) machine.AddDisk("d" + std::to_string(i) + "/disk.img", DiskBytes(uint8_t(10 * i), 0));
    machine.Start();
    IStorageDevice* d0 = machine.Disk(0);
    IStorageDevice* d1 = machine.Disk(1);
    IStorageDevice* d2 = machine.Disk(2);

    const VolumeDeviceRecord saved = Volume('E', 3, {{d0, 2}, {d1, 8}});
    StateFile state(dir / "s.rdf");
    state.Write([&](CRSDeviceSerializer& s) { s.SaveVolume(saved); });
    EXPECT_EQ(state.Payload(kRSVolumeRecordGuid).size(), 1277u + 2 * 5400u);

    auto withFloppy = [](VolumeDeviceRecord v) {
        v.bFloppy = 1;
        return v;
    };
    auto withKind = [](VolumeDeviceRecord v, uint32_t kind) {
        v.nKind = kind;
        return v;
    };
    struct Row {
        const char* name;
        std::vector<VolumeDeviceRecord> current;
        int expected;
    } rows[] = {
        {"the same volume after others", {Volume('E', 3, {{d0, 2}}), Volume('F', 3, {{d0, 2}, {d1, 8}}), saved}, 2},
        {"a member on another disk", {Volume('E', 3, {{d0, 2}, {d2, 8}})}, -1},
        {"an extent moved", {Volume('E', 3, {{d0, 2}, {d1, 9}})}, -1},
        {"another file system", {Volume('E', 2, {{d0, 2}, {d1, 8}})}, -1},
        {"a floppy", {withFloppy(saved)}, -1},
        {"a record of kind 2", {withKind(saved, 2)}, -1},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        std::list<VolumeDeviceRecord> current(row.current.begin(), row.current.end());
        COpenedImageVolumeList images;
        VolumeDeviceRecord* found = nullptr;
        EXPECT_EQ(state.Read([&](CRSDeviceSerializer& s) { found = s.LoadVolume(current, images); }), 0);
        if (row.expected < 0) {
            EXPECT_EQ(found, nullptr);
        } else {
            EXPECT_EQ(found, &*std::next(current.begin(), row.expected));
        }
    }

    // A dynamic volume of 32 extents stores and matches 32 signatures.
    std::vector<std::pair<IStorageDevice*, uint64_t>> extents;
    for (int i = 0; i < 32; ++i) extents.push_back({machine.Disk(size_t(i % 3)), uint64_t(i)});
    const VolumeDeviceRecord wide = Volume(0, 3, extents);
    state.Write([&](CRSDeviceSerializer& s) { s.SaveVolume(wide); });
    EXPECT_EQ(state.Payload(kRSVolumeRecordGuid).size(), 1277u + 32 * 5400u);
    std::list<VolumeDeviceRecord> current{saved, wide};
    COpenedImageVolumeList images;
    VolumeDeviceRecord* found = nullptr;
    EXPECT_EQ(state.Read([&](CRSDeviceSerializer& s) { found = s.LoadVolume(current, images); }), 0);
    EXPECT_EQ(found, &current.back());
}

// A source without member disks (a raw image file opened as a volume) names no device: it is never bound
// to another member-less record. A floppy is known by its letter; a stored kind 2 is never matched.
TEST(RSDeviceSerializer, MemberlessVolumesAndOtherKinds)
{
    testsupport::TempDir dir;
    StateFile state(dir / "s.rdf");
    VolumeDeviceRecord rawImage = Volume(0, 7, {});
    VolumeDeviceRecord otherRawImage = rawImage;
    state.Write([&](CRSDeviceSerializer& s) { s.SaveVolume(rawImage); });
    std::list<VolumeDeviceRecord> current{otherRawImage};
    COpenedImageVolumeList images;
    VolumeDeviceRecord* found = &current.front();
    EXPECT_EQ(state.Read([&](CRSDeviceSerializer& s) { found = s.LoadVolume(current, images); }), 0);
    EXPECT_EQ(found, nullptr);

    VolumeDeviceRecord floppy = Volume('A', 0, {});
    floppy.bFloppy = 1;
    VolumeDeviceRecord floppyB = floppy;
    floppyB.cDriveLetter = 'B';
    state.Write([&](CRSDeviceSerializer& s) { s.SaveVolume(floppy); });
    current = {rawImage, floppyB, floppy};
    EXPECT_EQ(state.Read([&](CRSDeviceSerializer& s) { found = s.LoadVolume(current, images); }), 0);
    EXPECT_EQ(found, &current.back());

    // Kind 2 with an image path: not taken for an image.
    VolumeDeviceRecord odd;
    odd.nKind = 2;
    state.Write([&](CRSDeviceSerializer& s) { s.SaveVolume(odd); });
    current = {odd};
    EXPECT_EQ(state.Read([&](CRSDeviceSerializer& s) { found = s.LoadVolume(current, images); }), 0);
    EXPECT_EQ(found, nullptr);
    EXPECT_TRUE(images.empty());
}

TEST(RSDeviceSerializer, DiskImagesReopenedByPathOrReused)
{
    testsupport::TempDir dir;
    const std::string imagePath = (dir / "disk.kxi").string();
    {
        testsupport::MemoryDevice source(300);
        CCompressController writer;
        writer.SetSource(&source, "source", 0, source.GetSectorCount(), 255);
        writer.SetCompression(2, -1, 0);
        writer.SetImagePath(imagePath.c_str());
        ASSERT_EQ(writer.Compress(nullptr), 1);
    }
    VolumeDeviceRecord volume;
    volume.nKind = VolumeDeviceRecord::kKindImage;
    std::strcpy(volume.szImagePath, imagePath.c_str());
    std::strcpy(volume.szImageName, "disk");
    volume.u64ImageSectorCount = 300;
    DiskDeviceRecord disk;
    disk.nKind = DiskDeviceRecord::kKindImage;
    std::strcpy(disk.szImagePath, imagePath.c_str());
    StateFile state(dir / "s.rdf");
    state.Write([&](CRSDeviceSerializer& s) {
        s.SaveVolume(volume);
        s.SaveDisk(disk);
    });
    EXPECT_EQ(state.Payload(kRSVolumeRecordGuid).size(), 1277u);
    EXPECT_EQ(state.Payload(kRSDiskRecordGuid).size(), 548u);

    std::list<VolumeDeviceRecord> noVolumes;
    COpenedImageVolumeList images;
    VolumeDeviceRecord* first = nullptr;
    VolumeDeviceRecord* second = nullptr;
    EXPECT_EQ(state.Read([&](CRSDeviceSerializer& s) { first = s.LoadVolume(noVolumes, images); }), 0);
    ASSERT_NE(first, nullptr);
    ASSERT_EQ(images.size(), 1u);
    ASSERT_NE(first->pDevice, nullptr);
    EXPECT_EQ(first->pDevice->GetSectorCount(), 512u); // whole blocks of 256 sectors
    EXPECT_STREQ(first->szImageName, "disk");
    // A second volume of the same image takes the record already opened.
    EXPECT_EQ(state.Read([&](CRSDeviceSerializer& s) { second = s.LoadVolume(noVolumes, images); }), 0);
    EXPECT_EQ(second, first);
    EXPECT_EQ(images.size(), 1u);

    CDiskDeviceRecordList noDisks;
    COpenedImageDiskList diskImages;
    DiskDeviceRecord* diskFound = nullptr;
    EXPECT_EQ(state.Read([&](CRSDeviceSerializer& s) { diskFound = s.LoadDisk(noDisks, diskImages); }), 0);
    ASSERT_NE(diskFound, nullptr);
    ASSERT_NE(diskFound->pDevice, nullptr);
    for (auto& r : images) delete r.pDevice;
    for (auto& r : diskImages) delete r.pDevice;

    // Moved away since the save: nothing.
    fs::rename(imagePath, (dir / "moved.kxi").string());
    COpenedImageVolumeList none;
    EXPECT_EQ(state.Read([&](CRSDeviceSerializer& s) { first = s.LoadVolume(noVolumes, none); }), 0);
    EXPECT_EQ(first, nullptr);
    EXPECT_TRUE(none.empty());
}

// Every cut and every flipped byte of a saved disk record: code 5 or 7, or a record found or not, never
// more (run under the sanitizers).
TEST(RSDeviceSerializer, EveryTruncationAndEveryFlippedByte)
{
    testsupport::TempDir dir;
    Machine machine(dir.path());
    machine.AddDisk("a/disk.img", DiskBytes(1, 2));
    machine.AddDisk("b/disk.img", DiskBytes(3, 4));
    machine.Start();
    StateFile state(dir / "s.rdf");
    const VolumeDeviceRecord volume = Volume('C', 3, {{machine.Disk(0), 1}, {machine.Disk(1), 3}});
    state.Write([&](CRSDeviceSerializer& s) {
        s.SaveDisk(machine.records.back());
        s.SaveVolume(volume);
    });
    std::list<VolumeDeviceRecord> volumes{volume};
    auto load = [&](const std::string& path, bool* diskFound, bool* volumeFound) {
        StateFile file{fs::path(path)};
        COpenedImageDiskList diskImages;
        COpenedImageVolumeList volumeImages;
        int codes[2];
        codes[0] =
            file.Read([&](CRSDeviceSerializer& s) { *diskFound = s.LoadDisk(machine.records, diskImages) != nullptr; });
        codes[1] =
            file.Read([&](CRSDeviceSerializer& s) { *volumeFound = s.LoadVolume(volumes, volumeImages) != nullptr; });
        for (auto& r : diskImages) delete r.pDevice;
        for (auto& r : volumeImages) delete r.pDevice;
        return std::pair<int, int>(codes[0], codes[1]);
    };
    bool disk = false, vol = false;
    ASSERT_EQ(load(state.path, &disk, &vol), (std::pair<int, int>(0, 0)));
    ASSERT_TRUE(disk && vol);

    const auto bytes = ReadAll(state.path);
    const std::string bad = (dir / "bad.rdf").string();
    WriteAll(bad, bytes);
    const int fd = ::open(bad.c_str(), O_RDWR | O_CLOEXEC);
    ASSERT_GE(fd, 0);
    auto allowed = [](int code) { return code == -1 || code == 0 || code == 5 || code == 7; };
    for (size_t at = 0; at < bytes.size(); ++at) {
        const uint8_t flipped = uint8_t(bytes[at] ^ 0xFF);
        ASSERT_EQ(::pwrite(fd, &flipped, 1, off_t(at)), 1);
        const auto codes = load(bad, &disk, &vol);
        ASSERT_EQ(::pwrite(fd, &bytes[at], 1, off_t(at)), 1);
        ASSERT_TRUE(allowed(codes.first) && allowed(codes.second)) << at;
    }
    const size_t diskEnd = 132 + 36 + (bytes[164] | bytes[165] << 8 | bytes[166] << 16 | size_t(bytes[167]) << 24);
    for (size_t cut = bytes.size(); cut-- > 132;) {
        ASSERT_EQ(::ftruncate(fd, off_t(cut)), 0);
        disk = vol = false;
        const auto codes = load(bad, &disk, &vol);
        if (cut >= diskEnd) {
            ASSERT_EQ(codes.first, 0) << cut;
            ASSERT_TRUE(disk) << cut;
        } else {
            ASSERT_EQ(codes.first, cut < 132 + 36 ? 7 : 5) << cut;
            ASSERT_FALSE(disk) << cut;
        }
        ASSERT_EQ(codes.second, cut < diskEnd + 36 ? 7 : 5) << cut;
        ASSERT_FALSE(vol) << cut;
    }
    ::close(fd);
}

} // namespace

// A raw sector image opened as a source (no container, no member disks) comes back by its path, its size
// and its signature: the same file is reopened; another file at that path, of the same size or not, is not
// taken for it. A section written without the signature still finds the file by path and size.
TEST(RSDeviceSerializer, RawImagesKnownAgainByPathSizeAndSignature)
{
    testsupport::TempDir dir;
    const std::string imagePath = (dir / "card.img").string();
    WriteAll(imagePath, DiskBytes(5, 6));
    auto makeRecord = [&](IStorageDevice* device) {
        VolumeDeviceRecord r;
        r.nKind = VolumeDeviceRecord::kKindImage;
        r.pDevice = device;
        r.u64ImageSectorCount = kDiskSectors;
        std::strcpy(r.szImageName, "card.img");
        std::strcpy(r.szImagePath, imagePath.c_str());
        return r;
    };
    StateFile state(dir / "s.rdf");
    {
        CImageFileDevice opened(imagePath);
        ASSERT_TRUE(opened.IsOpen());
        state.Write([&](CRSDeviceSerializer& s) { s.SaveVolume(makeRecord(&opened)); });
    }
    EXPECT_EQ(state.Payload(kRSVolumeRecordGuid).size(), 1277u + 5400u);
    std::list<VolumeDeviceRecord> noVolumes;
    auto load = [&](const StateFile& file) {
        COpenedImageVolumeList images;
        VolumeDeviceRecord* found = nullptr;
        const int code = file.Read([&](CRSDeviceSerializer& s) { found = s.LoadVolume(noVolumes, images); });
        std::vector<uint8_t> sector0;
        if (found && found->pDevice) {
            sector0.resize(512);
            EXPECT_TRUE(found->pDevice->ReadSectors(sector0.data(), 0, 1));
            EXPECT_EQ(found->pDevice->GetSectorCount(), kDiskSectors);
        }
        for (auto& r : images) delete r.pDevice;
        EXPECT_EQ(code, 0);
        return sector0;
    };
    const std::vector<uint8_t> original = DiskBytes(5, 6);
    EXPECT_EQ(load(state), std::vector<uint8_t>(original.begin(), original.begin() + 512));

    struct Case {
        const char* name;
        std::vector<uint8_t> bytes;
        bool found;
    };
    std::vector<uint8_t> grown = original;
    grown.resize(original.size() + 512);
    const Case cases[] = {
        {"the same file again", original, true},
        {"another file of the same size", DiskBytes(7, 6), false},
        {"the same bytes and one sector more", grown, false},
        {"cut short", std::vector<uint8_t>(original.begin(), original.end() - 512), false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        WriteAll(imagePath, c.bytes);
        EXPECT_EQ(!load(state).empty(), c.found);
    }

    // Written without the signature (no device in hand): path and size alone.
    StateFile plain(dir / "plain.rdf");
    plain.Write([&](CRSDeviceSerializer& s) { s.SaveVolume(makeRecord(nullptr)); });
    EXPECT_EQ(plain.Payload(kRSVolumeRecordGuid).size(), 1277u);
    WriteAll(imagePath, DiskBytes(7, 6));
    EXPECT_FALSE(load(plain).empty());
    WriteAll(imagePath, grown);
    EXPECT_TRUE(load(plain).empty());
}
