// Sends the process's log to a temporary file for the life of the object and reads back the texts of its
// lines (without time, thread and level).
#pragma once

#include "tests/support/TempDir.h"

#include <string>
#include <vector>

class ShellLogCapture {
public:
    ShellLogCapture();
    ~ShellLogCapture();
    const std::string& Path() const { return m_path; }
    std::vector<std::string> Texts() const;
    // Texts that contain part.
    std::vector<std::string> Matching(const std::string& part) const;

private:
    testsupport::TempDir m_dir;
    std::string m_path;
};

// The texts of the log lines in a file.
std::vector<std::string> LogTexts(const std::string& path);
