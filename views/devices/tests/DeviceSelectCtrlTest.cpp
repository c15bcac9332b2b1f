// The device list driven through its widgets offscreen: rows and their heights, mouse and key selection
// with the messages the page receives, column drags and sideways scrolling, and screenshots.
#include "views/devices/CDeviceSelectCtrl.h"
#include "views/devices/CDeviceSelectView.h"
#include "views/devices/DevicePictures.h"

#include "controls/CExtendHeaderCtrl.h"
#include "controls/CResourceLibrary.h"
#include "controls/ControlFont.h"

#include <QApplication>
#include <QDir>
#include <QScrollBar>
#include <QTest>
#include <gtest/gtest.h>

namespace {

// A page that records the row messages it receives.
class Page : public QWidget {
public:
    std::vector<unsigned> messages;

protected:
    void customEvent(QEvent* e) override
    {
        if (CWindowMessage* m = CWindowMessage::From(e)) messages.push_back(m->Message());
    }
};

struct ListFixture {
    ListFixture()
    {
        InstallFontSubstitutes();
        InstallDevicePictures();
        page.resize(700, 300);
        ctrl = new CDeviceSelectCtrl(&page);
        ctrl->setGeometry(0, 0, 700, 300);
        ctrl->SetDeviceBitmaps(kDefaultDeviceBitmaps);
        page.show();
    }
    void Add(int icon, const char* name, uint64_t sectors, const char* info, void* data = nullptr)
    {
        DEVICE_ITEM item;
        item.nIcon = icon;
        item.pszName = name;
        item.nSectors = sectors;
        item.nSectorSize = 512;
        item.pszInfo = info;
        item.pItemData = data;
        ctrl->AddItem(&item);
    }
    QPoint Centre(int row) const
    {
        const QRect r = ctrl->View()->RowRect(row);
        return QPoint(100, r.center().y() - ctrl->View()->VertPos());
    }
    void Click(int row, Qt::MouseButton b = Qt::LeftButton)
    {
        QTest::mouseClick(ctrl->View()->viewport(), b, {}, Centre(row));
    }

    Page page;
    CDeviceSelectCtrl* ctrl;
};

} // namespace

TEST(DeviceSelectCtrl, RowsShowCapacityAndGrowWithTheirInformationLines)
{
    ListFixture f;
    int a = 1, b = 2;
    f.Add(1, "Disk 0", 0, "no capacity", &a);
    f.Add(2, "C:", 2097152, "NTFS\nLabel: System", &b);
    f.Add(9, "no icon", 1, "");
    const CDeviceSelectView* v = f.ctrl->View();
    ASSERT_EQ(f.ctrl->GetItemCount(), 3);
    EXPECT_TRUE(v->GetRow(0).cells[1].text.isEmpty());
    EXPECT_EQ(v->GetRow(1).cells[1].text, QStringLiteral("1.00 GB"));
    EXPECT_EQ(v->GetRow(2).cells[0].bitmap, -1);
    // The icon decides the height of a one-line row, two text lines do not shrink it.
    EXPECT_EQ(v->GetRow(0).height, v->Icon(1).GetSize().height() + 10);
    EXPECT_GE(v->GetRow(1).height, v->GetRow(0).height);
    EXPECT_EQ(v->GetRow(1).top, v->GetRow(0).height);
    EXPECT_EQ(v->ContentSize(),
              QSize(250 + 150 + 480, v->GetRow(0).height + v->GetRow(1).height + v->GetRow(2).height));
    EXPECT_EQ(f.ctrl->GetItemData(0), &a);
    EXPECT_EQ(f.ctrl->GetItemData(-1), nullptr);
    EXPECT_EQ(f.ctrl->GetItemData(3), nullptr);
    // Deleting moves the rows below up; out of range is ignored.
    f.ctrl->DeleteItem(7);
    f.ctrl->DeleteItem(0);
    ASSERT_EQ(f.ctrl->GetItemCount(), 2);
    EXPECT_EQ(v->GetRow(0).top, 0);
    EXPECT_EQ(f.ctrl->GetItemData(0), &b);
    f.ctrl->DeleteAllItems();
    EXPECT_EQ(v->ContentSize(), QSize(0, 0));
}

TEST(DeviceSelectCtrl, TextHeightCountsEveryLineAndIconsCountTheirHeightPlusTen)
{
    CDeviceSelectView::Row row;
    row.cells[0] = {0, QStringLiteral("a"), 10};
    row.cells[2] = {-1, QStringLiteral("1\n2\n3\n4"), 10};
    std::array<QSize, 7> icons{};
    icons[0] = QSize(32, 32);
    auto lines = [](const QString& t) { return int(t.count(QLatin1Char('\n')) + 1) * 15; };
    EXPECT_EQ(CDeviceSelectView::RowHeight(row, icons, lines), 60);
    row.cells[2].text = QStringLiteral("x");
    EXPECT_EQ(CDeviceSelectView::RowHeight(row, icons, lines), 42);
    // Scroll into view: above moves up to the top, below moves down to the bottom, inside stays.
    EXPECT_EQ(CDeviceSelectView::ScrollPosToShow(100, 50, 40, 20), 40);
    EXPECT_EQ(CDeviceSelectView::ScrollPosToShow(0, 50, 60, 20), 30);
    EXPECT_EQ(CDeviceSelectView::ScrollPosToShow(10, 50, 20, 20), 10);
}

TEST(DeviceSelectCtrl, MouseAndKeysSelectAndTellThePageOnlyOfNewSelections)
{
    ListFixture f;
    for (int i = 0; i < 3; ++i) f.Add(1, "Disk", 1000, "info");
    EXPECT_EQ(f.ctrl->GetSelectedIndex(), -1);
    // Without a selection a double click or right release tells nothing.
    QTest::mouseDClick(f.ctrl->View()->viewport(), Qt::LeftButton, {}, QPoint(100, 1000));
    EXPECT_TRUE(f.page.messages.empty());
    f.Click(1);
    EXPECT_EQ(f.ctrl->GetSelectedIndex(), 1);
    ASSERT_EQ(f.page.messages, std::vector<unsigned>{UM_DEVICE_LIST_CLICK});
    // The selected row again, and empty space below the rows, change and tell nothing.
    f.Click(1);
    QTest::mouseClick(f.ctrl->View()->viewport(), Qt::LeftButton, {}, QPoint(100, 270));
    EXPECT_EQ(f.ctrl->GetSelectedIndex(), 1);
    EXPECT_EQ(f.page.messages.size(), 1u);
    // A right click selects, and its release tells 9003; a double click tells 9002.
    f.Click(2, Qt::RightButton);
    EXPECT_EQ(f.ctrl->GetSelectedIndex(), 2);
    QTest::mouseDClick(f.ctrl->View()->viewport(), Qt::LeftButton, {}, f.Centre(2));
    EXPECT_EQ(f.page.messages, (std::vector<unsigned>{UM_DEVICE_LIST_CLICK, UM_DEVICE_LIST_CLICK,
                                                      UM_DEVICE_LIST_RIGHTCLICK, UM_DEVICE_LIST_DBLCLICK}));
    // Arrow keys move the selection silently, stop at the ends and scroll the row into view.
    f.page.messages.clear();
    for (int i = 0; i < 5; ++i) f.Add(1, "Disk", 1000, "info");
    f.ctrl->View()->setFocus();
    for (int i = 0; i < 10; ++i) QTest::keyClick(f.ctrl->View(), Qt::Key_Down);
    EXPECT_EQ(f.ctrl->GetSelectedIndex(), 7);
    EXPECT_TRUE(f.page.messages.empty());
    const CDeviceSelectView* v = f.ctrl->View();
    EXPECT_EQ(v->VertPos(), v->RowRect(7).bottom() + 1 - v->viewport()->height());
    for (int i = 0; i < 10; ++i) QTest::keyClick(f.ctrl->View(), Qt::Key_Up);
    EXPECT_EQ(f.ctrl->GetSelectedIndex(), 0);
    EXPECT_EQ(v->VertPos(), 0);
    f.ctrl->ClearSelection();
    EXPECT_EQ(f.ctrl->GetSelectedIndex(), -1);
    QTest::keyClick(f.ctrl->View(), Qt::Key_Down);
    EXPECT_EQ(f.ctrl->GetSelectedIndex(), -1);
}

TEST(DeviceSelectCtrl, ADraggedColumnWidensEveryRowAndTheHeaderFollowsSidewaysScrolling)
{
    ListFixture f;
    f.Add(1, "Disk 0", 1000, "one");
    f.Add(1, "Disk 1", 1000, "two");
    CExtendHeaderCtrl* h = f.ctrl->Header();
    h->resizeSection(0, 400);
    for (int i = 0; i < 2; ++i) EXPECT_EQ(f.ctrl->View()->GetRow(i).cells[0].width, 400);
    EXPECT_EQ(f.ctrl->View()->ContentSize().width(), 400 + 150 + 480);
    QScrollBar* bar = f.ctrl->View()->horizontalScrollBar();
    ASSERT_GT(bar->maximum(), 0);
    bar->setValue(120);
    EXPECT_EQ(h->geometry().left(), -120);
    EXPECT_GE(h->geometry().right(), f.ctrl->width() - 1);
    bar->setValue(0);
    EXPECT_EQ(h->geometry().left(), 0);
}

TEST(DeviceSelectCtrl, ScreenshotsInEachLanguage)
{
    auto& lib = CResourceLibrary::Instance();
    const QString folder = QDir::cleanPath(QStringLiteral(SALVIX_BUILD_DATA_DIR "/../screenshots"));
    QDir().mkpath(folder);
    for (const QString& language : {QStringLiteral("English"), QStringLiteral("Deutsch"), QStringLiteral("Japanese")}) {
        SCOPED_TRACE(language.toStdString());
        ASSERT_TRUE(lib.LoadLanguageBundle(QStringLiteral(SALVIX_BUILD_DATA_DIR "/") + language + ".rcc"));
        ListFixture f;
        f.ctrl->SetCtrlStyle(CS_DISK);
        EXPECT_EQ(f.ctrl->Header()->GetItemText(0), lib.LoadString(320));
        f.Add(0, "A:", 2880, "Floppy drive");
        f.Add(1, "Disk 0: ATA SAMSUNG SSD 860 with a rather long model name", 500118192,
              "Bus: SATA\nPartitions: 3\nHeads: 255");
        f.Add(2, "C: System", 204800000, "NTFS");
        f.Add(3, "Found partition 1", 81920, "FAT32, Rank 98.00%");
        f.Add(4, "backup.img", 4194304, "Disk image");
        f.Add(5, "Last recovery", 0, "2026-12-10 23:00");
        f.Add(6, "disk.vimg", 8388608, "Open disk image");
        f.Click(1);
        QApplication::processEvents();
        EXPECT_TRUE(f.page.grab().save(folder + "/device_list_" + language + ".png"));
    }
    lib.UnloadLanguageBundle();
}
