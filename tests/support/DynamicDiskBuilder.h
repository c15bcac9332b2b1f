// Writes dynamic disks for tests byte by byte: the database records (volumes, components, partitions, disks)
// as VBLK blocks, the VMDB and TOCBLOCKs of the database area, the PRIVHEAD that points to it, and the MBR of
// a dynamic disk; and splits a volume's bytes into the members of a spanned or RAID-5 layout.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace testsupport {

// The variable-length forms of the database: a length byte, then the big-endian number or the characters.
std::vector<uint8_t> LdmNumber(uint64_t value);
std::vector<uint8_t> LdmText(const std::string& text);

class DynamicDiskBuilder {
public:
    // Partition starts count from here (512-byte sectors); the database fills the last 1 MiB of a disk.
    static constexpr uint64_t kLogicalStart = 63;
    static constexpr uint64_t kDatabaseBytes = 1u << 20;

    struct Record {
        uint8_t type;
        uint8_t flags;
        std::vector<uint8_t> data;
    };

    // Each Add gives the record the next object id (from 1) and returns it.
    uint64_t AddDisk(const std::string& guidText, const std::string& name = "Disk1");
    // typeCode 3 gen, 4 RAID-5; a drive hint sets the block flags to 0x02.
    uint64_t AddVolume(const std::string& name, uint8_t typeCode, uint64_t size512, uint8_t partitionType,
                       uint64_t components, const std::string& driveHint = "");
    // type 1 striped, 2 concatenated, 3 RAID-5; a stripe size sets the block flags to 0x10.
    uint64_t AddComponent(const std::string& name, uint64_t volumeId, uint8_t type, uint64_t partitions,
                          uint64_t stripe512 = 0, uint64_t columns = 0);
    // An index sets the block flags to 0x08.
    uint64_t AddPartition(const std::string& name, uint64_t componentId, uint64_t diskId, uint64_t start512,
                          uint64_t volumeOffset512, uint64_t size512, std::optional<uint64_t> index = {});
    void AddRecord(uint8_t type, uint8_t flags, std::vector<uint8_t> data);
    const std::vector<Record>& Records() const { return m_records; }

    // One 128-byte VBLK block: a first block (record number 0) carries up to 104 data bytes from 0x18 and the
    // fields from 0x10; a continuation block carries up to 112 data bytes from 0x10.
    static std::vector<uint8_t> Vblk(uint32_t group, uint16_t recordNumber, uint16_t blockCount, uint8_t flags,
                                     uint8_t type, uint32_t dataLength, std::span<const uint8_t> data);
    // The blocks of every record in order, record i in group i + 1.
    std::vector<uint8_t> VblkBlocks() const;
    // 512 bytes.
    static std::vector<uint8_t> PrivHead(const std::string& diskGuid, const std::string& groupName,
                                         uint64_t logicalStart, uint64_t logicalSize, uint64_t configStart,
                                         uint64_t configSize);
    // The database area (kDatabaseBytes): TOCBLOCKs in its sectors 1 and 2, the VMDB in sector 17, the VBLKs of
    // the records from the next sector on.
    std::vector<uint8_t> DatabaseArea() const;

    // Lays out a dynamic disk of disk.size() / sectorSize sectors: an MBR with one type 0x42 partition from
    // kLogicalStart, PRIVHEAD in sector 6 and in the last sector, the database area at the end.
    void WriteDisk(std::vector<uint8_t>& disk, const std::string& guid, int32_t sectorSize = 512) const;
    // The same on a file of sectorCount 512-byte sectors (made or grown to that size; other bytes untouched).
    bool WriteDiskFile(const std::string& path, uint64_t sectorCount, const std::string& guid) const;

    std::string groupName = "SalvixDg0";

private:
    struct Piece {
        uint64_t offset;
        std::vector<uint8_t> bytes;
    };
    std::vector<Piece> Layout(uint64_t sectors, int32_t sectorSize, const std::string& guid) const;

    std::vector<Record> m_records;
    uint64_t m_nextId = 1;
};

// Writes bytes into a file at an offset (the file is made when missing).
bool WriteFileAt(const std::string& path, uint64_t offset, std::span<const uint8_t> bytes);
// A volume cut into consecutive parts of the given sizes in bytes.
std::vector<std::vector<uint8_t>> SplitSpanned(std::span<const uint8_t> volume, const std::vector<uint64_t>& sizes);
// A volume laid out on n RAID-5 columns of stripe-byte units, parity rotating from the last column leftwards;
// the volume is padded with zeros to whole rows.
std::vector<std::vector<uint8_t>> SplitRaid5(std::span<const uint8_t> volume, size_t n, size_t stripe);

} // namespace testsupport
