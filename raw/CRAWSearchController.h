// The signature scanner: offers every sector of the scanned blocks to the RAW analysers, records the first
// match at each sector as a hit, and measures the hits whose size the header did not give from a ring of the
// blocks read last, before their first block leaves it. A hit inside a container (an archive, a compound
// document, a movie) that the same analyser measured is not a file of its own and leaves the list.
#pragma once

#include "core/devices/CBufferStorageDevice.h"
#include "filesystems/common/IFileSystemSearchController.h"
#include "raw/RawSectorMatcher.h"

#include <cstdint>
#include <deque>
#include <map>
#include <memory>
#include <vector>

class CRawFileInfo;

class CRAWSearchController : public IFileSystemSearchController {
public:
    // Blocks the ring holds by default (80 MiB of 4 MiB blocks). In the intelligent search the ring holds the
    // read-ahead's blocks themselves, so its size costs no copying; read by the scanner itself, a ring of 2 to
    // 4 blocks scans a warm image some 10-25% faster, but then every file longer than it is measured by reading
    // the device again, which on a disk means a second pass over those files and on a failing one more reads
    // of its bad sectors.
    static constexpr uint32_t kRingChunks = 20;

    CRAWSearchController() = default;
    ~CRAWSearchController() override;
    CRAWSearchController(const CRAWSearchController&) = delete;
    CRAWSearchController& operator=(const CRAWSearchController&) = delete;

    void SetDevice(IStorageDevice* device) override { m_device = device; }
    void SetBlockSectors(int sectors) override { m_blockSectors = sectors; }
    // Rebuilds the process-wide analyser list from the selected RAW type ids (all custom ids share one
    // custom analyser), binds the ring to the device and allocates the block buffer.
    void BeginSearch() override;
    // Measures the waiting hits of containers (IRawFileAnalyser::HoldsNestedHits) from the ring; the other
    // waiting hits stay in the hit list with size 0 (the RAW result tree measures them).
    void EndSearch() override;
    // Always 1. A block that cannot be read gives no hits and is not pushed (the ring starts again after it).
    int AnalyzeBlock(uint64_t firstSector, uint64_t sectorCount, CIntelligentSearchStatistics* statistics) override;
    // The same with the block's bytes given: they are copied into the ring once and matched where they are.
    int AnalyzeBlockBytes(uint64_t firstSector, uint64_t sectorCount, std::span<const uint8_t> bytes,
                          CIntelligentSearchStatistics* statistics) override;
    // The same, the ring keeping the share in the block in place of a copy.
    int AnalyzeSharedBlock(uint64_t firstSector, uint64_t sectorCount, std::span<const uint8_t> bytes,
                           const std::shared_ptr<const uint8_t>& share,
                           CIntelligentSearchStatistics* statistics) override;
    void GetSearchedPartitions(CSearchedPartitionList&) override {}
    // Also gives the list this scanner's measurer, so that every tree built from the list measures the hits left
    // at size 0 (a list that has one keeps it).
    void SetRawFileList(CRawFileList* hits) override;
    void SaveState(IRSData*) override {}
    void LoadState(IRSData*) override {}
    int GetKind() const override { return kSearchControllerRAW; }

    // Blocks the ring of the next BeginSearch holds (at least 1); hits that outlive it are measured from the device.
    void SetRingChunks(uint32_t chunks) { m_ringChunks = chunks > 0 ? chunks : 1; }
    // Hits found but not measured yet, oldest first (for tests).
    size_t GetWaitingCount() const { return m_waiting.size(); }

private:
    // Measures what must be measured before the block from firstSector on enters the ring.
    void MeasureBeforeBlock(uint64_t firstSector);
    // The same, and gives the block's slot.
    uint8_t* TakeSlot(uint64_t firstSector);
    // Offers each sector of the block to the analysers; new hits join the list, unmeasured ones the waiting.
    void MatchBlock(uint64_t firstSector, uint64_t sectorCount, const uint8_t* bytes,
                    CIntelligentSearchStatistics* statistics);
    void MeasureLeavingHits();
    // Measures one waiting hit; a container's hit that starts inside a container measured before it by the same
    // analyser is taken out of the hit list (and deleted) instead.
    void MeasureWaitingHit(CRawFileInfo* hit);

    IStorageDevice* m_device = nullptr;
    int m_blockSectors = 0;
    CRawFileList* m_hits = nullptr;
    CBufferStorageDevice m_ring;
    std::deque<CRawFileInfo*> m_waiting;
    // Per analyser type: the first sector after the last container file measured.
    std::map<int, uint64_t> m_heldUntil;
    uint32_t m_ringChunks = kRingChunks;
    RawSectorMatcher m_matcher;
    bool m_active = false;
};

// The selected ids as the scan uses them: every id once, the custom ids (0, negative, above the fixed range)
// reduced to the first of them, since one custom analyser serves every header script.
std::vector<int> RawScanTypeIds(const std::vector<int>& selected);
