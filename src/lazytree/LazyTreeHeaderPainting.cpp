#include "lazytree/BaseLazyTree.h"

#include "lazytree/LazyTreeUtils.h"
#include "platform/ui/Edges.h"
#include "platform/ui/ImageList.h"
#include "platform/ui/Messages.h"
#include "platform/ui/Themes.h"

#include <algorithm>

namespace lazytree {

namespace {

enum TUtilityImage {
    uiDropMarkLeft,
    uiDropMarkRight,
    uiSortDescending,
    uiSortAscending,
    uiThemedSortDescending,
    uiThemedSortAscending,
    uiHotLeft,
    uiHotMiddle,
    uiHotRight
};
constexpr int kUtilitySize = 16;
constexpr ui::TColor kUnderline = ui::RGB(248, 169, 0);
constexpr ui::TColor kGlyph = ui::RGB(96, 96, 96);

// The section edges of the button styles: normal, pressed and hot.
struct TSectionEdges {
    uint32_t edge;
    uint32_t flags; // BF_RIGHT is added for sections that show their right border
};
constexpr uint32_t kOpenRight = ui::BF_LEFT | ui::BF_TOP | ui::BF_BOTTOM | ui::BF_MIDDLE | ui::BF_ADJUST;
constexpr uint32_t kClosed = ui::BF_RECT | ui::BF_MIDDLE | ui::BF_ADJUST;
constexpr TSectionEdges kEdges[3][3] = {
    // hsThickButtons
    {{ui::EDGE_RAISED, kOpenRight}, {ui::EDGE_RAISED, kClosed | ui::BF_FLAT}, {ui::EDGE_RAISED, kOpenRight}},
    // hsFlatButtons
    {{ui::BDR_RAISEDINNER, kOpenRight}, {ui::BDR_SUNKENOUTER, kClosed}, {ui::BDR_RAISEDINNER, kOpenRight}},
    // hsPlates
    {{ui::BDR_RAISEDINNER, kClosed}, {ui::BDR_SUNKENOUTER, kClosed}, {ui::BDR_RAISEDINNER, kOpenRight}},
};

void AddPicture(ui::TCustomImageList& list, const std::function<void(ui::TCanvas&)>& draw) {
    ui::TBitmap picture(kUtilitySize, kUtilitySize, ui::pf32bit);
    ui::TCanvas& c = *picture.Canvas();
    c.Brush()->SetColor(ui::clFuchsia);
    c.FillRect({0, 0, kUtilitySize, kUtilitySize});
    draw(c);
    list.AddMasked(&picture, ui::clFuchsia);
}

void Triangle(ui::TCanvas& c, std::vector<ui::TPoint> points, ui::TColor color) {
    c.Pen()->SetColor(color);
    c.Brush()->SetColor(color);
    c.Polygon(points);
}

} // namespace

ui::TCustomImageList& TBaseLazyTree::UtilityImages() {
    if (utilityImages_) return *utilityImages_;
    utilityImages_ = std::make_unique<ui::TCustomImageList>(kUtilitySize, kUtilitySize);
    ui::TCustomImageList& list = *utilityImages_;
    const ui::TColor mark = tree_.Colors()[TVTColors::DropMarkColor];
    // Drop marks: a bar at the section's edge with an arrow pointing at it.
    AddPicture(list, [&](ui::TCanvas& c) {
        Triangle(c, {{2, 4}, {6, 8}, {2, 12}}, mark);
        c.FillRect({0, 2, 2, 14});
    });
    AddPicture(list, [&](ui::TCanvas& c) {
        Triangle(c, {{13, 4}, {9, 8}, {13, 12}}, mark);
        c.FillRect({14, 2, 16, 14});
    });
    // Sort glyphs, plain and themed alike.
    for (int themed = 0; themed < 2; ++themed) {
        AddPicture(list, [](ui::TCanvas& c) { Triangle(c, {{4, 6}, {11, 6}, {7, 10}}, kGlyph); });
        AddPicture(list, [](ui::TCanvas& c) { Triangle(c, {{4, 10}, {11, 10}, {7, 6}}, kGlyph); });
    }
    // The hot underline: rounded ends and a middle tile, three rows high.
    const auto underline = [](int left, int right) {
        return [left, right](ui::TCanvas& c) {
            c.Brush()->SetColor(kUnderline);
            c.FillRect({left, 0, right, 3});
        };
    };
    AddPicture(list, underline(1, kUtilitySize));
    AddPicture(list, underline(0, kUtilitySize));
    AddPicture(list, underline(0, kUtilitySize - 1));
    return list;
}

void TBaseLazyTree::SetHeaderImages(ui::TCustomImageList* list) {
    headerImages_ = list;
    if (HandleAllocated()) Perform(ui::WM_NCPAINT);
    Invalidate();
}

ui::TRect TBaseLazyTree::NonClientInsets() const {
    ui::TRect insets = ui::TCustomControl::NonClientInsets();
    if (HeaderVisible()) insets.Top += header_.Height();
    return insets;
}

void TBaseLazyTree::DrawXPSection(ui::TCanvas& canvas, const ui::TRect& r, bool hot, bool pressed,
                                  bool rightBorder) {
    canvas.Brush()->SetStyle(ui::bsSolid);
    canvas.Brush()->SetColor(pressed ? ui::RGB(222, 223, 216)
                             : hot   ? ui::RGB(250, 248, 243)
                                     : ui::RGB(235, 234, 219));
    canvas.FillRect(r);
    ui::TPen& pen = *canvas.Pen();
    const auto line = [&](ui::TColor color, std::initializer_list<ui::TPoint> points) {
        pen.SetColor(color);
        auto it = points.begin();
        canvas.MoveTo(it->X, it->Y);
        for (++it; it != points.end(); ++it)
            canvas.LineTo(it->X, it->Y);
    };
    if (pressed) {
        line(
            ui::RGB(165, 165, 151),
            {{r.Left, r.Top}, {r.Left, r.Bottom - 1}, {r.Right - 1, r.Bottom - 1}, {r.Right - 1, r.Top - 1}});
        line(ui::RGB(193, 194, 184), {{r.Left + 1, r.Bottom - 2}, {r.Left + 1, r.Top}, {r.Right - 1, r.Top}});
        line(ui::RGB(208, 209, 201),
             {{r.Left + 2, r.Bottom - 2}, {r.Left + 2, r.Top + 1}, {r.Right - 1, r.Top + 1}});
    } else if (hot) {
        ui::TCustomImageList& strip = UtilityImages();
        const int y = r.Bottom - 3;
        if (r.Width() > 2 * kUtilitySize) {
            strip.Draw(canvas, r.Left, y, uiHotLeft);
            for (int x = r.Left + kUtilitySize; x + kUtilitySize < r.Right - kUtilitySize; x += kUtilitySize)
                strip.Draw(canvas, x, y, uiHotMiddle);
            strip.Draw(canvas, r.Right - kUtilitySize, y, uiHotRight);
        } else {
            strip.Draw(canvas, r.Right - kUtilitySize, y, uiHotRight);
            canvas.SaveState();
            canvas.IntersectClipRect({r.Left, y, r.Left + r.Width() / 2, r.Bottom});
            strip.Draw(canvas, r.Left, y, uiHotLeft);
            canvas.RestoreState();
        }
    } else {
        if (rightBorder) {
            line(ui::RGB(199, 197, 178), {{r.Right - 2, r.Top + 3}, {r.Right - 2, r.Bottom - 5}});
            line(ui::clWhite, {{r.Right - 1, r.Top + 3}, {r.Right - 1, r.Bottom - 5}});
        }
        // Shading from the fill to the bottom edge in three steps.
        line(ui::RGB(224, 222, 207), {{r.Left, r.Bottom - 3}, {r.Right, r.Bottom - 3}});
        line(ui::RGB(213, 210, 195), {{r.Left, r.Bottom - 2}, {r.Right, r.Bottom - 2}});
        line(ui::RGB(203, 199, 184), {{r.Left, r.Bottom - 1}, {r.Right, r.Bottom - 1}});
    }
}

void TBaseLazyTree::DrawButtonText(ui::TCanvas& canvas, const std::u16string& caption, ui::TRect bounds,
                                   bool enabled, bool hot, ui::TTextFormat format) {
    std::u16string text = caption;
    if (canvas.TextWidth(text) > bounds.Width())
        text = ShortenString([&canvas](std::u16string_view s) { return canvas.TextWidth(s); }, text,
                             bounds.Width());
    canvas.Brush()->SetStyle(ui::bsClear);
    format |= ui::DT_SINGLELINE | ui::DT_VCENTER;
    if (enabled) {
        if (hot) canvas.Font()->SetColor(tree_.Colors()[TVTColors::HeaderHotColor]);
        canvas.DrawText(text, bounds, format);
        return;
    }
    // Embossed: a light copy one pixel down and right under the shadowed caption.
    ui::TRect shifted{bounds.Left + 1, bounds.Top + 1, bounds.Right + 1, bounds.Bottom + 1};
    canvas.Font()->SetColor(ui::clBtnHighlight);
    canvas.DrawText(text, shifted, format);
    canvas.Font()->SetColor(ui::clBtnShadow);
    canvas.DrawText(text, bounds, format);
}

void TBaseLazyTree::PaintSectionBackground(THeaderPaintInfo& info) {
    ui::TCanvas& canvas = *info.TargetCanvas;
    if (tree_.TreeStates().Contains(tsUseThemes)) {
        ui::DrawThemedHeaderItem(canvas, info.PaintRectangle,
                                 info.IsDownIndex    ? ui::TThemedHeaderItem::Pressed
                                 : info.IsHoverIndex ? ui::TThemedHeaderItem::Hot
                                                     : ui::TThemedHeaderItem::Normal);
        return;
    }
    if (header_.Style() == hsXPStyle) {
        DrawXPSection(canvas, info.PaintRectangle, info.IsHoverIndex, info.IsDownIndex, info.ShowRightBorder);
        return;
    }
    const auto& columns = header_.Columns();
    const bool clickable = info.Column >= 0 && columns[info.Column].Options().Contains(coAllowClick);
    const int state = info.IsDownIndex                                                                  ? 1
                      : header_.Style() == hsPlates && info.IsHoverIndex && clickable && info.IsEnabled ? 2
                                                                                                        : 0;
    const TSectionEdges edges = kEdges[header_.Style()][state];
    uint32_t flags = edges.flags;
    if (info.ShowRightBorder) flags |= ui::BF_RIGHT;
    canvas.Brush()->SetColor(header_.Background());
    ui::TRect r = info.PaintRectangle;
    ui::DrawEdge(canvas, r, edges.edge, flags);
}

void TBaseLazyTree::PaintHeaderSection(THeaderPaintInfo& info, THeaderPaintElements ownerDrawn,
                                       bool simpleOwnerDraw) {
    ui::TCanvas& canvas = *info.TargetCanvas;
    const TLazyTreeColumn& column = header_.Columns()[info.Column];
    const TColumnLook& look = column.Look();
    if (simpleOwnerDraw && look.Style == kOwnerDrawColumn) {
        OnHeaderDraw(*this, canvas, info.Column, info.PaintRectangle, info.IsHoverIndex, info.IsDownIndex,
                     info.DropMark);
        return;
    }
    if (!ownerDrawn.Contains(hpeBackground)) PaintSectionBackground(info);

    // Image at the leading side, sort glyph at the trailing one, the caption between; right to left the
    // sides change places.
    const bool rightToLeft = look.BiDiMode != bdLeftToRight;
    ui::TRect r = info.PaintRectangle;
    r.Left += 2;
    r.Top += 2;
    r.Right -= 2;
    r.Bottom -= 2;
    const int middle = (r.Top + r.Bottom) / 2;
    int left = r.Left + look.Margin;
    int right = r.Right - look.Margin;
    const auto lead = [&](int width) {
        const int x = rightToLeft ? right - width : left;
        (rightToLeft ? right -= width + look.Spacing : left += width + look.Spacing);
        return x;
    };
    const auto trail = [&](int width) {
        const int x = rightToLeft ? left : right - width;
        (rightToLeft ? left += width + look.Spacing : right -= width + look.Spacing);
        return x;
    };
    if (info.ShowHeaderGlyph)
        info.GlyphPos = {lead(headerImages_->Width()), middle - headerImages_->Height() / 2};
    if (info.ShowSortGlyph) info.SortGlyphPos = {trail(kUtilitySize), middle - kUtilitySize / 2};
    info.TextRectangle = {left, r.Top, std::max(left, right), r.Bottom};
    if (info.IsDownIndex) {
        const auto shift = [](ui::TPoint& p) { p = {p.X + 1, p.Y + 1}; };
        shift(info.GlyphPos);
        shift(info.SortGlyphPos);
        info.TextRectangle = {info.TextRectangle.Left + 1, info.TextRectangle.Top + 1,
                              info.TextRectangle.Right + 1, info.TextRectangle.Bottom + 1};
    }
    const bool overlapped =
        !rightToLeft && info.ShowSortGlyph &&
        info.GlyphPos.X + (headerImages_ ? headerImages_->Width() : 0) > info.SortGlyphPos.X;
    if (info.ShowHeaderGlyph && !overlapped && !ownerDrawn.Contains(hpeHeaderGlyph))
        headerImages_->Draw(canvas, info.GlyphPos.X, info.GlyphPos.Y, look.ImageIndex, info.IsEnabled);
    if (!look.Text.empty() && !ownerDrawn.Contains(hpeText)) {
        TAlignment alignment = static_cast<TAlignment>(
            column.Options().Contains(coUseCaptionAlignment) ? look.CaptionAlignment : look.Alignment);
        if (rightToLeft) alignment = MirroredAlignment(alignment);
        const ui::TTextFormat format = ui::DT_NOPREFIX | (rightToLeft ? ui::DT_RTLREADING : 0) |
                                       (alignment == taRightJustify ? ui::DT_RIGHT
                                        : alignment == taCenter     ? ui::DT_CENTER
                                                                    : ui::DT_LEFT);
        canvas.SetFont(Font());
        // Themes colour hot sections themselves.
        const bool hotText = info.IsHoverIndex && !tree_.TreeStates().Contains(tsUseThemes);
        DrawButtonText(canvas, look.Text, info.TextRectangle, info.IsEnabled, hotText, format);
    }
    if (info.ShowSortGlyph && !ownerDrawn.Contains(hpeSortGlyph)) {
        const bool themed = tree_.TreeStates().Contains(tsUseThemes);
        const bool ascending = header_.SortDirection() == sdAscending;
        UtilityImages().Draw(canvas, info.SortGlyphPos.X, info.SortGlyphPos.Y,
                             themed ? (ascending ? uiThemedSortAscending : uiThemedSortDescending)
                                    : (ascending ? uiSortAscending : uiSortDescending));
    }
    if (info.DropMark != dmmNone && !ownerDrawn.Contains(hpeDropMark)) {
        const bool atLeft = info.DropMark == dmmLeft;
        UtilityImages().Draw(canvas,
                             atLeft ? info.PaintRectangle.Left : info.PaintRectangle.Right - kUtilitySize,
                             middle - kUtilitySize / 2, atLeft ? uiDropMarkLeft : uiDropMarkRight);
    }
    const THeaderPaintElements rest = ownerDrawn - THeaderPaintElements{hpeBackground};
    if (rest != THeaderPaintElements{}) {
        canvas.SaveState();
        OnAdvancedHeaderDraw(*this, info, rest);
        canvas.RestoreState();
    }
}

void TBaseLazyTree::PaintHeader(ui::TCanvas& canvas, const ui::TRect& target, ui::TPoint at) {
    const int width = std::max(ClientWidth(), target.Right);
    const int height = header_.Height();
    headerBuffer_.SetPixelFormat(ui::pf32bit);
    headerBuffer_.SetSize(width, height);
    ui::TCanvas& c = *headerBuffer_.Canvas();
    c.SetFont(Font());
    const auto& options = header_.Options();
    const bool advanced = options.Contains(hoOwnerDraw) && OnAdvancedHeaderDraw && OnHeaderDrawQueryElements;
    const bool simple = !advanced && options.Contains(hoOwnerDraw) && OnHeaderDraw;

    THeaderPaintInfo background;
    background.TargetCanvas = &c;
    background.PaintRectangle = {0, 0, width, height};
    THeaderPaintElements elements;
    if (advanced) OnHeaderDrawQueryElements(*this, background, elements);
    if (elements.Contains(hpeBackground)) {
        OnAdvancedHeaderDraw(*this, background, {hpeBackground});
    } else if (tree_.TreeStates().Contains(tsUseThemes)) {
        ui::DrawThemedHeaderItem(c, background.PaintRectangle, ui::TThemedHeaderItem::Background);
    } else if (header_.Style() == hsXPStyle) {
        DrawXPSection(c, background.PaintRectangle, false, false, false);
    } else {
        c.Brush()->SetStyle(ui::bsSolid);
        c.Brush()->SetColor(header_.Background());
        c.FillRect(background.PaintRectangle);
    }

    auto& columns = header_.Columns();
    const int rtlOffset = RTLOffset();
    int previousRight = rtlOffset;
    for (int position = 0; position < columns.Count(); ++position) {
        const TColumnIndex index = columns.ColumnFromPosition(position);
        const TLazyTreeColumn& column = columns[index];
        if (!column.Visible()) continue;
        // Fixed columns stay where they are; the others scroll.
        const int left = column.Left() - (column.Fixed() ? 0 : EffectiveOffsetX()) + rtlOffset;
        const ui::TRect section{previousRight, 0, std::max(previousRight, left + column.Width()), height};
        previousRight = section.Right;
        if (section.Right <= target.Left) continue;
        if (section.Left >= target.Right) break;
        THeaderPaintInfo info;
        info.TargetCanvas = &c;
        info.Column = index;
        info.PaintRectangle = section;
        const bool enabledColumn = column.Options().Contains(coEnabled);
        info.IsHoverIndex = index == header_.HoverColumn() && options.Contains(hoHotTrack) && enabledColumn;
        info.IsDownIndex = index == header_.DownColumn();
        info.IsEnabled = enabledColumn && Enabled();
        info.ShowHeaderGlyph =
            options.Contains(hoShowImages) && headerImages_ && column.Look().ImageIndex >= 0;
        info.ShowSortGlyph = index == header_.SortColumn() && options.Contains(hoShowSortGlyphs);
        info.ShowRightBorder = true;
        if (index == header_.DropTargetColumn() && column.Options().Contains(coShowDropMark))
            info.DropMark = header_.DropBefore() ? dmmLeft : dmmRight;
        THeaderPaintElements ownerDrawn;
        if (advanced) OnHeaderDrawQueryElements(*this, info, ownerDrawn);
        c.SaveState();
        c.IntersectClipRect(target);
        PaintHeaderSection(info, ownerDrawn, simple);
        c.RestoreState();
    }
    c.Flush();
    canvas.CopyRect({at.X, at.Y, at.X + target.Width(), at.Y + target.Height()}, c, target);
}

} // namespace lazytree
