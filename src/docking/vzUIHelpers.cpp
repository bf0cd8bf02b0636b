#include "docking/vzUIHelpers.h"

#include "platform/ui/Bitmap.h"
#include "platform/ui/TextLayout.h"

#include <algorithm>
#include <cassert>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <utility>

namespace docking {

using namespace ui;

int MulDiv(int a, int b, int c) {
    if (c == 0) return -1;
    const int64_t product = static_cast<int64_t>(a) * b;
    const int64_t half = std::llabs(c) / 2;
    const bool negative = (product < 0) != (c < 0);
    const int64_t quotient = (std::llabs(product) + half) / std::llabs(c);
    return static_cast<int>(negative ? -quotient : quotient);
}

namespace {

int Clamp(int channel) {
    return std::clamp(channel, 0, 255);
}

// Applies `f` to each channel of the resolved colour.
template <class F>
TColor PerChannel(TColor color, F f) {
    const TColor rgb = ColorToRGB(color);
    return RGB(Clamp(f(GetRValue(rgb))), Clamp(f(GetGValue(rgb))), Clamp(f(GetBValue(rgb))));
}

// The colour of step `i` of `n` from `start` to `end`.
TColor StepColor(TColor start, TColor end, int i, int n) {
    if (n <= 1) return start;
    const auto step = [&](int s, int e) { return s + MulDiv(i, e - s, n - 1); };
    return RGB(step(GetRValue(start), GetRValue(end)), step(GetGValue(start), GetGValue(end)),
               step(GetBValue(start), GetBValue(end)));
}

void FillSolid(TCanvas& canvas, const TRect& rect, TColor color, const TRect& clip) {
    const TRect part = IntersectRect(rect, clip);
    if (part.IsEmpty()) return;
    canvas.Brush()->SetStyle(bsSolid);
    canvas.Brush()->SetColor(color);
    canvas.FillRect(part);
}

} // namespace

TColor DarkenColor(TColor color, int percent) {
    return PerChannel(color, [&](int x) { return MulDiv(x, percent, 100); });
}

TColor LightenColor(TColor color, int percent) {
    return PerChannel(color,
                      [&](int x) { return MulDiv(x, percent, 100) + MulDiv(100 - percent, 255, 100); });
}

TColor HighlightColor(TColor color) {
    return LightenColor(color, 20);
}

TColor LightColor(TColor color) {
    return LightenColor(color, 60);
}

TColor ShadowColor(TColor color) {
    return DarkenColor(color, 60);
}

TColor DarkShadowColor(TColor color) {
    return DarkenColor(color, 20);
}

TColor PaleColor(TColor color) {
    const TColor rgb = ColorToRGB(color);
    const int brightest = std::max({GetRValue(rgb), GetGValue(rgb), GetBValue(rgb)});
    const int shift = std::min(220 - brightest, 0);
    return PerChannel(rgb, [&](int x) { return x + shift + 35; });
}

TColor MixColors(TColor c1, TColor c2, TColor c3, int p1, int p2, int p3) {
    const TColor a = ColorToRGB(c1), b = ColorToRGB(c2), c = ColorToRGB(c3);
    const auto mix = [&](int (*channel)(TColor)) {
        return Clamp(MulDiv(channel(a), p1, 100) + MulDiv(channel(b), p2, 100) + MulDiv(channel(c), p3, 100));
    };
    return RGB(mix(GetRValue), mix(GetGValue), mix(GetBValue));
}

TColor BlendColors(TColor c1, TColor c2, int percent) {
    const TColor a = ColorToRGB(c1), b = ColorToRGB(c2);
    const auto blend = [&](int (*channel)(TColor)) {
        return Clamp(channel(a) + MulDiv(channel(b) - channel(a), percent, 100));
    };
    return RGB(blend(GetRValue), blend(GetGValue), blend(GetBValue));
}

TColor NearestColor(TColor color) {
    return ColorToRGB(color);
}

// ---- TGradient ----

void TGradient::SetFillType(TGradientType type) {
    if (type == fillType_) return;
    fillType_ = type;
    Changed();
}

void TGradient::SetStartColor(TColor color) {
    if (color == startColor_) return;
    startColor_ = color;
    Changed();
}

void TGradient::SetEndColor(TColor color) {
    if (color == endColor_) return;
    endColor_ = color;
    if (fillType_ != gtSolid) Changed();
}

void TGradient::SetBands(int bands) {
    bands = std::clamp(bands, 1, kMaxBands);
    if (bands == bands_) return;
    bands_ = bands;
    if (fillType_ != gtSolid) Changed();
}

void TGradient::EndUpdate() {
    assert(updateCount_ > 0);
    if (--updateCount_ == 0) Changed();
}

void TGradient::Changed() {
    if (updateCount_ == 0 && OnChange) OnChange(this);
}

void TGradient::Assign(const TPersistent* source) {
    const auto* other = dynamic_cast<const TGradient*>(source);
    if (!other) {
        TPersistent::Assign(source);
        return;
    }
    BeginUpdate();
    fillType_ = other->fillType_;
    startColor_ = other->startColor_;
    endColor_ = other->endColor_;
    bands_ = other->bands_;
    EndUpdate();
}

void TGradient::Reset() {
    fillType_ = gtSolid;
    startColor_ = clBtnFace;
    endColor_ = clWindow;
    bands_ = kMaxBands;
}

void TGradient::Draw(TCanvas& canvas, const TRect& rect, bool reverse, const TRect& clip) const {
    TColor start = ColorToRGB(startColor_), end = ColorToRGB(endColor_);
    if (reverse) std::swap(start, end);
    switch (fillType_) {
    case gtSolid:
        FillSolid(canvas, rect, start, clip);
        break;
    case gtHorizontal:
    case gtVertical:
        FillBands(canvas, rect, fillType_ == gtHorizontal, false, start, end, clip);
        break;
    case gtHorzSplit:
    case gtVertSplit:
        FillBands(canvas, rect, fillType_ == gtHorzSplit, true, start, end, clip);
        break;
    }
}

void TGradient::FillBands(TCanvas& canvas, const TRect& rect, bool horizontal, bool split, TColor start,
                          TColor end, const TRect& clip) const {
    const int size = horizontal ? rect.Width() : rect.Height();
    if (size <= 0) return;
    // A band from offset `from` to `to` along the gradient's direction.
    const auto band = [&](int from, int to) {
        return horizontal ? TRect{rect.Left + from, rect.Top, rect.Left + to, rect.Bottom}
                          : TRect{rect.Left, rect.Top + from, rect.Right, rect.Top + to};
    };
    // Bands over `length` pixels, from the start edge or inward from the far one. A split fill counts
    // its bands per half: with more bands than pixels the outer bands would be empty and the edges
    // would miss the start colour.
    const auto fill = [&](int length, bool fromFar) {
        const int n = std::min(bands_, length);
        for (int i = 0; i < n; ++i) {
            const int from = MulDiv(length, i, n), to = MulDiv(length, i + 1, n);
            const TRect r = fromFar ? band(size - to, size - from) : band(from, to);
            FillSolid(canvas, r, StepColor(start, end, i, n), clip);
        }
    };
    if (!split) {
        fill(size, false);
        return;
    }
    fill(size / 2, false);
    fill(size - size / 2, true);
}

// ---- Frames ----

TRect DeflateRect(const TRect& r, int by) {
    return InflateRect(r, -by, -by);
}

void FillSolidRect(TCanvas& canvas, const TRect& r, TColor color) {
    canvas.Brush()->SetStyle(ui::bsSolid);
    canvas.Brush()->SetColor(color);
    canvas.FillRect(r);
}

namespace {

// One-pixel lines along the chosen sides of `r`: top and left in `topLeft`, right and bottom in
// `bottomRight`.
void FrameSides(TCanvas& canvas, const TRect& r, int sides, TColor topLeft, TColor bottomRight) {
    if (r.IsEmpty()) return;
    const TRect all{INT32_MIN / 2, INT32_MIN / 2, INT32_MAX / 2, INT32_MAX / 2};
    if (sides & sdLeft) FillSolid(canvas, {r.Left, r.Top, r.Left + 1, r.Bottom}, topLeft, all);
    if (sides & sdTop) FillSolid(canvas, {r.Left, r.Top, r.Right, r.Top + 1}, topLeft, all);
    if (sides & sdRight) FillSolid(canvas, {r.Right - 1, r.Top, r.Right, r.Bottom}, bottomRight, all);
    if (sides & sdBottom) FillSolid(canvas, {r.Left, r.Bottom - 1, r.Right, r.Bottom}, bottomRight, all);
}

struct EdgeColors {
    TColor topLeft, bottomRight;
};

EdgeColors OuterColors(int kind, TColor base) {
    switch (kind) {
    case ekRaised:
        return {HighlightColor(base), DarkShadowColor(base)};
    case ekSunken:
        return {DarkShadowColor(base), HighlightColor(base)};
    default:
        return {DarkShadowColor(base), DarkShadowColor(base)};
    }
}

EdgeColors InnerColors(int kind, TColor base) {
    switch (kind) {
    case ekRaised:
        return {LightColor(base), ShadowColor(base)};
    case ekSunken:
        return {ShadowColor(base), LightColor(base)};
    default:
        return {ShadowColor(base), ShadowColor(base)};
    }
}

// `r` moved one pixel in on each of `sides`.
TRect Inset(TRect r, int sides) {
    if (sides & sdLeft) ++r.Left;
    if (sides & sdTop) ++r.Top;
    if (sides & sdRight) --r.Right;
    if (sides & sdBottom) --r.Bottom;
    return r;
}

} // namespace

void DrawEdge3D(TCanvas* canvas, const TRect& rect, int innerKind, int penWidth, TColor baseColor, int sides,
                int outerKind) {
    sides &= sdAll;
    if (!canvas || penWidth == 0 || sides == 0 || (innerKind == ekNone && outerKind == ekNone)) return;
    TRect inner = rect;
    if (outerKind != ekNone) {
        const EdgeColors c = OuterColors(outerKind, baseColor);
        FrameSides(*canvas, rect, sides, c.topLeft, c.bottomRight);
        inner = Inset(rect, sides);
    }
    if (innerKind != ekNone) {
        const EdgeColors c = InnerColors(innerKind, baseColor);
        FrameSides(*canvas, inner, sides, c.topLeft, c.bottomRight);
    }
}

void DrawChamferedFrame(TCanvas& canvas, const TRect& rect, int sides, int penWidth, TColor color) {
    sides &= sdAll;
    const TRect all{INT32_MIN / 2, INT32_MIN / 2, INT32_MAX / 2, INT32_MAX / 2};
    for (int k = 0; k < penWidth; ++k) {
        const TRect r = InflateRect(rect, -k, -k);
        if (r.IsEmpty()) return;
        // Each side stops two pixels short of a corner it shares with another drawn side.
        const auto cut = [&](int side) { return (sides & side) ? 2 : 0; };
        if (sides & sdLeft)
            FillSolid(canvas, {r.Left, r.Top + cut(sdTop), r.Left + 1, r.Bottom - cut(sdBottom)}, color, all);
        if (sides & sdTop)
            FillSolid(canvas, {r.Left + cut(sdLeft), r.Top, r.Right - cut(sdRight), r.Top + 1}, color, all);
        if (sides & sdRight)
            FillSolid(canvas, {r.Right - 1, r.Top + cut(sdTop), r.Right, r.Bottom - cut(sdBottom)}, color,
                      all);
        if (sides & sdBottom)
            FillSolid(canvas, {r.Left + cut(sdLeft), r.Bottom - 1, r.Right - cut(sdRight), r.Bottom}, color,
                      all);
        // The diagonal's middle pixel joins the two shortened sides.
        const auto corner = [&](int a, int b, int x, int y) {
            if ((sides & a) && (sides & b)) FillSolid(canvas, {x, y, x + 1, y + 1}, color, all);
        };
        corner(sdLeft, sdTop, r.Left + 1, r.Top + 1);
        corner(sdTop, sdRight, r.Right - 2, r.Top + 1);
        corner(sdRight, sdBottom, r.Right - 2, r.Bottom - 2);
        corner(sdBottom, sdLeft, r.Left + 1, r.Bottom - 2);
    }
}

// ---- Text ----

TSize MeasureText(const TFont& font, std::u16string_view text) {
    TBitmap surface(1, 1);
    surface.Canvas()->SetFont(&font);
    return surface.Canvas()->TextExtent(text);
}

bool FitTextWithEllipsis(std::u16string_view text, TCanvas& canvas, int width, std::u16string& result,
                         int prefixMode) {
    const auto shownWidth = [&](std::u16string_view s) {
        return prefixMode == pmNoPrefix ? canvas.TextWidth(s) : canvas.TextWidth(StripPrefixes(s));
    };
    result.assign(text);
    const int length = static_cast<int>(text.size());
    bool whole = true;
    for (int k = 2; k < length && shownWidth(result) > width; ++k) {
        result.assign(text.substr(0, length - k));
        result += u"...";
        whole = false;
    }
    return whole;
}

void TurnBitmapClockwise(const TBitmap& source, TBitmap& target) {
    TBitmap pixels;
    pixels.Assign(&source);
    pixels.SetPixelFormat(pf32bit);
    const int w = pixels.Width(), h = pixels.Height();
    target.SetPixelFormat(pf32bit);
    target.SetSize(h, w);
    for (int y = 0; y < h; ++y) {
        const auto* row = static_cast<const uint32_t*>(std::as_const(pixels).ScanLine(y));
        for (int x = 0; x < w; ++x)
            static_cast<uint32_t*>(target.ScanLine(x))[h - 1 - y] = row[x];
    }
}

void DrawAlignedText(TCanvas& canvas, const TRect& rect, int indent, int prefixMode, bool wordWrap,
                     bool rotated, TAlignment alignment, TVerticalAlignment verticalAlignment,
                     std::u16string_view text, int verticalOffset) {
    TRect r{rect.Left, rect.Top, rect.Right + 1, rect.Bottom + 1};
    // Rotated text is laid out in a rectangle with width and height exchanged.
    TRect layout = rotated ? TRect{0, 0, r.Height(), r.Width()} : r;
    if (verticalAlignment == vaTop) layout.Top += verticalOffset;
    if (verticalAlignment == vaBottom) layout.Bottom -= verticalOffset;
    if (alignment == taLeftJustify) layout.Left += indent;
    if (alignment == taRightJustify) layout.Right -= indent;

    TTextFormat format = DT_EXPANDTABS;
    format |= alignment == taRightJustify ? DT_RIGHT : alignment == taCenter ? DT_CENTER : DT_LEFT;
    if (wordWrap) format |= DT_WORDBREAK;
    if (prefixMode == pmNoPrefix) format |= DT_NOPREFIX;
    if (prefixMode == pmHidePrefix) format |= DT_HIDEPREFIX;
    if (verticalAlignment != vaTop) {
        TRect measured{layout.Left, 0, layout.Right, 0};
        canvas.DrawText(text, measured, format | DT_CALCRECT);
        const int free = layout.Height() - measured.Height();
        layout.Top += verticalAlignment == vaCenter ? free / 2 : free;
    }
    if (!rotated) {
        canvas.DrawText(text, layout, format);
        return;
    }
    // Drawn upright in black on white, turned, and laid over the canvas in the font's colour with the
    // ink's darkness as alpha, so smoothed edges blend with whatever lies below.
    if (canvas.Brush()->Style() != bsClear) canvas.FillRect(rect);
    TBitmap upright(r.Height(), r.Width(), pf32bit);
    TCanvas& surface = *upright.Canvas();
    surface.Brush()->SetColor(clWhite);
    surface.FillRect({0, 0, upright.Width(), upright.Height()});
    surface.SetFont(canvas.Font());
    surface.Font()->SetColor(clBlack);
    surface.Brush()->SetStyle(bsClear);
    surface.DrawText(text, layout, format);
    TBitmap turned;
    TurnBitmapClockwise(upright, turned);
    const TColor ink = ColorToRGB(canvas.Font()->Color());
    const uint32_t inkBgra =
        static_cast<uint32_t>(GetRValue(ink)) << 16 | GetGValue(ink) << 8 | GetBValue(ink);
    for (int y = 0; y < turned.Height(); ++y) {
        auto* row = static_cast<uint32_t*>(turned.ScanLine(y));
        for (int x = 0; x < turned.Width(); ++x)
            row[x] = (255 - ((row[x] >> 8) & 0xFF)) << 24 | inkBgra;
    }
    turned.SetAlphaFormat(afDefined);
    canvas.Draw(r.Left, r.Top, &turned);
}

} // namespace docking
