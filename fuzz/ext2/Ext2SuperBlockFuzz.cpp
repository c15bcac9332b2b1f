// fuzz-target: salvix_ext2
// The ext2 superblock and what opening a file system makes of it: the input is laid at byte 1024 of a 64 MiB
// volume, so its first 1024 bytes are the superblock and the bytes after it the group descriptor table.
#include "filesystems/ext2/CExt2FileSystem.h"
#include "filesystems/ext2/CExt2SuperBlock.h"
#include "filesystems/ext2/Ext2Exceptions.h"
#include "filesystems/ext2/Ext2Structures.h"
#include "fuzz/common/FuzzDevice.h"

#include <cstddef>
#include <cstdint>
#include <exception>
#include <stdexcept>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size > 1 << 18) return -1;
    ext2_super_block record;
    volatile uint64_t sink = ext2_super_block::Decode({data, size}, record) + record.s_blocks_count;
    const CExt2SuperBlock sb({data, size});
    sink = sink + sb.IsValid() + sb.GetKind() + sb.GetSizeInBytes() + uint64_t(sb.GetCopyOffset()) +
           sb.GetFirstInode() + sb.GetInodeSize();
    if (sb.IsValid()) sink = sink + sb.GetBlockSize() + sb.GetGroupCount();

    std::vector<uint8_t> volume(1024, 0);
    volume.insert(volume.end(), data, data + size);
    fuzz::FuzzDevice device(volume, 512, 131072);
    try {
        CExt2FileSystem fs(&device, 2);
        sink = sink + fs.GetGroupCount() + fs.GetVolumeName().size() + uint64_t(fs.GetPrimarySuperBlockSector());
        for (uint64_t g = 0; g < fs.GetGroupCount() && g < 64; ++g) sink = sink + fs.GetGroupDescriptor(g).inodeTable;
        uint64_t block = 0;
        uint32_t offset = 0;
        for (uint32_t inode : {0u, 1u, 2u, 11u, 0xFFFFFFFFu})
            sink = sink + fs.LocateInode(inode, block, offset) + block + offset;
    } catch (const CExt2BadSuperBlock&) {
    } catch (const CExt2BadGroupDescriptor&) {
    } catch (const CExt2ReadSectorError&) {
    } catch (const std::out_of_range&) {
    }
    (void)sink;
    return 0;
}
