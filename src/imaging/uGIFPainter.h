// Drawing GIF frames and playing an animation: each frame after its delay, looped as the file and the
// paint options say, with the disposal of each frame applied before the next.
#pragma once

#include "imaging/uGIFImage.h"

#include "platform/ui/Canvas.h"
#include "platform/ui/Types.h"

#include <memory>

namespace imaging {

// Delays of graphic control extensions are in units of this many milliseconds.
inline constexpr int FrameDelayUnitMs = 12;
inline constexpr int DefaultFrameDelay = 10; // a frame without a delay
inline constexpr int MinimumFrameDelay = 3;
inline constexpr int MaximumFrameDelay = 1000;

// The frame's rectangle within `rect`, which stands for the whole logical screen.
ui::TRect MapToTarget(const TGIFSubImage& frame, const ui::TRect& rect);
// Draws the frame's bitmap stretched to `rect` (or tiled from it at the frame's size), through its
// mask when `transparent`.
void StretchDrawFrame(TGIFSubImage& frame, ui::TCanvas& canvas, const ui::TRect& rect, bool tile,
                      bool transparent);
// Draws the frame where it belongs on the logical screen that `rect` stands for.
void DrawFrame(TGIFSubImage& frame, ui::TCanvas& canvas, const ui::TRect& rect, bool tile, bool transparent);

// Plays an image on a canvas. A threaded painter plays on its own time: each following frame comes
// from the UI thread's timer service after its wait (the UI's clock drives it, so tests move a manual
// clock), and no widget is touched off the UI thread. A painter without pntThreaded plays every pass
// at once, without waiting (the program never blocks the UI thread to animate).
class TGIFPainter : public data::TPersistent {
public:
    // With one frame, pntThreaded and pntAnimate are dropped: a still picture needs no timing.
    TGIFPainter(TGIFImage& image, ui::TCanvas& canvas, const ui::TRect& rect, TGIFPaintOptions options);
    ~TGIFPainter() override;

    // Shows the first frame and plans the next; a painter without pntThreaded plays to the end.
    void BeginPainting();
    // Ends the animation; nothing more is drawn.
    void StopPainting();
    bool Terminated() const { return terminated_; }
    bool Started() const { return started_; }
    // Whether it is still playing.
    bool Painting() const { return activeImage_ >= 0 && !terminated_; }
    // Passes begun so far.
    int Passes() const { return passes_; }

    // The frame being shown; a handler may set it to choose the next one.
    int ActiveImage() const { return activeImage_; }
    void SetActiveImage(int index) { activeImage_ = index; }
    // How long the painter waits before the next frame (ms; -1: until stopped), as last planned.
    int LastWait() const { return lastWait_; }

    ui::TNotifyEvent OnPaintStart;
    ui::TNotifyEvent OnFrameShow;
    ui::TNotifyEvent OnFrameShown;
    ui::TNotifyEvent OnLoopRestart;
    ui::TNotifyEvent OnPaintEnd;

private:
    // Plays frames until a wait is due (threaded) or the end.
    void Run();
    // One frame of the pass, or the pass's end; false once the animation is over or waits.
    bool Step();
    void ShowFrame(TGIFSubImage& frame);
    // Applies the disposal of the frame shown last to its area.
    void ApplyDisposal();
    void Finish();
    // Starts the wait before the next frame; false when there is none to wait for.
    bool Wait();
    void Fire(const ui::TNotifyEvent& event);

    TGIFImage& image_;
    ui::TCanvas& canvas_;
    ui::TRect rect_;
    TGIFPaintOptions options_;
    int speed_;
    bool threaded_;
    int activeImage_ = -1;
    bool started_ = false;
    bool terminated_ = false;
    bool inPass_ = false;
    int passes_ = 0;
    int loopsLeft_ = 1;
    int loopStart_ = 0;
    bool loopSeen_ = false;
    int framesThisPass_ = 0;
    bool waited_ = false;
    int pendingDelay_ = 0;
    uint64_t delayStart_ = 0;
    int lateness_ = 0;
    int lastWait_ = 0;
    ui::TColor background_;
    // The frame shown last, and what to do with its area before the next one.
    int shownFrame_ = -1;
    TDisposalMethod shownDisposal_ = dmNone;
    std::unique_ptr<ui::TBitmap> previousArea_; // under the frame shown last, for restore-to-previous
};

} // namespace imaging
