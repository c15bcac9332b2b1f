// Sequential read of a 1 GiB image made at run time (in SALVIX_BENCH_DIR, TMPDIR or /var/tmp, removed at
// the end): through CImageFileDevice in 4 MiB reads, through the read-ahead cache block by block (the
// consumer copying each block out, or reading it in place as the scanners do), and by `cat` and
// `dd bs=4M` for comparison. Each runs with the file in the page cache ("warm") and evicted first ("cold").
// The vs_cat and vs_dd counters are the rate relative to cat's and dd's in the same state.
#include "core/devices/CImageFileDevice.h"
#include "core/devices/CStorageDeviceWithCache.h"

#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <span>
#include <filesystem>
#include <string>
#include <utility>
#include <unistd.h>
#include <vector>

namespace fs = std::filesystem;

namespace {

constexpr uint64_t kImageBytes = 1ull << 30;
constexpr uint32_t kBlockSectors = 8192; // 4 MiB of 512-byte sectors
fs::path g_image;
double g_catRate[2] = {0, 0}; // bytes per second, warm and cold
double g_ddRate[2] = {0, 0};

bool MakeImage()
{
    const char* base = std::getenv("SALVIX_BENCH_DIR");
    if (!base) base = std::getenv("TMPDIR");
    std::string folder = (fs::path(base ? base : "/var/tmp") / "salvix-bench-XXXXXX").string();
    if (!::mkdtemp(folder.data())) return false;
    g_image = fs::path(folder) / "image.bin";
    FILE* out = std::fopen(g_image.c_str(), "wb");
    if (!out) return false;
    std::vector<unsigned char> chunk(4 << 20);
    for (uint64_t done = 0; done < kImageBytes; done += chunk.size()) {
        for (size_t i = 0; i < chunk.size(); i += 512) chunk[i] = static_cast<unsigned char>((done + i) >> 9);
        if (std::fwrite(chunk.data(), 1, chunk.size(), out) != chunk.size()) {
            std::fclose(out);
            return false;
        }
    }
    std::fflush(out);
    ::fsync(fileno(out));
    std::fclose(out);
    return true;
}

void Evict()
{
    const int fd = ::open(g_image.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd >= 0) {
        ::posix_fadvise(fd, 0, 0, POSIX_FADV_DONTNEED);
        ::close(fd);
    }
}

// Times one pass with the file in the wanted cache state; eviction happens outside the timed part.
template <typename Pass>
void Run(benchmark::State& state, Pass&& pass)
{
    const int cold = static_cast<int>(state.range(0));
    const int tool = static_cast<int>(state.range(1)); // 1 cat, 2 dd, 0 ours
    double seconds = 0;
    for (auto _ : state) {
        if (cold) Evict();
        const auto start = std::chrono::steady_clock::now();
        if (!pass()) {
            state.SkipWithError("read failed");
            return;
        }
        const double elapsed = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        state.SetIterationTime(elapsed);
        seconds += elapsed;
    }
    const double rate = static_cast<double>(state.iterations() * kImageBytes) / seconds;
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * kImageBytes));
    state.counters["MB/s"] = rate / 1e6;
    if (tool == 1)
        g_catRate[cold] = rate;
    else if (tool == 2)
        g_ddRate[cold] = rate;
    if (tool != 1 && g_catRate[cold] > 0) state.counters["vs_cat"] = rate / g_catRate[cold];
    if (tool == 0 && g_ddRate[cold] > 0) state.counters["vs_dd"] = rate / g_ddRate[cold];
}

void BM_Cat(benchmark::State& state)
{
    const std::string cmd = "cat '" + g_image.string() + "' > /dev/null";
    Run(state, [&] { return std::system(cmd.c_str()) == 0; });
}

void BM_Dd(benchmark::State& state)
{
    const std::string cmd = "dd if='" + g_image.string() + "' of=/dev/null bs=4M status=none";
    Run(state, [&] { return std::system(cmd.c_str()) == 0; });
}

void BM_ImageFileDevice(benchmark::State& state)
{
    CImageFileDevice dev(g_image.string());
    std::vector<unsigned char> buf(size_t(kBlockSectors) * 512);
    const uint64_t count = dev.GetSectorCount();
    Run(state, [&] {
        bool ok = count == kImageBytes / 512;
        for (uint64_t s = 0; s < count; s += kBlockSectors)
            ok = dev.ReadSectors(buf.data(), s, std::min<uint64_t>(kBlockSectors, count - s)) && ok;
        benchmark::DoNotOptimize(buf.data());
        return ok;
    });
}

void BM_ReadAheadCache(benchmark::State& state)
{
    CImageFileDevice dev(g_image.string());
    std::vector<unsigned char> buf(size_t(kBlockSectors) * 512);
    const uint64_t count = dev.GetSectorCount();
    Run(state, [&] {
        CStorageDeviceWithCache cache(&dev);
        bool ok = count == kImageBytes / 512 && cache.SetCacheBlockSize(kBlockSectors) && cache.StartCacheThread(0);
        // The consumer takes each block and reads it whole, as a scanner pass does.
        for (int64_t n = 0; ok && cache.IsValidBlockIndex(n); ++n) {
            const uint64_t first = uint64_t(n) * kBlockSectors;
            ok = cache.SetCurCacheBlock(n) && cache.GetCurrentBlock() == n &&
                 cache.ReadSectors(buf.data(), first, std::min<uint64_t>(kBlockSectors, count - first));
        }
        cache.StopCacheThread();
        benchmark::DoNotOptimize(buf.data());
        return ok;
    });
}

// The scanners' way: each block read where the read-ahead put it (one byte a page touched, as a scanner
// reading it would fault it in if it had not been).
void BM_ReadAheadInPlace(benchmark::State& state)
{
    CImageFileDevice dev(g_image.string());
    const uint64_t count = dev.GetSectorCount();
    Run(state, [&] {
        CStorageDeviceWithCache cache(&dev);
        bool ok = count == kImageBytes / 512 && cache.SetCacheBlockSize(kBlockSectors) && cache.StartCacheThread(0);
        unsigned sum = 0;
        for (int64_t n = 0; ok && cache.IsValidBlockIndex(n); ++n) {
            ok = cache.SetCurCacheBlock(n) && cache.GetCurrentBlock() == n;
            const std::span<const uint8_t> bytes = cache.GetCurrentBlockBytes();
            for (size_t i = 0; i < bytes.size(); i += 4096) sum += bytes[i];
        }
        cache.StopCacheThread();
        benchmark::DoNotOptimize(sum);
        return ok;
    });
}

} // namespace

int main(int argc, char** argv)
{
    benchmark::Initialize(&argc, argv);
    if (!MakeImage()) {
        std::fprintf(stderr, "bench_devices: cannot make the 1 GiB image\n");
        return 1;
    }
    for (int cold : {0, 1}) {
        const char* tag = cold ? "cold" : "warm";
        const std::pair<const char*, void (*)(benchmark::State&)> runs[] = {{"Cat", BM_Cat},
                                                                            {"Dd4M", BM_Dd},
                                                                            {"ImageFileDevice", BM_ImageFileDevice},
                                                                            {"ReadAheadCache", BM_ReadAheadCache},
                                                                            {"ReadAheadInPlace", BM_ReadAheadInPlace}};
        for (const auto& [name, fn] : runs)
            benchmark::RegisterBenchmark((std::string(name) + "/" + tag).c_str(), fn)
                ->Args({cold, fn == BM_Cat  ? 1
                              : fn == BM_Dd ? 2
                                            : 0})
                ->Iterations(3)
                ->UseManualTime()
                ->Unit(benchmark::kMillisecond);
    }
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    fs::remove_all(g_image.parent_path());
    return 0;
}
