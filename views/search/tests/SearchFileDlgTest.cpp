// The search dialog through its real widgets offscreen: the column of panes, the criteria each pane
// adds, the refused name, the search of a small tree, and screenshots in each language.
#include "views/search/CSearchFileDlg.h"

#include "controls/CButtonPlus.h"
#include "controls/CResourceLibrary.h"
#include "controls/ControlFont.h"
#include "controls/MessageBox.h"
#include "filesystems/tree/FileTree.h"
#include "filesystems/tree/tests/TreeTestUtil.h"
#include "views/search/CFileTypeNameMap.h"
#include "views/search/CFoundFileList.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QTest>

#include <gtest/gtest.h>

using namespace treetest;

namespace {

struct SearchDlgFixture : ::testing::Test {
    static void SetUpTestSuite()
    {
        InstallFontSubstitutes();
        CFileTypeNameMap& map = CFileTypeNameMap::GetInstance();
        map.Clear();
        map.Build({{".doc", "Word document"}, {".txt", "Plain text"}}, "(All Files)", "File");
    }

    SearchDlgFixture()
    {
        root = CreateRootNode();
        root->SetProperties(Folder("Root"));
        volume = AddFsFolder(root, "Volume");
        docs = AddFolder(volume, "Docs");
        AddFolder(docs, "report folder");
        AddFile(docs, "Report.doc", 4096);
        AddFile(docs, "report.txt", 100);
        AddFile(volume, "big report.doc", 5 << 20);
        root->RecomputeStatistics();
    }
    ~SearchDlgFixture() override { DeleteFoundTree(root); }

    // Presses Search; returns the message shown, "" when none.
    std::string Search(CSearchFileDlg& dlg)
    {
        std::string message;
        CScopedMessageBoxResponder answer([&](const MessageBoxRequest& r) {
            message = r.text.toStdString();
            return IDOK;
        });
        QTest::mouseClick(dlg.SearchButton(), Qt::LeftButton);
        return message;
    }

    std::vector<std::string> Found() const
    {
        std::vector<std::string> out;
        for (const CFileNode* n : results.GetNodes()) out.push_back(NameOf(n));
        return out;
    }

    CFileSystemNode* root = nullptr;
    CFileNode* volume = nullptr;
    CFileNode* docs = nullptr;
    CFoundFileList results;
};

} // namespace

TEST_F(SearchDlgFixture, PanesAndLocations)
{
    CSearchFileDlg dlg(root, docs, &results, nullptr);
    dlg.ShowModeless();
    const int height = dlg.height();
    EXPECT_FALSE(dlg.IsPaneShown(CSearchFileDlg::kSize));
    dlg.Header(CSearchFileDlg::kSizeHeader)->setChecked(true);
    EXPECT_TRUE(dlg.IsPaneShown(CSearchFileDlg::kSize));
    EXPECT_GT(dlg.height(), height);
    dlg.Header(CSearchFileDlg::kSizeHeader)->setChecked(false);
    EXPECT_EQ(dlg.height(), height);

    ASSERT_EQ(dlg.LocationCombo()->count(), 3);
    EXPECT_EQ(dlg.LocationCombo()->itemText(0), "(Everywhere)");
    EXPECT_EQ(dlg.LocationCombo()->itemText(1), "Volume");
    EXPECT_EQ(dlg.LocationCombo()->itemText(2), "Volume\\Docs");
}

// Search and Cancel are the skin's bitmap buttons, whole inside the dialog; Cancel closes it.
TEST_F(SearchDlgFixture, SearchAndCancelAreBitmapButtons)
{
    CSearchFileDlg dlg(root, docs, &results, nullptr);
    dlg.ShowModeless();
    for (CButtonPlus* b : {dlg.SearchButton(), dlg.CancelButton()}) {
        ASSERT_TRUE(b);
        EXPECT_TRUE(b->StateBitmap(CButtonPlus::Face::Normal)->HasImage());
        EXPECT_EQ(b->size(), b->GetBitmapSize());
        const QRect inDialog(b->mapTo(&dlg, QPoint(0, 0)), b->size());
        EXPECT_TRUE(dlg.rect().contains(inDialog)) << inDialog.x() << "," << inDialog.y();
    }
    EXPECT_LT(dlg.SearchButton()->mapTo(&dlg, QPoint(0, 0)).x(), dlg.CancelButton()->mapTo(&dlg, QPoint(0, 0)).x());
    QTest::mouseClick(dlg.CancelButton(), Qt::LeftButton);
    EXPECT_FALSE(dlg.isVisible());
}

TEST_F(SearchDlgFixture, CriteriaFromThePanes)
{
    CSearchFileDlg dlg(root, docs, &results, nullptr);
    dlg.ShowModeless();
    SEARCH_FILE_CRITERIA c;
    ASSERT_TRUE(dlg.BuildCriteria(c));
    EXPECT_STREQ(c.szName, "*");
    EXPECT_EQ(c.dwFlags, 0u);
    EXPECT_EQ(c.pLocation, static_cast<CFileNode*>(root));
    EXPECT_EQ(c.bIncludeEncrypted, 1);

    dlg.NameEdit()->setText("doc");
    dlg.Header(CSearchFileDlg::kTypeHeader)->setChecked(true);
    dlg.TypeCombo()->setCurrentIndex(0);
    dlg.Header(CSearchFileDlg::kSizeHeader)->setChecked(true);
    dlg.SizeKindCombo()->setCurrentIndex(1);
    dlg.SizeSpin()->setValue(4);
    ASSERT_TRUE(dlg.BuildCriteria(c));
    EXPECT_STREQ(c.szName, "*doc*");
    EXPECT_EQ(c.dwFlags, uint32_t(kSearchByType | kSearchBySize));
    EXPECT_STREQ(c.szTypeExtensions, "*");
    EXPECT_EQ(dlg.GetNamePattern(), "*");
    EXPECT_EQ(c.nSizeKind, kSizeAtLeast);
    EXPECT_EQ(c.ullSizeLimit, 4096u);

    std::string message;
    CScopedMessageBoxResponder answer([&](const MessageBoxRequest& r) {
        message = r.text.toStdString();
        return IDOK;
    });
    dlg.NameEdit()->setText("a/b");
    EXPECT_FALSE(dlg.BuildCriteria(c));
    EXPECT_EQ(message, "No files match specific criteria.");
}

// A type whose extensions make a longer list than the criteria record holds keeps whole extensions only; with
// no type list the Type box is not offered.
TEST_F(SearchDlgFixture, TypeListsTooLongForTheRecordOrEmpty)
{
    CFileTypeNameMap& map = CFileTypeNameMap::GetInstance();
    for (int i = 0; i < 150; ++i) map.Add("Many spellings", ".e" + std::to_string(1000 + i)); // 7 bytes with ";"
    CSearchFileDlg dlg(root, docs, &results, nullptr);
    dlg.ShowModeless();
    dlg.Header(CSearchFileDlg::kTypeHeader)->setChecked(true);
    dlg.TypeCombo()->setCurrentIndex(2);
    SEARCH_FILE_CRITERIA c;
    ASSERT_TRUE(dlg.BuildCriteria(c));
    EXPECT_STREQ(c.szTypeName, "Many spellings");
    const std::string types = c.szTypeExtensions;
    EXPECT_EQ(types.size(), 74u * 7 - 1); // 74 whole extensions and the 73 semicolons between them
    EXPECT_EQ(types.substr(types.size() - 7), ";.e1073");
    map.Clear();
    {
        // No type list at all (never gathered): the Type box cannot be ticked to restrict nothing.
        CSearchFileDlg empty(root, docs, &results, nullptr);
        empty.ShowModeless();
        EXPECT_FALSE(empty.Header(CSearchFileDlg::kTypeHeader)->isEnabled());
        EXPECT_TRUE(empty.Header(CSearchFileDlg::kDateHeader)->isEnabled());
    }
    map.Build({{".doc", "Word document"}, {".txt", "Plain text"}}, "(All Files)", "File");
    CSearchFileDlg full(root, docs, &results, nullptr);
    full.ShowModeless();
    EXPECT_TRUE(full.Header(CSearchFileDlg::kTypeHeader)->isEnabled());
}

TEST_F(SearchDlgFixture, SearchesAndAutoSelects)
{
    CSearchFileDlg dlg(root, docs, &results, nullptr);
    dlg.ShowModeless();
    dlg.NameEdit()->setText("report");
    dlg.LocationCombo()->setCurrentIndex(2);
    dlg.AutoSelectCheck()->setChecked(true);
    EXPECT_EQ(Search(dlg), "");
    // Only files below Docs; the folder named "report folder" is passed over.
    EXPECT_EQ(Found(), (std::vector<std::string>{"report.txt", "Report.doc"}));
    for (const CFileNode* n : results.GetNodes()) EXPECT_EQ(StateOf(n), kCheckAll);
    EXPECT_EQ(dlg.result(), IDOK);

    CFoundFileList none;
    CSearchFileDlg again(root, docs, &none, nullptr);
    again.ShowModeless();
    again.NameEdit()->setText("nothing like it");
    EXPECT_EQ(Search(again), "No files match specific criteria.");
    EXPECT_TRUE(again.isVisible());
}

TEST_F(SearchDlgFixture, Screenshots)
{
    auto& lib = CResourceLibrary::Instance();
    const QString folder = QDir::cleanPath(QStringLiteral(SALVIX_BUILD_DATA_DIR "/../screenshots"));
    QDir().mkpath(folder);
    for (const QString& language : {QStringLiteral("English"), QStringLiteral("Deutsch"), QStringLiteral("Japanese")}) {
        ASSERT_TRUE(lib.LoadLanguageBundle(QStringLiteral(SALVIX_BUILD_DATA_DIR "/") + language + ".rcc"));
        CSearchFileDlg dlg(root, docs, &results, nullptr);
        dlg.ShowModeless();
        dlg.NameEdit()->setText("report");
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&dlg));
        EXPECT_TRUE(dlg.grab().save(folder + QStringLiteral("/search-dialog-%1.png").arg(language)));
        for (int h : {CSearchFileDlg::kTypeHeader, CSearchFileDlg::kDateHeader, CSearchFileDlg::kSizeHeader,
                      CSearchFileDlg::kOtherHeader})
            dlg.Header(h)->setChecked(true);
        QTest::qWait(10);
        EXPECT_TRUE(dlg.grab().save(folder + QStringLiteral("/search-dialog-all-%1.png").arg(language)));
    }
    lib.LoadLanguageBundle(QStringLiteral(SALVIX_BUILD_DATA_DIR "/English.rcc"));
}
