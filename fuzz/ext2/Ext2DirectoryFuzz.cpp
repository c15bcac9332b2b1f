// fuzz-target: salvix_ext2
// ext2 directory blocks as a volume holds them: the input lists pages of a 64 MiB volume (see
// PagedFuzzDevice); the records of the root folder are walked with the directory cursor, then the whole tree is
// built (with and without the bitmap of used blocks).
#include "filesystems/ext2/CExt2DirEntry.h"
#include "filesystems/ext2/CExt2FileSystem.h"
#include "filesystems/ext2/CExt2Inode.h"
#include "filesystems/ext2/CExt2TreeBuilder.h"
#include "filesystems/ext2/Ext2Exceptions.h"
#include "filesystems/tree/FileTree.h"
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
        const CExt2Inode root(&fs, 2);
        if (root.IsUsable() && root.IsDirectory()) {
            uint32_t records = 0;
            for (CExt2DirEntry e = root.EntriesBegin(); !e.AtEnd() && records < 100000; e.Next(), ++records) {
                const Ext2DirRecord r = e.Current();
                sink = sink + r.inode + r.recordLength + r.IsValid() + e.GetPosition();
                const CExt2Inode child = e.MakeInode();
                sink = sink + child.GetNameLength() + child.GetMode();
            }
        }
        for (bool withBitmap : {false, true}) {
            CExt2TreeBuilder builder;
            if (CFileSystemNode* tree = builder.BuildTree(&fs, nullptr, withBitmap)) DeleteFoundTree(tree);
        }
    } catch (const CExt2BadSuperBlock&) {
    } catch (const CExt2BadGroupDescriptor&) {
    } catch (const CExt2ReadSectorError&) {
    } catch (const CExt2DirEntry::CBadDir&) {
    } catch (const std::out_of_range&) {
    }
    (void)sink;
    return 0;
}
