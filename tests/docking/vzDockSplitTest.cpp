#include "DockTestSupport.h"

#include "docking/vzDockSplit.h"
#include "docking/vzDockTexts.h"
#include "support/ErrorText.h"

#include <gtest/gtest.h>

namespace docking::testing {
namespace {

using split::TvzSplitItem;

std::vector<TvzSplitItem> Spans(std::initializer_list<std::pair<int, int>> spans) {
    std::vector<TvzSplitItem> items;
    for (const auto& [start, end] : spans) {
        TvzSplitItem item;
        item.start = start;
        item.end = end;
        item.minSize = 10;
        items.push_back(item);
    }
    return items;
}

TEST(SplitLayoutTest, EqualizeSharesTheSpanRoundingHalvesToEven) {
    std::vector<TvzSplitItem> items = Spans({{0, 10}, {14, 90}, {94, 100}});
    items[1].panelState = 1;
    split::Equalize(items, 0, 2, 4);
    EXPECT_EQ(items[0].start, 0);
    EXPECT_EQ(items[1].start, 35);
    EXPECT_EQ(items[2].start, 69);
    EXPECT_EQ(items[0].end, 31);
    EXPECT_EQ(items[1].end, 65);
    EXPECT_EQ(items[2].end, 100);
    EXPECT_EQ(items[1].panelState, 0);

    // 2 × 10 / 4 = 5 exactly; 1 × 10 / 4 = 2.5 rounds to 2, 3 × 10 / 4 = 7.5 to 8.
    std::vector<TvzSplitItem> four = Spans({{0, 1}, {1, 2}, {2, 3}, {3, 10}});
    split::Equalize(four, 0, 3, 0);
    EXPECT_EQ(four[0].end, 2);
    EXPECT_EQ(four[1].end, 5);
    EXPECT_EQ(four[2].end, 8);
}

TEST(SplitLayoutTest, TheSplitterIsHitStrictlyBetweenItsEdges) {
    const std::vector<TvzSplitItem> items = Spans({{0, 50}, {54, 100}});
    EXPECT_EQ(split::SplitterAt(items, 50, 4), -1); // the bottom edge of the first child
    EXPECT_EQ(split::SplitterAt(items, 51, 4), 0);
    EXPECT_EQ(split::SplitterAt(items, 53, 4), 0);
    EXPECT_EQ(split::SplitterAt(items, 54, 4), -1);
}

TEST(SplitLayoutTest, AlignmentValidationKeepsExactlyOneClient) {
    struct Case {
        std::vector<TvzAlignment> before;
        int n;
        TvzAlignment wanted;
        TvzAlignment answer;
        std::vector<TvzAlignment> after;
    };
    const Case cases[] = {
        {{}, -1, alnTop, alnClient, {}},                                   // the only child is client
        {{alnTop, alnBottom}, -1, alnTop, alnTop, {alnClient, alnBottom}}, // first child becomes client
        {{alnClient, alnBottom}, 0, alnBottom, alnBottom, {alnClient, alnClient}}, // the neighbour after
        {{alnTop, alnClient, alnBottom}, 0, alnClient, alnClient, {alnTop, alnBottom, alnBottom}},
        {{alnTop, alnClient, alnClient}, 1, alnClient, alnClient, {alnTop, alnClient, alnBottom}},
    };
    for (const Case& c : cases) {
        std::vector<TvzAlignment> alignments = c.before;
        EXPECT_EQ(split::ValidateAlignment(alignments, c.n, c.wanted, alnTop, alnBottom), c.answer);
        EXPECT_EQ(alignments, c.after);
    }
}

TEST(SplitLayoutTest, AlignedChildrenStackFromBothEndsAndTheClientNeverGoesNegative) {
    std::vector<TvzSplitItem> items = Spans({{0, 30}, {0, 10}, {0, 20}});
    items[0].alignment = alnTop;
    items[2].alignment = alnBottom;
    split::AlignItems(items, 100, 300, 4);
    EXPECT_EQ(items[0].start, 100);
    EXPECT_EQ(items[0].end, 130);
    EXPECT_EQ(items[2].start, 280);
    EXPECT_EQ(items[1].start, 134);
    EXPECT_EQ(items[1].end, 276);

    split::AlignItems(items, 0, 40, 4);
    EXPECT_EQ(items[1].Size(), 0);
}

TEST(SplitLayoutTest, MaximizeThenRestoreAndASplitterDragMakesNormal) {
    std::vector<TvzSplitItem> items = Spans({{0, 40}, {44, 60}, {64, 100}});
    split::Maximize(items, 1, 0, 100, 4);
    EXPECT_EQ(items[0].panelState, 2);
    EXPECT_EQ(items[0].Size(), 10);
    EXPECT_EQ(items[2].Size(), 10);
    EXPECT_EQ(items[1].panelState, 1);
    EXPECT_EQ(items[1].start, 14);
    EXPECT_EQ(items[1].end, 86);

    split::MoveSplitter(items, 0, 30, 4); // the bar between the first and the maximised one
    EXPECT_EQ(items[0].end, 28);
    EXPECT_EQ(items[1].start, 32);
    EXPECT_EQ(items[1].panelState, 0);

    std::vector<TvzSplitItem> again = Spans({{0, 40}, {44, 60}, {64, 100}});
    EXPECT_FALSE(split::Restore(again, 0, 4));
    split::Maximize(again, 1, 0, 100, 4);
    EXPECT_TRUE(split::Restore(again, 0, 4));
    EXPECT_EQ(again[0].Size(), 40);
    EXPECT_EQ(again[1].start, 44);
    EXPECT_EQ(again[2].end, 100);
    EXPECT_EQ(again[1].panelState, 0);
}

TEST(SplitLayoutTest, TheSplitterRangeKeepsBothMinimums) {
    const std::vector<TvzSplitItem> items = Spans({{0, 50}, {55, 100}});
    EXPECT_EQ(split::SplitterRange(items, 0, 5), (std::pair<int, int>{12, 88}));
}

class SplitContainerTest : public DockFixture {
protected:
    TvzVerticalContainer* Column() {
        auto* column = new TvzVerticalContainer(nullptr);
        column->SetDockingManager(manager);
        return column;
    }
};

TEST_F(SplitContainerTest, OnlyClientTopAndBottomGoIntoAColumn) {
    TvzVerticalContainer* column = Column();
    TvzCustomDockingControl* a = NewPanel("Watch list");
    a->SetContainer(column);
    EXPECT_EQ(testsupport::ErrorMessageOf([&] { a->SetAlignment(alnLeft); }),
              "Invalid alignment \"Left\" specified for container \"TvzVerticalContainer\"");
    EXPECT_EQ(a->Alignment(), alnClient);
}

TEST_F(SplitContainerTest, ChildrenKeepTopClientBottomOrder) {
    TvzVerticalContainer* column = Column();
    TvzCustomDockingControl* a = NewPanel("a");
    TvzCustomDockingControl* b = NewPanel("b");
    TvzCustomDockingControl* c = NewPanel("c");
    for (auto* panel : {a, b, c})
        panel->SetContainer(column);
    c->SetAlignment(alnTop);
    a->SetAlignment(alnBottom);
    EXPECT_EQ(column->Children(0), c);
    EXPECT_EQ(column->Children(1), b);
    EXPECT_EQ(column->Children(2), a);
    EXPECT_EQ(b->Alignment(), alnClient);
}

TEST_F(SplitContainerTest, AColumnDroppedIntoAColumnJoinsIt) {
    TvzVerticalContainer* outer = Column();
    TvzVerticalContainer* inner = Column();
    TvzCustomDockingControl* a = NewPanel("a");
    TvzCustomDockingControl* b = NewPanel("b");
    TvzCustomDockingControl* c = NewPanel("c");
    a->SetContainer(outer);
    b->SetContainer(inner);
    c->SetContainer(inner);
    inner->SetAlignment(alnBottom);
    manager->BeginUpdate(site->SiteId());
    inner->SetContainer(outer);
    manager->EndUpdate();
    ASSERT_EQ(outer->ChildCount(), 3);
    EXPECT_EQ(outer->Children(0), a);
    EXPECT_EQ(outer->Children(1), b);
    EXPECT_EQ(outer->Children(2), c);
    EXPECT_EQ(manager->Items().ContainerCount(), 1);
}

TEST_F(SplitContainerTest, RemovingOneOfTwoCollapsesTheContainerIntoTheOther) {
    TvzVerticalContainer* column = Column();
    TvzCustomDockingControl* a = NewPanel("a");
    TvzCustomDockingControl* b = NewPanel("b");
    a->SetContainer(column);
    b->SetContainer(column);
    site->SetRoot(column);
    column->ShowInContainer();
    a->ShowInContainer();
    b->ShowInContainer();
    EXPECT_TRUE(a->Hide());
    EXPECT_EQ(site->Root(), b);
    EXPECT_EQ(b->Container(), nullptr);
    EXPECT_EQ(manager->Items().ContainerCount(), 0);
}

TEST_F(SplitContainerTest, RemovingTheClientMiddleMakesThePreviousOneClient) {
    auto* container = new AnyContainer(nullptr);
    container->SetDockingManager(manager);
    TvzCustomDockingControl* a = NewPanel("a");
    TvzCustomDockingControl* b = NewPanel("b");
    TvzCustomDockingControl* c = NewPanel("c");
    for (auto* panel : {a, b, c})
        panel->SetContainer(container);
    a->SetAlignment(alnLeft);
    c->SetAlignment(alnRight);
    b->SetContainer(nullptr);
    EXPECT_EQ(a->Alignment(), alnClient);
    EXPECT_EQ(c->Alignment(), alnRight);
}

TEST_F(SplitContainerTest, TheCaptionJoinsTheNonEmptyChildCaptions) {
    TvzVerticalContainer* column = Column();
    for (const char* caption : {"Call stack", "", "Output"})
        NewPanel(caption)->SetContainer(column);
    EXPECT_EQ(column->Caption(), "Call stack, Output");
    column->Children(1)->SetCaption("Watch list");
    EXPECT_EQ(column->Caption(), "Call stack, Watch list, Output");
    column->SetCaption("Mine");
    EXPECT_EQ(column->Caption(), "Mine");
}

TEST_F(SplitContainerTest, CtrlTabWrapsAroundTheRootContainer) {
    TvzVerticalContainer* column = Column();
    TvzCustomDockingControl* a = NewPanel("a");
    TvzCustomDockingControl* b = NewPanel("b");
    a->SetContainer(column);
    b->SetContainer(column);
    site->SetRoot(column);
    manager->SetActiveControl(b);
    uint16_t key = ui::VK_TAB;
    b->Perform(ui::WM_KEYDOWN, key, 0); // without Control: nothing
    EXPECT_EQ(manager->ActiveControl(), b);
    EXPECT_TRUE(column->SelectNextChild(true, b));
    EXPECT_EQ(manager->ActiveControl(), a);
    EXPECT_TRUE(column->SelectNextChild(false, a));
    EXPECT_EQ(manager->ActiveControl(), b);
}

TEST_F(SplitContainerTest, ASplitterDragNextToAMaximisedPanelMakesItNormal) {
    TvzVerticalContainer* column = Column();
    TvzCustomDockingControl* a = NewPanel("a");
    TvzCustomDockingControl* b = NewPanel("b");
    a->SetContainer(column);
    b->SetContainer(column);
    b->SetAlignment(alnBottom);
    site->SetRoot(column);
    column->ShowInContainer();
    site->Refresh();
    column->MaximizeChild(a);
    EXPECT_EQ(a->PanelState(), 1);
    EXPECT_EQ(b->PanelState(), 2);
    const int bar = a->ScreenRect().Bottom + column->SplitterSize() / 2;
    column->MoveSplitter(0, bar - 20);
    EXPECT_EQ(a->PanelState(), 0);
    EXPECT_EQ(b->PanelState(), 0);
}

} // namespace
} // namespace docking::testing
