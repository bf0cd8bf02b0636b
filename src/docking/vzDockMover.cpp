#include "docking/vzDockMover.h"

#include "docking/vzDockAutoHide.h"
#include "docking/vzDockContainer.h"
#include "docking/vzDocker.h"
#include "docking/vzDockingSite.h"
#include "docking/vzDockTabs.h"
#include "docking/vzDockTexts.h"
#include "docking/vzDockUtils.h"
#include "docking/vzMaskForms.h"
#include "platform/rtl/Format.h"
#include "platform/ui/Application.h"
#include "platform/ui/Canvas.h"
#include "platform/ui/Forms.h"
#include "platform/ui/Hints.h"
#include "platform/ui/KeyCodes.h"
#include "platform/ui/Menus.h"
#include "platform/ui/Messages.h"
#include "platform/ui/Mouse.h"

#include <algorithm>
#include <array>

namespace docking::drag {

ui::TRect StartFrame(ui::TPoint topLeft, ui::TPoint size, ui::TPoint cursor) {
    ui::TRect frame = ui::Bounds(topLeft.X, topLeft.Y, std::max(1, size.X), std::max(1, size.Y));
    const int dx = cursor.X < frame.Left     ? cursor.X - frame.Left
                   : cursor.X >= frame.Right ? cursor.X - frame.Right + 1
                                             : 0;
    const int dy = cursor.Y < frame.Top       ? cursor.Y - frame.Top
                   : cursor.Y >= frame.Bottom ? cursor.Y - frame.Bottom + 1
                                              : 0;
    return ui::OffsetRect(frame, dx, dy);
}

TvzDockingShiftState DockingShift(ui::TShiftState shift) {
    TvzDockingShiftState keys;
    const std::pair<ui::TShiftStateMember, TvzDockingShift> map[] = {
        {ui::ssShift, dssShift}, {ui::ssCtrl, dssCtrl},     {ui::ssLeft, dssLeft},
        {ui::ssRight, dssRight}, {ui::ssMiddle, dssMiddle},
    };
    for (const auto& [key, dockKey] : map)
        if (shift.Contains(key)) keys.Include(dockKey);
    return keys;
}

bool DockingAllowed(ui::TShiftState shift, TvzDockingShiftState dockKey, bool autoDragDocking) {
    return autoDragDocking && DockingShift(shift) == dockKey;
}

} // namespace docking::drag

namespace docking {

using drag::TvzDropPlace;

void TvzOverlayWindow::WndProc(ui::TMessage& message) {
    if (message.Msg == ui::WM_NCPAINT) return;
    ui::THintWindow::WndProc(message);
}

namespace {

// One bar of the landing place's outline: a top-most window that never takes the focus, painted
// with a halftone of black and white.
class TvzMaskBar : public TvzOverlayWindow {
protected:
    void Paint() override {
        ui::TCanvas& canvas = *Canvas();
        canvas.Brush()->SetStyle(ui::bsSolid);
        canvas.Brush()->SetColor(ui::clWhite);
        canvas.FillRect(ClientRect());
        canvas.Brush()->SetStyle(ui::bsDiagCross);
        canvas.Brush()->SetColor(ui::clBlack);
        canvas.FillRect(ClientRect());
    }
};

} // namespace

// ---- TvzTranslucentFrame ----

void TvzTranslucentFrame::SetLook(const TvzFrameLook& look) {
    if (look == look_) return;
    look_ = look;
    Invalidate();
}

void TvzTranslucentFrame::SetShape(const ui::TRegion& shape) {
    if (shape == shape_) return;
    shape_ = shape;
    ui::SetWindowRegion(*this, &shape_);
    Invalidate();
}

void TvzTranslucentFrame::Paint() {
    ui::TCanvas& canvas = *Canvas();
    const ui::TRect client = ClientRect();
    const ui::TRegion region = shape_.IsEmpty() ? ui::TRegion(client) : shape_;
    bool defaultDrawing = true;
    if (OnCustomPaint) OnCustomPaint(this, &canvas, region, client, cpsBefore, defaultDrawing);
    if (defaultDrawing) {
        canvas.Brush()->SetStyle(ui::bsSolid);
        canvas.Brush()->SetColor(look_.fill);
        for (const ui::TRect& r : region.Rects())
            canvas.FillRect(r);
        // An opaque frame would hide what it lands on; the border marks a see-through one.
        if (ui::AlphaBlendValue(*this) < 255) {
            canvas.Brush()->SetColor(look_.border);
            for (const ui::TRect& r : mask::FrameBorder(region, look_.borderSize).Rects())
                canvas.FillRect(r);
        }
    }
    if (OnCustomPaint) OnCustomPaint(this, &canvas, region, client, cpsAfter, defaultDrawing);
}

// ---- TvzDragFeedback ----

TvzDragFeedback::TvzDragFeedback() {
    for (auto& bar : bars_)
        bar = std::make_unique<TvzMaskBar>();
    hint_ = std::make_unique<ui::THintWindow>(nullptr);
}

TvzDragFeedback::~TvzDragFeedback() = default;

void TvzDragFeedback::SetTranslucent(uint8_t alpha) {
    Hide();
    translucent_ = std::make_unique<TvzTranslucentFrame>();
    ui::SetAlphaBlendValue(*translucent_, alpha);
}

void TvzDragFeedback::Show(const ui::TRect& frame, const ui::TRegion& shape, const std::string& hint,
                           ui::TPoint cursor) {
    if ((frame != frame_ || !(shape == shape_)) && translucent_) {
        frame_ = frame;
        shape_ = shape;
        ui::TRegion local = shape;
        local.Offset(-frame.Left, -frame.Top);
        translucent_->SetBoundsRect(frame);
        translucent_->SetShape(local);
        translucent_->Show();
        translucent_->BringToFront();
    } else if (frame != frame_) {
        frame_ = frame;
        const auto rects = mask::OutlineBars(frame, kOutlineWidth);
        for (std::size_t i = 0; i < bars_.size(); ++i) {
            bars_[i]->SetBoundsRect(rects[i]);
            bars_[i]->Show();
            bars_[i]->BringToFront();
        }
    }
    if (hint.empty()) {
        if (hint_->Visible()) hint_->ReleaseHandle();
    } else if (hint != hintText_ || !hint_->Visible()) {
        const ui::TRect size = hint_->CalcHintRect(300, hint, nullptr);
        hint_->ActivateHint(ui::OffsetRect(size, cursor.X + 16, cursor.Y + 16), hint);
    }
    hintText_ = hint;
}

void TvzDragFeedback::Hide() {
    for (auto& bar : bars_)
        bar->Hide();
    if (translucent_) translucent_->Hide();
    if (hint_->Visible()) hint_->ReleaseHandle();
    frame_ = {};
    shape_ = {};
    hintText_.clear();
}

// The window that holds the mouse and the keyboard during a drag and reports to the mover. It
// stands outside its form's client area, so nobody sees it.
class TvzDragCapture : public ui::TCustomControl {
public:
    TvzDragCapture(ui::TComponent* owner, TvzMover* mover) : ui::TCustomControl(owner), mover_(mover) {
        SetBounds(-2, -2, 1, 1);
        SetTabStop(true);
    }

    void Begin(ui::TWinControl* form, ui::TShiftState shift) {
        shift_ = shift;
        SetParent(form);
        SetVisible(true);
        if (CanFocus()) SetFocus();
        capturing_ = true;
        ui::SetCaptureControl(this);
    }
    void End() {
        if (!capturing_) return;
        capturing_ = false;
        if (ui::GetCaptureControl() == this) ui::SetCaptureControl(nullptr);
        SetVisible(false);
        // Between drags it belongs to no form, which would free it.
        SetParent(nullptr);
    }

protected:
    void WndProc(ui::TMessage& message) override {
        if (!capturing_) {
            ui::TCustomControl::WndProc(message);
            return;
        }
        switch (message.Msg) {
        case ui::WM_MOUSEMOVE:
            shift_ = ui::KeysToShiftState(message.WParam);
            mover_->Track(ClientToScreen(ui::PointFromLParam(message.LParam)), shift_);
            return;
        case ui::WM_LBUTTONUP:
        case ui::WM_RBUTTONUP:
        case ui::WM_MBUTTONUP:
            mover_->Track(ClientToScreen(ui::PointFromLParam(message.LParam)), shift_);
            mover_->Finish(true);
            return;
        case ui::WM_KEYDOWN:
        case ui::WM_KEYUP:
            if (message.Msg == ui::WM_KEYDOWN && message.WParam == ui::VK_ESCAPE) {
                mover_->Finish(false);
                return;
            }
            // Ctrl or Shift pressed or let go changes what the drag may do.
            mover_->Track(ui::TMouse::CursorPos(), Buttons() + ui::KeyboardShiftState());
            return;
        case ui::WM_CAPTURECHANGED:
            // Losing the mouse ends the drag as a release would.
            capturing_ = false;
            mover_->Finish(true);
            return;
        default:
            ui::TCustomControl::WndProc(message);
        }
    }

private:
    ui::TShiftState Buttons() const {
        ui::TShiftState buttons;
        for (ui::TShiftStateMember button : {ui::ssLeft, ui::ssRight, ui::ssMiddle})
            if (shift_.Contains(button)) buttons.Include(button);
        return buttons;
    }

    TvzMover* mover_;
    ui::TShiftState shift_;
    bool capturing_ = false;
};

namespace {

// The tab container a drop inside lands in and the tab it lands after (-1: first); none for drops
// of other regions or beside a panel outside any tab container.
std::pair<TvzInsideContainer*, int> TabMark(const TvzDropPlace& place) {
    if (place.region != drtInside && place.region != drtInsideBefore) return {nullptr, -2};
    TvzCustomDockingControl* reference = place.target;
    auto* tabs = dynamic_cast<TvzInsideContainer*>(place.target);
    if (tabs && tabs->ChildCount() > 0)
        reference = tabs->Children(std::max(0, tabs->CurrentTab()));
    else
        tabs = dynamic_cast<TvzInsideContainer*>(place.target->Container());
    if (!tabs) return {nullptr, -2};
    const int index = tabs->IndexOfChild(reference);
    return {tabs, place.region == drtInside ? index : index - 1};
}

} // namespace

// ---- TvzMover ----

TvzMover::TvzMover(TvzCustomDockingManager* owner)
    : TvzCustomMover(owner), feedback_(std::make_unique<TvzDragFeedback>()),
      hover_(std::make_unique<TvzTabHover>([this](ui::TPoint screen, bool activate) {
          auto* tabs = dynamic_cast<TvzInsideContainer*>(ControlAt(screen));
          return tabs ? tabs->OleDragHover(screen, activate) : TGuid{};
      })) {}

TvzMover::~TvzMover() {
    if (Active()) {
        feedback_->Hide();
        capture_->End();
        if (Owner()) Owner()->SetOperation(previousOperation_);
    }
    delete capture_;
}

void TvzMover::StartMove(TvzCustomDockingControl* control, ui::TPoint cursor) {
    TvzCustomDockingManager* manager = Owner();
    if (Active()) throw rtl::EAssertionFailed("A move is running already");
    if (manager->Operation() || !manager->Enabled()) return;
    TvzCustomDockingSite* site = control->ParentSite();
    if (!site || !site->CanUndock(control)) return;
    const bool floating = control->DockState() == dsFloating;
    if (!floating) {
        control->UpdateActionStates();
        TvzCustomDockAction* undock = control->Actions(cmdUndock);
        if (undock && !undock->Enabled()) return;
    }
    ui::TCustomForm* form = ui::GetParentForm(control);
    if (!form) return;

    const TvzCustomPlacementInfo& placement = control->Placement();
    ui::TRect frame = floating
                          ? ui::GetParentForm(site)->BoundsRect()
                          : drag::StartFrame(control->ClientToScreen({0, 0}), placement.floatSize, cursor);
    ui::TPoint size{frame.Width(), frame.Height()};
    if (control->OnStartDock) GuardEvent([&] { control->OnStartDock(control, frame, size); });
    control_ = control;
    previousOperation_ = manager->Operation();
    manager->SetOperation(control);
    frameSize_ = {std::max(1, size.X), std::max(1, size.Y)};
    grab_ = {cursor.X - frame.Left, cursor.Y - frame.Top};
    place_ = {};
    if (!capture_) capture_ = new TvzDragCapture(nullptr, this);
    const ui::TShiftState shift = ui::KeyboardShiftState() + ui::TShiftState{ui::ssLeft};
    capture_->Begin(form, shift);
    DragStarted(shift);
    Track(cursor, shift);
}

bool TvzMover::CanTarget(const TvzCustomDockingControl* control) const {
    for (const TvzCustomDockingControl* up = control; up; up = up->Container())
        if (up == control_) return false;
    TvzCustomDockingSite* site = control->ParentSite();
    return site && !site->IsHoldingSite() && !dynamic_cast<TvzAutoHideDockingSite*>(site) &&
           site->CanDock(control_);
}

TvzCustomDockingControl* TvzMover::ControlAt(ui::TPoint screen) const {
    std::vector<TvzCustomDockingSite*> sites = Owner()->Sites();
    // Floating forms stand over the main form.
    std::stable_partition(sites.begin(), sites.end(),
                          [](const TvzCustomDockingSite* s) { return s->IsFloating(); });
    for (TvzCustomDockingSite* site : sites) {
        if (site->IsHoldingSite() || !site->Showing() || !Considers(site)) continue;
        const ui::TPoint origin = site->ClientToScreen({0, 0});
        if (!ui::Bounds(origin.X, origin.Y, site->Width(), site->Height()).Contains(screen)) continue;
        return site->ControlAtPoint(screen);
    }
    return nullptr;
}

bool TvzMover::Considers(const TvzCustomDockingSite*) const {
    return true;
}

TvzCustomDockingControl* TvzMover::ResolveTarget(TvzCustomDockingControl* control, ui::TPoint screen) const {
    auto* tabs = dynamic_cast<TvzInsideContainer*>(control);
    if (!tabs || tabs->ChildCount() == 0) return control;
    const ui::TPoint at = tabs->ScreenToClient(screen);
    if (!tabs->TabStripRect().Contains(at)) return control;
    // Off every tab the strip stands for its last visible one.
    int tab = tabs->TabAt(at);
    if (tab < 0) tab = std::min(tabs->StripLayout().lastVisible, tabs->ChildCount() - 1);
    if (tab < 0) return control;
    TvzCustomDockingControl* panel = tabs->Children(tab);
    return CanTarget(panel) ? panel : nullptr;
}

TvzDropPlace TvzMover::PlaceOver(TvzCustomDockingControl* control, ui::TPoint screen) {
    TvzDockingRegionType region = Owner()->Docker(control)->RegionAtPoint(screen);
    if (auto* panel = dynamic_cast<TvzDockingControl*>(control)) panel->DockZone(control_, screen, region);
    if (region != drtInside && region != drtInsideBefore) return PlaceAt(control, region);
    TvzCustomDockingControl* target = ResolveTarget(control, screen);
    return target ? PlaceAt(target, region) : TvzDropPlace{};
}

TvzDropPlace TvzMover::PlaceAt(TvzCustomDockingControl* target, TvzDockingRegionType region) {
    TvzDropPlace place;
    if (region == drtNone) return place;
    place.frame = Owner()->Docker(target)->FrameRect(region, control_);
    if (place.frame.IsEmpty()) return place;
    place.target = target;
    place.region = region;
    place.hint =
        rtl::Format(texts::sDockHint, ui::StripHotkey(target->Caption()).c_str(), RegionName(region));
    return place;
}

void TvzMover::Track(ui::TPoint screen, ui::TShiftState shift) {
    if (!Active()) return;
    if (!control_->IsDragShift(shift)) {
        Finish(false);
        return;
    }
    cursor_ = screen;
    TvzCustomDockingManager* manager = Owner();
    TvzDropPlace place;
    if (drag::DockingAllowed(shift, manager->AutoDockKey(), manager->AutoDragDocking())) {
        TvzCustomDockingControl* over = ControlAt(screen);
        if (over && CanTarget(over)) place = PlaceOver(over, screen);
    }
    if (!place.target) {
        place = {};
        place.frame = ui::Bounds(screen.X - grab_.X, screen.Y - grab_.Y, frameSize_.X, frameSize_.Y);
    }
    place_ = place;
    MarkTab(TabMark(place_));
    ShowPlace(place_, screen);
    hover_->Over(screen);
}

void TvzMover::MarkTab(std::pair<TvzInsideContainer*, int> mark) {
    if (markedTabs_ && markedTabs_ != mark.first) ShowTabMark(*markedTabs_, -2);
    if (mark.first) ShowTabMark(*mark.first, mark.second);
    markedTabs_ = mark.first;
}

void TvzMover::ShowTabMark(TvzInsideContainer& tabs, int mark) {
    tabs.SetDropMark(mark);
}

void TvzMover::ShowPlace(const TvzDropPlace& place, ui::TPoint cursor) {
    feedback_->Show(place.frame, place.shape, Owner()->ShowDockingHint() ? place.hint : std::string(),
                    cursor);
}

void TvzMover::HidePlace() {
    feedback_->Hide();
}

void TvzMover::Finish(bool accepted) {
    if (!Active()) return;
    HidePlace();
    MarkTab({nullptr, -2});
    hover_->Leave();
    capture_->End();
    if (accepted) {
        Drop();
    } else {
        control_->SetFocus();
        EndDock(nullptr, true);
    }
    if (TvzCustomDockingManager* manager = Owner()) manager->SetOperation(previousOperation_);
    control_ = nullptr;
    place_ = {};
}

void TvzMover::Drop() {
    TvzCustomDockingControl* control = control_;
    try {
        if (place_.target) {
            Owner()->Docker(place_.target)->Dock(place_.region, control, true);
            EndDock(place_.target, false);
            return;
        }
        if (control->DockState() == dsFloating) {
            ui::GetParentForm(control->ParentSite())->SetBoundsRect(place_.frame);
            control->SetFocus();
        } else if (TvzCustomDockAction* undock = control->Actions(cmdUndock); undock && undock->Enabled()) {
            control->Float(place_.frame);
        } else {
            return; // nothing moves, and nobody is told
        }
        EndDock(nullptr, false);
    } catch (const std::exception& error) {
        if (ui::Application) ui::Application->ShowException(error);
    }
}

void TvzMover::EndDock(TvzCustomDockingControl* target, bool cancelled) {
    if (control_->OnEndDock) GuardEvent([&] { control_->OnEndDock(control_, target, cursor_, cancelled); });
}

} // namespace docking
