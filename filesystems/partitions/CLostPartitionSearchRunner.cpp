// A window-less owner of one lost-partition search.
#include "filesystems/partitions/CLostPartitionSearchRunner.h"

#include "core/devices/IStorageDevice.h"
#include "filesystems/common/IPartitionSearchCallback.h"
#include "filesystems/partitions/FileSystemRegistry.h"
#include "filesystems/partitions/IPartitionFileSystemSearchController.h"
#include "platform/Log.h"

#include <system_error>

// Counts progress into the runner's atomics and keeps a copy of every record found.
class CLostPartitionSearchRunner::Callback : public IPartitionSearchCallback {
public:
    explicit Callback(CLostPartitionSearchRunner& owner) : m_owner(owner) {}
    void PumpMessages() override {}
    void Step() override { ++m_owner.m_processed; }
    int IsCancelled() override { return m_owner.m_cancelled.load() ? 1 : 0; }
    void SetStep(int) override {}
    void AdvanceOne() override { ++m_owner.m_processed; }
    void SetRange(uint64_t low, uint64_t high) override { m_owner.m_total = high >= low ? high - low : 0; }
    void SetPos(int pos) override { m_owner.m_processed = uint64_t(pos < 0 ? 0 : pos); }
    void Reserved() override {}
    void OnPartitionFound(const CLostPartitionRecord* record) override
    {
        if (!record) return;
        std::lock_guard<std::mutex> guard(m_owner.m_lock);
        m_owner.m_records.push_back(*record);
    }

private:
    CLostPartitionSearchRunner& m_owner;
};

CLostPartitionSearchRunner::CLostPartitionSearchRunner() : m_callback(std::make_unique<Callback>(*this))
{
    for (const FileSystemKindInfo& fs : FileSystemKinds())
        if (fs.makeLostPartitionScanner) m_scanners.push_back(fs.makeLostPartitionScanner());
}

CLostPartitionSearchRunner::~CLostPartitionSearchRunner()
{
    if (m_worker.joinable()) {
        Cancel();
        m_worker.join();
    }
    for (CLostPartitionRecord& record : m_records) delete record.pDevice;
}

bool CLostPartitionSearchRunner::Start(IStorageDevice* disk, int heads)
{
    if (m_worker.joinable() || m_done) {
        m_error = "the search has already been started";
        return false;
    }
    if (!m_engine.SetDevice(disk)) {
        m_error = "the disk has no readable sectors";
        m_done = true;
        return false;
    }
    for (const auto& scanner : m_scanners) m_engine.AddFileSystemController(scanner.get());
    m_engine.AddAlgorithms(heads);
    m_total = m_engine.GetCandidateCount();
    try {
        m_worker = std::thread([this] {
            CReadLossRelay::Collector losses(m_losses);
            m_result = m_engine.Search(m_callback.get());
            m_done = true;
        });
    } catch (const std::system_error& e) {
        m_error = std::string("the search thread could not be started: ") + e.what();
        LogError("Lost-partition search: %s", m_error.c_str());
        m_done = true;
        return false;
    }
    return true;
}

PartitionSearchResult CLostPartitionSearchRunner::Wait()
{
    if (m_worker.joinable()) m_worker.join();
    m_losses.Deliver();
    if (m_result == PartitionSearchResult::Failed && m_error.empty()) m_error = m_engine.GetError();
    return m_result;
}

size_t CLostPartitionSearchRunner::GetFoundCount() const
{
    std::lock_guard<std::mutex> guard(m_lock);
    return m_records.size();
}

std::vector<CLostPartitionRecord> CLostPartitionSearchRunner::TakeRecords()
{
    std::lock_guard<std::mutex> guard(m_lock);
    std::vector<CLostPartitionRecord> out;
    out.swap(m_records);
    return out;
}

PartitionSearchResult CLostPartitionSearchRunner::SearchDisk(IStorageDevice* disk, int heads,
                                                             std::vector<CLostPartitionRecord>& found,
                                                             std::string* error)
{
    CLostPartitionSearchRunner runner;
    PartitionSearchResult result = PartitionSearchResult::Failed;
    if (runner.Start(disk, heads)) result = runner.Wait();
    if (error) *error = runner.GetError();
    for (CLostPartitionRecord& record : runner.TakeRecords()) found.push_back(record);
    return result;
}
