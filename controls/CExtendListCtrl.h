// A self-drawn scrolling list with a header, whose rows hold one cell per column and whose cells hold up
// to four elements (check box, icon, text). A toggled check box tells its receiver (ICheckBoxNotify); a
// right click on a row sends UM_SELECTION_TOTALS (2024, wParam and lParam 0) to the notify window.
// The list owns its rows. User-interface thread only.
#pragma once

#include "controls/CExtendListRow.h"
#include "controls/Win32Types.h"

#include <QAbstractScrollArea>
#include <QFont>
#include <functional>
#include <memory>
#include <vector>

class CExtendHeaderCtrl;

// DrawText formats of the cells: word ellipsis, no prefix, single line, centred vertically.
constexpr unsigned DT_LEFT = 0x0;
constexpr unsigned DT_CENTER = 0x1;
constexpr unsigned DT_RIGHT = 0x2;
constexpr unsigned DT_VCENTER = 0x4;
constexpr unsigned DT_SINGLELINE = 0x20;
constexpr unsigned DT_NOPREFIX = 0x800;
constexpr unsigned DT_WORD_ELLIPSIS = 0x40000;

class CExtendListCtrl : public QAbstractScrollArea {
    Q_OBJECT
public:
    enum ARRANGE_FORMAT { AF_LEFT = 0, AF_RIGHT = 1, AF_CENTER = 2 };
    static constexpr int kHeaderId = 1002;
    static constexpr int kLineStep = 10;
    static constexpr QRgb kSelectedFill = 0xFFD8FBFC; // COLORREF 0xFCFBD8
    static constexpr int kCheckBoxSize = 14;
    static constexpr int kIconSize = 20;

    // One element placed in a cell.
    struct Element {
        enum Kind { CheckBox, Icon, Text } kind;
        int item;
        RECT rect;
    };
    // Places the elements of a cell in r, left to right, as far as they fit, and stores each check box's
    // rectangle in its item; a check box that did not fit gets an empty rectangle so it cannot be hit.
    static std::vector<Element> LayoutCell(CExtendListCell& cell, const RECT& r,
                                           const std::function<int(const QString&)>& textWidth);
    // The DrawText format of a column alignment; an unknown column gives the left format.
    static unsigned FormatOf(int arrange);

    explicit CExtendListCtrl(QWidget* parent = nullptr);
    ~CExtendListCtrl() override;

    // Makes the window at rect (pixels) under parent, logging the creation record.
    bool Create(unsigned style, const RECT& rect, QWidget* parent, unsigned nID);
    // The receiver of UM_SELECTION_TOTALS after a right click; null for none.
    void SetNotifyWnd(QObject* hWnd);

    // Columns come first, once; a null text logs nothing.
    void InsertColumn(const QString& lpszText, unsigned dwWidth, ARRANGE_FORMAT eArrange);
    // A new row below the last; returns its index.
    int AddRow(int nHeight);
    // Appends a copy of the cell (count, items, text colour) as the row's next column; false when the row
    // does not exist or already has a cell per column.
    bool AddCell(unsigned nRow, const CExtendListCell* pCell);
    CExtendListRow* GetRow(int nIndex) const;
    int GetRowCount() const { return int(m_rows.size()); }
    int GetSelectedRow() const;
    void SelectRow(CExtendListRow* pRow);
    void DeleteAllRows();
    void SetColumnWidth(int nCol, int nWidth);
    void EnsureRowVisible(CExtendListRow* pRow);
    void InvalidateRow(CExtendListRow* pRow);
    // Recomputes the content size and both scroll ranges, keeping the positions within them.
    void UpdateScrollBars();
    void LayoutHeader(bool bRedraw);

    CExtendHeaderCtrl* Header() const { return m_header; }
    int ContentWidth() const { return m_contentWidth; }
    int ContentHeight() const { return m_contentHeight; }
    int HorzPos() const { return m_hPos; }
    int VertPos() const { return m_vPos; }
    int HorzPage() const { return m_hPage; }
    int VertPage() const { return m_vPage; }
    // Scrolls by a delta as a scroll-bar action would, within the range; returns the delta applied.
    int ScrollVert(int delta);
    int ScrollHorz(int delta);

    // Clicks in viewport coordinates, as the mouse gives them: toggle a check box under the point, if
    // any, and select the row; a right click then sends UM_SELECTION_TOTALS.
    void ClickAt(const QPoint& pt, bool right);

protected:
    void paintEvent(QPaintEvent* e) override;
    void resizeEvent(QResizeEvent* e) override;
    bool viewportEvent(QEvent* e) override;
    void scrollContentsBy(int dx, int dy) override;
    void mousePressEvent(QMouseEvent* e) override;
    void mouseDoubleClickEvent(QMouseEvent* e) override;
    void mouseReleaseEvent(QMouseEvent* e) override;
    void wheelEvent(QWheelEvent* e) override;
    void keyPressEvent(QKeyEvent* e) override;

private:
    void PaintRow(QPainter& p, CExtendListRow& row);
    void PaintCell(QPainter& p, CExtendListCell& cell, const RECT& r, bool selected);
    void ToggleCheckBoxAt(CExtendListRow& row, const QPoint& pt);
    void OnColumnResized(int column, int oldSize, int newSize);
    void SyncScrollBars();

    CExtendHeaderCtrl* m_header;
    std::vector<std::unique_ptr<CExtendListRow>> m_rows;
    std::vector<ARRANGE_FORMAT> m_arrange;
    int m_contentWidth = 0;
    int m_contentHeight = 0;
    int m_hPos = 0;
    int m_vPos = 0;
    int m_hPage = 0;
    int m_vPage = 0;
    QFont m_font;
    QObject* m_notify = nullptr; // not owned
    bool m_syncing = false;
    bool m_updating = false;
};
