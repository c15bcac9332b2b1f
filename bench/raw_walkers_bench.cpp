// Throughput of the byte walkers of the RAW analysers over 50 MB in which their marker never occurs: the HTML
// and DXF end-marker walks, the PDF end-of-file search and the DWG sentinel search, over bytes in memory and
// through the sector reader over an in-memory device (64 KiB blocks copied as from a disk).
#include "filesystems/tree/CRawFileInfo.h"
#include "raw/FileDWGAnalyser.h"
#include "raw/FileDXFAnalyser.h"
#include "raw/FileHTMAnalyser.h"
#include "raw/FilePDFAnalyser.h"
#include "raw/RawAnalyserGlue.h"
#include "raw/RawSectorReader.h"
#include "tests/support/MemoryDevice.h"

#include <benchmark/benchmark.h>

#include <random>
#include <vector>

namespace {

constexpr size_t kBytes = 50000000;

// Text-like bytes (letters, digits, blanks, line ends) without the given bytes, with the file's header.
std::vector<uint8_t> Data(const char* header, std::initializer_list<uint8_t> avoid)
{
    std::vector<uint8_t> b(kBytes);
    std::mt19937 rng(1);
    static const char kAlphabet[] = "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789 \r\n/<>=\"%";
    for (auto& v : b) {
        do {
            v = static_cast<uint8_t>(kAlphabet[rng() % (sizeof kAlphabet - 1)]);
        } while (std::find(avoid.begin(), avoid.end(), v) != avoid.end());
    }
    for (size_t i = 0; header[i]; ++i) b[i] = static_cast<uint8_t>(header[i]);
    return b;
}

// The same bytes as random binary data without the given bytes (drawings, images).
std::vector<uint8_t> Binary(const char* header, std::initializer_list<uint8_t> avoid)
{
    std::vector<uint8_t> b(kBytes);
    std::mt19937 rng(2);
    for (auto& v : b) {
        do {
            v = static_cast<uint8_t>(rng());
        } while (std::find(avoid.begin(), avoid.end(), v) != avoid.end());
    }
    for (size_t i = 0; header[i]; ++i) b[i] = static_cast<uint8_t>(header[i]);
    return b;
}

void RunMemory(benchmark::State& state, const std::vector<uint8_t>& data, SpanWalkFunction walk)
{
    SpanWalkLimits limits;
    limits.maxFileSize = kBytes * 2;
    limits.deviceBytes = data.size();
    for (auto _ : state) {
        MemorySpanSource source(data);
        benchmark::DoNotOptimize(walk(source, limits));
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(data.size()));
}

void RunReader(benchmark::State& state, const std::vector<uint8_t>& data, SpanWalkFunction walk)
{
    testsupport::MemoryDevice device(data);
    SpanWalkLimits limits;
    limits.maxFileSize = kBytes * 2;
    limits.deviceBytes = device.GetSectorCount() * 512;
    for (auto _ : state) {
        RawSectorReader reader(&device, 0);
        ReaderSpanSource source(reader);
        benchmark::DoNotOptimize(walk(source, limits));
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(data.size()));
}

// An HTML page without its closing tag; the marker's own 1 MiB limit lifted for the measurement.
SpanWalkResult HtmlUnlimited(SpanSource& source, const SpanWalkLimits& limits)
{
    TextMarker m = FileHTMAnalyser::Marker();
    m.limit = 0;
    return WalkTextMarker(source, m, limits);
}

// Markup full of '<' but never "</".
const std::vector<uint8_t>& HtmlData()
{
    static const auto d = Data("<HTML>", {'/'});
    return d;
}
// Text full of 'e' and 'E', the first byte of the DXF marker: the worst case of the two-byte search.
const std::vector<uint8_t>& DxfData()
{
    static const auto d = Data("  0\r\nSECTION\r\n  2\r\nHEADER\r\n", {});
    return d;
}
const std::vector<uint8_t>& PdfData()
{
    static const auto d = Data("%PDF-1.4\n", {'%'});
    return d;
}
const std::vector<uint8_t>& DwgData()
{
    static auto d = [] {
        auto b = Binary("AC1018", {0x68});
        b[6] = b[7] = 0;
        const uint8_t sentinel[16] = {0x68, 0x40, 0xF8, 0xF7, 0x92, 0x2A, 0xB5, 0xEF,
                                      0x18, 0xDD, 0x0B, 0xF1, 0xF1, 0xBB, 0xE9, 0xEB};
        std::copy(sentinel, sentinel + 16, b.begin() + 128);
        return b;
    }();
    return d;
}

void BM_HtmlMarker_Memory(benchmark::State& s)
{
    RunMemory(s, HtmlData(), HtmlUnlimited);
}
void BM_HtmlMarker_Reader(benchmark::State& s)
{
    RunReader(s, HtmlData(), HtmlUnlimited);
}
void BM_DxfMarker_Memory(benchmark::State& s)
{
    RunMemory(s, DxfData(), FileDXFAnalyser::Walk);
}
void BM_DxfMarker_Reader(benchmark::State& s)
{
    RunReader(s, DxfData(), FileDXFAnalyser::Walk);
}
void BM_Pdf_Memory(benchmark::State& s)
{
    RunMemory(s, PdfData(), FilePDFAnalyser::Walk);
}
void BM_Pdf_Reader(benchmark::State& s)
{
    RunReader(s, PdfData(), FilePDFAnalyser::Walk);
}
void BM_DwgSentinel_Memory(benchmark::State& s)
{
    RunMemory(s, DwgData(), FileDWGAnalyser::Walk);
}
void BM_DwgSentinel_Reader(benchmark::State& s)
{
    RunReader(s, DwgData(), FileDWGAnalyser::Walk);
}

} // namespace

BENCHMARK(BM_HtmlMarker_Memory)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_HtmlMarker_Reader)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_DxfMarker_Memory)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_DxfMarker_Reader)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Pdf_Memory)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Pdf_Reader)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_DwgSentinel_Memory)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_DwgSentinel_Reader)->Unit(benchmark::kMillisecond);
BENCHMARK_MAIN();
