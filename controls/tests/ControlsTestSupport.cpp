// Helpers of the control tests.
#include "controls/tests/ControlsTestSupport.h"

#include "platform/Log.h"

#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>

namespace {

// The controls read the interface language, which writes a missing setting back: keep the tests'
// settings and state in the build's test folder, away from the user's.
const bool g_privateFolders = [] {
    const char* tmp = std::getenv("SALVIX_TEST_TMP");
    const std::filesystem::path base =
        std::filesystem::path(tmp && *tmp ? tmp : "/tmp") / ("salvix-controls-" + std::to_string(::getpid()));
    std::error_code ec;
    std::filesystem::create_directories(base / "config", ec);
    std::filesystem::create_directories(base / "state", ec);
    ::setenv("SALVIX_CONFIG_DIR", (base / "config").c_str(), 0);
    ::setenv("SALVIX_STATE_DIR", (base / "state").c_str(), 0);
    std::atexit([] {
        std::error_code ignored;
        const char* dir = std::getenv("SALVIX_CONFIG_DIR");
        if (dir) std::filesystem::remove_all(std::filesystem::path(dir).parent_path(), ignored);
    });
    return true;
}();

} // namespace

LogCapture::LogCapture() : m_path((m_dir / "test.log").string())
{
    InitLog("", LOGLEVEL_NORMAL, LOGTYPE_STANDALONE); // drops lines kept from before, so only ours are read
    InitLog(m_path.c_str(), LOGLEVEL_NORMAL, LOGTYPE_STANDALONE);
}

LogCapture::~LogCapture()
{
    InitLog("", LOGLEVEL_NORMAL, LOGTYPE_STANDALONE);
}

std::vector<std::string> LogCapture::Lines() const
{
    std::ifstream in(m_path);
    std::vector<std::string> lines;
    for (std::string l; std::getline(in, l);) lines.push_back(l);
    return lines;
}

std::vector<std::string> LogCapture::Matching(const std::string& text) const
{
    std::vector<std::string> out;
    for (const std::string& l : Lines())
        if (l.find(text) != std::string::npos) out.push_back(l);
    return out;
}

QImage SolidImage(int w, int h, QRgb colour)
{
    QImage img(w, h, QImage::Format_RGB32);
    img.fill(colour);
    return img;
}

void MessageRecorder::customEvent(QEvent* e)
{
    if (CWindowMessage* m = CWindowMessage::From(e)) {
        messages.push_back({m->Message(), m->WParam(), m->LParam()});
        m->SetResult(answer);
        return;
    }
    QWidget::customEvent(e);
}
