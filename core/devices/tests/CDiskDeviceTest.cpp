// The physical disk device over scripted storage: the sector-count choice, index bounds, the not-ready retry
// (with re-open, no leaked handle, recursive locking), dynamic flag, signature and the identity texts.
#include "core/devices/CDiskDevice.h"

#include "core/CRecoverySettings.h"

#include "core/devices/tests/FakeBlockDevice.h"

#include <gtest/gtest.h>

namespace {

struct Opened {
    std::shared_ptr<FakeDiskScript> script;
    int opens = 0;
};

CDiskDevice::Opener OpenerFor(Opened& state)
{
    return [&state](int, std::string* path, uint32_t* error) -> std::unique_ptr<plat::IBlockDevice> {
        ++state.opens;
        if (!state.script) {
            *error = 2;
            return nullptr;
        }
        *path = "fake";
        return std::make_unique<FakeBlockDevice>(state.script);
    };
}

plat::DiskGeometry Geometry(int64_t cylinders, uint32_t heads, uint32_t sectors, uint32_t bytes)
{
    plat::DiskGeometry g;
    g.cylinders = cylinders;
    g.tracksPerCylinder = heads;
    g.sectorsPerTrack = sectors;
    g.bytesPerSector = bytes;
    g.mediaType = plat::kMediaFixed;
    return g;
}

} // namespace

TEST(CDiskDevice, SectorCountChoice)
{
    // Geometry: 100 cylinders of 4 x 10 sectors = G 4000, one cylinder more = 4040.
    struct Case {
        const char* name;
        bool lengthOk;
        uint64_t lengthSectors;
        uint64_t c0, c1;
        uint32_t bytesPerSector;
        uint64_t expected;
    };
    const Case cases[] = {
        {"exact length beyond the geometry", true, 4033, 0, 0, 512, 4033},
        {"length equal to the geometry", true, 4000, 0, 0, 512, 4000},
        {"length short: capacity inside the window", true, 3900, 4020, 4020, 512, 4020},
        {"no length: capacity inside the window", false, 0, 4039, 4039, 512, 4039},
        {"capacity one cylinder above: kept at G", false, 0, 4040, 4040, 512, 4000},
        {"capacity equal to G: kept at G", false, 0, 4000, 4000, 512, 4000},
        {"two answers, first outside, second inside", false, 0, 9999, 4010, 512, 4010},
        {"two answers, first inside", false, 0, 4005, 4010, 512, 4005},
        {"two answers, both outside", false, 0, 9999, 3000, 512, 4000},
        {"no answers", false, 0, 0, 0, 512, 4000},
        {"one answer zero, other inside", false, 0, 0, 4001, 512, 4001},
        {"4096-byte sectors use their own length", true, 4100, 0, 0, 4096, 4100},
        {"ragged sector size counts as 512", true, 4100, 0, 0, 520, 4100},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Opened state;
        state.script = std::make_shared<FakeDiskScript>();
        const uint32_t unit = (c.bytesPerSector % 512 == 0) ? c.bytesPerSector : 512;
        state.script->geometry = Geometry(100, 4, 10, c.bytesPerSector);
        state.script->lengthOk = c.lengthOk;
        state.script->length = c.lengthSectors * unit;
        state.script->bytes.resize(unit * 8);
        state.script->capacity0 = c.c0;
        state.script->capacity1 = c.c1;
        CDiskDevice disk(0, OpenerFor(state));
        ASSERT_TRUE(disk.IsOpen());
        EXPECT_EQ(disk.GetSectorCount(), c.expected);
        EXPECT_EQ(disk.GetSectorSize(), static_cast<int32_t>(unit));
        EXPECT_EQ(disk.GetBadSectorMap().GetUnit(), unit);
    }
}

TEST(CDiskDevice, LargeDiskKeepsItsFull64BitCount)
{
    Opened state;
    state.script = std::make_shared<FakeDiskScript>();
    const uint64_t sectors = (uint64_t(1) << 33) + 5;
    state.script->geometry = Geometry(static_cast<int64_t>(sectors / (255 * 63)), 255, 63, 512);
    state.script->length = sectors * 512;
    CDiskDevice disk(3, OpenerFor(state));
    EXPECT_EQ(disk.GetSectorCount(), sectors);
    EXPECT_EQ(disk.GetDiskIndex(), 3);
}

TEST(CDiskDevice, IndexesOutsideTheTableNeverOpen)
{
    for (int index : {-1, 20, 31}) {
        SCOPED_TRACE(index);
        Opened state;
        state.script = std::make_shared<FakeDiskScript>();
        CDiskDevice disk(index, OpenerFor(state));
        EXPECT_FALSE(disk.IsOpen());
        EXPECT_EQ(state.opens, 0);
        EXPECT_EQ(disk.GetDiskIndex(), -1);
        EXPECT_EQ(disk.GetSectorCount(), 0u);
        std::vector<uint8_t> buf(512, 0xEE);
        EXPECT_FALSE(disk.ReadSectors(buf.data(), 0, 1));
        EXPECT_EQ(buf, std::vector<uint8_t>(512, 0));
    }
}

TEST(CDiskDevice, NotReadyRetriesReopenWithoutLeakingAndCountUpToThree)
{
    Opened state;
    state.script = std::make_shared<FakeDiskScript>();
    state.script->geometry = Geometry(1, 255, 63, 512);
    state.script->bytes.resize(64 * 512, 0x5A);
    const int liveBefore = FakeBlockDevice::s_live;
    CDiskDevice disk(0, OpenerFor(state));
    ASSERT_EQ(state.opens, 1);

    // Two failures, then the read goes through: two re-opens, counter back to 0.
    state.script->failNextAt = 512;
    state.script->failNextReads = 2;
    std::vector<uint8_t> buf(512, 0xEE);
    EXPECT_TRUE(disk.ReadSectors(buf.data(), 1, 1));
    EXPECT_EQ(buf[0], 0x5A);
    EXPECT_EQ(state.opens, 3);
    EXPECT_EQ(disk.GetNotReadyRetryCount(), 0);
    EXPECT_EQ(FakeBlockDevice::s_live, liveBefore + 1);

    // A device that stays not ready: three passes, each re-open finding it not ready to be told apart from
    // another disk, so that it is let go (no handle kept, none leaked).
    state.script->failNextAt = UINT64_MAX;
    state.script->failNextReads = 1000;
    EXPECT_FALSE(disk.ReadSectors(buf.data(), 1, 1)); // a disk that is not there gives no data, skipping or not
    EXPECT_EQ(buf[0], 0);
    EXPECT_EQ(disk.GetNotReadyRetryCount(), 3);
    EXPECT_EQ(state.opens, 6);
    EXPECT_EQ(FakeBlockDevice::s_live, liveBefore);
    EXPECT_EQ(disk.GetBadSectorMap().GetRangeCount(), 0u);

    // The next not-ready failure returns at once and resets the counter.
    disk.ReadSectors(buf.data(), 1, 1);
    EXPECT_EQ(state.opens, 6);
    EXPECT_EQ(disk.GetNotReadyRetryCount(), 0);
}

TEST(CDiskDevice, IgnoreBadSectorsOptionDecidesBetweenZerosAndFailure)
{
    Opened state;
    state.script = std::make_shared<FakeDiskScript>();
    state.script->geometry = Geometry(1, 255, 63, 512);
    state.script->bytes.assign(64 * 512, 0x11);
    state.script->failures.push_back({10 * 512, 11 * 512, 23});
    CDiskDevice disk(0, OpenerFor(state));
    const int saved = GetRecoverySettings()->m_ignoreBadSectors;
    std::vector<uint8_t> buf(4 * 512, 0xEE);
    // Either way only sector 10 is lost; the option decides whether that is a failure or zeros and success.
    std::vector<uint8_t> expected(4 * 512, 0x11);
    std::fill(expected.begin() + 2 * 512, expected.begin() + 3 * 512, 0);

    GetRecoverySettings()->m_ignoreBadSectors = 0;
    EXPECT_FALSE(disk.ReadSectors(buf.data(), 8, 4));
    EXPECT_EQ(buf, expected);
    EXPECT_EQ(disk.GetBadSectorMap().GetRangeCount(), 0u);

    GetRecoverySettings()->m_ignoreBadSectors = 1;
    std::fill(buf.begin(), buf.end(), 0xEE);
    EXPECT_TRUE(disk.ReadSectors(buf.data(), 8, 4));
    EXPECT_EQ(buf, expected);
    EXPECT_EQ(disk.GetBadSectorMap().GetRecordedSectors(), 1u);
    GetRecoverySettings()->m_ignoreBadSectors = saved;
}

TEST(CDiskDevice, AfterNotReadyOnlyTheSameDiskIsReadAgain)
{
    struct Case {
        const char* name;
        bool sameSector0;
        uint64_t length; // 0: the same
        bool readAgain;
    };
    const Case cases[] = {
        {"the same disk comes back", true, 0, true},
        {"another disk took its index", false, 0, false},
        {"a disk of another size", true, 128 * 512, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Opened state;
        state.script = std::make_shared<FakeDiskScript>();
        state.script->geometry = Geometry(1, 255, 63, 512);
        state.script->bytes.assign(64 * 512, 0x5A);
        CDiskDevice disk(0, OpenerFor(state));
        ASSERT_TRUE(disk.IsOpen());

        // The disk goes away; the next open at its index finds the replacement.
        auto replacement = std::make_shared<FakeDiskScript>();
        replacement->geometry = state.script->geometry;
        replacement->bytes = state.script->bytes;
        replacement->length = c.length;
        replacement->bytes[0] = c.sameSector0 ? 0x5A : 0x33;
        replacement->bytes[446] = 0x80; // a changed partition table alone does not make another disk
        state.script->failNextReads = 1;
        state.script->failNextError = 21;
        state.script = replacement;

        std::vector<uint8_t> buf(512, 0xEE);
        EXPECT_EQ(disk.ReadSectors(buf.data(), 1, 1), c.readAgain);
        EXPECT_EQ(buf[0], c.readAgain ? 0x5A : 0);
        EXPECT_EQ(disk.GetOpenError().empty(), c.readAgain) << disk.GetOpenError();
        EXPECT_EQ(disk.IsOpen(), c.readAgain);
    }
}

TEST(CDiskDevice, DynamicFlagSignatureAndHeads)
{
    Opened state;
    state.script = std::make_shared<FakeDiskScript>();
    state.script->geometry = Geometry(1, 16, 63, 512);
    state.script->bytes.resize(100 * 512);
    auto& b = state.script->bytes;
    b[446 + 16 + 4] = 0x42;
    b[440] = 0x78, b[441] = 0x56, b[442] = 0x34, b[443] = 0x12;
    CDiskDevice disk(1, OpenerFor(state));
    EXPECT_TRUE(disk.IsDynamic());
    EXPECT_EQ(disk.GetDiskSignature(), 0x12345678);
    EXPECT_EQ(disk.GetTracksPerCylinder(), 16u);

    state.script->geometryOk = false;
    EXPECT_EQ(disk.GetTracksPerCylinder(), 255u);
    disk.Close();
    EXPECT_EQ(disk.GetDiskSignature(), -1);
}

TEST(CDiskDevice, TrimSpaces)
{
    const std::pair<const char*, const char*> cases[] = {
        {"ST3500418AS", "ST3500418AS"},
        {"WDC WD5000AAKS  ", "WDC WD5000AAKS"},
        {"   Z2AB  12", "Z2AB"},
        {"Ultra Fit ", "Ultra Fit"},
        {"    ", ""},
        {"", ""},
    };
    for (const auto& [in, out] : cases) EXPECT_EQ(TrimSpaces(in), out) << '"' << in << '"';
}
