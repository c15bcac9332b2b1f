// Wildcard conversion: the process-wide expressions, built once, and the replacement passes.
#include "filesystems/tree/WildcardRegex.h"

#include <array>
#include <utility>

namespace wildcard {

namespace {

const char kStarFormat[] = "[^/\\\\x2A\\\\x3F:\"<>|]*";
const char kQuestionFormat[] = "[^/\\\\x2A\\\\x3F:\"<>|]{1}";

struct Conversion {
    boost::regex wildcardRun{R"((\*+\?+)|(\?+\*+)|(\*+))"};
    boost::regex star{R"(\*)"};
    boost::regex question{R"(\?)"};
    // Backslash first: the escapes written afterwards hold backslashes of their own.
    std::array<std::pair<boost::regex, const char*>, 13> escapes{{
        {boost::regex(R"(\\)"), "\\\\x5C"},
        {boost::regex(R"(\[)"), "\\\\x5B"},
        {boost::regex(R"(\])"), "\\\\x5D"},
        {boost::regex(R"(\{)"), "\\\\x7B"},
        {boost::regex(R"(\})"), "\\\\x7D"},
        {boost::regex(R"(\()"), "\\\\x28"},
        {boost::regex(R"(\))"), "\\\\x29"},
        {boost::regex(R"(\+)"), "\\\\x2B"},
        {boost::regex(R"(\|)"), "\\\\x7C"},
        {boost::regex(R"(\^)"), "\\\\x5E"},
        {boost::regex(R"(\$)"), "\\\\x24"},
        {boost::regex(R"(\-)"), "\\\\x2D"},
        {boost::regex(R"(\.)"), "\\\\x2e"},
    }};
    std::string starExpression = boost::regex_replace(std::string("*"), star, kStarFormat);
};

const Conversion& Tables()
{
    static const Conversion s_conversion;
    return s_conversion;
}

} // namespace

const std::string& StarExpression()
{
    return Tables().starExpression;
}

std::string EscapeSpecials(const std::string& text)
{
    std::string out = text;
    for (const auto& [expression, format] : Tables().escapes) out = boost::regex_replace(out, expression, format);
    return out;
}

std::string ExpandWildcards(const std::string& text)
{
    const std::string stars = boost::regex_replace(text, Tables().star, kStarFormat);
    return boost::regex_replace(stars, Tables().question, std::string(kQuestionFormat));
}

std::string CollapseWildcardRuns(const std::string& text)
{
    return boost::regex_replace(text, Tables().wildcardRun, "*");
}

boost::regex StarRegex(bool matchCase)
{
    return boost::regex(StarExpression(), matchCase ? boost::regex::perl : boost::regex::perl | boost::regex::icase);
}

bool MatchWhole(const boost::regex& expression, const char* name)
{
    try {
        return boost::regex_match(name, expression);
    } catch (...) {
        return false;
    }
}

} // namespace wildcard
