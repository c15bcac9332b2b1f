// Why a file was not saved, told in the user's language: the saver's own reasons are translated, the system's
// ("No space left on device") come as the system words them.
#pragma once

#include <QString>

#include <string>

// "First reason: REASON." of the interface language; empty when reason is.
QString SaveReasonLine(const std::string& reason);
