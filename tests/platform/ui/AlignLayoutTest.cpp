#include "platform/ui/AlignLayout.h"

#include <gtest/gtest.h>

namespace ui {
namespace {

struct AlignCase {
    const char* name;
    std::vector<TAlignItem> items;
    std::vector<TRect> expected;
};

TAlignItem Aligned(TAlign align, TRect bounds) {
    TAlignItem item;
    item.align = align;
    item.bounds = bounds;
    return item;
}

// A 200 x 100 client area.
const TRect kClient = Rect(0, 0, 200, 100);

TEST(AlignChildren, StripsAndTheRest) {
    const std::vector<AlignCase> cases = {
        {"top keeps its height, takes the width",
         {Aligned(alTop, Bounds(5, 40, 10, 20))},
         {Rect(0, 0, 200, 20)}},
        {"bottom sits on the bottom edge",
         {Aligned(alBottom, Bounds(5, 5, 10, 30))},
         {Rect(0, 70, 200, 100)}},
        {"left and right take columns of the rest",
         {Aligned(alLeft, Bounds(0, 0, 30, 5)), Aligned(alRight, Bounds(0, 0, 40, 5))},
         {Rect(0, 0, 30, 100), Rect(160, 0, 200, 100)}},
        {"client fills what the strips leave",
         {Aligned(alClient, Bounds(0, 0, 1, 1)), Aligned(alTop, Bounds(0, 0, 1, 10)),
          Aligned(alBottom, Bounds(0, 0, 1, 15)), Aligned(alLeft, Bounds(0, 0, 20, 1)),
          Aligned(alRight, Bounds(0, 0, 25, 1))},
         {Rect(20, 10, 175, 85), Rect(0, 0, 200, 10), Rect(0, 85, 200, 100), Rect(0, 10, 20, 85),
          Rect(175, 10, 200, 85)}},
        {"two tops stack in the order of their tops, not of the list",
         {Aligned(alTop, Bounds(0, 50, 1, 10)), Aligned(alTop, Bounds(0, 5, 1, 20))},
         {Rect(0, 20, 200, 30), Rect(0, 0, 200, 20)}},
        {"two bottoms: the lower one is outermost",
         {Aligned(alBottom, Bounds(0, 10, 1, 10)), Aligned(alBottom, Bounds(0, 80, 1, 10))},
         {Rect(0, 80, 200, 90), Rect(0, 90, 200, 100)}},
        {"an invisible child takes no room",
         {[] {
              TAlignItem hidden = Aligned(alTop, Bounds(0, 0, 1, 30));
              hidden.visible = false;
              return hidden;
          }(),
          Aligned(alClient, Bounds(0, 0, 1, 1))},
         {Bounds(0, 0, 1, 30), kClient}},
        {"strips taller than the client leave an empty client rectangle",
         {Aligned(alTop, Bounds(0, 0, 1, 80)), Aligned(alBottom, Bounds(0, 0, 1, 80)),
          Aligned(alClient, Bounds(0, 0, 1, 1))},
         {Rect(0, 0, 200, 80), Rect(0, 20, 200, 100), Rect(0, 80, 200, 80)}},
    };
    for (const AlignCase& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(AlignChildren(kClient, c.items), c.expected);
    }
}

TEST(AlignChildren, AnchorsFollowTheParentsSize) {
    TAnchorRule rule{Bounds(10, 20, 30, 40), {100, 100}};
    const TSize grown{150, 120};
    struct Case {
        const char* name;
        TAnchors anchors;
        TRect expected;
    };
    const Case cases[] = {
        {"left and top stay", {akLeft, akTop}, Bounds(10, 20, 30, 40)},
        {"left and right stretch", {akLeft, akRight, akTop}, Bounds(10, 20, 80, 40)},
        {"right only moves", {akRight, akBottom}, Bounds(60, 40, 30, 40)},
        {"no side keeps the centre in proportion", {}, Bounds(22, 28, 30, 40)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(rule.BoundsFor(c.anchors, grown), c.expected);
        TAlignItem item;
        item.anchors = c.anchors;
        item.bounds = rule.original;
        item.anchorRule = rule;
        EXPECT_EQ(AlignChildren(Rect(0, 0, grown.cx, grown.cy), {item}).front(), c.expected);
    }
    // Shrinking below the stretched width stops at nothing.
    EXPECT_EQ(rule.BoundsFor({akLeft, akRight}, {50, 100}).Width(), 0);
}

} // namespace
} // namespace ui
