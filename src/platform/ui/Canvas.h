// The canvas: drawing of lines, shapes, text and images with a font, pen and brush.
#pragma once

#include "platform/ui/Graphics.h"
#include "platform/ui/Region.h"
#include "platform/ui/TextLayout.h"

#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

class QImage;
class QPainter;

namespace ui {

class TGraphic;

// How CopyRect and Draw combine source pixels with the destination (the raster operation codes).
using TCopyMode = uint32_t;
constexpr TCopyMode cmBlackness = 0x00000042;
constexpr TCopyMode cmNotSrcCopy = 0x00330008;
constexpr TCopyMode cmDstInvert = 0x00550009;
constexpr TCopyMode cmSrcInvert = 0x00660046;
constexpr TCopyMode cmSrcAnd = 0x008800C6;
constexpr TCopyMode cmSrcCopy = 0x00CC0020;
constexpr TCopyMode cmSrcPaint = 0x00EE0086;
constexpr TCopyMode cmWhiteness = 0x00FF0062;
constexpr TCopyMode SRCCOPY = cmSrcCopy;
constexpr TCopyMode SRCAND = cmSrcAnd;
constexpr TCopyMode SRCPAINT = cmSrcPaint;
constexpr TCopyMode SRCINVERT = cmSrcInvert;
constexpr TCopyMode NOTSRCCOPY = cmNotSrcCopy;

// ExtTextOut's options: fill the rectangle with the brush colour first, clip the text to it.
using TTextOutOptions = uint32_t;
constexpr TTextOutOptions ETO_OPAQUE = 0x2;
constexpr TTextOutOptions ETO_CLIPPED = 0x4;

// The measures of the canvas's font, in pixels.
struct TTextMetric {
    int tmHeight = 0; // ascent + descent: one line
    int tmAscent = 0;
    int tmDescent = 0;
    int tmInternalLeading = 0;
    int tmExternalLeading = 0;
    int tmAveCharWidth = 0;
    int tmMaxCharWidth = 0;
    int tmOverhang = 0;
    bool fixedPitch = false;
};

// A drawing surface with a font, a pen and a brush: a bitmap's image, or a control's paint event.
// Right and bottom edges of rectangles are excluded, as are the end points of lines.
//
// A canvas draws through a QPainter: one the framework hands in for a paint event (BeginPaint), or one
// it opens on its image when drawing starts and closes (Flush) before anyone reads the pixels.
class TCanvas : public TPersistent {
public:
    TCanvas();
    ~TCanvas() override;

    TFont* Font() const { return font_.get(); }
    TPen* Pen() const { return pen_.get(); }
    TBrush* Brush() const { return brush_.get(); }
    void SetFont(const TFont* font) { font_->Assign(font); }
    void SetPen(const TPen* pen) { pen_->Assign(pen); }
    void SetBrush(const TBrush* brush) { brush_->Assign(brush); }
    TCopyMode CopyMode() const { return copyMode_; }
    void SetCopyMode(TCopyMode mode) { copyMode_ = mode; }
    // Where pattern brushes start tiling.
    TPoint BrushOrigin() const { return brushOrigin_; }
    void SetBrushOrigin(TPoint origin) { brushOrigin_ = origin; }

    TPoint PenPos() const { return penPos_; }
    void SetPenPos(TPoint p) { penPos_ = p; }
    void MoveTo(int x, int y) { penPos_ = {x, y}; }
    // A line from the pen position up to, not including, (x, y); the pen moves there.
    void LineTo(int x, int y);
    void Polyline(const std::vector<TPoint>& points);
    void Polygon(const std::vector<TPoint>& points);
    // Outline with the pen, inside filled with the brush.
    void Rectangle(int left, int top, int right, int bottom);
    void Rectangle(const TRect& r) { Rectangle(r.Left, r.Top, r.Right, r.Bottom); }
    void RoundRect(int left, int top, int right, int bottom, int cornerWidth, int cornerHeight);
    void Ellipse(int left, int top, int right, int bottom);
    void FillRect(const TRect& r);
    // A one-pixel frame in the brush colour.
    void FrameRect(const TRect& r);
    // A dotted frame drawn by inverting, so a second call erases it.
    void DrawFocusRect(const TRect& r);

    // Text at (x, y), the top-left of its cell. Unless the brush is clear, the cell is filled with the
    // brush colour first. The pen moves to the end of the text.
    void TextOut(int x, int y, std::string_view text);
    void TextOut(int x, int y, std::u16string_view text);
    // Text at (x, y) clipped to `rect`, which is filled first unless the brush is clear.
    void TextRect(const TRect& rect, int x, int y, std::string_view text);
    void TextRect(const TRect& rect, int x, int y, std::u16string_view text);
    // Lays `text` out in `rect` by `format` (DT_ flags) and draws it; with DT_CALCRECT it only
    // measures, moving rect's right and bottom to fit the text. Returns the text's height (from the
    // rectangle's top when centred or bottom-aligned).
    int DrawText(std::u16string_view text, TRect& rect, TTextFormat format);
    int DrawText(std::string_view text, TRect& rect, TTextFormat format);
    // Text at (x, y) with the options; `advances`, when given, holds each UTF-16 unit's advance.
    void ExtTextOut(int x, int y, TTextOutOptions options, const TRect* rect, std::u16string_view text,
                    const int* advances = nullptr);
    TTextMetric TextMetrics() const;
    TSize TextExtent(std::string_view text) const;
    TSize TextExtent(std::u16string_view text) const;
    int TextWidth(std::string_view text) const { return TextExtent(text).cx; }
    int TextWidth(std::u16string_view text) const { return TextExtent(text).cx; }
    int TextHeight(std::string_view text) const { return TextExtent(text).cy; }
    int TextHeight(std::u16string_view text) const { return TextExtent(text).cy; }

    // Draws a graphic at its own size, or scaled into `rect`.
    void Draw(int x, int y, const TGraphic* graphic);
    void StretchDraw(const TRect& rect, const TGraphic* graphic);
    // Copies (scaling when the sizes differ) `sourceRect` of `source` into `destRect` with CopyMode.
    void CopyRect(const TRect& destRect, TCanvas& source, const TRect& sourceRect);

    // A pixel's colour; clNone outside the surface or where it cannot be read (a window's canvas).
    TColor Pixel(int x, int y);
    void SetPixel(int x, int y, TColor color);

    // Serialises drawing from several threads on one canvas (a bitmap's: widgets paint only on the UI
    // thread). Locks nest within a thread.
    void Lock() { lock_.lock(); }
    bool TryLock() { return lock_.try_lock(); }
    void Unlock() { lock_.unlock(); }

    // The area drawing reaches, in logical coordinates: the clip box, or the whole surface.
    TRect ClipRect() const;
    // The clip region in device coordinates (none: the whole surface); the window origin does not
    // move it.
    void SelectClipRegion(const TRegion* region);
    const TRegion* ClipRegion() const { return state_.clip ? &*state_.clip : nullptr; }
    void IntersectClipRect(const TRect& rect);
    void ExcludeClipRect(const TRect& rect);
    // The logical point that appears at the surface's top-left.
    TPoint WindowOrg() const { return state_.origin; }
    void SetWindowOrg(TPoint origin);
    // Saves the clip region, window origin, font, pen and brush; RestoreState brings the last back.
    void SaveState();
    void RestoreState();
    // Whether the canvas has a surface to draw on.
    bool HandleAllocated() const;

    // ---- Framework side (src/platform/ui) ----
    // Draws on `image` from now on (null detaches).
    void SetImage(QImage* image);
    // Draws through `painter` until EndPaint; nests over an image binding.
    void BeginPaint(QPainter* painter);
    void EndPaint();
    // The painter to draw with, opened on the image when needed; null without a surface.
    QPainter* Painter();
    // Closes the painter opened on the image, so that its pixels can be read or changed directly.
    void Flush();
    // The image the canvas draws on, flushed; null for a paint event's canvas.
    QImage* Image();

protected:
    // The image is about to be read (or, with `writing`, drawn on): a bitmap brings it up to date.
    virtual void PrepareImage(bool writing) {}

private:
    struct State {
        std::optional<TRegion> clip;
        TPoint origin;
    };
    struct SavedState;
    void ApplyState();
    // The region drawing may reach in device coordinates: the clip, or the whole surface.
    TRegion DeviceClip() const;

    std::unique_ptr<TFont> font_;
    std::unique_ptr<TPen> pen_;
    std::unique_ptr<TBrush> brush_;
    TCopyMode copyMode_ = cmSrcCopy;
    TPoint brushOrigin_;
    TPoint penPos_;
    QImage* image_ = nullptr;
    std::unique_ptr<QPainter> ownPainter_;
    QPainter* paintPainter_ = nullptr;
    // The paint painter's clip when painting began: the canvas's own clips stay inside it.
    std::optional<TRegion> paintClip_;
    State state_;
    std::vector<SavedState> saved_;
    std::recursive_mutex lock_;
};

// The rectangle DrawText with DT_CALCRECT gives for `text` in `font`, without a surface of the caller's.
TRect MeasureText(const TFont& font, std::string_view text, TRect rect, TTextFormat format);

} // namespace ui
