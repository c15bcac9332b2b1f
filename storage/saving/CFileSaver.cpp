// Content of one found file into a target file.
#include "storage/saving/CFileSaver.h"

#include "core/devices/CReadLossScope.h"
#include "core/devices/IStorageDevice.h"
#include "filesystems/ntfs/NtfsFoundFileReaders.h"
#include "filesystems/tree/CFileNode.h"
#include "filesystems/tree/IDataRunList.h"
#include "filesystems/tree/IFileProperties.h"
#include "platform/Clock.h"
#include "platform/FdIo.h"
#include "platform/Log.h"
#include "storage/saving/CompressionUnits.h"
#include "storage/saving/EfsRawStream.h"
#include "storage/saving/IFileRecoverCallback.h"
#include "storage/saving/Lznt1.h"
#include "storage/saving/RecoverFolderJob.h"
#include "storage/saving/TargetNames.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cinttypes>
#include <cstring>
#include <memory>

namespace {

// Read failures logged one by one per file before only their count is.
constexpr int kLoggedReadFailures = 8;

uint64_t SaturatingMultiply(uint64_t a, uint64_t b)
{
    uint64_t out = 0;
    return __builtin_mul_overflow(a, b, &out) ? UINT64_MAX : out;
}

// FAT stores the local wall-clock time of the machine that wrote the file, and the ext2 build keeps its times
// as local calendar time: both go back to the moment they name through this machine's time zone (TZ honoured),
// so that a file written at 05:06 in Berlin is not restored as 05:06 UTC. The properties keep the stored values.
bool HoldsLocalTimes(const IFileProperties* properties)
{
    const int type = properties->GetPropertiesType();
    return type == kPropertiesFAT || type == kPropertiesExt2;
}

timespec ToTimespec(FILETIME time, bool local)
{
    const plat::UnixTime unix = plat::UnixFromFileTime(local ? plat::LocalFileTimeToFileTime(time) : time);
    timespec ts{};
    ts.tv_sec = time_t(unix.seconds);
    ts.tv_nsec = long(unix.nanoseconds);
    return ts;
}

} // namespace

CFileSaver::CFileSaver(IFileRecoverCallback* callback, IStorageDevice* device)
    : m_callback(callback), m_givenDevice(device), m_device(device)
{
}

uint64_t CFileSaver::DeviceSectors()
{
    // Asked once per saver: an image device answers with a stat of its file, which would otherwise be paid
    // for every file of a job.
    if (!m_deviceSectors || m_deviceSectorsOf != m_device) {
        m_deviceSectors = m_device->GetSectorCount();
        m_deviceSectorsOf = m_device;
    }
    return *m_deviceSectors;
}

int CFileSaver::Report(uint64_t bytes)
{
    m_bytesCounted += bytes;
    if (m_callback && m_callback->AddBytesDone(bytes) == IFileRecoverCallback::kCancelled) return kRecoverCancelled;
    return kRecoverSaved;
}

void CFileSaver::WriteFailed()
{
    m_failReason = std::strerror(errno);
    LogError("Failed to write %s: %s", m_fileName.c_str(), m_failReason.c_str());
}

int CFileSaver::CheckFile(CFileNode* node, IFileProperties*& properties)
{
    m_bytesCounted = 0;
    m_unreadableBytes = 0;
    m_partial = false;
    m_readFailures = 0;
    m_failReason.clear();
    m_fileName.clear();
    if (!node) return kRecoverFailed;
    uint64_t partitionStart = 0;
    int32_t sectorsPerCluster = 0;
    if (!node->GetClusterGeometry(partitionStart, sectorsPerCluster)) {
        ReleaseTrace("Failed to get file system info.");
        return kRecoverFailed;
    }
    properties = node->GetProperties();
    if (!properties) return kRecoverFailed;
    m_device = DeviceForSaving(m_givenDevice, node);
    m_fileName = properties->GetName();
    const uint16_t attributes = properties->GetAttributes();
    if (attributes & kFileAttrDirectory) {
        ReleaseTrace("It is a directory.Not valid!");
        return kRecoverFailed;
    }
    const int32_t sectorSize = m_device ? m_device->GetSectorSize() : 0;
    if (sectorsPerCluster <= 0 || sectorSize <= 0 || size_t(sectorSize) > kPieceBytes) {
        ReleaseTrace("Failed to get file system info.");
        ReleaseTrace("%s: %d sectors per cluster of %d bytes cannot be read", m_fileName.c_str(), sectorsPerCluster,
                     sectorSize);
        return kRecoverFailed;
    }
    m_partitionStart = partitionStart;
    m_sectorsPerCluster = sectorsPerCluster;
    m_sectorSize = uint32_t(sectorSize);

    if (m_callback && m_callback->SetCurrentFile(m_fileName.c_str()) == IFileRecoverCallback::kCancelled)
        return kRecoverCancelled;
    if ((attributes & kFileAttrCompressed) &&
        (uint64_t(m_sectorSize) * uint64_t(m_sectorsPerCluster) > kMaxCompressedClusterBytes ||
         m_sectorsPerCluster > kMaxCompressedSectorsPerCluster)) {
        ReleaseTrace("%s: compressed with clusters of %" PRIu64 " bytes, which cannot be decoded", m_fileName.c_str(),
                     uint64_t(m_sectorSize) * uint64_t(m_sectorsPerCluster));
        return kRecoverFailed;
    }
    return kRecoverSaved;
}

int CFileSaver::SaveFile(CFileNode* node, const char* targetPath)
{
    IFileProperties* properties = nullptr;
    if (int result = CheckFile(node, properties)) return result;
    if (!targetPath || !*targetPath) return kRecoverFailed;

    const std::string path(targetPath);
    const size_t slash = path.rfind('/');
    const std::string folder = slash == std::string::npos ? "." : slash == 0 ? "/" : path.substr(0, slash);
    const std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
    if (name.empty() || name == "." || name == "..") {
        ReleaseTrace("Not a file path: %s", targetPath);
        return kRecoverFailed;
    }
    UniqueFd folderFd(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (!folderFd) {
        m_failReason = std::strerror(errno);
        ReleaseTrace("Failed to open folder %s: %s", folder.c_str(), m_failReason.c_str());
        return kRecoverFailed;
    }

    // An existing file is never replaced: a taken name gets the first free number, as in the folder job.
    CTargetFile target = CTargetFile::CreateNew(folderFd.Get(), name);
    for (int i = 0; !target.IsOpen() && errno == EEXIST && i < kMaxNumberedNames; ++i)
        target = CTargetFile::CreateNew(folderFd.Get(), NumberedFileName(name, i));
    if (!target.IsOpen()) {
        m_failReason = std::strerror(errno);
        ReleaseTrace("Failed to create %s: %s", targetPath, m_failReason.c_str());
        return kRecoverFailed;
    }
    m_target = std::move(target);
    m_savedPath = folder == "/" ? "/" + m_target.Name() : folder + "/" + m_target.Name();
    return WriteAndFinish(node, properties);
}

int CFileSaver::SaveFile(CFileNode* node, CTargetFile target)
{
    m_target = std::move(target);
    IFileProperties* properties = nullptr;
    if (int result = CheckFile(node, properties)) {
        m_target.Discard(); // made empty for this file, which was never begun
        return result;
    }
    if (!m_target.IsOpen()) return kRecoverFailed;
    return WriteAndFinish(node, properties);
}

int CFileSaver::WriteAndFinish(CFileNode* node, IFileProperties* properties)
{
    int result = WriteContent(node, properties);
    if (result == kRecoverSaved && !m_target.Flush()) {
        WriteFailed();
        result = kRecoverFailed;
    }
    const uint64_t size = properties->GetSize();
    if (result == kRecoverSaved && size > 0 && m_unreadableBytes >= size) {
        // Not one byte came from the source: a file of zeros under the found name is not the file.
        LogError("%s: no byte of it could be read from the source", m_fileName.c_str());
        m_failReason = kNothingReadReason;
        result = kRecoverFailed;
    }
    if (result != kRecoverSaved) {
        if (m_failReason.empty() && result == kRecoverFailed) m_failReason = kUnreadableReason;
        // A file that was not written whole (cancelled, or a full target) must not stay under its real name as
        // if it were the file: an encrypted file's half-built raw stream included.
        if (result == kRecoverCancelled)
            LogInfo("%s: cancelled; the part written is removed again", m_fileName.c_str());
        else
            LogError("%s: removed again, it could not be saved whole", m_fileName.c_str());
        m_target.Discard();
        return result;
    }

    ApplyTimesAndAttributes(properties);
    if (!m_target.CloseOrDiscard()) {
        LogError("Failed to write %s: %s; removed again", m_fileName.c_str(), std::strerror(errno));
        m_failReason = std::strerror(errno);
        return kRecoverFailed;
    }
    if (m_unreadableBytes) {
        m_partial = true;
        LogInfo("%s: %" PRIu64 " bytes could not be read from the source and were saved as zeros", m_fileName.c_str(),
                m_unreadableBytes);
    }

    if (m_callback) {
        if (m_bytesCounted > size) m_callback->SubtractBytes(int(std::min<uint64_t>(m_bytesCounted - size, INT32_MAX)));
        if (m_callback->AddFilesDone(1) == IFileRecoverCallback::kCancelled) return kRecoverCancelled;
    }
    return kRecoverSaved;
}

void CFileSaver::ApplyTimesAndAttributes(IFileProperties* properties)
{
    // Times first: a read-only file may refuse them afterwards on some file systems. Creation time has no
    // place on Linux; a time of 0 means that none was found.
    const int valid = properties->GetValidMask();
    timespec times[2];
    times[0].tv_sec = times[1].tv_sec = 0;
    times[0].tv_nsec = times[1].tv_nsec = UTIME_OMIT;
    const bool local = HoldsLocalTimes(properties);
    if ((valid & kValidAccessTime) && properties->GetAccessTime())
        times[0] = ToTimespec(properties->GetAccessTime(), local);
    if ((valid & kValidModificationTime) && properties->GetModificationTime())
        times[1] = ToTimespec(properties->GetModificationTime(), local);
    if ((times[0].tv_nsec != UTIME_OMIT || times[1].tv_nsec != UTIME_OMIT) && ::futimens(m_target.Fd(), times) != 0)
        ReleaseTrace("Failed to set file time");

    // Of the attributes only read-only has a meaning here (hidden is dropped anyway).
    if (properties->GetAttributes() & kFileAttrReadOnly) {
        struct stat st {};
        if (::fstat(m_target.Fd(), &st) != 0 || ::fchmod(m_target.Fd(), st.st_mode & 07555) != 0)
            ReleaseTrace("Failed to set file attributes of %s", m_fileName.c_str());
    }
}

int CFileSaver::WriteContent(CFileNode* node, IFileProperties* properties)
{
    const uint64_t size = properties->GetSize();
    const uint16_t attributes = properties->GetAttributes();
    std::unique_ptr<IDataRunList> runs(properties->GetDataRunList());

    if (properties->GetPropertiesType() == kPropertiesExt2 && (attributes & kFileAttrSparse)) {
        if (!runs) return size == 0 ? kRecoverSaved : kRecoverFailed;
        return WriteRuns(runs.get(), size, true);
    }

    uint64_t counted = size;
    bool encryptedHead = false;
    if (attributes & kFileAttrEncrypted) {
        m_efs.resize(kEfsMaxStreamBytes);
        uint64_t efsLength = 0;
        if (NtfsReadEfsAttribute(node, m_device, &efsLength, m_efs.data(), m_efs.size()) &&
            efsLength <= kEfsMaxStreamBytes) {
            if (int result = WriteEncryptedHead(uint32_t(efsLength))) return result;
            // The raw data goes in whole sectors.
            const uint64_t rest = size % m_sectorSize;
            if (rest) counted = size + (m_sectorSize - rest);
            encryptedHead = true;
        } else {
            DebugTrace("%s: its $EFS stream cannot be read; saved as its raw bytes", m_fileName.c_str());
        }
    }

    int result;
    if (!runs) {
        result = size == 0 ? kRecoverSaved : kRecoverFailed;
        if (result) ReleaseTrace("%s: %" PRIu64 " bytes but no runs", m_fileName.c_str(), size);
    } else if (runs->IsResident()) {
        result = WriteResident(node);
    } else if (!(attributes & kFileAttrCompressed)) {
        result = WriteRuns(runs.get(), counted, false);
    } else {
        result = WriteCompressedRuns(runs.get(), size);
    }
    runs.reset();
    if (result == kRecoverSaved && encryptedHead) result = RestoreEncryptedFile(size);
    return result;
}

int CFileSaver::WriteResident(CFileNode* node)
{
    uint8_t buffer[kResidentBufferBytes];
    uint64_t length = 0;
    if (!NtfsReadResidentFileData(node, m_device, &length, buffer, sizeof buffer) || length > sizeof buffer) {
        ReleaseTrace("%s: its resident data cannot be read", m_fileName.c_str());
        return kRecoverFailed;
    }
    if (!m_target.Write(buffer, size_t(length))) {
        WriteFailed();
        return kRecoverFailed;
    }
    return Report(length);
}

bool CFileSaver::StartSector(int64_t cluster, uint64_t sectorInRun, uint64_t& sector) const
{
    if (cluster < 0) return false;
    uint64_t at = 0;
    return !__builtin_mul_overflow(uint64_t(cluster), uint64_t(m_sectorsPerCluster), &at) &&
           !__builtin_add_overflow(at, m_partitionStart, &at) && !__builtin_add_overflow(at, sectorInRun, &sector);
}

void CFileSaver::ReadOrZero(uint8_t* buffer, int64_t firstCluster, uint64_t sectorInRun, uint64_t sectors,
                            uint64_t countedBytes)
{
    const uint64_t pieceSectors = kPieceBytes / m_sectorSize;
    uint64_t first = 0;
    if (!StartSector(firstCluster, sectorInRun, first)) {
        std::memset(buffer, 0, size_t(sectors * m_sectorSize));
        m_unreadableBytes += countedBytes;
        LogError("%s: cluster %" PRId64 " lies outside any device; saved as zeros", m_fileName.c_str(), firstCluster);
        return;
    }
    {
        // The devices tell which sectors they gave as zeros (with "Ignore bad sectors" the read still succeeds,
        // without it the sectors beside the bad ones are read all the same): exactly those bytes are lost.
        CReadLossScope loss;
        const bool ok = m_device->ReadSectors(buffer, first, sectors);
        if (!loss.Empty()) {
            const uint64_t lost = loss.LostBytesIn(buffer, size_t(sectors * m_sectorSize), size_t(countedBytes));
            m_unreadableBytes += lost;
            if (m_readFailures++ < kLoggedReadFailures)
                LogError("%s: %" PRIu64 " bytes of sectors %" PRIu64 " to %" PRIu64 " cannot be read; saved as zeros",
                         m_fileName.c_str(), lost, first, first + sectors - 1);
            return;
        }
        if (ok) return;
    }

    // A read across the end of the device (an image cut short): what lies before the end is still read, the
    // rest is zeros and counted as unreadable.
    if (const uint64_t deviceSectors = DeviceSectors(); first < deviceSectors && sectors > deviceSectors - first) {
        const uint64_t inside = deviceSectors - first;
        const uint64_t insideBytes = std::min(inside * m_sectorSize, countedBytes);
        ReadOrZero(buffer, firstCluster, sectorInRun, inside, insideBytes);
        std::memset(buffer + inside * m_sectorSize, 0, size_t((sectors - inside) * m_sectorSize));
        m_unreadableBytes += countedBytes - insideBytes;
        if (m_readFailures++ < kLoggedReadFailures)
            LogError("%s: sectors %" PRIu64 " to %" PRIu64 " lie past the end of the device; saved as zeros",
                     m_fileName.c_str(), deviceSectors, first + sectors - 1);
        return;
    }

    // Piece by piece, so that only what really failed stays zero.
    uint64_t left = countedBytes;
    for (uint64_t done = 0; done < sectors; done += pieceSectors) {
        const uint64_t count = std::min(pieceSectors, sectors - done);
        const uint64_t belongs = std::min(count * m_sectorSize, left);
        left -= belongs;
        if (sectors > pieceSectors && m_device->ReadSectors(buffer + done * m_sectorSize, first + done, count))
            continue;
        if (m_readFailures++ < kLoggedReadFailures)
            LogError("%s: sectors %" PRIu64 " to %" PRIu64 " cannot be read; saved as zeros", m_fileName.c_str(),
                     first + done, first + done + count - 1);
        m_unreadableBytes += belongs;
    }
}

int CFileSaver::WriteRuns(IDataRunList* runs, uint64_t byteCount, bool clusterZeroIsHole)
{
    const uint64_t pieceSectors = kPieceBytes / m_sectorSize;
    const uint64_t batchSectors = kReadBatchBytes / m_sectorSize;
    if (m_buffer.size() < kReadBatchBytes) m_buffer.resize(kReadBatchBytes);

    const uint64_t deviceSectors = DeviceSectors(); // 0: not known
    uint64_t remaining = byteCount;
    for (const DataRun* run = runs->First(); run && remaining; run = runs->Next()) {
        if (run->length == 0) continue;
        const uint64_t runSectors = SaturatingMultiply(run->length, uint64_t(m_sectorsPerCluster));
        const bool hole = run->IsSparse() || (clusterZeroIsHole && run->firstCluster == 0);
        uint64_t offset = 0;
        while (offset < runSectors && remaining) {
            // A hole, or the part of a run that lies past the end of the device (unreadable), goes in one
            // step however long it is: nothing is read and the target keeps a hole.
            uint64_t start = 0;
            const bool outside =
                !hole && (!StartSector(run->firstCluster, offset, start) || (deviceSectors && start >= deviceSectors));
            if (hole || outside) {
                const uint64_t bytes = std::min(SaturatingMultiply(runSectors - offset, m_sectorSize), remaining);
                m_target.Zeros(bytes);
                remaining -= bytes;
                offset = runSectors;
                if (outside) {
                    m_unreadableBytes += bytes;
                    if (m_readFailures++ < kLoggedReadFailures)
                        LogError("%s: cluster %" PRId64 " lies past the end of the device; saved as zeros",
                                 m_fileName.c_str(), run->firstCluster);
                }
                if (Report(bytes) == kRecoverCancelled) return kRecoverCancelled;
                continue;
            }
            const uint64_t needed = remaining / m_sectorSize + (remaining % m_sectorSize ? 1 : 0);
            const uint64_t batch = std::min({batchSectors, runSectors - offset, needed});
            // One write for the batch; the callback still hears of every piece, and a cancel cuts the file back
            // to the end of the piece it answered.
            const uint64_t batchBytes = std::min(batch * m_sectorSize, remaining);
            ReadOrZero(m_buffer.data(), run->firstCluster, offset, batch, batchBytes);
            const uint64_t batchStart = m_target.Size();
            if (!m_target.Write(m_buffer.data(), size_t(batchBytes))) {
                WriteFailed();
                return kRecoverFailed;
            }
            uint64_t reported = 0;
            for (uint64_t done = 0; done < batch && reported < batchBytes; done += pieceSectors) {
                const uint64_t bytes =
                    std::min(std::min(pieceSectors, batch - done) * m_sectorSize, batchBytes - reported);
                reported += bytes;
                if (Report(bytes) == kRecoverCancelled) {
                    m_target.TruncateTo(batchStart + reported);
                    return kRecoverCancelled;
                }
            }
            remaining -= batchBytes;
            offset += batch;
        }
    }
    if (remaining) {
        m_partial = true;
        LogInfo("%s: its runs end %" PRIu64 " bytes before its size", m_fileName.c_str(), remaining);
    }
    return kRecoverSaved;
}

int CFileSaver::WriteCompressedRuns(IDataRunList* runs, uint64_t byteCount)
{
    const uint64_t clusterBytes = uint64_t(m_sectorSize) * uint64_t(m_sectorsPerCluster); // at most 4096 here
    const size_t unitCapacity = size_t(CCompressionUnitCutter::kDefaultUnitClusters * clusterBytes);
    if (m_buffer.size() < kReadBatchBytes) m_buffer.resize(kReadBatchBytes);
    if (m_decoded.size() < unitCapacity) m_decoded.resize(unitCapacity);

    // Clusters from this one on lie past the end of the device.
    int64_t clusterLimit = INT64_MAX;
    if (const uint64_t deviceSectors = DeviceSectors(); deviceSectors > 0)
        clusterLimit = deviceSectors <= m_partitionStart
                           ? 0
                           : int64_t(std::min<uint64_t>(
                                 (deviceSectors - m_partitionStart) / uint64_t(m_sectorsPerCluster), INT64_MAX));
    CCompressionUnitCutter cutter(runs, CCompressionUnitCutter::kDefaultUnitClusters, clusterLimit);
    CompressionUnit unit;
    uint64_t remaining = byteCount;
    while (remaining && cutter.Next(unit)) {
        if (m_callback && m_callback->CheckCancel() == IFileRecoverCallback::kCancelled) return kRecoverCancelled;
        const uint64_t unitBytes = SaturatingMultiply(unit.clusters, clusterBytes);
        if (unit.outsideClusters) {
            m_unreadableBytes += std::min(SaturatingMultiply(unit.outsideClusters, clusterBytes), remaining);
            if (m_readFailures++ < kLoggedReadFailures)
                LogError("%s: clusters past the end of the device; saved as zeros", m_fileName.c_str());
        }
        switch (unit.kind) {
        case kUnitStored:
            for (const CompressionPiece& piece : unit.pieces) {
                const uint64_t bytes = std::min(piece.length * clusterBytes, remaining);
                if (piece.IsSparse()) {
                    m_target.Zeros(bytes);
                } else {
                    ReadOrZero(m_buffer.data(), piece.firstCluster, 0, piece.length * uint64_t(m_sectorsPerCluster),
                               bytes);
                    if (!m_target.Write(m_buffer.data(), size_t(bytes))) {
                        WriteFailed();
                        return kRecoverFailed;
                    }
                }
                remaining -= bytes;
                if (Report(bytes) == kRecoverCancelled) return kRecoverCancelled;
                if (!remaining) break;
            }
            break;
        case kUnitEmpty: {
            const uint64_t bytes = std::min(unitBytes, remaining);
            m_target.Zeros(bytes);
            remaining -= bytes;
            if (Report(bytes) == kRecoverCancelled) return kRecoverCancelled;
            break;
        }
        case kUnitCompressed: {
            // The data clusters up to the first sparse one hold the chunks.
            size_t dataBytes = 0;
            for (const CompressionPiece& piece : unit.pieces) {
                if (piece.IsSparse()) break;
                const uint64_t bytes = piece.length * clusterBytes;
                ReadOrZero(m_buffer.data() + dataBytes, piece.firstCluster, 0,
                           piece.length * uint64_t(m_sectorsPerCluster), bytes);
                dataBytes += size_t(bytes);
            }
            DecodeCompressionUnit(m_buffer.data(), dataBytes, m_decoded.data(), size_t(unitBytes));
            const uint64_t bytes = std::min(unitBytes, remaining);
            if (!m_target.Write(m_decoded.data(), size_t(bytes))) {
                WriteFailed();
                return kRecoverFailed;
            }
            remaining -= bytes;
            if (Report(bytes) == kRecoverCancelled) return kRecoverCancelled;
            break;
        }
        }
    }
    if (remaining) {
        m_partial = true;
        LogInfo("%s: its runs end %" PRIu64 " bytes before its size", m_fileName.c_str(), remaining);
    }
    return kRecoverSaved;
}

int CFileSaver::WriteEncryptedHead(uint32_t efsLength)
{
    const auto head = MakeEfsRawHeader(efsLength);
    if (!m_target.Write(head.data(), head.size()) || !m_target.Write(m_efs.data(), efsLength)) {
        WriteFailed();
        return kRecoverFailed;
    }
    return kRecoverSaved;
}

int CFileSaver::RestoreEncryptedFile(uint64_t realSize)
{
    // The target holds the raw-stream head, the $EFS stream and the raw data in whole sectors; the stream
    // built from it replaces it only once it is complete.
    if (!m_target.Flush()) {
        WriteFailed();
        return kRecoverFailed;
    }
    if (m_buffer.size() < kReadBatchBytes) m_buffer.resize(kReadBatchBytes);
    const int source = m_target.Fd();
    uint8_t head[kEfsRawHeaderBytes];
    if (plat::ReadFull(source, head, sizeof head, 0).done != sizeof head) {
        ReleaseTrace("Failed to open file %s", m_target.Name().c_str());
        return kRecoverFailed;
    }
    const uint32_t recorded =
        uint32_t(head[kEfsRawHeaderLengthOffset]) | uint32_t(head[kEfsRawHeaderLengthOffset + 1]) << 8 |
        uint32_t(head[kEfsRawHeaderLengthOffset + 2]) << 16 | uint32_t(head[kEfsRawHeaderLengthOffset + 3]) << 24;
    if (recorded < 16 || recorded - 16 > kEfsMaxStreamBytes) {
        ReleaseTrace("%s: a raw-stream head with $EFS length %u", m_fileName.c_str(), recorded);
        return kRecoverFailed;
    }
    const size_t efsLength = recorded - 16;

    CTargetFile stream = CTargetFile::CreateTemporary(m_target.FolderFd(), ".~EFS~");
    if (!stream.IsOpen()) {
        ReleaseTrace("Failed to create efs file.");
        return kRecoverFailed;
    }
    DebugTrace("Creating temporary file: %s", stream.Name().c_str());
    auto fail = [&](const char* what) {
        LogError("%s of %s: %s", what, m_fileName.c_str(), std::strerror(errno));
        m_failReason = std::strerror(errno);
        DebugTrace("Deleting temporary file: %s", stream.Name().c_str());
        stream.Discard();
        return kRecoverFailed;
    };

    // Head and $EFS stream as they are, then the data-stream head.
    const size_t prefix = kEfsRawHeaderBytes + efsLength;
    if (plat::ReadFull(source, m_buffer.data(), prefix, 0).done != prefix) return fail("Failed to read back");
    const auto streamHead = MakeEfsStreamHeader();
    if (!stream.Write(m_buffer.data(), prefix) || !stream.Write(streamHead.data(), streamHead.size()))
        return fail("Failed to write the raw stream");

    uint64_t offset = prefix;
    uint64_t uncovered = realSize;
    for (uint16_t index = 0;; ++index) {
        const plat::FdTransfer got = plat::ReadFull(source, m_buffer.data(), kEfsMaxBlockBytes, int64_t(offset));
        if (got.error) {
            errno = got.error;
            return fail("Failed to read back");
        }
        if (got.done == 0) break;
        const uint32_t length = uint32_t(got.done);
        const uint32_t real = uint32_t(std::min<uint64_t>(length, uncovered));
        const auto blockHead = MakeEfsDataBlockHeader(index, length, real);
        if (!stream.Write(blockHead.data(), blockHead.size()) || !stream.Write(m_buffer.data(), length))
            return fail("Failed to write the raw stream");
        uncovered -= real;
        offset += length;
        if (m_callback && m_callback->CheckCancel() == IFileRecoverCallback::kCancelled) {
            DebugTrace("Deleting temporary file: %s", stream.Name().c_str());
            stream.Discard();
            return kRecoverCancelled;
        }
        if (length < kEfsMaxBlockBytes) break;
    }

    // Linux has no import of the raw form: the stream itself becomes the target file.
    if (!stream.Flush() || !stream.RenameOver(m_target.Name())) return fail("Failed to put the raw stream in place");
    m_target.Close();
    m_target = std::move(stream);
    return kRecoverSaved;
}
