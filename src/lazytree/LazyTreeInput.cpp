#include "lazytree/BaseLazyTree.h"

#include "platform/rtl/Utf.h"
#include "platform/ui/Hints.h"
#include "platform/ui/ImageList.h"
#include "platform/ui/Menus.h"
#include "platform/ui/Messages.h"
#include "platform/ui/Metrics.h"
#include "platform/ui/Mouse.h"
#include "platform/ui/Timers.h"

#include <algorithm>
#include <cmath>

namespace lazytree {

namespace {

// The standard shape that shows where wheel panning moves the view.
ui::TCursor PanningShape(TPanningCursor cursor) {
    switch (cursor) {
    case pcMoveAll:
        return ui::crSizeAll;
    case pcMoveEW:
    case pcMoveE:
    case pcMoveW:
        return ui::crSizeWE;
    case pcMoveNE:
    case pcMoveSW:
        return ui::crSizeNESW;
    case pcMoveNW:
    case pcMoveSE:
        return ui::crSizeNWSE;
    default:
        return ui::crSizeNS;
    }
}

} // namespace

// ---- Hit testing ----

TVTNodeHitInfo TBaseLazyTree::HitTestAt(int x, int y, bool relative) {
    TVTNodeHitInfo hit;
    if (x < 0)
        hit.HitPositions.Include(nhLeft);
    else if (x > std::max(ClientWidth(), tree_.RangeX()))
        hit.HitPositions.Include(nhRight);
    if (y < 0)
        hit.HitPositions.Include(nhAbove);
    else if (y > std::max(ClientHeight(), tree_.RangeY()))
        hit.HitPositions.Include(nhBelow);
    auto& columns = header_.Columns();
    if (relative) {
        // Right to left the columns keep to the right edge; fixed columns do not scroll.
        x -= RTLOffset();
        if (x >= columns.GetVisibleFixedWidth()) x += EffectiveOffsetX();
        y -= tree_.OffsetY();
    }
    if (hit.HitPositions != TVTNodeHitPositions{}) return hit;
    hit.HitNode = tree_.GetNodeAt(x, y, false);
    if (!hit.HitNode) {
        hit.HitPositions.Include(nhNowhere);
        return hit;
    }
    if (!hit.HitNode->States.Contains(nsInitialized)) tree_.InitNode(hit.HitNode);
    int offset = x;
    int right = std::max(ClientWidth(), tree_.RangeX());
    TAlignment alignment = tree_.Alignment();
    if (columns.Count() > 0) {
        hit.HitColumn = columns.ColumnFromPoint({x, 0}, false); // only x matters here
        if (hit.HitColumn == InvalidColumn) {
            hit.HitPositions.Include(nhNowhere);
            return hit;
        }
        int left = columns[hit.HitColumn].Left();
        int colRight = left + columns[hit.HitColumn].Width();
        if (tree_.Options().AutoOptions.Contains(toAutoSpanColumns)) {
            // An empty cell belongs to the text that spans into it from the left.
            const TColumnIndex first = hit.HitColumn;
            while (hit.HitColumn >= 0 && ColumnIsEmpty(hit.HitNode, hit.HitColumn)) {
                const TColumnIndex previous = columns.GetPreviousVisibleColumn(hit.HitColumn);
                if (previous < 0) break;
                hit.HitColumn = previous;
                left -= columns[previous].Width();
            }
            for (TColumnIndex next = columns.GetNextVisibleColumn(first);
                 next >= 0 && ColumnIsEmpty(hit.HitNode, next); next = columns.GetNextVisibleColumn(next))
                colRight += columns[next].Width();
        }
        offset = x - left;
        right = colRight - left;
        alignment = static_cast<TAlignment>(columns[hit.HitColumn].Look().Alignment);
    }
    hit.HitPositions = {nhOnNode};
    if (tree_.Options().MiscOptions.Contains(toNodeHeightResize)) {
        const ui::TRect r = tree_.GetDisplayRect(hit.HitNode, hit.HitColumn, false);
        const int top = r.Top - tree_.OffsetY(), bottom = r.Bottom - tree_.OffsetY();
        if (y <= top + 1)
            hit.HitPositions.Include(nhUpperEdge);
        else if (y >= bottom - 3)
            hit.HitPositions.Include(nhLowerEdge);
    }
    if (CellRightToLeft(hit.HitColumn))
        ClassifyHitRTL(hit, offset, right, alignment);
    else
        ClassifyHit(hit, offset, right, alignment);
    return hit;
}

void TBaseLazyTree::ClassifyHit(TVTNodeHitInfo& hit, int offset, int right, TAlignment alignment) {
    PLazyNode node = hit.HitNode;
    const auto& options = tree_.Options();
    const bool isMain = hit.HitColumn == header_.MainColumn();
    int indent = NodeIndent(node, hit.HitColumn);
    if (offset < indent) {
        if (options.PaintOptions.Contains(toShowButtons) && node->States.Contains(nsHasChildren)) {
            if (offset >= indent - tree_.Indent()) hit.HitPositions.Include(nhOnButtonArea);
            if (offset >= indent - ButtonBitmap(false, false).Width()) hit.HitPositions.Include(nhOnButton);
        }
        return;
    }
    if (!isMain && options.MiscOptions.Contains(toReportMode)) return;
    indent += tree_.Margin();
    if (isMain && options.MiscOptions.Contains(toCheckSupport) && checkImages_ && node->CheckType != ctNone)
        indent += checkImages_->Width() + 2;
    if (isMain && offset < indent) {
        // The margin counts as the check box, splitters or not.
        hit.HitPositions = {nhOnNode};
        if (node->CheckType != ctNone) hit.HitPositions.Include(nhOnCheckBox);
        return;
    }
    if (stateImages_ && HasImage(node, ikState, hit.HitColumn)) {
        indent += stateImages_->Width() + 2;
        if (offset < indent) {
            hit.HitPositions.Include(nhOnStateImage);
            return;
        }
    }
    if (images_ && HasImage(node, ikNormal, hit.HitColumn)) {
        indent += images_->Width() + 2;
        if (offset < indent) {
            hit.HitPositions.Include(nhOnNormalImage);
            return;
        }
    }
    const int width = DoGetNodeWidth(node, hit.HitColumn);
    if (right - indent < width) {
        hit.HitPositions.Include(nhOnText);
        return;
    }
    switch (alignment) {
    case taRightJustify:
        hit.HitPositions.Include(offset < right - width ? nhLeftOfText : nhOnText);
        break;
    case taCenter: {
        const int middle = (indent + right - width) / 2;
        hit.HitPositions.Include(offset < middle           ? nhLeftOfText
                                 : offset < middle + width ? nhOnText
                                                           : nhRightOfText);
        break;
    }
    default:
        hit.HitPositions.Include(offset < indent + width ? nhOnText : nhRightOfText);
        break;
    }
}

void TBaseLazyTree::ClassifyHitRTL(TVTNodeHitInfo& hit, int offset, int right, TAlignment alignment) {
    PLazyNode node = hit.HitNode;
    const auto& options = tree_.Options();
    const bool isMain = hit.HitColumn == header_.MainColumn();
    const int indentStart = right - NodeIndent(node, hit.HitColumn);
    if (offset >= indentStart) {
        if (options.PaintOptions.Contains(toShowButtons) && node->States.Contains(nsHasChildren)) {
            if (indentStart + tree_.Indent() >= offset) hit.HitPositions.Include(nhOnButtonArea);
            if (indentStart + ButtonBitmap(false, false).Width() >= offset)
                hit.HitPositions.Include(nhOnButton);
        }
        return;
    }
    if (!isMain && options.MiscOptions.Contains(toReportMode)) return;
    int end = indentStart - tree_.Margin();
    if (isMain && options.MiscOptions.Contains(toCheckSupport) && checkImages_ && node->CheckType != ctNone)
        end -= checkImages_->Width() + 2;
    if (isMain && end < offset) {
        hit.HitPositions = {nhOnNode};
        if (node->CheckType != ctNone) hit.HitPositions.Include(nhOnCheckBox);
        return;
    }
    if (stateImages_ && HasImage(node, ikState, hit.HitColumn)) {
        end -= stateImages_->Width() + 2;
        if (end < offset) {
            hit.HitPositions.Include(nhOnStateImage);
            return;
        }
    }
    if (images_ && HasImage(node, ikNormal, hit.HitColumn)) {
        end -= images_->Width() + 2;
        if (end < offset) {
            hit.HitPositions.Include(nhOnNormalImage);
            return;
        }
    }
    const int width = DoGetNodeWidth(node, hit.HitColumn);
    if (end < width) {
        hit.HitPositions.Include(nhOnText);
        return;
    }
    switch (MirroredAlignment(alignment)) {
    case taRightJustify:
        hit.HitPositions.Include(offset < end - width ? nhLeftOfText : nhOnText);
        break;
    case taCenter: {
        const int middle = (end - width) / 2;
        hit.HitPositions.Include(offset < middle           ? nhLeftOfText
                                 : offset < middle + width ? nhOnText
                                                           : nhRightOfText);
        break;
    }
    default:
        hit.HitPositions.Include(offset > width ? nhRightOfText : nhOnText);
        break;
    }
}

// ---- Mouse ----

bool TBaseLazyTree::Focusable(TColumnIndex column) const {
    const auto& columns = header_.Columns();
    return !columns.IsValidColumn(column) || columns[column].Options().Contains(coAllowFocus);
}

bool TBaseLazyTree::CanEdit(PLazyNode node, TColumnIndex column) {
    const auto& misc = tree_.Options().MiscOptions;
    bool allowed =
        misc.Contains(toEditable) && !misc.Contains(toReadOnly) && node && !node->States.Contains(nsDisabled);
    if (allowed && OnEditing) OnEditing(*this, node, column, allowed);
    return allowed;
}

void TBaseLazyTree::StartEditTimer() {
    ui::Timers().SetTimer(this, EditTimer, editDelay_, [this] {
        StopEditTimer();
        if (tree_.TreeStates().Contains(tsEditPending)) DoEdit();
    });
}

void TBaseLazyTree::StopEditTimer() {
    ui::Timers().KillTimer(this, EditTimer);
}

void TBaseLazyTree::SetMouseCaptured(bool on) {
    if (HandleAllocated()) SetMouseCapture(on);
}

// The pending decisions of a press die with it: a press, a lost focus and an opened menu end them, so
// none of them can meet the next press.
void TBaseLazyTree::ClearPendingMouseStates() {
    tree_.DoStateChange({}, {tsClearPending, tsToggleFocusedSelection, tsDrawSelPending, tsOLEDragPending,
                             tsNodeHeightTrackPending});
    if (tree_.TreeStates().Contains(tsDrawSelecting)) tree_.StopDrawSelection();
}

void TBaseLazyTree::HandleMouseDown(ui::TMouseButton button, ui::TShiftState shift, ui::TPoint p,
                                    TVTNodeHitInfo hit) {
    auto& t = tree_;
    const auto& options = t.Options();
    if (t.TreeStates().Contains(tsWheelPanning) || t.TreeStates().Contains(tsWheelScrolling)) {
        t.StopWheelPanning();
        return;
    }
    if (t.TreeStates().Contains(tsEditPending)) {
        StopEditTimer();
        t.DoStateChange({}, {tsEditPending});
    }
    if (IsEditing()) DoEndEdit();
    ClearPendingMouseStates();
    if (!HasFocus() && HandleAllocated() && CanFocus()) {
        SetFocus();
        hit = HitTestAt(p.X, p.Y);
    }
    clickColumn_ = hit.HitColumn;
    lastClick_ = p;
    const auto& at = hit.HitPositions;
    const bool fullRow = options.SelectionOptions.Contains(toFullRowSelect);
    const bool gridExtensions = options.MiscOptions.Contains(toGridExtensions);

    bool columnChanged = false;
    TColumnIndex newColumn = t.FocusedColumn();
    if (at.Contains(nhOnText) || fullRow || gridExtensions) {
        columnChanged = hit.HitColumn != t.FocusedColumn();
        newColumn = options.SelectionOptions.Contains(toExtendedFocus) ? hit.HitColumn : header_.MainColumn();
        if (columnChanged && !Focusable(newColumn)) {
            columnChanged = false;
            newColumn = t.FocusedColumn();
        }
    }
    PLazyNode node = hit.HitNode;
    const bool nodeChanged = node != t.FocusedNode();
    const bool altPressed = shift.Contains(ui::ssAlt);
    ui::TShiftState shiftState;
    if (shift.Contains(ui::ssShift)) shiftState.Include(ui::ssShift);
    if (shift.Contains(ui::ssCtrl)) shiftState.Include(ui::ssCtrl);
    const bool shiftEmpty = shiftState == ui::TShiftState{};
    const bool isLabelHit = !altPressed && !options.SelectionOptions.Contains(toSimpleDrawSelection) &&
                            (at.Contains(nhOnText) || at.Contains(nhOnNormalImage));
    const bool isCellHit = !altPressed && !isLabelHit && node && !at.Contains(nhOnButtonArea) &&
                           !at.Contains(nhOnCheckBox) && (fullRow || (gridExtensions && hit.HitColumn >= 0));
    const bool isAnyHit = isLabelHit || isCellHit;
    const bool multiSelect = options.SelectionOptions.Contains(toMultiSelect);
    const bool nodeSelected = isAnyHit && t.IsSelected(node);
    const bool fullRowDrag = options.MiscOptions.Contains(toFullRowDrag);
    bool autoDrag = false;
    if (node && OnDragAllowed) {
        OnDragAllowed(*this, node, newColumn, autoDrag);
        autoDrag = autoDrag && (!isCellHit || fullRowDrag);
    }

    if (at.Contains(nhOnButtonArea) && node && node->States.Contains(nsHasChildren)) {
        t.ToggleNode(node);
        pressToggled_ = node;
        return;
    }
    if (at.Contains(nhOnCheckBox)) {
        t.StartCheckPending(node, false);
        return;
    }
    const bool locked = t.SelectionLocked();
    if (multiSelect && shiftEmpty && isAnyHit && autoDrag && nodeSelected && !locked)
        t.DoStateChange({tsClearPending});
    const bool directClear =
        !locked && ((!isAnyHit && !fullRowDrag && multiSelect && shiftEmpty) ||
                    (isAnyHit &&
                     (!nodeSelected ||
                      (!autoDrag && !(button == ui::mbRight && HasPopupMenu(node, hit.HitColumn, p)))) &&
                     (shiftEmpty || !multiSelect)));
    if (directClear) {
        if (nodeSelected || (altPressed && node && hit.HitColumn == header_.MainColumn())) {
            const std::size_t before = t.SelectedCount();
            t.UnselectAll();
            t.AddToSelection({node}, true);
            if (before > 1) Invalidate();
        } else {
            t.UnselectAll();
        }
    }
    if (HasFocus() && (at.Contains(nhOnText) || (gridExtensions && at.Contains(nhOnNode))) && nodeSelected &&
        !columnChanged && shiftEmpty)
        t.DoStateChange({tsEditPending});
    if (!options.SelectionOptions.Contains(toDisableDrawSelection) && !isLabelHit && !fullRowDrag &&
        multiSelect) {
        SetMouseCaptured(true);
        t.DoStateChange({tsDrawSelPending});
        drawShift_ = shiftState;
        if (!isCellHit) return;
    }
    if (!isAnyHit) return;
    if (columnChanged) {
        t.SetFocusedColumn(newColumn);
        Invalidate();
    }
    if (nodeChanged) {
        t.SetFocusedNode(node);
        if (t.FocusedNode() != node) return; // OnFocusChanging refused
    }
    if (!multiSelect || shiftEmpty)
        t.HandleClickSelection(node, {}, autoDrag);
    else
        t.HandleClickSelection(node, shiftState, autoDrag);
    if (autoDrag) BeginDragging(false);
}

void TBaseLazyTree::HandleMouseUp(ui::TShiftState shift, ui::TPoint, const TVTNodeHitInfo& hit) {
    auto& t = tree_;
    SetMouseCaptured(false);
    if (t.IsMouseSelecting()) {
        t.DoStateChange({}, {tsToggleFocusedSelection});
        t.StopDrawSelection();
        Invalidate();
    }
    PLazyNode focused = t.FocusedNode();
    if (t.TreeStates().Contains(tsClearPending)) {
        const bool wasSelected = t.IsSelected(focused);
        t.UnselectAll();
        if (wasSelected) t.AddToSelection(focused);
    }
    if (t.TreeStates().Contains(tsToggleFocusedSelection) && hit.HitNode == focused && focused) {
        t.SetSelected(focused, !t.IsSelected(focused));
        t.InvalidateNode(focused);
    }
    t.DoStateChange({}, {tsToggleFocusedSelection, tsClearPending, tsDrawSelPending, tsOLEDragging,
                         tsOLEDragPending, tsScrolling, tsScrollPending});
    if (t.TreeStates().Contains(tsMouseCheckPending))
        t.EndCheckPending(hit.HitNode == t.CheckNode() && hit.HitPositions.Contains(nhOnCheckBox));
    if (clickColumn_ >= 0 && clickColumn_ == hit.HitColumn && OnColumnClick)
        OnColumnClick(*this, hit.HitColumn, shift);
    if (t.TreeStates().Contains(tsEditPending)) {
        if (hit.HitNode == focused && hit.HitPositions.Contains(nhOnNode) &&
            CanEdit(focused, hit.HitColumn) && t.Options().MiscOptions.Contains(toEditOnClick)) {
            editColumn_ = t.FocusedColumn();
            StartEditTimer();
        } else {
            t.DoStateChange({}, {tsEditPending});
        }
    }
}

void TBaseLazyTree::HandleMouseDblClick(ui::TShiftState shift, ui::TPoint, const TVTNodeHitInfo& hit) {
    auto& t = tree_;
    const auto& options = t.Options();
    bool newEdit = !t.TreeStates().Contains(tsEditing) && options.MiscOptions.Contains(toEditOnDblClick);
    StopEditTimer();
    t.DoStateChange({}, {tsEditPending});
    if (hit.HitColumn == clickColumn_ && OnColumnDblClick) OnColumnDblClick(*this, hit.HitColumn, shift);
    const auto& at = hit.HitPositions;
    PLazyNode node = hit.HitNode;
    if (at.Contains(nhOnCheckBox)) {
        t.StartCheckPending(node, false);
        if (t.TreeStates().Contains(tsMouseCheckPending)) newEdit = false;
    } else if (node && node->States.Contains(nsHasChildren) &&
               (at.Contains(nhOnButtonArea) ||
                (options.MiscOptions.Contains(toToggleOnDblClick) &&
                 (at.Contains(nhOnButton) || at.Contains(nhOnText) || at.Contains(nhOnNormalImage) ||
                  at.Contains(nhOnStateImage) || options.SelectionOptions.Contains(toFullRowSelect))))) {
        // Qt delivers a double click's second press too, before the double click: what that press
        // toggled is this double click's toggle.
        if (node != pressToggled_) t.ToggleNode(node);
        newEdit = false;
    }
    if (newEdit && node && node == t.FocusedNode() && hit.HitColumn == t.FocusedColumn() &&
        CanEdit(node, hit.HitColumn)) {
        t.DoStateChange({tsEditPending});
        editColumn_ = t.FocusedColumn();
        StartEditTimer();
    }
}

void TBaseLazyTree::HandleHotTrack(int x, int y) {
    auto& t = tree_;
    const auto& options = t.Options();
    const TVTNodeHitInfo hit = HitTestAt(x, y);
    const bool counts = hit.HitPositions.Contains(nhOnText) || hit.HitPositions.Contains(nhOnCheckBox) ||
                        (options.SelectionOptions.Contains(toFullRowSelect) && hit.HitNode);
    PLazyNode newHot = counts ? hit.HitNode : nullptr;
    const TColumnIndex newColumn = counts ? hit.HitColumn : NoColumn;
    const bool repaint =
        options.PaintOptions.Contains(toHotTrack) || options.MiscOptions.Contains(toCheckSupport);
    if (newHot != t.HotNode() || newColumn != hotColumn_) {
        PLazyNode old = t.HotNode();
        if (OnHotChange) OnHotChange(*this, old, newHot);
        if (repaint && old) t.InvalidateNode(old);
        t.SetHotNode(newHot);
        hotColumn_ = newColumn;
        if (repaint && newHot) t.InvalidateNode(newHot);
    }
    const bool buttonHit = hit.HitPositions.Contains(nhOnButton) && options.PaintOptions.Contains(toHotTrack);
    if (!t.HotNode()) {
        hotButton_ = false;
    } else if (buttonHit != hotButton_) {
        hotButton_ = buttonHit;
        t.InvalidateNode(t.HotNode());
    }
}

ui::TPopupMenu* TBaseLazyTree::DoGetPopupMenu(PLazyNode node, TColumnIndex column, ui::TPoint p) {
    if (!OnGetPopupMenu) return nullptr;
    ui::TPopupMenu* menu = nullptr;
    bool askParent = true;
    if (!node) {
        OnGetPopupMenu(*this, nullptr, NoColumn, p, askParent, menu);
        return menu;
    }
    for (PLazyNode run = node; run && run != tree_.RootNode() && !menu && askParent; run = run->Parent)
        OnGetPopupMenu(*this, run, column, p, askParent, menu);
    return menu;
}

bool TBaseLazyTree::HasPopupMenu(PLazyNode node, TColumnIndex column, ui::TPoint p) {
    return DoGetPopupMenu(node, column, p) != nullptr;
}

void TBaseLazyTree::DoPopupMenu(PLazyNode node, TColumnIndex column, ui::TPoint p) {
    ui::TPopupMenu* menu = DoGetPopupMenu(node, column, p);
    if (!menu) return;
    ClearPendingMouseStates();
    tree_.DoStateChange({tsPopupMenuShown});
    StopEditTimer();
    menu->SetPopupComponent(this);
    const ui::TPoint screen = ClientToScreen(p);
    menu->Popup(screen.X, screen.Y);
}

void TBaseLazyTree::MouseDown(ui::TMouseButton button, ui::TShiftState shift, int x, int y) {
    const TLazyTreeState down = button == ui::mbLeft    ? tsLeftButtonDown
                                : button == ui::mbRight ? tsRightButtonDown
                                                        : tsMiddleButtonDown;
    tree_.DoStateChange({down});
    const bool panning = tree_.TreeStates().Contains(tsWheelPanning);
    if (panning) {
        // Any button ends the panning.
        tree_.StopWheelPanning();
        SetMouseCaptured(false);
        SetCursor(ownCursor_);
    } else if (button == ui::mbMiddle) {
        // Only a tree with something to scroll pans.
        if (tree_.Options().MiscOptions.Contains(toWheelPanning) &&
            (ClientWidth() < tree_.RangeX() || ClientHeight() < tree_.RangeY())) {
            tree_.StartWheelPanning({x, y});
            SetMouseCaptured(true);
            ownCursor_ = Cursor();
            SetCursor(PanningShape(tree_.PanningCursor(x, y)));
        } else if (tree_.Options().SelectionOptions.Contains(toMiddleClickSelect)) {
            HandleMouseDown(button, shift, {x, y}, HitTestAt(x, y));
        }
    } else if (shift.Contains(ui::ssDouble)) {
        HandleMouseDblClick(shift, {x, y}, HitTestAt(x, y));
    } else if (button == ui::mbLeft ||
               (button == ui::mbRight && tree_.Options().SelectionOptions.Contains(toRightClickSelect))) {
        HandleMouseDown(button, shift, {x, y}, HitTestAt(x, y));
    }
    ui::TCustomControl::MouseDown(button, shift, x, y);
}

void TBaseLazyTree::MouseUp(ui::TMouseButton button, ui::TShiftState shift, int x, int y) {
    pressToggled_ = nullptr;
    tree_.DoStateChange({}, {tsLeftButtonDown, tsRightButtonDown, tsMiddleButtonDown});
    const TVTNodeHitInfo hit = HitTestAt(x, y);
    if (button != ui::mbMiddle) HandleMouseUp(shift, {x, y}, hit);
    ui::TCustomControl::MouseUp(button, shift, x, y);
    if (button == ui::mbRight) DoPopupMenu(hit.HitNode, hit.HitColumn, {x, y});
}

void TBaseLazyTree::MouseMove(ui::TShiftState shift, int x, int y) {
    mouse_ = {x, y};
    auto& t = tree_;
    if (t.TreeStates().Contains(tsOLEDragPending)) {
        const bool passed = dragThreshold_ < 0 ? ui::TMouse::DragThresholdPassed(lastClick_, {x, y})
                                               : std::abs(x - lastClick_.X) >= dragThreshold_ ||
                                                     std::abs(y - lastClick_.Y) >= dragThreshold_;
        if (passed) DoDragging();
    } else if (t.TreeStates().Contains(tsDrawSelPending)) {
        // The band starts only once the mouse left the drag threshold.
        if (ui::TMouse::DragThresholdPassed(lastClick_, {x, y})) {
            if (t.TreeStates().Contains(tsClearPending)) {
                t.DoStateChange({}, {tsClearPending});
                t.UnselectAll();
            }
            t.StartDrawSelection(lastClick_.X, lastClick_.Y, drawShift_);
            t.SetFocusedColumn(header_.MainColumn());
            t.CalculateSelectionRect(x, y);
            t.HandleDrawSelection();
            Invalidate();
        }
    } else if (t.TreeStates().Contains(tsDrawSelecting)) {
        t.DoAutoScroll(x, y);
        if (t.CalculateSelectionRect(x, y)) {
            t.HandleDrawSelection();
            Invalidate();
        }
    } else {
        t.DoAutoScroll(x, y);
        if (t.TreeStates().Contains(tsWheelPanning)) SetCursor(PanningShape(t.PanningCursor(x, y)));
        HandleHotTrack(x, y);
    }
    ui::TCustomControl::MouseMove(shift, x, y);
}

bool TBaseLazyTree::DoMouseWheel(ui::TShiftState shift, int wheelDelta, ui::TPoint mousePos) {
    tree_.StopWheelPanning();
    if (ui::TCustomControl::DoMouseWheel(shift, wheelDelta, mousePos)) return true;
    const double factor = wheelDelta / static_cast<double>(ui::WHEEL_DELTA);
    const bool ctrl = shift.Contains(ui::ssCtrl);
    const int lines = ui::TMouse::WheelScrollLines();
    if (ClientHeight() >= tree_.RangeY() || shift.Contains(ui::ssShift)) {
        const int step = ctrl ? ClientWidth() - header_.Columns().GetVisibleFixedWidth()
                              : lines * header_.Columns().GetScrollWidth();
        tree_.SetOffsetX(tree_.OffsetX() + static_cast<int>(std::trunc(factor * step)));
    } else {
        const int step = ctrl || lines < 0 ? ClientHeight() : lines * tree_.DefaultNodeHeight();
        tree_.SetOffsetY(tree_.OffsetY() + static_cast<int>(std::trunc(factor * step)));
    }
    return true;
}

// A lost focus ends what a press or a key started and never finished.
void TBaseLazyTree::DoExit() {
    ui::TCustomControl::DoExit();
    tree_.StopWheelPanning();
    StopEditTimer();
    ClearPendingMouseStates();
    tree_.DoStateChange({}, {tsEditPending, tsNodeHeightTracking, tsIncrementalSearching,
                             tsIncrementalSearchPending, tsLeftButtonDown, tsMiddleButtonDown,
                             tsRightButtonDown, tsScrolling, tsScrollPending, tsVCLDragPending});
    Invalidate();
}

// ---- Hints ----

int TBaseLazyTree::ImagesWidth(PLazyNode node, TColumnIndex column) {
    int width = 0;
    if (stateImages_ && HasImage(node, ikState, column)) width += stateImages_->Width() + 2;
    if (images_ && HasImage(node, ikNormal, column)) width += images_->Width() + 2;
    return width;
}

ui::TRect TBaseLazyTree::ContentRectInClient(PLazyNode node, TColumnIndex column) {
    ui::TRect r = tree_.GetDisplayRect(node, NoColumn, false);
    auto& columns = header_.Columns();
    if (columns.IsValidColumn(column)) {
        r.Left = columns[column].Left() - EffectiveOffsetX() + RTLOffset();
        r.Right = r.Left + columns[column].Width();
    }
    const int lead = NodeIndent(node, column) + tree_.Margin() + ImagesWidth(node, column);
    if (CellRightToLeft(column))
        r.Right -= lead;
    else
        r.Left += lead;
    return r;
}

std::u16string TBaseLazyTree::GetNodeHint(PLazyNode, TColumnIndex) {
    return rtl::Utf8ToUtf16(Hint());
}

TBaseLazyTree::TNodeHint TBaseLazyTree::HintAt(int x, int y) {
    TNodeHint hint;
    const TVTNodeHitInfo hit = HitTestAt(x, y);
    if (!hit.HitNode || hintMode_ == hmDefault) return hint;
    if (hintMode_ == hmTooltip) {
        // A tooltip repeats a text only where the cell cuts it, exactly over it.
        if (!hit.HitPositions.Contains(nhOnText)) return hint;
        const ui::TRect content = ContentRectInClient(hit.HitNode, hit.HitColumn);
        const int width = DoGetNodeWidth(hit.HitNode, hit.HitColumn);
        if (width <= content.Width()) return hint;
        hint.Text = GetNodeToolTip(hit.HitNode, hit.HitColumn);
        hint.Rect = CellRightToLeft(hit.HitColumn)
                        ? ui::TRect{content.Right - width, content.Top, content.Right, content.Bottom}
                        : ui::TRect{content.Left, content.Top, content.Left + width, content.Bottom};
        return hint;
    }
    hint.Text = GetNodeHint(hit.HitNode, hit.HitColumn);
    hint.Rect = tree_.GetDisplayRect(hit.HitNode, hit.HitColumn, false);
    return hint;
}

// The framework asks what to show: the node's hint, valid while the mouse stays in its rectangle.
void TBaseLazyTree::ShowHint(ui::TMessage& message) {
    auto* info = reinterpret_cast<ui::THintInfo*>(message.LParam);
    const TNodeHint hint =
        hintMode_ == hmDefault ? TNodeHint{} : HintAt(info->CursorPos.X, info->CursorPos.Y);
    if (hint.Text.empty()) {
        if (hintMode_ == hmDefault || hintMode_ == hmHintAndDefault)
            ui::TCustomControl::WndProc(message);
        else
            message.Result = 1;
        return;
    }
    info->HintStr = rtl::Utf16ToUtf8(hint.Text);
    info->CursorRect = hint.Rect;
    if (hintMode_ == hmTooltip) info->HintPos = ClientToScreen({hint.Rect.Left, hint.Rect.Top});
    message.Result = 0;
}

void TBaseLazyTree::MouseLeft() {
    if (headerTrack_ == htNone) header_.SetHoverColumn(NoColumn);
    if (PLazyNode old = tree_.HotNode()) {
        if (OnHotChange) OnHotChange(*this, old, nullptr);
        const auto& options = tree_.Options();
        if (options.PaintOptions.Contains(toHotTrack) || options.MiscOptions.Contains(toCheckSupport))
            tree_.InvalidateNode(old);
    }
    tree_.SetHotNode(nullptr);
    hotColumn_ = NoColumn;
    hotButton_ = false;
}

// ---- Columns ----

bool TBaseLazyTree::ScrollColumnIntoView(TColumnIndex column, bool center) {
    auto& columns = header_.Columns();
    if (!columns.IsValidColumn(column)) return false;
    const int effective = EffectiveOffsetX();
    const TLazyTreeColumn& c = columns[column];
    const int left = c.Left() - (c.Fixed() ? 0 : effective); // in the client area
    const int fixedWidth = columns.GetVisibleFixedWidth();
    int wanted = effective;
    if (center)
        wanted = left + effective + c.Width() / 2 - fixedWidth / 2 - ClientWidth() / 2;
    else if (left + c.Width() > ClientWidth())
        wanted = left + c.Width() + effective - ClientWidth();
    else if (left < fixedWidth)
        wanted = effective + left - fixedWidth;
    if (wanted != effective) tree_.SetOffsetX(-wanted);
    return true;
}

void TBaseLazyTree::AutoFitColumns() {
    for (TColumnIndex index = 0; index < header_.Columns().Count(); ++index)
        AutoFitColumn(index);
}

void TBaseLazyTree::AutoFitColumn(TColumnIndex index) {
    auto& columns = header_.Columns();
    if (!columns.IsValidColumn(index)) return;
    TLazyTreeColumn& column = columns[index];
    if (!column.Visible() || !column.Options().Contains(coResizable)) return;
    int widest = 0;
    for (PLazyNode node = tree_.GetFirstVisible(); node; node = tree_.GetNextVisible(node))
        widest = std::max(widest, NodeIndent(node, index) + tree_.Margin() + ImagesWidth(node, index) +
                                      DoGetNodeWidth(node, index));
    column.SetWidth(widest);
    Invalidate();
}

} // namespace lazytree
