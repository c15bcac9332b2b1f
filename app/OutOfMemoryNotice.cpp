// The out-of-memory message box.
#include "app/OutOfMemoryNotice.h"

#include "controls/CResourceLibrary.h"
#include "controls/MessageBox.h"

#include <QCoreApplication>
#include <QThread>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <memory>
#include <mutex>

namespace {

struct Handshake {
    std::mutex lock;
    std::condition_variable changed;
    bool started = false;
    bool done = false;
};

void ShowNow(const QString& text)
{
    ShowMessageBox(nullptr, text, MB_OK | MB_ICONWARNING);
}

} // namespace

void ShowOutOfMemoryMessage(unsigned stringId)
{
    const QString text = CResourceLibrary::Instance().LoadString(stringId);
    QCoreApplication* app = QCoreApplication::instance();
    if (!app) {
        std::fprintf(stderr, "%s\n", text.toLocal8Bit().constData());
        return;
    }
    if (QThread::currentThread() == app->thread()) {
        ShowNow(text);
        return;
    }
    auto hs = std::make_shared<Handshake>();
    QMetaObject::invokeMethod(
        app,
        [hs, text] {
            {
                std::lock_guard<std::mutex> g(hs->lock);
                hs->started = true;
            }
            hs->changed.notify_all();
            ShowNow(text);
            {
                std::lock_guard<std::mutex> g(hs->lock);
                hs->done = true;
            }
            hs->changed.notify_all();
        },
        Qt::QueuedConnection);
    std::unique_lock<std::mutex> g(hs->lock);
    if (!hs->changed.wait_for(g, std::chrono::seconds(5), [&] { return hs->started; })) {
        std::fprintf(stderr, "%s\n", text.toLocal8Bit().constData());
        return;
    }
    hs->changed.wait(g, [&] { return hs->done; });
}
