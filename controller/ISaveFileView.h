// What the save-path controller sees of its page: the path typed or chosen, the figures of the selection,
// the page's message boxes and the save progress window it runs. User-interface thread only.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

class CFileNode;
class IStorageDevice;

// What a save gave: the checked files, those saved (partial ones, with bytes the source could not give,
// included), those not saved, and the top folders made in the order they were made.
struct SaveRunResult {
    int toRecover = 0;
    int recovered = 0;
    std::vector<std::string> madeFolders;
    int partial = 0;
    int failed = 0;
    std::string firstReason; // why the first file that failed was not saved
};

class ISaveFileView {
public:
    virtual ~ISaveFileView() = default;
    // The path of the edit box, right-trimmed.
    virtual std::string GetPathText() = 0;
    virtual void SetStatistics(uint64_t checkedBytes, int checkedFiles) = 0;
    // Clears the path and shows the folder tree from the top.
    virtual void ResetPath() = 0;
    virtual int ShowMessage(unsigned stringId, unsigned type) = 0;
    // Saves the checked files below root into folder under the save progress window.
    virtual SaveRunResult RunSave(CFileNode* root, IStorageDevice* device, const std::string& folder) = 0;
};
