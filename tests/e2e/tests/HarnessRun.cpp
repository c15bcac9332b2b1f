// The harness as the end-to-end tests run it.
#include "tests/e2e/tests/HarnessRun.h"

#include "tests/support/FixtureManifests.h"

#include <sys/wait.h>

#include <array>
#include <cstdio>

namespace e2e {

HarnessRun RunHarnessCommand(const std::string& arguments, const std::string& environment, int timeoutSeconds)
{
    std::string command = environment + " ";
    if (timeoutSeconds > 0) command += "timeout " + std::to_string(timeoutSeconds) + " ";
    command += std::string("'") + SALVIX_E2E_HARNESS + "' " + arguments + " 2>&1";
    HarnessRun run;
    FILE* pipe = popen(command.c_str(), "r");
    if (!pipe) return run;
    std::array<char, 4096> buffer;
    while (size_t got = std::fread(buffer.data(), 1, buffer.size(), pipe)) run.output.append(buffer.data(), got);
    const int status = pclose(pipe);
    run.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return run;
}

HarnessRun RunHarness(const std::string& mode, const std::filesystem::path& image, const std::filesystem::path& outdir,
                      const std::string& environment)
{
    return RunHarnessCommand(mode + " '" + image.string() + "' '" + outdir.string() + "'", environment);
}

std::map<std::string, std::string> SavedSha256(const std::filesystem::path& folder)
{
    std::map<std::string, std::string> out;
    for (const auto& [path, file] : testsupport::SavedFiles(folder)) out[path] = file.sha256;
    return out;
}

} // namespace e2e
