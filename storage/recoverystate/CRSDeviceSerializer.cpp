// Saving the scanned device's record and finding that device again on restore.
#include "storage/recoverystate/CRSDeviceSerializer.h"

#include <algorithm>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "core/bytes/ByteWriter.h"
#include "core/devices/CDiskDevice.h"
#include "core/devices/CImageFileDevice.h"
#include "core/rsdata/CRSException.h"
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

// The stored image identity that follows an image record (written since images are matched by content
// too), or null in a section written without it.
std::unique_ptr<CRSDeviceSerializer::DiskSignature> ReadImageIdentity(IRSData* stream)
{
    auto identity = std::make_unique<CRSDeviceSerializer::DiskSignature>();
    try {
        stream->Read(identity->data(), 1);
    } catch (const IRSException& e) {
        if (e.GetCode() == RS_ERROR_SHORT_READ) return nullptr;
        throw;
    }
    // Present: the rest must be whole, or the section is damaged.
    stream->Read(identity->data() + 1, unsigned(identity->size() - 1));
    return identity;
}

// The image file of a stored record opened again: a disk-image container, or else a raw sector image of the
// stored size (what Ctrl+O opens). Null when neither.
std::unique_ptr<IStorageDevice> ReopenImage(const std::string& path, uint64_t storedSectors)
{
    auto container = std::make_unique<CImageFileDeviceWithDecompress>(path);
    if (container->CheckSlices()) return container;
    container.reset();
    auto raw = std::make_unique<CImageFileDevice>(path);
    if (raw->IsOpen() && storedSectors != 0 && raw->GetSectorCount() == storedSectors) return raw;
    return nullptr;
}

// Whether an image reads as the stored identity says. An image has no disk description, so its signature
// is never "whole": the bytes are compared as they come.
bool IsStoredImage(IStorageDevice* image, const CRSDeviceSerializer::DiskSignature* identity)
{
    if (!identity) return true;
    CRSDeviceSerializer::DiskSignature made;
    CRSDeviceSerializer::MakeDiskSignature(image, made);
    return made == *identity;
}

// An opened image of that path, or the image opened again and appended; null when it cannot be used. With
// a stored identity, an image whose signature differs (another file put at that path) is refused.
template <class Record>
Record* FindOrOpenImage(const Record& saved, std::list<Record>& images,
                        const CRSDeviceSerializer::DiskSignature* identity)
{
    const std::string path = saved.szImagePath;
    if (path.empty()) return nullptr;
    for (Record& image : images)
        if (image.nKind == Record::kKindImage && path == image.szImagePath && IsStoredImage(image.pDevice, identity))
            return &image;
    std::unique_ptr<IStorageDevice> device = ReopenImage(path, saved.u64ImageSectorCount);
    if (!device) {
        ReleaseTrace("Recovery state: the disk image %s cannot be opened", path.c_str());
        return nullptr;
    }
    if (!IsStoredImage(device.get(), identity)) {
        ReleaseTrace("Recovery state: the image %s is not the one scanned", path.c_str());
        return nullptr;
    }
    Record copy = saved;
    copy.pDevice = device.release();
    images.push_back(copy);
    return &images.back();
}

// After an image record: the signature of the image, so that a later run knows the file again.
void WriteImageIdentity(IRSData* stream, IStorageDevice* image)
{
    if (!image) return;
    // What could be read of it: the image opened again reads the same.
    CRSDeviceSerializer::DiskSignature signature;
    CRSDeviceSerializer::MakeDiskSignature(image, signature);
    stream->Write(signature.data(), unsigned(signature.size()));
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
    } else if (record.nKind == VolumeDeviceRecord::kKindImage) {
        WriteImageIdentity(m_stream, record.pDevice);
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
    } else if (record.nKind == DiskDeviceRecord::kKindImage) {
        WriteImageIdentity(m_stream, record.pDevice);
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
        const auto identity = ReadImageIdentity(m_stream);
        found = FindOrOpenImage(saved, images, identity.get());
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
        const auto identity = ReadImageIdentity(m_stream);
        found = FindOrOpenImage(saved, images, identity.get());
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
