// Stand-ins of the road controller tests: a wizard sheet that records the pages asked for, a device page
// whose rows are plain records and whose posted tasks run when the test says, and a found-file page that
// owns the tree it is shown.
#pragma once

#include "controller/IDeviceSelectView.h"
#include "controller/IFileSelectView.h"
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

} // namespace roadtest
