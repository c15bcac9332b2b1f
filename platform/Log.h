// The diagnostic log: printf-style lines appended to one file, safe from any thread.
// Calls made before InitLog are kept (a few dozen lines) and written once the file is known.
// The file is capped: once it passes plat::log::kRotationSize bytes it is renamed with ".1" appended
// (replacing an older one) and a new file is started, so the log never takes more than twice that.
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
// The size at which the file is rotated: 16 MiB.
inline constexpr uint64_t kRotationSize = 16ull << 20;
// Sets another rotation size (tests); 0 restores kRotationSize.
void SetRotationSize(uint64_t bytes);
} // namespace plat::log
