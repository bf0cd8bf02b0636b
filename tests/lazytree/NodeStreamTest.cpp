#include "lazytree/LazyTreeError.h"
#include "lazytree/LazyTreeModel.h"
#include "platform/rtl/Streams.h"
#include "TreeChecks.h"
#include "TreeDump.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

namespace lazytree {
namespace {

using test::CheckTree;
using test::ChildAt;
using test::DumpTree;

// Node chunks written by hand, for streams the tree would never write itself.
class TStreamBuilder {
public:
    TStreamBuilder& Identifier(char16_t version = 2, char16_t first = u'\u2045') {
        for (char16_t unit : {first, u'V', u'T', version, u' ', u'\u2046'})
            Put(unit);
        return *this;
    }
    TStreamBuilder& Count(uint32_t count) { return Put(count); }
    // Opens a chunk; Close patches its size.
    TStreamBuilder& Open(int32_t type) {
        Put(type);
        open_.push_back(bytes_.size());
        return Put(int32_t{0});
    }
    TStreamBuilder& Close() {
        const std::size_t at = open_.back();
        open_.pop_back();
        const auto size = static_cast<int32_t>(bytes_.size() - at - 4);
        std::memcpy(&bytes_[at], &size, 4);
        return *this;
    }
    // A version 2 base body.
    TStreamBuilder& Base(uint32_t childCount, uint32_t height, uint16_t states, uint8_t checkState = 0) {
        Put(childCount).Put(height).Put(states);
        return Put(uint8_t{50}).Put(checkState).Put(uint8_t{ctCheckBox}).Put(uint32_t{0});
    }
    // A leaf node chunk of version 2.
    TStreamBuilder& Leaf(uint32_t height = 18, uint16_t states = 1u << nsInitialized | 1u << nsVisible) {
        return Open(1).Open(2).Base(0, height, states).Close().Close();
    }
    template <class T>
    TStreamBuilder& Put(T value) {
        bytes_.append(reinterpret_cast<const char*>(&value), sizeof value);
        return *this;
    }
    rtl::TMemoryStream Stream() const {
        rtl::TMemoryStream stream;
        stream.WriteString(bytes_);
        stream.SetPosition(0);
        return stream;
    }
    const std::string& Bytes() const { return bytes_; }

private:
    std::string bytes_;
    std::vector<std::size_t> open_;
};

// A tree whose nodes carry a 32-bit id, saved and loaded as their user data.
struct TIdTree {
    TLazyTreeModel tree;
    uint32_t nextId = 100;
    TIdTree() {
        tree.SetNodeDataSize(sizeof(uint32_t));
        tree.OnInitNode = [this](TLazyTreeModel& sender, PLazyNode, PLazyNode node, TLazyNodeInitStates&) {
            *sender.GetNodeData<uint32_t>(node) = nextId++;
        };
        tree.OnSaveNode = [](TLazyTreeModel& sender, PLazyNode node, rtl::TStream& stream) {
            stream.WriteBuffer(sender.GetNodeData(node), sizeof(uint32_t));
        };
        tree.OnLoadNode = [](TLazyTreeModel& sender, PLazyNode node, rtl::TStream& stream) {
            stream.ReadBuffer(sender.GetNodeData(node), sizeof(uint32_t));
        };
    }
    uint32_t Id(PLazyNode node) { return *tree.GetNodeData<uint32_t>(node); }
    // The ids in tree order.
    std::string Ids() {
        std::string ids;
        for (PLazyNode node = tree.GetFirstNoInit(); node; node = tree.GetNextNoInit(node))
            ids += std::string(tree.GetNodeLevel(node), '.') + std::to_string(Id(node)) + " ";
        return ids;
    }
};

rtl::TMemoryStream Saved(TLazyTreeModel& tree, PLazyNode node = nullptr) {
    rtl::TMemoryStream stream;
    tree.SaveToStream(stream, node);
    stream.SetPosition(0);
    return stream;
}

// Three top-level nodes, the first with two children of which one has a child.
void Build(TIdTree& source) {
    TLazyTreeModel& tree = source.tree;
    tree.SetRootNodeCount(3);
    PLazyNode first = tree.GetFirst();
    tree.SetChildCount(first, 2);
    tree.SetChildCount(ChildAt(first, 1), 1);
    tree.InitializeChildren(nullptr, true);
    tree.ChangeNodeHeight(ChildAt(first, 0), 30);
    tree.ChangeNodeHeight(ChildAt(tree.RootNode(), 2), 40);
    tree.SetExpanded(first, true);
    ChildAt(first, 0)->CheckType = ctCheckBox;
    ChildAt(first, 0)->CheckState = csCheckedNormal;
}

TEST(NodeStream, RoundTripKeepsStructureHeightsStatesChecksSelectionAndUserData) {
    TIdTree source;
    source.tree.Options().SelectionOptions.Include(toMultiSelect);
    Build(source);
    PLazyNode first = source.tree.GetFirst();
    source.tree.AddToSelection(ChildAt(first, 1));
    source.tree.AddToSelection(ChildAt(source.tree.RootNode(), 2));

    TIdTree target;
    target.tree.Options().SelectionOptions.Include(toMultiSelect);
    target.tree.SetRootNodeCount(5); // replaced
    rtl::TMemoryStream stream = Saved(source.tree);
    int endSignals = 0;
    target.tree.OnNodeCopied = [&](TLazyTreeModel&, PLazyNode node) { endSignals += node == nullptr; };
    target.tree.LoadFromStream(stream);

    EXPECT_EQ(DumpTree(target.tree), DumpTree(source.tree));
    EXPECT_EQ(target.Ids(), source.Ids());
    EXPECT_EQ(CheckTree(target.tree), "");
    PLazyNode loaded = target.tree.GetFirstNoInit();
    EXPECT_EQ(ChildAt(loaded, 0)->CheckState, csCheckedNormal);
    EXPECT_EQ(ChildAt(loaded, 0)->CheckType, ctCheckBox);
    EXPECT_EQ(target.tree.SelectedCount(), 2u);
    EXPECT_TRUE(target.tree.IsSelected(ChildAt(loaded, 1)));
    EXPECT_EQ(endSignals, 1);
    EXPECT_EQ(stream.Position(), stream.Size());
}

TEST(NodeStream, SingleNodeSavesWithCountOneAndWithoutMultiSelectLoadsUnselected) {
    TIdTree source;
    source.tree.Options().SelectionOptions.Include(toMultiSelect);
    Build(source);
    PLazyNode first = source.tree.GetFirst();
    source.tree.AddToSelection(ChildAt(first, 1));
    rtl::TMemoryStream stream = Saved(source.tree, first);
    uint32_t count = 0;
    std::memcpy(&count, stream.Memory() + 12, 4);
    EXPECT_EQ(count, 1u);

    TIdTree target;
    target.tree.LoadFromStream(stream);
    EXPECT_EQ(target.Ids(), "100 .101 .102 ..103 ");
    EXPECT_EQ(target.tree.SelectedCount(), 0u);
    EXPECT_FALSE(ChildAt(target.tree.GetFirstNoInit(), 1)->States.Contains(nsSelected));
    EXPECT_EQ(CheckTree(target.tree), "");
}

TEST(NodeStream, EmptyUserDataAndUninitialisedChildrenAreNotWritten) {
    TLazyTreeModel tree;
    tree.Options().MiscOptions.Exclude(toInitOnSave);
    tree.SetRootNodeCount(1); // never initialised
    tree.SetChildCount(tree.GetFirstNoInit(), 2);
    rtl::TMemoryStream stream = Saved(tree);
    // identifier, count, anchor header, base header and body: no user data, no child chunks
    EXPECT_EQ(stream.Size(), 12 + 4 + 8 + 8 + 17);
    uint32_t childCount = 0;
    std::memcpy(&childCount, stream.Memory() + 32, 4);
    EXPECT_EQ(childCount, 2u);
}

TEST(NodeStream, VersionOneLoadsWithoutCountAndMapsItsStateByte) {
    TStreamBuilder v1;
    v1.Identifier(1);
    for (uint8_t states : {uint8_t{0x01}, uint8_t{0x81}}) { // initialised; initialised and selected
        v1.Open(1).Open(2).Put(uint32_t{0}).Put(uint32_t{25}).Put(states);
        v1.Put(uint8_t{50}).Put(uint8_t{csCheckedNormal}).Put(uint8_t{ctCheckBox}).Close().Close();
    }
    TLazyTreeModel tree;
    tree.Options().SelectionOptions.Include(toMultiSelect);
    rtl::TMemoryStream stream = v1.Stream();
    tree.LoadFromStream(stream);
    EXPECT_EQ(DumpTree(tree), "root h18 count 3 height 68 init kids open vis\n"
                              "  #0 h25 count 1 height 25 init vis\n"
                              "  #1 h25 count 1 height 25 init vis sel\n"
                              "visible 2\n");
    EXPECT_EQ(tree.GetFirstNoInit()->CheckState, csCheckedNormal);
    EXPECT_EQ(tree.SelectedCount(), 1u);
}

TEST(NodeStream, TransientStatesAreDroppedAndHeightsClamped) {
    const uint16_t states = 1u << nsInitialized | 1u << nsVisible | 1u << nsDeleting | 1u << nsToggling |
                            1u << nsClearing | 1u << nsChecking | 1u << nsCutOrCopy | 1u << nsHeightMeasured;
    TStreamBuilder b;
    b.Identifier().Count(1).Open(1).Open(2).Base(0, 70000, states, 200).Close().Close();
    TLazyTreeModel tree;
    rtl::TMemoryStream stream = b.Stream();
    tree.LoadFromStream(stream);
    PLazyNode node = tree.GetFirstNoInit();
    EXPECT_EQ(node->States, (TLazyNodeStates{nsInitialized, nsVisible}));
    EXPECT_EQ(node->NodeHeight, 65535);
    EXPECT_EQ(node->CheckState, csUncheckedNormal);
    EXPECT_EQ(CheckTree(tree), "");
}

TEST(NodeStream, FilteredNodesLoadWithoutHeightOrVisibleCount) {
    TStreamBuilder b;
    b.Identifier().Count(2).Leaf(30, 1u << nsInitialized | 1u << nsVisible | 1u << nsFiltered).Leaf(20);
    TLazyTreeModel tree;
    rtl::TMemoryStream stream = b.Stream();
    tree.LoadFromStream(stream);
    EXPECT_EQ(tree.VisibleCount(), 1u);
    EXPECT_EQ(tree.RootNode()->TotalHeight, 18u + 20u);
    EXPECT_EQ(CheckTree(tree), "");
}

TEST(NodeStream, UserDataHandlerReadingTooLittleOrTooMuchLeavesTheNextChunksIntact) {
    for (int32_t reads : {0, 2, 64}) {
        TIdTree source;
        Build(source);
        rtl::TMemoryStream stream = Saved(source.tree);
        TIdTree target;
        int calls = 0;
        target.tree.OnLoadNode = [&](TLazyTreeModel&, PLazyNode, rtl::TStream& s) {
            ++calls;
            std::string buffer(static_cast<std::size_t>(reads), '\0');
            s.Read(buffer.data(), reads);
        };
        target.tree.LoadFromStream(stream);
        EXPECT_EQ(calls, 6) << reads;
        EXPECT_EQ(DumpTree(target.tree), DumpTree(source.tree)) << reads;
    }
}

struct TBadStream {
    const char* name;
    std::string bytes;
    std::string message;
    int helpContext;
};

std::vector<TBadStream> BadStreams() {
    const auto nested = [](int depth) {
        TStreamBuilder b;
        b.Identifier().Count(1);
        for (int i = 0; i < depth; ++i)
            b.Open(1).Open(2).Base(1, 18, 1u << nsVisible);
        for (int i = 0; i < depth; ++i)
            b.Close().Close();
        return b.Bytes();
    };
    // A child claims ten bytes more than its parent's base chunk holds (but the stream has them).
    std::string overrun = TStreamBuilder()
                              .Identifier()
                              .Count(1)
                              .Open(1)
                              .Open(2)
                              .Base(1, 18, 0)
                              .Leaf()
                              .Close()
                              .Close()
                              .Leaf()
                              .Bytes();
    overrun[53] = 33 + 10;
    std::string overrun2 = TStreamBuilder().Identifier().Count(1).Leaf().Bytes();
    overrun2[28] = 10; // the base chunk is too small for its body
    return {
        {"short", TStreamBuilder().Identifier().Bytes().substr(0, 11), SStreamTooSmall, hcTFStreamTooSmall},
        {"identifier", TStreamBuilder().Identifier(2, u'X').Count(1).Leaf().Bytes(), SWrongStreamFormat,
         hcTFWrongStreamFormat},
        {"version 3", TStreamBuilder().Identifier(3).Count(1).Leaf().Bytes(), SWrongStreamVersion,
         hcTFWrongStreamVersion},
        {"no count", TStreamBuilder().Identifier().Bytes(), SStreamTooSmall, hcTFStreamTooSmall},
        {"no anchor", TStreamBuilder().Identifier().Count(1).Open(2).Base(0, 18, 0).Close().Bytes(),
         SCorruptStream1, hcTFCorruptStream1},
        {"bad second node", TStreamBuilder().Identifier().Count(2).Leaf().Open(7).Close().Bytes(),
         SCorruptStream1, hcTFCorruptStream1},
        {"truncated", TStreamBuilder().Identifier().Count(1).Leaf().Bytes().substr(0, 30), SStreamTooSmall,
         hcTFStreamTooSmall},
        {"chunk overruns anchor", overrun, SCorruptStream2, hcTFCorruptStream2},
        {"base too small", overrun2, SCorruptStream2, hcTFCorruptStream2},
        {"too deep", nested(600), SStreamTooDeep, hcTFCorruptStream2},
    };
}

TEST(NodeStream, MalformedStreamsRaiseAndLeaveTheTreeAsItWas) {
    for (const TBadStream& bad : BadStreams()) {
        TIdTree tree;
        Build(tree);
        const std::string before = DumpTree(tree.tree);
        rtl::TMemoryStream stream;
        stream.WriteString(bad.bytes);
        stream.SetPosition(0);
        try {
            tree.tree.LoadFromStream(stream);
            ADD_FAILURE() << bad.name << " loaded";
        } catch (const ELazyTreeError& e) {
            EXPECT_EQ(e.Message(), bad.message) << bad.name;
            EXPECT_EQ(e.HelpContext(), bad.helpContext) << bad.name;
        }
        EXPECT_EQ(DumpTree(tree.tree), before) << bad.name;
    }
}

TEST(NodeStream, EveryCutOfAStreamLoadsOrRaisesWithoutChangingTheTree) {
    TIdTree source;
    Build(source);
    const std::string bytes = Saved(source.tree).Bytes();
    for (std::size_t length = 0; length < bytes.size(); ++length) {
        TIdTree target;
        target.tree.SetRootNodeCount(1);
        const std::string before = DumpTree(target.tree);
        rtl::TMemoryStream stream;
        stream.WriteString(bytes.substr(0, length));
        stream.SetPosition(0);
        try {
            target.tree.LoadFromStream(stream);
        } catch (const rtl::Exception&) {
            EXPECT_EQ(DumpTree(target.tree), before) << length;
        }
        EXPECT_EQ(CheckTree(target.tree), "") << length;
    }
}

TEST(NodeStream, ReadOnlyTreeIgnoresLoading) {
    TIdTree source;
    Build(source);
    rtl::TMemoryStream stream = Saved(source.tree);
    TLazyTreeModel tree;
    tree.SetRootNodeCount(1);
    tree.Options().MiscOptions.Include(toReadOnly);
    tree.LoadFromStream(stream);
    EXPECT_EQ(tree.RootNodeCount(), 1u);
    EXPECT_EQ(stream.Position(), 0);
}

TEST(NodeStream, AddFromStreamAndSkipNodeWorkOnBareNodeChunks) {
    TIdTree source;
    Build(source);
    rtl::TMemoryStream chunks;
    for (PLazyNode run = source.tree.GetFirst(); run; run = run->NextSibling)
        source.tree.WriteChunks(chunks, run);
    chunks.SetPosition(0);
    source.tree.SkipNode(chunks);

    TIdTree target;
    target.tree.SetRootNodeCount(1);
    target.tree.InitializeChildren(nullptr, true);
    PLazyNode node = target.tree.AddChild(nullptr);
    target.tree.AddFromStream(chunks, TLazyTreeModel::kStreamVersion, node);
    EXPECT_EQ(target.Ids(), "100 104 ");
    EXPECT_EQ(CheckTree(target.tree), "");

    rtl::TMemoryStream notAnAnchor = TStreamBuilder().Open(2).Close().Stream();
    try {
        target.tree.SkipNode(notAnAnchor);
        ADD_FAILURE();
    } catch (const ELazyTreeError& e) {
        EXPECT_EQ(e.HelpContext(), hcTFCorruptStream1);
    }
}

// ---- Moving ----

TEST(MoveNode, OntoItsOwnDescendantRaises) {
    TIdTree source;
    Build(source);
    PLazyNode first = source.tree.GetFirst();
    try {
        source.tree.MoveNodeTo(first, ChildAt(ChildAt(first, 1), 0), amAddChildLast, false);
        ADD_FAILURE();
    } catch (const ELazyTreeError& e) {
        EXPECT_EQ(e.Message(), SWrongMoveError);
        EXPECT_EQ(e.HelpContext(), hcTFWrongMoveError);
    }
    EXPECT_EQ(CheckTree(source.tree), "");
}

TEST(MoveNode, WithinOneTreeRelinksAndReportsEachNode) {
    TIdTree tree;
    Build(tree);
    PLazyNode first = tree.tree.GetFirst();
    PLazyNode last = ChildAt(tree.tree.RootNode(), 2);
    std::vector<uint32_t> moved;
    tree.tree.OnNodeMoved = [&](TLazyTreeModel&, PLazyNode node) { moved.push_back(tree.Id(node)); };
    tree.tree.MoveNodeTo(last, first, amInsertBefore, false);
    EXPECT_EQ(tree.Ids(), "105 100 .101 .102 ..103 104 ");
    EXPECT_EQ(moved, std::vector<uint32_t>{105});
    EXPECT_EQ(CheckTree(tree.tree), "");
    tree.tree.MoveNodeTo(ChildAt(first, 1), nullptr, amAddChildLast, false); // nil: top level, first
    EXPECT_EQ(tree.Ids(), "102 .103 105 100 .101 104 ");
    EXPECT_EQ(CheckTree(tree.tree), "");
}

struct TChildrenMove {
    TVTNodeAttachMode mode;
    const char* sameTree;  // the children of 100 moved to 105
    const char* otherTree; // ... and to a tree of a node 1 with a child 2 (at 2 when inserting)
};

TEST(MoveNode, ChildrenKeepOrReverseTheirOrderByModeAndTree) {
    const TChildrenMove cases[] = {
        {amAddChildFirst, "100 104 105 .101 .102 ..103 ", "1 .102 ..103 .101 .2 "},
        {amAddChildLast, "100 104 105 .101 .102 ..103 ", "1 .2 .101 .102 ..103 "},
        {amInsertBefore, "100 104 101 102 .103 105 ", "1 .101 .102 ..103 .2 "},
        {amInsertAfter, "100 104 105 102 .103 101 ", "1 .2 .102 ..103 .101 "},
    };
    for (const TChildrenMove& c : cases) {
        TIdTree same;
        Build(same);
        same.tree.MoveNodeTo(same.tree.GetFirst(), ChildAt(same.tree.RootNode(), 2), c.mode, true);
        EXPECT_EQ(same.Ids(), c.sameTree) << int(c.mode);
        EXPECT_EQ(CheckTree(same.tree), "") << int(c.mode);

        TIdTree source;
        Build(source);
        TIdTree target;
        target.nextId = 1;
        target.tree.SetRootNodeCount(1);
        PLazyNode top = target.tree.GetFirst();
        target.tree.SetChildCount(top, 1);
        target.tree.InitializeChildren(top, true);
        target.tree.SetExpanded(top, true);
        PLazyNode destination = c.mode == amInsertBefore || c.mode == amInsertAfter ? top->FirstChild : top;
        int moved = 0;
        source.tree.OnNodeMoved = [&](TLazyTreeModel&, PLazyNode) { ++moved; };
        source.tree.MoveNodeTo(source.tree.GetFirst(), destination, c.mode, true);
        EXPECT_EQ(target.Ids(), c.otherTree) << int(c.mode);
        EXPECT_EQ(source.Ids(), "100 104 105 ") << int(c.mode);
        EXPECT_EQ(moved, 2);
        EXPECT_EQ(CheckTree(source.tree), "") << int(c.mode);
        EXPECT_EQ(CheckTree(target.tree), "") << int(c.mode);
    }
}

TEST(MoveNode, RefusedOrPointlessMovesChangeNothing) {
    TIdTree tree;
    Build(tree);
    PLazyNode first = tree.tree.GetFirst();
    tree.tree.OnNodeMoving = [](TLazyTreeModel&, PLazyNode, PLazyNode, bool& allowed) { allowed = false; };
    tree.tree.MoveNodeTo(first, ChildAt(tree.tree.RootNode(), 2), amInsertAfter, false);
    tree.tree.OnNodeMoving = nullptr;
    tree.tree.MoveNodeTo(first, first, amAddChildLast, false);
    tree.tree.MoveNodeTo(first, ChildAt(tree.tree.RootNode(), 2), amNoWhere, false);
    EXPECT_EQ(tree.Ids(), "100 .101 .102 ..103 104 105 ");
}

} // namespace
} // namespace lazytree
