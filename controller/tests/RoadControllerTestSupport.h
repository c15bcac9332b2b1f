// Stand-ins of the road controller tests: a wizard sheet that records the pages asked for, a device page
// whose rows are plain records and whose posted tasks run when the test says, a scan-partition page whose
// ticks the test sets, and a found-file page that owns the tree it is shown.
#pragma once

#include "controller/IDeviceSelectView.h"
#include "controller/IFileSelectView.h"
#include "controller/IScanPartitionView.h"
#include "controller/IWizardSheet.h"
#include "controller/MessageBoxTypes.h"
#include "filesystems/tree/CFileSystemNode.h"
#include "filesystems/tree/FileTree.h"

#include <functional>
#include <mutex>
#include <string>
#include <vector>

namespace roadtest {

// A file of tests/fixtures.
inline std::string Fixture(const std::string& name)
{
    return std::string(SALVIX_SOURCE_DIR) + "/tests/fixtures/" + name;
}

class FakeSheet : public IWizardSheet {
public:
    std::vector<int> pages;
    void SetActivePage(WIZARD_PAGE page) override { pages.push_back(page); }
    void EnableNextButton(bool) override {}
    IWizardPageController* GetCurrentController() override { return nullptr; }
    int GetCurrentHelpContextId() override { return 0; }
};

class FakeDeviceView : public virtual IDeviceSelectView {
public:
    std::vector<DeviceRow> rows;
    int selected = -1;
    std::vector<unsigned> messages;
    int refreshes = 0, refreshEnds = 0, hints = 0;
    bool tickHint = false;
    std::string imageToOpen;

    void ClearRows() override { rows.clear(); }
    void AddRow(const DeviceRow& row) override { rows.push_back(row); }
    int GetSelectedRow() override { return selected < int(rows.size()) ? selected : -1; }
    void* GetRowItem(int row) override { return row >= 0 && row < int(rows.size()) ? rows[size_t(row)].item : nullptr; }
    void DeleteRow(int row) override { rows.erase(rows.begin() + row); }
    void BeginRefresh() override { ++refreshes; }
    void EndRefresh() override { ++refreshEnds; }
    void PostToInterfaceThread(std::function<void()> task) override
    {
        std::lock_guard lock(m_lock);
        m_posted.push_back(std::move(task));
    }
    std::string LoadString(unsigned id) override { return id == 280 ? "Image File, " : "?"; }
    int ShowMessage(unsigned id, unsigned) override
    {
        messages.push_back(id);
        return wizmsg::kAnswerOk;
    }
    bool ShowFormatRecoveryHint() override
    {
        ++hints;
        return tickHint;
    }
    std::string ChooseImageToOpen() override { return imageToOpen; }
    CreatedImage RunCreateImage(IStorageDevice*, const std::string&, int) override { return {}; }

    // Delivers what the worker queued, as the interface thread's event loop would.
    void RunPosted()
    {
        std::vector<std::function<void()>> tasks;
        {
            std::lock_guard lock(m_lock);
            tasks.swap(m_posted);
        }
        for (auto& t : tasks) t();
    }

private:
    std::mutex m_lock;
    std::vector<std::function<void()>> m_posted;
};

class FakeFileView : public IFileSelectView {
public:
    CFileSystemNode* root = nullptr;
    std::vector<unsigned> messages;
    int answer = wizmsg::kAnswerYes;
    ~FakeFileView() override { ClearRoot(); }
    void ShowRoot(CFileSystemNode* r) override
    {
        ClearRoot();
        root = r;
    }
    void ClearRoot() override
    {
        DeleteFoundTree(root);
        root = nullptr;
    }
    CFileSystemNode* GetRoot() override { return root; }
    int ShowMessage(unsigned id, unsigned) override
    {
        messages.push_back(id);
        return answer;
    }
    void SetWaitCursor(bool) override {}
};

// The scan page: rows as ShowVolumePartitions gives them, ticked as recommended; builds run at once.
class FakeScanPage : public IScanPartitionView {
public:
    struct Row {
        CSearchedPartitionInfo* partition;
        bool checked;
    };
    std::vector<Row> rows;
    std::vector<unsigned> messages;
    int answer = wizmsg::kAnswerYes;
    int builds = 0;
    bool cancelBuild = false;

    void ShowVolumePartitions(const CSearchedPartitionList& partitions, const VolumeDeviceRecord*) override
    {
        rows.clear();
        for (CSearchedPartitionInfo* p : partitions) rows.push_back({p, p->bRecommended == 1});
    }
    void ShowDiskPartitions(const CSearchedPartitionList& partitions, const DiskDeviceRecord* disk) override
    {
        ShowVolumePartitions(partitions, nullptr);
        shownDisk = disk;
    }
    const DiskDeviceRecord* shownDisk = nullptr;
    void ClearPartitions() override { rows.clear(); }
    int GetRowCount() override { return int(rows.size()); }
    int GetCheckedCount() override
    {
        int n = 0;
        for (const Row& r : rows) n += r.checked;
        return n;
    }
    bool IsRowChecked(int row) override { return rows[size_t(row)].checked; }
    CSearchedPartitionInfo* GetRowPartition(int row) override { return rows[size_t(row)].partition; }
    int ShowMessage(unsigned id, unsigned) override
    {
        messages.push_back(id);
        return answer;
    }
    void SetWaitCursor(bool) override {}
    bool RunBuild(const std::function<void(IDIRBuildCallback*)>& work) override
    {
        ++builds;
        if (!cancelBuild) work(nullptr);
        return cancelBuild;
    }
};

} // namespace roadtest
