// A popup menu whose items it draws itself in a flat look: white background, a light-blue selection bar
// with a black frame, and a check-mark bitmap (143) whose selection-coloured pixels are transparent.
// Each item carries its text as item data; an item without text draws nothing. User-interface thread only.
#pragma once

#include "controls/Win32Types.h"

#include <QMenu>
#include <optional>

class CXPMenu : public QMenu {
    Q_OBJECT
public:
    static constexpr COLORREF kSelectionColour = 0xFEE0B0;
    static constexpr unsigned kCheckBitmap = 143;
    // The menu metrics the drawing follows (menu bar item size, check-mark size) at 96 dpi.
    static constexpr int kMenuSize = 19;
    static constexpr int kMenuCheck = 15;

    explicit CXPMenu(QWidget* parent = nullptr);
    ~CXPMenu() override;

    // Appends an owner-drawn item with a command id; std::nullopt gives an item without text data.
    QAction* AppendItem(unsigned nID, const std::optional<QString>& text, bool checked = false);
    // Shows the menu at a global position and returns the command id chosen, 0 when none.
    unsigned TrackPopupMenu(const QPoint& globalPos);
    static unsigned CommandId(const QAction* action);

    // Draws one item into R; text null draws nothing at all.
    void DrawItem(QPainter* painter, const QRect& R, bool selected, bool checked, const QString* text) const;
    // The item size: menu size + text width + check width, by menu size.
    QSize MeasureItem(const QString* text) const;
    // Where the check mark goes: at most the check size in each direction, centred in the check column
    // and vertically in R.
    static QRect CheckMarkRect(const QRect& R, QSize bitmapSize, QSize checkSize);

    void SetBkColor(COLORREF c) { m_bk = c; }

protected:
    void paintEvent(QPaintEvent* e) override;

private:
    COLORREF m_bk = 0xFFFFFF;
    mutable bool m_drawingDisabled = false; // set by paintEvent around each item
};
