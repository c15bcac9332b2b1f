// The file-type trees: building from the catalogue (with broken parent links), the check rules on
// loading and toggling, clicks with a drawing offset and without default mouse handling.
#include "views/files/CTypeRecoveryDrawTreeCtrl.h"

#include "controls/TreeStateImages.h"
#include "tests/support/TempDir.h"

#include <QScrollBar>
#include <QSignalSpy>
#include <QTest>
#include <QWindow>
#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <string>

namespace {

// Root 0; Documents 1 with types 2 (.doc) and 3 (.pdf); Pictures 4 with types 5 (.jpg) and 6 (.png).
const char kCatalogue[] = R"(<?xml version="1.0" encoding="UTF-8"?>
<FileFilter RootName="All types" Selected="2" iconIndex="0" IsMutex="0">
  <FileCategory Description="Documents" Label="Office documents" iconIndex="0" IsMutex="0">
    <Selected>2</Selected>
    <FileType Description="Word"><Extention>.doc</Extention><Selected>%c</Selected></FileType>
    <FileType Description="PDF"><Extention>.pdf</Extention><Selected>%c</Selected></FileType>
  </FileCategory>
  <FileCategory Description="Pictures" Label="Photos" iconIndex="1" IsMutex="0">
    <Selected>2</Selected>
    <FileType Description="JPEG"><Extention>.jpg</Extention><Selected>%c</Selected></FileType>
    <FileType Description="PNG"><Extention>.png</Extention><Selected>%c</Selected></FileType>
  </FileCategory>
</FileFilter>
)";

class FileTypeTree : public ::testing::Test {
protected:
    void SetUp() override
    {
        tree.SetBkColor(0xFFFFFF);
        tree.SetItemHeight(65);
        tree.SetDefaultMouseHandling(false);
        tree.SetDrawOffset(26);
        tree.CreateCategoryImageList();
        ASSERT_TRUE(tree.CreateStateImageList(135));
        tree.resize(500, 500);
    }

    // The four type states as written into the XML, "2020" and so on.
    int Load(const std::string& types)
    {
        char xml[sizeof kCatalogue + 16];
        std::snprintf(xml, sizeof xml, kCatalogue, types[0], types[1], types[2], types[3]);
        const std::string path = (dir / "FileFilter.xml").string();
        std::ofstream(path) << xml;
        const int rc = tree.LoadFromXml(path.c_str());
        tree.show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(&tree));
        for (uint32_t id : {1u, 4u})
            if (QTreeWidgetItem* item = tree.ItemOf(id)) item->setExpanded(true);
        return rc;
    }

    // "root:cat1(t2 t3):cat4(t5 t6)" as record check states, e.g. "1:2(22):0(00)".
    std::string States()
    {
        auto s = [&](uint32_t id) { return std::to_string(tree.GetCatalogue().Find(id)->checkState); };
        std::string out = s(0) + ":" + s(1) + "(" + s(2) + s(3) + "):" + s(4) + "(" + s(5) + s(6) + ")";
        // The images must agree with the records.
        for (uint32_t id = 0; id <= 6; ++id)
            EXPECT_EQ(GetItemStateImage(tree.ItemOf(id)), tree.GetCatalogue().Find(id)->checkState + 1) << id;
        return out;
    }

    void ClickDrawnCheck(uint32_t id)
    {
        QTest::mouseClick(tree.viewport(), Qt::LeftButton, {}, tree.DrawnStateRect(tree.ItemOf(id)).center());
    }

    testsupport::TempDir dir;
    CTypeRecoveryDrawTreeCtrl tree;
};

TEST_F(FileTypeTree, LoadingRecomputesEveryParentFromItsChildren)
{
    struct Case {
        const char* types;
        const char* states;
    } cases[] = {
        {"2222", "2:2(22):2(22)"}, {"2200", "1:2(22):0(00)"}, {"2000", "1:1(20):0(00)"},
        {"1000", "1:1(10):0(00)"}, // a partly checked type makes its category partial, and the root too
        {"0000", "0:0(00):0(00)"}, {"7000", "0:0(00):0(00)"}, // no such state: unchecked
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.types);
        ASSERT_EQ(Load(c.types), 0);
        EXPECT_EQ(States(), c.states);
        EXPECT_EQ(tree.IsRootChecked(), std::string(c.states)[0] == '2');
        EXPECT_EQ(tree.HasCheckedType(), std::string(c.states)[0] != '0');
    }
    ASSERT_EQ(tree.topLevelItemCount(), 1);
    EXPECT_EQ(tree.RootItem()->text(0), QStringLiteral("All types"));
    EXPECT_EQ(tree.RootItem()->childCount(), 2);
    EXPECT_TRUE(tree.RootItem()->isExpanded());
}

TEST_F(FileTypeTree, ClickOnTheDrawnCheckToggles)
{
    struct Case {
        const char* name;
        const char* types;
        uint32_t click;
        const char* states;
        bool anyChecked;
    } cases[] = {
        {"checked category unchecks its types; root partial", "2222", 1, "1:0(00):2(22)", true},
        {"last checked category unchecked; root unchecked", "0022", 4, "0:0(00):0(00)", false},
        {"partly checked category checks all", "2000", 1, "1:2(22):0(00)", true},
        {"type checked makes category and root partial", "0000", 6, "1:0(00):1(02)", true},
        {"type completing the tree checks the root", "2221", 6, "2:2(22):2(22)", true},
        {"root toggles everything", "2000", 0, "2:2(22):2(22)", true},
        {"checked root unchecks everything", "2222", 0, "0:0(00):0(00)", false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ASSERT_EQ(Load(c.types), 0);
        QSignalSpy spy(&tree, &CTypeOfFileToRecoveryTreeCtrl::checkedTypesChanged);
        ClickDrawnCheck(c.click);
        EXPECT_EQ(States(), c.states);
        ASSERT_EQ(spy.count(), 1);
        EXPECT_EQ(spy.at(0).at(0).toBool(), c.anyChecked);
    }
}

TEST_F(FileTypeTree, OffsetAndMouseHandlingRules)
{
    ASSERT_EQ(Load("2222"), 0);
    QTreeWidgetItem* pictures = tree.ItemOf(4);
    const QRect native = tree.visualItemRect(pictures);

    // The tree's own check position lies under the drawing: nothing happens.
    QTest::mouseClick(tree.viewport(), Qt::LeftButton, {}, QPoint(native.left() + 8, native.center().y()));
    EXPECT_EQ(States(), "2:2(22):2(22)");
    QTreeWidgetItem* hit = nullptr;
    EXPECT_EQ(tree.HitTest(QPoint(native.left() + 8, native.center().y()), &hit), TVHT_TOLEFT);
    EXPECT_EQ(tree.HitTest(QPoint(10, native.center().y()), &hit), TVHT_TOLEFT);
    EXPECT_EQ(tree.HitTest(tree.DrawnStateRect(pictures).center(), &hit), TVHT_ONITEMSTATEICON);
    EXPECT_EQ(hit, pictures);

    // Text clicks neither select nor expand while default handling is off.
    pictures->setExpanded(false);
    const QPoint text(tree.DrawnStateRect(pictures).right() + 60, native.center().y());
    QTest::mouseClick(tree.viewport(), Qt::LeftButton, {}, text);
    QTest::mouseDClick(tree.viewport(), Qt::LeftButton, {}, text);
    EXPECT_FALSE(pictures->isSelected());
    EXPECT_FALSE(pictures->isExpanded());

    tree.SetDefaultMouseHandling(true);
    QTest::mouseClick(tree.viewport(), Qt::LeftButton, {}, text);
    EXPECT_TRUE(pictures->isSelected());

    // A double click on the check toggles twice, as the window system delivers it (press, release, double
    // click, release): back where it was.
    QTest::mouseDClick(tree.window()->windowHandle(), Qt::LeftButton, {},
                       tree.viewport()->mapTo(tree.window(), tree.DrawnStateRect(pictures).center()));
    EXPECT_EQ(States(), "2:2(22):2(22)");
    QTest::mouseClick(tree.window()->windowHandle(), Qt::LeftButton, {},
                      tree.viewport()->mapTo(tree.window(), tree.DrawnStateRect(pictures).center()));
    EXPECT_NE(States(), "2:2(22):2(22)");
    QTest::mouseClick(tree.viewport(), Qt::LeftButton, {}, tree.DrawnStateRect(pictures).center());
    EXPECT_EQ(States(), "2:2(22):2(22)");

    // Without offset the ordinary position is the check.
    tree.SetDrawOffset(0);
    QTest::mouseClick(tree.viewport(), Qt::LeftButton, {}, QPoint(native.left() + 8, native.center().y()));
    EXPECT_EQ(States(), "1:2(22):0(00)");
}

TEST_F(FileTypeTree, BrokenParentLinksGoUnderTheRoot)
{
    CMapFileTypeInfo& cat = tree.GetCatalogue();
    auto add = [&](uint32_t id, int32_t parent, uint16_t state) {
        FileTypeInfoRecord r;
        r.id = id;
        r.parentId = parent;
        r.checkState = state;
        std::snprintf(r.text, sizeof r.text, "record %u", id);
        cat.Insert(&r);
    };
    add(0, -1, 0);
    add(1, 0, 2);
    add(2, 1, 2);
    add(3, 99, 2); // parent missing
    add(4, 5, 0);  // 4 and 5 name each other
    add(5, 4, 0);
    add(6, 6, 0);  // its own parent
    add(7, -5, 0); // a negative id that is no root marker
    tree.Populate();

    for (uint32_t id = 0; id <= 7; ++id) ASSERT_NE(tree.ItemOf(id), nullptr) << id;
    QTreeWidgetItem* root = tree.RootItem();
    EXPECT_EQ(tree.ItemOf(1)->parent(), root);
    EXPECT_EQ(tree.ItemOf(2)->parent(), tree.ItemOf(1));
    EXPECT_EQ(tree.ItemOf(3)->parent(), root);
    EXPECT_EQ(tree.ItemOf(6)->parent(), root);
    EXPECT_EQ(tree.ItemOf(7)->parent(), root);
    // The cycle is cut once: one of the pair under the root, the other under it.
    QTreeWidgetItem* a = tree.ItemOf(4);
    QTreeWidgetItem* b = tree.ItemOf(5);
    EXPECT_TRUE((a->parent() == root && b->parent() == a) || (b->parent() == root && a->parent() == b));
    EXPECT_EQ(tree.topLevelItemCount(), 1);
    // Root: checked, checked, and unchecked children: partial.
    EXPECT_EQ(cat.Find(0)->checkState, 1);
}

TEST_F(FileTypeTree, ShippedCatalogueAndMissingFile)
{
    EXPECT_EQ(tree.LoadFromXml(GetFileFilterPath().c_str()), 0);
    ASSERT_EQ(tree.RootItem()->childCount(), 7);
    // Files without an extension are offered as a category of their own, last, with their one type.
    QTreeWidgetItem* none = tree.RootItem()->child(6);
    EXPECT_EQ(none->text(0), "Files without an extension");
    ASSERT_EQ(none->childCount(), 1);
    EXPECT_EQ(none->child(0)->text(0), "Files without an extension");
    EXPECT_TRUE(tree.IsRootChecked());
    EXPECT_EQ(tree.verticalScrollBar()->value(), 0);

    EXPECT_NE(tree.LoadFromXml((dir / "missing.xml").c_str()), 0);
    EXPECT_EQ(tree.topLevelItemCount(), 0);
    EXPECT_FALSE(tree.HasCheckedType());
    EXPECT_FALSE(tree.IsRootChecked());
}

} // namespace
