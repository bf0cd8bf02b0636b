#include "lazytree/BaseLazyTree.h"
#include "lazytree/LazyTreeError.h"
#include "platform/rtl/Exception.h"
#include "platform/ui/Timers.h"

namespace lazytree {

bool TBaseLazyTree::EditNode(PLazyNode node, TColumnIndex column) {
    RTL_ASSERT_MSG(node, "Node must not be nil.");
    RTL_ASSERT_MSG(column >= NoColumn && column < std::max(header_.Columns().Count(), 0),
                   "Column must be a valid column index (-1 if no header is shown).");
    if (IsEditing() || tree_.Options().MiscOptions.Contains(toReadOnly)) return IsEditing();
    tree_.SetFocusedNode(node);
    if (tree_.FocusedNode() != node || !CanEdit(node, column)) return false;
    editColumn_ = column;
    if (!node->States.Contains(nsInitialized)) tree_.InitNode(node);
    DoEdit();
    return IsEditing();
}

PVTEditLink TBaseLazyTree::DoCreateEditor(PLazyNode node, TColumnIndex column) {
    PVTEditLink link;
    if (OnCreateEditor) {
        OnCreateEditor(*this, node, column, link);
        if (!link) RaiseTreeError(SEditLinkIsNil, hcTFEditLinkIsNil);
    }
    return link;
}

void TBaseLazyTree::DoEdit() {
    ui::Timers().KillTimer(&tree_, ScrollTimer);
    StopEditTimer();
    tree_.DoStateChange({}, {tsEditPending});
    PLazyNode node = tree_.FocusedNode();
    const auto& options = tree_.Options();
    if (!node || node->States.Contains(nsDisabled) || options.MiscOptions.Contains(toReadOnly) || editLink_)
        return;
    editLink_ = DoCreateEditor(node, editColumn_);
    if (!editLink_) return;
    tree_.DoStateChange({tsEditing},
                        {tsToggleFocusedSelection, tsClearPending, tsDrawSelPending, tsDrawSelecting,
                         tsMouseCheckPending, tsOLEDragging, tsOLEDragPending, tsScrolling, tsScrollPending});
    tree_.ScrollIntoView(node, options.SelectionOptions.Contains(toCenterScrollIntoView));
    if (!options.AutoOptions.Contains(toDisableAutoscrollOnEdit)) ScrollColumnIntoView(editColumn_, false);
    if (editLink_->PrepareEditing(*this, node, editColumn_)) {
        UpdateEditBounds();
        tree_.InvalidateNode(node);
        if (!editLink_->StartEditing()) tree_.DoStateChange({}, {tsEditing});
    } else {
        tree_.DoStateChange({}, {tsEditing});
    }
    if (!IsEditing()) editLink_.reset();
}

bool TBaseLazyTree::DoEndEdit() {
    StopEditTimer();
    bool result = false;
    if (IsEditing() && editLink_->FinishEditing()) {
        tree_.DoStateChange({}, {tsEditing});
        editLink_.reset();
        if (OnEdited) OnEdited(*this, tree_.FocusedNode(), editColumn_);
        result = true;
    }
    tree_.DoStateChange({}, {tsEditPending});
    return result;
}

bool TBaseLazyTree::DoCancelEdit() {
    StopEditTimer();
    tree_.DoStateChange({}, {tsEditPending});
    if (!IsEditing() || !editLink_->AbandonEditing()) return false;
    tree_.DoStateChange({}, {tsEditing});
    if (OnEditCancelled) OnEditCancelled(*this, editColumn_);
    if (!destroying_) editLink_.reset();
    return true;
}

bool TBaseLazyTree::EndEditNode() {
    const auto& states = tree_.TreeStates();
    return states.Contains(tsEditing) || states.Contains(tsEditPending) ? DoEndEdit() : true;
}

bool TBaseLazyTree::CancelEditNode() {
    const auto& states = tree_.TreeStates();
    if (HandleAllocated() && (states.Contains(tsEditing) || states.Contains(tsEditPending)))
        return DoCancelEdit();
    return true;
}

bool TBaseLazyTree::EndEditBeforeSort() {
    if (tree_.TreeStates().Contains(tsEditPending)) {
        StopEditTimer();
        tree_.DoStateChange({}, {tsEditPending});
    }
    return !IsEditing() || DoEndEdit();
}

void TBaseLazyTree::UpdateEditBounds() {
    PLazyNode node = tree_.FocusedNode();
    if (!IsEditing() || !node) return;
    ui::TRect r = tree_.GetDisplayRect(node, editColumn_, true, !node->States.Contains(nsMultiline));
    const auto& options = tree_.Options();
    auto& columns = header_.Columns();
    if (options.MiscOptions.Contains(toGridExtensions) && columns.IsValidColumn(editColumn_)) {
        const auto& column = columns[editColumn_];
        const int left = column.Left() - EffectiveOffsetX() + RTLOffset();
        TAlignment alignment = static_cast<TAlignment>(column.Look().Alignment);
        if (CellRightToLeft(editColumn_)) alignment = MirroredAlignment(alignment);
        // A left-aligned editor takes the rest of the cell; any other starts at the cell's left edge.
        if (alignment == taLeftJustify)
            r.Right = left + column.Width();
        else
            r.Left = left;
    }
    if (options.PaintOptions.Contains(toShowHorzGridLines)) --r.Bottom;
    editLink_->PlaceEditor(r);
}

void TBaseLazyTree::KeyPress(char16_t& key) {
    if (tree_.TreeStates().Contains(tsIncrementalSearchPending)) {
        tree_.DoStateChange({}, {tsIncrementalSearchPending});
        tree_.HandleIncrementalSearch(key);
        key = 0;
    }
    ui::TCustomControl::KeyPress(key);
}

} // namespace lazytree
