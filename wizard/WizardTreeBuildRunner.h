// The wizard's runner of directory-tree builds: the build progress dialog (phase, bar, elapsed time and a
// Cancel that asks first) over the disabled main window, with the build on a worker while the interface
// thread keeps painting and answering.
#pragma once

#include "controller/TreeBuildRunner.h"

// Runs the job on a worker under the progress dialog; *cancelled when the user confirmed Cancel.
CFileSystemNode* RunTreeBuildWithProgress(const TreeBuildJob& job, bool* cancelled);
