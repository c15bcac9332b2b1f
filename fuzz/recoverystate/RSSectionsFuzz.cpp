// fuzz-target: salvix_recoverystate
// The sections of a recovery-state file read by both file streams (plain and piece-compressed) from a file
// holding the input: every known section found and read to its end in pieces, and the partition list and the
// found-file tree, the found partitions, the scanners, the RAW hits and the device records loaded from their
// sections.
#include "filesystems/tree/FileTree.h"
#include "fuzz/common/FuzzDevice.h"
#include "fuzz/common/FuzzFile.h"
#include "core/rsdata/CRSData.h"
#include "storage/recoverystate/CRSDataEx.h"
#include "core/rsdata/CRSException.h"
#include "core/rsdata/IRSData.h"
#include "storage/recoverystate/RSFileTree.h"
#include "core/rsdata/RSGuid.h"
#include "storage/recoverystate/RSPartitionList.h"
#include "storage/recoverystate/CRSDeviceSerializer.h"
#include "storage/recoverystate/RSScanSections.h"
#include "filesystems/tree/CRawFileList.h"

#include <cstddef>
#include <cstdint>
#include <list>
#include <memory>
#include <string>
#include <vector>

namespace {

std::unique_ptr<IRSData> OpenStream(bool compressed, const std::string& path)
{
    std::unique_ptr<IRSData> stream = compressed ? std::unique_ptr<IRSData>(new CRSDataEx(CRSData::kModeRead))
                                                 : std::make_unique<CRSData>(CRSData::kModeRead);
    stream->Open(path.c_str(), false);
    return stream;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size > 1 << 20) return -1;
    const std::string path = fuzz::WriteFuzzFile("sections.rs", data, size);
    static const std::vector<uint8_t> none;
    fuzz::FuzzDevice disk(none, 512, 1 << 21);
    volatile uint64_t sink = 0;
    const RSGuid sections[] = {kRSControllerChainGuid, kRSPartitionListGuid,     kRSFileTreeGuid,
                               kRSFoundPartitionsGuid, kRSSearchControllersGuid, kRSRawHitsGuid,
                               kRSVolumeRecordGuid,    kRSDiskRecordGuid};
    for (bool compressed : {false, true}) {
        std::unique_ptr<IRSData> stream = OpenStream(compressed, path);
        for (const RSGuid& guid : sections) {
            try {
                if (!stream->BeginSection(guid)) continue;
                const unsigned length = stream->GetSectionLength();
                sink = sink + length;
                uint8_t piece[777];
                for (unsigned read = 0; read < length && read < (1u << 22); read += sizeof(piece))
                    if (!stream->Read(piece, sizeof(piece))) break;
                stream->EndSection();
            } catch (const CRSException&) {
            }
        }
        try {
            std::unique_ptr<IRSData> lists = OpenStream(compressed, path);
            std::vector<CLostPartitionRecord*> list;
            CLostPartitionRecord* selected = nullptr;
            try {
                sink = sink + LoadPartitionList(list, selected, &disk, lists.get());
            } catch (...) {
                DeletePartitionList(list);
                throw;
            }
            sink = sink + list.size();
            DeletePartitionList(list);
        } catch (const CRSException&) {
        }
        try {
            std::unique_ptr<IRSData> trees = OpenStream(compressed, path);
            if (CFileSystemNode* tree = LoadFileTree(trees.get(), nullptr)) DeleteFoundTree(tree);
        } catch (const CRSException&) {
        }
        try {
            std::unique_ptr<IRSData> scan = OpenStream(compressed, path);
            CSearchedPartitionList partitions;
            try {
                LoadSearchedPartitions(partitions, scan.get());
            } catch (const CRSException&) {
            }
            sink = sink + partitions.size();
            DeleteSearchedPartitions(partitions);
            CSearchControllerList controllers;
            try {
                LoadSearchControllers(controllers, scan.get());
            } catch (const CRSException&) {
            }
            sink = sink + controllers.size();
            DeleteSearchControllers(controllers);
            std::unique_ptr<CRawFileList> hits(LoadRawFileList(scan.get()));
            sink = sink + hits->GetCount();
        } catch (const CRSException&) {
        }
        try {
            // Only the matching of devices of this run: stored images are not opened (the list of current
            // volumes is empty and images stored by path point nowhere the fuzzer controls).
            std::unique_ptr<IRSData> devices = OpenStream(compressed, path);
            CRSDeviceSerializer serializer;
            serializer.Attach(devices.get());
            std::list<VolumeDeviceRecord> volumes(1);
            volumes.front().bFloppy = 1;
            COpenedImageVolumeList volumeImages;
            try {
                sink = sink + (serializer.LoadVolume(volumes, volumeImages) != nullptr);
            } catch (const CRSException&) {
            }
            for (auto& image : volumeImages) delete image.pDevice;
            CDiskDeviceRecordList disks;
            COpenedImageDiskList diskImages;
            try {
                sink = sink + (serializer.LoadDisk(disks, diskImages) != nullptr);
            } catch (const CRSException&) {
            }
            for (auto& image : diskImages) delete image.pDevice;
        } catch (const CRSException&) {
        }
    }
    (void)sink;
    return 0;
}
