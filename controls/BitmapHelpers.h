// Two bitmap functions shared by the windows: drawing a bitmap with the colour of one of its pixels shown
// as the target's background colour, and a bitmap's size.
#pragma once

#include <QImage>
#include <QSize>

class QPainter;

// Draws width x height pixels of bitmap (from its top-left corner) at (x, y). Every pixel of the colour
// found at (xTransparent, yTransparent) of the bitmap shows the painter's background colour instead.
// A transparent point outside the bitmap leaves no colour transparent; the size is cut to the bitmap.
void DrawTransparentBitmap(QPainter* hdc, const QImage& hBitmapSrc, int x, int y, int cxBitmap, int cyBitmap,
                           int xTransparent, int yTransparent);

QSize GetBitmapSize(const QImage& bitmap);
