// Type list to regular expression: each mask escaped as a name wildcard is, anchored at the name's end.
#include "filesystems/tree/CFileTypePattern.h"

#include "filesystems/tree/IFileProperties.h"
#include "filesystems/tree/WildcardRegex.h"

#include <vector>

namespace {

// Pieces between semicolons. Empty pieces before the first non-empty one and an empty last piece are
// dropped; an empty piece in the middle stays (and then matches every name).
std::vector<std::string> SplitTypes(const std::string& text)
{
    std::vector<std::string> pieces;
    size_t start = 0;
    for (;;) {
        const size_t end = text.find(';', start);
        const bool last = end == std::string::npos;
        std::string piece = text.substr(start, last ? std::string::npos : end - start);
        if (last) {
            if (!piece.empty()) pieces.push_back(std::move(piece));
            break;
        }
        if (!piece.empty() || !pieces.empty()) pieces.push_back(std::move(piece));
        start = end + 1;
    }
    return pieces;
}

} // namespace

CFileTypePattern::CFileTypePattern(const std::string& types)
{
    try {
        // Escaped before the split so that a mask such as "c++" or "a(1)" matches itself.
        const std::vector<std::string> pieces = SplitTypes(wildcard::EscapeSpecials(types.empty() ? "*" : types));
        if (pieces.empty()) {
            m_pattern = wildcard::StarExpression();
            m_expression = wildcard::StarRegex(false);
            return;
        }
        std::string joined;
        for (const std::string& piece : pieces) {
            if (!joined.empty()) joined += '|';
            // A mask that already begins with "*" needs no second one in front.
            joined += "(" + wildcard::ExpandWildcards(piece.starts_with('*') ? piece : "*" + piece) + "$)";
        }
        m_pattern = joined;
        m_expression.assign(m_pattern, boost::regex::perl | boost::regex::icase);
    } catch (...) {
        m_pattern = wildcard::StarExpression();
        m_expression = wildcard::StarRegex(false);
    }
}

bool CFileTypePattern::IsMatch(const IFileProperties* properties) const
{
    if (!properties || !(properties->GetValidMask() & kValidName)) return false;
    return IsMatchName(properties->GetName());
}

bool CFileTypePattern::IsMatchName(const char* name) const
{
    return name && wildcard::MatchWhole(m_expression, name);
}
