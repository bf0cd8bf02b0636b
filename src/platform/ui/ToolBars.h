// A tool bar: a row of image buttons (with optional captions), separators and other controls.
#pragma once

#include "platform/ui/Controls.h"
#include "platform/ui/ImageList.h"

#include <memory>

namespace ui {

class TToolBar;

enum TToolButtonStyle { tbsButton, tbsCheck, tbsDropDown, tbsSeparator, tbsDivider };

class TToolButton : public TGraphicControl {
public:
    explicit TToolButton(TComponent* owner);

    TToolBar* ToolBar() const;
    TToolButtonStyle Style() const { return style_; }
    void SetStyle(TToolButtonStyle style);
    int ImageIndex() const { return imageIndex_; }
    void SetImageIndex(int index);
    // A check button stays down after a click; in a group, one at a time.
    bool Down() const { return down_; }
    void SetDown(bool value);
    bool Grouped() const { return grouped_; }
    void SetGrouped(bool value) { grouped_ = value; }
    bool AllowAllUp() const { return allowAllUp_; }
    void SetAllowAllUp(bool value) { allowAllUp_ = value; }
    // The mouse is over the button.
    bool Hot() const { return hot_; }
    bool IsSeparator() const { return style_ == tbsSeparator || style_ == tbsDivider; }

    void Click() override;
    void WndProc(TMessage& message) override;

protected:
    void Paint() override;
    void MouseDown(TMouseButton button, TShiftState shift, int x, int y) override;
    void MouseUp(TMouseButton button, TShiftState shift, int x, int y) override;
    std::unique_ptr<TControlActionLink> CreateActionLink() override;
    void ActionChange(const TCustomAction& action) override;

private:
    friend class TToolButtonActionLink;
    // Puts up the other down buttons of the group this one belongs to.
    void UpdateGroup();

    TToolButtonStyle style_ = tbsButton;
    int imageIndex_ = -1;
    bool down_ = false;
    bool grouped_ = false;
    bool allowAllUp_ = false;
    bool hot_ = false;
    bool pressed_ = false;
};

class TToolButtonActionLink : public TControlActionLink {
public:
    explicit TToolButtonActionLink(TToolButton* button);
    bool IsCheckedLinked() override;
    bool IsImageIndexLinked() override;
    void SetChecked(bool checked) override;
    void SetImageIndex(int index) override;

private:
    TToolButton* button_;
};

class TToolBar : public TCustomControl {
public:
    explicit TToolBar(TComponent* owner);
    ~TToolBar() override;

    int ButtonCount() const;
    TToolButton* Buttons(int index) const;
    int ButtonWidth() const { return buttonWidth_; }
    void SetButtonWidth(int width);
    int ButtonHeight() const { return buttonHeight_; }
    void SetButtonHeight(int height);
    TCustomImageList* Images() const { return images_; }
    void SetImages(TCustomImageList* images);
    // Shown for the button under the mouse instead of Images.
    TCustomImageList* HotImages() const { return hotImages_; }
    void SetHotImages(TCustomImageList* images);
    // Shown for disabled buttons instead of a greyed Images picture.
    TCustomImageList* DisabledImages() const { return disabledImages_; }
    void SetDisabledImages(TCustomImageList* images);
    // Buttons show their captions under the images.
    bool ShowCaptions() const { return showCaptions_; }
    void SetShowCaptions(bool value);
    // Buttons show a frame only under the mouse or when down.
    bool Flat() const { return flat_; }
    void SetFlat(bool value);
    // Room before the first button.
    int Indent() const { return indent_; }
    void SetIndent(int value);

    void AlignControls(TControl* changed, TRect& rect) override;

protected:
    void Notification(TComponent* component, TOperation operation) override;

private:
    void SetList(TCustomImageList*& slot, TCustomImageList* images);

    int buttonWidth_ = 23;
    int buttonHeight_ = 22;
    TCustomImageList* images_ = nullptr;
    TCustomImageList* hotImages_ = nullptr;
    TCustomImageList* disabledImages_ = nullptr;
    std::unique_ptr<TChangeLink> imageLink_;
    bool showCaptions_ = false;
    bool flat_ = false;
    int indent_ = 0;
};

} // namespace ui
