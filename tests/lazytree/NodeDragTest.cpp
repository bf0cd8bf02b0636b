#include "lazytree/LazyStringTree.h"
#include "platform/rtl/Utf.h"
#include "platform/ui/Clock.h"
#include "platform/ui/DragManager.h"
#include "platform/ui/QtBridge.h"
#include "support/UiTest.h"
#include "TreeChecks.h"

#include <QApplication>
#include <QImage>
#include <QMouseEvent>
#include <QWidget>

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

namespace lazytree {
namespace {

using test::CheckTree;
using test::ChildAt;

constexpr int kRow = 18;
constexpr ui::TColor kBack = 0xFFFFFF;
constexpr ui::TColor kDropMark = 0x00C000;
constexpr ui::TColor kDropTarget = 0xC00000;

// Two trees side by side, 150 x 200 each, of numbered nodes whose number travels with them. Every
// drag is allowed and accepted, and a drop inserts by its mode.
class NodeDragTest : public uitest::UiTest {
protected:
    void SetUp() override {
        form.SetBounds(0, 0, 300, 200);
        Prepare(left, 0, 10);
        Prepare(right, 150, 20);
        form.Show();
        form.HandleNeeded();
    }

    void Prepare(TLazyStringTree& tree, int x, uint32_t first) {
        tree.SetParent(&form);
        tree.SetBounds(x, 0, 150, 200);
        tree.SetColor(kBack);
        tree.Tree().Colors().Set(TVTColors::DropMarkColor, kDropMark);
        tree.Tree().Colors().Set(TVTColors::DropTargetColor, kDropTarget);
        tree.Tree().Colors().Set(TVTColors::DropTargetBorderColor, kDropTarget);
        auto& model = tree.Tree();
        model.SetNodeDataSize(4);
        model.OnInitNode = [first](TLazyTreeModel& sender, PLazyNode parent, PLazyNode node,
                                   TLazyNodeInitStates&) {
            if (!parent) *sender.GetNodeData<uint32_t>(node) = first + node->Index;
        };
        model.OnSaveNode = [](TLazyTreeModel& sender, PLazyNode node, rtl::TStream& stream) {
            stream.WriteBuffer(sender.GetNodeData(node), 4);
        };
        model.OnLoadNode = [](TLazyTreeModel& sender, PLazyNode node, rtl::TStream& stream) {
            stream.ReadBuffer(sender.GetNodeData(node), 4);
        };
        tree.OnGetText = [](TCustomLazyStringTree& sender, PLazyNode node, TColumnIndex, TVSTTextType,
                            std::u16string& text) {
            text = rtl::Utf8ToUtf16(std::to_string(*sender.Tree().GetNodeData<uint32_t>(node)));
        };
        tree.OnDragAllowed = [](TBaseLazyTree&, PLazyNode, TColumnIndex, bool& allowed) { allowed = true; };
        tree.OnDragOver = [this](TBaseLazyTree&, ui::TObject*, ui::TShiftState, ui::TDragState, ui::TPoint,
                                 TDropMode, uint32_t&, bool& accept) { accept = accepting; };
        tree.OnDragDrop = [this](TBaseLazyTree& sender, ui::TObject* source, ui::TShiftState, ui::TPoint,
                                 uint32_t& effect, TDropMode mode) {
            drops += effect == DROPEFFECT_MOVE ? "move " : effect == DROPEFFECT_COPY ? "copy " : "other ";
            const TVTNodeAttachMode attach = mode == dmAbove   ? amInsertBefore
                                             : mode == dmBelow ? amInsertAfter
                                                               : amAddChildLast;
            sender.ProcessDrop(source, sender.DropTargetNode(), effect, attach);
        };
        model.SetRootNodeCount(5);
        model.InitializeChildren(nullptr, true);
    }

    // A mouse event of `over`'s client point, sent to the source's window as the drag manager sees it.
    void Mouse(QEvent::Type type, TBaseLazyTree& over, int x, int y, Qt::KeyboardModifiers keys = {},
               Qt::MouseButtons buttons = Qt::LeftButton) {
        const ui::TPoint screen = over.ClientToScreen({x, y});
        QCursor::setPos(screen.X, screen.Y);
        QWidget* window = left.Widget();
        const QPoint local = window->mapFromGlobal(QPoint(screen.X, screen.Y));
        QMouseEvent event(type, local, QPoint(screen.X, screen.Y), Qt::LeftButton, buttons, keys);
        QApplication::sendEvent(window, &event);
    }
    // Drags the left tree's node in row `row` to a point of a tree and drops it there.
    void Drag(int row, TBaseLazyTree& to, int x, int y, Qt::KeyboardModifiers keys = {}) {
        Mouse(QEvent::MouseButtonPress, left, 28, row * kRow + 9);
        Mouse(QEvent::MouseMove, to, x, y, keys);
        Mouse(QEvent::MouseMove, to, x, y + 1, keys);
        Mouse(QEvent::MouseButtonRelease, to, x, y + 1, keys, Qt::NoButton);
    }
    static std::string Numbers(TLazyTreeModel& tree) {
        std::string numbers;
        for (PLazyNode node = tree.GetFirstNoInit(); node; node = tree.GetNextNoInit(node))
            numbers += std::string(tree.GetNodeLevel(node), '.') +
                       std::to_string(*tree.GetNodeData<uint32_t>(node)) + " ";
        return numbers;
    }
    QImage Grab(TBaseLazyTree& tree) {
        QImage image = tree.Widget()->grab().toImage();
        if (const char* dir = std::getenv("LAZYTREE_TEST_PNG_DIR"))
            image.save(QString::fromUtf8(dir) + "/" +
                       ::testing::UnitTest::GetInstance()->current_test_info()->name() + "_" +
                       QString::number(grabs++) + ".png");
        return image;
    }
    static int CountColor(const QImage& image, int top, int bottom, ui::TColor color) {
        int count = 0;
        for (int y = top; y < bottom; ++y)
            for (int x = 0; x < image.width(); ++x)
                count += ui::FromQColor(image.pixelColor(x, y)) == color;
        return count;
    }

    ui::TManualClockScope clock{1000};
    ui::TWinControl form{nullptr};
    TLazyStringTree left{nullptr}, right{nullptr};
    int grabs = 0;
    bool accepting = true;
    std::string drops;
};

TEST_F(NodeDragTest, InsideATreeTheRowsHalvesAndLabelDecideWhereTheNodeGoes) {
    // Right of the label: the lower half drops below the row, the upper half above it.
    Drag(0, left, 120, 3 * kRow + 13);
    EXPECT_EQ(Numbers(left.Tree()), "11 12 13 10 14 ");
    Drag(4, left, 120, 1 * kRow + 2);
    EXPECT_EQ(Numbers(left.Tree()), "11 14 12 13 10 ");
    // On the label: the node becomes the target's last child.
    Drag(0, left, 28, 2 * kRow + 8);
    EXPECT_EQ(Numbers(left.Tree()), "14 12 .11 13 10 ");
    EXPECT_EQ(drops, "move move move ");
    EXPECT_EQ(CheckTree(left.Tree()), "");
    EXPECT_FALSE(left.IsDragInProgress());
    EXPECT_FALSE(left.Tree().TreeStates().Contains(tsLeftButtonDown));
}

TEST_F(NodeDragTest, ANodeNeverMovesIntoItsOwnSubtree) {
    left.Tree().AddChild(left.Tree().GetFirst());
    *left.Tree().GetNodeData<uint32_t>(left.Tree().GetFirst()->FirstChild) = 99;
    left.Tree().ToggleNode(left.Tree().GetFirst());
    Drag(0, left, 40, 1 * kRow + 8); // onto its own child
    EXPECT_EQ(Numbers(left.Tree()), "10 .99 11 12 13 14 ");
    EXPECT_EQ(CheckTree(left.Tree()), "");
}

TEST_F(NodeDragTest, BetweenTreesADropCopiesAndShiftMovesWhatTheSourceThenLoses) {
    Drag(1, right, 120, 0 * kRow + 13);
    EXPECT_EQ(Numbers(right.Tree()), "20 11 21 22 23 24 ");
    EXPECT_EQ(Numbers(left.Tree()), "10 11 12 13 14 ");
    Drag(2, right, 120, 6 * kRow + 13, Qt::ShiftModifier);
    EXPECT_EQ(Numbers(right.Tree()), "20 11 21 22 23 24 12 ");
    EXPECT_EQ(Numbers(left.Tree()), "10 11 13 14 ");
    EXPECT_EQ(drops, "copy move ");
    EXPECT_EQ(CheckTree(left.Tree()), "");
    EXPECT_EQ(CheckTree(right.Tree()), "");
}

TEST_F(NodeDragTest, ADraggedNodeFreedBeforeTheDragEndsIsNotRemovedAgain) {
    right.OnDragDrop = [this](TBaseLazyTree&, ui::TObject*, ui::TShiftState, ui::TPoint, uint32_t& effect,
                              TDropMode) {
        left.Tree().RemoveNode(left.Tree().GetFirst());
        effect = DROPEFFECT_MOVE;
    };
    Drag(0, right, 120, 13);
    EXPECT_EQ(Numbers(left.Tree()), "11 12 13 14 ");
    EXPECT_EQ(CheckTree(left.Tree()), "");
    EXPECT_TRUE(left.DragSelection().empty());
}

TEST_F(NodeDragTest, ARefusedOrCancelledDragChangesNothing) {
    accepting = false;
    Drag(0, right, 120, 13);
    Drag(0, left, 120, 3 * kRow + 13);
    accepting = true;
    Mouse(QEvent::MouseButtonPress, left, 28, 9);
    Mouse(QEvent::MouseMove, right, 120, 13);
    ui::FinishDrag(false); // Escape
    EXPECT_EQ(drops, "");
    EXPECT_EQ(Numbers(left.Tree()), "10 11 12 13 14 ");
    EXPECT_EQ(Numbers(right.Tree()), "20 21 22 23 24 ");
    EXPECT_EQ(right.DropTargetNode(), nullptr);
    EXPECT_FALSE(left.IsDragInProgress());
}

TEST_F(NodeDragTest, TheTargetShowsTheDropMarkOrTheTargetRowAndOpensAParentAfterTheDelay) {
    PLazyNode parent = right.Tree().GetFirst()->NextSibling;
    right.Tree().AddChild(parent);
    Mouse(QEvent::MouseButtonPress, left, 28, 9);
    Mouse(QEvent::MouseMove, right, 120, kRow + 13);
    Mouse(QEvent::MouseMove, right, 120, kRow + 14);
    EXPECT_EQ(right.DropTargetNode(), parent);
    EXPECT_EQ(right.LastDropMode(), dmBelow);
    QImage image = Grab(right);
    const int top = right.ClientRectInWindow().Top;
    EXPECT_GT(CountColor(image, top + 2 * kRow - 8, top + 2 * kRow, kDropMark), 100) << "below the row";
    EXPECT_EQ(CountColor(image, top + kRow, top + 2 * kRow - 8, kDropMark), 0);
    EXPECT_EQ(CountColor(image, top, top + 200, kDropTarget), 0) << "no target row without dropping on it";

    Mouse(QEvent::MouseMove, right, 28, kRow + 9); // over the label
    EXPECT_EQ(right.LastDropMode(), dmOnNode);
    image = Grab(right);
    EXPECT_GT(CountColor(image, top + kRow, top + 2 * kRow, kDropTarget), 100);
    EXPECT_EQ(CountColor(image, top, top + 200, kDropMark), 0);

    clock->Advance(right.AutoExpandDelay() - 1);
    EXPECT_FALSE(parent->States.Contains(nsExpanded));
    clock->Advance(1);
    EXPECT_TRUE(parent->States.Contains(nsExpanded));
    ui::FinishDrag(false);
}

} // namespace
} // namespace lazytree
