// Renders the controls in each language to PNG files under <build>/screenshots for a look by eye:
// the OK button in its four states, a check button, the wait animation, a menu and the prompt dialog.
#include "controls/CButtonPlus.h"
#include "controls/CHasCheckboxPromptDlg.h"
#include "controls/CImageWnd.h"
#include "controls/CResourceLibrary.h"
#include "controls/CTransButton.h"
#include "controls/CXPMenu.h"
#include "controls/ControlFont.h"

#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QMouseEvent>
#include <QPainter>
#include <QStyle>
#include <QTest>
#include <gtest/gtest.h>

namespace {

QString ScreenshotFolder()
{
    const QString dir = QDir::cleanPath(QStringLiteral(SALVIX_BUILD_DATA_DIR "/../screenshots"));
    QDir().mkpath(dir);
    return dir;
}

QImage ButtonRow(const QString& language)
{
    QWidget row;
    row.setAutoFillBackground(true);
    row.setPalette(QPalette(QColor(0xF0, 0xF0, 0xF0)));
    row.resize(4 * 99 + 10, 190);

    CButtonPlus buttons[4] = {{437, 436, 435, 434}, {437, 436, 435, 434}, {437, 436, 435, 434}, {437, 436, 435, 434}};
    for (int i = 0; i < 4; ++i)
        buttons[i].Create(QStringLiteral("OK"), WS_CHILD | WS_VISIBLE, RECT{10 + i * 99, 10, 0, 0}, &row, 1);
    QMouseEvent move(QEvent::MouseMove, QPointF(5, 5), QPointF(5, 5), Qt::NoButton, Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(&buttons[1], &move);
    for (int i = 0; i < 200 && !buttons[1].IsHover(); ++i) QTest::qWait(10);
    buttons[2].setDown(true);
    buttons[3].setEnabled(false);

    CTransButton check, radio;
    check.Create(CResourceLibrary::Instance().LoadText(QStringLiteral("dialog.446.1139")),
                 WS_CHILD | WS_VISIBLE | BS_AUTOCHECKBOX, QRect(10, 55, 250, 20), &row, 2);
    check.SetTextFont(90, QString::fromLatin1("Arial"), false);
    check.SetCheck(1);
    radio.Create(language, WS_CHILD | WS_VISIBLE | BS_AUTORADIOBUTTON, QRect(10, 80, 250, 20), &row, 3);
    radio.SetTextFont(90, language == u"Japanese" ? QStringLiteral("Meiryo UI") : QStringLiteral("Arial"), true);
    radio.SetCheck(1);

    CImageWnd wait(&row);
    wait.LoadFrames(150, 12, 120, RGB(255, 255, 255), true);
    wait.MoveTo(320, 80);
    wait.show();

    QImage img = row.grab().toImage();
    // Three menu items under the controls: plain, selected, selected and checked.
    CXPMenu menu;
    QPainter p(&img);
    const QString names[] = {QStringLiteral("English"), QStringLiteral("Deutsch"), QStringLiteral("Japanese")};
    for (int i = 0; i < 3; ++i) menu.DrawItem(&p, QRect(10, 110 + i * 19, 160, 19), i > 0, i == 2, &names[i]);
    return img;
}

} // namespace

TEST(Screenshots, ControlsInEachLanguage)
{
    InstallFontSubstitutes();
    auto& lib = CResourceLibrary::Instance();
    const QString folder = ScreenshotFolder();
    for (const QString& language : {QStringLiteral("English"), QStringLiteral("Deutsch"), QStringLiteral("Japanese")}) {
        SCOPED_TRACE(language.toStdString());
        ASSERT_TRUE(lib.LoadLanguageBundle(QStringLiteral(SALVIX_BUILD_DATA_DIR "/") + language + ".rcc"));

        const QString rowPath = folder + QStringLiteral("/controls-%1.png").arg(language);
        EXPECT_TRUE(ButtonRow(language).save(rowPath));

        CHasCheckboxPromptDlg dlg(QStringLiteral("%1: %2").arg(language, lib.LoadText("dialog.105.2")), nullptr);
        dlg.ShowModeless();
        // Translations must fit the template's controls.
        QCheckBox* box = dlg.CheckBox();
        const int needed = box->style()->pixelMetric(QStyle::PM_IndicatorWidth, nullptr, box) +
                           box->style()->pixelMetric(QStyle::PM_CheckBoxLabelSpacing, nullptr, box) +
                           box->fontMetrics().horizontalAdvance(box->text());
        EXPECT_LE(needed, box->width());
        const QString dlgPath = folder + QStringLiteral("/prompt-%1.png").arg(language);
        EXPECT_TRUE(dlg.grab().toImage().save(dlgPath));
        dlg.close();
        EXPECT_GT(QFileInfo(rowPath).size(), 1000);
    }
    lib.UnloadLanguageBundle();
}
