// The candidate sectors of the lost-partition search: where a partitioning tool would have put the first
// sector of a partition. Cylinder boundaries of the 255-head and 240-head geometries with 63 sectors per
// track (each probed there and one track later), and the 1 MiB boundaries that Linux tools align to.
#pragma once

#include <cstdint>

// A generator holds a counter that NextCandidate advances; not safe to share between threads.
class IPartitionSearchAlgorithm {
public:
    virtual ~IPartitionSearchAlgorithm() = default;
    virtual uint64_t GetCandidateCount() const = 0;
    // The next candidate sector; each call moves on by one.
    virtual uint64_t NextCandidate() = 0;
    // Non-zero for a generator whose candidates an earlier one may already have probed.
    virtual int IsSecondary() const = 0;
    // Whether the sector is one of this generator's candidates (the engine skips a later generator's
    // candidate that an earlier generator has probed).
    virtual bool IsCandidate(uint64_t sector) const = 0;
    // Whether the sector one track (63 sectors) after each candidate is probed too.
    virtual bool ProbesTrackOffset() const { return true; }
};

constexpr uint64_t kSectorsPerTrack = 63;

// Every cylinder of a geometry with the given heads and 63 sectors per track: k x heads x 63.
class CPartitionSearchAccordingToCylinder : public IPartitionSearchAlgorithm {
public:
    CPartitionSearchAccordingToCylinder(uint64_t diskSectors, uint64_t heads, bool secondary)
        : m_cylinder(heads * kSectorsPerTrack), m_count(diskSectors / m_cylinder), m_secondary(secondary)
    {
    }
    uint64_t GetCandidateCount() const override { return m_count; }
    uint64_t NextCandidate() override { return m_k++ * m_cylinder; }
    int IsSecondary() const override { return m_secondary ? 1 : 0; }
    bool IsCandidate(uint64_t sector) const override
    {
        return sector % m_cylinder == 0 && sector / m_cylinder < m_count;
    }

private:
    uint64_t m_cylinder;
    uint64_t m_count;
    bool m_secondary;
    uint64_t m_k = 0;
};

class CPartitionSearchAccordingTo255Head : public CPartitionSearchAccordingToCylinder {
public:
    explicit CPartitionSearchAccordingTo255Head(uint64_t diskSectors)
        : CPartitionSearchAccordingToCylinder(diskSectors, 255, false)
    {
    }
};

class CPartitionSearchAccordingTo240Head : public CPartitionSearchAccordingToCylinder {
public:
    explicit CPartitionSearchAccordingTo240Head(uint64_t diskSectors)
        : CPartitionSearchAccordingToCylinder(diskSectors, 240, true)
    {
    }
};

// Every 1 MiB boundary (2048 sectors of 512 bytes, 256 of 4096), where sfdisk, parted and their kin have put
// partitions since the cylinder geometry went out of use. No track offset: nothing aligns a partition there.
class CPartitionSearchAccordingToMiB : public IPartitionSearchAlgorithm {
public:
    static constexpr uint64_t kAlignmentBytes = 1024 * 1024;

    CPartitionSearchAccordingToMiB(uint64_t diskSectors, int32_t sectorSize)
        : m_step(sectorSize > 0 && uint64_t(sectorSize) < kAlignmentBytes ? kAlignmentBytes / uint64_t(sectorSize) : 1),
          m_count(diskSectors / m_step)
    {
    }
    uint64_t GetCandidateCount() const override { return m_count; }
    uint64_t NextCandidate() override { return m_k++ * m_step; }
    int IsSecondary() const override { return 1; }
    bool IsCandidate(uint64_t sector) const override { return sector % m_step == 0 && sector / m_step < m_count; }
    bool ProbesTrackOffset() const override { return false; }

private:
    uint64_t m_step;
    uint64_t m_count;
    uint64_t m_k = 0;
};
