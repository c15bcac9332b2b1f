// The wizard sheet's rules: which buttons each page shows and where, the pages shown as dialogs, the
// options reset on page 0, the commands, a failed initialisation, and the language menu and change.
#include "wizard/CWizardSheet.h"

#include "controller/CWizardSheetController.h"
#include "controls/CMaskedBitmap.h"
#include "controls/CResourceLibrary.h"
#include "controls/CXPMenu.h"
#include "controls/MessageBox.h"
#include "core/CRecoverySettings.h"
#include "core/LanguageHelpers.h"
#include "platform/Settings.h"
#include "wizard/tests/WizardTestSupport.h"

#include <QApplication>
#include <QTest>
#include <gtest/gtest.h>

namespace {

// Pages 0, 1 and 9, and page 5 shown as a dialog.
std::vector<WizardPageEntry> FakeTable(FakePage** pages)
{
    std::vector<WizardPageEntry> table;
    for (auto [index, dialog] : {std::pair{WP_RECOVERY_MODE, false}, std::pair{WP_DELETE_RECOVERY_VOLUME, false},
                                 std::pair{WP_SAVE_RESULT, true}, std::pair{WP_FILE_SELECT, false}}) {
        table.push_back({index, [pages, index, dialog]() -> std::unique_ptr<CWizardPage> {
                             auto page = std::make_unique<FakePage>(100 + index, dialog);
                             pages[index] = page.get();
                             return page;
                         }});
    }
    return table;
}

class WizardSheet : public ::testing::Test {
protected:
    void SetUp() override
    {
        CResourceLibrary::Instance().UnloadLanguageBundle();
        sheet =
            std::make_unique<CWizardSheet>(CWizardSheet::kLogoBitmap, CWizardSheet::kBottomBitmap, FakeTable(pages));
        ASSERT_EQ(sheet->GetInitError(), 0);
        controller.SetWizardSheet(sheet.get());
        sheet->SetController(&controller);
        sheet->SetHost(&host);
        frame.resize(1000, 700);
        ASSERT_TRUE(sheet->Create(&frame, 1314));
        sheet->setGeometry(0, 0, 1000, 700);
        frame.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&frame));
    }
    void TearDown() override { sheet.reset(); }

    bool Visible(QWidget& w) const { return w.isVisibleTo(&frame); }

    FakePage* pages[WP_PAGE_COUNT] = {};
    FrameStandIn frame;
    RecordingHost host;
    CWizardSheetController controller;
    std::unique_ptr<CWizardSheet> sheet;
};

TEST_F(WizardSheet, ButtonsAndLinksFollowThePage)
{
    struct Case {
        WIZARD_PAGE page;
        bool nav, next, recover, homeLink;
    } cases[] = {
        {WP_RECOVERY_MODE, false, false, false, true},
        {WP_DELETE_RECOVERY_VOLUME, true, true, false, false},
        {WP_FILE_SELECT, true, false, true, false},
        {WP_FILE_SELECT, true, false, true, false}, // again: it stays shown
        {WP_RECOVERY_MODE, false, false, false, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(int(c.page));
        sheet->SetActivePage(c.page);
        EXPECT_EQ(sheet->GetCurrentIndex(), c.page);
        EXPECT_EQ(Visible(sheet->HomeButton()), c.nav);
        EXPECT_EQ(Visible(sheet->BackButton()), c.nav);
        EXPECT_EQ(Visible(sheet->NextButton()), c.next);
        EXPECT_EQ(Visible(sheet->RecoverButton()), c.recover);
        EXPECT_EQ(Visible(sheet->HomeLinkButton()), c.homeLink);
        EXPECT_EQ(Visible(sheet->LanguageButton()), c.homeLink);
        EXPECT_TRUE(Visible(sheet->AboutButton()));
        EXPECT_EQ(host.resizable.back(), c.page != WP_RECOVERY_MODE);
        for (int i : {0, 1, 9}) {
            EXPECT_EQ(Visible(*pages[i]), i == c.page) << "page " << i;
        }
        EXPECT_EQ(pages[c.page]->geometry(), sheet->PageRect());
    }
    EXPECT_EQ(sheet->PageRect(), QRect(0, 80, 1000, 570));
}

TEST_F(WizardSheet, DialogPagesAndMissingPagesLeaveTheSheetAsItWas)
{
    sheet->SetActivePage(WP_FILE_SELECT);
    sheet->SetActivePage(WP_SAVE_RESULT);
    EXPECT_EQ(pages[WP_SAVE_RESULT]->dialogRuns, 1);
    sheet->SetActivePage(WP_LOST_RECOVERY_DISK); // no such page in this wizard
    EXPECT_EQ(sheet->GetCurrentIndex(), WP_FILE_SELECT);
    EXPECT_TRUE(Visible(*pages[WP_FILE_SELECT]));
    EXPECT_TRUE(Visible(sheet->RecoverButton()));
    EXPECT_FALSE(Visible(sheet->NextButton()));
}

TEST_F(WizardSheet, NavigationButtonsSitInTheBottomStrip)
{
    for (WIZARD_PAGE page : {WP_DELETE_RECOVERY_VOLUME, WP_FILE_SELECT}) {
        sheet->SetActivePage(page);
        const QRect strip = sheet->BottomStripRect();
        CButtonPlus& right = page == WP_FILE_SELECT ? sheet->RecoverButton() : sheet->NextButton();
        const QRect r = right.geometry(), b = sheet->BackButton().geometry(), h = sheet->HomeButton().geometry();
        ASSERT_FALSE(r.isEmpty());
        EXPECT_EQ(r.x() + r.width(), strip.x() + strip.width() - 50);
        EXPECT_EQ(b.x() + b.width(), r.x() - 55);
        EXPECT_EQ(h.x(), strip.x() + 50);
        EXPECT_EQ(r.y(), strip.y() + (strip.height() - r.height()) / 2 + 2);
    }
    EXPECT_EQ(sheet->HomeLinkButton().pos(), QPoint(10, 0));
    const QRect about = sheet->AboutButton().geometry();
    EXPECT_EQ(about.x() + about.width(), 1000);
    EXPECT_EQ(sheet->SupportLinkButton().geometry().right() + 1, about.x());
}

// A maximised window is wider than the strips: their titles and pictures keep their size at the left and
// their background runs on to the right edge, where the last column of the strip repeats.
TEST_F(WizardSheet, AWideWindowKeepsTheStripsUnstretched)
{
    sheet->SetActivePage(WP_FILE_SELECT);
    frame.resize(1800, 900);
    sheet->setGeometry(0, 0, 1800, 900);
    QApplication::processEvents();
    CMaskedBitmap title;
    ASSERT_TRUE(title.LoadBitmap(sheet->CurrentTitleBitmap()));
    const QImage strip = title.Image().convertToFormat(QImage::Format_RGB32);
    ASSERT_LT(strip.width(), 1800);
    const QImage shot = sheet->grab().toImage().convertToFormat(QImage::Format_RGB32);
    // Title text and picture, below the row of link buttons: the strip's own pixels.
    const int below = 24;
    EXPECT_EQ(shot.copy(0, below, 600, strip.height() - below), strip.copy(0, below, 600, strip.height() - below));
    for (int y : {below + 6, strip.height() / 2, strip.height() - 5})
        for (int x : {strip.width() + 10, 1790})
            EXPECT_EQ(shot.pixel(x, y), strip.pixel(strip.width() - 1, y)) << x << "," << y;
}

TEST_F(WizardSheet, CommandsReachTheCurrentController)
{
    sheet->SetActivePage(WP_FILE_SELECT);
    CountingController& c = pages[WP_FILE_SELECT]->controller;
    QTest::mouseClick(&sheet->RecoverButton(), Qt::LeftButton);
    EXPECT_EQ(c.nexts, 1);
    QTest::mouseClick(&sheet->BackButton(), Qt::LeftButton);
    EXPECT_EQ(c.back, 1);

    std::vector<MessageBoxRequest> asked;
    int answer = IDNO;
    CScopedMessageBoxResponder responder([&](const MessageBoxRequest& r) {
        asked.push_back(r);
        return answer;
    });
    QTest::mouseClick(&sheet->HomeButton(), Qt::LeftButton);
    EXPECT_EQ(c.home, 0);
    answer = IDYES;
    QTest::mouseClick(&sheet->HomeButton(), Qt::LeftButton);
    EXPECT_EQ(c.home, 1);
    ASSERT_EQ(asked.size(), 2u);
    EXPECT_EQ(asked[0].text, QStringLiteral("Are you sure to return to home page?"));
    EXPECT_EQ(asked[0].type, MB_YESNO | MB_ICONQUESTION);

    QTest::mouseClick(&sheet->AboutButton(), Qt::LeftButton);
    EXPECT_EQ(host.aboutShown, 1);
    EXPECT_EQ(sheet->GetCurrentHelpContextId(), 109);

    sheet->EnableNextButton(false);
    EXPECT_FALSE(sheet->NextButton().isEnabled());
    sheet->EnableNextButton(true);
    EXPECT_TRUE(sheet->NextButton().isEnabled());
}

TEST_F(WizardSheet, PageZeroResetsTheScanOptions)
{
    CRecoverySettings* s = GetRecoverySettings();
    sheet->SetActivePage(WP_DELETE_RECOVERY_VOLUME);
    s->m_useBootRecords = 0;
    s->m_ignoreBadSectors = 0;
    s->m_fatUseSecondCopy = 0;
    s->m_ntfsMftFilesOnly = 1;
    s->m_rawFilesOnly = 1;
    s->m_maxRawFileSize = 7;
    s->m_ext2TreeRoot = reinterpret_cast<CFileNode*>(s);
    s->m_rawTypeIds = {9, 35};
    s->m_recoveryMode = 2;
    s->m_photoMode = 1;
    sheet->SetActivePage(WP_RECOVERY_MODE);
    EXPECT_EQ(s->m_useBootRecords, 1);
    EXPECT_EQ(s->m_ignoreBadSectors, 1);
    EXPECT_EQ(s->m_fatUseSecondCopy, 1);
    EXPECT_EQ(s->m_ntfsMftFilesOnly, 0);
    EXPECT_EQ(s->m_rawFilesOnly, 0);
    EXPECT_EQ(s->m_maxRawFileSize, 50000000u);
    EXPECT_EQ(s->m_ext2TreeRoot, nullptr);
    // Kept: the RAW types and the mode.
    EXPECT_EQ(s->m_rawTypeIds, (std::vector<int>{9, 35}));
    EXPECT_EQ(s->m_recoveryMode, 2);
    EXPECT_EQ(s->m_photoMode, 1);
    s->m_recoveryMode = 0;
    s->m_photoMode = 0;
}

TEST_F(WizardSheet, LanguageMenuAndChange)
{
    CXPMenu menu;
    sheet->BuildOptionsMenu(menu);
    ASSERT_EQ(menu.actions().size(), 3);
    EXPECT_EQ(CXPMenu::CommandId(menu.actions()[0]), 1021u);
    EXPECT_TRUE(menu.actions()[0]->isChecked()); // the program runs in English
    EXPECT_EQ(CXPMenu::CommandId(menu.actions()[1]), 1022u);
    EXPECT_FALSE(menu.actions()[1]->isChecked());
    EXPECT_EQ(CXPMenu::CommandId(menu.actions()[2]), 1023u);

    sheet->SetActivePage(WP_DELETE_RECOVERY_VOLUME);
    CXPMenu other;
    sheet->BuildOptionsMenu(other);
    EXPECT_TRUE(other.actions().isEmpty());
    sheet->SetActivePage(WP_RECOVERY_MODE);

    plat::SettingsFile settings = plat::SettingsFile::Default();
    ASSERT_TRUE(settings.WriteString(kLanguageKey, kLanguageValue, "English"));
    auto stored = [&] {
        std::string v;
        settings.ReadString(kLanguageKey, kLanguageValue, v);
        return v;
    };
    std::vector<QString> asked;
    int answer = IDCANCEL;
    CScopedMessageBoxResponder responder([&](const MessageBoxRequest& r) {
        asked.push_back(r.text);
        return answer;
    });

    sheet->OnCommand(1021); // the language in use: nothing at all
    sheet->OnCommand(1020); // no language there
    EXPECT_TRUE(asked.empty());

    sheet->OnCommand(1022); // cancelled
    ASSERT_EQ(asked.size(), 1u);
    EXPECT_EQ(asked[0], QStringLiteral("You have modified the system setting, please restart to apply. Restart now?"));
    EXPECT_EQ(stored(), "English");
    EXPECT_EQ(host.restarts, 0);
    QApplication::processEvents();
    EXPECT_TRUE(frame.messages.empty());

    answer = IDOK;
    sheet->OnCommand(1022);
    EXPECT_EQ(stored(), "Japanese");
    EXPECT_EQ(host.restarts, 1);
    EXPECT_EQ(frame.messages, std::vector<unsigned>{UM_CLOSE_APP});

    // Without a way to restart: the message, then the program closes all the same.
    host.restartPossible = false;
    asked.clear();
    frame.messages.clear();
    sheet->OnCommand(1023);
    EXPECT_EQ(stored(), "Deutsch");
    ASSERT_EQ(asked.size(), 2u);
    EXPECT_EQ(asked[1], QStringLiteral("Please restart the program manually!"));
    EXPECT_EQ(frame.messages, std::vector<unsigned>{UM_CLOSE_APP});
}

TEST(WizardSheetInit, AFailedPageFailsTheSheet)
{
    std::vector<WizardPageEntry> table = {
        {WP_RECOVERY_MODE, []() -> std::unique_ptr<CWizardPage> { return std::make_unique<FakePage>(1); }},
        {WP_TYPE_OF_FILE, []() -> std::unique_ptr<CWizardPage> { return nullptr; }},
    };
    CWizardSheet sheet(CWizardSheet::kLogoBitmap, CWizardSheet::kBottomBitmap, table);
    EXPECT_EQ(sheet.GetInitError(), CWizardSheet::kInitFailed);
    EXPECT_TRUE(sheet.GetInitErrorText().startsWith(QStringLiteral("Init CWizardSheet is false error=0x1001")));
    QWidget parent;
    EXPECT_FALSE(sheet.Create(&parent, 1314));
    EXPECT_EQ(sheet.GetCurrentPage(), nullptr);
    sheet.setParent(nullptr);

    // A missing strip fails it too.
    CWizardSheet noBottom(CWizardSheet::kLogoBitmap, 59999, {});
    EXPECT_EQ(noBottom.GetInitError(), CWizardSheet::kInitFailed);
}

TEST(WizardSheetInit, TitleBitmapByModeAndPage)
{
    struct Case {
        int page, mode;
        bool photo;
        unsigned expected;
    } cases[] = {
        {0, 2, false, 134},
        {10, 0, false, 517},
        {1, 0, false, 517},
        {9, 0, false, 515},
        {10, 1, false, 520},
        {10, 1, true, 546},
        {7, 1, true, 545},
        {7, 1, false, 518},
        // The file choice and the saving pages show no partition choice.
        {9, 1, false, 519},
        {9, 1, true, 547},
        {5, 1, false, 519},
        {6, 1, true, 547},
        {3, 2, false, 523},
        {8, 2, false, 524},
        {9, 2, false, 521},
        {4, 2, false, 524},
        {5, 0, false, 515},
        {6, 2, false, 521},
        {2, 0, false, 99}, // a page no mode shows keeps the last
    };
    for (const Case& c : cases)
        EXPECT_EQ(CWizardSheet::ChooseTitleBitmap(c.page, c.mode, c.photo, 99), c.expected)
            << c.page << " " << c.mode << " " << c.photo;
}

TEST(WizardPageBase, RectanglesFollowTheSize)
{
    const CWizardPage::Rects r = CWizardPage::ComputeRects(400, 300);
    EXPECT_EQ(r.title, (RECT{50, 0, 350, 30}));
    EXPECT_EQ(r.subtitle, (RECT{50, 30, 350, 61}));
    EXPECT_EQ(r.bottom, (RECT{50, 264, 350, 290}));
    EXPECT_EQ(r.bottom.Height(), 26);
}

} // namespace
