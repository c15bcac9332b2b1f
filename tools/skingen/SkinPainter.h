// Draws one skin bitmap of a given kind: button faces with their caption, the wait-animation strip,
// the menu check mark and the application icon. Every picture here is our own drawing.
#pragma once

#include "tools/skingen/SkinTable.h"

#include <QFont>
#include <QImage>

// caption is the row's text in the bundle's language (empty when the row has none); captionFamily the
// font family that renders that language. False with error set for an unknown kind or bad options.
bool PaintSkinBitmap(const SkinRow& row, const QString& caption, const QString& captionFamily, QImage& out,
                     QString& error);
