// The RAW type table, its short-name map, extension extraction, FileTypeRecord and the media set.
#include "core/filetypes/FileExtension.h"
#include "core/filetypes/FileTypeRecord.h"
#include "core/filetypes/MediaExtensionSet.h"
#include "core/filetypes/RawTypeMap.h"
#include "core/filetypes/RawTypeTable.h"

#include <gtest/gtest.h>

#include <cctype>
#include <cstring>
#include <set>
#include <string>
#include <thread>
#include <vector>

namespace {

TEST(RawTypeTable, FixedRowsKeepTheirExactTexts)
{
    struct Row {
        int id;
        const char* name;
        const char* description;
    };
    // The ends of the table and the rows whose texts are easy to "correct" by mistake.
    const Row rows[] = {
        {0, "Raw", "Raw"},
        {1, "3DS", "3DS file"},
        {11, "CDR", "COREL Darw file"},
        {23, "DXF", "AutoCad DX File"},
        {27, "FH11", "Freehand 10 file"},
        {35, "MAX", "3d Studio Max file"},
        {53, "QPW", "QuattroPro 7 File"},
        {65, "WPG", "WordPerfect Documents and Graphics v8"},
        {67, "XLS", "Microsoft Excel XML Documents"},
        {72, "ACCDB", "Microsoft ACCDB file"},
        {73, "NEF", "Nikon NEF file"},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.id);
        EXPECT_STREQ(GetRawTypeName(r.id), r.name);
        EXPECT_STREQ(GetRawTypeDescription(r.id), r.description);
    }
}

TEST(RawTypeTable, EveryFixedTypeHasAUniqueShortNameAndAnExtension)
{
    std::set<std::string> names;
    for (int id = 1; id <= 73; ++id) {
        SCOPED_TRACE(id);
        const std::string name = GetRawTypeName(id);
        ASSERT_FALSE(name.empty());
        EXPECT_LE(name.size(), 5u);
        EXPECT_NE(GetRawTypeDescription(id)[0], '\0');
        EXPECT_TRUE(names.insert(name).second);
        std::string lower = name;
        for (char& c : lower) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        EXPECT_EQ(GetRawTypeFileExtension(id), lower);
        EXPECT_EQ(RawTypeMap::Lookup(lower.c_str(), lower.size()), id);
    }
}

TEST(RawTypeTable, PhotoModeTypes)
{
    std::string names;
    for (int id : kPhotoModeRawTypes) names += std::string(GetRawTypeName(id)) + " ";
    EXPECT_EQ(names, "BMP MAX CDR CRW EMF EPS GIF JPG PNG PSD PSP TIF AVI MID MOV MP3 SWF WAV WMF OLE ");
}

TEST(RawTypeTable, RowsWithoutATypeAreEmpty)
{
    for (int id : {-1, 74, 999, 1000, 1999, 2000, 1 << 30}) {
        SCOPED_TRACE(id);
        EXPECT_STREQ(GetRawTypeName(id), "");
        EXPECT_STREQ(GetRawTypeDescription(id), "");
    }
}

class CustomRawTypes : public ::testing::Test {
protected:
    void SetUp() override { ResetCustomRawTypesForTest(); }
    void TearDown() override { ResetCustomRawTypesForTest(); }
};

TEST_F(CustomRawTypes, AnExtensionSeenAgainInAnotherCaseKeepsItsRow)
{
    EXPECT_EQ(ClaimCustomRawType("abc"), 1000);
    EXPECT_EQ(ClaimCustomRawType("xyz"), 1001);
    EXPECT_EQ(ClaimCustomRawType("ABC"), 1000);
    EXPECT_STREQ(GetRawTypeName(1000), "abc");
    EXPECT_STREQ(GetRawTypeDescription(1000), "");
    EXPECT_EQ(ClaimCustomRawType(""), 0);
    EXPECT_EQ(ClaimCustomRawType(nullptr), 0);
}

TEST_F(CustomRawTypes, LongExtensionsAreCutToFiveCharactersAndStillMatch)
{
    EXPECT_EQ(ClaimCustomRawType("abcdefgh"), 1000);
    EXPECT_STREQ(GetRawTypeName(1000), "abcde");
    EXPECT_EQ(ClaimCustomRawType("ABCDEFGH"), 1000);
    // A cut never leaves half a UTF-8 character: "abcd" + two-byte letter keeps only "abcd".
    EXPECT_EQ(ClaimCustomRawType("abcd\xC3\xA9"), 1001);
    EXPECT_STREQ(GetRawTypeName(1001), "abcd");
}

TEST_F(CustomRawTypes, AFullTableClaimsNothingMore)
{
    for (int i = 0; i < 1000; ++i) ASSERT_EQ(ClaimCustomRawType(("e" + std::to_string(i)).c_str()), 1000 + i);
    EXPECT_EQ(ClaimCustomRawType("new"), 0);
    EXPECT_EQ(ClaimCustomRawType("e999"), 1999);
}

TEST_F(CustomRawTypes, ConcurrentClaimsOfOneExtensionShareARow)
{
    std::vector<int> ids(8);
    std::vector<std::thread> threads;
    for (int t = 0; t < 8; ++t) threads.emplace_back([&ids, t] { ids[t] = ClaimCustomRawType(t % 2 ? "fhs" : "FHS"); });
    for (auto& th : threads) th.join();
    for (int id : ids) EXPECT_EQ(id, 1000);
    EXPECT_STREQ(GetRawTypeName(1001), "");
}

TEST(RawTypeMap, LooksUpFixedShortNamesIgnoringCase)
{
    struct Case {
        const char* ext;
        int id;
    };
    const Case cases[] = {
        {"jpg", 33}, {"JPG", 33}, {"jPg", 33},  {"jpeg", 0},  {"accdb", 72}, {"fh11", 27},
        {"raw", 0},  {"", 0},     {"jpgxx", 0}, {"docxx", 0}, {"3gp", 2},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.ext);
        EXPECT_EQ(RawTypeMap::Lookup(c.ext, std::strlen(c.ext)), c.id);
        std::u16string wide(c.ext, c.ext + std::strlen(c.ext));
        EXPECT_EQ(RawTypeMap::Lookup(wide.data(), wide.size()), c.id);
    }
    // A wide character whose low byte is 'j' must not pass for 'j'.
    const char16_t fake[] = {char16_t(0x016A), u'p', u'g'};
    EXPECT_EQ(RawTypeMap::Lookup(fake, 3), 0);
}

TEST(FileExtension, ExtractsTheTextAfterTheLastDot)
{
    struct Case {
        const char* name;
        bool found;
        const char* ext;
    };
    const Case cases[] = {
        {"photo.jpg", true, "jpg"},  {"a.b.tiff", true, "tiff"},
        {"report.accdb", false, ""},                     // five characters: no extension
        {"a.b", true, "b"},          {".ab", false, ""}, // the only dot is the first character
        {"ab", false, ""},                               // too short
        {"abc", false, ""},                              // no dot
        {"name.", true, ""},                             // empty extension
        {"dir.x/file", false, ""},                       // more than four characters after the dot
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const char* ext = nullptr;
        std::size_t n = 99;
        ASSERT_EQ(GetExtensionA(c.name, std::strlen(c.name), &ext, &n), c.found);
        if (c.found) {
            EXPECT_EQ(std::string(ext, n), c.ext);
        }
        std::u16string wide(c.name, c.name + std::strlen(c.name));
        const char16_t* wext = nullptr;
        ASSERT_EQ(GetExtensionW(wide.data(), wide.size(), &wext, &n), c.found);
        if (c.found) {
            EXPECT_EQ(std::u16string(wext, n), std::u16string(c.ext, c.ext + std::strlen(c.ext)));
        }
    }
}

TEST(FileExtension, LongNamesUseTheirWholeLength)
{
    // 256 characters: a length taken modulo 256 would read this name as empty.
    std::string name(252, 'x');
    name += ".jpg";
    const char* ext = nullptr;
    std::size_t n = 0;
    ASSERT_TRUE(GetExtensionA(name.data(), name.size(), &ext, &n));
    EXPECT_EQ(std::string(ext, n), "jpg");
    // 258 characters, whose first two after a modulo would be "xx": the dot at the end still counts.
    name = std::string(254, 'x') + ".gif";
    ASSERT_TRUE(GetExtensionA(name.data(), name.size(), &ext, &n));
    EXPECT_EQ(std::string(ext, n), "gif");
}

TEST(FileTypeRecord, SetsAllFieldsOrNone)
{
    FileTypeRecord r;
    EXPECT_EQ(r.GetType(), 0);
    EXPECT_EQ(r.GetFirstCluster(), -1);
    EXPECT_EQ(r.GetRecordSector(), -1);

    EXPECT_FALSE(r.SetFromNameA("IMG_0001.JPG", 12, -1, 100));
    EXPECT_FALSE(r.SetFromNameA("IMG_0001.JPG", 12, 5, -1));
    EXPECT_FALSE(r.SetFromNameA("notes.txt", 9, 5, 100));
    EXPECT_FALSE(r.SetFromNameA("db.accdb", 8, 5, 100));
    EXPECT_EQ(r.GetType(), 0);
    EXPECT_EQ(r.GetFirstCluster(), -1);
    EXPECT_EQ(r.GetRecordSector(), -1);

    EXPECT_TRUE(r.SetFromNameA("IMG_0001.JPG", 12, 0, 100));
    EXPECT_EQ(r.GetType(), 33);
    EXPECT_EQ(r.GetFirstCluster(), 0);
    EXPECT_EQ(r.GetRecordSector(), 100);

    const std::u16string wide = u"Brief.docx";
    EXPECT_TRUE(r.SetFromNameW(wide.data(), wide.size(), 7, 8));
    EXPECT_EQ(r.GetType(), 69);
}

// A found file counts as its type under any of the type's usual extensions, in any case: long names as NTFS
// and ext2 keep them, and the 8.3 names FAT gives them ("PHOTO~1.JPE" for photo.jpeg).
TEST(FileTypeRecord, KnowsEveryExtensionOfAType)
{
    struct Case {
        const char* name;
        int type;
    };
    const Case cases[] = {
        {"holiday.jpeg", RawType::kJPG},
        {"PHOTO~1.JPE", RawType::kJPG},
        {"scan.JFIF", RawType::kJPG},
        {"page.TIFF", RawType::kTIF},
        {"index.html", RawType::kHTM},
        {"INDEX~1.HTM", RawType::kHTM},
        {"song.midi", RawType::kMID},
        {"clip.m4v", RawType::kMP4},
        {"movie.qt", RawType::kMOV},
        {"Brief.docm", RawType::kDOCX},
        {"a.tar.tgz", RawType::kGZ},
        {"pic.Dib", RawType::kBMP},
        {"film.mpeg", 0}, // no signature type: MPEG video is found by the file systems only
        {"x.jpgx", 0},
        {"x.jp", 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        FileTypeRecord narrow;
        EXPECT_EQ(narrow.SetFromNameA(c.name, std::strlen(c.name), 3, 4), c.type != 0);
        EXPECT_EQ(narrow.GetType(), c.type);
        const std::u16string wide(c.name, c.name + std::strlen(c.name));
        FileTypeRecord record;
        EXPECT_EQ(record.SetFromNameW(wide.data(), wide.size(), 3, 4), c.type != 0);
        EXPECT_EQ(record.GetType(), c.type);
    }
    // The short-name map itself stays as it was: "jpeg" is no short name.
    EXPECT_EQ(RawTypeMap::Lookup("jpeg", 4), 0);
    EXPECT_EQ(RawTypeMap::LookupExtension("JPEG", 4), RawType::kJPG);
}

// The listed extensions and every spelling of the signature types photo recovery searches for (TIFF, WAVE,
// QuickTime, MIDI... whose usual names the list lacked), nothing else.
TEST(MediaExtensionSet, HoldsTheListedExtensionsAndThePhotoTypesOnly)
{
    struct Case {
        const char* ext;
        bool in;
    };
    const Case cases[] = {{"JPEG", true}, {"jpg", true},  {"tif", true},  {"tiff", true}, {"aif", true},
                          {"mp3", true},  {"wav", true},  {"", false},    {"mpg", true},  {"jpgx", false},
                          {"JFIF", true}, {"jpe", true},  {"mov", true},  {"qt", true},   {"mid", true},
                          {"doc", false}, {"zip", false}, {"txt", false}, {"mp4", false}, {"pdf", false}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.ext);
        EXPECT_EQ(MediaExtensionSet::Contains(c.ext, std::strlen(c.ext)), c.in);
        std::u16string wide(c.ext, c.ext + std::strlen(c.ext));
        EXPECT_EQ(MediaExtensionSet::Contains(wide.data(), wide.size()), c.in);
    }
}

TEST(MediaExtensionSet, PhotoModeKeepsFoldersAndMediaFiles)
{
    EXPECT_TRUE(PassesPhotoModeFilterA("Holiday", 7, true));
    EXPECT_TRUE(PassesPhotoModeFilterA("beach.JPG", 9, false));
    EXPECT_FALSE(PassesPhotoModeFilterA("notes.txt", 9, false));
    EXPECT_FALSE(PassesPhotoModeFilterA("README", 6, false));
    const std::u16string wide = u"scan.tiff";
    EXPECT_TRUE(PassesPhotoModeFilterW(wide.data(), wide.size(), false));
}

} // namespace
