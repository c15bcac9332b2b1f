// Disk imaging of a 1 GiB source made at run time (mixed content: random, text, zeros, structured binary)
// with zlib at the wizard's levels, against `pigz -p1` at the same level and `ewfacquire` (deflate) on the same
// file; then random 4 KiB reads and sequential 4 MiB reads through the image device against the raw source.
// Counters: MB/s of source data, the stored size as a share of the source, and rates relative to the peer.
#include "core/devices/CImageFileDevice.h"
#include "storage/diskimage/CCompressController.h"
#include "storage/diskimage/CImageFileDeviceWithDecompress.h"

#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <functional>
#include <map>
#include <random>
#include <string>
#include <unistd.h>
#include <vector>

namespace fs = std::filesystem;

namespace {

constexpr uint64_t kSourceBytes = 1ull << 30;
fs::path g_folder;
fs::path g_source;
std::map<std::string, double> g_rate; // MB/s by run name, for the ratios

bool MakeSource()
{
    const char* base = std::getenv("SALVIX_BENCH_DIR");
    if (!base) base = std::getenv("TMPDIR");
    std::string folder = (fs::path(base ? base : "/var/tmp") / "salvix-diskimage-XXXXXX").string();
    if (!::mkdtemp(folder.data())) return false;
    g_folder = folder;
    g_source = g_folder / "source.bin";
    FILE* out = std::fopen(g_source.c_str(), "wb");
    if (!out) return false;
    static const char* const kWords[] = {"recovery ", "sector ",    "cluster ", "folder\r\n",   "the ", "of ",
                                         "deleted ",  "partition ", "0x1F3A ",  "report.docx ", "<td>", "</td>\n"};
    std::mt19937_64 gen(42);
    std::vector<unsigned char> chunk(1 << 20);
    for (uint64_t done = 0; done < kSourceBytes; done += chunk.size()) {
        // The kind of each MiB: 3 of 10 random (media, archives), 3 text, 2 zeros, 2 structured binary.
        const unsigned kind = unsigned(gen() % 10);
        if (kind < 3) {
            for (size_t i = 0; i < chunk.size(); i += 8) {
                const uint64_t v = gen();
                std::memcpy(&chunk[i], &v, 8);
            }
        } else if (kind < 6) {
            for (size_t i = 0; i < chunk.size();) {
                const char* w = kWords[gen() % 12];
                for (; *w && i < chunk.size(); ++w) chunk[i++] = static_cast<unsigned char>(*w);
            }
        } else if (kind < 8) {
            std::fill(chunk.begin(), chunk.end(), 0);
        } else {
            uint32_t value = uint32_t(gen());
            for (size_t i = 0; i < chunk.size(); i += 16) {
                value += 1 + uint32_t(gen() % 4);
                const uint32_t words[4] = {value, value ^ 0xFFFF, uint32_t(i), uint32_t(gen() % 256)};
                std::memcpy(&chunk[i], words, 16);
            }
        }
        if (std::fwrite(chunk.data(), 1, chunk.size(), out) != chunk.size()) {
            std::fclose(out);
            return false;
        }
    }
    std::fclose(out);
    return true;
}

uint64_t SizeOfFiles(const fs::path& folder, const std::string& prefix)
{
    uint64_t total = 0;
    for (const auto& entry : fs::directory_iterator(folder))
        if (entry.path().filename().string().rfind(prefix, 0) == 0) total += entry.file_size();
    return total;
}

void Report(benchmark::State& state, const std::string& name, double seconds, uint64_t storedBytes, const char* peer)
{
    const double rate = double(kSourceBytes) / seconds / 1e6;
    g_rate[name] = rate;
    state.SetIterationTime(seconds);
    state.counters["MB/s"] = rate;
    state.counters["stored%"] = 100.0 * double(storedBytes) / double(kSourceBytes);
    if (peer && g_rate.count(peer)) state.counters[std::string("vs_") + peer] = rate / g_rate[peer];
}

template <typename Run>
double Timed(Run&& run)
{
    const auto start = std::chrono::steady_clock::now();
    run();
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

void BM_Pigz(benchmark::State& state, int level)
{
    const fs::path out = g_folder / ("pigz" + std::to_string(level) + ".gz");
    const std::string cmd =
        "pigz -p1 -" + std::to_string(level) + " -c '" + g_source.string() + "' > '" + out.string() + "'";
    for (auto _ : state) {
        int status = 0;
        const double seconds = Timed([&] { status = std::system(cmd.c_str()); });
        if (status != 0) {
            state.SkipWithError("pigz failed");
            return;
        }
        Report(state, "pigz" + std::to_string(level), seconds, fs::file_size(out), nullptr);
        fs::remove(out);
    }
}

void BM_Ewfacquire(benchmark::State& state, const char* level)
{
    const fs::path target = g_folder / (std::string("ewf_") + level);
    // Chunks of 256 sectors, as the image's blocks; one segment file; no questions asked.
    const std::string cmd = std::string("ewfacquire -u -q -c deflate:") + level + " -b 256 -S 7GiB -t '" +
                            target.string() + "' '" + g_source.string() + "' > /dev/null 2>&1";
    for (auto _ : state) {
        int status = 0;
        const double seconds = Timed([&] { status = std::system(cmd.c_str()); });
        if (status != 0) {
            state.SkipWithError("ewfacquire failed");
            return;
        }
        Report(state, std::string("ewf_") + level, seconds, SizeOfFiles(g_folder, std::string("ewf_") + level),
               nullptr);
        for (const auto& entry : fs::directory_iterator(g_folder))
            if (entry.path().filename().string().rfind("ewf_", 0) == 0) fs::remove(entry.path());
    }
}

// Images the source with zlib at the given level (-1: the library's default, the wizard's simple mode).
void BM_SalvixImage(benchmark::State& state, int level, const char* peer, const char* peer2)
{
    const std::string name = "img" + std::to_string(level);
    const fs::path path = g_folder / (name + ".kxi");
    CImageFileDevice source(g_source.string());
    for (auto _ : state) {
        CCompressController writer;
        writer.SetSource(&source, "bench source", 0, source.GetSectorCount(), 255);
        writer.SetCompression(2, level, 0);
        writer.SetImagePath(path.c_str());
        int result = 0;
        const double seconds = Timed([&] { result = writer.Compress(nullptr); });
        if (result != 1) {
            state.SkipWithError(writer.GetErrorText().c_str());
            return;
        }
        Report(state, name, seconds, SizeOfFiles(g_folder, name + "."), peer);
        if (peer2 && g_rate.count(peer2)) state.counters[std::string("vs_") + peer2] = g_rate[name] / g_rate[peer2];
    }
}

constexpr int kRandomReads = 20000;

void BM_RandomReads(benchmark::State& state, bool image)
{
    std::unique_ptr<IStorageDevice> device;
    if (image)
        device = std::make_unique<CImageFileDeviceWithDecompress>((g_folder / "img-1.kxi").string());
    else
        device = std::make_unique<CImageFileDevice>(g_source.string());
    const uint64_t pages = kSourceBytes / 4096;
    std::vector<unsigned char> buffer(4096);
    for (auto _ : state) {
        std::mt19937_64 gen(9);
        bool ok = true;
        const double seconds = Timed([&] {
            for (int i = 0; i < kRandomReads; ++i)
                ok = device->ReadSectors(buffer.data(), (gen() % pages) * 8, 8) && ok;
        });
        benchmark::DoNotOptimize(buffer.data());
        if (!ok) {
            state.SkipWithError("read failed");
            return;
        }
        const double rate = double(kRandomReads) * 4096 / seconds / 1e6;
        state.SetIterationTime(seconds);
        state.counters["MB/s"] = rate;
        state.counters["reads/s"] = double(kRandomReads) / seconds;
        const std::string name = image ? "random_image" : "random_raw";
        g_rate[name] = rate;
        if (image && g_rate.count("random_raw")) state.counters["vs_raw"] = rate / g_rate["random_raw"];
    }
}

void BM_SequentialReads(benchmark::State& state, bool image)
{
    std::unique_ptr<IStorageDevice> device;
    if (image)
        device = std::make_unique<CImageFileDeviceWithDecompress>((g_folder / "img-1.kxi").string());
    else
        device = std::make_unique<CImageFileDevice>(g_source.string());
    const uint64_t count = kSourceBytes / 512;
    constexpr uint64_t kRun = 8192;
    std::vector<unsigned char> buffer(kRun * 512);
    for (auto _ : state) {
        bool ok = true;
        const double seconds = Timed([&] {
            for (uint64_t s = 0; s < count; s += kRun) ok = device->ReadSectors(buffer.data(), s, kRun) && ok;
        });
        benchmark::DoNotOptimize(buffer.data());
        if (!ok) {
            state.SkipWithError("read failed");
            return;
        }
        const double rate = double(kSourceBytes) / seconds / 1e6;
        state.SetIterationTime(seconds);
        state.counters["MB/s"] = rate;
        const std::string name = image ? "seq_image" : "seq_raw";
        g_rate[name] = rate;
        if (image && g_rate.count("seq_raw")) state.counters["vs_raw"] = rate / g_rate["seq_raw"];
    }
}

void Register(const char* name, std::function<void(benchmark::State&)> fn)
{
    benchmark::RegisterBenchmark(name, fn)->Iterations(1)->UseManualTime()->Unit(benchmark::kMillisecond);
}

} // namespace

int main(int argc, char** argv)
{
    benchmark::Initialize(&argc, argv);
    if (!MakeSource()) {
        std::fprintf(stderr, "bench_diskimage: cannot make the 1 GiB source\n");
        return 1;
    }
    // Peers run first so that the image runs can report their ratio to them.
    Register("Pigz_p1/level6", [](benchmark::State& s) { BM_Pigz(s, 6); });
    Register("SalvixImage/zlib_default", [](benchmark::State& s) { BM_SalvixImage(s, -1, "pigz6", nullptr); });
    Register("Pigz_p1/level1", [](benchmark::State& s) { BM_Pigz(s, 1); });
    Register("Ewfacquire/deflate_fast", [](benchmark::State& s) { BM_Ewfacquire(s, "fast"); });
    Register("SalvixImage/zlib_level1", [](benchmark::State& s) { BM_SalvixImage(s, 1, "pigz1", "ewf_fast"); });
    Register("RandomRead4K/raw_source", [](benchmark::State& s) { BM_RandomReads(s, false); });
    Register("RandomRead4K/image_device", [](benchmark::State& s) { BM_RandomReads(s, true); });
    Register("SequentialRead4M/raw_source", [](benchmark::State& s) { BM_SequentialReads(s, false); });
    Register("SequentialRead4M/image_device", [](benchmark::State& s) { BM_SequentialReads(s, true); });
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    fs::remove_all(g_folder);
    return 0;
}
