// The painting style that draws captions and buttons with the system theme.
#pragma once

#include "docking/vzDockingUIDefault.h"

namespace docking::uistyle {

enum TvzCaptionButtonWidget {
    bwNone,
    bwDropDown,
    bwSysButton,
    bwMDISysButton,
    bwMinButton,
    bwMDIMinButton,
    bwMaxButton,
    bwCloseButton,
    bwSmallCloseButton,
    tbwMDICloseButton,
    bwRestoreButton,
    bwMDIRestoreButton,
    bwHelpButton,
    bwMDIHelpButton,
    bwPushButton,
    bwSpinUp,
    bwSpinDown,
    bwSpinRight,
    bwSpinLeft,
    bwPin,
    bwRotatedPin
};

class TvzThemedUIStyle;

// Which system widget, or which image, a caption button of one kind shows.
class TvzCaptionButton : public ui::TPersistent {
public:
    TvzCaptionButton(TvzThemedUIStyle* style, TvzDockButtonKind kind);

    TvzDockButtonKind Kind() const { return kind_; }
    TvzCaptionButtonWidget PartIndex() const { return partIndex_; }
    void SetPartIndex(TvzCaptionButtonWidget widget);
    int ImageIndex() const { return imageIndex_; }
    // Also the image the fallback drawing shows for this kind.
    void SetImageIndex(int index);
    // The kind's own widget and no image.
    void Reset();
    void Assign(const ui::TPersistent* source) override;

    static TvzCaptionButtonWidget DefaultWidget(TvzDockButtonKind kind);

private:
    TvzThemedUIStyle* style_;
    TvzDockButtonKind kind_;
    TvzCaptionButtonWidget partIndex_;
    int imageIndex_ = -1;
};

// The look of the desktop's own controls. Without visual styles on the desktop it paints, element by
// element, as the Default look does.
class TvzThemedUIStyle : public TvzCustomDefaultUIStyle {
public:
    explicit TvzThemedUIStyle(ui::TComponent* owner = nullptr);

    // Whether the desktop paints with visual styles; our desktops do not.
    bool Themed() const { return themed_; }
    int GetMetric(int index) const override;
    TvzCaptionButton* CaptionButton(TvzDockButtonKind kind) const { return buttons_.at(kind).get(); }
    // Assigns the looks of the Default family and, from another themed style, the buttons.
    void Assign(const ui::TPersistent* source) override;

private:
    bool themed_ = false;
    std::array<std::unique_ptr<TvzCaptionButton>, dbkNone + 1> buttons_;
};

} // namespace docking::uistyle
