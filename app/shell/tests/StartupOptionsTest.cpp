// Start-up decisions: language names, trace-switch spellings, missing settings, the log's place and type,
// and the single-instance lock.
#include "app/shell/CSingleInstance.h"
#include "app/shell/LanguageSetting.h"
#include "app/shell/StartupOptions.h"
#include "core/LanguageHelpers.h"
#include "platform/Settings.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <fstream>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

TEST(StartupOptions, LanguageNamesChooseBundleAndInterfaceLanguage)
{
    struct Case {
        const char* name;
        const char* bundle;
        int language;
    } cases[] = {
        {"English", "English", 1},
        {"Deutsch", "Deutsch", 1},
        {"Japanese", "Japanese", 2},
        {"english", "", 1},
        {"JAPANESE", "", 1},
        {"French", "", 1},
        {"", "", 1},
        {"English ", "", 1},
        {"Deutsch\n", "", 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const LanguageChoice choice = ChooseLanguage(c.name);
        EXPECT_EQ(choice.bundleName, c.bundle);
        EXPECT_EQ(choice.interfaceLanguage, c.language);
    }
}

TEST(StartupOptions, TraceSwitchSpellings)
{
    struct Case {
        const char* arg;
        bool trace;
    } cases[] = {
        {"-trace", true}, {"/trace", true},   {"-TRACE", true},   {"/TrAcE", true},
        {"trace", false}, {"-traces", false}, {"/trac", false},   {"--trace", false},
        {"-", false},     {"", false},        {"\\trace", false}, {"- trace", false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.arg);
        EXPECT_EQ(IsTraceSwitch(c.arg), c.trace);
        EXPECT_EQ(LogLevelFromArguments({"salvix", "-other", c.arg}), c.trace ? LOGLEVEL_TRACE : LOGLEVEL_NORMAL);
    }
    // The program's own name is not an argument.
    EXPECT_EQ(LogLevelFromArguments({"-trace"}), LOGLEVEL_NORMAL);
    EXPECT_EQ(LogLevelFromArguments({}), LOGLEVEL_NORMAL);
}

TEST(StartupOptions, StoredLanguageAndMissingSettings)
{
    struct Case {
        const char* what;
        const char* fileText; // null: no settings file at all
        const char* expected;
        bool writesEnglish;
    } cases[] = {
        {"no settings file", nullptr, "English", true},
        {"empty file", "", "English", true},
        {"key without value", "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Salvix\\Recovery\\Language]\n", "English", true},
        {"German", "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Salvix\\Recovery\\Language]\nLanguage=Deutsch\n", "Deutsch", false},
        {"Japanese", "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Salvix\\Recovery\\Language]\nLanguage=Japanese\n", "Japanese",
         false},
        {"unknown name kept", "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Salvix\\Recovery\\Language]\nLanguage=Klingon\n",
         "Klingon", false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        testsupport::TempDir dir;
        const auto file = dir / "settings.ini";
        if (c.fileText) std::ofstream(file) << c.fileText;
        plat::SettingsFile settings(file);
        EXPECT_EQ(ReadStartupLanguage(settings), c.expected);
        std::string stored;
        ASSERT_TRUE(settings.ReadString(kLanguageKey, kLanguageValue, stored));
        EXPECT_EQ(stored, c.writesEnglish ? "English" : c.expected);
    }
}

TEST(StartupOptions, WriteLanguageCreatesKeyAndReportsFailure)
{
    testsupport::TempDir dir;
    plat::SettingsFile settings(dir / "settings.ini");
    ASSERT_TRUE(WriteLanguageToReg(settings, "Japanese"));
    EXPECT_EQ(ReadLanguageName(settings), "Japanese");
    ASSERT_TRUE(WriteLanguageToReg(settings, "Deutsch"));
    EXPECT_EQ(ReadLanguageName(settings), "Deutsch");

    if (::geteuid() != 0) { // root writes anywhere
        const auto locked = dir / "locked";
        std::filesystem::create_directory(locked);
        ::chmod(locked.c_str(), 0500);
        plat::SettingsFile unwritable(locked / "settings.ini");
        EXPECT_FALSE(WriteLanguageToReg(unwritable, "Deutsch"));
        ::chmod(locked.c_str(), 0700);
    }
}

TEST(StartupOptions, LogPathAndLoaderType)
{
    EXPECT_EQ(LogFilePath(""), "");
    EXPECT_EQ(LogFilePath("/state/salvix"), "/state/salvix/Salvix.log");

    testsupport::TempDir dir;
    EXPECT_EQ(LogTypeFromLoaderLock(dir.path()), LOGTYPE_STANDALONE);
    EXPECT_EQ(LogTypeFromLoaderLock(""), LOGTYPE_STANDALONE);
    CSingleInstance loader;
    ASSERT_EQ(loader.Acquire(dir.path(), kLoaderLockName), CSingleInstance::Result::kAcquired);
    EXPECT_EQ(LogTypeFromLoaderLock(dir.path()), LOGTYPE_LOADER);
    loader.Release();
    EXPECT_EQ(LogTypeFromLoaderLock(dir.path()), LOGTYPE_STANDALONE);
}

TEST(SingleInstance, SecondHolderIsRefusedUntilTheFirstLetsGo)
{
    testsupport::TempDir dir;
    CSingleInstance first;
    ASSERT_EQ(first.Acquire(dir.path(), kInstanceLockName), CSingleInstance::Result::kAcquired);

    CSingleInstance second;
    EXPECT_EQ(second.Acquire(dir.path(), kInstanceLockName), CSingleInstance::Result::kAlreadyRunning);
    EXPECT_FALSE(second.IsHeld());

    // Another process is refused as well.
    const pid_t child = ::fork();
    if (child == 0) {
        CSingleInstance other;
        ::_exit(other.Acquire(dir.path(), kInstanceLockName) == CSingleInstance::Result::kAlreadyRunning ? 0 : 1);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);

    first.Release();
    EXPECT_EQ(second.Acquire(dir.path(), kInstanceLockName), CSingleInstance::Result::kAcquired);
}

TEST(SingleInstance, LockIsNotPassedToAnExecutedProgram)
{
    // A restart re-executes the program, which must then be able to take the lock again: the descriptor
    // must not survive exec. The child inherits it at fork; once the parent lets go, only a descriptor
    // carried into the executed shell could still hold the lock.
    if (::access("/usr/bin/flock", X_OK) != 0) GTEST_SKIP() << "flock(1) is not installed";
    testsupport::TempDir dir;
    CSingleInstance held;
    ASSERT_EQ(held.Acquire(dir.path(), kInstanceLockName), CSingleInstance::Result::kAcquired);
    const std::string lockFile = (dir / (std::string(kInstanceLockName) + ".lock")).string();
    const std::string script = "sleep 0.3; exec /usr/bin/flock -n '" + lockFile + "' true";
    const pid_t child = ::fork();
    if (child == 0) {
        ::execl("/bin/sh", "sh", "-c", script.c_str(), static_cast<char*>(nullptr));
        ::_exit(127);
    }
    held.Release();
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0);
}

TEST(SingleInstance, UnusableFolderLetsStartUpGoOn)
{
    CSingleInstance lock;
    EXPECT_EQ(lock.Acquire("", kInstanceLockName), CSingleInstance::Result::kFailed);
    EXPECT_EQ(lock.Acquire("/nonexistent/salvix-folder", kInstanceLockName), CSingleInstance::Result::kFailed);
}

} // namespace
