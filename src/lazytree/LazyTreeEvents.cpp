#include "lazytree/LazyTreeModel.h"

namespace lazytree {

void TLazyTreeModel::DoGetNodeDataSize(int& nodeDataSize) {
    if (OnGetNodeDataSize) OnGetNodeDataSize(*this, nodeDataSize);
}

void TLazyTreeModel::DoInitNode(PLazyNode parent, PLazyNode node, TLazyNodeInitStates& initialStates) {
    if (OnInitNode) OnInitNode(*this, parent, node, initialStates);
}

void TLazyTreeModel::DoInitChildren(PLazyNode node, uint32_t& childCount) {
    if (OnInitChildren) OnInitChildren(*this, node, childCount);
}

void TLazyTreeModel::DoReset(PLazyNode node) {
    if (OnResetNode) OnResetNode(*this, node);
}

bool TLazyTreeModel::DoFocusChanging(PLazyNode oldNode, PLazyNode newNode, int oldColumn, int newColumn) {
    bool allowed = true; // every column may take the focus while the tree has no header
    if (OnFocusChanging) OnFocusChanging(*this, oldNode, newNode, oldColumn, newColumn, allowed);
    return allowed;
}

void TLazyTreeModel::DoFocusChange(PLazyNode node, int column) {
    if (OnFocusChanged) OnFocusChanged(*this, node, column);
}

bool TLazyTreeModel::DoChecking(PLazyNode node, TCheckState& newCheckState) {
    if (ReadOnly()) return false;
    bool allowed = true;
    if (OnChecking) OnChecking(*this, node, newCheckState, allowed);
    return allowed;
}

void TLazyTreeModel::DoCheckClick(PLazyNode node, TCheckState newCheckState) {
    if (ChangeCheckState(node, newCheckState)) DoChecked(node);
}

void TLazyTreeModel::DoChecked(PLazyNode node) {
    if (OnChecked) OnChecked(*this, node);
}

void TLazyTreeModel::DoUpdating(TVTUpdateState state) {
    if (OnUpdating) OnUpdating(*this, state);
}

void TLazyTreeModel::DoMeasureItem(PLazyNode node, int& nodeHeight) {
    if (OnMeasureItem) OnMeasureItem(*this, node, nodeHeight);
}

void TLazyTreeModel::DoScroll(int deltaX, int deltaY) {
    if (OnScroll) OnScroll(*this, deltaX, deltaY);
}

bool TLazyTreeModel::DoCollapsing(PLazyNode node) {
    bool allowed = true;
    if (OnCollapsing) OnCollapsing(*this, node, allowed);
    return allowed;
}

bool TLazyTreeModel::DoExpanding(PLazyNode node) {
    bool allowed = true;
    if (OnExpanding) OnExpanding(*this, node, allowed);
    return allowed;
}

void TLazyTreeModel::DoCollapsed(PLazyNode node) {
    if (OnCollapsed) OnCollapsed(*this, node);
}

void TLazyTreeModel::DoExpanded(PLazyNode node) {
    if (OnExpanded) OnExpanded(*this, node);
}

} // namespace lazytree
