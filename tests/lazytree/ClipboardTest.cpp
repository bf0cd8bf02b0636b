#include "platform/ui/Clipboard.h"
#include "lazytree/LazyTreeModel.h"
#include "support/UiTest.h"
#include "TreeChecks.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>

namespace lazytree {
namespace {

using test::CheckTree;
using test::ChildAt;

// Trees of numbered nodes: the number is the user data, saved and loaded with the nodes.
class ClipboardTest : public uitest::UiTest {
protected:
    static std::unique_ptr<TLazyTreeModel> NumberedTree(uint32_t first, uint32_t count) {
        auto tree = std::make_unique<TLazyTreeModel>();
        tree->SetNodeDataSize(4);
        tree->OnInitNode = [first](TLazyTreeModel& sender, PLazyNode, PLazyNode node, TLazyNodeInitStates&) {
            *sender.GetNodeData<uint32_t>(node) = first + node->Index;
        };
        tree->OnSaveNode = [](TLazyTreeModel& sender, PLazyNode node, rtl::TStream& stream) {
            stream.WriteBuffer(sender.GetNodeData(node), 4);
        };
        tree->OnLoadNode = [](TLazyTreeModel& sender, PLazyNode node, rtl::TStream& stream) {
            stream.ReadBuffer(sender.GetNodeData(node), 4);
        };
        tree->Options().SelectionOptions.Include(toMultiSelect);
        tree->SetRootNodeCount(count);
        tree->InitializeChildren(nullptr, true);
        return tree;
    }
    static std::string Numbers(TLazyTreeModel& tree) {
        std::string numbers;
        for (PLazyNode node = tree.GetFirstNoInit(); node; node = tree.GetNextNoInit(node))
            numbers += std::to_string(*tree.GetNodeData<uint32_t>(node)) + " ";
        return numbers;
    }
};

TEST_F(ClipboardTest, CutAndPasteIntoAnotherTreeMovesTheNodes) {
    auto source = NumberedTree(10, 4);
    auto target = NumberedTree(1, 2);
    source->AddToSelection(ChildAt(source->RootNode(), 1));
    source->AddToSelection(ChildAt(source->RootNode(), 3));
    source->CutToClipboard();
    EXPECT_TRUE(source->TreeStates().Contains(tsCutPending));
    EXPECT_TRUE(ChildAt(source->RootNode(), 1)->States.Contains(nsCutOrCopy));

    target->SetFocusedNode(target->GetFirst());
    target->SetDefaultPasteMode(amInsertAfter);
    EXPECT_TRUE(target->PasteFromClipboard());
    EXPECT_EQ(Numbers(*target), "1 11 13 2 ");
    EXPECT_EQ(Numbers(*source), "10 12 ");
    EXPECT_FALSE(source->TreeStates().Contains(tsCutPending));
    EXPECT_EQ(CheckTree(*source), "");
    EXPECT_EQ(CheckTree(*target), "");
}

TEST_F(ClipboardTest, CopyKeepsTheSourceAndCutInOneTreeMoves) {
    auto tree = NumberedTree(10, 3);
    tree->AddToSelection(tree->GetFirst());
    tree->CopyToClipboard();
    EXPECT_TRUE(tree->PasteFromClipboard()); // no focus: at the end of the top level
    EXPECT_EQ(Numbers(*tree), "10 11 12 10 ");
    EXPECT_TRUE(tree->TreeStates().Contains(tsCopyPending));
    tree->CancelCutOrCopy();
    EXPECT_EQ(tree->GetFirstCutCopy(), nullptr);

    tree->UnselectAll();
    tree->AddToSelection(tree->GetFirst());
    tree->CutToClipboard();
    tree->SetFocusedNode(ChildAt(tree->RootNode(), 2));
    EXPECT_TRUE(tree->PasteFromClipboard()); // as the last child of the focused node
    EXPECT_EQ(Numbers(*tree), "11 12 10 10 ");
    EXPECT_EQ(tree->TotalCount(), 5u);
    EXPECT_EQ(ChildAt(tree->RootNode(), 1)->ChildCount, 1u);
    EXPECT_EQ(CheckTree(*tree), "");
}

TEST_F(ClipboardTest, ASourceDestroyedAfterCuttingIsNeverReachedAndForeignDataIsRefused) {
    auto target = NumberedTree(1, 1);
    {
        auto source = NumberedTree(10, 2);
        source->AddToSelection(source->GetFirst());
        source->CutToClipboard();
    }
    EXPECT_TRUE(target->PasteFromClipboard()); // copied from the chunks alone
    EXPECT_EQ(Numbers(*target), "1 10 ");

    ui::TClipboard clipboard;
    clipboard.SetAsText("not nodes");
    EXPECT_FALSE(target->PasteFromClipboard());
    // A size before the chunks larger than the data is bounded by it.
    std::string data(4, '\0');
    data[3] = 0x7F;
    clipboard.SetData(ui::RegisterClipboardFormat("Lazy Tree Data"), data);
    EXPECT_TRUE(target->PasteFromClipboard());
    EXPECT_EQ(Numbers(*target), "1 10 ");
}

} // namespace
} // namespace lazytree
