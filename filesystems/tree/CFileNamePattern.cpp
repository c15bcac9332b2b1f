// Name wildcard to regular expression: mode rules, collapsed runs, escapes, then the wildcards.
#include "filesystems/tree/CFileNamePattern.h"

#include "filesystems/tree/IFileProperties.h"
#include "filesystems/tree/WildcardRegex.h"

namespace {

std::string Convert(std::string text, bool wholeWord, int32_t mode)
{
    if (mode == 1 && text.find('*') == std::string::npos && !wholeWord) {
        if (text.empty() || text.front() != '?') text.insert(text.begin(), '*');
        text.push_back('*');
    }
    text = wildcard::CollapseWildcardRuns(text);
    if (!text.empty() && text.back() == '?') {
        if (mode == 1 || (mode == 2 && text.find('.') == std::string::npos)) text.back() = '*';
    }
    return wildcard::ExpandWildcards(wildcard::EscapeSpecials(text));
}

} // namespace

CFileNamePattern::CFileNamePattern(NAME_PATTERN_PARAM param)
    : m_pattern(std::move(param.strPattern)), m_bMatchCase(param.bMatchCase)
{
    const auto flags = static_cast<boost::regex::flag_type>(m_bMatchCase ? boost::regex::perl
                                                                         : boost::regex::perl | boost::regex::icase);
    try {
        m_pattern = Convert(m_pattern, param.bWholeWord, param.nMode);
        m_expression.assign(m_pattern, flags);
    } catch (...) {
        m_pattern = wildcard::StarExpression();
        m_expression = wildcard::StarRegex(m_bMatchCase);
    }
}

bool CFileNamePattern::IsMatch(const IFileProperties* properties) const
{
    if (!properties || !(properties->GetValidMask() & kValidName)) return false;
    return IsMatchName(properties->GetName());
}

bool CFileNamePattern::IsMatchName(const char* name) const
{
    return name && wildcard::MatchWhole(m_expression, name);
}
