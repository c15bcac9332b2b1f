// The table of file-system kinds: one row per kind in kind order, the names the program shows, one
// format-search scanner per family in the order the search runs them, and every piece of every family made
// and telling the number stored for it.
#include "filesystems/partitions/FileSystemRegistry.h"

#include "filesystems/ext2/CEXT2SearchController.h"
#include "filesystems/fat/CFATSearchController.h"
#include "filesystems/ntfs/CNTFSSearchController.h"
#include "filesystems/common/CSearchedPartitionInfo.h"
#include "filesystems/common/IVolume.h"
#include "filesystems/partitions/FileSystemNames.h"
#include "filesystems/partitions/IPartitionFileSystemSearchController.h"
#include "filesystems/tree/FileSystemKind.h"
#include "filesystems/tree/IFileProperties.h"
#include "tests/support/MemoryDevice.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <set>
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

// A family without one of its pieces would silently drop out of a road (its volumes unrecognised, its
// partitions not searched, its saved scans unreadable); the other rows of a family hold none, or the family
// would be asked twice.
TEST(FileSystemRegistry, EveryFamilyHasEveryPieceOnItsFirstRowOnly)
{
    std::set<int> families, probeOrders, searchedTypes, propertiesTypes;
    for (const FileSystemKindInfo& fs : FileSystemKinds()) {
        SCOPED_TRACE(fs.name);
        const FileSystemKindInfo* family = FindFileSystemFamily(fs.kind);
        ASSERT_NE(family, nullptr);
        EXPECT_EQ(family->kind, fs.family);
        EXPECT_EQ(family->family, family->kind);
        EXPECT_EQ(family->runsIn512ByteSectors, fs.runsIn512ByteSectors);
        if (fs.family != fs.kind) {
            EXPECT_TRUE(!fs.makeScanner && !fs.makeVolumeAnalyser && !fs.makeLostPartitionScanner &&
                        !fs.detectBootSector && !fs.readDeviceLabel && !fs.makeSearchedPartitionInfo &&
                        !fs.newProperties);
            continue;
        }
        families.insert(fs.kind);
        ASSERT_NE(fs.makeScanner, nullptr);
        ASSERT_NE(fs.makeVolumeAnalyser, nullptr);
        ASSERT_NE(fs.makeLostPartitionScanner, nullptr);
        ASSERT_NE(fs.makeSearchedPartitionInfo, nullptr);
        ASSERT_NE(fs.newProperties, nullptr);
        EXPECT_TRUE(probeOrders.insert(fs.volumeProbeOrder).second);
        EXPECT_TRUE(searchedTypes.insert(fs.searchedPartitionType).second);
        EXPECT_TRUE(propertiesTypes.insert(fs.propertiesType).second);

        // Nothing is recognised on zeros.
        testsupport::MemoryDevice zeros(std::vector<uint8_t>(64 * 512, 0));
        const std::unique_ptr<IVolume> analyser = fs.makeVolumeAnalyser(&zeros, 0);
        ASSERT_NE(analyser, nullptr);
        EXPECT_EQ(analyser->GetFileSystemKind(), kFsKindNone);
        EXPECT_NE(fs.makeLostPartitionScanner(), nullptr);
        if (fs.detectBootSector) {
            EXPECT_EQ(fs.detectBootSector(std::vector<uint8_t>(512, 0), 512), kFsKindNone);
        }

        // What a saved scan stores for a found partition and a file's properties comes back as the same kind.
        const std::unique_ptr<CSearchedPartitionInfo> partition = fs.makeSearchedPartitionInfo(512);
        ASSERT_NE(partition, nullptr);
        EXPECT_EQ(partition->GetKind(), fs.searchedPartitionType);
        const std::unique_ptr<IFileProperties> properties(fs.newProperties());
        ASSERT_NE(properties, nullptr);
        EXPECT_EQ(properties->GetPropertiesType(), fs.propertiesType);
    }
    EXPECT_EQ(families, (std::set<int>{kFsKindFat12, kFsKindNtfs, kFsKindExt2}));
    // The numbers of the other stored kinds are not a file system's.
    EXPECT_FALSE(searchedTypes.count(kSearchedPartitionPlain));
    EXPECT_FALSE(propertiesTypes.count(kPropertiesRAW) || propertiesTypes.count(kPropertiesPlain));
}

// Each MBR partition type names one kind at most (a second row's would never be read); the ids themselves are
// checked with the partition tables.
TEST(FileSystemRegistry, PartitionTypesNameOneKindEach)
{
    std::map<uint8_t, int> owner;
    for (const FileSystemKindInfo& fs : FileSystemKinds())
        for (uint8_t type : fs.partitionTypes) {
            EXPECT_TRUE(owner.emplace(type, fs.kind).second) << int(type);
            EXPECT_EQ(GetFileSystemKindFromPartitionType(type), fs.kind) << int(type);
        }
}
