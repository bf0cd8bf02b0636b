// The state of a window's text caret: its rectangle, hide count and blink phase.
#pragma once

#include "platform/ui/Types.h"

namespace ui {

// The state of a window's caret: its rectangle, how often it was hidden, and the blink phase. The
// window draws it over its paint while Drawn() and redraws Rect() whenever Drawn() may have changed.
class TCaret {
public:
    // A new caret is hidden once, like a native one: ShowCaret makes it appear.
    void Create(int width, int height);
    void Destroy();
    bool Exists() const { return exists_; }

    void SetPos(TPoint pos);
    TPoint Pos() const { return pos_; }
    TRect Rect() const { return Bounds(pos_.X, pos_.Y, size_.cx, size_.cy); }

    void Show();
    void Hide();
    bool Visible() const { return exists_ && hideCount_ == 0; }

    // One blink: the caret appears or disappears. A move starts the phase over with the caret on.
    void Blink() { on_ = !on_; }
    bool Drawn() const { return Visible() && on_; }

private:
    bool exists_ = false;
    TPoint pos_;
    TSize size_;
    int hideCount_ = 0;
    bool on_ = true;
};

} // namespace ui
