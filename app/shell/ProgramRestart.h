// Starting the program again after a change that takes effect only at start-up (the interface language):
// the request is recorded, the main window closes, and once the application has shut down the process
// re-executes its own file (by absolute path) with its original arguments.
#pragma once

#include <string>
#include <vector>

// Records the request. False when the program's own file cannot be found; the caller then asks the user
// to start the program again by hand.
bool StartRestartHelper();
bool IsRestartRequested();
// The program file the restart will execute, empty without a request.
std::string RestartProgramPath();
// Forgets a request (tests).
void CancelRestartRequest();

// Executes the requested program in place of this process. Returns only when that failed (logged).
bool RestartProgram(const std::vector<std::string>& arguments);
