// F1 in the find and search dialogs opens the help window at the found-files topic, which tells of both,
// whether the dialog has an owner that shows help (the main window) or none.
#include "controls/CHelpViewer.h"
#include "controls/CHelpWindow.h"
#include "controls/ControlFont.h"
#include "controls/MessageBox.h"
#include "controls/WindowMessages.h"
#include "filesystems/tree/FileTree.h"
#include "filesystems/tree/tests/TreeTestUtil.h"
#include "views/search/CFindFileDlg.h"
#include "views/search/CFoundFileList.h"
#include "views/search/CSearchFileDlg.h"

#include <QLineEdit>
#include <QTest>

#include <gtest/gtest.h>

using namespace treetest;

namespace {

// A main window that opens the topics asked of it, as the program's frame does.
class HelpingFrame : public QWidget {
public:
    std::vector<WPARAM> topics;

protected:
    void customEvent(QEvent* e) override
    {
        if (CWindowMessage* m = CWindowMessage::From(e); m && m->Message() == UM_SHOW_HELP) {
            topics.push_back(m->WParam());
            OpenHelpTopic(nullptr, int(m->WParam()));
            m->SetResult(1);
        }
    }
};

struct SearchHelpFixture : ::testing::Test {
    static void SetUpTestSuite() { InstallFontSubstitutes(); }
    SearchHelpFixture()
    {
        root = CreateRootNode();
        root->SetProperties(Folder("Root"));
        AddFile(AddFsFolder(root, "Volume"), "a.txt", 10);
        root->RecomputeStatistics();
    }
    ~SearchHelpFixture() override { DeleteFoundTree(root); }

    // F1 typed into the dialog's first line edit, as a person in the name field would.
    static void PressF1In(QWidget& dlg)
    {
        QWidget* target = &dlg;
        if (auto* edit = dlg.findChild<QLineEdit*>()) target = edit;
        QTest::keyClick(target, Qt::Key_F1);
    }

    CFileSystemNode* root = nullptr;
    CHelpViewer viewer{"English"};
};

} // namespace

TEST_F(SearchHelpFixture, F1InTheFindDialogOpensTheFoundFilesTopic)
{
    HelpingFrame frame;
    CFindFileDlg dlg(root, nullptr, nullptr, &frame);
    dlg.ShowModeless();
    PressF1In(dlg);
    EXPECT_EQ(frame.topics, (std::vector<WPARAM>{23}));
    ASSERT_NE(viewer.Window(), nullptr);
    EXPECT_EQ(viewer.Window()->CurrentPage(), QStringLiteral("found-files.html"));
    dlg.EndDialog(IDCANCEL);
}

TEST_F(SearchHelpFixture, F1InTheSearchDialogOpensTheFoundFilesTopic)
{
    for (bool owned : {true, false}) {
        SCOPED_TRACE(owned);
        HelpingFrame frame;
        CFoundFileList results;
        CSearchFileDlg dlg(root, root, &results, owned ? &frame : nullptr);
        dlg.ShowModeless();
        PressF1In(dlg);
        EXPECT_EQ(frame.topics.size(), owned ? 1u : 0u);
        ASSERT_NE(viewer.Window(), nullptr);
        EXPECT_EQ(viewer.Window()->CurrentPage(), QStringLiteral("found-files.html"));
        viewer.Window()->ShowTopic(0);
        dlg.EndDialog(IDCANCEL);
    }
}
