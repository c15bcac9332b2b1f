// The layer under the controls: string tables, resources and language bundles, window messages,
// message boxes, dialog units and the tick clock.
#include "controls/CResourceLibrary.h"
#include "controls/CStringTable.h"
#include "controls/ControlFont.h"
#include "controls/DialogUnits.h"
#include "controls/MessageBox.h"
#include "controls/TickClock.h"
#include "controls/WindowMessages.h"
#include "controls/tests/ControlsTestSupport.h"

#include <QCoreApplication>
#include <QFile>
#include <QFontInfo>
#include <QFontMetrics>
#include <QSet>
#include <gtest/gtest.h>

#include <thread>

namespace {

const QStringList kLanguages{QStringLiteral("English"), QStringLiteral("Deutsch"), QStringLiteral("Japanese")};

QString BundlePath(const QString& language)
{
    return QStringLiteral(SALVIX_BUILD_DATA_DIR "/") + language + QStringLiteral(".rcc");
}

// Unloads any bundle when a test ends.
struct BundleGuard {
    ~BundleGuard() { CResourceLibrary::Instance().UnloadLanguageBundle(); }
};

} // namespace

TEST(StringTable, ParsesKeysTextsAndEscapes)
{
    CStringTable t;
    QString error;
    ASSERT_TRUE(t.Parse("# comment\n\n346\tSalvix\r\ndialog.446.1139\tDon't show\\tthis\\nagain \\\\ ok\n"
                        "7\t\n",
                        &error))
        << error.toStdString();
    EXPECT_EQ(t.Count(), 3);
    EXPECT_EQ(t.Find("346"), "Salvix");
    EXPECT_EQ(t.Find("dialog.446.1139"), "Don't show\tthis\nagain \\ ok");
    EXPECT_TRUE(t.Contains("7"));
    EXPECT_TRUE(t.Find("7").isEmpty());
    EXPECT_TRUE(t.Find("8").isNull());

    CStringTable back;
    ASSERT_TRUE(back.Parse(t.Serialise()));
    EXPECT_EQ(back.Find("dialog.446.1139"), t.Find("dialog.446.1139"));
    EXPECT_TRUE(t.Serialise().startsWith("7\t\n346\tSalvix\n")); // numeric keys first, in order
}

TEST(StringTable, RejectsBadLinesWithTheirNumber)
{
    const struct {
        const char* name;
        const char* text;
        const char* where;
    } cases[] = {
        {"no tab", "1\tok\n2 missing tab\n", "line 2"}, {"zero id", "0\tx\n", "line 1"},
        {"id too big", "65536\tx\n", "line 1"},         {"leading zero", "012\tx\n", "line 1"},
        {"upper-case name", "Skin.ok\tx\n", "line 1"},  {"bad escape", "1\ta\\qb\n", "line 1"},
        {"trailing backslash", "1\tab\\\n", "line 1"},  {"repeated key", "1\ta\n#\n1\tb\n", "line 3"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        CStringTable t;
        QString error;
        EXPECT_FALSE(t.Parse(c.text, &error));
        EXPECT_TRUE(error.startsWith(c.where)) << error.toStdString();
        EXPECT_EQ(t.Count(), 0);
    }
}

TEST(LanguageBundles, HoldTheSameKeysAndBitmaps)
{
    BundleGuard guard;
    auto& lib = CResourceLibrary::Instance();
    QSet<QString> englishKeys;
    QList<unsigned> englishBitmaps;
    for (const QString& language : kLanguages) {
        SCOPED_TRACE(language.toStdString());
        QString error;
        ASSERT_TRUE(lib.LoadLanguageBundle(BundlePath(language), &error)) << error.toStdString();
        const QStringList keys = lib.BundleKeys();
        const QSet<QString> set(keys.begin(), keys.end());
        const QList<unsigned> bitmaps = lib.BundleBitmapIds();
        if (language == u"English") {
            englishKeys = set;
            englishBitmaps = bitmaps;
            for (unsigned id : {434u, 435u, 436u, 437u, 150u, 143u, 492u}) EXPECT_TRUE(bitmaps.contains(id)) << id;
            continue;
        }
        for (const QString& k : englishKeys - set)
            ADD_FAILURE() << "missing in " << language.toStdString() << ": " << k.toStdString();
        for (const QString& k : set - englishKeys)
            ADD_FAILURE() << "only in " << language.toStdString() << ": " << k.toStdString();
        EXPECT_EQ(bitmaps, englishBitmaps);
        for (const QString& k : keys) EXPECT_FALSE(lib.LoadText(k).isEmpty()) << k.toStdString();
    }
}

TEST(LanguageBundles, BundleFirstThenProgram)
{
    BundleGuard guard;
    auto& lib = CResourceLibrary::Instance();
    lib.UnloadLanguageBundle();
    // Without a bundle the program's own (English) resources answer.
    EXPECT_EQ(lib.LoadText("dialog.105.2"), "Cancel");
    EXPECT_EQ(lib.LoadString(346), "Salvix");
    EXPECT_FALSE(lib.LoadBitmap(437).isNull());
    EXPECT_TRUE(lib.LoadString(64999).isNull());
    EXPECT_TRUE(lib.LoadBitmap(64999).isNull());

    ASSERT_TRUE(lib.LoadLanguageBundle(BundlePath("Deutsch")));
    EXPECT_EQ(lib.LoadText("dialog.105.2"), "Abbrechen");
    ASSERT_TRUE(lib.LoadLanguageBundle(BundlePath("Japanese")));
    EXPECT_EQ(lib.LoadText("dialog.105.2"), QString::fromUtf8("キャンセル"));
    EXPECT_EQ(lib.LanguageBundlePath(), BundlePath("Japanese"));

    // Bitmaps set in memory come before the bundle's.
    lib.SetOverrideBitmap(437, SolidImage(3, 2, qRgb(1, 2, 3)));
    EXPECT_EQ(lib.LoadBitmap(437).size(), QSize(3, 2));
    lib.ClearOverrideBitmaps();
    EXPECT_EQ(lib.LoadBitmap(437).size(), QSize(89, 31));
}

TEST(LanguageBundles, BadBundlesAreRefusedAndTheCurrentOneStays)
{
    BundleGuard guard;
    auto& lib = CResourceLibrary::Instance();
    ASSERT_TRUE(lib.LoadLanguageBundle(BundlePath("Deutsch")));

    testsupport::TempDir dir;
    const QString damaged = QString::fromStdString((dir / "Damaged.rcc").string());
    {
        QFile f(damaged);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("qres\0\0\0\3 this is not a resource bundle", 40);
    }
    const QString cases[] = {QStringLiteral("Deutsch.rcc"), BundlePath("Klingon"), damaged};
    for (const QString& path : cases) {
        SCOPED_TRACE(path.toStdString());
        QString error;
        EXPECT_FALSE(lib.LoadLanguageBundle(path, &error));
        EXPECT_FALSE(error.isEmpty());
        EXPECT_EQ(lib.LanguageBundlePath(), BundlePath("Deutsch"));
        EXPECT_EQ(lib.LoadText("dialog.105.2"), "Abbrechen");
    }
}

TEST(WindowMessages, SendReturnsTheResultAndPostIsQueued)
{
    MessageRecorder window;
    window.answer = 42;
    EXPECT_EQ(SendMessageTo(&window, UM_CHECK_CLICKED, 1, 2), 42);
    ASSERT_EQ(window.messages.size(), 1u);
    EXPECT_EQ(window.messages[0].msg, 2724u);
    EXPECT_EQ(window.messages[0].wParam, 1u);
    EXPECT_EQ(window.messages[0].lParam, 2);

    EXPECT_TRUE(PostMessageTo(&window, WM_USER + 201, 7, -1));
    EXPECT_EQ(window.messages.size(), 1u);
    QCoreApplication::sendPostedEvents(&window);
    ASSERT_EQ(window.messages.size(), 2u);
    EXPECT_EQ(window.messages[1].msg, WM_USER + 201);
    EXPECT_EQ(window.messages[1].lParam, -1);

    EXPECT_FALSE(PostMessageTo(&window, 15 /* not a private message */));
    EXPECT_FALSE(PostMessageTo(nullptr, WM_USER));
}

TEST(WindowMessages, WorkersPostAndSendThroughAPortThatClosesWithItsWindow)
{
    auto window = std::make_unique<MessageRecorder>();
    window->answer = 5;
    auto port = CMessagePort::Create(window.get());

    std::atomic<LRESULT> sent{-1};
    std::thread worker([&] {
        for (int i = 0; i < 100; ++i) port->Post(WM_USER + 300, WPARAM(i));
        sent = port->Send(WM_USER + 301, 9); // waits until the window's thread has handled it
    });
    while (sent == -1 || window->messages.size() < 101) QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    worker.join();
    EXPECT_EQ(sent, 5);
    ASSERT_EQ(window->messages.size(), 101u);
    for (int i = 0; i < 100; ++i) EXPECT_EQ(window->messages[size_t(i)].wParam, WPARAM(i)); // in order
    EXPECT_EQ(window->messages[100].msg, WM_USER + 301);

    window.reset();
    EXPECT_FALSE(port->IsOpen());
    std::thread late([&] {
        EXPECT_FALSE(port->Post(WM_USER + 300));
        EXPECT_EQ(port->Send(WM_USER + 301), 0);
    });
    late.join();
}

TEST(WindowMessages, ASendPendingWhenTheWindowGoesAwayReturnsZero)
{
    auto window = std::make_unique<MessageRecorder>();
    window->answer = 5;
    auto port = CMessagePort::Create(window.get());
    std::atomic<bool> started{false};
    std::atomic<LRESULT> sent{-1};
    std::thread worker([&] {
        started = true;
        sent = port->Send(WM_USER + 301);
    });
    while (!started) std::this_thread::yield();
    // Let the message get queued, then destroy the window without handling it.
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    window.reset();
    worker.join();
    EXPECT_EQ(sent, 0);
}

TEST(MessageBoxes, CaptionIsTheProductNameAndTheResponderAnswers)
{
    std::vector<MessageBoxRequest> seen;
    {
        CScopedMessageBoxResponder responder([&](const MessageBoxRequest& r) {
            seen.push_back(r);
            return (r.type & 0xF) == MB_YESNO ? IDNO : IDOK;
        });
        EXPECT_EQ(ShowMessageBox(nullptr, QStringLiteral("Exit now?"), MB_YESNO | MB_ICONQUESTION), IDNO);
        EXPECT_EQ(ShowMessageBox(nullptr, 349u), IDOK);
        EXPECT_EQ(ShowMessageBox(nullptr, QStringLiteral("x"), QString(), MB_OK), IDOK);
        {
            CScopedMessageBoxResponder inner([](const MessageBoxRequest&) { return IDCANCEL; });
            EXPECT_EQ(ShowMessageBox(nullptr, QStringLiteral("y")), IDCANCEL);
        }
        EXPECT_EQ(ShowMessageBox(nullptr, QStringLiteral("z")), IDOK); // the outer responder is back
    }
    ASSERT_EQ(seen.size(), 4u);
    EXPECT_EQ(seen[0].caption, "Salvix");
    EXPECT_EQ(seen[0].text, "Exit now?");
    EXPECT_EQ(seen[0].type, MB_YESNO | MB_ICONQUESTION);
    EXPECT_EQ(seen[1].text, "Salvix");
    EXPECT_TRUE(seen[2].caption.isEmpty());
}

TEST(DialogUnits, MapsTemplateRectanglesByTheirEdges)
{
    const CDialogUnits du;
    EXPECT_EQ(du.MapDialogSize(210, 88), QSize(315, 143));
    EXPECT_EQ(du.MapDialogRect(136, 66, 59, 19), QRect(204, 107, 89, 31));
    // Edges are rounded, not sizes: two 1-unit controls side by side never overlap or leave a gap.
    EXPECT_EQ(du.MapDialogRect(1, 1, 1, 1).right() + 1, du.MapDialogRect(2, 1, 1, 1).left());
    EXPECT_EQ(MulDiv(3, 6, 4), 5); // 4.5 rounds away from zero
    EXPECT_EQ(MulDiv(-3, 6, 4), -5);
    EXPECT_EQ(MulDiv(1, 2, 0), 0);
}

TEST(TickClock, CanBeReplacedAndRestored)
{
    CManualTickClock manual(0xFFFFFFF0u);
    SetTickClock(&manual);
    EXPECT_EQ(GetTickClock().GetTickCount(), 0xFFFFFFF0u);
    manual.Advance(0x20);
    EXPECT_EQ(GetTickClock().GetTickCount(), 0x10u); // wraps as a 32-bit tick count does
    SetTickClock(nullptr);
    const uint32_t a = GetTickClock().GetTickCount();
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
    EXPECT_GE(uint32_t(GetTickClock().GetTickCount() - a), 4u);
}

TEST(Fonts, InterfaceFacesMapToInstalledFontsOfTheSameMetrics)
{
    const QFont control = CreateControlFont();
    EXPECT_EQ(QFontInfo(control).family(), "Liberation Sans");
    EXPECT_LE(QFontMetrics(control).height(), 14);
    EXPECT_GE(QFontMetrics(control).height(), 12); // the largest size whose cell fits
    EXPECT_EQ(QFontInfo(MakeCellHeightFont(QStringLiteral("Meiryo UI"), 14, 400)).family(), "Noto Sans CJK JP");
    EXPECT_EQ(CreateDialogFont().pixelSize(), 11);
}
