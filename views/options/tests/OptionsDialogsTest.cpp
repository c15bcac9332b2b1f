// The Options dialog and the about box driven through their widgets offscreen: OK writes every option,
// Cancel (after Default too) leaves them and the RAW type list alone, the RAW page's size is clamped and
// its selection brings container types along, the about box shows the libraries and opens its link
// through a scripted opener; screenshots of each page in each language.
#include "views/options/CAboutFreeDlg.h"
#include "views/options/CAdvanceSettingCheckPage.h"
#include "views/options/CAdvanceSettingMasterDlg.h"
#include "views/options/CAdvanceSettingRAWPage.h"

#include "controls/CHelpViewer.h"
#include "controls/CHelpWindow.h"
#include "controls/CHyperLink.h"
#include "controls/CRawFileTypeTreeCtrl.h"
#include "controls/CResourceLibrary.h"
#include "controls/ControlFont.h"
#include "controls/MessageBox.h"
#include "controls/WindowMessages.h"
#include "core/CRecoverySettings.h"
#include "core/filetypes/RawTypeTable.h"
#include "core/VersionString.h"

#include <QApplication>
#include <QDir>
#include <QLabel>
#include <QPushButton>
#include <QTest>
#include <gtest/gtest.h>

#include <zlib.h>

#include <cstdlib>
#include <limits>

namespace {

// Warnings are failures here, and the platform plugin gets a private runtime folder.
const bool kEnvironmentSet = [] {
    setenv("QT_FATAL_WARNINGS", "1", 1);
    char dir[] = "/tmp/salvix-options-XXXXXX";
    if (mkdtemp(dir)) setenv("XDG_RUNTIME_DIR", dir, 1); // mkdtemp makes it 0700
    return true;
}();

// Puts the options back as the process starts with them around each test.
class OptionsTest : public ::testing::Test {
protected:
    void SetUp() override { Reset(); }
    void TearDown() override { Reset(); }
    static void Reset()
    {
        CRecoverySettings* s = GetRecoverySettings();
        s->ResetScanOptions();
        s->m_rawTypeIds.clear();
        for (int id = 1; id <= 73; ++id) s->m_rawTypeIds.push_back(id);
    }
    static void Click(QAbstractButton* b)
    {
        ASSERT_TRUE(b);
        ASSERT_TRUE(b->isEnabled());
        QTest::mouseClick(b, Qt::LeftButton, {}, QPoint(4, b->height() / 2));
    }
    static QTreeWidgetItem* FindType(CRawFileTypeTreeCtrl* tree, int id)
    {
        for (int g = 0; g < tree->topLevelItemCount(); ++g)
            for (int t = 0; t < tree->topLevelItem(g)->childCount(); ++t)
                if (CRawFileTypeTreeCtrl::GetTypeId(tree->topLevelItem(g)->child(t)) == id)
                    return tree->topLevelItem(g)->child(t);
        return nullptr;
    }
};

QString ScreenshotFolder()
{
    const QString dir = QDir::cleanPath(QStringLiteral(SALVIX_BUILD_DATA_DIR "/../screenshots"));
    QDir().mkpath(dir);
    return dir;
}

} // namespace

TEST_F(OptionsTest, OpensOnTheFatPageAndTabsSwitchPages)
{
    CAdvanceSettingMasterDlg dlg(1, nullptr);
    dlg.ShowModeless();
    EXPECT_EQ(dlg.CurrentPage(), CAdvanceSettingMasterDlg::kPageFat);
    EXPECT_FALSE(dlg.TabButton(CAdvanceSettingMasterDlg::kPageFat)->isEnabled());
    EXPECT_TRUE(dlg.CheckPage(CAdvanceSettingMasterDlg::kPageFat)->isVisible());
    Click(dlg.TabButton(CAdvanceSettingMasterDlg::kPageRaw));
    EXPECT_EQ(dlg.CurrentPage(), CAdvanceSettingMasterDlg::kPageRaw);
    EXPECT_TRUE(dlg.RawPage()->isVisible());
    EXPECT_FALSE(dlg.CheckPage(CAdvanceSettingMasterDlg::kPageFat)->isVisible());
    EXPECT_FALSE(dlg.TabButton(CAdvanceSettingMasterDlg::kPageRaw)->isEnabled());
    EXPECT_TRUE(dlg.TabButton(CAdvanceSettingMasterDlg::kPageFat)->isEnabled());
    // The hidden options are carried but not shown.
    EXPECT_FALSE(dlg.CheckPage(CAdvanceSettingMasterDlg::kPageFat)->Box(1099)->isVisibleTo(&dlg));
    EXPECT_FALSE(dlg.CheckPage(CAdvanceSettingMasterDlg::kPageCommon)->Box(1058)->isVisibleTo(&dlg));
    dlg.EndDialog(IDCANCEL);
}

// The buttons are skin bitmaps: the tab of the page shown draws its active face, white like the page it
// stands on; each check page shows its pictures; the RAW tree draws a type's icon between check and text.
TEST_F(OptionsTest, DrawsBitmapButtonsActiveTabPicturesAndTreeIcons)
{
    CAdvanceSettingMasterDlg dlg(1, nullptr);
    dlg.ShowModeless();
    for (unsigned id : {CAdvanceSettingMasterDlg::kDefaultId, 1u, 2u}) {
        CButtonPlus* b = dlg.Button(id);
        ASSERT_TRUE(b);
        EXPECT_FALSE(b->GetBitmapSize().isEmpty()) << id;
        EXPECT_EQ(b->size(), b->GetBitmapSize()) << id;
        EXPECT_LE(b->geometry().bottom(), dlg.height()) << id;
    }
    const QRect area = dlg.PageArea();
    for (int p = 0; p < CAdvanceSettingMasterDlg::kPageCount; ++p) {
        CButtonPlus* tab = dlg.TabButton(CAdvanceSettingMasterDlg::Page(p));
        EXPECT_EQ(tab->geometry().bottom() + 1, area.top()) << p; // standing on the pages
        EXPECT_LE(tab->geometry().right(), area.right()) << p;
    }
    auto tabFaceColour = [&](CAdvanceSettingMasterDlg::Page p) {
        const QImage face = dlg.TabButton(p)->grab().toImage();
        return QColor(face.pixel(face.width() / 6, face.height() - 3));
    };
    EXPECT_EQ(tabFaceColour(CAdvanceSettingMasterDlg::kPageFat), QColor(Qt::white)); // shown: active
    EXPECT_NE(tabFaceColour(CAdvanceSettingMasterDlg::kPageNtfs), QColor(Qt::white));
    Click(dlg.TabButton(CAdvanceSettingMasterDlg::kPageNtfs));
    EXPECT_EQ(tabFaceColour(CAdvanceSettingMasterDlg::kPageNtfs), QColor(Qt::white));
    EXPECT_NE(tabFaceColour(CAdvanceSettingMasterDlg::kPageFat), QColor(Qt::white));

    const struct {
        CAdvanceSettingMasterDlg::Page page;
        std::vector<unsigned> pictures;
    } pages[] = {{CAdvanceSettingMasterDlg::kPageNtfs, {1181, 1182, 1183}},
                 {CAdvanceSettingMasterDlg::kPageFat, {1179, 1180}},
                 {CAdvanceSettingMasterDlg::kPageCommon, {1178}}};
    for (const auto& page : pages) {
        dlg.ShowPage(page.page);
        for (unsigned id : page.pictures) {
            QLabel* picture = dlg.CheckPage(page.page)->Picture(id);
            ASSERT_TRUE(picture) << id;
            EXPECT_TRUE(picture->isVisible()) << id;
            EXPECT_FALSE(picture->pixmap().isNull()) << id;
        }
    }

    Click(dlg.TabButton(CAdvanceSettingMasterDlg::kPageRaw));
    CRawFileTypeTreeCtrl* tree = dlg.RawPage()->Tree();
    QTreeWidgetItem* png = FindType(tree, 47);
    ASSERT_TRUE(png);
    tree->scrollToItem(png);
    QApplication::processEvents();
    EXPECT_FALSE(png->icon(0).isNull());
    const QRect row = tree->visualItemRect(png);
    const QImage shot = tree->viewport()->grab().toImage();
    const QColor base = tree->palette().color(QPalette::Base);
    int inked = 0;
    for (int x = row.left() + CRawFileTypeTreeCtrl::kStateWidth;
         x < row.left() + CRawFileTypeTreeCtrl::kStateWidth + CRawFileTypeTreeCtrl::kPictureWidth; ++x)
        for (int y = row.top(); y <= row.bottom(); ++y)
            if (QColor(shot.pixel(x, y)) != base) ++inked;
    EXPECT_GT(inked, 20); // the icon, not an empty column
    dlg.EndDialog(IDCANCEL);
}

TEST_F(OptionsTest, CancelAfterChangesAndDefaultLeavesEveryOption)
{
    CRecoverySettings* s = GetRecoverySettings();
    s->m_rawTypeIds = {9, 33};
    s->m_maxRawFileSize = 1234;
    s->m_recoverRawFiles = 0;
    CAdvanceSettingMasterDlg dlg(1, nullptr);
    dlg.ShowModeless();
    Click(dlg.CheckPage(CAdvanceSettingMasterDlg::kPageFat)->Box(1098));
    Click(dlg.TabButton(CAdvanceSettingMasterDlg::kPageCommon));
    Click(dlg.CheckPage(CAdvanceSettingMasterDlg::kPageCommon)->Box(1113));
    Click(dlg.Button(CAdvanceSettingMasterDlg::kDefaultId));
    EXPECT_TRUE(dlg.RawPage()->RecoverRawBox()->isChecked());
    EXPECT_EQ(dlg.RawPage()->SizeEdit()->text(), QStringLiteral("50000000"));
    Click(dlg.Button(2));
    EXPECT_EQ(s->m_fatCheckDate, 1);
    EXPECT_EQ(s->m_ignoreBadSectors, 1);
    EXPECT_EQ(s->m_ntfsMftFilesOnly, 0);
    EXPECT_EQ(s->m_recoverRawFiles, 0);
    EXPECT_EQ(s->m_maxRawFileSize, 1234u);
    EXPECT_EQ(s->m_rawTypeIds, (std::vector<int>{9, 33})); // Default touched only the tree
}

TEST_F(OptionsTest, OkWritesTheChangedOptions)
{
    CRecoverySettings* s = GetRecoverySettings();
    CAdvanceSettingMasterDlg dlg(1, nullptr);
    dlg.ShowModeless();
    Click(dlg.CheckPage(CAdvanceSettingMasterDlg::kPageFat)->Box(1101));
    Click(dlg.TabButton(CAdvanceSettingMasterDlg::kPageNtfs));
    Click(dlg.CheckPage(CAdvanceSettingMasterDlg::kPageNtfs)->Box(1056));
    Click(dlg.TabButton(CAdvanceSettingMasterDlg::kPageCommon));
    Click(dlg.CheckPage(CAdvanceSettingMasterDlg::kPageCommon)->Box(1113));
    Click(dlg.TabButton(CAdvanceSettingMasterDlg::kPageRaw));
    QLineEdit* edit = dlg.RawPage()->SizeEdit();
    edit->selectAll();
    QTest::keyClicks(edit, QStringLiteral("4096"));
    Click(dlg.RawPage()->RawOnlyBox());
    Click(dlg.Button(1));
    EXPECT_EQ(s->m_fatUseSecondCopy, 0);
    EXPECT_EQ(s->m_fatUseFirstCopy, 1);
    EXPECT_EQ(s->m_ntfsUseMft, 0);
    EXPECT_EQ(s->m_ignoreBadSectors, 0);
    EXPECT_EQ(s->m_maxRawFileSize, 4096u);
    EXPECT_EQ(s->m_rawFilesOnly, 1);
    EXPECT_EQ(s->m_recoverRawFiles, 1);
}

TEST_F(OptionsTest, DefaultThenOkSetsThePageDefaultsAndRebuildsTheTypeList)
{
    CRecoverySettings* s = GetRecoverySettings();
    s->m_rawTypeIds = {9};
    CAdvanceSettingMasterDlg dlg(1, nullptr);
    dlg.ShowModeless();
    Click(dlg.Button(CAdvanceSettingMasterDlg::kDefaultId));
    Click(dlg.Button(1));
    EXPECT_EQ(s->m_ntfsMftFilesOnly, 1);
    EXPECT_EQ(s->m_maxRawFileSize, 50000000u);
    // Ids without a row drop out; 44 and 46 come back through their companions, 68 is there and once more per
    // Office 2007 type.
    const std::vector<int>& ids = s->m_rawTypeIds;
    for (int gone : {20, 26, 49, 55}) EXPECT_EQ(std::count(ids.begin(), ids.end(), gone), 0) << gone;
    EXPECT_EQ(std::count(ids.begin(), ids.end(), 44), 12);
    EXPECT_EQ(std::count(ids.begin(), ids.end(), 46), 2);
    EXPECT_EQ(std::count(ids.begin(), ids.end(), 68), 4);
    EXPECT_EQ(ids.size(), 68u + 12 + 1 + 3);
}

TEST_F(OptionsTest, OneCheckedOfficeTypeBringsItsContainer)
{
    CRecoverySettings* s = GetRecoverySettings();
    s->m_rawTypeIds = {69};
    CAdvanceSettingMasterDlg dlg(1, nullptr);
    dlg.ShowModeless();
    EXPECT_EQ(CRawFileTypeTreeCtrl::GetCheckState(FindType(dlg.RawPage()->Tree(), 69)), 2);
    EXPECT_EQ(CRawFileTypeTreeCtrl::GetCheckState(FindType(dlg.RawPage()->Tree(), 68)), 0);
    Click(dlg.Button(1));
    EXPECT_EQ(s->m_rawTypeIds, (std::vector<int>{69, 68}));
}

TEST_F(OptionsTest, RecoverRawOffClearsRawOnlyAndDisablesTheTree)
{
    CRecoverySettings* s = GetRecoverySettings();
    s->m_rawFilesOnly = 1;
    CAdvanceSettingMasterDlg dlg(1, nullptr);
    dlg.ShowModeless();
    Click(dlg.TabButton(CAdvanceSettingMasterDlg::kPageRaw));
    CAdvanceSettingRAWPage* raw = dlg.RawPage();
    EXPECT_TRUE(raw->RawOnlyBox()->isChecked());
    Click(raw->RecoverRawBox());
    EXPECT_FALSE(raw->RawOnlyBox()->isChecked());
    EXPECT_FALSE(raw->RawOnlyBox()->isEnabled());
    EXPECT_FALSE(raw->SizeEdit()->isEnabled());
    EXPECT_FALSE(raw->Tree()->isEnabled());
    Click(dlg.Button(1));
    EXPECT_EQ(s->m_recoverRawFiles, 0);
    EXPECT_EQ(s->m_rawFilesOnly, 0);
}

TEST_F(OptionsTest, WithoutRawOnlyAndWithALockedTreeTheChecksStillCount)
{
    CRecoverySettings* s = GetRecoverySettings();
    s->m_rawTypeIds = {33};
    CAdvanceSettingMasterDlg dlg(0, nullptr);
    dlg.EnableRawTypeTree(0);
    dlg.ShowModeless();
    EXPECT_FALSE(dlg.RawPage()->RawOnlyBox()->isEnabled());
    EXPECT_FALSE(dlg.RawPage()->Tree()->isEnabled());
    Click(dlg.Button(CAdvanceSettingMasterDlg::kDefaultId)); // the locked tree keeps its checks
    Click(dlg.Button(1));
    EXPECT_EQ(s->m_rawTypeIds, (std::vector<int>{33}));
}

// A main window that records the help topics asked of it.
class HelpOwner : public QWidget {
public:
    std::vector<WPARAM> topics;

protected:
    void customEvent(QEvent* e) override
    {
        if (CWindowMessage* m = CWindowMessage::From(e); m && m->Message() == UM_SHOW_HELP) {
            topics.push_back(m->WParam());
            m->SetResult(1);
        }
    }
};

TEST_F(OptionsTest, F1AsksTheOwnerForHelpTopic46)
{
    HelpOwner owner;
    CAdvanceSettingMasterDlg dlg(1, &owner);
    dlg.ShowModeless();
    QTest::keyClick(&dlg, Qt::Key_F1);
    EXPECT_EQ(owner.topics, (std::vector<WPARAM>{46}));
    dlg.EndDialog(IDCANCEL);
}

TEST_F(OptionsTest, F1WithoutOwnerOpensTheHelpWindowAtTheOptionsPage)
{
    // As the default controller runs it: no owner, so the dialog opens the topic itself.
    CHelpViewer viewer("English");
    CAdvanceSettingMasterDlg dlg(0, nullptr);
    dlg.ShowModeless();
    QTest::keyClick(dlg.Button(CAdvanceSettingMasterDlg::kDefaultId), Qt::Key_F1); // the key goes up to the dialog
    ASSERT_NE(viewer.Window(), nullptr);
    EXPECT_EQ(viewer.Window()->CurrentPage(), QStringLiteral("options.html"));
    EXPECT_TRUE(viewer.Window()->isVisible());
    dlg.EndDialog(IDCANCEL);
}

TEST_F(OptionsTest, HeaderScriptTypesAreListedAndCollected)
{
    const int custom = ClaimCustomRawType("xyz");
    ASSERT_GE(custom, kRawTypeFirstCustom);
    CRecoverySettings* s = GetRecoverySettings();
    s->m_rawTypeIds = {custom};
    {
        CAdvanceSettingMasterDlg dlg(1, nullptr);
        dlg.ShowModeless();
        CRawFileTypeTreeCtrl* tree = dlg.RawPage()->Tree();
        ASSERT_EQ(tree->topLevelItemCount(), 7);
        QTreeWidgetItem* item = FindType(tree, custom);
        ASSERT_TRUE(item);
        EXPECT_EQ(item->text(0), QStringLiteral("(.xyz)"));
        EXPECT_EQ(CRawFileTypeTreeCtrl::GetCheckState(item), 2);
        tree->ToggleItem(FindType(tree, 9));
        Click(dlg.Button(1));
    }
    EXPECT_EQ(s->m_rawTypeIds, (std::vector<int>{9, custom}));
    ResetCustomRawTypesForTest();
}

TEST(RawOptionsPage, SizeTextsAreReadAsTheirLeadingNumberAndClamped)
{
    constexpr uint64_t kMax = std::numeric_limits<uint64_t>::max();
    const struct {
        const char* text;
        uint64_t size;
    } cases[] = {{"123abc", 123},
                 {"abc", 0},
                 {"-5", 0},
                 {"", 0},
                 {"18446744073709551615", kMax},
                 {"18446744073709551616", kMax},
                 {"99999999999999999999999", kMax}};
    for (const auto& c : cases)
        EXPECT_EQ(CAdvanceSettingRAWPage::ParseSize(QString::fromLatin1(c.text)), c.size) << c.text;
}

TEST_F(OptionsTest, TypingALongSizeShowsTheClampedNumber)
{
    CAdvanceSettingMasterDlg dlg(1, nullptr);
    dlg.ShowModeless();
    Click(dlg.TabButton(CAdvanceSettingMasterDlg::kPageRaw));
    QLineEdit* edit = dlg.RawPage()->SizeEdit();
    edit->selectAll();
    QTest::keyClicks(edit, QStringLiteral("123456789012345678901x"));
    EXPECT_EQ(edit->text(), QStringLiteral("18446744073709551615"));
    edit->selectAll();
    QTest::keyClicks(edit, QStringLiteral("7z"));
    EXPECT_EQ(edit->text(), QStringLiteral("7"));
    Click(dlg.Button(1));
    EXPECT_EQ(GetRecoverySettings()->m_maxRawFileSize, 7u);
}

TEST(AboutBox, ShowsVersionLibrariesAndOpensTheLinkThroughTheOpener)
{
    QList<QUrl> opened;
    LinkDesktop desk;
    desk.openUrl = [&](const QUrl& url) {
        opened.push_back(url);
        return true;
    };
    CHyperLink::SetDesktop(&desk);
    CAboutFreeDlg dlg(nullptr);
    dlg.ShowModeless();
    EXPECT_TRUE(dlg.NameLabel()->text().endsWith(QString::fromLatin1(GetVersionString())));
    const auto libs = CAboutFreeDlg::Libraries();
    ASSERT_EQ(libs.size(), 7u);
    for (const auto& lib : libs) {
        EXPECT_FALSE(lib.version.isEmpty()) << lib.name.toStdString();
        EXPECT_TRUE(dlg.LibrariesLabel()->text().contains(lib.name)) << lib.name.toStdString();
    }
    EXPECT_EQ(libs[2].version, QString::fromLatin1(zlibVersion()));
    EXPECT_EQ(libs[0].version, QString::fromLatin1(qVersion()));
    QTest::mouseClick(dlg.Link(), Qt::LeftButton, {}, QPoint(3, 3));
    ASSERT_EQ(opened.size(), 1);
    EXPECT_EQ(opened[0], QUrl(CAboutFreeDlg::SupportUrl()));
    CHyperLink::SetDesktop(nullptr);
    dlg.EndDialog(IDOK);
}

TEST_F(OptionsTest, ScreenshotsInEachLanguage)
{
    InstallFontSubstitutes();
    auto& lib = CResourceLibrary::Instance();
    const QString folder = ScreenshotFolder();
    GetRecoverySettings()->m_rawTypeIds = {9, 21, 33, 47, 68, 69, 70, 71};
    static const char* kPageNames[] = {"fat", "ntfs", "common", "raw"};
    for (const QString& language : {QStringLiteral("English"), QStringLiteral("Deutsch"), QStringLiteral("Japanese")}) {
        SCOPED_TRACE(language.toStdString());
        ASSERT_TRUE(lib.LoadLanguageBundle(QStringLiteral(SALVIX_BUILD_DATA_DIR "/") + language + ".rcc"));
        {
            CAdvanceSettingMasterDlg dlg(1, nullptr);
            dlg.ShowModeless();
            for (int p = 0; p < CAdvanceSettingMasterDlg::kPageCount; ++p) {
                dlg.ShowPage(CAdvanceSettingMasterDlg::Page(p));
                QApplication::processEvents();
                EXPECT_TRUE(dlg.grab().save(folder + "/options_" + kPageNames[p] + "_" + language + ".png"));
            }
            dlg.EndDialog(IDCANCEL);
        }
        {
            CAboutFreeDlg dlg(nullptr);
            dlg.ShowModeless();
            QApplication::processEvents();
            EXPECT_TRUE(dlg.grab().save(folder + "/about_" + language + ".png"));
            dlg.EndDialog(IDOK);
        }
    }
    lib.UnloadLanguageBundle();
}
