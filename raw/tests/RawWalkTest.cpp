// The walk rules: size caps, the device clamp, exceptions, the step hook, names taken from file contents.
#include "raw/RawWalk.h"

#include "core/CRecoverySettings.h"
#include "tests/support/MemoryDevice.h"

#include <gtest/gtest.h>

#include <stdexcept>

using testsupport::MemoryDevice;

namespace {

class RawWalkTest : public ::testing::Test {
protected:
    void TearDown() override { GetRecoverySettings()->m_maxRawFileSize = CRecoverySettings::kDefaultMaxRawFileSize; }
};

TEST_F(RawWalkTest, SizesAreCappedByTheOptionAndTheDevice)
{
    MemoryDevice device(1000);
    GetRecoverySettings()->m_maxRawFileSize = 300000;
    EXPECT_EQ(CapRawSize(1000, &device, 0), 1000u);
    EXPECT_EQ(CapRawSize(400000, &device, 0), 300000u);
    EXPECT_EQ(CapRawSize(400000, &device, 900), 100u * 512);
    EXPECT_EQ(CapRawSize(UINT64_MAX, &device, 999), 512u);
    EXPECT_EQ(CapRawSize(5, &device, 1000), 0u);
    EXPECT_EQ(CapRawSize(UINT64_MAX, nullptr, 0), 300000u);
    EXPECT_EQ(GetRawBytesToDeviceEnd(&device, UINT64_MAX), 0u);
}

TEST_F(RawWalkTest, RunRawWalkCapsAndTurnsExceptionsIntoNotFound)
{
    MemoryDevice device(100);
    CRawFileInfo hit;
    hit.SetStartSector(90);
    EXPECT_EQ(RunRawWalk(&hit, &device,
                         [](RawWalk& walk) {
                             EXPECT_EQ(walk.Limit(), 10u * 512);
                             EXPECT_TRUE(walk.WithinBound(CRecoverySettings::kDefaultMaxRawFileSize));
                             EXPECT_FALSE(walk.WithinBound(CRecoverySettings::kDefaultMaxRawFileSize + 1));
                             walk.Hit()->SetSize(1ull << 40);
                             return 1;
                         }),
              1);
    EXPECT_EQ(hit.GetSize(), 10u * 512);

    EXPECT_EQ(RunRawWalk(&hit, &device,
                         [](RawWalk& walk) -> int {
                             walk.Hit()->SetSize(2048);
                             throw std::runtime_error("damaged");
                         }),
              0);
    EXPECT_EQ(hit.GetSize(), 0u);
}

TEST_F(RawWalkTest, StepHookRunsEveryNStepsOnItsThread)
{
    int calls = 0;
    MemoryDevice device(10);
    CRawFileInfo hit;
    {
        ScopedRawWalkStepHook hook([](void* c) { ++*static_cast<int*>(c); }, &calls);
        RunRawWalk(&hit, &device, [](RawWalk& walk) {
            for (int i = 0; i < 35; ++i) walk.Step();
            for (int i = 0; i < 4; ++i) walk.Step(1);
            return 1;
        });
    }
    EXPECT_EQ(calls, 3 + 4); // steps 10, 20 and 30, then each of the four steps asked with every = 1
    RunRawWalk(&hit, &device, [](RawWalk& walk) {
        for (int i = 0; i < 20; ++i) walk.Step();
        return 1;
    });
    EXPECT_EQ(calls, 7); // no hook outside the scope
}

TEST_F(RawWalkTest, NamePrefixesAreCleaned)
{
    const struct {
        std::string in;
        std::string out;
    } cases[] = {
        {"Canon EOS 5D", "Canon EOS 5D"},
        {"  NIKON D70  ", "NIKON D70"},
        {"../../etc/passwd", "..#..#etc#passwd"},
        {"..", "FILE"},
        {".", "FILE"},
        {"", "FILE"},
        {"   ", "FILE"},
        {std::string("Model\0junk", 10), "Model"},
        {"a\tb\nc\x7f"
         "d",
         "a#b#c#d"},
        {"C:\\x*y?z|\"<>", "C##x#y#z####"},
        {std::string(70, 'x'), std::string(64, 'x')},
        {std::string(63, 'x') + "\xC3\xA9", std::string(63, 'x')},
        {"Gr\xC3\xBC\xC3\x9F"
         "e",
         "Gr\xC3\xBC\xC3\x9F"
         "e"},
    };
    for (const auto& c : cases) EXPECT_EQ(CleanRawNamePrefix(c.in), c.out) << c.in;
}

} // namespace
