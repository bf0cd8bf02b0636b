// The default painting style: captions, buttons, tabs and gradients.
#pragma once

#include "docking/vzDockingUI.h"

namespace docking::uistyle {

class TvzCustomDefaultUIStyle;

// The image of each caption button kind (-1: the built-in picture).
class TvzCaptionButtonImages : public ui::TPersistent {
public:
    explicit TvzCaptionButtonImages(TvzCustomDefaultUIStyle* style) : style_(style) { indexes_.fill(-1); }

    int Index(TvzDockButtonKind kind) const { return indexes_.at(kind); }
    void SetIndex(TvzDockButtonKind kind, int index);
    // Every index back to -1, announced.
    void Reset();
    // The indexes, not how they are drawn.
    void Assign(const ui::TPersistent* source) override;

protected:
    // A change of the style, when the style has images to show.
    virtual void Changed();

private:
    TvzCustomDefaultUIStyle* style_;
    std::array<int, dbkNone + 1> indexes_{};
};

// The common look: gradient fills and three-dimensional edges.
class TvzCustomDefaultUIStyle : public TvzDockingUIStyle {
public:
    explicit TvzCustomDefaultUIStyle(ui::TComponent* owner = nullptr);
    ~TvzCustomDefaultUIStyle() override;

    TGradient* TabColor() const { return &gradients_[gTab]; }
    TGradient* ActiveTabColor() const { return &gradients_[gActiveTab]; }
    TGradient* TabPaneColor() const { return &gradients_[gTabPane]; }
    TGradient* CaptionColor() const { return &gradients_[gCaption]; }
    TGradient* ActiveCaptionColor() const { return &gradients_[gActiveCaption]; }
    TGradient* HideZoneColor() const { return &gradients_[gHideZone]; }
    TGradient* ActiveHiddenTabColor() const { return &gradients_[gActiveHiddenTab]; }
    TGradient* HiddenTabColor() const { return &gradients_[gHiddenTab]; }
    TColor SplitterColor() const { return splitterColor_; }
    void SetSplitterColor(TColor color);
    TCustomImageList* Images() const { return images_; }
    void SetImages(TCustomImageList* images);
    TvzCaptionButtonImages* CaptionButtons() const { return captionButtons_.get(); }

    // Copies the metrics, fonts, prefix mode, colours, button images and image list of another style of
    // this family, announcing one change.
    void Assign(const ui::TPersistent* source) override;

    void DrawCaption(TCanvas& canvas, const TRect& rect, const std::u16string& text,
                     TvzDockCaptionState state, int maxTextWidth, bool fitText,
                     const TvzImage& image) override;
    void DrawCaptionButton(TCanvas& canvas, const TRect& rect, TvzDockButtonState state,
                           TvzDockCaptionState captionState, TvzDockButtonKind kind) override;
    void DrawCaptionButtonGlyph(TCanvas& canvas, const TRect& rect, TvzDockButtonKind kind,
                                TvzDockCaptionState captionState, TvzDockButtonState state) override;
    void DrawControl(TCanvas& canvas, const TRect& rect, TvzDockControlDrawKind kind) override;
    void DrawSplitter(TCanvas& canvas, const TRect& rect, TvzSplitterOrientation orientation) override;
    void DrawTabButton(TCanvas& canvas, const TRect& rect, TvzDockButtonState state,
                       TvzTabButtonKind kind) override;
    void DrawTabButtonGlyph(TCanvas& canvas, const TRect& rect, TvzTabButtonKind kind,
                            TvzDockButtonState state) override;
    void DrawTabItem(TCanvas& canvas, const TRect& rect, const std::u16string& text, TvzTabItemState state,
                     TvzTabItemPosition position, TvzOrientation orientation, int buttonAreaWidth,
                     const TvzImage& image) override;
    void DrawTabPane(TCanvas& canvas, const TRect& rect, TvzTabOrientation orientation) override;
    void DrawTabPaneBackground(TCanvas& canvas, const TRect& rect, TvzOrientation orientation) override;
    void DrawTabTarget(TCanvas& canvas, const TRect& rect) override;
    void DrawHideZone(TCanvas& canvas, const TRect& rect, TvzHideZoneOrientation orientation,
                      const TRect& clip) override;
    void DrawHiddenTab(TCanvas& canvas, const TRect& rect, const std::u16string& text, TvzTabItemState state,
                       TvzTabItemPosition position, TvzHideZoneOrientation orientation, bool showText,
                       const TvzImage& image) override;

    // The side of the tab close box: three quarters of the button's smaller side, even, at least 12.
    static int CloseBoxSide(const TRect& button);

protected:
    // Two triangles pointing at each other, joined by a line: where a dragged tab would go.
    static void DrawTabTargetShape(TCanvas& canvas, const TRect& rect, TColor pen, TColor brush);
    // Makes the caption button images; a look may keep them from announcing changes.
    void SetCaptionButtons(std::unique_ptr<TvzCaptionButtonImages> buttons) {
        captionButtons_ = std::move(buttons);
    }

private:
    enum GradientSlot {
        gTab,
        gActiveTab,
        gTabPane,
        gCaption,
        gActiveCaption,
        gHideZone,
        gActiveHiddenTab,
        gHiddenTab,
        kGradientCount
    };
    mutable std::array<TGradient, kGradientCount> gradients_;
    TColor splitterColor_ = ui::clBtnFace;
    TCustomImageList* images_ = nullptr;
    std::unique_ptr<ui::TChangeLink> imagesLink_;
    std::unique_ptr<TvzCaptionButtonImages> captionButtons_;
};

class TvzDefaultUIStyle : public TvzCustomDefaultUIStyle {
public:
    using TvzCustomDefaultUIStyle::TvzCustomDefaultUIStyle;
};

} // namespace docking::uistyle
