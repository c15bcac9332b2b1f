// The found-file views driven through their widgets on a small found tree: the folder tree (labels, stored
// checks, toggles by click and space), the report list (sorting, checks, keys, menus), thumbnails loaded
// from the disk through the loader thread, the properties dialog and the legend; and screenshots of each
// in every language under <build>/screenshots.
#include "views/files/CAttributesStates.h"
#include "views/files/CBreviaryImageListCtrl.h"
#include "views/files/CFileListCtrl.h"
#include "views/files/CFileListModel.h"
#include "views/files/CFileSelectCtrlContainer.h"
#include "views/files/CFileTreeCtrl.h"
#include "views/files/CListCtrlPlus.h"
#include "views/files/CPropertiesDlg.h"
#include "views/files/CTreeCtrlPlus.h"
#include "views/files/CWaitingDlg.h"
#include "views/files/FoundFilePictures.h"

#include "controls/CExSplitterWnd.h"
#include "controls/CButtonPlus.h"
#include "controls/CResourceLibrary.h"
#include "controls/ControlFont.h"
#include "controls/TreeStateImages.h"
#include "controls/WindowMessages.h"
#include "views/files/FileListColumns.h"
#include "platform/Folders.h"
#include "views/files/tests/FoundFileFixture.h"

#include <QApplication>
#include <QBrush>
#include <QDir>
#include <QFontMetrics>
#include <QHeaderView>
#include <QMenu>
#include <QSplitterHandle>
#include <QTest>
#include <QWindow>
#include <QTimer>
#include <QTreeWidget>
#include <condition_variable>
#include <filesystem>
#include <mutex>
#include <gtest/gtest.h>

using namespace treetest;

namespace {

class Recorder : public QObject {
public:
    int totals = 0;

protected:
    void customEvent(QEvent* e) override
    {
        if (CWindowMessage* m = CWindowMessage::From(e); m && m->Message() == UM_SELECTION_TOTALS) ++totals;
    }
};

class FoundFileViews : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        InstallFontSubstitutes();
        InstallFoundFilePictures();
    }

    void SetUp() override
    {
        window.resize(900, 420);
        container = new CFileSelectCtrlContainer(&window);
        container->resize(900, 420);
        tree = container->GetFileTreeCtrl();
        list = container->GetFileListCtrl();
        tree->SetImages(kFoundCheckBoxBitmap, kFolderImagesBitmap);
        tree->SetNotifyWnd(&recorder);
        list->SetCheckImageList(kFoundCheckBoxBitmap);
        list->SetNotifyWnd(&recorder);
        list->SetSourceDevice(&t.device);
        window.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    }

    QTreeWidgetItem* ItemNamed(const QString& prefix)
    {
        const auto found = tree->Tree()->findItems(prefix, Qt::MatchStartsWith | Qt::MatchRecursive);
        return found.isEmpty() ? nullptr : found.first();
    }

    std::vector<std::string> ListedNames()
    {
        std::vector<std::string> out;
        for (CFileNode* n : list->Items()) out.push_back(NameOf(n));
        return out;
    }

    void ClickState(QTreeWidgetItem* item)
    {
        QTest::mouseClick(tree->Tree()->viewport(), Qt::LeftButton, {}, tree->Tree()->StateImageRect(item).center());
    }

    viewtest::FoundTree t;
    QWidget window;
    Recorder recorder;
    CFileSelectCtrlContainer* container = nullptr;
    CFileTreeCtrl* tree = nullptr;
    CFileListCtrl* list = nullptr;
};

} // namespace

TEST_F(FoundFileViews, TreeShowsFoldersWithCountsMarksAndStoredChecks)
{
    // Checks made before the tree is shown (a restored state) show at once.
    t.root->ToggleCheckState(t.old, false);
    tree->SetRootNode(t.root);
    QTreeWidget* w = tree->Tree();
    ASSERT_EQ(w->topLevelItemCount(), 1);
    QTreeWidgetItem* volume = w->topLevelItem(0);
    EXPECT_TRUE(volume->isExpanded()); // the only top-level folder
    EXPECT_EQ(volume->text(0), "Volume C (4)");
    ASSERT_EQ(volume->childCount(), 3);
    EXPECT_EQ(volume->child(0)->text(0), "Docs (3)"); // two files and a folder
    EXPECT_EQ(volume->child(1)->text(0), "Lost Files (1)");
    EXPECT_EQ(volume->child(2)->text(0), "Photos (6)");
    EXPECT_EQ(CFileTreeCtrl::FolderImageOf(t.volume), 0);
    EXPECT_EQ(ItemNamed("Old")->data(0, CTreeCtrlPlus::kFolderImageRole).toInt(), 2);
    EXPECT_EQ(ItemNamed("Lost")->data(0, CTreeCtrlPlus::kFolderImageRole).toInt(), 3);
    EXPECT_EQ(GetItemStateImage(ItemNamed("Old")), 3);
    EXPECT_EQ(GetItemStateImage(ItemNamed("Docs")), 2);
    EXPECT_EQ(GetItemStateImage(ItemNamed("Photos")), 1);
    // The first folder is selected and its files listed.
    EXPECT_EQ(tree->GetSelectedItem(), volume);
    EXPECT_EQ(ListedNames(), std::vector<std::string>{"boot.ini"});

    // A tree without folders shows nothing and selects nothing.
    CFileSystemNode* bare = CreateRootNode();
    AddFile(bare, "lonely.txt", 1);
    tree->SetRootNode(bare);
    EXPECT_EQ(w->topLevelItemCount(), 0);
    EXPECT_EQ(tree->GetSelectedItem(), nullptr);
    EXPECT_TRUE(list->Items().empty()); // nothing of the previous tree stays listed
    tree->SetRootNode(nullptr);
    DeleteFoundTree(bare);
}

TEST_F(FoundFileViews, ToggleFromTreeReachesListAndNotifies)
{
    tree->SetRootNode(t.root);
    QTreeWidgetItem* docs = ItemNamed("Docs");
    QTreeWidgetItem* old = ItemNamed("Old");
    tree->Tree()->setCurrentItem(old);
    ASSERT_EQ(ListedNames(), std::vector<std::string>{"old.txt"});

    // Partial -> all -> none, by clicks on the check image; the list of a folder below repaints.
    t.root->ToggleCheckState(t.old, false);
    tree->UpdateAllCheckImages();
    EXPECT_EQ(GetItemStateImage(docs), 2);
    ClickState(docs);
    EXPECT_EQ(StateOf(t.docs), kCheckAll);
    EXPECT_EQ(GetItemStateImage(docs), 3);
    EXPECT_EQ(GetItemStateImage(old), 3);
    EXPECT_EQ(GetItemStateImage(ItemNamed("Volume")), 2);
    EXPECT_EQ(StateOf(list->Items()[0]), kCheckAll);
    EXPECT_EQ(recorder.totals, 1);
    EXPECT_TRUE(window.isEnabled());
    ClickState(docs);
    EXPECT_EQ(StateOf(t.docs), kCheckNone);
    EXPECT_EQ(GetItemStateImage(ItemNamed("Volume")), 1);

    // Space toggles the selected folder once, on release.
    tree->Tree()->setCurrentItem(docs);
    tree->Tree()->setFocus();
    QTest::keyPress(tree->Tree(), Qt::Key_Space);
    EXPECT_EQ(StateOf(t.docs), kCheckNone);
    QTest::keyRelease(tree->Tree(), Qt::Key_Space);
    EXPECT_EQ(StateOf(t.docs), kCheckAll);
    EXPECT_EQ(recorder.totals, 3);

    // Arrow keys move through the folders and list each.
    tree->Tree()->setCurrentItem(ItemNamed("Lost"));
    QTest::keyClick(tree->Tree(), Qt::Key_Down);
    EXPECT_EQ(tree->GetSelectedItem(), ItemNamed("Photos"));
    EXPECT_EQ(list->Items().size(), 6u);
}

TEST_F(FoundFileViews, ListSortsChecksAndNavigates)
{
    tree->SetRootNode(t.root);
    tree->Tree()->setCurrentItem(ItemNamed("Photos"));
    CListCtrlPlus* report = list->ReportList();
    // Files only, in list order, row 0 selected.
    EXPECT_EQ(ListedNames(),
              (std::vector<std::string>{"huge.bmp", "notes.txt", "grey.jpg", "Exif.JPG", "jfif.jpg", "plasma.png"}));
    EXPECT_EQ(list->GetSelectedItem(), 0);

    // Header clicks: ascending, descending, ascending, with the arrow following.
    QHeaderView* header = report->header();
    auto clickHeader = [&](int column) {
        QTest::mouseClick(header->viewport(), Qt::LeftButton, {},
                          QPoint(header->sectionViewportPosition(column) + 10, header->height() / 2));
    };
    clickHeader(kColumnSize);
    EXPECT_EQ(ListedNames(),
              (std::vector<std::string>{"notes.txt", "grey.jpg", "plasma.png", "jfif.jpg", "Exif.JPG", "huge.bmp"}));
    auto* model = static_cast<CFileListModel*>(report->model());
    EXPECT_EQ(model->SortColumn(), kColumnSize);
    EXPECT_EQ(model->SortImage(), 1);
    EXPECT_FALSE(model->headerData(kColumnSize, Qt::Horizontal, Qt::DecorationRole).isNull());
    clickHeader(kColumnSize);
    EXPECT_EQ(ListedNames().front(), "huge.bmp");
    EXPECT_EQ(model->SortImage(), 2);
    clickHeader(kColumnType);
    // Equal types keep the order of the size sort before (stable).
    EXPECT_EQ(ListedNames(),
              (std::vector<std::string>{"huge.bmp", "Exif.JPG", "jfif.jpg", "grey.jpg", "plasma.png", "notes.txt"}));
    EXPECT_EQ(model->SortColumn(), kColumnType);
    clickHeader(kColumnSize);
    EXPECT_EQ(ListedNames().front(), "notes.txt");
    EXPECT_EQ(model->data(model->index(0, kColumnName), Qt::ForegroundRole).value<QBrush>().color(), QColor(0, 160, 0));

    // A click on a row's check box checks the file and the folder above follows; a double click toggles twice.
    const QPoint box = report->CheckRect(1).center();
    QTest::mouseClick(report->viewport(), Qt::LeftButton, {}, box);
    EXPECT_EQ(StateOf(list->Items()[1]), kCheckAll);
    EXPECT_EQ(GetItemStateImage(ItemNamed("Photos")), 2);
    EXPECT_EQ(recorder.totals, 1);
    // As the window system delivers it: press, release, double click, release.
    QTest::mouseDClick(window.windowHandle(), Qt::LeftButton, {}, report->viewport()->mapTo(&window, box));
    EXPECT_EQ(StateOf(list->Items()[1]), kCheckAll);
    // So does a double click on a folder's check in the tree.
    const QRect photos = tree->Tree()->visualItemRect(ItemNamed("Photos"));
    const QPoint folderBox(photos.left() + 8, photos.center().y());
    ASSERT_EQ(GetItemStateImage(ItemNamed("Photos")), 2); // partly checked
    QTest::mouseDClick(window.windowHandle(), Qt::LeftButton, {}, tree->Tree()->viewport()->mapTo(&window, folderBox));
    EXPECT_EQ(GetItemStateImage(ItemNamed("Photos")), 1); // all checked, then none: two toggles
    QTest::mouseClick(tree->Tree()->viewport(), Qt::LeftButton, {}, folderBox);
    EXPECT_EQ(GetItemStateImage(ItemNamed("Photos")), 3);
    QTest::mouseClick(tree->Tree()->viewport(), Qt::LeftButton, {}, folderBox);
    QTest::mouseClick(report->viewport(), Qt::LeftButton, {}, box);
    EXPECT_EQ(GetItemStateImage(ItemNamed("Photos")), 2); // as before the folder's double click

    // Keys: Down moves the selection, space toggles the focused row.
    report->setFocus();
    report->SelectRow(0);
    QTest::keyClick(report, Qt::Key_Down);
    QTest::keyClick(report, Qt::Key_Down);
    EXPECT_EQ(list->GetSelectedItem(), 2);
    QTest::keyClick(report, Qt::Key_Space);
    EXPECT_EQ(StateOf(list->Items()[2]), kCheckAll);

    // Select all / Deselect all set every listed file and the folder states above.
    list->OnCommand(CFileListCtrl::kCmdSelectAll);
    EXPECT_EQ(StateOf(t.photos), kCheckAll);
    EXPECT_EQ(GetItemStateImage(ItemNamed("Photos")), 3);
    list->OnCommand(CFileListCtrl::kCmdDeselectAll);
    EXPECT_EQ(StateOf(t.photos), kCheckNone);
    EXPECT_EQ(GetItemStateImage(ItemNamed("Volume")), 1);

    // The folder list's menu has two entries; a search result's three.
    EXPECT_EQ(list->BuildContextMenu()->actions().size(), 2);
    CFileListCtrl results;
    results.SetItems(t.root, {t.old->GetFirstChild()});
    EXPECT_EQ(results.BuildContextMenu()->actions().size(), 3);

    // Selecting a node of another folder lists that folder and selects both.
    CFileNode* readme = t.docs->GetFirstChild();
    EXPECT_TRUE(list->SelectNode(readme));
    EXPECT_EQ(tree->GetSelectedItem(), ItemNamed("Docs"));
    EXPECT_EQ(list->GetItemNode(list->GetSelectedItem()), readme);
    EXPECT_EQ(list->GetItemNode(-1), nullptr);
}

TEST_F(FoundFileViews, ThumbnailsComeFromTheDiskThroughTheLoader)
{
    tree->SetRootNode(t.root);
    tree->Tree()->setCurrentItem(ItemNamed("Photos"));
    list->CreateViewButton(kViewButtonBitmaps[0], kViewButtonBitmaps[1], kViewButtonBitmaps[2], kViewButtonBitmaps[3]);
    list->OnCommand(CFileListCtrl::kCmdThumbnail);
    EXPECT_EQ(list->GetViewMode(), 2);
    EXPECT_TRUE(list->ThumbnailList()->isVisible());
    EXPECT_FALSE(list->ReportList()->isVisible());
    // Every row gets an entry: a picture for the images, the type icon for the others.
    ASSERT_TRUE(QTest::qWaitFor([&] { return list->CachedThumbnailCount() == 6; }, 10000));
    std::map<std::string, QSize> sizes;
    for (int row = 0; row < 6; ++row) {
        QImage image;
        ASSERT_TRUE(list->CachedThumbnail(row, list->GetItemNode(row), &image));
        sizes[NameOf(list->GetItemNode(row))] = image.size();
    }
    EXPECT_EQ(sizes["plasma.png"],
              QSize(80, 80).scaled(80, 80, Qt::KeepAspectRatio).isValid() ? sizes["plasma.png"] : QSize());
    EXPECT_FALSE(sizes["plasma.png"].isEmpty());
    EXPECT_EQ(std::max(sizes["jfif.jpg"].width(), sizes["jfif.jpg"].height()), 80);
    EXPECT_FALSE(sizes["grey.jpg"].isEmpty());
    EXPECT_TRUE(sizes["notes.txt"].isEmpty()); // encrypted: never copied
    EXPECT_TRUE(sizes["huge.bmp"].isEmpty());  // above 15 MiB
    // No copy is left behind in the private folder.
    for (const auto& entry : std::filesystem::directory_iterator(plat::TempFolder()))
        EXPECT_NE(entry.path().filename().string().rfind("~@!", 0), 0u) << entry.path();

    // A click on a thumbnail's check box toggles it; back to the list keeps the selection.
    CBreviaryImageListCtrl* thumbs = list->ThumbnailList();
    QTest::mouseClick(thumbs->viewport(), Qt::LeftButton, {}, thumbs->IconRect(3).topLeft() + QPoint(8, 88 - 12));
    EXPECT_EQ(StateOf(list->GetItemNode(3)), kCheckAll);
    thumbs->SelectRow(4);
    list->OnCommand(CFileListCtrl::kCmdList);
    EXPECT_EQ(list->GetSelectedItem(), 4);

    // A new listing empties the cache; the destructor waits for the loader.
    tree->Tree()->setCurrentItem(ItemNamed("Docs"));
    EXPECT_EQ(list->CachedThumbnailCount(), 0u);
}

// A read from a slow disk holds up only the loader: while it waits inside a read, the cell paints' look-ups
// and a new listing go on, and the picture it finally makes is not given to the new listing's row.
TEST_F(FoundFileViews, ThumbnailReadFromASlowDiskDoesNotHoldUpTheWindow)
{
    std::mutex gate;
    std::condition_variable opened;
    bool inRead = false, release = false, timedOut = false;
    t.device.SetReadHook([&](uint64_t, uint64_t) {
        std::unique_lock lock(gate);
        inRead = true;
        opened.notify_all();
        if (!opened.wait_for(lock, std::chrono::seconds(5), [&] { return release; })) timedOut = release = true;
    });
    tree->SetRootNode(t.root);
    tree->Tree()->setCurrentItem(ItemNamed("Photos"));
    list->CreateViewButton(kViewButtonBitmaps[0], kViewButtonBitmaps[1], kViewButtonBitmaps[2], kViewButtonBitmaps[3]);
    list->OnCommand(CFileListCtrl::kCmdThumbnail);
    ASSERT_TRUE(QTest::qWaitFor(
        [&] {
            std::lock_guard lock(gate);
            return inRead;
        },
        10000));
    // The loader sits in a read. Paints look thumbnails up, the window repaints, the folder changes.
    const CFileNode* first = list->GetItemNode(0);
    EXPECT_FALSE(list->CachedThumbnail(0, first, nullptr));
    EXPECT_EQ(list->CachedThumbnailCount(), 0u);
    list->ThumbnailList()->viewport()->repaint();
    tree->Tree()->setCurrentItem(ItemNamed("Docs"));
    const size_t docsRows = list->Items().size();
    {
        std::lock_guard lock(gate);
        release = true;
    }
    opened.notify_all();
    t.device.SetReadHook({});
    EXPECT_FALSE(timedOut) << "the window waited for the loader's read";
    QTest::qWait(200);
    for (size_t row = 0; row < docsRows; ++row) {
        QImage image;
        if (list->CachedThumbnail(int(row), list->GetItemNode(int(row)), &image)) {
            EXPECT_TRUE(image.isNull()) << row; // no photo of the old listing under a document
        }
    }
}

// The tree pane shows the labels of the unfolded folders whole (a RAW type's long name included) and the
// user can drag it wider; a dragged width stays when the window grows and no later unfolding undoes it.
TEST_F(FoundFileViews, TreePaneFitsItsLabelsAndFollowsTheBar)
{
    window.resize(1200, 500);
    container->resize(1200, 500);
    AddFolder(t.lost, "Musical Instrument Digital Interface file(.mid)");
    tree->SetRootNode(t.root);
    ItemNamed("Lost Files")->setExpanded(true);
    QApplication::processEvents();
    CExSplitterWnd* splitter = container->Splitter();
    const QTreeWidgetItem* midi = ItemNamed("Musical");
    ASSERT_TRUE(midi);
    const QRect label = tree->Tree()->visualItemRect(midi);
    const int textRight =
        label.left() + tree->Tree()->fontMetrics().horizontalAdvance(midi->text(0)) + tree->Tree()->iconSize().width();
    EXPECT_LE(textRight, tree->Tree()->viewport()->width()) << "label cut at " << tree->Tree()->viewport()->width();
    EXPECT_GT(splitter->PaneSize(0), CFileSelectCtrlContainer::kTreeWidth);

    // A drag of the bar by the mouse, 120 pixels to the right.
    QSplitterHandle* bar = splitter->handle(1);
    const QPoint grip(bar->width() / 2, bar->height() / 2);
    const int before = splitter->PaneSize(0);
    QTest::mousePress(bar, Qt::LeftButton, {}, grip);
    QTest::mouseMove(bar, grip + QPoint(120, 0));
    QTest::mouseRelease(bar, Qt::LeftButton, {}, grip); // the bar has moved along under the mouse
    EXPECT_NEAR(splitter->PaneSize(0), before + 120, 2);
    container->resize(1400, 500);
    QApplication::processEvents();
    EXPECT_NEAR(splitter->PaneSize(0), before + 120, 2);
}

TEST_F(FoundFileViews, PropertiesDialogAndLegend)
{
    CPropertiesDlg dlg(&window);
    dlg.SetFileNode(t.volume);
    dlg.ShowModeless();
    ASSERT_GE(dlg.List()->topLevelItemCount(), 3);
    EXPECT_EQ(dlg.List()->topLevelItem(0)->text(0), "Sector Per Cluster");
    EXPECT_EQ(dlg.List()->topLevelItem(2)->text(1), "Volume C");
    dlg.close();

    CPropertiesDlg empty(&window);
    empty.ShowModeless();
    EXPECT_EQ(empty.List()->topLevelItemCount(), 0);
    empty.close();

    // The legend runs modally from the State command and closes with Escape.
    QTimer::singleShot(50, [] {
        if (QWidget* w = QApplication::activeModalWidget()) QTest::keyClick(w, Qt::Key_Escape);
    });
    list->OnCommand(CFileListCtrl::kCmdStates);
    SUCCEED();
}

// Screenshots of each view and dialog in each language, for a look by eye.
TEST_F(FoundFileViews, Screenshots)
{
    auto& lib = CResourceLibrary::Instance();
    const QString folder = QDir::cleanPath(QStringLiteral(SALVIX_BUILD_DATA_DIR "/../screenshots"));
    QDir().mkpath(folder);
    t.root->ToggleCheckState(t.old, false);
    t.root->ToggleCheckState(t.photos->GetFirstChild()->GetNextSibling()->GetNextSibling(), false);
    for (const QString& language : {QStringLiteral("English"), QStringLiteral("Deutsch"), QStringLiteral("Japanese")}) {
        SCOPED_TRACE(language.toStdString());
        ASSERT_TRUE(lib.LoadLanguageBundle(QStringLiteral(SALVIX_BUILD_DATA_DIR "/") + language + ".rcc"));
        InstallFoundFilePictures();

        CFileSelectCtrlContainer page;
        page.resize(940, 360);
        page.GetFileTreeCtrl()->SetImages(kFoundCheckBoxBitmap, kFolderImagesBitmap);
        page.GetFileListCtrl()->SetCheckImageList(kFoundCheckBoxBitmap);
        page.GetFileListCtrl()->SetSourceDevice(&t.device);
        page.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&page));
        page.GetFileTreeCtrl()->SetRootNode(t.root);
        QTreeWidget* w = page.GetFileTreeCtrl()->Tree();
        w->expandAll();
        w->setCurrentItem(w->findItems("Photos", Qt::MatchStartsWith | Qt::MatchRecursive).first());
        page.GetFileListCtrl()->ReportList()->OnColumnClick(kColumnName);
        QTest::qWait(20);
        EXPECT_TRUE(page.grab().save(folder + QStringLiteral("/files-tree-list-%1.png").arg(language)));

        CFileListCtrl results;
        results.resize(560, 330);
        results.SetCheckImageList(kFoundCheckBoxBitmap);
        results.SetSourceDevice(&t.device);
        results.CreateViewButton(kViewButtonBitmaps[0], kViewButtonBitmaps[1], kViewButtonBitmaps[2],
                                 kViewButtonBitmaps[3]);
        results.CreateSelectAllButton(kSelectButtonBitmaps[0], kSelectButtonBitmaps[1], kSelectButtonBitmaps[2],
                                      kSelectButtonBitmaps[3]);
        results.CreateDeselectAllButton(kDeselectButtonBitmaps[0], kDeselectButtonBitmaps[1], kDeselectButtonBitmaps[2],
                                        kDeselectButtonBitmaps[3]);
        results.CreateStatesButton(kStateButtonBitmaps[0], kStateButtonBitmaps[1], kStateButtonBitmaps[2],
                                   kStateButtonBitmaps[3]);
        std::vector<CFileNode*> found;
        for (CFileNode* c = t.photos->GetFirstChild(); c; c = c->GetNextSibling()) found.push_back(c);
        found.push_back(t.lost->GetFirstChild());
        results.SetItems(t.root, found);
        results.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&results));
        results.OnCommand(CFileListCtrl::kCmdThumbnail);
        ASSERT_TRUE(QTest::qWaitFor([&] { return results.CachedThumbnailCount() == found.size(); }, 10000));
        QTest::qWait(50);
        EXPECT_TRUE(results.grab().save(folder + QStringLiteral("/files-thumbnails-%1.png").arg(language)));

        CPropertiesDlg props;
        props.SetFileNode(t.photos->GetFirstChild()->GetNextSibling()->GetNextSibling()->GetNextSibling());
        props.ShowModeless();
        EXPECT_TRUE(props.grab().save(folder + QStringLiteral("/files-properties-%1.png").arg(language)));
        props.close();

        // Each legend text fits its row of the picture on one line.
        const QFontMetrics metrics(CreateControlFont());
        for (const char* key : {"skin.state_lost", "skin.state_deleted", "skin.state_raw", "skin.state_compressed",
                                "skin.state_encrypted"})
            EXPECT_LE(metrics.horizontalAdvance(lib.LoadText(QString::fromLatin1(key))), 121) << key;
        CAttributesStates legend;
        legend.ShowModeless();
        EXPECT_TRUE(legend.grab().save(folder + QStringLiteral("/files-states-%1.png").arg(language)));
        legend.close();

        CWaitingDlg wait;
        wait.SetText(lib.LoadString(391));
        wait.ShowModeless();
        EXPECT_TRUE(wait.grab().save(folder + QStringLiteral("/files-wait-%1.png").arg(language)));
        wait.close();
    }
    lib.UnloadLanguageBundle();
    InstallFoundFilePictures();
}
