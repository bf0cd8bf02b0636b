#include "lazytree/BaseLazyTree.h"

#include "lazytree/LazyTreeUtils.h"
#include "lazytree/ScopeExit.h"
#include "platform/ui/ImageList.h"

#include <algorithm>
#include <cmath>

namespace lazytree {

namespace {

constexpr uint8_t kDottedPattern[8] = {0x55, 0xAA, 0x55, 0xAA, 0x55, 0xAA, 0x55, 0xAA};
constexpr uint8_t kSolidPattern[8] = {};

enum TButtonSlot { bnCollapsed, bnExpanded, bnHotCollapsed, bnHotExpanded };

} // namespace

// ---- Glyphs ----

void TBaseLazyTree::PrepareButtons() {
    const bool themed = tree_.TreeStates().Contains(tsUseThemes);
    const bool explorer = tree_.ExplorerLook();
    if (buttonsValid_ && buttonsThemed_ == themed && buttonsExplorer_ == explorer) return;
    buttonsValid_ = true;
    buttonsThemed_ = themed;
    buttonsExplorer_ = explorer;
    const int size = kDefaultButtonSize;
    const ui::TRect whole{0, 0, size, size};
    for (int expanded = 0; expanded < 2; ++expanded) {
        ui::TBitmap& bitmap = buttons_[expanded ? bnExpanded : bnCollapsed];
        ui::TBitmap& hotBitmap = buttons_[expanded ? bnHotExpanded : bnHotCollapsed];
        bitmap.SetPixelFormat(ui::pf32bit);
        bitmap.SetSize(size, size);
        // The theme's glyph is smoothed into its background: it stands on the column's colour.
        const auto drawThemed = [&](ui::TBitmap& target, bool hot) {
            ui::TCanvas& canvas = *target.Canvas();
            canvas.Brush()->SetStyle(ui::bsSolid);
            canvas.Brush()->SetColor(MainColumnColor());
            canvas.FillRect(whole);
            ui::DrawThemedTreeGlyph(canvas, whole, expanded, hot);
        };
        ui::TCanvas& c = *bitmap.Canvas();
        c.Brush()->SetStyle(ui::bsSolid);
        c.Brush()->SetColor(ui::clFuchsia);
        c.FillRect(whole);
        if (themed) {
            drawThemed(bitmap, false);
        } else if (buttonStyle_ == bsTriangle) {
            c.Pen()->SetColor(ui::clBlack);
            c.Brush()->SetColor(ui::clBlack);
            if (expanded)
                c.Polygon({{0, 2}, {8, 2}, {4, 6}});
            else
                c.Polygon({{2, 0}, {6, 4}, {2, 8}});
        } else {
            // No authored shaded bitmaps: the shaded mode is drawn like the window-coloured one.
            switch (buttonFillMode_) {
            case fmTreeColor:
                c.Brush()->SetColor(TreeColor());
                break;
            case fmWindowColor:
            case fmShaded:
                c.Brush()->SetColor(ui::clWindow);
                break;
            case fmTransparent:
                c.Brush()->SetStyle(ui::bsClear);
                break;
            }
            c.Pen()->SetColor(tree_.Colors()[TVTColors::TreeLineColor]);
            c.Rectangle(0, 0, size, size);
            c.Pen()->SetColor(Font()->Color());
            c.MoveTo(2, size / 2);
            c.LineTo(size - 2, size / 2);
            if (!expanded) {
                c.MoveTo(size / 2, 2);
                c.LineTo(size / 2, size - 2);
            }
        }
        bitmap.SetTransparentColor(ui::clFuchsia);
        bitmap.SetTransparentMode(ui::tmFixed);
        bitmap.SetTransparent(true);
        hotBitmap.Assign(&bitmap);
        if (explorer) drawThemed(hotBitmap, true);
    }
}

const ui::TBitmap& TBaseLazyTree::ButtonBitmap(bool expanded, bool hot) {
    PrepareButtons();
    return buttons_[hot ? (expanded ? bnHotExpanded : bnHotCollapsed)
                        : (expanded ? bnExpanded : bnCollapsed)];
}

const ui::TBitmap& TBaseLazyTree::LinePattern(ui::TColor fore, ui::TColor back) {
    const auto key = std::make_pair(ui::ColorToRGB(fore), ui::ColorToRGB(back));
    if (auto it = linePatterns_.find(key); it != linePatterns_.end()) return it->second;
    const uint8_t* bits = lineStyle_ == lsSolid ? kSolidPattern : kDottedPattern;
    if (lineStyle_ == lsCustomStyle && OnGetLineStyle) OnGetLineStyle(*this, bits);
    ui::TBitmap& pattern = linePatterns_[key];
    pattern.SetPixelFormat(ui::pf32bit);
    pattern.SetSize(8, 8);
    for (int y = 0; y < 8; ++y)
        for (int x = 0; x < 8; ++x)
            pattern.Canvas()->SetPixel(x, y, (bits[y] >> (7 - x)) & 1 ? key.second : key.first);
    return pattern;
}

// Tree lines are filled with the pattern: its 0 bits take the font colour, its 1 bits the tree's colour.
void TBaseLazyTree::FillLine(ui::TCanvas& canvas, const ui::TRect& band) {
    ui::TBrush* brush = canvas.Brush();
    brush->SetBitmap(&LinePattern(canvas.Font()->Color(), TreeColor()));
    canvas.FillRect(band);
    brush->SetBitmap(nullptr);
}

void TBaseLazyTree::DrawDottedHLine(TVTCellPaintInfo& info, int left, int right, int top) {
    FillLine(*info.Canvas, {std::min(left, right), top, std::max(left, right) + 1, top + 1});
}

void TBaseLazyTree::DrawDottedVLine(TVTCellPaintInfo& info, int top, int bottom, int left) {
    FillLine(*info.Canvas, {left, std::min(top, bottom), left + 1, std::max(top, bottom) + 1});
}

void TBaseLazyTree::DrawLineImage(TVTCellPaintInfo& info, int x, int y, int height, int vAlign,
                                  TVTLineType type) {
    const int indent = tree_.Indent();
    const int mid = x + indent / 2;
    const int middle = y + vAlign;
    const int bottom = y + height;
    ui::TCanvas& c = *info.Canvas;
    const auto vertical = [&](int from, int to, int at) { FillLine(c, {at, from, at + 1, to}); };
    const bool reverse = info.RightToLeft;
    // Right to left the horizontal runs from the cell's left edge to the vertical.
    const auto horizontal = [&] {
        FillLine(c, reverse ? ui::TRect{x, middle, mid + 1, middle + 1}
                            : ui::TRect{mid, middle, x + indent, middle + 1});
    };
    const int leftEdge = reverse ? x + indent : x;
    switch (type) {
    case ltBottomRight:
        vertical(middle, bottom, mid);
        horizontal();
        break;
    case ltTopDown:
        vertical(y, bottom, mid);
        break;
    case ltTopDownRight:
        vertical(y, bottom, mid);
        horizontal();
        break;
    case ltRight:
        horizontal();
        break;
    case ltTopRight:
        vertical(y, middle, mid);
        horizontal();
        break;
    case ltLeft:
        vertical(y, bottom, leftEdge);
        break;
    case ltLeftBottom:
        vertical(y, bottom, leftEdge);
        FillLine(c, {x, bottom - 1, x + indent, bottom});
        break;
    case ltNone:
        break;
    }
}

void TBaseLazyTree::PaintTreeLines(TVTCellPaintInfo& info, int vAlign, const TLineImage& lineImage) {
    PLazyNode node = info.Node;
    int height = node->NodeHeight;
    TLineImage pieces = lineImage;
    if (lineMode_ == lmBands) {
        if (!info.PaintOptions.Contains(pcGridLines)) return;
        pieces = BandImage(lineImage,
                           node->States.Contains(nsExpanded) && !node->States.Contains(nsAllChildrenHidden));
        info.Canvas->Font()->SetColor(tree_.Colors()[TVTColors::GridLineColor]);
        --height;
    } else {
        info.Canvas->Font()->SetColor(tree_.Colors()[TVTColors::TreeLineColor]);
    }
    const int step = info.RightToLeft ? -tree_.Indent() : tree_.Indent();
    int x = info.RightToLeft ? info.CellRect.Right - tree_.Indent() : info.CellRect.Left;
    for (TVTLineType piece : pieces) {
        DrawLineImage(info, x, info.CellRect.Top, height, vAlign, piece);
        x += step;
    }
}

void TBaseLazyTree::PaintNodeButton(TVTCellPaintInfo& info, int buttonX, int buttonY) {
    const bool hot =
        tree_.Options().PaintOptions.Contains(toHotTrack) && info.Node == tree_.HotNode() && hotButton_;
    const ui::TBitmap& bitmap = ButtonBitmap(info.Node->States.Contains(nsExpanded), hot);
    const int x =
        info.RightToLeft ? info.CellRect.Right - buttonX - bitmap.Width() : info.CellRect.Left + buttonX;
    info.Canvas->Draw(x, info.CellRect.Top + buttonY, &bitmap);
}

void TBaseLazyTree::GetImageIndex(TVTCellPaintInfo& info, TVTImageKind kind, TVTImageSlotIndex slot,
                                  ui::TCustomImageList* defaultImages) {
    TVTImageSlot& s = info.ImageSlots[slot];
    s.Index = -1;
    s.Ghosted = false;
    s.Images = nullptr;
    if (OnGetImageIndexEx)
        OnGetImageIndexEx(*this, info.Node, kind, info.Column, s.Ghosted, s.Index, s.Images);
    else if (OnGetImageIndex)
        OnGetImageIndex(*this, info.Node, kind, info.Column, s.Ghosted, s.Index);
    if (!s.Images) s.Images = defaultImages;
}

bool TBaseLazyTree::HasImage(PLazyNode node, TVTImageKind kind, TColumnIndex column) {
    TVTCellPaintInfo info;
    info.Node = node;
    info.Column = column;
    GetImageIndex(info, kind, isNormal, nullptr);
    return info.ImageSlots[isNormal].Index >= 0;
}

void TBaseLazyTree::PaintImage(TVTCellPaintInfo& info, TVTImageSlotIndex slot, bool doOverlay) {
    PLazyNode node = info.Node;
    TVTImageSlot& image = info.ImageSlots[slot];
    if (!image.Images || image.Index < 0 || image.Index >= image.Images->Count()) return;
    const auto& options = tree_.Options();
    const bool cutNode = node->States.Contains(nsCutOrCopy) && tree_.TreeStates().Contains(tsCutPending);
    const bool paintFocused = HasFocus() || options.PaintOptions.Contains(toGhostedIfUnfocused);
    TVTImageSlot& overlay = info.ImageSlots[isOverlay];
    if (doOverlay)
        GetImageIndex(info, ikOverlay, isOverlay, images_);
    else
        overlay.Index = -1;
    const bool enabled = !node->States.Contains(nsDisabled) && tree_.Enabled();
    const bool selected = tree_.IsSelected(node);
    image.Images->SetBlendColor(selected && !image.Ghosted ? ui::clDefault : TreeColor());
    ui::TImageDrawStyle style = ui::ILD_TRANSPARENT;
    if (overlay.Index >= 0 && overlay.Index < ui::kMaxOverlays)
        style |= ui::IndexToOverlayMask(overlay.Index);
    const bool fullRow =
        options.SelectionOptions.Contains(toFullRowSelect) || options.MiscOptions.Contains(toGridExtensions);
    if (paintFocused && options.PaintOptions.Contains(toUseBlendedImages) &&
        (image.Ghosted || (selected && !fullRow) || cutNode))
        style |= ui::ILD_BLEND50;
    const ui::TImageDrawStyle maskStyle = image.Images->ImageType() == ui::itMask ? ui::ILD_MASK : 0;
    image.Images->DrawIndirect(*info.Canvas, image.XPos, image.YPos, image.Index, style | maskStyle, enabled);
    // Overlays past the list's own slots are drawn as images of their own.
    if (overlay.Index >= ui::kMaxOverlays && overlay.Images && overlay.Index < overlay.Images->Count())
        overlay.Images->DrawIndirect(*info.Canvas, image.XPos, image.YPos, overlay.Index,
                                     style & ~ui::ILD_OVERLAYMASK, enabled);
}

// ---- The paint cycle ----

void TBaseLazyTree::Paint() {
    const ui::TRect update = Canvas()->ClipRect();
    if (update.IsEmpty()) return;
    // Right to left the columns keep to the right edge.
    const int rtlOffset = RTLOffset();
    const int offsetX = EffectiveOffsetX() - rtlOffset, offsetY = tree_.OffsetY();
    const auto paintArea = [&](const ui::TRect& r, int scrollX) {
        PaintTree(*Canvas(), {r.Left + scrollX, r.Top - offsetY, r.Right + scrollX, r.Bottom - offsetY},
                  {r.Left, r.Top}, kScreenPaintOptions);
    };
    const int fixedWidth = header_.Columns().GetVisibleFixedWidth();
    if (fixedWidth == 0) {
        paintArea(update, offsetX);
        return;
    }
    // Fixed columns do not scroll: they and the rest are painted apart.
    const ui::TRect client = ClientRect();
    paintArea({0, client.Top, fixedWidth, client.Bottom}, -rtlOffset);
    if (client.Right > fixedWidth) paintArea({fixedWidth, client.Top, client.Right, client.Bottom}, offsetX);
}

int TBaseLazyTree::DoGetNodeWidth(PLazyNode, TColumnIndex) {
    return 0;
}

bool TBaseLazyTree::ColumnIsEmpty(PLazyNode node, TColumnIndex column) {
    bool isEmpty = true;
    if (OnGetCellIsEmpty) OnGetCellIsEmpty(*this, node, column, isEmpty);
    return isEmpty;
}

TColumnIndex TBaseLazyTree::AdjustPaintCellRect(TVTCellPaintInfo& info) {
    return header_.Columns().GetNextVisibleColumn(info.Column);
}

int TBaseLazyTree::NodeIndent(PLazyNode node, TColumnIndex column) const {
    if (column != header_.MainColumn()) return 0;
    const auto& paint = tree_.Options().PaintOptions;
    if (paint.Contains(toFixedIndent)) return tree_.Indent();
    return (tree_.GetNodeLevel(node) + (paint.Contains(toShowRoot) ? 1 : 0)) * tree_.Indent();
}

void TBaseLazyTree::PaintTree(ui::TCanvas& canvas, const ui::TRect& window, ui::TPoint target,
                              TVTPaintCallOptions options) {
    if (tree_.TreeStates().Contains(tsPainting)) return;
    tree_.DoStateChange({tsPainting});
    TScopeExit leave([this] { tree_.DoStateChange({}, {tsPainting}); });
    if (OnBeforePaint) OnBeforePaint(*this, canvas);

    const auto& paint = tree_.Options().PaintOptions;
    if (paint.Contains(toAlwaysHideSelection) || (!HasFocus() && paint.Contains(toHideSelection)))
        options.Exclude(pcSelection);
    if (paint.Contains(toHideFocusRect)) options.Exclude(pcFocusRect);
    const bool useColumns = header_.Columns().Count() > 0;
    PrepareButtons();

    int nodeTop = 0;
    PLazyNode node = tree_.GetNodeAt(0, window.Top, false, &nodeTop);
    if (!node) nodeTop = window.Top;
    int rowTop = target.Y + nodeTop - window.Top;
    const int targetBottom = target.Y + window.Height();
    while (node && rowTop < targetBottom) {
        TLineImage lineImage;
        int selectLevel = DetermineLineImage(tree_, node, lineImage, tree_.TreeLinesHiddenByTheme());
        if (!node->States.Contains(nsInitialized)) tree_.InitNode(node);
        if (tree_.IsSelected(node) && !paint.Contains(toChildrenAbove)) ++selectLevel;
        tree_.MeasureItemHeight(node);
        const int height = node->NodeHeight;
        if (selectLevel > 0 || !options.Contains(pcSelectedOnly)) {
            rowBitmap_.SetPixelFormat(ui::pf32bit);
            rowBitmap_.SetSize(window.Width(), height);
            ui::TCanvas& row = *rowBitmap_.Canvas();
            row.SetWindowOrg({window.Left, 0});
            row.SetBrushOrigin({0, nodeTop & 1});
            TVTCellPaintInfo info;
            info.Canvas = &row;
            info.Node = node;
            info.BrushOrigin = {window.Left & 1, nodeTop & 1};
            PaintRow(row, info, window, nodeTop, options, useColumns, lineImage);
            row.SetWindowOrg({0, 0});
            canvas.Draw(target.X, rowTop, &rowBitmap_);
        }
        rowTop += height;
        nodeTop += height;
        node = tree_.GetNextVisible(node, true);
    }
    if (rowTop < targetBottom)
        PaintRemainingArea(canvas, {target.X, rowTop}, targetBottom - rowTop, window, nodeTop, options,
                           useColumns);
    if (OnAfterPaint) OnAfterPaint(*this, canvas);
}

void TBaseLazyTree::EraseItem(ui::TCanvas& canvas, PLazyNode node, ui::TRect r, TVTPaintCallOptions options) {
    ui::TColor color = TreeColor();
    TItemEraseAction action = eaDefault;
    if (OnBeforeItemErase) OnBeforeItemErase(*this, canvas, node, r, color, action);
    const auto& treeOptions = tree_.Options();
    switch (action) {
    case eaNone:
        break;
    case eaColor:
        canvas.Brush()->SetStyle(ui::bsSolid);
        canvas.Brush()->SetColor(color);
        canvas.FillRect(r);
        break;
    case eaDefault:
        canvas.Brush()->SetStyle(ui::bsSolid);
        if (options.Contains(pcSelection) && treeOptions.SelectionOptions.Contains(toFullRowSelect) &&
            tree_.IsSelected(node) && !treeOptions.PaintOptions.Contains(toUseBlendedSelection) &&
            !tree_.ExplorerLook()) {
            canvas.Brush()->SetColor(TreeColor());
            canvas.FillRect(r);
            const bool focused = HasFocus() || treeOptions.PaintOptions.Contains(toPopupMode);
            const auto& colors = tree_.Colors();
            canvas.Brush()->SetColor(focused ? colors[TVTColors::FocusedSelectionColor]
                                             : colors[TVTColors::UnfocusedSelectionColor]);
            canvas.Pen()->SetColor(focused ? colors[TVTColors::FocusedSelectionBorderColor]
                                           : colors[TVTColors::UnfocusedSelectionBorderColor]);
            if (treeOptions.PaintOptions.Contains(toShowHorzGridLines)) --r.Bottom;
            canvas.RoundRect(r.Left, r.Top, r.Right, r.Bottom, selectionCurveRadius_, selectionCurveRadius_);
        } else {
            canvas.Brush()->SetColor(TreeColor());
            canvas.FillRect(r);
        }
        break;
    }
    if (OnAfterItemErase) OnAfterItemErase(*this, canvas, node, r);
}

void TBaseLazyTree::PaintRow(ui::TCanvas& canvas, TVTCellPaintInfo& info, const ui::TRect& window,
                             int nodeTop, TVTPaintCallOptions options, bool useColumns,
                             const TLineImage& lineImage) {
    PLazyNode node = info.Node;
    const auto& treeOptions = tree_.Options();
    const auto& paint = treeOptions.PaintOptions;
    const int height = node->NodeHeight;
    const int indent = tree_.Indent();
    const ui::TRect itemRect{0, 0, std::max(ClientWidth(), tree_.RangeX()), height};
    const ui::TBitmap& button = ButtonBitmap(false, false);
    const int indentLevels = static_cast<int>(lineImage.size());
    const int buttonX = static_cast<int>(std::lround((indent - button.Width()) / 2.0)) +
                        (paint.Contains(toFixedIndent) ? 0 : std::max(0, indentLevels - 1) * indent);
    const TColumnIndex mainColumn = header_.MainColumn();
    int imageHeight = 0;
    if (images_ && HasImage(node, tree_.IsSelected(node) ? ikSelected : ikNormal, mainColumn))
        imageHeight = images_->Height();
    else if (stateImages_ && HasImage(node, ikState, mainColumn))
        imageHeight = stateImages_->Height();
    const TVerticalAlignment align = ComputeVerticalAlignment(
        nodeAlignment_, height, node->Align, imageHeight, paint.Contains(toShowButtons), button.Height());

    bool customDraw = false;
    if (OnBeforeItemPaint) OnBeforeItemPaint(*this, canvas, node, itemRect, customDraw);
    if (!customDraw) {
        info.PaintOptions = options;
        EraseItem(canvas, node, {window.Left, 0, window.Right, height}, options);
        auto& columns = header_.Columns();
        info.CellRect = itemRect;
        TColumnIndex column = NoColumn;
        if (useColumns) {
            column = InvalidColumn;
            for (int p = 0; p < columns.Count() && column == InvalidColumn; ++p)
                if (columns[columns.ColumnFromPosition(p)].Visible()) column = columns.ColumnFromPosition(p);
            if (column == InvalidColumn) {
                info.CellRect.Right = info.CellRect.Left;
            } else {
                info.CellRect.Left = columns[column].Left();
                info.CellRect.Right = info.CellRect.Left + columns[column].Width();
            }
        }
        const bool editing = tree_.TreeStates().Contains(tsEditing) && node == tree_.FocusedNode();
        while ((column >= NoColumn || !useColumns) && info.CellRect.Left < window.Right) {
            info.Column = column;
            info.Position = useColumns ? static_cast<int>(columns[column].Position()) : 0;
            info.Alignment =
                useColumns ? static_cast<TAlignment>(columns[column].Look().Alignment) : tree_.Alignment();
            info.RightToLeft = CellRightToLeft(column);
            if (info.RightToLeft) info.Alignment = MirroredAlignment(info.Alignment);
            info.PaintOptions = options;
            const bool editedCell = editing && (!useColumns || column == editColumn_);
            if (editedCell) info.PaintOptions.Exclude(pcSelection);
            if (!useColumns || columns[column].Options().Contains(coParentColor) ||
                (tree_.IsSelected(node) && treeOptions.SelectionOptions.Contains(toFullRowSelect) &&
                 info.PaintOptions.Contains(pcSelection)))
                info.PaintOptions.Exclude(pcColumnColor);
            const bool isMain = column == mainColumn;
            TColumnIndex next;
            if ((useColumns && !columns[column].Visible()) ||
                (options.Contains(pcMainColumnOnly) && !isMain)) {
                next = useColumns ? columns.GetNextVisibleColumn(column) : InvalidColumn;
            } else {
                next = AdjustPaintCellRect(info);
                if (window.Left < info.CellRect.Right) {
                    info.NodeWidth = DoGetNodeWidth(node, column);
                    info.ContentRect = info.CellRect;
                    if (info.RightToLeft)
                        info.ContentRect.Right -= tree_.Margin();
                    else
                        info.ContentRect.Left += tree_.Margin();
                    info.ImageSlots[isCheck].Index = -1;
                    if (isMain && checkImages_ && treeOptions.MiscOptions.Contains(toCheckSupport)) {
                        TVTImageSlot& check = info.ImageSlots[isCheck];
                        check.Index = tree_.GetCheckImage(node);
                        check.Images = checkImages_;
                        check.Ghosted = false;
                        if (check.Index >= 0) {
                            const ui::TPoint p =
                                PlaceImage(info.ContentRect, {checkImages_->Width(), checkImages_->Height()},
                                           info.RightToLeft, align.Lines);
                            check.XPos = p.X;
                            check.YPos = p.Y;
                        }
                    }
                    const auto slotFor = [&](TVTImageKind kind, TVTImageSlotIndex slot,
                                             ui::TCustomImageList* list) {
                        info.ImageSlots[slot].Index = -1;
                        if (!list) return;
                        GetImageIndex(info, kind, slot, list);
                        if (info.ImageSlots[slot].Index < 0) return;
                        // Laid out with the tree's own list, whatever list the event supplied.
                        const ui::TPoint p = PlaceImage(info.ContentRect, {list->Width(), list->Height()},
                                                        info.RightToLeft, align.Lines);
                        info.ImageSlots[slot].XPos = p.X;
                        info.ImageSlots[slot].YPos = p.Y;
                    };
                    slotFor(ikState, isState, stateImages_);
                    slotFor(tree_.IsSelected(node) ? ikSelected : ikNormal, isNormal, images_);
                    if (isMain) {
                        int shift = indent * (paint.Contains(toFixedIndent) ? 1 : indentLevels);
                        if (info.RightToLeft) {
                            info.ContentRect.Right -= shift;
                            shift = -shift;
                        } else {
                            info.ContentRect.Left += shift;
                        }
                        for (int slot = isNormal; slot <= isCheck; ++slot)
                            info.ImageSlots[slot].XPos += shift;
                    }
                    if (useColumns) {
                        canvas.SaveState();
                        canvas.IntersectClipRect(info.CellRect);
                    }
                    if (info.PaintOptions.Contains(pcGridLines) && paint.Contains(toShowHorzGridLines)) {
                        canvas.Font()->SetColor(tree_.Colors()[TVTColors::GridLineColor]);
                        if (!isMain || lineMode_ == lmNormal) {
                            DrawDottedHLine(info, info.CellRect.Left, info.CellRect.Right,
                                            info.CellRect.Bottom - 1);
                        } else {
                            const int levels = paint.Contains(toFixedIndent) ? 1 : indentLevels;
                            if (info.RightToLeft)
                                DrawDottedHLine(info, info.CellRect.Left,
                                                info.CellRect.Right - levels * indent - 1,
                                                info.CellRect.Bottom - 1);
                            else
                                DrawDottedHLine(info, info.CellRect.Left + levels * indent,
                                                info.CellRect.Right - 1, info.CellRect.Bottom - 1);
                        }
                        --info.CellRect.Bottom;
                        info.ContentRect.Bottom = info.CellRect.Bottom;
                    }
                    if (useColumns && info.PaintOptions.Contains(pcGridLines) &&
                        paint.Contains(toShowVertGridLines) &&
                        (!header_.Options().Contains(hoAutoResize) || info.Position < columns.Count() - 1)) {
                        // A right-to-left text may run on into an empty neighbour: no line through it.
                        if (!info.RightToLeft || !ColumnIsEmpty(node, column)) {
                            canvas.Font()->SetColor(tree_.Colors()[TVTColors::GridLineColor]);
                            DrawDottedVLine(info, info.CellRect.Top, info.CellRect.Bottom,
                                            info.CellRect.Right - 1);
                        }
                        --info.CellRect.Right;
                        info.ContentRect.Right = std::min(info.ContentRect.Right, info.CellRect.Right);
                    }
                    PaintCellSelection(info, window.Left);
                    if (isMain) {
                        if (paint.Contains(toShowTreeLines) && !tree_.TreeLinesHiddenByTheme())
                            PaintTreeLines(info, align.Lines, lineImage);
                        if (paint.Contains(toShowButtons) && node->States.Contains(nsHasChildren) &&
                            (!node->States.Contains(nsAllChildrenHidden) ||
                             !treeOptions.AutoOptions.Contains(toAutoHideButtons)))
                            PaintNodeButton(info, buttonX, align.Button);
                        const TVTImageSlot& check = info.ImageSlots[isCheck];
                        if (check.Index >= 0 && check.Index < checkImages_->Count())
                            checkImages_->Draw(canvas, check.XPos, check.YPos, check.Index);
                    }
                    PaintImage(info, isState, false);
                    PaintImage(info, isNormal, true);
                    if (!editedCell) DoPaintNode(info);
                    if (OnAfterCellPaint) OnAfterCellPaint(*this, canvas, node, column, info.CellRect);
                    if (useColumns) canvas.RestoreState();
                }
            }
            if (!useColumns || info.CellRect.Left >= window.Right || next == InvalidColumn) break;
            column = next;
            info.CellRect.Left = columns[column].Left();
            info.CellRect.Right = info.CellRect.Left + columns[column].Width();
            info.CellRect.Bottom = height;
        }
    }
    if (OnAfterItemPaint) OnAfterItemPaint(*this, canvas, node, itemRect);
    if (node == dropTargetNode_ && options.Contains(pcDropMark) &&
        tree_.Options().PaintOptions.Contains(toShowDropmark))
        PaintDropMark(canvas, itemRect);
    if (tree_.IsMouseSelecting() && !tree_.SelectionRect().IsEmpty()) {
        ui::TRect band = NormalizeRect(tree_.SelectionRect());
        band.Top -= nodeTop;
        band.Bottom -= nodeTop;
        PaintSelectionRectangle(rowBitmap_, window.Left, band);
    }
}

void TBaseLazyTree::BlendRect(ui::TBitmap& bitmap, ui::TRect r, int originX, ui::TColor color) {
    r = {std::max(0, r.Left - originX), std::max(0, r.Top), std::min(bitmap.Width(), r.Right - originX),
         std::min(bitmap.Height(), r.Bottom)};
    if (r.IsEmpty()) return;
    AlphaBlend(bitmap, bitmap, r, {r.Left, r.Top}, bmConstantAlphaAndColor, selectionBlendFactor_,
               static_cast<int>(ui::ColorToRGB(color)));
}

void TBaseLazyTree::PaintSelectionRectangle(ui::TBitmap& bitmap, int originX, const ui::TRect& band) {
    ui::TCanvas& c = *bitmap.Canvas();
    if (drawSelectionMode_ != smBlendedRectangle && !tree_.TreeStates().Contains(tsUseThemes)) {
        c.DrawFocusRect(band);
        return;
    }
    const auto& colors = tree_.Colors();
    BlendRect(bitmap, band, originX, colors[TVTColors::SelectionRectangleBlendColor]);
    c.Brush()->SetStyle(ui::bsSolid);
    c.Brush()->SetColor(colors[TVTColors::SelectionRectangleBorderColor]);
    c.FrameRect(band);
}

void TBaseLazyTree::PaintCellSelection(TVTCellPaintInfo& info, int windowOrgX) {
    ui::TCanvas& c = *info.Canvas;
    const auto& treeOptions = tree_.Options();
    const bool gridExtensions = treeOptions.MiscOptions.Contains(toGridExtensions);
    const bool fullRow = treeOptions.SelectionOptions.Contains(toFullRowSelect);
    if (info.PaintOptions.Contains(pcColumnColor) && info.Column >= 0) {
        c.Brush()->SetStyle(ui::bsSolid);
        c.Brush()->SetColor(header_.Columns()[info.Column].Look().Color);
        c.FillRect(info.CellRect);
    }
    if (OnBeforeCellPaint)
        OnBeforeCellPaint(*this, c, info.Node, info.Column, cpmPaint, info.CellRect, info.ContentRect);
    ui::TRect inner = info.ContentRect;
    if (!gridExtensions && info.NodeWidth < inner.Width()) {
        switch (info.Alignment) {
        case taLeftJustify:
            inner.Right = inner.Left + info.NodeWidth;
            break;
        case taRightJustify:
            inner.Left = inner.Right - info.NodeWidth;
            break;
        case taCenter:
            inner.Left = (inner.Left + inner.Right - info.NodeWidth) / 2;
            inner.Right = inner.Left + info.NodeWidth;
            break;
        }
    }
    const bool inFocusedCell = info.Column == tree_.FocusedColumn() || fullRow;
    const bool focused = HasFocus() || treeOptions.PaintOptions.Contains(toPopupMode);
    const bool selected = tree_.IsSelected(info.Node);
    // A drop target shows as one while the drop goes onto it (or it is selected anyway).
    const bool dropTarget = info.Node == dropTargetNode_ && (lastDropMode_ == dmOnNode || selected);
    // The explorer look draws one themed item across the whole row (as wide as the rows are painted),
    // cut to each cell.
    const bool explorer = tree_.ExplorerLook();
    ui::TRect rowRect{0, info.CellRect.Top, std::max(ClientWidth(), tree_.RangeX()), info.CellRect.Bottom};
    if (treeOptions.PaintOptions.Contains(toShowVertGridLines)) --rowRect.Right;
    const bool rowWide = gridExtensions || fullRow;
    const bool hotCell = treeOptions.PaintOptions.Contains(toHotTrack) && info.Node == tree_.HotNode() &&
                         (info.Column == hotColumn_ || fullRow);
    if (inFocusedCell && info.PaintOptions.Contains(pcSelection) && (selected || dropTarget)) {
        if (rowWide) inner = info.CellRect;
        if (explorer && !dropTarget) {
            if (!inner.IsEmpty() && !hotCell)
                PaintExplorerItem(info, rowWide ? rowRect : inner, rowWide,
                                  HasFocus() ? ui::TThemedTreeItem::Selected
                                             : ui::TThemedTreeItem::SelectedNotFocus);
        } else if (!inner.IsEmpty()) {
            const auto& colors = tree_.Colors();
            using C = TVTColors;
            c.Brush()->SetStyle(ui::bsSolid);
            c.Brush()->SetColor(colors[dropTarget ? C::DropTargetColor
                                       : focused  ? C::FocusedSelectionColor
                                                  : C::UnfocusedSelectionColor]);
            c.Pen()->SetColor(colors[dropTarget ? C::DropTargetBorderColor
                                     : focused  ? C::FocusedSelectionBorderColor
                                                : C::UnfocusedSelectionBorderColor]);
            if (treeOptions.PaintOptions.Contains(toUseBlendedSelection))
                BlendRect(rowBitmap_, inner, windowOrgX, c.Brush()->Color());
            else
                c.RoundRect(inner.Left, inner.Top, inner.Right, inner.Bottom, selectionCurveRadius_,
                            selectionCurveRadius_);
        }
    }
    if (explorer && hotCell)
        PaintExplorerItem(info, rowWide ? rowRect : inner, rowWide,
                          selected && !treeOptions.PaintOptions.Contains(toAlwaysHideSelection)
                              ? ui::TThemedTreeItem::HotSelected
                              : ui::TThemedTreeItem::Hot);
    // Full-row focus in the explorer look frames the row, whichever cell has the focus.
    const bool rowFocus = explorer && fullRow && !treeOptions.SelectionOptions.Contains(toExtendedFocus);
    if (inFocusedCell && info.PaintOptions.Contains(pcFocusRect) && focused &&
        info.Node == tree_.FocusedNode() && (info.Column == tree_.FocusedColumn() || rowFocus)) {
        ui::TRect frame = rowFocus ? rowRect : gridExtensions ? info.CellRect : inner;
        if (explorer) frame = {frame.Left + 1, frame.Top + 1, frame.Right - 1, frame.Bottom - 1};
        c.DrawFocusRect(frame);
    }
}

void TBaseLazyTree::PaintExplorerItem(TVTCellPaintInfo& info, const ui::TRect& r, bool clipToCell,
                                      ui::TThemedTreeItem state) {
    ui::TCanvas& c = *info.Canvas;
    c.SaveState();
    if (clipToCell) c.IntersectClipRect(info.CellRect);
    ui::DrawThemedTreeItem(c, r, state);
    c.RestoreState();
}

void TBaseLazyTree::PaintRemainingArea(ui::TCanvas& canvas, ui::TPoint target, int height,
                                       const ui::TRect& window, int treeTop, TVTPaintCallOptions options,
                                       bool useColumns) {
    ui::TBitmap area(window.Width(), height, ui::pf32bit);
    ui::TCanvas& c = *area.Canvas();
    const ui::TRect whole{0, 0, window.Width(), height};
    bool handled = false;
    if (OnPaintBackground) OnPaintBackground(*this, c, whole, handled);
    if (!handled) {
        c.Brush()->SetStyle(ui::bsSolid);
        c.Brush()->SetColor(TreeColor());
        c.FillRect(whole);
        if (useColumns) {
            auto& columns = header_.Columns();
            const auto& paint = tree_.Options().PaintOptions;
            const bool fullGrid = options.Contains(pcGridLines) && paint.Contains(toFullVertGridLines) &&
                                  paint.Contains(toShowVertGridLines);
            c.Font()->SetColor(tree_.Colors()[TVTColors::GridLineColor]);
            TVTCellPaintInfo info;
            info.Canvas = &c;
            for (int p = 0; p < columns.Count(); ++p) {
                const TLazyTreeColumn& column = columns[columns.ColumnFromPosition(p)];
                if (!column.Visible()) continue;
                ui::TRect r{column.Left() - window.Left, 0, column.Left() + column.Width() - window.Left,
                            height};
                if (r.Right <= 0) continue;
                if (r.Left >= whole.Right) break;
                if (fullGrid &&
                    (!header_.Options().Contains(hoAutoResize) || column.Index() < columns.Count() - 1)) {
                    DrawDottedVLine(info, r.Top, r.Bottom, r.Right - 1);
                    --r.Right;
                }
                if (!column.Options().Contains(coParentColor)) {
                    c.Brush()->SetColor(column.Look().Color);
                    c.FillRect(r);
                }
            }
        }
    }
    if (tree_.IsMouseSelecting() && !tree_.SelectionRect().IsEmpty()) {
        ui::TRect band = NormalizeRect(tree_.SelectionRect());
        const int dx = -window.Left, dy = -treeTop;
        PaintSelectionRectangle(area, 0, {band.Left + dx, band.Top + dy, band.Right + dx, band.Bottom + dy});
    }
    canvas.Draw(target.X, target.Y, &area);
}

} // namespace lazytree
