#include "platform/ui/ControlScrollBars.h"

#include "platform/ui/Metrics.h"

#include <QSignalBlocker>

#include <algorithm>

namespace ui {

int TScrollBarState::MaxPos() const {
    return std::max(info.min, info.max - std::max(info.page - 1, 0));
}

int TScrollBarState::Clamp(int pos) const {
    return std::clamp(pos, info.min, MaxPos());
}

int TControlScrollBars::Extent() {
    return GetSystemMetrics(SM_CXVSCROLL);
}

void TControlScrollBars::Apply(QWidget* window, const TRect& client) {
    const int extent = Extent();
    ApplyBar(SB_VERT, vertWidget_, window, QRect(client.Right, client.Top, extent, client.Height()));
    ApplyBar(SB_HORZ, horzWidget_, window, QRect(client.Left, client.Bottom, client.Width(), extent));
}

void TControlScrollBars::ApplyBar(int bar, QPointer<QScrollBar>& widget, QWidget* window,
                                  const QRect& geometry) {
    const TScrollBarState& state = State(bar);
    if (!window || !state.Visible()) {
        if (widget) widget->hide();
        return;
    }
    if (!widget) {
        widget = new QScrollBar(bar == SB_HORZ ? Qt::Horizontal : Qt::Vertical, window);
        widget->setFocusPolicy(Qt::NoFocus);
        QObject::connect(widget, &QAbstractSlider::actionTriggered, widget,
                         [this, bar](int action) { Action(bar, action); });
        QObject::connect(widget, &QAbstractSlider::sliderReleased, widget, [this, bar] { Released(bar); });
    }
    const QSignalBlocker blocker(widget.data());
    widget->setGeometry(geometry);
    widget->setRange(state.info.min, state.MaxPos());
    widget->setPageStep(std::max(state.info.page, 1));
    if (!state.tracking) widget->setSliderPosition(state.Clamp(state.info.pos));
    widget->setEnabled(state.Scrollable());
    widget->show();
}

void TControlScrollBars::Action(int bar, int action) {
    QPointer<QScrollBar>& widget = bar == SB_HORZ ? horzWidget_ : vertWidget_;
    TScrollBarState& state = State(bar);
    int code = -1;
    switch (action) {
    case QAbstractSlider::SliderSingleStepAdd:
        code = SB_LINEDOWN;
        break;
    case QAbstractSlider::SliderSingleStepSub:
        code = SB_LINEUP;
        break;
    case QAbstractSlider::SliderPageStepAdd:
        code = SB_PAGEDOWN;
        break;
    case QAbstractSlider::SliderPageStepSub:
        code = SB_PAGEUP;
        break;
    case QAbstractSlider::SliderToMinimum:
        code = SB_TOP;
        break;
    case QAbstractSlider::SliderToMaximum:
        code = SB_BOTTOM;
        break;
    case QAbstractSlider::SliderMove:
        code = SB_THUMBTRACK;
        state.tracking = true;
        state.info.trackPos = widget ? widget->sliderPosition() : state.info.pos;
        break;
    default:
        return;
    }
    const uint32_t msg = bar == SB_HORZ ? WM_HSCROLL : WM_VSCROLL;
    const int pos = code == SB_THUMBTRACK ? state.info.trackPos : state.info.pos;
    control_->Perform(msg, static_cast<uintptr_t>(code) | (static_cast<uintptr_t>(pos & 0xFFFF) << 16));
    if (code != SB_THUMBTRACK) control_->Perform(msg, SB_ENDSCROLL);
    if (!state.tracking) ShowPosition(bar);
}

// A native bar moves only when its owner sets a position: the bar shows what the control decided.
void TControlScrollBars::ShowPosition(int bar) {
    QPointer<QScrollBar>& widget = bar == SB_HORZ ? horzWidget_ : vertWidget_;
    if (!widget) return;
    const QSignalBlocker blocker(widget.data());
    widget->setSliderPosition(State(bar).Clamp(State(bar).info.pos));
}

void TControlScrollBars::Released(int bar) {
    TScrollBarState& state = State(bar);
    if (!state.tracking) return;
    const uint32_t msg = bar == SB_HORZ ? WM_HSCROLL : WM_VSCROLL;
    control_->Perform(msg, SB_THUMBPOSITION | (static_cast<uintptr_t>(state.info.trackPos & 0xFFFF) << 16));
    state.tracking = false;
    control_->Perform(msg, SB_ENDSCROLL);
    ShowPosition(bar);
}

} // namespace ui
