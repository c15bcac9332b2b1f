// End to end on the images made by tests/fixtures/make_fat_images.sh: the tree of each FAT width, every file
// read back through its runs and compared with the manifest (bytes, size, time, deleted state, names).
#include "filesystems/fat/BuildFAT.h"
#include "filesystems/fat/CFATDBR.h"
#include "filesystems/fat/CFATFileProperties.h"

#include "filesystems/common/IDIRBuildCallback.h"
#include "filesystems/tree/CFileSystemNode.h"
#include "filesystems/tree/CFoundFileReader.h"
#include "filesystems/tree/FileTree.h"
#include "filesystems/tree/IFileProperties.h"
#include "platform/Clock.h"
#include "tests/support/FixtureManifests.h"
#include "tests/support/MemoryDevice.h"
#include "tests/support/Sha256.h"
#include "tests/support/ShippedCatalogueFilter.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <algorithm>
#include <cstring>
#include <functional>
#include <span>
#include <map>
#include <set>
#include <memory>
#include <string>
#include <vector>

namespace {

struct ManifestLine {
    bool deleted = false;
    std::string path; // folders end in '/'
    uint64_t size = 0;
    std::string sha256;
    std::string mtime;
    bool exact = false;
};

struct Fixture {
    std::vector<ManifestLine> lines;
    std::vector<uint8_t> image;
};

Fixture LoadFixture(int width)
{
    const std::string name = "fat" + std::to_string(width);
    Fixture f;
    for (const std::vector<std::string>& row : testsupport::ReadManifestRows(name)) {
        std::vector<std::string> fields = row;
        fields.resize(6); // state, path, size, sha256, mtime, exact
        ManifestLine m;
        m.deleted = fields[0] == "deleted";
        m.path = fields[1];
        m.size = fields[2] == "-" ? 0 : std::stoull(fields[2]);
        m.sha256 = fields[3];
        m.mtime = fields[4];
        m.exact = fields[5] == "1";
        f.lines.push_back(m);
    }
    f.image = testsupport::LoadFixtureImage(name);
    return f;
}

// Each image is unpacked once per run.
const Fixture& GetFixture(int width)
{
    static std::map<int, Fixture> cache;
    auto found = cache.find(width);
    if (found == cache.end()) found = cache.emplace(width, LoadFixture(width)).first;
    return found->second;
}

uint64_t ManifestTime(const std::string& text)
{
    plat::SystemTime st{};
    int y, mo, d, h, mi, s;
    if (std::sscanf(text.c_str(), "%d-%d-%d %d:%d:%d", &y, &mo, &d, &h, &mi, &s) != 6) return 0;
    st.year = uint16_t(y);
    st.month = uint16_t(mo);
    st.day = uint16_t(d);
    st.hour = uint16_t(h);
    st.minute = uint16_t(mi);
    st.second = uint16_t(s);
    uint64_t out = 0;
    plat::SystemTimeToFileTime(st, out);
    return out;
}

// The name a component of a deleted entry gets back: a long name as it was; a plain 8.3 name (mtools
// writes no long name for those) with '#' for its lost first character.
std::string DeletedName(const std::string& name)
{
    const size_t dot = name.find('.');
    const std::string base = name.substr(0, dot);
    const std::string ext = dot == std::string::npos ? "" : name.substr(dot + 1);
    bool shortName =
        !base.empty() && base.size() <= 8 && ext.size() <= 3 && name.find('.', dot + 1) == std::string::npos;
    for (char c : name)
        if (!(std::isupper(static_cast<unsigned char>(c)) || std::isdigit(static_cast<unsigned char>(c)) || c == '.' ||
              c == '_'))
            shortName = false;
    return shortName ? "#" + name.substr(1) : name;
}

// "/a/b/c" as the tree names it: the components of deleted folders and of a deleted file renamed.
std::string ExpectedPath(const ManifestLine& line, const std::map<std::string, bool>& deletedFolders)
{
    std::string path = line.path;
    const bool folder = !path.empty() && path.back() == '/';
    if (folder) path.pop_back();
    std::string out, sofar;
    size_t at = 1;
    while (at <= path.size()) {
        const size_t next = std::min(path.find('/', at), path.size());
        const std::string part = path.substr(at, next - at);
        sofar += "/" + part;
        const bool last = next == path.size();
        auto found = deletedFolders.find(sofar + "/");
        const bool deleted = (last && line.deleted) || (found != deletedFolders.end() && found->second);
        out += "/" + (deleted ? DeletedName(part) : part);
        at = next + 1;
    }
    return out;
}

void CollectPaths(CFileNode* node, const std::string& prefix, std::map<std::string, CFileNode*>& out)
{
    for (CFileNode* child = node->GetFirstChild(); child; child = child->GetNextSibling()) {
        const std::string path = prefix + "/" + child->GetProperties()->GetName();
        EXPECT_EQ(out.count(path), 0u) << "listed twice: " << path;
        out[path] = child;
        CollectPaths(child, path, out);
    }
}

std::vector<uint8_t> ReadWhole(IStorageDevice* device, CFileNode* node, uint64_t size)
{
    std::vector<uint8_t> bytes(size);
    CFoundFileReader reader;
    if (!reader.Open(device, node)) return {};
    uint64_t at = 0;
    while (at < size) {
        uint32_t got = 0;
        const uint32_t ask = uint32_t(std::min<uint64_t>(size - at, 65536));
        if (!reader.ReadAt(at, bytes.data() + at, ask, got) || got == 0) return {};
        at += got;
    }
    return bytes;
}

struct TreeDeleter {
    void operator()(CFileSystemNode* tree) const { DeleteFoundTree(tree); }
};
using TreePtr = std::unique_ptr<CFileSystemNode, TreeDeleter>;

class FATFixtureTree : public testing::TestWithParam<int> {};

} // namespace

TEST_P(FATFixtureTree, EveryFileComesBackAsTheManifestSays)
{
    const int width = GetParam();
    const Fixture& fixture = GetFixture(width);
    ASSERT_FALSE(fixture.image.empty());
    ASSERT_FALSE(fixture.lines.empty());
    testsupport::MemoryDevice device(fixture.image);

    bytes::ParseResult result;
    result.status = bytes::ParseStatus::Cancelled;
    TreePtr tree(BuildFAT(&device, width == 32, true, nullptr, &result));
    ASSERT_TRUE(tree);
    EXPECT_EQ(result.status, bytes::ParseStatus::Ok) << bytes::ParseStatusName(result.status);
    EXPECT_GT(result.counters.recordsRead, 0u);
    EXPECT_EQ(tree->GetFileSystemKind(), width == 12 ? 0 : width == 16 ? 1 : 2);
    ASSERT_NE(tree->GetName(), nullptr);
    EXPECT_STREQ(tree->GetName(), width == 12 ? "FLOPPY12" : width == 16 ? "DATA16" : "DATA32");

    std::map<std::string, CFileNode*> listed;
    CollectPaths(tree.get(), "", listed);
    std::map<std::string, bool> deletedFolders;
    for (const ManifestLine& line : fixture.lines)
        if (line.path.back() == '/') deletedFolders[line.path] = line.deleted;

    int exactDeleted = 0;
    for (const ManifestLine& line : fixture.lines) {
        const std::string path = ExpectedPath(line, deletedFolders);
        SCOPED_TRACE(line.path + " as " + path);
        auto found = listed.find(path);
        if (line.deleted && !line.exact) continue; // reused or empty: nothing to hold it to
        ASSERT_NE(found, listed.end());
        const IFileProperties* properties = found->second->GetProperties();
        EXPECT_EQ((properties->GetState() & kFileStateDeleted) != 0, line.deleted);
        if (line.path.back() == '/') {
            EXPECT_TRUE(properties->GetAttributes() & kFileAttrDirectory);
            continue;
        }
        EXPECT_EQ(properties->GetSize(), line.size);
        EXPECT_EQ(properties->GetModificationTime(), ManifestTime(line.mtime));
        if (line.size == 0) continue;
        EXPECT_EQ(testsupport::Sha256Hex(ReadWhole(&device, found->second, line.size)), line.sha256);
        if (line.deleted) ++exactDeleted;
    }
    EXPECT_GE(exactDeleted, 8);
    // Nothing is recovered from a deleted empty file.
    EXPECT_EQ(listed.count("/#MPTYDEL.TXT"), 0u);
}

TEST_P(FATFixtureTree, WithoutIncludeAllOnlyFoldersAndDeletedEntriesAreListed)
{
    const int width = GetParam();
    const Fixture& fixture = GetFixture(width);
    ASSERT_FALSE(fixture.image.empty());
    testsupport::MemoryDevice device(fixture.image);
    TreePtr tree(BuildFAT(&device, width == 32, false, nullptr));
    ASSERT_TRUE(tree);
    std::map<std::string, CFileNode*> listed;
    CollectPaths(tree.get(), "", listed);
    std::map<std::string, bool> deletedFolders;
    for (const ManifestLine& line : fixture.lines)
        if (line.path.back() == '/') deletedFolders[line.path] = line.deleted;
    for (const ManifestLine& line : fixture.lines) {
        const std::string path = ExpectedPath(line, deletedFolders);
        SCOPED_TRACE(path);
        const bool folder = line.path.back() == '/';
        if (folder || (line.deleted && line.exact)) {
            EXPECT_EQ(listed.count(path), 1u);
        } else if (!line.deleted) {
            EXPECT_EQ(listed.count(path), 0u);
        }
    }
}

TEST_P(FATFixtureTree, ABuildCancelledMidwayReturnsNothing)
{
    struct CancelAfter : IDIRBuildCallback {
        int calls = 0;
        int limit;
        explicit CancelAfter(int n) : limit(n) {}
        int Answer() { return ++calls > limit ? -1 : 0; }
        int Begin(const char*, int) override { return Answer(); }
        int Step(int) override { return Answer(); }
        int SetPos(int) override { return Answer(); }
        int Finish() override { return Answer(); }
        int CheckCancel() override { return Answer(); }
    };
    const int width = GetParam();
    const Fixture& fixture = GetFixture(width);
    ASSERT_FALSE(fixture.image.empty());
    testsupport::MemoryDevice device(fixture.image);
    for (int limit : {2, 5, 8, 12}) {
        SCOPED_TRACE(limit);
        CancelAfter callback(limit);
        bytes::ParseResult result;
        TreePtr tree(BuildFAT(&device, width == 32, true, &callback, &result));
        EXPECT_FALSE(tree);
        EXPECT_EQ(result.status, bytes::ParseStatus::Cancelled);
    }
}

// A cancel, a volume without a usable boot sector, one whose boot sectors the device refuses and a tree that
// lacks the folders of failed reads are told apart by the build's result, not by the tree alone.
TEST_P(FATFixtureTree, TheResultTellsCancelFailureAndPartialTreeApart)
{
    using bytes::ParseStatus;
    struct CancelAfter : IDIRBuildCallback {
        int calls = 0;
        int limit; // calls answered before the first -1; -1: never
        explicit CancelAfter(int n) : limit(n) {}
        int Answer() { return limit >= 0 && ++calls > limit ? -1 : 0; }
        int Begin(const char*, int) override { return Answer(); }
        int Step(int) override { return Answer(); }
        int SetPos(int) override { return Answer(); }
        int Finish() override { return Answer(); }
        int CheckCancel() override { return Answer(); }
    };
    const int width = GetParam();
    const Fixture& fixture = GetFixture(width);
    ASSERT_FALSE(fixture.image.empty());
    // Every sector past the root folder (its first cluster on FAT32): the folders below it cannot be read.
    const CFATDBR dbr(std::span<const uint8_t>(fixture.image).first(512), 512);
    const uint64_t fatsEnd = dbr.GetReservedSectors() + uint64_t(dbr.GetNumberOfFATs()) * dbr.GetSectorsPerFAT();
    const uint64_t pastRoot = width == 32 ? fatsEnd + (uint64_t(dbr.GetRootCluster()) - 1) * dbr.GetSectorsPerCluster()
                                          : fatsEnd + dbr.GetRootDirSectors();
    const uint64_t sectors = fixture.image.size() / 512;
    ASSERT_LT(pastRoot, sectors);
    const auto failFolders = [&](testsupport::MemoryDevice& d) { d.FailSectors(pastRoot, sectors - pastRoot); };
    const auto failBoot = [](testsupport::MemoryDevice& d) {
        d.FailSector(0);
        d.FailSector(6); // the FAT32 backup
    };
    const auto zeroBoot = [](testsupport::MemoryDevice& d) {
        std::memset(d.Sector(0), 0, 512);
        std::memset(d.Sector(6), 0, 512);
    };
    struct Case {
        const char* name;
        std::function<void(testsupport::MemoryDevice&)> damage;
        int cancelAfter;
        bool tree;
        ParseStatus status;
        bool readFailures;
    };
    const Case cases[] = {
        {"every folder read", [](testsupport::MemoryDevice&) {}, -1, true, ParseStatus::Ok, false},
        {"the folders below the root unreadable", failFolders, -1, true, ParseStatus::IoFailure, true},
        {"the boot sectors unreadable", failBoot, -1, false, ParseStatus::IoFailure, false},
        {"no boot sector", zeroBoot, -1, false, ParseStatus::Corrupt, false},
        {"cancelled", [](testsupport::MemoryDevice&) {}, 5, false, ParseStatus::Cancelled, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        testsupport::MemoryDevice device(fixture.image);
        c.damage(device);
        CancelAfter callback(c.cancelAfter);
        bytes::ParseResult result;
        TreePtr tree(BuildFAT(&device, width == 32, true, &callback, &result));
        EXPECT_EQ(tree != nullptr, c.tree);
        EXPECT_EQ(result.status, c.status) << bytes::ParseStatusName(result.status);
        EXPECT_EQ(result.counters.readFailures != 0, c.readFailures);
    }
}

// The file list of the file-type page, as a person leaves it: unticking one type keeps a file whose name has no
// extension ("ONECLUST", its short entry's extension blanked in a copy of the image), and only unticking
// "Files without an extension" drops it.
TEST_P(FATFixtureTree, UntickingAnUnrelatedTypeKeepsFilesWithoutAnExtension)
{
    const int width = GetParam();
    std::vector<uint8_t> image = GetFixture(width).image;
    ASSERT_FALSE(image.empty());
    const std::string from = "ONECLUSTBIN", to = "ONECLUST   ";
    auto at = std::search(image.begin(), image.end(), from.begin(), from.end());
    ASSERT_NE(at, image.end());
    std::copy(to.begin(), to.end(), at);
    testsupport::MemoryDevice device(image);
    auto listing = [&device, width] {
        TreePtr tree(BuildFAT(&device, width == 32, true, nullptr));
        std::map<std::string, CFileNode*> listed;
        if (tree) CollectPaths(tree.get(), "", listed);
        std::set<std::string> paths;
        for (const auto& entry : listed) paths.insert(entry.first);
        return paths;
    };
    const std::set<std::string> all = listing();
    ASSERT_EQ(all.count("/ONECLUST"), 1u);
    {
        const testsupport::ShippedCatalogueFilter filter(testsupport::ShippedCatalogueFilter::kAllTicked,
                                                         {"Zip compression file"});
        EXPECT_EQ(listing(), all);
    }
    {
        const testsupport::ShippedCatalogueFilter filter(testsupport::ShippedCatalogueFilter::kAllTicked,
                                                         {"Files without an extension"});
        const std::set<std::string> paths = listing();
        EXPECT_EQ(paths.count("/ONECLUST"), 0u);
        EXPECT_EQ(paths.count("/ROOTFILE.TXT"), 1u);
        EXPECT_EQ(paths.size(), all.size() - 1);
    }
}

INSTANTIATE_TEST_SUITE_P(Widths, FATFixtureTree, testing::Values(12, 16, 32),
                         [](const auto& info) { return "FAT" + std::to_string(info.param); });
