// Drawings of the wizard's strips, buttons and page background.
#include "wizard/WizardSkin.h"

#include "controls/CResourceLibrary.h"
#include "controls/ControlFont.h"
#include "core/LanguageHelpers.h"
#include "views/files/RuntimePictures.h"

#include <QFontMetrics>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>

using namespace wizard_skin;

namespace {

const QColor kTitleTop(0x17, 0x3f, 0x77);
const QColor kTitleBottom(0x2a, 0x68, 0xb4);

QString Text(const QString& key)
{
    return CResourceLibrary::Instance().LoadText(key);
}

QString Text(const char* key)
{
    return Text(QString::fromLatin1(key));
}

QFont UiFont(int pixels, bool bold)
{
    InstallFontSubstitutes();
    QFont f(QString::fromLatin1(GetUIFontName()));
    f.setPixelSize(pixels);
    f.setBold(bold);
    f.setStyleStrategy(QFont::PreferAntialias);
    return f;
}

// The largest font up to maxPixels in which text fits width.
QFont FittingFont(const QString& text, int width, int maxPixels, bool bold)
{
    for (int px = maxPixels; px > 8; --px) {
        const QFont f = UiFont(px, bold);
        if (QFontMetrics(f).horizontalAdvance(text) <= width) return f;
    }
    return UiFont(8, bold);
}

// The title strip's background; rows depend on y only, so a link button painted with the same gradient
// over the same rows sits in the strip seamlessly.
void TitleBackground(QPainter& p, int width, int height)
{
    QLinearGradient g(0, 0, 0, kTitleHeight);
    g.setColorAt(0, kTitleTop);
    g.setColorAt(1, kTitleBottom);
    p.fillRect(0, 0, width, height, g);
}

void DrawDiskMark(QPainter& p, const QPointF& centre, double r)
{
    QRadialGradient platter(centre - QPointF(r / 3, r / 3), r * 1.2);
    platter.setColorAt(0, QColor(0xf5, 0xf8, 0xfc));
    platter.setColorAt(1, QColor(0x9d, 0xb1, 0xc8));
    p.setPen(QPen(QColor(0x2d, 0x47, 0x66), 1.2));
    p.setBrush(platter);
    p.drawEllipse(centre, r, r);
    p.setBrush(QColor(0x2d, 0x47, 0x66));
    p.drawEllipse(centre, r / 5, r / 5);
}

void DrawUpArrow(QPainter& p, const QPointF& tip, double size, const QColor& fill)
{
    QPainterPath arrow;
    arrow.moveTo(tip);
    arrow.lineTo(tip + QPointF(size / 2, size / 2));
    arrow.lineTo(tip + QPointF(size / 5, size / 2));
    arrow.lineTo(tip + QPointF(size / 5, size));
    arrow.lineTo(tip + QPointF(-size / 5, size));
    arrow.lineTo(tip + QPointF(-size / 5, size / 2));
    arrow.lineTo(tip + QPointF(-size / 2, size / 2));
    arrow.closeSubpath();
    p.setPen(QPen(fill.darker(150), 1));
    p.setBrush(fill);
    p.drawPath(arrow);
}

QImage Title(unsigned id)
{
    QImage img(kStripWidth, kTitleHeight, QImage::Format_RGB32);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    TitleBackground(p, kStripWidth, kTitleHeight);
    // Soft arcs on the right as decoration, below the row of the link buttons.
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(255, 255, 255, 18));
    p.drawEllipse(QPointF(880, 175), 280, 150);
    p.setBrush(QColor(255, 255, 255, 12));
    p.drawEllipse(QPointF(990, 120), 170, 95);

    DrawDiskMark(p, QPointF(44, 52), 17);
    DrawUpArrow(p, QPointF(56, 26), 20, QColor(0x43, 0xb5, 0x55));

    const QString title = Text(QStringLiteral("wizard.title.%1").arg(id));
    const QString subtitle = Text(QStringLiteral("wizard.subtitle.%1").arg(id));
    p.setPen(Qt::white);
    p.setFont(FittingFont(title, 600, 24, true));
    p.drawText(QRect(78, 26, 620, 30), Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine, title);
    p.setPen(QColor(0xd3, 0xe4, 0xf8));
    p.setFont(FittingFont(subtitle, 600, 14, false));
    p.drawText(QRect(79, 55, 620, 20), Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine, subtitle);
    p.end();
    return img;
}

QImage Bottom()
{
    QImage img(kStripWidth, kBottomHeight, QImage::Format_RGB32);
    img.fill(QColor(0xf0, 0xf0, 0xf0));
    QPainter p(&img);
    p.setPen(QColor(0xc9, 0xd3, 0xdf));
    p.drawLine(0, 0, kStripWidth, 0);
    p.setPen(Qt::white);
    p.drawLine(0, 1, kStripWidth, 1);
    p.end();
    return img;
}

QImage Logo()
{
    QImage img(64, 64, QImage::Format_ARGB32);
    img.fill(Qt::transparent);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    DrawDiskMark(p, QPointF(30, 36), 26);
    DrawUpArrow(p, QPointF(46, 4), 30, QColor(0x43, 0xb5, 0x55));
    p.end();
    return img;
}

QImage ModeBackground()
{
    QImage img(1000, 575, QImage::Format_RGB32);
    img.fill(Qt::white);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    QLinearGradient band(0, 0, 0, 140);
    band.setColorAt(0, QColor(0xee, 0xf4, 0xfb));
    band.setColorAt(1, Qt::white);
    p.fillRect(0, 0, 1000, 140, band);
    const QString heading = Text("wizard.page0.heading");
    const QString hint = Text("wizard.page0.hint");
    p.setPen(QColor(0x1d, 0x3d, 0x66));
    p.setFont(FittingFont(heading, 900, 22, true));
    p.drawText(QRect(48, 70, 900, 32), Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine, heading);
    p.setPen(QColor(0x50, 0x5a, 0x66));
    p.setFont(FittingFont(hint, 900, 14, false));
    p.drawText(QRect(49, 104, 900, 22), Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine, hint);
    // A rule between the mode buttons and the description, with an information mark before the text.
    p.setPen(QColor(0xdd, 0xe4, 0xec));
    p.drawLine(48, 440, 952, 440);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0x2a, 0x68, 0xb4));
    p.drawEllipse(QPointF(126, 474), 11, 11);
    p.setPen(Qt::white);
    p.setFont(UiFont(15, true));
    p.drawText(QRectF(115, 463, 22, 22), Qt::AlignCenter, QStringLiteral("i"));
    p.end();
    return img;
}

QImage ModeComment()
{
    // Only its size counts: the description under the mode buttons is placed by it.
    QImage img(900, 100, QImage::Format_RGB32);
    img.fill(Qt::white);
    return img;
}

enum class Face { Normal, Hover, Push };

void DrawModePicture(QPainter& p, int mode, const QRectF& box)
{
    p.save();
    p.translate(box.topLeft());
    p.scale(box.width() / 96.0, box.height() / 96.0);
    switch (mode) {
    case 0: { // a recycle bin with an arrow rising from it
        QLinearGradient body(0, 30, 0, 90);
        body.setColorAt(0, QColor(0xe4, 0xeb, 0xf3));
        body.setColorAt(1, QColor(0xa9, 0xb8, 0xca));
        QPainterPath bin;
        bin.moveTo(20, 34);
        bin.lineTo(76, 34);
        bin.lineTo(70, 90);
        bin.lineTo(26, 90);
        bin.closeSubpath();
        p.setPen(QPen(QColor(0x4a, 0x5d, 0x75), 2));
        p.setBrush(body);
        p.drawPath(bin);
        p.setBrush(QColor(0x7d, 0x8f, 0xa6));
        p.drawRoundedRect(QRectF(14, 26, 68, 9), 3, 3);
        p.setPen(QPen(QColor(0x6d, 0x80, 0x98), 2));
        for (int x : {36, 48, 60}) p.drawLine(QPointF(x, 44), QPointF(x, 82));
        DrawUpArrow(p, QPointF(48, 2), 40, QColor(0x43, 0xb5, 0x55));
        break;
    }
    case 1: { // a drive with a circular arrow
        QLinearGradient body(0, 40, 0, 84);
        body.setColorAt(0, QColor(0x8c, 0x9c, 0xb2));
        body.setColorAt(1, QColor(0x4f, 0x5f, 0x76));
        p.setPen(QPen(QColor(0x2f, 0x3b, 0x4c), 2));
        p.setBrush(body);
        p.drawRoundedRect(QRectF(8, 46, 80, 34), 6, 6);
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(0x7c, 0xe0, 0x7c));
        p.drawEllipse(QPointF(76, 70), 3.5, 3.5);
        p.setBrush(QColor(0x2f, 0x3b, 0x4c));
        p.drawRect(QRectF(18, 68, 36, 4));
        p.setPen(QPen(QColor(0x2a, 0x80, 0xd8), 7, Qt::SolidLine, Qt::RoundCap));
        p.setBrush(Qt::NoBrush);
        p.drawArc(QRectF(28, 4, 40, 40), 30 * 16, 280 * 16);
        QPainterPath head;
        head.moveTo(70, 6);
        head.lineTo(70, 26);
        head.lineTo(52, 18);
        head.closeSubpath();
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(0x2a, 0x80, 0xd8));
        p.drawPath(head);
        break;
    }
    case 2: { // a disk cut into partitions, one slice pulled out
        const QRectF disk(10, 14, 70, 70);
        p.setPen(QPen(Qt::white, 2));
        p.setBrush(QColor(0x3b, 0x78, 0xc9));
        p.drawPie(disk, 90 * 16, 150 * 16);
        p.setBrush(QColor(0x5f, 0xae, 0x4e));
        p.drawPie(disk, 240 * 16, 70 * 16);
        p.setBrush(QColor(0xe0, 0xa1, 0x2f));
        p.drawPie(disk.translated(10, -8), 310 * 16, 140 * 16);
        p.setBrush(Qt::white);
        p.setPen(Qt::NoPen);
        p.drawEllipse(disk.center(), 8, 8);
        break;
    }
    default: { // a camera
        QLinearGradient body(0, 28, 0, 86);
        body.setColorAt(0, QColor(0x56, 0x5f, 0x6e));
        body.setColorAt(1, QColor(0x2b, 0x31, 0x3b));
        p.setPen(Qt::NoPen);
        p.setBrush(body);
        p.drawRoundedRect(QRectF(6, 28, 84, 58), 9, 9);
        p.drawRoundedRect(QRectF(30, 18, 34, 16), 4, 4);
        p.setBrush(QColor(0xe7, 0xec, 0xf2));
        p.drawEllipse(QPointF(48, 57), 22, 22);
        QRadialGradient lens(QPointF(44, 52), 18);
        lens.setColorAt(0, QColor(0x7f, 0xb4, 0xf0));
        lens.setColorAt(1, QColor(0x1b, 0x3e, 0x73));
        p.setBrush(lens);
        p.drawEllipse(QPointF(48, 57), 16, 16);
        p.setBrush(QColor(255, 255, 255, 170));
        p.drawEllipse(QPointF(42, 51), 4, 4);
        p.setBrush(QColor(0xf2, 0xc2, 0x3c));
        p.drawRoundedRect(QRectF(72, 36, 10, 6), 2, 2);
        break;
    }
    }
    p.restore();
}

QImage ModeButton(int mode, const char* captionKey, Face face)
{
    QImage img(kModeWidth, kModeHeight, QImage::Format_RGB32);
    img.fill(Qt::white);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    p.setRenderHint(QPainter::TextAntialiasing);
    const int shift = face == Face::Push ? 1 : 0;
    const QRectF card(1.5, 1.5, kModeWidth - 3.0, kModeHeight - 3.0);
    QLinearGradient fill(0, 0, 0, kModeHeight);
    switch (face) {
    case Face::Normal:
        fill.setColorAt(0, Qt::white);
        fill.setColorAt(1, QColor(0xf3, 0xf6, 0xfa));
        p.setPen(QPen(QColor(0xd2, 0xdb, 0xe6), 1));
        break;
    case Face::Hover:
        fill.setColorAt(0, QColor(0xf7, 0xfb, 0xff));
        fill.setColorAt(1, QColor(0xe2, 0xee, 0xfc));
        p.setPen(QPen(QColor(0x3a, 0x7b, 0xd5), 2));
        break;
    case Face::Push:
        fill.setColorAt(0, QColor(0xd9, 0xe7, 0xf9));
        fill.setColorAt(1, QColor(0xea, 0xf2, 0xfc));
        p.setPen(QPen(QColor(0x27, 0x5a, 0x99), 2));
        break;
    }
    p.setBrush(fill);
    p.drawRoundedRect(card, 8, 8);
    DrawModePicture(p, mode, QRectF(57 + shift, 34 + shift, 96, 96));

    const QString caption = Text(captionKey);
    QFont f = UiFont(18, true);
    const QRect textBox(12 + shift, 150 + shift, kModeWidth - 24, 70);
    for (int px = 18; px > 10; --px) {
        f = UiFont(px, true);
        const QRect need = QFontMetrics(f).boundingRect(textBox, Qt::AlignHCenter | Qt::TextWordWrap, caption);
        if (need.height() <= textBox.height() && need.width() <= textBox.width()) break;
    }
    p.setFont(f);
    p.setPen(face == Face::Normal ? QColor(0x1d, 0x3d, 0x66) : QColor(0x12, 0x4a, 0x96));
    p.drawText(textBox, Qt::AlignHCenter | Qt::AlignTop | Qt::TextWordWrap, caption);
    p.end();
    return img;
}

enum class LinkFace { Normal, Hover, Push, Disable };

QImage LinkButton(const char* captionKey, LinkFace face)
{
    const QString caption = Text(captionKey);
    const QFont f = UiFont(12, face == LinkFace::Hover);
    const int width = QFontMetrics(UiFont(12, true)).horizontalAdvance(caption) + 20;
    QImage img(width, kLinkHeight, QImage::Format_RGB32);
    QPainter p(&img);
    p.setRenderHint(QPainter::TextAntialiasing);
    TitleBackground(p, width, kLinkHeight);
    if (face == LinkFace::Push) p.fillRect(img.rect(), QColor(0, 0, 0, 40));
    QFont text = f;
    text.setUnderline(face == LinkFace::Hover);
    p.setFont(text);
    p.setPen(face == LinkFace::Disable ? QColor(0x8f, 0xa6, 0xc4) : Qt::white);
    const int shift = face == LinkFace::Push ? 1 : 0;
    p.drawText(img.rect().translated(shift, shift), Qt::AlignCenter | Qt::TextSingleLine, caption);
    p.end();
    return img;
}

void InstallLink(const std::array<unsigned, 4>& ids, const char* captionKey)
{
    const LinkFace faces[] = {LinkFace::Normal, LinkFace::Hover, LinkFace::Push, LinkFace::Disable};
    for (int i = 0; i < 4; ++i) InstallRuntimePicture(ids[i], [=] { return LinkButton(captionKey, faces[i]); });
}

void InstallMode(const std::array<unsigned, 4>& ids, int mode, const char* captionKey)
{
    const Face faces[] = {Face::Normal, Face::Hover, Face::Push, Face::Normal};
    for (int i = 0; i < 4; ++i) InstallRuntimePicture(ids[i], [=] { return ModeButton(mode, captionKey, faces[i]); });
}

// A face of the tool buttons over the device and found-file lists: a light bar with a caption.
QImage ToolButton(const char* captionKey, int width, int height, int face)
{
    QImage img(width, height, QImage::Format_RGB32);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    p.setRenderHint(QPainter::TextAntialiasing);
    QLinearGradient fill(0, 0, 0, height);
    const bool hover = face == 1, push = face == 2, disabled = face == 3;
    fill.setColorAt(0, push ? QColor(0xd6, 0xe4, 0xf6) : (hover ? QColor(0xf4, 0xf9, 0xff) : QColor(0xfb, 0xfc, 0xfe)));
    fill.setColorAt(1, push ? QColor(0xc3, 0xd7, 0xf0) : (hover ? QColor(0xd9, 0xe8, 0xfa) : QColor(0xe4, 0xea, 0xf2)));
    p.fillRect(img.rect(), fill);
    p.setPen(QColor(0xcb, 0xd4, 0xdb));
    p.drawRect(QRectF(0.5, 0.5, width - 1.0, height - 1.0));
    const QString caption = Text(captionKey);
    p.setFont(FittingFont(caption, width - 12, 13, hover));
    p.setPen(disabled ? QColor(0x9a, 0xa5, 0xb1) : QColor(0x1d, 0x3d, 0x66));
    const int shift = push ? 1 : 0;
    p.drawText(img.rect().translated(shift, shift), Qt::AlignCenter | Qt::TextSingleLine, caption);
    p.end();
    return img;
}

// The plain bar beside the tool buttons; with a caption it names the menu it opens.
QImage ToolBar(const char* captionKey, int width, int height)
{
    QImage img(width, height, QImage::Format_RGB32);
    QPainter p(&img);
    p.setRenderHint(QPainter::TextAntialiasing);
    QLinearGradient fill(0, 0, 0, height);
    fill.setColorAt(0, QColor(0xfb, 0xfc, 0xfe));
    fill.setColorAt(1, QColor(0xe4, 0xea, 0xf2));
    p.fillRect(img.rect(), fill);
    p.setPen(QColor(0xcb, 0xd4, 0xdb));
    p.drawLine(0, height - 1, width, height - 1);
    p.drawLine(0, 0, width, 0);
    if (captionKey) {
        p.setFont(UiFont(13, false));
        p.setPen(QColor(0x1d, 0x3d, 0x66));
        p.drawText(QRect(12, 0, width - 24, height), Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine,
                   Text(captionKey) + QStringLiteral(" \u25BE"));
    }
    p.end();
    return img;
}

// The banner over a save's result.
QImage ResultBanner()
{
    const int width = 600, height = 51;
    QImage img(width, height, QImage::Format_RGB32);
    QPainter p(&img);
    p.setRenderHint(QPainter::TextAntialiasing);
    TitleBackground(p, width, height);
    p.setFont(UiFont(18, true));
    p.setPen(Qt::white);
    p.drawText(QRect(16, 0, width - 32, height), Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine,
               Text("wizard.result.banner"));
    p.end();
    return img;
}

void InstallTool(const std::array<unsigned, 4>& ids, const char* captionKey, int width, int height)
{
    for (int i = 0; i < 4; ++i) InstallRuntimePicture(ids[i], [=] { return ToolButton(captionKey, width, height, i); });
}

} // namespace

void InstallWizardSkin()
{
    for (unsigned id : kTitles) InstallRuntimePicture(id, [id] { return Title(id); });
    InstallRuntimePicture(kBottom, Bottom);
    InstallRuntimePicture(kLogo, Logo);
    InstallRuntimePicture(kModeBackground, ModeBackground);
    InstallRuntimePicture(kModeComment, ModeComment);
    InstallLink(kHomeLink, "wizard.link.homepage");
    InstallLink(kSupportLink, "wizard.link.support");
    InstallLink(kAboutLink, "wizard.link.about");
    InstallLink(kLanguageLink, "wizard.link.language");
    InstallMode(kDeletedMode, 0, "wizard.mode.deleted");
    InstallMode(kFormatMode, 1, "wizard.mode.format");
    InstallMode(kPartitionMode, 2, "wizard.mode.partition");
    InstallMode(kPhotoMode, 3, "wizard.mode.photo");
    InstallTool({374, 373, 372, 371}, "wizard.tool.refresh", 86, 33);
    InstallTool({320, 314, 297, 296}, "wizard.tool.find", 110, 33);
    InstallTool({295, 294, 282, 281}, "wizard.tool.preview", 110, 33);
    InstallRuntimePicture(543, [] { return ToolBar("wizard.menu.images", 814, 33); });
    InstallRuntimePicture(544, [] { return ToolBar("wizard.menu.tools", 681, 33); });
    InstallRuntimePicture(448, ResultBanner);
}
