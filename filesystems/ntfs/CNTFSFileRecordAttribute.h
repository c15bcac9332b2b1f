// Owned wrappers of single attributes taken out of a FILE record: a $FILE_NAME copied out of its record, and
// the run list of a non-resident attribute.
#pragma once

#include "filesystems/ntfs/CNTFSAttributeHeader.h"
#include "filesystems/ntfs/CNTFSRunList.h"
#include "filesystems/ntfs/NtfsMappingPairs.h"

#include <cstdint>
#include <vector>

class CNTFSFileRecordAttribute {
public:
    virtual ~CNTFSFileRecordAttribute() = default;
};

// A copy of one $FILE_NAME attribute that outlives the record it came from.
class CNTFSFileRecordFileNameAttribute : public CNTFSFileRecordAttribute {
public:
    explicit CNTFSFileRecordFileNameAttribute(const CNTFSAttributeHeader& fileName)
        : m_bytes(fileName.Bytes().begin(), fileName.Bytes().end())
    {
    }
    CNTFSAttributeHeader Get() const { return CNTFSAttributeHeader(m_bytes, 0); }

private:
    std::vector<uint8_t> m_bytes;
};

// The runs of one non-resident attribute (shifted by its first VCN); empty when it has none.
class CNTFSFileRecordDataRunsAttribute : public CNTFSFileRecordAttribute {
public:
    explicit CNTFSFileRecordDataRunsAttribute(const CNTFSAttributeHeader& attribute)
    {
        if (attribute.IsNonResident() && IsValidRunList(attribute.GetMappingPairs())) {
            DecodeRunList(attribute.GetMappingPairs(), m_runs);
            CNTFSRunList shifted;
            for (CNTFSRun r : m_runs.Runs()) {
                r.vcn += attribute.GetStartVcn();
                shifted.Append(r);
            }
            m_runs = shifted;
        }
    }
    const CNTFSRunList& GetRunList() const { return m_runs; }

private:
    CNTFSRunList m_runs;
};
