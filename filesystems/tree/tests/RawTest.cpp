// Signature hits, the hit list with its stream form, and RAW properties with their run and stream form.
#include "filesystems/tree/CRAWFileProperties.h"
#include "filesystems/tree/CRawFileList.h"
#include "filesystems/tree/DataRunLists.h"

#include "tests/support/MemoryRSData.h"

#include <gtest/gtest.h>

#include <memory>

using testsupport::MemoryRSData;

namespace {

CRawFileInfo* Hit(uint64_t sector, uint64_t size = 0, int type = 0, int analyser = 0)
{
    auto* hit = new CRawFileInfo();
    hit->SetStartSector(sector);
    hit->SetSize(size);
    hit->SetFileType(type);
    hit->SetAnalyserType(analyser);
    return hit;
}

std::vector<uint64_t> Walk(CRawFileList& list)
{
    std::vector<uint64_t> sectors;
    IIterator<CRawFileInfo*>* it = list.GetIterator();
    for (it->First(); !it->IsDone(); it->Next()) sectors.push_back(it->Current()->GetStartSector());
    return sectors;
}

std::vector<DataRun> RunsOf(const IFileProperties& p)
{
    std::unique_ptr<IDataRunList> list(p.GetDataRunList());
    std::vector<DataRun> out;
    if (list)
        for (const DataRun* r = list->First(); r; r = list->Next()) out.push_back(*r);
    return out;
}

} // namespace

TEST(RawHits, NewHitAndListLookup)
{
    CRawFileInfo fresh;
    EXPECT_EQ(fresh.GetAnalyserType(), 65535);
    EXPECT_EQ(fresh.GetSize(), 0u);
    EXPECT_EQ(fresh.GetAnalyser(), nullptr);

    CRawFileList list;
    EXPECT_EQ(list.FindByStartSector(0), nullptr);
    IIterator<CRawFileInfo*>* it = list.GetIterator();
    it->First();
    EXPECT_TRUE(it->IsDone());

    CRawFileInfo* first = Hit(100, 1);
    list.Add(Hit(300));
    list.Add(first);
    list.Add(Hit(100, 2));
    EXPECT_EQ(Walk(list), (std::vector<uint64_t>{300, 100, 100}));
    EXPECT_EQ(list.FindByStartSector(100), first);
    EXPECT_EQ(list.FindByStartSector(200), nullptr);
    EXPECT_EQ(list.GetIterator(), it);
}

TEST(RawHits, StreamKeepsPositionSizeTypeAndLow16BitsOfTheAnalyserType)
{
    CRawFileList list;
    CRawFileInfo* custom = Hit(2048, 123456, 1001, -1);
    custom->SetNamePrefix("Custom");
    custom->SetExtraText("text");
    list.Add(custom);
    list.Add(Hit(9, 0, 9, 3));
    MemoryRSData out = MemoryRSData::Writer();
    list.Write(&out);
    EXPECT_EQ(out.SectionBytes().size(), 8u + 2 * 22);

    MemoryRSData in = MemoryRSData::Reader(out.SectionBytes());
    CRawFileList back;
    back.Read(&in);
    ASSERT_EQ(Walk(back), (std::vector<uint64_t>{2048, 9}));
    CRawFileInfo* b = back.FindByStartSector(2048);
    EXPECT_EQ(b->GetSize(), 123456u);
    EXPECT_EQ(b->GetFileType(), 1001);
    EXPECT_EQ(b->GetAnalyserType(), 65535);
    EXPECT_EQ(b->GetNamePrefix(), "");
    EXPECT_EQ(b->GetExtraText(), "");
    EXPECT_EQ(back.FindByStartSector(9)->GetAnalyserType(), 3);

    MemoryRSData huge = MemoryRSData::Reader({0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF});
    try {
        back.Read(&huge);
        ADD_FAILURE();
    } catch (const CRSException& e) {
        EXPECT_EQ(e.GetCode(), RS_ERROR_BAD_LENGTH);
    }
}

TEST(RawProperties, HitBecomesOneRunCountedIn512ByteUnits)
{
    const std::pair<uint64_t, uint64_t> cases[] = {{123456, 242}, {512, 1}, {513, 2}, {0, 0}, {1, 1}};
    for (auto [size, length] : cases) {
        std::unique_ptr<CRawFileInfo> hit(Hit(2048, size));
        CRAWFileProperties p;
        EXPECT_EQ(p.SetFromRawHit(hit.get()), 1);
        EXPECT_EQ(p.GetSize(), size);
        EXPECT_EQ(RunsOf(p), (std::vector<DataRun>{{2048, length}})) << size;
    }
    // The folders the system makes carry a run at the all-ones start sector.
    std::unique_ptr<CRawFileInfo> folder(Hit(UINT64_MAX));
    CRAWFileProperties p;
    p.SetFromRawHit(folder.get());
    EXPECT_EQ(RunsOf(p), (std::vector<DataRun>{{-1, 0}}));
}

TEST(RawProperties, HitTextSurvivesTheStreamForm)
{
    std::unique_ptr<CRawFileInfo> hit(Hit(64, 700));
    hit->SetExtraText("2009:01:02");
    CRAWFileProperties p;
    p.SetFromRawHit(hit.get());
    MemoryRSData out = MemoryRSData::Writer();
    p.Write(&out);
    out.StartReading();
    out.BeginSection(testsupport::kTestSectionGuid);
    CRAWFileProperties back;
    back.Read(&out);
    EXPECT_EQ(back.GetDescription(), std::string("2009:01:02"));
}

TEST(RawProperties, FixedAnswers)
{
    CRAWFileProperties p;
    EXPECT_EQ(p.GetValidMask(), 463);
    EXPECT_EQ(p.GetPropertiesType(), kPropertiesRAW);
    EXPECT_STREQ(p.GetName(), "");
    EXPECT_EQ(p.GetDataRunList(), nullptr);
    p.SetRawFileName("a.jpg");
    EXPECT_EQ(p.GetNameLength(), 6);
    p.SetName("ignored");
    EXPECT_STREQ(p.GetName(), "a.jpg");
    EXPECT_EQ(p.GetCreationTime() | p.GetModificationTime() | p.GetAccessTime(), 0u);
    EXPECT_EQ(p.SetUserFlag(5), 1);
    EXPECT_EQ(p.SetUserFlag(0), 1);
}

TEST(RawProperties, StreamRoundTrip)
{
    std::unique_ptr<CRawFileInfo> hit(Hit(4096, 1000));
    CRAWFileProperties file;
    file.SetFromRawHit(hit.get());
    file.SetAttributes(0x20);
    file.SetRawFileName("Photo 0001.jpg");
    file.SetExtraText("2009:01:02");
    file.SetCheckState(kCheckAll);
    file.SetUserFlag(1);

    CRAWFileProperties folder;
    folder.SetAttributes(0x10);
    folder.SetRawFileName("Raw Files");
    folder.SetState(0x10);

    MemoryRSData out = MemoryRSData::Writer();
    file.Write(&out);
    const size_t fileBytes = out.SectionBytes().size();
    folder.Write(&out);
    // L, name, E, extra, size, attributes, state, packed runs (4 + 5 + 2).
    EXPECT_EQ(fileBytes, 1u + 15 + 1 + 11 + 8 + 2 + 1 + 11);
    EXPECT_EQ(out.SectionBytes()[fileBytes + 1 + 10], 0) << "a folder stores an extra length of 0";
    // Saved states are read back by later versions: these bytes stay exactly as they are.
    EXPECT_EQ(testsupport::HexOf(out.SectionBytes()),
              "0f50686f746f20303030312e6a7067000b323030393a30313a303200e8030000000000002000000500000021"
              "0200100000000a5261772046696c657300000000000000000000100010000000000000");

    out.StartReading();
    out.BeginSection(testsupport::kTestSectionGuid);
    CRAWFileProperties backFile, backFolder;
    backFile.Read(&out);
    backFolder.Read(&out);
    EXPECT_EQ(out.Remaining(), 0u);
    EXPECT_STREQ(backFile.GetName(), "Photo 0001.jpg");
    EXPECT_EQ(backFile.GetNameLength(), 15);
    EXPECT_EQ(backFile.GetDescription(), "2009:01:02");
    EXPECT_EQ(backFile.GetSize(), 1000u);
    EXPECT_EQ(backFile.GetAttributes(), 0x20);
    EXPECT_EQ(backFile.GetState(), 0);
    EXPECT_EQ(backFile.GetCheckState(), 0);
    EXPECT_EQ(backFile.GetUserFlag(), 0);
    EXPECT_EQ(RunsOf(backFile), (std::vector<DataRun>{{4096, 2}}));
    EXPECT_STREQ(backFolder.GetName(), "Raw Files");
    EXPECT_EQ(backFolder.GetState(), 0x10);
    EXPECT_EQ(backFolder.GetDescription(), "");
    EXPECT_EQ(backFolder.GetDataRunList(), nullptr);
}

TEST(RawProperties, StoredTextsAreCutAndTerminated)
{
    // Longer texts than a one-byte length can carry are cut on a character boundary.
    CRAWFileProperties p;
    p.SetRawFileName((std::string(253, 'x') + "\xE2\x82\xAC").c_str());
    EXPECT_EQ(p.GetNameLength(), 254);
    p.SetExtraText(std::string(400, 'e'));
    MemoryRSData out = MemoryRSData::Writer();
    p.Write(&out);
    MemoryRSData in = MemoryRSData::Reader(out.SectionBytes());
    CRAWFileProperties back;
    back.Read(&in);
    EXPECT_EQ(std::string(back.GetName()), std::string(253, 'x'));
    EXPECT_EQ(back.GetDescription(), std::string(254, 'e'));

    // A stored name of 255 bytes without a terminator comes back terminated, within this form's bound.
    std::vector<uint8_t> crafted{255};
    crafted.insert(crafted.end(), 255, 'N');
    crafted.insert(crafted.end(), {3, 'a', 0, 'b'});
    crafted.insert(crafted.end(), 8 + 2 + 1 + 6, 0);
    MemoryRSData cin = MemoryRSData::Reader(crafted);
    CRAWFileProperties c;
    c.Read(&cin);
    EXPECT_EQ(std::string(c.GetName()), std::string(254, 'N'));
    EXPECT_EQ(c.GetNameLength(), 255);
    EXPECT_EQ(c.GetDescription(), "a");
    EXPECT_EQ(cin.Remaining(), 0u);
}
