// The diagnostic log: printf-style lines appended to one file, safe from any thread.
// Calls made before InitLog are kept (a few dozen lines) and written once the file is known.
#pragma once

#include <cstdint>
#include <string>

enum LOGLEVEL { LOGLEVEL_TRACE = 1, LOGLEVEL_NORMAL = 2 };
enum LOGTYPE { LOGTYPE_STANDALONE = 0, LOGTYPE_LOADER = 1 };

// Opens (appends to) the log at path; an empty path keeps logging in memory only.
// At LOGLEVEL_NORMAL DebugTrace lines are dropped before any formatting is done.
void InitLog(const char* path, LOGLEVEL level, LOGTYPE type);

void LogInfo(const char* format, ...) __attribute__((format(printf, 1, 2)));
void LogError(const char* format, ...) __attribute__((format(printf, 1, 2)));
void ReleaseTrace(const char* format, ...) __attribute__((format(printf, 1, 2)));
void DebugTrace(const char* format, ...) __attribute__((format(printf, 1, 2)));

// A 16-bit code for a source file's path relative to the source tree, printed in "FileNO:%X" lines.
uint16_t FileNameToFileCode(char* sourcePath);

namespace plat::log {
// Rewrites the Windows runtime's 64-bit size prefix ("%I64d", "%4I64X") to the C library's ("%lld").
std::string RewriteFormat(const char* format);
// The file currently written, empty before InitLog or after an empty path.
std::string CurrentPath();
} // namespace plat::log
