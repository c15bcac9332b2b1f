// MBR, extended-chain and GPT reading.
#include "filesystems/partitions/CPartitionTableAnalyze.h"

#include "core/bytes/ByteReader.h"
#include "core/devices/IStorageDevice.h"
#include "filesystems/partitions/CVolumeAnalyzeList.h"
#include "filesystems/partitions/GptPartitionTypes.h"
#include "filesystems/tree/CFileNode.h"
#include "platform/Log.h"

#include <algorithm>
#include <cinttypes>
#include <cstdlib>
#include <vector>

namespace {

constexpr size_t kGptEntryCount = 128;
constexpr size_t kGptEntrySize = 128;
constexpr uint64_t kGptEntriesLba = 2;

// The count of an entry that starts at first, shortened to the device's end; a count of 0 (or, for a GPT
// entry, one whose last LBA lies before its first) takes the rest of the device. False when the entry starts
// at or past the end.
bool ClampToDevice(uint64_t first, int64_t tableCount, uint64_t deviceSectors, uint64_t& count)
{
    if (first >= deviceSectors) return false;
    const uint64_t rest = deviceSectors - first;
    count = (tableCount <= 0 || uint64_t(tableCount) > rest) ? rest : uint64_t(tableCount);
    return true;
}

// What the analysers found at an entry's start.
struct StartAnalysis {
    int32_t kind = kFsKindNone;
    uint64_t totalSectors = 0;
    char label[IVolume::kLabelSize] = {};
};

StartAnalysis AnalyseStart(IStorageDevice* device, uint64_t first)
{
    StartAnalysis result;
    const CVolumeAnalyzeList analysers(device, first);
    IVolume* volume = analysers.FindFirstKnown();
    result.kind = volume->GetFileSystemKind();
    if (result.kind != kFsKindNone) {
        result.totalSectors = volume->GetTotalSectors();
        volume->GetLabel(result.label, IVolume::kLabelSize);
        result.label[IVolume::kLabelSize - 1] = '\0';
    }
    return result;
}

void Append(IStorageDevice* device, uint64_t first, uint64_t count, const StartAnalysis& found,
            CBasicPartitionList& list)
{
    if (count == 0) return;
    CBasicPartitionInfo entry;
    entry.u64StartSector = first;
    entry.u64SectorCount = count;
    entry.nFileSystemKind = found.kind;
    std::copy(std::begin(found.label), std::end(found.label), entry.szLabel);
    entry.pWindow = std::make_unique<CBasicPartitionDevice>(device, first, count);
    list.push_back(std::move(entry));
}

// The file system's size is taken only when it is stated and ends inside the device.
bool UsesFileSystemSize(const StartAnalysis& found, uint64_t first, uint64_t deviceSectors)
{
    return found.kind != kFsKindNone && found.totalSectors != 0 && found.totalSectors < deviceSectors - first;
}

} // namespace

CPartitionTableAnalyze::MbrSector CPartitionTableAnalyze::DecodeMbrSector(std::span<const uint8_t> sector)
{
    MbrSector mbr;
    if (sector.size() < 512) return mbr;
    bytes::ByteReader r(sector);
    bool indicatorsValid = true;
    for (size_t i = 0; i < 4; ++i) {
        const size_t at = 446 + i * 16;
        MbrEntry& e = mbr.entries[i];
        e.bootIndicator = r.u8(at);
        e.type = r.u8(at + 4);
        e.firstSector = r.u32le(at + 8);
        e.sectorCount = r.u32le(at + 12);
        const std::span<const uint8_t> raw = r.span(at, 16);
        e.empty = std::all_of(raw.begin(), raw.end(), [](uint8_t b) { return b == 0; });
        if (e.bootIndicator != 0x00 && e.bootIndicator != 0x80) indicatorsValid = false;
    }
    mbr.signature = r.u8(510) == 0x55 && r.u8(511) == 0xAA;
    mbr.valid = mbr.signature && indicatorsValid;
    return mbr;
}

CPartitionTableAnalyze::MbrSector CPartitionTableAnalyze::ReadMbrSector(IStorageDevice* device, uint64_t sector)
{
    const int32_t sectorSize = device->GetSectorSize();
    if (sectorSize < 512) return MbrSector{};
    std::vector<uint8_t> bytes(size_t(sectorSize), 0);
    if (!device->ReadSectors(bytes.data(), sector, 1)) {
        // Listed as before (no entries from this sector), but the result says the table was not read.
        CountFailedRead(sector, 1);
        return MbrSector{};
    }
    ++m_result.counters.recordsRead;
    return DecodeMbrSector(bytes);
}

void CPartitionTableAnalyze::CountFailedRead(uint64_t sector, uint64_t count)
{
    ++m_result.counters.readFailures;
    m_result.Merge(bytes::ParseStatus::IoFailure);
    LogError("Partition table: reading %" PRIu64 " sectors at sector %" PRIu64 " failed", count, sector);
}

int CPartitionTableAnalyze::ReadPartitions(IStorageDevice* device, CBasicPartitionList& list)
{
    m_result = {};
    if (!device) return int(list.size());
    const MbrSector mbr = ReadMbrSector(device, 0);
    if (HasDynamicPartitionEntry(mbr)) return int(list.size());
    if (IsProtectiveGptDisk(mbr))
        ReadGptPartitions(device, list);
    else
        ReadMbrPartitions(device, mbr, list);
    return int(list.size());
}

bool CPartitionTableAnalyze::HasDynamicPartitionEntry(const MbrSector& mbr) const
{
    // Decided by the types alone, signature or not.
    return std::any_of(std::begin(mbr.entries), std::end(mbr.entries),
                       [](const MbrEntry& e) { return e.type == kTypeDynamic; });
}

bool CPartitionTableAnalyze::IsProtectiveGptDisk(const MbrSector& mbr) const
{
    // Only the signature counts here, not the boot indicators.
    return mbr.signature && mbr.entries[0].type == kTypeGptProtective;
}

void CPartitionTableAnalyze::ReadGptPartitions(IStorageDevice* device, CBasicPartitionList& list)
{
    const int32_t sectorSize = device->GetSectorSize();
    if (sectorSize < 512) return;
    // The entry array is 16 KiB whatever the sector size: 32 sectors of 512 bytes, 4 of 4096.
    const size_t arrayBytes = kGptEntryCount * kGptEntrySize;
    const uint64_t sectors = (arrayBytes + size_t(sectorSize) - 1) / size_t(sectorSize);
    std::vector<uint8_t> bytes(size_t(sectors) * size_t(sectorSize), 0);
    if (!device->ReadSectors(bytes.data(), kGptEntriesLba, sectors)) {
        CountFailedRead(kGptEntriesLba, sectors);
        return;
    }
    ++m_result.counters.recordsRead;
    bytes::ByteReader r(bytes);
    for (size_t i = 0; i < kGptEntryCount; ++i) {
        bytes::ByteReader entry = r.sub(i * kGptEntrySize, kGptEntrySize);
        if (!entry) break;
        if (!IsGptPartitionTypeTaken(entry.span(0, 16).first<16>())) continue;
        AddGptPartition(device, entry.u64le(32), entry.u64le(40), list);
    }
}

void CPartitionTableAnalyze::AddGptPartition(IStorageDevice* device, uint64_t firstLba, uint64_t lastLba,
                                             CBasicPartitionList& list)
{
    const uint64_t deviceSectors = device->GetSectorCount();
    uint64_t count = 0;
    if (!ClampToDevice(firstLba, int64_t(lastLba - firstLba + 1), deviceSectors, count)) return;
    const StartAnalysis found = AnalyseStart(device, firstLba);
    if (UsesFileSystemSize(found, firstLba, deviceSectors)) count = found.totalSectors;
    Append(device, firstLba, count, found, list);
}

void CPartitionTableAnalyze::ReadMbrPartitions(IStorageDevice* device, const MbrSector& mbr, CBasicPartitionList& list)
{
    AddWholeDeviceVolume(device, list);
    ReadMbrChain(device, mbr, list);
}

void CPartitionTableAnalyze::AddWholeDeviceVolume(IStorageDevice* device, CBasicPartitionList& list)
{
    const uint64_t deviceSectors = device->GetSectorCount();
    if (deviceSectors == 0) return;
    const StartAnalysis found = AnalyseStart(device, 0);
    if (found.kind == kFsKindNone) return;
    uint64_t count = 0;
    ClampToDevice(0, int64_t(found.totalSectors), deviceSectors, count);
    Append(device, 0, count, found, list);
}

void CPartitionTableAnalyze::ReadMbrChain(IStorageDevice* device, const MbrSector& mbr, CBasicPartitionList& list)
{
    if (!mbr.valid) return;
    std::set<uint64_t> visited;
    for (const MbrEntry& e : mbr.entries) {
        // Type 0 marks an unused slot even when other bytes of it are set.
        if (e.empty || e.type == 0 || e.type == kTypeDynamic) continue;
        if (IsExtendedType(e.type))
            ReadExtendedChain(device, e.firstSector, list, visited);
        else
            AddPartition(device, e, 0, list);
    }
}

void CPartitionTableAnalyze::ReadExtendedChain(IStorageDevice* device, uint64_t base, CBasicPartitionList& list,
                                               std::set<uint64_t>& visited)
{
    // Depth first as the links are met, without recursion: a crafted chain can be as long as the device.
    struct Frame {
        uint64_t sector;
        MbrSector ebr;
        size_t next = 0;
    };
    std::vector<Frame> stack;
    auto enter = [&](uint64_t sector) {
        if (visited.size() >= kMaxExtendedBootRecords || !visited.insert(sector).second) return;
        const uint64_t failuresBefore = m_result.counters.readFailures;
        MbrSector ebr = ReadMbrSector(device, sector);
        if (ebr.valid) {
            stack.push_back({sector, ebr});
        } else if (m_result.counters.readFailures == failuresBefore) {
            ++m_result.counters.corruptSkipped;
            m_result.Merge(bytes::ParseStatus::Corrupt);
            ReleaseTrace("Partition table: extended boot record at sector %" PRIu64 " has no valid signature", sector);
        }
    };
    enter(base);
    while (!stack.empty()) {
        Frame& frame = stack.back();
        if (frame.next == 4) {
            stack.pop_back();
            continue;
        }
        const MbrEntry e = frame.ebr.entries[frame.next++];
        if (e.empty) continue;
        const uint64_t start = frame.sector + e.firstSector;
        if (std::any_of(list.begin(), list.end(),
                        [start](const CBasicPartitionInfo& p) { return p.u64StartSector == start; })) {
            stack.pop_back(); // this EBR was read before through another way
            continue;
        }
        if (e.type == 0 || e.type == kTypeDynamic) continue;
        if (IsExtendedType(e.type))
            enter(base + e.firstSector);
        else
            AddPartition(device, e, frame.sector, list);
    }
}

void CPartitionTableAnalyze::AddPartition(IStorageDevice* device, const MbrEntry& entry, uint64_t relativeBase,
                                          CBasicPartitionList& list)
{
    const uint64_t deviceSectors = device->GetSectorCount();
    const uint64_t first = relativeBase + entry.firstSector;
    uint64_t count = 0;
    if (!ClampToDevice(first, int64_t(entry.sectorCount), deviceSectors, count)) return;
    const StartAnalysis found = AnalyseStart(device, first);
    if (UsesFileSystemSize(found, first, deviceSectors)) {
        const int32_t difference = int32_t(uint32_t(found.totalSectors) - entry.sectorCount);
        if (std::abs(int64_t(difference)) >= kSizeDisagreement) Append(device, first, count, found, list);
        count = found.totalSectors;
    }
    Append(device, first, count, found, list);
}
