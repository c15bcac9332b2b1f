// Byte builders for FAT tests: boot sectors of each width, directory entries, long-name pieces and tables.
#pragma once

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

namespace fattest {

inline void Put16(uint8_t* p, uint16_t v)
{
    p[0] = uint8_t(v);
    p[1] = uint8_t(v >> 8);
}
inline void Put32(uint8_t* p, uint32_t v)
{
    for (int i = 0; i < 4; ++i) p[i] = uint8_t(v >> (8 * i));
}

struct BootParams {
    int type = 0; // 0 FAT12, 1 FAT16, 2 FAT32
    uint16_t bytesPerSector = 512;
    uint8_t sectorsPerCluster = 1;
    uint16_t reserved = 1;
    uint8_t fats = 2;
    uint16_t rootEntries = 224;
    uint32_t totalSectors = 2880;
    uint32_t sectorsPerFAT = 9;
    uint32_t rootCluster = 2;
};

// A boot sector of sectorSize bytes (at least 512) that classifies as the given type.
inline std::vector<uint8_t> MakeBootSector(const BootParams& p, size_t sectorSize = 512)
{
    std::vector<uint8_t> s(sectorSize < 512 ? 512 : sectorSize, 0);
    s[0] = 0xEB;
    s[1] = 0x3C;
    s[2] = 0x90;
    std::memcpy(&s[3], "MSWIN4.1", 8);
    Put16(&s[0x0B], p.bytesPerSector);
    s[0x0D] = p.sectorsPerCluster;
    Put16(&s[0x0E], p.reserved);
    s[0x10] = p.fats;
    s[0x15] = 0xF8;
    if (p.type == 2) {
        Put32(&s[0x20], p.totalSectors);
        Put32(&s[0x24], p.sectorsPerFAT);
        Put32(&s[0x2C], p.rootCluster);
        std::memcpy(&s[0x52], "FAT32   ", 8);
    } else {
        Put16(&s[0x11], p.rootEntries);
        if (p.totalSectors < 0x10000)
            Put16(&s[0x13], uint16_t(p.totalSectors));
        else
            Put32(&s[0x20], p.totalSectors);
        Put16(&s[0x16], uint16_t(p.sectorsPerFAT));
        std::memcpy(&s[0x36], p.type == 0 ? "FAT12   " : "FAT16   ", 8);
    }
    s[510] = 0x55;
    s[511] = 0xAA;
    return s;
}

struct EntryParams {
    std::string name = "README  ";
    std::string ext = "TXT";
    uint8_t attr = 0x20;
    uint32_t cluster = 0;
    uint32_t size = 0;
    uint16_t crtTime = 0, crtDate = 0, accDate = 0, wrtTime = 0, wrtDate = 0;
};

// A 32-byte short entry; name and extension are padded with blanks.
inline std::vector<uint8_t> MakeEntry(const EntryParams& p)
{
    std::vector<uint8_t> e(32, ' ');
    std::memcpy(e.data(), p.name.data(), std::min<size_t>(8, p.name.size()));
    std::memcpy(e.data() + 8, p.ext.data(), std::min<size_t>(3, p.ext.size()));
    std::memset(e.data() + 11, 0, 21);
    e[11] = p.attr;
    Put16(&e[14], p.crtTime);
    Put16(&e[16], p.crtDate);
    Put16(&e[18], p.accDate);
    Put16(&e[20], uint16_t(p.cluster >> 16));
    Put16(&e[22], p.wrtTime);
    Put16(&e[24], p.wrtDate);
    Put16(&e[26], uint16_t(p.cluster));
    Put32(&e[28], p.size);
    return e;
}

inline uint16_t DosDate(int year, int month, int day)
{
    return uint16_t((year - 1980) << 9 | month << 5 | day);
}
inline uint16_t DosTime(int h, int m, int s)
{
    return uint16_t(h << 11 | m << 5 | s / 2);
}

// The long-name pieces of a name followed by its short entry, in directory order (last piece first).
inline std::vector<uint8_t> MakeLongNameEntries(const std::u16string& name, const std::vector<uint8_t>& shortEntry)
{
    const size_t pieces = (name.size() + 12) / 13;
    std::vector<uint8_t> out;
    static const size_t slots[] = {1, 3, 5, 7, 9, 14, 16, 18, 20, 22, 24, 28, 30};
    uint8_t checksum = 0; // of the short entry's 11 name bytes, as every piece carries it
    for (size_t i = 0; i < 11 && i < shortEntry.size(); ++i)
        checksum = uint8_t(((checksum & 1) << 7) + (checksum >> 1) + shortEntry[i]);
    for (size_t k = pieces; k-- > 0;) {
        std::vector<uint8_t> e(32, 0);
        e[0] = uint8_t((k + 1) | (k + 1 == pieces ? 0x40 : 0));
        e[11] = 0x0F;
        e[13] = checksum;
        for (size_t j = 0; j < 13; ++j) {
            const size_t idx = k * 13 + j;
            uint16_t u = idx < name.size() ? name[idx] : (idx == name.size() ? 0 : 0xFFFF);
            Put16(&e[slots[j]], u);
        }
        out.insert(out.end(), e.begin(), e.end());
    }
    out.insert(out.end(), shortEntry.begin(), shortEntry.end());
    return out;
}

} // namespace fattest
