// Message boxes with the Win32 type flags and answers. The caption is the product name unless given.
// Tests install a responder, which answers in place of the user and sees every request.
#pragma once

#include <QString>
#include <functional>

class QWidget;

constexpr unsigned MB_OK = 0x0;
constexpr unsigned MB_OKCANCEL = 0x1;
constexpr unsigned MB_ABORTRETRYIGNORE = 0x2;
constexpr unsigned MB_YESNOCANCEL = 0x3;
constexpr unsigned MB_YESNO = 0x4;
constexpr unsigned MB_RETRYCANCEL = 0x5;
constexpr unsigned MB_ICONHAND = 0x10; // also MB_ICONERROR, MB_ICONSTOP
constexpr unsigned MB_ICONQUESTION = 0x20;
constexpr unsigned MB_ICONEXCLAMATION = 0x30; // also MB_ICONWARNING
constexpr unsigned MB_ICONASTERISK = 0x40;    // also MB_ICONINFORMATION
constexpr unsigned MB_ICONERROR = MB_ICONHAND;
constexpr unsigned MB_ICONWARNING = MB_ICONEXCLAMATION;
constexpr unsigned MB_ICONINFORMATION = MB_ICONASTERISK;
constexpr unsigned MB_DEFBUTTON1 = 0x000;
constexpr unsigned MB_DEFBUTTON2 = 0x100;
constexpr unsigned MB_DEFBUTTON3 = 0x200;

constexpr int IDOK = 1;
constexpr int IDCANCEL = 2;
constexpr int IDABORT = 3;
constexpr int IDRETRY = 4;
constexpr int IDIGNORE = 5;
constexpr int IDYES = 6;
constexpr int IDNO = 7;

struct MessageBoxRequest {
    QWidget* owner;
    QString text;
    QString caption;
    unsigned type;
};
using MessageBoxResponder = std::function<int(const MessageBoxRequest&)>;

// Shows a modal box and returns the ID of the button pressed (the Cancel or No answer when it is closed).
int ShowMessageBox(QWidget* owner, const QString& text, unsigned type = MB_OK);
int ShowMessageBox(QWidget* owner, const QString& text, const QString& caption, unsigned type);
// The text of a string resource.
int ShowMessageBox(QWidget* owner, unsigned stringId, unsigned type = MB_OK);

// Installs a responder for its lifetime (user-interface thread); the previous one returns afterwards.
class CScopedMessageBoxResponder {
public:
    explicit CScopedMessageBoxResponder(MessageBoxResponder responder);
    ~CScopedMessageBoxResponder();
    CScopedMessageBoxResponder(const CScopedMessageBoxResponder&) = delete;
    CScopedMessageBoxResponder& operator=(const CScopedMessageBoxResponder&) = delete;

private:
    MessageBoxResponder m_previous;
};
