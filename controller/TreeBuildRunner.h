// How a controller runs the build of a directory tree: the job builds the tree, reporting through the
// callback it is given; the runner decides where it runs and what the user sees meanwhile. The wizard
// installs a runner with a progress window; without one the job runs at once without a callback.
#pragma once

#include <functional>

class CFileSystemNode;
class IDIRBuildCallback;

// The job: the tree (null on failure) built with the callback, setting *cancelled when the callback's
// cancel test stopped it.
using TreeBuildJob = std::function<CFileSystemNode*(IDIRBuildCallback* callback, bool* cancelled)>;
// Runs the job and gives its tree; *cancelled tells whether the user stopped it.
using TreeBuildRunner = std::function<CFileSystemNode*(const TreeBuildJob& job, bool* cancelled)>;

// The runner in use: the installed one, else one that runs the job on the calling thread.
const TreeBuildRunner& GetTreeBuildRunner();
// Installs a runner (an empty one restores the default).
void SetTreeBuildRunner(TreeBuildRunner runner);
