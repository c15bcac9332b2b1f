// Start-up of the application object: language and bundle, a second instance, the log and its header,
// a wizard that cannot be set up, and what shut-down undoes.
#include "app/CMainFrame.h"
#include "app/CZULApp.h"
#include "app/shell/CSingleInstance.h"
#include "app/shell/ProgramRestart.h"
#include "app/shell/StartupOptions.h"
#include "app/tests/AppTestSupport.h"
#include "controls/CResourceLibrary.h"
#include "core/CRecoverySettings.h"
#include "core/LanguageHelpers.h"
#include "core/filetypes/RawTypeTable.h"
#include "platform/Settings.h"
#include "tests/support/TempDir.h"
#include "wizard/CWizardSheet.h"

#include <QApplication>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <gmock/gmock.h>
#include <gtest/gtest.h>

using ::testing::Contains;
using ::testing::HasSubstr;
using ::testing::StartsWith;

namespace {

struct LanguageCase {
    const char* stored; // null: no settings file
    const char* bundle; // expected bundle file name, "" for none
    int interfaceLanguage;
    const char* runningMessage;
};

TEST(AppStartup, LanguageFromSettingsChoosesBundle)
{
    const LanguageCase cases[] = {
        {nullptr, "English.rcc", 1, "Salvix has been running!"},
        {"English", "English.rcc", 1, "Salvix has been running!"},
        {"Deutsch", "Deutsch.rcc", 1, "Salvix wird bereits ausgeführt!"},
        {"Japanese", "Japanese.rcc", 2, "Salvix は既に実行中です！"},
        {"english", "", 1, "Salvix has been running!"}, // names compare exactly: the program's own texts
        {"Klingon", "", 1, "Salvix has been running!"},
    };
    for (const LanguageCase& c : cases) {
        SCOPED_TRACE(c.stored ? c.stored : "(no settings)");
        PrivateFolders folders;
        folders.SetLanguage(c.stored);
        CRecoverySettings* options = GetRecoverySettings();
        options->m_interfaceLanguage = 1;

        CZULApp app({"salvix"});
        app.SetSheetFactory(FakeSheetFactory());
        ASSERT_TRUE(app.InitInstance());
        const QString bundle = CResourceLibrary::Instance().LanguageBundlePath();
        if (*c.bundle) {
            EXPECT_TRUE(bundle.endsWith(QString::fromUtf8("/") + c.bundle)) << bundle.toStdString();
            EXPECT_TRUE(bundle.startsWith(u'/'));
            EXPECT_EQ(options->m_resourceModule, &CResourceLibrary::Instance());
        } else {
            EXPECT_TRUE(bundle.isEmpty()) << bundle.toStdString();
            EXPECT_EQ(options->m_resourceModule, nullptr);
        }
        EXPECT_EQ(options->m_interfaceLanguage, c.interfaceLanguage);
        EXPECT_EQ(app.RunningMessage().toStdString(), c.runningMessage);
        ASSERT_NE(app.MainFrame(), nullptr);
        EXPECT_TRUE(app.MainFrame()->isVisible());
        EXPECT_EQ(app.MainFrame()->windowTitle().toStdString(), "Salvix");

        // A missing setting is stored as English.
        plat::SettingsFile settings(folders.Config() / "settings.ini");
        std::string stored;
        ASSERT_TRUE(settings.ReadString(kLanguageKey, kLanguageValue, stored));
        EXPECT_EQ(stored, c.stored ? c.stored : "English");

        EXPECT_EQ(app.ExitInstance(0), 0);
        EXPECT_EQ(app.MainFrame(), nullptr);
        EXPECT_TRUE(CResourceLibrary::Instance().LanguageBundlePath().isEmpty());
        EXPECT_EQ(options->m_resourceModule, nullptr);
    }
}

TEST(AppStartup, SecondInstanceIsToldAndEnds)
{
    PrivateFolders folders;
    CSingleInstance first;
    ASSERT_EQ(first.Acquire(folders.Runtime(), kInstanceLockName), CSingleInstance::Result::kAcquired);

    RecordingResponder boxes;
    CZULApp second({"salvix"});
    FakeSheet* sheet = nullptr;
    second.SetSheetFactory(FakeSheetFactory(&sheet));
    EXPECT_EQ(second.Main(), CZULApp::kExitStartFailed);
    ASSERT_EQ(boxes.boxes.size(), 1u);
    EXPECT_EQ(boxes.boxes[0].text.toStdString(), "Salvix has been running!");
    EXPECT_EQ(boxes.boxes[0].caption.toStdString(), "Salvix");
    EXPECT_EQ(boxes.boxes[0].owner, nullptr);
    EXPECT_EQ(boxes.boxes[0].type & 0xF0, MB_ICONINFORMATION);
    EXPECT_EQ(sheet, nullptr); // no window was made
    // The first instance keeps its lock and the second wrote no log.
    EXPECT_TRUE(first.IsHeld());
    EXPECT_FALSE(std::filesystem::exists(folders.State() / "Salvix.log"));

    // Once the first has gone, a start goes through.
    first.Release();
    CZULApp third({"salvix"});
    third.SetSheetFactory(FakeSheetFactory());
    EXPECT_TRUE(third.InitInstance());
    third.ExitInstance(0);
}

// The header scripts of the data folder give their types at start-up, before any scan: the Options dialog and the
// wizard's type list see them in a freshly started program.
TEST(AppStartup, HeaderScriptTypesAreLoadedAtStartUp)
{
    PrivateFolders folders;
    ResetCustomRawTypesForTest();
    testsupport::TempDir data;
    std::filesystem::create_directories(data / "CustomFileScript");
    std::ofstream(data / "CustomFileScript" / "custom.fhs", std::ios::binary)
        << "FILEINFO: EXTNAME=\"QXF\"\r\nFILESIGN: OFFSET=0x0 TYPE=CHAR VALUE=\"QXF!\"";
    const char* old = std::getenv("SALVIX_DATA_DIR");
    const std::string saved = old ? old : "";
    ::setenv("SALVIX_DATA_DIR", data.path().c_str(), 1);
    {
        CZULApp app({"salvix"});
        app.SetSheetFactory(FakeSheetFactory());
        ASSERT_TRUE(app.InitInstance());
        app.ExitInstance(0);
    }
    old ? ::setenv("SALVIX_DATA_DIR", saved.c_str(), 1) : ::unsetenv("SALVIX_DATA_DIR");
    ASSERT_EQ(GetCustomRawTypeIds(), std::vector<int>{kRawTypeFirstCustom});
    EXPECT_STREQ(GetRawTypeName(kRawTypeFirstCustom), "QXF");
    ResetCustomRawTypesForTest();
}

TEST(AppStartup, LogHeaderAndTraceSwitch)
{
    struct Case {
        std::vector<std::string> args;
        bool trace;
    } cases[] = {
        {{"salvix"}, false}, {{"salvix", "/TRACE"}, true}, {{"salvix", "-Trace"}, true}, {{"salvix", "trace"}, false}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.args.back());
        PrivateFolders folders;
        CZULApp app(c.args);
        app.SetSheetFactory(FakeSheetFactory());
        ASSERT_TRUE(app.InitInstance());
        DebugTrace("fine trace line");
        const std::vector<std::string> log = AppLogTexts(folders.State() / "Salvix.log");
        ASSERT_GE(log.size(), 8u);
        EXPECT_EQ(log[0], "Salvix 5.1.1.8 20141120");
        EXPECT_THAT(log[1], StartsWith("Date Generated: "));
        EXPECT_EQ(log[2], "Memory status:");
        EXPECT_THAT(log[5], StartsWith("OS - Linux "));
        EXPECT_THAT(log[6], StartsWith("OS Directory - /"));
        EXPECT_THAT(log[7], StartsWith("Module Directory - /"));
        EXPECT_EQ(std::count(log.begin(), log.end(), "fine trace line"), c.trace ? 1 : 0);
        app.ExitInstance(0);
    }
}

TEST(AppStartup, WizardThatCannotBeSetUpEndsStartUp)
{
    PrivateFolders folders;
    RecordingResponder boxes;
    CZULApp app({"salvix"});
    app.SetSheetFactory(FailingSheetFactory());
    EXPECT_EQ(app.Main(), CZULApp::kExitStartFailed);
    EXPECT_EQ(app.MainFrame(), nullptr);
    ASSERT_EQ(boxes.boxes.size(), 1u);
    EXPECT_EQ(boxes.boxes[0].text.toStdString(), "The recovery wizard could not be set up, so Salvix cannot start.");
    EXPECT_EQ(boxes.boxes[0].type & 0xF0, MB_ICONERROR);
    const std::vector<std::string> log = AppLogTexts(folders.State() / "Salvix.log");
    EXPECT_THAT(log, Contains(HasSubstr("Init CWizardSheet is false error=0x1001")));
    for (QWidget* w : QApplication::topLevelWidgets()) EXPECT_FALSE(w->isVisible() && qobject_cast<CMainFrame*>(w));

    // The lock went with the failed start.
    CSingleInstance next;
    EXPECT_EQ(next.Acquire(folders.Runtime(), kInstanceLockName), CSingleInstance::Result::kAcquired);
}

TEST(AppStartup, LanguageChangeStoresSettingAndRestartsOnceTheWindowHasClosed)
{
    PrivateFolders folders;
    folders.SetLanguage("English");
    CZULApp app({"salvix"});
    ASSERT_TRUE(app.InitInstance()); // the application's own wizard sheet, hosted by the frame
    ASSERT_TRUE(app.MainFrame()->isVisible());
    {
        RecordingResponder boxes(IDOK);
        CWizardSheet::GetInstance()->ChangeLanguage(QStringLiteral("Japanese"));
        // Only the restart question: the frame closes without "Exit now?".
        ASSERT_EQ(boxes.boxes.size(), 1u);
    }
    EXPECT_FALSE(app.MainFrame()->isVisible());
    EXPECT_TRUE(IsRestartRequested());
    EXPECT_EQ(RestartProgramPath(), std::filesystem::read_symlink("/proc/self/exe").string());
    plat::SettingsFile settings(folders.Config() / "settings.ini");
    std::string stored;
    ASSERT_TRUE(settings.ReadString(kLanguageKey, kLanguageValue, stored));
    EXPECT_EQ(stored, "Japanese");
    CancelRestartRequest();
    app.ExitInstance(0);
}

} // namespace
