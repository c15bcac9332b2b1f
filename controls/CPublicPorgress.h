// The progress bar of the disk-image run step: a plain progress bar whose background is the colour
// 0xFDFCFB, chosen by the control itself so that its dialog's default colours do not apply to it.
#pragma once

#include "controls/Win32Types.h"

#include <QProgressBar>

class CPublicPorgress : public QProgressBar {
    Q_OBJECT
public:
    static constexpr COLORREF kBackground = 0xFDFCFB;

    explicit CPublicPorgress(QWidget* parent = nullptr);
    // The brush the control paints its background with.
    QBrush Brush() const { return m_brush; }

private:
    QBrush m_brush;
};
