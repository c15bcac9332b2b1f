// Time to walk a found-file tree of 100,000 files (1,000 folders) and test every node with the search
// filter: a name wildcard alone, and a name with a type list, a size limit and a date range.
#include <benchmark/benchmark.h>

#include "bench/SyntheticFoundTree.h"
#include "filesystems/tree/CFileNode.h"
#include "filesystems/tree/CFileSystemNode.h"
#include "filesystems/tree/CMyFileProperties.h"
#include "filesystems/tree/CSearchFileFilter.h"
#include "filesystems/tree/FileTree.h"

#include <cstdio>
#include <cstring>
#include <random>
#include <string>

namespace {

CFileSystemNode* MakeVolume(int folders, int filesPerFolder)
{
    static const char* const kExtensions[] = {".jpg", ".doc", ".txt", ".png", ".mp3", ".c++"};
    std::mt19937_64 rng(7);
    CFileSystemNode* root = CreateRootNode();
    CFileNode* volume = AddSyntheticNode(root, "Volume", 0, 0x10, 0);
    for (int f = 0; f < folders; ++f) {
        CFileNode* folder = AddSyntheticNode(volume, "Folder " + std::to_string(rng() % 100000), 0, 0x10, 0);
        for (int i = 0; i < filesPerFolder; ++i)
            AddSyntheticNode(folder, "Holiday photo " + std::to_string(rng() % 1000000) + kExtensions[rng() % 6],
                             rng() % 10000000, 0x20 | ((i % 50) ? 0 : 0x40), rng() % 1000000, true);
    }
    return root;
}

// Depth-first over every descendant, as the search dialog walks the chosen folder.
int CountMatches(const CFileNode* folder, const CSearchFileFilter& filter)
{
    int found = 0;
    for (const CFileNode* n = folder->GetFirstChild(); n; n = n->GetNextSibling()) {
        if (filter.IsMatch(n)) ++found;
        found += CountMatches(n, filter);
    }
    return found;
}

void Run(benchmark::State& state, const SEARCH_FILE_CRITERIA& criteria)
{
    CFileSystemNode* root = MakeVolume(1000, 100);
    int found = 0;
    for (auto _ : state) {
        const CSearchFileFilter filter(criteria);
        found = CountMatches(root, filter);
        benchmark::DoNotOptimize(found);
    }
    state.counters["found"] = found;
    DeleteFoundTree(root);
}

void BM_SearchName100k(benchmark::State& state)
{
    SEARCH_FILE_CRITERIA c;
    std::strcpy(c.szName, "*photo 12*");
    Run(state, c);
}

void BM_SearchAllCriteria100k(benchmark::State& state)
{
    SEARCH_FILE_CRITERIA c;
    std::strcpy(c.szName, "*holiday*");
    std::strcpy(c.szTypeExtensions, "*.jpg;*.jpeg;*.png;*.c++");
    c.dwFlags = kSearchByType | kSearchByDate | kSearchBySize | kSearchOther;
    c.nDateKind = kDateModified;
    c.ftFrom = 900000;
    c.ftTo = 100000;
    c.nSizeKind = kSizeAtLeast;
    c.ullSizeLimit = 1000000;
    c.bIncludeEncrypted = 0;
    Run(state, c);
}

} // namespace

BENCHMARK(BM_SearchName100k)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SearchAllCriteria100k)->Unit(benchmark::kMillisecond);

BENCHMARK_MAIN();
