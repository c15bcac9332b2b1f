// The "Raw Files" tree: selection, used clusters, measuring (cap, reset), the nested-JPEG rule, photo mode,
// names and the sub-folders of 300 files.
#include "filesystems/tree/CRawResultTreeBuilder.h"

#include "core/CRecoverySettings.h"
#include "filesystems/common/IDIRBuildCallback.h"
#include "filesystems/tree/CFileNode.h"
#include "filesystems/tree/CFileSystemNode.h"
#include "filesystems/tree/CClusterUseBitMap.h"
#include "filesystems/tree/CRAWFileProperties.h"
#include "filesystems/tree/CRawFileList.h"
#include "filesystems/tree/FileTree.h"
#include "filesystems/tree/IRawHitMeasurer.h"
#include "tests/support/MemoryDevice.h"

#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

namespace {

// Measures every hit at the size kept for its start sector.
class TableMeasurer : public IRawHitMeasurer {
public:
    bool Measure(CRawFileInfo* hit, IStorageDevice*, uint64_t& size, std::string& prefix, std::string& extra) override
    {
        ++calls;
        const auto it = sizes.find(hit->GetStartSector());
        if (it == sizes.end()) return false;
        size = it->second;
        prefix = hit->GetStartSector() == 80 ? this->prefix : "";
        extra = "2024:01:02 03:04:05";
        return true;
    }
    std::map<uint64_t, uint64_t> sizes;
    std::string prefix;
    int calls = 0;
};

class OptionsGuard {
public:
    OptionsGuard() : m_saved(*GetRecoverySettings()) {}
    ~OptionsGuard() { *GetRecoverySettings() = m_saved; }

private:
    CRecoverySettings m_saved;
};

CRawFileInfo* Hit(CRawFileList& list, uint64_t sector, int type, uint64_t size, int analyserType)
{
    auto* hit = new CRawFileInfo;
    hit->SetStartSector(sector);
    hit->SetFileType(type);
    hit->SetSize(size);
    hit->SetAnalyserType(analyserType);
    list.Add(hit);
    return hit;
}

std::string NameOf(const CFileNode* node)
{
    return node->GetProperties()->GetName();
}

std::vector<std::string> Children(const CFileNode* node)
{
    std::vector<std::string> names;
    for (const CFileNode* c = node->GetFirstChild(); c; c = c->GetNextSibling()) names.push_back(NameOf(c));
    return names;
}

const CFileNode* Child(const CFileNode* node, const std::string& name)
{
    for (const CFileNode* c = node->GetFirstChild(); c; c = c->GetNextSibling())
        if (NameOf(c) == name) return c;
    return nullptr;
}

// A device whose JPEGs at the given sectors end with FF D9 at their size.
void PutJpegEnd(testsupport::MemoryDevice& device, uint64_t sector, uint64_t size)
{
    const uint8_t marker[2] = {0xFF, 0xD9};
    device.Write(sector * 512 + size - 2, marker, 2);
}

} // namespace

TEST(RawResultTree, SelectionUsedClustersMeasuringAndNames)
{
    OptionsGuard guard;
    CRecoverySettings& options = *GetRecoverySettings();
    options.m_rawTypeIds = {9, 33, 41, 1000};
    options.m_maxRawFileSize = 50000000;
    testsupport::MemoryDevice device(1000);
    CRawFileList hits;
    Hit(hits, 10, 9, 1000, 9);     // BMP, size from its header
    Hit(hits, 20, 21, 0, 21);      // DOC: not selected
    Hit(hits, 30, 9, 0, 9);        // measured at 60,000,000: capped
    Hit(hits, 40, 1000, 0, -1);    // custom hit without a size: left out
    Hit(hits, 50, 1000, 4096, -1); // custom hit with the script's size: kept
    Hit(hits, 60, 9, 70000000, 9); // a header size is not capped
    Hit(hits, 70, 9, 0, 9);        // cannot be measured
    Hit(hits, 100, 9, 512, 9);     // in a used cluster
    CRawFileInfo* mp3 = Hit(hits, 80, 41, 0, 41);
    TableMeasurer measurer;
    measurer.sizes = {{30, 60000000}, {80, 5000}};
    measurer.prefix = "Song";
    struct Used : IIsClusterUsed {
        bool IsClusterUsed(DeviceBytePos at) const override { return at.Byte() == 100 * 512; }
    } used;

    CRawResultTreeBuilder builder;
    CFileSystemNode* root = builder.Build(&device, hits.GetIterator(), &used, nullptr, &measurer);
    ASSERT_NE(root, nullptr);
    EXPECT_EQ(NameOf(root), "Raw Files");
    EXPECT_EQ(root->GetFileSystemKind(), 6);
    EXPECT_EQ(root->GetProperties()->GetAttributes(), 16);
    const CFileNode* bmp = root->GetFirstChild();
    for (; bmp && Children(bmp).size() != 3; bmp = bmp->GetNextSibling()) {}
    ASSERT_NE(bmp, nullptr);
    // Newest first: the third BMP (header size) in front.
    EXPECT_EQ(Children(bmp), (std::vector<std::string>{"FILE003.BMP", "FILE002.BMP", "FILE001.BMP"}));
    EXPECT_EQ(Child(bmp, "FILE002.BMP")->GetProperties()->GetSize(), 50000000u);
    EXPECT_EQ(Child(bmp, "FILE003.BMP")->GetProperties()->GetSize(), 70000000u);
    EXPECT_EQ(root->GetFirstChild()->GetProperties()->GetState(), 16);
    EXPECT_EQ(Children(root).size(), 3u); // BMP, MP3 and the custom type
    bool song = false, custom = false;
    for (const CFileNode* folder = root->GetFirstChild(); folder; folder = folder->GetNextSibling()) {
        song |= Child(folder, "Song001.MP3") != nullptr;
        custom |= folder->GetFirstChild() && folder->GetFirstChild()->GetProperties()->GetSize() == 4096;
    }
    EXPECT_TRUE(song);
    EXPECT_TRUE(custom);
    // Every hit measured here is back at size 0.
    EXPECT_EQ(mp3->GetSize(), 0u);
    EXPECT_EQ(hits.FindByStartSector(30)->GetSize(), 0u);
    DeleteFoundTree(root);

    options.m_recoverRawFiles = 0;
    CRawResultTreeBuilder off;
    EXPECT_EQ(off.Build(&device, hits.GetIterator(), nullptr, nullptr, &measurer), nullptr);
}

// Keeps the progress total each phase began with.
class TotalCallback : public CQuietDIRBuildCallback {
public:
    int Begin(const char*, int total) override
    {
        this->total = total;
        return 0;
    }
    int total = -1;
};

TEST(RawResultTree, FreeClustersOfLargeSectorDevicesWhateverUnitsTheBitmapHas)
{
    // A volume of 4096-byte sectors with 8 KiB clusters from device sector 256 (512-byte unit 2048), cluster 1
    // used; hits counted in device sectors, one per cluster. The NTFS and FAT builds mark device sectors, the
    // ext2 build the units of the 512-byte view; either way the same hits are free, and the progress total
    // counts exactly those. Given the view, the builder reads the device below it.
    OptionsGuard guard;
    CRecoverySettings& options = *GetRecoverySettings();
    options.m_rawTypeIds = {9};
    testsupport::MemoryDevice device(512, 4096);
    const std::vector<bool> bits{false, true, false};
    const CClusterUseBitMap inDeviceSectors({&bits, 256, 2, 3, 4096});
    const CClusterUseBitMap inViewUnits({&bits, 2048, 16, 3, 512});
    CRawFileList hits;
    for (uint64_t sector : {254u, 256u, 258u, 261u, 262u}) Hit(hits, sector, 9, 0, 9);
    TableMeasurer measurer;
    measurer.sizes = {{254, 100}, {256, 200}, {258, 300}, {261, 400}, {262, 500}}; // the size tells the hit
    for (const CClusterUseBitMap* bitmap : {&inDeviceSectors, &inViewUnits})
        for (IStorageDevice* given : {static_cast<IStorageDevice*>(&device), device.GetAs512SectorDevice()}) {
            TotalCallback callback;
            CRawResultTreeBuilder builder;
            CFileSystemNode* root = builder.Build(given, hits.GetIterator(), bitmap, &callback, &measurer);
            ASSERT_NE(root, nullptr);
            ASSERT_NE(root->GetFirstChild(), nullptr);
            std::vector<uint64_t> sizes;
            for (const CFileNode* f = root->GetFirstChild()->GetFirstChild(); f; f = f->GetNextSibling())
                sizes.push_back(f->GetProperties()->GetSize());
            EXPECT_EQ(sizes, (std::vector<uint64_t>{400, 200})); // newest first; 262 lies past the last cluster

            EXPECT_EQ(callback.total, 2);
            DeleteFoundTree(root);
        }
}

TEST(RawResultTree, NestedJpegRule)
{
    OptionsGuard guard;
    GetRecoverySettings()->m_rawTypeIds = {33};
    struct Case {
        uint64_t sector;
        uint64_t size;
        bool kept;
    };
    // Reference at sector 1,000 of 1,000,000 bytes (end sector 2,954) whose end marker is found.
    const std::vector<std::vector<Case>> runs = {
        {{1000, 1000000, true}, {1010, 5000, false}},
        {{1000, 1000000, true}, {1010, 950000, false}},
        {{1000, 1000000, true}, {1010, 500000, true}},
        {{1000, 1000000, true}, {2900, 500000, true}},
    };
    for (const auto& run : runs) {
        testsupport::MemoryDevice device(10000);
        CRawFileList hits;
        for (const Case& c : run) {
            Hit(hits, c.sector, 33, c.size, 33);
            PutJpegEnd(device, c.sector, c.size);
        }
        CRawResultTreeBuilder builder;
        CFileSystemNode* root = builder.Build(&device, hits.GetIterator(), nullptr, nullptr, nullptr);
        size_t kept = 0;
        for (const Case& c : run) kept += c.kept;
        ASSERT_NE(root->GetFirstChild(), nullptr);
        EXPECT_EQ(Children(root->GetFirstChild()).size(), kept) << run[1].sector << " " << run[1].size;
        DeleteFoundTree(root);
    }
    // A reference whose size is a guess (no end marker) drops nothing inside it.
    testsupport::MemoryDevice device(10000);
    CRawFileList hits;
    Hit(hits, 1000, 33, 1000000, 33);
    Hit(hits, 1010, 33, 5000, 33);
    CRawResultTreeBuilder builder;
    CFileSystemNode* root = builder.Build(&device, hits.GetIterator(), nullptr, nullptr, nullptr);
    EXPECT_EQ(Children(root->GetFirstChild()).size(), 2u);
    DeleteFoundTree(root);
}

TEST(RawResultTree, PhotoModeAndSubFoldersOf300)
{
    OptionsGuard guard;
    CRecoverySettings& options = *GetRecoverySettings();
    options.m_rawTypeIds = {9, 21};
    options.m_photoMode = 1;
    testsupport::MemoryDevice device(8);
    struct Case {
        int count;
        std::vector<std::string> folders; // sub-folders of the type folder, newest first
    } cases[] = {
        {299, {}},
        {300, {"1-300"}},
        {301, {"301-301", "1-300"}},
        {600, {"301-600", "1-300"}},
        {650, {"601-650", "301-600", "1-300"}},
    };
    for (const Case& c : cases) {
        CRawFileList hits;
        Hit(hits, 0, 21, 100, 21); // a document: left out in photo mode
        for (int i = 0; i < c.count; ++i) Hit(hits, uint64_t(i + 1), 9, 100, 9);
        CRawResultTreeBuilder builder;
        CFileSystemNode* root = builder.Build(&device, hits.GetIterator(), nullptr, nullptr, nullptr);
        ASSERT_EQ(Children(root).size(), 1u) << c.count;
        const CFileNode* type = root->GetFirstChild();
        if (c.folders.empty()) {
            EXPECT_EQ(Children(type).size(), size_t(c.count));
            EXPECT_NE(Child(type, "FILE299.BMP"), nullptr);
        } else {
            EXPECT_EQ(Children(type), c.folders) << c.count;
            EXPECT_EQ(Children(Child(type, "1-300")).size(), 300u);
        }
        DeleteFoundTree(root);
    }
}

TEST(RawResultTree, FileNamesCutTheirPrefix)
{
    EXPECT_EQ(CRawResultTreeBuilder::FormatFileName(1, "BMP", ""), "FILE001.BMP");
    EXPECT_EQ(CRawResultTreeBuilder::FormatFileName(1000, "BMP", ""), "FILE1000.BMP");
    EXPECT_EQ(CRawResultTreeBuilder::FormatFileName(4, "JPG", "Canon EOS 5D"), "Canon EOS 5D004.JPG");
    const std::string name = CRawResultTreeBuilder::FormatFileName(4, "JPG", std::string(100, 'x'));
    EXPECT_EQ(name.size(), 79u);
    EXPECT_TRUE(name.ends_with("004.JPG"));
}
