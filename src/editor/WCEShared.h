// Gutter markers and line styles that plug-ins put beside and over lines.
#pragma once

#include "platform/ui/Color.h"
#include "platform/ui/Graphics.h"

#include <memory>
#include <vector>

namespace ui {
class TCanvas;
}

namespace editor {

using ui::TColor;
using ui::TFontStyles;

// A picture a plug-in puts in the gutter beside a line.
class IWCELineMarker {
public:
    virtual ~IWCELineMarker() = default;
    // Draws the marker of line `index` with its left edge at x and its top at y.
    virtual void Draw(int index, ui::TCanvas& canvas, int x, int y) = 0;
    // The marker's width (which advances x for the next marker) and height.
    virtual void GetSize(int index, ui::TSize& size) = 0;
};

// Colours and font styles a plug-in gives a whole line. clDefault keeps the painter's colour.
class IWCELineStyle {
public:
    virtual ~IWCELineStyle() = default;
    virtual TColor LineBackground() const = 0;
    virtual TFontStyles LineFontStyles() const = 0;
    virtual bool LineForcesFontStyles() const = 0;
    virtual TColor LineForeground() const = 0;
};

// A plain line style with settable values; the editor's selection and scroll-hint colours are two.
class TWCELineStyle : public IWCELineStyle {
public:
    TWCELineStyle() = default;
    TWCELineStyle(TColor background, TColor foreground) : background_(background), foreground_(foreground) {}

    TColor LineBackground() const override { return GetBackground(); }
    TFontStyles LineFontStyles() const override { return GetFontStyles(); }
    bool LineForcesFontStyles() const override { return GetForceFontStyles(); }
    TColor LineForeground() const override { return GetForeground(); }

    virtual TColor GetBackground() const { return background_; }
    virtual TFontStyles GetFontStyles() const { return fontStyles_; }
    virtual bool GetForceFontStyles() const { return forceFontStyles_; }
    virtual TColor GetForeground() const { return foreground_; }
    virtual void SetBackground(TColor value) { background_ = value; }
    virtual void SetFontStyles(TFontStyles value) { fontStyles_ = value; }
    virtual void SetForceFontStyles(bool value) { forceFontStyles_ = value; }
    virtual void SetForeground(TColor value) { foreground_ = value; }

private:
    TColor background_ = 0;
    TColor foreground_ = 0;
    TFontStyles fontStyles_;
    bool forceFontStyles_ = false;
};

// The styles of one line; the first entry is the one in effect.
class TStyleStack {
public:
    int Count() const { return static_cast<int>(items_.size()); }
    const std::shared_ptr<IWCELineStyle>& Items(int index) const {
        return items_.at(static_cast<std::size_t>(index));
    }
    std::shared_ptr<IWCELineStyle> Top() const { return items_.empty() ? nullptr : items_.front(); }
    void Push(std::shared_ptr<IWCELineStyle> style) { items_.insert(items_.begin(), std::move(style)); }
    void Add(std::shared_ptr<IWCELineStyle> style) { items_.push_back(std::move(style)); }
    void Remove(const std::shared_ptr<IWCELineStyle>& style) { std::erase(items_, style); }
    void Clear() { items_.clear(); }

private:
    std::vector<std::shared_ptr<IWCELineStyle>> items_;
};

} // namespace editor
