// The analysers whose length comes from their header, measured on composed disks: real files made by Debian
// tools (tests/fixtures/raw/header), and byte-built files of the formats no Debian tool writes.
#include "core/CRecoverySettings.h"
#include "filesystems/tree/CRawFileInfo.h"
#include "raw/RawAnalyserFactory.h"
#include "raw/RawSectorMatcher.h"
#include "raw/RawWalk.h"
#include "raw/tests/RawTestSectors.h"
#include "tests/support/RawImageComposer.h"

#include <gtest/gtest.h>

#include <map>

using testsupport::RawImageComposer;

namespace {

using C = RawAnalyserClass;
using rawtest::Sector;

const C kHeaderClasses[] = {C::File3DSAnalyser, C::FileAUAnalyser,  C::FileBMPAnalyser,  C::FileCABAnalyser,
                            C::FileCHMAnalyser, C::FileDBXAnalyser, C::FileEMFAnalyser,  C::FileEPSAnalyser,
                            C::FileGZAnalyser,  C::FileHLPAnalyser, C::FileICOAnalyser,  C::FileMNYAnalyser,
                            C::FileONEAnalyser, C::FilePSTAnalyser, C::FileRIFFAnalyser, C::FileSWFAnalyser,
                            C::FileTTFAnalyser, C::FileWMFAnalyser, C::FileWPDAnalyser};

RawAnalyserList& HeaderList()
{
    static RawAnalyserList list;
    if (list.Empty())
        for (C c : kHeaderClasses) list.Append(CreateRawAnalyserOfClass(c));
    return list;
}

// A file whose first sector is the header and whose other bytes are a pattern, `size` bytes in all.
std::vector<uint8_t> FileOf(const Sector& header, size_t size)
{
    std::vector<uint8_t> bytes(size);
    for (size_t i = 0; i < size; ++i) bytes[i] = i < header.size() ? header[i] : uint8_t(i * 31 + 7);
    return bytes;
}

struct Expected {
    std::string name;
    std::vector<uint8_t> bytes;
    int type;
    uint64_t size; // 0: to the end of the device (gzip)
};

std::vector<Expected> ByteBuiltFiles()
{
    using namespace rawtest;
    std::vector<Expected> out;
    auto add = [&](const char* name, int type, size_t size, auto build) {
        Sector s{};
        build(s);
        out.push_back({name, FileOf(s, size), type, size});
    };
    add("scene.3ds", 1, 3001, [](Sector& s) { Make3ds(s), Le32(s, 2, 3001); });
    add("mail.dbx", 19, 9000, [](Sector& s) { MakeDbx(s); });
    add("help.hlp", 30, 4097, [](Sector& s) { MakeHlp(s), Le32(s, 12, 4097); });
    add("notes.one", 45, 20000, [](Sector& s) { MakeOne(s); });
    add("mail.pst", 52, 70001, [](Sector& s) { MakePst(s), Le64(s, 184, 70001); });
    add("ansi.pst", 52, 5000, [](Sector& s) { MakePst(s), s[10] = 14, Le32(s, 168, 5000); });
    add("money.mny", 38, 1048576, [](Sector& s) { Bytes(s, 0, {0, 1, 0, 0}), Put(s, 4, "MSISAM Database"); });
    add("font.ttf", 61, 276, [](Sector& s) { MakeTtf(s); });
    add("text.wpd", 64, 6000, [](Sector& s) { MakeWpd(s, {1, 0x0A, 2, 1}, {0, 2, 5, 0}); });
    add("drawing.wpg", 65, 6000, [](Sector& s) { MakeWpd(s, {1, 0x16, 2, 0}, {0, 0, 3, 0}); });
    add("slides.shw", 57, 6000, [](Sector& s) { MakeWpd(s, {0x0F, 0x0F, 1, 0}, {0, 0, 3, 0}); });
    for (const auto& [form, type] :
         std::map<std::string, int>{{"ACONanih", 4}, {"CARCvrsn", 13}, {"CSL2vrsn", 17}, {"CDRBvrsn", 11}})
        add(form.c_str(), type, 2500, [&, form = form](Sector& s) { MakeRiff(s, form.c_str()), Le32(s, 4, 2492); });
    add("drawing.cmx", 14, 1800,
        [](Sector& s) { MakeRiff(s, "CMX1"), Le32(s, 4, 1792), Put(s, 20, "{Corel Binary Meta File}"); });

    // A cursor is an icon file of kind 2; a standard metafile is a placeable one without its first 22 bytes.
    std::vector<uint8_t> cursor = testsupport::ReadRawFixture("header", "icons.ico");
    if (cursor.size() > 2) cursor[2] = 2;
    out.push_back({"cursor.cur", cursor, 18, cursor.size()});
    std::vector<uint8_t> wmf = testsupport::ReadRawFixture("header", "picture.wmf");
    if (wmf.size() > 22) wmf.erase(wmf.begin(), wmf.begin() + 22);
    out.push_back({"standard.wmf", wmf, 66, wmf.size()});
    return out;
}

std::vector<Expected> FixtureFiles()
{
    std::vector<Expected> out;
    for (const auto& f : testsupport::ReadRawFixtureManifest("header")) {
        std::vector<uint8_t> bytes = testsupport::ReadRawFixture("header", f.name);
        EXPECT_EQ(testsupport::Sha256Hex(bytes), f.sha256) << f.name;
        EXPECT_TRUE(f.size == 0 || f.size == bytes.size()) << f.name;
        out.push_back({f.name, std::move(bytes), f.type, f.size});
    }
    return out;
}

class RawHeaderAnalysersTest : public ::testing::Test {
protected:
    void TearDown() override { GetRecoverySettings()->m_maxRawFileSize = CRecoverySettings::kDefaultMaxRawFileSize; }

    // Scans every sector of the composed disk and checks that exactly the placed files are found, each with its
    // type and measured size, from the header at the scan and again by Analyse on the device.
    void ScanAndCheck(const RawImageComposer& disk, const std::vector<Expected>& files)
    {
        auto device = disk.MakeDevice();
        const RawSectorMatcher matcher(HeaderList());
        const uint64_t sectorSize = uint64_t(disk.SectorSize());
        std::map<uint64_t, const Expected*> byStart;
        for (size_t i = 0; i < files.size(); ++i) byStart[disk.Files()[i].startSector] = &files[i];

        size_t found = 0;
        CRawFileInfo hit;
        for (uint64_t sector = 0; sector < disk.SectorCount(); ++sector) {
            IRawFileAnalyser* analyser = matcher.Match(disk.Bytes().data() + sector * sectorSize, &hit);
            if (!analyser) continue;
            auto it = byStart.find(sector);
            ASSERT_NE(it, byStart.end()) << "unexpected hit at sector " << sector << " type " << hit.GetFileType();
            const Expected& f = *it->second;
            SCOPED_TRACE(f.name);
            ++found;
            hit.SetStartSector(sector);
            CapRawHitSize(&hit, device.get());
            const uint64_t expectedSize = f.size;
            EXPECT_EQ(hit.GetFileType(), f.type);
            EXPECT_EQ(hit.GetSize(), f.type == 29 ? 0 : f.size); // gzip states no size: measured later

            CRawFileInfo measured;
            measured.SetStartSector(sector);
            measured.SetFileType(hit.GetFileType());
            EXPECT_EQ(analyser->Analyse(&measured, device.get()), 1);
            EXPECT_EQ(measured.GetSize(), expectedSize);
            EXPECT_EQ(measured.GetFileType(), f.type);
            EXPECT_EQ(disk.Sha256At(sector, f.bytes.size()), testsupport::Sha256Hex(f.bytes));
            hit = CRawFileInfo();
        }
        EXPECT_EQ(found, files.size());
    }
};

TEST_F(RawHeaderAnalysersTest, RealFilesAreMeasuredExactly)
{
    const std::vector<Expected> files = FixtureFiles();
    ASSERT_EQ(files.size(), 14u);
    for (auto filler : {RawImageComposer::Filler::Random, RawImageComposer::Filler::Zero}) {
        RawImageComposer disk(2048, 512, filler, 3);
        for (const Expected& f : files) disk.Append(f.bytes, f.type, f.name, 5);
        ScanAndCheck(disk, files);
    }
}

TEST_F(RawHeaderAnalysersTest, ByteBuiltFilesAreMeasuredExactly)
{
    const std::vector<Expected> files = ByteBuiltFiles();
    RawImageComposer disk(6000, 512, RawImageComposer::Filler::Random, 5);
    for (const Expected& f : files) disk.Append(f.bytes, f.type, f.name, 2);
    ScanAndCheck(disk, files);
}

TEST_F(RawHeaderAnalysersTest, LargeSectors)
{
    std::vector<Expected> files = FixtureFiles();
    files.resize(8);
    RawImageComposer disk(400, 4096, RawImageComposer::Filler::Random, 9);
    for (const Expected& f : files) disk.Append(f.bytes, f.type, f.name, 1);
    ScanAndCheck(disk, files);
}

TEST_F(RawHeaderAnalysersTest, SizesStopAtTheDeviceEndAndTheOption)
{
    // A bitmap whose header states 1206 bytes, on a disk that ends two sectors after its start.
    std::vector<uint8_t> bmp = testsupport::ReadRawFixture("header", "bitmap-info.bmp");
    RawImageComposer disk(12, 512);
    disk.Place(10, std::vector<uint8_t>(bmp.begin(), bmp.begin() + 1024), 9, "cut.bmp");
    auto device = disk.MakeDevice();
    const RawSectorMatcher matcher(HeaderList());
    CRawFileInfo hit;
    IRawFileAnalyser* analyser = matcher.Match(disk.Bytes().data() + 10 * 512, &hit);
    ASSERT_NE(analyser, nullptr);
    EXPECT_EQ(hit.GetSize(), 1206u);
    hit.SetStartSector(10);
    CapRawHitSize(&hit, device.get());
    EXPECT_EQ(hit.GetSize(), 1024u);
    hit.SetSize(0);
    EXPECT_EQ(analyser->Analyse(&hit, device.get()), 1);
    EXPECT_EQ(hit.GetSize(), 1024u);

    // A CHM claiming 2^60 bytes, and the option below the file's length.
    Sector chm{};
    rawtest::MakeChm(chm);
    rawtest::Le64(chm, 104, 1ull << 60);
    RawImageComposer big(100, 512);
    big.Place(40, std::vector<uint8_t>(chm.begin(), chm.end()), 12);
    auto bigDevice = big.MakeDevice();
    CRawFileInfo chmHit;
    chmHit.SetStartSector(40);
    analyser = matcher.Match(chm.data(), &chmHit);
    ASSERT_NE(analyser, nullptr);
    EXPECT_EQ(chmHit.GetSize(), CRecoverySettings::kDefaultMaxRawFileSize);
    CapRawHitSize(&chmHit, bigDevice.get());
    EXPECT_EQ(chmHit.GetSize(), 60u * 512);
    GetRecoverySettings()->m_maxRawFileSize = 1000;
    EXPECT_EQ(analyser->Analyse(&chmHit, bigDevice.get()), 1);
    EXPECT_EQ(chmHit.GetSize(), 1000u);
}

// gzip (a file made by gzip -9 -n) is measured by inflating it: members after the first count, a damaged or cut
// stream is kept as far as zlib could take it, and a signature followed by no deflate data is no file.
TEST_F(RawHeaderAnalysersTest, GzipIsMeasuredToTheEndOfItsLastMember)
{
    using Bytes = std::vector<uint8_t>;
    const Bytes gz = testsupport::ReadRawFixture("header", "tone.wav.gz");
    ASSERT_EQ(gz.size(), 2545u);
    Bytes twice = gz;
    twice.insert(twice.end(), gz.begin(), gz.end());
    Bytes brokenSecond = gz;
    brokenSecond.insert(brokenSecond.end(), gz.begin(), gz.begin() + 200);
    Bytes damaged = gz;
    for (size_t i = 1000; i < 1100; ++i) damaged[i] = uint8_t(i * 7);
    Bytes noData = {0x1F, 0x8B, 0x08, 0, 0, 0, 0, 0, 0, 3};
    noData.resize(600, 0xFF);
    Bytes reservedFlags = gz;
    reservedFlags[3] = 0xE0;

    const struct Case {
        const char* name;
        const Bytes& bytes;
        uint64_t maxSize;
        int result;
        uint64_t size; // 0: some size below the file's length
    } cases[] = {
        {"one member", gz, 0, 1, 2545},
        {"two members", twice, 0, 1, 5090},
        {"a broken member after a whole one", brokenSecond, 0, 1, 2545},
        {"damaged data", damaged, 0, 1, 0},
        {"cut by the size option", gz, 1000, 1, 1000},
        {"no deflate data", noData, 0, 0, 0},
        {"reserved flag bits", reservedFlags, 0, 0, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        GetRecoverySettings()->m_maxRawFileSize = c.maxSize ? c.maxSize : CRecoverySettings::kDefaultMaxRawFileSize;
        RawImageComposer disk(200, 512, RawImageComposer::Filler::Random, 5);
        disk.Place(10, c.bytes, 29);
        auto device = disk.MakeDevice();
        auto analyser = CreateRawAnalyserOfClass(C::FileGZAnalyser);
        CRawFileInfo hit;
        hit.SetStartSector(10);
        EXPECT_EQ(analyser->Analyse(&hit, device.get()), c.result);
        if (c.result == 0) {
            EXPECT_EQ(hit.GetSize(), 0u);
        } else if (c.size != 0) {
            EXPECT_EQ(hit.GetSize(), c.size);
        } else {
            EXPECT_GT(hit.GetSize(), 1000u);
            EXPECT_LT(hit.GetSize(), 2545u);
        }
    }

    // A stream that the device's end cuts is kept to the end.
    RawImageComposer shortDisk(4, 512);
    shortDisk.Place(0, Bytes(gz.begin(), gz.begin() + 2048), 29);
    auto device = shortDisk.MakeDevice();
    auto analyser = CreateRawAnalyserOfClass(C::FileGZAnalyser);
    CRawFileInfo hit;
    EXPECT_EQ(analyser->Analyse(&hit, device.get()), 1);
    EXPECT_EQ(hit.GetSize(), 2048u);
}

TEST_F(RawHeaderAnalysersTest, AnalyseFailsOnUnreadableOrChangedHeaders)
{
    std::vector<uint8_t> cab = testsupport::ReadRawFixture("header", "files.cab");
    RawImageComposer disk(64, 512);
    disk.Place(8, cab, 10);
    auto device = disk.MakeDevice();
    auto analyser = CreateRawAnalyserOfClass(C::FileCABAnalyser);
    CRawFileInfo hit;
    hit.SetStartSector(8);
    hit.SetSize(77);
    device->FailSector(8);
    EXPECT_EQ(analyser->Analyse(&hit, device.get()), 0);
    EXPECT_EQ(hit.GetSize(), 77u);
    device->ClearFailures();
    device->Bytes()[8 * 512 + 4] = 1; // reserved field no longer 0
    EXPECT_EQ(analyser->Analyse(&hit, device.get()), 0);
    EXPECT_EQ(analyser->Analyse(&hit, nullptr), 0);
    hit.SetStartSector(64);
    EXPECT_EQ(analyser->Analyse(&hit, device.get()), 0);
    EXPECT_EQ(analyser->Analyse(nullptr, device.get()), 0);
}

} // namespace
