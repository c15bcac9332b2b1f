// Damaged and random input through the text, image and media analysers: mutated fixtures, truncated files,
// random bytes behind each signature and unreadable sectors. Every walk ends, never reads outside the bytes it
// was given (the ASan build checks), and every size stays within the device.
#include "filesystems/tree/CRawFileInfo.h"
#include "raw/RawAnalyserFactory.h"
#include "raw/RawAnalyserList.h"
#include "raw/RawSectorMatcher.h"
#include "raw/tests/ByteBuiltFiles.h"
#include "tests/support/RawImageComposer.h"

#include <gtest/gtest.h>

#include <random>

using namespace walktest;

namespace {

using C = RawAnalyserClass;

const C kClasses[] = {C::FileASFAnalyser,  C::FileCPTAnalyser, C::FileDWGAnalyser,       C::FileDXFAnalyser,
                      C::FileFH11Analyser, C::FileGIFAnalyser, C::FileHTMAnalyser,       C::FileMDBAnalyser,
                      C::FileMIDAnalyser,  C::FilePDFAnalyser, C::FilePNGAnalyser,       C::FilePSDAnalyser,
                      C::FilePSPAnalyser,  C::FileRTFAnalyser, C::FileUnicodeHTMAnalyser};

struct Sample {
    std::string name;
    Bytes bytes;
};

std::vector<Sample> Samples()
{
    std::vector<Sample> out;
    for (const char* family : {"text", "graphics"})
        for (const auto& row : testsupport::ReadRawFixtureManifest(family))
            out.push_back({row.name, testsupport::ReadRawFixture(family, row.name)});
    for (BuiltFile& f : AllBuiltFiles()) out.push_back({f.name, std::move(f.bytes)});
    return out;
}

// Analyses the bytes (as a device of whole sectors) with an analyser of the class; checks the verdict and
// that the size is within the device.
void ExpectSane(C cls, const Bytes& bytes, testsupport::MemoryDevice* device = nullptr)
{
    std::unique_ptr<testsupport::MemoryDevice> own;
    if (!device) {
        own = std::make_unique<testsupport::MemoryDevice>(bytes);
        device = own.get();
    }
    auto analyser = CreateRawAnalyserOfClass(cls);
    ASSERT_NE(analyser, nullptr) << GetRawAnalyserClassName(cls);
    CRawFileInfo hit;
    const int result = analyser->Analyse(&hit, device);
    EXPECT_TRUE(result == 0 || result == 1);
    EXPECT_LE(hit.GetSize(), device->GetSectorCount() * 512) << GetRawAnalyserClassName(cls);
}

// The class that measures the sample (the first in the default list whose signature matches it).
C ClassOf(const Bytes& bytes)
{
    static RawAnalyserList list;
    if (list.Empty()) BuildAllRawAnalysers(list);
    const RawSectorMatcher matcher(list);
    Bytes sector = bytes;
    sector.resize(std::max<size_t>(sector.size(), 512), 0);
    CRawFileInfo hit;
    IRawFileAnalyser* a = matcher.Match(sector.data(), &hit);
    for (C c : kClasses)
        if (auto probe = CreateRawAnalyserOfClass(c); a && probe && typeid(*probe) == typeid(*a)) return c;
    ADD_FAILURE() << "no analyser of these formats matches";
    return C::FilePDFAnalyser;
}

} // namespace

TEST(TextImageRobustness, MutatedAndTruncatedFiles)
{
    std::mt19937 rng(2026);
    for (const Sample& s : Samples()) {
        SCOPED_TRACE(s.name);
        const C cls = ClassOf(s.bytes);
        for (int round = 0; round < 120; ++round) {
            Bytes b = s.bytes;
            const int kind = round % 4;
            if (kind == 0) { // a few random bytes anywhere
                for (int k = 0; k < 1 + round % 7; ++k) b[rng() % b.size()] = static_cast<uint8_t>(rng());
            } else if (kind == 1) { // a 32-bit field set to an extreme, in the first 2 KiB
                static const uint32_t kValues[] = {0, 1, 0x7FFFFFFF, 0x80000000, 0xFFFFFFFF, 0xFFFFFFF0};
                const size_t at = rng() % std::min<size_t>(b.size() - 3, 2048);
                PutU32le(b, at, kValues[rng() % 6]);
            } else if (kind == 2) { // cut short
                b.resize(1 + rng() % b.size());
            } else { // a run of zeros or of 0xFF
                const size_t at = rng() % b.size();
                const size_t n = std::min<size_t>(b.size() - at, 1 + rng() % 300);
                std::fill_n(b.begin() + at, n, (round & 4) ? 0xFF : 0x00);
            }
            ExpectSane(cls, b);
            if (HasFatalFailure()) return;
        }
    }
}

TEST(TextImageRobustness, RandomBytesBehindEverySignature)
{
    std::mt19937 rng(7);
    for (const Sample& s : Samples()) {
        SCOPED_TRACE(s.name);
        const C cls = ClassOf(s.bytes);
        for (int round = 0; round < 40; ++round) {
            // The sample's first 64 bytes (its signature and header), then random bytes of a random length.
            Bytes b(s.bytes.begin(), s.bytes.begin() + std::min<size_t>(64, s.bytes.size()));
            b.resize(64 + rng() % 20000);
            for (size_t i = 64; i < b.size(); ++i) b[i] = static_cast<uint8_t>(rng() >> 5);
            ExpectSane(cls, b);
        }
    }
    // And every analyser on pure random bytes and on zeros.
    for (C cls : kClasses) {
        Bytes random(8192);
        for (auto& v : random) v = static_cast<uint8_t>(rng());
        ExpectSane(cls, random);
        ExpectSane(cls, Bytes(512, 0));
    }
}

TEST(TextImageRobustness, UnreadableSectorsInsideFiles)
{
    // A sector that cannot be read inside the file: the walk fails or stops there, never reads stale bytes
    // as the file, and the size stays within the device.
    for (const Sample& s : Samples()) {
        if (s.bytes.size() < 2048) continue;
        SCOPED_TRACE(s.name);
        const C cls = ClassOf(s.bytes);
        Bytes image = s.bytes;
        image.resize(image.size() + 4096, 0);
        testsupport::MemoryDevice device(image);
        for (uint64_t bad : {uint64_t(1), uint64_t(s.bytes.size() / 512 / 2), uint64_t(s.bytes.size() / 512)}) {
            device.ClearFailures();
            device.FailSector(bad);
            ExpectSane(cls, image, &device);
        }
    }
}
