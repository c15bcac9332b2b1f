// The restart after a language change: the request, and the re-execution of the program's own file.
#include "app/shell/ProgramRestart.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <sys/wait.h>
#include <unistd.h>

namespace {

TEST(ProgramRestart, RequestNamesTheProgramsOwnFile)
{
    EXPECT_FALSE(IsRestartRequested());
    EXPECT_EQ(RestartProgramPath(), "");
    EXPECT_FALSE(RestartProgram({"ignored"})); // nothing requested: nothing executed
    ASSERT_TRUE(StartRestartHelper());
    EXPECT_TRUE(IsRestartRequested());
    EXPECT_EQ(RestartProgramPath(), std::filesystem::read_symlink("/proc/self/exe").string());
    CancelRestartRequest();
    EXPECT_FALSE(IsRestartRequested());
}

TEST(ProgramRestart, ExecutesItselfWithTheGivenArguments)
{
    testsupport::TempDir dir;
    const std::string out = (dir / "out.txt").string();
    const pid_t child = ::fork();
    if (child == 0) {
        const int fd = ::open(out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        ::dup2(fd, 1);
        if (!StartRestartHelper()) ::_exit(3);
        RestartProgram({"restarted", "--gtest_list_tests", "--gtest_filter=ProgramRestart.*"});
        ::_exit(4); // only reached when the program could not be executed
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0);
    std::ifstream f(out);
    std::stringstream text;
    text << f.rdbuf();
    EXPECT_NE(text.str().find("ProgramRestart."), std::string::npos) << text.str();
    EXPECT_NE(text.str().find("ExecutesItselfWithTheGivenArguments"), std::string::npos);
}

} // namespace
