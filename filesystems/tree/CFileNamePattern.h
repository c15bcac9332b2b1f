// A file-name wildcard ("*" any run, "?" one character) compiled once and matched against found files.
// Mode 1 is the find dialog's (widened to "contains" unless whole-word), mode 2 the search dialog's.
#pragma once

#include <boost/regex.hpp>

#include <cstdint>
#include <string>

class IFileProperties;

struct NAME_PATTERN_PARAM {
    std::string strPattern;
    bool bMatchCase = false;
    bool bWholeWord = false;
    int32_t nMode = 0;
};

class CFileNamePattern {
public:
    // Never fails: a text that cannot be compiled matches as "*" would.
    explicit CFileNamePattern(NAME_PATTERN_PARAM param);

    // The whole name must match; false without a valid name or when the engine gives up.
    bool IsMatch(const IFileProperties* properties) const;
    bool IsMatchName(const char* name) const;

    const std::string& GetExpressionText() const { return m_pattern; }

private:
    std::string m_pattern;
    bool m_bMatchCase;
    boost::regex m_expression;
};
