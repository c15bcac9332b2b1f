// Throughput of the intelligent search (read-ahead cache, 4 MiB blocks, every scanner on every block) over a
// 1 GiB device held in memory: random data with text sectors, FAT directory sectors and file headers mixed in,
// so that each scanner's per-sector tests run their full course; or over the image file SALVIX_BENCH_IMAGE
// (bench/format_road.sh passes its own). Each scanner alone, then all of them one after another and side by
// side. Reported as bytes per second.
#include "core/CRecoverySettings.h"
#include "core/devices/CImageFileDevice.h"
#include "core/devices/IStorageDevice.h"
#include "filesystems/common/CIntelligentSearchStatistics.h"
#include "filesystems/ext2/CEXT2SearchController.h"
#include "filesystems/fat/CFATSearchController.h"
#include "filesystems/ntfs/CNTFSSearchController.h"
#include "filesystems/partitions/CIntelligentSearchController.h"
#include "filesystems/tree/CRawFileList.h"
#include "platform/Log.h"
#include "raw/CRAWSearchController.h"

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <cstring>
#include <memory>
#include <random>
#include <vector>

namespace {

constexpr uint64_t kBytes = 1ull << 30;

// Reads are memory copies; safe from two threads (the read-ahead thread and the scanners).
class MemoryDisk : public IStorageDevice {
public:
    explicit MemoryDisk(std::vector<uint8_t> bytes) : m_bytes(std::move(bytes)) {}
    bool ReadSectors(void* buffer, uint64_t first, uint64_t count) override
    {
        if (first > m_bytes.size() / 512 || count > m_bytes.size() / 512 - first) return false;
        std::memcpy(buffer, m_bytes.data() + first * 512, size_t(count) * 512);
        return true;
    }
    uint64_t GetSectorCount() override { return m_bytes.size() / 512; }
    int32_t GetSectorSize() override { return 512; }
    bool Open() override { return true; }
    bool Close() override { return true; }

private:
    std::vector<uint8_t> m_bytes;
};

void Put(std::vector<uint8_t>& disk, uint64_t sector, size_t offset, const void* bytes, size_t n)
{
    std::memcpy(disk.data() + sector * 512 + offset, bytes, n);
}

MemoryDisk& Disk()
{
    static MemoryDisk* disk = [] {
        std::vector<uint8_t> bytes(kBytes);
        std::mt19937_64 random(7);
        for (size_t i = 0; i < bytes.size(); i += 8) {
            const uint64_t v = random();
            std::memcpy(bytes.data() + i, &v, 8);
        }
        const char text[] = "The quick brown fox jumps over the lazy dog. ";
        const uint8_t jpeg[] = {0xFF, 0xD8, 0xFF, 0xE0, 0x00, 0x10, 'J', 'F', 'I', 'F', 0x00};
        // A directory sector: "." and ".." then short entries with a valid date.
        uint8_t dir[512] = {};
        for (int i = 0; i < 16; ++i) {
            uint8_t* e = dir + i * 32;
            std::memset(e, ' ', 11);
            if (i < 2) {
                std::memset(e, '.', size_t(i + 1));
                e[11] = 0x10;
            } else {
                std::memcpy(e, "FILE", 4);
                e[4] = uint8_t('A' + i);
                std::memcpy(e + 8, "JPG", 3);
                e[11] = 0x20;
                e[26] = uint8_t(100 + i);
                e[28] = 0x10;
            }
            e[24] = 0x21;
            e[25] = 0x52; // 2021-01-01
        }
        for (uint64_t s = 0; s < kBytes / 512; s += 64) {
            for (size_t at = 0; at + sizeof text <= 512; at += sizeof text - 1)
                Put(bytes, s, at, text, sizeof text - 1);
            Put(bytes, s + 17, 0, jpeg, sizeof jpeg);
            if (s % 4096 == 0) {
                dir[26] = uint8_t(s >> 12);
                dir[27] = uint8_t(s >> 20);
                Put(bytes, s + 33, 0, dir, 512);
            }
        }
        return new MemoryDisk(std::move(bytes));
    }();
    return *disk;
}

// The image named by SALVIX_BENCH_IMAGE (read through the page cache), else the synthetic disk.
IStorageDevice& Source()
{
    static IStorageDevice* source = []() -> IStorageDevice* {
        const char* path = std::getenv("SALVIX_BENCH_IMAGE");
        if (!path || !*path) return &Disk();
        return new CImageFileDevice(path);
    }();
    return *source;
}

template <bool Parallel, class... Scanners>
void Search(benchmark::State& state)
{
    IStorageDevice& disk = Source();
    for (auto _ : state) {
        CRawFileList hits;
        std::vector<std::unique_ptr<IFileSystemSearchController>> scanners;
        (scanners.push_back(std::make_unique<Scanners>()), ...);
        CIntelligentSearchController search;
        search.SetDevice(&disk);
        search.SetStartSector(0);
        search.SetParallelScanners(Parallel);
        for (auto& s : scanners) {
            s->SetRawFileList(&hits);
            search.AddController(s.get());
        }
        search.Run(nullptr);
        CSearchedPartitionList found;
        for (auto& s : scanners) s->GetSearchedPartitions(found);
        for (CSearchedPartitionInfo* p : found) DeleteSearchedPartitionInfo(p);
        benchmark::DoNotOptimize(hits.GetCount());
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(disk.GetSectorCount() * 512));
}

// The cache and the block loop alone.
void BM_SearchNoScanners(benchmark::State& state)
{
    Search<false>(state);
}
void BM_SearchFAT(benchmark::State& state)
{
    Search<false, CFATSearchController>(state);
}
void BM_SearchRAW(benchmark::State& state)
{
    Search<false, CRAWSearchController>(state);
}
void BM_SearchNTFS(benchmark::State& state)
{
    Search<false, CNTFSSearchController>(state);
}
void BM_SearchEXT2(benchmark::State& state)
{
    Search<false, CEXT2SearchController>(state);
}
// Every scanner of format recovery, one after another and side by side.
void BM_SearchAllScanners(benchmark::State& state)
{
    Search<false, CFATSearchController, CNTFSSearchController, CEXT2SearchController, CRAWSearchController>(state);
}
void BM_SearchAllScannersParallel(benchmark::State& state)
{
    Search<true, CFATSearchController, CNTFSSearchController, CEXT2SearchController, CRAWSearchController>(state);
}

} // namespace

int main(int argc, char** argv)
{
    InitLog("", LOGLEVEL_NORMAL, LOGTYPE_STANDALONE);
    benchmark::Initialize(&argc, argv);
    for (auto [name, fn] :
         {std::pair{"SearchNoScanners", &BM_SearchNoScanners}, std::pair{"SearchFAT", &BM_SearchFAT},
          std::pair{"SearchRAW", &BM_SearchRAW}, std::pair{"SearchNTFS", &BM_SearchNTFS},
          std::pair{"SearchEXT2", &BM_SearchEXT2}, std::pair{"SearchAllScanners", &BM_SearchAllScanners},
          std::pair{"SearchAllScannersParallel", &BM_SearchAllScannersParallel}})
        benchmark::RegisterBenchmark(name, fn)->Iterations(2)->Unit(benchmark::kMillisecond)->UseRealTime();
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
