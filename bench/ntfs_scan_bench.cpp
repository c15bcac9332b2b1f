// The NTFS scanner over an in-memory device, 4 MiB blocks as the search feeds them: the per-sector test
// must stay cheap on sectors that hold nothing of NTFS (zeros, random data) and on a real volume.
#include "filesystems/common/CIntelligentSearchStatistics.h"
#include "filesystems/ntfs/CNTFSSearchController.h"
#include "tests/support/MemoryDevice.h"

#include <benchmark/benchmark.h>

#include <cstdint>
#include <cstdio>
#include <random>
#include <string>
#include <vector>

namespace {

constexpr uint64_t kDeviceBytes = 64ull << 20;
constexpr uint64_t kBlockSectors = 8192;

// The 8 MiB mkntfs volume of the tree fixtures, repeated over the device; empty when it cannot be read.
std::vector<uint8_t> LoadVolume()
{
    const std::string cmd = "xz -dc '" + std::string(SALVIX_SOURCE_DIR) + "/tests/fixtures/ntfs_tree_c4k.img.xz'";
    std::FILE* pipe = popen(cmd.c_str(), "r");
    if (!pipe) return {};
    std::vector<uint8_t> out;
    uint8_t chunk[65536];
    size_t n;
    while ((n = std::fread(chunk, 1, sizeof chunk, pipe)) > 0) out.insert(out.end(), chunk, chunk + n);
    if (pclose(pipe) != 0) return {};
    return out;
}

void Run(benchmark::State& state, testsupport::MemoryDevice& device)
{
    for (auto _ : state) {
        CNTFSSearchController scanner;
        scanner.SetDevice(&device);
        scanner.SetBlockSectors(int(kBlockSectors));
        scanner.BeginSearch();
        CIntelligentSearchStatistics statistics;
        for (uint64_t at = 0; at < device.GetSectorCount(); at += kBlockSectors)
            scanner.AnalyzeBlock(at, kBlockSectors, &statistics);
        scanner.EndSearch();
        CSearchedPartitionList partitions;
        scanner.GetSearchedPartitions(partitions);
        for (CSearchedPartitionInfo* p : partitions) delete p;
        benchmark::DoNotOptimize(statistics.NTFSFileRecords);
    }
    state.SetBytesProcessed(int64_t(state.iterations() * kDeviceBytes));
}

void BM_NtfsScanZeros(benchmark::State& state)
{
    testsupport::MemoryDevice device(kDeviceBytes / 512, 512);
    Run(state, device);
}

void BM_NtfsScanRandom(benchmark::State& state)
{
    testsupport::MemoryDevice device(kDeviceBytes / 512, 512);
    std::mt19937_64 random(7);
    for (uint8_t& b : device.Bytes()) b = uint8_t(random());
    Run(state, device);
}

void BM_NtfsScanVolumes(benchmark::State& state)
{
    static const std::vector<uint8_t> volume = LoadVolume();
    if (volume.empty()) {
        state.SkipWithError("fixture volume not readable");
        return;
    }
    testsupport::MemoryDevice device(kDeviceBytes / 512, 512);
    for (uint64_t at = 0; at + volume.size() <= kDeviceBytes; at += volume.size())
        device.Write(at, volume.data(), volume.size());
    Run(state, device);
}

} // namespace

BENCHMARK(BM_NtfsScanZeros)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_NtfsScanRandom)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_NtfsScanVolumes)->Unit(benchmark::kMillisecond);
BENCHMARK_MAIN();
