// Log capture for the shell tests.
#include "app/shell/tests/LogCapture.h"

#include "platform/Log.h"

#include <fstream>

ShellLogCapture::ShellLogCapture() : m_path((m_dir / "test.log").string())
{
    InitLog(m_path.c_str(), LOGLEVEL_NORMAL, LOGTYPE_STANDALONE);
}

ShellLogCapture::~ShellLogCapture()
{
    InitLog("", LOGLEVEL_NORMAL, LOGTYPE_STANDALONE);
}

std::vector<std::string> ShellLogCapture::Texts() const
{
    return LogTexts(m_path);
}

std::vector<std::string> ShellLogCapture::Matching(const std::string& part) const
{
    std::vector<std::string> out;
    for (const std::string& t : Texts())
        if (t.find(part) != std::string::npos) out.push_back(t);
    return out;
}

std::vector<std::string> LogTexts(const std::string& path)
{
    std::vector<std::string> out;
    std::ifstream f(path);
    std::string line;
    while (std::getline(f, line)) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        // "<date> <time> [<thread>] <LEVEL> <text>": the level is five characters and a blank.
        const size_t close = line.find("] ");
        if (close == std::string::npos || line.size() < close + 8) {
            out.push_back(line); // the continuation of a text that held a line break
            continue;
        }
        out.push_back(line.substr(close + 8));
    }
    return out;
}
