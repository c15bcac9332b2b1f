// fuzz-target: salvix_recoverystate salvix_testsupport
// The found-file tree section of a recovery-state file, read from an in-memory stream holding the input: the
// whole tree with every node's data and properties (NTFS, FAT, ext2, RAW), and one properties record alone.
#include "filesystems/tree/FileTree.h"
#include "core/rsdata/CRSException.h"
#include "storage/recoverystate/RSFileTree.h"
#include "tests/support/MemoryRSData.h"

#include "core/rsdata/RSGuid.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size > 1 << 20) return -1;
    try {
        // The tree reader finds its own section, so the input goes in under the tree's GUID.
        testsupport::MemoryRSData stream;
        stream.BeginSection(kRSFileTreeGuid);
        stream.Write(data, unsigned(size));
        stream.EndSection();
        stream.StartReading();
        if (CFileSystemNode* tree = LoadFileTree(&stream, nullptr)) DeleteFoundTree(tree);
    } catch (const CRSException&) {
    }
    try {
        testsupport::MemoryRSData stream = testsupport::MemoryRSData::Reader({data, data + size});
        std::unique_ptr<IFileProperties> properties(ReadFileProperties(&stream));
    } catch (const CRSException&) {
    }
    return 0;
}
