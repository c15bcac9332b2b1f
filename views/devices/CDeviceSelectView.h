// The scrolling part of the device list: keeps the rows (icon, name, capacity, information text), paints
// them, and turns mouse presses, double clicks, right clicks and the arrow keys into a selection and
// messages to the page. Created and driven by CDeviceSelectCtrl. User-interface thread only.
#pragma once

#include "controls/CMaskedBitmap.h"
#include "views/devices/DeviceSelectTypes.h"

#include <QAbstractScrollArea>
#include <QFont>
#include <QString>
#include <array>
#include <functional>
#include <vector>

class CExtendHeaderCtrl;

class CDeviceSelectView : public QAbstractScrollArea {
    Q_OBJECT
public:
    static constexpr int kCellCount = 3;
    static constexpr QRgb kSelectedFill = 0xFFD8FBFC; // RGB(216, 251, 252)

    struct Cell {
        int bitmap = -1; // index into the view's icons, -1 none
        QString text;
        int width = 0;
    };
    struct Row {
        int top = 0;
        int height = 0;
        bool selected = false;
        bool disabled = false; // greyed, never selected
        void* data = nullptr;  // the page's record; not owned
        std::array<Cell, kCellCount> cells;
        int Width() const { return cells[0].width + cells[1].width + cells[2].width; }
    };

    // The height of a row: the tallest of each icon + 10 and each cell's text block (one line per line
    // break), at least one line.
    static int RowHeight(const Row& row, const std::array<QSize, 7>& iconSizes,
                         const std::function<int(const QString&)>& textHeight);
    // The row under a point in list coordinates, -1 for none.
    static int HitRow(const std::vector<Row>& rows, const QPoint& listPoint);
    // The vertical position that shows [top, top + height) in a page of pageHeight starting at pos.
    static int ScrollPosToShow(int pos, int pageHeight, int top, int height);

    explicit CDeviceSelectView(QWidget* parent = nullptr);
    ~CDeviceSelectView() override;

    // The control's header (not owned); cell widths are taken from its items.
    void SetHeaderCtrl(CExtendHeaderCtrl* header) { m_header = header; }
    // The control that receives the scroll message, and the page that receives clicks.
    void SetNotify(QObject* control, QObject* page)
    {
        m_control = control;
        m_page = page;
    }

    void SetDeviceBitmaps(const DEVICE_BITMAP& bitmaps);
    void AddItem(const DEVICE_ITEM* item);
    void DeleteItem(int i);
    void DeleteAllItems();
    int GetSelectedIndex() const;
    void* GetItemData(int i) const;
    void ClearSelection();
    // A text shown under the rows (word-wrapped to the list's width); empty shows none.
    void SetNote(const QString& note);
    const QString& Note() const { return m_note; }
    // Sets a column's width into every row and the scroll width to the sum of the header's items.
    void SetColumnWidth(int column, int width);

    int GetItemCount() const { return int(m_rows.size()); }
    const Row& GetRow(int i) const { return m_rows[size_t(i)]; }
    QSize ContentSize() const { return {m_scrollWidth, m_scrollHeight}; }
    int HorzPos() const;
    int VertPos() const;
    const QFont& RowFont() const { return m_font; }
    const CMaskedBitmap& Icon(int i) const { return m_icons[size_t(i)]; }
    // The list rectangle (content coordinates) of row i.
    QRect RowRect(int i) const;
    void EnsureVisible(int i);

protected:
    void paintEvent(QPaintEvent* e) override;
    void resizeEvent(QResizeEvent* e) override;
    void showEvent(QShowEvent* e) override;
    void scrollContentsBy(int dx, int dy) override;
    void mousePressEvent(QMouseEvent* e) override;
    void mouseDoubleClickEvent(QMouseEvent* e) override;
    void mouseReleaseEvent(QMouseEvent* e) override;
    void keyPressEvent(QKeyEvent* e) override;

private:
    void LayoutRows();
    void UpdateScrollSizes();
    void PaintCell(QPainter& p, const Row& row, const Cell& cell, int left);
    int TextHeight(const QString& text) const;

    std::array<CMaskedBitmap, 7> m_icons;
    CExtendHeaderCtrl* m_header = nullptr;
    QObject* m_control = nullptr;
    QObject* m_page = nullptr;
    QFont m_font;
    std::vector<Row> m_rows;
    QString m_note;
    int m_scrollWidth = 0;
    int m_scrollHeight = 0;
};
