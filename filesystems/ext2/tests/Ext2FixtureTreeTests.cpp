// End to end on the images made by tests/fixtures/make_ext2_images.sh: the tree of each ext2 and ext3 image,
// every live and deleted file read back through its runs and compared with the manifest (bytes, size,
// modification time, deleted state, names and places), and the deleted inodes as "Inode_<hex>" orphans.
#include "filesystems/ext2/BuildEXT2.h"
#include "filesystems/ext2/CExt2FileProperties.h"
#include "filesystems/ext2/CExt2FileSystem.h"
#include "filesystems/ext2/tests/Ext2TestSupport.h"

#include "filesystems/common/IDIRBuildCallback.h"
#include "filesystems/tree/CFileSystemNode.h"
#include "filesystems/tree/FileTree.h"
#include "filesystems/tree/IFileProperties.h"
#include "platform/Clock.h"
#include "tests/support/MemoryDevice.h"
#include "tests/support/Sha256.h"
#include "tests/support/ShippedCatalogueFilter.h"

#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <map>
#include <memory>
#include <set>
#include <string>

using namespace ext2test;

namespace {

struct TreeDeleter {
    void operator()(CFileSystemNode* tree) const { DeleteFoundTree(tree); }
};
using TreePtr = std::unique_ptr<CFileSystemNode, TreeDeleter>;

void CollectPaths(CFileNode* node, const std::string& prefix, std::map<std::string, CFileNode*>& out)
{
    for (CFileNode* child = node->GetFirstChild(); child; child = child->GetNextSibling()) {
        std::string path = prefix + "/" + child->GetProperties()->GetName();
        if (child->GetProperties()->GetAttributes() & kFileAttrDirectory) path += "/";
        EXPECT_EQ(out.count(path), 0u) << "listed twice: " << path;
        out[path] = child;
        CollectPaths(child, path.back() == '/' ? path.substr(0, path.size() - 1) : path, out);
    }
}

struct Progress : IDIRBuildCallback {
    std::vector<std::pair<std::string, int>> phases;
    int steps = 0;
    int limit = -1; // answer -1 once this many calls were made
    int calls = 0;
    int Answer()
    {
        ++calls;
        return limit >= 0 && calls > limit ? -1 : 0;
    }
    int Begin(const char* title, int total) override
    {
        phases.emplace_back(title, total);
        return Answer();
    }
    int Step(int n) override
    {
        steps += n;
        return Answer();
    }
    int SetPos(int) override { return Answer(); }
    int Finish() override { return Answer(); }
    int CheckCancel() override { return Answer(); }
};

struct Image {
    const char* name;
    int kind;
    const char* partitionName;
    const char* label;
};

void PrintTo(const Image& image, std::ostream* out)
{
    *out << image.name;
}

class Ext2FixtureTree : public testing::TestWithParam<Image> {};

} // namespace

TEST_P(Ext2FixtureTree, EveryFileComesBackAsTheManifestSays)
{
    const Image& image = GetParam();
    Fixture fixture = LoadFixture(image.name);
    ASSERT_FALSE(fixture.image.empty());
    ASSERT_FALSE(fixture.lines.empty());
    testsupport::MemoryDevice device(fixture.image);

    Progress progress;
    bytes::ParseResult result;
    TreePtr tree(BuildEXT2(&device, &progress, &result));
    ASSERT_TRUE(tree);
    EXPECT_EQ(result.status, bytes::ParseStatus::Ok) << bytes::ParseStatusName(result.status);
    EXPECT_GT(result.counters.recordsRead, 0u);
    EXPECT_EQ(result.counters.readFailures, 0u);
    EXPECT_EQ(tree->GetFileSystemKind(), image.kind);
    EXPECT_STREQ(tree->GetProperties()->GetName(), image.partitionName);
    EXPECT_TRUE(tree->GetProperties()->GetAttributes() & kFileAttrDirectory);
    ASSERT_NE(tree->GetName(), nullptr);
    EXPECT_STREQ(tree->GetName(), image.label);
    ASSERT_EQ(progress.phases.size(), 2u);
    EXPECT_EQ(progress.phases[0].first, "Reading files");
    EXPECT_EQ(progress.phases[1].first, "Building Directories...");

    std::map<std::string, CFileNode*> listed;
    CollectPaths(tree.get(), "", listed);

    std::set<std::string> expectedOrphans;
    int deletedRead = 0;
    for (const ManifestLine& line : fixture.lines) {
        SCOPED_TRACE(line.path + " as " + line.treePath);
        if (line.treePath.rfind("/Inode_", 0) == 0)
            expectedOrphans.insert(line.treePath.substr(1, line.treePath.find('/', 1) - 1));
        auto found = listed.find(line.treePath);
        ASSERT_NE(found, listed.end());
        const IFileProperties* properties = found->second->GetProperties();
        EXPECT_EQ(properties->GetPropertiesType(), kPropertiesExt2);
        EXPECT_EQ((properties->GetState() & kFileStateDeleted) != 0, line.deleted);
        EXPECT_EQ(static_cast<const CExt2FileProperties*>(properties)->GetInodeNumber(), line.inode);
        if (line.IsFolder()) continue;
        EXPECT_EQ(properties->GetSize(), line.size);
        EXPECT_EQ(properties->GetModificationTime(), plat::FileTimeToLocalFileTime(plat::FileTimeFromUnix(line.mtime)));
        const bool sparse = line.path.find("sparse") != std::string::npos;
        EXPECT_EQ((properties->GetAttributes() & kFileAttrSparse) != 0, sparse);
        if (line.size == 0) continue;
        const std::vector<uint8_t> bytes = ReadWholeFile(&device, found->second, line.size);
        ASSERT_EQ(bytes.size(), line.size);
        EXPECT_EQ(testsupport::Sha256Hex(bytes), line.sha256);
        if (line.deleted) ++deletedRead;
    }
    EXPECT_GE(deletedRead, 5);

    // The only orphans are the deleted inodes; nothing else lost its place.
    std::set<std::string> orphans;
    for (CFileNode* child = tree->GetFirstChild(); child; child = child->GetNextSibling())
        if (std::string(child->GetProperties()->GetName()).rfind("Inode_", 0) == 0)
            orphans.insert(child->GetProperties()->GetName());
    EXPECT_EQ(orphans, expectedOrphans);
}

TEST_P(Ext2FixtureTree, ACancelledBuildReturnsNothing)
{
    const Image& image = GetParam();
    Fixture fixture = LoadFixture(image.name);
    ASSERT_FALSE(fixture.image.empty());
    testsupport::MemoryDevice device(fixture.image);
    Progress counting;
    TreePtr whole(BuildEXT2(&device, &counting));
    ASSERT_TRUE(whole);
    ASSERT_EQ(counting.phases.size(), 2u);
    const int all = counting.calls;          // every call of a complete build
    ASSERT_GT(counting.phases[1].second, 0); // orphans to place
    // At the start of the inode walk, in its middle, and while the orphans are placed.
    for (int limit : {0, all / 2, all - 2}) {
        SCOPED_TRACE(limit);
        Progress progress;
        progress.limit = limit;
        bytes::ParseResult result;
        TreePtr tree(BuildEXT2(&device, &progress, &result));
        EXPECT_FALSE(tree);
        EXPECT_EQ(result.status, bytes::ParseStatus::Cancelled);
    }
}

// A cancel, a volume that holds no file system, one whose superblock the device refuses and a tree that lacks
// the inodes of failed reads are told apart by the build's result, not by the tree alone.
TEST_P(Ext2FixtureTree, TheResultTellsCancelFailureAndPartialTreeApart)
{
    using bytes::ParseStatus;
    Fixture fixture = LoadFixture(GetParam().name);
    ASSERT_FALSE(fixture.image.empty());
    uint64_t tableBlock = 0; // the second block of group 0's inode table: inodes past the root's
    uint64_t perBlock = 0;
    {
        testsupport::MemoryDevice device(fixture.image);
        CExt2FileSystem fs(&device, 2);
        tableBlock = uint64_t(fs.BlockToSector(fs.GetGroupDescriptor(0).inodeTable + 1));
        perBlock = fs.GetSectorsPerBlock();
    }
    struct Case {
        const char* name;
        std::function<void(testsupport::MemoryDevice&)> damage;
        int cancelAfter; // calls answered before the first -1; -1: never
        bool tree;
        ParseStatus status;
        bool readFailures;
    };
    const auto failTable = [&](testsupport::MemoryDevice& d) { d.FailSectors(tableBlock, perBlock); };
    const Case cases[] = {
        {"every inode read", [](testsupport::MemoryDevice&) {}, -1, true, ParseStatus::Ok, false},
        {"a block of inodes unreadable", failTable, -1, true, ParseStatus::IoFailure, true},
        {"the superblock unreadable", [](testsupport::MemoryDevice& d) { d.FailSectors(2, 2); }, -1, false,
         ParseStatus::IoFailure, false},
        {"no superblock", [](testsupport::MemoryDevice& d) { std::memset(d.Sector(2), 0, 1024); }, -1, false,
         ParseStatus::Corrupt, false},
        {"cancelled", [](testsupport::MemoryDevice&) {}, 0, false, ParseStatus::Cancelled, false},
        {"cancelled after a block of inodes was unreadable", failTable, 4, false, ParseStatus::Cancelled, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        testsupport::MemoryDevice device(fixture.image);
        c.damage(device);
        Progress progress;
        progress.limit = c.cancelAfter;
        bytes::ParseResult result;
        TreePtr tree(BuildEXT2(&device, &progress, &result));
        EXPECT_EQ(tree != nullptr, c.tree);
        EXPECT_EQ(result.status, c.status) << bytes::ParseStatusName(result.status);
        EXPECT_EQ(result.counters.readFailures != 0, c.readFailures);
    }
}

// Most files on ext2 have no extension, and every deleted file comes back as "Inode_<hex>": unticking an
// unrelated type on the file-type page leaves the tree as it is; only unticking "Files without an extension"
// drops them (folders stay).
TEST_P(Ext2FixtureTree, UntickingAnUnrelatedTypeKeepsFilesWithoutAnExtension)
{
    Fixture fixture = LoadFixture(GetParam().name);
    ASSERT_FALSE(fixture.image.empty());
    testsupport::MemoryDevice device(fixture.image);
    auto listing = [&device] {
        TreePtr tree(BuildEXT2(&device, nullptr));
        std::map<std::string, CFileNode*> listed;
        if (tree) CollectPaths(tree.get(), "", listed);
        std::set<std::string> paths;
        for (const auto& entry : listed) paths.insert(entry.first);
        return paths;
    };
    const std::set<std::string> all = listing();
    std::set<std::string> withoutExtension;
    for (const std::string& path : all)
        if (path.back() != '/' && path.substr(path.rfind('/')).find('.') == std::string::npos)
            withoutExtension.insert(path);
    ASSERT_GE(withoutExtension.size(), 2u);
    {
        const testsupport::ShippedCatalogueFilter filter(testsupport::ShippedCatalogueFilter::kAllTicked,
                                                         {"Zip compression file"});
        EXPECT_EQ(listing(), all);
    }
    {
        const testsupport::ShippedCatalogueFilter filter(testsupport::ShippedCatalogueFilter::kAllTicked,
                                                         {"Files without an extension"});
        std::set<std::string> expected = all;
        for (const std::string& path : withoutExtension) expected.erase(path);
        EXPECT_EQ(listing(), expected);
    }
}

INSTANTIATE_TEST_SUITE_P(Images, Ext2FixtureTree,
                         testing::Values(Image{"ext2-1k", 4, "Ext2 1", "EXT2SMALL"},
                                         Image{"ext3-1k", 5, "Ext3 1", "EXT3SMALL"},
                                         Image{"ext2-4k", 4, "Ext2 1", "EXT2LARGE"},
                                         Image{"ext3-4k", 5, "Ext3 1", "EXT3LARGE"}),
                         [](const auto& info) {
                             std::string name = info.param.name;
                             name.erase(std::remove(name.begin(), name.end(), '-'), name.end());
                             return name;
                         });
