// The NTFS tree build end to end on volumes made by mkntfs and ntfs-3g (tests/fixtures/
// make_ntfs_tree_images.sh): every file and folder of the manifest in its place with its state, size and
// times, nothing else in the tree, and every deleted file gathered into "Deleted Files" and read back exactly.
#include "filesystems/ntfs/BuildNTFS.h"
#include "filesystems/ntfs/DeletedFilesGathering.h"
#include "filesystems/ntfs/tests/NtfsTreeTestSupport.h"

#include "filesystems/tree/CFileSystemNode.h"
#include "filesystems/tree/CFoundFileReader.h"
#include "filesystems/tree/FileTree.h"
#include "filesystems/tree/IFileProperties.h"
#include "tests/support/MemoryDevice.h"
#include "tests/support/Sha256.h"
#include "tests/support/ShippedCatalogueFilter.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <set>

using namespace ntfstree;
using testsupport::MemoryDevice;

namespace {

std::vector<uint8_t> ReadWhole(IStorageDevice* device, CFileNode* node, uint64_t size)
{
    std::vector<uint8_t> out;
    if (size == 0) return out;
    CFoundFileReader reader;
    if (!reader.Open(device, node)) return out;
    out.resize(size);
    uint64_t at = 0;
    while (at < size) {
        uint32_t got = 0;
        if (!reader.ReadAt(at, out.data() + at, uint32_t(std::min<uint64_t>(size - at, 10000)), got) || got == 0) break;
        at += got;
    }
    out.resize(at);
    return out;
}

std::string BaseName(const std::string& path)
{
    return path.substr(path.rfind('/') + 1);
}

class NtfsTreeFixture : public testing::TestWithParam<const char*> {
protected:
    void SetUp() override
    {
        m_fixture = &LoadTreeFixture(GetParam());
        if (m_fixture->bytes.empty()) GTEST_SKIP() << "the fixture " << GetParam() << " could not be decompressed";
        m_device = std::make_unique<MemoryDevice>(m_fixture->bytes, int32_t(m_fixture->bytesPerSector));
        m_tree = BuildNTFS(m_device.get(), &m_callback, nullptr, {}, &m_counters);
        ASSERT_NE(m_tree, nullptr);
    }
    void TearDown() override { DeleteFoundTree(m_tree); }

    const TreeFixture* m_fixture = nullptr;
    std::unique_ptr<MemoryDevice> m_device;
    CancellingCallback m_callback;
    NTFSMftScanCounters m_counters;
    CFileSystemNode* m_tree = nullptr;
};

TEST_P(NtfsTreeFixture, TreeHoldsEveryFileInItsPlaceAndNothingElse)
{
    const TreeFixture& f = *m_fixture;
    EXPECT_STREQ(m_tree->GetName(), f.label.c_str());
    EXPECT_EQ(m_tree->GetFileSystemKind(), kFsKindNtfs);
    uint64_t first = 1;
    int32_t spc = 0;
    ASSERT_TRUE(m_tree->GetClusterGeometry(first, spc));
    EXPECT_EQ(first, 0u);
    EXPECT_EQ(uint32_t(spc), f.bytesPerCluster / f.bytesPerSector);
    EXPECT_EQ(m_counters.failedReads, 0u);
    EXPECT_EQ(m_callback.titles, (std::vector<std::string>{"NTFS:Reading files", "NTFS:Building Directories..."}));

    std::map<std::string, CFileNode*> paths = PathsBelow(m_tree);
    for (const ManifestRow& row : f.rows) {
        SCOPED_TRACE(row.diskPath);
        const auto found = paths.find(row.treePath);
        ASSERT_NE(found, paths.end()) << row.treePath;
        const IFileProperties* p = found->second->GetProperties();
        EXPECT_EQ(p->GetState(), row.deleted ? kFileStateDeleted : 0);
        EXPECT_EQ((p->GetAttributes() & kFileAttrDirectory) != 0, row.folder);
        if (!row.folder) {
            EXPECT_EQ(p->GetSize(), row.size);
            EXPECT_EQ(p->GetModificationTime(), row.modificationTime);
            EXPECT_EQ(p->GetAccessTime(), row.accessTime);
        }
        paths.erase(found);
    }
    // What is left: the lost-files folder and, on the volume whose $MFT was fragmented on purpose, the
    // filler and the small files that grew the $MFT. No system file, no record twice.
    for (const auto& [path, node] : paths) {
        if (path == "/LostFiles1") {
            EXPECT_EQ(node->GetProperties()->GetState(), kFileStateTemporary);
            continue;
        }
        EXPECT_TRUE(path == "/filler" || path.rfind("/Small/", 0) == 0) << "unexpected " << path;
    }
}

TEST_P(NtfsTreeFixture, DeletedFilesComeBackExactly)
{
    const TreeFixture& f = *m_fixture;
    CFileSystemNode* root = GatherDeletedFiles(m_tree);
    ASSERT_NE(root, nullptr);
    CFileNode* folder = root->GetFirstChild();
    ASSERT_NE(folder, nullptr);
    EXPECT_EQ(folder->GetNextSibling(), nullptr);
    EXPECT_STREQ(folder->GetProperties()->GetName(), m_tree->GetProperties()->GetName());

    std::map<std::string, CFileNode*> paths = PathsBelow(folder);
    uint32_t deletedFiles = 0;
    for (const ManifestRow& row : f.rows) {
        if (!row.deleted || row.folder) continue;
        SCOPED_TRACE(row.diskPath);
        ++deletedFiles;
        const auto found = paths.find(row.treePath);
        ASSERT_NE(found, paths.end()) << row.treePath;
        const IFileProperties* p = found->second->GetProperties();
        EXPECT_EQ(std::string(p->GetName()), BaseName(row.treePath));
        EXPECT_EQ(p->GetSize(), row.size);
        EXPECT_EQ(p->GetModificationTime(), row.modificationTime);
        EXPECT_EQ(p->GetAccessTime(), row.accessTime);
        const std::vector<uint8_t> bytes = ReadWhole(m_device.get(), found->second, row.size);
        EXPECT_EQ(bytes.size(), row.size);
        EXPECT_EQ(testsupport::Sha256Hex(bytes), row.sha256);
    }
    // Only deleted files (and the folders leading to them) were copied.
    for (const auto& [path, node] : paths)
        if (!node->GetFirstChild()) {
            EXPECT_EQ(node->GetProperties()->GetState(), kFileStateDeleted) << path;
        }
    FileTreeStatistics statistics;
    root->GetStatistics(statistics);
    EXPECT_EQ(statistics.files, deletedFiles);
    DeleteFoundTree(root);
}

TEST(NtfsEmptyVolume, AFreshlyFormattedVolumeOpensWithNoFiles)
{
    // The NTFS partition of part-mbr (sectors 18432 on, 16383 of them) as mkntfs left it: no file beyond
    // the system files. It is read, not refused; its tree and its "Deleted Files" hold nothing.
    const TreeFixture& disk = LoadTreeFixture("part-mbr");
    if (disk.bytes.empty()) GTEST_SKIP() << "the fixture part-mbr could not be decompressed";
    constexpr size_t kStart = 18432 * 512, kBytes = 16383 * 512;
    ASSERT_GE(disk.bytes.size(), kStart + kBytes);
    MemoryDevice volume(std::vector<uint8_t>(disk.bytes.begin() + kStart, disk.bytes.begin() + kStart + kBytes), 512);

    CFileSystemNode* tree = BuildNTFS(&volume, nullptr);
    ASSERT_NE(tree, nullptr);
    FileTreeStatistics statistics;
    tree->GetStatistics(statistics);
    EXPECT_EQ(statistics.files, 0u);
    CFileSystemNode* deleted = GatherDeletedFiles(tree);
    ASSERT_NE(deleted, nullptr);
    ASSERT_NE(deleted->GetFirstChild(), nullptr);
    EXPECT_EQ(deleted->GetFirstChild()->GetFirstChild(), nullptr);
    DeleteFoundTree(deleted);
    DeleteFoundTree(tree);
}

// Every path of the tree, folders ending in "/".
void CollectPaths(CFileNode* node, const std::string& prefix, std::set<std::string>& out)
{
    for (CFileNode* child = node->GetFirstChild(); child; child = child->GetNextSibling()) {
        const std::string path = prefix + "/" + child->GetProperties()->GetName();
        const bool folder = child->GetProperties()->GetAttributes() & kFileAttrDirectory;
        out.insert(folder ? path + "/" : path);
        CollectPaths(child, path, out);
    }
}

// The file list of the file-type page, as a person leaves it: with "frag_b.bin" renamed "frag_b_bin" (every
// copy of its UTF-16 name in a copy of the image), unticking an unrelated type keeps it, and any other file
// without an extension, in the tree; only unticking "Files without an extension" drops them.
TEST_P(NtfsTreeFixture, UntickingAnUnrelatedTypeKeepsFilesWithoutAnExtension)
{
    std::vector<uint8_t> image = m_fixture->bytes;
    auto utf16 = [](const std::string& text) {
        std::vector<uint8_t> out;
        for (char c : text) out.insert(out.end(), {uint8_t(c), 0});
        return out;
    };
    const std::vector<uint8_t> from = utf16("frag_b.bin"), to = utf16("frag_b_bin");
    int renamed = 0;
    for (auto at = image.begin(); (at = std::search(at, image.end(), from.begin(), from.end())) != image.end();) {
        at = std::copy(to.begin(), to.end(), at);
        ++renamed;
    }
    ASSERT_GE(renamed, 1);
    MemoryDevice device(image, int32_t(m_fixture->bytesPerSector));
    auto listing = [&device] {
        std::set<std::string> paths;
        CFileSystemNode* tree = BuildNTFS(&device, nullptr);
        if (tree) CollectPaths(tree, "", paths);
        DeleteFoundTree(tree);
        return paths;
    };
    const std::set<std::string> all = listing();
    ASSERT_EQ(all.count("/Docs/frag_b_bin"), 1u);
    std::set<std::string> expected = all;
    for (const std::string& path : all)
        if (path.back() != '/' && path.substr(path.rfind('/')).find('.') == std::string::npos) expected.erase(path);
    {
        const testsupport::ShippedCatalogueFilter filter(testsupport::ShippedCatalogueFilter::kAllTicked,
                                                         {"Zip compression file"});
        EXPECT_EQ(listing(), all);
    }
    {
        const testsupport::ShippedCatalogueFilter filter(testsupport::ShippedCatalogueFilter::kAllTicked,
                                                         {"Files without an extension"});
        EXPECT_EQ(listing(), expected);
    }
}

INSTANTIATE_TEST_SUITE_P(Images, NtfsTreeFixture, testing::Values("ntfs_tree_c4k", "ntfs_tree_c512", "ntfs_tree_4kn"),
                         [](const testing::TestParamInfo<const char*>& info) {
                             return std::string(info.param).substr(10);
                         });

} // namespace
