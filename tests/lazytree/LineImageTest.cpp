// Which tree-line piece each indentation level shows, band pieces, and the vertical alignment of
// buttons and images.
#include "FakeTreeHost.h"
#include "lazytree/LazyTreeLines.h"
#include "lazytree/LazyTreeModel.h"

#include <gtest/gtest.h>

namespace lazytree {
namespace {

class LineImageTest : public ::testing::Test {
protected:
    LineImageTest() : tree(&host) {}

    // Two top-level nodes with two children each.
    void Build() {
        for (int i = 0; i < 2; ++i) {
            PLazyNode top = tree.AddChild(nullptr);
            tree.AddChild(top);
            tree.AddChild(top);
        }
    }
    TLineImage Image(PLazyNode node, bool hidden = false) {
        TLineImage image;
        DetermineLineImage(tree, node, image, hidden);
        return image;
    }
    PLazyNode Top(int i) { return i == 0 ? tree.RootNode()->FirstChild : tree.RootNode()->LastChild; }

    test::TFakeTreeHost host;
    TLazyTreeModel tree;
};

TEST_F(LineImageTest, OnlyTopLevelNodeIsARightPiece) {
    PLazyNode only = tree.AddChild(nullptr);
    EXPECT_EQ(Image(only), (TLineImage{ltRight}));
}

TEST_F(LineImageTest, PiecesFollowVisibleSiblings) {
    Build();
    const struct {
        PLazyNode node;
        TLineImage expected;
    } cases[] = {
        {Top(0), {ltBottomRight}},
        {Top(1), {ltTopRight}},
        {Top(0)->FirstChild, {ltTopDown, ltTopDownRight}},
        {Top(0)->LastChild, {ltTopDown, ltTopRight}},
        {Top(1)->LastChild, {ltNone, ltTopRight}},
    };
    for (const auto& c : cases)
        EXPECT_EQ(Image(c.node), c.expected) << tree.GetNodeLevel(c.node) << " " << c.node->Index;

    // A hidden last sibling makes the one before it the last.
    tree.RootNode()->LastChild->States.Exclude(nsVisible);
    EXPECT_EQ(Image(Top(0)), (TLineImage{ltRight}));
    EXPECT_EQ(Image(Top(0)->FirstChild), (TLineImage{ltNone, ltTopDownRight}));
}

TEST_F(LineImageTest, WithoutRootLinesTopLevelHasNoPieceAndHiddenLinesStayEmpty) {
    Build();
    tree.Options().PaintOptions.Exclude(toShowRoot);
    EXPECT_TRUE(Image(Top(0)).empty());
    EXPECT_EQ(Image(Top(0)->FirstChild), (TLineImage{ltTopDownRight}));
    tree.Options().PaintOptions.Include(toShowRoot);
    EXPECT_EQ(Image(Top(0)->FirstChild, true), (TLineImage{ltNone, ltNone}));
    tree.Options().PaintOptions.Exclude(toShowTreeLines);
    EXPECT_EQ(Image(Top(0)->FirstChild), (TLineImage{ltNone, ltNone}));
}

TEST_F(LineImageTest, ChildrenAboveLookUpwards) {
    Build();
    tree.Options().PaintOptions.Include(toChildrenAbove);
    EXPECT_EQ(Image(Top(0)), (TLineImage{ltBottomRight}));
    EXPECT_EQ(Image(Top(1)), (TLineImage{ltTopRight}));
    EXPECT_EQ(Image(Top(1)->FirstChild), (TLineImage{ltTopDown, ltBottomRight}));
}

TEST_F(LineImageTest, SelectedAncestorsAreCounted) {
    Build();
    tree.AddToSelection(Top(0));
    TLineImage image;
    EXPECT_EQ(DetermineLineImage(tree, Top(0)->FirstChild, image, false), 1);
    EXPECT_EQ(DetermineLineImage(tree, Top(0), image, false), 0);
}

TEST(BandImageTest, RowsAreFramedLeftAndBelow) {
    // A last child's bottom line carries on under the level that ends with it.
    EXPECT_EQ(BandImage({ltNone, ltTopRight}, false), (TLineImage{ltLeftBottom, ltLeftBottom}));
    EXPECT_EQ(BandImage({ltTopDown, ltTopDownRight}, false), (TLineImage{ltLeft, ltLeftBottom}));
    EXPECT_EQ(BandImage({ltTopDown, ltTopRight}, true), (TLineImage{ltLeft, ltLeft}));
}

TEST(VerticalAlignmentTest, ModesPlaceTheCentre) {
    const struct {
        TVTNodeAlignment mode;
        int align, image;
        bool buttons;
        int lines, button;
    } cases[] = {
        {naFromTop, 3, 0, true, 3, -1},       {naFromBottom, 3, 0, true, 15, 11},
        {naProportional, 50, 16, true, 9, 5}, // (18 - 16) / 2 + 8
        {naProportional, 50, 0, true, 9, 5},  // the button: 4.5 rounds to 5, then + 4
        {naProportional, 50, 0, false, 9, 5}, {naProportional, 100, 0, false, 18, 14},
    };
    for (const auto& c : cases) {
        const TVerticalAlignment a = ComputeVerticalAlignment(c.mode, 18, c.align, c.image, c.buttons, 9);
        EXPECT_EQ(a.Lines, c.lines) << c.mode << " " << c.align;
        EXPECT_EQ(a.Button, c.button) << c.mode << " " << c.align;
    }
}

TEST(PlaceImageTest, LeadingEdgeGivesUpTheImageAndAGap) {
    ui::TRect r{10, 0, 100, 18};
    EXPECT_EQ(PlaceImage(r, {16, 16}, false, 9), (ui::TPoint{10, 1}));
    EXPECT_EQ(r.Left, 28);
    EXPECT_EQ(PlaceImage(r, {16, 16}, true, 9), (ui::TPoint{84, 1}));
    EXPECT_EQ(r.Right, 82);
}

} // namespace
} // namespace lazytree
