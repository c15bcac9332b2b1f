// The hand-over of read losses from a worker thread.
#include "core/devices/CReadLossRelay.h"

#include <utility>

CReadLossRelay::Collector::~Collector()
{
    std::vector<CReadLossScope::Record> records = m_scope.TakeRecords();
    std::lock_guard<std::mutex> guard(m_relay.m_lock);
    for (CReadLossScope::Record& r : records) {
        r.where = nullptr; // the worker's buffers are not the waiting thread's
        m_relay.m_records.push_back(r);
    }
}

void CReadLossRelay::Deliver()
{
    std::vector<CReadLossScope::Record> records;
    {
        std::lock_guard<std::mutex> guard(m_lock);
        records.swap(m_records);
    }
    for (const CReadLossScope::Record& r : records) CReadLossScope::Report(r);
}
