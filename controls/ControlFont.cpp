// Control and dialog fonts.
#include "controls/ControlFont.h"

#include "core/LanguageHelpers.h"

#include <QFontMetrics>
#include <QStringList>
#include <mutex>

void InstallFontSubstitutes()
{
    static std::once_flag once;
    std::call_once(once, [] {
        const QStringList latin{QStringLiteral("Liberation Sans"), QStringLiteral("Noto Sans CJK JP")};
        for (const char* face : {"Arial", "MS Shell Dlg", "MS Shell Dlg 2", "MS Sans Serif", "Tahoma"})
            QFont::insertSubstitutions(QString::fromLatin1(face), latin);
        QFont::insertSubstitutions(QStringLiteral("Meiryo UI"),
                                   {QStringLiteral("Noto Sans CJK JP"), QStringLiteral("Liberation Sans")});
    });
}

QFont MakeCellHeightFont(const QString& face, int cellHeight, int weight)
{
    InstallFontSubstitutes();
    QFont f(face);
    f.setWeight(QFont::Weight(weight));
    for (int px = std::max(1, cellHeight); px > 1; --px) {
        f.setPixelSize(px);
        if (QFontMetrics(f).height() <= cellHeight) return f;
    }
    f.setPixelSize(1);
    return f;
}

QFont CreateControlFont()
{
    return MakeCellHeightFont(QString::fromLatin1(GetUIFontName()), 14, 400);
}

QFont CreateDialogFont()
{
    InstallFontSubstitutes();
    QFont f(QString::fromLatin1(GetUIFontName()));
    f.setPixelSize(11);
    return f;
}
