// The worker of the saving jobs.
#include "storage/saving/RecoverWorker.h"

#include "core/devices/CReadLossScope.h"

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <system_error>
#include <thread>
#include <vector>

std::optional<int> RunRecoverJobOnWorker(const std::function<int()>& job, const RecoverMessagePump& pump)
{
    std::mutex lock;
    std::condition_variable finished;
    bool done = false;
    int value = 0;
    std::vector<CReadLossScope::Record> losses;
    std::thread worker;
    try {
        worker = std::thread([&] {
            CReadLossScope loss;
            const int result = job();
            std::lock_guard<std::mutex> guard(lock);
            losses = loss.TakeRecords();
            value = result;
            done = true;
            finished.notify_one();
        });
    } catch (const std::system_error&) {
        return std::nullopt;
    }
    // Waits in steps of at most 10 ms, pumping in between, and wakes at once when the job ends.
    for (;;) {
        {
            std::unique_lock<std::mutex> guard(lock);
            if (finished.wait_for(guard, std::chrono::milliseconds(10), [&] { return done; })) break;
        }
        if (pump) pump();
    }
    worker.join();
    // What the job could not read is the caller's to account for, as if it had read it itself.
    for (CReadLossScope::Record& r : losses) {
        r.where = nullptr;
        CReadLossScope::Report(r);
    }
    return value;
}
