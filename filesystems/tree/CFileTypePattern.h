// A ";"-separated list of type masks ("*.jpg;*.jpeg", or bare extensions such as "jpg" that match the
// end of a name), matched without regard to case.
#pragma once

#include <boost/regex.hpp>

#include <string>

class IFileProperties;

class CFileTypePattern {
public:
    // Never fails: an empty list, or one that cannot be compiled, matches as "*" would.
    explicit CFileTypePattern(const std::string& types);

    bool IsMatch(const IFileProperties* properties) const;
    bool IsMatchName(const char* name) const;

    const std::string& GetExpressionText() const { return m_pattern; }

private:
    std::string m_pattern;
    boost::regex m_expression;
};
