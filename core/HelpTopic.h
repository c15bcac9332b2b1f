// The help book: the page of each help context id the program opens, the book's folder per interface
// language, and OpenHelpTopic, which hands a topic to the help viewer that the program installs (the help
// window of the controls). Core knows no windows, so the viewer is handed down as a callback.
#pragma once

#include <filesystem>
#include <functional>
#include <string>
#include <vector>

// One page of the book: a help context id (0 for the start page) and its file name.
struct HelpTopicPage {
    int contextId;
    const char* fileName;
};

inline constexpr const char* kHelpStartPage = "index.html";
inline constexpr const char* kHelpDefaultLanguage = "English";

// The pages of the book in the order of its contents: the start page first, then one page for every help
// context id the program passes.
const std::vector<HelpTopicPage>& HelpBookPages();

// The file name of the page of a context id; the start page for an id the book does not know.
std::string HelpPageForTopic(int contextId);

// <data>/help/<language>: the book in that language ("English", "Deutsch", "Japanese"); the English book
// when the language has none (another name, an empty one, or a folder that is missing).
std::filesystem::path HelpBookFolder(const std::string& languageName);

// What shows a topic: given the window that asked (may be null) and the context id.
using HelpViewer = std::function<void(void* window, int contextId)>;

// Installs the viewer OpenHelpTopic hands topics to (an empty one: none); returns the one it replaces.
// User-interface thread only.
HelpViewer SetHelpViewer(HelpViewer viewer);

// Shows the help book at the topic through the installed viewer. Returns 0; without a viewer the request
// is logged and otherwise ignored.
int OpenHelpTopic(void* window, int contextId);
