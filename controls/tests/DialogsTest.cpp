// The dialog base, the prompt with a check box and the edit box with editing shortcuts.
#include "controls/CEditPlus.h"
#include "controls/CHasCheckboxPromptDlg.h"
#include "controls/CResourceLibrary.h"
#include "controls/ControlId.h"
#include "controls/MessageBox.h"
#include "controls/QtTranslations.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QKeyEvent>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <QTranslator>

#include <functional>
#include <memory>
#include <gtest/gtest.h>

namespace {

// A dialog with a Ctrl+A window shortcut that counts the keys that reach it.
class ShortcutDialog : public CSearchSuperDlg {
public:
    ShortcutDialog() : CSearchSuperDlg(500, nullptr)
    {
        auto* selectEverything = new QAction(this);
        selectEverything->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_A));
        selectEverything->setShortcutContext(Qt::WindowShortcut);
        addAction(selectEverything);
        connect(selectEverything, &QAction::triggered, this, [this] { ++shortcuts; });
        edit = new CEditPlus(this);
        edit->setGeometry(10, 10, 200, 24);
    }
    int shortcuts = 0;
    int keysSeen = 0;
    CEditPlus* edit;

protected:
    void keyPressEvent(QKeyEvent* e) override
    {
        if (e->key() != Qt::Key_Control) // the modifier's own press passes through, as it should
            ++keysSeen;
        CSearchSuperDlg::keyPressEvent(e);
    }
};

void Activate(QWidget* w)
{
    w->show();
    QApplication::setActiveWindow(w);
    ASSERT_TRUE(QTest::qWaitForWindowActive(w));
}

} // namespace

TEST(SearchSuperDlg, PanesWithThePlaceholderTemplateNeedNoWindow)
{
    auto pane = std::make_unique<CSearchSuperDlg>(nullptr);
    EXPECT_EQ(pane->GetTemplateId(), 105u);
    EXPECT_EQ(pane->TemplateText(0), "Dialog");
    EXPECT_EQ(pane->TemplateText(2), "Cancel");
    pane.reset(); // never shown, destroyed cleanly
}

// A dialog that hosts a borrowed page hands it back in done(); every way of ending must pass there.
TEST(SearchSuperDlg, EveryEndingPassesThroughTheVirtualDone)
{
    class Counting : public CSearchSuperDlg {
    public:
        Counting() : CSearchSuperDlg(nullptr) {}
        void done(int result) override
        {
            ++dones;
            CSearchSuperDlg::done(result);
        }
        void End(int result) { EndDialog(result); }
        int dones = 0;
    };
    const struct {
        const char* name;
        std::function<void(Counting&)> end;
        int result;
    } endings[] = {
        {"EndDialog", [](Counting& d) { d.End(7); }, 7},
        {"accept (OK, Enter)", [](Counting& d) { d.accept(); }, IDOK},
        {"reject (Escape, close box)", [](Counting& d) { d.reject(); }, IDCANCEL},
    };
    for (const auto& ending : endings) {
        Counting dlg;
        int result = -1;
        QTimer::singleShot(0, &dlg, [&] { ending.end(dlg); });
        result = dlg.DoModal();
        EXPECT_EQ(dlg.dones, 1) << ending.name;
        EXPECT_EQ(result, ending.result) << ending.name;
    }
}

TEST(PromptDialog, OnlyOKWithTheBoxTickedSetsTheFlag)
{
    enum class End { OkButton, EnterKey, EscapeKey, CloseBox };
    const struct {
        const char* name;
        bool tick;
        End end;
        int result;
        int flag;
    } cases[] = {
        {"OK, ticked", true, End::OkButton, IDOK, 1},
        {"OK, not ticked", false, End::OkButton, IDOK, 0},
        {"Enter, ticked", true, End::EnterKey, IDOK, 1},
        {"Escape, ticked", true, End::EscapeKey, IDCANCEL, 0},
        {"close box, ticked", true, End::CloseBox, IDCANCEL, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        CHasCheckboxPromptDlg dlg(QStringLiteral("Files in the Deleted Files folder may be overwritten."), nullptr);
        dlg.ShowModeless();
        if (c.tick)
            QTest::mouseClick(dlg.CheckBox(), Qt::LeftButton, Qt::NoModifier, QPoint(6, dlg.CheckBox()->height() / 2));
        EXPECT_EQ(dlg.CheckBox()->isChecked(), c.tick);
        switch (c.end) {
        case End::OkButton: QTest::mouseClick(dlg.OKButton(), Qt::LeftButton); break;
        case End::EnterKey: QTest::keyClick(&dlg, Qt::Key_Return); break;
        case End::EscapeKey: QTest::keyClick(&dlg, Qt::Key_Escape); break;
        case End::CloseBox: dlg.close(); break;
        }
        EXPECT_FALSE(dlg.isVisible());
        EXPECT_EQ(dlg.result(), c.result);
        EXPECT_EQ(dlg.GetDontShowAgain(), c.flag);
    }
}

TEST(PromptDialog, TemplateLayoutAndTexts)
{
    CHasCheckboxPromptDlg dlg(QStringLiteral("Message"), nullptr);
    dlg.ShowModeless();
    EXPECT_EQ(dlg.windowTitle(), "Salvix");
    EXPECT_EQ(dlg.size(), QSize(315, 143));
    EXPECT_EQ(dlg.TextLabel()->text(), "Message");
    EXPECT_EQ(dlg.CheckBox()->text(), "Don't show this message again.");
    EXPECT_EQ(GetDlgItem(&dlg, 1139), dlg.CheckBox());
    EXPECT_EQ(dlg.OKButton()->geometry(), QRect(204, 107, 89, 31));
    EXPECT_EQ(dlg.OKButton()->GetDlgCtrlID(), unsigned(IDOK));
    EXPECT_FALSE(static_cast<QLabel*>(GetDlgItem(&dlg, 1193))->pixmap().isNull()); // the information icon
    dlg.close();
}

TEST(EditPlus, EditingShortcutsStayInTheBox)
{
    ShortcutDialog dlg;
    Activate(&dlg);
    dlg.edit->setFocus();
    QTest::keyClicks(dlg.edit, QStringLiteral("abc"));
    EXPECT_EQ(dlg.edit->text(), "abc"); // letters without Ctrl type
    dlg.edit->setCursorPosition(1);

    QTest::keyClick(dlg.edit, Qt::Key_A, Qt::ControlModifier);
    EXPECT_EQ(dlg.edit->selectedText(), "abc");
    EXPECT_EQ(dlg.shortcuts, 0);
    EXPECT_EQ(dlg.keysSeen, 0);

    QTest::keyClick(dlg.edit, Qt::Key_X, Qt::ControlModifier);
    EXPECT_EQ(dlg.edit->text(), "");
    QTest::keyClick(dlg.edit, Qt::Key_Z, Qt::ControlModifier);
    EXPECT_EQ(dlg.edit->text(), "abc");
    EXPECT_EQ(dlg.keysSeen, 0);

    // Outside the box the dialog's shortcut works as usual.
    dlg.setFocus();
    dlg.edit->clearFocus();
    QTest::keyClick(&dlg, Qt::Key_A, Qt::ControlModifier);
    EXPECT_EQ(dlg.shortcuts, 1);
}

// Qt's own buttons follow the interface language: a message box's Yes and No and the file dialog's
// Cancel in German and Japanese, in English again once the translator is gone.
TEST(QtTranslations, MessageBoxAndFileDialogButtonsInTheInterfaceLanguage)
{
    EXPECT_EQ(QtLocaleForBundle(QStringLiteral("English")), QString());
    EXPECT_EQ(InstallQtTranslations(QStringLiteral("English")), nullptr);
    const struct {
        const char* bundle;
        const char* yes;
        const char* no;
        const char* cancel;
    } cases[] = {{"Deutsch", "&Ja", "&Nein", "Abbrechen"},
                 {"Japanese", "はい(&Y)", "いいえ(&N)", "キャンセル"},
                 {"English", "&Yes", "&No", "Cancel"}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.bundle);
        std::unique_ptr<QTranslator> translator = InstallQtTranslations(QString::fromUtf8(c.bundle));
        EXPECT_EQ(translator == nullptr, QtLocaleForBundle(QString::fromUtf8(c.bundle)).isEmpty());
        QStringList texts;
        QTimer::singleShot(0, [&] {
            auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            ASSERT_TRUE(box);
            for (QAbstractButton* b : box->buttons()) texts << b->text();
            QTest::keyClick(box, Qt::Key_Escape);
        });
        ShowMessageBox(nullptr, QStringLiteral("?"), QStringLiteral("Salvix"), MB_YESNO | MB_ICONQUESTION);
        EXPECT_TRUE(texts.contains(QString::fromUtf8(c.yes))) << texts.join(u',').toStdString();
        EXPECT_TRUE(texts.contains(QString::fromUtf8(c.no))) << texts.join(u',').toStdString();

        QFileDialog files;
        files.setOption(QFileDialog::DontUseNativeDialog);
        auto* box = files.findChild<QDialogButtonBox*>();
        ASSERT_TRUE(box);
        ASSERT_TRUE(box->button(QDialogButtonBox::Cancel));
        EXPECT_EQ(box->button(QDialogButtonBox::Cancel)->text(), QString::fromUtf8(c.cancel));
    }
}
