// The device list of the device-select pages: a header ("Device", "Capacity", "Information") above a
// scrolling view of rows. Clicks, double clicks and right clicks on rows reach the control's parent as
// UM_DEVICE_LIST_CLICK, _DBLCLICK and _RIGHTCLICK. User-interface thread only.
#pragma once

#include "views/devices/DeviceSelectTypes.h"

#include <QWidget>

class CDeviceSelectView;
class CExtendHeaderCtrl;

class CDeviceSelectCtrl : public QWidget {
    Q_OBJECT
public:
    static constexpr int kHeaderId = 1300;
    static constexpr int kViewId = 1301;
    static constexpr int kHeaderHeight = 20;

    // The parent is the page that receives the row messages.
    explicit CDeviceSelectCtrl(QWidget* parent);
    ~CDeviceSelectCtrl() override;

    void SetCtrlStyle(CTRL_STYLE style);
    void SetDeviceBitmaps(const DEVICE_BITMAP& bitmaps);
    void AddItem(const DEVICE_ITEM* item);
    // Row i goes (ignored out of range); the rows below move up.
    void DeleteItem(int i);
    void DeleteAllItems();
    // The first selected row, -1 when none.
    int GetSelectedIndex() const;
    // The item data of row i, null out of range.
    void* GetItemData(int i) const;
    void ClearSelection();
    int GetItemCount() const;
    // A text under the rows (what to do when nothing can be chosen); empty removes it.
    void SetNote(const QString& note);

    CExtendHeaderCtrl* Header() const { return m_header; }
    CDeviceSelectView* View() const { return m_view; }

protected:
    void resizeEvent(QResizeEvent* e) override;
    void customEvent(QEvent* e) override;

private:
    void AlignHeader();
    void OnColumnResized(int column, int oldWidth, int newWidth);

    CExtendHeaderCtrl* m_header;
    CDeviceSelectView* m_view;
};
