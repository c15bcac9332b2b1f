// The image view.
#include "views/preview/CImageWindow.h"

#include "controls/CResourceLibrary.h"

#include <QImageReader>
#include <QPainter>

#include <algorithm>

namespace {

const QColor kFrameGrey(128, 128, 128);

void DrawFrame(QPainter& p, const QRect& r)
{
    p.setPen(kFrameGrey);
    p.setBrush(Qt::NoBrush);
    p.drawRect(r.adjusted(0, 0, -1, -1));
}

} // namespace

ImagePlacement CImageWindow::PlaceImage(QSize image, QSize client, bool fit, QPoint scroll)
{
    const int W = client.width(), H = client.height();
    if (!fit || (image.width() <= W && image.height() <= H)) {
        const int w = std::max(0, image.width() - scroll.x() < W ? image.width() - scroll.x() : W);
        const int h = std::max(0, image.height() - scroll.y() < H ? image.height() - scroll.y() : H);
        const int left = w < W ? (W - w) / 2 : 0;
        const int top = h < H ? (H - h) / 2 : 0;
        return {QRect(scroll.x(), scroll.y(), w, h), QRect(left, top, w, h)};
    }
    const float rw = float(image.width()) / float(std::max(1, W));
    const float rh = float(image.height()) / float(std::max(1, H));
    const QRect whole(QPoint(0, 0), image);
    if (rh < rw) {
        const int drawnHeight = int(float(H) * rh / rw);
        const int top = (H - drawnHeight) / 2;
        return {whole, QRect(1, top + 1, W - 2, drawnHeight - 2)};
    }
    const int drawnWidth = int(float(W) * rw / rh);
    const int left = (W - drawnWidth) / 2;
    return {whole, QRect(left + 1, 1, drawnWidth - 2, H - 2)};
}

int CImageWindow::ClampScroll(int pos, int imageLength, int clientLength)
{
    if (pos > 0 && imageLength < clientLength + pos) pos = imageLength - clientLength;
    return std::max(0, pos);
}

CImageWindow::CImageWindow(QWidget* parent) : CScrollWnd(parent)
{
    m_noImageText = CResourceLibrary::Instance().LoadString(181);
    SetContentSize(QSize(-1, -1));
    UpdateScrollBars();
}

CImageWindow::~CImageWindow() = default;

bool CImageWindow::LoadImage(const QString& path)
{
    FreeImage();
    QImageReader reader(path);
    reader.setAutoTransform(false);
    // The decoder's own allocation cap (Qt's default, 256 MiB) refuses images too large to hold.
    QImage decoded = reader.read();
    if (decoded.isNull() || decoded.width() == 0 || decoded.height() == 0) return false;
    m_image = decoded.convertToFormat(QImage::Format_ARGB32_Premultiplied);
    if (m_image.isNull()) return false;
    m_hPos = m_vPos = 0;
    ApplyScrollState();
    update();
    viewport()->update();
    return true;
}

void CImageWindow::FreeImage()
{
    m_image = QImage();
    m_hPos = m_vPos = 0;
    SetContentSize(QSize(-1, -1));
    UpdateScrollBars();
    viewport()->update();
}

void CImageWindow::ApplyScrollState()
{
    const QSize client = viewport()->size();
    if (!HasImage() || m_fit) {
        SetContentSize(QSize(-1, -1)); // hides both bars
        UpdateScrollBars();
        return;
    }
    m_hPos = ClampScroll(m_hPos, m_image.width(), client.width());
    m_vPos = ClampScroll(m_vPos, m_image.height(), client.height());
    SetContentSize(m_image.size());
    UpdateScrollBars();
    // The bars' ranges end at the last pixel, so the far edge can meet the window's edge and no further.
    const QSize after = viewport()->size();
    SetHorzRange(m_image.width() - 1);
    SetHorzPage(after.width());
    SetVertRange(m_image.height() - 1);
    SetVertPage(after.height());
    m_hPos = ClampScroll(m_hPos, m_image.width(), after.width());
    m_vPos = ClampScroll(m_vPos, m_image.height(), after.height());
    // Through the base, so that its bars and the positions painted agree.
    OnHScroll(SB_THUMBTRACK, m_hPos);
    OnVScroll(SB_THUMBTRACK, m_vPos);
}

void CImageWindow::SetFitMode(int mode)
{
    m_fit = mode;
    ApplyScrollState();
    viewport()->update();
}

void CImageWindow::OnVertScrolled(int nPos)
{
    m_vPos = std::max(0, nPos);
    viewport()->update();
}

void CImageWindow::OnHorzScrolled(int nPos)
{
    m_hPos = std::max(0, nPos);
    viewport()->update();
}

void CImageWindow::resizeEvent(QResizeEvent* e)
{
    CScrollWnd::resizeEvent(e);
    ApplyScrollState();
}

void CImageWindow::paintEvent(QPaintEvent*)
{
    QPainter p(viewport());
    const QRect client = viewport()->rect();
    p.fillRect(client, Qt::white);
    if (!HasImage()) {
        p.setPen(Qt::black);
        p.drawText(client, Qt::AlignCenter | Qt::TextSingleLine, m_noImageText);
        DrawFrame(p, client);
        return;
    }
    const ImagePlacement place = PlaceImage(m_image.size(), client.size(), m_fit != 0, QPoint(m_hPos, m_vPos));
    if (place.target.width() > 0 && place.target.height() > 0) {
        p.setRenderHint(QPainter::SmoothPixmapTransform, place.target.size() != place.source.size());
        p.drawImage(place.target, m_image, place.source);
    }
    DrawFrame(p, client);
}
