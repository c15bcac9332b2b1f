// A small child window that plays an animation cut from one horizontal strip of equal frames and takes
// the shape of each frame: pixels of a key colour (within a tolerance) are cut out of the window.
// The regions are computed once per frame when the strip is loaded and applied when the frame changes.
// User-interface thread only.
#pragma once

#include "controls/Win32Types.h"

#include <QBasicTimer>
#include <QImage>
#include <QRegion>
#include <QWidget>
#include <vector>

class CImageWnd : public QWidget {
    Q_OBJECT
public:
    static constexpr COLORREF kTolerance = 0x101010;

    explicit CImageWnd(QWidget* parent = nullptr);
    ~CImageWnd() override;

    // Loads the strip of a bitmap id cut into nFrames frames. Refused (false, nothing loaded) when the
    // bitmap is missing, nFrames is 0 or the strip is narrower than nFrames pixels.
    bool LoadFrames(unsigned nBitmapID, unsigned nFrames, unsigned nInterval, COLORREF crKey, bool bLoop);
    bool LoadFrames(const QImage& strip, unsigned nFrames, unsigned nInterval, COLORREF crKey, bool bLoop);

    // Centres one frame on (x, y) of the parent; -1 in either stands for the centre of the parent.
    // Nothing without a strip, or for -1 without a parent.
    void MoveTo(int x, int y);
    void Start();
    void Stop();
    bool IsStopped() const { return m_stopped; }
    bool IsRunning() const { return m_timer.isActive(); }

    int GetFrameCount() const { return m_frames; }
    int GetCurrentFrame() const { return m_current; }
    int GetInterval() const { return m_interval; }
    QSize FrameSize() const;
    // The shape of frame i (empty when every pixel is of the key colour or i is out of range).
    QRegion FrameRegion(int i) const;

    // The opaque pixels of frame iFrame as rows of runs. A pixel is cut out when each of its red, green
    // and blue lies between the key's channel and that channel plus the tolerance's (at most 255).
    static QRegion BitmapToRegion(const QImage& strip, int nFrames, int iFrame, COLORREF crKey, COLORREF crTolerance);

protected:
    // One step of the animation: the timer's work.
    void OnTimer();
    void timerEvent(QTimerEvent* e) override;
    void paintEvent(QPaintEvent* e) override;

private:
    void Release();
    void ApplyFrameRegion();

    QImage m_strip;
    int m_frames = 0;
    int m_current = 0;
    int m_interval = 50;
    bool m_loop = true;
    COLORREF m_key = 0xFFFFFF;
    std::vector<QRegion> m_regions;
    bool m_stopped = false;
    QBasicTimer m_timer;
};
