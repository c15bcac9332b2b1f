// Window messages as custom events: construction, synchronous and queued delivery, and the worker port.
#include "controls/WindowMessages.h"

#include <QCoreApplication>
#include <QThread>
#include <cassert>
#include <condition_variable>

struct CWindowMessage::Completion {
    std::mutex lock;
    std::condition_variable done;
    bool finished = false;
    LRESULT result = 0;

    void Finish(LRESULT r)
    {
        {
            std::lock_guard<std::mutex> g(lock);
            finished = true;
            result = r;
        }
        done.notify_all();
    }
    LRESULT Wait()
    {
        std::unique_lock<std::mutex> g(lock);
        done.wait(g, [this] { return finished; });
        return result;
    }
};

CWindowMessage::CWindowMessage(unsigned msg, WPARAM wParam, LPARAM lParam)
    : QEvent(QEvent::Type(msg)), m_wParam(wParam), m_lParam(lParam)
{
    assert(IsPrivateMessage(msg));
}

CWindowMessage::~CWindowMessage()
{
    if (m_completion) m_completion->Finish(m_result);
}

CWindowMessage* CWindowMessage::From(QEvent* e)
{
    if (!e || !IsPrivateMessage(unsigned(e->type()))) return nullptr;
    return dynamic_cast<CWindowMessage*>(e);
}

namespace {

LRESULT SendQueuedAndWait(QObject* target, unsigned msg, WPARAM wParam, LPARAM lParam)
{
    auto completion = std::make_shared<CWindowMessage::Completion>();
    auto* event = new CWindowMessage(msg, wParam, lParam);
    event->SetCompletion(completion);
    QCoreApplication::postEvent(target, event);
    // The event reports back from its destructor, which runs after the handler, or when Qt drops it
    // because the target was destroyed first.
    return completion->Wait();
}

} // namespace

LRESULT SendMessageTo(QObject* target, unsigned msg, WPARAM wParam, LPARAM lParam)
{
    if (!target || !CWindowMessage::IsPrivateMessage(msg)) return 0;
    if (target->thread() == QThread::currentThread()) {
        CWindowMessage event(msg, wParam, lParam);
        QCoreApplication::sendEvent(target, &event);
        return event.Result();
    }
    return SendQueuedAndWait(target, msg, wParam, lParam);
}

bool PostMessageTo(QObject* target, unsigned msg, WPARAM wParam, LPARAM lParam)
{
    if (!target || !CWindowMessage::IsPrivateMessage(msg)) return false;
    QCoreApplication::postEvent(target, new CWindowMessage(msg, wParam, lParam));
    return true;
}

std::shared_ptr<CMessagePort> CMessagePort::Create(QObject* target)
{
    std::shared_ptr<CMessagePort> port(new CMessagePort(target));
    if (target) {
        std::weak_ptr<CMessagePort> weak = port;
        port->m_watch = QObject::connect(
            target, &QObject::destroyed, target,
            [weak] {
                if (auto p = weak.lock()) p->Close();
            },
            Qt::DirectConnection);
    }
    return port;
}

CMessagePort::~CMessagePort()
{
    QObject::disconnect(m_watch);
}

bool CMessagePort::Post(unsigned msg, WPARAM wParam, LPARAM lParam)
{
    std::lock_guard<std::mutex> g(m_lock);
    return m_target && PostMessageTo(m_target, msg, wParam, lParam);
}

LRESULT CMessagePort::Send(unsigned msg, WPARAM wParam, LPARAM lParam)
{
    QObject* target = nullptr;
    std::shared_ptr<CWindowMessage::Completion> completion;
    {
        std::lock_guard<std::mutex> g(m_lock);
        if (!m_target || !CWindowMessage::IsPrivateMessage(msg)) return 0;
        target = m_target;
        if (target->thread() != QThread::currentThread()) {
            completion = std::make_shared<CWindowMessage::Completion>();
            auto* event = new CWindowMessage(msg, wParam, lParam);
            event->SetCompletion(completion);
            QCoreApplication::postEvent(target, event);
        }
    }
    if (completion) return completion->Wait(); // outside the lock, so that the window can close the port meanwhile
    return SendMessageTo(target, msg, wParam, lParam);
}

bool CMessagePort::IsOpen() const
{
    std::lock_guard<std::mutex> g(m_lock);
    return m_target != nullptr;
}

void CMessagePort::Close()
{
    std::lock_guard<std::mutex> g(m_lock);
    m_target = nullptr;
}
