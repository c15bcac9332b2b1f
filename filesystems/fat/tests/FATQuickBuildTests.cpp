// The quick build from a boot sector: which boot sector and FAT copy it accepts, volumes past 2^32 sectors,
// and the FAT-copy test of each width.
#include "filesystems/fat/BuildFAT.h"
#include "filesystems/fat/CFATSearchedPartitionInfo.h"
#include "filesystems/fat/CFATTreeBuilder.h"
#include "filesystems/fat/tests/FATImageBuilder.h"

#include "core/CRecoverySettings.h"
#include "filesystems/tree/CFileSystemNode.h"
#include "filesystems/tree/CFoundFileReader.h"
#include "filesystems/tree/FileTree.h"
#include "filesystems/tree/IFileProperties.h"
#include "tests/support/FixtureManifests.h"
#include "tests/support/MemoryRSData.h"

#include <gtest/gtest.h>

#include <cstring>
#include <memory>

using namespace fattest;

namespace {

// A device of base + n sectors whose first base sectors read as zeros and whose rest is the inner device.
class OffsetDevice : public IStorageDevice {
public:
    OffsetDevice(IStorageDevice& inner, uint64_t base) : m_inner(inner), m_base(base) {}
    bool ReadSectors(void* buffer, uint64_t first, uint64_t count) override
    {
        if (first < m_base) {
            std::memset(buffer, 0, size_t(count) * 512);
            return first + count <= m_base;
        }
        return m_inner.ReadSectors(buffer, first - m_base, count);
    }
    uint64_t GetSectorCount() override { return m_base + m_inner.GetSectorCount(); }
    int32_t GetSectorSize() override { return 512; }
    bool Open() override { return true; }
    bool Close() override { return true; }

private:
    IStorageDevice& m_inner;
    uint64_t m_base;
};

struct TreeDeleter {
    void operator()(CFileSystemNode* tree) const { DeleteFoundTree(tree); }
};
using TreePtr = std::unique_ptr<CFileSystemNode, TreeDeleter>;

CFileNode* Child(CFileNode* parent, const char* name)
{
    for (CFileNode* c = parent->GetFirstChild(); c; c = c->GetNextSibling())
        if (std::strcmp(c->GetProperties()->GetName(), name) == 0) return c;
    return nullptr;
}

// A FAT16 volume with one live file of two clusters in the root.
void SmallVolume(Fat16Image& image)
{
    image.PutRoot(0, MakeEntry(File("DATA", "BIN", 10, 5000)));
    image.Chain({10, 11});
    image.Fill(10);
    image.Fill(11);
}

} // namespace

TEST(FATQuickBuild, VolumesPastTwoToTheThirtyTwoSectors)
{
    Fat16Image image(8, 300);
    SmallVolume(image);
    const uint64_t base = (uint64_t(1) << 32) + 7;
    OffsetDevice device(image.Device(), base);
    CFATSearchedPartitionInfo partition(512);
    partition.u64StartSector = base;
    partition.AddFlags(kFATFlagFAT16Boot | kFATFlagUseFAT1);
    TreePtr tree(FATQuickBuild(nullptr, &partition, &device, true));
    ASSERT_TRUE(tree);
    uint64_t dataStart = 0;
    int32_t spc = 0;
    ASSERT_TRUE(tree->GetClusterGeometry(dataStart, spc));
    EXPECT_EQ(dataStart, base + image.DataStart());
    CFileNode* file = Child(tree.get(), "DATA.BIN");
    ASSERT_NE(file, nullptr);
    CFoundFileReader reader;
    ASSERT_TRUE(reader.Open(&device, file));
    std::vector<uint8_t> bytes(5000);
    uint32_t got = 0;
    ASSERT_TRUE(reader.ReadAt(0, bytes.data(), 5000, got));
    EXPECT_EQ(got, 5000u);
    EXPECT_EQ(bytes[0], 10);
    EXPECT_EQ(bytes[4095], 10);
    EXPECT_EQ(bytes[4096], 11);
}

TEST(FATQuickBuild, BootSectorAndFatCopyChoices)
{
    // No usable boot sector.
    testsupport::MemoryDevice blank(4000);
    EXPECT_EQ(BuildFAT(&blank, false, true, nullptr), nullptr);

    // A boot sector whose FAT copies carry no signature is not trusted.
    Fat16Image unsigned_(8, 300);
    SmallVolume(unsigned_);
    unsigned_.Link(0, 0);
    unsigned_.Link(1, 0);
    EXPECT_EQ(BuildFAT(&unsigned_.Device(), false, true, nullptr), nullptr);

    // With neither copy wanted the table answers 0: a live file gets consecutive clusters for its size.
    Fat16Image image(8, 300);
    SmallVolume(image);
    image.Chain({10, 20});
    image.Fill(20);
    CRecoverySettings* settings = GetRecoverySettings();
    const int first = settings->m_fatUseFirstCopy, second = settings->m_fatUseSecondCopy;
    for (int useCopies : {1, 0}) {
        SCOPED_TRACE(useCopies);
        settings->m_fatUseFirstCopy = settings->m_fatUseSecondCopy = useCopies;
        TreePtr tree(BuildFAT(&image.Device(), false, true, nullptr));
        ASSERT_TRUE(tree);
        CFileNode* file = Child(tree.get(), "DATA.BIN");
        ASSERT_NE(file, nullptr);
        CFoundFileReader reader;
        ASSERT_TRUE(reader.Open(&image.Device(), file));
        uint8_t byte = 0;
        uint32_t got = 0;
        ASSERT_TRUE(reader.ReadAt(4096, &byte, 1, got));
        EXPECT_EQ(byte, useCopies ? 20 : 11);
    }
    settings->m_fatUseFirstCopy = first;
    settings->m_fatUseSecondCopy = second;
}

TEST(FATQuickBuild, Fat32BuildsFromTheBackupBootSector)
{
    std::vector<uint8_t> bytes = testsupport::LoadFixtureImage("fat32");
    ASSERT_GT(bytes.size(), 7u * 512);
    std::memset(bytes.data(), 0, 512);
    testsupport::MemoryDevice device(bytes);
    TreePtr tree(BuildFAT(&device, true, true, nullptr));
    ASSERT_TRUE(tree);
    EXPECT_NE(Child(tree.get(), "Documents"), nullptr);

    std::memset(device.Sector(6), 0, 512);
    EXPECT_EQ(BuildFAT(&device, true, true, nullptr), nullptr);
}

TEST(HasValidFATCopy, EachWidthByItsOwnTableSignature)
{
    std::vector<uint8_t> floppy = testsupport::LoadFixtureImage("fat12");
    ASSERT_GT(floppy.size(), 512u);
    testsupport::MemoryDevice device(floppy);
    std::vector<uint8_t> boot(floppy.begin(), floppy.begin() + 512);
    EXPECT_TRUE(HasValidFATCopy(boot, 0, &device));
    // The second copy alone is enough.
    std::memset(device.Sector(1), 0, 512);
    EXPECT_TRUE(HasValidFATCopy(boot, 0, &device));
    std::memset(device.Sector(10), 0, 512);
    EXPECT_FALSE(HasValidFATCopy(boot, 0, &device));

    Fat16Image image(8, 300);
    SmallVolume(image);
    std::vector<uint8_t> boot16(image.Device().Sector(0), image.Device().Sector(0) + 512);
    EXPECT_TRUE(HasValidFATCopy(boot16, 0, &image.Device()));
    boot16[0x13] = 1; // fewer sectors than its FATs take
    boot16[0x14] = 0;
    EXPECT_FALSE(HasValidFATCopy(boot16, 0, &image.Device()));
}

TEST(CFATSearchedPartitionInfo, StreamFormRoundTrip)
{
    CFATSearchedPartitionInfo p(4096);
    p.nFileSystemKind = 2;
    p.u64StartSector = 0x123456789ull;
    p.SetReservedSectors(32);
    p.SetSectorsPerFAT(1000);
    p.SetClusterCount(70000);
    p.SetRoot(2);
    p.AddFlags(kFATFlagFAT32Boot | kFATFlagFoundFAT1);
    auto writer = testsupport::MemoryRSData::Writer();
    p.Save(&writer);
    writer.EndSection();
    EXPECT_EQ(writer.SectionBytes().size(), CSearchedPartitionInfo::kStreamSize + 18);
    auto reader = testsupport::MemoryRSData::Reader(writer.SectionBytes());
    CFATSearchedPartitionInfo q;
    q.Load(&reader);
    EXPECT_EQ(q.GetKind(), 1);
    EXPECT_EQ(q.nSectorSize, 4096u);
    EXPECT_EQ(q.u64StartSector, 0x123456789ull);
    EXPECT_EQ(q.GetReservedSectors(), 32);
    EXPECT_EQ(q.GetSectorsPerFAT(), 1000u);
    EXPECT_EQ(q.GetClusterCount(), 70000u);
    EXPECT_EQ(q.GetRoot(), 2u);
    EXPECT_EQ(q.GetFlags(), uint32_t(kFATFlagFAT32Boot | kFATFlagFoundFAT1));
}
