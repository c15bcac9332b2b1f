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
//                                     OUTDIR/<partition name>/; without any partition the "Raw Files" of the
//                                     signature hits, as raw saves them; SALVIX_E2E_SECTOR_SIZE as for raw;
//                                     SALVIX_E2E_SCANNERS=serial runs the scanners one after another)
//   salvix-e2e partitions IMAGE   (the lost-partition search of a disk image: each partition found, one a line:
//                                  file system, first sector, sector count, label, tab-separated)
//   salvix-e2e lost IMAGE OUTDIR  (the lost-partition search, then every file of each found partition's tree
//                                  saved under OUTDIR/<the partition's folder name>)
// Every mode that saves ends with the verdict of the run (storage/saving/SaveVerdict.h), the same for the same
// input in every mode: "saved N files, M failed" (N saved at all, whole or with unreadable parts), "P files with
// unreadable parts (B bytes)", "not saved: REASON" (the first file's or folder's) and "the source is shorter
// than its file system: A of B bytes" when they apply, per volume, and "in all: ..." after several. It exits 0
// when every file found was saved whole (none found on a readable file system included); 3 when something was
// saved but not everything, or not whole, or the source is cut short or has unreadable sectors; 1 with a message
// when nothing usable was found (an empty source, no file system, no partition, no file by its signature),
// nothing could be saved, or the image or the output folder cannot be used (with the system's reason); 2 on a
// wrong command line. `partitions` exits 1 when no partition was found and 3 when one is cut short by the end of
// the image. A file of which no byte could be read is not saved; a folder that would stay empty is not left.
// SALVIX_E2E_BAD_SECTORS=2048-2055,90000 makes the image fail those sectors (512-byte units) with EIO, as a dying
// disk does, in every mode. Sectors that could not be read are told at the end ("N sectors could not be read,
// M of them passed over unread"); a run with such sectors never exits 0.
#include "core/devices/CImageFileDevice.h"
#include "core/devices/CReadLossScope.h"
#include "filesystems/ntfs/DeletedFilesGathering.h"
#include "filesystems/partitions/CCollectBasicVolume.h"
#include "filesystems/partitions/CIntelligentSearchController.h"
#include "filesystems/partitions/SearchedPartitionScoring.h"
#include "filesystems/partitions/CLostPartitionSearchRunner.h"
#include "filesystems/partitions/CLdmDatabase.h"
#include "filesystems/partitions/FileSystemNames.h"
#include "filesystems/partitions/FileSystemRegistry.h"
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
#include "storage/saving/SaveVerdict.h"
#include "tests/support/FailingSectorsBlockDevice.h"

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

// What one volume (or the whole source) came to, and the folders its files went into.
struct VolumeOutcome {
    SaveTally tally;
    std::vector<std::string> folders;
};

// Saves the checked files below node into outdir and adds what became of them to the volume's outcome.
void SaveTree(IStorageDevice* device, CFileSystemNode* root, CFileNode* node, const char* outdir,
              VolumeOutcome& outcome)
{
    SaveTally& volume = outcome.tally;
    root->ToggleCheckState(node, false);
    FileTreeStatistics statistics;
    ComputeSubtreeStatistics(node, statistics, false, 0);
    volume.filesFound += int(statistics.checkedFiles);
    RecoverFolderJob job;
    ConsoleCallback callback;
    std::string made;
    const auto jobStart = std::chrono::steady_clock::now();
    RecoverFolder(job, &callback, device, node, outdir, &made);
    if (std::getenv("SALVIX_E2E_TIMES")) // for bench/saving_many.sh: the folder job alone
        std::fprintf(stderr, "folder job %.3f s\n",
                     std::chrono::duration<double>(std::chrono::steady_clock::now() - jobStart).count());
    volume.counts.Add(job.GetCounts());
    if (!made.empty()) outcome.folders.push_back(made);
}

// The verdicts of the volumes of one run and the run's own, judged once at its end.
struct RunTally {
    SaveTally total;
    int volumes = 0; // volumes whose verdict was told

    // Tells the verdict of one volume (or of the whole source) and the folders it was saved into, and adds it
    // to the run's.
    void Report(const VolumeOutcome& volume)
    {
        for (const std::string& line : SaveVerdictLines(volume.tally)) std::printf("%s\n", line.c_str());
        for (const std::string& folder : volume.folders) std::printf("into %s\n", folder.c_str());
        std::fflush(stdout);
        total.Add(volume.tally);
        ++volumes;
    }
};

// Whether the file system at the start of the volume states more sectors than the volume has; noted in the
// tally and the log.
void NoteShortSource(IStorageDevice* volume, const char* image, SaveTally& tally)
{
    if (!volume) return;
    const uint64_t deviceSectors = volume->GetSectorCount();
    const uint64_t fileSystemSectors = IdentifyVolumeFileSystem(volume).totalSectors;
    if (fileSystemSectors <= deviceSectors) return;
    const uint64_t sectorSize = uint64_t(std::max<int32_t>(volume->GetSectorSize(), 1));
    tally.sourceShort = true;
    tally.sourceBytes = deviceSectors * sectorSize;
    tally.fileSystemBytes = fileSystemSectors * sectorSize;
    LogError("%s: the source is shorter than its file system (%llu of %llu sectors)", image,
             static_cast<unsigned long long>(deviceSectors), static_cast<unsigned long long>(fileSystemSectors));
}

// An image that cannot be read, or holds not one whole sector, is no source: told, with the exit code of an
// error; else 0.
int CheckSource(CImageFileDevice& file, const char* image)
{
    if (!file.IsOpen()) return Fail("%s: cannot open the image: %s", image, file.GetOpenError().c_str());
    if (file.GetSectorCount() == 0) return Fail("%s: the image holds no whole sector%s", image);
    return 0;
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

// Deleted files of one volume, its verdict told and added to the run's. 0, or the exit code of an error (told).
int RecoverDeleted(IStorageDevice& device, const char* image, const char* outdir, RunTally& run)
{
    // The volume analysers decide which builder reads the volume.
    const VolumeIdentity identity = IdentifyVolumeFileSystem(&device);
    const FileSystemKindInfo* fs = FindFileSystemKind(identity.kind);
    if (!fs) return Fail("%s: no NTFS, FAT or ext2 file system found", image);
    VolumeOutcome volume;
    // An image cut short is still read; what lies past its end is unreadable, and the user is told so.
    NoteShortSource(&device, image, volume.tally);
    // For bench/deleted_road.sh: the stages of the road, each on its own.
    const bool timed = std::getenv("SALVIX_E2E_TIMES") != nullptr;
    auto stageStart = std::chrono::steady_clock::now();
    auto stage = [&](const char* name) {
        const auto now = std::chrono::steady_clock::now();
        if (timed) std::fprintf(stderr, "%s %.3f s\n", name, std::chrono::duration<double>(now - stageStart).count());
        stageStart = now;
    };
    CFileSystemNode* tree = fs->buildVolumeTree(&device, false, nullptr, nullptr);
    stage("tree build");
    if (!tree) {
        // Counted in the verdict, as a partition of a disk that cannot be read is.
        Fail("%s: the %s file system could not be read", image, fs->name);
        ++volume.tally.volumesUnreadable;
        run.Report(volume);
        return 0;
    }
    volume.tally.sourceUsable = true;

    // As the deleted-file page does: "Deleted Files" under a new root whose teardown spares the shared properties.
    CFileSystemNode* root = GatherDeletedFiles(tree);
    stage("gathering");
    CFileNode* folder = root->GetFirstChild();
    int code = 0;
    if (folder->GetFirstChild()) {
        code = CheckOutputFolder(outdir);
        if (code == 0) SaveTree(&device, root, folder, outdir, volume);
    }
    stage("saving");
    DeleteFoundTree(root);
    DeleteFoundTree(tree);
    stage("teardown");
    if (code) return code;
    run.Report(volume);
    return 0;
}

int SaveRawFiles(IStorageDevice* device, CRawFileList& hits, const char* image, const char* outdir, RunTally& run,
                 const char* nothingFound);

int RecoverRaw(const char* image, const char* outdir, RunTally& run)
{
    std::unique_ptr<CImageFileDevice> opened = OpenImage(image);
    CImageFileDevice& file = *opened;
    if (int code = CheckSource(file, image)) return code;
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
    const auto searchStart = std::chrono::steady_clock::now();
    for (uint64_t first = 0; first < sectors; first += uint64_t(blockSectors))
        scan.AnalyzeBlock(first, std::min<uint64_t>(uint64_t(blockSectors), sectors - first), &statistics);
    scan.EndSearch();
    if (std::getenv("SALVIX_E2E_TIMES")) // for bench/raw_road.sh: the search alone
        std::fprintf(stderr, "search %.3f s\n",
                     std::chrono::duration<double>(std::chrono::steady_clock::now() - searchStart).count());
    return SaveRawFiles(device, hits, image, outdir, run, "no file was found by its signature");
}

// The "Raw Files" tree of the signature hits of the whole device, saved whole into outdir with its verdict.
// 0, or the exit code of an error (told; nothingFound when the hits gave no file).
int SaveRawFiles(IStorageDevice* device, CRawFileList& hits, const char* image, const char* outdir, RunTally& run,
                 const char* nothingFound)
{
    RawListHitMeasurer measurer;
    CRawResultTreeBuilder builder;
    CFileSystemNode* root = builder.Build(device, hits.GetIterator(), nullptr, nullptr, &measurer);
    if (!root) return Fail("%s: %s", image, "no RAW tree was built");
    VolumeOutcome whole;
    NoteShortSource(device, image, whole.tally);
    int code = 0;
    whole.tally.sourceUsable = root->GetFirstChild() != nullptr; // a file known by its signature
    if (whole.tally.sourceUsable) {
        code = CheckOutputFolder(outdir);
        // The tree names 512-byte units: the files are read through the 512-byte view.
        if (code == 0) SaveTree(device->GetAs512SectorDevice(), root, root, outdir, whole);
    }
    DeleteFoundTree(root);
    if (code) return code;
    run.Report(whole);
    if (!whole.tally.sourceUsable) return Fail("%s: %s", image, nothingFound);
    return 0;
}

// The scanners of format recovery, in the wizard's order: those of the file-system registry (FAT, NTFS, EXT2),
// then RAW.
std::vector<std::unique_ptr<IFileSystemSearchController>> MakeFormatScanners()
{
    std::vector<std::unique_ptr<IFileSystemSearchController>> scanners;
    for (const FileSystemKindInfo& fs : FileSystemKinds())
        if (fs.makeScanner) scanners.push_back(fs.makeScanner());
    scanners.push_back(std::make_unique<CRAWSearchController>());
    return scanners;
}

const char* FoundPartitionKindName(const CSearchedPartitionInfo& p)
{
    const FileSystemKindInfo* fs = FindFileSystemKind(p.nFileSystemKind);
    return fs ? fs->name : "NONE";
}

int RecoverFormat(const char* image, const char* outdir, RunTally& run)
{
    std::unique_ptr<CImageFileDevice> opened = OpenImage(image);
    CImageFileDevice& file = *opened;
    if (int code = CheckSource(file, image)) return code;
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
    if (const char* how = std::getenv("SALVIX_E2E_SCANNERS"); how && std::strcmp(how, "serial") == 0)
        search.SetParallelScanners(false);
    const auto searchStart = std::chrono::steady_clock::now();
    if (!search.Run(nullptr)) return Fail("%s: %s", image, "the search could not be started");
    if (std::getenv("SALVIX_E2E_TIMES")) // for bench/format_road.sh: the search alone
        std::fprintf(stderr, "search %.3f s\n",
                     std::chrono::duration<double>(std::chrono::steady_clock::now() - searchStart).count());

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
    // Without any partition the whole device's "Raw Files" are saved, as the wizard shows them then.
    if (partitions.empty())
        return SaveRawFiles(device, hits, image, outdir, run, "no partition was found, nor any file by its signature");

    // The partitions are saved side by side and told as one.
    VolumeOutcome whole;
    NoteShortSource(device, image, whole.tally);
    int index = 0;
    for (CSearchedPartitionInfo* p : partitions) {
        const int ordinal = index++;
        if (!p->bRecommended) continue;
        CFileSystemNode* tree = DispatchBuildDirectory(controllers, p, device, ordinal, nullptr);
        if (!tree) {
            ++whole.tally.volumesUnreadable;
            Fail("%s: the tree of the %s partition could not be built", image, FoundPartitionKindName(*p));
            continue;
        }
        whole.tally.sourceUsable = true;
        if (tree->GetFirstChild()) SaveTree(device, tree, tree, outdir, whole);
        DeleteFoundTree(tree);
    }
    for (CSearchedPartitionInfo* p : partitions) DeleteSearchedPartitionInfo(p);
    run.Report(whole);
    if (!whole.tally.sourceUsable && !whole.tally.volumesUnreadable)
        return Fail("%s: %s", image, "no partition was found");
    return 0;
}

// A whole-disk image: every partition of its table that holds a known file system is recovered into a folder
// "partition N" of its own (N in table order from 1). -1 when the table names no partition; else 0, or the exit
// code of an error (told).
int RecoverPartitions(IStorageDevice* disk, const char* image, const char* outdir, RunTally& run)
{
    CStorageDeviceList disks{disk};
    CVolumeDeviceRecordList partitions;
    CCollectBasicVolume().CollectBasicVolume(disks, partitions);
    if (partitions.empty()) return -1;
    int known = 0, code = 0;
    int number = 0;
    for (VolumeDeviceRecord& partition : partitions) {
        ++number;
        const std::string folder = std::string(outdir) + "/partition " + std::to_string(number);
        std::printf("partition %d: %s \"%s\"\n", number, GetFileSystemName(partition.nFileSystemKind),
                    partition.szLabel);
        std::fflush(stdout);
        const bool readable = FindFileSystemKind(partition.nFileSystemKind) != nullptr;
        if (!readable || !partition.pDevice) {
            std::printf("no NTFS, FAT or ext2 file system; passed over\n");
            continue;
        }
        ++known;
        const int result =
            RecoverDeleted(*partition.pDevice, (std::string(image) + " partition " + std::to_string(number)).c_str(),
                           folder.c_str(), run);
        // A target that cannot be used ends the run.
        if ((code = result) != 0) break;
    }
    for (VolumeDeviceRecord& partition : partitions) delete partition.pDevice;
    if (code) return code;
    if (known == 0) return Fail("%s: no partition holds an NTFS, FAT or ext2 file system%s", image);
    return 0;
}

// Whether the 512-byte sector holds a GPT header's signature.
bool HasGptHeaderAt(IStorageDevice& disk, uint64_t sector)
{
    uint8_t bytes[512];
    return disk.ReadSectors(bytes, sector, 1) && std::memcmp(bytes, "EFI PART", 8) == 0;
}

// The images as disks; the first dynamic volume their databases describe, else the one image itself.
int RecoverDeletedFromImages(const std::vector<const char*>& images, const char* outdir, RunTally& run)
{
    std::vector<std::unique_ptr<CImageFileDevice>> files;
    std::vector<std::unique_ptr<LargeSectorView>> views;
    CStorageDeviceList list;
    int sectorSize = RequestedSectorSize(images.front());
    if (sectorSize == 0) return 1;
    for (const char* image : images) {
        files.push_back(OpenImage(image));
        if (int code = CheckSource(*files.back(), image)) return code;
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
        return RecoverDeleted(*volume.device, images.front(), outdir, run);
    }
    if (images.size() > 1) return Fail("%s...: no dynamic volume in the images' databases%s", images.front());
    const int32_t kind = IdentifyVolumeFileSystem(list.front()).kind;
    const bool isVolume = FindFileSystemKind(kind) != nullptr;
    if (!isVolume)
        if (int code = RecoverPartitions(list.front(), images.front(), outdir, run); code >= 0) return code;
    return RecoverDeleted(*list.front(), images.front(), outdir, run);
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

// Lists the partitions the search finds. 0 when it found some, each within the image; 3 when one of them is cut
// short by the image's end (told); 1 when none was found.
int ListLostPartitions(const char* image)
{
    std::unique_ptr<CImageFileDevice> opened = OpenImage(image);
    CImageFileDevice& disk = *opened;
    std::vector<CLostPartitionRecord> found;
    if (int code = SearchLostPartitions(disk, image, found)) return code;
    bool anyShort = false;
    for (CLostPartitionRecord& record : found) {
        std::printf("%s\t%llu\t%llu\t%s\n", GetFileSystemName(record.nFileSystemKind),
                    static_cast<unsigned long long>(record.u64StartSector),
                    static_cast<unsigned long long>(record.u64SectorCount), record.szLabel);
        SaveTally partition;
        NoteShortSource(record.pDevice, image, partition);
        if (partition.sourceShort)
            std::printf("the source is shorter than its file system: %llu of %llu bytes\n",
                        static_cast<unsigned long long>(partition.sourceBytes),
                        static_cast<unsigned long long>(partition.fileSystemBytes));
        anyShort = anyShort || partition.sourceShort;
        delete record.pDevice;
    }
    std::fflush(stdout);
    if (found.empty()) return Fail("%s: no lost partition was found%s", image);
    return anyShort ? 3 : 0;
}

// The tree of every file of a volume (the FAT build lists live files too, as partition recovery does); null
// when the kind has no builder or the build fails.
CFileSystemNode* BuildWholeTree(int32_t kind, IStorageDevice* volume)
{
    const FileSystemKindInfo* fs = FindFileSystemKind(kind);
    return fs ? fs->buildVolumeTree(volume, true, nullptr, nullptr) : nullptr;
}

// Every file of every found partition, each partition into a folder named as its tree's partition node. 0, or
// the exit code of an error (told).
int RecoverLostPartitions(const char* image, const char* outdir, RunTally& run)
{
    std::unique_ptr<CImageFileDevice> opened = OpenImage(image);
    CImageFileDevice& disk = *opened;
    std::vector<CLostPartitionRecord> found;
    if (int code = SearchLostPartitions(disk, image, found)) return code;
    int code = found.empty() ? 0 : CheckOutputFolder(outdir);
    for (CLostPartitionRecord& record : found) {
        if (code) break;
        std::printf("%s at %llu, %llu sectors \"%s\"\n", GetFileSystemName(record.nFileSystemKind),
                    static_cast<unsigned long long>(record.u64StartSector),
                    static_cast<unsigned long long>(record.u64SectorCount), record.szLabel);
        std::fflush(stdout);
        VolumeOutcome partition;
        NoteShortSource(record.pDevice, image, partition.tally);
        CFileSystemNode* tree = record.pDevice ? BuildWholeTree(record.nFileSystemKind, record.pDevice) : nullptr;
        if (!tree) {
            ++partition.tally.volumesUnreadable;
            Fail("%s: the partition's file system could not be read%s", image);
        } else {
            partition.tally.sourceUsable = true;
            if (tree->GetFirstChild()) SaveTree(record.pDevice, tree, tree, outdir, partition);
            DeleteFoundTree(tree);
        }
        run.Report(partition);
    }
    for (CLostPartitionRecord& record : found) delete record.pDevice;
    if (code) return code;
    if (found.empty()) return Fail("%s: no lost partition was found%s", image);
    return 0;
}

// Tells every disk of the list and every SALVIX_DRIVES entry that cannot be used, with the reason; the volume
// machinery itself passes over them in silence. The number of disks that can be read.
int ReportUnusableSources()
{
    const char* disksOverride = std::getenv("SALVIX_DISKS");
    const char* from = disksOverride ? "SALVIX_DISKS: " : "";
    int readable = 0;
    for (const plat::DiskEntry& disk : plat::ListDisks()) {
        CImageFileDevice device(disk.path);
        if (!device.IsOpen())
            Fail("%s: the disk cannot be read: %s", (from + disk.path).c_str(), device.GetOpenError().c_str());
        else if (device.GetSectorCount() == 0)
            Fail("%s: the disk cannot be read: %s", (from + disk.path).c_str(), "it holds no whole sector");
        else
            ++readable;
    }
    const char* drives = std::getenv("SALVIX_DRIVES");
    if (!drives) return readable;
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
    return readable;
}

int ListVolumes()
{
    const int readableDisks = ReportUnusableSources();
    if (ListVolumesReport(stdout) > 0) return 0;
    std::fflush(stdout);
    if (readableDisks > 0) return Fail("%s", "no volume was found on the disks that could be read");
    if (!std::getenv("SALVIX_DISKS") && ::geteuid() != 0)
        return Fail("%s", "no readable disk was found (reading the machine's disks needs root)");
    return Fail("%s", "no readable disk was found");
}

// Runs the mode of the command line: 2 on a wrong one, else 0 or the exit code of an error (told), with what
// the run came to in run.
int Run(int argc, char** argv, RunTally& run);

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
    const bool listing = argc == 3 && std::strcmp(argv[1], "partitions") == 0;
    RunTally run;
    const int code = listing ? ListLostPartitions(argv[2]) : Run(argc, argv, run);
    if (!loss.Empty()) {
        std::printf("%llu sectors could not be read (%llu bytes), %llu of them passed over unread\n",
                    static_cast<unsigned long long>(loss.GetLostSectors()),
                    static_cast<unsigned long long>(loss.GetLostBytes()),
                    static_cast<unsigned long long>(loss.GetSkippedSectors()));
        run.total.lostSectors = loss.GetLostSectors();
    }
    if (listing) {
        std::fflush(stdout);
        return code == 0 && !loss.Empty() ? 3 : code;
    }
    if (code == 2) return 2;
    run.total.error = run.total.error || code != 0;
    if (run.volumes > 1) {
        const std::vector<std::string> lines = SaveVerdictLines(run.total);
        if (!lines.empty()) std::printf("in all: %s\n", lines.front().c_str());
    }
    std::fflush(stdout);
    return JudgeSave(run.total).exitCode;
}

namespace {

int Run(int argc, char** argv, RunTally& run)
{
    if (argc >= 4 && argv[argc - 1][0] == '\0' &&
        (std::strcmp(argv[1], "raw") == 0 || std::strcmp(argv[1], "deleted") == 0 ||
         std::strcmp(argv[1], "format") == 0 || std::strcmp(argv[1], "lost") == 0))
        return Fail("the output folder is an empty path%s%s", "", "");
    if (argc == 4 && std::strcmp(argv[1], "raw") == 0) return RecoverRaw(argv[2], argv[3], run);
    if (argc == 4 && std::strcmp(argv[1], "format") == 0) return RecoverFormat(argv[2], argv[3], run);
    if (argc == 4 && std::strcmp(argv[1], "lost") == 0) return RecoverLostPartitions(argv[2], argv[3], run);
    if (argc < 4 || std::strcmp(argv[1], "deleted") != 0) {
        std::fprintf(stderr, "usage: salvix-e2e deleted IMAGE [IMAGE...] OUTDIR | salvix-e2e raw IMAGE OUTDIR | "
                             "salvix-e2e format IMAGE OUTDIR | salvix-e2e volumes | salvix-e2e partitions IMAGE | "
                             "salvix-e2e lost IMAGE OUTDIR\n"
                             "  several images: the member disks of a dynamic volume, whose first volume is read\n");
        return 2;
    }
    return RecoverDeletedFromImages(std::vector<const char*>(argv + 2, argv + argc - 1), argv[argc - 1], run);
}

} // namespace
