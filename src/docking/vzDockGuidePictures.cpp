#include "docking/vzDockGuidePictures.h"

#include "docking/vzMaskForms.h"

#include <vector>

namespace docking::guides {

namespace {

constexpr int kVS2005Size = 41;
constexpr int kWhidbeySize = 69;

constexpr ui::TColor kFaceTop = ui::RGB(252, 252, 253);
constexpr ui::TColor kFaceBottom = ui::RGB(212, 218, 229);
constexpr ui::TColor kLitFace = ui::RGB(226, 237, 252);
constexpr ui::TColor kEdge = ui::RGB(112, 120, 136);
constexpr ui::TColor kPageEdge = ui::RGB(70, 78, 94);
constexpr ui::TColor kPageCaption = ui::RGB(150, 162, 184);
constexpr ui::TColor kArrow = ui::RGB(64, 72, 88);

enum TSide { sdLeft, sdTop, sdRight, sdBottom };

// The side a guide docks to; none for the inside guides.
int SideOf(int index) {
    if (index >= drtLeft && index <= drtBottom) return index;
    if (index >= drtDetachedLeft && index <= drtDetachedBottom) return index - drtDetachedLeft;
    return -1;
}

std::shared_ptr<ui::TBitmap> KeyedBitmap(int size) {
    auto bitmap = std::make_shared<ui::TBitmap>(size, size, ui::pf24bit);
    ui::TCanvas& canvas = *bitmap->Canvas();
    canvas.Brush()->SetStyle(ui::bsSolid);
    canvas.Brush()->SetColor(kGuideKey);
    canvas.FillRect({0, 0, size, size});
    return bitmap;
}

void Fill(ui::TCanvas& canvas, const ui::TRegion& region, ui::TColor color) {
    canvas.Brush()->SetStyle(ui::bsSolid);
    canvas.Brush()->SetColor(color);
    for (const ui::TRect& r : region.Rects())
        canvas.FillRect(r);
}

ui::TColor Blend(ui::TColor from, ui::TColor to, int step, int steps) {
    const auto mix = [&](int a, int b) { return a + (b - a) * step / std::max(steps, 1); };
    return ui::RGB(mix(ui::GetRValue(from), ui::GetRValue(to)), mix(ui::GetGValue(from), ui::GetGValue(to)),
                   mix(ui::GetBValue(from), ui::GetBValue(to)));
}

// `region` lit from above: light at its top row, darker at its bottom.
void FillShaded(ui::TCanvas& canvas, const ui::TRegion& region) {
    const ui::TRect box = region.BoundingRect();
    for (int y = box.Top; y < box.Bottom; ++y)
        Fill(canvas, region & ui::TRegion(ui::TRect{box.Left, y, box.Right, y + 1}),
             Blend(kFaceTop, kFaceBottom, y - box.Top, box.Height() - 1));
}

// A small window: caption, white client, and the part a docked panel would take in the highlight
// colour. `index` picks the part: a side, or the whole client below (4) or above (9) a tab strip.
void DrawPage(ui::TCanvas& canvas, const ui::TRect& page, int index) {
    canvas.Brush()->SetStyle(ui::bsSolid);
    canvas.Brush()->SetColor(ui::clWhite);
    canvas.Pen()->SetColor(kPageEdge);
    canvas.Pen()->SetWidth(1);
    canvas.Rectangle(page);
    ui::TRect client{page.Left + 1, page.Top + 4, page.Right - 1, page.Bottom - 1};
    Fill(canvas, ui::TRegion(ui::TRect{page.Left + 1, page.Top + 1, page.Right - 1, page.Top + 4}),
         kPageCaption);
    ui::TRect docked = client;
    const int third = client.Width() / 3;
    switch (SideOf(index)) {
    case sdLeft:
        docked.Right = docked.Left + third;
        break;
    case sdTop:
        docked.Bottom = docked.Top + third;
        break;
    case sdRight:
        docked.Left = docked.Right - third;
        break;
    case sdBottom:
        docked.Top = docked.Bottom - third;
        break;
    default: {
        // A page with its tab in a strip of its own, the strip where the target keeps its tabs.
        const bool tabsAtBottom = index == drtInsideBefore;
        ui::TRect strip = client;
        if (tabsAtBottom) {
            strip.Top = client.Bottom - 4;
            docked.Bottom = strip.Top;
        } else {
            strip.Bottom = client.Top + 4;
            docked.Top = strip.Bottom;
        }
        docked = {docked.Left + 1, docked.Top + (tabsAtBottom ? 1 : 0), docked.Right - 1,
                  docked.Bottom - (tabsAtBottom ? 0 : 1)};
        Fill(canvas,
             ui::TRegion(
                 ui::TRect{strip.Left + 1, strip.Top, strip.Left + 1 + client.Width() / 2, strip.Bottom}),
             ui::clHighlight);
        break;
    }
    }
    Fill(canvas, ui::TRegion(docked), ui::clHighlight);
}

// A triangle pointing to `side` with its tip at `tip`, `size` pixels deep.
void DrawArrow(ui::TCanvas& canvas, ui::TPoint tip, int side, int size, ui::TColor color) {
    const int dx = side == sdLeft ? 1 : side == sdRight ? -1 : 0;
    const int dy = side == sdTop ? 1 : side == sdBottom ? -1 : 0;
    const ui::TPoint base{tip.X + dx * size, tip.Y + dy * size};
    canvas.Brush()->SetStyle(ui::bsSolid);
    canvas.Brush()->SetColor(color);
    canvas.Pen()->SetColor(color);
    canvas.Polygon({tip, {base.X + dy * size, base.Y + dx * size}, {base.X - dy * size, base.Y - dx * size}});
}

std::shared_ptr<ui::TBitmap> VS2005Picture(int index, bool lit) {
    auto bitmap = KeyedBitmap(kVS2005Size);
    ui::TCanvas& canvas = *bitmap->Canvas();
    canvas.Brush()->SetColor(lit ? kLitFace : kFaceTop);
    canvas.Pen()->SetColor(lit ? ui::clHighlight : kEdge);
    canvas.Pen()->SetWidth(1);
    canvas.RoundRect(0, 0, kVS2005Size, kVS2005Size, 7, 7);
    if (lit) {
        canvas.Brush()->SetStyle(ui::bsClear);
        canvas.RoundRect(1, 1, kVS2005Size - 1, kVS2005Size - 1, 5, 5);
    }
    DrawPage(canvas, {11, 11, 30, 30}, index);
    const int side = SideOf(index);
    const ui::TPoint tips[] = {{4, 20}, {20, 4}, {36, 20}, {20, 36}};
    // The outer guides dock beside everything: their arrows carry the highlight colour.
    if (side >= 0)
        DrawArrow(canvas, tips[side], side, 4, index >= drtDetachedLeft ? ui::clHighlight : kArrow);
    return bitmap;
}

std::shared_ptr<ui::TBitmap> WhidbeyPicture(int index, const ui::TRegion& hit) {
    auto bitmap = KeyedBitmap(kWhidbeySize);
    ui::TCanvas& canvas = *bitmap->Canvas();
    const ui::TRect box = hit.BoundingRect();
    ui::TRegion shape = hit;
    shape.Offset(-box.Left, -box.Top);
    const int w = box.Width(), h = box.Height();
    FillShaded(canvas, shape);
    const ui::TRegion edge = mask::FrameBorder(shape, 1);
    Fill(canvas, mask::FrameBorder(shape - edge, 1), ui::clWhite);
    Fill(canvas, edge, kEdge);
    const int side = SideOf(index);
    // The page sits in the wide part of the piece, the arrow between it and the piece's point.
    const ui::TPoint centres[] = {{w - 18, h / 2}, {w / 2, h - 18}, {17, h / 2}, {w / 2, 17}};
    const ui::TPoint tips[] = {{9, h / 2}, {w / 2, 9}, {w - 10, h / 2}, {w / 2, h - 10}};
    const ui::TPoint centre = side >= 0 ? centres[side] : ui::TPoint{w / 2, h / 2};
    const int page = side >= 0 ? 21 : 25;
    DrawPage(canvas, ui::Bounds(centre.X - page / 2, centre.Y - page / 2, page, page), index);
    if (side >= 0) DrawArrow(canvas, tips[side], side, 5, kArrow);
    return bitmap;
}

} // namespace

TvzGuidePictures VS2005Pictures() {
    TvzGuidePictures pictures;
    for (int i = 0; i < kGuideCount; ++i) {
        const int drawn = i == drtInsideBefore ? drtInside : i;
        pictures.normal[static_cast<std::size_t>(i)] = VS2005Picture(drawn, false);
        pictures.lit[static_cast<std::size_t>(i)] = VS2005Picture(drawn, true);
    }
    return pictures;
}

TvzGuidePictures WhidbeyPictures(const TvzGuideRegions& hits) {
    TvzGuidePictures pictures;
    for (int i = 0; i < kGuideCount; ++i)
        pictures.normal[static_cast<std::size_t>(i)] = WhidbeyPicture(i, hits[static_cast<std::size_t>(i)]);
    pictures.lit = pictures.normal;
    return pictures;
}

TvzGuideGeometry PictureGeometry(const TvzGuidePictures& pictures) {
    TvzGuideGeometry geometry;
    for (std::size_t i = 0; i < kGuideCount; ++i)
        geometry.hits[i] = ui::TRegion::FromImage(*pictures.normal[i], kGuideKey);
    geometry.offsets = VS2005Offsets(SizesOf(geometry.hits));
    return geometry;
}

} // namespace docking::guides
