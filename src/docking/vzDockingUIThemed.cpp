#include "docking/vzDockingUIThemed.h"

namespace docking::uistyle {

namespace {

// The widgets announce changes themselves; the image indexes only mirror them.
class TvzFakeCaptionButtonImages : public TvzCaptionButtonImages {
public:
    using TvzCaptionButtonImages::TvzCaptionButtonImages;

protected:
    void Changed() override {}
};

constexpr int kThemedButtonGap = 3;

} // namespace

TvzCaptionButton::TvzCaptionButton(TvzThemedUIStyle* style, TvzDockButtonKind kind)
    : style_(style), kind_(kind), partIndex_(DefaultWidget(kind)) {}

TvzCaptionButtonWidget TvzCaptionButton::DefaultWidget(TvzDockButtonKind kind) {
    static constexpr std::array<TvzCaptionButtonWidget, dbkNone + 1> kDefaults = {
        bwCloseButton,   bwSpinUp,   bwPin,        bwRotatedPin, bwMaxButton,
        bwRestoreButton, bwDropDown, bwPushButton, bwHelpButton, bwPushButton};
    return kDefaults.at(kind);
}

void TvzCaptionButton::SetPartIndex(TvzCaptionButtonWidget widget) {
    if (widget == partIndex_) return;
    partIndex_ = widget;
    style_->Changed();
}

void TvzCaptionButton::SetImageIndex(int index) {
    if (index == imageIndex_) return;
    imageIndex_ = index;
    style_->CaptionButtons()->SetIndex(kind_, index);
    style_->Changed();
}

void TvzCaptionButton::Reset() {
    style_->BeginUpdate();
    SetPartIndex(DefaultWidget(kind_));
    SetImageIndex(-1);
    style_->EndUpdate();
}

void TvzCaptionButton::Assign(const ui::TPersistent* source) {
    const auto* other = dynamic_cast<const TvzCaptionButton*>(source);
    if (!other) {
        TPersistent::Assign(source);
        return;
    }
    style_->BeginUpdate();
    SetPartIndex(other->partIndex_);
    SetImageIndex(other->imageIndex_);
    style_->EndUpdate();
}

TvzThemedUIStyle::TvzThemedUIStyle(ui::TComponent* owner) : TvzCustomDefaultUIStyle(owner) {
    SetCaptionButtons(std::make_unique<TvzFakeCaptionButtonImages>(this));
    for (int kind = 0; kind <= dbkNone; ++kind)
        buttons_[kind] = std::make_unique<TvzCaptionButton>(this, TvzDockButtonKind(kind));
    BeginUpdate();
    SetTabIndent(1);
    SetStoredMetric(5, 2);
    EndUpdate();
}

int TvzThemedUIStyle::GetMetric(int index) const {
    if (themed_ && index == 2) return kThemedButtonGap;
    return TvzCustomDefaultUIStyle::GetMetric(index);
}

void TvzThemedUIStyle::Assign(const ui::TPersistent* source) {
    BeginUpdate();
    TvzCustomDefaultUIStyle::Assign(source);
    if (const auto* other = dynamic_cast<const TvzThemedUIStyle*>(source))
        for (int kind = 0; kind <= dbkNone; ++kind)
            buttons_[kind]->Assign(other->buttons_[kind].get());
    EndUpdate();
}

} // namespace docking::uistyle
