#pragma once

#include "lazytree/BaseLazyTree.h"

#include <string>

namespace lazytree {

enum TVSTTextType : uint8_t { ttNormal, ttStatic };

enum TVTStringOption : uint8_t { toSaveCaptions, toShowStaticText, toAutoAcceptEditChange };
using TVTStringOptions = rtl::Set<TVTStringOption, 8>;

// A tree whose cells show text. It keeps none: every text is asked of OnGetText when it is painted or
// measured, starting from DefaultText. The width of each node's main-column text is cached in the node.
class TCustomLazyStringTree : public TBaseLazyTree {
public:
    using TGetTextEvent =
        std::function<void(TCustomLazyStringTree& sender, PLazyNode node, TColumnIndex column,
                           TVSTTextType textType, std::u16string& cellText)>;
    using TNewTextEvent = std::function<void(TCustomLazyStringTree& sender, PLazyNode node,
                                             TColumnIndex column, const std::u16string& newText)>;
    using TPaintTextEvent = std::function<void(TCustomLazyStringTree& sender, ui::TCanvas& canvas,
                                               PLazyNode node, TColumnIndex column, TVSTTextType textType)>;
    using TDrawTextEvent = std::function<void(TCustomLazyStringTree& sender, ui::TCanvas& canvas,
                                              PLazyNode node, TColumnIndex column, const std::u16string& text,
                                              const ui::TRect& cellRect, bool& defaultDraw)>;
    using TShortenStringEvent = std::function<void(
        TCustomLazyStringTree& sender, ui::TCanvas& canvas, PLazyNode node, TColumnIndex column,
        const std::u16string& text, int textSpace, std::u16string& result, bool& done)>;
    using TMeasureTextWidthEvent =
        std::function<void(TCustomLazyStringTree& sender, ui::TCanvas& canvas, PLazyNode node,
                           TColumnIndex column, const std::u16string& text, int& width)>;
    using TGetHintEvent = std::function<void(TCustomLazyStringTree& sender, PLazyNode node,
                                             TColumnIndex column, std::u16string& hintText)>;

    static constexpr int kDefaultTextMargin = 4;

    explicit TCustomLazyStringTree(ui::TComponent* owner);
    ~TCustomLazyStringTree() override;

    const std::u16string& DefaultText() const { return defaultText_; }
    void SetDefaultText(std::u16string value);
    int TextMargin() const { return textMargin_; }
    void SetTextMargin(int value);
    const TVTStringOptions& StringOptions() const { return stringOptions_; }
    void SetStringOptions(TVTStringOptions value);

    std::u16string GetText(PLazyNode node, TColumnIndex column);
    void SetText(PLazyNode node, TColumnIndex column, const std::u16string& text);
    // The cached main-column width of a node (0: not measured).
    int CachedTextWidth(PLazyNode node) const;
    // The height of a node's text laid out in its cell, for OnMeasureItem handlers of multiline nodes.
    int ComputeNodeHeight(PLazyNode node, TColumnIndex column, std::u16string text = {});

    TGetTextEvent OnGetText;
    TNewTextEvent OnNewText;
    TPaintTextEvent OnPaintText;
    TDrawTextEvent OnDrawText;
    TShortenStringEvent OnShortenString;
    TMeasureTextWidthEvent OnMeasureTextWidth;
    TGetHintEvent OnGetHint;

protected:
    int DoGetNodeWidth(PLazyNode node, TColumnIndex column) override;
    void DoPaintNode(TVTCellPaintInfo& info) override;
    bool ColumnIsEmpty(PLazyNode node, TColumnIndex column) override;
    TColumnIndex AdjustPaintCellRect(TVTCellPaintInfo& info) override;
    void DoNodeInitialized(PLazyNode node) override;
    void DoNodeInvalidated(PLazyNode node) override;
    std::u16string GetNodeHint(PLazyNode node, TColumnIndex column) override;
    std::u16string GetNodeToolTip(PLazyNode node, TColumnIndex column) override;
    void FontChanged() override;
    // The string edit link unless OnCreateEditor gives another.
    PVTEditLink DoCreateEditor(PLazyNode node, TColumnIndex column) override;
    // With OnIncrementalSearch the handler decides; else the focused column's text must start with
    // the search text, case-sensitively.
    int DoIncrementalSearch(PLazyNode node, const std::u16string& searchText) override;

private:
    uint32_t* TextWidthCache(PLazyNode node) const;
    void ClearTextWidths();
    // The canvas for measuring outside painting, with the tree's font.
    ui::TCanvas& MeasureCanvas();
    int CalculateTextWidth(ui::TCanvas& canvas, PLazyNode node, TColumnIndex column,
                           const std::u16string& text);
    int DoTextMeasuring(ui::TCanvas& canvas, PLazyNode node, TColumnIndex column, const std::u16string& text);
    void InitializeTextProperties(TVTCellPaintInfo& info);
    void PaintNormalText(TVTCellPaintInfo& info, std::u16string text);
    void PaintStaticText(TVTCellPaintInfo& info, const std::u16string& text);
    void DoTextDrawing(TVTCellPaintInfo& info, const std::u16string& text, ui::TRect r,
                       ui::TTextFormat format);
    std::u16string DoShortenString(ui::TCanvas& canvas, PLazyNode node, TColumnIndex column,
                                   const std::u16string& text, int width, int ellipsisWidth);
    // Whether OnPaintText changed the canvas font (compared with the font before it ran).
    bool PaintTextChangedFont(ui::TCanvas& canvas, PLazyNode node, TColumnIndex column, TVSTTextType type);

    std::u16string defaultText_ = u"Node";
    int textMargin_ = kDefaultTextMargin;
    TVTStringOptions stringOptions_{toSaveCaptions, toAutoAcceptEditChange};
    std::size_t textWidthOffset_;
    int ellipsisWidth_ = 0; // of "..." in the tree's font; 0: measure again
    ui::TBitmap measureBitmap_;
};

// The published form every tree of the program uses.
class TLazyStringTree : public TCustomLazyStringTree {
public:
    using TCustomLazyStringTree::TCustomLazyStringTree;
};

} // namespace lazytree
