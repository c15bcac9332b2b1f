// Runs a saving job on a worker thread while the calling thread waits in 10 ms steps and runs a pump in
// between (the user interface handles its messages there, so the job's dialog stays alive). The sectors the
// job got as zeros are reported to the calling thread's CReadLossScope once it ends.
#pragma once

#include <functional>
#include <optional>

using RecoverMessagePump = std::function<void()>;

// The job's return value, or nothing when no thread could be started.
std::optional<int> RunRecoverJobOnWorker(const std::function<int()>& job, const RecoverMessagePump& pump);
