// The rows the scan-partition pages make from found partitions (numbering, family caps, last sectors, the
// recommendation of display mode 1, the Medium threshold, the options), the option toggles' flags and how
// many rows a page ticks at first.
#include "wizard/CScanPartitionDeviceSelectPage.h"

#include "controls/CResourceLibrary.h"
#include "views/devices/CMultipleChoosePartitionListCtrl.h"
#include "wizard/CCompleteRecoveryScanPartitionDeviceSelectPage.h"
#include "filesystems/fat/CFATSearchedPartitionInfo.h"
#include "filesystems/ntfs/CSearchedNTFSPartitionInfo.h"

#include <gtest/gtest.h>

#include <memory>
#include <vector>

namespace {

struct Owned {
    std::vector<std::unique_ptr<CSearchedPartitionInfo>> keep;
    CSearchedPartitionList list;
    template <class T>
    T* Add(int kind, double rank, uint64_t start = 0, uint64_t count = 1000)
    {
        auto p = std::make_unique<T>(512);
        p->nFileSystemKind = kind;
        p->dRank = rank;
        p->u64StartSector = start;
        p->u64SectorsCount = count;
        T* raw = p.get();
        keep.push_back(std::move(p));
        list.push_back(raw);
        return raw;
    }
};

TEST(ScanPartitionPageRows, AFullFamilyIsCutButStillCountsForTheNumbers)
{
    Owned found;
    for (int i = 0; i < 150; ++i) found.Add<CSearchedNTFSPartitionInfo>(3, 0.5, uint64_t(i) * 2000);
    found.Add<CFATSearchedPartitionInfo>(2, 0.4, 63, 1000);
    const auto made = CScanPartitionDeviceSelectPage::MakePartitionRows(found.list, 2);
    ASSERT_EQ(made.rows.size(), 101u);
    const PARTITION_LIST_ITEM& fat = made.rows.back();
    const std::string word =
        CResourceLibrary::Instance().LoadString(CScanPartitionDeviceSelectPage::kPartitionString).toStdString();
    EXPECT_EQ(fat.name, word + " 151 FAT32");
    EXPECT_EQ(fat.u64StartSector, 63u);
    EXPECT_EQ(fat.u64LastSector, 1062u);
    EXPECT_EQ(made.rows[99].name, word + " 100 NTFS");
}

TEST(ScanPartitionPageRows, ModeOneRecommendsTheBestScoredPartitionAlone)
{
    Owned found;
    CSearchedPartitionInfo* a = found.Add<CSearchedPartitionInfo>(7, 0.6);
    CSearchedPartitionInfo* b = found.Add<CSearchedPartitionInfo>(7, 0.9);
    CSearchedPartitionInfo* c = found.Add<CSearchedPartitionInfo>(7, 0.9);
    a->bRecommended = c->bRecommended = 1;
    auto made = CScanPartitionDeviceSelectPage::MakePartitionRows(found.list, 1);
    EXPECT_EQ(a->bRecommended, 0);
    EXPECT_EQ(b->bRecommended, 1);
    EXPECT_EQ(c->bRecommended, 0);
    EXPECT_EQ(made.rows[1].nSuggestionType, 1);
    // Scores of 0.6 to 0.9 put the Medium line at their mean; a partition of another kind has no range.
    EXPECT_DOUBLE_EQ(made.mediumThreshold, 0.75);
    EXPECT_EQ(made.rows[0].u64LastSector, 0u);

    // No score above 0: nothing is recommended.
    for (CSearchedPartitionInfo* p : found.list) p->dRank = 0.0;
    made = CScanPartitionDeviceSelectPage::MakePartitionRows(found.list, 1);
    for (const PARTITION_LIST_ITEM& row : made.rows) EXPECT_EQ(row.nSuggestionType, 0);
    // Only scores above 0.99: the threshold is the middle.
    for (CSearchedPartitionInfo* p : found.list) p->dRank = 1.0;
    EXPECT_DOUBLE_EQ(CScanPartitionDeviceSelectPage::MakePartitionRows(found.list, 2).mediumThreshold, 0.5);
}

TEST(ScanPartitionPageRows, OptionsShowAndToggleTheirFlags)
{
    Owned found;
    auto* ntfs = found.Add<CSearchedNTFSPartitionInfo>(3, 1.0);
    ntfs->u64MftMirrLocation = 16;
    auto* fat = found.Add<CFATSearchedPartitionInfo>(1, 1.0);
    fat->AddFlags(kFATFlagFoundFAT1 | kFATFlagFoundFAT2 | kFATFlagUseFAT1);
    auto* fat2Only = found.Add<CFATSearchedPartitionInfo>(0, 1.0);
    fat2Only->AddFlags(kFATFlagFoundFAT2);
    auto* noMirror = found.Add<CSearchedNTFSPartitionInfo>(3, 1.0);

    const auto made = CScanPartitionDeviceSelectPage::MakePartitionRows(found.list, 2);
    ASSERT_EQ(made.rows.size(), 4u);
    EXPECT_EQ(made.rows[0].nOptionCount, 1);
    ASSERT_EQ(made.rows[1].nOptionCount, 2);
    EXPECT_EQ(made.rows[1].options[0].text, "FAT1");
    EXPECT_EQ(made.rows[1].options[0].bChecked, 1);
    EXPECT_EQ(made.rows[1].options[1].text, "FAT2");
    EXPECT_EQ(made.rows[1].options[1].bChecked, 0);
    ASSERT_EQ(made.rows[2].nOptionCount, 1);
    EXPECT_EQ(made.rows[2].options[0].text, "FAT2");
    EXPECT_EQ(made.rows[3].nOptionCount, 0);

    using Page = CScanPartitionDeviceSelectPage;
    Page::ApplyOptionToggle(ntfs, 3, 0, true);
    EXPECT_EQ(ntfs->bMftOnly, 1u);
    Page::ApplyOptionToggle(noMirror, 3, 0, true);
    EXPECT_EQ(noMirror->bMftOnly, 0u);
    Page::ApplyOptionToggle(fat, 3, 0, false);
    EXPECT_FALSE(fat->GetFlags() & kFATFlagUseFAT1);
    Page::ApplyOptionToggle(fat, 3, 1, true);
    EXPECT_TRUE(fat->GetFlags() & kFATFlagUseFAT2);
    Page::ApplyOptionToggle(fat2Only, 3, 0, true);
    EXPECT_TRUE(fat2Only->GetFlags() & kFATFlagUseFAT2);
    // Another cell or an option index past 1 changes nothing.
    const uint32_t before = fat->GetFlags();
    Page::ApplyOptionToggle(fat, 2, 0, true);
    Page::ApplyOptionToggle(fat, 3, 2, true);
    EXPECT_EQ(fat->GetFlags(), before);
}

} // namespace

// The display mode is also how many recommended rows start ticked: the best one alone for a volume, at most
// two when a later partition spans the whole volume, up to four for a disk.
TEST(ScanPartitionPageRows, TheDisplayModeLimitsTheRowsTickedAtFirst)
{
    CCompleteRecoveryScanPartitionDeviceSelectPage page;
    ASSERT_TRUE(page.Create(nullptr, 1307));
    CMultipleChoosePartitionListCtrl* list = page.PartitionList();
    ASSERT_NE(list, nullptr);
    Owned found;
    for (int i = 0; i < 5; ++i)
        found.Add<CSearchedPartitionInfo>(7, 0.9 - 0.1 * i, uint64_t(i) * 2000)->bRecommended = 1;
    struct Case {
        const char* name;
        bool wholeVolumeLater;
        bool disk;
        int ticked;
    } cases[] = {{"volume", false, false, 1},
                 {"volume with a whole-volume partition", true, false, 2},
                 {"disk", false, true, 4}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        for (CSearchedPartitionInfo* p : found.list) p->bRecommended = 1;
        found.list.back()->bWholeDisk = c.wholeVolumeLater ? 1 : 0;
        if (c.disk)
            page.ShowDiskPartitions(found.list, nullptr);
        else
            page.ShowVolumePartitions(found.list, nullptr);
        EXPECT_EQ(list->GetItemCount(), 5);
        EXPECT_EQ(list->GetCheckedCount(), c.ticked);
        EXPECT_EQ(list->GetCheck(0), 1);
    }
    page.ClearPartitions();
}
