#include "docking/vzDockingUIDefault.h"

#include "platform/ui/ImageList.h"

#include <algorithm>

namespace docking::uistyle {

using namespace ui;

// ---- TvzCaptionButtonImages ----

void TvzCaptionButtonImages::SetIndex(TvzDockButtonKind kind, int index) {
    if (indexes_.at(kind) == index) return;
    indexes_[kind] = index;
    Changed();
}

void TvzCaptionButtonImages::Reset() {
    indexes_.fill(-1);
    Changed();
}

void TvzCaptionButtonImages::Assign(const TPersistent* source) {
    const auto* other = dynamic_cast<const TvzCaptionButtonImages*>(source);
    if (!other) {
        TPersistent::Assign(source);
        return;
    }
    indexes_ = other->indexes_;
    Changed();
}

void TvzCaptionButtonImages::Changed() {
    if (style_->Images()) style_->Changed();
}

// ---- TvzCustomDefaultUIStyle ----

namespace {

constexpr std::array<int, TvzDockingUIStyle::kMetricCount> kDefaultMetrics = {4, 1, 2, 2, 3, 1,
                                                                              1, 1, 1, 1, 14};

// Button-state edges: hot buttons stand out, pressed ones sink in.
int ButtonOuterEdge(TvzDockButtonState state) {
    return state == dbsHot ? ekRaised : state == dbsPressed ? ekSunken : ekNone;
}

} // namespace

TvzCustomDefaultUIStyle::TvzCustomDefaultUIStyle(TComponent* owner)
    : TvzDockingUIStyle(owner), imagesLink_(std::make_unique<TChangeLink>()),
      captionButtons_(std::make_unique<TvzCaptionButtonImages>(this)) {
    for (int i = 0; i < kMetricCount; ++i)
        SetStoredMetric(i, kDefaultMetrics[i]);
    TabColor()->SetStartColor(clBtnHighlight);
    TabPaneColor()->SetStartColor(clBtnHighlight);
    HideZoneColor()->SetStartColor(clWindow);
    ActiveHiddenTabColor()->SetStartColor(clBtnFace);
    HiddenTabColor()->SetStartColor(clBtnFace);
    for (TGradient& gradient : gradients_)
        gradient.OnChange = [this](TGradient*) { Changed(); };
    imagesLink_->OnChange = [this](TObject*) { Changed(); };
}

TvzCustomDefaultUIStyle::~TvzCustomDefaultUIStyle() {
    if (images_) images_->UnRegisterChanges(imagesLink_.get());
}

void TvzCustomDefaultUIStyle::SetSplitterColor(TColor color) {
    if (color == splitterColor_) return;
    splitterColor_ = color;
    Changed();
}

void TvzCustomDefaultUIStyle::SetImages(TCustomImageList* images) {
    if (images == images_) return;
    if (images_) images_->UnRegisterChanges(imagesLink_.get());
    images_ = images;
    if (images_) images_->RegisterChanges(imagesLink_.get());
    Changed();
}

void TvzCustomDefaultUIStyle::Assign(const TPersistent* source) {
    const auto* other = dynamic_cast<const TvzCustomDefaultUIStyle*>(source);
    if (!other) {
        TvzDockingUIStyle::Assign(source);
        return;
    }
    BeginUpdate();
    SetMetrics(other->Metrics());
    ActiveCaptionFont()->Assign(other->ActiveCaptionFont());
    CaptionFont()->Assign(other->CaptionFont());
    ActiveTabFont()->Assign(other->ActiveTabFont());
    TabFont()->Assign(other->TabFont());
    SetPrefixMode(other->PrefixMode());
    for (GradientSlot slot : {gActiveTab, gTab, gTabPane, gActiveCaption, gCaption})
        gradients_[slot].Assign(&other->gradients_[slot]);
    captionButtons_->Assign(other->captionButtons_.get());
    SetSplitterColor(other->splitterColor_);
    SetImages(other->images_);
    EndUpdate();
}

void TvzCustomDefaultUIStyle::DrawCaption(TCanvas& canvas, const TRect& rect, const std::u16string& text,
                                          TvzDockCaptionState state, int maxTextWidth, bool /*fitText*/,
                                          const TvzImage& image) {
    const TGradient& fill = state == dcsFocused ? *ActiveCaptionColor() : *CaptionColor();
    fill.Draw(canvas, rect, false, rect);
    DrawEdge3D(&canvas, rect, ekSunken, 1, clBtnFace, sdAll, ekNone);
    TRect r = DeflateRect(rect, 1);
    DrawEdge3D(&canvas, r, ekNone, 1, clBtnFace, sdAll, ekRaised);
    r = DeflateRect(r, 1);
    DrawCaptionText(canvas, r, image, maxTextWidth, state, text);
}

void TvzCustomDefaultUIStyle::DrawCaptionButton(TCanvas& canvas, const TRect& rect, TvzDockButtonState state,
                                                TvzDockCaptionState captionState, TvzDockButtonKind kind) {
    const TGradient& caption = captionState == dcsFocused ? *ActiveCaptionColor() : *CaptionColor();
    DrawEdge3D(&canvas, rect, ekNone, 1, caption.StartColor(), sdAll, ButtonOuterEdge(state));
    DrawCaptionButtonGlyph(canvas, DeflateRect(rect, 1), kind, captionState, state);
}

void TvzCustomDefaultUIStyle::DrawCaptionButtonGlyph(TCanvas& canvas, const TRect& rect,
                                                     TvzDockButtonKind kind, TvzDockCaptionState captionState,
                                                     TvzDockButtonState state) {
    const int imageIndex = captionButtons_->Index(kind);
    if (images_ && imageIndex >= 0 && imageIndex < images_->Count()) {
        images_->Draw(canvas, rect.Left + (rect.Width() - images_->Width()) / 2,
                      rect.Top + (rect.Height() - images_->Height()) / 2, imageIndex, state != dbsDisabled);
        return;
    }
    TColor color = captionState == dcsFocused ? ActiveCaptionFont()->Color() : CaptionFont()->Color();
    if (state == dbsDisabled) color = clBtnShadow;
    canvas.Pen()->SetColor(color);
    canvas.Pen()->SetStyle(psSolid);
    canvas.Brush()->SetStyle(bsSolid);
    canvas.Brush()->SetColor(color);
    if (kind == dbkHelp) {
        canvas.Font()->SetName("Arial");
        canvas.Font()->SetStyle(TFontStyles{fsBold});
        canvas.Font()->SetHeight(-rect.Height());
        canvas.Font()->SetColor(color);
        canvas.Brush()->SetStyle(bsClear);
        canvas.SaveState();
        canvas.IntersectClipRect(rect);
        TRect r = rect;
        canvas.DrawText(u"?", r, DT_CENTER | DT_VCENTER | DT_SINGLELINE);
        canvas.RestoreState();
        return;
    }
    const TRect r = InflateRect(rect, -rect.Width() / 6, -rect.Height() / 6);
    const int L = r.Left, T = r.Top, R = r.Right, B = r.Bottom, w = r.Width(), h = r.Height();
    const int thick = std::max(1, w / 5);
    canvas.Pen()->SetWidth(1);
    // A window outline with a title edge `thick` pixels deep.
    const auto window = [&](int left, int top, int right, int bottom) {
        canvas.Brush()->SetStyle(bsClear);
        canvas.Rectangle(left, top, right, bottom);
        FillSolidRect(canvas, {left, top, right, std::min(bottom, top + thick)}, color);
    };
    switch (kind) {
    case dbkHide:
        canvas.Pen()->SetWidth(thick);
        canvas.Polygon({{L, T}, {R - 2, B - 1}, {R - 1, B - 1}, {L + 1, T}});
        canvas.Polygon({{L, B - 1}, {R - 2, T}, {R - 1, T}, {L + 1, B - 1}});
        break;
    case dbkUndock:
        window(L + w / 4, T, R, B - h / 4);
        canvas.MoveTo(L, T + h / 4);
        canvas.LineTo(L, B);
        canvas.LineTo(R - w / 4, B);
        canvas.MoveTo(L, B - 1);
        canvas.LineTo(L + w / 4, B - h / 4 - 1);
        break;
    case dbkAutoHide: {
        const int middle = L + w / 2;
        window(middle - w / 4, T, middle + w / 4 + 1, T + h / 2);
        FillSolidRect(canvas, {L, T + h / 2, R, T + h / 2 + 1}, color);
        FillSolidRect(canvas, {middle, T + h / 2, middle + 1, B}, color);
        break;
    }
    case dbkUndoAutoHide: {
        const int middle = T + h / 2;
        window(L + w / 2, middle - h / 4, R, middle + h / 4 + 1);
        FillSolidRect(canvas, {L + w / 2, T, L + w / 2 + 1, B}, color);
        FillSolidRect(canvas, {L, middle, L + w / 2, middle + 1}, color);
        break;
    }
    case dbkMaximize:
        window(L, T, R, B);
        break;
    case dbkRestore:
        window(L + w / 3, T, R, B - h / 3);
        window(L, T + h / 3, R - w / 3, B);
        break;
    case dbkMenu:
        canvas.Polygon({{L + w / 5, T + h / 2}, {L + w / 2, B - h / 5}, {R - w / 5, T + h / 2}});
        break;
    case dbkCustom:
        canvas.Pen()->SetStyle(psDot);
        canvas.Brush()->SetStyle(bsClear);
        canvas.Rectangle(r);
        break;
    default:
        break;
    }
    canvas.Pen()->SetWidth(1);
    canvas.Pen()->SetStyle(psSolid);
}

void TvzCustomDefaultUIStyle::DrawControl(TCanvas& canvas, const TRect& rect, TvzDockControlDrawKind) {
    canvas.FillRect(rect);
}

void TvzCustomDefaultUIStyle::DrawSplitter(TCanvas& canvas, const TRect& rect,
                                           TvzSplitterOrientation orientation) {
    FillSolidRect(canvas, rect, splitterColor_);
    const bool vertical = orientation == spoVertical;
    if ((vertical ? rect.Height() : rect.Width()) > 0)
        DrawEdge3D(&canvas, rect, ekSunken, 1, splitterColor_, vertical ? sdTop | sdBottom : sdLeft | sdRight,
                   ekNone);
}

void TvzCustomDefaultUIStyle::DrawTabButton(TCanvas& canvas, const TRect& rect, TvzDockButtonState state,
                                            TvzTabButtonKind kind) {
    TRect r = rect;
    if (kind == tbkClose) {
        // The close button sits on the line of the tab text.
        r.Top = LastTabTextRect().Top;
        r.Bottom = LastTabTextRect().Bottom;
    } else {
        FillSolidRect(canvas, r, TabPaneColor()->StartColor());
    }
    DrawEdge3D(&canvas, r, ekNone, 1, TabPaneColor()->StartColor(), sdAll, ButtonOuterEdge(state));
    DrawTabButtonGlyph(canvas, DeflateRect(r, 1), kind, state);
}

int TvzCustomDefaultUIStyle::CloseBoxSide(const TRect& button) {
    int side = (3 * std::min(button.Width(), button.Height()) + 3) / 4;
    side += side % 2;
    return std::max(side, 12);
}

void TvzCustomDefaultUIStyle::DrawTabButtonGlyph(TCanvas& canvas, const TRect& rect, TvzTabButtonKind kind,
                                                 TvzDockButtonState state) {
    const int w = rect.Width(), h = rect.Height();
    if (kind == tbkClose) {
        const int b = CloseBoxSide(rect);
        TRect box = Bounds(rect.Left + (w - b) / 2, rect.Top + (h - b) / 2, b, b);
        ++box.Top;
        if (box.Bottom > rect.Bottom) box = OffsetRect(box, 0, rect.Bottom - box.Bottom);
        const int pen = std::max(1, b / 10);
        FillSolidRect(canvas, box, clGray);
        FillSolidRect(canvas, DeflateRect(box, pen), TabPaneColor()->StartColor());
        const TRect cross = DeflateRect(box, pen + 2);
        canvas.Pen()->SetColor(clBtnText);
        canvas.Pen()->SetWidth(2);
        canvas.MoveTo(cross.Left, cross.Top);
        canvas.LineTo(cross.Right, cross.Bottom);
        canvas.MoveTo(cross.Left, cross.Bottom - 1);
        canvas.LineTo(cross.Right, cross.Top - 1);
        canvas.Pen()->SetWidth(1);
        return;
    }
    const TColor color = state == dbsNormal ? clBlack : state == dbsDisabled ? clBtnShadow : clHotLight;
    const int margin = h / 20 + 3;
    int t = h - 2 * margin;
    if (t % 2 == 0) --t;
    if (t <= 0) return;
    const int half = (t + 1) / 2;
    const int cx = rect.Left + w / 2, top = rect.Top + margin;
    canvas.Pen()->SetColor(color);
    canvas.Brush()->SetStyle(bsSolid);
    canvas.Brush()->SetColor(color);
    switch (kind) {
    case tbkLeft:
        canvas.Polygon({{cx + half / 2, top}, {cx + half / 2, top + t - 1}, {cx - half / 2, top + t / 2}});
        break;
    case tbkRight:
        canvas.Polygon({{cx - half / 2, top}, {cx - half / 2, top + t - 1}, {cx + half / 2, top + t / 2}});
        break;
    default: {
        // A down-pointing triangle, under a bar for the extended popup; the group is centred.
        const bool bar = kind == tbkPopupEx;
        const int barHeight = bar ? std::max(2, t / 3) : 0, gap = bar ? std::max(1, t / 3) : 0;
        const int groupTop = rect.Top + (h - barHeight - gap - half) / 2;
        if (bar) FillSolidRect(canvas, {cx - half, groupTop, cx + half, groupTop + barHeight}, color);
        const int apexTop = groupTop + barHeight + gap;
        canvas.Polygon({{cx - half, apexTop}, {cx + half - 1, apexTop}, {cx, apexTop + half - 1}});
        break;
    }
    }
}

void TvzCustomDefaultUIStyle::DrawTabPane(TCanvas& canvas, const TRect& rect, TvzTabOrientation orientation) {
    const int m4 = GetMetric(4);
    const bool top = orientation == dtoTop;
    TRect strip = rect, rest = rect;
    if (top)
        strip.Top = rest.Bottom = rect.Bottom - m4;
    else
        strip.Bottom = rest.Top = rect.Top + m4;
    const TGradient& active = *ActiveTabColor();
    FillSolidRect(canvas, strip, active.FillType() == gtVertical ? active.EndColor() : active.StartColor());
    if (top)
        DrawEdge3D(&canvas, strip, ekNone, 1, clBtnFace, sdTop, ekRaised);
    else
        DrawEdge3D(&canvas, strip, ekRaised, 1, clBtnFace, sdBottom, ekNone);

    const TColor base = TabPaneColor()->StartColor();
    DrawEdge3D(&canvas, rest, ekSunken, 1, base, top ? sdLeft | sdTop | sdRight : sdLeft | sdRight | sdBottom,
               ekNone);
    rest = DeflateRect(rest, 1);
    if (top)
        ++rest.Bottom;
    else
        --rest.Top;
    DrawTabPaneBackground(canvas, rest, top ? orTop : orBottom);
}

void TvzCustomDefaultUIStyle::DrawTabPaneBackground(TCanvas& canvas, const TRect& rect,
                                                    TvzOrientation orientation) {
    const TGradient& pane = *TabPaneColor();
    const bool reverse = (orientation == orBottom && pane.FillType() == gtVertical) ||
                         (orientation == orRight && pane.FillType() == gtHorizontal);
    pane.Draw(canvas, rect, reverse, rect);
}

void TvzCustomDefaultUIStyle::DrawTabItem(TCanvas& canvas, const TRect& rect, const std::u16string& text,
                                          TvzTabItemState state, TvzTabItemPosition,
                                          TvzOrientation orientation, int buttonAreaWidth,
                                          const TvzImage& image) {
    const int m4 = GetMetric(4);
    const bool selected = state == tisSelected || state == tisFocused;
    const bool bottom = orientation == orBottom;
    TRect r = rect;
    const TGradient& fill = selected ? *ActiveTabColor() : *TabColor();
    if (selected) {
        r.Left -= 2;
        const TColor base = fill.StartColor();
        if (!bottom) {
            r.Bottom -= m4 - 1;
            r.Top += 2;
            DrawEdge3D(&canvas, r, ekNone, 1, base, sdLeft | sdTop, ekRaised);
            DrawEdge3D(&canvas, r, ekRaised, 1, base, sdRight, ekNone);
            ++r.Top;
        } else {
            r.Top += m4 - 1;
            r.Bottom -= 2;
            DrawEdge3D(&canvas, r, ekRaised, 1, base, sdRight | sdBottom | sdLeft, ekNone);
            --r.Bottom;
        }
        ++r.Left;
    } else {
        r = {rect.Left - 1, rect.Top + m4, rect.Right, rect.Bottom - m4};
        FillSolidRect(canvas, {r.Right - 1, r.Top, r.Right, r.Bottom}, ShadowColor(fill.StartColor()));
    }
    --r.Right;
    fill.Draw(canvas, r, bottom && fill.FillType() == gtVertical, r);
    TRect textRect = r;
    textRect.Left += 1;
    textRect.Right -= std::max(buttonAreaWidth, 0);
    DrawTabText(canvas, textRect, true, image, *ActiveTabFont(), *TabFont(), true, orientation, state, text);
}

void TvzCustomDefaultUIStyle::DrawTabTarget(TCanvas& canvas, const TRect& rect) {
    DrawTabTargetShape(canvas, rect, clBtnShadow, clBtnHighlight);
}

void TvzCustomDefaultUIStyle::DrawTabTargetShape(TCanvas& canvas, const TRect& rect, TColor pen,
                                                 TColor brush) {
    // Corner points on the last pixels inside, so the outline stays in the rectangle.
    const int w = rect.Width(), middle = rect.Left + w / 2, right = rect.Right - 1, bottom = rect.Bottom - 1;
    canvas.Pen()->SetColor(pen);
    canvas.Pen()->SetStyle(psSolid);
    canvas.Brush()->SetStyle(bsSolid);
    canvas.Brush()->SetColor(brush);
    canvas.Polygon({{rect.Left, rect.Top}, {right, rect.Top}, {middle, rect.Top + w}});
    canvas.Polygon({{rect.Left, bottom}, {right, bottom}, {middle, bottom - w}});
    canvas.MoveTo(middle, rect.Top + w);
    canvas.LineTo(middle, bottom - w);
}

void TvzCustomDefaultUIStyle::DrawHideZone(TCanvas& canvas, const TRect& rect, TvzHideZoneOrientation,
                                           const TRect& clip) {
    HideZoneColor()->Draw(canvas, rect, false, clip);
}

void TvzCustomDefaultUIStyle::DrawHiddenTab(TCanvas& canvas, const TRect& rect, const std::u16string& text,
                                            TvzTabItemState state, TvzTabItemPosition,
                                            TvzHideZoneOrientation zone, bool showText,
                                            const TvzImage& image) {
    const bool selected = state == tisSelected || state == tisFocused;
    const bool across = zone == hzoTop || zone == hzoBottom; // tabs run along a horizontal zone
    const TGradient& fill = selected ? *ActiveHiddenTabColor() : *HiddenTabColor();
    const TColor base = fill.StartColor();
    TRect r = rect;
    // The gap on the side facing the docked panels.
    switch (zone) {
    case hzoLeft:
        r.Right -= 2;
        break;
    case hzoTop:
        r.Bottom -= 2;
        break;
    case hzoRight:
        r.Left += 2;
        break;
    default:
        r.Top += 2;
        break;
    }
    if (selected) {
        switch (zone) {
        case hzoLeft:
            DrawEdge3D(&canvas, r, ekRaised, 1, base, sdTop | sdRight | sdBottom, ekNone);
            --r.Right;
            break;
        case hzoTop:
            DrawEdge3D(&canvas, r, ekRaised, 1, base, sdRight | sdBottom | sdLeft, ekNone);
            --r.Bottom;
            break;
        case hzoRight:
            DrawEdge3D(&canvas, r, ekFlat, 1, base, sdLeft | sdTop | sdBottom, ekNone);
            ++r.Left;
            break;
        default:
            DrawEdge3D(&canvas, r, ekNone, 1, base, sdLeft | sdTop, ekRaised);
            DrawEdge3D(&canvas, r, ekRaised, 1, base, sdRight, ekNone);
            ++r.Top;
            break;
        }
        r = across ? InflateRect(r, -1, 0) : InflateRect(r, 0, -1);
    } else {
        if (across) {
            --r.Left;
            FillSolidRect(canvas, {r.Right - 1, r.Top, r.Right, r.Bottom}, ShadowColor(base));
            --r.Right;
        } else {
            --r.Top;
            FillSolidRect(canvas, {r.Left, r.Bottom - 1, r.Right, r.Bottom}, ShadowColor(base));
            --r.Bottom;
        }
    }
    const bool reverse = (zone == hzoRight && fill.FillType() == gtHorizontal) ||
                         (zone == hzoBottom && fill.FillType() == gtVertical);
    fill.Draw(canvas, r, reverse, r);
    const TvzOrientation orientation = static_cast<TvzOrientation>(zone == hzoDefault ? hzoTop : zone);
    DrawTabText(canvas, r, false, image, *ActiveHiddenTabFont(), *HiddenTabFont(), showText, orientation,
                state, text);
}

} // namespace docking::uistyle
