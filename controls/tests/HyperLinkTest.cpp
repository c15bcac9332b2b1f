// The hyperlink: text and target, colours while hovering, opening through a scripted desktop (the
// browser as a second try, the target always one argument of its own), error texts and select-files mode.
#include "controls/CHyperLink.h"
#include "controls/CResourceLibrary.h"
#include "controls/MessageBox.h"
#include "controls/SysColors.h"
#include "controls/tests/ControlsTestSupport.h"

#include "tests/support/TempDir.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QMouseEvent>
#include <QTest>
#include <gtest/gtest.h>

namespace {

// A desktop that records what it is asked and answers as told.
struct ScriptedDesktop {
    bool openAnswer = true;
    bool startAnswer = true;
    QString browser;
    std::vector<QUrl> opened;
    std::vector<QStringList> started; // program first, then the arguments
    bool showAnswer = false;
    std::vector<QStringList> shown;
    LinkDesktop desk;
    ScriptedDesktop()
    {
        desk.openUrl = [this](const QUrl& u) {
            opened.push_back(u);
            return openAnswer;
        };
        desk.startDetached = [this](const QString& program, const QStringList& args) {
            started.push_back(QStringList{program} + args);
            return startAnswer;
        };
        desk.browserCommand = [this] { return browser; };
        desk.showItems = [this](const QStringList& urls) {
            shown.push_back(urls);
            return showAnswer;
        };
        CHyperLink::SetDesktop(&desk);
    }
    ~ScriptedDesktop() { CHyperLink::SetDesktop(nullptr); }
};

struct Boxes {
    std::vector<MessageBoxRequest> shown;
    CScopedMessageBoxResponder responder{[this](const MessageBoxRequest& r) {
        shown.push_back(r);
        return IDOK;
    }};
};

void Click(CHyperLink& link)
{
    const QPoint pt(2, 2);
    QMouseEvent press(QEvent::MouseButtonPress, pt, link.mapToGlobal(pt), Qt::LeftButton, Qt::LeftButton,
                      Qt::NoModifier);
    QMouseEvent release(QEvent::MouseButtonRelease, pt, link.mapToGlobal(pt), Qt::LeftButton, Qt::NoButton,
                        Qt::NoModifier);
    QApplication::sendEvent(&link, &press);
    QApplication::sendEvent(&link, &release);
}

} // namespace

TEST(HyperLinkText, TextAndTargetCompleteEachOther)
{
    QWidget parent;
    CHyperLink a;
    a.SetURL(QStringLiteral("https://example.org/help"));
    a.Create(QString(), WS_CHILD | WS_VISIBLE, RECT{0, 0, 300, 40}, &parent, 1);
    EXPECT_EQ(a.text(), QStringLiteral("https://example.org/help"));
    EXPECT_EQ(a.toolTip(), a.GetURL());
    EXPECT_EQ(a.cursor().shape(), Qt::PointingHandCursor);

    CHyperLink b;
    b.Create(QStringLiteral("https://example.org/"), WS_CHILD | WS_VISIBLE, RECT{0, 0, 300, 40}, &parent, 2);
    EXPECT_EQ(b.GetURL(), QStringLiteral("https://example.org/"));

    // Auto-size: shrinks to the text; SS_RIGHT keeps the right edge, SS_CENTER the middle.
    EXPECT_GE(b.height(), QFontMetrics(b.font()).height());
    EXPECT_LE(b.height(), QFontMetrics(b.font()).height() + 3);
    const QRect w(100, 50, 200, 40);
    EXPECT_EQ(CHyperLink::PositionRect(w, QSize(60, 16), 0), QRect(100, 50, 60, 16));
    EXPECT_EQ(CHyperLink::PositionRect(w, QSize(60, 16), SS_RIGHT), QRect(240, 50, 60, 16));
    EXPECT_EQ(CHyperLink::PositionRect(w, QSize(60, 16), SS_CENTER | SS_CENTERIMAGE), QRect(170, 62, 60, 16));
}

TEST(HyperLinkLook, HoverShowsTheHoverColourAndUnderline)
{
    QWidget parent;
    CHyperLink link;
    link.Create(QStringLiteral("Home Page"), WS_CHILD | WS_VISIBLE, RECT{10, 10, 200, 30}, &parent, 1);
    parent.show();
    EXPECT_EQ(link.CurrentColour(), CHyperLink::kLinkColour);
    EXPECT_FALSE(link.CurrentUnderlined());
    QEnterEvent enter(QPointF(2, 2), QPointF(2, 2), QPointF(2, 2));
    QApplication::sendEvent(&link, &enter);
    EXPECT_TRUE(link.IsOver());
    EXPECT_EQ(link.CurrentColour(), CHyperLink::kHoverColour);
    EXPECT_TRUE(link.CurrentUnderlined());
    EXPECT_TRUE(link.font().underline());
    QEvent leave(QEvent::Leave);
    QApplication::sendEvent(&link, &leave);
    EXPECT_FALSE(link.IsOver());
    EXPECT_FALSE(link.font().underline());

    // The hover timer notices a mouse that left without a message.
    QApplication::sendEvent(&link, &enter);
    QCursor::setPos(link.mapToGlobal(QPoint(500, 500)));
    for (int i = 0; i < 50 && link.IsOver(); ++i) QTest::qWait(10);
    EXPECT_FALSE(link.IsOver());

    link.SetVisited(true);
    EXPECT_EQ(link.CurrentColour(), CHyperLink::kVisitedColour);
    link.SetUnderline(1);
    EXPECT_TRUE(link.CurrentUnderlined());
    const QImage img = link.grab().toImage();
    bool visitedInk = false;
    for (int y = 0; y < img.height() && !visitedInk; ++y)
        for (int x = 0; x < img.width() && !visitedInk; ++x)
            visitedInk = (img.pixel(x, y) | 0xFF000000u) == ToQColor(CHyperLink::kVisitedColour).rgb();
    EXPECT_TRUE(visitedInk);
    EXPECT_EQ(img.pixel(img.width() - 1, 0) | 0xFF000000u, ToQColor(GetSysColor(COLOR_BTNFACE)).rgb());
}

TEST(HyperLinkOpen, TheDesktopOpensTheTargetAndTheBrowserIsTheSecondTry)
{
    QWidget parent;
    ScriptedDesktop desk;
    Boxes boxes;
    const QString url = QStringLiteral("https://example.org/a b;$(rm -rf ~)&x=`id`");
    CHyperLink link;
    link.SetURL(url);
    link.Create(QStringLiteral("Support"), WS_CHILD | WS_VISIBLE, RECT{0, 0, 100, 20}, &parent, 1);
    const QString cwd = QDir::currentPath();

    Click(link);
    ASSERT_EQ(desk.opened.size(), 1u);
    EXPECT_EQ(desk.opened[0], QUrl(url));
    EXPECT_TRUE(link.GetVisited());
    EXPECT_TRUE(boxes.shown.empty());

    // The opener fails: the browser's command line is cut before its placeholder and the target follows
    // as one argument, whatever it holds.
    CHyperLink second;
    second.SetURL(url);
    second.Create(QStringLiteral("Support"), WS_CHILD | WS_VISIBLE, RECT{0, 0, 100, 20}, &parent, 2);
    desk.openAnswer = false;
    desk.browser = QStringLiteral("/usr/bin/my-browser --new-window %s --ignored");
    Click(second);
    ASSERT_EQ(desk.started.size(), 1u);
    EXPECT_EQ(desk.started[0], (QStringList{"/usr/bin/my-browser", "--new-window", url}));
    EXPECT_TRUE(second.GetVisited());
    EXPECT_EQ(QDir::currentPath(), cwd);
}

TEST(HyperLinkOpen, FailuresBeepAndNameTheReason)
{
    QWidget parent;
    ScriptedDesktop desk;
    Boxes boxes;
    desk.openAnswer = false;
    CHyperLink link;
    link.SetURL(QStringLiteral("https://example.org/"));
    link.Create(QStringLiteral("Support"), WS_CHILD | WS_VISIBLE, RECT{0, 0, 100, 20}, &parent, 1);
    Click(link); // no browser known
    EXPECT_FALSE(link.GetVisited());
    ASSERT_EQ(boxes.shown.size(), 1u);
    EXPECT_EQ(boxes.shown[0].text,
              QStringLiteral("Unable to open hyperlink:\n\nThere is no application associated\nwith the given filename "
                             "extension."));
    EXPECT_EQ(boxes.shown[0].type, MB_ICONEXCLAMATION);
    EXPECT_EQ(boxes.shown[0].caption, ProductName());

    // A file that is not there is reported as such, without asking the desktop.
    testsupport::TempDir dir;
    desk.opened.clear();
    EXPECT_EQ(link.GotoURL(QString::fromStdString((dir / "missing.html").string())), 2);
    EXPECT_EQ(link.GotoURL(QString::fromStdString((dir / "no/such/file").string())), 3);
    EXPECT_TRUE(desk.opened.empty());
    // A file that is there is opened as a file URL.
    desk.openAnswer = true;
    QFile(QString::fromStdString((dir / "page.html").string())).open(QIODevice::WriteOnly);
    EXPECT_EQ(link.GotoURL(QString::fromStdString((dir / "page.html").string())), CHyperLink::kShellSuccess);
    EXPECT_EQ(desk.opened.back(), QUrl::fromLocalFile(QString::fromStdString((dir / "page.html").string())));

    EXPECT_EQ(CHyperLink::ErrorText(26), QStringLiteral("A sharing violation occurred."));
    EXPECT_EQ(CHyperLink::ErrorText(3), QStringLiteral("The specific path is not found."));
    EXPECT_EQ(CHyperLink::ErrorText(4), QStringLiteral("Unknown Error (4) occurred."));
}

TEST(HyperLinkSelectFiles, AMissingFolderIsReportedAndTheCurrentFolderStays)
{
    QWidget parent;
    ScriptedDesktop desk;
    Boxes boxes;
    testsupport::TempDir dir;
    const QString cwd = QDir::currentPath();

    CHyperLink missing(true);
    missing.SetURL(QString::fromStdString((dir / "gone").string()));
    missing.Create(QStringLiteral("Open folder"), WS_CHILD | WS_VISIBLE, RECT{0, 0, 100, 20}, &parent, 1);
    Click(missing);
    ASSERT_EQ(boxes.shown.size(), 1u);
    EXPECT_EQ(boxes.shown[0].text, QStringLiteral("Path Invalid!"));
    EXPECT_EQ(boxes.shown[0].type, MB_OK);
    EXPECT_EQ(QDir::currentPath(), cwd);

    CHyperLink folder(true);
    const QString saved = QString::fromStdString(dir.path().string());
    folder.SetURL(saved);
    folder.Create(QStringLiteral("Open folder"), WS_CHILD | WS_VISIBLE, RECT{0, 0, 100, 20}, &parent, 2);
    Click(folder); // no files: nothing opens
    EXPECT_TRUE(desk.opened.empty());
    folder.Files() << saved + QStringLiteral("/a.jpg") << saved + QStringLiteral("/b.jpg")
                   << saved + QStringLiteral("/sub/c.jpg");
    Click(folder);
    // One file-manager window per folder, with its files selected.
    ASSERT_EQ(desk.shown.size(), 2u);
    EXPECT_EQ(desk.shown[0], (QStringList{QUrl::fromLocalFile(saved + "/a.jpg").toString(QUrl::FullyEncoded),
                                          QUrl::fromLocalFile(saved + "/b.jpg").toString(QUrl::FullyEncoded)}));
    EXPECT_EQ(desk.shown[1], QStringList{QUrl::fromLocalFile(saved + "/sub/c.jpg").toString(QUrl::FullyEncoded)});
    // Without a file manager that takes the request, each folder is opened.
    ASSERT_EQ(desk.opened.size(), 2u);
    EXPECT_EQ(desk.opened[0], QUrl::fromLocalFile(saved));
    EXPECT_EQ(desk.opened[1], QUrl::fromLocalFile(saved + QStringLiteral("/sub")));
    desk.showAnswer = true;
    Click(folder);
    EXPECT_EQ(desk.shown.size(), 4u);
    EXPECT_EQ(desk.opened.size(), 2u);
    EXPECT_EQ(boxes.shown.size(), 1u);
    EXPECT_EQ(QDir::currentPath(), cwd);
}
