// The run-list kinds: FAT, resident and non-resident NTFS, RAW and ext2. They differ in their kind number;
// the resident NTFS list also carries the offset of its data inside the FILE record.
#pragma once

#include "filesystems/tree/IDataRunList.h"

#include <cstddef>
#include <cstdint>

class CFATDataRunList : public IDataRunList {
public:
    int GetRunListType() const override { return kRunListFAT; }
};

// Exactly one run: {sector of the FILE record that holds the data, 1}, plus the byte offset of the
// attribute value inside that record.
class CResidentNTFSDataRunList : public IDataRunList {
public:
    bool IsResident() const override { return true; }
    int GetResidentOffset() const override { return m_residentOffset; }
    // The base form, then the offset as 4 bytes.
    bool Write(IRSData* stream) const override;
    bool Read(IRSData* stream) override;
    int GetRunListType() const override { return kRunListResidentNTFS; }

    // Replaces the runs by {recordSector, 1} and sets the offset.
    void SetResident(uint64_t recordSector, int offset);
    void SetResidentOffset(int offset) { m_residentOffset = offset; }
    uint64_t GetRecordSector() const { return m_runs.empty() ? 0 : uint64_t(m_runs.front().firstCluster); }

private:
    int m_residentOffset = 0;
};

class CNoneResidentNTFSDataRunList : public IDataRunList {
public:
    int GetRunListType() const override { return kRunListNonResidentNTFS; }
    // Appends the runs of NTFS mapping pairs (see MappingPairs.h). Returns false when the bytes were
    // malformed (a field wider than 8 bytes, a pair running past count, no terminator); the runs decoded
    // before the fault stay appended.
    bool ParseMappingPairs(const uint8_t* bytes, size_t count);
};

class CRAWDataRunList : public IDataRunList {
public:
    int GetRunListType() const override { return kRunListRAW; }
};

class CExt2DataRunList : public IDataRunList {
public:
    int GetRunListType() const override { return kRunListExt2; }
};
