// Colour and integer arithmetic the painting styles share.
#pragma once

#include "platform/ui/Canvas.h"
#include "platform/ui/Color.h"
#include "platform/ui/Types.h"

#include <functional>
#include <string>
#include <string_view>

namespace ui {
class TBitmap;
}

namespace docking {

using ui::TCanvas;
using ui::TColor;
using ui::TRect;

// a * b / c rounded half away from zero; -1 when c is 0 (what the styles' arithmetic expects).
int MulDiv(int a, int b, int c);

// Colour arithmetic, channel by channel on the RGB value (system colours resolved first); `percent`
// is 0..100.
TColor DarkenColor(TColor color, int percent);
TColor LightenColor(TColor color, int percent);
TColor HighlightColor(TColor color);
TColor LightColor(TColor color);
TColor ShadowColor(TColor color);
TColor DarkShadowColor(TColor color);
TColor PaleColor(TColor color);
TColor MixColors(TColor c1, TColor c2, TColor c3, int p1, int p2, int p3);
TColor BlendColors(TColor c1, TColor c2, int percent);
// Every colour has a pixel of its own on our 32-bit surfaces.
TColor NearestColor(TColor color);

enum TGradientType { gtSolid, gtHorizontal, gtVertical, gtHorzSplit, gtVertSplit };

// How a caption, tab or panel background is filled: one colour, or bands from the start colour to
// the end colour (for the split kinds from both outer edges to the middle).
class TGradient : public ui::TPersistent {
public:
    static constexpr int kMaxBands = 256;

    TGradient() = default;

    TGradientType FillType() const { return fillType_; }
    void SetFillType(TGradientType type);
    TColor StartColor() const { return startColor_; }
    void SetStartColor(TColor color);
    TColor EndColor() const { return endColor_; }
    void SetEndColor(TColor color);
    int Bands() const { return bands_; }
    void SetBands(int bands); // 1..256

    // Called after a property changes outside an update bracket.
    std::function<void(TGradient*)> OnChange;
    void BeginUpdate() { ++updateCount_; }
    void EndUpdate();
    void Assign(const ui::TPersistent* source) override;
    // Back to the initial values, announcing nothing.
    void Reset();

    // Fills the part of `rect` inside `clip`; `reverse` swaps start and end colours.
    void Draw(TCanvas& canvas, const TRect& rect, bool reverse, const TRect& clip) const;

private:
    void Changed();
    void FillBands(TCanvas& canvas, const TRect& rect, bool horizontal, bool split, TColor start, TColor end,
                   const TRect& clip) const;

    TGradientType fillType_ = gtSolid;
    TColor startColor_ = ui::clBtnFace;
    TColor endColor_ = ui::clWindow;
    int bands_ = kMaxBands;
    int updateCount_ = 0;
};

// `r` shrunk by `by` on every side.
TRect DeflateRect(const TRect& r, int by);
// `r` filled with a solid brush of `color`.
void FillSolidRect(TCanvas& canvas, const TRect& r, TColor color);

// Which sides of a frame are drawn.
enum : int { sdLeft = 1, sdTop = 2, sdRight = 4, sdBottom = 8, sdAll = 15 };
// Edge kinds: none, raised, sunken, flat.
enum : int { ekNone = 0, ekRaised = 1, ekSunken = 2, ekFlat = 3 };

// Up to two one-pixel frames along `sides`: the outer on the rectangle's edge, the inner one pixel in
// (or on the edge when there is no outer frame), coloured from `baseColor` by kind.
void DrawEdge3D(TCanvas* canvas, const TRect& rect, int innerKind, int penWidth, TColor baseColor, int sides,
                int outerKind);
// The chosen sides with corners cut by a two-pixel diagonal where two drawn sides meet.
void DrawChamferedFrame(TCanvas& canvas, const TRect& rect, int sides, int penWidth, TColor color);

// Width and height of `text` in `font`.
ui::TSize MeasureText(const ui::TFont& font, std::u16string_view text);
// How "&" prefixes show: 0 and 2 hide the "&" (2 also the underline), 1 shows the text as it is.
enum : int { pmNormal = 0, pmNoPrefix = 1, pmHidePrefix = 2 };
// `result` is `text`, or its start followed by "..." so that it fits `width`; true when it was whole.
bool FitTextWithEllipsis(std::u16string_view text, TCanvas& canvas, int width, std::u16string& result,
                         int prefixMode);

enum TVerticalAlignment { vaTop = 0, vaCenter = 1, vaBottom = 2 };
enum TAlignment { taLeftJustify, taRightJustify, taCenter };

// Text aligned in `rect`; rotated text reads from top to bottom.
void DrawAlignedText(TCanvas& canvas, const TRect& rect, int indent, int prefixMode, bool wordWrap,
                     bool rotated, TAlignment alignment, TVerticalAlignment verticalAlignment,
                     std::u16string_view text, int verticalOffset);

// `source` turned a quarter turn clockwise into `target` (sized to fit).
void TurnBitmapClockwise(const ui::TBitmap& source, ui::TBitmap& target);

} // namespace docking
