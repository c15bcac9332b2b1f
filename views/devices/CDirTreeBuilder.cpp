// The directory-build runners.
#include "views/devices/CDirTreeBuilder.h"

#include "core/devices/CReadLossRelay.h"
#include "core/devices/CReadLossScope.h"
#include "filesystems/ext2/BuildEXT2.h"
#include "filesystems/fat/BuildFAT.h"
#include "filesystems/ntfs/BuildNTFS.h"
#include "filesystems/tree/CFileSystemNode.h"
#include "filesystems/tree/CRawFileList.h"
#include "filesystems/tree/CRawResultTreeBuilder.h"
#include "raw/RawListHitMeasurer.h"
#include "views/devices/CBuildDirectoryDlg.h"
#include "views/devices/CDIRBuildCallback.h"
#include "views/devices/CMainWindowDisabler.h"
#include "views/devices/ReadLossNotice.h"

#include <QApplication>
#include <atomic>
#include <chrono>
#include <thread>

namespace {

void Pump()
{
    QApplication::processEvents(QEventLoop::AllEvents, 10);
}

} // namespace

CFileSystemNode* CDirTreeBuilder::Run(const BuildWork& work)
{
    // Each build starts uncancelled: a cancel of an earlier build on this object must not drop this tree.
    m_cancelled = 0;
    CBuildDirectoryDlg dlg(nullptr);
    CDIRBuildCallback callback(&dlg);
    CFileSystemNode* tree = nullptr;
    // The builds hand what their workers read as zeros to this thread once they end.
    CReadLossScope loss;
    {
        CMainWindowDisabler disabled(&dlg);
        dlg.ShowModeless();
        Pump();
        tree = work(&callback, Pump);
        // The reports posted last are shown before the dialog goes.
        Pump();
        if (dlg.CheckCancel() == -1) m_cancelled = 1;
        dlg.EndDialog(0);
    }
    ShowReadLoss(loss);
    return tree;
}

CFileSystemNode* CDirTreeBuilder::BuildNTFS(IStorageDevice* volume)
{
    return Run([volume](IDIRBuildCallback* cb, const std::function<void()>& pump) {
        return ::BuildNTFS(volume, cb, nullptr, pump);
    });
}

CFileSystemNode* CDirTreeBuilder::BuildFAT(IStorageDevice* volume, int isFat32, int partitionIndex)
{
    return Run([=](IDIRBuildCallback* cb, const std::function<void()>& pump) {
        return ::BuildFAT(volume, isFat32 != 0, partitionIndex != 0, cb, nullptr, pump);
    });
}

CFileSystemNode* CDirTreeBuilder::BuildEXT2(IStorageDevice* volume)
{
    return Run([volume](IDIRBuildCallback* cb, const std::function<void()>& pump) {
        return ::BuildEXT2(volume, cb, nullptr, pump);
    });
}

void BuildRawFileTree(CRawFileList* hits, IStorageDevice* device, CFileNode* parent)
{
    if (!hits || !device || !parent) return;
    CDirTreeBuilder runner;
    CFileSystemNode* root = runner.Run([&](IDIRBuildCallback* cb, const std::function<void()>& pump) {
        std::atomic<bool> done{false};
        CFileSystemNode* built = nullptr;
        CReadLossRelay losses;
        std::thread worker([&] {
            CReadLossRelay::Collector collect(losses);
            RawListHitMeasurer measurer;
            CRawResultTreeBuilder builder;
            built = builder.Build(device, hits->GetIterator(), nullptr, cb, &measurer);
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
    // A cancelled build keeps the hits it turned into files so far.
    if (root) parent->AddChild(root);
}
