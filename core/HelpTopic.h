// Opening the help file "zul.chm" from the program's data folder at a topic.
#pragma once

#include <string>

// The help file's full path in the data folder.
std::string GetHelpFilePath();

// Hands the help file to the desktop's viewer for the file type (xdg-open), which cannot be told a
// topic; the topic is logged. Returns 0; a missing file or viewer is logged and otherwise ignored.
int OpenHelpTopic(void* window, int contextId);
