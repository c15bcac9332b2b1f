// The packed form in which properties keep their runs: NTFS mapping pairs plus a resident offset.
// Unpacking always yields an NTFS run-list kind (resident or not), whatever kind was packed.
#pragma once

#include "filesystems/tree/IDataRunList.h"

#include <cstdint>
#include <memory>
#include <vector>

class PackedDataRun {
public:
    // Upper bound of a stored run-byte count; a larger count in a recovery state is refused (code 2).
    static constexpr uint32_t kMaxStoredLength = 16u << 20;

    PackedDataRun() = default;

    // Number of run bytes including the final 0; 0 when there are none.
    int Length() const { return int(m_bytes.size()); }
    const std::vector<uint8_t>& GetBytes() const { return m_bytes; }
    uint32_t GetResidentOffset() const { return m_residentOffset; }

    // The 4-byte byte count, the run bytes, then the resident offset as 2 bytes. Nothing for a null stream.
    void Write(IRSData* stream) const;
    // Writes the form of an empty record when runs is null, so that ReadOptional reads it back as null.
    static void WriteOptional(const PackedDataRun* runs, IRSData* stream);

    // Reads the form of Write. Null for a null stream, or when the stream ends early (that error is not
    // passed on); a count above kMaxStoredLength throws CRSException code 2, since the stream can no longer
    // be read in step.
    static std::unique_ptr<PackedDataRun> Read(IRSData* stream);
    // As Read, but a record without run bytes comes back as null.
    static std::unique_ptr<PackedDataRun> ReadOptional(IRSData* stream);

    // A new list: resident NTFS (first decoded run and the offset) when the offset is set, otherwise
    // non-resident NTFS. Null without run bytes, and for a resident record that decodes to no run.
    std::unique_ptr<IDataRunList> Unpack() const;

    // For tests and builders that hold mapping pairs already.
    static std::unique_ptr<PackedDataRun> FromBytes(std::vector<uint8_t> bytes, uint32_t residentOffset = 0);

private:
    friend std::unique_ptr<PackedDataRun> PackDataRunList(const IDataRunList* list);

    uint32_t m_residentOffset = 0; // only the low 16 bits are stored
    std::vector<uint8_t> m_bytes;
};

// Null for a null or empty list; a resident list (kind 1) keeps its resident offset.
std::unique_ptr<PackedDataRun> PackDataRunList(const IDataRunList* list);
