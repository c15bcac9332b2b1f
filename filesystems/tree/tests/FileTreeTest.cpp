// Tree links, walks, statistics, check-state propagation, teardown and the stream form of folder nodes.
#include "filesystems/tree/FileTree.h"

#include "filesystems/tree/tests/TreeTestUtil.h"
#include "tests/support/MemoryRSData.h"

#include <gtest/gtest.h>

using namespace treetest;
using testsupport::MemoryRSData;

namespace {

std::vector<std::string> BreadthFirstNames(CFileNode* root)
{
    std::vector<std::string> names;
    WalkFileTreeBreadthFirst(root, [&](CFileNode* n) { names.push_back(NameOf(n)); });
    return names;
}

} // namespace

TEST(FileTree, ChildrenListNewestFirstAndWalkIsBreadthFirst)
{
    CFileSystemNode* root = CreateRootNode();
    CFileNode* a = AddFolder(root, "A");
    AddFolder(root, "B");
    AddFile(root, "C", 1);
    AddFile(a, "A1", 1);
    AddFile(a, "A2", 1);
    EXPECT_EQ(ChildNames(root), (std::vector<std::string>{"C", "B", "A"}));
    EXPECT_EQ(BreadthFirstNames(root), (std::vector<std::string>{"Root", "C", "B", "A", "A2", "A1"}));

    std::vector<CFileNode*> post;
    CollectNodesPostOrder(root, post);
    std::vector<std::string> postNames;
    for (CFileNode* n : post) postNames.push_back(NameOf(n));
    EXPECT_EQ(postNames, (std::vector<std::string>{"C", "B", "A2", "A1", "A", "Root"}));

    EXPECT_TRUE(BreadthFirstNames(nullptr).empty());
    DeleteFoundTree(root);
    EXPECT_EQ(g_liveProperties, 0);
}

TEST(FileTree, RemoveChildUnlinksOnlyItsOwnChildren)
{
    CFileSystemNode* root = CreateRootNode();
    CFileNode* a = AddFolder(root, "A");
    CFileNode* b = AddFolder(root, "B");
    CFileNode* a1 = AddFile(a, "A1", 1);
    EXPECT_FALSE(root->RemoveChild(a1));
    EXPECT_FALSE(b->RemoveChild(a, nullptr));
    EXPECT_TRUE(root->RemoveChild(a));
    EXPECT_EQ(a->GetParent(), nullptr);
    EXPECT_EQ(a->GetNextSibling(), nullptr);
    EXPECT_EQ(a->GetFirstChild(), a1);
    EXPECT_EQ(ChildNames(root), (std::vector<std::string>{"B"}));
    // A wrong previous sibling falls back to the search.
    CFileNode* c = AddFile(root, "C", 1);
    EXPECT_TRUE(root->RemoveChild(b, b));
    EXPECT_EQ(ChildNames(root), (std::vector<std::string>{"C"}));
    EXPECT_TRUE(root->RemoveChild(c, nullptr));
    DeleteFoundTree(root);
    DeleteFoundTree(a);
    DeleteFoundTree(b);
    DeleteFoundTree(c);
    EXPECT_EQ(g_liveProperties, 0);
}

TEST(FileTree, GeometryAndKindComeFromTheNearestFileSystemAncestor)
{
    CFileSystemNode* root = CreateRootNode();
    CFileSystemNode* volume = AddFsFolder(root, "vol");
    volume->SetClusterGeometry(2048, 8);
    volume->SetFileSystemKind(kFsKindNtfs);
    CFileNode* file = AddFile(AddFolder(volume, "plain"), "f", 1);
    uint64_t first = 1;
    int32_t spc = 1;
    EXPECT_TRUE(file->GetClusterGeometry(first, spc));
    EXPECT_EQ(first, 2048u);
    EXPECT_EQ(spc, 8);
    EXPECT_EQ(file->GetFileSystemKind(), kFsKindNtfs);
    EXPECT_EQ(root->GetFileSystemKind(), kFsKindNone);

    CFileNode* loose = AddFile(AddFolder(nullptr, "top"), "g", 1);
    EXPECT_FALSE(loose->GetClusterGeometry(first, spc));
    EXPECT_EQ(first, 0u);
    EXPECT_EQ(spc, 0);
    EXPECT_EQ(loose->GetFileSystemKind(), kFsKindNone);
    DeleteFoundTree(loose->GetParent());
    DeleteFoundTree(root);
}

TEST(FileTree, FolderStateFromDirectChildren)
{
    struct Case {
        std::vector<uint8_t> children;
        uint8_t expected;
    } cases[] = {
        {{}, 0}, {{0, 0}, 0}, {{1}, 1}, {{1, 0}, 1}, {{2, 0}, 1}, {{2, 1}, 1}, {{2, 2}, 2}, {{2}, 2},
    };
    for (const Case& c : cases) {
        CFileNode* folder = AddFolder(nullptr, "F");
        for (uint8_t s : c.children) AddFile(folder, "x", 1)->GetProperties()->SetCheckState(s);
        EXPECT_EQ(DeriveFolderCheckState(folder), c.expected) << ::testing::PrintToString(c.children);
        DeleteFoundTree(folder);
    }
}

TEST(FileTree, CheckingAndUncheckingAFolderMovesCheckedFiguresUpTheTree)
{
    CFileSystemNode* root = CreateRootNode();
    CFileSystemNode* volume = AddFsFolder(root, "vol");
    CFileSystemNode* folder = AddFsFolder(volume, "F");
    AddFile(folder, "a", 10, 0x20 | 0x800);
    AddFile(folder, "b", 20)->GetProperties()->SetCheckState(kCheckAll);
    AddFile(folder, "c", 30, 0x20 | 0x40);
    AddFile(volume, "other", 5);
    root->RefreshCheckStates();
    volume->RecomputeStatistics();
    folder->RecomputeStatistics();
    EXPECT_EQ(StateOf(folder), kCheckPartial);
    EXPECT_EQ(StateOf(volume), kCheckPartial);

    ASSERT_TRUE(root->ToggleCheckState(folder, false));
    FileTreeStatistics s;
    folder->GetStatistics(s);
    EXPECT_EQ(s, (FileTreeStatistics{3, 3, 60, 60, 1, 1, 1, 1}));
    volume->GetStatistics(s);
    EXPECT_EQ(s, (FileTreeStatistics{4, 3, 65, 60, 1, 1, 1, 1}));
    root->GetStatistics(s);
    EXPECT_EQ(s.checkedBytes, 60u);
    for (CFileNode* c = folder->GetFirstChild(); c; c = c->GetNextSibling()) EXPECT_EQ(StateOf(c), kCheckAll);
    EXPECT_EQ(StateOf(folder), kCheckAll);
    EXPECT_EQ(StateOf(volume), kCheckPartial);
    EXPECT_EQ(StateOf(root), kCheckPartial);

    ASSERT_TRUE(root->ToggleCheckState(folder, false));
    folder->GetStatistics(s);
    EXPECT_EQ(s, (FileTreeStatistics{3, 0, 60, 0, 1, 0, 1, 0}));
    volume->GetStatistics(s);
    EXPECT_EQ(s, (FileTreeStatistics{4, 0, 65, 0, 1, 0, 1, 0}));
    EXPECT_EQ(StateOf(root), kCheckNone);

    // Checking the root also settles the figures of the file-system nodes inside it.
    root->ToggleCheckState(root, false);
    folder->GetStatistics(s);
    EXPECT_EQ(s.checkedBytes, 60u);
    volume->GetStatistics(s);
    EXPECT_EQ(s.checkedBytes, 65u);
    FileTreeStatistics recount;
    ComputeSubtreeStatistics(volume, recount, false, 0);
    EXPECT_EQ(s, recount);

    // Node only: the target alone, no figures.
    CFileNode* other = volume->GetFirstChild();
    root->ToggleCheckState(other, true);
    EXPECT_EQ(StateOf(other), kCheckNone);
    EXPECT_EQ(StateOf(volume), kCheckAll);
    volume->GetStatistics(s);
    EXPECT_EQ(s.checkedBytes, 65u);
    DeleteFoundTree(root);
    EXPECT_EQ(g_liveProperties, 0);
}

TEST(FileTree, RefreshDerivesFoldersDeepestFirst)
{
    CFileSystemNode* root = CreateRootNode();
    CFileNode* a = AddFolder(root, "A");
    CFileNode* b = AddFolder(a, "B");
    AddFile(b, "x", 7)->GetProperties()->SetCheckState(kCheckAll);
    AddFile(b, "y", 3);
    CFileNode* c = AddFolder(a, "C");
    AddFile(c, "z", 1)->GetProperties()->SetCheckState(kCheckAll);
    AddFolder(root, "empty")->GetProperties()->SetCheckState(kCheckAll);
    root->RefreshCheckStates();
    EXPECT_EQ(StateOf(b), kCheckPartial);
    EXPECT_EQ(StateOf(c), kCheckAll);
    EXPECT_EQ(StateOf(a), kCheckPartial);
    EXPECT_EQ(StateOf(root->GetFirstChild()), kCheckNone);
    EXPECT_EQ(StateOf(root), kCheckPartial);
    FileTreeStatistics s;
    root->GetStatistics(s);
    EXPECT_EQ(s, (FileTreeStatistics{3, 2, 11, 8, 0, 0, 0, 0}));
    DeleteFoundTree(root);
}

TEST(FileTree, MillionDeepAndWideTreesNeedNoRecursion)
{
    constexpr int kCount = 1000000;
    for (bool deep : {true, false}) {
        SCOPED_TRACE(deep ? "deep" : "wide");
        CFileSystemNode* root = NewFileSystemNode();
        root->SetProperties(new LightProperties(0, 0x10));
        CFileNode* parent = root;
        CFileNode* last = nullptr;
        for (int i = 0; i < kCount; ++i) {
            CFileNode* n = NewFileNode();
            n->SetProperties(new LightProperties(deep ? 0 : 1, deep ? 0x10 : 0x20));
            parent->AddChild(n);
            if (deep) parent = n;
            last = n;
        }
        if (deep) {
            last = NewFileNode();
            last->SetProperties(new LightProperties(1, 0x20));
            parent->AddChild(last);
        }
        root->ToggleCheckState(root, false);
        FileTreeStatistics s;
        root->GetStatistics(s);
        EXPECT_EQ(s.checkedFiles, deep ? 1u : uint32_t(kCount));
        root->ToggleCheckState(last, false);
        EXPECT_EQ(StateOf(root), deep ? kCheckNone : kCheckPartial);
        root->RefreshCheckStates();
        root->GetStatistics(s);
        EXPECT_EQ(s.checkedFiles, deep ? 0u : uint32_t(kCount - 1));
        size_t visited = 0;
        WalkFileTreeBreadthFirst(root, [&](CFileNode*) { ++visited; });
        EXPECT_EQ(visited, size_t(kCount) + (deep ? 2 : 1));
        DeleteFoundTree(root);
    }
}

TEST(FileTree, SharedPropertiesTreeFreesOnlyItsFirstLevel)
{
    // The scanned tree owns every properties object below the first level of the view tree.
    CFileSystemNode* scanned = CreateRootNode();
    CFileNode* deep = AddFile(AddFolder(scanned, "dir"), "deleted", 5);
    const int before = g_liveProperties;

    CFileSystemNode* view = CreateRootNode();
    FileSystemNodeExtraInfo info;
    info.folderKind = kFolderKindSharedProperties;
    view->SetExtraInfo(info);
    for (const char* name : {"one", "two"}) {
        CFileNode* top = AddFsFolder(view, name);
        CFileNode* shared = top->AddChild(NewFileNode());
        shared->SetProperties(deep->GetProperties());
    }
    EXPECT_EQ(g_liveProperties, before + 2);
    DeleteFoundTree(view);
    EXPECT_EQ(g_liveProperties, before);
    EXPECT_EQ(NameOf(deep), "deleted");
    DeleteFoundTree(scanned);
    EXPECT_EQ(g_liveProperties, 0);
    DeleteFoundTree(nullptr);
}

TEST(FileTree, FileSystemNodeStreamRoundTripWithCutName)
{
    CFileSystemNode node;
    node.SetClusterGeometry(63, 8);
    node.SetFileSystemKind(kFsKindFat32);
    node.SetName(std::string(50, 'n').c_str());
    EXPECT_EQ(node.GetNameLength(), 40);
    AddFile(&node, "f", 100)->GetProperties()->SetCheckState(kCheckAll);
    node.RecomputeStatistics();

    MemoryRSData out = MemoryRSData::Writer();
    EXPECT_EQ(node.Write(&out), 1);
    EXPECT_EQ(out.SectionBytes().size(), 40u + 8 + 4 + 4 + 4 + 40);
    out.StartReading();
    out.BeginSection(testsupport::kTestSectionGuid);
    CFileSystemNode back;
    back.SetName("old");
    EXPECT_EQ(back.Read(&out), 1);
    EXPECT_EQ(out.Remaining(), 0u);
    FileTreeStatistics s;
    back.GetStatistics(s);
    EXPECT_EQ(s, (FileTreeStatistics{1, 0, 100, 0, 0, 0, 0, 0}));
    uint64_t first;
    int32_t spc;
    back.GetClusterGeometry(first, spc);
    EXPECT_EQ(first, 63u);
    EXPECT_EQ(spc, 8);
    EXPECT_EQ(back.GetFileSystemKind(), kFsKindFat32);
    EXPECT_EQ(std::string(back.GetName()), std::string(40, 'n'));
    DeleteFoundTree(node.GetFirstChild());

    // A multi-byte character is never split by the cut.
    CFileSystemNode utf;
    utf.SetName((std::string(39, 'a') + "\xC3\xA9").c_str());
    EXPECT_EQ(utf.GetNameLength(), 39);
    utf.SetName(nullptr);
    EXPECT_EQ(utf.GetName(), nullptr);
    MemoryRSData none = MemoryRSData::Writer();
    utf.Write(&none);
    EXPECT_EQ(none.SectionBytes().size(), 60u);
}

TEST(FileTree, FileSystemNodeRefusesBadStoredNameLength)
{
    for (int32_t length : {-1, 41, 0x7FFFFFFF}) {
        std::vector<uint8_t> bytes(60, 0);
        std::memcpy(bytes.data() + 56, &length, 4);
        bytes.resize(200, 'x');
        MemoryRSData in = MemoryRSData::Reader(bytes);
        CFileSystemNode node;
        try {
            node.Read(&in);
            ADD_FAILURE() << "length " << length << " was accepted";
        } catch (const CRSException& e) {
            EXPECT_EQ(e.GetCode(), RS_ERROR_BAD_LENGTH);
        }
    }
    // A name whose bytes run past the stream: short read.
    std::vector<uint8_t> bytes(60, 0);
    bytes[56] = 10;
    bytes.resize(65, 'x');
    MemoryRSData in = MemoryRSData::Reader(bytes);
    CFileSystemNode node;
    try {
        node.Read(&in);
        ADD_FAILURE();
    } catch (const CRSException& e) {
        EXPECT_EQ(e.GetCode(), RS_ERROR_SHORT_READ);
    }
}

TEST(FileTree, RootAndPlainProperties)
{
    CFileSystemNode* root = CreateRootNode();
    IFileProperties* p = root->GetProperties();
    EXPECT_STREQ(p->GetName(), "Root");
    EXPECT_EQ(p->GetAttributes(), 0x10);
    EXPECT_EQ(p->GetPropertiesType(), kPropertiesPlain);
    EXPECT_EQ(p->GetDataRunList(), nullptr);
    EXPECT_EQ(root->GetName(), nullptr);
    EXPECT_EQ(root->GetFileSystemKind(), kFsKindNone);
    EXPECT_EQ(root->SetChildUserFlag(root, 1), 0);
    EXPECT_EQ(root->SetChildUserFlag(root, 0), 1);
    EXPECT_EQ(root->SetChildUserFlag(nullptr, 1), 0);

    p->SetName(std::string(300, 'q').c_str());
    EXPECT_EQ(std::strlen(p->GetName()), 259u);
    p->SetName(nullptr);
    EXPECT_EQ(std::strlen(p->GetName()), 259u);

    MemoryRSData out = MemoryRSData::Writer();
    EXPECT_EQ(p->Write(&out), 0);
    EXPECT_TRUE(out.SectionBytes().empty());
    DeleteFoundTree(root);
}
