// Progress of the intelligent search (one pass over a device feeding every scanner), reported on the
// search thread to its dialog.
#pragma once

#include <cstdint>

struct CIntelligentSearchStatistics;

class IIntelligentSearchCallback {
public:
    virtual ~IIntelligentSearchCallback() = default;
    // Index of the block just analysed.
    virtual void SetPosition(uint64_t block) = 0;
    // Called once with 0 and the number of blocks.
    virtual void SetRange(uint64_t first, uint64_t count) = 0;
    // Non-zero once the user has cancelled.
    virtual int IsCancelled() = 0;
    // After each block; may do nothing.
    virtual void Refresh() = 0;
    virtual void GetStatistics(CIntelligentSearchStatistics* out) = 0;
    // Copies the statistics in after each block (the receiver redraws at most every 300 ms).
    virtual void SetStatistics(const CIntelligentSearchStatistics* statistics) = 0;
    // Called by the runner that started the search once it has returned.
    virtual void OnSearchFinished() = 0;
};
