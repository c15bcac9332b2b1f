// The runner of tree builds in use.
#include "controller/TreeBuildRunner.h"

namespace {

TreeBuildRunner& Installed()
{
    static TreeBuildRunner runner;
    return runner;
}

const TreeBuildRunner& Direct()
{
    static const TreeBuildRunner runner = [](const TreeBuildJob& job, bool* cancelled) {
        bool stopped = false;
        CFileSystemNode* tree = job ? job(nullptr, &stopped) : nullptr;
        if (cancelled) *cancelled = stopped;
        return tree;
    };
    return runner;
}

} // namespace

const TreeBuildRunner& GetTreeBuildRunner()
{
    return Installed() ? Installed() : Direct();
}

void SetTreeBuildRunner(TreeBuildRunner runner)
{
    Installed() = std::move(runner);
}
