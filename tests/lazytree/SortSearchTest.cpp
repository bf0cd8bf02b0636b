#include "FakeTreeHost.h"
#include "lazytree/LazyTreeModel.h"
#include "platform/ui/Clock.h"
#include "platform/ui/Timers.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace lazytree {
namespace {

// A tree whose nodes carry a name: top-level nodes from names_, every child "c<index>".
class NamedTree : public TLazyTreeModel {
public:
    explicit NamedTree(ITreeHost* host) : TLazyTreeModel(host) {}
    int beeps = 0;

protected:
    void DoBeep() override { ++beeps; }
};

class SortSearchTest : public ::testing::Test {
protected:
    SortSearchTest() : tree(&host) {
        tree.SetNodeDataSize(sizeof(int));
        tree.OnInitNode = [this](TLazyTreeModel& t, PLazyNode parent, PLazyNode node,
                                 TLazyNodeInitStates& s) {
            *t.GetNodeData<int>(node) = static_cast<int>(node->Index);
            if (!parent && childCount > 0) s.Include(ivsHasChildren);
        };
        tree.OnInitChildren = [this](TLazyTreeModel&, PLazyNode, uint32_t& count) { count = childCount; };
        tree.OnIncrementalSearch = [this](TLazyTreeModel&, PLazyNode node, const std::u16string& text,
                                          int& result) { result = Name(node).starts_with(text) ? 0 : 1; };
    }
    void Fill(std::vector<std::u16string> names, uint32_t children = 0) {
        names_ = std::move(names);
        childCount = children;
        tree.SetRootNodeCount(static_cast<uint32_t>(names_.size()));
    }
    std::u16string Name(PLazyNode node) {
        const int original = *tree.GetNodeData<int>(node);
        return node->Parent == tree.RootNode() ? names_[original] : u"c" + std::u16string(1, u'0' + original);
    }
    // The names of a node's children in their order, checking links and indexes on the way.
    std::vector<std::u16string> Children(PLazyNode parent) {
        std::vector<std::u16string> result;
        PLazyNode previous = nullptr;
        for (PLazyNode run = parent->FirstChild; run; run = run->NextSibling) {
            EXPECT_EQ(run->PrevSibling, previous);
            EXPECT_EQ(run->Index, result.size());
            result.push_back(Name(run));
            previous = run;
        }
        EXPECT_EQ(parent->LastChild, previous);
        return result;
    }
    // Compares by the first letter only, so that names with one letter compare equal.
    void CompareFirstLetter() {
        tree.OnCompareNodes = [this](TLazyTreeModel&, PLazyNode a, PLazyNode b, int, int& result) {
            ++comparisons;
            result = Name(a)[0] - Name(b)[0];
        };
    }
    void Type(std::u16string_view keys) {
        for (char16_t c : keys)
            tree.HandleIncrementalSearch(c);
    }

    ui::TManualClockScope clock{1000};
    test::TFakeTreeHost host;
    NamedTree tree;
    std::vector<std::u16string> names_;
    uint32_t childCount = 0;
    int comparisons = 0;
};

using Names = std::vector<std::u16string>;

TEST_F(SortSearchTest, SortIsStableInBothDirectionsAndRebuildsLinksAndIndexes) {
    Fill({u"b1", u"a1", u"c1", u"a2", u"b2", u"a3", u"c2"});
    CompareFirstLetter();
    tree.Sort(nullptr, TLazyTreeModel::kNoColumn, sdAscending);
    EXPECT_EQ(Children(tree.RootNode()), (Names{u"a1", u"a2", u"a3", u"b1", u"b2", u"c1", u"c2"}));
    tree.Sort(nullptr, TLazyTreeModel::kNoColumn, sdDescending);
    EXPECT_EQ(Children(tree.RootNode()), (Names{u"c1", u"c2", u"b1", u"b2", u"a1", u"a2", u"a3"}));
    // n log n comparisons at most.
    EXPECT_LE(comparisons, 2 * 7 * 3);
    EXPECT_EQ(tree.GetFirst(), tree.RootNode()->FirstChild);
}

TEST_F(SortSearchTest, WithoutAHandlerOrWithOneChildTheOrderStays) {
    Fill({u"b", u"a", u"c"});
    tree.Sort(nullptr, TLazyTreeModel::kNoColumn, sdAscending);
    EXPECT_EQ(Children(tree.RootNode()), (Names{u"b", u"a", u"c"}));
    CompareFirstLetter();
    Fill({u"z"});
    tree.Sort(nullptr, TLazyTreeModel::kNoColumn, sdDescending);
    EXPECT_EQ(Children(tree.RootNode()), (Names{u"z"}));
    EXPECT_EQ(comparisons, 0);
}

TEST_F(SortSearchTest, SortTreeWithoutInitLeavesUninitialisedSubtreesAlone) {
    Fill({u"b", u"a"}, 3);
    tree.OnCompareNodes = [this](TLazyTreeModel&, PLazyNode a, PLazyNode b, int, int& result) {
        result = Name(b).compare(Name(a)); // reversed: children come out c2, c1, c0
    };
    tree.SortTree(TLazyTreeModel::kNoColumn, sdAscending, false);
    // The top level was counted but never initialised: nothing below it was made.
    EXPECT_EQ(tree.TotalCount(), 3u);
    tree.SortTree(TLazyTreeModel::kNoColumn, sdAscending, true);
    EXPECT_EQ(Children(tree.RootNode()), (Names{u"b", u"a"}));
    for (PLazyNode top = tree.RootNode()->FirstChild; top; top = top->NextSibling)
        EXPECT_EQ(Children(top), (Names{u"c2", u"c1", u"c0"}));
    EXPECT_EQ(tree.TotalCount(), 9u);
}

TEST_F(SortSearchTest, IncrementalSearchIsOffByDefault) {
    Fill({u"alpha", u"beta"});
    Type(u"b");
    EXPECT_EQ(tree.FocusedNode(), nullptr);
    EXPECT_FALSE(ui::Timers().IsActive(&tree, SearchTimer));
}

TEST_F(SortSearchTest, TypedLettersExtendTheSearchWithinTheTimeout) {
    Fill({u"alpha", u"bravo", u"beta", u"bbq", u"echo"});
    tree.SetIncrementalSearch(isAll);
    PLazyNode alpha = tree.GetFirst();
    tree.SetFocusedNode(alpha);
    Type(u"be");
    EXPECT_EQ(Name(tree.FocusedNode()), u"beta");
    EXPECT_TRUE(tree.IsSelected(tree.FocusedNode()));
    EXPECT_EQ(tree.SelectedCount(), 1u);
    EXPECT_EQ(tree.SearchText(), u"be");
    clock->Advance(1000);
    EXPECT_FALSE(tree.TreeStates().Contains(tsIncrementalSearching));
    EXPECT_EQ(tree.SearchText(), u"");
    // A new search with e alone.
    Type(u"e");
    EXPECT_EQ(Name(tree.FocusedNode()), u"echo");
    EXPECT_EQ(tree.beeps, 0);
}

TEST_F(SortSearchTest, TheSameLetterCyclesUnlessTheNodeHasItDoubled) {
    Fill({u"alpha", u"bravo", u"bbq", u"beta"});
    tree.SetIncrementalSearch(isAll);
    tree.SetFocusedNode(tree.GetFirst());
    Type(u"b");
    EXPECT_EQ(Name(tree.FocusedNode()), u"bravo");
    Type(u"b");
    EXPECT_EQ(Name(tree.FocusedNode()), u"bbq");
    EXPECT_EQ(tree.SearchText(), u"b");
    // bbq starts with bb: the doubled letter is searched as typed, and the node itself matches.
    Type(u"b");
    EXPECT_EQ(Name(tree.FocusedNode()), u"bbq");
    EXPECT_EQ(tree.SearchText(), u"bb");
}

TEST_F(SortSearchTest, BackspaceShortensAndSearchesBackwards) {
    Fill({u"bar", u"alpha", u"bat", u"bad"});
    tree.SetIncrementalSearch(isAll);
    tree.SetFocusedNode(tree.GetFirst()->NextSibling); // alpha
    Type(u"bad");
    EXPECT_EQ(Name(tree.FocusedNode()), u"bad");
    Type(u"\b");
    EXPECT_EQ(tree.SearchText(), u"ba");
    EXPECT_EQ(Name(tree.FocusedNode()), u"bat");
}

TEST_F(SortSearchTest, NoMatchBeepsAndKeepsFocusButTheOnlyMatchAtHandIsQuiet) {
    Fill({u"alpha", u"bravo", u"charlie"});
    tree.SetIncrementalSearch(isAll);
    tree.SetFocusedNode(tree.GetFirst());
    Type(u"bx");
    EXPECT_EQ(Name(tree.FocusedNode()), u"bravo");
    EXPECT_EQ(tree.beeps, 1);
    EXPECT_EQ(tree.SearchText(), u"b");
    // b again: only bravo starts with b, which is where the search stands.
    Type(u"b");
    EXPECT_EQ(Name(tree.FocusedNode()), u"bravo");
    EXPECT_EQ(tree.beeps, 1);
}

TEST_F(SortSearchTest, VisibleOnlyNeverEntersCollapsedChildrenButAllDoes) {
    Fill({u"alpha", u"bravo"}, 3);
    tree.SetIncrementalSearch(isVisibleOnly);
    tree.SetFocusedNode(tree.GetFirst());
    Type(u"c");
    EXPECT_EQ(Name(tree.FocusedNode()), u"alpha");
    EXPECT_EQ(tree.beeps, 1);
    clock->Advance(1000);
    tree.SetIncrementalSearch(isAll);
    Type(u"c");
    ASSERT_NE(tree.FocusedNode()->Parent, tree.RootNode());
    EXPECT_EQ(Name(tree.FocusedNode()), u"c0");
    EXPECT_EQ(tree.FocusedNode()->Parent, tree.GetFirst());
}

} // namespace
} // namespace lazytree
