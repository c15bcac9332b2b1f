// The small helpers: time forecast, reference-counted pointer, list deletion, name ordering, module path,
// wide text, one-character test.
#include "core/CRefCountPtr.h"
#include "core/CTimeEstimator.h"
#include "core/DeleteListItems.h"
#include "core/Utilities.h"
#include "platform/Folders.h"

#include <gtest/gtest.h>

#include <list>
#include <vector>

namespace {

TEST(CTimeEstimator, ForecastsInWhole100msSteps)
{
    const struct {
        int total;
        uint32_t start;
        int done;
        uint32_t now;
        int64_t remaining;
    } rows[] = {
        {200, 1000, 50, 2050, 3000},               // (10 * 150 / 50) * 100
        {200, 1000, 50, 1099, 0},                  // less than one step elapsed
        {100, 0, 30, 1000, 2300},                  // (10 * 70 / 30) = 23
        {100, 0, 150, 1000, 0},                    // counted past the total
        {200, 0xFFFFFF00u, 100, 0x00000100u, 500}, // the tick count wrapped: 512 ms elapsed
    };
    for (const auto& r : rows) {
        SCOPED_TRACE(r.done);
        CTimeEstimator t;
        t.StartAt(r.total, r.start);
        t.UpdateAt(r.done, r.now);
        EXPECT_EQ(t.GetRemaining(), r.remaining);
    }
    CTimeEstimator t;
    t.StartAt(200, 0);
    t.UpdateAt(50, 1050);
    t.UpdateAt(0, 9999); // ignored
    EXPECT_EQ(t.GetRemaining(), 3000);
    t.Clear();
    EXPECT_EQ(t.GetRemaining(), 0);
    EXPECT_EQ(t.GetElapsed(), 0);
}

struct Counted {
    explicit Counted(int* deaths) : m_deaths(deaths) {}
    ~Counted() { ++*m_deaths; }
    int* m_deaths;
};

TEST(CRefCountPtr, LastReleaseDeletes)
{
    int deaths = 0;
    {
        CRefCountPtr<Counted> a(new Counted(&deaths));
        CRefCountPtr<Counted> b = a;
        EXPECT_EQ(a.UseCount(), 2);
        std::vector<CRefCountPtr<Counted>> v(3, b);
        EXPECT_EQ(a.UseCount(), 5);
        a.Release();
        EXPECT_FALSE(a);
        v.clear();
        EXPECT_EQ(deaths, 0);
        b = CRefCountPtr<Counted>(); // assignment drops the old reference
        EXPECT_EQ(deaths, 1);
    }
    EXPECT_EQ(deaths, 1);
    CRefCountPtr<Counted> empty(nullptr);
    EXPECT_EQ(empty.UseCount(), 1);
}

TEST(DeleteListItems, DeletesEveryElementAndEmpties)
{
    int deaths = 0;
    std::list<Counted*> l{new Counted(&deaths), nullptr, new Counted(&deaths)};
    DeleteListItems(l);
    EXPECT_TRUE(l.empty());
    std::vector<Counted*> v{new Counted(&deaths)};
    DeleteAllAndClearPtrList(v);
    EXPECT_TRUE(v.empty());
    EXPECT_EQ(deaths, 3);
}

TEST(Utilities, CompareNoCaseAndIsSingleChar)
{
    const struct {
        const char* a;
        const char* b;
        bool less;
    } rows[] = {
        {"abc", "ABD", true}, {"ABC", "abc", false}, {"abc", "ABC", false},
        {"ab", "ABC", true},  {"_", "a", false}, // '_' sorts after upper-case letters
        {"Z", "a", false},
    };
    for (const auto& r : rows) EXPECT_EQ(CompareNoCase(r.a, r.b), r.less) << r.a << " < " << r.b;

    EXPECT_TRUE(IsSingleChar("*", '*'));
    EXPECT_FALSE(IsSingleChar("**", '*'));
    EXPECT_FALSE(IsSingleChar("", '*'));
    EXPECT_FALSE(IsSingleChar(nullptr, '*'));
    EXPECT_FALSE(IsSingleChar("", '\0'));
}

TEST(Utilities, ModulePathAndWideText)
{
    char buf[4096];
    ASSERT_TRUE(GetModulePath(buf, sizeof buf));
    EXPECT_EQ(std::string(buf), plat::ProgramFolder().string() + "/");
    EXPECT_FALSE(GetModulePath(buf, 3));
    EXPECT_FALSE(GetModulePath(nullptr, 100));
    EXPECT_FALSE(GetModulePath(buf, 0));

    EXPECT_EQ(WideToMultiByteString(u"caf\x00E9"), "caf\xC3\xA9");
    EXPECT_EQ(WideToMultiByteString(u"\xD83D\xDE00"), "\xF0\x9F\x98\x80");
    EXPECT_EQ(WideToMultiByteString(std::u16string(u"ab\0cd", 5)), "ab");
    EXPECT_EQ(WideToMultiByteString(u""), "");
    EXPECT_EQ(MultiByteToWideString("caf\xC3\xA9"), u"caf\x00E9");
}

} // namespace
