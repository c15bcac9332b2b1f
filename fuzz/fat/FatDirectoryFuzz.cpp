// fuzz-target: salvix_fat
// FAT directory entries: each 32-byte entry's fields, name and tests, the long-name pieces, the properties
// made from a run of entries, and the build's processing of a whole directory buffer (as a folder and as lost
// entries found by a scan).
#include "filesystems/fat/CFATBuildContext.h"
#include "filesystems/fat/CFATDirEntry.h"
#include "filesystems/fat/CFATFileProperties.h"
#include "filesystems/fat/CFATLongNameEntry.h"
#include "filesystems/fat/FATTables.h"
#include "filesystems/tree/CFileSystemNode.h"
#include "fuzz/common/FuzzDevice.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace {

// A table that knows nothing: every lookup answers 0.
class EmptyTable : public IFATTable {
public:
    uint32_t GetNextCluster(uint32_t) const override { return 0; }
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size > 1 << 16) return -1;
    const std::span<const uint8_t> bytes(data, size);
    volatile uint64_t sink = 0;
    const FATEntryChecks checks;
    std::u16string units;
    for (size_t at = 0; at < size; at += 32) {
        const std::span<const uint8_t> e = bytes.subspan(at, std::min<size_t>(32, size - at));
        CFATDirEntry entry;
        sink = sink + entry.AttachAndCheck(e, checks) + entry.IsValidEntry(true, checks) + entry.IsDotEntry() +
               entry.IsDotDotEntry() + entry.GetFirstCluster() + entry.GetFileSize() + entry.GetShortName().size() +
               entry.GetShortName(true).size() + IsValidFATFileName(entry.GetShortName());
        CFATLongNameEntry::AppendUnits(e, units);
        std::string text;
        sink = sink + CFATLongNameEntry::ToMultiByte(e, text) + text.size();
    }
    sink = sink + units.size();
    if (auto properties = MakeFATFileProperties(bytes)) sink = sink + properties->GetSize();

    fuzz::FuzzDevice device(bytes, 512, 4096);
    FATVolumeGeometry geometry;
    geometry.type = 1;
    geometry.sectorsPerCluster = 4;
    geometry.rootSector = 1;
    geometry.rootSectors = 32;
    geometry.rootPresent = true;
    geometry.dataStart = 33;
    geometry.sectorCount = device.GetSectorCount();
    const EmptyTable table;
    for (bool lost : {false, true}) {
        CFATBuildContext context(nullptr, &device, geometry, &table);
        CFileSystemNode* partition = context.MakePartitionNode(0);
        FATDirectoryQueue queue;
        const int reached = context.ProcessDirectoryEntries(bytes, partition, queue, lost, true);
        if (reached > int(size)) __builtin_trap();
        context.FreeBuildTree(partition);
    }
    (void)sink;
    return 0;
}
