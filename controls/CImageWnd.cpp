// The shaped animation window.
#include "controls/CImageWnd.h"

#include "controls/CResourceLibrary.h"

#include <QPainter>
#include <QTimerEvent>

CImageWnd::CImageWnd(QWidget* parent) : QWidget(parent) {}

CImageWnd::~CImageWnd()
{
    Stop();
}

QRegion CImageWnd::BitmapToRegion(const QImage& strip, int nFrames, int iFrame, COLORREF crKey, COLORREF crTolerance)
{
    if (strip.isNull() || nFrames <= 0 || iFrame < 0 || iFrame >= nFrames) return QRegion();
    const int fw = strip.width() / nFrames;
    const int h = strip.height();
    if (fw <= 0 || h <= 0) return QRegion();
    const QImage frame = strip.copy(iFrame * fw, 0, fw, h).convertToFormat(QImage::Format_RGB32);

    const int lowR = GetRValue(crKey), lowG = GetGValue(crKey), lowB = GetBValue(crKey);
    const int highR = std::min(255, lowR + GetRValue(crTolerance));
    const int highG = std::min(255, lowG + GetGValue(crTolerance));
    const int highB = std::min(255, lowB + GetBValue(crTolerance));
    auto transparent = [&](QRgb px) {
        const int r = qRed(px), g = qGreen(px), b = qBlue(px);
        return r >= lowR && r <= highR && g >= lowG && g <= highG && b >= lowB && b <= highB;
    };

    // Runs of one row; a row whose runs match the band above lengthens that band, which keeps the
    // rectangles in the canonical banded form that setRects takes as it is.
    std::vector<QRect> rects;
    size_t bandStart = 0; // first rectangle of the band ending on the previous row
    std::vector<std::pair<int, int>> row, previous;
    for (int y = 0; y < h; ++y) {
        const auto* line = reinterpret_cast<const QRgb*>(frame.constScanLine(y));
        row.clear();
        int x = 0;
        while (x < fw) {
            const int x0 = x;
            while (x < fw && !transparent(line[x])) ++x;
            if (x > x0) row.emplace_back(x0, x);
            ++x; // the transparent pixel that ended the run
        }
        if (!row.empty() && row == previous && !rects.empty() && rects.back().bottom() == y - 1) {
            for (size_t i = bandStart; i < rects.size(); ++i) rects[i].setBottom(y);
        } else if (!row.empty()) {
            bandStart = rects.size();
            for (const auto& [x0, x1] : row) rects.emplace_back(x0, y, x1 - x0, 1);
        }
        previous.swap(row);
    }
    QRegion region;
    if (!rects.empty()) region.setRects(rects.data(), int(rects.size()));
    return region;
}

void CImageWnd::Release()
{
    m_strip = QImage();
    m_regions.clear();
    m_frames = 0;
    m_current = 0;
}

bool CImageWnd::LoadFrames(unsigned nBitmapID, unsigned nFrames, unsigned nInterval, COLORREF crKey, bool bLoop)
{
    return LoadFrames(CResourceLibrary::Instance().LoadBitmap(nBitmapID), nFrames, nInterval, crKey, bLoop);
}

bool CImageWnd::LoadFrames(const QImage& strip, unsigned nFrames, unsigned nInterval, COLORREF crKey, bool bLoop)
{
    m_timer.stop();
    Release();
    // No frames, or frames narrower than a pixel, would leave nothing to cut and divide by zero later.
    if (strip.isNull() || nFrames == 0 || nFrames > unsigned(strip.width())) return false;
    m_strip = strip.convertToFormat(QImage::Format_RGB32);
    m_regions.reserve(nFrames);
    for (unsigned i = 0; i < nFrames; ++i)
        m_regions.push_back(BitmapToRegion(m_strip, int(nFrames), int(i), crKey, kTolerance));
    m_frames = int(nFrames);
    m_interval = int(std::min(nInterval, 0x7FFFFFFFu));
    m_loop = bLoop;
    m_key = crKey;
    m_current = 0;
    ApplyFrameRegion();
    update();
    return true;
}

QSize CImageWnd::FrameSize() const
{
    return m_frames > 0 ? QSize(m_strip.width() / m_frames, m_strip.height()) : QSize();
}

QRegion CImageWnd::FrameRegion(int i) const
{
    return i >= 0 && i < int(m_regions.size()) ? m_regions[size_t(i)] : QRegion();
}

void CImageWnd::MoveTo(int x, int y)
{
    if (m_strip.isNull() || m_frames == 0) return;
    if (x == -1 || y == -1) {
        QWidget* parent = parentWidget();
        if (!parent) return;
        // The centre of the parent's window rectangle (frame included) in its client coordinates.
        const QRect frame = parent->frameGeometry(), client = parent->geometry();
        x = (2 * frame.left() + frame.width()) / 2 - client.left();
        y = (2 * frame.top() + frame.height()) / 2 - client.top();
    }
    const QSize f = FrameSize();
    setGeometry(x - f.width() / 2, y - f.height() / 2, f.width(), f.height());
    update();
}

void CImageWnd::Start()
{
    if (m_strip.isNull() || m_frames == 0) return;
    m_stopped = false;
    m_timer.start(m_interval, this);
}

void CImageWnd::Stop()
{
    m_timer.stop();
    m_current = 0;
    m_stopped = true;
    ApplyFrameRegion();
}

void CImageWnd::OnTimer()
{
    if (m_frames == 0) return;
    ++m_current;
    if (m_current >= m_frames && !m_loop) Stop();
    m_current %= m_frames;
    ApplyFrameRegion();
    update();
}

void CImageWnd::ApplyFrameRegion()
{
    // Shaping happens here, on a frame change, never while painting: setting a shape repaints the window.
    const QRegion region = FrameRegion(m_current);
    if (!region.isEmpty() && region != mask()) setMask(region);
}

void CImageWnd::timerEvent(QTimerEvent* e)
{
    if (e->timerId() == m_timer.timerId()) {
        OnTimer();
        return;
    }
    QWidget::timerEvent(e);
}

void CImageWnd::paintEvent(QPaintEvent*)
{
    if (m_strip.isNull() || FrameRegion(m_current).isEmpty()) return;
    const QSize f = FrameSize();
    QPainter p(this);
    p.drawImage(QPoint(0, 0), m_strip, QRect(m_current * f.width(), 0, f.width(), f.height()));
}
