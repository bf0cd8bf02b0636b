// A container whose children may reach past its client area: scroll bars show the rest.
#pragma once

#include "platform/ui/Controls.h"

namespace ui {

class TScrollBox : public TWinControl {
public:
    explicit TScrollBox(TComponent* owner);

    // How far the content is scrolled on a bar (SB_HORZ or SB_VERT), in pixels.
    int Position(int bar) const { return position_[bar]; }
    // Scrolls to `pos`, kept between 0 and the last position that still fills the client area.
    void SetPosition(int bar, int pos);
    // Scrolls as little as shows the whole child (its top left corner when it is too big).
    void ScrollInView(TControl* control);

    void AlignControls(TControl* changed, TRect& rect) override;
    void WndProc(TMessage& message) override;

private:
    // The bars' ranges follow the children: the content runs to the farthest child's edge.
    void UpdateScrollBars();
    void Scroll(int bar, int code, int thumb);

    int position_[2] = {0, 0};
    bool updating_ = false;
};

} // namespace ui
