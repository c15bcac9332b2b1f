// Writes the content of one found file into a target file: resident NTFS data, runs read from the source
// device, sparse runs and ext2 holes as zeros, NTFS-compressed units decoded, and encrypted NTFS files in
// their raw backup-stream form. Ends with the finishing of a saved file: times, then the read-only attribute.
#pragma once

#include "storage/saving/CTargetFile.h"
#include "storage/saving/RecoverResult.h"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

class CFileNode;
class IDataRunList;
class IFileProperties;
class IFileRecoverCallback;
class IStorageDevice;

// One saver per job and thread; it holds its buffers between files.
class CFileSaver {
public:
    // Data moves in pieces of this size (the callback hears of every piece, so a cancel acts within one).
    static constexpr size_t kPieceBytes = 65536;
    // Contiguous sectors are read up to this much at a time.
    static constexpr size_t kReadBatchBytes = 1u << 20;
    static constexpr size_t kResidentBufferBytes = 4096;
    // Compressed NTFS files: units of 16 clusters of at most 4096 bytes.
    static constexpr uint64_t kMaxCompressedClusterBytes = 4096;
    static constexpr int kMaxCompressedSectorsPerCluster = 8;

    // Neither is owned; the callback may be null. Each file is read through DeviceForSaving (device, file), so
    // that the "Raw Files" folder of a partition tree reads the 512-byte view while the partition's own files
    // read the device.
    CFileSaver(IFileRecoverCallback* callback, IStorageDevice* device);
    CFileSaver(const CFileSaver&) = delete;
    CFileSaver& operator=(const CFileSaver&) = delete;

    // Saves the found file of node to targetPath, always as a new file: when the name is taken (by a file,
    // a folder or a symlink, which is never followed) the first free "%s_%03d%s" name beside it is used and
    // what is there stays untouched. GetSavedPath tells the name used. kRecoverSaved, kRecoverFailed or
    // kRecoverCancelled.
    int SaveFile(CFileNode* node, const char* targetPath);
    const std::string& GetSavedPath() const { return m_savedPath; }
    static constexpr int kMaxNumberedNames = 1000;
    // The same into a file the caller has just created empty (the folder job); when the file cannot even be
    // begun (no geometry, a folder, cancelled), that empty file is removed again.
    int SaveFile(CFileNode* node, CTargetFile target);

    // Of the last file saved: bytes of the pieces the source device could not give whole (counted by 64 KiB
    // piece; what the device did give is kept, the rest is zeros), and whether the
    // file came back short of its size or with such bytes.
    uint64_t GetUnreadableBytes() const { return m_unreadableBytes; }
    bool WasPartial() const { return m_partial; }
    // Of the last file that failed: why, in words ("No space left on device", kNothingReadReason, ...). A file
    // of which not one byte could be read from the source fails with kNothingReadReason and is removed.
    const std::string& GetFailReason() const { return m_failReason; }
    static constexpr const char* kNothingReadReason = "no byte of it could be read from the source";
    static constexpr const char* kUnreadableReason = "its data could not be read";

private:
    int CheckFile(CFileNode* node, IFileProperties*& properties);
    // The content, then times and attributes.
    int WriteAndFinish(CFileNode* node, IFileProperties* properties);
    void ApplyTimesAndAttributes(IFileProperties* properties);
    int WriteContent(CFileNode* node, IFileProperties* properties);
    int WriteResident(CFileNode* node);
    // byteCount bytes from the runs; clusterZeroIsHole: a run at cluster 0 is an ext2 hole.
    int WriteRuns(IDataRunList* runs, uint64_t byteCount, bool clusterZeroIsHole);
    int WriteCompressedRuns(IDataRunList* runs, uint64_t byteCount);
    // Reads sectors into buffer; a failed read leaves zeros, which are counted (bytes) and logged.
    void ReadOrZero(uint8_t* buffer, int64_t firstCluster, uint64_t sectorInRun, uint64_t sectors,
                    uint64_t countedBytes);
    bool StartSector(int64_t cluster, uint64_t sectorInRun, uint64_t& sector) const;
    int WriteEncryptedHead(uint32_t efsLength);
    int RestoreEncryptedFile(uint64_t realSize);
    int Report(uint64_t bytes);
    // Logs a failed write of the target and keeps its reason (errno).
    void WriteFailed();
    // The source device's sector count (0: not known), read once.
    uint64_t DeviceSectors();

    IFileRecoverCallback* m_callback;
    IStorageDevice* m_givenDevice;
    IStorageDevice* m_device; // the device of the file being saved
    uint64_t m_partitionStart = 0;
    int32_t m_sectorsPerCluster = 1;
    uint32_t m_sectorSize = 0;
    std::optional<uint64_t> m_deviceSectors;
    IStorageDevice* m_deviceSectorsOf = nullptr;

    // The file being saved.
    CTargetFile m_target;
    std::string m_fileName;
    std::string m_savedPath;
    uint64_t m_bytesCounted = 0;
    uint64_t m_unreadableBytes = 0;
    bool m_partial = false;
    int m_readFailures = 0;
    std::string m_failReason;

    std::vector<uint8_t> m_buffer;  // read batches and compressed units
    std::vector<uint8_t> m_decoded; // one decoded compression unit
    std::vector<uint8_t> m_efs;     // the $EFS stream
};
