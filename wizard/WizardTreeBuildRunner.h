// The wizard's runner of directory-tree builds: the build runs on a worker while the main window is
// disabled and a small wait window tells the user that the volume is being read.
#pragma once

#include "controller/TreeBuildRunner.h"

// Runs the job on a worker and keeps the interface alive until it ends.
CFileSystemNode* RunTreeBuildWithWaitWindow(const TreeBuildJob& job, bool* cancelled);
