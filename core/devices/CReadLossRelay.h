// Hands what a worker thread's reads got as zeros to the thread that waits for it: the worker keeps a Collector
// open around its reads, and the waiting thread calls Deliver once the worker has ended (after the join), so
// that the CReadLossScopes open there hear every loss as if that thread had read the sectors itself. Without
// it the losses of a scan or a tree build run on a worker would reach no scope and go untold.
#pragma once

#include "core/devices/CReadLossScope.h"

#include <mutex>
#include <vector>

class CReadLossRelay {
public:
    // On the worker, around its reads; keeps what they lost for Deliver when it closes.
    class Collector {
    public:
        explicit Collector(CReadLossRelay& relay) : m_relay(relay) {}
        ~Collector();
        Collector(const Collector&) = delete;
        Collector& operator=(const Collector&) = delete;

    private:
        CReadLossRelay& m_relay;
        CReadLossScope m_scope;
    };

    // On the waiting thread: reports what the collectors kept to its scopes, once.
    void Deliver();

private:
    std::mutex m_lock;
    std::vector<CReadLossScope::Record> m_records;
};
