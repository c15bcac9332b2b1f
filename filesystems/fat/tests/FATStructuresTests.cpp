// Boot-sector classification, directory-entry tests, 8.3 and long names, byte-built.
#include "filesystems/fat/CFATDBR.h"
#include "filesystems/fat/CFATDirEntry.h"
#include "filesystems/fat/CFATLongNameEntry.h"
#include "filesystems/fat/tests/FATTestBytes.h"

#include <gtest/gtest.h>

#include <functional>

using namespace fattest;

namespace {

BootParams Floppy()
{
    return BootParams{};
}

BootParams Fat16()
{
    BootParams p;
    p.type = 1;
    p.sectorsPerCluster = 4;
    p.reserved = 4;
    p.rootEntries = 512;
    p.totalSectors = 40960;
    p.sectorsPerFAT = 40;
    return p;
}

BootParams Fat32()
{
    BootParams p;
    p.type = 2;
    p.reserved = 32;
    p.rootEntries = 0;
    p.totalSectors = 0x00500000; // past what 16 bits hold
    p.sectorsPerFAT = 5000;
    p.rootCluster = 2;
    return p;
}

} // namespace

TEST(CFATDBR, ClassifiesEachWidthAndRejectsEachBrokenRule)
{
    struct Case {
        const char* what;
        BootParams params;
        std::function<void(std::vector<uint8_t>&)> mutate;
        int32_t sectorSize;
        int expected;
    };
    auto none = [](std::vector<uint8_t>&) {};
    auto withP = [](BootParams p, std::function<void(BootParams&)> f) {
        f(p);
        return p;
    };
    const Case cases[] = {
        {"floppy", Floppy(), none, 512, 0},
        {"fat16", Fat16(), none, 512, 1},
        {"fat32", Fat32(), none, 512, 2},
        {"lower-case type text", Floppy(), [](auto& s) { std::memcpy(&s[0x36], "fat12   ", 8); }, 512, 0},
        {"2049 root entries", withP(Floppy(), [](auto& p) { p.rootEntries = 2049; }), none, 512, 7},
        {"201 sectors per FAT", withP(Floppy(), [](auto& p) { p.sectorsPerFAT = 201; }), none, 512, 7},
        {"one FAT copy", withP(Floppy(), [](auto& p) { p.fats = 1; }), none, 512, 7},
        {"3 sectors per cluster", withP(Fat16(), [](auto& p) { p.sectorsPerCluster = 3; }), none, 512, 7},
        {"root entries not filling sectors", withP(Fat16(), [](auto& p) { p.rootEntries = 500; }), none, 512, 7},
        {"fat16 sectors per FAT 0", withP(Fat16(), [](auto& p) { p.sectorsPerFAT = 0; }), none, 512, 7},
        {"fat32 sectors per FAT 0", withP(Fat32(), [](auto& p) { p.sectorsPerFAT = 0; }), none, 512, 7},
        {"fat32 text at 0x36", Fat32(),
         [](auto& s) {
             std::memset(&s[0x52], ' ', 8);
             std::memcpy(&s[0x36], "FAT32   ", 8);
         },
         512, 7},
        {"bytes per sector 512 on a 4096 device", Fat16(), none, 4096, 7},
        {"no 55 AA", Floppy(), [](auto& s) { s[511] = 0; }, 512, 7},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        auto sector = MakeBootSector(c.params, size_t(c.sectorSize));
        c.mutate(sector);
        EXPECT_EQ(CFATDBR(sector, c.sectorSize).GetFATType(), c.expected);
    }
}

TEST(CFATDBR, ReadsGeometryPerWidthAndZerosWhenInvalid)
{
    auto f16 = MakeBootSector(Fat16());
    CFATDBR d16(f16, 512);
    EXPECT_EQ(d16.GetSectorsPerCluster(), 4);
    EXPECT_EQ(d16.GetReservedSectors(), 4);
    EXPECT_EQ(d16.GetSectorsPerFAT(), 40u);
    EXPECT_EQ(d16.GetTotalSectors(), 40960u);
    EXPECT_EQ(d16.GetRootDirSectors(), 32u);
    EXPECT_EQ(d16.GetRootCluster(), 0u);

    BootParams big = Fat16();
    big.totalSectors = 200000;
    auto f16big = MakeBootSector(big);
    EXPECT_EQ(CFATDBR(f16big, 512).GetTotalSectors(), 200000u);

    auto f32 = MakeBootSector(Fat32());
    CFATDBR d32(f32, 512);
    EXPECT_EQ(d32.GetTotalSectors(), 0x00500000u);
    EXPECT_EQ(d32.GetSectorsPerFAT(), 5000u);
    EXPECT_EQ(d32.GetRootCluster(), 2u);
    EXPECT_EQ(d32.GetRootDirSectors(), 0u);

    auto bad = MakeBootSector(Fat16());
    bad[0x10] = 1;
    CFATDBR d(bad, 512);
    EXPECT_FALSE(d.IsValid());
    EXPECT_EQ(d.GetSectorsPerCluster(), 0);
    EXPECT_EQ(d.GetReservedSectors(), 0);
    EXPECT_EQ(d.GetReservedSectorCount(), 4);
    EXPECT_EQ(d.GetSectorsPerFAT(), 0u);
    EXPECT_EQ(d.GetTotalSectors(), 0u);

    std::vector<uint8_t> tooShort(100, 0);
    EXPECT_FALSE(CFATDBR(tooShort, 512).IsValid());
}

TEST(CFATDirEntry, ValidityRules)
{
    struct Case {
        const char* what;
        EntryParams entry;
        bool strict;
        FATEntryChecks checks;
        bool expected;
    };
    auto e = [](std::function<void(EntryParams&)> f) {
        EntryParams p;
        p.cluster = 5;
        p.size = 10;
        f(p);
        return p;
    };
    const FATEntryChecks all{true, true};
    const FATEntryChecks off{false, false};
    const Case cases[] = {
        {"plain file", e([](auto&) {}), true, all, true},
        {"modification date 0", e([](auto& p) { p.wrtDate = 0; }), false, all, true},
        {"month 13", e([](auto& p) { p.wrtDate = uint16_t(10 << 9 | 13 << 5 | 1); }), false, all, false},
        {"day 0 in access date", e([](auto& p) { p.accDate = uint16_t(10 << 9 | 3 << 5); }), false, all, false},
        {"month 13 unchecked", e([](auto& p) { p.wrtDate = uint16_t(10 << 9 | 13 << 5 | 1); }), false, off, true},
        {"hour 24", e([](auto& p) { p.crtTime = uint16_t(24 << 11); }), false, all, false},
        {"two-second unit 30", e([](auto& p) { p.wrtTime = 30; }), false, all, false},
        {"hour 24 unchecked", e([](auto& p) { p.crtTime = uint16_t(24 << 11); }), false, off, true},
        {"size 0 with a cluster, strict", e([](auto& p) { p.size = 0; }), true, all, false},
        {"size 0 with a cluster, loose", e([](auto& p) { p.size = 0; }), false, all, true},
        {"size without cluster, strict", e([](auto& p) { p.cluster = 0; }), true, all, false},
        {"directory with size and high cluster, strict", e([](auto& p) {
             p.attr = 0x10;
             p.cluster = 0x10005;
         }),
         true, all, false},
        {"directory with size and low cluster, strict", e([](auto& p) { p.attr = 0x10; }), true, all, true},
        {"reserved attribute bit", e([](auto& p) { p.attr = 0x60; }), false, all, false},
        {"blank first name byte", e([](auto& p) { p.name = " ABC"; }), false, all, false},
        {"star in the name", e([](auto& p) { p.name = "A*B"; }), false, all, false},
        {"question mark in the extension", e([](auto& p) { p.ext = "T?T"; }), false, all, false},
        {"byte 0x19", e([](auto& p) { p.name = "A\x19"; }), false, all, false},
        {"byte 0x1A", e([](auto& p) { p.name = "A\x1A"; }), false, all, true},
        {"end marker", e([](auto& p) { p.name = std::string(8, '\0'); }), false, all, false},
        {"double-byte character takes a star along", e([](auto& p) { p.name = "A\x81*B"; }), false, all, true},
        {"deleted first byte", e([](auto& p) { p.name = "\xE5OO"; }), false, all, true},
        {"volume label with a slash", e([](auto& p) {
             p.attr = 0x08;
             p.name = "A/B";
         }),
         false, all, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(CFATDirEntry(MakeEntry(c.entry)).IsValidEntry(c.strict, c.checks), c.expected);
    }

    std::vector<uint8_t> piece(32, 0xFF);
    piece[11] = 0x0F;
    EXPECT_TRUE(CFATDirEntry(piece).IsValidEntry(true, all));
}

TEST(CFATDirEntry, KindsClustersAndShortNames)
{
    EntryParams p;
    p.cluster = 0x00012345;
    p.size = 77;
    CFATDirEntry e(MakeEntry(p));
    EXPECT_EQ(e.GetFirstCluster(), 0x00012345u);
    EXPECT_EQ(e.GetFileSize(), 77u);
    EXPECT_EQ(e.GetShortName(), "README.TXT");
    EXPECT_FALSE(e.IsDeleted());

    EntryParams label;
    label.name = "MYDISK";
    label.ext = "";
    label.attr = 0x08;
    EXPECT_EQ(CFATDirEntry(MakeEntry(label)).GetShortName(true), "MYDISK");
    label.name = "LONGLABE";
    label.ext = "L1";
    EXPECT_EQ(CFATDirEntry(MakeEntry(label)).GetShortName(true), "LONGLABEL1");
    label.name = "A/B\x01";
    EXPECT_EQ(CFATDirEntry(MakeEntry(label)).GetShortName(true), "A_B_L1");

    EntryParams deleted;
    deleted.name = "\xE5OO";
    deleted.ext = "";
    CFATDirEntry d(MakeEntry(deleted));
    EXPECT_TRUE(d.IsDeleted());
    EXPECT_EQ(d.GetShortName(), "#OO");

    EntryParams dot;
    dot.name = ".";
    dot.ext = "";
    dot.attr = 0x10;
    EXPECT_TRUE(CFATDirEntry(MakeEntry(dot)).IsDotEntry());
    dot.name = "..";
    EXPECT_TRUE(CFATDirEntry(MakeEntry(dot)).IsDotDotEntry());
    dot.attr = 0x20;
    EXPECT_FALSE(CFATDirEntry(MakeEntry(dot)).IsDotDotEntry());

    std::vector<uint8_t> shortBytes(10, 'A');
    EXPECT_TRUE(CFATDirEntry(shortBytes).IsLongNameEntry() == false);
    EXPECT_EQ(CFATDirEntry(shortBytes).GetAttributes(), 0);
}

TEST(CFATLongNameEntry, GathersUnitsUpToTheTerminator)
{
    const std::u16string name = u"Quarterly report, final v2.docx"; // 31 units: three pieces
    auto bytes = MakeLongNameEntries(name, MakeEntry({}));
    ASSERT_EQ(bytes.size(), 4u * 32);
    std::u16string units;
    for (int k = 2; k >= 0; --k) { // the piece nearest the short entry starts the name
        std::u16string piece;
        CFATLongNameEntry::AppendUnits({bytes.data() + k * 32, 32}, piece);
        units += piece;
    }
    EXPECT_EQ(units, name);

    std::string text;
    EXPECT_TRUE(CFATLongNameEntry::ToMultiByte({bytes.data(), 32}, text));
    EXPECT_EQ(text, ".docx"); // the last piece: units 26..30, then the terminator and 0xFFFF fill

    EXPECT_EQ(CFATLongNameEntry::UnitsToText(u"Gr\u00fc\u00dfe \u65e5\U0001F600"), "Gr\xC3\xBC\xC3\x9F"
                                                                                   "e \xE6\x97\xA5\xF0\x9F\x98\x80");
    std::u16string lone = u"a";
    lone.push_back(char16_t(0xD800));
    lone += u"b";
    EXPECT_EQ(CFATLongNameEntry::UnitsToText(lone), "a_b");
}

TEST(IsValidFATFileName, RefusesSeparatorsWildcardsAndDotNames)
{
    EXPECT_TRUE(IsValidFATFileName("Photo 2021.jpg"));
    EXPECT_TRUE(IsValidFATFileName("...hidden"));
    for (const char* bad : {"", ".", "..", "a*b", "a/b", "a\\b", "c:d", "a|b", "a\"b", "a<b", "a>b", "a?b",
                            "a\x01"
                            "b"})
        EXPECT_FALSE(IsValidFATFileName(bad)) << bad;
    EXPECT_TRUE(IsValidFAT32Cluster(2));
    EXPECT_TRUE(IsValidFAT32Cluster(0x0FFFFFEF));
    EXPECT_FALSE(IsValidFAT32Cluster(1));
    EXPECT_FALSE(IsValidFAT32Cluster(0x0FFFFFF0));
}
