// The rows, icons and messages of the device list that the device-select pages fill.
#pragma once

#include "controls/WindowMessages.h"

#include <array>
#include <cstdint>

// One row as a page hands it to CDeviceSelectCtrl::AddItem; the control copies what it shows.
struct DEVICE_ITEM {
    int nIcon = -1; // 0..6 into the DEVICE_BITMAP images; another value: no icon
    const char* pszName = nullptr;
    uint64_t nSectors = 0;         // 0: the capacity cell stays empty
    uint32_t nSectorSize = 512;    // 0 or not a multiple of 512 counts as 512
    const char* pszInfo = nullptr; // may hold line breaks
    void* pItemData = nullptr;     // the page's record of the row; not owned
    bool bDisabled = false;        // shown greyed and never selected (a device that cannot be read)
};

// The bitmap ids of the seven icons, in icon-index order.
struct DEVICE_BITMAP {
    std::array<unsigned, 7> ids{};
};

// The ids the device pages pass: floppy drive, hard disk, partition, found partition, disk-image file,
// previous recovery, open-disk image.
inline constexpr DEVICE_BITMAP kDefaultDeviceBitmaps{{138, 141, 224, 148, 142, 147, 225}};

// The caption of the first column.
enum CTRL_STYLE { CS_DEVICE = 0, CS_DISK = 1, CS_PARTITION = 2 };

// From the view to the control after every horizontal scroll.
constexpr unsigned UM_DEVICE_LIST_SCROLL = WM_USER + 7976; // 9000
// To the control's parent (the page), wParam and lParam 0.
constexpr unsigned UM_DEVICE_LIST_CLICK = WM_USER + 7977;      // 9001 a row became selected by the mouse
constexpr unsigned UM_DEVICE_LIST_DBLCLICK = WM_USER + 7978;   // 9002 double click on the selection
constexpr unsigned UM_DEVICE_LIST_RIGHTCLICK = WM_USER + 7979; // 9003 right button released on the selection
