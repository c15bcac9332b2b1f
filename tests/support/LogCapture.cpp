// The log of a test read back from its temporary file.
#include "tests/support/LogCapture.h"

#include "platform/Log.h"

#include <fstream>
#include <sstream>

namespace testsupport {

LogCapture::LogCapture(bool trace) : m_path((m_dir / "test.log").string())
{
    InitLog("", LOGLEVEL_NORMAL, LOGTYPE_STANDALONE); // drops lines kept from before, so only ours are read
    InitLog(m_path.c_str(), trace ? LOGLEVEL_TRACE : LOGLEVEL_NORMAL, LOGTYPE_STANDALONE);
}

LogCapture::~LogCapture()
{
    InitLog("", LOGLEVEL_NORMAL, LOGTYPE_STANDALONE);
}

std::string LogCapture::Text() const
{
    std::ifstream in(m_path);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

} // namespace testsupport
