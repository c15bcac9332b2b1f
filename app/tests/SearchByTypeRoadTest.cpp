// Searching a found tree by type, through the program's own window: the application starts (its main frame
// gathers the desktop's file types), deleted-file recovery scans an NTFS volume made by mkntfs and ntfs-3g,
// and on the found-file page Ctrl+F opens the search dialog, where ticking "Type", choosing "JPEG image" from
// the list and pressing OK lists exactly the JPEG files of the tree in the results tab.
#include "app/CMainFrame.h"
#include "app/CZULApp.h"
#include "app/tests/AppTestSupport.h"
#include "controller/CDeleteRecoveryPartitionDeviceSelectController.h"
#include "controls/CTabCtrlPlus.h"
#include "controls/CTabCtrlPlusItem.h"
#include "controls/ControlFont.h"
#include "filesystems/tree/CFileNode.h"
#include "filesystems/tree/CFileSystemNode.h"
#include "filesystems/tree/IFileProperties.h"
#include "tests/support/FixtureManifests.h"
#include "tests/support/ScopedEnv.h"
#include "views/devices/CDeviceSelectCtrl.h"
#include "views/devices/CDeviceSelectView.h"
#include "views/files/CFileListCtrl.h"
#include "views/files/CListCtrlPlus.h"
#include "views/search/CFileTypeNameMap.h"
#include "views/search/CSearchFileDlg.h"
#include "wizard/CDeleteRecoveryPartitionDeviceSelectPage.h"
#include "wizard/CFileSelectPage.h"
#include "wizard/CRecoveryModeSelectPage.h"
#include "wizard/CWizardSheet.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>

#include <cstdlib>
#include <functional>
#include <set>
#include <string>

namespace {

// Acts on the search dialog as soon as it shows, as a person waits for it.
void WhenSearchDialog(std::function<void(CSearchFileDlg*)> act)
{
    auto* timer = new QTimer;
    auto waited = std::make_shared<int>(0);
    QObject::connect(timer, &QTimer::timeout, [timer, act, waited] {
        *waited += 20;
        auto* dlg = qobject_cast<CSearchFileDlg*>(QApplication::activeModalWidget());
        if (dlg || *waited > 30000) {
            timer->stop();
            timer->deleteLater();
            if (dlg) act(dlg);
        }
    });
    timer->start(20);
}

bool EndsWithNoCase(std::string name, const std::string& suffix)
{
    for (char& c : name) c = char(std::tolower(static_cast<unsigned char>(c)));
    return name.size() >= suffix.size() && name.compare(name.size() - suffix.size(), suffix.size(), suffix) == 0;
}

// Every file (not folder) below node whose name ends in one of the suffixes.
void CollectFiles(const CFileNode* node, const std::vector<std::string>& suffixes, std::multiset<std::string>& out,
                  int* others)
{
    for (const CFileNode* child = node->GetFirstChild(); child; child = child->GetNextSibling()) {
        const IFileProperties* p = child->GetProperties();
        if (p && !(p->GetAttributes() & kFileAttrDirectory)) {
            bool match = false;
            for (const std::string& s : suffixes) match = match || EndsWithNoCase(p->GetName(), s);
            if (match)
                out.insert(p->GetName());
            else
                ++*others;
        }
        CollectFiles(child, suffixes, out, others);
    }
}

TEST(SearchByTypeRoad, TheTypeListFindsExactlyTheFilesOfTheChosenType)
{
    InstallFontSubstitutes();
    PrivateFolders folders;
    testsupport::TempDir dir;
    const std::string image = (dir / "ntfs_tree_c4k.img").string();
    ASSERT_EQ(
        std::system(("xz -dc '" + testsupport::FixturePath("ntfs_tree_c4k.img.xz") + "' > '" + image + "'").c_str()),
        0);
    const testsupport::ScopedEnv disks("SALVIX_DISKS", image);
    const testsupport::ScopedEnv drives("SALVIX_DRIVES", "C=" + image);
    CDeleteRecoveryPartitionDeviceSelectController::HintFlag() = false;
    CFileTypeNameMap::GetInstance().Clear(); // the start-up below gathers the types again

    CZULApp app({"salvix"});
    ASSERT_TRUE(app.InitInstance());
    CMainFrame* frame = app.MainFrame();
    ASSERT_NE(frame, nullptr);
    ASSERT_TRUE(QTest::qWaitForWindowExposed(frame));
    CWizardSheet* sheet = CWizardSheet::GetInstance();
    ASSERT_NE(sheet, nullptr);

    // Page 0: deleted-file recovery; the volume list fills on its worker.
    auto* mode = static_cast<CRecoveryModeSelectPage*>(sheet->GetPage(WP_RECOVERY_MODE));
    QTest::mouseClick(mode->ModeButton(0), Qt::LeftButton);
    ASSERT_EQ(sheet->GetCurrentIndex(), WP_DELETE_RECOVERY_VOLUME);
    auto* volumes = static_cast<CDeleteRecoveryPartitionDeviceSelectPage*>(sheet->GetPage(WP_DELETE_RECOVERY_VOLUME));
    ASSERT_TRUE(QTest::qWaitFor([&] { return volumes->GetDeviceList()->GetItemCount() > 0; }, 30000));
    ASSERT_TRUE(QTest::qWaitFor([&] { return frame->isEnabled(); }, 30000));

    // The volume's row, Next: the tree is built and the found-file page shows it.
    CDeviceSelectView* view = volumes->GetDeviceList()->View();
    view->EnsureVisible(0);
    QTest::mouseClick(view->viewport(), Qt::LeftButton, {},
                      view->RowRect(0).translated(-view->HorzPos(), -view->VertPos()).center());
    QTest::mouseClick(&sheet->NextButton(), Qt::LeftButton);
    ASSERT_EQ(sheet->GetCurrentIndex(), WP_FILE_SELECT);
    auto* files = static_cast<CFileSelectPage*>(sheet->GetPage(WP_FILE_SELECT));
    ASSERT_NE(files->GetRoot(), nullptr);

    // What the search must find: the JPEG files of the shown tree, by every spelling the type list carries.
    const std::string jpeg = CFileTypeNameMap::GetInstance().Lookup("JPEG image");
    ASSERT_FALSE(jpeg.empty()) << "the start-up gathered no JPEG type";
    std::vector<std::string> suffixes;
    for (size_t at = 0; at < jpeg.size();) {
        const size_t end = std::min(jpeg.find(';', at), jpeg.size());
        suffixes.push_back(jpeg.substr(at, end - at));
        at = end + 1;
    }
    std::multiset<std::string> expected;
    int others = 0;
    CollectFiles(files->GetRoot(), suffixes, expected, &others);
    ASSERT_GE(expected.size(), 2u);
    ASSERT_GT(others, 5) << "files of other types are in the tree too";

    // Ctrl+F, the Type box, "JPEG image" picked from the opened list, OK.
    bool searched = false;
    WhenSearchDialog([&](CSearchFileDlg* dlg) {
        // A failed step closes the dialog, so that the test ends instead of waiting in it.
        struct CloseOnFailure {
            CSearchFileDlg* dlg;
            const bool& done;
            ~CloseOnFailure()
            {
                if (!done) dlg->reject();
            }
        } guard{dlg, searched};
        QCheckBox* type = dlg->Header(CSearchFileDlg::kTypeHeader);
        QTest::mouseClick(type, Qt::LeftButton, {}, QPoint(8, type->height() / 2));
        ASSERT_TRUE(type->isChecked());
        QComboBox* combo = dlg->TypeCombo();
        ASSERT_TRUE(combo->isVisible());
        const int index = combo->findText(QStringLiteral("JPEG image"));
        ASSERT_GE(index, 2);
        QTest::mouseClick(combo, Qt::LeftButton);
        QAbstractItemView* list = combo->view();
        ASSERT_TRUE(QTest::qWaitFor([&] { return list->isVisible(); }, 5000));
        list->scrollTo(list->model()->index(index, 0), QAbstractItemView::PositionAtCenter);
        // The list ignores a release that comes as quickly as a double click after it opened.
        QTest::qWait(QApplication::doubleClickInterval() + 50);
        const QRect row = list->visualRect(list->model()->index(index, 0));
        QTest::mouseMove(list->viewport(), row.center());
        QTest::qWait(20);
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, row.center());
        ASSERT_TRUE(QTest::qWaitFor([&] { return !list->isVisible(); }, 5000));
        ASSERT_EQ(combo->currentIndex(), index);
        dlg->grab().save(QDir::cleanPath(QStringLiteral(SALVIX_BUILD_DATA_DIR "/../screenshots")) +
                         QStringLiteral("/search-by-type-English.png"));
        searched = true;
        QTest::mouseClick(dlg->SearchButton(), Qt::LeftButton);
    });
    frame->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(frame));
    files->FileList()->ReportList()->setFocus();
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_F, Qt::ControlModifier);
    ASSERT_TRUE(searched);
    EXPECT_EQ(QApplication::activeModalWidget(), nullptr) << "the dialog closes once files were found";

    // The results tab lists exactly those files, each once.
    CFileListCtrl* results = files->SearchList();
    ASSERT_NE(results, nullptr);
    std::multiset<std::string> listed;
    for (const CFileNode* node : results->Items()) listed.insert(node->GetProperties()->GetName());
    EXPECT_EQ(listed, expected);
    EXPECT_EQ(results->ReportList()->model()->rowCount(), int(expected.size()));
    CTabCtrlPlus* tabs = files->TabStrip();
    ASSERT_EQ(tabs->GetItemCount(), 2);
    EXPECT_EQ(tabs->GetCurSel(), 1);
    EXPECT_TRUE(tabs->GetItem(1)->Text().contains(QStringLiteral("(JPEG image)")))
        << tabs->GetItem(1)->Text().toStdString();
    QDir().mkpath(QDir::cleanPath(QStringLiteral(SALVIX_BUILD_DATA_DIR "/../screenshots")));
    frame->grab().save(QDir::cleanPath(QStringLiteral(SALVIX_BUILD_DATA_DIR "/../screenshots")) +
                       QStringLiteral("/search-by-type-results-English.png"));
    app.ExitInstance(0);
    CDeleteRecoveryPartitionDeviceSelectController::HintFlag() = true;
}

} // namespace
