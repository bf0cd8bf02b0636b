// The link label: a window-less control that shows a marked-up caption with clickable links.
#pragma once

#include "imaging/uMarkupParser.h"
#include "imaging/uMarkupRenderer.h"
#include "platform/rtl/StringList.h"
#include "platform/ui/Controls.h"

#include <functional>
#include <memory>
#include <string>

namespace imaging {

// The pointing hand shown over links.
constexpr ui::TCursor crLinkHand = ui::crHandPoint;

using TLinkClickEvent = std::function<void(ui::TObject* sender, int linkNumber, const std::string& linkText)>;
using TDynamicTagInitEvent = std::function<void(ui::TObject* sender, std::string& source, int number)>;

// A window-less control that shows a marked-up caption, word-wrapped, with links that take the
// clicked colour while pressed (and the hot colour under the mouse with HotLinks) and report a click.
// The layout is computed when the caption, the font or the size changes, never while painting, so
// that AutoHeight and the centring Layout resize and move the text outside the paint event.
class TUxCustomLinkLabel : public ui::TGraphicControl, private IDynamicNodeHandler {
public:
    explicit TUxCustomLinkLabel(ui::TComponent* owner);
    ~TUxCustomLinkLabel() override;

    // The markup (UTF-8). Setting a different caption parses it once and fires OnCaptionChanged.
    const std::string& Caption() const { return caption_; }
    void SetCaption(const std::string& caption);
    // The caption as lines; set, the lines become one caption without separators.
    const rtl::TStringList& TextLines() const { return textLines_; }
    void SetTextLines(const rtl::TStringList& lines);

    bool Transparent() const { return !ControlStyle().Contains(ui::csOpaque); }
    void SetTransparent(bool transparent);
    TColor LinkColor() const { return renderer_->LinkColor; }
    void SetLinkColor(TColor color);
    TColor LinkColorClicked() const { return renderer_->LinkColorClicked; }
    void SetLinkColorClicked(TColor color) { renderer_->LinkColorClicked = color; }
    TColor LinkColorHot() const { return renderer_->LinkColorHot; }
    void SetLinkColorHot(TColor color) { renderer_->LinkColorHot = color; }
    TFontStyles LinkStyle() const { return renderer_->LinkStyle; }
    void SetLinkStyle(TFontStyles styles);
    bool HotLinks() const { return hotLinks_; }
    void SetHotLinks(bool hotLinks) { hotLinks_ = hotLinks; }
    bool AutoHeight() const { return autoHeight_; }
    void SetAutoHeight(bool autoHeight);
    int MarginWidth() const { return marginWidth_; }
    void SetMarginWidth(int margin);
    // Moves the text at once only when the margin was 0; otherwise at the next resize.
    int MarginHeight() const { return marginHeight_; }
    void SetMarginHeight(int margin);
    // 1 centres the text vertically.
    int Layout() const { return layout_; }
    void SetLayout(int layout);
    std::string AboutMe() const { return "Version: 2.00"; }

    const TRect& TextRect() const { return textRect_; }
    const TNodeTree& Tree() const { return *tree_; }
    TLinkNode* ActiveLink() const { return activeLink_; }

    ui::TNotifyEvent OnCaptionChanged;
    TLinkClickEvent OnLinkClick;
    TDynamicTagInitEvent OnDynamicTagInit;

protected:
    virtual std::unique_ptr<IParser> MakeParser();
    virtual std::unique_ptr<TDefaultRenderer> MakeRenderer();
    virtual void FireCaptionChanged();
    virtual void FireLinkClick(int linkNumber, const std::string& linkText);
    virtual void FireDynamicTagInit(std::string& source, int number);

    void Loaded() override;
    void Paint() override;
    void MouseDown(ui::TMouseButton button, ui::TShiftState shift, int x, int y) override;
    void MouseMove(ui::TShiftState shift, int x, int y) override;
    void MouseUp(ui::TMouseButton button, ui::TShiftState shift, int x, int y) override;
    void Resize() override;
    void WndProc(ui::TMessage& message) override;

private:
    void SupplyDynamicSource(std::u16string& source, TDynamicNode& node) override;
    void SyncRootFont();
    void UpdateTextRect();
    // Lays the caption out with the control's font, then applies AutoHeight or the centring Layout.
    void UpdateLayout();
    void SetLinkState(TPoint point, TLinkState state);
    void ResetActiveLink();
    bool ActiveLinkClicked() const { return activeLink_ && activeLink_->State == lsClicked; }
    bool OverLink(TPoint point) const { return tree_->IsPointInNodeClass(point, ntLinkNode); }

    std::string caption_;
    rtl::TStringList textLines_;
    std::unique_ptr<IParser> parser_;
    std::unique_ptr<TDefaultRenderer> renderer_;
    std::unique_ptr<TNodeTree> tree_;
    TLinkNode* activeLink_ = nullptr;
    bool hotLinks_ = false;
    bool autoHeight_ = true;
    int marginWidth_ = 0;
    int marginHeight_ = 0;
    int layout_ = 0;
    TRect textRect_;
    ui::TCursor restCursor_ = ui::crDefault;
    bool layoutSuspended_ = false; // while constructing, and while a layout applies its height
};

class TUxLinkLabel : public TUxCustomLinkLabel {
public:
    using TUxCustomLinkLabel::TUxCustomLinkLabel;
};

} // namespace imaging
