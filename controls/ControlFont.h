// The fonts of the windows. Self-drawn controls make their text font from one rule: a cell height of 14
// pixels, normal weight, in the interface language's face ("Arial", or "Meiryo UI" for Japanese).
// Those faces are mapped to installed fonts of the same metrics (Liberation Sans, Noto Sans CJK JP).
#pragma once

#include <QFont>
#include <QString>

// Maps the faces the windows name to the installed fonts; done once, also by the functions below.
void InstallFontSubstitutes();

// A font whose cell (ascent + descent) is at most cellHeight pixels, as a positive LOGFONT height asks.
QFont MakeCellHeightFont(const QString& face, int cellHeight, int weight);

// The text font of self-drawn controls.
QFont CreateControlFont();

// The font of the dialog templates: 8 points (11 pixels on a 96-dpi screen) in the interface face.
QFont CreateDialogFont();
