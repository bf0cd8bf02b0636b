// Lays out and draws a parsed markup caption on a canvas.
#pragma once

#include "imaging/uMarkupTree.h"

#include <memory>
#include <string_view>

namespace ui {
class TCanvas;
}

namespace imaging {

// What the layout needs of a canvas: text measures, text drawing, and the font's style and colour.
class IMarkupCanvas {
public:
    virtual ~IMarkupCanvas() = default;
    virtual TFontStyles FontStyles() const = 0;
    virtual void SetFontStyles(TFontStyles styles) = 0;
    virtual void SetFontColor(TColor color) = 0;
    virtual int TextWidth(std::u16string_view text) = 0;
    virtual int TextHeight(std::u16string_view text) = 0;
    virtual void TextOut(int x, int y, std::u16string_view text) = 0;
};

// The layout's canvas over the framework's.
class TMarkupCanvas : public IMarkupCanvas {
public:
    explicit TMarkupCanvas(ui::TCanvas& canvas) : canvas_(canvas) {}
    TFontStyles FontStyles() const override;
    void SetFontStyles(TFontStyles styles) override;
    void SetFontColor(TColor color) override;
    int TextWidth(std::u16string_view text) override;
    int TextHeight(std::u16string_view text) override;
    void TextOut(int x, int y, std::u16string_view text) override;

private:
    ui::TCanvas& canvas_;
};

// The words of a text: each runs up to and including the next blank, so every further blank of a
// run of blanks is a word of its own.
std::vector<std::u16string_view> SplitWords(std::u16string_view text);

class TTextHandler;

// Lays out and draws a markup tree in a rectangle: words wrap at the right edge, a word glued over
// runs of different styles wraps as one, links take the link colours and style, and every run keeps
// the rectangles it was drawn in.
class TDefaultRenderer {
public:
    TDefaultRenderer();
    virtual ~TDefaultRenderer();
    TDefaultRenderer(const TDefaultRenderer&) = delete;
    TDefaultRenderer& operator=(const TDefaultRenderer&) = delete;

    TColor LinkColor = 0;
    TColor LinkColorClicked = 0;
    TColor LinkColorHot = 0;
    TFontStyles LinkStyle;

    // Lays out the whole tree from the rectangle's top-left corner and collects the link rectangles.
    void RenderTree(IMarkupCanvas& canvas, const TRect& rect, TNodeTree& tree);
    // Lays out one area from where its text started at the last layout.
    void RenderNode(IMarkupCanvas& canvas, const TRect& rect, TAreaNode& node);
    // The bottom of the last line of the last layout.
    int RenderedHeight() const { return renderedHeight_; }

protected:
    virtual void RenderArea(TAreaNode& node, TFontStyles styles, TColor color);
    // The link placeholders become the link colours; any other colour stays.
    virtual TColor ResolveColor(TColor color) const;

private:
    TTextHandler* handler_ = nullptr; // of the layout in progress
    int renderedHeight_ = 0;
};

} // namespace imaging
