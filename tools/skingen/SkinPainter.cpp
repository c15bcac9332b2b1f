// The drawings of the skin bitmaps.
#include "tools/skingen/SkinPainter.h"

#include <QFontMetrics>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>
#include <cmath>

namespace {

struct FaceColours {
    QColor top, bottom, border, text;
    int textShift;
};

bool FaceFor(const QString& state, FaceColours& c)
{
    if (state == u"normal")
        c = {QColor(0xfd, 0xfd, 0xfd), QColor(0xdc, 0xe6, 0xf2), QColor(0x6a, 0x8c, 0xb5), QColor(0x1d, 0x2b, 0x3a), 0};
    else if (state == u"hover")
        c = {QColor(0xff, 0xff, 0xff), QColor(0xc9, 0xe1, 0xfa), QColor(0x34, 0x7b, 0xd0), QColor(0x0b, 0x27, 0x45), 0};
    else if (state == u"push")
        c = {QColor(0xbd, 0xd3, 0xec), QColor(0xe4, 0xee, 0xf9), QColor(0x27, 0x5a, 0x99), QColor(0x0b, 0x27, 0x45), 1};
    else if (state == u"disable")
        c = {QColor(0xf4, 0xf4, 0xf4), QColor(0xe8, 0xe8, 0xe8), QColor(0xb4, 0xb4, 0xb4), QColor(0xa0, 0xa0, 0xa0), 0};
    else
        return false;
    return true;
}

// The largest pixel size (at most maxPx) at which text fits into width.
QFont FittingFont(const QString& family, const QString& text, int width, int maxPx, bool bold)
{
    QFont f(family);
    f.setBold(bold);
    f.setStyleStrategy(QFont::PreferAntialias);
    for (int px = maxPx; px >= 8; --px) {
        f.setPixelSize(px);
        if (QFontMetrics(f).horizontalAdvance(text) <= width) return f;
    }
    f.setPixelSize(8);
    return f;
}

void PaintButton(const SkinRow& row, const FaceColours& c, const QString& caption, const QString& family, QImage& img)
{
    img = QImage(row.width, row.height, QImage::Format_RGB32);
    img.fill(QColor(0xf0, 0xf0, 0xf0));
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    const QRectF face(0.5, 0.5, row.width - 1.0, row.height - 1.0);
    QLinearGradient g(0, 0, 0, row.height);
    g.setColorAt(0, c.top);
    g.setColorAt(1, c.bottom);
    QPainterPath path;
    path.addRoundedRect(face, 3, 3);
    p.fillPath(path, g);
    p.setPen(QPen(c.border, 1));
    p.drawPath(path);
    if (c.textShift == 0) {
        p.setPen(QPen(QColor(255, 255, 255, 150), 1));
        p.drawLine(QPointF(3, 1.5), QPointF(row.width - 3, 1.5));
    }
    if (!caption.isEmpty()) {
        p.setRenderHint(QPainter::TextAntialiasing);
        const int maxPx = std::max(8, std::min(14, row.height / 2));
        p.setFont(FittingFont(family, caption, row.width - 10, maxPx, true));
        p.setPen(c.text);
        QRect textRect(0, 0, row.width, row.height);
        textRect.translate(c.textShift, c.textShift);
        p.drawText(textRect, Qt::AlignCenter | Qt::TextSingleLine, caption);
    }
}

// A tab of a row of tabs standing on a page frame: rounded at the top, open at the bottom. The active tab
// ("disable", the tab of the page shown, which cannot be pressed again) is white like the page below it
// with a coloured top edge; the others are shaded and stand a little lower.
bool PaintTab(const SkinRow& row, const QString& state, const QString& caption, const QString& family, QImage& img)
{
    const bool active = state == u"disable";
    FaceColours c;
    if (active)
        c = {QColor(Qt::white), QColor(Qt::white), QColor(137, 139, 136), QColor(0x0b, 0x27, 0x45), 0};
    else if (!FaceFor(state, c))
        return false;
    img = QImage(row.width, row.height, QImage::Format_RGB32);
    img.fill(QColor(0xf0, 0xf0, 0xf0));
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    const double top = active ? 0.5 : 2.5;
    QPainterPath path;
    path.moveTo(0.5, row.height);
    path.lineTo(0.5, top + 4);
    path.quadTo(0.5, top, 4.5, top);
    path.lineTo(row.width - 4.5, top);
    path.quadTo(row.width - 0.5, top, row.width - 0.5, top + 4);
    path.lineTo(row.width - 0.5, row.height);
    QLinearGradient g(0, top, 0, row.height);
    g.setColorAt(0, c.top);
    g.setColorAt(1, c.bottom);
    p.fillPath(path, g);
    p.setPen(QPen(active ? QColor(137, 139, 136) : c.border, 1));
    p.drawPath(path);
    if (active) {
        p.setPen(QPen(QColor(0x34, 0x7b, 0xd0), 2));
        p.drawLine(QPointF(3, 1.5), QPointF(row.width - 3, 1.5));
    } else {
        p.setPen(QPen(QColor(137, 139, 136), 1)); // the page frame runs under the tabs behind
        p.drawLine(QPointF(0, row.height - 0.5), QPointF(row.width, row.height - 0.5));
    }
    if (!caption.isEmpty()) {
        p.setRenderHint(QPainter::TextAntialiasing);
        p.setFont(FittingFont(family, caption, row.width - 8, std::max(8, std::min(13, row.height - 8)), true));
        p.setPen(c.text);
        p.drawText(QRect(0, int(top), row.width, row.height - int(top)), Qt::AlignCenter | Qt::TextSingleLine, caption);
    }
    return true;
}

// The small picture beside explanatory texts: a blue disc with a white "i".
void PaintNote(const SkinRow& row, QImage& img)
{
    img = QImage(row.width, row.height, QImage::Format_ARGB32);
    img.fill(Qt::transparent);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    p.scale(row.width / 16.0, row.height / 16.0);
    QRadialGradient disc(QPointF(6, 5), 10);
    disc.setColorAt(0, QColor(0x5d, 0x9c, 0xe6));
    disc.setColorAt(1, QColor(0x1e, 0x5a, 0xa8));
    p.setPen(QPen(QColor(0x17, 0x47, 0x85), 1));
    p.setBrush(disc);
    p.drawEllipse(QRectF(0.5, 0.5, 15, 15));
    p.setPen(Qt::NoPen);
    p.setBrush(Qt::white);
    p.drawEllipse(QPointF(8, 4.6), 1.3, 1.3);
    p.drawRoundedRect(QRectF(6.9, 6.8, 2.2, 6.2), 0.8, 0.8);
}

bool PaintWait(const SkinRow& row, QImage& img, QString& error)
{
    bool ok = false;
    const int frames = row.options.value(QStringLiteral("frames")).toInt(&ok);
    if (!ok || frames <= 0 || row.width % frames != 0) {
        error = QStringLiteral("wait strip %1: frames must divide the width").arg(row.id);
        return false;
    }
    const int fw = row.width / frames;
    img = QImage(row.width, row.height, QImage::Format_RGB32);
    img.fill(Qt::white);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(Qt::NoPen);
    const int dots = 12;
    const double radius = std::min(fw, row.height) / 2.0 - 4.0;
    const double dot = std::max(1.5, std::min(fw, row.height) / 13.0);
    const QColor head(0x1e, 0x5a, 0xa8), tail(0xc6, 0xd5, 0xe9);
    for (int f = 0; f < frames; ++f) {
        const QPointF centre(f * fw + fw / 2.0, row.height / 2.0);
        for (int j = 0; j < dots; ++j) {
            const int age = ((f * dots / frames) - j + dots) % dots; // 0 is the leading dot
            const double t = std::min(1.0, age / 7.0);
            const QColor col = QColor::fromRgbF(head.redF() + (tail.redF() - head.redF()) * t,
                                                head.greenF() + (tail.greenF() - head.greenF()) * t,
                                                head.blueF() + (tail.blueF() - head.blueF()) * t);
            const double a = 2 * M_PI * j / dots - M_PI / 2;
            p.setBrush(col);
            p.drawEllipse(centre + QPointF(std::cos(a) * radius, std::sin(a) * radius), dot, dot);
        }
    }
    return true;
}

void PaintCheckmark(const SkinRow& row, QImage& img)
{
    img = QImage(row.width, row.height, QImage::Format_RGB32);
    img.fill(QColor(0xb0, 0xe0, 0xfe)); // the menus' selection colour, drawn as the transparent key
    QPainter p(&img);
    const double sx = row.width / 15.0, sy = row.height / 15.0;
    p.setPen(QPen(QColor(0x1a, 0x1a, 0x1a), std::max(1.0, 2.0 * std::min(sx, sy)), Qt::SolidLine, Qt::SquareCap,
                  Qt::MiterJoin));
    const QPointF pts[] = {{3.5 * sx, 7.5 * sy}, {6.0 * sx, 10.0 * sy}, {11.5 * sx, 4.0 * sy}};
    p.drawPolyline(pts, 3);
}

void PaintAppIcon(const SkinRow& row, QImage& img)
{
    img = QImage(row.width, row.height, QImage::Format_ARGB32);
    img.fill(Qt::transparent);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    p.scale(row.width / 32.0, row.height / 32.0);
    // A disk platter with a green arrow rising out of it.
    QRadialGradient platter(QPointF(13, 13), 16);
    platter.setColorAt(0, QColor(0xf2, 0xf5, 0xf9));
    platter.setColorAt(1, QColor(0x8f, 0xa3, 0xba));
    p.setPen(QPen(QColor(0x3d, 0x55, 0x72), 1));
    p.setBrush(platter);
    p.drawEllipse(QPointF(15, 17), 13.5, 13.5);
    p.setBrush(QColor(0x3d, 0x55, 0x72));
    p.drawEllipse(QPointF(15, 17), 3, 3);
    QPainterPath arrow;
    arrow.moveTo(22, 2);
    arrow.lineTo(30, 11);
    arrow.lineTo(25.5, 11);
    arrow.lineTo(25.5, 19);
    arrow.lineTo(18.5, 19);
    arrow.lineTo(18.5, 11);
    arrow.lineTo(14, 11);
    arrow.closeSubpath();
    p.setPen(QPen(QColor(0x1d, 0x6b, 0x2a), 1));
    p.setBrush(QColor(0x3c, 0xb0, 0x4e));
    p.drawPath(arrow);
}

} // namespace

bool PaintSkinBitmap(const SkinRow& row, const QString& caption, const QString& captionFamily, QImage& out,
                     QString& error)
{
    if (row.kind.startsWith(u"button.")) {
        FaceColours c;
        if (!FaceFor(row.kind.mid(7), c)) {
            error = QStringLiteral("skin %1: unknown button state %2").arg(row.id).arg(row.kind);
            return false;
        }
        PaintButton(row, c, caption, captionFamily, out);
        return true;
    }
    if (row.kind.startsWith(u"tab.")) {
        if (!PaintTab(row, row.kind.mid(4), caption, captionFamily, out)) {
            error = QStringLiteral("skin %1: unknown tab state %2").arg(row.id).arg(row.kind);
            return false;
        }
        return true;
    }
    if (row.kind == u"note") {
        PaintNote(row, out);
        return true;
    }
    if (row.kind == u"wait") return PaintWait(row, out, error);
    if (row.kind == u"checkmark") {
        PaintCheckmark(row, out);
        return true;
    }
    if (row.kind == u"appicon") {
        PaintAppIcon(row, out);
        return true;
    }
    error = QStringLiteral("skin %1: unknown kind %2").arg(row.id).arg(row.kind);
    return false;
}
