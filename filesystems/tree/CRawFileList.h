// The signature hits of one scan, in the order they were added, with a lookup by start sector.
// The list owns its hits. Not safe to share between threads.
#pragma once

#include "filesystems/tree/CRawFileInfo.h"
#include "filesystems/tree/IIterator.h"
#include "filesystems/tree/IRawHitMeasurer.h"

#include <cstdint>
#include <list>
#include <map>
#include <memory>

class IRSData;

class CRawFileList {
public:
    // Bound on the stored hit count (each hit is 22 bytes of the stream).
    static constexpr uint64_t kMaxStoredHits = 1ull << 26;

    CRawFileList();
    ~CRawFileList();
    CRawFileList(const CRawFileList&) = delete;
    CRawFileList& operator=(const CRawFileList&) = delete;

    // Takes ownership. Every hit stays in the walk; the lookup keeps the first hit at each sector.
    void Add(CRawFileInfo* hit);
    // Takes the hit out of the list and deletes it; false (nothing done) when the list does not hold it. Not
    // during a walk of the embedded iterator.
    bool Remove(CRawFileInfo* hit);
    // The embedded iterator: one shared cursor, owned by the list; walks must not interleave.
    IIterator<CRawFileInfo*>* GetIterator() { return &m_iterator; }
    // The first hit added at that sector, or null.
    CRawFileInfo* FindByStartSector(uint64_t sector) const;
    size_t GetCount() const { return m_hits.size(); }

    // What measures the hits the scan left at size 0 when a tree is built from the list: the signature scanner
    // that fills the list (or is handed it after a restore) puts its own here. Null before that.
    void SetMeasurer(std::unique_ptr<IRawHitMeasurer> measurer) { m_measurer = std::move(measurer); }
    IRawHitMeasurer* GetMeasurer() const { return m_measurer.get(); }

    // The count (8 bytes), then per hit start sector (8), size (8), type id (4), analyser type low 16 bits (2).
    void Write(IRSData* stream) const;
    // Appends the hits of that form (empty texts, no analyser). A count above kMaxStoredHits throws code 2.
    void Read(IRSData* stream);

private:
    std::list<CRawFileInfo*> m_hits;
    std::map<uint64_t, CRawFileInfo*> m_bySector;
    ListIterator<CRawFileInfo*> m_iterator;
    std::unique_ptr<IRawHitMeasurer> m_measurer;
};
