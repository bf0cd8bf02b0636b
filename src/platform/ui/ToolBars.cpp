#include "platform/ui/ToolBars.h"

#include "platform/ui/Edges.h"

#include <algorithm>

namespace ui {

namespace {

constexpr int kSeparatorWidth = 8;
constexpr int kCaptionGap = 2;
constexpr int kCaptionMargin = 4;

} // namespace

// ---------------------------------------------------------------------------------------------------
// TToolButton

TToolButton::TToolButton(TComponent* owner) : TGraphicControl(owner) {
    SetBounds(0, 0, 23, 22);
    SetParentColor(true);
}

TToolBar* TToolButton::ToolBar() const {
    return dynamic_cast<TToolBar*>(Parent());
}

void TToolButton::SetStyle(TToolButtonStyle style) {
    style_ = style;
    if (IsSeparator()) SetWidth(kSeparatorWidth);
    RequestAlign();
    Invalidate();
}

void TToolButton::SetImageIndex(int index) {
    if (index == imageIndex_) return;
    imageIndex_ = index;
    Invalidate();
}

void TToolButton::SetDown(bool value) {
    if (value == down_) return;
    // The last button of a group that must keep one down stays down.
    if (!value && grouped_ && !allowAllUp_ && style_ == tbsCheck) return;
    down_ = value;
    if (down_) UpdateGroup();
    Invalidate();
}

// Puts up the other buttons of this one's group.
void TToolButton::UpdateGroup() {
    if (!grouped_ || !Parent()) return;
    // A group is the run of grouped check buttons without separators between them.
    const TWinControl* parent = Parent();
    int self = 0;
    while (parent->Controls(self) != this)
        ++self;
    const auto inGroup = [&](int i) {
        auto* b =
            i >= 0 && i < parent->ControlCount() ? dynamic_cast<TToolButton*>(parent->Controls(i)) : nullptr;
        return b && b->grouped_ && b->style_ == tbsCheck;
    };
    int first = self;
    while (inGroup(first - 1))
        --first;
    int last = self;
    while (inGroup(last + 1))
        ++last;
    for (int i = first; i <= last; ++i)
        if (auto* b = dynamic_cast<TToolButton*>(parent->Controls(i)); b != this && b->down_) {
            b->down_ = false;
            b->Invalidate();
        }
}

void TToolButton::Click() {
    if (style_ == tbsCheck) {
        if (down_ && grouped_ && !allowAllUp_) {
            // Clicking the down button of a group leaves it down.
        } else {
            down_ = !down_;
            if (down_) UpdateGroup();
        }
        Invalidate();
    }
    TGraphicControl::Click();
}

void TToolButton::WndProc(TMessage& message) {
    switch (message.Msg) {
    case CM_MOUSEENTER:
    case CM_MOUSELEAVE:
        hot_ = message.Msg == CM_MOUSEENTER && Enabled() && !IsSeparator();
        Invalidate();
        break;
    case CM_TEXTCHANGED:
        RequestAlign(); // a shown caption may widen the button
        Invalidate();
        break;
    default:
        break;
    }
    TGraphicControl::WndProc(message);
}

void TToolButton::MouseDown(TMouseButton button, TShiftState shift, int x, int y) {
    if (button == mbLeft && Enabled() && !IsSeparator()) {
        pressed_ = true;
        Invalidate();
    }
    TGraphicControl::MouseDown(button, shift, x, y);
}

void TToolButton::MouseUp(TMouseButton button, TShiftState shift, int x, int y) {
    if (button == mbLeft && pressed_) {
        pressed_ = false;
        Invalidate();
    }
    TGraphicControl::MouseUp(button, shift, x, y);
}

void TToolButton::Paint() {
    TCanvas& canvas = *Canvas();
    TToolBar* bar = ToolBar();
    TRect r = ClientRect();
    canvas.Brush()->SetColor(Color());
    canvas.Brush()->SetStyle(bsSolid);
    canvas.FillRect(r);
    if (IsSeparator()) {
        if (style_ == tbsDivider) {
            TRect line = Rect(r.Width() / 2 - 1, r.Top + 2, r.Width() / 2 + 1, r.Bottom - 2);
            DrawEdge(canvas, line, EDGE_ETCHED, BF_LEFT);
        }
        return;
    }
    const bool sunken = down_ || (pressed_ && hot_);
    const bool flat = bar && bar->Flat();
    if (sunken)
        DrawEdge(canvas, r, BDR_SUNKENOUTER, BF_RECT);
    else if (!flat || hot_)
        DrawEdge(canvas, r, flat ? BDR_RAISEDINNER : EDGE_RAISED, BF_RECT);
    const int shift = sunken ? 1 : 0;

    TCustomImageList* images = bar ? bar->Images() : nullptr;
    bool enabled = Enabled();
    if (bar && hot_ && enabled && bar->HotImages()) images = bar->HotImages();
    if (bar && !enabled && bar->DisabledImages()) {
        images = bar->DisabledImages();
        enabled = true;
    }
    const bool captions = bar && bar->ShowCaptions();
    const int textHeight = captions ? canvas.TextHeight("Ag") : 0;
    int imageBottom = r.Top;
    if (images && imageIndex_ >= 0 && imageIndex_ < images->Count()) {
        const int contentHeight = images->Height() + (captions ? kCaptionGap + textHeight : 0);
        const int x = (r.Width() - images->Width()) / 2 + shift;
        const int y = (r.Height() - contentHeight) / 2 + shift;
        images->Draw(canvas, x, y, imageIndex_, enabled);
        imageBottom = y + images->Height() + kCaptionGap;
    }
    if (!captions) return;
    canvas.SetFont(Font());
    if (!Enabled()) canvas.Font()->SetColor(clGrayText);
    canvas.Brush()->SetStyle(bsClear);
    TRect text = Rect(r.Left + shift, imageBottom > r.Top ? imageBottom : r.Top + shift, r.Right + shift,
                      imageBottom > r.Top ? imageBottom + textHeight : r.Bottom + shift);
    canvas.DrawText(Caption(), text,
                    DT_CENTER | DT_SINGLELINE | DT_END_ELLIPSIS |
                        (imageBottom > r.Top ? DT_TOP : DT_VCENTER));
}

std::unique_ptr<TControlActionLink> TToolButton::CreateActionLink() {
    return std::make_unique<TToolButtonActionLink>(this);
}

void TToolButton::ActionChange(const TCustomAction& action) {
    TGraphicControl::ActionChange(action);
    SetImageIndex(action.ImageIndex());
    down_ = action.Checked();
    Invalidate();
}

TToolButtonActionLink::TToolButtonActionLink(TToolButton* button)
    : TControlActionLink(button), button_(button) {}

bool TToolButtonActionLink::IsCheckedLinked() {
    return TControlActionLink::IsCheckedLinked() && button_->down_ == CustomAction()->Checked();
}

bool TToolButtonActionLink::IsImageIndexLinked() {
    return TControlActionLink::IsImageIndexLinked() && button_->imageIndex_ == CustomAction()->ImageIndex();
}

void TToolButtonActionLink::SetChecked(bool checked) {
    if (!IsCheckedLinked()) return;
    button_->down_ = checked;
    button_->Invalidate();
}

void TToolButtonActionLink::SetImageIndex(int index) {
    if (IsImageIndexLinked()) button_->SetImageIndex(index);
}

// ---------------------------------------------------------------------------------------------------
// TToolBar

TToolBar::TToolBar(TComponent* owner) : TCustomControl(owner), imageLink_(std::make_unique<TChangeLink>()) {
    SetColor(clBtnFace);
    SetAlign(alTop);
    SetBounds(0, 0, 150, 29);
    imageLink_->OnChange = [this](TObject*) { Invalidate(); };
}

TToolBar::~TToolBar() {
    Destroying();
    SetImages(nullptr);
    SetHotImages(nullptr);
    SetDisabledImages(nullptr);
}

int TToolBar::ButtonCount() const {
    int count = 0;
    for (int i = 0; i < ControlCount(); ++i)
        if (dynamic_cast<TToolButton*>(Controls(i))) ++count;
    return count;
}

TToolButton* TToolBar::Buttons(int index) const {
    for (int i = 0; i < ControlCount(); ++i)
        if (auto* button = dynamic_cast<TToolButton*>(Controls(i)); button && index-- == 0) return button;
    rtl::ListIndexError(index);
    return nullptr;
}

void TToolBar::SetButtonWidth(int width) {
    buttonWidth_ = width;
    Realign();
}

void TToolBar::SetButtonHeight(int height) {
    buttonHeight_ = height;
    Realign();
}

void TToolBar::SetList(TCustomImageList*& slot, TCustomImageList* images) {
    if (slot == images) return;
    SetImageListSlot(slot, images, imageLink_.get(), this);
    Invalidate();
}

void TToolBar::SetImages(TCustomImageList* images) {
    SetList(images_, images);
}

void TToolBar::SetHotImages(TCustomImageList* images) {
    SetList(hotImages_, images);
}

void TToolBar::SetDisabledImages(TCustomImageList* images) {
    SetList(disabledImages_, images);
}

void TToolBar::Notification(TComponent* component, TOperation operation) {
    TCustomControl::Notification(component, operation);
    if (operation != opRemove) return;
    for (TCustomImageList** slot : {&images_, &hotImages_, &disabledImages_})
        if (*slot == component) *slot = nullptr;
}

void TToolBar::SetShowCaptions(bool value) {
    showCaptions_ = value;
    Realign();
    Invalidate();
}

void TToolBar::SetFlat(bool value) {
    flat_ = value;
    Invalidate();
}

void TToolBar::SetIndent(int value) {
    indent_ = value;
    Realign();
}

void TToolBar::AlignControls(TControl*, TRect& rect) {
    // One row left to right in the order the controls were added; buttons take the bar's button size.
    int x = rect.Left + indent_;
    for (int i = 0; i < ControlCount(); ++i) {
        TControl* c = Controls(i);
        if (!c->Visible()) continue;
        auto* button = dynamic_cast<TToolButton*>(c);
        int width = c->Width();
        if (button && !button->IsSeparator()) {
            width = buttonWidth_;
            // A caption widens its button.
            if (showCaptions_)
                width = std::max(width,
                                 MeasureText(*button->Font(), button->Caption(), {}, DT_SINGLELINE).Width() +
                                     2 * kCaptionMargin);
        }
        const int height = button ? buttonHeight_ : c->Height();
        c->SetAlignedBounds(
            Bounds(x, rect.Top + (button ? 0 : std::max(0, (buttonHeight_ - height) / 2)), width, height));
        x += width;
    }
}

} // namespace ui
