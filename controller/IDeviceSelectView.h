// What a device-select controller sees of its page: the rows of the device list, the wait window shown
// while the list is enumerated, the page's message boxes and the dialogs it runs for the controller.
// Every operation but PostToInterfaceThread belongs to the user-interface thread.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

class IStorageDevice;

// One row of the device list; the item is the controller's record (null for a row without one).
struct DeviceRow {
    int icon = 2;
    std::string name;
    uint64_t sectors = 0;
    uint32_t sectorSize = 0; // 0: the list's default
    std::string info;
    void* item = nullptr;
    // Why the device cannot be read; a row with a reason is shown greyed and cannot be chosen.
    std::string unreadable;
};

// What the image-making wizard tells its caller.
struct CreatedImage {
    bool openInList = false;
    uint64_t sectorCount = 0;
    std::string path;
};

class IDeviceSelectView {
public:
    virtual ~IDeviceSelectView() = default;

    virtual void ClearRows() = 0;
    virtual void AddRow(const DeviceRow& row) = 0;
    // The selected row, -1 when none.
    virtual int GetSelectedRow() = 0;
    virtual void* GetRowItem(int row) = 0;
    virtual void DeleteRow(int row) = 0;

    // The wait window over the main window, which is disabled until EndRefresh.
    virtual void BeginRefresh() = 0;
    virtual void EndRefresh() = 0;
    // Queues task for the interface thread; safe from any thread. A task queued while the page is being
    // destroyed is dropped.
    virtual void PostToInterfaceThread(std::function<void()> task) = 0;

    // After an enumeration: whether the list offers nothing to choose (no readable device and no image), so
    // that the page tells the user what to do.
    virtual void ShowNothingReadable(bool nothingReadable) { (void)nothingReadable; }
    // The path of a file to open as a raw sector image (Ctrl+O); empty when none was chosen.
    virtual std::string ChooseRawImageFile() { return std::string(); }

    // The text of a string resource in the interface language.
    virtual std::string LoadString(unsigned id) = 0;
    // A message box of the page with a string resource; returns the button pressed.
    virtual int ShowMessage(unsigned stringId, unsigned type) = 0;
    // The "Format Recovery" hint with its check box; true when the user ticked "do not show again".
    virtual bool ShowFormatRecoveryHint() = 0;
    // The path of a disk-image file the user chose to open; empty when none was chosen.
    virtual std::string ChooseImageToOpen() = 0;
    // The image-making wizard over a source device.
    virtual CreatedImage RunCreateImage(IStorageDevice* source, const std::string& sourceName, int heads) = 0;
};
