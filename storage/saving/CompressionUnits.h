// Cuts the runs of an NTFS-compressed file into compression units of 16 clusters counted from the start of
// the file, and tells how each unit is stored.
#pragma once

#include <cstdint>
#include <vector>

class IDataRunList;

enum CompressionUnitKind : int {
    kUnitStored = 0,     // no sparse clusters at its end: the clusters hold the data as it is
    kUnitCompressed = 1, // data clusters followed by sparse ones: the data clusters hold LZNT1 chunks
    kUnitEmpty = 2,      // sparse throughout: zeros
};

struct CompressionPiece {
    int64_t firstCluster = 0; // -1 for sparse
    uint64_t length = 0;      // clusters

    bool IsSparse() const { return firstCluster < 0; }
};

struct CompressionUnit {
    std::vector<CompressionPiece> pieces; // at most unitClusters, in file order
    // Sum of the piece lengths: unitClusters, less for the last unit, or a whole number of units when a long
    // sparse run gives several empty units at once.
    uint64_t clusters = 0;
    CompressionUnitKind kind = kUnitStored;
    // Clusters of the unit that lie outside the device and were taken as sparse.
    uint64_t outsideClusters = 0;
};

// Walks a run list (not owned; it must outlive the cutter) unit by unit without holding more than one unit;
// a sparse run that covers several whole units comes as one empty unit, so a huge hole costs one step. The
// last piece of a unit decides its kind, the last (incomplete) unit included. Clusters from clusterLimit on
// (past the end of the device) are taken as sparse and counted.
class CCompressionUnitCutter {
public:
    static constexpr uint64_t kDefaultUnitClusters = 16;

    explicit CCompressionUnitCutter(IDataRunList* runs, uint64_t unitClusters = kDefaultUnitClusters,
                                    int64_t clusterLimit = INT64_MAX);

    // The next unit; false once the runs are used up.
    bool Next(CompressionUnit& unit);

private:
    IDataRunList* m_runs;
    uint64_t m_unitClusters;
    int64_t m_clusterLimit;
    int64_t m_first = 0;      // the current run's next cluster (-1 sparse)
    uint64_t m_remaining = 0; // clusters of the current run not yet cut
    bool m_outside = false;   // the current run lies past the device
    bool m_started = false;
    bool m_ended = false;
};
