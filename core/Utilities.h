// Small shared helpers: name ordering without case, the program's folder, UTF-16 to text, one-character test.
#pragma once

#include <string>
#include <string_view>

// a < b after both were upper-cased (ASCII letters); orders maps keyed by names.
bool CompareNoCase(const std::string& a, const std::string& b);
struct CompareNoCaseLess {
    bool operator()(const std::string& a, const std::string& b) const { return CompareNoCase(a, b); }
};

// The folder of the program file with its trailing '/', terminated, into buffer. False for a null buffer,
// a size <= 0, a path that cannot be had or does not fit.
bool GetModulePath(char* buffer, int size);

// UTF-16 to text (UTF-8), ending at the first zero unit; unpaired surrogates become U+FFFD. Empty for empty input.
std::string WideToMultiByteString(std::u16string_view wide);
// Text (UTF-8) to UTF-16; bytes that are not UTF-8 become U+FFFD.
std::u16string MultiByteToWideString(std::string_view text);

// The text is exactly that one character.
bool IsSingleChar(const char* text, char c);
