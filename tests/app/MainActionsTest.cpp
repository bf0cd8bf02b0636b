#include "app/fuMainActions.h"

#include <gtest/gtest.h>

#include <set>

#include "platform/data/Component.h"
#include "platform/ui/Actions.h"
#include "platform/ui/ShortCuts.h"

namespace app {
namespace {

TEST(MainActionsTest, EveryShortcutReadsAndNoneIsTakenTwice) {
    ui::TComponent owner(nullptr);
    ui::TActionList list(&owner);
    const auto actions = CreateMainActions(&owner, list);
    ASSERT_EQ(actions.size(), kMainActions.size());
    std::set<ui::TShortCut> seen;
    for (const TMainActionEntry& entry : kMainActions) {
        const ui::TAction& action = *actions.at(entry.name);
        if (!*entry.shortCut) continue;
        EXPECT_NE(action.ShortCut(), 0) << entry.shortCut;
        EXPECT_EQ(ui::ShortCutToText(action.ShortCut()), entry.shortCut);
        EXPECT_TRUE(seen.insert(action.ShortCut()).second) << entry.shortCut;
    }
    EXPECT_EQ(list.ActionCount(), static_cast<int>(kMainActions.size()));
    EXPECT_EQ(actions.at("aExit")->Hint(), "Exit|Quits the application");
}

TEST(MainActionsTest, TheMenuNamesOnlyActionsThatExist) {
    std::set<std::string> names;
    for (const TMainActionEntry& entry : kMainActions)
        names.insert(entry.name);
    for (const TMainMenuEntry& menu : kMainMenu)
        for (const char* name : menu.actions)
            EXPECT_TRUE(std::string(name) == "-" || names.count(name)) << name;
}

} // namespace
} // namespace app
