// Folder lookup from the environment, and the private temporary folder's mode and removal at exit.
#include "platform/Folders.h"
#include "tests/support/ScopedEnv.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <sys/stat.h>

namespace fs = std::filesystem;

namespace {

using EnvVar = testsupport::ScopedEnv;

TEST(Folders, ProgramFolderHoldsTheRunningProgram)
{
    EXPECT_TRUE(fs::exists(plat::ProgramFolder() / "salvix_platform_tests"));
}

TEST(Folders, DataFolderFollowsTheOverrideThenTheBuildTree)
{
    testsupport::TempDir tmp;
    {
        EnvVar v("SALVIX_DATA_DIR", tmp.path().c_str());
        EXPECT_EQ(plat::DataFolder(), tmp.path());
    }
    EnvVar v("SALVIX_DATA_DIR", nullptr);
    if (!fs::is_directory(plat::ProgramFolder() / "data")) {
        EXPECT_EQ(plat::DataFolder(), fs::path(SALVIX_BUILD_DATA_DIR));
    }
}

TEST(Folders, StateFolderIsMadeOnDemand)
{
    testsupport::TempDir tmp;
    {
        EnvVar v("SALVIX_STATE_DIR", (tmp / "a/b/state").c_str());
        EXPECT_EQ(plat::StateFolder(), tmp / "a/b/state");
        EXPECT_TRUE(fs::is_directory(tmp / "a/b/state"));
    }
    EnvVar none("SALVIX_STATE_DIR", nullptr);
    EnvVar xdg("XDG_STATE_HOME", tmp.path().c_str());
    EXPECT_EQ(plat::StateFolder(), tmp / "salvix");
    EXPECT_TRUE(fs::is_directory(tmp / "salvix"));

    EnvVar home("HOME", tmp.path().c_str());
    EnvVar noXdg("XDG_STATE_HOME", nullptr);
    EnvVar noCfg("XDG_CONFIG_HOME", nullptr);
    EnvVar cfgOverride("SALVIX_CONFIG_DIR", nullptr);
    EXPECT_EQ(plat::StateFolder(), tmp / ".local/state/salvix");
    EXPECT_EQ(plat::ConfigFolder(), tmp / ".config/salvix");
}

TEST(Folders, TempFolderIsPrivateAndGoneAfterExit)
{
    testsupport::TempDir tmp;
    const fs::path note = tmp / "temp-folder";
    EXPECT_EXIT(
        {
            setenv("TMPDIR", tmp.path().c_str(), 1);
            fs::path dir = plat::TempFolder();
            struct stat st {};
            bool ok = !dir.empty() && dir == plat::TempFolder() && ::stat(dir.c_str(), &st) == 0 &&
                      (st.st_mode & 0777) == 0700 && dir.parent_path() == tmp.path();
            std::ofstream(dir / "leftover") << "x";
            std::ofstream(note) << dir.string();
            std::exit(ok ? 0 : 1);
        },
        ::testing::ExitedWithCode(0), "");
    std::ifstream in(note);
    std::string dir;
    std::getline(in, dir);
    ASSERT_FALSE(dir.empty());
    EXPECT_FALSE(fs::exists(dir));
}

} // namespace
