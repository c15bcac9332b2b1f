// The last line of defence. A fatal signal (SIGSEGV, SIGBUS, SIGILL, SIGFPE, SIGABRT) is caught on an
// alternate stack: the handler logs the exception and the memory status, writes "Zuldump<n>.dmp" into the
// dump folder (a new number each time, so an earlier dump is kept) and lets the process die of the signal.
// Running out of memory ends the process through plat::OutOfMemory; the handler then has the user told
// (message 61240 or 307), logs the exception 0xE0000001 and writes a dump before the process exits
// with a non-zero status.
#pragma once

#include <string>

// Installs the signal handlers and the out-of-memory handler, with dumps going to dumpFolder (the state
// folder when empty). Safe to call again to change the folder.
bool InstallCrashHandler(const std::string& dumpFolder = std::string());
// Removes the signal handlers (tests).
void UninstallCrashHandler();

// The log the handler appends its lines to (the handler cannot use the logging library's locks).
void SetCrashLogPath(const std::string& path);

// Gives the calling thread an alternate signal stack, so that a stack overflow on it still reaches the
// handler. The installing thread gets one; worker threads may call this when they start. The stack is
// released when the thread ends.
void PrepareThreadForCrashes();

// The string id of the out-of-memory message: 61240 (untick "Recover RAW file") when RAW recovery is on,
// else 307.
unsigned OutOfMemoryMessageId(bool recoverRawFiles);

// Shows the out-of-memory message with that string id; installed by the application (the handler itself
// knows no windows). Called on the thread that ran out of memory.
using OutOfMemoryNotifier = void (*)(unsigned stringId);
void SetOutOfMemoryNotifier(OutOfMemoryNotifier notifier);

// The next dump's file in folder: "<folder>/Zuldump<n>.dmp" for the first n from start that does not
// exist yet, created empty and exclusively; returns the open descriptor (-1 on failure) and the number.
int CreateDumpFile(const char* folder, unsigned start, unsigned* number);
