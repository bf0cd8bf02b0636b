#include "engine/debugger/uBreakPoints.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "core/uMultiNotifier.h"
#include "engine/debugger/uDebugMessages.h"
#include "support/ErrorText.h"

namespace engine {
namespace {

// Counts the list's notifications and checks their sender.
class BreakPointsTest : public ::testing::Test {
protected:
    BreakPointsTest() {
        list.Notifier().AddHandler(core::TEventHandler::Of<&BreakPointsTest::Changed>(this));
    }

    void Changed(const std::shared_ptr<core::IEvent>& event) {
        EXPECT_EQ(event->GetSender(), &list);
        ++notifications;
    }

    // The notifications the action causes.
    int NotificationsOf(const std::function<void()>& action) {
        const int before = notifications;
        action();
        return notifications - before;
    }

    TBreakPoints list;
    int notifications = 0;
};

TEST_F(BreakPointsTest, AddAppendsOnceAndNotifiesOnlyForANewPlace) {
    EXPECT_EQ(NotificationsOf([&] { list.Add("`dbg`.`p`", 1, 3); }), 1);
    TBreakPoint& first = list.Items(0);
    EXPECT_TRUE(first.Enabled());
    EXPECT_TRUE(first.Condition().empty());
    EXPECT_EQ(NotificationsOf([&] { EXPECT_EQ(&list.Add("`DBG`.`P`", 1, 3), &first); }), 0);
    list.Add("`dbg`.`p`", 2, 3); // the function of the same name is another place
    list.Add("", 0, 3);
    ASSERT_EQ(list.Count(), 3);
    EXPECT_EQ(list.Items(1).RoutineKind(), 2);
    EXPECT_EQ(list.Items(2).RoutineName(), "");
    EXPECT_EQ(testsupport::ErrorOf([&] { list.Items(3); }), "EListError: List index out of bounds (3)");
}

TEST_F(BreakPointsTest, FindMatchesNameIgnoringCaseKindAndLine) {
    list.Add("`dbg`.`P_Scale`", 1, 3);
    EXPECT_TRUE(list.Exists("`dbg`.`p_scale`", 1, 3));
    EXPECT_FALSE(list.Exists("`dbg`.`p_scale`", 2, 3));
    EXPECT_FALSE(list.Exists("`dbg`.`p_scale`", 1, 4));
    EXPECT_FALSE(list.Exists("`dbg`.`p_scal`", 1, 3));
    EXPECT_EQ(list.Find("`DBG`.`P_SCALE`", 1, 3), &list.Items(0));
}

TEST_F(BreakPointsTest, ToggleNotifiesTwiceEachWay) {
    EXPECT_EQ(NotificationsOf([&] { list.Toggle("", 0, 4); }), 2);
    EXPECT_TRUE(list.Exists("", 0, 4));
    EXPECT_EQ(NotificationsOf([&] { list.Toggle("", 0, 4); }), 2);
    EXPECT_EQ(list.Count(), 0);
}

TEST_F(BreakPointsTest, RemoveAndClearNotify) {
    list.Add("", 0, 1);
    list.Add("", 0, 2);
    EXPECT_EQ(NotificationsOf([&] { list.Remove("", 0, 5); }), 0);
    EXPECT_EQ(NotificationsOf([&] { list.Remove("", 0, 1); }), 1);
    ASSERT_EQ(list.Count(), 1);
    EXPECT_EQ(list.Items(0).Line(), 2);
    EXPECT_EQ(NotificationsOf([&] { list.Clear(); }), 1);
    EXPECT_EQ(NotificationsOf([&] { list.Clear(); }), 1);
    EXPECT_EQ(list.Count(), 0);
}

TEST_F(BreakPointsTest, ABreakPointNotifiesThroughItsListOnlyOnRealChanges) {
    TBreakPoint& point = list.Add("", 0, 1);
    EXPECT_EQ(NotificationsOf([&] { point.SetCondition(u"i = 1"); }), 1);
    EXPECT_EQ(NotificationsOf([&] { point.SetCondition(u"i = 1"); }), 0);
    EXPECT_EQ(NotificationsOf([&] { point.SetEnabled(false); }), 1);
    EXPECT_EQ(NotificationsOf([&] { point.SetEnabled(false); }), 0);
    EXPECT_EQ(NotificationsOf([&] { point.SetLine(7); }), 1);
    EXPECT_EQ(NotificationsOf([&] { point.SetLine(7); }), 0);
    EXPECT_TRUE(list.Exists("", 0, 7));
}

// The debug thread's check follows every change of the list: adding, disabling, moving, clearing.
TEST_F(BreakPointsTest, AnyEnabledAtFollowsTheEnabledLines) {
    EXPECT_FALSE(list.AnyEnabledAt(3));
    TBreakPoint& point = list.Add("`dbg`.`p`", 1, 3);
    list.Add("", 0, 7).SetEnabled(false);
    EXPECT_TRUE(list.AnyEnabledAt(3));
    EXPECT_FALSE(list.AnyEnabledAt(7)) << "a disabled breakpoint";
    point.SetLine(4);
    EXPECT_FALSE(list.AnyEnabledAt(3));
    EXPECT_TRUE(list.AnyEnabledAt(4));
    point.SetEnabled(false);
    EXPECT_FALSE(list.AnyEnabledAt(4)) << "none enabled";
    list.Items(1).SetEnabled(true);
    EXPECT_TRUE(list.AnyEnabledAt(7));
    list.Clear();
    EXPECT_FALSE(list.AnyEnabledAt(7));
}

TEST(DebuggMessageEventTest, KeepsWhatItCarries) {
    int sender = 0;
    const TDebuggMessageEvent event(&sender, nullptr, 6, 1, "`dbg`.`p`", u"Debugging completed",
                                    mkInformation);
    EXPECT_EQ(event.GetSender(), &sender);
    EXPECT_EQ(event.GetText(), u"Debugging completed");
    EXPECT_EQ(event.GetRoutineName(), "`dbg`.`p`");
    EXPECT_EQ(event.GetRoutineKind(), 1);
    EXPECT_EQ(event.GetLine(), 6);
    EXPECT_EQ(event.GetKind(), mkInformation);
    EXPECT_FALSE(event.GetQueryResult());
}

TEST(DebuggMessageEventTest, AQueryResultMessageNeedsItsResult) {
    EXPECT_THAT(
        testsupport::ErrorOf([] { TDebuggMessageEvent(nullptr, nullptr, 1, 0, "", u"", mkQueryResult); }),
        ::testing::StartsWith("EAssertionFailed: A query-result message needs its result"));
}

} // namespace
} // namespace engine
