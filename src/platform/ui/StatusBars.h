// A status bar: a row of panels with texts (or painted by the program), or one simple text.
#pragma once

#include "platform/ui/Controls.h"
#include "platform/ui/Labels.h"

#include <memory>
#include <string>
#include <vector>

namespace ui {

class TStatusBar;

enum TStatusPanelStyle { psText, psOwnerDraw };
enum TStatusPanelBevel { pbNone, pbLowered, pbRaised };

class TStatusPanel {
public:
    explicit TStatusPanel(TStatusBar* bar) : bar_(bar) {}

    const std::string& Text() const { return text_; }
    void SetText(const std::string& text);
    int Width() const { return width_; }
    void SetWidth(int width);
    TAlignment Alignment() const { return alignment_; }
    void SetAlignment(TAlignment alignment);
    TStatusPanelStyle Style() const { return style_; }
    void SetStyle(TStatusPanelStyle style);
    TStatusPanelBevel Bevel() const { return bevel_; }
    void SetBevel(TStatusPanelBevel bevel);
    int Index() const;

private:
    void Changed();

    TStatusBar* bar_;
    std::string text_;
    int width_ = 50;
    TAlignment alignment_ = taLeftJustify;
    TStatusPanelStyle style_ = psText;
    TStatusPanelBevel bevel_ = pbLowered;
};

class TStatusPanels {
public:
    explicit TStatusPanels(TStatusBar* bar) : bar_(bar) {}

    int Count() const { return static_cast<int>(panels_.size()); }
    TStatusPanel* Items(int index) const;
    TStatusPanel* operator[](int index) const { return Items(index); }
    TStatusPanel* Add();
    void Delete(int index);
    void Clear();
    int IndexOf(const TStatusPanel* panel) const;

private:
    TStatusBar* bar_;
    std::vector<std::unique_ptr<TStatusPanel>> panels_;
};

using TDrawPanelEvent = std::function<void(TStatusBar* bar, TStatusPanel* panel, const TRect& rect)>;

class TStatusBar : public TCustomControl {
public:
    explicit TStatusBar(TComponent* owner);
    ~TStatusBar() override;

    TStatusPanels& Panels() { return panels_; }
    // One text across the whole bar instead of the panels.
    bool SimplePanel() const { return simplePanel_; }
    void SetSimplePanel(bool value);
    const std::string& SimpleText() const { return simpleText_; }
    void SetSimpleText(const std::string& text);
    // The last panel takes the rest of the bar.
    TRect PanelRect(int index) const;

    // Paints an owner-draw panel on Canvas.
    TDrawPanelEvent OnDrawPanel;

protected:
    void Paint() override;
    virtual void DrawPanel(TStatusPanel* panel, const TRect& rect);

private:
    friend class TStatusPanel;
    friend class TStatusPanels;
    void PanelsChanged() { Invalidate(); }

    TStatusPanels panels_;
    bool simplePanel_ = false;
    std::string simpleText_;
};

} // namespace ui
