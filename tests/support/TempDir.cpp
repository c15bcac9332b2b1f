// Test folders made with mkdtemp under SALVIX_TEST_TMP (or the system temporary folder).
#include "tests/support/TempDir.h"

#include <cstdlib>
#include <stdexcept>
#include <vector>

namespace testsupport {

TempDir::TempDir()
{
    std::filesystem::path base = std::filesystem::temp_directory_path();
    if (const char* t = std::getenv("SALVIX_TEST_TMP"); t && *t) {
        base = t;
        std::filesystem::create_directories(base);
    }
    std::string templ = (base / "salvix-test-XXXXXX").string();
    std::vector<char> buf(templ.begin(), templ.end());
    buf.push_back('\0');
    if (!mkdtemp(buf.data())) throw std::runtime_error("mkdtemp failed under " + base.string());
    m_path = buf.data();
}

TempDir::~TempDir()
{
    std::error_code ec;
    std::filesystem::remove_all(m_path, ec);
}

} // namespace testsupport
