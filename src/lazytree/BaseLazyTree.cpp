#include "lazytree/BaseLazyTree.h"

#include "lazytree/ScopeExit.h"
#include "platform/ui/ImageList.h"
#include "platform/ui/Messages.h"
#include "platform/ui/Timers.h"

namespace lazytree {

namespace {
// A client's request for the tree's accessible object.
constexpr uint32_t kGetObjectMessage = 0x003D;
} // namespace

TBaseLazyTree::TBaseLazyTree(ui::TComponent* owner)
    : ui::TCustomControl(owner), host_(*this), tree_(*this, &host_) {
    SetColor(ui::clWindow);
    SetTabStop(true);
    header_.OnChange = [this](bool layout) { HeaderChanged(layout); };
}

// The header lives in the non-client area: showing, hiding or sizing it moves the client area.
void TBaseLazyTree::HeaderChanged(bool layout) {
    if (layout) {
        BoundsChanged();
        Perform(ui::WM_SIZE, ui::SIZE_RESTORED, ui::MakeLParam(ClientWidth(), ClientHeight()));
        tree_.UpdateScrollBars();
        Invalidate();
    }
    if (HeaderVisible()) InvalidateRect({0, -header_.Height(), ClientWidth(), 0});
}

TBaseLazyTree::~TBaseLazyTree() {
    destroying_ = true;
    if (IsEditing()) DoCancelEdit();
    editLink_.reset();
    ui::Timers().KillTimers(this);
}

void TBaseLazyTree::TModel::DoInitNode(PLazyNode parent, PLazyNode node, TLazyNodeInitStates& initialStates) {
    control_.DoNodeInitialized(node);
    TLazyTreeModel::DoInitNode(parent, node, initialStates);
}

void TBaseLazyTree::TModel::NodeInvalidated(PLazyNode node) {
    control_.DoNodeInvalidated(node);
}

int TBaseLazyTree::TModel::ContentWidth() {
    const auto& columns = control_.header_.Columns();
    return columns.Count() > 0 ? columns.TotalWidth() : TLazyTreeModel::ContentWidth();
}

// ---- Look ----

namespace {

template <class T>
bool Change(T& field, T value) {
    if (field == value) return false;
    field = value;
    return true;
}

} // namespace

void TBaseLazyTree::SetImages(ui::TCustomImageList* list) {
    if (Change(images_, list)) Invalidate();
}

void TBaseLazyTree::SetStateImages(ui::TCustomImageList* list) {
    if (Change(stateImages_, list)) Invalidate();
}

void TBaseLazyTree::SetCheckImages(ui::TCustomImageList* list) {
    if (Change(checkImages_, list)) Invalidate();
}

void TBaseLazyTree::SetLineMode(TVTLineMode value) {
    if (Change(lineMode_, value)) Invalidate();
}

void TBaseLazyTree::SetLineStyle(TVTLineStyle value) {
    if (Change(lineStyle_, value)) InvalidateGlyphs();
}

void TBaseLazyTree::SetButtonStyle(TVTButtonStyle value) {
    if (Change(buttonStyle_, value)) InvalidateGlyphs();
}

void TBaseLazyTree::SetButtonFillMode(TVTButtonFillMode value) {
    if (Change(buttonFillMode_, value)) InvalidateGlyphs();
}

void TBaseLazyTree::SetNodeAlignment(TVTNodeAlignment value) {
    if (Change(nodeAlignment_, value)) Invalidate();
}

void TBaseLazyTree::SetSelectionCurveRadius(int value) {
    if (Change(selectionCurveRadius_, std::max(0, value))) Invalidate();
}

void TBaseLazyTree::SetDrawSelectionMode(TVTDrawSelectionMode value) {
    if (Change(drawSelectionMode_, value)) Invalidate();
}

void TBaseLazyTree::SetSelectionBlendFactor(uint8_t value) {
    if (Change(selectionBlendFactor_, value)) Invalidate();
}

void TBaseLazyTree::SetBiDiMode(TBiDiMode value) {
    if (value == tree_.BiDiMode()) return;
    tree_.SetBiDiMode(value);
    auto& columns = header_.Columns();
    for (TColumnIndex i = 0; i < columns.Count(); ++i)
        if (columns[i].Options().Contains(coParentBidiMode)) columns[i].Look().BiDiMode = value;
    if (tree_.Options().AutoOptions.Contains(toAutoBidiColumnOrdering))
        columns.OrderForLayout(tree_.UseRightToLeftAlignment());
    HeaderChanged(false);
    Invalidate();
}

int TBaseLazyTree::RTLOffset() const {
    if (!tree_.UseRightToLeftAlignment() || header_.Columns().Count() == 0) return 0;
    return std::max(0, ClientWidth() - tree_.RangeX());
}

bool TBaseLazyTree::CellRightToLeft(TColumnIndex column) const {
    const auto& columns = header_.Columns();
    const int mode = columns.IsValidColumn(column) ? columns[column].Look().BiDiMode : tree_.BiDiMode();
    return mode != bdLeftToRight;
}

ui::TColor TBaseLazyTree::MainColumnColor() const {
    const auto& columns = header_.Columns();
    const TColumnIndex main = header_.MainColumn();
    if (!columns.IsValidColumn(main) || columns[main].Options().Contains(coParentColor)) return TreeColor();
    return columns[main].Look().Color;
}

// Buttons and line patterns depend on colours, the font and the styles: built again when next painted.
void TBaseLazyTree::InvalidateGlyphs() {
    buttonsValid_ = false;
    linePatterns_.clear();
    Invalidate();
}

void TBaseLazyTree::ApplyFont() {
    ui::TCustomControl::ApplyFont();
    InvalidateGlyphs();
    FontChanged();
}

void TBaseLazyTree::ApplyColor() {
    ui::TCustomControl::ApplyColor();
    InvalidateGlyphs();
}

ui::TColor TBaseLazyTree::TreeColor() const {
    return Color();
}

bool TBaseLazyTree::HasFocus() const {
    return Focused();
}

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
    tree_.ApplyThemes();
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
    header_.TreeResized();
    tree_.UpdateScrollBars();
}

void TBaseLazyTree::WndProc(ui::TMessage& message) {
    if (HeaderMessage(message)) return;
    switch (message.Msg) {
    case kGetObjectMessage:
        // No accessibility provider exists: clients get no object and the tree sends no events.
        message.Result = 0;
        break;
    case ui::WM_VSCROLL:
        Scroll(ui::SB_VERT, ui::LoWord(message.WParam));
        break;
    case ui::WM_HSCROLL:
        Scroll(ui::SB_HORZ, ui::LoWord(message.WParam));
        break;
    case ui::WM_NCPAINT:
        ui::TCustomControl::WndProc(message);
        if (HeaderVisible()) {
            // The header lies between the border and the client area.
            const ui::TRect client = ClientRectInWindow();
            PaintHeader(*reinterpret_cast<ui::TCanvas*>(message.LParam),
                        {0, 0, client.Width(), header_.Height()},
                        {client.Left, client.Top - header_.Height()});
        }
        break;
    case ui::CM_HINTSHOW:
        ShowHint(message);
        break;
    case ui::CM_MOUSELEAVE:
        MouseLeft();
        ui::TCustomControl::WndProc(message);
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
    // Fixed columns stay put: a horizontal page is what scrolls beside them.
    const int page = vertical ? ClientHeight() : ClientWidth() - header_.Columns().GetVisibleFixedWidth();
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
