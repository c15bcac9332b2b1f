// Writes seeds for the recovery-state fuzz targets from the tree of a fixture volume: the tree section alone
// (as the in-memory stream holds it), and whole state files (plain and piece-compressed) with a header, a
// partition list and the tree.
// Usage: salvix-stateseed <output folder> <seed name> <fat16|fat32|ntfs|ext2> <volume image>
#include "core/devices/CImageFileDevice.h"
#include "filesystems/ext2/BuildEXT2.h"
#include "filesystems/fat/BuildFAT.h"
#include "filesystems/ntfs/BuildNTFS.h"
#include "filesystems/common/CLostPartitionRecord.h"
#include "filesystems/tree/FileTree.h"
#include "core/rsdata/CRSData.h"
#include "storage/recoverystate/CRSDataEx.h"
#include "storage/recoverystate/RSFileTree.h"
#include "core/rsdata/RSGuid.h"
#include "storage/recoverystate/RSPartitionList.h"
#include "tests/support/MemoryRSData.h"

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

namespace {

bool WriteState(IRSData& stream, const std::string& path, CFileSystemNode* tree, uint64_t sectors)
{
    if (!stream.Open(path.c_str(), true)) return false;
    RSHeader header;
    header.kind = 1;
    const char title[] = "seed state";
    header.titleLength = int32_t(std::strlen(title));
    std::memcpy(header.title, title, std::strlen(title));
    stream.WriteHeader(&header);
    CLostPartitionRecord record;
    record.u64StartSector = 0;
    record.u64SectorCount = sectors;
    record.nFileSystemKind = 1;
    std::strcpy(record.szLabel, "SEED");
    const std::vector<CLostPartitionRecord*> list{&record};
    SavePartitionList(list, &record, &stream);
    SaveFileTree(tree, &stream, nullptr);
    return stream.Close();
}

} // namespace

int main(int argc, char** argv)
{
    if (argc != 5) {
        std::fprintf(stderr, "usage: %s <output folder> <seed name> <fat16|fat32|ntfs|ext2> <volume image>\n", argv[0]);
        return 2;
    }
    namespace fs = std::filesystem;
    const fs::path out = argv[1];
    const std::string name = argv[2];
    const std::string kind = argv[3];
    CImageFileDevice device(argv[4]);
    device.Open();
    CFileSystemNode* tree = kind == "ntfs"   ? BuildNTFS(&device, nullptr)
                            : kind == "ext2" ? BuildEXT2(&device, nullptr)
                                             : BuildFAT(&device, kind == "fat32", true, nullptr);
    if (tree == nullptr) {
        std::fprintf(stderr, "salvix-stateseed: no %s tree in %s\n", kind.c_str(), argv[4]);
        return 1;
    }
    int failures = 0;
    for (const char* target : {"RSFileTreeFuzz", "RSSectionsFuzz", "RSHeaderFuzz"})
        fs::create_directories(out / target);

    testsupport::MemoryRSData memory;
    SaveFileTree(tree, &memory, nullptr);
    const std::vector<uint8_t> section = memory.SectionBytes(kRSFileTreeGuid);
    std::ofstream(out / "RSFileTreeFuzz" / name, std::ios::binary)
        .write(reinterpret_cast<const char*>(section.data()), std::streamsize(section.size()));

    CRSData plain(CRSData::kModeWrite);
    CRSDataEx compressed(CRSData::kModeWrite);
    const fs::path plainPath = out / "RSSectionsFuzz" / (name + "-plain");
    const fs::path compressedPath = out / "RSSectionsFuzz" / (name + "-compressed");
    failures += !WriteState(plain, plainPath.string(), tree, device.GetSectorCount());
    failures += !WriteState(compressed, compressedPath.string(), tree, device.GetSectorCount());
    std::error_code ec;
    fs::copy_file(compressedPath, out / "RSHeaderFuzz" / name, fs::copy_options::overwrite_existing, ec);
    failures += bool(ec);
    DeleteFoundTree(tree);
    return failures == 0 ? 0 : 1;
}
