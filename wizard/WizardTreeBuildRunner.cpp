// The wizard's runner of directory-tree builds.
#include "wizard/WizardTreeBuildRunner.h"

#include "core/devices/CReadLossRelay.h"
#include "platform/Log.h"
#include "views/devices/CDirTreeBuilder.h"

#include <atomic>
#include <chrono>
#include <thread>

CFileSystemNode* RunTreeBuildWithProgress(const TreeBuildJob& job, bool* cancelled)
{
    bool stopped = false;
    CDirTreeBuilder runner;
    CFileSystemNode* tree = runner.Run([&](IDIRBuildCallback* callback, const std::function<void()>& pump) {
        std::atomic<bool> done{false};
        CFileSystemNode* built = nullptr;
        // The callback only posts to the dialog, so the worker may report through it. What the build read as
        // zeros goes to the runner's thread, which tells it once the dialog has gone.
        CReadLossRelay losses;
        std::thread worker([&] {
            CReadLossRelay::Collector collect(losses);
            try {
                built = job ? job(callback, &stopped) : nullptr;
            } catch (...) {
                LogError("Directory build: the build failed");
                built = nullptr;
            }
            done = true;
        });
        while (!done.load()) {
            pump();
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        worker.join();
        losses.Deliver();
        return built;
    });
    if (cancelled) *cancelled = stopped || runner.IsCancelled() != 0;
    return tree;
}
