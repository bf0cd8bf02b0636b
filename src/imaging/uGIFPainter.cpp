#include "imaging/uGIFPainter.h"

#include "platform/ui/Bitmap.h"
#include "platform/ui/Clock.h"
#include "platform/ui/PostedCalls.h"
#include "platform/ui/Timers.h"

#include <algorithm>
#include <cstdint>
#include <limits>

namespace imaging {

namespace {

constexpr ui::TTimerId kWaitTimer = 1;

int MulDiv(int64_t number, int numerator, int denominator) {
    return static_cast<int>(number * numerator / denominator);
}

// The frame's bitmap with its mask as alpha: transparent pixels let the target show through.
std::unique_ptr<ui::TBitmap> MaskedCopy(TGIFSubImage& frame, ui::TBitmap& bitmap) {
    auto copy = std::make_unique<ui::TBitmap>();
    copy->Assign(&bitmap);
    copy->SetPixelFormat(ui::pf32bit);
    copy->SetAlphaFormat(ui::afDefined);
    const ui::TBitmap* mask = frame.Mask();
    for (int y = 0; y < copy->Height(); ++y) {
        auto* row = static_cast<uint8_t*>(copy->ScanLine(y));
        const auto* bits = static_cast<const uint8_t*>(mask->ScanLine(y));
        for (int x = 0; x < copy->Width(); ++x)
            row[4 * x + 3] = (bits[x / 8] & (0x80 >> (x % 8))) ? 0 : 255;
    }
    return copy;
}

} // namespace

ui::TRect MapToTarget(const TGIFSubImage& frame, const ui::TRect& rect) {
    const TGIFImage* image = frame.Image();
    const int width = std::max(image ? image->Width() : frame.Width(), 1);
    const int height = std::max(image ? image->Height() : frame.Height(), 1);
    return {rect.Left + MulDiv(frame.Left(), rect.Width(), width),
            rect.Top + MulDiv(frame.Top(), rect.Height(), height),
            rect.Left + MulDiv(frame.Left() + frame.Width(), rect.Width(), width),
            rect.Top + MulDiv(frame.Top() + frame.Height(), rect.Height(), height)};
}

void StretchDrawFrame(TGIFSubImage& frame, ui::TCanvas& canvas, const ui::TRect& rect, bool tile,
                      bool transparent) {
    ui::TBitmap* bitmap = frame.RenderBitmap();
    if (!bitmap) return;
    std::unique_ptr<ui::TBitmap> masked;
    if (transparent && frame.Transparent() && frame.HasTransparencyMask()) {
        bitmap = frame.RenderBitmap();
        masked = MaskedCopy(frame, *bitmap);
    }
    const ui::TGraphic* picture = masked ? masked.get() : bitmap;
    if (!tile) {
        canvas.StretchDraw(rect, picture);
        return;
    }
    const TGIFImage* image = frame.Image();
    const int stepX = std::max(image ? image->Width() : frame.Width(), 1);
    const int stepY = std::max(image ? image->Height() : frame.Height(), 1);
    for (int top = rect.Top + frame.Top(); top < rect.Bottom; top += stepY)
        for (int left = rect.Left + frame.Left(); left < rect.Right; left += stepX)
            canvas.StretchDraw({left, top, left + frame.Width(), top + frame.Height()}, picture);
}

void DrawFrame(TGIFSubImage& frame, ui::TCanvas& canvas, const ui::TRect& rect, bool tile, bool transparent) {
    StretchDrawFrame(frame, canvas, tile ? rect : MapToTarget(frame, rect), tile, transparent);
}

// TGIFPainter

TGIFPainter::TGIFPainter(TGIFImage& image, ui::TCanvas& canvas, const ui::TRect& rect,
                         TGIFPaintOptions options)
    : image_(image), canvas_(canvas), rect_(rect), options_(options), speed_(image.AnimationSpeed) {
    if (image.Images().Count() == 1) {
        options_.Exclude(pntThreaded);
        options_.Exclude(pntAnimate);
    }
    threaded_ = options_.Contains(pntThreaded);
    const TGIFColorMap& global = image.Header().ColorMap();
    const int index = image.Header().BackgroundColorIndex();
    background_ = index < global.Count() ? global.ColorAt(index) : ui::clWindow;
}

TGIFPainter::~TGIFPainter() {
    ui::Timers().KillTimers(this);
    ui::CancelPostedCalls(this);
}

void TGIFPainter::Fire(const ui::TNotifyEvent& event) {
    if (event) event(this);
}

void TGIFPainter::BeginPainting() {
    activeImage_ = 0;
    Fire(OnPaintStart);
    pendingDelay_ = 0;
    delayStart_ = ui::Clock().Now();
    Run();
}

void TGIFPainter::StopPainting() {
    if (terminated_) return;
    terminated_ = true;
    ui::Timers().KillTimers(this);
    ui::CancelPostedCalls(this);
    Finish();
}

void TGIFPainter::Run() {
    while (!terminated_ && Step()) {
    }
}

bool TGIFPainter::Wait() {
    if (pendingDelay_ < 1) return false;
    const uint64_t now = ui::Clock().Now();
    int wait = -1;
    if (speed_ > 0) {
        const int64_t elapsed = static_cast<int64_t>(now - delayStart_) - lateness_;
        wait = MulDiv(int64_t{pendingDelay_} * FrameDelayUnitMs - elapsed / 2, 100, speed_);
        lateness_ = wait;
    }
    delayStart_ = now;
    lastWait_ = wait;
    if (speed_ == 0) return true; // until stopped
    if (wait <= 0) {
        // Without a wait the next frame still comes in a turn of its own.
        ui::PostCall(this, [this] {
            waited_ = true;
            Run();
        });
        return true;
    }
    ui::Timers().SetTimer(this, kWaitTimer, static_cast<uint32_t>(wait), [this] {
        ui::Timers().KillTimer(this, kWaitTimer);
        waited_ = true;
        Run();
    });
    return true;
}

bool TGIFPainter::Step() {
    TGIFImageList& frames = image_.Images();
    if (!inPass_) {
        if (loopsLeft_ == 0 && !options_.Contains(pntLoopForever)) {
            Finish();
            return false;
        }
        activeImage_ = loopStart_;
        if (started_) Fire(OnLoopRestart);
        inPass_ = true;
        framesThisPass_ = 0;
        ++passes_;
    }
    const bool passOver = activeImage_ < 0 || activeImage_ >= frames.Count() ||
                          frames.Frame(activeImage_)->IsBlank() ||
                          (framesThisPass_ > 0 && !options_.Contains(pntAnimate));
    if (!passOver) {
        // A threaded painter waits out the last frame's delay first and comes back here.
        if (threaded_ && !waited_ && Wait()) return false;
        waited_ = false;
        ShowFrame(*frames.Frame(activeImage_));
        return true;
    }
    inPass_ = false;
    if (loopsLeft_ > 0) --loopsLeft_;
    if (!(options_.Contains(pntAnimate) && options_.Contains(pntLoop))) {
        Finish();
        return false;
    }
    return true;
}

void TGIFPainter::ShowFrame(TGIFSubImage& frame) {
    Fire(OnFrameShow);
    TDisposalMethod disposal = dmNone;
    for (int i = 0; i < frame.Extensions().Count(); ++i) {
        TGIFExtension* extension = frame.Extensions().Extension(i);
        if (auto* loop = dynamic_cast<TGIFAppExtNSLoop*>(extension); loop && !loopSeen_) {
            loopSeen_ = true;
            const bool endless = loop->Loops == 0 || options_.Contains(pntLoopForever);
            loopsLeft_ = endless && threaded_ ? -1 : loop->Loops;
            loopStart_ = activeImage_;
        } else if (auto* control = dynamic_cast<TGIFGraphicControlExtension*>(extension)) {
            disposal = control->Disposal();
        }
    }
    if (!terminated_) {
        ApplyDisposal();
        const ui::TRect area = MapToTarget(frame, rect_);
        if (disposal == dmPrevious) {
            previousArea_ = std::make_unique<ui::TBitmap>(area.Width(), area.Height(), ui::pf32bit);
            previousArea_->Canvas()->CopyRect({0, 0, area.Width(), area.Height()}, canvas_, area);
        }
        DrawFrame(frame, canvas_, rect_, options_.Contains(pntTile), options_.Contains(pntTransparent));
        started_ = true;
        shownFrame_ = activeImage_;
        shownDisposal_ = disposal;
    }
    ++framesThisPass_;
    pendingDelay_ = DefaultFrameDelay;
    if (const TGIFGraphicControlExtension* control = frame.GraphicControlExtension();
        control && control->Delay() > 0) {
        pendingDelay_ = std::max(control->Delay(), MinimumFrameDelay);
        if (!threaded_) pendingDelay_ = std::min(pendingDelay_, MaximumFrameDelay);
    }
    const int shown = activeImage_;
    Fire(OnFrameShown);
    if (activeImage_ == shown) ++activeImage_;
}

void TGIFPainter::ApplyDisposal() {
    if (shownFrame_ < 0 || shownFrame_ >= image_.Images().Count()) return;
    const ui::TRect area = MapToTarget(*image_.Images().Frame(shownFrame_), rect_);
    if (shownDisposal_ == dmBackground) {
        canvas_.Brush()->SetColor(background_);
        canvas_.FillRect(area);
    } else if (shownDisposal_ == dmPrevious && previousArea_) {
        canvas_.StretchDraw(area, previousArea_.get());
    }
    shownFrame_ = -1;
}

void TGIFPainter::Finish() {
    if (activeImage_ < 0) return;
    activeImage_ = -1;
    Fire(OnPaintEnd);
}

} // namespace imaging
