// End to end through salvix-e2e on sources and targets that cannot be used: each is refused with its reason
// and an exit code that tells a good recovery from an empty or failed one.
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <sys/wait.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {

struct Outcome {
    int exitCode = -1;
    std::string output; // stdout and stderr together
};

// Runs the harness with a time limit, so a source that blocks fails the test instead of hanging it.
Outcome RunHarness(const std::string& arguments, const std::string& environment = "")
{
    Outcome outcome;
    const std::string command =
        environment + " timeout 60 '" SALVIX_E2E_HARNESS "' " + arguments + " 2>&1";
    FILE* pipe = popen(command.c_str(), "r");
    if (!pipe) return outcome;
    char buffer[4096];
    size_t n;
    while ((n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0) outcome.output.append(buffer, n);
    const int status = pclose(pipe);
    outcome.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return outcome;
}

std::string Quote(const std::string& s) { return "'" + s + "'"; }

TEST(HonestResultsE2E, OddSourcesAreRefusedAtOnceWithTheirReason)
{
    testsupport::TempDir dir;
    const fs::path fifo = dir / "pipe.img";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    fs::create_directories(dir / "folder.img");
    const std::string out = (dir / "out").string();

    struct Case {
        std::string image;
        const char* reason;
    };
    const std::vector<Case> cases = {
        {fifo.string(), "a FIFO, not a disk image"},
        {"/dev/null", "a character device, not a disk image"},
        {(dir / "folder.img").string(), "Is a directory"},
        {(dir / "missing.img").string(), "No such file or directory"},
    };
    for (const char* command : {"deleted", "raw"}) {
        for (const Case& c : cases) {
            const Outcome o = RunHarness(std::string(command) + " " + Quote(c.image) + " " + Quote(out));
            EXPECT_EQ(o.exitCode, 1) << command << " " << c.image << "\n" << o.output;
            EXPECT_NE(o.output.find("cannot open the image: " + std::string(c.reason)), std::string::npos)
                << command << " " << c.image << "\n" << o.output;
        }
    }
    EXPECT_FALSE(fs::exists(out));
}

} // namespace
