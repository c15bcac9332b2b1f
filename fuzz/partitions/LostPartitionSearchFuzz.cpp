// fuzz-target: salvix_partitions
// The lost-partition search over a 64 MiB disk whose pages the input lists (see PagedFuzzDevice): every
// candidate probed by the FAT, NTFS and ext2 tests on the calling thread; each found partition's window read.
#include "filesystems/common/CLostPartitionRecord.h"
#include "filesystems/common/IPartitionSearchCallback.h"
#include "filesystems/partitions/CPartitionEXT2SearchController.h"
#include "filesystems/partitions/CPartitionFATSearchController.h"
#include "filesystems/partitions/CPartitionNTFSSearchController.h"
#include "filesystems/partitions/CPartitionSearchEngine.h"
#include "fuzz/common/PagedFuzzDevice.h"

#include <cstddef>
#include <cstdint>
#include <vector>

namespace {

class Collect : public IPartitionSearchCallback {
public:
    ~Collect() override
    {
        for (CLostPartitionRecord& r : records) delete r.pDevice;
    }
    void PumpMessages() override {}
    void Step() override {}
    int IsCancelled() override { return 0; }
    void SetStep(int) override {}
    void AdvanceOne() override {}
    void SetRange(uint64_t, uint64_t) override {}
    void SetPos(int) override {}
    void Reserved() override {}
    void OnPartitionFound(const CLostPartitionRecord* record) override { records.push_back(*record); }
    std::vector<CLostPartitionRecord> records;
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size > 1 << 22) return -1;
    fuzz::PagedFuzzDevice disk({data, size}, 512, 131072);
    CPartitionFATSearchController fat;
    CPartitionNTFSSearchController ntfs;
    CPartitionEXT2SearchController ext2;
    CPartitionSearchEngine engine;
    if (!engine.SetDevice(&disk)) return 0;
    engine.AddFileSystemController(&fat);
    engine.AddFileSystemController(&ntfs);
    engine.AddFileSystemController(&ext2);
    engine.AddAlgorithms(240);
    Collect found;
    engine.Search(&found);
    volatile uint64_t sink = 0;
    std::vector<uint8_t> sector(512);
    for (const CLostPartitionRecord& r : found.records) {
        sink = sink + r.u64StartSector + r.u64SectorCount + uint64_t(r.nFileSystemKind);
        if (r.pDevice && r.pDevice->GetSectorCount() > 0)
            sink = sink + r.pDevice->ReadSectors(sector.data(), r.pDevice->GetSectorCount() - 1, 1);
    }
    (void)sink;
    return 0;
}
