// The tri-state file-type check tree: toggles of groups and types by click and double click, the
// recomputation of groups, CheckType, and clicks beside the check.
#include "controls/CRawFileTypeTreeCtrl.h"
#include "controls/TreeStateImages.h"

#include <QApplication>
#include <QTest>
#include <QWindow>
#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

// Group 100 with types 1, 2 and 3; group 200 without types.
class RawTypeTree : public ::testing::Test {
protected:
    void SetUp() override
    {
        QImage blank(16, 16, QImage::Format_ARGB32);
        blank.fill(Qt::transparent);
        tree.SetStateImageList({blank, blank, blank, blank});
        group = tree.InsertItem(QStringLiteral("Pictures"), 100u << 16);
        for (uint32_t id = 1; id <= 3; ++id)
            types.push_back(tree.InsertItem(QStringLiteral("type %1").arg(id), id << 16, group));
        empty = tree.InsertItem(QStringLiteral("Empty"), 200u << 16);
        tree.expandAll();
        tree.resize(300, 200);
        tree.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&tree));
    }

    // "g:t1t2t3:e" as check states, e.g. "1:200:0".
    std::string States() const
    {
        std::string s = std::to_string(CRawFileTypeTreeCtrl::GetCheckState(group)) + ":";
        for (HTREEITEM t : types) s += std::to_string(CRawFileTypeTreeCtrl::GetCheckState(t));
        return s + ":" + std::to_string(CRawFileTypeTreeCtrl::GetCheckState(empty));
    }
    void SetStates(const std::string& s)
    {
        auto set = [](HTREEITEM item, char c) {
            const int state = c - '0';
            CRawFileTypeTreeCtrl::SetItemData(item, (CRawFileTypeTreeCtrl::GetItemData(item) & 0xFFFF0000u) | state);
            SetItemStateImage(item, state + 1);
        };
        set(group, s[0]);
        for (int i = 0; i < 3; ++i) set(types[i], s[2 + i]);
        set(empty, s[6]);
    }
    QPoint StatePoint(HTREEITEM item) const
    {
        const QRect r = tree.visualItemRect(item);
        return QPoint(r.left() + 8, r.center().y());
    }

    CRawFileTypeTreeCtrl tree;
    HTREEITEM group = nullptr;
    std::vector<HTREEITEM> types;
    HTREEITEM empty = nullptr;
};

TEST_F(RawTypeTree, ClickOnAStateImageToggles)
{
    struct Case {
        const char* name;
        const char* before;
        int item; // -1 the group, 0..2 a type, 3 the empty group
        const char* after;
    } cases[] = {
        {"partly checked group checks all", "1:200:0", -1, "2:222:0"},
        {"checked group unchecks all", "2:222:0", -1, "0:000:0"},
        {"unchecked group checks all", "0:000:0", -1, "2:222:0"},
        {"first checked type makes the group partial", "0:000:0", 1, "1:020:0"},
        {"last type checked makes the group checked", "1:220:0", 2, "2:222:0"},
        {"last checked type unchecked makes the group unchecked", "1:002:0", 2, "0:000:0"},
        {"partly checked type becomes checked", "1:120:0", 0, "1:220:0"},
        {"group without types toggles alone", "1:200:0", 3, "1:200:2"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        SetStates(c.before);
        HTREEITEM item = c.item < 0 ? group : (c.item == 3 ? empty : types[c.item]);
        QTest::mouseClick(tree.viewport(), Qt::LeftButton, {}, StatePoint(item));
        EXPECT_EQ(States(), c.after);
        // Images follow the states; the owner's ids stay.
        EXPECT_EQ(GetItemStateImage(group), CRawFileTypeTreeCtrl::GetCheckState(group) + 1);
        EXPECT_EQ(CRawFileTypeTreeCtrl::GetTypeId(group), 100);
        EXPECT_EQ(CRawFileTypeTreeCtrl::GetTypeId(types[1]), 2);
    }
}

TEST_F(RawTypeTree, ClicksBesideTheCheckDoNotToggle)
{
    SetStates("0:000:0");

    const QRect label = tree.visualItemRect(types[0]);
    QTest::mouseClick(tree.viewport(), Qt::LeftButton, {}, QPoint(label.left() + 60, label.center().y()));
    EXPECT_EQ(States(), "0:000:0");
    EXPECT_EQ(tree.currentItem(), types[0]); // the default handling selected it

    HTREEITEM hit = nullptr;
    EXPECT_EQ(tree.HitTest(StatePoint(types[1]), &hit), TVHT_ONITEMSTATEICON);
    EXPECT_EQ(hit, types[1]);
    EXPECT_EQ(tree.HitTest(QPoint(label.left() + 60, label.center().y()), &hit), TVHT_ONITEMLABEL);
    EXPECT_EQ(tree.HitTest(QPoint(5, tree.viewport()->height() - 2), &hit), TVHT_NOWHERE);
    EXPECT_EQ(hit, nullptr);
}

// The window system's double click: press, release, then the second press arrives as a double click and
// its release follows. The double click is the second toggle.
TEST_F(RawTypeTree, DoubleClickThroughTheWindowSystemTogglesTwice)
{
    QWindow* window = tree.window()->windowHandle();
    ASSERT_NE(window, nullptr);
    for (HTREEITEM item : {types[1], group}) {
        SetStates("0:000:0");
        const QPoint at = tree.viewport()->mapTo(tree.window(), StatePoint(item));
        QTest::mouseDClick(window, Qt::LeftButton, {}, at);
        EXPECT_EQ(States(), "0:000:0");
        // A click then toggles once.
        QTest::mouseClick(window, Qt::LeftButton, {}, at);
        EXPECT_EQ(States(), item == group ? "2:222:0" : "1:020:0");
        EXPECT_TRUE(item->isExpanded() || item->childCount() == 0); // the double click did not fold it
    }
}

TEST_F(RawTypeTree, CheckTypeChecksMatchingTypesAndRecomputesEveryGroup)
{
    SetStates("0:000:2");
    tree.CheckType(2);
    EXPECT_EQ(States(), "1:020:0"); // the childless group is recomputed to unchecked
    tree.CheckType(1);
    tree.CheckType(3);
    EXPECT_EQ(States(), "2:222:0");

    SetStates("2:200:0");
    tree.CheckType(99);
    EXPECT_EQ(States(), "1:200:0");
}

} // namespace
