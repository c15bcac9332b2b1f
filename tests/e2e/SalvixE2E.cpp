// salvix-e2e: the headless road of a deleted-file recovery, for end-to-end tests. It opens an image as a
// volume, builds the tree of its file system, gathers "Deleted Files" as the wizard does, checks every file
// in it and saves them through the folder job.
//   salvix-e2e deleted IMAGE OUTDIR
// Prints "saved N files, M failed" and exits 0 when the road ran; 1 with a message when the image cannot
// be used; 2 on a wrong command line; 3 when the save was cancelled.
#include "core/devices/CImageFileDevice.h"
#include "filesystems/ext2/BuildEXT2.h"
#include "filesystems/fat/BuildFAT.h"
#include "filesystems/ntfs/BuildNTFS.h"
#include "filesystems/ntfs/DeletedFilesGathering.h"
#include "filesystems/tree/CFileSystemNode.h"
#include "filesystems/tree/FileTree.h"
#include "platform/Log.h"
#include "storage/saving/IFileRecoverCallback.h"
#include "storage/saving/RecoverFolderJob.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {

using Head = std::vector<uint8_t>; // the first 4 KiB of the volume

uint32_t Le(const Head& b, size_t at, int width)
{
    uint32_t v = 0;
    for (int i = width - 1; i >= 0; --i) v = v << 8 | b[at + size_t(i)];
    return v;
}

bool IsPowerOfTwo(uint32_t v) { return v && !(v & (v - 1)); }

// Minimal probes of the boot sector and superblock; the volume analysers will take their place.
bool IsNtfs(const Head& b) { return std::memcmp(b.data() + 3, "NTFS    ", 8) == 0; }

bool IsFat(const Head& b)
{
    const uint32_t bytesPerSector = Le(b, 0x0B, 2);
    return Le(b, 510, 2) == 0xAA55 && bytesPerSector >= 512 && bytesPerSector <= 4096 &&
           IsPowerOfTwo(bytesPerSector) && IsPowerOfTwo(b[0x0D]) && Le(b, 0x0E, 2) >= 1 && b[0x10] >= 1 && !IsNtfs(b);
}

// FAT32 keeps no 16-bit FAT size.
bool IsFat32(const Head& b) { return Le(b, 0x16, 2) == 0; }

bool IsExt2(const Head& b) { return Le(b, 1024 + 56, 2) == 0xEF53; }

struct FileSystemKind {
    const char* name;
    bool (*probe)(const Head&);
    // The tree of the whole volume, or null; the caller frees it with DeleteFoundTree.
    CFileSystemNode* (*build)(IStorageDevice* volume, const Head& head);
};

// Probed in this order. A file system joins with one line here.
const FileSystemKind kFileSystems[] = {
    {"NTFS", IsNtfs, [](IStorageDevice* v, const Head&) { return BuildNTFS(v, nullptr); }},
    {"FAT", IsFat, [](IStorageDevice* v, const Head& b) { return BuildFAT(v, IsFat32(b), false, nullptr); }},
    {"ext2", IsExt2, [](IStorageDevice* v, const Head&) { return BuildEXT2(v, nullptr); }},
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

int Fail(const char* format, const char* a, const char* b = "")
{
    std::fprintf(stderr, "salvix-e2e: ");
    std::fprintf(stderr, format, a, b);
    std::fprintf(stderr, "\n");
    return 1;
}

int RecoverDeleted(const char* image, const char* outdir)
{
    if (std::strlen(image) > CImageFileDevice::kMaxPath)
        return Fail("%s: the image path is longer than %s bytes", image, "259");
    CImageFileDevice device(image);
    if (!device.IsOpen()) return Fail("%s: cannot open the image", image);
    Head head(4096, 0);
    if (device.GetSectorCount() < 8 || !device.ReadSectors(head.data(), 0, 8))
        return Fail("%s: too small to hold a file system", image);

    const FileSystemKind* kind = nullptr;
    for (const FileSystemKind& k : kFileSystems)
        if (k.probe(head)) {
            kind = &k;
            break;
        }
    if (!kind) return Fail("%s: no NTFS, FAT or ext2 file system found", image);
    if (!kind->build) return Fail("%s: %s volumes cannot be read by this build", image, kind->name);
    CFileSystemNode* tree = kind->build(&device, head);
    if (!tree) return Fail("%s: the %s file system could not be read", image, kind->name);

    // As the deleted-file page does: "Deleted Files" under a new root whose teardown spares the shared properties.
    CFileSystemNode* root = GatherDeletedFiles(tree);
    CFileNode* folder = root->GetFirstChild();

    int exitCode = 0;
    RecoverFolderJob job;
    if (folder->GetFirstChild()) {
        root->ToggleCheckState(folder, false);
        ConsoleCallback callback;
        std::string made;
        RecoverFolder(job, &callback, &device, folder, outdir, &made);
        std::printf("saved %d files, %d failed\n", job.GetCounts().filesSaved, job.GetCounts().filesFailed);
        if (job.GetCounts().filesPartial)
            std::printf("%d files with unreadable parts (%llu bytes)\n", job.GetCounts().filesPartial,
                        static_cast<unsigned long long>(job.GetCounts().unreadableBytes));
        if (job.GetCounts().foldersFailed) std::printf("%d folders could not be made\n", job.GetCounts().foldersFailed);
        if (!made.empty()) std::printf("into %s\n", made.c_str());
        if (job.result.Get() == kRecoverCancelled) exitCode = 3;
    } else {
        std::printf("saved 0 files, 0 failed\n");
    }
    DeleteFoundTree(root);
    DeleteFoundTree(tree);
    return exitCode;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc != 4 || std::strcmp(argv[1], "deleted") != 0) {
        std::fprintf(stderr, "usage: salvix-e2e deleted IMAGE OUTDIR\n");
        return 2;
    }
    const char* log = std::getenv("SALVIX_E2E_LOG");
    InitLog(log ? log : "", LOGLEVEL_NORMAL, LOGTYPE_STANDALONE);
    return RecoverDeleted(argv[2], argv[3]);
}
