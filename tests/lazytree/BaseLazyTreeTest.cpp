#include "lazytree/BaseLazyTree.h"
#include "platform/ui/Messages.h"
#include "support/UiTest.h"

#include <gtest/gtest.h>

namespace lazytree {
namespace {

class BaseLazyTreeTest : public uitest::UiTest {
protected:
    BaseLazyTreeTest() : tree(nullptr) {
        tree.SetBounds(0, 0, 200, 100);
        tree.HandleNeeded();
    }

    TBaseLazyTree tree;
};

TEST_F(BaseLazyTreeTest, ScrollBarsFollowTheContent) {
    tree.Tree().SetRootNodeCount(3);
    EXPECT_FALSE(tree.ScrollBarVisible(ui::SB_VERT));
    tree.Tree().SetRootNodeCount(50);
    ASSERT_TRUE(tree.ScrollBarVisible(ui::SB_VERT));
    const ui::TScrollInfo info = tree.GetScrollInfo(ui::SB_VERT);
    EXPECT_EQ(info.max, 50 * 18);
    EXPECT_EQ(info.page, tree.ClientHeight() + 1);
    // The bar took room from the client area and the range follows it.
    EXPECT_LT(tree.ClientWidth(), 200);
}

TEST_F(BaseLazyTreeTest, AlwaysVisibleShowsADisabledBar) {
    tree.Tree().SetRootNodeCount(3);
    tree.Tree().SetAlwaysVisible(true);
    tree.Tree().UpdateScrollBars();
    EXPECT_TRUE(tree.ScrollBarVisible(ui::SB_VERT));
    const ui::TScrollInfo info = tree.GetScrollInfo(ui::SB_VERT);
    EXPECT_LE(info.max - info.page + 1, info.min) << "nothing to scroll";
}

TEST_F(BaseLazyTreeTest, ScrollBarActionsMoveTheOffset) {
    tree.Tree().SetRootNodeCount(50);
    tree.Perform(ui::WM_VSCROLL, ui::SB_LINEDOWN);
    EXPECT_EQ(tree.Tree().OffsetY(), -20);
    tree.Perform(ui::WM_VSCROLL, ui::SB_BOTTOM);
    EXPECT_EQ(tree.Tree().OffsetY(), tree.ClientHeight() - tree.Tree().RangeY());
    EXPECT_EQ(tree.GetScrollInfo(ui::SB_VERT).pos, tree.Tree().RangeY() - tree.ClientHeight());
    tree.Perform(ui::WM_VSCROLL, ui::SB_PAGEUP);
    EXPECT_EQ(tree.Tree().OffsetY(), 2 * tree.ClientHeight() - tree.Tree().RangeY());
    tree.Perform(ui::WM_VSCROLL, ui::SB_TOP);
    EXPECT_EQ(tree.Tree().OffsetY(), 0);

    // Sideways a page is what the fixed columns leave.
    for (int width : {60, 400, 400}) {
        TLazyTreeColumn& column = tree.Header().Columns().Add();
        column.SetWidth(width);
    }
    tree.Header().Columns()[0].SetOptions(tree.Header().Columns()[0].Options() + TVTColumnOptions{coFixed});
    tree.Perform(ui::WM_HSCROLL, ui::SB_PAGEDOWN);
    EXPECT_EQ(tree.Tree().OffsetX(), 60 - tree.ClientWidth());
    tree.Perform(ui::WM_HSCROLL, ui::SB_LINEUP);
    EXPECT_EQ(tree.Tree().OffsetX(), 60 - tree.ClientWidth() + tree.Tree().HorizontalIncrement());
    tree.Perform(ui::WM_HSCROLL, ui::SB_BOTTOM);
    EXPECT_EQ(tree.Tree().OffsetX(), tree.ClientWidth() - tree.Tree().RangeX());
}

TEST_F(BaseLazyTreeTest, MiddleButtonPansWithADirectionCursor) {
    tree.Tree().SetRootNodeCount(50);
    tree.Perform(ui::WM_MBUTTONDOWN, 0, ui::MakeLParam(100, 50));
    EXPECT_TRUE(tree.Tree().TreeStates().Contains(tsWheelPanning));
    EXPECT_EQ(tree.Cursor(), ui::crSizeNS);
    tree.Perform(ui::WM_MOUSEMOVE, 0, ui::MakeLParam(100, 20));
    EXPECT_EQ(tree.Tree().PanningCursor(100, 20), pcMoveN);
    tree.Perform(ui::WM_LBUTTONDOWN, 0, ui::MakeLParam(100, 20));
    EXPECT_FALSE(tree.Tree().TreeStates().Contains(tsWheelPanning));
    EXPECT_EQ(tree.Cursor(), ui::crDefault);
}

TEST_F(BaseLazyTreeTest, ADisabledControlDrawsDisabledCheckImages) {
    tree.Tree().SetRootNodeCount(1);
    PLazyNode node = tree.Tree().GetFirst();
    node->CheckType = ctCheckBox;
    EXPECT_EQ(tree.Tree().GetCheckImage(node), 9);
    tree.SetEnabled(false);
    EXPECT_EQ(tree.Tree().GetCheckImage(node), 12);
    tree.SetEnabled(true);
    EXPECT_EQ(tree.Tree().GetCheckImage(node), 9);
}

} // namespace
} // namespace lazytree
