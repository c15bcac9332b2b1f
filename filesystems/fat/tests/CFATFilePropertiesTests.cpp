// Properties from directory entries (long names, deleted entries, times, photo mode) and their stream form.
#include "filesystems/fat/CFATDirEntry.h"
#include "filesystems/fat/CFATFileProperties.h"
#include "filesystems/fat/tests/FATTestBytes.h"

#include "core/CRecoverySettings.h"
#include "filesystems/tree/DataRunLists.h"
#include "platform/Clock.h"
#include "core/rsdata/CRSException.h"
#include "tests/support/MemoryRSData.h"

#include <gtest/gtest.h>

#include <memory>

using namespace fattest;

namespace {

uint64_t FileTimeOf(int y, int mo, int d, int h, int mi, int s)
{
    plat::SystemTime st{};
    st.year = uint16_t(y);
    st.month = uint16_t(mo);
    st.day = uint16_t(d);
    st.hour = uint16_t(h);
    st.minute = uint16_t(mi);
    st.second = uint16_t(s);
    uint64_t out = 0;
    EXPECT_TRUE(plat::SystemTimeToFileTime(st, out));
    return out;
}

struct PhotoMode {
    explicit PhotoMode(int on) : saved(GetRecoverySettings()->m_photoMode) { GetRecoverySettings()->m_photoMode = on; }
    ~PhotoMode() { GetRecoverySettings()->m_photoMode = saved; }
    int saved;
};

} // namespace

TEST(MakeFATFileProperties, LongNamesInOrderOrTheShortNameWhenUnusable)
{
    EntryParams shortEntry;
    shortEntry.name = "QUARTE~1";
    shortEntry.ext = "TXT";
    shortEntry.cluster = 9;
    shortEntry.size = 1234;
    const std::u16string name = u"Quarterly figures 2021 x.txt"; // 28 units: three pieces
    auto props = MakeFATFileProperties(MakeLongNameEntries(name, MakeEntry(shortEntry)));
    ASSERT_TRUE(props);
    EXPECT_STREQ(props->GetName(), "Quarterly figures 2021 x.txt");
    EXPECT_EQ(props->GetSize(), 1234u);
    EXPECT_EQ(props->GetAttributes(), 0x20);
    EXPECT_EQ(props->GetState(), 0);
    EXPECT_EQ(props->GetPropertiesType(), 1);
    EXPECT_EQ(props->GetValidMask(), 0xFF);

    auto starred = MakeFATFileProperties(MakeLongNameEntries(u"what*ever is here.txt", MakeEntry(shortEntry)));
    ASSERT_TRUE(starred);
    EXPECT_STREQ(starred->GetName(), "QUARTE~1.TXT");

    auto dots = MakeFATFileProperties(MakeLongNameEntries(u"..", MakeEntry(shortEntry)));
    ASSERT_TRUE(dots);
    EXPECT_STREQ(dots->GetName(), "QUARTE~1.TXT");

    // Pieces from a damaged directory beyond any real name's length are not trusted.
    std::vector<uint8_t> many;
    for (int i = 0; i < 21; ++i) {
        auto piece = MakeLongNameEntries(u"abcdefghijklm", {});
        many.insert(many.end(), piece.begin(), piece.end());
    }
    auto e = MakeEntry(shortEntry);
    many.insert(many.end(), e.begin(), e.end());
    auto tooMany = MakeFATFileProperties(many);
    ASSERT_TRUE(tooMany);
    EXPECT_STREQ(tooMany->GetName(), "QUARTE~1.TXT");

    EXPECT_FALSE(MakeFATFileProperties(MakeLongNameEntries(name, {})));
}

TEST(MakeFATFileProperties, ShortNamesKeepTheLowerCaseTheirFlagsRecord)
{
    EntryParams p;
    p.name = "README1";
    p.ext = "TXT";
    p.cluster = 5;
    p.size = 10;
    const std::pair<uint8_t, const char*> cases[] = {
        {0x00, "README1.TXT"}, {0x08, "readme1.TXT"}, {0x10, "README1.txt"},
        {0x18, "readme1.txt"}, {0xE7, "README1.TXT"}, // other bits of the byte say nothing about case
    };
    for (auto [flags, expected] : cases) {
        auto entry = MakeEntry(p);
        entry[12] = flags;
        auto props = MakeFATFileProperties(entry);
        ASSERT_TRUE(props) << int(flags);
        EXPECT_STREQ(props->GetName(), expected) << int(flags);
    }

    // A deleted entry still gets its replacement first character; a long name still wins over the flags.
    p.name = "\xE5"
             "EPORT";
    auto deleted = MakeEntry(p);
    deleted[12] = 0x18;
    EXPECT_STREQ(MakeFATFileProperties(deleted)->GetName(), "#eport.txt");
    auto withLong = MakeLongNameEntries(u"Report Final.TXT", deleted);
    EXPECT_STREQ(MakeFATFileProperties(withLong)->GetName(), "Report Final.TXT");

    // A volume label is shown as written.
    p.name = "MYDISK";
    p.ext = "";
    p.attr = 0x08;
    auto label = MakeEntry(p);
    label[12] = 0x18;
    EXPECT_EQ(CFATDirEntry(label).GetShortName(true), "MYDISK");
}

TEST(MakeFATFileProperties, DeletedEntriesKeepLongNamesOrGetAReplacementFirstCharacter)
{
    EntryParams p;
    p.name = "\xE5"
             "EPORT";
    p.ext = "DOC";
    p.cluster = 20;
    p.size = 100;
    auto bare = MakeFATFileProperties(MakeEntry(p));
    ASSERT_TRUE(bare);
    EXPECT_STREQ(bare->GetName(), "#EPORT.DOC");
    EXPECT_EQ(bare->GetState(), kFileStateDeleted);

    // A deleted name's pieces lose their sequence byte but keep their text.
    auto bytes = MakeLongNameEntries(u"Annual report.doc", MakeEntry(p));
    bytes[0] = 0xE5;
    bytes[32] = 0xE5;
    auto withLong = MakeFATFileProperties(bytes);
    ASSERT_TRUE(withLong);
    EXPECT_STREQ(withLong->GetName(), "Annual report.doc");
    EXPECT_EQ(withLong->GetState(), kFileStateDeleted);
}

TEST(MakeFATFileProperties, TimesKeepTheirDosValues)
{
    EntryParams p;
    p.cluster = 3;
    p.size = 1;
    p.crtDate = 0;
    p.crtTime = DosTime(10, 11, 12);
    p.wrtDate = DosDate(2021, 3, 4);
    p.wrtTime = DosTime(5, 6, 9); // odd seconds are not stored: 8
    p.accDate = DosDate(2022, 12, 31);
    auto props = MakeFATFileProperties(MakeEntry(p));
    ASSERT_TRUE(props);
    EXPECT_EQ(props->GetCreationTime(), 0u);
    EXPECT_EQ(props->GetModificationTime(), FileTimeOf(2021, 3, 4, 5, 6, 8));
    EXPECT_EQ(props->GetAccessTime(), FileTimeOf(2022, 12, 31, 0, 0, 0));

    FILETIME t = 1;
    EXPECT_FALSE(DosDateTimeToFileTime(DosDate(2021, 2, 30), 0, t));
    EXPECT_EQ(t, 0u);
    EXPECT_FALSE(DosDateTimeToFileTime(DosDate(2021, 2, 3), DosTime(24, 0, 0), t));
}

TEST(MakeFATFileProperties, PhotoModeKeepsMediaFilesAndFolders)
{
    PhotoMode on(1);
    struct Case {
        std::u16string name;
        uint8_t attr;
        bool kept;
    };
    const Case cases[] = {
        {u"photo.jpeg", 0x20, true}, {u"holiday.JPG", 0x20, true},  {u"notes.txt", 0x20, false},
        {u"nodot", 0x20, false},     {u"clip.theora", 0x20, false}, {u"Folder without media", 0x10, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.name.begin(), c.name.end()));
        EntryParams p;
        p.name = "SHORT~1";
        p.attr = c.attr;
        p.cluster = 4;
        p.size = c.attr == 0x10 ? 0 : 10;
        EXPECT_EQ(MakeFATFileProperties(MakeLongNameEntries(c.name, MakeEntry(p))) != nullptr, c.kept);
    }
}

TEST(CFATFileProperties, StreamRoundTripAndBadLengths)
{
    CFATFileProperties p;
    p.SetName("Holiday picture.jpg");
    p.SetSize(9000);
    p.SetAttributes(0x21);
    p.SetCreationTime(DosDate(2020, 1, 2), DosTime(3, 4, 6));
    p.SetModificationTime(DosDate(2021, 5, 6), DosTime(7, 8, 10));
    p.SetAccessDate(DosDate(2022, 9, 10));
    p.SetState(kFileStateDeleted);
    p.SetFirstCluster(0x12345);
    p.SetParentCluster(77);
    p.SetCheckState(2);
    p.SetUserFlag(1);
    CFATDataRunList runs;
    runs.AddRun({10, 2});
    runs.AddRun({12, 3});
    runs.AddRun({40, 1});
    p.SetRunList(&runs);

    auto stream = testsupport::MemoryRSData::Writer();
    EXPECT_EQ(p.Write(&stream), 1);
    stream.EndSection();
    auto bytes = stream.SectionBytes();
    // Saved states are read back by later versions: these bytes stay exactly as they are.
    EXPECT_EQ(testsupport::HexOf(bytes),
              "13000000486f6c6964617920706963747572652e6a70672823000000000000210000975c4b19c1d501002947"
              "924642d70100401545a8c4d80101452301004d000000010000000700000011050a11011e000000");

    auto reader = testsupport::MemoryRSData::Reader(bytes);
    CFATFileProperties q;
    q.SetCheckState(2);
    EXPECT_EQ(q.Read(&reader), 1);
    EXPECT_EQ(reader.Remaining(), 0u);
    EXPECT_STREQ(q.GetName(), "Holiday picture.jpg");
    EXPECT_EQ(q.GetSize(), 9000u);
    EXPECT_EQ(q.GetAttributes(), 0x21);
    EXPECT_EQ(q.GetCreationTime(), p.GetCreationTime());
    EXPECT_EQ(q.GetModificationTime(), p.GetModificationTime());
    EXPECT_EQ(q.GetAccessTime(), p.GetAccessTime());
    EXPECT_EQ(q.GetState(), kFileStateDeleted);
    EXPECT_EQ(q.GetFirstCluster(), 0x12345u);
    EXPECT_EQ(q.GetParentCluster(), 77u);
    EXPECT_EQ(q.GetCheckState(), 0);
    EXPECT_EQ(q.GetUserFlag(), 0);
    std::unique_ptr<IDataRunList> list(q.GetDataRunList());
    ASSERT_TRUE(list);
    ASSERT_EQ(list->GetRunCount(), 2u);
    EXPECT_EQ(list->GetRuns()[0], (DataRun{10, 5}));
    EXPECT_EQ(list->GetRuns()[1], (DataRun{40, 1}));

    CFATFileProperties none;
    auto w2 = testsupport::MemoryRSData::Writer();
    none.Write(&w2);
    w2.EndSection();
    auto r2 = testsupport::MemoryRSData::Reader(w2.SectionBytes());
    CFATFileProperties back;
    back.Read(&r2);
    EXPECT_EQ(back.GetDataRunList(), nullptr);

    std::vector<uint8_t> longName = {0x01, 0x04, 0x00, 0x00}; // a name of 1025 bytes
    auto r3 = testsupport::MemoryRSData::Reader(longName);
    try {
        back.Read(&r3);
        FAIL() << "no exception";
    } catch (const CRSException& e) {
        EXPECT_EQ(e.GetCode(), RS_ERROR_BAD_LENGTH);
    }
}
