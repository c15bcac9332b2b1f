// salvix-e2e: the headless road of a deleted-file recovery, for end-to-end tests. It opens an image as a
// volume, builds the tree of its file system, gathers "Deleted Files" as the wizard does, checks every file
// in it and saves them through the folder job.
//   salvix-e2e deleted IMAGE [IMAGE...] OUTDIR
//     Several images are the member disks of a dynamic volume: their dynamic-disk databases are read and the
//     first volume they describe is recovered (a member left out is a missing disk). One image is the volume
//     itself, unless it is a dynamic disk, whose first volume is then recovered, or a partitioned disk, whose
//     partitions are each recovered into OUTDIR/"partition N". SALVIX_E2E_SECTOR_SIZE as for raw (a disk of
//     4096-byte sectors, for instance); a GPT disk of 4096-byte sectors is seen so without it.
//   salvix-e2e volumes   (the enumerated volume records: letter, kind, size, label, one a line; SALVIX_DISKS
//                         names disk images, dynamic disks among them; disks and SALVIX_DRIVES entries that
//                         cannot be read are told on stderr; exits 1 when no volume was found)
//   salvix-e2e raw IMAGE OUTDIR   (signature recovery of the whole image with every type; the environment's
//                                  SALVIX_E2E_SECTOR_SIZE views the image with larger sectors, 4096 for instance)
//   salvix-e2e format IMAGE OUTDIR   (format recovery: one intelligent search over the whole image with every
//                                     scanner, the ranked partitions one a line "KIND first=S sectors=N score=R
//                                     recommended=0|1 whole-disk=0|1", then the tree of each recommended
//                                     partition saved whole (live, deleted and lost files) under
//                                     OUTDIR/<partition name>/; SALVIX_E2E_SECTOR_SIZE as for raw)
//   salvix-e2e partitions IMAGE   (the lost-partition search of a disk image: each partition found, one a line:
//                                  file system, first sector, sector count, label, tab-separated)
//   salvix-e2e lost IMAGE OUTDIR  (the lost-partition search, then every file of each found partition's tree
//                                  saved under OUTDIR/<the partition's folder name>)
// Prints "saved N files, M failed" and exits 0 when every file found was saved (none found included); 3 when
// some were saved and others failed or have unreadable parts; 1 with a message when nothing could be saved,
// when the image cannot be used or when the output folder cannot be made or written (with the system's
// reason); 2 on a wrong command line. An image shorter than its file system is still read, says so ("the source
// is shorter than its file system") and never exits 0: 3 when files were found, 1 when none were.
// SALVIX_E2E_BAD_SECTORS=2048-2055,90000 makes the image fail those sectors (512-byte units) with EIO, as a dying
// disk does, in every mode. Sectors that could not be read are told at the end ("N sectors could not be read,
// M of them passed over unread") and make a run that would exit 0 exit 3.
#include "core/devices/CImageFileDevice.h"
#include "core/devices/CReadLossScope.h"
#include "filesystems/ext2/BuildEXT2.h"
#include "filesystems/ext2/CEXT2SearchController.h"
#include "filesystems/fat/BuildFAT.h"
#include "filesystems/ntfs/BuildNTFS.h"
#include "filesystems/ntfs/DeletedFilesGathering.h"
#include "filesystems/fat/CFATSearchController.h"
#include "filesystems/ntfs/CNTFSSearchController.h"
#include "filesystems/partitions/CCollectBasicVolume.h"
#include "filesystems/partitions/CIntelligentSearchController.h"
#include "filesystems/partitions/SearchedPartitionScoring.h"
#include "filesystems/partitions/CLostPartitionSearchRunner.h"
#include "filesystems/partitions/CLdmDatabase.h"
#include "filesystems/partitions/FileSystemNames.h"
#include "filesystems/partitions/VolumesReport.h"
#include "core/CRecoverySettings.h"
#include "filesystems/common/CIntelligentSearchStatistics.h"
#include "filesystems/tree/CFileSystemNode.h"
#include "filesystems/tree/CRawFileList.h"
#include "filesystems/tree/CRawResultTreeBuilder.h"
#include "raw/CRAWSearchController.h"
#include "raw/CCustomHeaderManage.h"
#include "raw/RawListHitMeasurer.h"
#include "filesystems/tree/FileTree.h"
#include "platform/DiskTable.h"
#include "platform/Log.h"
#include "platform/Memory.h"
#include "storage/saving/IFileRecoverCallback.h"
#include "storage/saving/RecoverFolderJob.h"
#include "tests/support/FailingSectorsBlockDevice.h"

#include <sys/statvfs.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <algorithm>
#include <cctype>
#include <set>
#include <sstream>
#include <filesystem>
#include <string>
#include <vector>

namespace {

struct FileSystemBuilder {
    int32_t kind; // as the volume analysers name it (kFsKind*)
    const char* name;
    // The tree of the whole volume, or null; the caller frees it with DeleteFoundTree.
    CFileSystemNode* (*build)(IStorageDevice* volume);
};

// A file system joins with one line here.
const FileSystemBuilder kBuilders[] = {
    {kFsKindFat12, "FAT12", [](IStorageDevice* v) { return BuildFAT(v, false, false, nullptr); }},
    {kFsKindFat16, "FAT16", [](IStorageDevice* v) { return BuildFAT(v, false, false, nullptr); }},
    {kFsKindFat32, "FAT32", [](IStorageDevice* v) { return BuildFAT(v, true, false, nullptr); }},
    {kFsKindNtfs, "NTFS", [](IStorageDevice* v) { return BuildNTFS(v, nullptr); }},
    {kFsKindExt2, "EXT2", [](IStorageDevice* v) { return BuildEXT2(v, nullptr); }},
    {kFsKindExt3, "EXT3", [](IStorageDevice* v) { return BuildEXT2(v, nullptr); }},
};

// Counts what the job reports; never cancels.
class ConsoleCallback : public IFileRecoverCallback {
public:
    int Begin(int, uint64_t) override { return 0; }
    int AddFilesDone(int) override { return 0; }
    int AddBytesDone(uint64_t n) override
    {
        bytes += n;
        return 0;
    }
    int SubtractBytes(int n) override
    {
        bytes -= uint64_t(n);
        return 0;
    }
    int SetCurrentFile(const char*) override { return 0; }
    int CheckCancel() override { return 0; }

    uint64_t bytes = 0;
};

// Tells the problem on stderr and in the log; returns the exit code of an error.
int Fail(const char* format, const char* a, const char* b = "")
{
    char message[8192];
    std::snprintf(message, sizeof message, format, a, b);
    std::fprintf(stderr, "salvix-e2e: %s\n", message);
    LogError("salvix-e2e: %s", message);
    return 1;
}

// The image as a device; with SALVIX_E2E_BAD_SECTORS its listed sectors fail as a dying disk's do. The list
// is checked by main before anything runs.
std::unique_ptr<CImageFileDevice> OpenImage(const std::string& path)
{
    const char* bad = std::getenv("SALVIX_E2E_BAD_SECTORS");
    const auto ranges = bad ? testsupport::FailingSectorsBlockDevice::Parse(bad) : std::nullopt;
    if (!ranges) return std::make_unique<CImageFileDevice>(path);
    return std::make_unique<CImageFileDevice>(path, [ranges](std::unique_ptr<plat::IBlockDevice> inner) {
        return std::make_unique<testsupport::FailingSectorsBlockDevice>(std::move(inner), *ranges);
    });
}

// Makes the output folder when it is missing and checks that it can be written, so that a target that cannot
// be used is told with the system's reason before anything is saved. 0 or the exit code of the error.
int CheckOutputFolder(const char* outdir)
{
    std::error_code error;
    std::filesystem::create_directories(outdir, error);
    if (error) return Fail("%s: cannot make the output folder: %s", outdir, error.message().c_str());
    if (!std::filesystem::is_directory(outdir, error))
        return Fail("%s: cannot make the output folder: %s", outdir, std::strerror(ENOTDIR));
    if (::access(outdir, W_OK | X_OK) != 0)
        return Fail("%s: cannot write to the output folder: %s", outdir, std::strerror(errno));
    return 0;
}

// Saves the checked files below node into outdir and prints what became of them. The exit code: 0 all saved,
// 3 partly, 1 nothing saved.
int SaveAndReport(IStorageDevice* device, CFileSystemNode* root, CFileNode* node, const char* outdir)
{
    if (int code = CheckOutputFolder(outdir)) return code;
    root->ToggleCheckState(node, false);
    RecoverFolderJob job;
    ConsoleCallback callback;
    std::string made;
    const auto jobStart = std::chrono::steady_clock::now();
    RecoverFolder(job, &callback, device, node, outdir, &made);
    if (std::getenv("SALVIX_E2E_TIMES")) // for bench/saving_many.sh: the folder job alone
        std::fprintf(stderr, "folder job %.3f s\n",
                     std::chrono::duration<double>(std::chrono::steady_clock::now() - jobStart).count());
    const RecoverCounts& counts = job.GetCounts();
    std::printf("saved %d files, %d failed\n", counts.filesSaved, counts.filesFailed);
    if (counts.filesPartial)
        std::printf("%d files with unreadable parts (%llu bytes)\n", counts.filesPartial,
                    static_cast<unsigned long long>(counts.unreadableBytes));
    if (counts.foldersFailed) std::printf("%d folders could not be made\n", counts.foldersFailed);
    if (!made.empty()) std::printf("into %s\n", made.c_str());
    std::fflush(stdout);
    if (counts.filesFailed || counts.foldersFailed) {
        // The usual cause of files failing in a folder that could be written: no room left on its file system.
        struct statvfs space {};
        const std::string where = made.empty() ? std::string(outdir) : made;
        if (::statvfs(where.c_str(), &space) == 0 && (space.f_bavail == 0 || space.f_favail == 0))
            Fail("%s: files could not be saved: %s", where.c_str(), std::strerror(ENOSPC));
        else
            Fail("%s: some files could not be saved; the log names them", where.c_str());
    }
    switch (job.result.Get()) {
    case kRecoverSaved: return 0;
    case kRecoverPartial: return 3;
    default: return 1;
    }
}

// The image seen with sectors of a larger size (its size cut to whole sectors).
class LargeSectorView : public IStorageDevice {
public:
    LargeSectorView(IStorageDevice* inner, int32_t sectorSize)
        : m_inner(inner), m_sectorSize(sectorSize), m_ratio(uint64_t(sectorSize) / 512)
    {
    }
    bool ReadSectors(void* buffer, uint64_t first, uint64_t count) override
    {
        if (first > UINT64_MAX / m_ratio || count > UINT64_MAX / m_ratio) return false;
        return m_inner->ReadSectors(buffer, first * m_ratio, count * m_ratio);
    }
    uint64_t GetSectorCount() override { return m_inner->GetSectorCount() / m_ratio; }
    int32_t GetSectorSize() override { return m_sectorSize; }
    bool Open() override { return true; }
    bool Close() override { return true; }

private:
    IStorageDevice* m_inner;
    int32_t m_sectorSize;
    uint64_t m_ratio;
};

// The sector size the environment's SALVIX_E2E_SECTOR_SIZE asks for: 512 when it is not set, 0 (told) when
// it is not one of 512, 1024, 2048, 4096.
int RequestedSectorSize(const char* image)
{
    const char* size = std::getenv("SALVIX_E2E_SECTOR_SIZE");
    if (!size) return 512;
    const int sectorSize = std::atoi(size);
    if (sectorSize < 512 || sectorSize > 4096 || sectorSize % 512 != 0) {
        Fail("%s: sector size %s is not one of 512, 1024, 2048, 4096", image, size);
        return 0;
    }
    return sectorSize;
}

int RecoverDeleted(IStorageDevice& device, const char* image, const char* outdir)
{
    // The volume analysers decide which builder reads the volume.
    const VolumeIdentity identity = IdentifyVolumeFileSystem(&device);
    const FileSystemBuilder* builder = nullptr;
    for (const FileSystemBuilder& b : kBuilders)
        if (b.kind == identity.kind) builder = &b;
    if (!builder) return Fail("%s: no NTFS, FAT or ext2 file system found", image);
    CFileSystemNode* tree = builder->build(&device);
    if (!tree) return Fail("%s: the %s file system could not be read", image, builder->name);
    // An image cut short is still read; what lies past its end is unreadable, and the user is told so.
    const uint64_t deviceSectors = device.GetSectorCount();
    const bool shortSource = identity.totalSectors > deviceSectors;
    if (shortSource) {
        const uint64_t sectorSize = uint64_t(std::max<int32_t>(device.GetSectorSize(), 1));
        std::printf("the source is shorter than its file system: %llu of %llu bytes\n",
                    static_cast<unsigned long long>(deviceSectors * sectorSize),
                    static_cast<unsigned long long>(identity.totalSectors * sectorSize));
        LogError("%s: the source is shorter than its %s file system (%llu of %llu sectors)", image, builder->name,
                 static_cast<unsigned long long>(deviceSectors),
                 static_cast<unsigned long long>(identity.totalSectors));
    }

    // As the deleted-file page does: "Deleted Files" under a new root whose teardown spares the shared properties.
    CFileSystemNode* root = GatherDeletedFiles(tree);
    CFileNode* folder = root->GetFirstChild();
    const bool foundAny = folder->GetFirstChild() != nullptr;

    int exitCode = 0;
    if (foundAny)
        exitCode = SaveAndReport(&device, root, folder, outdir);
    else
        std::printf("saved 0 files, 0 failed\n");
    DeleteFoundTree(root);
    DeleteFoundTree(tree);
    // Part of the file system is missing: what it held there is not even known, so the recovery is never
    // whole, and finding nothing says nothing about the volume.
    if (shortSource && exitCode == 0) {
        if (!foundAny) {
            std::fflush(stdout);
            return Fail("%s: nothing was found; the source is shorter than its %s file system", image, builder->name);
        }
        return 3;
    }
    return exitCode;
}

int RecoverRaw(const char* image, const char* outdir)
{
    std::unique_ptr<CImageFileDevice> opened = OpenImage(image);
    CImageFileDevice& file = *opened;
    if (!file.IsOpen()) return Fail("%s: cannot open the image: %s", image, file.GetOpenError().c_str());
    IStorageDevice* device = &file;
    std::unique_ptr<LargeSectorView> view;
    const int sectorSize = RequestedSectorSize(image);
    if (sectorSize == 0) return 1;
    if (sectorSize != 512) {
        view = std::make_unique<LargeSectorView>(&file, sectorSize);
        device = view.get();
    }

    // Every type at the default options: the fixed types and the custom types of the header scripts.
    CRecoverySettings& options = *GetRecoverySettings();
    for (int id : LoadCustomRawTypeIds()) options.m_rawTypeIds.push_back(id);

    CRawFileList hits;
    CRAWSearchController scan;
    const int blockSectors = 4194304 / device->GetSectorSize();
    scan.SetRawFileList(&hits);
    scan.SetDevice(device);
    scan.SetBlockSectors(blockSectors);
    scan.BeginSearch();
    CIntelligentSearchStatistics statistics;
    const uint64_t sectors = device->GetSectorCount();
    for (uint64_t first = 0; first < sectors; first += uint64_t(blockSectors))
        scan.AnalyzeBlock(first, std::min<uint64_t>(uint64_t(blockSectors), sectors - first), &statistics);
    scan.EndSearch();

    RawListHitMeasurer measurer;
    CRawResultTreeBuilder builder;
    CFileSystemNode* root = builder.Build(device, hits.GetIterator(), nullptr, nullptr, &measurer);
    if (!root) return Fail("%s: %s", image, "no RAW tree was built");
    int exitCode = 0;
    if (root->GetFirstChild()) // the tree names 512-byte units: the files are read through the 512-byte view
        exitCode = SaveAndReport(device->GetAs512SectorDevice(), root, root, outdir);
    else
        std::printf("saved 0 files, 0 failed\n");
    DeleteFoundTree(root);
    return exitCode;
}

// The scanners of format recovery, in the wizard's order (FAT, NTFS, EXT2, RAW). A scanner joins with one
// line here.
std::vector<std::unique_ptr<IFileSystemSearchController>> MakeFormatScanners()
{
    std::vector<std::unique_ptr<IFileSystemSearchController>> scanners;
    scanners.push_back(std::make_unique<CFATSearchController>());
    scanners.push_back(std::make_unique<CNTFSSearchController>());
    scanners.push_back(std::make_unique<CEXT2SearchController>());
    scanners.push_back(std::make_unique<CRAWSearchController>());
    return scanners;
}

const char* FoundPartitionKindName(const CSearchedPartitionInfo& p)
{
    switch (p.nFileSystemKind) {
    case kFsKindFat12: return "FAT12";
    case kFsKindFat16: return "FAT16";
    case kFsKindFat32: return "FAT32";
    case kFsKindNtfs: return "NTFS";
    case kFsKindExt2: return "EXT2";
    case kFsKindExt3: return "EXT3";
    default: return "NONE";
    }
}

int RecoverFormat(const char* image, const char* outdir)
{
    std::unique_ptr<CImageFileDevice> opened = OpenImage(image);
    CImageFileDevice& file = *opened;
    if (!file.IsOpen()) return Fail("%s: cannot open the image: %s", image, file.GetOpenError().c_str());
    IStorageDevice* device = &file;
    std::unique_ptr<LargeSectorView> view;
    const int sectorSize = RequestedSectorSize(image);
    if (sectorSize == 0) return 1;
    if (sectorSize != 512) {
        view = std::make_unique<LargeSectorView>(&file, sectorSize);
        device = view.get();
    }
    if (int code = CheckOutputFolder(outdir)) return code;
    CRecoverySettings& options = *GetRecoverySettings();
    for (int id : LoadCustomRawTypeIds()) options.m_rawTypeIds.push_back(id);

    // One pass over the image feeds every scanner.
    std::vector<std::unique_ptr<IFileSystemSearchController>> scanners = MakeFormatScanners();
    CSearchControllerList controllers;
    for (auto& scanner : scanners) controllers.push_back(scanner.get());
    CRawFileList hits;
    SetControllersRawFileList(controllers, &hits);
    CIntelligentSearchController search;
    search.SetDevice(device);
    for (IFileSystemSearchController* c : controllers) search.AddController(c);
    if (!search.Run(nullptr)) return Fail("%s: %s", image, "the search could not be started");

    CSearchedPartitionList partitions;
    for (IFileSystemSearchController* c : controllers) c->GetSearchedPartitions(partitions);
    RankSearchedPartitions(partitions);
    SortPartitionsByScore(partitions);
    SelectRecommendedPartitions(partitions, device->GetSectorCount(), uint32_t(device->GetSectorSize()));
    for (const CSearchedPartitionInfo* p : partitions)
        std::printf("%s first=%llu sectors=%llu score=%.3f recommended=%d whole-disk=%d\n", FoundPartitionKindName(*p),
                    static_cast<unsigned long long>(p->u64StartSector),
                    static_cast<unsigned long long>(p->u64SectorsCount), p->dRank, p->bRecommended ? 1 : 0,
                    p->bWholeDisk ? 1 : 0);
    std::fflush(stdout);

    RecoverCounts total;
    int kept = 0, failedBuilds = 0;
    bool anySaved = false;
    int index = 0;
    for (CSearchedPartitionInfo* p : partitions) {
        const int ordinal = index++;
        if (!p->bRecommended) continue;
        ++kept;
        CFileSystemNode* tree = DispatchBuildDirectory(controllers, p, device, ordinal, nullptr);
        if (!tree) {
            ++failedBuilds;
            Fail("%s: the tree of the %s partition could not be built", image, FoundPartitionKindName(*p));
            continue;
        }
        if (tree->GetFirstChild()) {
            tree->ToggleCheckState(tree, false);
            RecoverFolderJob job;
            ConsoleCallback callback;
            std::string made;
            RecoverFolder(job, &callback, device, tree, outdir, &made);
            const RecoverCounts& counts = job.GetCounts();
            total.filesSaved += counts.filesSaved;
            total.filesFailed += counts.filesFailed;
            total.filesPartial += counts.filesPartial;
            total.foldersFailed += counts.foldersFailed;
            total.unreadableBytes += counts.unreadableBytes;
            anySaved = anySaved || counts.filesSaved > 0;
            if (!made.empty()) std::printf("into %s\n", made.c_str());
        }
        DeleteFoundTree(tree);
    }
    for (CSearchedPartitionInfo* p : partitions) DeleteSearchedPartitionInfo(p);
    std::printf("saved %d files, %d failed\n", total.filesSaved, total.filesFailed);
    if (total.filesPartial)
        std::printf("%d files with unreadable parts (%llu bytes)\n", total.filesPartial,
                    static_cast<unsigned long long>(total.unreadableBytes));
    std::fflush(stdout);
    if (kept == 0) return Fail("%s: %s", image, "no partition was found");
    if (total.filesFailed || total.foldersFailed || total.filesPartial || failedBuilds) return anySaved ? 3 : 1;
    return 0;
}

// A whole-disk image: every partition of its table that holds a known file system is recovered into a folder
// "partition N" of its own (N in table order from 1). -1 when the table names no partition; else 0 when every
// partition was saved whole, 1 when none gave anything, 3 otherwise.
int RecoverPartitions(IStorageDevice* disk, const char* image, const char* outdir)
{
    CStorageDeviceList disks{disk};
    CVolumeDeviceRecordList partitions;
    CCollectBasicVolume().CollectBasicVolume(disks, partitions);
    if (partitions.empty()) return -1;
    std::vector<int> codes;
    int number = 0;
    for (VolumeDeviceRecord& partition : partitions) {
        ++number;
        const std::string folder = std::string(outdir) + "/partition " + std::to_string(number);
        std::printf("partition %d: %s \"%s\"\n", number, GetFileSystemName(partition.nFileSystemKind),
                    partition.szLabel);
        std::fflush(stdout);
        const bool known = std::any_of(std::begin(kBuilders), std::end(kBuilders),
                                       [&](const FileSystemBuilder& b) { return b.kind == partition.nFileSystemKind; });
        if (!known || !partition.pDevice) {
            std::printf("no NTFS, FAT or ext2 file system; passed over\n");
            continue;
        }
        codes.push_back(RecoverDeleted(
            *partition.pDevice, (std::string(image) + " partition " + std::to_string(number)).c_str(), folder.c_str()));
    }
    for (VolumeDeviceRecord& partition : partitions) delete partition.pDevice;
    if (codes.empty()) return Fail("%s: no partition holds an NTFS, FAT or ext2 file system%s", image);
    if (std::all_of(codes.begin(), codes.end(), [](int c) { return c == 0; })) return 0;
    if (std::all_of(codes.begin(), codes.end(), [](int c) { return c == 1; })) return 1;
    return 3;
}

// Whether the 512-byte sector holds a GPT header's signature.
bool HasGptHeaderAt(IStorageDevice& disk, uint64_t sector)
{
    uint8_t bytes[512];
    return disk.ReadSectors(bytes, sector, 1) && std::memcmp(bytes, "EFI PART", 8) == 0;
}

// The images as disks; the first dynamic volume their databases describe, else the one image itself.
int RecoverDeletedFromImages(const std::vector<const char*>& images, const char* outdir)
{
    std::vector<std::unique_ptr<CImageFileDevice>> files;
    std::vector<std::unique_ptr<LargeSectorView>> views;
    CStorageDeviceList list;
    int sectorSize = RequestedSectorSize(images.front());
    if (sectorSize == 0) return 1;
    for (const char* image : images) {
        files.push_back(OpenImage(image));
        if (!files.back()->IsOpen())
            return Fail("%s: cannot open the image: %s", image, files.back()->GetOpenError().c_str());
        IStorageDevice* disk = files.back().get();
        // A GPT disk tells its sector size by where its header lies: 4096 bytes in, after a 4096-byte sector 0.
        if (images.size() == 1 && !std::getenv("SALVIX_E2E_SECTOR_SIZE") && HasGptHeaderAt(*disk, 8) &&
            !HasGptHeaderAt(*disk, 1))
            sectorSize = 4096;
        if (sectorSize != 512) {
            views.push_back(std::make_unique<LargeSectorView>(disk, sectorSize));
            disk = views.back().get();
        }
        list.push_back(disk);
    }
    std::vector<DynamicVolumeEntry> volumes;
    CLdmDatabase().ReadAllDisks(list, volumes);
    if (!volumes.empty()) {
        DynamicVolumeEntry& volume = volumes.front();
        std::fprintf(stderr, "salvix-e2e: dynamic volume %s, %s, %llu sectors, label \"%s\"\n", volume.typeName.c_str(),
                     GetFileSystemName(volume.fileSystemKind), static_cast<unsigned long long>(volume.sectorCount),
                     volume.label.c_str());
        return RecoverDeleted(*volume.device, images.front(), outdir);
    }
    if (images.size() > 1) return Fail("%s...: no dynamic volume in the images' databases%s", images.front());
    const int32_t kind = IdentifyVolumeFileSystem(list.front()).kind;
    const bool isVolume = std::any_of(std::begin(kBuilders), std::end(kBuilders),
                                      [kind](const FileSystemBuilder& b) { return b.kind == kind; });
    if (!isVolume)
        if (int code = RecoverPartitions(list.front(), images.front(), outdir); code >= 0) return code;
    return RecoverDeleted(*list.front(), images.front(), outdir);
}

// The lost-partition search of a disk image; the records' windows are the caller's. 0, or the exit code of an
// error (told).
int SearchLostPartitions(CImageFileDevice& disk, const char* image, std::vector<CLostPartitionRecord>& found)
{
    if (!disk.IsOpen()) return Fail("%s: cannot open the image: %s", image, disk.GetOpenError().c_str());
    std::string error;
    const PartitionSearchResult result = CLostPartitionSearchRunner::SearchDisk(&disk, 255, found, &error);
    if (result == PartitionSearchResult::Failed)
        return Fail("%s: the partition search failed: %s", image, error.c_str());
    return 0;
}

int ListLostPartitions(const char* image)
{
    std::unique_ptr<CImageFileDevice> opened = OpenImage(image);
    CImageFileDevice& disk = *opened;
    std::vector<CLostPartitionRecord> found;
    if (int code = SearchLostPartitions(disk, image, found)) return code;
    for (CLostPartitionRecord& record : found) {
        std::printf("%s\t%llu\t%llu\t%s\n", GetFileSystemName(record.nFileSystemKind),
                    static_cast<unsigned long long>(record.u64StartSector),
                    static_cast<unsigned long long>(record.u64SectorCount), record.szLabel);
        delete record.pDevice;
    }
    return 0;
}

// The tree of every file of a volume (the FAT build lists live files too, as partition recovery does); null
// when the kind has no builder or the build fails.
CFileSystemNode* BuildWholeTree(int32_t kind, IStorageDevice* volume)
{
    switch (kind) {
    case kFsKindFat12:
    case kFsKindFat16: return BuildFAT(volume, false, true, nullptr);
    case kFsKindFat32: return BuildFAT(volume, true, true, nullptr);
    default: break;
    }
    for (const FileSystemBuilder& b : kBuilders)
        if (b.kind == kind) return b.build(volume);
    return nullptr;
}

// Every file of every found partition, each partition into a folder named as its tree's partition node. 0 when
// all were saved, 1 when nothing was found or saved, 3 otherwise.
int RecoverLostPartitions(const char* image, const char* outdir)
{
    std::unique_ptr<CImageFileDevice> opened = OpenImage(image);
    CImageFileDevice& disk = *opened;
    std::vector<CLostPartitionRecord> found;
    if (int code = SearchLostPartitions(disk, image, found)) return code;
    if (int code = CheckOutputFolder(outdir)) return code;
    std::vector<int> codes;
    for (CLostPartitionRecord& record : found) {
        std::printf("%s at %llu, %llu sectors \"%s\"\n", GetFileSystemName(record.nFileSystemKind),
                    static_cast<unsigned long long>(record.u64StartSector),
                    static_cast<unsigned long long>(record.u64SectorCount), record.szLabel);
        std::fflush(stdout);
        CFileSystemNode* tree = record.pDevice ? BuildWholeTree(record.nFileSystemKind, record.pDevice) : nullptr;
        if (!tree) {
            codes.push_back(Fail("%s: the partition's file system could not be read%s", image));
        } else {
            codes.push_back(SaveAndReport(record.pDevice, tree, tree, outdir));
            DeleteFoundTree(tree);
        }
    }
    for (CLostPartitionRecord& record : found) delete record.pDevice;
    if (codes.empty()) return Fail("%s: no lost partition was found%s", image);
    if (std::all_of(codes.begin(), codes.end(), [](int c) { return c == 0; })) return 0;
    if (std::all_of(codes.begin(), codes.end(), [](int c) { return c == 1; })) return 1;
    return 3;
}

// Tells every disk of the list and every SALVIX_DRIVES entry that cannot be used, with the reason; the volume
// machinery itself passes over them in silence.
void ReportUnusableSources()
{
    const char* disksOverride = std::getenv("SALVIX_DISKS");
    const char* from = disksOverride ? "SALVIX_DISKS: " : "";
    for (const plat::DiskEntry& disk : plat::ListDisks()) {
        CImageFileDevice device(disk.path);
        if (!device.IsOpen())
            Fail("%s: the disk cannot be read: %s", (from + disk.path).c_str(), device.GetOpenError().c_str());
        else if (device.GetSectorCount() == 0)
            Fail("%s: the disk cannot be read: %s", (from + disk.path).c_str(), "it holds no whole sector");
    }
    const char* drives = std::getenv("SALVIX_DRIVES");
    if (!drives) return;
    std::set<char> letters;
    std::stringstream items(drives);
    std::string item;
    while (std::getline(items, item, ',')) {
        if (item.empty()) continue;
        const char letter = char(std::toupper(static_cast<unsigned char>(item[0])));
        if (item.size() < 3 || item[1] != '=' || letter < 'A' || letter > 'Z') {
            Fail("SALVIX_DRIVES: \"%s\" is not LETTER=PATH; left out%s", item.c_str());
            continue;
        }
        if (!letters.insert(letter).second) {
            Fail("SALVIX_DRIVES: \"%s\": the letter is given twice; left out%s", item.c_str());
            continue;
        }
        CImageFileDevice device(item.substr(2));
        if (!device.IsOpen())
            Fail("SALVIX_DRIVES: %s: the volume cannot be read: %s", item.c_str(), device.GetOpenError().c_str());
    }
}

int ListVolumes()
{
    ReportUnusableSources();
    if (ListVolumesReport(stdout) > 0) return 0;
    std::fflush(stdout);
    if (!std::getenv("SALVIX_DISKS") && ::geteuid() != 0)
        return Fail("%s", "no readable disk was found (reading the machine's disks needs root)");
    return Fail("%s", "no readable disk was found");
}

int Run(int argc, char** argv);

} // namespace

int main(int argc, char** argv)
{
    plat::UseOneHeapArena(); // as the program does
    const char* log = std::getenv("SALVIX_E2E_LOG");
    InitLog(log ? log : "", LOGLEVEL_NORMAL, LOGTYPE_STANDALONE);
    if (argc == 2 && std::strcmp(argv[1], "volumes") == 0) return ListVolumes();
    if (const char* bad = std::getenv("SALVIX_E2E_BAD_SECTORS");
        bad && !testsupport::FailingSectorsBlockDevice::Parse(bad))
        return Fail("SALVIX_E2E_BAD_SECTORS: \"%s\" is not a list of sectors such as 2048-2055,90000%s", bad);
    // Every sector that any read of the run got as zeros.
    CReadLossScope loss;
    const int code = Run(argc, argv);
    if (!loss.Empty()) {
        std::printf("%llu sectors could not be read (%llu bytes), %llu of them passed over unread\n",
                    static_cast<unsigned long long>(loss.GetLostSectors()),
                    static_cast<unsigned long long>(loss.GetLostBytes()),
                    static_cast<unsigned long long>(loss.GetSkippedSectors()));
        std::fflush(stdout);
        if (code == 0) return 3; // what was found and saved is not all the source held
    }
    return code;
}

namespace {

int Run(int argc, char** argv)
{
    if (argc >= 4 && argv[argc - 1][0] == '\0' &&
        (std::strcmp(argv[1], "raw") == 0 || std::strcmp(argv[1], "deleted") == 0 ||
         std::strcmp(argv[1], "format") == 0 || std::strcmp(argv[1], "lost") == 0))
        return Fail("the output folder is an empty path%s%s", "", "");
    if (argc == 4 && std::strcmp(argv[1], "raw") == 0) return RecoverRaw(argv[2], argv[3]);
    if (argc == 4 && std::strcmp(argv[1], "format") == 0) return RecoverFormat(argv[2], argv[3]);
    if (argc == 3 && std::strcmp(argv[1], "partitions") == 0) return ListLostPartitions(argv[2]);
    if (argc == 4 && std::strcmp(argv[1], "lost") == 0) return RecoverLostPartitions(argv[2], argv[3]);
    if (argc < 4 || std::strcmp(argv[1], "deleted") != 0) {
        std::fprintf(stderr, "usage: salvix-e2e deleted IMAGE [IMAGE...] OUTDIR | salvix-e2e raw IMAGE OUTDIR | "
                             "salvix-e2e format IMAGE OUTDIR | salvix-e2e volumes | salvix-e2e partitions IMAGE | "
                             "salvix-e2e lost IMAGE OUTDIR\n"
                             "  several images: the member disks of a dynamic volume, whose first volume is read\n");
        return 2;
    }
    return RecoverDeletedFromImages(std::vector<const char*>(argv + 2, argv + argc - 1), argv[argc - 1]);
}

} // namespace
