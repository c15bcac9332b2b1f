// The worker of the saving jobs.
#include "storage/saving/RecoverWorker.h"

#include <atomic>
#include <chrono>
#include <system_error>
#include <thread>

std::optional<int> RunRecoverJobOnWorker(const std::function<int()>& job, const RecoverMessagePump& pump)
{
    std::atomic<bool> done{false};
    int value = 0;
    std::thread worker;
    try {
        worker = std::thread([&] {
            value = job();
            done.store(true, std::memory_order_release);
        });
    } catch (const std::system_error&) {
        return std::nullopt;
    }
    while (!done.load(std::memory_order_acquire)) {
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
        if (!done.load(std::memory_order_acquire) && pump) pump();
    }
    worker.join();
    return value;
}
