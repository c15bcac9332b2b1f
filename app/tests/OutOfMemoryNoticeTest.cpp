// The out-of-memory message: shown at once on the user-interface thread, handed over to it from a worker,
// which waits until the box is closed.
#include "app/OutOfMemoryNotice.h"
#include "app/tests/AppTestSupport.h"

#include <QTest>
#include <atomic>
#include <gtest/gtest.h>
#include <thread>

namespace {

TEST(OutOfMemoryNotice, ShownOnTheInterfaceThreadFromAnyThread)
{
    RecordingResponder boxes;
    ShowOutOfMemoryMessage(307);
    ASSERT_EQ(boxes.boxes.size(), 1u);
    EXPECT_EQ(boxes.boxes[0].text.toStdString(),
              "Salvix has encountered a memory problem and needs to close.\nWe are sorry for the inconvenience.\n"
              "You can enlarge your virtual memory and try again.");
    EXPECT_EQ(boxes.boxes[0].type & 0xF0, MB_ICONWARNING);
    EXPECT_EQ(boxes.boxes[0].owner, nullptr);

    std::atomic<bool> returned{false};
    std::thread worker([&] {
        ShowOutOfMemoryMessage(61240);
        returned = true;
    });
    for (int i = 0; i < 500 && !returned; ++i)
        QTest::qWait(10); // the interface thread takes the box up while it runs its events
    worker.join();
    ASSERT_EQ(boxes.boxes.size(), 2u);
    EXPECT_EQ(boxes.boxes[1].text.toStdString(), "Failed to allocate the memory. Please untick \"Recover RAW file\" in "
                                                 "RAW of \"Option\" and try again. ");
}

} // namespace
