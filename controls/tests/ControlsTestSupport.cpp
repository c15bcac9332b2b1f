// Helpers of the control tests.
#include "controls/tests/ControlsTestSupport.h"

#include "platform/Log.h"

#include <fstream>

LogCapture::LogCapture() : m_path((m_dir / "test.log").string())
{
    InitLog("", LOGLEVEL_NORMAL, LOGTYPE_STANDALONE); // drops lines kept from before, so only ours are read
    InitLog(m_path.c_str(), LOGLEVEL_NORMAL, LOGTYPE_STANDALONE);
}

LogCapture::~LogCapture() { InitLog("", LOGLEVEL_NORMAL, LOGTYPE_STANDALONE); }

std::vector<std::string> LogCapture::Lines() const
{
    std::ifstream in(m_path);
    std::vector<std::string> lines;
    for (std::string l; std::getline(in, l);)
        lines.push_back(l);
    return lines;
}

std::vector<std::string> LogCapture::Matching(const std::string& text) const
{
    std::vector<std::string> out;
    for (const std::string& l : Lines())
        if (l.find(text) != std::string::npos)
            out.push_back(l);
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
