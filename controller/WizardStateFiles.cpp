// Saving and restoring the wizard's controller chain through the state files.
#include "controller/WizardStateFiles.h"

#include <array>
#include <cstdio>
#include <vector>

#include <unistd.h>

#include "controller/CCompleteRecoveryPartitionDeviceSelectController.h"
#include "controller/CCompleteRecoveryScanPartitionDeviceSelectController.h"
#include "controller/CFileSelectController.h"
#include "controller/CLostRecoveryDiskDeviceSelectController.h"
#include "controller/CLostRecoveryPartitionDeviceSelectController.h"
#include "controller/CLostRecoveryScanPartitionDeviceSelectController.h"
#include "controller/IWizardPageController.h"
#include "core/rsdata/CRSException.h"
#include "filesystems/common/IDIRBuildCallback.h"
#include "platform/Log.h"
#include "storage/recoverystate/CRSDataEx.h"
#include "storage/recoverystate/WizardStateFile.h"

namespace {

// A chain longer than this is a loop of previous links, not a wizard.
constexpr size_t kMaxLinks = 64;

std::array<IWizardPageController*, kStateFileSelect>& Registered()
{
    static std::array<IWizardPageController*, kStateFileSelect> controllers{};
    return controllers;
}

WizardStateRunner& Runner()
{
    static WizardStateRunner runner;
    return runner;
}

WizardStateWriterFactory& WriterFactory()
{
    static WizardStateWriterFactory factory;
    return factory;
}

bool PathsOf(IWizardPageController* controller, WizardStatePaths& paths)
{
    return controller && GetRecoveryStatePaths(controller->GetScanKind(), paths);
}

void Step(IDIRBuildCallback* progress, int n)
{
    if (progress) progress->Step(n);
}

bool RunJob(unsigned titleId, bool onWorker, const WizardStateJob& job)
{
    if (Runner()) return Runner()(titleId, onWorker, job);
    return job(nullptr);
}

} // namespace

void SetWizardStateController(int type, IWizardPageController* controller)
{
    if (type >= 0 && type < kStateFileSelect) Registered()[size_t(type)] = controller;
}

IWizardPageController* GetWizardStateController(int type)
{
    if (type == kStateFileSelect) return GetFileSelectController();
    if (type < 0 || type > kStateFileSelect) return nullptr;
    if (IWizardPageController* registered = Registered()[size_t(type)]) return registered;
    switch (type) {
    case kStateCompleteDevice: return GetCompleteRecoveryPartitionDeviceSelectController();
    case kStateCompleteScan: return GetCompleteRecoveryScanPartitionDeviceSelectController();
    case kStateLostDisk: return GetLostRecoveryDiskDeviceSelectController();
    case kStateLostPartition: return GetLostRecoveryPartitionDeviceSelectController();
    case kStateLostScan: return GetLostRecoveryScanPartitionDeviceSelectController();
    default: return nullptr;
    }
}

void SetWizardStateRunner(WizardStateRunner runner)
{
    Runner() = std::move(runner);
}
void SetWizardStateWriterFactory(WizardStateWriterFactory factory)
{
    WriterFactory() = std::move(factory);
}

int SaveRecoveryState(IWizardPageController* controller, IDIRBuildCallback* progress)
{
    WizardStatePaths paths;
    if (!PathsOf(controller, paths)) {
        if (progress) progress->Finish();
        return 0;
    }
    // Oldest first: from the current controller back through the previous links, leaving out the
    // controllers that keep nothing.
    std::vector<IWizardPageController*> chain;
    std::vector<int> types;
    size_t links = 0;
    for (IWizardPageController* c = controller; c && links < kMaxLinks; c = c->GetPrevious(), ++links) {
        const int type = c->GetControllerType();
        if (type == kStateNotSaved) continue;
        chain.insert(chain.begin(), c);
        types.insert(types.begin(), type);
    }
    const int status = WizardStateStatus(controller->GetControllerType());
    Step(progress, 10);

    std::unique_ptr<IRSData> writer = WriterFactory() ? WriterFactory()() : nullptr;
    const bool saved = WriteWizardStateFile(
        paths.working, status, types,
        [&](IRSData* stream) {
            for (IWizardPageController* c : chain) {
                if (c->SaveState(stream, progress) == 0) {
                    ReleaseTrace("Wizard state: controller type %d could not save its part", c->GetControllerType());
                    return false;
                }
                Step(progress, 10);
            }
            return true;
        },
        writer.get());
    if (progress) progress->Finish();
    return saved ? 1 : 0;
}

int SaveRecoveryStateWithProgress(IWizardPageController* controller, int withDialog)
{
    if (!withDialog) return SaveRecoveryState(controller, nullptr);
    return RunJob(kSaveStateTitle, true,
                  [controller](IDIRBuildCallback* progress) { return SaveRecoveryState(controller, progress) != 0; })
               ? 1
               : 0;
}

int SetCurrentControllerStatus(IWizardPageController* controller)
{
    WizardStatePaths paths;
    if (!PathsOf(controller, paths)) return 0;
    return SetWizardStateStatus(paths.working, WizardStateStatus(controller->GetControllerType())) ? 1 : 0;
}

int PromoteRecoveryStateFile(IWizardPageController* controller)
{
    WizardStatePaths paths;
    if (!PathsOf(controller, paths)) return 0;
    return PromoteWizardStateFile(paths) ? 1 : 0;
}

int DeleteLastRecoveryState(IWizardPageController* controller)
{
    WizardStatePaths paths;
    if (!PathsOf(controller, paths)) return 0;
    return ::unlink(paths.last.c_str()) == 0 ? 1 : 0;
}

IWizardPageController* RestoreRecoveryState(IWizardPageController* controller, IDIRBuildCallback* progress)
{
    WizardStatePaths paths;
    if (!PathsOf(controller, paths) || !IsCompleteWizardStateFile(paths.last)) {
        if (progress) progress->Finish();
        return nullptr;
    }
    CRSDataEx reader(CRSData::kModeRead);
    if (!reader.Open(paths.last.c_str(), false)) {
        if (progress) progress->Finish();
        return nullptr;
    }
    std::vector<IWizardPageController*> restored;
    bool failed = false;
    try {
        const std::vector<int> types = ReadControllerChain(&reader, reader.GetKind());
        Step(progress, 10);
        // The chain must start with the controller in hand: a partition-recovery file never restores
        // through the format-recovery device page, or the reverse.
        if (types.empty() || GetWizardStateController(types.front()) != controller) {
            ReleaseTrace("Wizard state: the saved chain does not start at this page");
            failed = true;
        }
        IWizardPageController* inHand = controller;
        for (size_t i = 0; !failed && i < types.size(); ++i) {
            IWizardPageController* c = GetWizardStateController(types[i]);
            if (!c) {
                ReleaseTrace("Wizard state: no controller of type %d", types[i]);
                failed = true;
                break;
            }
            if (c != inHand) {
                c->SetPrevious(inHand);
                inHand = c;
            }
            restored.push_back(c);
            if (c->RestoreState(&reader, progress) == 0) {
                ReleaseTrace("Wizard state: controller type %d could not restore its part", types[i]);
                failed = true;
            }
            Step(progress, 10);
        }
    } catch (const IRSException& e) {
        ReleaseTrace("Failed to restore last recvoery states. Error code:%d.", e.GetCode());
        failed = true;
    }
    reader.Close();
    if (failed) {
        // The device pages keep their lists; what the others took from the file goes.
        for (IWizardPageController* c : restored) {
            const int type = c->GetControllerType();
            if (type == kStateCompleteScan || type == kStateLostPartition || type == kStateLostScan ||
                type == kStateFileSelect)
                c->Reset();
        }
    } else if (!CopyWizardStateFile(paths.last, paths.working)) {
        ReleaseTrace("Wizard state: the restored file could not become the working file again");
    }
    if (progress) progress->Finish();
    return failed || restored.empty() ? nullptr : restored.back();
}

int RestoreRecoveryStateWithProgress(IWizardPageController* controller)
{
    IWizardPageController* restored = nullptr;
    RunJob(kRestoreStateTitle, false, [&](IDIRBuildCallback* progress) {
        restored = RestoreRecoveryState(controller, progress);
        return restored != nullptr;
    });
    if (restored) restored->Activate();
    return restored ? 1 : 0;
}

int ReadRecoveryResultInfo(IWizardPageController* controller, char* buffer, int size)
{
    WizardStatePaths paths;
    if (!PathsOf(controller, paths)) return 0;
    return ReadWizardStateTitle(paths.last, buffer, size) ? 1 : 0;
}

int WriteResultInfo(IRSData* stream, const char* text)
{
    try {
        WriteWizardStateTitle(stream, text);
    } catch (const IRSException& e) {
        ReleaseTrace("Failed to set reuslt info, Error code:%d", e.GetCode());
    }
    return 1;
}
