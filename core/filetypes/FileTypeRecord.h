// Ties a file found by a file-system scanner to the RAW type of its extension, its first data
// cluster and the sector of its directory entry or file record, so that scanners can count found
// files that coincide with signature hits.
#pragma once

#include <cstddef>
#include <cstdint>

class FileTypeRecord {
public:
    // Sets all three fields from the name, or leaves them unchanged and returns false when the name
    // has no extension, the extension is none of a fixed RAW type's (RawTypeMap::LookupExtension: "jpeg" and
    // "JPE" are JPEG's), or cluster or sector is negative.
    bool SetFromNameW(const char16_t* name, std::size_t length, int64_t firstCluster, int64_t recordSector);
    bool SetFromNameA(const char* name, std::size_t length, int64_t firstCluster, int64_t recordSector);

    uint16_t GetType() const { return m_type; }
    int64_t GetFirstCluster() const { return m_firstCluster; }
    int64_t GetRecordSector() const { return m_recordSector; }

private:
    bool Set(int type, int64_t firstCluster, int64_t recordSector);

    uint16_t m_type = 0;
    int64_t m_firstCluster = -1; // counted from the start of the cluster area
    int64_t m_recordSector = -1;
};
