// Entry point of the widget tests: one QApplication for the whole run, then every GoogleTest case.
//
// A warning or critical message of Qt fails the test that caused it, as QT_FATAL_WARNINGS=1 would (set it to 0 to
// only see them). The check is made here rather than by Qt's own abort, so that the offscreen platform's notes
// about what it cannot do for a window ("This plugin does not support raise()", "...propagateSizeHints()") do not
// count: they say nothing about our windows, and a real screen does those things.
#include "tests/support/QtTestMain.h"

#include <QApplication>
#include <QByteArray>
#include <QString>
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>

namespace {

bool g_warningsFail = false;
QtMessageHandler g_previousHandler = nullptr;

bool IsOffscreenPlatformNote(const QString& message)
{
    return message.startsWith(QLatin1String("This plugin does not support"));
}

void FailOnWarning(QtMsgType type, const QMessageLogContext& context, const QString& message)
{
    if (g_previousHandler) g_previousHandler(type, context, message);
    if (!g_warningsFail || (type != QtWarningMsg && type != QtCriticalMsg) || IsOffscreenPlatformNote(message)) return;
    ADD_FAILURE() << "Qt warned: " << message.toStdString();
}

// Deletes what the test that just ended left with PerTestOwner().
class PerTestCleanup : public ::testing::EmptyTestEventListener {
    void OnTestEnd(const ::testing::TestInfo&) override
    {
        for (QObject* child : testsupport::PerTestOwner()->children()) delete child;
    }
};

} // namespace

QObject* testsupport::PerTestOwner()
{
    static QObject owner;
    return &owner;
}

int main(int argc, char** argv)
{
    // Widget tests draw off screen unless told otherwise (test discovery runs without the CTest environment).
    // Qt also wants a private runtime folder.
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    setenv("XDG_RUNTIME_DIR", SALVIX_TEST_RUNTIME_DIR, 0);
    const char* fatal = std::getenv("QT_FATAL_WARNINGS");
    g_warningsFail = !fatal || std::strcmp(fatal, "0") != 0;
    unsetenv("QT_FATAL_WARNINGS"); // judged by FailOnWarning instead
    g_previousHandler = qInstallMessageHandler(&FailOnWarning);
    ::testing::InitGoogleTest(&argc, argv);
    QApplication app(argc, argv);
    ::testing::UnitTest::GetInstance()->listeners().Append(new PerTestCleanup);
    const int result = RUN_ALL_TESTS();
    for (QObject* child : testsupport::PerTestOwner()->children()) delete child;
    return result;
}
