// The single-file job of saving.
#include "storage/saving/RecoverFileJob.h"

#include "platform/Log.h"
#include "platform/Sync.h"
#include "storage/saving/CFileSaver.h"
#include "storage/saving/RecoverFolderJob.h"

#include <cinttypes>
#include <cstdint>
#include <cstdio>

int RecoverFileJob::Run()
{
    result.Reset();
    partial = false;
    // One mutex per node ("File" and its address), so that a thumbnail, a preview and a recovery of the same
    // node take turns.
    char mutexName[48];
    std::snprintf(mutexName, sizeof mutexName, "File%" PRIxPTR, reinterpret_cast<uintptr_t>(node));
    const std::shared_ptr<plat::Mutex> mutex = plat::CreateNamedMutex(mutexName);
    if (mutex) mutex->Wait();

    CFileSaver saver(callback, DeviceForSaving(device, node));
    const int code = saver.SaveFile(node, targetPath.c_str());
    result.Set(code);
    partial = code == kRecoverSaved && saver.WasPartial();
    if (code == kRecoverFailed) LogInfo("Failed to recover file :%s", targetPath.c_str());

    if (mutex) mutex->Release();
    return code == kRecoverSaved ? 1 : 0;
}

int RecoverSingleFile(RecoverFileJob& job, IFileRecoverCallback* callback, IStorageDevice* device, CFileNode* node,
                      const char* targetPath, bool onWorker, const RecoverMessagePump& pump)
{
    job.callback = callback;
    job.device = device;
    job.node = node;
    job.targetPath = targetPath ? targetPath : "";
    job.result.Reset();
    if (!onWorker) return job.Run();
    const std::optional<int> value = RunRecoverJobOnWorker([&job] { return job.Run(); }, pump);
    if (!value) {
        job.result.Set(kRecoverFailed);
        return 0;
    }
    return *value;
}
