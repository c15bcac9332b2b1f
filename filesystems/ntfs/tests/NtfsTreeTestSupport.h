// Helpers of the NTFS tree-build tests: a small NTFS volume built record by record in memory, a callback
// that cancels on a chosen call, paths of a found-file tree, and the tree fixtures made by
// tests/fixtures/make_ntfs_tree_images.sh.
#pragma once

#include "filesystems/common/IDIRBuildCallback.h"
#include "tests/support/MemoryDevice.h"
#include "tests/support/NtfsRecordBuilder.h"

#include <atomic>
#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

class CFileNode;

namespace ntfstree {

// A volume of 512-byte sectors, one sector per cluster and 1024-byte records; the $MFT starts at cluster
// kMftCluster and holds mftRecords records in one run unless a test writes other runs into record 0.
class SyntheticVolume {
public:
    static constexpr uint64_t kMftCluster = 16;
    static constexpr uint64_t kMirrCluster = 8;

    explicit SyntheticVolume(uint32_t mftRecords = 64, uint64_t sectors = 4096);

    testsupport::MemoryDevice& Device() { return m_device; }
    uint64_t RecordSector(uint32_t number) const { return kMftCluster + 2ull * number; }

    // Writes a record at its place in the one-run $MFT (and the record number into its header).
    void Put(uint32_t number, testsupport::NtfsRecordBuilder record);
    void PutAt(uint64_t sector, const testsupport::Bytes& bytes);
    // A base record: in use or not, folder or file, with standard information and one Win32 name.
    static testsupport::NtfsRecordBuilder Record(uint64_t parent, const std::u16string& name, bool folder = false,
                                                 bool inUse = true, uint32_t attributes = 0x20);
    void AddFile(uint32_t number, uint64_t parent, const std::u16string& name, bool inUse = true,
                 const testsupport::Bytes& data = {1, 2, 3});
    void AddFolder(uint32_t number, uint64_t parent, const std::u16string& name, bool inUse = true);

private:
    testsupport::MemoryDevice m_device;
};

// Answers -1 from the call numbered cancelAt on (counting every call from 1); 0 never cancels.
class CancellingCallback : public IDIRBuildCallback {
public:
    explicit CancellingCallback(uint64_t cancelAt = 0) : m_cancelAt(cancelAt) {}
    int Begin(const char* title, int) override;
    int Step(int) override { return Answer(); }
    int SetPos(int) override { return Answer(); }
    int Finish() override { return Answer(); }
    int CheckCancel() override { return Answer(); }
    uint64_t Calls() const { return m_calls; }
    std::vector<std::string> titles;

private:
    int Answer()
    {
        const uint64_t n = ++m_calls;
        return m_cancelAt != 0 && n >= m_cancelAt ? -1 : 0;
    }
    uint64_t m_cancelAt;
    std::atomic<uint64_t> m_calls{0};
};

// Every node below root by its path ("/a/b"), names as the properties give them.
std::map<std::string, CFileNode*> PathsBelow(CFileNode* root);
// The names of root's children, sorted.
std::vector<std::string> ChildNames(const CFileNode* node);

struct ManifestRow {
    bool folder = false;
    bool deleted = false;
    std::string treePath;
    std::string diskPath;
    uint64_t size = 0;
    std::string sha256;
    uint64_t modificationTime = 0;
    uint64_t accessTime = 0;
};

struct TreeFixture {
    std::string name;
    std::vector<uint8_t> bytes;
    std::string label;
    uint32_t bytesPerSector = 0;
    uint32_t bytesPerCluster = 0;
    uint32_t bytesPerRecord = 0;
    std::vector<ManifestRow> rows;
};

// Decompressed once per test program; an empty image when it cannot be read.
const TreeFixture& LoadTreeFixture(const std::string& name);

} // namespace ntfstree
