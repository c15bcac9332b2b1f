// The pieces shared by the name and type patterns: wildcard text turned into a regular expression.
// The star and question expressions exclude the characters a file name never holds.
#pragma once

#include <boost/regex.hpp>

#include <string>

namespace wildcard {

// "*" becomes a run of name characters, "?" exactly one.
const std::string& StarExpression();

// Replaces every regular-expression special character except "*" and "?" by its hexadecimal escape,
// so that it matches itself.
std::string EscapeSpecials(const std::string& text);

// Replaces every "*" and "?" by the star and question expressions.
std::string ExpandWildcards(const std::string& text);

// Replaces runs of "*" and "?" that hold a "*" by a single "*".
std::string CollapseWildcardRuns(const std::string& text);

// What a pattern falls back to when its text cannot be converted: the wildcard "*".
boost::regex StarRegex(bool matchCase);

// regex_match of a whole name; an engine error counts as no match.
bool MatchWhole(const boost::regex& expression, const char* name);

} // namespace wildcard
