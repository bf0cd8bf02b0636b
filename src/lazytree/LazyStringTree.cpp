#include "lazytree/LazyStringTree.h"

#include "lazytree/StringEditLink.h"

#include "lazytree/LazyTreeUtils.h"
#include "platform/rtl/Streams.h"
#include "platform/ui/TextLayout.h"

#include <cstring>

namespace lazytree {

namespace {

const std::u16string kEllipsis = u"...";

bool SameTextFont(const ui::TFont& a, const ui::TFont& b) {
    return a.Name() == b.Name() && a.Size() == b.Size() && a.Style() == b.Style();
}

} // namespace

TCustomLazyStringTree::TCustomLazyStringTree(ui::TComponent* owner)
    : TBaseLazyTree(owner), textWidthOffset_(Tree().AllocateInternalDataArea(sizeof(uint32_t))) {
    measureBitmap_.SetPixelFormat(ui::pf32bit);
    measureBitmap_.SetSize(1, 1);
}

TCustomLazyStringTree::~TCustomLazyStringTree() = default;

void TCustomLazyStringTree::SetDefaultText(std::u16string value) {
    if (defaultText_ == value) return;
    defaultText_ = std::move(value);
    ClearTextWidths();
    Invalidate();
}

void TCustomLazyStringTree::SetTextMargin(int value) {
    if (textMargin_ == value) return;
    textMargin_ = value;
    ClearTextWidths();
    Invalidate();
}

void TCustomLazyStringTree::SetStringOptions(TVTStringOptions value) {
    const bool staticChanged = value.Contains(toShowStaticText) != stringOptions_.Contains(toShowStaticText);
    stringOptions_ = value;
    if (staticChanged) Invalidate();
}

std::u16string TCustomLazyStringTree::GetText(PLazyNode node, TColumnIndex column) {
    RTL_ASSERT_MSG(node, "Node must not be nil.");
    if (!node->States.Contains(nsInitialized)) Tree().InitNode(node);
    std::u16string text = defaultText_;
    if (OnGetText) OnGetText(*this, node, column, ttNormal, text);
    return text;
}

void TCustomLazyStringTree::SetText(PLazyNode node, TColumnIndex column, const std::u16string& text) {
    if (OnNewText) OnNewText(*this, node, column, text);
    if (Tree().UpdateCount() == 0) Tree().UpdateHorizontalScrollBar();
    DoNodeInvalidated(node);
    Tree().InvalidateNode(node);
}

void TCustomLazyStringTree::WriteNodeExtras(rtl::TStream& stream, PLazyNode node) {
    if (!stringOptions_.Contains(toSaveCaptions) || !node->States.Contains(nsInitialized)) return;
    const std::u16string text = GetText(node, Header().MainColumn());
    if (text.empty()) return;
    const int32_t header[2] = {TLazyTreeModel::kCaptionChunk, static_cast<int32_t>(text.size() * 2)};
    stream.WriteBuffer(header, sizeof header);
    stream.WriteBuffer(text.data(), static_cast<int64_t>(text.size() * 2));
}

bool TCustomLazyStringTree::ReadExtraChunk(rtl::TStream& stream, int chunkType, int chunkSize,
                                           PLazyNode node) {
    if (chunkType != TLazyTreeModel::kCaptionChunk) return false;
    std::u16string text(static_cast<std::size_t>(chunkSize / 2), u'\0');
    stream.ReadBuffer(text.data(), static_cast<int64_t>(text.size() * 2));
    SetText(node, Header().MainColumn(), text);
    return true;
}

// ---- The width cache ----

uint32_t* TCustomLazyStringTree::TextWidthCache(PLazyNode node) const {
    if (!node || node->IsRoot()) return nullptr;
    return reinterpret_cast<uint32_t*>(reinterpret_cast<std::byte*>(node) + textWidthOffset_);
}

int TCustomLazyStringTree::CachedTextWidth(PLazyNode node) const {
    const uint32_t* cache = TextWidthCache(node);
    return cache ? static_cast<int>(*cache) : 0;
}

void TCustomLazyStringTree::DoNodeInitialized(PLazyNode node) {
    if (uint32_t* cache = TextWidthCache(node)) *cache = 0;
}

void TCustomLazyStringTree::DoNodeInvalidated(PLazyNode node) {
    if (uint32_t* cache = TextWidthCache(node)) *cache = 0;
    node->States.Exclude(nsHeightMeasured);
}

// Walks every existing node without initialising any.
void TCustomLazyStringTree::ClearTextWidths() {
    auto& t = Tree();
    for (PLazyNode node = t.GetFirstNoInit(); node; node = t.GetNextNoInit(node))
        *TextWidthCache(node) = 0;
}

void TCustomLazyStringTree::FontChanged() {
    ellipsisWidth_ = 0;
    ClearTextWidths();
}

ui::TCanvas& TCustomLazyStringTree::MeasureCanvas() {
    ui::TCanvas& canvas = *measureBitmap_.Canvas();
    canvas.SetFont(Font());
    return canvas;
}

int TCustomLazyStringTree::DoTextMeasuring(ui::TCanvas& canvas, PLazyNode node, TColumnIndex column,
                                           const std::u16string& text) {
    int width = canvas.TextWidth(text);
    if (node->States.Contains(nsMultiline)) {
        ui::TRect r{0, 0, width, 0};
        canvas.DrawText(text, r, ui::DT_CALCRECT | ui::DT_WORDBREAK | ui::DT_EDITCONTROL | ui::DT_NOPREFIX);
        width = r.Width();
    }
    if (OnMeasureTextWidth) OnMeasureTextWidth(*this, canvas, node, column, text, width);
    return width;
}

int TCustomLazyStringTree::CalculateTextWidth(ui::TCanvas& canvas, PLazyNode node, TColumnIndex column,
                                              const std::u16string& text) {
    int width = 2 * textMargin_;
    if (text.empty()) return width;
    canvas.SetFont(Font());
    if (OnPaintText) OnPaintText(*this, canvas, node, column, ttNormal);
    return width + DoTextMeasuring(canvas, node, column, text);
}

int TCustomLazyStringTree::DoGetNodeWidth(PLazyNode node, TColumnIndex column) {
    if (node->States.Contains(nsMultiline) && Header().Columns().IsValidColumn(column))
        return Header().Columns()[column].Width();
    ui::TCanvas& canvas = MeasureCanvas();
    if (column != Header().MainColumn())
        return CalculateTextWidth(canvas, node, column, GetText(node, column));
    uint32_t* cache = TextWidthCache(node);
    if (!cache) return 0;
    if (*cache == 0)
        *cache = static_cast<uint32_t>(CalculateTextWidth(canvas, node, column, GetText(node, column)));
    return static_cast<int>(*cache);
}

int TCustomLazyStringTree::ComputeNodeHeight(PLazyNode node, TColumnIndex column, std::u16string text) {
    if (text.empty()) text = GetText(node, column);
    ui::TRect r{0, 0, ClientWidth(), 0};
    auto& columns = Header().Columns();
    if (columns.IsValidColumn(column)) {
        r.Left = textMargin_ + Tree().Margin() + NodeIndent(node, column);
        r.Right = columns[column].Width() - textMargin_;
        for (TColumnIndex next = columns.GetNextVisibleColumn(column);
             Tree().Options().AutoOptions.Contains(toAutoSpanColumns) && next >= 0 &&
             ColumnIsEmpty(node, next);
             next = columns.GetNextVisibleColumn(next))
            r.Right += columns[next].Width();
    }
    ui::TCanvas& canvas = MeasureCanvas();
    return canvas.DrawText(text, r, ui::DT_TOP | ui::DT_WORDBREAK | ui::DT_NOPREFIX | ui::DT_CALCRECT);
}

bool TCustomLazyStringTree::ColumnIsEmpty(PLazyNode node, TColumnIndex column) {
    if (!GetText(node, column).empty()) return false;
    return TBaseLazyTree::ColumnIsEmpty(node, column);
}

TColumnIndex TCustomLazyStringTree::AdjustPaintCellRect(TVTCellPaintInfo& info) {
    auto& columns = Header().Columns();
    if (!Tree().Options().AutoOptions.Contains(toAutoSpanColumns) || columns.Count() == 0 || info.RightToLeft)
        return TBaseLazyTree::AdjustPaintCellRect(info);
    TColumnIndex next = columns.GetNextVisibleColumn(info.Column);
    for (; next >= 0 && ColumnIsEmpty(info.Node, next); next = columns.GetNextVisibleColumn(next))
        info.CellRect.Right += columns[next].Width();
    return next;
}

std::u16string TCustomLazyStringTree::GetNodeHint(PLazyNode node, TColumnIndex column) {
    std::u16string text = TBaseLazyTree::GetNodeHint(node, column);
    if (OnGetHint) OnGetHint(*this, node, column, text);
    return text;
}

std::u16string TCustomLazyStringTree::GetNodeToolTip(PLazyNode node, TColumnIndex column) {
    return OnGetHint ? GetNodeHint(node, column) : GetText(node, column);
}

// ---- Painting ----

bool TCustomLazyStringTree::PaintTextChangedFont(ui::TCanvas& canvas, PLazyNode node, TColumnIndex column,
                                                 TVSTTextType type) {
    if (!OnPaintText) return false;
    ui::TFont before;
    before.Assign(canvas.Font());
    OnPaintText(*this, canvas, node, column, type);
    return !SameTextFont(before, *canvas.Font());
}

void TCustomLazyStringTree::DoPaintNode(TVTCellPaintInfo& info) {
    const std::u16string text = GetText(info.Node, info.Column);
    if (!text.empty()) PaintNormalText(info, text);
    if (Tree().Alignment() != taCenter && !info.Node->States.Contains(nsMultiline) &&
        stringOptions_.Contains(toShowStaticText)) {
        std::u16string staticText;
        if (OnGetText) OnGetText(*this, info.Node, info.Column, ttStatic, staticText);
        if (!staticText.empty()) PaintStaticText(info, staticText);
    }
}

void TCustomLazyStringTree::InitializeTextProperties(TVTCellPaintInfo& info) {
    ui::TCanvas& canvas = *info.Canvas;
    canvas.SetFont(Font());
    const auto& options = Tree().Options();
    // The explorer look marks hot and selected items with its own item, not with the text.
    const bool explorer = Tree().ExplorerLook();
    if (options.PaintOptions.Contains(toHotTrack) && info.Node == Tree().HotNode()) {
        if (!explorer) canvas.Font()->SetStyle(canvas.Font()->Style() + ui::TFontStyles{ui::fsUnderline});
        canvas.Font()->SetColor(Tree().Colors()[TVTColors::HotColor]);
    }
    if (explorer || !info.PaintOptions.Contains(pcSelection) ||
        (info.Column != Tree().FocusedColumn() && !options.SelectionOptions.Contains(toFullRowSelect)))
        return;
    const bool dropTarget = info.Node == DropTargetNode();
    if ((dropTarget && LastDropMode() == dmOnNode) ||
        (Tree().IsSelected(info.Node) &&
         (dropTarget || HasFocus() || options.PaintOptions.Contains(toPopupMode))))
        canvas.Font()->SetColor(ui::clHighlightText);
}

void TCustomLazyStringTree::PaintNormalText(TVTCellPaintInfo& info, std::u16string text) {
    InitializeTextProperties(info);
    ui::TCanvas& canvas = *info.Canvas;
    PLazyNode node = info.Node;
    ui::TRect r = info.ContentRect;
    r.Left += textMargin_;
    r.Right -= textMargin_;
    const ui::TTextFormat alignment = info.Alignment == taRightJustify ? ui::DT_RIGHT
                                      : info.Alignment == taCenter     ? ui::DT_CENTER
                                                                       : ui::DT_LEFT;
    ui::TTextFormat format;
    if (node->States.Contains(nsMultiline)) {
        if (OnPaintText) OnPaintText(*this, canvas, node, info.Column, ttNormal);
        format = ui::DT_WORDBREAK | ui::DT_EDITCONTROL | ui::DT_END_ELLIPSIS | ui::DT_NOPREFIX | alignment;
        if (info.RightToLeft) format |= ui::DT_RTLREADING;
    } else {
        if (ellipsisWidth_ == 0) ellipsisWidth_ = MeasureCanvas().TextWidth(kEllipsis);
        int ellipsisWidth = ellipsisWidth_;
        int nodeWidth = info.NodeWidth;
        if (PaintTextChangedFont(canvas, node, info.Column, ttNormal)) {
            // Measured again in the handler's font.
            ellipsisWidth = 0;
            nodeWidth = 2 * textMargin_ + canvas.TextWidth(text);
        }
        format = ui::DT_SINGLELINE | ui::DT_VCENTER | ui::DT_NOPREFIX;
        if (info.RightToLeft) format |= ui::DT_RTLREADING;
        if (info.Column < 0) {
            format |= alignment;
        } else if (r.Width() < nodeWidth - 2 * textMargin_) {
            text = DoShortenString(canvas, node, info.Column, text, r.Width(), ellipsisWidth);
            // A shortened text fills the cell: centred it starts at the left.
            if (alignment == ui::DT_RIGHT) format |= ui::DT_RIGHT;
        } else {
            format |= alignment;
        }
    }
    if (node->States.Contains(nsDisabled) || !Tree().Enabled())
        canvas.Font()->SetColor(Tree().Colors()[TVTColors::DisabledColor]);
    canvas.Brush()->SetStyle(ui::bsClear);
    DoTextDrawing(info, text, r, format);
}

void TCustomLazyStringTree::PaintStaticText(TVTCellPaintInfo& info, const std::u16string& text) {
    ui::TCanvas& canvas = *info.Canvas;
    canvas.SetFont(Font());
    const auto& options = Tree().Options();
    if (options.SelectionOptions.Contains(toFullRowSelect) && Tree().IsSelected(info.Node) &&
        (HasFocus() || options.PaintOptions.Contains(toPopupMode)))
        canvas.Font()->SetColor(ui::clHighlightText);
    if (OnPaintText) OnPaintText(*this, canvas, info.Node, info.Column, ttStatic);
    if (info.Node->States.Contains(nsDisabled) || !Tree().Enabled())
        canvas.Font()->SetColor(Tree().Colors()[TVTColors::DisabledColor]);
    ui::TRect r = info.ContentRect;
    if (info.Alignment == taRightJustify)
        r.Right -= info.NodeWidth + textMargin_;
    else
        r.Left += info.NodeWidth + textMargin_;
    canvas.Brush()->SetStyle(ui::bsClear);
    canvas.DrawText(text, r,
                    ui::DT_SINGLELINE | ui::DT_VCENTER | ui::DT_NOPREFIX |
                        (info.RightToLeft ? ui::DT_RTLREADING | ui::DT_RIGHT : 0));
}

void TCustomLazyStringTree::DoTextDrawing(TVTCellPaintInfo& info, const std::u16string& text, ui::TRect r,
                                          ui::TTextFormat format) {
    bool defaultDraw = true;
    if (OnDrawText) OnDrawText(*this, *info.Canvas, info.Node, info.Column, text, r, defaultDraw);
    if (defaultDraw) info.Canvas->DrawText(text, r, format);
}

std::u16string TCustomLazyStringTree::DoShortenString(ui::TCanvas& canvas, PLazyNode node,
                                                      TColumnIndex column, const std::u16string& text,
                                                      int width, int ellipsisWidth) {
    std::u16string result;
    bool done = false;
    if (OnShortenString) OnShortenString(*this, canvas, node, column, text, width, result, done);
    if (done) return result;
    return ShortenString([&canvas](std::u16string_view s) { return canvas.TextWidth(s); }, text, width,
                         ellipsisWidth);
}

PVTEditLink TCustomLazyStringTree::DoCreateEditor(PLazyNode node, TColumnIndex column) {
    if (OnCreateEditor) return TBaseLazyTree::DoCreateEditor(node, column);
    return std::make_shared<TStringEditLink>();
}

int TCustomLazyStringTree::DoIncrementalSearch(PLazyNode node, const std::u16string& searchText) {
    if (Tree().OnIncrementalSearch) return TBaseLazyTree::DoIncrementalSearch(node, searchText);
    return GetText(node, Tree().FocusedColumn()).starts_with(searchText) ? 0 : 1;
}

} // namespace lazytree
