// fuzz-target: salvix_ntfs
// INDX index records (fix-ups over every unit, entry checks, the parent reference) and $LogFile RCRD pages.
#include "filesystems/ntfs/NtfsIndexRecords.h"

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    std::vector<uint8_t> record(data, data + size);
    volatile uint64_t sink = NtfsIsIndxMagic(record) + NtfsIsRcrdMagic(record) + NtfsIsValidRcrdPage(record);
    sink = sink + NtfsCheckAndFixIndxRecord(record);
    // The check works on the caller's buffer but must hand it back as it was given.
    if (size != 0 && std::memcmp(record.data(), data, size) != 0) __builtin_trap();
    sink = sink + NtfsIndxGetVcn(record) + NtfsIndxGetLsn(record) + uint64_t(NtfsIndxGetFirstParentRef(record));
    (void)sink;
    return 0;
}
