// Checks shared by the damaged-volume tests of the tree builders: one walk over a built tree, runs that stay
// on the device, every found file read through CFoundFileReader, and a build callback that stops a walk reading far more than the volume
// holds. Header-only: only test programs that link the tree use it.
#pragma once

#include "filesystems/common/IDIRBuildCallback.h"
#include "filesystems/tree/CFileNode.h"
#include "filesystems/tree/CFoundFileReader.h"
#include "filesystems/tree/DataRunLists.h"
#include "filesystems/tree/FileTree.h"
#include "filesystems/tree/IFileProperties.h"
#include "tests/support/MemoryDevice.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <unordered_set>
#include <utility>
#include <vector>

namespace testsupport {

struct TreeDeleter {
    void operator()(CFileNode* tree) const { DeleteFoundTree(tree); }
};
using TreePtr = std::unique_ptr<CFileNode, TreeDeleter>;

// What the checked trees held: how deep the damage still let the build and the reader go.
struct Reached {
    uint64_t trees = 0;
    uint64_t files = 0;
    uint64_t filesRead = 0; // at least one byte came back
    uint64_t nested = 0;    // trees with a file below a folder
};

// Every file is read from its start up to this much, then its last chunk: enough for every file of the
// fixtures, without reading a damaged size of terabytes cluster by cluster.
constexpr uint64_t kReadCap = 256 * 1024;
constexpr uint32_t kChunk = 48 * 1024;

inline bool RunsOnDevice(IFileProperties* properties, uint64_t firstSector, uint64_t sectorsPerCluster,
                         uint64_t deviceSectors, std::string& why)
{
    std::unique_ptr<IDataRunList> runs(properties->GetDataRunList());
    if (!runs) return true;
    const uint64_t clusters = deviceSectors > firstSector ? (deviceSectors - firstSector) / sectorsPerCluster : 0;
    for (const DataRun& run : runs->GetRuns()) {
        if (run.IsSparse()) continue;
        if (run.firstCluster < 0 || uint64_t(run.firstCluster) > clusters ||
            run.length > clusters - uint64_t(run.firstCluster)) {
            why = "run " + std::to_string(run.firstCluster) + "+" + std::to_string(run.length) + " past " +
                  std::to_string(clusters) + " clusters";
            return false;
        }
    }
    return true;
}

// Reads the file of node from its start (up to kReadCap) and its last chunk, and checks that a read at its
// end fails. bytesRead: what came back from the start. Fatal failures return at once (HasFatalFailure).
inline void ReadThroughFoundFile(IStorageDevice& device, CFileNode* node, const std::string& name,
                                 std::vector<uint8_t>& chunk, uint64_t& bytesRead)
{
    bytesRead = 0;
    chunk.resize(kChunk);
    const uint64_t size = node->GetProperties()->GetSize();
    CFoundFileReader reader;
    if (!reader.Open(&device, node)) return;
    const uint64_t end = std::min(size, kReadCap);
    while (bytesRead < end) {
        uint32_t got = 0;
        const uint32_t ask = uint32_t(std::min<uint64_t>(kChunk, end - bytesRead));
        if (!reader.ReadAt(bytesRead, chunk.data(), ask, got) || got == 0) break;
        ASSERT_LE(got, ask);
        bytesRead += got;
    }
    if (size > end) {
        uint32_t got = 0;
        const uint64_t tail = std::min<uint64_t>(size, kChunk);
        if (reader.ReadAt(size - tail, chunk.data(), uint32_t(tail), got)) {
            ASSERT_LE(got, tail);
        }
    }
    uint32_t got = 1;
    EXPECT_FALSE(reader.ReadAt(size, chunk.data(), 1, got)) << "a read at the end of " << name;
    EXPECT_EQ(got, 0u);
}

// What a file system's damaged trees must still keep, besides what every tree keeps.
struct FoundTreeRules {
    size_t maxNameLength = 0;
    // The end of the sectors runs may reach, from the first sector of the volume's cluster 0.
    std::function<uint64_t(uint64_t firstSector)> runEnd;
    // For each name below the volume; not asked when empty.
    std::function<bool(const std::string&)> usableName;
};

// Walks the tree once (a node met twice would be a cycle) checking its links and names, checks that every
// file's runs lie on the device, and reads every file through CFoundFileReader. Fatal failures return at once.
inline void CheckFoundTree(IStorageDevice& device, CFileNode* tree, const FoundTreeRules& rules, Reached& reached)
{
    ASSERT_NE(tree, nullptr);
    uint64_t firstSector = 0;
    int32_t sectorsPerCluster = 0;
    ASSERT_TRUE(tree->GetClusterGeometry(firstSector, sectorsPerCluster));
    ASSERT_GT(sectorsPerCluster, 0);
    const uint64_t end = rules.runEnd(firstSector);
    ++reached.trees;
    std::unordered_set<CFileNode*> seen;
    std::vector<std::pair<CFileNode*, int>> stack{{tree, 0}};
    std::vector<uint8_t> chunk(kChunk);
    bool nested = false;
    while (!stack.empty()) {
        auto [node, depth] = stack.back();
        stack.pop_back();
        ASSERT_TRUE(seen.insert(node).second) << "a node is listed twice";
        ASSERT_LT(seen.size(), 1000000u);
        for (CFileNode* child = node->GetFirstChild(); child; child = child->GetNextSibling()) {
            ASSERT_EQ(child->GetParent(), node);
            stack.push_back({child, depth + 1});
        }
        IFileProperties* properties = node->GetProperties();
        ASSERT_NE(properties, nullptr);
        ASSERT_NE(properties->GetName(), nullptr);
        const std::string name = properties->GetName();
        EXPECT_EQ(int(name.size()), properties->GetNameLength());
        EXPECT_LE(name.size(), rules.maxNameLength);
        if (node != tree && rules.usableName) {
            EXPECT_TRUE(rules.usableName(name)) << "\"" << name << "\"";
        }
        if (node == tree || (properties->GetAttributes() & kFileAttrDirectory)) continue;
        ++reached.files;
        if (depth >= 2) nested = true;
        std::string why;
        EXPECT_TRUE(RunsOnDevice(properties, firstSector, uint64_t(sectorsPerCluster), end, why))
            << name << ": " << why;

        uint64_t read = 0;
        ReadThroughFoundFile(device, node, name, chunk, read);
        if (::testing::Test::HasFatalFailure()) return;
        if (read > 0) ++reached.filesRead;
    }
    if (nested) ++reached.nested;
}

// Stops a build once it has read far more than the volume holds: a walk that loops shows up as a failure
// naming its case instead of a test that never ends.
class ReadBudget : public IDIRBuildCallback {
public:
    ReadBudget(MemoryDevice& device, uint64_t limit) : m_device(device), m_limit(limit)
    {
        m_device.SetReadHook([this](uint64_t, uint64_t count) { m_read += count; });
    }
    ~ReadBudget() override { m_device.SetReadHook({}); }
    int Begin(const char*, int) override { return Answer(); }
    int Step(int) override { return Answer(); }
    int SetPos(int) override { return Answer(); }
    int Finish() override { return Answer(); }
    int CheckCancel() override { return Answer(); }
    bool Exceeded() const { return m_exceeded; }
    uint64_t Read() const { return m_read; }

private:
    int Answer()
    {
        if (m_read.load() > m_limit) m_exceeded = true;
        return m_exceeded ? -1 : 0;
    }
    MemoryDevice& m_device;
    uint64_t m_limit;
    std::atomic<uint64_t> m_read{0};
    std::atomic<bool> m_exceeded{false};
};

} // namespace testsupport
