// Reads a found file's bytes at any offset through its runs on the scanned device (resident NTFS data
// from its FILE record). Used to read recycle-bin information files.
#pragma once

#include <cstdint>
#include <vector>

class CFileNode;
class IStorageDevice;

class CFoundFileReader {
public:
    // Refused cluster sizes above this (a damaged geometry must not become a huge allocation).
    static constexpr uint64_t kMaxClusterBytes = 16u << 20;

    CFoundFileReader() = default;
    ~CFoundFileReader() { Close(); }
    CFoundFileReader(const CFoundFileReader&) = delete;
    CFoundFileReader& operator=(const CFoundFileReader&) = delete;

    // False without device or node, without geometry (CFileNode::GetClusterGeometry), with a cluster size
    // of 0 or above kMaxClusterBytes, without properties, with size 0, or without runs. Neither is owned.
    bool Open(IStorageDevice* device, CFileNode* node);
    void Close();
    // Up to count bytes at offset, cut at the end of the file; bytesRead says how many came. False at or
    // past the end, on a failed device read or without runs. Holes and clusters before the volume read as
    // zeros.
    bool ReadAt(uint64_t offset, void* buffer, uint32_t count, uint32_t& bytesRead);
    // Reads resident data from the file's FILE record (update-sequence fix-ups applied).
    bool ReadResident(uint64_t offset, void* buffer, uint32_t count, uint32_t& bytesRead);

private:
    bool ReadCluster(int64_t volumeCluster);

    IStorageDevice* m_device = nullptr;
    CFileNode* m_node = nullptr;
    uint64_t m_clusterSize = 0;
    int32_t m_sectorsPerCluster = 0;
    uint64_t m_fileSize = 0;
    uint64_t m_firstSectorOfCluster0 = 0;
    std::vector<uint8_t> m_buffer;
};
