// The lazy tree that shows text in its cells, with export and in-place editing.
#pragma once

#include "lazytree/BaseLazyTree.h"

#include <string>
#include <vector>

namespace lazytree {

enum TVSTTextType : uint8_t { ttNormal, ttStatic };

enum TVTStringOption : uint8_t { toSaveCaptions, toShowStaticText, toAutoAcceptEditChange };
using TVTStringOptions = rtl::Set<TVTStringOption, 8>;

// Which nodes an export renders, in tree order (tsrcVisible: display order).
enum TVTTextSource : uint8_t { tsrcAll, tsrcInitialized, tsrcSelected, tsrcCutCopySet, tsrcVisible };
enum TVTExportType : uint8_t { etRTF, etHTML, etText, etExcel, etWord, etCustom };
// Which nodes of the source an export keeps, by check state.
enum TVTExportMode : uint8_t { emAll, emChecked, emUnchecked };

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
    using TExportEvent = std::function<void(TCustomLazyStringTree& sender, TVTExportType exportType)>;
    using TColumnExportEvent = std::function<void(TCustomLazyStringTree& sender, TVTExportType exportType,
                                                  const TLazyTreeColumn& column)>;
    using TNodeExportEvent =
        std::function<bool(TCustomLazyStringTree& sender, TVTExportType exportType, PLazyNode node)>;
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

    TVTExportMode ExportMode() const { return exportMode_; }
    void SetExportMode(TVTExportMode value) { exportMode_ = value; }

    // --- Export: the source's nodes with the visible columns --------------------------------------------
    // An HTML fragment in UTF-8 with the tree's fonts, colours and grid lines; texts are escaped.
    std::string ContentToHTML(TVTTextSource source, const std::u16string& caption = {});
    std::string ContentToRTF(TVTTextSource source);
    // Separated text in the 8-bit code page; a cell holding the separator or a quote is quoted.
    std::string ContentToText(TVTTextSource source, const std::string& separator);
    std::string ContentToAnsiText(TVTTextSource source, char separator) {
        return ContentToText(source, std::string(1, separator));
    }
    // Every node of the source, whatever the export mode; only a cell holding the separator is quoted.
    std::u16string ContentToUnicode(TVTTextSource source, const std::u16string& separator);
    // The clipboard's HTML envelope around a fragment: a 97-byte header of offsets, then the document.
    static std::string WrapHTMLClipboard(const std::string& fragment);
    bool MatchesExportMode(PLazyNode node) const;
    // "#RRGGBB" of a colour, system colours resolved.
    static void AppendColorHex(std::string& text, ui::TColor color);

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
    TExportEvent OnBeforeHeaderExport;
    TExportEvent OnAfterHeaderExport;
    TColumnExportEvent OnBeforeColumnExport;
    TColumnExportEvent OnAfterColumnExport;
    TNodeExportEvent OnBeforeNodeExport; // false leaves the node out
    TNodeExportEvent OnAfterNodeExport;

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
    // The caption chunk: the main column's text of an initialised node, when not empty and
    // toSaveCaptions asks for it; read back through SetText.
    void WriteNodeExtras(rtl::TStream& stream, PLazyNode node) override;
    bool ReadExtraChunk(rtl::TStream& stream, int chunkType, int chunkSize, PLazyNode node) override;

private:
    // What an export walks: the source's nodes, and the visible columns in position order (one
    // NoColumn when the header has none).
    std::vector<PLazyNode> RenderNodes(TVTTextSource source);
    std::vector<TColumnIndex> ExportColumns() const;
    // Whether an export keeps a node: its export mode and OnBeforeNodeExport.
    bool AcceptsForExport(TVTExportType exportType, PLazyNode node);
    void AfterNodeExport(TVTExportType exportType, PLazyNode node);
    // The separated-text layout; ansiRules: export mode, node events, and quotes that quote and double.
    std::u16string RenderText(TVTTextSource source, const std::u16string& separator, bool ansiRules);
    // The canvas font after OnPaintText ran for a cell with the tree's font; true when it changed.
    bool ExportFont(PLazyNode node, TColumnIndex column, ui::TFont& font);
    TAlignment ExportAlignment(TColumnIndex column, bool caption, bool& rightToLeft) const;
    void ColumnEvent(const TColumnExportEvent& event, TVTExportType exportType, TColumnIndex column);

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
    TVTExportMode exportMode_ = emAll;
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
