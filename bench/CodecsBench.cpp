// Each codec against its library's command-line tool at the same settings on the same 8 MiB of mixed
// data (text, machine code, tables, zeros, random bytes), compressing and decompressing one whole stream;
// also the 128 KiB blocks of a disk image, and the recovery-state stream writing and reading small
// fields. The tools run in a shell with their output to /dev/null; vs_tool is our rate over the tool's.
#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "storage/codecs/CodecBlock.h"
#include "storage/codecs/ICompressor.h"
#include "storage/codecs/IDecompressor.h"
#include "storage/recoverystate/CRSDataEx.h"

namespace fs = std::filesystem;

namespace {

constexpr size_t kCorpusBytes = 8u << 20;
constexpr int kLzmaDictionary = 8 << 20;

struct Codec {
    int kind;
    int level;
    const char* name;
    const char* compressTool;   // reads the corpus file, writes to stdout
    const char* decompressTool; // reads the tool's own file, writes to stdout
    const char* suffix;
};

// The same settings on both sides: zlib level 5 as gzip -5 (gzip adds only its small header and CRC);
// bzip2 900 k blocks; LZMA with an 8 MiB dictionary, 64 fast bytes, normal mode, bt4 and lc3 lp0 pb2.
const Codec kCodecs[] = {
    {COMPRESSION_ZLIB, 5, "zlib", "gzip -5 -c", "gzip -d -c", ".gz"},
    {COMPRESSION_BZIP2, 9, "bzip2", "bzip2 -9 -c", "bzip2 -d -c", ".bz2"},
    {COMPRESSION_LZMA, 5, "lzma", "xz --format=lzma --lzma1=dict=8MiB,lc=3,lp=0,pb=2,mode=normal,nice=64,mf=bt4 -c",
     "xz --format=lzma -d -c", ".lzma"},
};

std::vector<uint8_t> g_corpus;
fs::path g_folder;
std::map<std::string, double> g_toolRate; // bytes per second by "codec/direction"

std::vector<uint8_t> MakeCorpus()
{
    std::vector<uint8_t> out;
    out.reserve(kCorpusBytes);
    std::mt19937 gen(42);
    static const char* const words[] = {"the",     "of",  "and",  "recovery", "partition", "sector",  "file", "folder",
                                        "cluster", "a",   "to",   "in",       "is",        "deleted", "NTFS", "data",
                                        "image",   "for", "with", "table",    "entry",     "record"};
    // Text with a skewed word choice, so that it compresses like prose.
    std::string text;
    while (text.size() < kCorpusBytes * 3 / 8) {
        text += words[std::min<size_t>(gen() % 22, gen() % 22)];
        text += gen() % 12 == 0 ? ".\n" : " ";
    }
    out.insert(out.end(), text.begin(), text.end());
    // Machine code: this program's own bytes, repeated as needed.
    std::ifstream self("/proc/self/exe", std::ios::binary);
    const std::vector<uint8_t> code((std::istreambuf_iterator<char>(self)), std::istreambuf_iterator<char>());
    for (size_t n = 0; n < kCorpusBytes / 4 && !code.empty(); n += code.size())
        out.insert(out.end(), code.begin(), code.begin() + std::min(code.size(), kCorpusBytes / 4 - n));
    // Tables of little-endian records with slowly changing fields.
    for (uint32_t i = 0; out.size() < kCorpusBytes * 7 / 8; ++i) {
        const uint32_t fields[4] = {i, i * 8 + 2048, 0x10 | (i % 3), uint32_t(gen() % 4096)};
        const auto* b = reinterpret_cast<const uint8_t*>(fields);
        out.insert(out.end(), b, b + sizeof fields);
    }
    out.resize(out.size() + kCorpusBytes / 16, 0);
    while (out.size() < kCorpusBytes) out.push_back(uint8_t(gen()));
    return out;
}

bool Prepare()
{
    g_corpus = MakeCorpus();
    const char* base = std::getenv("SALVIX_BENCH_DIR");
    if (!base) base = std::getenv("TMPDIR");
    std::string folder = (fs::path(base ? base : "/var/tmp") / "salvix-codecs-XXXXXX").string();
    if (!::mkdtemp(folder.data())) return false;
    g_folder = folder;
    std::ofstream f(g_folder / "corpus", std::ios::binary);
    f.write(reinterpret_cast<const char*>(g_corpus.data()), std::streamsize(g_corpus.size()));
    f.close();
    for (const Codec& c : kCodecs) {
        const std::string cmd = std::string(c.compressTool) + " '" + (g_folder / "corpus").string() + "' > '" +
                                (g_folder / (std::string("corpus") + c.suffix)).string() + "'";
        if (std::system(cmd.c_str()) != 0) return false;
    }
    return true;
}

double RunShell(const std::string& cmd)
{
    const auto start = std::chrono::steady_clock::now();
    const int rc = std::system(cmd.c_str());
    const std::chrono::duration<double> took = std::chrono::steady_clock::now() - start;
    return rc == 0 ? took.count() : -1;
}

void BM_Tool(benchmark::State& state, const Codec* c, bool compress)
{
    const std::string input = (g_folder / (compress ? "corpus" : std::string("corpus") + c->suffix)).string();
    const std::string cmd =
        std::string(compress ? c->compressTool : c->decompressTool) + " '" + input + "' > /dev/null";
    double total = 0;
    for (auto _ : state) {
        const double seconds = RunShell(cmd);
        if (seconds < 0) {
            state.SkipWithError("tool failed");
            return;
        }
        state.SetIterationTime(seconds);
        total += seconds;
    }
    state.SetBytesProcessed(int64_t(state.iterations() * g_corpus.size()));
    if (compress)
        state.counters["ratio"] =
            double(fs::file_size(g_folder / (std::string("corpus") + c->suffix))) / double(g_corpus.size());
    g_toolRate[std::string(c->name) + (compress ? "/c" : "/d")] = double(state.iterations() * g_corpus.size()) / total;
}

void ReportVsTool(benchmark::State& state, const Codec* c, bool compress, double seconds)
{
    const double rate = double(state.iterations() * g_corpus.size()) / seconds;
    state.SetBytesProcessed(int64_t(state.iterations() * g_corpus.size()));
    const auto it = g_toolRate.find(std::string(c->name) + (compress ? "/c" : "/d"));
    if (it != g_toolRate.end()) state.counters["vs_tool"] = rate / it->second;
}

void BM_Compress(benchmark::State& state, const Codec* c)
{
    std::unique_ptr<ICompressor> compressor(CreateCompressor(c->kind));
    std::vector<uint8_t> out(g_corpus.size() + g_corpus.size() / 8 + 4096);
    int produced = 0;
    double total = 0;
    for (auto _ : state) {
        const auto start = std::chrono::steady_clock::now();
        produced = CompressBlock(*compressor, g_corpus.data(), int(g_corpus.size()), out.data(), int(out.size()),
                                 c->level, kLzmaDictionary);
        const std::chrono::duration<double> took = std::chrono::steady_clock::now() - start;
        state.SetIterationTime(took.count());
        total += took.count();
    }
    if (produced <= 0) state.SkipWithError("compression failed");
    state.counters["ratio"] = double(produced) / double(g_corpus.size());
    ReportVsTool(state, c, true, total);
}

void BM_Decompress(benchmark::State& state, const Codec* c)
{
    std::unique_ptr<ICompressor> compressor(CreateCompressor(c->kind));
    std::vector<uint8_t> packed(g_corpus.size() + g_corpus.size() / 8 + 4096);
    const int n = CompressBlock(*compressor, g_corpus.data(), int(g_corpus.size()), packed.data(), int(packed.size()),
                                c->level, kLzmaDictionary);
    std::unique_ptr<IDecompressor> decompressor(CreateDecompressor(c->kind));
    std::vector<uint8_t> out(g_corpus.size());
    double total = 0;
    int got = 0;
    for (auto _ : state) {
        const auto start = std::chrono::steady_clock::now();
        got = DecompressBlock(*decompressor, packed.data(), n, out.data(), int(out.size()));
        const std::chrono::duration<double> took = std::chrono::steady_clock::now() - start;
        state.SetIterationTime(took.count());
        total += took.count();
    }
    if (got != int(g_corpus.size()) || out != g_corpus) state.SkipWithError("round trip failed");
    ReportVsTool(state, c, false, total);
}

// The disk-image way: 128 KiB blocks, each its own stream, into a buffer 0.2 % larger than the block.
void BM_CompressBlocks(benchmark::State& state, const Codec* c)
{
    constexpr size_t kBlock = 131072;
    std::unique_ptr<ICompressor> compressor(CreateCompressor(c->kind));
    std::vector<uint8_t> out(kBlock + kBlock * 2 / 1000);
    size_t stored = 0;
    for (auto _ : state) {
        stored = 0;
        for (size_t at = 0; at < g_corpus.size(); at += kBlock) {
            const int n = CompressBlock(*compressor, g_corpus.data() + at, int(kBlock), out.data(), int(out.size()),
                                        c->level, kLzmaDictionary);
            stored += n > 0 ? size_t(n) : kBlock;
        }
    }
    state.SetBytesProcessed(int64_t(state.iterations() * g_corpus.size()));
    state.counters["ratio"] = double(stored) / double(g_corpus.size());
}

// A recovery state of small fields: 4-byte writes into compressed pieces, then read back the same way.
void BM_RecoveryStateStream(benchmark::State& state, bool reading)
{
    const std::string path = (g_folder / "state.rdf").string();
    const auto* words = reinterpret_cast<const uint32_t*>(g_corpus.data());
    const size_t count = g_corpus.size() / 4;
    auto writeAll = [&] {
        CRSDataEx w(CRSData::kModeWrite);
        w.Open(path.c_str(), true);
        w.SetKind(1);
        w.BeginSection(kRSFileTreeGuid);
        for (size_t i = 0; i < count; ++i) w.Write(&words[i], 4);
        w.EndSection();
        w.Close();
    };
    if (reading) writeAll();
    for (auto _ : state) {
        if (!reading) {
            writeAll();
            continue;
        }
        CRSDataEx r(CRSData::kModeRead);
        r.Open(path.c_str(), false);
        r.BeginSection(kRSFileTreeGuid);
        uint32_t v = 0;
        for (size_t i = 0; i < count; ++i) r.Read(&v, 4);
        benchmark::DoNotOptimize(v);
        r.Close();
    }
    state.SetBytesProcessed(int64_t(state.iterations() * g_corpus.size()));
    state.counters["ratio"] = double(fs::file_size(path)) / double(g_corpus.size());
}

} // namespace

int main(int argc, char** argv)
{
    benchmark::Initialize(&argc, argv);
    if (!Prepare()) {
        std::fprintf(stderr, "bench_codecs: cannot prepare the corpus or run the tools\n");
        return 1;
    }
    for (const Codec& c : kCodecs) {
        const int iterations = c.kind == COMPRESSION_LZMA ? 2 : 5;
        const std::string n = c.name;
        benchmark::RegisterBenchmark((n + "/compress/tool").c_str(), BM_Tool, &c, true)
            ->UseManualTime()
            ->Iterations(iterations)
            ->Unit(benchmark::kMillisecond);
        benchmark::RegisterBenchmark((n + "/compress/ours").c_str(), BM_Compress, &c)
            ->UseManualTime()
            ->Iterations(iterations)
            ->Unit(benchmark::kMillisecond);
        benchmark::RegisterBenchmark((n + "/decompress/tool").c_str(), BM_Tool, &c, false)
            ->UseManualTime()
            ->Iterations(10)
            ->Unit(benchmark::kMillisecond);
        benchmark::RegisterBenchmark((n + "/decompress/ours").c_str(), BM_Decompress, &c)
            ->UseManualTime()
            ->Iterations(10)
            ->Unit(benchmark::kMillisecond);
        benchmark::RegisterBenchmark((n + "/compress/128KiB_blocks").c_str(), BM_CompressBlocks, &c)
            ->Iterations(iterations)
            ->Unit(benchmark::kMillisecond);
    }
    benchmark::RegisterBenchmark("recovery_state/write_4_byte_fields", BM_RecoveryStateStream, false)
        ->Iterations(3)
        ->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark("recovery_state/read_4_byte_fields", BM_RecoveryStateStream, true)
        ->Iterations(3)
        ->Unit(benchmark::kMillisecond);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    std::error_code ec;
    fs::remove_all(g_folder, ec);
    return 0;
}
