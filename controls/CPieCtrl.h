// A window that shows three amounts of disk space (free, required, used) as a flat three-dimensional pie:
// an elliptical top face in three coloured slices over a 12-pixel edge below its front half. The pie is
// computed from the amounts and the window size at every paint. User-interface thread only.
#pragma once

#include "controls/Win32Types.h"

#include <QImage>
#include <QPoint>
#include <QWidget>
#include <array>
#include <cstdint>

struct CPieSlice {
    int angle = 0; // degrees
    QPoint start;  // on the top ellipse, relative to the centre (y grows downwards)
    QPoint end;
    RECT edge; // the part of the edge band that belongs to the slice, relative to the centre
    COLORREF face = 0;
    COLORREF edgeColour = 0;
};

class CPieCtrl : public QWidget {
    Q_OBJECT
public:
    static constexpr int kEdgeDepth = 12;
    static constexpr int kMinWidth = 180;
    static constexpr int kMinHeight = 130;
    enum { kFree = 0, kRequired = 1, kUsed = 2 };

    struct Geometry {
        bool empty = true; // nothing to draw: no amount, or a sum that is not positive
        int rx = 0;
        int ry = 0;
        QPoint centre; // in the client area
        std::array<CPieSlice, 3> slices;
    };
    static Geometry ComputePie(int64_t llFree, int64_t llRequired, int64_t llUsed, int width, int height);
    // The picture of a pie on the background colour.
    static QImage RenderPie(const Geometry& g, int width, int height, COLORREF background);

    explicit CPieCtrl(QWidget* parent = nullptr);
    ~CPieCtrl() override;

    // Makes the window at rect, widened to at least 180 x 130 pixels from its top-left corner.
    bool Create(const RECT& rect, QWidget* parent, unsigned nID);
    // Stores the amounts; the owner repaints the control.
    void SetSpace(int64_t llFreeSpace, int64_t llRequiredSpace, int64_t llUsedSpace);
    void SetBkColor(COLORREF cr) { m_background = cr; }
    COLORREF GetBkColor() const { return m_background; }
    const Geometry& LastDrawing() const { return m_last; }

protected:
    void paintEvent(QPaintEvent* e) override;

private:
    int64_t m_free = 0;
    int64_t m_required = 0;
    int64_t m_used = 0;
    COLORREF m_background = RGB(255, 255, 255);
    Geometry m_last;
};
