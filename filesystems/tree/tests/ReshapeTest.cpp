// The "Deleted Files" copy, pruning of empty folders, moving children and partition nodes.
#include "filesystems/tree/CDeletedFilesFolderBuilder.h"
#include "filesystems/tree/FileTree.h"
#include "filesystems/tree/TreeReshaping.h"

#include "filesystems/tree/tests/TreeTestUtil.h"
#include "filesystems/tree/IFileFilter.h"

#include <gtest/gtest.h>

using namespace treetest;

namespace {

// Passes deleted, lost or cross-linked files.
class DeletedFilter : public IFileFilter {
public:
    bool IsMatch(const IFileProperties* p) const override { return p && (p->GetState() & 7); }
};

class PassAll : public IFileFilter {
public:
    bool IsMatch(const IFileProperties* p) const override { return p != nullptr; }
};

size_t CountNodes(CFileNode* root)
{
    size_t n = 0;
    WalkFileTreeBreadthFirst(root, [&](CFileNode*) { ++n; });
    return n;
}

} // namespace

TEST(DeletedFiles, CopiesThePathToEachPassingFileSharingProperties)
{
    CFileSystemNode* scanned = CreateRootNode();
    CFileSystemNode* partition = AddFsFolder(scanned, "Partition 1 (NTFS)");
    partition->SetName("NTFS 1");
    partition->SetClusterGeometry(2048, 8);
    partition->SetFileSystemKind(kFsKindNtfs);
    CFileNode* c = AddFolder(AddFolder(AddFolder(partition, "a"), "b"), "c");
    CFileNode* deleted = AddFile(c, "gone.txt", 10, 0x20, kFileStateDeleted);
    AddFile(c, "live.txt", 10);
    AddFolder(partition, "empty");
    AddFile(AddFolder(partition, "livedir"), "x", 1);

    DeletedFilter filter;
    CDeletedFilesFolderBuilder builder(&filter);
    EXPECT_STREQ(builder.GetFolderNode()->GetProperties()->GetName(), "Deleted Files");
    CFileSystemNode* folder = builder.Build(partition);
    ASSERT_EQ(folder, builder.GetFolderNode());

    EXPECT_EQ(CountNodes(folder), 5u);
    CFileNode* n = folder;
    for (const char* name : {"a", "b", "c", "gone.txt"}) {
        n = n->GetFirstChild();
        ASSERT_TRUE(n);
        EXPECT_EQ(NameOf(n), name);
        EXPECT_FALSE(n->IsFileSystemNode());
        EXPECT_EQ(n->GetNextSibling(), nullptr);
    }
    EXPECT_EQ(n->GetProperties(), deleted->GetProperties());

    // Shown under the partition's names, with its geometry and kind.
    EXPECT_STREQ(folder->GetName(), "NTFS 1");
    EXPECT_STREQ(folder->GetProperties()->GetName(), "Partition 1 (NTFS)");
    EXPECT_EQ(folder->GetProperties()->GetPropertiesType(), kPropertiesRAW);
    EXPECT_EQ(folder->GetProperties()->GetAttributes(), 0x10);
    uint64_t first;
    int32_t spc;
    folder->GetClusterGeometry(first, spc);
    EXPECT_EQ(first, 2048u);
    EXPECT_EQ(spc, 8);
    EXPECT_EQ(folder->GetFileSystemKind(), kFsKindNtfs);
    FileSystemNodeExtraInfo info;
    folder->GetExtraInfo(info);
    EXPECT_EQ(info.folderKind, kFolderKindSharedProperties);

    // As the deleted-file recovery hangs it: a shared-properties root, freed before the scanned tree.
    CFileSystemNode* root = CreateRootNode();
    root->SetExtraInfo(info);
    root->AddChild(folder);
    root->RecomputeStatistics();
    FileTreeStatistics s;
    root->GetStatistics(s);
    EXPECT_EQ(s.files, 1u);
    DeleteFoundTree(root);
    DeleteFoundTree(scanned);
    EXPECT_EQ(g_liveProperties, 0);
}

TEST(DeletedFiles, EmptyFoldersNeverAndSiblingsReversed)
{
    CFileNode* source = AddFolder(nullptr, "src");
    AddFolder(source, "empty");
    AddFile(source, "1", 1);
    AddFile(source, "2", 1);
    AddFile(source, "3", 1);
    EXPECT_EQ(ChildNames(source), (std::vector<std::string>{"3", "2", "1", "empty"}));

    PassAll all;
    CDeletedFilesFolderBuilder builder(&all);
    CFileNode* target = AddFolder(nullptr, "dst");
    EXPECT_TRUE(builder.CopyMatchingFiles(source, target));
    EXPECT_EQ(ChildNames(target), (std::vector<std::string>{"1", "2", "3"}));

    DeletedFilter none;
    CDeletedFilesFolderBuilder nothing(&none);
    CFileSystemNode* folder = nothing.Build(source);
    EXPECT_EQ(folder->GetFirstChild(), nullptr);
    EXPECT_STREQ(folder->GetProperties()->GetName(), "src");
    EXPECT_EQ(folder->GetName(), nullptr);

    delete target->GetProperties();
    DeleteTreeNodes(target);
    DeleteFoundTree(builder.GetFolderNode());
    DeleteFoundTree(folder);
    DeleteFoundTree(source);
    EXPECT_EQ(g_liveProperties, 0);
}

TEST(DeletedFiles, MillionDeepChainIsCopiedAndPrunedWithoutRecursion)
{
    constexpr int kDepth = 1000000;
    CFileNode* top = NewFileNode();
    top->SetProperties(new LightProperties(0, 0x10));
    CFileNode* parent = top;
    for (int i = 0; i < kDepth; ++i) {
        CFileNode* n = parent->AddChild(NewFileNode());
        n->SetProperties(new LightProperties(0, 0x10));
        parent = n;
    }
    CFileNode* file = parent->AddChild(NewFileNode());
    file->SetProperties(new LightProperties(1, 0x20, kFileStateLost));

    DeletedFilter filter;
    CDeletedFilesFolderBuilder builder(&filter);
    CFileSystemNode* folder = builder.Build(top);
    EXPECT_EQ(CountNodes(folder), size_t(kDepth) + 2);

    // Without its file the chain is one long empty folder: pruning removes all of it below the top.
    CFileNode* last = file->GetParent();
    last->RemoveChild(file);
    DeleteNodeWithProperties(file);
    EXPECT_EQ(PruneEmptyFolders2(top), kDepth);
    EXPECT_EQ(top->GetFirstChild(), nullptr);

    DeleteFoundTree(folder);
    DeleteFoundTree(top);
}

TEST(Reshaping, PruneRemovesFoldersWithoutFilesAtAnyDepth)
{
    CFileNode* top = AddFolder(nullptr, "top");
    CFileNode* hollow = AddFolder(top, "hollow");
    AddFolder(AddFolder(hollow, "h1"), "h2");
    AddFolder(hollow, "h3");
    CFileNode* kept = AddFolder(top, "kept");
    AddFolder(kept, "inner-empty");
    AddFile(AddFolder(kept, "deep"), "file", 1);
    AddFile(top, "loose", 1);

    EXPECT_EQ(PruneEmptyFolders(hollow), 3);
    EXPECT_EQ(hollow->GetFirstChild(), nullptr);
    EXPECT_EQ(ChildNames(top), (std::vector<std::string>{"loose", "kept", "hollow"}));
    EXPECT_EQ(PruneEmptyFolders(top), 2);
    EXPECT_EQ(ChildNames(top), (std::vector<std::string>{"loose", "kept"}));
    EXPECT_EQ(ChildNames(kept), (std::vector<std::string>{"deep"}));

    EXPECT_EQ(PruneEmptyFolders(nullptr), 0);
    EXPECT_EQ(PruneEmptyFolders(top->GetFirstChild()), 0);
    CFileNode bare;
    EXPECT_EQ(PruneEmptyFolders(&bare), 0);
    DeleteFoundTree(top);
    EXPECT_EQ(g_liveProperties, 0);
}

TEST(Reshaping, MoveChildrenAndPartitionNodes)
{
    CFileNode* source = AddFolder(nullptr, "s");
    CFileNode* target = AddFolder(nullptr, "t");
    AddFile(source, "a", 1);
    AddFile(source, "b", 1);
    AddFile(target, "z", 1);
    MoveChildNodes(source, target);
    EXPECT_EQ(source->GetFirstChild(), nullptr);
    EXPECT_EQ(ChildNames(target), (std::vector<std::string>{"a", "b", "z"}));
    EXPECT_EQ(target->GetFirstChild()->GetParent(), target);
    DeleteFoundTree(source);
    DeleteFoundTree(target);

    const std::pair<size_t, int> names[] = {{0, -1}, {40, 40}, {50, 40}, {64, 40}, {65, -1}};
    for (auto [length, kept] : names) {
        CFileSystemNode* node = NewPartitionNode(Folder("p"), 63, 8, kFsKindFat32, std::string(length, 'p').c_str());
        EXPECT_EQ(node->GetName() ? int(std::strlen(node->GetName())) : -1, kept) << length;
        EXPECT_EQ(node->GetFileSystemKind(), kFsKindFat32);
        DeleteFoundTree(node);
    }
    EXPECT_EQ(g_liveProperties, 0);
}
