// The bitmap push button: which face it draws, hover prompts, focus loss, sizing and its log lines.
#include "controls/CButtonPlus.h"
#include "controls/CResourceLibrary.h"
#include "controls/IButtonPromptChange.h"
#include "controls/tests/ControlsTestSupport.h"

#include <QApplication>
#include <QFocusEvent>
#include <QMouseEvent>
#include <QTest>
#include <gtest/gtest.h>

namespace {

// Test bitmaps 60001..60004: one solid colour per face.
constexpr unsigned kNormal = 60001, kHover = 60002, kPush = 60003, kDisable = 60004;
constexpr QRgb kColours[] = {0xFF102030, 0xFF405060, 0xFF708090, 0xFFA0B0C0};

class ButtonPlus : public ::testing::Test {
protected:
    void SetUp() override
    {
        auto& lib = CResourceLibrary::Instance();
        lib.SetOverrideBitmap(kNormal, SolidImage(30, 20, kColours[0]));
        lib.SetOverrideBitmap(kHover, SolidImage(30, 20, kColours[1]));
        lib.SetOverrideBitmap(kPush, SolidImage(30, 20, kColours[2]));
        lib.SetOverrideBitmap(kDisable, SolidImage(30, 20, kColours[3]));
    }
    void TearDown() override { CResourceLibrary::Instance().ClearOverrideBitmaps(); }
};

struct PromptLog : IButtonPromptChange {
    std::vector<std::string> calls;
    void OnPromptChange(unsigned id, const QString& text) override
    {
        calls.push_back("change " + std::to_string(id) + " " + text.toStdString());
    }
    void OnPromptRestore(unsigned id) override { calls.push_back("restore " + std::to_string(id)); }
};

QRgb Painted(CButtonPlus& b)
{
    return b.grab().toImage().pixel(5, 5) | 0xFF000000u;
}

void MoveMouseOver(CButtonPlus& b)
{
    QMouseEvent move(QEvent::MouseMove, QPointF(5, 5), b.mapToGlobal(QPointF(5, 5)), Qt::NoButton, Qt::NoButton,
                     Qt::NoModifier);
    QApplication::sendEvent(&b, &move);
    // The hover time is 1 ms; a loaded machine may take longer to deliver the timer.
    for (int i = 0; i < 200 && !b.IsHover(); ++i) QTest::qWait(10);
}

void LeaveButton(CButtonPlus& b)
{
    QEvent leave(QEvent::Leave);
    QApplication::sendEvent(&b, &leave);
}

} // namespace

TEST(ButtonPlusFaces, FirstMatchWinsAndMissingFacesFallBack)
{
    using F = CButtonPlus::Face;
    const struct {
        bool selected, disabled, hover, hasPush, hasDisable, hasHover;
        F face;
    } cases[] = {
        {false, false, false, true, true, true, F::Normal},
        {true, false, false, true, true, true, F::Push},
        {true, true, true, true, true, true, F::Push},     // pushed beats everything
        {false, true, true, true, true, true, F::Disable}, // disabled beats hover
        {false, false, true, true, true, true, F::Hover},
        {true, false, false, false, true, true, F::Normal}, // no push image
        {false, true, true, true, false, true, F::Hover},   // no disable image: hover next
        {false, true, false, true, false, true, F::Normal},
        {false, false, true, true, true, false, F::Normal}, // no hover image
        {true, true, true, false, false, false, F::Normal}, // ids (x, 0, 0, 0)
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(::testing::Message()
                     << c.selected << c.disabled << c.hover << c.hasPush << c.hasDisable << c.hasHover);
        EXPECT_EQ(CButtonPlus::ChooseFace(c.selected, c.disabled, c.hover, c.hasPush, c.hasDisable, c.hasHover),
                  c.face);
    }
}

TEST_F(ButtonPlus, PaintsTheBitmapOfItsState)
{
    QWidget parent;
    CButtonPlus b(kNormal, kHover, kPush, kDisable);
    b.Create(QStringLiteral("OK"), WS_CHILD | WS_VISIBLE, RECT{4, 4, 100, 100}, &parent, 1);
    EXPECT_EQ(b.size(), QSize(30, 20));
    EXPECT_EQ(Painted(b), kColours[0]);
    b.setDown(true);
    EXPECT_EQ(Painted(b), kColours[2]);
    b.setDown(false);
    MoveMouseOver(b);
    EXPECT_EQ(Painted(b), kColours[1]);
    b.setEnabled(false);
    EXPECT_EQ(Painted(b), kColours[3]);

    CButtonPlus plain(kNormal, 0, 0, 0);
    plain.Create(QString(), WS_CHILD | WS_VISIBLE, RECT{}, &parent, 2);
    plain.setDown(true);
    plain.setEnabled(false);
    EXPECT_EQ(Painted(plain), kColours[0]);
}

// A button made wider than its face (the tool bar's filler running to the window's edge) paints its whole
// width: the face, then its last column.
TEST_F(ButtonPlus, AWiderButtonContinuesItsFace)
{
    QImage face = SolidImage(30, 20, kColours[0]);
    for (int y = 0; y < 20; ++y) face.setPixel(29, y, kColours[1]);
    CResourceLibrary::Instance().SetOverrideBitmap(kNormal, face);
    QWidget parent;
    CButtonPlus b(kNormal, 0, 0, 0);
    b.Create(QString(), WS_CHILD | WS_VISIBLE, RECT{}, &parent, 1);
    b.resize(200, 20);
    const QImage shot = b.grab().toImage();
    EXPECT_EQ(shot.pixel(5, 5) | 0xFF000000u, kColours[0]);
    EXPECT_EQ(shot.pixel(100, 5) | 0xFF000000u, kColours[1]);
    EXPECT_EQ(shot.pixel(199, 15) | 0xFF000000u, kColours[1]);
}

TEST_F(ButtonPlus, HoverTellsTheOwnerAndLeavingRestores)
{
    QWidget parent;
    PromptLog prompts;
    CButtonPlus b(kNormal, kHover, kPush, kDisable);
    b.Create(QStringLiteral("Next"), WS_CHILD | WS_VISIBLE, RECT{0, 0, 1, 1}, &parent, 1003);
    b.SetPromptChange(&prompts, QStringLiteral("Recover deleted files"));

    MoveMouseOver(b);
    MoveMouseOver(b); // further moves while resting send nothing more
    EXPECT_TRUE(b.IsHover());
    LeaveButton(b);
    EXPECT_FALSE(b.IsHover());
    EXPECT_FALSE(b.IsTracking());
    EXPECT_EQ(prompts.calls, (std::vector<std::string>{"change 1003 Recover deleted files", "restore 1003"}));

    // A null receiver switches the notifications off, the hover look stays.
    b.SetPromptChange(nullptr, QString());
    MoveMouseOver(b);
    LeaveButton(b);
    EXPECT_EQ(prompts.calls.size(), 2u);
}

TEST_F(ButtonPlus, LosingTheFocusClearsTheHoverLook)
{
    QWidget parent;
    CButtonPlus b(kNormal, kHover, kPush, kDisable);
    b.Create(QString(), WS_CHILD | WS_VISIBLE, RECT{}, &parent, 1);
    MoveMouseOver(b);
    ASSERT_EQ(Painted(b), kColours[1]);

    QFocusEvent out(QEvent::FocusOut, Qt::TabFocusReason);
    QApplication::sendEvent(&b, &out);
    EXPECT_FALSE(b.IsHover());
    EXPECT_EQ(Painted(b), kColours[0]); // the mouse is still over it

    LeaveButton(b);
    MoveMouseOver(b); // the next visit brings the look back
    EXPECT_EQ(Painted(b), kColours[1]);
}

TEST_F(ButtonPlus, SizesToItsBitmapAndLogsItsParameters)
{
    LogCapture log;
    QWidget parent;
    CButtonPlus b;
    b.MoveTo(1, 2); // no window yet: nothing happens, nothing is logged
    EXPECT_FALSE(b.IsWindow());
    EXPECT_TRUE(log.Matching("int x=").empty());

    b.Create(QStringLiteral("Home"), WS_CHILD | WS_VISIBLE, RECT{7, 8, 50, 50}, &parent, 1011);
    EXPECT_EQ(b.geometry(), QRect(7, 8, 0, 0)); // no bitmap loaded yet
    b.OwerLoadBitmap(kNormal, kHover, kPush, kDisable);
    b.MoveTo(5, 6);
    EXPECT_EQ(b.geometry(), QRect(5, 6, 30, 20));
    EXPECT_EQ(b.GetBitmapSize(), QSize(30, 20));

    PromptLog prompts;
    b.SetPromptChange(nullptr, QStringLiteral("quiet"));
    b.SetPromptChange(&prompts, QStringLiteral("Home page"));

    const auto created = log.Matching("ParmInfo:CREATESTRUCT");
    ASSERT_EQ(created.size(), 1u);
    EXPECT_NE(
        created[0].find("cs.cx=43, cs.cy=42, cs.dwExStyle=0, cs.hInstance=0,\t\t\t\tcs.hMenu=3f3, cs.hwndParent="),
        std::string::npos)
        << created[0];
    EXPECT_NE(created[0].find("cs.style=50000000,\t\t\t\tcs.x=7, cs.y=8"), std::string::npos) << created[0];
    EXPECT_EQ(
        log.Matching("ParmInfo:UINT uNormal=60001, UINT uHover=60002, UINT uPush=60003, UINT uDisable=60004").size(),
        1u);
    EXPECT_EQ(log.Matching("ParmInfo:int x=5, int y=6").size(), 1u);
    const auto prompt = log.Matching("ParmInfo:IButtonPromptChange* pPromptReceiver=");
    ASSERT_EQ(prompt.size(), 1u);
    char expected[64];
    std::snprintf(expected, sizeof expected, "pPromptReceiver=%llx,",
                  static_cast<unsigned long long>(reinterpret_cast<std::uintptr_t>(&prompts)));
    EXPECT_NE(prompt[0].find(expected), std::string::npos) << prompt[0]; // the full 64-bit pointer
    EXPECT_NE(prompt[0].find("strPromptText=Home page"), std::string::npos);
}

TEST_F(ButtonPlus, MissingIdsLeaveStatesWithoutImage)
{
    CButtonPlus b(kNormal, 64999, 0, kDisable);
    EXPECT_EQ(b.GetInitError(), 0);
    EXPECT_TRUE(b.StateBitmap(CButtonPlus::Face::Normal)->HasImage());
    EXPECT_FALSE(b.StateBitmap(CButtonPlus::Face::Hover)->HasImage());
    EXPECT_FALSE(b.StateBitmap(CButtonPlus::Face::Push)->HasImage());
    EXPECT_TRUE(b.StateBitmap(CButtonPlus::Face::Disable)->HasImage());
}
