#include "platform/ui/ScrollBoxes.h"

#include "platform/rtl/ScopeExit.h"

#include <algorithm>

namespace ui {

namespace {
// A line of a scroll arrow, in pixels.
constexpr int kLineStep = 8;
} // namespace

TScrollBox::TScrollBox(TComponent* owner) : TWinControl(owner) {
    SetBounds(0, 0, 185, 41);
    SetBorderStyle(bsSingle);
    SetColor(clBtnFace);
    TControlStyle style = ControlStyle();
    style.Include(csAcceptsControls);
    SetControlStyle(style);
}

void TScrollBox::AlignControls(TControl* changed, TRect& rect) {
    TWinControl::AlignControls(changed, rect);
    UpdateScrollBars();
}

void TScrollBox::UpdateScrollBars() {
    if (updating_) return;
    const rtl::ScopeExit done([this] { updating_ = false; });
    updating_ = true;
    // Twice: a bar that appears takes room from the other direction.
    for (int pass = 0; pass < 2; ++pass)
        for (int bar : {SB_HORZ, SB_VERT}) {
            int extent = 0;
            for (int i = 0; i < ControlCount(); ++i) {
                const TControl* child = Controls(i);
                if (child->Visible())
                    extent = std::max(extent, bar == SB_HORZ ? child->BoundsRect().Right
                                                             : child->BoundsRect().Bottom);
            }
            const int client = bar == SB_HORZ ? ClientWidth() : ClientHeight();
            TScrollInfo info;
            info.max = std::max(extent + position_[bar], client) - 1;
            info.page = client;
            info.pos = position_[bar];
            SetScrollInfo(bar, info);
            ShowScrollBar(bar, true);
        }
    for (int bar : {SB_HORZ, SB_VERT}) {
        const TScrollInfo info = GetScrollInfo(bar);
        const int last = std::max(0, info.max - info.page + 1);
        if (position_[bar] > last) SetPosition(bar, last);
    }
}

void TScrollBox::SetPosition(int bar, int pos) {
    const TScrollInfo info = GetScrollInfo(bar);
    pos = std::clamp(pos, 0, std::max(0, info.max - info.page + 1));
    const int delta = position_[bar] - pos;
    if (delta == 0) return;
    position_[bar] = pos;
    {
        const bool wasUpdating = updating_;
        const rtl::ScopeExit done([&] { updating_ = wasUpdating; });
        updating_ = true;
        for (int i = 0; i < ControlCount(); ++i) {
            TControl* child = Controls(i);
            if (bar == SB_HORZ)
                child->SetLeft(child->Left() + delta);
            else
                child->SetTop(child->Top() + delta);
        }
    }
    TScrollInfo moved = GetScrollInfo(bar);
    moved.pos = pos;
    SetScrollInfo(bar, moved);
}

void TScrollBox::ScrollInView(TControl* control) {
    if (!control || control->Parent() != this) return;
    const TRect r = control->BoundsRect();
    const auto bring = [&](int bar, int low, int high, int client) {
        if (high > client)
            SetPosition(bar, position_[bar] + std::min(high - client, low));
        else if (low < 0)
            SetPosition(bar, position_[bar] + low);
    };
    bring(SB_HORZ, r.Left, r.Right, ClientWidth());
    bring(SB_VERT, r.Top, r.Bottom, ClientHeight());
}

void TScrollBox::Scroll(int bar, int code, int thumb) {
    const TScrollInfo info = GetScrollInfo(bar);
    int pos = position_[bar];
    switch (code) {
    case SB_LINEUP:
        pos -= kLineStep;
        break;
    case SB_LINEDOWN:
        pos += kLineStep;
        break;
    case SB_PAGEUP:
        pos -= info.page;
        break;
    case SB_PAGEDOWN:
        pos += info.page;
        break;
    case SB_THUMBPOSITION:
    case SB_THUMBTRACK:
        pos = thumb;
        break;
    case SB_TOP:
        pos = 0;
        break;
    case SB_BOTTOM:
        pos = info.max;
        break;
    default:
        return;
    }
    SetPosition(bar, pos);
}

void TScrollBox::WndProc(TMessage& message) {
    switch (message.Msg) {
    case WM_HSCROLL:
    case WM_VSCROLL:
        Scroll(message.Msg == WM_HSCROLL ? SB_HORZ : SB_VERT, LoWord(message.WParam), HiWord(message.WParam));
        return;
    case WM_SIZE:
        TWinControl::WndProc(message);
        UpdateScrollBars();
        return;
    default:
        TWinControl::WndProc(message);
    }
}

} // namespace ui
