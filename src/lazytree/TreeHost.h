// What a lazy tree model needs from the window that shows it.
#pragma once

#include "platform/ui/Types.h"

namespace lazytree {

using TTreeRect = ui::TRect;
using TTreePoint = ui::TPoint;

// One scroll bar as the tree wants it shown.
struct TScrollBarState {
    bool Visible = false;
    bool Enabled = false; // a bar that is always visible is disabled while everything fits
    int Max = 0;
    int Page = 0;
    int Position = 0;
    friend bool operator==(const TScrollBarState&, const TScrollBarState&) = default;
};

// What the node model needs of the window that shows it. The control implements it over its widget;
// tests implement it with a fixed client size and a record of what was invalidated. (Timers and the
// clock are the framework's, which tests drive with a manual clock.) Everything is called on the
// user-interface thread.
class ITreeHost {
public:
    virtual ~ITreeHost() = default;

    virtual bool HandleAllocated() const = 0;
    virtual int ClientWidth() const = 0;
    virtual int ClientHeight() const = 0;
    // Painting off inside an update bracket, on again at its end.
    virtual void SetRedraw(bool on) = 0;
    // Marks a client rectangle (nullptr: everything) for the next paint.
    virtual void Invalidate(const TTreeRect* rect) = 0;
    // Moves the painted content by (dx, dy) within clip.
    virtual void ScrollContent(int dx, int dy, const TTreeRect& clip) = 0;
    virtual void SetScrollBar(bool horizontal, const TScrollBarState& state) = 0;
    // The mouse in client coordinates.
    virtual TTreePoint CursorPos() const = 0;
};

} // namespace lazytree
