// Fixtures, single-file measuring, a small signature scan and damaged copies for the analyser tests.
#include "raw/tests/AnalyserMeasureKit.h"

#include "raw/RawWalk.h"
#include "tests/support/MemoryDevice.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <random>
#include <stdexcept>

namespace rawkit {

std::vector<uint8_t> LoadFixture(const std::string& family, const std::string& name)
{
    if (!name.ends_with(".xz")) return testsupport::ReadRawFixture(family, name);
    const std::string path = std::string(SALVIX_SOURCE_DIR) + "/tests/fixtures/raw/" + family + "/" + name;
    std::vector<uint8_t> bytes;
    FILE* pipe = popen(("xz -dc '" + path + "'").c_str(), "r");
    if (pipe == nullptr) return bytes;
    uint8_t buffer[65536];
    for (size_t n; (n = fread(buffer, 1, sizeof buffer, pipe)) > 0;) bytes.insert(bytes.end(), buffer, buffer + n);
    if (pclose(pipe) != 0) bytes.clear();
    return bytes;
}

Measured MeasureAt(IRawFileAnalyser& analyser, IStorageDevice& device, uint64_t startSector)
{
    Measured out;
    const int32_t sectorSize = device.GetSectorSize();
    std::vector<uint8_t> sector(std::max<size_t>(size_t(sectorSize), kRawMatchBytes));
    if (!device.ReadSectors(sector.data(), startSector, 1)) return out;
    out.hit.SetStartSector(startSector);
    out.matched = analyser.IsMatch(sector.data(), &out.hit) != 0;
    if (!out.matched) return out;
    CapRawHitSize(&out.hit, &device);
    if (out.hit.GetSize() == 0) out.analysed = analyser.Analyse(&out.hit, &device);
    return out;
}

Measured MeasureOnDisk(IRawFileAnalyser& analyser, const std::vector<uint8_t>& file, uint64_t startSector,
                       int32_t sectorSize, uint64_t tailSectors, uint32_t seed)
{
    const uint64_t fileSectors = (file.size() + sectorSize - 1) / sectorSize;
    testsupport::RawImageComposer disk(
        startSector + fileSectors + tailSectors, sectorSize,
        seed != 0 ? testsupport::RawImageComposer::Filler::Random : testsupport::RawImageComposer::Filler::Zero, seed);
    std::copy(file.begin(), file.end(), disk.Bytes().begin() + startSector * sectorSize);
    const std::unique_ptr<testsupport::MemoryDevice> device = disk.MakeDevice();
    return MeasureAt(analyser, *device, startSector);
}

std::vector<CRawFileInfo> ScanDevice(const std::vector<IRawFileAnalyser*>& analysers, IStorageDevice& device)
{
    std::vector<CRawFileInfo> hits;
    const uint64_t sectorSize = device.GetSectorSize();
    std::vector<uint8_t> sector(std::max<size_t>(sectorSize, kRawMatchBytes));
    for (uint64_t s = 0; s < device.GetSectorCount(); ++s) {
        if (!device.ReadSectors(sector.data(), s, 1)) continue;
        for (IRawFileAnalyser* analyser : analysers) {
            CRawFileInfo hit;
            hit.SetStartSector(s);
            if (analyser->IsMatch(sector.data(), &hit) == 0) continue;
            CapRawHitSize(&hit, &device);
            if (hit.GetSize() == 0) analyser->Analyse(&hit, &device);
            if (hit.GetSize() == 0) break;
            hit.SetAnalyser(analyser);
            const uint64_t sectors = (hit.GetSize() + sectorSize - 1) / sectorSize;
            hits.push_back(hit);
            s += sectors - 1;
            break;
        }
    }
    return hits;
}

std::vector<std::vector<uint8_t>> Mutations(const std::vector<uint8_t>& file, size_t count, uint32_t seed)
{
    std::mt19937 random(seed);
    std::vector<std::vector<uint8_t>> out;
    for (size_t i = 0; i < count; ++i) {
        std::vector<uint8_t> copy = file;
        if (copy.empty()) {
            out.push_back(copy);
            continue;
        }
        const unsigned changes = 1 + random() % 8;
        for (unsigned c = 0; c < changes; ++c) {
            const size_t window = random() % 4 != 0 ? std::min<size_t>(copy.size(), 1024) : copy.size();
            const size_t at = random() % window;
            switch (random() % 4) {
            case 0: copy[at] = uint8_t(random()); break;
            case 1: copy[at] = 0xFF; break;
            case 2: copy[at] = 0; break;
            default: copy[at] ^= uint8_t(1u << (random() % 8)); break;
            }
        }
        if (random() % 5 == 0) copy.resize(random() % copy.size() + 1);
        out.push_back(std::move(copy));
    }
    return out;
}

namespace {

struct StepBudget {
    uint64_t calls = 0;
    uint64_t limit = 0;
};

void CountStep(void* context)
{
    auto* budget = static_cast<StepBudget*>(context);
    if (++budget->calls > budget->limit) throw std::runtime_error("walk without end");
}

} // namespace

void ExpectBoundedMeasure(IRawFileAnalyser& analyser, const std::vector<uint8_t>& bytes, uint32_t seed)
{
    // The hook runs every few steps; a walk over at most the maximal RAW file size takes far fewer.
    StepBudget budget{0, 4000000};
    ScopedRawWalkStepHook hook(&CountStep, &budget);
    std::vector<uint8_t> file = bytes;
    if (file.size() < kRawMatchBytes) file.resize(kRawMatchBytes);
    const uint64_t start = 2;
    const uint64_t tail = 8 + seed % 64;
    const Measured m = MeasureOnDisk(analyser, file, start, 512, tail, seed | 1);
    const uint64_t deviceBytes = ((file.size() + 511) / 512 + tail) * 512;
    EXPECT_LE(budget.calls, budget.limit) << "the walk did not end";
    EXPECT_LE(m.hit.GetSize(), deviceBytes);
    EXPECT_LE(m.hit.GetSize(), GetRawMaxFileSize());
}

} // namespace rawkit
