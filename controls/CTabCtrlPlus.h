// A container that holds several child windows and shows exactly one, chosen through a strip of tabs; every
// tab after the first has a close box. The strip's tabs are 2 pixels high and the shown window covers the
// client area inside a 1-pixel border, so owners switch and close views by code (SetCurSel, DeleteItem).
// A change of tab or a closed tab by the user sends UM_SELECTION_CHANGED (2025, 0, 0) to the parent.
// The child windows stay owned by their creator. User-interface thread only.
#pragma once

#include "controls/CTabCtrlPlusItem.h"
#include "controls/Win32Types.h"

#include <QFont>
#include <QPointer>
#include <QWidget>
#include <memory>
#include <vector>

class CTabCtrlPlus : public QWidget {
    Q_OBJECT
public:
    static constexpr int kChildId = 1314;
    static constexpr int kTabHeight = 2;
    static constexpr QRgb kFrameColour = 0xFFC9D2D9; // COLORREF 0xD9D2C9

    explicit CTabCtrlPlus(QWidget* parent = nullptr);
    ~CTabCtrlPlus() override;

    bool Create(unsigned style, const RECT& rect, QWidget* parent, unsigned nID);
    // Appends the window and makes it a hidden child of the strip; windows come before their tabs.
    bool AddWindow(QWidget* pWnd);
    // A tab showing window iWindowIndex; refused (not added) when the index is no window's or the tab
    // would not fit the client width.
    void InsertItem(const QString& lpszItem, int iWindowIndex);
    // Selects tab 0, then removes tab nItem (its window stays, hidden). An index out of range does nothing.
    void DeleteItem(int nItem);
    // Selects tab iItemIndex and shows its window; an index out of range does nothing.
    void SetCurSel(int iItemIndex);
    int GetCurSel() const;
    QWidget* GetCurWindow() const;
    int GetItemCount() const { return int(m_items.size()); }
    int GetTotalWidth() const;
    void LayoutItems();
    const CTabCtrlPlusItem* GetItem(int i) const;
    int GetWindowCount() const { return int(m_windows.size()); }

protected:
    void paintEvent(QPaintEvent* e) override;
    void resizeEvent(QResizeEvent* e) override;
    void mousePressEvent(QMouseEvent* e) override;
    void mouseReleaseEvent(QMouseEvent* e) override;

private:
    void PlaceWindows(const QSize& client);

    std::vector<QPointer<QWidget>> m_windows; // not owned
    std::vector<std::shared_ptr<CTabCtrlPlusItem>> m_items;
    QFont m_font;
    bool m_captured = false;
};
