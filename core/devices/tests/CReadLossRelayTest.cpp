// Losses handed from a worker thread to the one waiting for it arrive whole: the waiting thread's scopes count
// every sector the worker's did, also when the worker heard more reports than a scope keeps with their places.
#include "core/devices/CReadLossRelay.h"

#include "core/devices/CReadLossScope.h"

#include <gtest/gtest.h>

#include <thread>

namespace {

struct Counts {
    uint64_t lost = 0;
    uint64_t skipped = 0;
    uint64_t bytes = 0;
};

// Reports `isolated` single sectors two apart (none merge), each a second time, and a skipped stretch, from
// two sources of different sector sizes; returns what a scope on the reporting thread counted.
Counts ReportMany(uint64_t isolated)
{
    CReadLossScope own;
    int diskA = 0, diskB = 0;
    for (int pass = 0; pass < 2; ++pass)
        for (uint64_t i = 0; i < isolated; ++i) CReadLossScope::Report({&diskA, 2 * i, 1, 512, nullptr, false});
    CReadLossScope::Report({&diskB, 1000, 300, 4096, nullptr, true});
    CReadLossScope::Report({&diskB, 1200, 200, 4096, nullptr, true}); // half of it heard already
    return {own.GetLostSectors(), own.GetSkippedSectors(), own.GetLostBytes()};
}

TEST(CReadLossRelay, EveryLossOfTheWorkerReachesTheWaitingThread)
{
    // Beyond the 65,536 reports a scope keeps with their places, and below it.
    for (uint64_t isolated : {uint64_t(100), uint64_t(70000)}) {
        SCOPED_TRACE(isolated);
        CReadLossRelay relay;
        Counts worker;
        std::thread([&] {
            CReadLossRelay::Collector collect(relay);
            worker = ReportMany(isolated);
        }).join();
        EXPECT_EQ(worker.lost, isolated + 400);
        EXPECT_EQ(worker.skipped, 400u);
        EXPECT_EQ(worker.bytes, isolated * 512 + 400 * 4096);

        CReadLossScope waiting;
        relay.Deliver();
        EXPECT_EQ(waiting.GetLostSectors(), worker.lost);
        EXPECT_EQ(waiting.GetSkippedSectors(), worker.skipped);
        EXPECT_EQ(waiting.GetLostBytes(), worker.bytes);
    }
}

TEST(CReadLossRelay, TakenRecordsCarryTheExactCountsOfAFullScope)
{
    std::vector<CReadLossScope::Record> taken;
    Counts heard;
    {
        CReadLossScope scope;
        heard = ReportMany(70000);
        taken = scope.TakeRecords();
    }
    CReadLossScope other;
    for (const CReadLossScope::Record& r : taken) {
        EXPECT_EQ(r.where, nullptr); // the places were not all kept
        CReadLossScope::Report(r);
    }
    EXPECT_EQ(other.GetLostSectors(), heard.lost);
    EXPECT_EQ(other.GetSkippedSectors(), heard.skipped);
    EXPECT_EQ(other.GetLostBytes(), heard.bytes);
}

} // namespace
