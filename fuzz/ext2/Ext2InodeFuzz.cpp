// fuzz-target: salvix_ext2
// ext2 inodes as a volume holds them: the input lists pages of a 64 MiB volume (see PagedFuzzDevice), the
// file system is opened from its superblock, and every inode is read with its sizes, tests, block map
// (iterator and walker) and data blocks.
#include "filesystems/ext2/CExt2BlockIterator.h"
#include "filesystems/ext2/CExt2BlockMapWalker.h"
#include "filesystems/ext2/CExt2FileSystem.h"
#include "filesystems/ext2/CExt2Inode.h"
#include "filesystems/ext2/CExt2InodeIterator.h"
#include "filesystems/ext2/Ext2Exceptions.h"
#include "fuzz/common/PagedFuzzDevice.h"

#include <cstddef>
#include <cstdint>
#include <stdexcept>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size > 1 << 22) return -1;
    fuzz::PagedFuzzDevice device({data, size}, 512, 131072);
    volatile uint64_t sink = 0;
    try {
        CExt2FileSystem fs(&device, 2);
        uint32_t visited = 0;
        for (CExt2InodeIterator it(&fs); !it.AtEnd() && visited < 4096; it.Next(), ++visited) {
            CExt2Inode inode;
            it.GetInode(inode);
            sink = sink + it.GetGroup() + inode.GetSize() + inode.GetDataSize() + inode.IsSparse() +
                   inode.GetBlockCount() + inode.IsDirectory() + inode.IsDeleted();
            if (!inode.IsUsable()) continue;
            const uint64_t mappable = CExt2BlockIterator::MappableBlocks(fs.GetBlockSize());
            for (uint32_t index : {0u, 11u, 12u, 300u, uint32_t(mappable - 1), uint32_t(mappable)}) {
                CExt2BlockIterator blocks(inode, index);
                sink = sink + blocks.MapBlock();
                const CExt2BlockIterator::Block block = blocks.ReadBlock();
                if (block.data != nullptr) sink = sink + block.data[0];
            }
            uint64_t reported = 0;
            CExt2BlockMapWalker(inode).Walk(inode.GetBlockCount(), fs.GetSuperBlock().Record().s_blocks_count,
                                            [&](uint64_t logical, uint32_t b, uint64_t count) {
                                                sink = sink + logical + b + count;
                                                return ++reported < 100000;
                                            });
        }
    } catch (const CExt2BadSuperBlock&) {
    } catch (const CExt2BadGroupDescriptor&) {
    } catch (const CExt2ReadSectorError&) {
    } catch (const std::out_of_range&) {
    }
    (void)sink;
    return 0;
}
