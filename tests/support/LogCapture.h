// Sends the program log to a temporary file for the life of the object, so that a test can read the lines
// a component wrote; the log is closed again afterwards.
#pragma once

#include "tests/support/TempDir.h"

#include <string>

namespace testsupport {

class LogCapture {
public:
    // With trace, the log is written at the trace level (as with -trace), DebugTrace lines included.
    explicit LogCapture(bool trace = false);
    ~LogCapture();
    LogCapture(const LogCapture&) = delete;
    LogCapture& operator=(const LogCapture&) = delete;

    std::string Text() const;
    bool Contains(const std::string& piece) const { return Text().find(piece) != std::string::npos; }

private:
    TempDir m_dir;
    std::string m_path;
};

} // namespace testsupport
