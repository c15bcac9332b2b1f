// fuzz-target: salvix_ext2
// ext2 group descriptors under a sound superblock of 1 KiB blocks and 8192 blocks a group: each 32-byte
// descriptor decoded, the table test, and a file system opened from them as a scan opens one.
#include "filesystems/ext2/CExt2FileSystem.h"
#include "filesystems/ext2/CExt2Inode.h"
#include "filesystems/ext2/CExt2SuperBlock.h"
#include "filesystems/ext2/Ext2Exceptions.h"
#include "filesystems/ext2/Ext2Structures.h"
#include "fuzz/common/FuzzDevice.h"

#include <cstddef>
#include <cstdint>
#include <stdexcept>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const uint64_t groups = std::min<uint64_t>(64, std::max<uint64_t>(1, size / ext2::kGroupDescriptorSize));
    std::vector<uint8_t> bytes(data, data + size);
    bytes.resize(groups * ext2::kGroupDescriptorSize);
    std::vector<Ext2GroupDescriptor> table;
    volatile uint64_t sink = 0;
    for (uint64_t g = 0; g < groups; ++g) {
        table.push_back(Ext2GroupDescriptor::Decode(
            std::span<const uint8_t>(bytes).subspan(g * ext2::kGroupDescriptorSize, ext2::kGroupDescriptorSize)));
        uint8_t back[ext2::kGroupDescriptorSize];
        table.back().Encode(back);
        sink = sink + back[0] + table.back().SameBlocks(table.front());
    }

    ext2_super_block record;
    record.s_blocks_per_group = 8192;
    record.s_blocks_count = uint32_t(groups * 8192);
    record.s_inodes_per_group = 256;
    record.s_inodes_count = uint32_t(groups * 256);
    record.s_first_data_block = 1;
    record.s_magic = 0xEF53;
    record.s_rev_level = 1;
    record.s_inode_size = 128;
    record.s_first_ino = 11;
    const CExt2SuperBlock sb(record);
    sink = sink + CExt2FileSystem::IsValidDescriptorTable(sb, table.data(), groups);

    const std::vector<uint8_t> none;
    fuzz::FuzzDevice device(none, 512, groups * 8192 * 2);
    try {
        CExt2FileSystem fs(&device, 0, sb, &table);
        for (uint32_t n : {1u, 2u, 11u, 257u, uint32_t(groups * 256)}) {
            const CExt2Inode inode(&fs, n);
            sink = sink + inode.GetMode() + inode.IsUsable();
        }
    } catch (const CExt2BadSuperBlock&) {
    } catch (const CExt2BadGroupDescriptor&) {
    } catch (const CExt2ReadSectorError&) {
    } catch (const std::out_of_range&) {
    }
    (void)sink;
    return 0;
}
