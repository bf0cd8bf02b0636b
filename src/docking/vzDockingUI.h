// The base painting style of docked panels.
#pragma once

#include "docking/vzDockUtils.h"
#include "docking/vzUIHelpers.h"
#include "platform/rtl/Exception.h"
#include "platform/rtl/Set.h"
#include "platform/ui/Graphics.h"
#include "platform/ui/ImageList.h"

#include <array>
#include <functional>
#include <memory>
#include <string>
#include <vector>

// The painting style of docked panels; the drag style lives apart.
namespace docking::uistyle {

RTL_DECLARE_EXCEPTION(EIntOverflow, rtl::Exception);

enum TvzTabItemState { tisNormal, tisHot, tisSelected, tisDisabled, tisFocused };
enum TvzTabItemPosition { tipFirst, tipMiddle, tipLast };
enum TvzTabOrientation { dtoTop, dtoBottom };
enum TvzTabButtonKind { tbkLeft, tbkRight, tbkClose, tbkPopup, tbkPopupEx };
enum TvzHideZoneOrientation { hzoLeft, hzoTop, hzoRight, hzoBottom, hzoDefault };
enum TvzDockButtonState { dbsNormal, dbsHot, dbsPressed, dbsDisabled };
enum TvzDockButtonKind {
    dbkHide,
    dbkUndock,
    dbkAutoHide,
    dbkUndoAutoHide,
    dbkMaximize,
    dbkRestore,
    dbkMenu,
    dbkCustom,
    dbkHelp,
    dbkNone
};
enum TvzDockCaptionState { dcsNormal, dcsHot, dcsSelected, dcsDisabled, dcsFocused };
enum TvzDockControlDrawKind { dckRegularControl, dckTabControl };
enum TvzSplitterOrientation { spoVertical, spoHorizontal };
enum TvzOrientation { orLeft, orTop, orRight, orBottom };
enum TvzCustomCaptionButtonPosition { bcpBefore, bcpAfter };
using TvzCustomCaptionButtonPositions = rtl::Set<TvzCustomCaptionButtonPosition, 2>;

using ui::TCanvas;
using ui::TCustomImageList;
using ui::TFont;
using ui::TRect;

// An image on a caption or tab: the list, the index and whether it is shown.
struct TvzImage {
    TCustomImageList* images = nullptr;
    int index = -1;
    bool show = false;
    // Shown, with an index inside the list.
    bool Valid() const;
    int Width() const;
    int Height() const;
};

class TvzDockingUIStyle;
class TvzStyleManager;

// Tells a listener that its style changed; the sender is the style.
class TvzStyleChangeLink : public TvzChangeLink {
public:
    using TvzChangeLink::TvzChangeLink;
    TvzDockingUIStyle* Sender() const { return sender_; }

private:
    friend class TvzDockingUIStyle;
    TvzDockingUIStyle* sender_ = nullptr;
};

// How every part of a docked panel is painted and measured: captions and their buttons, tab strips,
// tabs, splitters, backgrounds, hide zones and hidden tabs. This class holds the fonts, sizes and
// metrics and does the measuring and text drawing; the looks paint the elements.
class TvzDockingUIStyle : public ui::TComponent {
public:
    static constexpr int kMetricCount = 11;

    explicit TvzDockingUIStyle(ui::TComponent* owner = nullptr);
    ~TvzDockingUIStyle() override;

    // ---- Its place in a style manager ----
    TvzStyleManager* ParentManager() const { return manager_; }
    // Leaves the old manager's list and joins the new one's (none: leaves only).
    void SetParentManager(TvzStyleManager* manager);
    // Made by the manager for a registered class, rather than by hand.
    bool Predefined() const { return predefined_; }
    void SetPredefined(bool predefined) { predefined_ = predefined; }
    // The name shown for the style in its manager's list.
    const std::string& Caption() const { return caption_; }
    void SetCaption(const std::string& caption) { caption_ = caption; }

    // ---- Fonts, sizes and metrics ----
    TFont* CaptionFont() const { return fonts_[fCaption].get(); }
    TFont* ActiveCaptionFont() const { return fonts_[fActiveCaption].get(); }
    TFont* TabFont() const { return fonts_[fTab].get(); }
    TFont* ActiveTabFont() const { return fonts_[fActiveTab].get(); }
    TFont* HiddenTabFont() const { return fonts_[fHiddenTab].get(); }
    TFont* ActiveHiddenTabFont() const { return fonts_[fActiveHiddenTab].get(); }

    int CaptionButtonSize() const { return captionButtonSize_; }
    void SetCaptionButtonSize(int size) { SetAndAnnounce(captionButtonSize_, size); }
    double ButtonWidthRatio() const { return buttonWidthRatio_; }
    // Announces a change only when the rounded button width changes.
    void SetButtonWidthRatio(double ratio);
    // (width, height) of a caption button.
    ui::TPoint CaptionButtonExtent() const;
    int SplitterHeight() const { return splitterHeight_; }
    void SetSplitterHeight(int height) { SetAndAnnounce(splitterHeight_, height); }
    int SplitterWidth() const { return splitterWidth_; }
    void SetSplitterWidth(int width) { SetAndAnnounce(splitterWidth_, width); }
    int TabIndent() const { return tabIndent_; }
    void SetTabIndent(int indent) { SetAndAnnounce(tabIndent_, indent); }
    bool CenterTabText() const { return centerTabText_; }
    void SetCenterTabText(bool center) { SetAndAnnounce(centerTabText_, center); }
    int PrefixMode() const { return prefixMode_; }
    void SetPrefixMode(int mode) { SetAndAnnounce(prefixMode_, mode); }
    bool HotHighlight() const { return hotHighlight_; }
    void SetHotHighlight(bool on) { hotHighlight_ = on; }

    // Raises EIntOverflow when `value` is outside metric `index`'s range.
    void CheckMetric(int index, int value) const;
    // The metric the framework lays out with; a look may answer differently from the stored value.
    virtual int GetMetric(int index) const { return metrics_.at(index); }
    const std::array<int, kMetricCount>& Metrics() const { return metrics_; }
    // All eleven, each checked first; one change announced.
    void SetMetrics(const std::array<int, kMetricCount>& metrics);

    // Where custom caption buttons may stand, before or after the caption text.
    virtual TvzCustomCaptionButtonPositions GetCloseButtonPositions() const { return {bcpBefore, bcpAfter}; }

    // ---- Changes ----
    void RegisterChanges(TvzStyleChangeLink* link);
    void UnRegisterChanges(TvzStyleChangeLink* link);
    void BeginUpdate() { ++updateCount_; }
    void EndUpdate();
    // Tells every link, then OnChange, unless an update is open.
    void Changed();
    ui::TNotifyEvent OnChange;

    // ---- Elements: an assigned event paints instead of the look ----
    std::function<void(TvzDockingUIStyle*, TCanvas&, const std::u16string&, TvzDockCaptionState,
                       int maxTextWidth, bool fitText, const TvzImage&, const TRect&)>
        OnDrawCaption;
    std::function<void(TvzDockingUIStyle*, TCanvas&, TvzDockButtonState, TvzDockCaptionState,
                       TvzDockButtonKind, const TRect&)>
        OnDrawCaptionButton;
    std::function<void(TvzDockingUIStyle*, TCanvas&, TvzDockControlDrawKind, const TRect&)> OnDrawControl;
    std::function<void(TCanvas&, TvzSplitterOrientation, const TRect&)> OnDrawSplitter;
    std::function<void(TvzDockingUIStyle*, TCanvas&, TvzDockButtonState, TvzTabButtonKind, const TRect&)>
        OnDrawTabButton;
    std::function<void(TvzDockingUIStyle*, TCanvas&, const std::u16string&, TvzTabItemState,
                       TvzTabItemPosition, TvzOrientation, int buttonAreaWidth, const TvzImage&,
                       const TRect&)>
        OnDrawTabItem;
    std::function<void(TvzDockingUIStyle*, TCanvas&, TvzTabOrientation, const TRect&)> OnDrawTabPane;
    std::function<void(TvzDockingUIStyle*, TCanvas&, const TRect&)> OnDrawTabTarget;
    std::function<void(TvzDockingUIStyle*, const std::u16string&, TvzTabItemState, const TvzImage&,
                       int buttonAreaWidth, TvzTabItemPosition, TvzOrientation, int& width)>
        OnGetTabWidth;

    void PaintCaption(TCanvas& canvas, const TRect& rect, const std::u16string& text,
                      TvzDockCaptionState state, int maxTextWidth, bool fitText, const TvzImage& image);
    void PaintCaptionButton(TCanvas& canvas, const TRect& rect, TvzDockButtonState state,
                            TvzDockCaptionState captionState, TvzDockButtonKind kind);
    void PaintControl(TCanvas& canvas, const TRect& rect, TvzDockControlDrawKind kind);
    void PaintSplitter(TCanvas& canvas, const TRect& rect, TvzSplitterOrientation orientation);
    void PaintTabButton(TCanvas& canvas, const TRect& rect, TvzDockButtonState state, TvzTabButtonKind kind);
    void PaintTabItem(TCanvas& canvas, const TRect& rect, const std::u16string& text, TvzTabItemState state,
                      TvzTabItemPosition position, TvzOrientation orientation, int buttonAreaWidth,
                      const TvzImage& image);
    void PaintTabPane(TCanvas& canvas, const TRect& rect, TvzTabOrientation orientation);
    void PaintTabTarget(TCanvas& canvas, const TRect& rect);
    int TabWidth(const std::u16string& text, TvzTabItemState state, const TvzImage& image,
                 int buttonAreaWidth, TvzTabItemPosition position, TvzOrientation orientation);

    // ---- Measuring ----
    int GetCaptionHeight(const TvzImage& image) const;
    int GetTabHeight(const TvzImage& image) const;
    int GetTabPaneHeight(const TvzImage& image) const;
    int GetHiddenTabHeight(bool showText, const TvzImage& image) const;
    int GetHideZoneSize(const TvzImage& image) const;
    int GetTabWidth(const std::u16string& text, TvzTabItemState state, const TvzImage& image,
                    int buttonAreaWidth) const;
    int GetHiddenTabWidth(const std::u16string& text, TvzTabItemState state, const TvzImage& image,
                          bool showText) const;
    // The width of a tab on the `orientation` side of its pages; a look whose tabs change shape with
    // the side answers its own.
    virtual int MeasureTabWidth(const std::u16string& text, TvzTabItemState state, const TvzImage& image,
                                int buttonAreaWidth, TvzOrientation /*orientation*/) const {
        return GetTabWidth(text, state, image, buttonAreaWidth);
    }
    // A close button of `buttonSize` inside `tab`, on the line of the tab text drawn last.
    TRect GetTabButtonRect(const TRect& tab, int buttonSize) const;

    // ---- Text ----
    // Image and text of a caption; false when the text had to be shortened or did not show.
    bool DrawCaptionText(TCanvas& canvas, const TRect& rect, const TvzImage& image, int maxTextWidth,
                         TvzDockCaptionState state, const std::u16string& text);
    void DrawTabText(TCanvas& canvas, const TRect& rect, bool shiftSelected, const TvzImage& image,
                     const TFont& activeFont, const TFont& font, bool showText, TvzOrientation orientation,
                     TvzTabItemState state, const std::u16string& text);
    const TRect& LastTabTextRect() const { return lastTabTextRect_; }

    // ---- The look ----
    virtual void DrawCaption(TCanvas& canvas, const TRect& rect, const std::u16string& text,
                             TvzDockCaptionState state, int maxTextWidth, bool fitText,
                             const TvzImage& image) = 0;
    virtual void DrawCaptionButton(TCanvas& canvas, const TRect& rect, TvzDockButtonState state,
                                   TvzDockCaptionState captionState, TvzDockButtonKind kind) = 0;
    virtual void DrawCaptionButtonGlyph(TCanvas& canvas, const TRect& rect, TvzDockButtonKind kind,
                                        TvzDockCaptionState captionState, TvzDockButtonState state) = 0;
    virtual void DrawControl(TCanvas& canvas, const TRect& rect, TvzDockControlDrawKind kind) = 0;
    virtual void DrawSplitter(TCanvas& canvas, const TRect& rect, TvzSplitterOrientation orientation) = 0;
    virtual void DrawTabButton(TCanvas& canvas, const TRect& rect, TvzDockButtonState state,
                               TvzTabButtonKind kind) = 0;
    virtual void DrawTabButtonGlyph(TCanvas& canvas, const TRect& rect, TvzTabButtonKind kind,
                                    TvzDockButtonState state) = 0;
    virtual void DrawTabItem(TCanvas& canvas, const TRect& rect, const std::u16string& text,
                             TvzTabItemState state, TvzTabItemPosition position, TvzOrientation orientation,
                             int buttonAreaWidth, const TvzImage& image) = 0;
    virtual void DrawTabPane(TCanvas& canvas, const TRect& rect, TvzTabOrientation orientation) = 0;
    virtual void DrawTabPaneBackground(TCanvas& canvas, const TRect& rect, TvzOrientation orientation) = 0;
    virtual void DrawTabTarget(TCanvas& canvas, const TRect& rect) = 0;
    virtual void DrawHideZone(TCanvas& canvas, const TRect& rect, TvzHideZoneOrientation orientation,
                              const TRect& clip) = 0;
    virtual void DrawHiddenTab(TCanvas& canvas, const TRect& rect, const std::u16string& text,
                               TvzTabItemState state, TvzTabItemPosition position,
                               TvzHideZoneOrientation orientation, bool showText, const TvzImage& image) = 0;

protected:
    void SetStoredMetric(int index, int value) { metrics_.at(index) = value; }

private:
    enum FontSlot { fCaption, fActiveCaption, fTab, fActiveTab, fHiddenTab, fActiveHiddenTab, kFontCount };
    template <class T>
    void SetAndAnnounce(T& field, T value) {
        if (field == value) return;
        field = value;
        Changed();
    }
    // The larger "Wkg" height of the two fonts.
    static int SampleHeight(const TFont& a, const TFont& b);
    // The width of `text` without prefixes, in the wider of the two fonts when tab text is centred,
    // else in the font of the state.
    int TabTextWidth(const std::u16string& text, TvzTabItemState state, const TFont& activeFont,
                     const TFont& font) const;

    TvzStyleManager* manager_ = nullptr;
    bool predefined_ = false;
    std::string caption_;
    std::array<std::unique_ptr<TFont>, kFontCount> fonts_;
    std::vector<TvzStyleChangeLink*> links_;
    int updateCount_ = 0;
    int captionButtonSize_ = 14;
    double buttonWidthRatio_ = 1.0;
    int splitterHeight_ = 4;
    int splitterWidth_ = 4;
    int tabIndent_ = 3;
    bool centerTabText_ = true;
    int prefixMode_ = pmNormal;
    bool hotHighlight_ = true;
    std::array<int, kMetricCount> metrics_{};
    TRect lastTabTextRect_;
};

} // namespace docking::uistyle
