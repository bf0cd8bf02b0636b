// The walkers. The initialising forms initialise every node they return and count the children of a
// node before stepping into it; the no-init forms look only at what exists and never call back into
// the application.
#include "lazytree/LazyTreeModel.h"
#include "platform/rtl/Exception.h"

namespace lazytree {

namespace {

constexpr const char* SNotRoot = "Node must not be the hidden root node.";

} // namespace

// DeepestFirstDescendant without initialising changes nothing, so the const walkers may use it.
#define LT_MUTABLE const_cast<TLazyTreeModel*>(this)

PLazyNode TLazyTreeModel::DeepestFirstDescendant(PLazyNode node, bool init) {
    // Along expanded first children: what a children-above display shows first.
    while (node && node->States.Contains(nsExpanded)) {
        if (init) EnsureChildrenCounted(node);
        if (!node->FirstChild) break;
        node = node->FirstChild;
        if (init) EnsureInitialized(node);
    }
    return node;
}

PLazyNode TLazyTreeModel::GetFirst(bool considerChildrenAbove) {
    PLazyNode first = GetFirstChild(nullptr);
    return ChildrenAboveOn(considerChildrenAbove) ? DeepestFirstDescendant(first, true) : first;
}

PLazyNode TLazyTreeModel::GetFirstNoInit(bool considerChildrenAbove) const {
    if (ChildrenAboveOn(considerChildrenAbove) && !root_->States.Contains(nsHasChildren)) return nullptr;
    PLazyNode first = root_->FirstChild;
    return ChildrenAboveOn(considerChildrenAbove) ? LT_MUTABLE->DeepestFirstDescendant(first, false) : first;
}

PLazyNode TLazyTreeModel::GetFirstChild(PLazyNode node) {
    if (!node) node = root_;
    EnsureInitialized(node);
    EnsureChildrenCounted(node);
    EnsureInitialized(node->FirstChild);
    return node->FirstChild;
}

PLazyNode TLazyTreeModel::GetFirstInitialized(bool considerChildrenAbove) const {
    PLazyNode first = GetFirstNoInit(considerChildrenAbove);
    if (first && !first->States.Contains(nsInitialized))
        first = GetNextInitialized(first, considerChildrenAbove);
    return first;
}

PLazyNode TLazyTreeModel::GetFirstSelected(bool considerChildrenAbove) {
    return GetNextSelected(nullptr, considerChildrenAbove);
}

PLazyNode TLazyTreeModel::GetFirstCutCopy(bool considerChildrenAbove) {
    return GetNextCutCopy(nullptr, considerChildrenAbove);
}

// --- Tree order -------------------------------------------------------------------------------------

PLazyNode TLazyTreeModel::GetNext(PLazyNode node, bool considerChildrenAbove) {
    RTL_ASSERT_MSG(node != root_, SNotRoot);
    if (!node) return nullptr;
    PLazyNode result = nullptr;
    if (ChildrenAboveOn(considerChildrenAbove)) {
        if (node->NextSibling) {
            result = node->NextSibling;
            EnsureInitialized(result);
            for (;;) {
                EnsureChildrenCounted(result);
                if (!result->FirstChild) break;
                result = result->FirstChild;
                EnsureInitialized(result);
            }
        } else if (node->Parent != root_) {
            result = node->Parent;
        }
    } else {
        EnsureChildrenCounted(node);
        if (node->FirstChild) {
            result = node->FirstChild;
        } else {
            for (PLazyNode run = node; run != root_ && !result; run = run->Parent)
                result = run->NextSibling;
        }
    }
    EnsureInitialized(result);
    return result;
}

PLazyNode TLazyTreeModel::GetNextNoInit(PLazyNode node, bool considerChildrenAbove) const {
    RTL_ASSERT_MSG(node != root_, SNotRoot);
    if (!node) return nullptr;
    if (ChildrenAboveOn(considerChildrenAbove)) {
        if (node->NextSibling) {
            PLazyNode result = node->NextSibling;
            while (result->FirstChild)
                result = result->FirstChild;
            return result;
        }
        return node->Parent != root_ ? node->Parent : nullptr;
    }
    if (node->FirstChild) return node->FirstChild;
    for (PLazyNode run = node; run != root_; run = run->Parent)
        if (run->NextSibling) return run->NextSibling;
    return nullptr;
}

PLazyNode TLazyTreeModel::GetNextInitialized(PLazyNode node, bool considerChildrenAbove) const {
    do
        node = GetNextNoInit(node, considerChildrenAbove);
    while (node && !node->States.Contains(nsInitialized));
    return node;
}

PLazyNode TLazyTreeModel::GetNextSelected(PLazyNode node, bool considerChildrenAbove) {
    PackSelection();
    if (selection_.empty()) return nullptr;
    node = node ? GetNextNoInit(node, considerChildrenAbove) : GetFirstNoInit(considerChildrenAbove);
    while (node && !node->States.Contains(nsSelected))
        node = GetNextNoInit(node, considerChildrenAbove);
    EnsureInitialized(node);
    return node;
}

PLazyNode TLazyTreeModel::GetNextCutCopy(PLazyNode node, bool considerChildrenAbove) {
    if (!states_.Contains(tsCutPending) && !states_.Contains(tsCopyPending)) return nullptr;
    node = node ? GetNextNoInit(node, considerChildrenAbove) : GetFirstNoInit(considerChildrenAbove);
    while (node && !node->States.Contains(nsCutOrCopy))
        node = GetNextNoInit(node, considerChildrenAbove);
    EnsureInitialized(node);
    return node;
}

PLazyNode TLazyTreeModel::GetNextSibling(PLazyNode node) {
    PLazyNode result = node ? node->NextSibling : nullptr;
    EnsureInitialized(result);
    return result;
}

PLazyNode TLazyTreeModel::GetPreviousSibling(PLazyNode node) {
    PLazyNode result = node ? node->PrevSibling : nullptr;
    EnsureInitialized(result);
    return result;
}

PLazyNode TLazyTreeModel::GetLast(PLazyNode node, bool considerChildrenAbove) {
    PLazyNode result = GetLastChild(node);
    if (ChildrenAboveOn(considerChildrenAbove)) return result;
    for (PLazyNode next = result; next; next = GetLastChild(result))
        result = next;
    return result;
}

PLazyNode TLazyTreeModel::GetLastNoInit(PLazyNode node, bool considerChildrenAbove) const {
    PLazyNode result = GetLastChildNoInit(node);
    if (ChildrenAboveOn(considerChildrenAbove)) return result;
    while (result && result->LastChild)
        result = result->LastChild;
    return result;
}

PLazyNode TLazyTreeModel::GetLastChild(PLazyNode node) {
    if (!node) node = root_;
    EnsureInitialized(node);
    EnsureChildrenCounted(node);
    EnsureInitialized(node->LastChild);
    return node->LastChild;
}

PLazyNode TLazyTreeModel::GetLastChildNoInit(PLazyNode node) const {
    return (node ? node : root_)->LastChild;
}

PLazyNode TLazyTreeModel::GetPrevious(PLazyNode node, bool considerChildrenAbove) {
    RTL_ASSERT_MSG(node != root_, SNotRoot);
    if (!node) return nullptr;
    PLazyNode result = nullptr;
    if (ChildrenAboveOn(considerChildrenAbove)) {
        EnsureChildrenCounted(node);
        if (node->LastChild) {
            result = node->LastChild;
        } else {
            for (PLazyNode run = node; run != root_ && !result; run = run->Parent)
                result = run->PrevSibling;
        }
    } else if (node->PrevSibling) {
        result = GetLast(node->PrevSibling);
        if (!result) result = node->PrevSibling;
    } else if (node->Parent != root_) {
        result = node->Parent;
    }
    EnsureInitialized(result);
    return result;
}

PLazyNode TLazyTreeModel::GetPreviousNoInit(PLazyNode node, bool considerChildrenAbove) const {
    RTL_ASSERT_MSG(node != root_, SNotRoot);
    if (!node) return nullptr;
    if (ChildrenAboveOn(considerChildrenAbove)) {
        if (node->LastChild) return node->LastChild;
        for (PLazyNode run = node; run != root_; run = run->Parent)
            if (run->PrevSibling) return run->PrevSibling;
        return nullptr;
    }
    if (node->PrevSibling) {
        PLazyNode result = GetLastNoInit(node->PrevSibling);
        return result ? result : node->PrevSibling;
    }
    return node->Parent != root_ ? node->Parent : nullptr;
}

// --- Visible nodes ----------------------------------------------------------------------------------

PLazyNode TLazyTreeModel::GetFirstVisibleChild(PLazyNode node, bool includeFiltered) {
    EnsureInitialized(node);
    EnsureChildrenCounted(node);
    PLazyNode child = GetFirstVisibleChildNoInit(node, includeFiltered);
    EnsureInitialized(child);
    return child;
}

PLazyNode TLazyTreeModel::GetFirstVisibleChildNoInit(PLazyNode node, bool includeFiltered) const {
    PLazyNode child = (node ? node : root_)->FirstChild;
    if (child && !Listed(child, includeFiltered)) child = GetNextVisibleSiblingNoInit(child, includeFiltered);
    return child;
}

PLazyNode TLazyTreeModel::VisibleSiblingNoInit(PLazyNode node, bool includeFiltered,
                                               PLazyNode TLazyNode::*step) const {
    RTL_ASSERT_MSG(node && node != root_, "Invalid parameter.");
    do
        node = node->*step;
    while (node && !Listed(node, includeFiltered));
    return node;
}

PLazyNode TLazyTreeModel::GetNextVisibleSibling(PLazyNode node, bool includeFiltered) {
    PLazyNode result = GetNextVisibleSiblingNoInit(node, includeFiltered);
    EnsureInitialized(result);
    return result;
}

PLazyNode TLazyTreeModel::GetNextVisibleSiblingNoInit(PLazyNode node, bool includeFiltered) const {
    return VisibleSiblingNoInit(node, includeFiltered, &TLazyNode::NextSibling);
}

PLazyNode TLazyTreeModel::GetPreviousVisibleSibling(PLazyNode node, bool includeFiltered) {
    PLazyNode result = GetPreviousVisibleSiblingNoInit(node, includeFiltered);
    EnsureInitialized(result);
    return result;
}

PLazyNode TLazyTreeModel::GetPreviousVisibleSiblingNoInit(PLazyNode node, bool includeFiltered) const {
    return VisibleSiblingNoInit(node, includeFiltered, &TLazyNode::PrevSibling);
}

PLazyNode TLazyTreeModel::GetLastVisibleChild(PLazyNode node, bool includeFiltered) {
    EnsureInitialized(node);
    EnsureChildrenCounted(node);
    PLazyNode child = GetLastVisibleChildNoInit(node, includeFiltered);
    EnsureInitialized(child);
    return child;
}

PLazyNode TLazyTreeModel::GetLastVisibleChildNoInit(PLazyNode node, bool includeFiltered) const {
    if (!node) node = root_;
    if (node != root_ && !(IsFullyShown(node) && node->States.Contains(nsExpanded))) return nullptr;
    PLazyNode child = node->LastChild;
    if (child && !Listed(child, includeFiltered))
        child = GetPreviousVisibleSiblingNoInit(child, includeFiltered);
    return child;
}

PLazyNode TLazyTreeModel::GetLastVisible(PLazyNode node, bool considerChildrenAbove, bool includeFiltered) {
    PLazyNode result = GetLastVisibleChild(node, includeFiltered);
    if (ChildrenAboveOn(considerChildrenAbove)) return result;
    for (PLazyNode next = result; next; next = GetLastVisibleChild(result, includeFiltered))
        result = next;
    return result;
}

PLazyNode TLazyTreeModel::GetLastVisibleNoInit(PLazyNode node, bool considerChildrenAbove,
                                               bool includeFiltered) const {
    PLazyNode result = GetLastVisibleChildNoInit(node, includeFiltered);
    if (ChildrenAboveOn(considerChildrenAbove)) return result;
    for (PLazyNode next = result; next; next = GetLastVisibleChildNoInit(result, includeFiltered))
        result = next;
    return result;
}

PLazyNode TLazyTreeModel::GetVisibleParent(PLazyNode node, bool includeFiltered) const {
    RTL_ASSERT_MSG(node, "Node must not be nil.");
    RTL_ASSERT_MSG(node != root_, SNotRoot);
    PLazyNode run = node->Parent;
    while (run != root_ && !(IsFullyShown(run) && (includeFiltered || !IsEffectivelyFiltered(run))))
        run = run->Parent;
    return run;
}

// The initialising visible walkers: what the no-init walk finds, initialised. Expanded nodes always
// have their children counted, so the walk itself needs no initialisation.
PLazyNode TLazyTreeModel::GetFirstVisible(PLazyNode node, bool considerChildrenAbove, bool includeFiltered) {
    EnsureInitialized(node);
    EnsureChildrenCounted(node);
    PLazyNode result = GetFirstVisibleNoInit(node, considerChildrenAbove, includeFiltered);
    EnsureInitialized(result);
    return result;
}

PLazyNode TLazyTreeModel::GetFirstVisibleNoInit(PLazyNode node, bool considerChildrenAbove,
                                                bool includeFiltered) const {
    if (!node) node = root_;
    PLazyNode result = node->FirstChild;
    for (PLazyNode run = node; result && !result->States.Contains(nsVisible);) {
        result = GetNextVisibleSiblingNoInit(result, true);
        while (!result && run != root_) {
            result = run->NextSibling;
            run = run->Parent;
        }
    }
    if (result && ChildrenAboveOn(considerChildrenAbove))
        result = LT_MUTABLE->DeepestFirstDescendant(result, false);
    if (result && !includeFiltered && IsEffectivelyFiltered(result))
        result = GetNextVisibleNoInit(result, considerChildrenAbove);
    return result;
}

PLazyNode TLazyTreeModel::GetNextVisible(PLazyNode node, bool considerChildrenAbove) {
    PLazyNode result = GetNextVisibleNoInit(node, considerChildrenAbove);
    EnsureInitialized(result);
    return result;
}

PLazyNode TLazyTreeModel::GetNextVisibleNoInit(PLazyNode node, bool considerChildrenAbove) const {
    RTL_ASSERT_MSG(node != root_, SNotRoot);
    if (!node) return nullptr;
    const bool above = ChildrenAboveOn(considerChildrenAbove);
    bool enter = true;
    while (node->Parent != root_ &&
           !(IsFullyShown(node->Parent) && node->Parent->States.Contains(nsExpanded))) {
        node = node->Parent;
        enter = false;
    }
    if (!node->States.Contains(nsVisible)) enter = false;
    do {
        PLazyNode next = nullptr;
        if (above) {
            next = node->NextSibling;
            while (next && !next->States.Contains(nsVisible))
                next = next->NextSibling;
            if (next) {
                if (IsEffectivelyVisible(next)) next = LT_MUTABLE->DeepestFirstDescendant(next, false);
            } else if (node->Parent != root_) {
                next = node->Parent;
            }
        } else {
            if (enter && IsEffectivelyVisible(node) && node->States.Contains(nsExpanded)) {
                next = node->FirstChild;
                if (next && !next->States.Contains(nsVisible)) next = GetNextVisibleSiblingNoInit(next, true);
            }
            for (PLazyNode run = node; !next && run != root_; run = run->Parent)
                next = GetNextVisibleSiblingNoInit(run, true);
        }
        node = next;
        enter = true;
    } while (node && !IsEffectivelyVisible(node));
    return node;
}

PLazyNode TLazyTreeModel::GetPreviousVisible(PLazyNode node, bool considerChildrenAbove) {
    PLazyNode result = GetPreviousVisibleNoInit(node, considerChildrenAbove);
    EnsureInitialized(result);
    return result;
}

PLazyNode TLazyTreeModel::GetPreviousVisibleNoInit(PLazyNode node, bool considerChildrenAbove) const {
    RTL_ASSERT_MSG(node != root_, SNotRoot);
    if (!node) return nullptr;
    const bool above = ChildrenAboveOn(considerChildrenAbove);
    while (node->Parent != root_ &&
           !(IsFullyShown(node->Parent) && node->Parent->States.Contains(nsExpanded)))
        node = node->Parent;
    bool enter = true;
    do {
        PLazyNode previous = nullptr;
        if (above) {
            if (enter && IsEffectivelyVisible(node) && node->States.Contains(nsExpanded))
                previous = GetLastVisibleChildNoInit(node, true);
            for (PLazyNode run = node; !previous && run != root_; run = run->Parent)
                previous = GetPreviousVisibleSiblingNoInit(run, true);
        } else {
            previous = GetPreviousVisibleSiblingNoInit(node, true);
            if (previous) {
                // Its last visible descendant along expanded, shown nodes.
                while (IsEffectivelyVisible(previous) && previous->States.Contains(nsExpanded)) {
                    PLazyNode last = GetLastVisibleChildNoInit(previous, true);
                    if (!last) break;
                    previous = last;
                }
            } else if (node->Parent != root_) {
                previous = node->Parent;
            }
        }
        node = previous;
        enter = false;
    } while (node && !IsEffectivelyVisible(node));
    return node;
}

// --- Collectors -------------------------------------------------------------------------------------

namespace {

std::vector<PLazyNode> CollectInTreeOrder(const TLazyTreeModel& tree, TLazyNodeState mark, bool resolve,
                                          std::size_t expected) {
    std::vector<PLazyNode> result;
    result.reserve(expected);
    PLazyNode node = tree.GetFirstNoInit();
    while (node) {
        if (node->States.Contains(mark)) {
            result.push_back(node);
            if (resolve) {
                // Skip the subtree: its nodes go with their marked ancestor.
                PLazyNode next = nullptr;
                for (PLazyNode run = node; !next && run != tree.RootNode(); run = run->Parent)
                    next = run->NextSibling;
                node = next;
                continue;
            }
        }
        node = tree.GetNextNoInit(node);
    }
    return result;
}

} // namespace

std::vector<PLazyNode> TLazyTreeModel::GetSortedSelection(bool resolve) const {
    LT_MUTABLE->PackSelection();
    return CollectInTreeOrder(*this, nsSelected, resolve, selection_.size());
}

std::vector<PLazyNode> TLazyTreeModel::GetSortedCutCopySet(bool resolve) const {
    return CollectInTreeOrder(*this, nsCutOrCopy, resolve, 100);
}

#undef LT_MUTABLE

} // namespace lazytree
