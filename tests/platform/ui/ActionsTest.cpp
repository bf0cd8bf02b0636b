#include "platform/ui/Actions.h"
#include "platform/ui/Application.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

namespace ui {
namespace {

using ::testing::ElementsAre;

// A client that records what its action pushes to it.
class RecordingLink : public TActionLink {
public:
    RecordingLink() : TActionLink(nullptr) {}
    std::vector<std::string> pushed;
    int changes = 0;

    void SetCaption(const std::string& caption) override { pushed.push_back("caption " + caption); }
    void SetChecked(bool checked) override { pushed.push_back(checked ? "checked" : "unchecked"); }
    void SetEnabled(bool enabled) override { pushed.push_back(enabled ? "enabled" : "disabled"); }
    void SetShortCut(TShortCut shortCut) override {
        pushed.push_back("shortcut " + ShortCutToText(shortCut));
    }
    void Change() override { ++changes; }
};

TEST(Actions, StateFollowsToLinkedClientsOnRealChangesOnly) {
    TActionList list(nullptr);
    auto* action = new TAction(&list);
    action->SetActionList(&list);
    RecordingLink link;
    link.SetAction(action);

    action->SetCaption("&Run");
    action->SetCaption("&Run");
    action->SetChecked(true);
    action->SetEnabled(false);
    action->SetShortCut(ShortCut(VK_F1 + 8, {}));
    EXPECT_THAT(link.pushed, ElementsAre("caption &Run", "checked", "disabled", "shortcut F9"));
    EXPECT_EQ(link.changes, 0);

    delete action;
    EXPECT_EQ(link.Action(), nullptr) << "a client outlives its action";
    EXPECT_EQ(link.changes, 1);
    EXPECT_EQ(list.ActionCount(), 0);
}

TEST(Actions, ExecuteAsksTheListFirstAndRunsOnlyWhenEnabled) {
    TActionList list(nullptr);
    TAction action(nullptr);
    action.SetActionList(&list);
    std::vector<std::string> calls;
    action.OnExecute = [&](TObject*) { calls.push_back("action"); };
    bool listHandles = true;
    list.OnExecute = [&](TBasicAction*, bool& handled) {
        calls.push_back("list");
        handled = listHandles;
    };

    EXPECT_TRUE(action.Execute());
    listHandles = false;
    EXPECT_TRUE(action.Execute());
    EXPECT_THAT(calls, ElementsAre("list", "list", "action"));

    list.OnUpdate = [](TBasicAction* a, bool& handled) {
        static_cast<TAction*>(a)->SetEnabled(false);
        handled = true;
    };
    calls.clear();
    EXPECT_FALSE(action.Execute()) << "the update just before disables it";
    EXPECT_TRUE(calls.empty());
}

TEST(Actions, AutoCheckTogglesAndAGroupChecksOneAtATime) {
    TActionList list(nullptr);
    TAction a(nullptr), b(nullptr);
    for (TAction* action : {&a, &b}) {
        action->SetActionList(&list);
        action->SetAutoCheck(true);
        action->SetGroupIndex(1);
        action->OnExecute = [](TObject*) {};
    }
    a.Execute();
    EXPECT_TRUE(a.Checked());
    b.Execute();
    EXPECT_FALSE(a.Checked());
    EXPECT_TRUE(b.Checked());
    b.Execute();
    EXPECT_TRUE(b.Checked()) << "the checked item of a group stays checked";

    TAction toggle(nullptr);
    toggle.SetAutoCheck(true);
    toggle.OnExecute = [](TObject*) {};
    toggle.Execute();
    toggle.Execute();
    EXPECT_FALSE(toggle.Checked());
}

TEST(Actions, UpdateWithoutAHandlerDisablesAnActionThatCannotRun) {
    TActionList list(nullptr);
    TAction idle(nullptr), runnable(nullptr);
    THintAction hint(nullptr);
    for (TCustomAction* action : std::initializer_list<TCustomAction*>{&idle, &runnable, &hint})
        action->SetActionList(&list);
    runnable.OnExecute = [](TObject*) {};
    list.UpdateActions();
    EXPECT_FALSE(idle.Enabled());
    EXPECT_TRUE(runnable.Enabled());
    EXPECT_TRUE(hint.Enabled());
}

TEST(Actions, IdleUpdatesRunTheListsUpdateAndNeverReenter) {
    TApplication application;
    TActionList list(nullptr);
    TAction a(nullptr), b(nullptr);
    a.SetActionList(&list);
    b.SetActionList(&list);
    int updates = 0;
    list.OnUpdate = [&](TBasicAction*, bool& handled) {
        ++updates;
        list.UpdateActions(); // an update handler that asks for updates again
        handled = true;
    };
    application.Idle();
    EXPECT_EQ(updates, 2);
}

TEST(Actions, ShortCutRunsTheEnabledActionOnce) {
    TActionList list(nullptr);
    TAction run(nullptr);
    run.SetActionList(&list);
    run.SetShortCut(TextToShortCut("Ctrl+Shift+F9"));
    int runs = 0;
    run.OnExecute = [&](TObject*) { ++runs; };

    EXPECT_TRUE(list.IsShortCut(VK_F1 + 8, {ssCtrl, ssShift}));
    EXPECT_EQ(runs, 1);
    EXPECT_FALSE(list.IsShortCut(VK_F1 + 8, {ssCtrl}));
    list.OnUpdate = [&](TBasicAction*, bool& handled) {
        run.SetEnabled(false);
        handled = true;
    };
    EXPECT_FALSE(list.IsShortCut(VK_F1 + 8, {ssCtrl, ssShift}));
    EXPECT_EQ(runs, 1);
}

TEST(ShortCuts, TextOfKeysAndModifiers) {
    struct Case {
        uint16_t key;
        TShiftState shift;
        const char* text;
    } cases[] = {
        {'V', {ssCtrl}, "Ctrl+V"},
        {VK_F1 + 8, {ssShift}, "Shift+F9"},
        {VK_F1 + 1, {ssCtrl, ssShift}, "Shift+Ctrl+F2"},
        {VK_BACK, {ssAlt}, "Alt+BkSp"},
        {VK_DELETE, {}, "Del"},
        {VK_NEXT, {ssCtrl}, "Ctrl+PgDn"},
        {'0', {ssCtrl, ssShift, ssAlt}, "Shift+Ctrl+Alt+0"},
        {VK_NUMPAD0 + 7, {}, "Num 7"},
        {VK_F1 + 23, {}, "F24"},
        {VK_LWIN, {ssCtrl}, ""},
    };
    for (const Case& c : cases) {
        TShortCut shortCut = ShortCut(c.key, c.shift);
        EXPECT_EQ(ShortCutToText(shortCut), c.text);
        if (*c.text) EXPECT_EQ(TextToShortCut(c.text), shortCut) << c.text;
        uint16_t key = 0;
        TShiftState shift;
        ShortCutToKey(shortCut, key, shift);
        EXPECT_EQ(key, c.key);
        EXPECT_EQ(shift, c.shift);
    }
    EXPECT_EQ(TextToShortCut("ctrl+shift+z"), ShortCut('Z', {ssCtrl, ssShift}));
    EXPECT_EQ(TextToShortCut("Ctrl+"), scNone);
    EXPECT_EQ(TextToShortCut("Hyper+K"), scNone);
}

} // namespace
} // namespace ui
