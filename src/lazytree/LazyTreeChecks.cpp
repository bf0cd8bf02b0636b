#include "lazytree/LazyTreeModel.h"
#include "lazytree/ScopeExit.h"

namespace lazytree {

namespace {

bool IsBox(TCheckType type) {
    return type == ctTriStateCheckBox || type == ctCheckBox;
}

// Check image list indexes by row (check box, radio button, button) and state: disabled, enabled,
// enabled and hot.
constexpr int kCheckImages[3][6][3] = {
    {{12, 9, 10}, {12, 11, 11}, {16, 13, 14}, {16, 15, 15}, {20, 17, 18}, {20, 19, 19}},
    {{4, 1, 2}, {4, 3, 3}, {8, 5, 6}, {8, 7, 7}, {20, 17, 18}, {20, 19, 19}},
    {{24, 21, 22}, {24, 23, 23}, {24, 21, 22}, {24, 23, 23}, {20, 17, 18}, {20, 19, 19}},
};

} // namespace

TCheckState TLazyTreeModel::NextCheckState(TCheckType checkType, TCheckState checkState) {
    switch (checkType) {
    case ctTriStateCheckBox:
    case ctCheckBox:
        return checkState == csCheckedNormal ? csUncheckedNormal : csCheckedNormal;
    case ctRadioButton:
        return csCheckedNormal; // a click never unchecks a radio button
    case ctButton:
        return csUncheckedNormal;
    case ctNone:
        break;
    }
    return csMixedNormal;
}

// The states come in pairs, normal before pressed.
TCheckState TLazyTreeModel::PressedCheckState(TCheckState state) {
    return static_cast<TCheckState>(state | 1);
}

TCheckState TLazyTreeModel::ReleasedCheckState(TCheckState state) {
    return static_cast<TCheckState>(state & ~1);
}

int TLazyTreeModel::GetCheckImage(PLazyNode node, TCheckType imgCheckType, TCheckState imgCheckState,
                                  bool imgEnabled) const {
    bool hot = false;
    if (node) {
        imgCheckType = node->CheckType;
        imgCheckState = node->CheckState;
        imgEnabled = !node->States.Contains(nsDisabled) && enabled_;
        hot = node == hotNode_;
    }
    int row = 0;
    switch (imgCheckType) {
    case ctNone:
        return -1;
    case ctTriStateCheckBox:
    case ctCheckBox:
        row = 0;
        break;
    case ctRadioButton:
        row = 1;
        break;
    case ctButton:
        row = 2;
        break;
    }
    return kCheckImages[row][imgCheckState][imgEnabled ? (hot ? 2 : 1) : 0];
}

void TLazyTreeModel::SetCheckState(PLazyNode node, TCheckState value) {
    if (!node || node == root_ || value == node->CheckState || node->States.Contains(nsDisabled)) return;
    if (DoChecking(node, value)) DoCheckClick(node, value);
}

bool TLazyTreeModel::ChangeCheckState(PLazyNode node, TCheckState value) {
    if (node->States.Contains(nsChecking)) return false; // its change is under way
    node->States.Include(nsChecking);
    EnsureInitialized(node);
    if (checkPropagationCount_++ == 0) DoStateChange({tsCheckPropagation});
    TScopeExit done([this, node] {
        node->States.Exclude(nsChecking);
        if (--checkPropagationCount_ == 0) DoStateChange({}, {tsCheckPropagation});
    });

    const bool tracking = options_.AutoOptions.Contains(toAutoTristateTracking);
    if (node->CheckType == ctTriStateCheckBox && tracking &&
        (value == csUncheckedNormal || value == csCheckedNormal) && node->States.Contains(nsHasChildren)) {
        EnsureChildrenCounted(node);
        bool anyMixed = false, anyChecked = false, anyUnchecked = false;
        for (PLazyNode child = node->FirstChild; child; child = child->NextSibling) {
            if (!IsBox(child->CheckType)) continue; // only boxes take the parent's state or give theirs
            SetCheckState(child, value);            // a refusing or disabled child keeps its state
            anyMixed |= child->CheckState == csMixedNormal;
            anyChecked |= child->CheckState == csCheckedNormal;
            anyUnchecked |= child->CheckState == csUncheckedNormal;
        }
        if (anyMixed)
            value = csMixedNormal;
        else if (anyChecked)
            value = anyUnchecked ? csMixedNormal : csCheckedNormal;
    } else if (node->CheckType == ctRadioButton && value == csCheckedNormal) {
        // Siblings drop out silently: only the checked button reports.
        for (PLazyNode sibling = node->Parent->FirstChild; sibling; sibling = sibling->NextSibling)
            if (sibling->CheckType == ctRadioButton) sibling->CheckState = csUncheckedNormal;
        if (HandleAllocated() && updateCount_ == 0) host_->Invalidate(nullptr);
    }
    node->CheckState = value;

    PLazyNode parent = node->Parent;
    bool result = true;
    if (parent != root_) {
        EnsureInitialized(parent);
        if (tracking && !parent->States.Contains(nsChecking) && !parent->States.Contains(nsDisabled) &&
            IsBox(node->CheckType) && parent->CheckType == ctTriStateCheckBox)
            result = CheckParentCheckState(node, value);
    }
    InvalidateNode(node);
    return result;
}

bool TLazyTreeModel::CheckParentCheckState(PLazyNode node, TCheckState newCheckState) {
    PLazyNode parent = node->Parent;
    int boxes = 0, checked = 0;
    bool partial = false;
    for (PLazyNode child = parent->FirstChild; child; child = child->NextSibling) {
        if (!IsBox(child->CheckType)) continue;
        ++boxes;
        // The node's own state may not be stored yet.
        const TCheckState state = child == node ? newCheckState : child->CheckState;
        if (state == csCheckedNormal || state == csCheckedPressed) ++checked;
        partial |= state == csMixedNormal;
    }
    TCheckState state = csCheckedNormal;
    if (checked == 0 && !partial)
        state = csUncheckedNormal;
    else if (checked < boxes)
        state = csMixedNormal;
    if (!DoChecking(parent, state)) return false;
    DoCheckClick(parent, state);
    PLazyNode grandparent = parent->Parent;
    if (grandparent == root_) return true;
    EnsureInitialized(grandparent);
    if (!grandparent->States.Contains(nsChecking) && !grandparent->States.Contains(nsDisabled) &&
        grandparent->CheckType == ctTriStateCheckBox)
        return CheckParentCheckState(parent, state);
    return true;
}

void TLazyTreeModel::StartCheckPending(PLazyNode node, bool byKey) {
    if (states_.Contains(tsKeyCheckPending) || states_.Contains(tsMouseCheckPending) || !node ||
        node->States.Contains(nsDisabled))
        return;
    TCheckState newState = NextCheckState(node->CheckType, node->CheckState);
    if (!DoChecking(node, newState)) return;
    DoStateChange({byKey ? tsKeyCheckPending : tsMouseCheckPending});
    checkNode_ = node;
    pendingCheckState_ = newState;
    node->CheckState = PressedCheckState(node->CheckState);
    InvalidateNode(node);
}

void TLazyTreeModel::EndCheckPending(bool overCheckNode) {
    const TLazyTreeState pending =
        states_.Contains(tsKeyCheckPending) ? tsKeyCheckPending : tsMouseCheckPending;
    if (!states_.Contains(pending)) return;
    DoStateChange({}, {pending});
    PLazyNode node = checkNode_;
    checkNode_ = nullptr;
    if (!node) return; // removed while pressed
    if (overCheckNode)
        DoCheckClick(node, pendingCheckState_);
    else
        node->CheckState = ReleasedCheckState(node->CheckState);
    InvalidateNode(node);
}

} // namespace lazytree
