// fuzz-target: salvix_ntfs
// NTFS boot sectors: the classifying test, the record sizes it declares and the checked copy's accessors.
#include "filesystems/ntfs/CNTFSDBR.h"

#include <cstddef>
#include <cstdint>
#include <span>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::span<const uint8_t> sector(data, size);
    volatile uint64_t sink = HasNtfsOemId(sector) + GetBytesPerFileRecord(sector) + GetBytesPerIndexRecord(sector);
    CNTFSDBR dbr;
    const bool usable = IsNtfsBootSector(sector);
    if (dbr.Attach(sector) != usable) __builtin_trap();
    if (usable) {
        const uint32_t record = dbr.GetBytesPerFileRecord();
        if (record < 1024 || record > 4096 || (record & (record - 1)) != 0) __builtin_trap();
        sink = sink + dbr.GetTotalSectors() + dbr.GetMftCluster() + dbr.GetMftMirrCluster() +
               dbr.GetSectorsPerCluster() + dbr.GetBytesPerSector() + dbr.GetSerialNumber() + dbr.GetOemId()[0] +
               dbr.GetBytesPerIndexRecord();
    }
    (void)sink;
    return 0;
}
