#include "DockTestSupport.h"

#include "docking/vzDockTexts.h"
#include "platform/ui/Messages.h"

#include <gtest/gtest.h>

namespace docking::testing {
namespace {

class DockActionsTest : public DockFixture {};

TEST_F(DockActionsTest, EveryControlOwnsTheCommandTable) {
    struct Row {
        int id;
        const char* caption;
        const char* hint;
        int image;
    };
    const Row rows[] = {
        {0xF001, "Hi&de", "Hide", 0},
        {0xF002, "&Undock", "Undock", 1},
        {0xF003, "&Auto Hide", "Auto Hide", 2},
        {0xF004, "&Auto Hide", "Auto Hide", 3},
        {0xF005, "Ma&ximize", "Maximize", 4},
        {0xF006, "&Restore", "Restore", 5},
        {0xF007, "&Help", "Help", 8},
        {0xF008, "&Menu", "Menu", 7},
        {0xF009, "&Custom", "Custom", 6},
        {0xF00A, "&Custom", "Custom", 6},
        {0xF011, "&Rename...", "Rename", -1},
        {0xF021, "&Client", "Client", -1},
        {0xF022, "&Top", "Top", -1},
        {0xF023, "&Bottom", "Bottom", -1},
        {0xF024, "&Left", "Left", -1},
        {0xF025, "&Right", "Right", -1},
    };
    TvzCustomDockingControl* panel = NewPanel("Output");
    for (const Row& row : rows) {
        const TvzCustomDockAction* action = panel->Actions(row.id);
        ASSERT_NE(action, nullptr) << std::hex << row.id;
        EXPECT_EQ(action->Caption(), row.caption) << std::hex << row.id;
        EXPECT_EQ(action->Hint(), row.hint) << std::hex << row.id;
        EXPECT_EQ(action->ImageIndex(), row.image) << std::hex << row.id;
    }
    EXPECT_EQ(panel->Actions(0xF00B), nullptr);
}

TEST_F(DockActionsTest, LinksHearOfRealChangesOnlyAndOnceAfterAnUpdate) {
    TvzCustomDockingControl* panel = NewPanel("Output");
    TvzCustomDockAction* action = panel->Actions(cmdHide);
    int notices = 0;
    TvzDockActionLink link([&](TvzCustomDockAction*) { ++notices; });
    link.SetAction(action);
    notices = 0;
    action->SetCaption(action->Caption());
    EXPECT_EQ(notices, 0);
    action->BeginUpdate();
    action->SetCaption("x");
    action->SetEnabled(false);
    EXPECT_EQ(notices, 0);
    action->EndUpdate();
    EXPECT_EQ(notices, 1);
}

TEST_F(DockActionsTest, ADisabledCommandIgnoresExecution) {
    TvzCustomDockingControl* panel = NewPanel("Output");
    TvzCustomDockAction* action = panel->Actions(cmdCustom);
    int runs = 0;
    action->OnExecute = [&](TvzCustomDockAction*) { ++runs; };
    action->OnQuery = [&](TvzCustomDockAction* a, bool&) { a->SetEnabled(false); };
    action->Execute();
    EXPECT_EQ(runs, 1); // disabled by its own query: this run completes
    action->Execute();
    EXPECT_EQ(runs, 1);
}

TEST_F(DockActionsTest, MaximiseAndRestoreToggleInASplitContainer) {
    TvzCustomDockingControl* a = NewPanel("Watch list");
    TvzCustomDockingControl* b = NewPanel("Call stack");
    DockPair(a, b);
    a->UpdateActionStates();
    EXPECT_TRUE(a->Actions(cmdMaximize)->Enabled());
    EXPECT_FALSE(a->Actions(cmdRestore)->Enabled());
    a->Actions(cmdMaximize)->Execute();
    EXPECT_EQ(a->PanelState(), 1);
    EXPECT_FALSE(a->Actions(cmdMaximize)->Enabled());
    EXPECT_TRUE(a->Actions(cmdRestore)->Enabled());
    a->Actions(cmdRestore)->Execute();
    EXPECT_EQ(a->PanelState(), 0);
}

TEST_F(DockActionsTest, CommandStatesFollowTheContext) {
    TvzCustomDockingControl* panel = NewPanel("Output");
    const auto enabled = [&](int id) { return panel->Actions(id)->Enabled(); };
    TvzActionContext docked;
    docked.mayUndock = true;
    docked.canAutoHide = true;
    docked.canPin = true;
    docked.alignment = alnTop;
    ApplyActionStates(*panel, docked);
    EXPECT_TRUE(enabled(cmdHide));
    EXPECT_TRUE(enabled(cmdUndock));
    EXPECT_TRUE(enabled(cmdAutoHide));
    EXPECT_FALSE(enabled(cmdPin));
    EXPECT_TRUE(panel->Actions(cmdAlignTop)->Checked());
    EXPECT_FALSE(panel->Actions(cmdAlignClient)->Checked());

    TvzActionContext hidden = docked;
    hidden.autoHidden = true;
    ApplyActionStates(*panel, hidden);
    EXPECT_FALSE(enabled(cmdUndock));
    EXPECT_FALSE(enabled(cmdAutoHide));
    EXPECT_TRUE(enabled(cmdPin));
    EXPECT_FALSE(enabled(cmdAlignTop));
    EXPECT_FALSE(panel->Actions(cmdAlignTop)->Checked());

    TvzActionContext floating = docked;
    floating.floating = true;
    floating.isContainer = true;
    ApplyActionStates(*panel, floating);
    EXPECT_FALSE(enabled(cmdUndock));
    EXPECT_FALSE(enabled(cmdHelp));
}

// Captions of the visible items of a menu level.
std::vector<std::string> VisibleCaptions(const ui::TMenuItem* items) {
    std::vector<std::string> captions;
    for (int i = 0; i < items->Count(); ++i)
        if (items->Items(i)->Visible()) captions.push_back(items->Items(i)->Caption());
    return captions;
}

TEST_F(DockActionsTest, ThePopupMenuHasTheFixedOrder) {
    TvzCustomDockingControl* panel = NewPanel("Output");
    const ui::TMenuItem* items = panel->PopupMenu()->Items();
    std::vector<std::string> captions;
    std::vector<intptr_t> tags;
    for (int i = 0; i < items->Count(); ++i) {
        captions.push_back(items->Items(i)->Caption());
        tags.push_back(items->Items(i)->Tag());
    }
    EXPECT_EQ(captions, (std::vector<std::string>{"&Align", "-", "Hi&de", "&Undock", "&Rename...", "&Restore",
                                                  "Ma&ximize", "Au&to Hide", "-", "&Help"}));
    EXPECT_EQ(tags, (std::vector<intptr_t>{0xF020, 0xF020, 0xF001, 0xF002, 0xF011, 0xF006, 0xF005, 0xF003,
                                           0xF000, 0xF007}));
}

TEST_F(DockActionsTest, TheAlignListShowsOnlyWithMoreThanOneChoiceInMenuOrder) {
    TvzCustomDockingControl* alone = NewPanel("Work area");
    DockAsRoot(alone);
    alone->PopupMenu()->Prepare();
    EXPECT_FALSE(alone->PopupMenu()->AlignItem()->Visible()); // no container: client only

    TvzCustomDockingControl* a = NewPanel("Watch list");
    TvzCustomDockingControl* b = NewPanel("Call stack");
    DockPair(a, b);
    a->PopupMenu()->Prepare();
    ASSERT_TRUE(a->PopupMenu()->AlignItem()->Visible());
    EXPECT_EQ(VisibleCaptions(a->PopupMenu()->AlignItem()),
              (std::vector<std::string>{"&Left", "&Top", "&Client", "&Right", "&Bottom"}));
    EXPECT_TRUE(a->PopupMenu()->AutoHideItem()->Visible());
    EXPECT_FALSE(a->PopupMenu()->AutoHideItem()->Checked());

    a->PopupMenu()->AlignItem()->Items(1)->Click();
    EXPECT_EQ(a->Alignment(), alnTop);
}

TEST_F(DockActionsTest, CaptionButtonVisibilityPerState) {
    const TvzDockButtonItems items{dbiHide, dbiAutoHide, dbiMaximizeRestore};
    struct Case {
        bool autoHidden;
        int panelState;
        std::vector<int> visible;
    };
    const Case cases[] = {
        {false, 0, {0, 2, 4}},
        {false, 1, {0, 2, 5}},
        {true, 0, {0, 3, 4}},
    };
    for (const Case& c : cases) {
        TvzButtonVisibility v;
        v.items = items;
        v.autoHidden = c.autoHidden;
        v.panelState = c.panelState;
        std::vector<int> shown;
        for (int i = 0; i < kStandardButtonCount; ++i)
            if (StandardButtonVisible(i, true, v)) shown.push_back(i);
        EXPECT_EQ(shown, c.visible) << c.autoHidden << c.panelState;
    }
    TvzButtonVisibility v;
    v.items = items;
    EXPECT_FALSE(StandardButtonVisible(0, false, v));
    v.showDisabled = true;
    EXPECT_TRUE(StandardButtonVisible(0, false, v));
    v.captionShown = false;
    EXPECT_FALSE(StandardButtonVisible(0, true, v));
}

TEST_F(DockActionsTest, CaptionButtonsStandRightToLeftHideOutermost) {
    std::array<bool, kStandardButtonCount> visible{};
    visible[0] = visible[2] = visible[4] = true;
    int used = 0;
    const auto rects = LayoutStandardButtons({0, 0, 200, 20}, visible, {14, 14}, 2, used);
    EXPECT_EQ(rects[0], (ui::TRect{184, 3, 198, 17}));
    EXPECT_EQ(rects[2], (ui::TRect{169, 3, 183, 17}));
    EXPECT_EQ(rects[4], (ui::TRect{154, 3, 168, 17}));
    EXPECT_TRUE(rects[1].IsEmpty());
    EXPECT_EQ(used, 45);
}

TEST_F(DockActionsTest, AButtonRunsItsCommandOnlyWhenReleasedOverIt) {
    TvzCustomDockingControl* panel = NewPanel("Output");
    TvzCustomDockAction* action = panel->Actions(cmdCustom);
    int runs = 0;
    action->OnExecute = [&](TvzCustomDockAction*) { ++runs; };
    TvzDockButton button(7);
    button.Link().SetAction(action);
    button.MouseEnter(true);
    EXPECT_EQ(button.State(), TvzDockButton::bsHot);
    button.MouseDown();
    EXPECT_EQ(button.State(), TvzDockButton::bsPressed);
    EXPECT_FALSE(button.MouseUp(false));
    EXPECT_EQ(button.State(), TvzDockButton::bsNormal);
    button.MouseEnter(true);
    button.MouseDown();
    EXPECT_TRUE(button.MouseUp(true));

    action->SetEnabled(false);
    EXPECT_EQ(button.State(), TvzDockButton::bsDisabled);
    action->SetEnabled(true);
    EXPECT_EQ(button.State(), TvzDockButton::bsNormal);
}

TEST_F(DockActionsTest, ADockedPanelShowsTheProgramsCaptionButtons) {
    manager->SetCaptionButtons({dbiHide, dbiAutoHide, dbiMaximizeRestore});
    TvzCustomDockingControl* a = NewPanel("Watch list");
    TvzCustomDockingControl* b = NewPanel("Call stack");
    DockPair(a, b);
    a->SetBounds(0, 0, 200, 100);
    a->UpdateActionStates();
    TvzDockCaptionButtons& buttons = a->CaptionButtons();
    buttons.SetButtonArea(a->CaptionRect());
    const auto shown = [&] {
        std::vector<int> visible;
        for (int i = 0; i < kStandardButtonCount; ++i)
            if (buttons.Buttons(i).Visible()) visible.push_back(i);
        return visible;
    };
    EXPECT_EQ(shown(), (std::vector<int>{0, 2, 4}));
    a->Actions(cmdMaximize)->Execute();
    buttons.SetButtonArea(a->CaptionRect());
    EXPECT_EQ(shown(), (std::vector<int>{0, 2, 5}));
    a->SetShowCaption(bvFalse);
    buttons.SetCaptionShown(false);
    EXPECT_TRUE(shown().empty());
}

TEST_F(DockActionsTest, ACaptionDragStartsAtTenPixelsNotNine) {
    auto mover = std::make_unique<StubMover>(manager);
    StubMover* stub = mover.get();
    manager->SetMover(typeid(TvzCustomDockingControl), std::move(mover));
    TvzCustomDockingControl* panel = NewPanel("Output");
    DockAsRoot(panel);
    panel->SetBounds(0, 0, 300, 200);
    ASSERT_GT(panel->CaptionHeight(), 0);
    const int y = panel->CaptionHeight() / 2;
    panel->Perform(ui::WM_LBUTTONDOWN, ui::MK_LBUTTON, ui::MakeLParam(20, y));
    panel->Perform(ui::WM_MOUSEMOVE, ui::MK_LBUTTON, ui::MakeLParam(29, y));
    EXPECT_TRUE(stub->started.empty());
    panel->Perform(ui::WM_MOUSEMOVE, ui::MK_LBUTTON, ui::MakeLParam(26, y + 8)); // 6, 8: distance 10
    ASSERT_EQ(stub->started.size(), 1u);
    EXPECT_EQ(stub->started[0], panel);
    panel->Perform(ui::WM_LBUTTONUP, 0, ui::MakeLParam(26, y + 8));
}

} // namespace
} // namespace docking::testing
