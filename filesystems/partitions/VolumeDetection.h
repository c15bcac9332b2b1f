// Small questions about a volume's file system: its kind from a boot sector alone, and the label of a file
// system that begins at sector 0 of a device (as dynamic volumes are read).
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

class IStorageDevice;

// sectors sectors of sectorSize bytes from firstSector, in a zeroed buffer of at least minBytes (so that a
// boot-sector parser may look at the fields it knows even on small sectors); empty without a device, for a
// sector size that is not positive, or when the read fails.
std::vector<uint8_t> ReadBootSectors(IStorageDevice* device, uint64_t firstSector, int32_t sectorSize, uint32_t sectors,
                                     size_t minBytes);

// The kind the first file system of the registry whose boot-sector test knows the sector finds there (the FAT
// type, 0 to 2, before NTFS, 3); 7 when none does.
int32_t DetectFileSystemKind(std::span<const uint8_t> sector, int32_t sectorSize);
// The boot-sector tests of the registry: the FAT type (0, 1, 2) when the sector classifies as a FAT boot sector
// for that sector size, 3 for a usable NTFS boot sector; 7 otherwise.
int32_t DetectFatBootSector(std::span<const uint8_t> sector, int32_t sectorSize);
int32_t DetectNtfsBootSector(std::span<const uint8_t> sector, int32_t sectorSize);

// The label of the file system of that kind at sector 0, read by its family's label reader in the registry
// (FAT and NTFS have one); false for other kinds or when the label cannot be read. The label is cut to
// size - 1 bytes and terminated.
bool ReadVolumeLabel(IStorageDevice* device, int32_t kind, char* label, int size);
bool ReadFatDeviceLabel(IStorageDevice* device, std::string& label);
bool ReadNtfsDeviceLabel(IStorageDevice* device, std::string& label);
