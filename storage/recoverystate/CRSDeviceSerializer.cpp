// Saving the scanned device's record and finding that device again on restore.
#include "storage/recoverystate/CRSDeviceSerializer.h"

#include <algorithm>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "core/bytes/ByteWriter.h"
#include "core/devices/CDiskDevice.h"
#include "platform/Log.h"
#include "storage/diskimage/CImageFileDeviceWithDecompress.h"

namespace {

template <size_t N>
void PutText(bytes::ByteWriter& w, size_t at, const char (&text)[N])
{
    w.copy(at, text, strnlen(text, N));
}

std::vector<uint8_t> ReadBlock(IRSData* stream, size_t size)
{
    std::vector<uint8_t> bytes(size);
    stream->Read(bytes.data(), unsigned(size));
    return bytes;
}

// The signature of a disk of this run, made once per disk however many records name it.
class SignatureCache {
public:
    // Null when the disk's signature cannot be made.
    const CRSDeviceSerializer::DiskSignature* Get(IStorageDevice* disk)
    {
        for (const auto& [device, signature] : m_made)
            if (device == disk) return signature.get();
        auto signature = std::make_unique<CRSDeviceSerializer::DiskSignature>();
        if (!CRSDeviceSerializer::MakeDiskSignature(disk, *signature)) signature.reset();
        m_made.emplace_back(disk, std::move(signature));
        return m_made.back().second.get();
    }

private:
    std::vector<std::pair<IStorageDevice*, std::unique_ptr<CRSDeviceSerializer::DiskSignature>>> m_made;
};

bool SameSignature(const CRSDeviceSerializer::DiskSignature* made, const uint8_t* stored)
{
    return made && std::memcmp(made->data(), stored, CRSDeviceSerializer::kSignatureSize) == 0;
}

// An opened image of that path, or the image opened again and appended; null when it cannot be used.
template <class Record>
Record* FindOrOpenImage(const Record& saved, std::list<Record>& images)
{
    const std::string path = saved.szImagePath;
    if (path.empty()) return nullptr;
    for (Record& image : images)
        if (image.nKind == Record::kKindImage && path == image.szImagePath) return &image;
    auto device = std::make_unique<CImageFileDeviceWithDecompress>(path);
    if (!device->CheckSlices()) {
        ReleaseTrace("Recovery state: the disk image %s cannot be opened", path.c_str());
        return nullptr;
    }
    Record copy = saved;
    copy.pDevice = device.release();
    images.push_back(copy);
    return &images.back();
}

} // namespace

bool CRSDeviceSerializer::MakeDiskSignature(IStorageDevice* disk, DiskSignature& out)
{
    out.fill(0);
    if (!disk) return false;
    bool whole = true;
    DiskDescription description{};
    auto* physical = dynamic_cast<CDiskDevice*>(disk);
    if (physical && physical->GetDiskDescription(&description)) {
        bytes::ByteWriter w(std::span<uint8_t>(out).first(kDescriptionSize));
        w.u32le(0, uint32_t(description.busType));
        PutText(w, 4, description.vendorId);
        PutText(w, 264, description.productId);
        PutText(w, 524, description.productRevision);
        PutText(w, 784, description.serialNumber);
        PutText(w, 1044, description.busTypeName);
    } else {
        whole = false;
    }
    const int32_t sectorSize = disk->GetSectorSize();
    if (sectorSize > 0 && sectorSize <= 65536) {
        std::vector<uint8_t> sector(size_t(sectorSize), 0);
        if (disk->ReadSectors(sector.data(), 0, 1))
            std::memcpy(out.data() + kDescriptionSize, sector.data(),
                        std::min<size_t>(sector.size(), kMaxSignatureSector));
        else
            whole = false;
    } else {
        whole = false;
    }
    // The partition table is left out, so that a disk is recognised after its partitions change.
    std::memset(out.data() + kPartitionTableAt, 0, kPartitionTableSize);
    return whole;
}

bool CRSDeviceSerializer::SaveVolume(const VolumeDeviceRecord& record)
{
    if (!m_stream || !m_stream->BeginSection(kRSVolumeRecordGuid)) return false;
    const auto bytes = EncodeVolumeDeviceRecord(record);
    m_stream->Write(bytes.data(), unsigned(bytes.size()));
    if (record.nKind == VolumeDeviceRecord::kKindVolume) {
        DiskSignature signature;
        for (int i = 0; i < record.GetMemberCount(); ++i) {
            MakeDiskSignature(record.members[i].pDisk, signature);
            m_stream->Write(signature.data(), unsigned(signature.size()));
        }
    }
    return m_stream->EndSection();
}

bool CRSDeviceSerializer::SaveDisk(const DiskDeviceRecord& record)
{
    if (!m_stream || !m_stream->BeginSection(kRSDiskRecordGuid)) return false;
    const auto bytes = EncodeDiskDeviceRecord(record);
    m_stream->Write(bytes.data(), unsigned(bytes.size()));
    if (record.nKind == DiskDeviceRecord::kKindDisk) {
        DiskSignature signature;
        MakeDiskSignature(record.pDiskDevice ? record.pDiskDevice : record.pDevice, signature);
        m_stream->Write(signature.data(), unsigned(signature.size()));
    }
    return m_stream->EndSection();
}

VolumeDeviceRecord* CRSDeviceSerializer::LoadVolume(std::list<VolumeDeviceRecord>& current,
                                                    COpenedImageVolumeList& images)
{
    if (!m_stream) return nullptr;
    m_stream->BeginSection(kRSVolumeRecordGuid);
    VolumeDeviceRecord saved;
    StoredPointerSlots slots;
    const std::vector<uint8_t> bytes = ReadBlock(m_stream, VolumeDeviceRecord::kStoredSize);
    DecodeVolumeDeviceRecord(bytes, saved, &slots);

    VolumeDeviceRecord* found = nullptr;
    if (saved.nKind == VolumeDeviceRecord::kKindImage) {
        found = FindOrOpenImage(saved, images);
    } else if (saved.nKind == VolumeDeviceRecord::kKindVolume) {
        const int members = slots.MemberCount();
        const std::vector<uint8_t> signatures = ReadBlock(m_stream, size_t(members) * kSignatureSize);
        // A volume without member disks names no device of its own (a raw image file opened as a source
        // is one): only a floppy can be known again by its letter.
        if (members > 0 || saved.bFloppy) {
            SignatureCache made;
            for (VolumeDeviceRecord& candidate : current) {
                if (candidate.nKind != VolumeDeviceRecord::kKindVolume || candidate.bFloppy != saved.bFloppy ||
                    candidate.cDriveLetter != saved.cDriveLetter ||
                    candidate.nFileSystemKind != saved.nFileSystemKind || candidate.nDynamic != saved.nDynamic ||
                    candidate.GetMemberCount() != members)
                    continue;
                bool same = true;
                for (int i = 0; i < members && same; ++i) {
                    const VolumeMemberExtent& have = candidate.members[i];
                    same = have.u64FirstSector == saved.members[i].u64FirstSector &&
                           have.u64SectorCount == saved.members[i].u64SectorCount &&
                           SameSignature(made.Get(have.pDisk), signatures.data() + size_t(i) * kSignatureSize);
                }
                if (same) {
                    found = &candidate;
                    break;
                }
            }
        }
    }
    m_stream->EndSection();
    return found;
}

DiskDeviceRecord* CRSDeviceSerializer::LoadDisk(CDiskDeviceRecordList& current, COpenedImageDiskList& images)
{
    if (!m_stream) return nullptr;
    m_stream->BeginSection(kRSDiskRecordGuid);
    DiskDeviceRecord saved;
    const std::vector<uint8_t> bytes = ReadBlock(m_stream, DiskDeviceRecord::kStoredSize);
    DecodeDiskDeviceRecord(bytes, saved);

    DiskDeviceRecord* found = nullptr;
    if (saved.nKind == DiskDeviceRecord::kKindImage) {
        found = FindOrOpenImage(saved, images);
    } else if (saved.nKind == DiskDeviceRecord::kKindDisk) {
        const std::vector<uint8_t> signature = ReadBlock(m_stream, kSignatureSize);
        SignatureCache made;
        for (DiskDeviceRecord& candidate : current) {
            if (candidate.nKind != DiskDeviceRecord::kKindDisk) continue;
            IStorageDevice* disk = candidate.pDiskDevice ? candidate.pDiskDevice : candidate.pDevice;
            if (SameSignature(made.Get(disk), signature.data())) {
                found = &candidate;
                break;
            }
        }
    }
    m_stream->EndSection();
    return found;
}
