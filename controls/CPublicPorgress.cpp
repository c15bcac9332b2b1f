// The coloured progress bar.
#include "controls/CPublicPorgress.h"

CPublicPorgress::CPublicPorgress(QWidget* parent) : QProgressBar(parent), m_brush(ToQColor(kBackground))
{
    QPalette pal = palette();
    pal.setBrush(QPalette::Window, m_brush);
    pal.setBrush(QPalette::Base, m_brush);
    setPalette(pal);
    setTextVisible(false);
}
