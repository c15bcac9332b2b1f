// Time to show a volume of 100,000 found files in the folder tree (1,000 folders), to list a folder of
// 100,000 files in the report list, and to sort that list by name, size and modification time, through
// the real widgets drawn off screen.
#include <benchmark/benchmark.h>

#include "bench/SyntheticFoundTree.h"
#include "filesystems/tree/CFileSystemNode.h"
#include "filesystems/tree/CMyFileProperties.h"
#include "filesystems/tree/FileTree.h"
#include "views/files/CFileListCtrl.h"
#include "views/files/CFileTreeCtrl.h"
#include "views/files/CListCtrlPlus.h"
#include "views/files/FileListColumns.h"
#include "views/files/FoundFilePictures.h"

#include <QApplication>
#include <cstdio>
#include <cstdlib>
#include <random>

namespace {

// folders x filesPerFolder files below one volume node.
CFileSystemNode* MakeVolume(int folders, int filesPerFolder)
{
    std::mt19937_64 rng(7);
    CFileSystemNode* root = CreateRootNode();
    CFileNode* volume = AddSyntheticNode(root, "Volume", 0, 0x10, 0, false, 3);
    for (int f = 0; f < folders; ++f) {
        CFileNode* folder =
            folders == 1 ? volume
                         : AddSyntheticNode(volume, "Folder " + std::to_string(rng() % 100000), 0, 0x10, 0, false, 3);
        for (int i = 0; i < filesPerFolder; ++i)
            AddSyntheticNode(folder, "file" + std::to_string(rng() % 1000000) + (i % 3 ? ".jpg" : ".doc"),
                             rng() % 10000000, 0x20, rng());
    }
    return root;
}

void BM_TreeFill100k(benchmark::State& state)
{
    CFileSystemNode* root = MakeVolume(1000, 100);
    CFileTreeCtrl tree;
    tree.SetImages(kFoundCheckBoxBitmap, kFolderImagesBitmap);
    for (auto _ : state) {
        tree.SetRootNode(root);
        QApplication::processEvents();
    }
    tree.SetRootNode(nullptr);
    DeleteFoundTree(root);
}
BENCHMARK(BM_TreeFill100k)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_ListFill100k(benchmark::State& state)
{
    CFileSystemNode* root = MakeVolume(1, 100000);
    CFileNode* volume = root->GetFirstChild();
    CFileListCtrl list;
    list.resize(800, 600);
    list.show();
    for (auto _ : state) {
        list.ShowFolder(root, volume, nullptr);
        QApplication::processEvents();
    }
    state.counters["rows"] = double(list.Items().size());
    list.ClearItems();
    DeleteFoundTree(root);
}
BENCHMARK(BM_ListFill100k)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_ListSort100k(benchmark::State& state)
{
    const int column = int(state.range(0));
    CFileSystemNode* root = MakeVolume(1, 100000);
    CFileListCtrl list;
    list.resize(800, 600);
    list.show();
    list.ShowFolder(root, root->GetFirstChild(), nullptr);
    for (auto _ : state) {
        list.ReportList()->OnColumnClick(column);
        QApplication::processEvents();
    }
    list.ClearItems();
    DeleteFoundTree(root);
}
BENCHMARK(BM_ListSort100k)
    ->Arg(kColumnName)
    ->Arg(kColumnSize)
    ->Arg(kColumnModified)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

} // namespace

int main(int argc, char** argv)
{
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    QApplication app(argc, argv);
    InstallFoundFilePictures();
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
