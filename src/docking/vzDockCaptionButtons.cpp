#include "docking/vzDockCaptionButtons.h"

#include "docking/vzDockControl.h"
#include "docking/vzDockManager.h"

namespace docking {

namespace {

// The item whose mask holds standard button `index`; button 9 has none.
int ItemOfButton(int index) {
    static constexpr int kItems[kStandardButtonCount] = {
        dbiHide, dbiUndock, dbiAutoHide, dbiAutoHide, dbiMaximizeRestore, dbiMaximizeRestore,
        dbiMenu, dbiCustom, dbiHelp,     -1};
    return kItems[index];
}

} // namespace

bool StandardButtonVisible(int index, bool commandEnabled, const TvzButtonVisibility& v) {
    const int item = ItemOfButton(index);
    if (!v.captionShown || item < 0 || !v.items.Contains(static_cast<TvzDockButtonItem>(item))) return false;
    if (index == 2 && v.autoHidden) return false;
    if (index == 3 && !v.autoHidden) return false;
    if (index == 4 && v.panelState == 1) return false;
    if (index == 5 && v.panelState != 1) return false;
    return commandEnabled || v.showDisabled;
}

std::array<ui::TRect, kStandardButtonCount>
LayoutStandardButtons(const ui::TRect& area, const std::array<bool, kStandardButtonCount>& visible,
                      ui::TPoint extent, int border, int& usedWidth) {
    std::array<ui::TRect, kStandardButtonCount> rects{};
    usedWidth = 0;
    const int top = area.Top + (area.Height() - extent.Y) / 2;
    for (int i = 0; i < kStandardButtonCount; ++i) {
        if (!visible[i]) continue;
        const int right = area.Right - border - usedWidth;
        rects[i] = {right - extent.X, top, right, top + extent.Y};
        usedWidth += extent.X + 1;
    }
    return rects;
}

// ---- TvzDockButton ----

TvzDockButton::TvzDockButton(int kind)
    : kind_(kind), link_([this](TvzCustomDockAction* a) { ActionChanged(a); }) {}

void TvzDockButton::SetState(TState state) {
    if (state == state_) return;
    state_ = state;
    if (OnStateChange) OnStateChange();
}

void TvzDockButton::ActionChanged(TvzCustomDockAction* action) {
    if (!action) return;
    if (!action->Enabled())
        SetState(bsDisabled);
    else if (state_ == bsDisabled)
        SetState(bsNormal);
}

void TvzDockButton::SetVisible(bool visible) {
    visible_ = visible;
    if (!visible) {
        pressed_ = false;
        over_ = false;
    }
}

void TvzDockButton::MouseEnter(bool captureGranted) {
    if (over_ || state_ == bsDisabled) return;
    over_ = true;
    if (captureGranted) SetState(pressed_ ? bsPressed : bsHot);
}

void TvzDockButton::MouseLeave(bool captureReleased) {
    if (!over_ || state_ == bsDisabled) return;
    over_ = false;
    if (!pressed_ && state_ != bsNormal && captureReleased) SetState(bsNormal);
}

void TvzDockButton::MouseDown() {
    pressed_ = true;
    if (state_ != bsDisabled) SetState(bsPressed);
}

bool TvzDockButton::MouseUp(bool cursorOver) {
    if (!pressed_) return false;
    pressed_ = false;
    if (state_ != bsDisabled) SetState(cursorOver ? bsHot : bsNormal);
    if (!cursorOver) over_ = false;
    return cursorOver && link_.Action() != nullptr;
}

// ---- TvzDockCaptionButtons ----

TvzDockCaptionButtons::TvzDockCaptionButtons(TvzCustomDockingControl* control) : control_(control) {
    for (int i = 0; i < kStandardButtonCount; ++i) {
        buttons_[i] = std::make_unique<TvzDockButton>(i);
        buttons_[i]->Link().SetAction(
            control->Actions(DefaultDockCommands()[static_cast<std::size_t>(i)].id));
        buttons_[i]->OnStateChange = [this] { control_->Invalidate(); };
    }
}

TvzButtonVisibility TvzDockCaptionButtons::Snapshot() const {
    TvzButtonVisibility v;
    v.captionShown = captionShown_;
    v.autoHidden = control_->AutoHidden();
    v.panelState = control_->PanelState();
    if (const TvzCustomDockingManager* manager = control_->DockingManager()) {
        v.items = manager->CaptionButtons();
        v.showDisabled = manager->ShowDisabledButtons();
    }
    return v;
}

void TvzDockCaptionButtons::SetButtonArea(const ui::TRect& area) {
    const TvzButtonVisibility now = Snapshot();
    if (layoutDone_ && area == area_ && now.items == snapshot_.items &&
        now.panelState == snapshot_.panelState && now.showDisabled == snapshot_.showDisabled &&
        now.autoHidden == snapshot_.autoHidden)
        return;
    area_ = area;
    LayoutButtons();
}

void TvzDockCaptionButtons::SetCaptionShown(bool shown) {
    if (shown == captionShown_) return;
    captionShown_ = shown;
    LayoutButtons();
}

void TvzDockCaptionButtons::LayoutButtons() {
    const TvzCustomDockingManager* manager = control_->DockingManager();
    if (!manager) return;
    snapshot_ = Snapshot();
    layoutDone_ = true;
    std::array<bool, kStandardButtonCount> visible{};
    for (int i = 0; i < kStandardButtonCount; ++i) {
        const TvzCustomDockAction* action = buttons_[i]->Link().Action();
        visible[i] = StandardButtonVisible(i, action && action->Enabled(), snapshot_);
    }
    const auto rects = LayoutStandardButtons(area_, visible, manager->Style()->CaptionButtonExtent(),
                                             manager->Style()->GetMetric(2), usedWidth_);
    for (int i = 0; i < kStandardButtonCount; ++i) {
        buttons_[i]->SetVisible(visible[i]);
        buttons_[i]->SetBounds(rects[i]);
    }
}

TvzDockButton* TvzDockCaptionButtons::ButtonAt(ui::TPoint point) {
    for (auto& button : buttons_)
        if (button->Visible() && button->Bounds().Contains(point)) return button.get();
    return nullptr;
}

void TvzDockCaptionButtons::Paint(ui::TCanvas& canvas, int captionState) {
    const TvzCustomDockingManager* manager = control_->DockingManager();
    if (!manager) return;
    for (auto& button : buttons_) {
        if (!button->Visible()) continue;
        manager->Style()->PaintCaptionButton(canvas, button->Bounds(),
                                             static_cast<uistyle::TvzDockButtonState>(button->State()),
                                             static_cast<uistyle::TvzDockCaptionState>(captionState),
                                             static_cast<uistyle::TvzDockButtonKind>(button->Kind()));
    }
}

bool TvzDockCaptionButtons::MouseMove(ui::TPoint point) {
    TvzDockButton* over = ButtonAt(point);
    if (over == hot_) return over != nullptr;
    TvzCustomDockingManager* manager = control_->DockingManager();
    if (hot_) hot_->MouseLeave(!hot_->Pressed() && manager && manager->CaptureMouse(nullptr));
    hot_ = over;
    if (hot_) hot_->MouseEnter(manager && manager->CaptureMouse(control_));
    return hot_ != nullptr;
}

bool TvzDockCaptionButtons::MouseDown(ui::TPoint point) {
    TvzDockButton* button = ButtonAt(point);
    if (!button) return false;
    button->MouseDown();
    return true;
}

bool TvzDockCaptionButtons::MouseUp(ui::TPoint point) {
    for (auto& button : buttons_) {
        if (!button->Pressed()) continue;
        const bool run = button->MouseUp(button->Visible() && button->Bounds().Contains(point));
        if (run) button->Link().Action()->Execute();
        return true;
    }
    return false;
}

} // namespace docking
