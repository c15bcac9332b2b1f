// The search walk over a small found-file tree, and the file-type name map's order, grouping and names.
#include "views/search/CFileTypeNameMap.h"
#include "views/search/CFoundFileList.h"
#include "views/search/FoundFileSearch.h"

#include "filesystems/tree/CSearchFileFilter.h"
#include "filesystems/tree/FileTree.h"
#include "filesystems/tree/tests/TreeTestUtil.h"

#include <gtest/gtest.h>

#include <cstring>

using namespace treetest;

namespace {

std::vector<std::string> Names(const CFoundFileList& list)
{
    std::vector<std::string> out;
    for (const CFileNode* n : list.GetNodes()) out.push_back(NameOf(n));
    return out;
}

SEARCH_FILE_CRITERIA Named(const char* name)
{
    SEARCH_FILE_CRITERIA c;
    std::strcpy(c.szName, name);
    return c;
}

// Root / Volume / {docs/{report.doc, old/report2.doc}, report folder/{x.txt}, notes.txt}; children are
// listed newest first, so the child order is the reverse of the building order.
struct SearchTree : ::testing::Test {
    SearchTree()
    {
        root = CreateRootNode();
        root->SetProperties(Folder("Root"));
        volume = AddFsFolder(root, "Volume");
        CFileNode* docs = AddFolder(volume, "docs");
        AddFile(docs, "report.doc", 10);
        CFileNode* old = AddFolder(docs, "old");
        AddFile(old, "report2.doc", 20);
        CFileNode* reportFolder = AddFolder(volume, "report folder");
        AddFile(reportFolder, "x.txt", 30);
        AddFile(volume, "notes.txt", 40);
        root->RecomputeStatistics();
    }
    ~SearchTree() override { DeleteFoundTree(root); }
    CFileSystemNode* root = nullptr;
    CFileNode* volume = nullptr;
};

} // namespace

TEST_F(SearchTree, FindsFilesDepthFirstButNeverFolders)
{
    CFoundFileList found;
    EXPECT_EQ(SearchFoundFiles(root, root, CSearchFileFilter(Named("*report*")), false, found), 2);
    EXPECT_EQ(Names(found), (std::vector<std::string>{"report2.doc", "report.doc"}));
    EXPECT_EQ(found.GetCount(), 2);

    CFoundFileList all;
    SearchFoundFiles(root, volume, CSearchFileFilter(Named("*")), false, all);
    EXPECT_EQ(Names(all), (std::vector<std::string>{"notes.txt", "x.txt", "report2.doc", "report.doc"}));
    for (const CFileNode* n : all.GetNodes()) EXPECT_EQ(StateOf(n), kCheckNone);

    CFoundFileList none;
    EXPECT_EQ(SearchFoundFiles(root, nullptr, CSearchFileFilter(Named("*")), true, none), 0);
}

TEST_F(SearchTree, AutoSelectChecksOnlyWhatIsNotChecked)
{
    CFoundFileList first;
    SearchFoundFiles(root, root, CSearchFileFilter(Named("*.doc")), true, first);
    ASSERT_EQ(first.GetCount(), 2);
    for (const CFileNode* n : first.GetNodes()) EXPECT_EQ(StateOf(n), kCheckAll);
    // A second search finds them again already checked: they stay checked, not toggled off.
    CFoundFileList again;
    SearchFoundFiles(root, root, CSearchFileFilter(Named("*report*")), true, again);
    for (const CFileNode* n : again.GetNodes()) EXPECT_EQ(StateOf(n), kCheckAll);
}

TEST(FileTypeNameMap, OrderGroupingAndNames)
{
    CFileTypeNameMap map;
    map.Build({{".jpg", "JPEG image"},
               {".Folder", "Folder"},
               {".jpeg", "JPEG image"},
               {".txt", "plain text document"},
               {".none", ""},
               {"noDot", "Odd"}},
              "(All Files)", "");
    std::vector<std::string> keys;
    for (const auto& [key, value] : map.GetEntries()) keys.push_back(key);
    EXPECT_EQ(keys, (std::vector<std::string>{".00(All Files)", ".01File", "JPEG image", "Plain text document"}));
    EXPECT_EQ(map.Lookup("JPEG image"), ".jpeg;.jpg");
    EXPECT_EQ(map.Lookup(".00(All Files)"), "*");
    EXPECT_EQ(map.Lookup(".01File"), "*");
    EXPECT_EQ(map.Lookup("Folder"), "");
}

TEST(FileTypeNameMap, DesktopDatabase)
{
    CFileTypeNameMap map;
    map.BuildFromMimeDatabase("(All Files)", "File");
    if (map.GetEntries().size() < 3) GTEST_SKIP() << "no shared MIME database on this machine (shared-mime-info)";
    EXPECT_EQ(map.GetEntries().begin()->first, ".00(All Files)");
    // Every value is a list of dotted extensions that a type list accepts.
    for (const auto& [key, value] : map.GetEntries()) {
        if (key.starts_with(".0")) continue;
        EXPECT_EQ(value[0], '.') << key;
    }
}
