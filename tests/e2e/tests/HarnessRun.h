// Runs the headless harness as the end-to-end tests do: one mode over an image into a folder, with what it
// printed and how it ended; and the files it saved, by content.
#pragma once

#include <filesystem>
#include <map>
#include <string>

namespace e2e {

struct HarnessRun {
    int exitCode = -1;  // -1 when it could not be started or did not exit by itself
    std::string output; // standard output and standard error
};

// `salvix-e2e <arguments>`, the arguments as the shell reads them; environment: what is put before the command
// (assignments such as "TZ=UTC", or a wrapper); timeoutSeconds: when not 0, the harness is stopped after that
// long, so that a source that blocks fails the test instead of hanging it.
HarnessRun RunHarnessCommand(const std::string& arguments, const std::string& environment = "", int timeoutSeconds = 0);

// `salvix-e2e <mode> <image> <outdir>`, the paths quoted.
HarnessRun RunHarness(const std::string& mode, const std::filesystem::path& image, const std::filesystem::path& outdir,
                      const std::string& environment = "");

// The SHA-256 of every regular file below folder, by its path relative to folder ("./a/b.txt").
std::map<std::string, std::string> SavedSha256(const std::filesystem::path& folder);

} // namespace e2e
