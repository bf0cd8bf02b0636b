#include "lazytree/BaseLazyTree.h"

#include "platform/ui/Messages.h"

namespace lazytree {

namespace {

constexpr uint16_t kEditKey = ui::VK_F1 + 1; // F2

bool IsNavigationKey(uint16_t key) {
    switch (key) {
    case ui::VK_BACK:
    case ui::VK_TAB:
    case ui::VK_PRIOR:
    case ui::VK_NEXT:
    case ui::VK_END:
    case ui::VK_HOME:
    case ui::VK_LEFT:
    case ui::VK_UP:
    case ui::VK_RIGHT:
    case ui::VK_DOWN:
        return true;
    default:
        return false;
    }
}

// The main keyboard's "+" and "-" mean what the keypad's do.
uint16_t KeypadMeaning(uint16_t key) {
    switch (key) {
    case ui::VK_OEM_PLUS:
        return ui::VK_ADD;
    case ui::VK_OEM_MINUS:
        return ui::VK_SUBTRACT;
    default:
        return key;
    }
}

} // namespace

void TBaseLazyTree::KeyDown(uint16_t& key, ui::TShiftState shift) {
    ui::TCustomControl::KeyDown(key, shift);
    if (key != 0 && HandleKeyDown(key, shift)) key = 0;
}

void TBaseLazyTree::KeyUp(uint16_t& key, ui::TShiftState shift) {
    ui::TCustomControl::KeyUp(key, shift);
    HandleKeyUp(key);
}

void TBaseLazyTree::HandleKeyUp(uint16_t key) {
    if (key != ui::VK_SPACE || !tree_.TreeStates().Contains(tsKeyCheckPending)) return;
    // The check applies only when the pressed node kept the focus.
    tree_.EndCheckPending(tree_.CheckNode() == tree_.FocusedNode());
}

bool TBaseLazyTree::HandleKeyDown(uint16_t key, ui::TShiftState shift) {
    bool doDefault = true;
    if (OnKeyAction) OnKeyAction(*this, key, shift, doDefault);
    if (!doDefault) return true;
    auto& t = tree_;
    if (t.TreeStates().Contains(tsKeyCheckPending) && key != ui::VK_SPACE) t.EndCheckPending(false);
    if (IsNavigationKey(key)) return HandleNavigationKey(key, shift);

    const bool searching = t.TreeStates().Contains(tsIncrementalSearching);
    const bool ctrl = shift.Contains(ui::ssCtrl);
    PLazyNode focused = t.FocusedNode();
    switch (KeypadMeaning(key)) {
    case ui::VK_ESCAPE:
        if (t.IsMouseSelecting()) {
            t.StopDrawSelection();
            Invalidate();
        } else {
            CancelEditNode();
        }
        return true;
    case ui::VK_SPACE:
        if (t.Options().MiscOptions.Contains(toCheckSupport) && focused && focused->CheckType != ctNone) {
            t.StartCheckPending(focused, true);
            return true;
        }
        break;
    case 'A':
        if (ctrl) {
            t.SelectAll(true);
            return true;
        }
        break;
    case ui::VK_APPS:
        if (focused) {
            const ui::TRect r = t.GetDisplayRect(focused, t.FocusedColumn(), true);
            DoPopupMenu(focused, t.FocusedColumn(), {(r.Left + r.Right) / 2, (r.Top + r.Bottom) / 2});
        }
        return true;
    case ui::VK_MULTIPLY:
        if (searching) break;
        if (focused) t.FullExpand(focused);
        return true;
    case ui::VK_ADD:
        if (searching) break;
        if (ctrl && shift.Contains(ui::ssShift))
            t.FullExpand();
        else if (ctrl)
            AutoFitColumns();
        else if (focused && !t.Expanded(focused))
            t.ToggleNode(focused);
        return true;
    case ui::VK_SUBTRACT:
        if (searching) break;
        if (ctrl && shift.Contains(ui::ssShift)) {
            t.FullCollapse();
        } else if (ctrl) {
            auto& columns = header_.Columns();
            for (int i = 0; i < columns.Count(); ++i)
                columns[i].SetWidth(columns[i].LastWidth());
        } else if (focused && t.Expanded(focused)) {
            t.ToggleNode(focused);
        }
        return true;
    case kEditKey:
        if (shift == ui::TShiftState{} && focused && CanEdit(focused, t.FocusedColumn())) {
            editColumn_ = t.FocusedColumn();
            DoEdit();
        }
        return true;
    case ui::VK_DIVIDE:
        if (searching) break;
        if (focused) t.FullCollapse(focused);
        return true;
    default:
        break;
    }
    if (shift.Contains(ui::ssAlt) || ctrl || key < 32) return false;
    t.DoStateChange({tsIncrementalSearchPending});
    return false;
}

// The next (step 1) or previous (-1) visible column that takes the focus, from a column; a start of
// NoColumn begins at the first or the last column.
TColumnIndex TBaseLazyTree::FocusableColumn(TColumnIndex from, int step) const {
    const auto& columns = header_.Columns();
    TColumnIndex column = from;
    if (from == NoColumn) {
        column = columns.ColumnFromPosition(step > 0 ? 0 : static_cast<uint32_t>(columns.Count() - 1));
        if (columns[column].Visible() && Focusable(column)) return column;
    }
    do
        column = step > 0 ? columns.GetNextVisibleColumn(column) : columns.GetPreviousVisibleColumn(column);
    while (column >= 0 && !Focusable(column));
    return column;
}

void TBaseLazyTree::StepFocusedColumn(int step) {
    const TColumnIndex column = FocusableColumn(tree_.FocusedColumn(), step);
    if (column >= 0) tree_.SetFocusedColumn(column);
}

// Tab walks the cells row by row: the next column that accepts the focus, else the next row's first.
void TBaseLazyTree::TabToCell(bool back) {
    auto& t = tree_;
    const int step = back ? -1 : 1;
    PLazyNode node = t.FocusedNode() ? t.FocusedNode() : t.GetFirstVisible();
    TColumnIndex column =
        t.FocusedNode() ? FocusableColumn(t.FocusedColumn(), step) : FocusableColumn(NoColumn, step);
    while (node) {
        if (column >= 0) {
            t.SetFocusedNodeAndColumn(node, column);
            if (t.FocusedNode() == node && t.FocusedColumn() == column) return;
            column = FocusableColumn(column, step);
            continue;
        }
        node = back ? t.GetPreviousVisible(node) : t.GetNextVisible(node);
        column = FocusableColumn(NoColumn, step);
    }
}

void TBaseLazyTree::FocusNodeByKey(PLazyNode node) {
    if (!node) return;
    if (tree_.FocusedColumn() == NoColumn && header_.Columns().Count() > 0)
        tree_.SetFocusedColumn(header_.MainColumn());
    tree_.SetFocusedNode(node);
}

bool TBaseLazyTree::HandleNavigationKey(uint16_t key, ui::TShiftState shift) {
    auto& t = tree_;
    const auto& options = t.Options();
    shift.Exclude(ui::ssLeft);
    shift.Exclude(ui::ssRight);
    shift.Exclude(ui::ssMiddle);
    shift.Exclude(ui::ssDouble);
    const bool shiftEmpty = shift == ui::TShiftState{};
    const bool ctrl = shift.Contains(ui::ssCtrl);
    const bool onlyShift = shift == ui::TShiftState{ui::ssShift};
    const bool multiSelect = options.SelectionOptions.Contains(toMultiSelect);
    const bool extended = shift.Contains(ui::ssShift) && multiSelect && !t.TreeStates().Contains(tsEditing);
    bool addRange =
        extended && (key == ui::VK_PRIOR || key == ui::VK_NEXT || key == ui::VK_END || key == ui::VK_HOME);
    const bool invalidateAll = addRange || t.SelectedCount() > 1;
    const bool grid = options.MiscOptions.Contains(toGridExtensions);
    const bool resetSelection = !(!shiftEmpty && (!grid || shift.Contains(ui::ssShift)) && multiSelect &&
                                  key != ui::VK_BACK && key != ui::VK_TAB);
    PLazyNode lastFocused = t.FocusedNode();
    if (!lastFocused && !shiftEmpty) lastFocused = t.GetFirstVisible();
    PLazyNode anchor = t.RangeAnchor()        ? t.RangeAnchor()
                       : t.GetFirstSelected() ? t.GetFirstSelected()
                                              : t.GetFirst();
    const auto before = [&](PLazyNode a, PLazyNode b) {
        return a && b && t.CompareTreeOrder(a, b, true) < 0;
    };
    PLazyNode focused = t.FocusedNode();
    const int clientHeight = ClientHeight();

    switch (key) {
    case ui::VK_BACK:
        if (t.TreeStates().Contains(tsIncrementalSearching)) {
            t.DoStateChange({tsIncrementalSearchPending});
        } else if (focused && focused->Parent != t.RootNode()) {
            FocusNodeByKey(focused->Parent);
        }
        break;
    case ui::VK_TAB:
        if (!options.SelectionOptions.Contains(toExtendedFocus) || header_.Columns().Count() == 0)
            return false;
        TabToCell(shift.Contains(ui::ssShift));
        break;
    case ui::VK_PRIOR:
    case ui::VK_NEXT: {
        const bool up = key == ui::VK_PRIOR;
        if (ctrl && shift.Contains(ui::ssShift)) {
            t.SetOffsetX(t.OffsetX() + (up ? 1 : -1) * ClientWidth());
        } else if (onlyShift) {
            // Paging the focused column: nothing to page without columns.
        } else if (ctrl) {
            t.SetOffsetY(t.OffsetY() + (up ? 1 : -1) * clientHeight);
        } else if (!focused) {
            FocusNodeByKey(up ? t.GetFirstVisible() : t.GetLastVisible());
        } else {
            PLazyNode node = focused;
            int passed = 0;
            for (;;) {
                PLazyNode step = up ? t.GetPreviousVisible(node) : t.GetNextVisible(node);
                if (!step || passed + node->NodeHeight >= clientHeight) break;
                passed += node->NodeHeight;
                node = step;
            }
            FocusNodeByKey(node);
        }
        break;
    }
    case ui::VK_HOME:
    case ui::VK_END: {
        const bool home = key == ui::VK_HOME;
        PLazyNode node = home ? t.GetFirstVisible() : t.GetLastVisible();
        if (shift == ui::TShiftState{ui::ssCtrl} && !grid) {
            // Looks without moving the focus.
            if (node) t.ScrollIntoView(node, options.SelectionOptions.Contains(toCenterScrollIntoView));
            t.SetOffsetX(home ? 0 : -t.RangeX());
        } else {
            FocusNodeByKey(node);
        }
        break;
    }
    case ui::VK_LEFT:
        if (ctrl) {
            t.SetOffsetX(t.OffsetX() + header_.Columns().GetScrollWidth());
        } else if (options.SelectionOptions.Contains(toExtendedFocus) && grid) {
            StepFocusedColumn(-1);
        } else if (!focused) {
            FocusNodeByKey(t.GetFirstVisible());
        } else if (t.Expanded(focused) && focused->ChildCount > 0 && shiftEmpty) {
            t.ToggleNode(focused);
        } else if (focused->Parent != t.RootNode()) {
            if (extended) {
                if (focused->PrevSibling)
                    addRange = true;
                else if (before(anchor, focused->Parent))
                    t.RemoveFromSelection(focused);
            }
            FocusNodeByKey(focused->Parent);
        }
        break;
    case ui::VK_RIGHT:
        if (ctrl) {
            t.SetOffsetX(t.OffsetX() - header_.Columns().GetScrollWidth());
        } else if (options.SelectionOptions.Contains(toExtendedFocus) && grid) {
            StepFocusedColumn(1);
        } else if (!focused) {
            FocusNodeByKey(t.GetFirstVisible());
        } else if (!t.Expanded(focused) && focused->States.Contains(nsHasChildren) && shiftEmpty) {
            t.ToggleNode(focused);
        } else if (PLazyNode child = t.GetFirstVisibleChild(focused)) {
            if (extended && before(child, anchor)) t.RemoveFromSelection(focused);
            FocusNodeByKey(child);
        }
        break;
    case ui::VK_UP:
    case ui::VK_DOWN: {
        const bool up = key == ui::VK_UP;
        if (ctrl) {
            t.SetOffsetY(t.OffsetY() + (up ? 1 : -1) * t.DefaultNodeHeight());
            break;
        }
        PLazyNode node = !focused ? t.GetFirstVisible()
                         : up     ? t.GetPreviousVisible(focused)
                                  : t.GetNextVisible(focused);
        if (!node) {
            if (focused) t.InvalidateNode(focused);
            break;
        }
        EndEditNode();
        if (extended && focused && (up ? before(anchor, lastFocused) : before(lastFocused, anchor)))
            t.RemoveFromSelection(focused);
        FocusNodeByKey(node);
        break;
    }
    default:
        return false;
    }

    PLazyNode now = t.FocusedNode();
    const bool moved = now != focused;
    bool cleared = false;
    if (resetSelection && !(!moved && t.SelectedCount() == 1)) {
        t.UnselectAll();
        cleared = true;
    }
    if (now && shiftEmpty) t.HandleClickSelection(now, {}, false);
    if (addRange && now && lastFocused) t.ToggleSelection(lastFocused, now);
    if ((cleared || moved) && now && !t.IsSelected(now)) t.AddToSelection(now);
    if (invalidateAll) Invalidate();
    return true;
}

} // namespace lazytree
