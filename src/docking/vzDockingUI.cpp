#include "docking/vzDockingUI.h"

#include "docking/vzDockTexts.h"
#include "docking/vzStyleManager.h"
#include "platform/rtl/Format.h"
#include "platform/ui/ImageList.h"
#include "platform/ui/TextLayout.h"

#include <algorithm>
#include <cmath>

namespace docking::uistyle {

using namespace ui;

namespace {

struct Range {
    int min, max;
};
constexpr std::array<Range, TvzDockingUIStyle::kMetricCount> kMetricRanges = {
    {{0, 30}, {0, 30}, {0, 10}, {0, 10}, {0, 100}, {0, 100}, {0, 10}, {0, 10}, {0, 10}, {0, 10}, {0, 100}}};

const std::u16string kSample = u"Wkg";

} // namespace

bool TvzImage::Valid() const {
    return show && images && index >= 0 && index < images->Count();
}

int TvzImage::Width() const {
    return images ? images->Width() : 0;
}

int TvzImage::Height() const {
    return images ? images->Height() : 0;
}

TvzDockingUIStyle::TvzDockingUIStyle(TComponent* owner) : TComponent(owner) {
    for (auto& font : fonts_)
        font = std::make_unique<TFont>();
    HiddenTabFont()->SetColor(clBtnShadow);
}

TvzDockingUIStyle::~TvzDockingUIStyle() {
    SetParentManager(nullptr);
    for (TvzStyleChangeLink* link : links_)
        link->sender_ = nullptr;
}

void TvzDockingUIStyle::SetParentManager(TvzStyleManager* manager) {
    if (manager == manager_) return;
    if (manager_) manager_->Items()->Remove(this);
    manager_ = manager;
    if (manager_) manager_->Items()->Add(this);
}

void TvzDockingUIStyle::SetButtonWidthRatio(double ratio) {
    const long before = std::lround(captionButtonSize_ * buttonWidthRatio_);
    buttonWidthRatio_ = ratio;
    if (std::lround(captionButtonSize_ * ratio) != before) Changed();
}

TPoint TvzDockingUIStyle::CaptionButtonExtent() const {
    return {static_cast<int>(std::lround(captionButtonSize_ * buttonWidthRatio_)), captionButtonSize_};
}

void TvzDockingUIStyle::CheckMetric(int index, int value) const {
    const Range range = kMetricRanges.at(index);
    if (value < range.min || value > range.max)
        throw EIntOverflow(rtl::Format(texts::sValueOutOfBounds, range.min, range.max));
}

void TvzDockingUIStyle::SetMetrics(const std::array<int, kMetricCount>& metrics) {
    for (int i = 0; i < kMetricCount; ++i)
        CheckMetric(i, metrics[i]);
    metrics_ = metrics;
    Changed();
}

void TvzDockingUIStyle::RegisterChanges(TvzStyleChangeLink* link) {
    link->sender_ = this;
    links_.push_back(link);
}

void TvzDockingUIStyle::UnRegisterChanges(TvzStyleChangeLink* link) {
    link->sender_ = nullptr;
    std::erase(links_, link);
}

void TvzDockingUIStyle::EndUpdate() {
    if (updateCount_ <= 0) throw rtl::EAssertionFailed("Assertion failure (vzDockingUI)");
    if (--updateCount_ == 0) Changed();
}

void TvzDockingUIStyle::Changed() {
    if (updateCount_ > 0) return;
    for (TvzStyleChangeLink* link : std::vector(links_))
        link->Change(this);
    if (OnChange) OnChange(this);
}

// ---- Elements ----

void TvzDockingUIStyle::PaintCaption(TCanvas& canvas, const TRect& rect, const std::u16string& text,
                                     TvzDockCaptionState state, int maxTextWidth, bool fitText,
                                     const TvzImage& image) {
    if (OnDrawCaption)
        OnDrawCaption(this, canvas, text, state, maxTextWidth, fitText, image, rect);
    else
        DrawCaption(canvas, rect, text, state, maxTextWidth, fitText, image);
}

void TvzDockingUIStyle::PaintCaptionButton(TCanvas& canvas, const TRect& rect, TvzDockButtonState state,
                                           TvzDockCaptionState captionState, TvzDockButtonKind kind) {
    if (OnDrawCaptionButton)
        OnDrawCaptionButton(this, canvas, state, captionState, kind, rect);
    else
        DrawCaptionButton(canvas, rect, state, captionState, kind);
}

void TvzDockingUIStyle::PaintControl(TCanvas& canvas, const TRect& rect, TvzDockControlDrawKind kind) {
    if (OnDrawControl)
        OnDrawControl(this, canvas, kind, rect);
    else
        DrawControl(canvas, rect, kind);
}

void TvzDockingUIStyle::PaintSplitter(TCanvas& canvas, const TRect& rect,
                                      TvzSplitterOrientation orientation) {
    if (OnDrawSplitter)
        OnDrawSplitter(canvas, orientation, rect);
    else
        DrawSplitter(canvas, rect, orientation);
}

void TvzDockingUIStyle::PaintTabButton(TCanvas& canvas, const TRect& rect, TvzDockButtonState state,
                                       TvzTabButtonKind kind) {
    if (OnDrawTabButton)
        OnDrawTabButton(this, canvas, state, kind, rect);
    else
        DrawTabButton(canvas, rect, state, kind);
}

void TvzDockingUIStyle::PaintTabItem(TCanvas& canvas, const TRect& rect, const std::u16string& text,
                                     TvzTabItemState state, TvzTabItemPosition position,
                                     TvzOrientation orientation, int buttonAreaWidth, const TvzImage& image) {
    if (OnDrawTabItem)
        OnDrawTabItem(this, canvas, text, state, position, orientation, buttonAreaWidth, image, rect);
    else
        DrawTabItem(canvas, rect, text, state, position, orientation, buttonAreaWidth, image);
}

void TvzDockingUIStyle::PaintTabPane(TCanvas& canvas, const TRect& rect, TvzTabOrientation orientation) {
    if (OnDrawTabPane)
        OnDrawTabPane(this, canvas, orientation, rect);
    else
        DrawTabPane(canvas, rect, orientation);
}

void TvzDockingUIStyle::PaintTabTarget(TCanvas& canvas, const TRect& rect) {
    if (OnDrawTabTarget)
        OnDrawTabTarget(this, canvas, rect);
    else
        DrawTabTarget(canvas, rect);
}

int TvzDockingUIStyle::TabWidth(const std::u16string& text, TvzTabItemState state, const TvzImage& image,
                                int buttonAreaWidth, TvzTabItemPosition position,
                                TvzOrientation orientation) {
    if (!OnGetTabWidth) return MeasureTabWidth(text, state, image, buttonAreaWidth, orientation);
    int width = 0;
    OnGetTabWidth(this, text, state, image, buttonAreaWidth, position, orientation, width);
    return width;
}

// ---- Measuring ----

int TvzDockingUIStyle::SampleHeight(const TFont& a, const TFont& b) {
    return std::max(MeasureText(a, kSample).cy, MeasureText(b, kSample).cy);
}

int TvzDockingUIStyle::GetCaptionHeight(const TvzImage& image) const {
    int height = SampleHeight(*ActiveCaptionFont(), *CaptionFont());
    if (image.Valid()) height = std::max(height, image.Height());
    height = std::max(height, captionButtonSize_);
    return height + 2 * metrics_[1] + 2 * metrics_[3];
}

int TvzDockingUIStyle::GetTabHeight(const TvzImage& image) const {
    int height = SampleHeight(*ActiveTabFont(), *TabFont());
    if (image.show) height = std::max(height, image.Height());
    return height + 2 * metrics_[1] + metrics_[7];
}

int TvzDockingUIStyle::GetTabPaneHeight(const TvzImage& image) const {
    return GetTabHeight(image) + metrics_[4] + metrics_[5] + metrics_[9];
}

int TvzDockingUIStyle::GetHiddenTabHeight(bool showText, const TvzImage& image) const {
    int height = showText ? SampleHeight(*ActiveHiddenTabFont(), *HiddenTabFont()) : 16;
    if (image.show) height = std::max(height, image.Height());
    return height + 2 * metrics_[1] + metrics_[7];
}

int TvzDockingUIStyle::GetHideZoneSize(const TvzImage& image) const {
    return GetHiddenTabHeight(true, image) + metrics_[4] + metrics_[5] + metrics_[9];
}

int TvzDockingUIStyle::TabTextWidth(const std::u16string& text, TvzTabItemState state,
                                    const TFont& activeFont, const TFont& font) const {
    const std::u16string shown = StripPrefixes(text);
    const int normal = MeasureText(font, shown).cx, active = MeasureText(activeFont, shown).cx;
    if (centerTabText_) return std::max(normal, active);
    return state == tisSelected || state == tisFocused ? active : normal;
}

int TvzDockingUIStyle::GetTabWidth(const std::u16string& text, TvzTabItemState state, const TvzImage& image,
                                   int buttonAreaWidth) const {
    int width = TabTextWidth(text, state, *ActiveTabFont(), *TabFont()) + 2 * metrics_[6];
    width += buttonAreaWidth <= 0 ? 2 * metrics_[0] : buttonAreaWidth + 3 * metrics_[0];
    if (image.show) width += image.Width() + metrics_[0];
    return width;
}

int TvzDockingUIStyle::GetHiddenTabWidth(const std::u16string& text, TvzTabItemState state,
                                         const TvzImage& image, bool showText) const {
    int width = 0;
    if (showText || !image.show) {
        width = TabTextWidth(text, state, *ActiveHiddenTabFont(), *HiddenTabFont());
        if (width > 0) width += 3 * metrics_[0];
    }
    width += 2 * metrics_[6] + metrics_[0];
    if (image.show) width += metrics_[0] + image.Width();
    return width;
}

TRect TvzDockingUIStyle::GetTabButtonRect(const TRect& tab, int buttonSize) const {
    const int inset = (metrics_[0] + metrics_[6]) * 3 / 4;
    const TRect& text = lastTabTextRect_;
    const int bottom = text.Bottom - (text.Bottom - text.Top - buttonSize) / 2;
    return {tab.Left + inset, bottom - buttonSize, tab.Right - inset, bottom};
}

// ---- Text ----

namespace {

void DrawImage(TCanvas& canvas, const TvzImage& image, int x, int y) {
    image.images->Draw(canvas, x, y, image.index);
}

} // namespace

bool TvzDockingUIStyle::DrawCaptionText(TCanvas& canvas, const TRect& rect, const TvzImage& image,
                                        int maxTextWidth, TvzDockCaptionState state,
                                        const std::u16string& text) {
    int x = rect.Left + metrics_[0];
    const int end = rect.Left + std::min(rect.Width(), maxTextWidth);
    if (image.Valid()) {
        if (x + image.Width() <= end)
            DrawImage(canvas, image, x, rect.Top + (rect.Height() - image.Height()) / 2);
        x += image.Width() + metrics_[0];
    }
    if (x >= end) return false;
    canvas.SetFont(state == dcsFocused ? ActiveCaptionFont() : CaptionFont());
    std::u16string shown;
    const bool fits = FitTextWithEllipsis(text, canvas, end - x, shown, prefixMode_);
    canvas.Brush()->SetStyle(bsClear);
    DrawAlignedText(canvas, {x, rect.Top, end, rect.Bottom}, 0, prefixMode_, false, false, taLeftJustify,
                    vaCenter, shown, 0);
    return fits;
}

void TvzDockingUIStyle::DrawTabText(TCanvas& canvas, const TRect& rect, bool shiftSelected,
                                    const TvzImage& image, const TFont& activeFont, const TFont& font,
                                    bool showText, TvzOrientation orientation, TvzTabItemState state,
                                    const std::u16string& text) {
    const bool selected = state == tisSelected || state == tisFocused;
    canvas.SetFont(selected ? &activeFont : &font);
    if (hotHighlight_ && (state == tisHot || state == tisFocused)) canvas.Font()->SetColor(clHotLight);
    if (state == tisDisabled) canvas.Font()->SetColor(clGrayText);

    const int m0 = metrics_[0], m1 = metrics_[1], m4 = metrics_[4];
    TRect r = rect;
    if (shiftSelected && selected) {
        switch (orientation) {
        case orLeft:
            r.Right -= m4;
            break;
        case orTop:
            r.Bottom -= m4;
            break;
        case orRight:
            r.Left += m4;
            break;
        case orBottom:
            r.Top += m4;
            break;
        }
    }
    const bool vertical = orientation == orLeft || orientation == orRight;
    int used = m0;
    if (image.Valid()) {
        if (vertical) {
            DrawImage(canvas, image, r.Left + (r.Width() - image.Width()) / 2, r.Top + m0);
            used = 2 * m0 + image.Height();
        } else {
            DrawImage(canvas, image, r.Left + m0, r.Top + (r.Height() - image.Height()) / 2);
            used = 2 * m0 + image.Width();
        }
    }
    if (!showText) {
        lastTabTextRect_ = {};
        return;
    }
    const int room = vertical ? r.Height() - used - m1 : r.Width() - used - m0 + 2;
    std::u16string shown;
    const bool whole = FitTextWithEllipsis(text, canvas, room, shown, prefixMode_);
    const bool centred = centerTabText_ && whole;
    TRect textRect = r;
    int indent = 0;
    if (vertical) {
        textRect.Top += centred ? used - m1 : used;
        indent = m4 + m0 + 1;
    } else {
        textRect.Left += centred ? used - m0 : used;
    }
    canvas.Brush()->SetStyle(bsClear);
    DrawAlignedText(canvas, textRect, indent, prefixMode_, false, vertical,
                    centred ? taCenter : taLeftJustify, vaCenter, shown, 0);
    lastTabTextRect_ = textRect;
}

} // namespace docking::uistyle
