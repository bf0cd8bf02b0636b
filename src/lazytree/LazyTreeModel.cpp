#include "lazytree/LazyTreeModel.h"

#include "lazytree/LazyTreeError.h"
#include "lazytree/ScopeExit.h"
#include "platform/rtl/Exception.h"
#include "platform/ui/Timers.h"

#include <cstdlib>
#include <cstring>
#include <new>

namespace lazytree {

TLazyTreeModel::TLazyTreeModel(ITreeHost* host) : host_(host) {
    CreateRootNode();
}

TLazyTreeModel::~TLazyTreeModel() {
    ui::Timers().KillTimers(this);
    ForgetClipboardReference();
    // Frees every node through the normal path so that OnFreeNode sees what it should; read-only
    // trees are cleared all the same.
    options_.MiscOptions.Exclude(toReadOnly);
    focusedNode_ = nullptr; // forgotten without focus events
    if (root_->ChildCount > 0) {
        updateCount_++;
        RemoveChildren(root_, true);
    }
    std::free(root_);
}

// --- Node blocks ------------------------------------------------------------------------------------

PLazyNode TLazyTreeModel::CreateNodeBlock() {
    if (nodeDataSize_ == -1) {
        int size = -1;
        DoGetNodeDataSize(size);
        nodeDataSize_ = size < -1 ? -1 : size;
    }
    const std::size_t size =
        kNodeHeaderSize + totalInternalDataSize_ + (nodeDataSize_ > 0 ? nodeDataSize_ : 0);
    auto* node = static_cast<PLazyNode>(std::calloc(1, size));
    if (!node) throw std::bad_alloc();
    node->TotalCount = 1;
    node->NodeHeight = static_cast<uint16_t>(defaultNodeHeight_);
    node->TotalHeight = static_cast<uint32_t>(defaultNodeHeight_);
    node->States = {nsVisible};
    node->Align = kDefaultNodeAlign;
    return node;
}

void TLazyTreeModel::CreateRootNode() {
    const std::size_t size = kNodeHeaderSize + totalInternalDataSize_;
    auto* root = static_cast<PLazyNode>(std::calloc(1, size));
    if (!root) throw std::bad_alloc();
    if (root_) { // re-created at a larger block size: keep the header, zero the new areas
        *root = *root_;
        std::free(root_);
    }
    root_ = root;
    root_->PrevSibling = root_;
    root_->NextSibling = root_;
    root_->Parent = nullptr;
    root_->Owner = this;
    root_->States = {nsInitialized, nsExpanded, nsHasChildren, nsVisible};
    root_->TotalCount = 1;
    root_->NodeHeight = static_cast<uint16_t>(defaultNodeHeight_);
    root_->TotalHeight = static_cast<uint32_t>(defaultNodeHeight_);
    root_->Align = kDefaultNodeAlign;
}

void TLazyTreeModel::FreeNodeBlock(PLazyNode node) {
    std::free(node);
}

std::size_t TLazyTreeModel::AllocateInternalDataArea(std::size_t size) {
    RTL_ASSERT_MSG(root_->ChildCount == 0,
                   "Internal data allocation must be done before any node is created.");
    const std::size_t offset = kNodeHeaderSize + totalInternalDataSize_;
    // Areas keep the alignment of the header, so any value can live in them.
    totalInternalDataSize_ += (size + 15) / 16 * 16;
    CreateRootNode();
    return offset;
}

void* TLazyTreeModel::GetNodeData(PLazyNode node) const {
    // A tree without user data answers nil; one whose size is still unknown is a programming error.
    RTL_ASSERT_MSG(nodeDataSize_ != -1, "NodeDataSize not initialized.");
    if (!node || node == root_ || nodeDataSize_ <= 0) return nullptr;
    return node->Data() + totalInternalDataSize_;
}

// --- Counters ---------------------------------------------------------------------------------------

void TLazyTreeModel::PropagateTotalCount(PLazyNode node, int64_t value, bool relative) {
    const int64_t difference = relative ? value : value - node->TotalCount;
    if (difference == 0) return;
    for (; node; node = node->Parent)
        node->TotalCount = static_cast<uint32_t>(node->TotalCount + difference);
}

void TLazyTreeModel::PropagateTotalHeight(PLazyNode node, int64_t value, bool relative) {
    const int64_t difference = relative ? value : value - node->TotalHeight;
    if (difference == 0) return;
    // An invisible node keeps its own total; an invisible or collapsed link ends the walk.
    while (node && node->States.Contains(nsVisible)) {
        node->TotalHeight = static_cast<uint32_t>(node->TotalHeight + difference);
        if (node == root_ || !node->Parent || !node->Parent->States.Contains(nsExpanded)) break;
        node = node->Parent;
    }
}

void TLazyTreeModel::RecountTotals(PLazyNode node) {
    for (PLazyNode child = node->FirstChild; child; child = child->NextSibling) {
        RecountTotals(child);
        node->TotalCount += child->TotalCount;
    }
}

void TLazyTreeModel::RecomputeTotalHeights(PLazyNode node) {
    const bool expanded = node->States.Contains(nsExpanded);
    for (PLazyNode child = node->FirstChild; child; child = child->NextSibling) {
        RecomputeTotalHeights(child);
        if (expanded && IsEffectivelyVisible(child)) node->TotalHeight += child->TotalHeight;
    }
}

void TLazyTreeModel::ResizeChildList(PLazyNode node, uint32_t newCount) {
    if (ReadOnly()) return;
    if (!node) node = root_;
    if (newCount == 0) {
        RemoveChildren(node);
        return;
    }
    if (newCount == node->ChildCount) return;
    // New children come after the last one; removed ones cut the cache themselves.
    InvalidateCache(node->LastChild ? node->LastChild : node);
    if (newCount > node->ChildCount) {
        uint32_t index = node->LastChild ? node->LastChild->Index + 1 : 0;
        if (!node->LastChild) node->States.Include(nsHasChildren);
        node->States.Exclude(nsAllChildrenHidden).Exclude(nsHeightMeasured);
        const uint32_t added = newCount - node->ChildCount;
        int64_t heights = 0;
        for (uint32_t i = 0; i < added; ++i) {
            PLazyNode child = CreateNodeBlock();
            child->Index = index++;
            child->Parent = node;
            child->PrevSibling = node->LastChild;
            if (node->LastChild) node->LastChild->NextSibling = child;
            if (!node->FirstChild) node->FirstChild = child;
            node->LastChild = child;
            heights += child->NodeHeight;
        }
        if (node->States.Contains(nsExpanded)) {
            PropagateTotalHeight(node, heights, true);
            if (IsFullyShown(node) && !IsEffectivelyFiltered(node)) visibleCount_ += added;
        }
        PropagateTotalCount(node, added, true);
        node->ChildCount = newCount;
    } else {
        // One change for the whole resize: the per-child deletions are not reported.
        {
            node->States.Include(nsClearing);
            TScopeExit cleared([node] { node->States.Exclude(nsClearing); });
            while (node->ChildCount > newCount)
                RemoveNode(node->LastChild, true);
        }
        if (node != root_) UpdateHiddenChildrenFlag(node);
    }
    if (updateCount_ == 0) {
        UpdateScrollBars();
        if (host_) host_->Invalidate(nullptr);
    }
    // Reported as added also when children were removed: the count is what changed.
    StructureChange(ReportedNode(node), crChildAdded);
}

void TLazyTreeModel::SetChildCount(PLazyNode node, uint32_t count) {
    ResizeChildList(node, count);
}

void TLazyTreeModel::SetRootNodeCount(uint32_t value) {
    if (value == root_->ChildCount || ReadOnly()) return;
    BeginUpdate();
    ResizeChildList(root_, value);
    EndUpdate();
}

void TLazyTreeModel::SetNodeDataSize(int value) {
    if (value < -1) value = -1;
    if (value == nodeDataSize_) return;
    const uint32_t count = root_->ChildCount;
    Clear();
    nodeDataSize_ = value;
    SetRootNodeCount(count);
}

void TLazyTreeModel::ChangeNodeHeight(PLazyNode node, int height) {
    if (!node || node == root_ || height == node->NodeHeight || ReadOnly()) return;
    const int64_t difference = height - node->NodeHeight;
    node->NodeHeight = static_cast<uint16_t>(height);
    PropagateTotalHeight(node, difference, true);
    if (!IsFullyShown(node) || IsEffectivelyFiltered(node)) return;
    InvalidateCache(node); // positions below the node moved
    if (updateCount_ == 0) {
        InvalidateToBottom(node);
        UpdateScrollBars();
    }
}

// --- Order and visibility -----------------------------------------------------------------------------

TLazyTreeModel* TLazyTreeModel::OwnerTreeOfNode(PLazyNode node) {
    RTL_ASSERT_MSG(node, "Node must not be nil.");
    while (node && !node->IsRoot())
        node = node->Parent;
    return node ? node->Owner : nullptr;
}

int TLazyTreeModel::CompareTreeOrder(PLazyNode node1, PLazyNode node2, bool childrenAbove) const {
    RTL_ASSERT_MSG(node1 && node2, "Nodes must never be nil.");
    if (node1 == node2) return 0;
    const bool above = ChildrenAboveOn(childrenAbove);
    if (HasAsParent(node1, node2)) return above ? -1 : 1;
    if (HasAsParent(node2, node1)) return above ? 1 : -1;
    int level1 = GetNodeLevel(node1);
    int level2 = GetNodeLevel(node2);
    for (; level1 > level2; --level1)
        node1 = node1->Parent;
    for (; level2 > level1; --level2)
        node2 = node2->Parent;
    while (node1->Parent != node2->Parent) {
        node1 = node1->Parent;
        node2 = node2->Parent;
    }
    return static_cast<int>(node1->Index) - static_cast<int>(node2->Index);
}

bool TLazyTreeModel::IsEffectivelyFiltered(PLazyNode node) const {
    return node && node->States.Contains(nsFiltered) && !options_.PaintOptions.Contains(toShowHiddenNodes);
}

bool TLazyTreeModel::IsEffectivelyVisible(PLazyNode node) const {
    return node && node->States.Contains(nsVisible) && !IsEffectivelyFiltered(node);
}

bool TLazyTreeModel::IsFullyShown(PLazyNode node) const {
    RTL_ASSERT_MSG(node, "Invalid parameter.");
    return node->States.Contains(nsVisible) && (node == root_ || AncestorsExpanded(node));
}

bool TLazyTreeModel::AncestorsExpanded(PLazyNode node) const {
    RTL_ASSERT_MSG(node && node != root_, "Invalid parameters.");
    PLazyNode run = node->Parent;
    while (run != root_ && run->States.Contains(nsExpanded) && run->States.Contains(nsVisible))
        run = run->Parent;
    return run == root_;
}

bool TLazyTreeModel::NodeShownAfterInit(PLazyNode node) {
    if (!node) node = root_;
    EnsureInitialized(node);
    return node->States.Contains(nsVisible);
}

int TLazyTreeModel::CompactSelection(PLazyNode* nodes, int count) {
    if (count == 0) return -1;
    int kept = 0;
    for (int i = 0; i < count; ++i)
        if ((reinterpret_cast<std::uintptr_t>(nodes[i]) & 1) == 0) nodes[kept++] = nodes[i];
    return kept;
}

int TLazyTreeModel::DoGetNodeWidth(PLazyNode, int) {
    return 0;
}

} // namespace lazytree
