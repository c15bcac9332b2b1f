// The collected heap under load: tree builds and volume analysers on several threads while another thread
// forces collections, so that every thread that allocates must be known to the collector.
#include "filesystems/ext2/BuildEXT2.h"
#include "filesystems/ext2/CExt2FileSystem.h"
#include "filesystems/ext2/CExt2Volume.h"
#include "filesystems/ext2/Ext2Collector.h"
#include "filesystems/ext2/Ext2Exceptions.h"
#include "filesystems/ext2/tests/Ext2TestSupport.h"

#include "filesystems/tree/CFileSystemNode.h"
#include "filesystems/tree/FileTree.h"
#include "tests/support/MemoryDevice.h"

#define GC_THREADS
#define GC_NO_THREAD_REDIRECTS
#include <gc/gc.h>

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>
#include <vector>

namespace {

size_t CountNodes(CFileSystemNode* tree)
{
    size_t count = 0;
    WalkFileTreeBreadthFirst(tree, [&](CFileNode*) { ++count; });
    return count;
}

} // namespace

TEST(Ext2Collector, BuildsHoldUpWhileCollectionsRun)
{
    ext2test::Fixture fixture = ext2test::LoadFixture("ext3-1k");
    ASSERT_FALSE(fixture.image.empty());
    testsupport::MemoryDevice device(fixture.image);
    CFileSystemNode* reference = BuildEXT2(&device, nullptr);
    ASSERT_TRUE(reference);
    const size_t expected = CountNodes(reference);
    DeleteFoundTree(reference);

    std::atomic<bool> stop{false};
    std::thread collector([&] {
        Ext2CollectorThread known;
        while (!stop.load()) {
            GC_gcollect();
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
    });
    std::atomic<int> good{0};
    std::vector<std::thread> workers;
    for (int i = 0; i < 3; ++i) {
        workers.emplace_back([&] {
            for (int round = 0; round < 2; ++round) {
                CExt2Volume volume(&device, 0);
                CFileSystemNode* tree = BuildEXT2(&device, nullptr);
                if (tree && volume.GetFileSystemKind() == 5 && CountNodes(tree) == expected) ++good;
                DeleteFoundTree(tree);
            }
        });
    }
    for (std::thread& t : workers) t.join();
    stop = true;
    collector.join();
    EXPECT_EQ(good.load(), 6);
    EXPECT_GT(GC_get_gc_no(), 0u);
}

// A superblock that claims 2^32 blocks of 1 KiB makes a 16 MiB descriptor table; this one's table is not valid,
// so each open reads a candidate and gives up. Collection is paused while candidates are read and nothing else
// allocates from the collector here, so openings that left their candidates to the collector grew its heap by
// 16 MiB each, without end.
TEST(Ext2Collector, OpeningsGiveTheirCandidateTablesBack)
{
    ext2test::Ext2TestImage::Options options;
    options.blocks = 20480;
    ext2test::Ext2TestImage image(options);
    image.SuperBlock().s_blocks_count = 0xFFFFFFFF;
    image.SuperBlock().s_blocks_per_group = 8192;
    image.WriteHeaders();
    testsupport::MemoryDevice device(image.Bytes());

    GC_gcollect();
    const size_t before = GC_get_heap_size();
    for (int i = 0; i < 40; ++i) EXPECT_THROW(CExt2FileSystem(&device, 2), CExt2BadGroupDescriptor);
    EXPECT_LT(GC_get_heap_size() - before, size_t(128) << 20);
}
