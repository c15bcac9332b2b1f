// Helpers of the control tests: log capture, solid test bitmaps, and a window that records the private
// messages it receives.
#pragma once

#include "controls/WindowMessages.h"

#include <QImage>
#include <QWidget>
#include <string>
#include <vector>

#include "tests/support/TempDir.h"

// Sends the log to a temporary file for its lifetime.
class LogCapture {
public:
    LogCapture();
    ~LogCapture();
    std::vector<std::string> Lines() const;
    // Lines containing text.
    std::vector<std::string> Matching(const std::string& text) const;

private:
    testsupport::TempDir m_dir;
    std::string m_path;
};

QImage SolidImage(int w, int h, QRgb colour);

struct RecordedMessage {
    unsigned msg;
    WPARAM wParam;
    LPARAM lParam;
};

class MessageRecorder : public QWidget {
public:
    using QWidget::QWidget;
    std::vector<RecordedMessage> messages;
    LRESULT answer = 0;

protected:
    void customEvent(QEvent* e) override;
};
