// The run list of one NTFS attribute (or of several extents merged): runs of {LCN, VCN, length in clusters},
// with the VCN/LCN mapping and the recovery-state stream form.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

class IRSData;

struct CNTFSRun {
    int64_t lcn = -1;    // -1: a sparse run, which has no clusters on the volume
    uint64_t vcn = 0;    // the run's first virtual cluster
    uint64_t length = 0; // clusters
    bool IsSparse() const { return lcn < 0; }
    bool operator==(const CNTFSRun&) const = default;
};

class CNTFSRunList {
public:
    const std::vector<CNTFSRun>& Runs() const { return m_runs; }
    bool empty() const { return m_runs.empty(); }
    size_t size() const { return m_runs.size(); }
    void Append(const CNTFSRun& run) { m_runs.push_back(run); }
    void Clear() { m_runs.clear(); }

    // The LCN of a VCN, or -1 when no run holds it or the run holding it is sparse.
    int64_t VcnToLcn(uint64_t vcn) const;
    // Some non-sparse run holds the cluster.
    bool IsLcnInRunList(int64_t lcn) const;
    // The VCN of a cluster, or -1 when no non-sparse run holds it.
    int64_t LcnToVcn(int64_t lcn) const;
    // Total clusters of all runs (sparse ones included).
    uint64_t GetRunListLength() const;
    // Appends a copy of every run to another list.
    void CopyRunList(CNTFSRunList& to) const;
    // Orders the runs by VCN (stable), as after merging the runs of several extents.
    void SortByVcn();

    // A u64 run count, then per run its LCN, length and VCN (8 bytes each). Stream errors pass to the caller.
    void SaveRunList(IRSData* stream) const;
    // Reads the same layout, appending runs.
    void LoadRunList(IRSData* stream);

private:
    std::vector<CNTFSRun> m_runs;
};
