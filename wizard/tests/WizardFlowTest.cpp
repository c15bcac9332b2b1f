// The wizard with its real pages: mode buttons, hover descriptions, the file-type page's Next button and
// the way back; and screenshots of page 0 and the file-type page in each language under <build>/screenshots.
#include "wizard/CWizardSheet.h"

#include "controller/ModeDeviceControllers.h"

#include "controller/CRecoveryModeSelectController.h"
#include "controller/CTypeOfFileToRecoveryController.h"
#include "controller/CWizardSheetController.h"
#include "controls/CResourceLibrary.h"
#include "controls/MessageBox.h"
#include "core/CRecoverySettings.h"
#include "core/filetypes/CFileTypeFilter.h"
#include "core/filetypes/CMapFileTypeInfo.h"
#include "views/files/CTypeRecoveryDrawTreeCtrl.h"
#include "wizard/CRecoveryModeSelectPage.h"
#include "wizard/CTypeOfFileToRecoveryPage.h"
#include "wizard/tests/WizardTestSupport.h"

#include <QDir>
#include <QFileInfo>
#include <QMouseEvent>
#include <QTest>
#include <gtest/gtest.h>

#include <numeric>

namespace {

std::vector<int> AllFixedTypes()
{
    std::vector<int> ids(73);
    std::iota(ids.begin(), ids.end(), 1);
    return ids;
}

class WizardFlow : public ::testing::Test {
protected:
    void SetUp() override
    {
        CRecoverySettings* s = GetRecoverySettings();
        s->m_recoveryMode = 0;
        s->m_photoMode = 0;
        s->m_rawTypeIds = AllFixedTypes();
    }
    void TearDown() override
    {
        sheet.reset();
        GetFileTypeFilter().Load(CMapFileTypeInfo(), true);
    }

    void Open()
    {
        ASSERT_NO_FATAL_FAILURE(wizardtest::OpenSheetIn(frame, host, controller, sheet));
        modePage = static_cast<CRecoveryModeSelectPage*>(sheet->GetPage(WP_RECOVERY_MODE));
        typesPage = static_cast<CTypeOfFileToRecoveryPage*>(sheet->GetPage(WP_TYPE_OF_FILE));
        ASSERT_NE(modePage, nullptr);
        ASSERT_NE(typesPage, nullptr);
    }

    void Hover(QWidget* w)
    {
        QMouseEvent move(QEvent::MouseMove, QPointF(20, 20), w->mapToGlobal(QPointF(20, 20)), Qt::NoButton,
                         Qt::NoButton, Qt::NoModifier);
        QApplication::sendEvent(w, &move);
        QTest::qWait(20);
    }

    FrameStandIn frame;
    RecordingHost host;
    CWizardSheetController controller;
    std::unique_ptr<CWizardSheet> sheet;
    CRecoveryModeSelectPage* modePage = nullptr;
    CTypeOfFileToRecoveryPage* typesPage = nullptr;
};

TEST_F(WizardFlow, ModeButtonsSetTheModeAndShowTheFileTypePage)
{
    Open();
    struct Case {
        int button;
        int mode;
        int photo;
        unsigned title;
    } cases[] = {{0, 0, 0, 517}, {1, 1, 0, 520}, {2, 2, 0, 523}, {3, 1, 1, 546}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.button);
        sheet->SetActivePage(WP_RECOVERY_MODE);
        QTest::mouseClick(modePage->ModeButton(c.button), Qt::LeftButton);
        // A device page lists the volumes on a worker with the main window disabled until it is done.
        ASSERT_TRUE(QTest::qWaitFor([&] { return frame.isEnabled(); }, 30000));
        const CRecoverySettings* s = GetRecoverySettings();
        EXPECT_EQ(s->m_recoveryMode, c.mode);
        EXPECT_EQ(s->m_photoMode, c.photo);
        EXPECT_EQ(GetTypeOfFileToRecoveryController()->GetMode(), c.mode);
        // The file-type page's next has built the RAW list from the shipped catalogue (everything checked:
        // every type) and passed on to the mode's device page; modes without one stop on the file types.
        const int devicePage[] = {WP_DELETE_RECOVERY_VOLUME, WP_COMPLETE_RECOVERY_DEVICE, WP_LOST_RECOVERY_DISK};
        EXPECT_EQ(sheet->GetCurrentIndex(), GetModeDeviceController(c.mode) ? devicePage[c.mode] : WP_TYPE_OF_FILE);
        EXPECT_EQ(s->m_rawTypeIds, AllFixedTypes());
        sheet->repaint();
        EXPECT_EQ(sheet->CurrentTitleBitmap(), c.title);
        EXPECT_TRUE(sheet->NextButton().isVisible());
        EXPECT_TRUE(sheet->NextButton().isEnabled());
    }
}

TEST_F(WizardFlow, HoverShowsTheModesDescription)
{
    Open();
    EXPECT_EQ(modePage->DescriptionShown(),
              QStringLiteral("Salvix helps you to recover data due to deletion, format, partition loss, software "
                             "crash, virus attack, etc."));
    // The hover fires from a timer: on a loaded machine it can come after the first wait.
    const auto shows = [&](const QString& start) {
        return QTest::qWaitFor([&] { return modePage->DescriptionShown().startsWith(start); }, 5000);
    };
    Hover(modePage->ModeButton(1));
    EXPECT_TRUE(shows(QStringLiteral("Recover formatted files")));
    Hover(modePage->ModeButton(3));
    EXPECT_TRUE(shows(QStringLiteral("Recover photos")));
    QEvent leave(QEvent::Leave);
    QApplication::sendEvent(modePage->ModeButton(3), &leave);
    EXPECT_TRUE(modePage->DescriptionShown().startsWith(QStringLiteral("Salvix helps you")));
    // The description lies under the buttons and inside the page.
    const QRect text = modePage->DescriptionRect();
    EXPECT_GT(text.top(), modePage->ModeButton(0)->geometry().bottom());
    EXPECT_LE(text.bottom(), modePage->height());
}

TEST_F(WizardFlow, FileTypePageEnablesNextWhileATypeIsCheckedAndLeadsBack)
{
    Open();
    // The file types show on their own only in a mode without device page.
    SetModeDeviceController(kModePartition, nullptr);
    QTest::mouseClick(modePage->ModeButton(2), Qt::LeftButton);
    ASSERT_EQ(sheet->GetCurrentIndex(), WP_TYPE_OF_FILE);
    CTypeRecoveryDrawTreeCtrl* tree = typesPage->Tree();
    ASSERT_NE(tree, nullptr);
    EXPECT_EQ(tree->geometry(), typesPage->TreeRect());
    EXPECT_TRUE(typesPage->IsAllTypesChecked());

    const QPoint rootCheck = tree->DrawnStateRect(tree->RootItem()).center();
    QTest::mouseClick(tree->viewport(), Qt::LeftButton, {}, rootCheck);
    EXPECT_FALSE(sheet->NextButton().isEnabled());
    EXPECT_FALSE(typesPage->IsAllTypesChecked());
    // Pictures only: the RAW list holds just their types.
    QTest::mouseClick(tree->viewport(), Qt::LeftButton, {}, tree->DrawnStateRect(tree->ItemOf(1)).center());
    EXPECT_TRUE(sheet->NextButton().isEnabled());
    QTest::mouseClick(&sheet->NextButton(), Qt::LeftButton);
    const std::vector<int>& ids = GetRecoverySettings()->m_rawTypeIds;
    EXPECT_GT(ids.size(), 0u);
    EXPECT_LT(ids.size(), 73u);
    EXPECT_TRUE(std::is_sorted(ids.begin(), ids.end()));
    QTest::mouseClick(tree->viewport(), Qt::LeftButton, {}, rootCheck);
    EXPECT_TRUE(typesPage->IsAllTypesChecked());

    // Back leads to page 0; so does Home after its question.
    QTest::mouseClick(&sheet->BackButton(), Qt::LeftButton);
    EXPECT_EQ(sheet->GetCurrentIndex(), WP_RECOVERY_MODE);
    QTest::mouseClick(modePage->ModeButton(2), Qt::LeftButton);
    CScopedMessageBoxResponder yes([](const MessageBoxRequest&) { return IDYES; });
    QTest::mouseClick(&sheet->HomeButton(), Qt::LeftButton);
    EXPECT_EQ(sheet->GetCurrentIndex(), WP_RECOVERY_MODE);
    EXPECT_EQ(sheet->CurrentTitleBitmap(), 134u);
}

QString ScreenshotFolder()
{
    const QString dir = QDir::cleanPath(QStringLiteral(SALVIX_BUILD_DATA_DIR "/../screenshots"));
    QDir().mkpath(dir);
    return dir;
}

TEST_F(WizardFlow, ScreenshotsInEachLanguage)
{
    auto& lib = CResourceLibrary::Instance();
    const QString folder = ScreenshotFolder();
    for (const QString& language : {QStringLiteral("English"), QStringLiteral("Deutsch"), QStringLiteral("Japanese")}) {
        SCOPED_TRACE(language.toStdString());
        ASSERT_TRUE(lib.LoadLanguageBundle(QStringLiteral(SALVIX_BUILD_DATA_DIR "/") + language + ".rcc"));
        Open();
        EXPECT_EQ(sheet->CurrentLanguageIndex(), language == u"English" ? 1 : (language == u"Japanese" ? 2 : 3));
        Hover(modePage->ModeButton(1));
        const QString page0 = folder + QStringLiteral("/wizard-page0-%1.png").arg(language);
        wizardtest::SavePageInEveryForm(&frame, folder + QStringLiteral("/wizard-page0-%1").arg(language));
        QEvent leave(QEvent::Leave);
        QApplication::sendEvent(modePage->ModeButton(1), &leave);

        SetModeDeviceController(kModePartition, nullptr);
        QTest::mouseClick(modePage->ModeButton(2), Qt::LeftButton);
        ASSERT_EQ(sheet->GetCurrentIndex(), WP_TYPE_OF_FILE);
        const QString types = folder + QStringLiteral("/wizard-filetypes-%1.png").arg(language);
        wizardtest::SavePageInEveryForm(&frame, folder + QStringLiteral("/wizard-filetypes-%1").arg(language));
        EXPECT_GT(QFileInfo(page0).size(), 10000);
        EXPECT_GT(QFileInfo(types).size(), 10000);
        sheet.reset();
    }
    lib.UnloadLanguageBundle();
}

} // namespace
