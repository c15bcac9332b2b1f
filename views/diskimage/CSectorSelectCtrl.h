// The sector range selector: a self-drawn bar standing for the whole source, from sector 0 to its last
// sector, with a selected stretch and a grip at each end. Dragging a grip moves one end, dragging the
// stretch moves it whole; the owner hears of every change through selectionChanged.
#pragma once

#include <QRect>
#include <QWidget>

#include <cstdint>

// The geometry and the pixel-sector arithmetic, apart from the window so that tests can call it.
struct SectorBarGeometry {
    static constexpr int kVerticalMargin = 15, kBarInset = 12, kGripWidth = 8;

    QRect bar; // the bar: x from left to left + width
    uint64_t lastSector = 0;
    double sectorsPerPixel = 1.0;

    // Lays the bar out in a client rectangle and sets the scale.
    void Layout(const QRect& client, uint64_t last);
    int Left() const { return bar.left(); }
    int Right() const { return bar.left() + bar.width(); } // the pixel that stands for the last sector
    int PixelOf(uint64_t sector) const;
    // The sector at a pixel; the bar's two ends give exactly sector 0 and the last sector.
    uint64_t SectorAt(int x) const;
};

class CSectorSelectCtrl : public QWidget {
    Q_OBJECT
public:
    enum DragMode { kNone = 0, kLeftGrip = 1, kRightGrip = 2, kStretch = 4 };

    explicit CSectorSelectCtrl(QWidget* parent = nullptr);

    void SetColors(QRgb selection)
    {
        m_selColor = selection;
        update();
    }
    void SetBarColor(QRgb bar)
    {
        m_barColor = bar;
        update();
    }
    // The source's sector count; selects everything and returns the last sector.
    uint64_t SetTotal(uint64_t sectorCount);
    // A pair outside the source, or first above last, selects the whole source (and notifies).
    void SetSelection(uint64_t first, uint64_t last);
    // The selected sectors as the stretch now stands.
    void GetSelection(uint64_t& first, uint64_t& last);

    QRect SelectionRect() const { return m_sel; }
    QRect LeftGrip() const { return m_leftGrip; }
    QRect RightGrip() const { return m_rightGrip; }
    const SectorBarGeometry& Geometry() const { return m_geo; }

signals:
    void selectionChanged();

protected:
    void paintEvent(QPaintEvent* e) override;
    void mousePressEvent(QMouseEvent* e) override;
    void mouseDoubleClickEvent(QMouseEvent* e) override;
    void mouseMoveEvent(QMouseEvent* e) override;
    void mouseReleaseEvent(QMouseEvent* e) override;
    void resizeEvent(QResizeEvent* e) override;

private:
    void PlaceGrips();

    QRgb m_selColor = 0xFF64DE64;
    QRgb m_barColor = 0xFFE7ECF3;
    QRgb m_background = 0xFFB1DAF4;
    SectorBarGeometry m_geo;
    QRect m_sel, m_leftGrip, m_rightGrip;
    uint64_t m_first = 0, m_last = 0;
    int m_mode = kNone;
    bool m_capture = false;
    QPoint m_lastPoint;
};
