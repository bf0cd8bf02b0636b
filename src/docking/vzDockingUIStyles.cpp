#include "docking/vzDockingUIStyles.h"

#include "platform/ui/TextLayout.h"

#include <algorithm>

namespace docking::uistyle {

using namespace ui;

namespace {

// Edge kinds for dbsNormal, dbsHot, dbsPressed and dbsDisabled.
using StateEdges = std::array<int, 4>;
constexpr StateEdges kNoEdges{ekNone, ekNone, ekNone, ekNone};
constexpr StateEdges kRaisedEdges{ekRaised, ekRaised, ekSunken, ekRaised};
constexpr StateEdges kHotEdges{ekNone, ekRaised, ekSunken, ekNone};
constexpr StateEdges kHotDisabledEdges{ekNone, ekRaised, ekSunken, ekRaised};
constexpr StateEdges kFlatEdges{ekNone, ekFlat, ekFlat, ekNone};

// How a look edges its tab buttons: the scroll and popup buttons, and the close button.
struct TabButtonEdges {
    StateEdges inner, outer;
    int deflate;
    StateEdges closeInner, closeOuter;
};
constexpr TabButtonEdges kStandardTabButtons{kRaisedEdges, kRaisedEdges, 2, kNoEdges, kNoEdges};
constexpr TabButtonEdges kEnhancedTabButtons{kNoEdges, kHotEdges, 1, kNoEdges, kHotEdges};
constexpr TabButtonEdges kFlatTabButtons{kFlatEdges, kNoEdges, 1, kNoEdges, kNoEdges};
constexpr TabButtonEdges kOfficeXPTabButtons{kFlatEdges, kNoEdges, 1, kFlatEdges, kNoEdges};

void SetPen(TCanvas& canvas, TColor color) {
    canvas.Pen()->SetColor(color);
    canvas.Pen()->SetStyle(psSolid);
    canvas.Pen()->SetWidth(1);
}

bool IsSelected(TvzTabItemState state) {
    return state == tisSelected || state == tisFocused;
}

// A one-pixel frame whose four corner pixels stay unpainted.
void FrameWithoutCorners(TCanvas& canvas, const TRect& r, TColor color) {
    FillSolidRect(canvas, {r.Left + 1, r.Top, r.Right - 1, r.Top + 1}, color);
    FillSolidRect(canvas, {r.Left + 1, r.Bottom - 1, r.Right - 1, r.Bottom}, color);
    FillSolidRect(canvas, {r.Left, r.Top + 1, r.Left + 1, r.Bottom - 1}, color);
    FillSolidRect(canvas, {r.Right - 1, r.Top + 1, r.Right, r.Bottom - 1}, color);
}

void DrawEdgedTabButton(TvzCustomDefaultUIStyle& style, TCanvas& canvas, const TRect& rect,
                        TvzDockButtonState state, TvzTabButtonKind kind, const TabButtonEdges& edges,
                        TColor base, int closeShift) {
    TRect r = rect;
    int inner = edges.inner.at(state), outer = edges.outer.at(state), deflate = edges.deflate;
    if (kind == tbkClose) {
        r.Top = style.LastTabTextRect().Top;
        r.Bottom = style.LastTabTextRect().Bottom;
        r = OffsetRect(r, closeShift, 0);
        inner = edges.closeInner.at(state);
        outer = edges.closeOuter.at(state);
        deflate = 1;
    } else {
        FillSolidRect(canvas, r, style.TabPaneColor()->StartColor());
    }
    DrawEdge3D(&canvas, r, inner, 1, base, sdAll, outer);
    style.DrawTabButtonGlyph(canvas, DeflateRect(r, deflate), kind, state);
}

// Hot and pressed buttons get a frame, filled with `hot` on captions without the focus.
void DrawFlatCaptionButton(TvzCustomDefaultUIStyle& style, TCanvas& canvas, const TRect& rect,
                           TvzDockButtonState state, TvzDockCaptionState captionState, TvzDockButtonKind kind,
                           TColor hot) {
    const bool focused = captionState == dcsFocused;
    if (state == dbsHot || state == dbsPressed) {
        SetPen(canvas, focused ? style.ActiveCaptionFont()->Color() : clActiveCaption);
        canvas.Brush()->SetColor(hot); // before the style: a colour makes the brush solid
        canvas.Brush()->SetStyle(focused ? bsClear : bsSolid);
        canvas.Rectangle(rect);
    }
    style.DrawCaptionButtonGlyph(canvas, DeflateRect(rect, 1), kind, captionState, state);
}

// The text of a tab whose gradient filled `fill`, as the Default look places it.
void DrawFilledTabText(TvzCustomDefaultUIStyle& style, TCanvas& canvas, const TRect& fill,
                       const std::u16string& text, TvzTabItemState state, TvzOrientation orientation,
                       int buttonAreaWidth, const TvzImage& image) {
    TRect textRect = fill;
    textRect.Left += 1;
    textRect.Right -= std::max(buttonAreaWidth, 0);
    style.DrawTabText(canvas, textRect, true, image, *style.ActiveTabFont(), *style.TabFont(), true,
                      orientation, state, text);
}

void SetGradient(TGradient& gradient, TColor start, TColor end, TGradientType type) {
    gradient.BeginUpdate();
    gradient.SetStartColor(start);
    gradient.SetEndColor(end);
    gradient.SetFillType(type);
    gradient.EndUpdate();
}

} // namespace

// ---- Standard and Enhanced ----

TvzStandardUIStyle::TvzStandardUIStyle(TComponent* owner) : TvzPlainSplitterUIStyle(owner) {
    SetStoredMetric(5, 3);
    SetStoredMetric(6, 2);
    SetStoredMetric(7, 2);
    SetGradient(*TabPaneColor(), clBtnFace, TabPaneColor()->EndColor(), gtSolid);
    SetGradient(*TabColor(), clBtnFace, TabColor()->EndColor(), gtSolid);
}

void TvzStandardUIStyle::DrawCaptionButton(TCanvas& canvas, const TRect& rect, TvzDockButtonState state,
                                           TvzDockCaptionState captionState, TvzDockButtonKind kind) {
    DrawEdge3D(&canvas, rect, kRaisedEdges.at(state), 1, clBtnFace, sdAll, ekNone);
    DrawCaptionButtonGlyph(canvas, DeflateRect(rect, 1), kind, captionState, state);
}

void TvzPlainSplitterUIStyle::DrawSplitter(TCanvas& canvas, const TRect& rect, TvzSplitterOrientation) {
    FillSolidRect(canvas, rect, SplitterColor());
}

void TvzStandardUIStyle::DrawTabButton(TCanvas& canvas, const TRect& rect, TvzDockButtonState state,
                                       TvzTabButtonKind kind) {
    DrawEdgedTabButton(*this, canvas, rect, state, kind, kStandardTabButtons, clBtnFace, CloseButtonShift());
}

void TvzStandardUIStyle::DrawTabItem(TCanvas& canvas, const TRect& rect, const std::u16string& text,
                                     TvzTabItemState state, TvzTabItemPosition, TvzOrientation orientation,
                                     int buttonAreaWidth, const TvzImage& image) {
    const int m4 = GetMetric(4), m5 = GetMetric(5);
    const bool selected = IsSelected(state), bottom = orientation == orBottom;
    lastTabSelected_ = selected;
    TRect r = rect;
    if (selected) {
        r.Left -= 2;
        if (bottom)
            --r.Bottom;
        else
            ++r.Top;
    } else if (bottom) {
        r.Top += m4;
        r.Bottom -= m5;
    } else {
        r.Bottom -= m4 + 1;
        r.Top += m5;
    }
    const TGradient& fill = selected ? *ActiveTabColor() : *TabColor();
    TRect inside{r.Left + 2, r.Top, r.Right - 1, r.Bottom};
    if (bottom)
        --inside.Bottom;
    else
        ++inside.Top;
    fill.Draw(canvas, inside, bottom && fill.FillType() == gtVertical, inside);

    // Bevelled outline; the side toward the pages stays open.
    const TColor base = fill.StartColor();
    const int L = r.Left, R = r.Right, T = r.Top, B = r.Bottom;
    const int sideTop = bottom ? T : T + 2, sideBottom = bottom ? B - 2 : B;
    FillSolidRect(canvas, {L, sideTop, L + 1, sideBottom}, HighlightColor(base));
    FillSolidRect(canvas, {L + 1, sideTop, L + 2, sideBottom}, LightColor(base));
    FillSolidRect(canvas, {R - 1, sideTop, R, sideBottom}, DarkShadowColor(base));
    FillSolidRect(canvas, {R - 2, sideTop, R - 1, sideBottom}, ShadowColor(base));
    if (bottom) {
        FillSolidRect(canvas, {L + 1, B - 2, L + 2, B - 1}, HighlightColor(base));
        FillSolidRect(canvas, {R - 2, B - 2, R - 1, B - 1}, DarkShadowColor(base));
        FillSolidRect(canvas, {L + 2, B - 1, R - 2, B}, DarkShadowColor(base));
        FillSolidRect(canvas, {L + 2, B - 2, R - 2, B - 1}, ShadowColor(base));
    } else {
        FillSolidRect(canvas, {L + 1, T + 1, L + 2, T + 2}, HighlightColor(base));
        FillSolidRect(canvas, {R - 2, T + 1, R - 1, T + 2}, DarkShadowColor(base));
        FillSolidRect(canvas, {L + 2, T, R - 2, T + 1}, HighlightColor(base));
    }
    DrawFilledTabText(*this, canvas, DeflateRect(inside, 1), text, state, orientation, buttonAreaWidth,
                      image);
}

void TvzEnhancedUIStyle::DrawCaptionButton(TCanvas& canvas, const TRect& rect, TvzDockButtonState state,
                                           TvzDockCaptionState captionState, TvzDockButtonKind kind) {
    const int edge = kHotDisabledEdges.at(state);
    DrawEdge3D(&canvas, rect, edge, 1, clBtnFace, sdRight | sdBottom, ekNone);
    DrawEdge3D(&canvas, rect, ekNone, 1, clBtnFace, sdLeft | sdTop, edge);
    DrawCaptionButtonGlyph(canvas, DeflateRect(rect, 1), kind, captionState, state);
}

void TvzEnhancedUIStyle::DrawTabButton(TCanvas& canvas, const TRect& rect, TvzDockButtonState state,
                                       TvzTabButtonKind kind) {
    DrawEdgedTabButton(*this, canvas, rect, state, kind, kEnhancedTabButtons, clBtnFace, CloseButtonShift());
}

// ---- Flat ----

TvzFlatUIStyle::TvzFlatUIStyle(TComponent* owner) : TvzPlainSplitterUIStyle(owner) {
    ActiveCaptionFont()->SetColor(clCaptionText);
    ActiveCaptionColor()->SetStartColor(clActiveCaption);
    const TColor pale = PaleColor(ActiveTabColor()->StartColor());
    TabPaneColor()->SetStartColor(pale);
    TabColor()->SetStartColor(pale);
}

TColor TvzFlatUIStyle::HotColor() const {
    return NearestColor(MixColors(CaptionColor()->StartColor(), clHighlight, clWindow, -2, 30, 72));
}

void TvzFlatUIStyle::DrawCaption(TCanvas& canvas, const TRect& rect, const std::u16string& text,
                                 TvzDockCaptionState state, int maxTextWidth, bool, const TvzImage& image) {
    FillSolidRect(canvas, rect, SplitterColor());
    TRect r{rect.Left, rect.Top + 1, rect.Right, rect.Bottom - 1};
    const bool focused = state == dcsFocused;
    const TGradient& fill = focused ? *ActiveCaptionColor() : *CaptionColor();
    fill.Draw(canvas, r, false, r);
    if (!focused) FrameWithoutCorners(canvas, r, ShadowColor(fill.StartColor()));
    DrawCaptionText(canvas, DeflateRect(r, 1), image, maxTextWidth, state, text);
}

void TvzFlatUIStyle::DrawCaptionButton(TCanvas& canvas, const TRect& rect, TvzDockButtonState state,
                                       TvzDockCaptionState captionState, TvzDockButtonKind kind) {
    DrawFlatCaptionButton(*this, canvas, rect, state, captionState, kind, HotColor());
}

void TvzFlatUIStyle::DrawTabButton(TCanvas& canvas, const TRect& rect, TvzDockButtonState state,
                                   TvzTabButtonKind kind) {
    DrawEdgedTabButton(*this, canvas, rect, state, kind, kFlatTabButtons, TabPaneColor()->StartColor(), 1);
}

void TvzFlatUIStyle::DrawTabItem(TCanvas& canvas, const TRect& rect, const std::u16string& text,
                                 TvzTabItemState state, TvzTabItemPosition, TvzOrientation orientation,
                                 int buttonAreaWidth, const TvzImage& image) {
    const int m4 = GetMetric(4), m5 = GetMetric(5);
    const bool selected = IsSelected(state), bottom = orientation == orBottom;
    TRect r = rect;
    if (selected) {
        --r.Left;
        if (bottom) {
            r.Top += m4 - 1;
            r.Bottom -= 2;
        } else {
            r.Top += 2;
            r.Bottom -= m4 - 1;
        }
    } else if (bottom) {
        r.Top += m4;
        r.Bottom -= m5;
    } else {
        r.Bottom -= m4 + 1;
        r.Top += m5;
    }
    const TGradient& fill = selected ? *ActiveTabColor() : *TabColor();
    TRect inside{r.Left + 1, r.Top, r.Right - 1, r.Bottom};
    if (!bottom) inside = OffsetRect(inside, 0, 1);
    fill.Draw(canvas, inside, bottom && fill.FillType() == gtVertical, inside);
    if (selected)
        DrawEdge3D(&canvas, r, ekNone, 1, fill.StartColor(),
                   bottom ? sdLeft | sdRight | sdBottom : sdLeft | sdTop | sdRight, ekRaised);
    else
        FillSolidRect(canvas, {r.Right - 1, r.Top + 2, r.Right, r.Bottom - 1},
                      ShadowColor(fill.StartColor()));
    DrawFilledTabText(*this, canvas, inside, text, state, orientation, buttonAreaWidth, image);
}

void TvzFlatUIStyle::DrawTabPane(TCanvas& canvas, const TRect& rect, TvzTabOrientation orientation) {
    TvzPlainSplitterUIStyle::DrawTabPane(canvas, rect, orientation);
    // The strip next to the pages takes the selected tab's far colour.
    const int m4 = GetMetric(4);
    const bool top = orientation == dtoTop;
    const TRect strip = top ? TRect{rect.Left, rect.Bottom - m4, rect.Right, rect.Bottom}
                            : TRect{rect.Left, rect.Top, rect.Right, rect.Top + m4};
    const TGradient& active = *ActiveTabColor();
    FillSolidRect(canvas, strip, active.FillType() == gtHorizontal ? active.EndColor() : active.StartColor());
    if (top)
        DrawEdge3D(&canvas, strip, ekNone, 1, clBtnFace, sdTop, ekRaised);
    else
        DrawEdge3D(&canvas, strip, ekNone, 1, clBtnFace, sdBottom, ekRaised);
}

// ---- VS2005 ----

TvzVS2005UIDockingStyle::TvzVS2005UIDockingStyle(TComponent* owner)
    : TvzPlainSplitterUIStyle(owner), triangleTabFont_(std::make_unique<TFont>()),
      activeTriangleTabFont_(std::make_unique<TFont>()) {
    BeginUpdate();
    ActiveCaptionFont()->SetColor(clCaptionText);
    SetGradient(*ActiveCaptionColor(), clActiveCaption, LightenColor(clActiveCaption, 87), gtVertical);
    CaptionFont()->SetColor(clInactiveCaptionText);
    SetGradient(*CaptionColor(), clInactiveCaption, LightenColor(clInactiveCaption, 87), gtVertical);
    SetGradient(*TabPaneColor(), clBtnFace, LightenColor(clBtnFace, 87), gtHorizontal);
    SetTabIndent(5);
    TabColor()->SetStartColor(clBtnFace);
    TabFont()->SetSize(6);
    TabFont()->SetColor(clGrayText);
    ActiveTabColor()->SetStartColor(clBtnHighlight);
    ActiveTabFont()->SetSize(6);
    ActiveTabFont()->SetColor(clBtnText);
    ActiveTabFont()->SetStyle(TFontStyles{});
    SetHotHighlight(false);
    SetGradient(triangleTabColor_, clBtnHighlight, LightenColor(clBtnFace, 87), gtVertical);
    activeTriangleTabColor_.SetStartColor(clBtnHighlight);
    triangleTabFont_->Assign(ActiveTabFont());
    activeTriangleTabFont_->Assign(ActiveTabFont());
    activeTriangleTabFont_->SetStyle(TFontStyles{fsBold});
    EndUpdate();
    for (TGradient* gradient : {&triangleTabColor_, &activeTriangleTabColor_})
        gradient->OnChange = [this](TGradient*) { Changed(); };
    for (TFont* font : {triangleTabFont_.get(), activeTriangleTabFont_.get()})
        font->OnChange = [this](TObject*) { Changed(); };
}

TColor TvzVS2005UIDockingStyle::HotColor() const {
    return ColorToRGB(clInactiveCaption);
}

void TvzVS2005UIDockingStyle::Assign(const ui::TPersistent* source) {
    BeginUpdate();
    TvzPlainSplitterUIStyle::Assign(source);
    if (const auto* other = dynamic_cast<const TvzVS2005UIDockingStyle*>(source)) {
        triangleTabColor_.Assign(&other->triangleTabColor_);
        activeTriangleTabColor_.Assign(&other->activeTriangleTabColor_);
        triangleTabFont_->Assign(other->triangleTabFont_.get());
        activeTriangleTabFont_->Assign(other->activeTriangleTabFont_.get());
    }
    EndUpdate();
}

int TvzVS2005UIDockingStyle::MeasureTabWidth(const std::u16string& text, TvzTabItemState state,
                                             const TvzImage& image, int buttonAreaWidth,
                                             TvzOrientation orientation) const {
    if (orientation != orTop) return GetTabWidth(text, state, image, buttonAreaWidth);
    const TFont& font = IsSelected(state) ? *activeTriangleTabFont_ : *triangleTabFont_;
    const int m0 = GetMetric(0);
    int width = MeasureText(font, StripPrefixes(text)).cx + 3 * GetTabHeight(TvzImage{}) / 4 +
                2 * (m0 + GetMetric(6));
    if (buttonAreaWidth > 0) width += buttonAreaWidth + m0;
    return width;
}

void TvzVS2005UIDockingStyle::DrawCaption(TCanvas& canvas, const TRect& rect, const std::u16string& text,
                                          TvzDockCaptionState state, int maxTextWidth, bool,
                                          const TvzImage& image) {
    FillSolidRect(canvas, rect, SplitterColor());
    TRect r{rect.Left, rect.Top + 1, rect.Right, rect.Bottom - 1};
    const TGradient& fill = state == dcsFocused ? *ActiveCaptionColor() : *CaptionColor();
    fill.Draw(canvas, r, false, r);
    // The side lines reach down over the free bottom row.
    FillSolidRect(canvas, {r.Left, r.Top, r.Right, r.Top + 1}, clBtnShadow);
    FillSolidRect(canvas, {r.Left, r.Top, r.Left + 1, rect.Bottom}, clBtnShadow);
    FillSolidRect(canvas, {r.Right - 1, r.Top, r.Right, rect.Bottom}, clBtnShadow);
    DrawCaptionText(canvas, DeflateRect(r, 1), image, maxTextWidth, state, text);
}

void TvzVS2005UIDockingStyle::DrawCaptionButton(TCanvas& canvas, const TRect& rect, TvzDockButtonState state,
                                                TvzDockCaptionState captionState, TvzDockButtonKind kind) {
    if (kind == dbkCustom)
        TvzPlainSplitterUIStyle::DrawCaptionButton(canvas, rect, state, captionState, kind);
    else
        DrawFlatCaptionButton(*this, canvas, rect, state, captionState, kind, HotColor());
}

void TvzVS2005UIDockingStyle::DrawControl(TCanvas& canvas, const TRect& rect, TvzDockControlDrawKind) {
    // A white panel; its top border lies above the rectangle, out of sight.
    canvas.SaveState();
    canvas.IntersectClipRect(rect);
    SetPen(canvas, clBtnShadow);
    canvas.Brush()->SetStyle(bsSolid);
    canvas.Brush()->SetColor(clBtnHighlight);
    canvas.Rectangle(rect.Left, rect.Top - 2, rect.Right, rect.Bottom);
    canvas.RestoreState();
}

void TvzVS2005UIDockingStyle::DrawTabButton(TCanvas& canvas, const TRect& rect, TvzDockButtonState state,
                                            TvzTabButtonKind kind) {
    DrawEdgedTabButton(*this, canvas, rect, state, kind, kFlatTabButtons, TabPaneColor()->StartColor(), 1);
}

void TvzVS2005UIDockingStyle::DrawTabItem(TCanvas& canvas, const TRect& rect, const std::u16string& text,
                                          TvzTabItemState state, TvzTabItemPosition position,
                                          TvzOrientation orientation, int buttonAreaWidth,
                                          const TvzImage& image) {
    if (orientation == orTop)
        DrawSlantedTab(canvas, rect, text, state, position);
    else
        DrawRectangularTab(canvas, rect, text, state, position, orientation, buttonAreaWidth, image);
}

void TvzVS2005UIDockingStyle::DrawRectangularTab(TCanvas& canvas, const TRect& rect,
                                                 const std::u16string& text, TvzTabItemState state,
                                                 TvzTabItemPosition position, TvzOrientation orientation,
                                                 int buttonAreaWidth, const TvzImage& image) {
    const bool selected = IsSelected(state);
    TRect r = rect;
    if (position == tipFirst) r.Left -= TabIndent() - 1; // from the strip's beginning
    TRect inside = r;
    if (selected) {
        r.Left -= 2;
        inside = r;
        if (orientation == orBottom) {
            // Rounded below; the top stays open to the pages.
            canvas.SaveState();
            canvas.IntersectClipRect(rect);
            SetPen(canvas, clBtnShadow);
            canvas.Brush()->SetStyle(bsClear);
            canvas.RoundRect(r.Left, r.Top - 2, r.Right, r.Bottom - 2, 2, 2);
            canvas.RestoreState();
            inside = {r.Left + 1, r.Top, r.Right - 1, r.Bottom - 3};
        }
    } else {
        r.Top += 4;
        r.Bottom -= 4;
        inside = r;
        FillSolidRect(canvas, {r.Right - 2, r.Top, r.Right - 1, r.Bottom}, clBtnShadow);
    }
    --inside.Right;
    const TGradient& fill = selected ? *ActiveTabColor() : *TabColor();
    if (selected || inside.Right > inside.Left + 1) {
        TRect filled = inside;
        if (!selected) --filled.Right; // keep the separator
        fill.Draw(canvas, filled, fill.FillType() == gtVertical, filled);
    }
    DrawFilledTabText(*this, canvas, inside, text, state, orientation, buttonAreaWidth, image);
}

void TvzVS2005UIDockingStyle::DrawSlantedTab(TCanvas& canvas, const TRect& rect, const std::u16string& text,
                                             TvzTabItemState state, TvzTabItemPosition position) {
    const bool selected = IsSelected(state);
    const TRect r{rect.Left, rect.Top + 2, rect.Right, rect.Bottom - 2};
    const int L = r.Left, T = r.Top, R = r.Right, B = r.Bottom, s = 3 * r.Height() / 4;
    const bool slanted = selected || position != tipFirst;
    const TGradient& fill = selected ? activeTriangleTabColor_ : triangleTabColor_;
    fill.Draw(canvas, r, false, r);
    canvas.Pen()->SetStyle(psClear);
    canvas.Brush()->SetStyle(bsSolid);
    if (slanted) {
        canvas.Brush()->SetColor(TabPaneColor()->StartColor());
        canvas.Polygon({{L, T}, {L + s / 2 + 4, T}, {L + s / 2, T + 2}, {L - s / 2, B}, {L, B}});
        canvas.Brush()->SetColor(fill.FillType() == gtVertical ? fill.EndColor() : fill.StartColor());
        canvas.Polygon({{L - s / 2, B}, {L + s / 2, T + 2}, {L + s / 2, B}});
    }
    SetPen(canvas, clBtnShadow);
    std::vector<TPoint> outline;
    if (slanted)
        outline = {{L - s / 2, B}, {L + s / 2, T + 2}, {L + s / 2 + 4, T}};
    else
        outline = {{L, B}, {L, T}};
    outline.insert(outline.end(), {{R - 3, T}, {R - 1, T + 2}, {R - 1, B + 1}});
    canvas.Polyline(outline);
    if (selected) {
        SetPen(canvas, clBtnHighlight);
        canvas.MoveTo(L - s / 2 + 1, B);
        canvas.LineTo(R - 1, B);
    }
    const TRect textRect = DeflateRect({slanted ? L + s / 2 : L, T, R, B}, 1);
    DrawTabText(canvas, textRect, false, TvzImage{}, *activeTriangleTabFont_, *triangleTabFont_, true, orTop,
                state, text);
}

void TvzVS2005UIDockingStyle::DrawTabPane(TCanvas& canvas, const TRect& rect, TvzTabOrientation orientation) {
    TabPaneColor()->Draw(canvas, rect, false, rect);
    if (orientation == dtoTop) {
        // A white strip under the tabs, framed in shadow on top and at both ends.
        canvas.SaveState();
        canvas.IntersectClipRect(rect);
        SetPen(canvas, clBtnShadow);
        canvas.Brush()->SetStyle(bsSolid);
        canvas.Brush()->SetColor(clBtnHighlight);
        canvas.Rectangle(rect.Left, rect.Bottom - 3, rect.Right, rect.Bottom + 1);
        canvas.RestoreState();
    } else {
        FillSolidRect(canvas, {rect.Left, rect.Top, rect.Right, rect.Top + 1}, clBtnHighlight);
        FillSolidRect(canvas, {rect.Left, rect.Top + 1, rect.Right, rect.Top + 2}, clBtnShadow);
    }
}

void TvzVS2005UIDockingStyle::DrawHiddenTab(TCanvas& canvas, const TRect& rect, const std::u16string& text,
                                            TvzTabItemState state, TvzTabItemPosition position,
                                            TvzHideZoneOrientation zone, bool showText,
                                            const TvzImage& image) {
    if (!IsSelected(state)) {
        TvzPlainSplitterUIStyle::DrawHiddenTab(canvas, rect, text, state, position, zone, showText, image);
        return;
    }
    // A rounded tab that runs on under the zone's outer edge, so only its inner corners show.
    TRect r = rect, shape = rect;
    switch (zone) {
    case hzoLeft:
        r.Right -= 2;
        shape = {r.Left - 2, r.Top, r.Right, r.Bottom};
        break;
    case hzoRight:
        r.Left += 2;
        shape = {r.Left, r.Top, r.Right + 2, r.Bottom};
        break;
    case hzoBottom:
        r.Top += 2;
        shape = {r.Left, r.Top, r.Right, r.Bottom + 2};
        break;
    default:
        r.Bottom -= 2;
        shape = {r.Left, r.Top - 2, r.Right, r.Bottom};
        break;
    }
    canvas.SaveState();
    canvas.IntersectClipRect(r);
    SetPen(canvas, clBtnShadow);
    canvas.Brush()->SetStyle(bsSolid);
    canvas.Brush()->SetColor(clBtnFace);
    canvas.RoundRect(shape.Left, shape.Top, shape.Right, shape.Bottom, 2, 2);
    canvas.RestoreState();
    const TvzOrientation orientation = static_cast<TvzOrientation>(zone == hzoDefault ? hzoTop : zone);
    DrawTabText(canvas, DeflateRect(r, 1), false, image, *ActiveHiddenTabFont(), *HiddenTabFont(), showText,
                orientation, state, text);
}

// ---- OfficeXP ----

TvzOfficeXPColors OfficeXPSchemeColors(TvzOfficeXPScheme scheme) {
    // Without visual styles the desktop has no named colour scheme.
    if (scheme == ofsSystem) scheme = ofsDefault;
    constexpr TColor hot = 0x8ED3FF, hot2 = 0x4E91FE;
    switch (scheme) {
    case ofsBlue:
        return {0xFEECDD, 0xE2A981, 0x913500, 0xF1A675, hot, hot2, 0x913500};
    case ofsOlive:
        return {0xDEF7F4, 0x91C6B7, 0x6B7760, 0x8CC2B0, hot, hot2, 0x6B7760};
    case ofsSilver:
        return {0xFAF4F3, 0xB59799, 0x927476, 0xC8B2B3, hot, hot2, 0x927476};
    default:
        return {clBtnFace,
                BlendColors(clBtnFace, clWindow, 20),
                clBtnShadow,
                BlendColors(clBtnShadow, clWindow, 74),
                MixColors(clBtnFace, clHighlight, clWindow, 41, 11, 48),
                MixColors(clBtnFace, clHighlight, clWindow, 14, 44, 40),
                clActiveCaption};
    }
}

TvzOfficeXPUIStyle::TvzOfficeXPUIStyle(TComponent* owner) : TvzCustomDefaultUIStyle(owner) {
    BeginUpdate();
    SetHotHighlight(false);
    SetStoredMetric(4, 0);
    SetTabIndent(0);
    UpdateColors();
    EndUpdate();
}

void TvzOfficeXPUIStyle::SetScheme(TvzOfficeXPScheme scheme) {
    if (scheme == scheme_) return;
    scheme_ = scheme;
    UpdateColors();
}

void TvzOfficeXPUIStyle::SetSchemeTint(TvzOfficeXPSchemeTint tint) {
    if (tint == schemeTint_) return;
    schemeTint_ = tint;
    UpdateColors();
}

void TvzOfficeXPUIStyle::Assign(const ui::TPersistent* source) {
    BeginUpdate();
    TvzCustomDefaultUIStyle::Assign(source);
    if (const auto* other = dynamic_cast<const TvzOfficeXPUIStyle*>(source)) {
        scheme_ = other->scheme_;
        schemeTint_ = other->schemeTint_;
        UpdateColors();
    }
    EndUpdate();
}

void TvzOfficeXPUIStyle::UpdateColors() {
    const TvzOfficeXPColors c = OfficeXPSchemeColors(scheme_);
    const bool modest = schemeTint_ == ostModest;
    BeginUpdate();
    paneColor_ = c.pane;
    hotColor_ = c.hot;
    const TColor text = modest ? clWindowText : clCaptionText;
    for (TFont* font : {CaptionFont(), TabFont(), HiddenTabFont(), ActiveHiddenTabFont()})
        font->SetColor(text);
    ActiveCaptionFont()->SetColor(modest ? clCaptionText : clWindowText);
    if (modest) {
        SetGradient(*ActiveCaptionColor(), c.caption, BlendColors(c.accent, c.pane, 75), gtHorizontal);
        SetGradient(*CaptionColor(), clBtnFace, c.pane, gtHorizontal);
        SetGradient(*TabPaneColor(), BlendColors(clBtnFace, clWindow, 20), TabPaneColor()->EndColor(),
                    gtSolid);
        SetGradient(*ActiveTabColor(), PaleColor(clWindow), ActiveTabColor()->EndColor(), gtSolid);
        for (TGradient* tabs : {TabColor(), HiddenTabColor(), ActiveHiddenTabColor()})
            SetGradient(*tabs, CaptionColor()->EndColor(), CaptionColor()->StartColor(), gtVertical);
    } else {
        for (TGradient* hot : {ActiveCaptionColor(), ActiveTabColor()})
            SetGradient(*hot, c.hot, c.hot2, gtVertical);
        SetGradient(pressedColor_, c.hot, c.hot2, gtVertical);
        SetGradient(*CaptionColor(), c.shadow2, c.shadow, gtVertical);
        SetGradient(*TabPaneColor(), BlendColors(c.accent, c.pane, 75), c.pane, gtVertical);
        for (TGradient* tabs : {TabColor(), HiddenTabColor(), ActiveHiddenTabColor()})
            SetGradient(*tabs, c.shadow, c.shadow2, gtVertical);
    }
    hotBrushColor_ = NearestColor(MixColors(CaptionColor()->StartColor(), clHighlight, clWindow, -2, 30, 72));
    EndUpdate();
}

void TvzOfficeXPUIStyle::DrawCaption(TCanvas& canvas, const TRect& rect, const std::u16string& text,
                                     TvzDockCaptionState state, int maxTextWidth, bool,
                                     const TvzImage& image) {
    const TGradient& fill = state == dcsFocused ? *ActiveCaptionColor() : *CaptionColor();
    fill.Draw(canvas, rect, false, rect);
    DrawCaptionText(canvas, DeflateRect(rect, 1), image, maxTextWidth, state, text);
}

void TvzOfficeXPUIStyle::DrawCaptionButton(TCanvas& canvas, const TRect& rect, TvzDockButtonState state,
                                           TvzDockCaptionState captionState, TvzDockButtonKind kind) {
    if (schemeTint_ == ostModest) {
        DrawFlatCaptionButton(*this, canvas, rect, state, captionState, kind, hotBrushColor_);
        return;
    }
    const bool focused = captionState == dcsFocused;
    if (state == dbsPressed)
        pressedColor_.Draw(canvas, rect, false, rect);
    else if (state == dbsHot && !focused)
        ActiveCaptionColor()->Draw(canvas, rect, false, rect);
    if (state == dbsHot || state == dbsPressed) {
        SetPen(canvas, focused ? ActiveCaptionFont()->Color() : CaptionFont()->Color());
        canvas.Brush()->SetStyle(bsClear);
        canvas.Rectangle(rect);
    }
    DrawCaptionButtonGlyph(canvas, DeflateRect(rect, 1), kind, captionState, state);
}

void TvzOfficeXPUIStyle::DrawSplitter(TCanvas& canvas, const TRect& rect, TvzSplitterOrientation) {
    FillSolidRect(canvas, rect, paneColor_);
}

void TvzOfficeXPUIStyle::DrawTabButton(TCanvas& canvas, const TRect& rect, TvzDockButtonState state,
                                       TvzTabButtonKind kind) {
    DrawEdgedTabButton(*this, canvas, rect, state, kind, kOfficeXPTabButtons, TabPaneColor()->StartColor(),
                       GetMetric(6));
}

void TvzOfficeXPUIStyle::DrawTabItem(TCanvas& canvas, const TRect& rect, const std::u16string& text,
                                     TvzTabItemState state, TvzTabItemPosition position,
                                     TvzOrientation orientation, int buttonAreaWidth, const TvzImage& image) {
    const int m4 = GetMetric(4), m5 = GetMetric(5);
    const bool selected = IsSelected(state), bottom = orientation == orBottom;
    const bool leading = selected || position == tipFirst; // draws its own left side
    TRect r = rect;
    if (bottom) {
        r.Top += m4;
        r.Bottom -= m5;
    } else {
        r.Bottom -= m4;
        r.Top += m5;
    }
    const TGradient& fill = selected ? *ActiveTabColor() : *TabColor();
    TRect inside = r;
    if (bottom)
        ++inside.Top;
    else
        --inside.Bottom;
    if (leading) ++inside.Left;
    fill.Draw(canvas, inside, bottom && fill.FillType() == gtVertical, inside);
    DrawFilledTabText(*this, canvas, inside, text, state, orientation, buttonAreaWidth, image);

    const TColor shadow = ShadowColor(fill.StartColor());
    const int far = bottom ? sdBottom : sdTop;
    DrawChamferedFrame(canvas, r, far | sdRight | (leading ? sdLeft : 0), 1, shadow);
    if (!leading) canvas.SetPixel(r.Left, bottom ? r.Bottom - 2 : r.Top + 1, shadow);
}

void TvzOfficeXPUIStyle::DrawTabPane(TCanvas& canvas, const TRect& rect, TvzTabOrientation orientation) {
    DrawTabPaneBackground(canvas, rect, orientation == dtoTop ? orTop : orBottom);
}

void TvzOfficeXPUIStyle::DrawTabTarget(TCanvas& canvas, const TRect& rect) {
    DrawTabTargetShape(canvas, rect, clWindowText, hotColor_);
}

void TvzOfficeXPUIStyle::DrawHideZone(TCanvas& canvas, const TRect& rect, TvzHideZoneOrientation,
                                      const TRect& clip) {
    const TRect r = IntersectRect(rect, clip);
    if (!r.IsEmpty()) FillSolidRect(canvas, r, paneColor_);
}

void TvzOfficeXPUIStyle::DrawHiddenTab(TCanvas& canvas, const TRect& rect, const std::u16string& text,
                                       TvzTabItemState state, TvzTabItemPosition position,
                                       TvzHideZoneOrientation zone, bool showText, const TvzImage& image) {
    const int m5 = GetMetric(5);
    const bool selected = IsSelected(state), leading = selected || position == tipFirst;
    TRect r = rect;
    TvzOrientation orientation = orTop;
    int sides = 0, leadingSide = 0;
    switch (zone) {
    case hzoLeft:
        r.Right -= m5;
        orientation = orLeft;
        sides = sdRight | sdBottom;
        leadingSide = sdTop;
        break;
    case hzoRight:
        r.Left += m5;
        orientation = orRight;
        sides = sdLeft | sdBottom;
        leadingSide = sdTop;
        break;
    case hzoBottom:
        r.Top += m5;
        orientation = orTop;
        sides = sdTop | sdRight;
        leadingSide = sdLeft;
        break;
    default:
        r.Bottom -= m5;
        orientation = orBottom;
        sides = sdRight | sdBottom;
        leadingSide = sdLeft;
        break;
    }
    const TGradient& fill = selected ? *ActiveHiddenTabColor() : *HiddenTabColor();
    fill.Draw(canvas, r, false, r);
    DrawTabText(canvas, r, false, image, *ActiveHiddenTabFont(), *HiddenTabFont(), showText, orientation,
                state, text);
    const TColor shadow = ShadowColor(TabColor()->StartColor());
    DrawChamferedFrame(canvas, r, sides | (leading ? leadingSide : 0), 1, shadow);
    if (!leading) {
        const bool top = leadingSide == sdTop;
        const int x = top ? (zone == hzoLeft ? r.Right - 2 : r.Left + 1) : r.Left;
        const int y = top ? r.Top : (zone == hzoBottom ? r.Top + 1 : r.Bottom - 2);
        canvas.SetPixel(x, y, shadow);
    }
}

} // namespace docking::uistyle
