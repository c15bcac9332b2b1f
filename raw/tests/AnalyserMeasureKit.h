// Test helpers for the archive, office and photo analysers: committed fixtures (also xz-compressed ones),
// measuring one file placed on a disk, a signature scan over a composed disk, and damaged copies of a file.
#pragma once

#include "filesystems/tree/CRawFileInfo.h"
#include "raw/IRawFileAnalyser.h"
#include "tests/support/RawImageComposer.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace rawkit {

// The bytes of tests/fixtures/raw/<family>/<name>; a name ending in ".xz" is decompressed.
std::vector<uint8_t> LoadFixture(const std::string& family, const std::string& name);

// The file at startSector of a disk of sectorSize-byte sectors, followed by tailSectors sectors of filler
// (random bytes from seed, or zeros when seed is 0). IsMatch on its first sector, then Analyse when the match
// left the size 0. The hit holds the outcome; matched and analysed tell what ran.
struct Measured {
    CRawFileInfo hit;
    bool matched = false;
    int analysed = -1; // -1: not asked
};
Measured MeasureOnDisk(IRawFileAnalyser& analyser, const std::vector<uint8_t>& file, uint64_t startSector = 3,
                       int32_t sectorSize = 512, uint64_t tailSectors = 64, uint32_t seed = 5);
// The same on a given device: IsMatch on the sector's bytes, then Analyse.
Measured MeasureAt(IRawFileAnalyser& analyser, IStorageDevice& device, uint64_t startSector);

// A signature scan over every sector of the device with the analysers in order: the first that matches makes
// the hit, which is measured when its size is 0; a measured hit's sectors are skipped.
std::vector<CRawFileInfo> ScanDevice(const std::vector<IRawFileAnalyser*>& analysers, IStorageDevice& device);

// Damaged copies of a file for fuzz-style runs: count copies, each with a few bytes changed at random places
// (mostly in the first 1024 bytes, where the structures are), some cut short.
std::vector<std::vector<uint8_t>> Mutations(const std::vector<uint8_t>& file, size_t count, uint32_t seed);

// Runs the analyser over bytes placed on a disk with random filler behind: the reads stay on the device, the
// size stays within it (and the maximal RAW file size), and the call ends. Fails the test otherwise.
void ExpectBoundedMeasure(IRawFileAnalyser& analyser, const std::vector<uint8_t>& bytes, uint32_t seed);

} // namespace rawkit
