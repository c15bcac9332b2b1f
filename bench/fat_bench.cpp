// The FAT32 table check (signature, entry plausibility, no shared cluster, no loop) must stay linear in the
// table size: tables of 1 and 16 million entries in three shapes, the worst being one chain running backwards.
#include "filesystems/fat/FATTables.h"

#include <benchmark/benchmark.h>

#include <cstdint>
#include <map>
#include <vector>

namespace {

enum Shape { kFiles = 0, kBackwards = 1, kInterleaved = 2 };

void Put32(std::vector<uint8_t>& t, uint32_t index, uint32_t value)
{
    for (int i = 0; i < 4; ++i) t[size_t(index) * 4 + i] = uint8_t(value >> (8 * i));
}

// A whole table of `sectors` 512-byte sectors with every cluster in use.
std::vector<uint8_t> MakeTable(uint32_t sectors, Shape shape)
{
    std::vector<uint8_t> t(size_t(sectors) * 512, 0);
    const uint32_t n = sectors * 128;
    Put32(t, 0, 0x0FFFFFF8);
    Put32(t, 1, 0x0FFFFFFF);
    switch (shape) {
    case kFiles: // files of 1 to 64 clusters one after another
        for (uint32_t c = 2, len = 1; c < n; c += len, len = len % 64 + 1)
            for (uint32_t i = 0; i < len && c + i < n; ++i)
                Put32(t, c + i, i + 1 < len && c + i + 1 < n ? c + i + 1 : 0x0FFFFFFF);
        break;
    case kBackwards: // one file whose chain runs from the last cluster down to cluster 2
        Put32(t, 2, 0x0FFFFFFF);
        for (uint32_t c = 3; c < n; ++c) Put32(t, c, c - 1);
        break;
    case kInterleaved: // two files taking turns cluster by cluster
        for (uint32_t c = 2; c < n; ++c) Put32(t, c, c + 2 < n ? c + 2 : 0x0FFFFFFF);
        break;
    }
    return t;
}

const std::vector<uint8_t>& Table(uint32_t sectors, Shape shape)
{
    static std::map<std::pair<uint32_t, int>, std::vector<uint8_t>> cache;
    auto key = std::make_pair(sectors, int(shape));
    auto found = cache.find(key);
    if (found == cache.end()) found = cache.emplace(key, MakeTable(sectors, shape)).first;
    return found->second;
}

void BM_Fat32TableCheck(benchmark::State& state)
{
    const uint32_t sectors = uint32_t(state.range(0));
    const Shape shape = Shape(state.range(1));
    const std::vector<uint8_t>& bytes = Table(sectors, shape);
    CFAT32Table table(bytes, 512);
    for (auto _ : state) {
        const bool valid = table.IsValid();
        if (!valid) state.SkipWithError("table refused");
        benchmark::DoNotOptimize(valid);
    }
    state.counters["entries"] = double(table.GetEntryCount());
    state.SetItemsProcessed(int64_t(state.iterations()) * table.GetEntryCount());
}

// 8192 sectors: 1 Mi entries; 128000 sectors: 16,384,000 entries, the largest table that is loaded.
BENCHMARK(BM_Fat32TableCheck)
    ->ArgsProduct({{8192, 128000}, {kFiles, kBackwards, kInterleaved}})
    ->ArgNames({"sectors", "shape"})
    ->Unit(benchmark::kMillisecond);

void BM_Fat32ChainWalk(benchmark::State& state)
{
    CFAT32Table table(Table(128000, kBackwards), 512);
    for (auto _ : state) {
        uint32_t steps = 0;
        for (uint32_t c = table.GetEntryCount() - 1; c >= 2 && c < 0x0FFFFFF7; c = table.GetNextCluster(c)) ++steps;
        benchmark::DoNotOptimize(steps);
    }
    state.SetItemsProcessed(int64_t(state.iterations()) * table.GetEntryCount());
}
BENCHMARK(BM_Fat32ChainWalk)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
