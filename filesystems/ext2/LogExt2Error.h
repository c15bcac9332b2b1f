// The ext2 error log: "Ext2Error.log" in the current folder, appended to line by line.
#pragma once

#include <exception>

// Appends the text and a line end; a null text writes nothing. Safe from any thread (one write per line).
void LogExt2Error(const char* text);
// The two lines a caller writes for a caught ext2 error: the exception's type name, then its message.
void LogExt2Exception(const std::exception& e);
