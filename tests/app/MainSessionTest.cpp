#include "app/fuMainSession.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "engine/debugger/uBreakPoints.h"
#include "platform/rtl/Settings.h"

namespace app {
namespace {

const std::string kDescription = "db1 at localhost";

class MainSessionTest : public ::testing::Test {
protected:
    void SetUp() override {
        path = (std::filesystem::temp_directory_path() /
                ("session-" + std::string(::testing::UnitTest::GetInstance()->current_test_info()->name())))
                   .string();
        std::filesystem::remove(path);
    }
    void TearDown() override { std::filesystem::remove(path); }

    std::string path;
};

TEST_F(MainSessionTest, AFirstRunGetsTheDefaults) {
    rtl::TSettings settings(path);
    engine::TBreakPoints breakpoints;
    breakpoints.Add("", 0, 2);
    const TSessionState state = LoadSession(settings, kDescription, breakpoints);
    EXPECT_EQ(state, (TSessionState{DefaultMainText(), "", {}, 0, u""}));
    EXPECT_EQ(breakpoints.Count(), 0);
    EXPECT_EQ(DefaultMainText().substr(0, 7), u"BEGIN\r\n");
}

TEST_F(MainSessionTest, ASavedSessionComesBackWholeAndPerConnection) {
    const TSessionState saved{u"BEGIN\r\n  SET @s = 'Grüße ✓';\r\nEND",
                              "a,\"b,c\",\"say \"\"hi\"\"\"",
                              {{"`db1`.`p1`", 1}, {"`db1`.`f1`", 2}},
                              2,
                              u"SELECT 'ü'"};
    engine::TBreakPoints breakpoints;
    breakpoints.Add("", 0, 3);
    breakpoints.Add("`db1`.`p1`", 1, 7).SetCondition(u"x > 'é'");
    breakpoints.Items(1).SetEnabled(false);
    {
        rtl::TSettings settings(path);
        SaveSession(settings, kDescription, saved, breakpoints);
        settings.OpenKey(SessionKey(kDescription), false);
        EXPECT_EQ(settings.ReadString("ActiveModule"), "2");
        EXPECT_EQ(settings.ReadString("Main"), "BEGIN\r\n  SET @s = 'Grüße ✓';\r\nEND") << "UTF-8 bytes";
    }

    rtl::TSettings settings(path);
    engine::TBreakPoints loaded;
    EXPECT_EQ(LoadSession(settings, kDescription, loaded), saved);
    ASSERT_EQ(loaded.Count(), 2);
    EXPECT_EQ(loaded.Items(0).RoutineName(), "");
    EXPECT_EQ(loaded.Items(0).Line(), 3);
    EXPECT_TRUE(loaded.Items(0).Enabled());
    EXPECT_EQ(loaded.Items(1).RoutineName(), "`db1`.`p1`");
    EXPECT_EQ(loaded.Items(1).RoutineKind(), 1);
    EXPECT_EQ(loaded.Items(1).Condition(), u"x > 'é'");
    EXPECT_FALSE(loaded.Items(1).Enabled());

    engine::TBreakPoints other;
    EXPECT_EQ(LoadSession(settings, "db2 at localhost", other).mainText, DefaultMainText());
}

TEST_F(MainSessionTest, SavingAgainLeavesNothingOfTheOldSessionBehind) {
    rtl::TSettings settings(path);
    engine::TBreakPoints breakpoints;
    breakpoints.Add("", 0, 3);
    breakpoints.Add("", 0, 4);
    SaveSession(settings, kDescription, {u"x", "", {{"`db1`.`p1`", 1}, {"`db1`.`p2`", 1}}, 1, u""},
                breakpoints);
    breakpoints.Clear();
    SaveSession(settings, kDescription, {u"x", "", {}, 0, u""}, breakpoints);
    const std::string key = SessionKey(kDescription);
    EXPECT_FALSE(settings.KeyExists(key + "\\Modules\\0"));
    EXPECT_FALSE(settings.KeyExists(key + "\\Breakpoints\\1"));
}

TEST_F(MainSessionTest, StoredListsEndAtTheFirstGapAndMissingValuesTakeDefaults) {
    rtl::TSettings settings(path);
    const std::string key = SessionKey(kDescription);
    for (int i : {0, 2}) {
        settings.OpenKey(key + "\\Breakpoints\\" + std::to_string(i), true);
        settings.WriteString("ModuleIdentifier", "");
        settings.WriteInteger("Line", 10 + i);
        settings.WriteInteger("RoutineType", 0);
    }
    settings.OpenKey(key, true);
    settings.WriteString("ActiveModule", "two");

    engine::TBreakPoints breakpoints;
    EXPECT_EQ(LoadSession(settings, kDescription, breakpoints).activeModule, 0);
    ASSERT_EQ(breakpoints.Count(), 1);
    EXPECT_EQ(breakpoints.Items(0).Line(), 10);
    EXPECT_TRUE(breakpoints.Items(0).Enabled());
    EXPECT_EQ(breakpoints.Items(0).Condition(), u"");
}

} // namespace
} // namespace app
