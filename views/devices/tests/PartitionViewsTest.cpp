// The found-partition list with its layout drawing, and the partition properties rows, driven offscreen.
#include "views/devices/CLostPartitionCtrlContainer.h"
#include "views/devices/CMultipleChoosePartitionListCtrl.h"
#include "views/devices/CPartitionLayoutFrame.h"
#include "views/devices/CPartitionLayoutView.h"
#include "views/devices/CScanPartitionPropertiesDlg.h"
#include "views/devices/DevicePictures.h"
#include "views/devices/ScanPartitionRows.h"

#include "controls/CExtendListCtrl.h"
#include "controls/CResourceLibrary.h"
#include "controls/ControlFont.h"
#include "controls/MessageBox.h"
#include "controls/WindowMessages.h"
#include "filesystems/common/CLostPartitionRecord.h"
#include "filesystems/fat/CFATSearchedPartitionInfo.h"
#include "filesystems/ntfs/CSearchedNTFSPartitionInfo.h"

#include <QApplication>
#include <QDir>
#include <QTest>
#include <QTreeWidget>
#include <gtest/gtest.h>

namespace {

QString S(unsigned id)
{
    return CResourceLibrary::Instance().LoadString(id);
}

PARTITION_LIST_ITEM Item(const char* name, uint64_t start, uint64_t last, double score, int suggestion,
                         uint32_t sectorSize = 512)
{
    PARTITION_LIST_ITEM it;
    it.name = name;
    it.nFileSystemKind = 3;
    it.u64StartSector = start;
    it.u64LastSector = last;
    it.dScore = score;
    it.nSuggestionType = suggestion;
    it.nSectorSize = sectorSize;
    return it;
}

PARTITION_LAYOUT_ITEM Layout(uint64_t start, uint64_t last, uint32_t sectorSize = 512, double score = 1.0)
{
    PARTITION_LAYOUT_ITEM it;
    it.name = "p";
    it.nFileSystemKind = 2;
    it.u64StartSector = start;
    it.u64LastSector = last;
    it.nSectorSize = sectorSize;
    it.dScore = score;
    return it;
}

class Recorder : public QWidget {
public:
    std::vector<CMultipleChoosePartitionListCtrl::OptionToggle> toggles;

protected:
    void customEvent(QEvent* e) override
    {
        if (CWindowMessage* m = CWindowMessage::From(e); m && m->Message() == UM_SELECTION_CHANGED)
            toggles.push_back(*reinterpret_cast<CMultipleChoosePartitionListCtrl::OptionToggle*>(m->WParam()));
    }
};

struct Panel {
    Panel()
    {
        InstallFontSubstitutes();
        InstallDevicePictures();
        container.resize(760, 420);
        PARTITION_LAYOUT_SOURCE src;
        src.pszName = "Disk 0";
        src.nKind = 0;
        src.u64SectorCount = 1000000;
        container.GetLayoutFrame()->SetDiskInfo(&src);
        container.show();
    }
    CMultipleChoosePartitionListCtrl* List() { return container.GetPartitionListCtrl(); }
    const CPartitionLayoutLanes& Lanes() { return container.GetLayoutView()->Lanes(); }
    CLostPartitionCtrlContainer container;
};

} // namespace

TEST(PartitionLayoutLanes, OverlapsTakeNewLanesAndRemovingTakesOneBlock)
{
    CPartitionLayoutLanes lanes;
    lanes.SetDeviceSectors(1000);
    lanes.Layout(0, 500);
    EXPECT_TRUE(lanes.Add(Layout(0, 499)));
    EXPECT_FALSE(lanes.Add(Layout(500, 999)));       // beside it
    EXPECT_TRUE(lanes.Add(Layout(400, 600)));        // overlaps both
    EXPECT_FALSE(lanes.Add(Layout(400, 600, 4096))); // other sector size: no overlap
    ASSERT_EQ(lanes.Lanes().size(), 2u);
    EXPECT_EQ(lanes.TotalHeight(), 160);
    EXPECT_EQ(lanes.Lanes()[1].rect, QRect(0, 80, 500, 80));
    // The same partition twice: unchecking one removes one block and keeps the other.
    EXPECT_TRUE(lanes.Add(Layout(0, 499)));
    ASSERT_EQ(lanes.Lanes().size(), 3u);
    bool found = false;
    EXPECT_FALSE(lanes.Remove(Layout(0, 499), &found)); // the first lane's block goes, its lane stays
    EXPECT_TRUE(found);
    ASSERT_EQ(lanes.Lanes().size(), 3u);
    EXPECT_EQ(lanes.Lanes()[0].blocks.size(), 2u);     // 500..999 and the 4096-byte one remain
    EXPECT_TRUE(lanes.Remove(Layout(0, 499), &found)); // the copy in the third lane, which goes with it
    ASSERT_EQ(lanes.Lanes().size(), 2u);
    EXPECT_FALSE(lanes.Remove(Layout(1, 2), &found));
    EXPECT_FALSE(found);
}

TEST(PartitionLayoutLanes, BlocksAreScaledInsetAndClampedToTheirLane)
{
    const QRect lane(0, 80, 600, 80);
    // The whole device: 3 pixels in from each end, 3 from top and bottom.
    EXPECT_EQ(CPartitionLayoutLanes::PlaceBlock(lane, Layout(0, 999), 1000), QRect(QPoint(3, 83), QPoint(596, 156)));
    // Narrower than 5 pixels: no horizontal inset.
    EXPECT_EQ(CPartitionLayoutLanes::PlaceBlock(lane, Layout(500, 502), 1000).left(), 300);
    // Past the device's end: cut at the lane's end.
    EXPECT_LE(CPartitionLayoutLanes::PlaceBlock(lane, Layout(900, 5000), 1000).right(), lane.right());
    // No sectors: nothing to draw, no division by zero.
    EXPECT_TRUE(CPartitionLayoutLanes::PlaceBlock(lane, Layout(0, 10), 0).isEmpty());
}

TEST(PartitionList, RecommendedRowsAreTickedUpToFourAndDrawnInTheLayout)
{
    Panel p;
    for (int i = 0; i < 5; ++i)
        p.List()->AddPartition(
            std::make_unique<PARTITION_LIST_ITEM>(
                Item(("Part" + std::to_string(i)).c_str(), uint64_t(i) * 1000, uint64_t(i) * 1000 + 5000, 1.0, 1))
                .get());
    EXPECT_EQ(p.List()->GetItemCount(), 5);
    EXPECT_EQ(p.List()->GetCheckedCount(), 4);
    EXPECT_EQ(p.List()->GetCheck(4), 0);
    EXPECT_EQ(p.List()->GetCheck(5), 0);
    const CExtendListCtrl* list = p.List()->List();
    EXPECT_EQ(list->GetRow(0)->cells[0].items[0].szText, QStringLiteral("Part0") + S(436));
    EXPECT_EQ(list->GetRow(4)->cells[0].items[0].szText, QStringLiteral("Part4"));
    EXPECT_EQ(list->GetRow(4)->cells[0].crText, COLORREF(0x00A000));
    // Four overlapping partitions in four lanes, and the frame grows its view up to its own height.
    EXPECT_EQ(p.Lanes().Lanes().size(), 4u);
    EXPECT_EQ(p.List()->GetItemPartition(9), nullptr);
}

TEST(PartitionList, SuggestionTextsAndAnOptionToggleThatLeavesTheLayoutAlone)
{
    EXPECT_EQ(CMultipleChoosePartitionListCtrl::SuggestionStringId(0.995, 0.5), 429u);
    EXPECT_EQ(CMultipleChoosePartitionListCtrl::SuggestionStringId(0.99, 0.5), 430u);
    EXPECT_EQ(CMultipleChoosePartitionListCtrl::SuggestionStringId(0.99, 0.995), 431u);
    EXPECT_EQ(CMultipleChoosePartitionListCtrl::SuggestionStringId(0.5, 0.5), 430u);

    Panel p;
    Recorder page;
    p.List()->SetNotifyWnd(&page);
    PARTITION_LIST_ITEM it = Item("Option row", 0, 999, 0.2, 0);
    it.nOptionCount = 2;
    it.options[0] = {1, "Use $MFT"};
    it.options[1] = {0, "Files from $MFT only"};
    p.List()->AddPartition(&it);
    EXPECT_EQ(p.List()->GetCheck(0), 0);
    EXPECT_TRUE(p.Lanes().Lanes().empty());
    p.List()->OnCheckBoxChanged(true, 0, 3, 1);
    ASSERT_EQ(page.toggles.size(), 1u);
    EXPECT_EQ(page.toggles[0].cell, 3);
    EXPECT_EQ(page.toggles[0].item, 1);
    EXPECT_EQ(page.toggles[0].checked, 1);
    EXPECT_TRUE(p.Lanes().Lanes().empty());
    // A row out of range is ignored.
    p.List()->OnCheckBoxChanged(true, 7, 3, 0);
    EXPECT_EQ(page.toggles.size(), 1u);
    // The partition's own box draws it, and unticking the lower lane's partition removes that lane.
    p.List()->AddPartition(std::make_unique<PARTITION_LIST_ITEM>(Item("Other", 500, 1500, 1.0, 1)).get());
    EXPECT_EQ(p.Lanes().Lanes().size(), 1u);
    p.List()->OnCheckBoxChanged(true, 0, 0, 0);
    EXPECT_EQ(p.Lanes().Lanes().size(), 2u);
    const int viewHeight = p.container.GetLayoutView()->height();
    p.List()->OnCheckBoxChanged(false, 0, 0, 0);
    EXPECT_EQ(p.Lanes().Lanes().size(), 1u);
    EXPECT_LE(p.container.GetLayoutView()->height(), viewHeight);
}

TEST(PartitionLayoutFrame, CaptionAndStripFollowTheSourceKind)
{
    CPartitionLayoutFrame frame;
    PARTITION_LAYOUT_SOURCE src;
    src.pszName = "backup.img  "; // padded, as fixed-width records hold it
    src.nKind = 2;
    src.u64SectorCount = 2097152;
    frame.SetDiskInfo(&src);
    EXPECT_EQ(frame.StripText(), S(331) + QStringLiteral(": 1.00 GB"));
    // Some texts end with a blank and some not: every caption has exactly one before the quoted name.
    const std::pair<int, unsigned> kinds[] = {{2, 338u}, {3, 337u}, {0, 336u}, {1, 336u}};
    for (const auto& [kind, id] : kinds) {
        src.nKind = kind;
        frame.SetDiskInfo(&src);
        EXPECT_EQ(frame.Caption(), S(id).trimmed() + QStringLiteral(" \"backup.img\":")) << kind;
    }
}

TEST(ScanPartitionRows, FatNtfsPlainAndRangeRows)
{
    std::unique_ptr<CFATSearchedPartitionInfo> fat(NewFATSearchedPartitionInfo(512));
    fat->nFileSystemKind = 2;
    fat->AddFlags(8 | 0x40);
    fat->dRank = 0.375;
    fat->u64StartSector = 63;
    PropertyRows rows = ScanPartitionRows(*fat);
    ASSERT_EQ(rows.size(), 16u);
    EXPECT_EQ(rows[0].second, QStringLiteral("37.50%")); // its rank, not a fixed 100%
    EXPECT_EQ(rows[1].second, S(417));                   // "    FAT32"
    EXPECT_EQ(rows[2].second, QStringLiteral("-"));      // from the FAT32 boot record: no
    EXPECT_EQ(rows[3].second, S(366));                   // from its backup: yes
    EXPECT_EQ(rows[8].second, QStringLiteral("63"));
    EXPECT_EQ(rows[10].second, S(366)); // FAT1 found
    EXPECT_EQ(rows[11].second, S(367)); // FAT2 not found

    CSearchedPartitionInfo ext3;
    ext3.nFileSystemKind = 5;
    ext3.u64SectorsCount = 5000000000ull;
    rows = ScanPartitionRows(ext3);
    ASSERT_EQ(rows.size(), 3u);
    EXPECT_EQ(rows[0].second, QStringLiteral("5000000000"));
    // A FAT kind on a record that is not the FAT variant shows the plain rows rather than reading beyond it.
    ext3.nFileSystemKind = 1;
    EXPECT_EQ(ScanPartitionRows(ext3).size(), 3u);

    CSearchedPartitionInfo ntfs;
    ntfs.nFileSystemKind = 3;
    NtfsPartitionFigures figures;
    figures.flags = 0x101;
    figures.useMft = true;
    rows = ScanPartitionRows(ntfs, &figures);
    ASSERT_EQ(rows.size(), 26u);
    EXPECT_EQ(rows[0].second, S(366));
    EXPECT_EQ(rows[1].second, QStringLiteral("-"));
    EXPECT_EQ(rows[8].second, S(366));
    EXPECT_EQ(rows[13].first, QStringLiteral("Use$MFT"));
    EXPECT_EQ(rows[13].second, S(366));

    // An NTFS scanner's record gives its own figures; an unknown system-file sector reads -1.
    CSearchedNTFSPartitionInfo scanned;
    scanned.nFileSystemKind = 3;
    scanned.nFlags = 0x10;
    scanned.u64MftSector = 4096;
    rows = ScanPartitionRows(scanned);
    ASSERT_EQ(rows.size(), 26u);
    EXPECT_EQ(rows[4].second, S(366));
    EXPECT_EQ(rows[21].second, QStringLiteral("4096"));
    EXPECT_EQ(rows[22].second, QStringLiteral("-1"));

    EXPECT_EQ(PartitionKindName(9), S(412));
    CLostPartitionRecord lost;
    lost.u64StartSector = 2048;
    lost.u64SectorCount = 409600;
    CScanPartitionPropertiesDlg dlg(nullptr);
    dlg.SetRange(&lost);
    dlg.ShowModeless();
    ASSERT_EQ(dlg.List()->topLevelItemCount(), 2);
    EXPECT_EQ(dlg.List()->topLevelItem(0)->text(0), QStringLiteral("Start Sector"));
    EXPECT_EQ(dlg.List()->topLevelItem(1)->text(1), QStringLiteral("409600"));
    dlg.EndDialog(IDOK);
}

TEST(PartitionViews, ScreenshotsInEachLanguage)
{
    auto& lib = CResourceLibrary::Instance();
    const QString folder = QDir::cleanPath(QStringLiteral(SALVIX_BUILD_DATA_DIR "/../screenshots"));
    QDir().mkpath(folder);
    for (const QString& language : {QStringLiteral("English"), QStringLiteral("Deutsch"), QStringLiteral("Japanese")}) {
        SCOPED_TRACE(language.toStdString());
        ASSERT_TRUE(lib.LoadLanguageBundle(QStringLiteral(SALVIX_BUILD_DATA_DIR "/") + language + ".rcc"));
        {
            Panel p;
            p.List()->SetMediumRankThreshold(0.5);
            PARTITION_LIST_ITEM a = Item("NTFS partition 1", 2048, 600000, 1.0, 1);
            a.nOptionCount = 2;
            a.options[0] = {1, "Use $MFT"};
            a.options[1] = {0, "Files from $MFT only"};
            a.nFilesMatch = 1234;
            a.nFoldersMatch = 56;
            PARTITION_LIST_ITEM b = Item("FAT32 partition 2", 600001, 999999, 0.62, 2);
            b.nFileSystemKind = 2;
            PARTITION_LIST_ITEM c = Item("NTFS partition 3", 100000, 700000, 0.3, 1);
            p.List()->AddPartition(&a);
            p.List()->AddPartition(&b);
            p.List()->AddPartition(&c);
            p.List()->OnCheckBoxChanged(true, 1, 0, 0);
            QApplication::processEvents();
            EXPECT_TRUE(p.container.grab().save(folder + "/found_partitions_" + language + ".png"));
        }
        {
            std::unique_ptr<CFATSearchedPartitionInfo> fat(NewFATSearchedPartitionInfo(512));
            fat->nFileSystemKind = 2;
            fat->AddFlags(4 | 8 | 0x40 | 0x100);
            fat->dRank = 1.0;
            CScanPartitionPropertiesDlg dlg(nullptr);
            dlg.SetPartitionInfo(fat.get());
            dlg.ShowModeless();
            QApplication::processEvents();
            EXPECT_TRUE(dlg.grab().save(folder + "/partition_properties_" + language + ".png"));
            dlg.EndDialog(IDOK);
        }
    }
    lib.UnloadLanguageBundle();
}
