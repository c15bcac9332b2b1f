// A two-pane splitter whose one pane (first or second) keeps its size when the splitter is resized and can
// be dragged only between a minimum and a maximum; its bars are painted flat in one colour.
// User-interface thread only.
#pragma once

#include "controls/Win32Types.h"

#include <QSplitter>
#include <optional>

class CExSplitterWnd : public QSplitter {
    Q_OBJECT
public:
    static constexpr COLORREF kBarColor = 0xDBD4CB;
    static constexpr int kBarWidth = 6;
    static constexpr int kMinFirstRow = 20; // a first row dragged smaller above a fixed second row
    enum Mode { ModeNone = 0, ModeRows = 1, ModeColumns = 2 };

    // The first pane's size once a drag ends (s: the fixed pane's size after the drag, first: the first
    // pane's), or nothing when the drag result stands.
    static std::optional<int> FirstPaneAfterDrag(int mode, int fixedIndex, int s, int first, int client, int overhead,
                                                 int minSize, int maxSize);
    // The first pane's size when a fixed second pane keeps its size in a client of this length.
    static int FirstPaneForFixedSecond(int client, int fixedSize, int overhead);

    explicit CExSplitterWnd(Qt::Orientation orientation = Qt::Horizontal, QWidget* parent = nullptr);
    ~CExSplitterWnd() override;

    // Called once the two panes are added and before the splitter is first shown. Rows stack the panes
    // vertically, columns side by side.
    void SetFixedColumn(int iCol, int nWidth, int iMin, int iMax);
    void SetFixedRow(int iRow, int iHeight, int iMin, int iMax);

    int GetMode() const { return m_mode; }
    int Overhead() const { return m_overhead; }
    COLORREF BarColor() const { return m_barColor; }
    // The size of pane i along the split direction (0 without it).
    int PaneSize(int i) const;
    // What the end of a drag does: bounds the fixed pane and lays the panes out again.
    void OnDragEnd();
    // Gives the fixed pane a new size, bounded by its minimum and maximum, as if the user had dragged it.
    void SetFixedPaneSize(int size);
    int FixedPaneSize() const { return m_fixedSize; }

protected:
    QSplitterHandle* createHandle() override;
    void resizeEvent(QResizeEvent* e) override;

private:
    void InitialLayout();
    int ClientLength() const;
    void SetFirstPane(int first);

    int m_mode = ModeNone;
    int m_fixedIndex = 0;
    int m_fixedSize = 0;
    int m_min = 0;
    int m_max = 0;
    int m_overhead = 0;
    COLORREF m_barColor = kBarColor;
};
