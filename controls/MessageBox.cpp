// Message boxes on QMessageBox, or answered by the installed responder.
#include "controls/MessageBox.h"

#include "controls/CResourceLibrary.h"

#include <QMessageBox>
#include <QPushButton>
#include <utility>
#include <vector>

namespace {

MessageBoxResponder& Responder()
{
    static MessageBoxResponder responder;
    return responder;
}

struct ButtonChoice {
    QMessageBox::StandardButton button;
    int id;
};

std::vector<ButtonChoice> ButtonsOf(unsigned type)
{
    switch (type & 0xF) {
    case MB_OKCANCEL: return {{QMessageBox::Ok, IDOK}, {QMessageBox::Cancel, IDCANCEL}};
    case MB_ABORTRETRYIGNORE:
        return {{QMessageBox::Abort, IDABORT}, {QMessageBox::Retry, IDRETRY}, {QMessageBox::Ignore, IDIGNORE}};
    case MB_YESNOCANCEL: return {{QMessageBox::Yes, IDYES}, {QMessageBox::No, IDNO}, {QMessageBox::Cancel, IDCANCEL}};
    case MB_YESNO: return {{QMessageBox::Yes, IDYES}, {QMessageBox::No, IDNO}};
    case MB_RETRYCANCEL: return {{QMessageBox::Retry, IDRETRY}, {QMessageBox::Cancel, IDCANCEL}};
    default: return {{QMessageBox::Ok, IDOK}};
    }
}

QMessageBox::Icon IconOf(unsigned type)
{
    switch (type & 0xF0) {
    case MB_ICONHAND: return QMessageBox::Critical;
    case MB_ICONQUESTION: return QMessageBox::Question;
    case MB_ICONEXCLAMATION: return QMessageBox::Warning;
    case MB_ICONASTERISK: return QMessageBox::Information;
    default: return QMessageBox::NoIcon;
    }
}

} // namespace

int ShowMessageBox(QWidget* owner, const QString& text, const QString& caption, unsigned type)
{
    if (Responder()) return Responder()(MessageBoxRequest{owner, text, caption, type});

    QMessageBox box(IconOf(type), caption, text, QMessageBox::NoButton, owner);
    const std::vector<ButtonChoice> buttons = ButtonsOf(type);
    for (const ButtonChoice& b : buttons) box.addButton(b.button);
    const size_t defaultIndex = (type >> 8) & 0xF;
    if (defaultIndex < buttons.size()) box.setDefaultButton(buttons[defaultIndex].button);
    box.exec();
    const auto clicked = box.standardButton(box.clickedButton());
    for (const ButtonChoice& b : buttons)
        if (b.button == clicked) return b.id;
    // Closed without a button: the answer of the box's cancel button, as the system gives.
    for (const ButtonChoice& b : buttons)
        if (b.id == IDCANCEL || b.id == IDNO) return b.id;
    return buttons.front().id;
}

int ShowMessageBox(QWidget* owner, const QString& text, unsigned type)
{
    return ShowMessageBox(owner, text, ProductName(), type);
}

int ShowMessageBox(QWidget* owner, unsigned stringId, unsigned type)
{
    return ShowMessageBox(owner, CResourceLibrary::Instance().LoadString(stringId), ProductName(), type);
}

CScopedMessageBoxResponder::CScopedMessageBoxResponder(MessageBoxResponder responder)
    : m_previous(std::exchange(Responder(), std::move(responder)))
{
}

CScopedMessageBoxResponder::~CScopedMessageBoxResponder()
{
    Responder() = std::move(m_previous);
}
