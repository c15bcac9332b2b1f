// The widget tests' entry point turns Qt's warnings into test failures, leaving out the offscreen platform's notes.
#include <QtGlobal>
#include <gtest/gtest-spi.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>

TEST(QtWarnings, AWarningOfQtFailsTheTest)
{
    if (const char* fatal = std::getenv("QT_FATAL_WARNINGS"); fatal && std::strcmp(fatal, "0") == 0)
        GTEST_SKIP() << "QT_FATAL_WARNINGS=0 lets warnings pass";
    EXPECT_NONFATAL_FAILURE(qWarning("QWidget::setLayout: something is wrong"), "Qt warned");
    EXPECT_NONFATAL_FAILURE(qCritical("a critical message"), "Qt warned");
}

TEST(QtWarnings, TheOffscreenPlatformsNotesDoNotCount)
{
    qWarning("This plugin does not support raise()");
    qDebug("debug output is not a warning");
}
