// Names of saved files and folders: found names made safe as one component of a Linux path, shortened to the
// target's name limit, and the numbered forms that stand in when a name is taken.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

// The longest name most Linux file systems take, in bytes.
inline constexpr size_t kMaxTargetNameBytes = 255;
// A longer "extension" is not kept when a name is shortened: it is just the end of a long name.
inline constexpr size_t kMaxKeptExtensionBytes = 32;

// '/', the nine characters Windows forbids (: ? \ / | * > < ") and control characters become '#'; "", "."
// and ".." become "#", so the result always names one new entry inside its folder.
std::string CleanNameComponent(std::string_view name);

// Splits at the last '.': the stem before it, the extension from it on; no '.' gives an empty extension.
void SplitExtension(std::string_view name, std::string_view& stem, std::string_view& extension);

// The first bytes of text, at most maxBytes, ending on a UTF-8 character boundary (a byte that starts no
// valid sequence counts as a character of its own).
std::string_view CutOnCharacter(std::string_view text, size_t maxBytes);

// The name when it fits maxBytes; otherwise its stem is cut on a character boundary so that stem and
// extension fit (an extension of more than kMaxKeptExtensionBytes, or one that would not leave room for a
// stem, is cut with the rest).
std::string ShortenName(std::string_view name, size_t maxBytes = kMaxTargetNameBytes);

// "%s_%03d%s" of stem, number and extension for a file, "%s_%03d" of the whole name for a folder, the stem
// shortened so that the result fits maxBytes.
std::string NumberedFileName(std::string_view name, int number, size_t maxBytes = kMaxTargetNameBytes);
std::string NumberedFolderName(std::string_view name, int number, size_t maxBytes = kMaxTargetNameBytes);
