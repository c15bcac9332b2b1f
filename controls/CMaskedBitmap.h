// A skin bitmap loaded by resource id that draws itself plainly, stretched, or with one colour left
// transparent. Drawing goes through a QPainter standing for the target device context.
#pragma once

#include "controls/Win32Types.h"

#include <QImage>
#include <QSize>

class QPainter;

class CMaskedBitmap {
public:
    CMaskedBitmap() = default;
    explicit CMaskedBitmap(const QImage& image) : m_image(image) {}

    // Loads the bitmap of an id (language bundle first, then the program); false, and no image, when
    // neither holds it.
    bool LoadBitmap(unsigned id);
    void SetImage(const QImage& image);
    void DeleteObject();

    bool HasImage() const { return !m_image.isNull(); }
    QSize GetSize() const { return m_image.size(); }
    const QImage& Image() const { return m_image; }

    // The whole bitmap at (x, y) at its own size.
    void Draw(QPainter* pDC, int x, int y) const;
    // A band picture (a title or bottom strip) over (x, y, cx, cy): its columns at their own width from
    // the left, its last column repeated to the right of a wider band, nothing squeezed in a narrower one.
    void DrawBand(QPainter* pDC, int x, int y, int cx, int cy) const;
    // The whole bitmap stretched into (x, y, cx, cy).
    void DrawStretched(QPainter* pDC, int x, int y, int cx, int cy) const;
    // The bitmap at (x, y) at its own size in device pixels, whatever the painter's scale; pixels of
    // colour crColour leave the destination unchanged.
    void DrawTransparent(QPainter* pDC, int x, int y, COLORREF crColour) const;

    // The image with every pixel of crColour made fully transparent and every other pixel opaque.
    static QImage MaskedImage(const QImage& image, COLORREF crColour);

private:
    QImage m_image;
    mutable QImage m_masked; // MaskedImage for m_maskedKey, kept while the key stays the same
    mutable COLORREF m_maskedKey = 0;
};
