// Cluster-use bitmap, reading found files through their runs and from FILE records, and recycle-bin
// pairing with the name recovered from an information file.
#include "filesystems/tree/CClusterUseBitMap.h"
#include "filesystems/tree/CFoundFileReader.h"
#include "filesystems/tree/FileTree.h"
#include "filesystems/tree/RecycleBinNames.h"

#include "filesystems/tree/tests/TreeTestUtil.h"
#include "tests/support/MemoryDevice.h"

#include <gtest/gtest.h>

using namespace treetest;
using testsupport::MemoryDevice;

namespace {

// A volume node at sector 100 with 2 sectors (1024 bytes) per cluster, holding one file with these runs.
struct Volume {
    MemoryDevice device{4096};
    CFileSystemNode* root = CreateRootNode();
    CFileSystemNode* volume = AddFsFolder(root, "vol");

    Volume()
    {
        device.FillWithPattern();
        volume->SetClusterGeometry(100, 2);
    }
    ~Volume() { DeleteFoundTree(root); }

    CFileNode* AddFileWithRuns(const std::string& name, uint64_t size, std::vector<DataRun> runs)
    {
        CFileNode* node = AddFile(volume, name, size);
        static_cast<TestProperties*>(node->GetProperties())->m_runs = std::move(runs);
        return node;
    }

    uint8_t ByteOfCluster(uint64_t cluster, uint64_t offset) const
    {
        const uint64_t sector = 100 + cluster * 2 + offset / 512;
        return MemoryDevice::PatternByte(sector, offset % 512);
    }
};

std::vector<uint8_t> Utf16(const std::u16string& text)
{
    std::vector<uint8_t> out;
    for (char16_t c : text) {
        out.push_back(uint8_t(c));
        out.push_back(uint8_t(c >> 8));
    }
    return out;
}

// The layout of a recycle-bin information file: version, size, deletion time, name length, then the path.
std::vector<uint8_t> InfoFile(const std::u16string& path)
{
    std::vector<uint8_t> bytes(28, 0);
    bytes[0] = 2;
    const std::vector<uint8_t> name = Utf16(path + u'\0');
    bytes.insert(bytes.end(), name.begin(), name.end());
    return bytes;
}

} // namespace

TEST(ClusterBitmap, OutsideTheBitmapCountsAsUsed)
{
    const std::vector<bool> bits{true, false, true, false};
    CClusterUseBitMap map({&bits, 2048, 8, 4, 512});
    const std::pair<uint64_t, bool> cases[] = {
        {0, true},     {2047, true}, {2048, true},  {2055, true}, {2056, false},
        {2063, false}, {2064, true}, {2079, false}, {2080, true}, {UINT64_MAX / 512, true},
    };
    for (auto [sector, used] : cases)
        EXPECT_EQ(map.IsClusterUsed(DeviceBytePos::OfSector(sector, 512)), used) << sector;

    CClusterUseBitMap longerThanBits({&bits, 0, 1, 100, 512});
    EXPECT_TRUE(longerThanBits.IsClusterUsed(DeviceBytePos::OfSector(50, 512)));
    CClusterUseBitMap noGeometry({&bits, 0, 0, 4, 512});
    EXPECT_TRUE(noGeometry.IsClusterUsed(DeviceBytePos::OfSector(1, 512)));
    CClusterUseBitMap noSectorSize({&bits, 0, 1, 4, 0});
    EXPECT_TRUE(noSectorSize.IsClusterUsed(DeviceBytePos::OfSector(1, 512)));
}

TEST(ClusterBitmap, ClustersOfManySectorsKeepTheirSize)
{
    // 2 MiB clusters of 512-byte sectors (4096 sectors) and 128 KiB ones (256): a narrow field would wrap
    // them to 0, making every sector count as used, or to a wrong cluster size.
    const std::vector<bool> bits{true, false, true};
    for (uint32_t spc : {256u, 4096u}) {
        CClusterUseBitMap map({&bits, 100, spc, 3, 512});
        const auto at = [](uint64_t sector) { return DeviceBytePos::OfSector(sector, 512); };
        EXPECT_TRUE(map.IsClusterUsed(at(100 + spc - 1))) << spc;
        EXPECT_FALSE(map.IsClusterUsed(at(100 + spc))) << spc;
        EXPECT_FALSE(map.IsClusterUsed(at(100 + 2 * uint64_t(spc) - 1))) << spc;
        EXPECT_TRUE(map.IsClusterUsed(at(100 + 2 * uint64_t(spc)))) << spc;
    }
}

TEST(ClusterBitmap, AnswersInBytesWhateverSectorsMarkedIt)
{
    // One volume of 4096-byte sectors, clusters of 8 KiB from byte 1 MiB: marked in device sectors (256, 2 per
    // cluster) or in the 512-byte units of its view (2048, 16 per cluster), asked in either.
    const std::vector<bool> bits{false, true, false};
    const CClusterUseBitMap inDeviceSectors({&bits, 256, 2, 3, 4096});
    const CClusterUseBitMap inViewUnits({&bits, 2048, 16, 3, 512});
    const std::pair<uint64_t, bool> cases[] = {
        {1048576 - 4096, true}, {1048576, false},         {1048576 + 8191, false},
        {1048576 + 8192, true}, {1048576 + 16384, false}, {1048576 + 24576, true},
    };
    for (auto [byte, used] : cases) {
        EXPECT_EQ(inDeviceSectors.IsClusterUsed(DeviceBytePos::OfByte(byte)), used) << byte;
        EXPECT_EQ(inViewUnits.IsClusterUsed(DeviceBytePos::OfByte(byte)), used) << byte;
    }
    EXPECT_EQ(DeviceBytePos::OfSector(258, 4096).Byte(), DeviceBytePos::OfSector(2064, 512).Byte());
    // A sector number whose byte does not fit lies past every bitmap instead of wrapping into one.
    const std::vector<bool> free{false};
    const CClusterUseBitMap fromZero({&free, 0, 1, 1, 4096});
    EXPECT_TRUE(fromZero.IsClusterUsed(DeviceBytePos::OfSector((UINT64_MAX >> 12) + 1, 4096)));
}

TEST(FoundFileReader, ReadsAlongRunsAndCutsAtTheEnd)
{
    Volume v;
    CFileNode* file = v.AddFileWithRuns("f", 5050, {{0, 5}});
    CFoundFileReader reader;
    ASSERT_TRUE(reader.Open(&v.device, file));
    uint8_t buffer[100];
    uint32_t got = 0;
    ASSERT_TRUE(reader.ReadAt(5000, buffer, 100, got));
    EXPECT_EQ(got, 50u);
    for (uint32_t i = 0; i < got; ++i) ASSERT_EQ(buffer[i], v.ByteOfCluster(4, 5000 - 4096 + i)) << i;
    EXPECT_FALSE(reader.ReadAt(5050, buffer, 1, got));

    // Across two runs: the last cluster of the first and the first cluster of the second; a hole reads
    // as zeros.
    CFileNode* split = v.AddFileWithRuns("g", 5 * 1024, {{10, 2}, {-1, 1}, {50, 2}});
    ASSERT_TRUE(reader.Open(&v.device, split));
    std::vector<uint8_t> all(5 * 1024);
    ASSERT_TRUE(reader.ReadAt(0, all.data(), uint32_t(all.size()), got));
    EXPECT_EQ(got, all.size());
    EXPECT_EQ(all[2047], v.ByteOfCluster(11, 1023));
    EXPECT_EQ(all[2048], 0);
    EXPECT_EQ(all[3071], 0);
    EXPECT_EQ(all[3072], v.ByteOfCluster(50, 0));
    EXPECT_EQ(all[5119], v.ByteOfCluster(51, 1023));
    ASSERT_TRUE(reader.ReadAt(2040, buffer, 16, got));
    EXPECT_EQ(buffer[7], v.ByteOfCluster(11, 1023));
    EXPECT_EQ(buffer[8], 0);

    // Runs shorter than the size: what they cover is read.
    CFileNode* shortRuns = v.AddFileWithRuns("h", 4096, {{1, 1}});
    ASSERT_TRUE(reader.Open(&v.device, shortRuns));
    ASSERT_TRUE(reader.ReadAt(0, all.data(), 4096, got));
    EXPECT_EQ(got, 1024u);

    v.device.FailSector(100 + 50 * 2);
    ASSERT_TRUE(reader.Open(&v.device, split));
    EXPECT_FALSE(reader.ReadAt(3072, buffer, 10, got));
}

TEST(FoundFileReader, OpenRefusesWhatItCannotRead)
{
    Volume v;
    CFileNode* good = v.AddFileWithRuns("f", 10, {{0, 1}});
    CFileNode* empty = v.AddFileWithRuns("e", 0, {{0, 1}});
    CFileNode* noRuns = v.AddFileWithRuns("n", 10, {});
    CFileNode* loose = AddFile(nullptr, "l", 10);
    static_cast<TestProperties*>(loose->GetProperties())->m_runs = {{0, 1}};
    CFoundFileReader reader;
    EXPECT_FALSE(reader.Open(nullptr, good));
    EXPECT_FALSE(reader.Open(&v.device, nullptr));
    EXPECT_FALSE(reader.Open(&v.device, empty));
    EXPECT_FALSE(reader.Open(&v.device, noRuns));
    EXPECT_FALSE(reader.Open(&v.device, loose));
    v.volume->SetClusterGeometry(100, 0);
    EXPECT_FALSE(reader.Open(&v.device, good));
    v.volume->SetClusterGeometry(100, 0x7FFFFFFF);
    EXPECT_FALSE(reader.Open(&v.device, good));
    uint8_t byte;
    uint32_t got;
    EXPECT_FALSE(reader.ReadAt(0, &byte, 1, got));
    DeleteFoundTree(loose);
}

TEST(FoundFileReader, ResidentDataComesFromTheFixedUpRecord)
{
    Volume v;
    // A 1024-byte FILE record at sector 40 whose value (600 bytes at 0x98) crosses the first stride's
    // update-sequence slot.
    std::vector<uint8_t> record(1024, 0);
    std::memcpy(record.data(), "FILE", 4);
    record[4] = 0x30;
    record[6] = 3;
    record[0x1C] = 0x00;
    record[0x1D] = 0x04;
    for (size_t i = 0; i < 600; ++i) record[0x98 + i] = uint8_t(i * 3 + 1);
    const std::vector<uint8_t> value(record.begin() + 0x98, record.begin() + 0x98 + 600);
    record[0x30] = 0x07; // sequence number
    record[0x32] = record[510];
    record[0x33] = record[511];
    record[0x34] = record[1022];
    record[0x35] = record[1023];
    record[510] = record[1022] = 0x07;
    record[511] = record[1023] = 0x00;
    v.device.Write(40 * 512, record.data(), record.size());

    CFileNode* file = AddFile(v.volume, "res", 600);
    auto* p = static_cast<TestProperties*>(file->GetProperties());
    p->m_resident = true;
    p->m_recordSector = 40;
    p->m_residentOffset = 0x98;
    CFoundFileReader reader;
    ASSERT_TRUE(reader.Open(&v.device, file));
    std::vector<uint8_t> out(1024);
    uint32_t got = 0;
    ASSERT_TRUE(reader.ReadAt(0, out.data(), 1024, got));
    ASSERT_EQ(got, 600u);
    out.resize(got);
    EXPECT_EQ(out, value);
    ASSERT_TRUE(reader.ReadAt(590, out.data(), 100, got));
    EXPECT_EQ(got, 10u);

    // A torn record (a stride that does not end in the sequence number) is not used.
    v.device.Write(40 * 512 + 1022, "\x08", 1);
    EXPECT_FALSE(reader.ReadAt(0, out.data(), 10, got));
}

TEST(RecycleBin, FolderAndInformationFileNames)
{
    const std::pair<const char*, bool> folders[] = {
        {"$Recycle.Bin", true}, {"RECYCLER", true}, {"recycled", true},
        {"$RECYCLE.BI0", true}, {"Recycle", false}, {"$Recycle.Bin2", false},
    };
    for (auto [name, expected] : folders) {
        CFileNode* folder = AddFolder(nullptr, name);
        EXPECT_EQ(IsRecycleBinFolder(folder), expected) << name;
        CFileNode* inner = AddFile(AddFolder(folder, "S-1-5-21"), "$RAB12CD.txt", 1);
        EXPECT_EQ(IsInRecycleBin(inner), expected) << name;
        DeleteFoundTree(folder);
    }
    CFileNode* file = AddFile(nullptr, "$Recycle.Bin", 1);
    EXPECT_FALSE(IsRecycleBinFolder(file));
    DeleteFoundTree(file);

    const std::pair<const char*, bool> infos[] = {
        {"$IAB12CD.txt", true},  {"#I1", true}, {"$I", true},    {"$iAB12CD.txt", false},
        {"$RAB12CD.txt", false}, {"$", false},  {"XIAB", false},
    };
    for (auto [name, expected] : infos) {
        CFileNode* node = AddFile(nullptr, name, 1);
        EXPECT_EQ(IsRecycleInfoFile(node), expected) << name;
        DeleteFoundTree(node);
    }
}

TEST(RecycleBin, PairsInEitherOrderIgnoringCase)
{
    CFileNode* folder = AddFolder(nullptr, "$Recycle.Bin");
    CFileNode* info = AddFile(folder, "$IAB12CD.txt", 1);
    CFileNode* data = AddFile(folder, "$RAB12CD.txt", 1);
    CFileNode* lowerInfo = AddFile(folder, "$Iab12cd.txt", 1);
    CFileNode* upperData = AddFile(folder, "$RAB12CD.TXT", 1);
    CFileNode* other = AddFile(folder, "$RZZZZZZ.txt", 1);
    CFileNode* twin = AddFile(folder, "$RZZZZZZ.txt", 1);

    RecyclePendingList pending;
    EXPECT_EQ(FindRecyclePartner(pending, info), nullptr);
    EXPECT_EQ(FindRecyclePartner(pending, other), nullptr);
    EXPECT_EQ(FindRecyclePartner(pending, data), info);
    EXPECT_EQ(pending, RecyclePendingList{other});
    EXPECT_EQ(FindRecyclePartner(pending, upperData), nullptr);
    EXPECT_EQ(FindRecyclePartner(pending, lowerInfo), upperData);
    // Two data files of the same name are not partners.
    EXPECT_EQ(FindRecyclePartner(pending, twin), nullptr);
    EXPECT_EQ(pending.size(), 2u);
    EXPECT_EQ(FindRecyclePartner(pending, nullptr), nullptr);
    DeleteFoundTree(folder);
}

TEST(RecycleBin, NameFromInformationFile)
{
    struct Case {
        const char* what;
        std::u16string path;
        std::string expected;
    } cases[] = {
        {"ordinary", u"C:\\Users\\ann\\Documents\\report.docx", "report.docx"},
        {"non-ASCII", u"D:\\F\u00F6t\u00F6.txt", "F\xC3\xB6t\xC3\xB6.txt"},
        {"lone surrogate",
         u"C:\\a\xD800"
         u"b",
         "a\xEF\xBF\xBD"
         "b"},
        {"network path", u"\\\\server\\share\\a.txt", ""},
        {"dot dot", u"C:\\dir\\..", ""},
        {"dot", u"C:\\dir\\.", ""},
        {"slash", u"C:\\dir\\a/../../b", ""},
        {"control character",
         u"C:\\dir\\a\x0001"
         u"b",
         ""},
        {"empty", u"C:\\dir\\", ""},
        {"no backslash", u"report.docx", ""},
    };
    for (const Case& c : cases) {
        const std::vector<uint8_t> bytes = InfoFile(c.path);
        EXPECT_EQ(RecycleNameFromInfo(bytes.data(), bytes.size()), c.expected) << c.what;
    }
    // A path that fills the whole buffer ends at its last unit.
    std::vector<uint8_t> full = Utf16(u"C:\\" + std::u16string(600, u'x'));
    EXPECT_EQ(RecycleNameFromInfo(full.data(), full.size()), std::string(508, 'x'));
    EXPECT_EQ(RecycleNameFromInfo(nullptr, 100), "");
}

TEST(RecycleBin, ApplyRenamesTheDataFile)
{
    Volume v;
    const std::vector<uint8_t> info = InfoFile(u"C:\\Users\\ann\\holiday.jpg");
    v.device.Write((100 + 7 * 2) * 512, info.data(), info.size());
    CFileNode* infoNode = v.AddFileWithRuns("$IXY.jpg", info.size(), {{7, 1}});
    CFileNode* dataNode = v.AddFileWithRuns("$RXY.jpg", 10, {{8, 1}});
    ApplyRecycleInfo(&v.device, dataNode, infoNode);
    EXPECT_EQ(NameOf(dataNode), "holiday.jpg");

    const std::vector<uint8_t> unsafe = InfoFile(u"C:\\Users\\..");
    v.device.Write((100 + 9 * 2) * 512, unsafe.data(), unsafe.size());
    CFileNode* badInfo = v.AddFileWithRuns("$IZZ", unsafe.size(), {{9, 1}});
    CFileNode* keep = v.AddFileWithRuns("$RZZ", 10, {{8, 1}});
    ApplyRecycleInfo(&v.device, keep, badInfo);
    EXPECT_EQ(NameOf(keep), "$RZZ");
    ApplyRecycleInfo(nullptr, keep, badInfo);
    ApplyRecycleInfo(&v.device, keep, nullptr);
}
