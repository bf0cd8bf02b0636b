#include "platform/rtl/Set.h"

#include "platform/rtl/Exception.h"

#include <gtest/gtest.h>

namespace {

enum TColor { clRed, clGreen, clBlue };
enum class TWide : uint8_t { First = 0, Middle = 100, Last = 255 };
enum class TSigned : int { Minus = -1, Zero = 0 };

using Colors = rtl::Set<TColor, 3>;

// The operations work at compile time.
constexpr Colors kWarm{clRed};
constexpr Colors kAll = Colors{clRed, clGreen} + Colors{clBlue};
static_assert(kAll.Count() == 3);
static_assert((kAll - kWarm) == Colors{clGreen, clBlue});
static_assert((kAll * kWarm).Contains(clRed) && !(kAll * kWarm).Contains(clBlue));
static_assert(kWarm.SubsetOf(kAll) && !kAll.SubsetOf(kWarm));
static_assert(Colors{}.Empty());

TEST(SetTest, IncludeExcludeAndOperators) {
    Colors s;
    s.Include(clGreen).Include(clBlue);
    EXPECT_TRUE(s.Contains(clGreen));
    EXPECT_FALSE(s.Contains(clRed));
    s.Exclude(clGreen).Exclude(clGreen);
    EXPECT_EQ(s, Colors{clBlue});
    s += kWarm;
    EXPECT_EQ(s.Count(), 2u);
    s *= Colors{clRed};
    EXPECT_EQ(s, kWarm);
    s -= kWarm;
    EXPECT_TRUE(s.Empty());
}

TEST(SetTest, HoldsAll256Members) {
    rtl::Set<TWide> s{TWide::First, TWide::Last};
    s.Include(TWide::Middle);
    EXPECT_TRUE(s.Contains(TWide::Last));
    EXPECT_TRUE(s.Contains(TWide::Middle));
    EXPECT_FALSE(s.Contains(static_cast<TWide>(64)));
    EXPECT_EQ(s.Count(), 3u);
    s.Clear();
    EXPECT_TRUE(s.Empty());
}

TEST(SetTest, MemberOutsideTheSetIsAnAssertion) {
    Colors s;
    EXPECT_THROW(s.Include(static_cast<TColor>(3)), rtl::EAssertionFailed);
    rtl::Set<TSigned, 4> sign;
    EXPECT_THROW((void)sign.Contains(TSigned::Minus), rtl::EAssertionFailed);
    EXPECT_FALSE(sign.Contains(TSigned::Zero));
}

} // namespace
