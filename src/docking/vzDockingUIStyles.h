// The other painting styles, each the default look with some elements drawn its own way.
#pragma once

#include "docking/vzDockingUIDefault.h"

// The Standard, Enhanced, Flat, VS2005 and OfficeXP looks: each is the Default look with some
// elements drawn its own way.
namespace docking::uistyle {

// The Default look with splitters filled plainly, without edges.
class TvzPlainSplitterUIStyle : public TvzDefaultUIStyle {
public:
    using TvzDefaultUIStyle::TvzDefaultUIStyle;
    void DrawSplitter(TCanvas& canvas, const TRect& rect, TvzSplitterOrientation orientation) override;
};

// Classic raised buttons and tabs with bevelled corners.
class TvzStandardUIStyle : public TvzPlainSplitterUIStyle {
public:
    explicit TvzStandardUIStyle(ui::TComponent* owner = nullptr);

    void DrawCaptionButton(TCanvas& canvas, const TRect& rect, TvzDockButtonState state,
                           TvzDockCaptionState captionState, TvzDockButtonKind kind) override;
    void DrawTabButton(TCanvas& canvas, const TRect& rect, TvzDockButtonState state,
                       TvzTabButtonKind kind) override;
    void DrawTabItem(TCanvas& canvas, const TRect& rect, const std::u16string& text, TvzTabItemState state,
                     TvzTabItemPosition position, TvzOrientation orientation, int buttonAreaWidth,
                     const TvzImage& image) override;

protected:
    // The close button steps left under a selected tab's raised edge.
    int CloseButtonShift() const { return lastTabSelected_ ? -1 : 0; }

private:
    bool lastTabSelected_ = false;
};

// The Standard look with softer, single-edged buttons.
class TvzEnhancedUIStyle : public TvzStandardUIStyle {
public:
    using TvzStandardUIStyle::TvzStandardUIStyle;

    void DrawCaptionButton(TCanvas& canvas, const TRect& rect, TvzDockButtonState state,
                           TvzDockCaptionState captionState, TvzDockButtonKind kind) override;
    void DrawTabButton(TCanvas& canvas, const TRect& rect, TvzDockButtonState state,
                       TvzTabButtonKind kind) override;
};

// Flat captions and tabs; buttons show a plain frame when hot.
class TvzFlatUIStyle : public TvzPlainSplitterUIStyle {
public:
    explicit TvzFlatUIStyle(ui::TComponent* owner = nullptr);

    // The fill of hot buttons on unfocused captions, asked at every drawing.
    virtual TColor HotColor() const;

    void DrawCaption(TCanvas& canvas, const TRect& rect, const std::u16string& text,
                     TvzDockCaptionState state, int maxTextWidth, bool fitText,
                     const TvzImage& image) override;
    void DrawCaptionButton(TCanvas& canvas, const TRect& rect, TvzDockButtonState state,
                           TvzDockCaptionState captionState, TvzDockButtonKind kind) override;
    void DrawTabButton(TCanvas& canvas, const TRect& rect, TvzDockButtonState state,
                       TvzTabButtonKind kind) override;
    void DrawTabItem(TCanvas& canvas, const TRect& rect, const std::u16string& text, TvzTabItemState state,
                     TvzTabItemPosition position, TvzOrientation orientation, int buttonAreaWidth,
                     const TvzImage& image) override;
    void DrawTabPane(TCanvas& canvas, const TRect& rect, TvzTabOrientation orientation) override;
};

// Gradient captions, white panels, and slanted tabs when the tabs stand on top.
class TvzVS2005UIDockingStyle : public TvzPlainSplitterUIStyle {
public:
    explicit TvzVS2005UIDockingStyle(ui::TComponent* owner = nullptr);

    TGradient* TriangleTabColor() const { return &triangleTabColor_; }
    TGradient* ActiveTriangleTabColor() const { return &activeTriangleTabColor_; }
    TFont* TriangleTabFont() const { return triangleTabFont_.get(); }
    TFont* ActiveTriangleTabFont() const { return activeTriangleTabFont_.get(); }

    virtual TColor HotColor() const;
    TvzCustomCaptionButtonPositions GetCloseButtonPositions() const override { return {bcpAfter}; }
    int MeasureTabWidth(const std::u16string& text, TvzTabItemState state, const TvzImage& image,
                        int buttonAreaWidth, TvzOrientation orientation) const override;
    // Also the four slanted-tab properties from another VS2005 style.
    void Assign(const ui::TPersistent* source) override;

    void DrawCaption(TCanvas& canvas, const TRect& rect, const std::u16string& text,
                     TvzDockCaptionState state, int maxTextWidth, bool fitText,
                     const TvzImage& image) override;
    void DrawCaptionButton(TCanvas& canvas, const TRect& rect, TvzDockButtonState state,
                           TvzDockCaptionState captionState, TvzDockButtonKind kind) override;
    void DrawControl(TCanvas& canvas, const TRect& rect, TvzDockControlDrawKind kind) override;
    void DrawTabButton(TCanvas& canvas, const TRect& rect, TvzDockButtonState state,
                       TvzTabButtonKind kind) override;
    void DrawTabItem(TCanvas& canvas, const TRect& rect, const std::u16string& text, TvzTabItemState state,
                     TvzTabItemPosition position, TvzOrientation orientation, int buttonAreaWidth,
                     const TvzImage& image) override;
    void DrawTabPane(TCanvas& canvas, const TRect& rect, TvzTabOrientation orientation) override;
    void DrawHiddenTab(TCanvas& canvas, const TRect& rect, const std::u16string& text, TvzTabItemState state,
                       TvzTabItemPosition position, TvzHideZoneOrientation orientation, bool showText,
                       const TvzImage& image) override;

private:
    void DrawSlantedTab(TCanvas& canvas, const TRect& rect, const std::u16string& text, TvzTabItemState state,
                        TvzTabItemPosition position);
    void DrawRectangularTab(TCanvas& canvas, const TRect& rect, const std::u16string& text,
                            TvzTabItemState state, TvzTabItemPosition position, TvzOrientation orientation,
                            int buttonAreaWidth, const TvzImage& image);

    mutable TGradient triangleTabColor_;
    mutable TGradient activeTriangleTabColor_;
    std::unique_ptr<TFont> triangleTabFont_;
    std::unique_ptr<TFont> activeTriangleTabFont_;
};

enum TvzOfficeXPScheme { ofsSystem, ofsBlue, ofsOlive, ofsSilver, ofsDefault };
enum TvzOfficeXPSchemeTint { ostFancy, ostModest };

// The colours of one OfficeXP scheme, as $00BBGGRR values.
struct TvzOfficeXPColors {
    TColor pane, accent, shadow, shadow2, hot, hot2, caption;
    bool operator==(const TvzOfficeXPColors&) const = default;
};
// The base colours of `scheme`; ofsSystem is the desktop's scheme, which without visual styles is
// ofsDefault.
TvzOfficeXPColors OfficeXPSchemeColors(TvzOfficeXPScheme scheme);

// Colours from a fixed scheme (or the desktop's), chamfered tabs and flat hot buttons.
class TvzOfficeXPUIStyle : public TvzCustomDefaultUIStyle {
public:
    explicit TvzOfficeXPUIStyle(ui::TComponent* owner = nullptr);

    TvzOfficeXPScheme Scheme() const { return scheme_; }
    void SetScheme(TvzOfficeXPScheme scheme);
    TvzOfficeXPSchemeTint SchemeTint() const { return schemeTint_; }
    void SetSchemeTint(TvzOfficeXPSchemeTint tint);
    // Whether the desktop paints with visual styles; our desktops do not.
    bool Themed() const { return themed_; }

    TColor PaneColor() const { return paneColor_; }
    TColor HotColor() const { return hotColor_; }
    TColor HotBrushColor() const { return hotBrushColor_; }
    const TGradient& PressedColor() const { return pressedColor_; }

    // Also the scheme and its tint from another OfficeXP style.
    void Assign(const ui::TPersistent* source) override;

    void DrawCaption(TCanvas& canvas, const TRect& rect, const std::u16string& text,
                     TvzDockCaptionState state, int maxTextWidth, bool fitText,
                     const TvzImage& image) override;
    void DrawCaptionButton(TCanvas& canvas, const TRect& rect, TvzDockButtonState state,
                           TvzDockCaptionState captionState, TvzDockButtonKind kind) override;
    void DrawSplitter(TCanvas& canvas, const TRect& rect, TvzSplitterOrientation orientation) override;
    void DrawTabButton(TCanvas& canvas, const TRect& rect, TvzDockButtonState state,
                       TvzTabButtonKind kind) override;
    void DrawTabItem(TCanvas& canvas, const TRect& rect, const std::u16string& text, TvzTabItemState state,
                     TvzTabItemPosition position, TvzOrientation orientation, int buttonAreaWidth,
                     const TvzImage& image) override;
    void DrawTabPane(TCanvas& canvas, const TRect& rect, TvzTabOrientation orientation) override;
    void DrawTabTarget(TCanvas& canvas, const TRect& rect) override;
    void DrawHideZone(TCanvas& canvas, const TRect& rect, TvzHideZoneOrientation orientation,
                      const TRect& clip) override;
    void DrawHiddenTab(TCanvas& canvas, const TRect& rect, const std::u16string& text, TvzTabItemState state,
                       TvzTabItemPosition position, TvzHideZoneOrientation orientation, bool showText,
                       const TvzImage& image) override;

private:
    // The fonts, gradients and derived colours of the scheme and tint, announced once.
    void UpdateColors();

    TvzOfficeXPScheme scheme_ = ofsSystem;
    TvzOfficeXPSchemeTint schemeTint_ = ostFancy;
    bool themed_ = false;
    TColor paneColor_ = ui::clBtnFace;
    TColor hotColor_ = ui::clBtnFace;
    TColor hotBrushColor_ = ui::clBtnFace;
    TGradient pressedColor_;
};

} // namespace docking::uistyle
