// The commands of a device page's list that its controller carries out: a new enumeration, the disk-image
// menu and the selection the menu is enabled by. User-interface thread only.
#pragma once

class IDeviceListCommands {
public:
    virtual ~IDeviceListCommands() = default;
    // Starts a new enumeration of the machine's devices; returns at once.
    virtual void RefreshDeviceList() = 0;
    virtual void CreateDiskImage() = 0;
    virtual void OpenDiskImage() = 0;
    // Ctrl+O: a file the user chooses is read as a raw sector image (.img, .dd, ...).
    virtual void OpenRawImageFile() = 0;
    virtual void RemoveSelectedImage() = 0;
    // Stores the selected row's record; 1 when a row is selected.
    virtual int UpdateSelection() = 0;
    // The same store; 1 when the selected row is a disk image.
    virtual int IsImageSelected() = 0;
};
