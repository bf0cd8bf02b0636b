#include "lazytree/BaseLazyTree.h"

#include "lazytree/ScopeExit.h"
#include "platform/ui/Messages.h"

namespace lazytree {

TBaseLazyTree::TBaseLazyTree(ui::TComponent* owner)
    : ui::TCustomControl(owner), host_(*this), tree_(&host_) {}

TBaseLazyTree::~TBaseLazyTree() = default;

void TBaseLazyTree::THost::SetRedraw(bool on) {
    control_.Perform(ui::WM_SETREDRAW, on ? 1 : 0);
}

void TBaseLazyTree::THost::Invalidate(const TTreeRect* rect) {
    if (rect)
        control_.InvalidateRect(*rect);
    else
        control_.Invalidate();
}

void TBaseLazyTree::THost::ScrollContent(int dx, int dy, const TTreeRect& clip) {
    control_.ScrollWindow(dx, dy, &clip);
}

void TBaseLazyTree::THost::SetScrollBar(bool horizontal, const TScrollBarState& state) {
    const int bar = horizontal ? ui::SB_HORZ : ui::SB_VERT;
    if (!state.Visible) {
        control_.ShowScrollBar(bar, false);
        return;
    }
    // A bar that must stay although everything fits is shown disabled.
    control_.SetScrollBarDisableNoScroll(bar, !state.Enabled);
    ui::TScrollInfo info;
    info.max = state.Max;
    info.page = state.Page;
    info.pos = state.Position;
    control_.SetScrollInfo(bar, info);
}

TTreePoint TBaseLazyTree::THost::CursorPos() const {
    return control_.mouse_;
}

void TBaseLazyTree::CreateWnd() {
    ui::TCustomControl::CreateWnd();
    tree_.UpdateScrollBars();
}

// A disabled tree draws disabled check images.
void TBaseLazyTree::ApplyEnabled() {
    ui::TCustomControl::ApplyEnabled();
    tree_.SetEnabled(Enabled());
}

void TBaseLazyTree::Resize() {
    ui::TCustomControl::Resize();
    // Bars that come or go change the client area once more; that second round is the same one.
    if (resizing_) return;
    resizing_ = true;
    TScopeExit done([this] { resizing_ = false; });
    tree_.UpdateScrollBars();
}

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

void TBaseLazyTree::MouseDown(ui::TMouseButton button, ui::TShiftState shift, int x, int y) {
    const bool panning = tree_.TreeStates().Contains(tsWheelPanning);
    if (panning) {
        // Any button ends the panning.
        tree_.StopWheelPanning();
        SetMouseCapture(false);
        SetCursor(ownCursor_);
    } else if (button == ui::mbMiddle && tree_.Options().MiscOptions.Contains(toWheelPanning)) {
        tree_.StartWheelPanning({x, y});
        SetMouseCapture(true);
        ownCursor_ = Cursor();
        SetCursor(PanningShape(tree_.PanningCursor(x, y)));
    }
    ui::TCustomControl::MouseDown(button, shift, x, y);
}

void TBaseLazyTree::MouseMove(ui::TShiftState shift, int x, int y) {
    mouse_ = {x, y};
    tree_.DoAutoScroll(x, y);
    if (tree_.TreeStates().Contains(tsWheelPanning)) SetCursor(PanningShape(tree_.PanningCursor(x, y)));
    ui::TCustomControl::MouseMove(shift, x, y);
}

void TBaseLazyTree::WndProc(ui::TMessage& message) {
    switch (message.Msg) {
    case ui::WM_VSCROLL:
        Scroll(ui::SB_VERT, ui::LoWord(message.WParam));
        break;
    case ui::WM_HSCROLL:
        Scroll(ui::SB_HORZ, ui::LoWord(message.WParam));
        break;
    default:
        ui::TCustomControl::WndProc(message);
        break;
    }
}

// A scroll-bar action becomes a new offset; the model clamps it and moves the bar.
void TBaseLazyTree::Scroll(int bar, int code) {
    const bool vertical = bar == ui::SB_VERT;
    const int offset = vertical ? tree_.OffsetY() : tree_.OffsetX();
    const int line = vertical ? tree_.VerticalIncrement() : tree_.HorizontalIncrement();
    const int page = vertical ? ClientHeight() : ClientWidth();
    int position = -offset;
    switch (code) {
    case ui::SB_LINEUP:
        position -= line;
        break;
    case ui::SB_LINEDOWN:
        position += line;
        break;
    case ui::SB_PAGEUP:
        position -= page;
        break;
    case ui::SB_PAGEDOWN:
        position += page;
        break;
    case ui::SB_THUMBPOSITION:
    case ui::SB_THUMBTRACK:
        position = GetScrollInfo(bar).trackPos;
        break;
    case ui::SB_TOP:
        position = 0;
        break;
    case ui::SB_BOTTOM:
        position = vertical ? tree_.RangeY() : tree_.RangeX();
        break;
    default:
        return;
    }
    if (vertical)
        tree_.SetOffsetY(-position);
    else
        tree_.SetOffsetX(-position);
}

} // namespace lazytree
