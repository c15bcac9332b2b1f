// Private window messages between windows: each is a custom QEvent whose type is the message number
// (WM_USER + n, WM_APP + n), carrying wParam, lParam and, for a send, a result. Senders use SendMessageTo
// (synchronous) or PostMessageTo (queued); workers post through a CMessagePort, which never blocks and
// drops the message once its window is gone.
#pragma once

#include <QEvent>
#include <QObject>
#include <cstdint>
#include <memory>
#include <mutex>

using WPARAM = std::uintptr_t;
using LPARAM = std::intptr_t;
using LRESULT = std::intptr_t;

constexpr unsigned WM_USER = 0x0400;
constexpr unsigned WM_APP = 0x8000;

// The numbers used between the windows of the program.
constexpr unsigned UM_SELECTION_TOTALS = WM_USER + 1000;  // 2024 selection totals changed / list row right-clicked
constexpr unsigned UM_SELECTION_CHANGED = WM_USER + 1001; // 2025
constexpr unsigned UM_CHECK_CLICKED = WM_USER + 1700;     // 2724 a check button was clicked
constexpr unsigned UM_CLOSE_APP = WM_USER + 10;           // 1034 close the main frame without asking
constexpr unsigned UM_SHOW_HELP = WM_APP + 10;            // show a help topic

class CWindowMessage : public QEvent {
public:
    // msg must lie in WM_USER..0xBFFF (the private ranges, which are also valid custom event types).
    CWindowMessage(unsigned msg, WPARAM wParam, LPARAM lParam);
    ~CWindowMessage() override;

    unsigned Message() const { return unsigned(type()); }
    WPARAM WParam() const { return m_wParam; }
    LPARAM LParam() const { return m_lParam; }
    LRESULT Result() const { return m_result; }
    void SetResult(LRESULT r) { m_result = r; }

    // The message carried by e, or null when e is not a window message.
    static CWindowMessage* From(QEvent* e);
    static bool IsPrivateMessage(unsigned msg) { return msg >= WM_USER && msg <= 0xBFFF; }

    // Internal to SendMessageTo across threads: called when the event is destroyed, handled or not.
    struct Completion;
    void SetCompletion(std::shared_ptr<Completion> c) { m_completion = std::move(c); }

private:
    WPARAM m_wParam;
    LPARAM m_lParam;
    LRESULT m_result = 0;
    std::shared_ptr<Completion> m_completion;
};

// Delivers the message now on the target's thread; from another thread it is queued to the target and
// the caller waits until it was handled (or dropped because the target went away). Returns the result
// the handler set, 0 when unhandled or dropped.
LRESULT SendMessageTo(QObject* target, unsigned msg, WPARAM wParam = 0, LPARAM lParam = 0);

// Queues the message for the target's thread and returns at once. Safe from any thread while the target
// is alive; false for a null target or a number outside the private ranges.
bool PostMessageTo(QObject* target, unsigned msg, WPARAM wParam = 0, LPARAM lParam = 0);

// A handle through which worker threads reach a window. It closes itself when the window is destroyed,
// after which Post and Send do nothing and return false / 0. Safe to share between threads.
class CMessagePort {
public:
    // Created and bound on the target's thread.
    static std::shared_ptr<CMessagePort> Create(QObject* target);
    ~CMessagePort();

    bool Post(unsigned msg, WPARAM wParam = 0, LPARAM lParam = 0);
    LRESULT Send(unsigned msg, WPARAM wParam = 0, LPARAM lParam = 0);
    bool IsOpen() const;
    void Close();

private:
    explicit CMessagePort(QObject* target) : m_target(target) {}

    mutable std::mutex m_lock;
    QObject* m_target; // cleared under m_lock when the target is destroyed
    QMetaObject::Connection m_watch;
};
