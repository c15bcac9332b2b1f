// Throughput of offering every sector of a 4 MiB block to the analysers of a full scan list (all 73 RAW types),
// through the first-byte sector matcher and, for comparison, by asking every analyser in turn.
#include "core/bytes/ByteReader.h"
#include "filesystems/tree/CRawFileInfo.h"
#include "raw/RawAnalyserFactory.h"
#include "raw/RawSectorMatcher.h"
#include "raw/tests/RawTestSectors.h"

#include <benchmark/benchmark.h>

#include <random>

namespace {

constexpr size_t kBlockBytes = 4 << 20;
constexpr size_t kSectorBytes = 512;

// Stands in for an analyser class: the same signature test that class's IsMatch runs.
class SignatureAnalyser : public IRawFileAnalyser {
public:
    SignatureAnalyser(int type, RawSignature signature) : IRawFileAnalyser(type, signature) {}
    int IsMatch(const uint8_t* sector, CRawFileInfo* hit) override
    {
        return MatchRawSignature(m_signature, sector, hit);
    }
};

// The list a scan of all 73 types builds: built classes as they are, the others by their signature.
const RawAnalyserList& FullScanList()
{
    static RawAnalyserList list;
    if (list.Empty()) {
        for (int id = 1; id <= 73; ++id)
            for (RawAnalyserClass cls : GetRawAnalyserClassesForType(id)) {
                if (auto analyser = CreateRawAnalyserOfClass(cls))
                    list.Append(std::move(analyser));
                else
                    list.Append(std::make_unique<SignatureAnalyser>(id, RawSignature(size_t(cls) + 1)));
            }
    }
    return list;
}

enum Fill { kRandom, kZeros, kNearSignatures };

std::vector<uint8_t> MakeBlock(Fill fill)
{
    std::vector<uint8_t> block(kBlockBytes);
    std::mt19937_64 random(11);
    if (fill != kZeros)
        for (size_t i = 0; i < block.size(); i += 8) {
            const uint64_t v = random();
            std::memcpy(block.data() + i, &v, 8);
        }
    if (fill == kNearSignatures) {
        // Every sector starts like a real header of some format and then differs in one byte of its first 16.
        using namespace rawtest;
        std::vector<Sector> heads;
        auto add = [&](auto build) {
            Sector s{};
            build(s);
            heads.push_back(s);
        };
        add(Make3ds), add(MakeAsf), add(MakeAu), add(MakeBmp), add(MakeCab), add(MakeChm), add(MakeCrw);
        add(MakeDbx), add(MakeEmf), add(MakeEps), add(MakeFh11), add(MakeHlp), add(MakeIco), add(MakeMid);
        add(MakeOle), add(MakeOne), add(MakePst), add([](Sector& s) { MakeTtf(s); }), add(MakeWmf);
        add([](Sector& s) { MakeRiff(s, "WAVEfmt "); }), add([](Sector& s) { Be32(s, 0, 20), Put(s, 4, "ftypisom"); });
        add([](Sector& s) { Put(s, 0, "<!-- comment without the tag -->"); });
        add([](Sector& s) { Bytes(s, 0, {0xFF, 0xD8, 0xFF, 0xE0}), Put(s, 6, "JFIF"); });
        add([](Sector& s) { Put(s, 0, "%PDF-1.4"); }), add([](Sector& s) { Put(s, 0, "PK\x03\x04"); });
        for (size_t at = 0, n = 0; at < block.size(); at += kSectorBytes, ++n) {
            Sector s = heads[n % heads.size()];
            s[1 + (n / heads.size()) % 15] ^= 0x40;
            std::memcpy(block.data() + at, s.data(), 64);
        }
    }
    return block;
}

void Run(benchmark::State& state, bool dispatch)
{
    const std::vector<uint8_t> block = MakeBlock(Fill(state.range(0)));
    const RawAnalyserList& list = FullScanList();
    const RawSectorMatcher matcher(list);
    CRawFileInfo spare;
    size_t hits = 0;
    for (auto _ : state) {
        for (size_t at = 0; at < block.size(); at += kSectorBytes) {
            const uint8_t* sector = block.data() + at;
            IRawFileAnalyser* found = nullptr;
            if (dispatch) {
                found = matcher.Match(sector, &spare);
            } else if (bytes::LoadU32le(sector) != 0) {
                for (size_t i = 0; i < list.Size() && !found; ++i)
                    if (list.At(i)->IsMatch(sector, &spare)) found = list.At(i);
            }
            hits += found != nullptr;
        }
        benchmark::DoNotOptimize(hits);
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(block.size()));
    state.counters["hits_per_block"] = double(hits) / double(state.iterations());
    state.SetLabel(state.range(0) == kRandom ? "random" : state.range(0) == kZeros ? "zeros" : "near-signatures");
}

void BM_RawMatcher(benchmark::State& state)
{
    Run(state, true);
}
void BM_RawListInOrder(benchmark::State& state)
{
    Run(state, false);
}

BENCHMARK(BM_RawMatcher)->Arg(kRandom)->Arg(kZeros)->Arg(kNearSignatures)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_RawListInOrder)->Arg(kRandom)->Arg(kZeros)->Arg(kNearSignatures)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
