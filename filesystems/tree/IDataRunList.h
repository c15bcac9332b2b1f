// A found file's data as a list of runs (first cluster, length in clusters), walked with a cursor,
// with its recovery-state form. The run-list kinds are in DataRunLists.h.
#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>

class IRSData;

// First cluster of a sparse run (a hole that reads as zeros).
constexpr int64_t kSparseCluster = -1;

struct DataRun {
    int64_t firstCluster = 0; // kSparseCluster for a hole
    uint64_t length = 0;      // in clusters

    bool IsSparse() const { return firstCluster == kSparseCluster; }
    bool operator==(const DataRun&) const = default;
};

// GetRunListType values.
enum : int {
    kRunListFAT = 0,
    kRunListResidentNTFS = 1,
    kRunListNonResidentNTFS = 2,
    kRunListRAW = 3,
    kRunListExt2 = 4,
};

// Not safe to share between threads.
class IDataRunList {
public:
    IDataRunList() = default;
    virtual ~IDataRunList() = default;
    IDataRunList(const IDataRunList&) = delete;
    IDataRunList& operator=(const IDataRunList&) = delete;

    virtual bool IsResident() const { return false; }
    // Byte offset of resident data inside its FILE record; 0 for non-resident lists.
    virtual int GetResidentOffset() const { return 0; }
    // A 4-byte run count, then per run first cluster (8 bytes) and length (8 bytes).
    virtual bool Write(IRSData* stream) const;
    // Reads the form of Write and appends the runs (the list is not emptied first). A count above
    // kMaxStoredRuns throws CRSException with code 2.
    virtual bool Read(IRSData* stream);
    virtual int GetRunListType() const = 0;

    // Cursor walk: First, then Next until it returns null. Pointers stay valid while runs are only appended.
    const DataRun* First();
    const DataRun* Next();
    bool IsEnd() const { return m_cursor >= m_runs.size(); }

    // Appends a copy, merged into the last run when both are real runs and contiguous, or both are holes.
    void AddRun(const DataRun& run);
    // Appends without merging.
    void AppendRun(int64_t firstCluster, uint64_t length) { m_runs.push_back({firstCluster, length}); }
    void AppendRunCopy(const DataRun& run) { m_runs.push_back(run); }

    size_t GetRunCount() const { return m_runs.size(); }
    const std::deque<DataRun>& GetRuns() const { return m_runs; }
    // Sum of the run lengths (saturating).
    uint64_t GetTotalClusters() const;

    // Bound on the run count of a stored list (each run is 16 bytes of the stream).
    static constexpr uint32_t kMaxStoredRuns = 1u << 24;

protected:
    std::deque<DataRun> m_runs;
    size_t m_cursor = 0;
};
