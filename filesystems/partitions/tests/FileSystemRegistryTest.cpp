// The table of file-system kinds: one row per kind in kind order, the names the program shows, and one
// format-search scanner per family in the order the search runs them.
#include "filesystems/partitions/FileSystemRegistry.h"

#include "filesystems/ext2/CEXT2SearchController.h"
#include "filesystems/fat/CFATSearchController.h"
#include "filesystems/ntfs/CNTFSSearchController.h"
#include "filesystems/partitions/FileSystemNames.h"
#include "filesystems/tree/FileSystemKind.h"

#include <gtest/gtest.h>

#include <typeindex>
#include <vector>

TEST(FileSystemRegistry, OneRowPerKindWithItsNameBuilderAndFamilyScanner)
{
    const std::vector<std::pair<int, const char*>> expected = {{kFsKindFat12, "FAT12"}, {kFsKindFat16, "FAT16"},
                                                               {kFsKindFat32, "FAT32"}, {kFsKindNtfs, "NTFS"},
                                                               {kFsKindExt2, "EXT2"},   {kFsKindExt3, "EXT3"}};
    ASSERT_EQ(FileSystemKinds().size(), expected.size());
    for (const auto& [kind, name] : expected) {
        SCOPED_TRACE(name);
        const FileSystemKindInfo* info = FindFileSystemKind(kind);
        ASSERT_NE(info, nullptr);
        EXPECT_EQ(info->kind, kind);
        EXPECT_STREQ(info->name, name);
        EXPECT_STREQ(GetFileSystemName(kind), name);
        EXPECT_NE(info->buildVolumeTree, nullptr);
    }
    for (int kind : {int(kFsKindRaw), int(kFsKindNone), -1, 99}) {
        EXPECT_EQ(FindFileSystemKind(kind), nullptr) << kind;
        EXPECT_STREQ(GetFileSystemName(kind), "UNKNOWN") << kind;
    }
    // FAT16 and FAT12 volumes are built alike; FAT32 reads its own boot sectors.
    EXPECT_EQ(FindFileSystemKind(kFsKindFat12)->buildVolumeTree, FindFileSystemKind(kFsKindFat16)->buildVolumeTree);
    EXPECT_NE(FindFileSystemKind(kFsKindFat16)->buildVolumeTree, FindFileSystemKind(kFsKindFat32)->buildVolumeTree);
    EXPECT_EQ(FindFileSystemKind(kFsKindExt2)->buildVolumeTree, FindFileSystemKind(kFsKindExt3)->buildVolumeTree);

    std::vector<std::type_index> scanners;
    for (const FileSystemKindInfo& fs : FileSystemKinds())
        if (fs.makeScanner) {
            const auto scanner = fs.makeScanner();
            ASSERT_NE(scanner, nullptr);
            EXPECT_EQ(scanner->GetKind(), fs.scannerKind) << fs.name;
            scanners.emplace_back(typeid(*scanner));
        }
    EXPECT_EQ(scanners, (std::vector<std::type_index>{typeid(CFATSearchController), typeid(CNTFSSearchController),
                                                      typeid(CEXT2SearchController)}));
}
