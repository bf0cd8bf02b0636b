#include "DockTestSupport.h"

#include "docking/vzDockTabs.h"
#include "docking/vzDockTexts.h"
#include "platform/ui/Messages.h"

#include <gtest/gtest.h>

namespace docking::testing {
namespace {

TEST(TabLayoutTest, TheCurrentTabAfterARemoval) {
    struct Case {
        int count, current, removed, expected;
    };
    const Case cases[] = {
        {3, 2, 2, 1},  // the current last tab: the one before
        {3, 0, 0, 0},  // the current one: the tab that followed
        {4, 2, 1, 1},  // just before the current: the same panel
        {4, 3, 0, 1},  // further before: the panel before the former current one
        {4, 1, 3, 1},  // after the current: nothing changes
        {1, 0, 0, -1}, // the last child
    };
    for (const Case& c : cases)
        EXPECT_EQ(tabs::CurrentAfterRemoval(c.count, c.current, c.removed), c.expected)
            << c.count << " " << c.current << " " << c.removed;
}

TEST(TabLayoutTest, AStoredCurrentTabOutsideTheTabsIsTheLast) {
    EXPECT_EQ(tabs::ClampCurrentTab(7, 4), 3);
    EXPECT_EQ(tabs::ClampCurrentTab(-1, 4), 3);
    EXPECT_EQ(tabs::ClampCurrentTab(2, 4), 2);
}

TEST(TabLayoutTest, TabsThatFitNeedNoScrollButtons) {
    tabs::TvzTabStripMetrics m{300, 0, 3, 14, true};
    const auto layout = tabs::LayoutTabStrip({60, 60, 60}, 2, m);
    EXPECT_EQ(layout.firstVisible, 0);
    EXPECT_EQ(layout.lastVisible, 2);
    EXPECT_EQ(layout.lefts, (std::vector<int>{3, 63, 123}));
    EXPECT_FALSE(layout.scrollButtons);
    EXPECT_EQ(layout.listButtonLeft, 300 - 1 - 14);
}

TEST(TabLayoutTest, TooManyTabsScrollAndDisableTheButtonAtEachEnd) {
    tabs::TvzTabStripMetrics m{200, 0, 3, 14, true};
    auto layout = tabs::LayoutTabStrip({60, 60, 60, 60}, 0, m);
    EXPECT_TRUE(layout.scrollButtons);
    EXPECT_EQ(layout.firstVisible, 0);
    EXPECT_EQ(layout.lastVisible, 1);
    EXPECT_FALSE(layout.scrollLeftEnabled);
    EXPECT_TRUE(layout.scrollRightEnabled);
    EXPECT_LE(layout.lefts[1] + 60, layout.scrollLeftLeft);

    layout = tabs::LayoutTabStrip({60, 60, 60, 60}, 2, m);
    EXPECT_EQ(layout.firstVisible, 2);
    EXPECT_EQ(layout.lastVisible, 3);
    EXPECT_TRUE(layout.scrollLeftEnabled);
    EXPECT_FALSE(layout.scrollRightEnabled);

    layout = tabs::LayoutTabStrip({500}, 0, m); // one tab wider than the strip is cut to fit
    EXPECT_EQ(layout.widths[0], 200 - 2 * 14 - 3 - 4 - 14);
}

TEST(TabLayoutTest, TheDropMarkStandsOnATabBoundary) {
    tabs::TvzTabStripMetrics m{200, 0, 3, 14, true};
    const auto layout = tabs::LayoutTabStrip({60, 60, 60, 60}, 1, m); // tabs 1 and 2 in sight
    const std::pair<int, std::optional<int>> cases[] = {
        {-2, std::nullopt},        // no mark
        {-1, layout.lefts[1]},     // before the first tab: the first visible tab's left edge
        {0, layout.lefts[1]},      // after a tab scrolled out to the left: the same
        {1, layout.lefts[1] + 60}, // after a visible tab: its right edge
        {2, layout.lefts[2] + 60}, {3, std::nullopt}, // after a tab scrolled out to the right
    };
    for (const auto& [mark, edge] : cases)
        EXPECT_EQ(tabs::DropMarkEdge(layout, mark), edge) << mark;
}

TEST(TabLayoutTest, APreviewTakesTheDraggedTabOutAndPutsThePlaceholderWhereTheDropGoes) {
    constexpr int P = tabs::kPlaceholder;
    const struct {
        int mark, dragged;
        std::vector<int> order;
    } cases[] = {
        {-1, -1, {P, 0, 1, 2, 3}}, {1, -1, {0, 1, P, 2, 3}},
        {3, -1, {0, 1, 2, 3, P}},  {2, 0, {1, 2, P, 3}}, // the dragged tab came before the mark
        {0, 0, {P, 1, 2, 3}},                            // after itself: where it was
        {-1, 2, {P, 0, 1, 3}},     {1, 2, {0, 1, P, 3}}, // it comes after the mark
        {3, 3, {0, 1, 2, P}},
    };
    for (const auto& c : cases)
        EXPECT_EQ(tabs::PreviewOrder(4, c.mark, c.dragged), c.order) << c.mark << " " << c.dragged;
}

TEST(TabLayoutTest, TheTabListIsSortedWithoutHotkeysIgnoringCase) {
    EXPECT_EQ(tabs::StripHotkey("&Call stack"), "Call stack");
    EXPECT_EQ(tabs::StripHotkey("A&&B"), "A&B");
    EXPECT_EQ(tabs::SortedTabOrder({"&watch list", "Call stack", "breakpoint list", "Local variables"}),
              (std::vector<int>{2, 1, 3, 0}));
}

class TabContainerTest : public DockFixture {
protected:
    // A root tab container with the given panels, laid out in the site.
    TvzInsideContainer* RootTabs(std::initializer_list<const char*> captions) {
        auto* container = new TvzInsideContainer(nullptr);
        container->SetDockingManager(manager);
        for (const char* caption : captions) {
            TvzCustomDockingControl* panel = NewPanel(caption);
            panel->SetContainer(container);
            panel->ShowInContainer();
        }
        site->SetRoot(container);
        container->ShowInContainer();
        site->Refresh();
        return container;
    }
};

TEST_F(TabContainerTest, RemovingTheCurrentLastOfThreeSelectsTheMiddle) {
    TvzInsideContainer* tabs = RootTabs({"Watch list", "Call stack", "Output"});
    TvzCustomDockingControl* middle = tabs->Children(1);
    tabs->SelectTab(2, false);
    EXPECT_TRUE(tabs->Children(2)->Hide());
    EXPECT_EQ(tabs->CurrentTab(), 1);
    EXPECT_TRUE(tabs->IsChildShowing(middle));
    EXPECT_EQ(tabs->Caption(), "Watch list, Call stack");
}

TEST_F(TabContainerTest, AStoredCurrentTabOfSevenSelectsTheLastOfFour) {
    TvzInsideContainer* tabs = RootTabs({"a", "b", "c", "d"});
    tabs->SetCurrentTab(7);
    EXPECT_EQ(tabs->CurrentTab(), 3);
    EXPECT_THROW(tabs->SelectTab(4, false), rtl::EAssertionFailed);
}

TEST_F(TabContainerTest, OneTabDrawsNoStrip) {
    auto* container = new TvzInsideContainer(nullptr);
    container->SetDockingManager(manager);
    NewPanel("Output")->SetContainer(container);
    EXPECT_EQ(container->TabStripHeight(), 0);
    NewPanel("Call stack")->SetContainer(container);
    EXPECT_GT(container->TabStripHeight(), 0);
}

TEST_F(TabContainerTest, OnlyTheCurrentTabShowsAndPanelsDropTheirCaption) {
    TvzInsideContainer* tabs = RootTabs({"a", "b"});
    tabs->SelectTab(0, false);
    EXPECT_EQ(tabs->CurrentTab(), 0);
    EXPECT_FALSE(tabs->Children(0)->DefaultCaptionVisible());
    tabs->SelectTab(1, false);
    EXPECT_TRUE(tabs->Children(1)->ui::TControl::Visible());
    EXPECT_FALSE(tabs->Children(0)->ui::TControl::Visible());
}

// A client point in the middle of tab `index`.
ui::TPoint TabPoint(const TvzInsideContainer& tabs, int index) {
    const auto& layout = tabs.StripLayout();
    const ui::TRect strip = tabs.TabStripRect();
    return {layout.lefts[static_cast<std::size_t>(index)] +
                layout.widths[static_cast<std::size_t>(index)] / 2,
            (strip.Top + strip.Bottom) / 2};
}

TEST_F(TabContainerTest, ADoubleClickFloatsThePanelAndARightClickOpensTheMenu) {
    TvzInsideContainer* tabs = RootTabs({"Watch list", "Call stack", "Output"});
    tabs->SetOrientation(uistyle::dtoBottom);
    site->Refresh();
    ASSERT_EQ(tabs->TabAt(TabPoint(*tabs, 1)), 1);

    int popups = 0;
    tabs->OnCaptionPopup = [&](TvzCustomDockingControl*, ui::TPopupMenu*, bool& allow) {
        ++popups;
        allow = false;
    };
    const ui::TPoint second = TabPoint(*tabs, 1);
    tabs->Perform(ui::WM_RBUTTONDOWN, ui::MK_RBUTTON, ui::MakeLParam(second.X, second.Y));
    EXPECT_EQ(popups, 1);
    EXPECT_EQ(tabs->CurrentTab(), 1);
    EXPECT_EQ(tabs->TabsItem()->Count(), 3);

    TvzCustomDockingControl* output = tabs->Children(2);
    const ui::TPoint third = TabPoint(*tabs, 2);
    tabs->Perform(ui::WM_LBUTTONDOWN, ui::MK_LBUTTON, ui::MakeLParam(third.X, third.Y));
    tabs->Perform(ui::WM_LBUTTONUP, 0, ui::MakeLParam(third.X, third.Y));
    tabs->Perform(ui::WM_LBUTTONDBLCLK, ui::MK_LBUTTON, ui::MakeLParam(third.X, third.Y));
    ASSERT_EQ(manager->floats.size(), 1u);
    EXPECT_EQ(output->DockState(), dsFloating);
}

TEST_F(TabContainerTest, DraggingATabStartsAtTenPixelsWithItsPanel) {
    auto mover = std::make_unique<StubMover>(manager);
    StubMover* stub = mover.get();
    manager->SetMover(typeid(TvzCustomDockingControl), std::move(mover));
    TvzInsideContainer* tabs = RootTabs({"Watch list", "Call stack"});
    const ui::TPoint p = TabPoint(*tabs, 1);
    tabs->Perform(ui::WM_LBUTTONDOWN, ui::MK_LBUTTON, ui::MakeLParam(p.X, p.Y));
    tabs->Perform(ui::WM_MOUSEMOVE, ui::MK_LBUTTON, ui::MakeLParam(p.X + 9, p.Y));
    EXPECT_TRUE(stub->started.empty());
    tabs->Perform(ui::WM_MOUSEMOVE, ui::MK_LBUTTON, ui::MakeLParam(p.X + 10, p.Y));
    ASSERT_EQ(stub->started.size(), 1u);
    EXPECT_EQ(stub->started[0], tabs->Children(1));
}

TEST_F(TabContainerTest, TheTabListMenuIsSortedAndChecksTheCurrentTab) {
    TvzInsideContainer* tabs = RootTabs({"Watch list", "breakpoint list", "Call stack"});
    tabs->SelectTab(2, false);
    tabs->FillTabList(tabs->TabListMenu()->Items());
    const ui::TMenuItem* items = tabs->TabListMenu()->Items();
    ASSERT_EQ(items->Count(), 3);
    EXPECT_EQ(items->Items(0)->Caption(), "breakpoint list");
    EXPECT_EQ(items->Items(1)->Caption(), "Call stack");
    EXPECT_TRUE(items->Items(1)->Checked());
    items->Items(2)->Click();
    EXPECT_EQ(tabs->CurrentTab(), 0);
}

TEST_F(TabContainerTest, APanelTwoTabContainersDeepIsBroughtIntoView) {
    auto* inner = new TvzInsideContainer(nullptr);
    inner->SetDockingManager(manager);
    TvzCustomDockingControl* b = NewPanel("b");
    TvzCustomDockingControl* c = NewPanel("c");
    b->SetContainer(inner);
    c->SetContainer(inner);
    auto* outer = new TvzInsideContainer(nullptr);
    outer->SetDockingManager(manager);
    TvzCustomDockingControl* a = NewPanel("a");
    a->SetContainer(outer);
    inner->SetContainer(outer);
    site->SetRoot(outer);
    for (TvzCustomDockingControl* control : {static_cast<TvzCustomDockingControl*>(outer), a,
                                             static_cast<TvzCustomDockingControl*>(inner), b, c})
        control->ShowInContainer();
    outer->SelectTab(0, false);
    inner->SelectTab(0, false);

    c->MakeVisible();
    EXPECT_EQ(outer->CurrentTab(), 1);
    EXPECT_EQ(inner->CurrentTab(), 1);
    EXPECT_EQ(manager->ActiveControl(), c);
}

} // namespace
} // namespace docking::testing
