// The find dialog through its real widgets offscreen: stepping through matches in a folder tree and in a
// list of search results, the "no more" and "no files" answers, and screenshots in each language.
#include "views/search/CFindFileDlg.h"

#include "controls/CButtonPlus.h"
#include "controls/CResourceLibrary.h"
#include "controls/ControlFont.h"
#include "controls/MessageBox.h"
#include "filesystems/tree/FileTree.h"
#include "filesystems/tree/tests/TreeTestUtil.h"
#include "views/files/CFileListCtrl.h"
#include "views/files/CFileTreeCtrl.h"
#include "views/files/CTreeCtrlPlus.h"
#include "views/files/FoundFilePictures.h"

#include <QCheckBox>
#include <QDir>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

#include <gtest/gtest.h>

using namespace treetest;

namespace {

// Root / Volume / {Docs/{report.doc, notes.txt, Old/{REPORT, old report.txt}}, Photos/{a.jpg, report folder/}}
struct FindFixture : ::testing::Test {
    static void SetUpTestSuite()
    {
        InstallFontSubstitutes();
        InstallFoundFilePictures();
    }

    FindFixture()
    {
        root = CreateRootNode();
        root->SetProperties(Folder("Root"));
        CFileNode* volume = AddFsFolder(root, "Volume");
        CFileNode* photos = AddFolder(volume, "Photos");
        AddFolder(photos, "report folder");
        AddFile(photos, "a.jpg", 10);
        CFileNode* docs = AddFolder(volume, "Docs");
        CFileNode* old = AddFolder(docs, "Old");
        AddFile(old, "old report.txt", 10);
        AddFile(old, "REPORT", 10);
        AddFile(docs, "notes.txt", 10);
        AddFile(docs, "report.doc", 10);
        root->RecomputeStatistics();
    }
    ~FindFixture() override
    {
        list.ClearItems();
        tree.SetRootNode(nullptr);
        DeleteFoundTree(root);
    }

    void ShowTree()
    {
        tree.SetImages(kFoundCheckBoxBitmap, kFolderImagesBitmap);
        list.SetCheckImageList(kFoundCheckBoxBitmap);
        tree.SetFileListCtrl(&list);
        list.SetFileTreeCtrl(&tree);
        tree.SetRootNode(root);
        tree.Tree()->expandAll();
        tree.Tree()->setCurrentItem(tree.Tree()->findItems("Docs", Qt::MatchStartsWith | Qt::MatchRecursive).first());
    }

    std::string Selected() const
    {
        const int i = list.GetSelectedItem();
        return i < 0 ? std::string() : NameOf(list.GetItemNode(i));
    }

    // Presses Find Next; returns the message shown, "" when none.
    std::string FindNext(CFindFileDlg& dlg)
    {
        std::string message;
        CScopedMessageBoxResponder answer([&](const MessageBoxRequest& r) {
            message = r.text.toStdString();
            return IDOK;
        });
        QTest::mouseClick(dlg.FindNextButton(), Qt::LeftButton);
        return message;
    }

    CFileSystemNode* root = nullptr;
    CFileTreeCtrl tree;
    CFileListCtrl list;
};

} // namespace

TEST_F(FindFixture, StepsThroughFoldersAndComesRound)
{
    ShowTree();
    CFindFileDlg dlg(root, &list, &tree, nullptr);
    dlg.ShowModeless();
    dlg.NameEdit()->setText("report");
    // Docs lists newest first: report.doc, notes.txt; then Old: REPORT, old report.txt. Folders never match.
    std::vector<std::string> seen;
    std::string message;
    for (int i = 0; i < 6 && message.empty(); ++i) {
        message = FindNext(dlg);
        if (message.empty()) seen.push_back(Selected());
    }
    EXPECT_EQ(message, "No more files found.");
    ASSERT_GE(seen.size(), 3u);
    EXPECT_EQ(std::vector<std::string>(seen.begin(), seen.begin() + 3),
              (std::vector<std::string>{"REPORT", "old report.txt", "report.doc"}));
}

TEST_F(FindFixture, WholeWordCaseAndRefusedText)
{
    ShowTree();
    CFindFileDlg dlg(root, &list, &tree, nullptr);
    dlg.ShowModeless();
    dlg.NameEdit()->setText("report");
    dlg.WholeWordCheck()->setChecked(true);
    EXPECT_EQ(FindNext(dlg), "");
    EXPECT_EQ(Selected(), "REPORT");
    // No name is "report" in that case; after a first find the answer is that there are no more.
    dlg.MatchCaseCheck()->setChecked(true);
    EXPECT_EQ(FindNext(dlg), "No more files found.");

    dlg.NameEdit()->setText("a:b");
    EXPECT_EQ(FindNext(dlg), "No files found");
}

TEST_F(FindFixture, SearchResultsWrapWithinTheList)
{
    CFileNode* docs = root->GetFirstChild()->GetFirstChild();
    ASSERT_EQ(NameOf(docs), "Docs");
    const std::vector<CFileNode*> results{docs->GetFirstChild(), docs->GetFirstChild()->GetNextSibling()};
    list.SetCheckImageList(kFoundCheckBoxBitmap);
    list.SetItems(root, results);
    CFindFileDlg dlg(root, &list, nullptr, nullptr);
    dlg.ShowModeless();
    // Empty text: every file matches, one by one, until the find comes round to where it began.
    std::vector<std::string> steps;
    for (int i = 0; i < 4; ++i) steps.push_back(FindNext(dlg) + "|" + Selected());
    const std::string first = NameOf(results[0]), second = NameOf(results[1]);
    // Nothing selected at first: the find begins at the first row.
    EXPECT_EQ(steps[0], "|" + first);
    EXPECT_EQ(steps[1], "|" + second);
    EXPECT_EQ(steps[2], "No more files found.|" + first);
}

TEST_F(FindFixture, Screenshots)
{
    auto& lib = CResourceLibrary::Instance();
    const QString folder = QDir::cleanPath(QStringLiteral(SALVIX_BUILD_DATA_DIR "/../screenshots"));
    QDir().mkpath(folder);
    for (const QString& language : {QStringLiteral("English"), QStringLiteral("Deutsch"), QStringLiteral("Japanese")}) {
        ASSERT_TRUE(lib.LoadLanguageBundle(QStringLiteral(SALVIX_BUILD_DATA_DIR "/") + language + ".rcc"));
        CFindFileDlg dlg(root, &list, nullptr, nullptr);
        dlg.ShowModeless();
        dlg.NameEdit()->setText("report");
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&dlg));
        EXPECT_TRUE(dlg.grab().save(folder + QStringLiteral("/find-dialog-%1.png").arg(language)));
    }
    lib.LoadLanguageBundle(QStringLiteral(SALVIX_BUILD_DATA_DIR "/English.rcc"));
}
