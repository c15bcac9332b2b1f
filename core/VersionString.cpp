// The version text from its four numbers.
#include "core/VersionString.h"

#include <cstdio>

namespace {

constexpr int kMajor = 5;
constexpr int kMinor = 1;
constexpr int kRevision = 1;
constexpr int kBuild = 8;

} // namespace

const char* GetVersionString()
{
    static const struct Text {
        char buffer[64];
        Text() { std::snprintf(buffer, sizeof buffer, "%d.%d.%d.%d", kMajor, kMinor, kRevision, kBuild); }
    } text;
    return text.buffer;
}
