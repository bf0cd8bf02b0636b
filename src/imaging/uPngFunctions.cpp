#include "imaging/uPngFunctions.h"

#include "imaging/uPngImageList.h"
#include "platform/ui/Bitmap.h"
#include "platform/ui/Canvas.h"
#include "platform/ui/Icon.h"
#include "platform/ui/ImageList.h"

#include <cmath>

namespace imaging {

namespace {

// x / 256 * factor to the nearest integer, ties to the even one.
uint8_t ScaleRounded(int x, int factor) {
    return static_cast<uint8_t>(std::nearbyint(x / 256.0 * factor));
}

// A truecolour picture of the bitmap's pixels, with an opaque alpha plane.
std::unique_ptr<TPNGObject> TruecolourWithAlpha(const ui::TBitmap& bitmap) {
    ui::TBitmap truecolour;
    truecolour.Assign(&bitmap);
    truecolour.SetTransparent(false);
    truecolour.SetPixelFormat(ui::pf24bit);
    auto png = std::make_unique<TPNGObject>();
    png->Assign(&truecolour);
    png->AddAlphaChannel();
    return png;
}

// The alpha of every pixel from `alphaAt` (x, y).
template <class F>
void SetAlpha(TPNGObject& png, F alphaAt) {
    for (int y = 0; y < png.Height(); ++y) {
        uint8_t* alpha = png.AlphaRow(y);
        for (int x = 0; x < png.Width(); ++x)
            alpha[x] = alphaAt(x, y);
    }
}

} // namespace

void FadePng(TPNGObject& png, uint8_t amount) {
    const int factor = amount + 1;
    const uint8_t type = png.HeaderChunk().IHDRData.ColorType;
    if (type == COLOR_GRAYSCALE || type == COLOR_PALETTE) {
        // A new truecolour picture; each pixel keeps its opacity (a palette entry's tRNS alpha), scaled.
        ui::TBitmap blank(png.Width(), png.Height(), ui::pf24bit);
        TPNGObject faded;
        faded.Assign(&blank);
        faded.AddAlphaChannel();
        for (int y = 0; y < png.Height(); ++y)
            for (int x = 0; x < png.Width(); ++x) {
                faded.SetPixelColor(x, y, png.PixelColor(x, y));
                faded.AlphaRow(y)[x] = ScaleRounded(png.PixelAlpha(x, y), factor);
            }
        png.Assign(faded);
        return;
    }
    // A truecolour key becomes alpha 0 in the new plane.
    if (type == COLOR_RGB) png.AddAlphaChannel();
    SetAlpha(png, [&](int x, int y) { return ScaleRounded(png.AlphaRow(y)[x], factor); });
}

void GreyPng(TPNGObject& png, uint8_t amount) {
    auto grey = [amount](uint8_t& r, uint8_t& g, uint8_t& b) {
        const auto level = static_cast<uint8_t>(std::nearbyint(0.3 * r + 0.59 * g + 0.11 * b));
        const uint8_t toward = ScaleRounded(level, amount + 1);
        for (uint8_t* v : {&r, &g, &b})
            *v = static_cast<uint8_t>(ScaleRounded(*v, 255 - amount) + toward);
    };
    const TChunkIHDR& header = png.HeaderChunk();
    switch (header.IHDRData.ColorType) {
    case COLOR_PALETTE: {
        std::vector<TRGBQuad> entries = png.Palette();
        for (TRGBQuad& q : entries)
            grey(q.red, q.green, q.blue);
        png.SetPalette(entries);
        break;
    }
    case COLOR_RGB:
    case COLOR_RGBALPHA:
        for (int y = 0; y < png.Height(); ++y) {
            uint8_t* p = png.PixelRow(y);
            for (int x = 0; x < png.Width(); ++x, p += 3)
                grey(p[2], p[1], p[0]);
        }
        break;
    default:
        break;
    }
}

void DrawPngStyled(const TPNGObject& png, ui::TCanvas& canvas, const ui::TRect& rect, TPngOptions options) {
    if (options.Empty()) {
        canvas.StretchDraw(rect, &png);
        return;
    }
    TPNGObject copy;
    copy.Assign(png);
    if (options.Contains(pngBlendOnDisabled)) FadePng(copy, 127);
    if (options.Contains(pngGrayscaleOnDisabled)) GreyPng(copy, 255);
    canvas.StretchDraw(rect, &copy);
}

namespace {

// Alpha 0 where a mask bitmap is white: the framework's masks mark transparent pixels that way.
std::vector<uint8_t> AlphaOfMask(const ui::TBitmap& mask) {
    std::vector<uint8_t> alpha;
    ui::TBitmap readable;
    readable.Assign(&mask);
    for (int y = 0; y < mask.Height(); ++y)
        for (int x = 0; x < mask.Width(); ++x)
            alpha.push_back(ui::GetRValue(readable.Canvas()->Pixel(x, y)) != 0 ? 0 : 255);
    return alpha;
}

std::unique_ptr<TPNGObject> IconToPng(const ui::TIcon& icon) {
    ui::TBitmap colour, mask;
    icon.GetBitmaps(colour, mask);
    auto png = TruecolourWithAlpha(colour);
    std::vector<uint8_t> alpha = AlphaOfMask(mask);
    // A 32-bit colour bitmap's own alpha wins when it has any.
    if (colour.PixelFormat() == ui::pf32bit && OsHasIconAlpha()) {
        std::vector<uint8_t> own;
        for (int y = 0; y < colour.Height(); ++y) {
            const auto* row = static_cast<const uint8_t*>(colour.ScanLine(y));
            for (int x = 0; x < colour.Width(); ++x)
                own.push_back(row[4 * x + 3]);
        }
        if (std::any_of(own.begin(), own.end(), [](uint8_t a) { return a != 0; })) alpha = std::move(own);
    }
    SetAlpha(*png, [&](int x, int y) { return alpha[static_cast<size_t>(y * png->Width() + x)]; });
    return png;
}

} // namespace

std::unique_ptr<TPNGObject> GraphicToPng(const ui::TGraphic& graphic) {
    if (const auto* png = dynamic_cast<const TPNGObject*>(&graphic)) {
        auto copy = std::make_unique<TPNGObject>();
        copy->Assign(*png);
        return copy;
    }
    if (const auto* icon = dynamic_cast<const ui::TIcon*>(&graphic)) return IconToPng(*icon);
    ui::TBitmap truecolour(graphic.Width(), graphic.Height(), ui::pf24bit);
    const auto* bitmap = dynamic_cast<const ui::TBitmap*>(&graphic);
    if (bitmap) {
        truecolour.Assign(bitmap);
        truecolour.SetTransparent(false);
        truecolour.SetPixelFormat(ui::pf24bit);
    }
    auto png = std::make_unique<TPNGObject>();
    png->Assign(&truecolour);
    if (bitmap && bitmap->Transparent()) {
        const TColor key = ui::ColorToRGB(bitmap->TransparentColor());
        bool keyFound = false;
        std::vector<uint8_t> alpha;
        for (int y = 0; y < png->Height(); ++y)
            for (int x = 0; x < png->Width(); ++x) {
                const bool transparent = png->PixelColor(x, y) == key;
                keyFound = keyFound || transparent;
                alpha.push_back(transparent ? 0 : 255);
            }
        if (keyFound) {
            png->AddAlphaChannel();
            SetAlpha(*png, [&](int x, int y) { return alpha[static_cast<size_t>(y * png->Width() + x)]; });
        }
    }
    return png;
}

std::unique_ptr<TPNGObject> BitmapAndMaskToPng(const ui::TBitmap& bitmap, const ui::TBitmap* mask,
                                               bool invert) {
    auto png = TruecolourWithAlpha(bitmap);
    if (!mask) return png;
    ui::TBitmap readable;
    readable.Assign(mask);
    SetAlpha(*png, [&](int x, int y) {
        const auto red = static_cast<uint8_t>(ui::GetRValue(readable.Canvas()->Pixel(x, y)));
        return invert ? static_cast<uint8_t>(255 - red) : red;
    });
    return png;
}

std::unique_ptr<TPNGObject> BitmapKeyedToPng(const ui::TBitmap& bitmap, TColor maskColor) {
    auto png = TruecolourWithAlpha(bitmap);
    const TColor key =
        maskColor == ui::clDefault ? png->PixelColor(0, png->Height() - 1) : ui::ColorToRGB(maskColor);
    SetAlpha(*png, [&](int x, int y) { return png->PixelColor(x, y) == key ? uint8_t{0} : uint8_t{255}; });
    return png;
}

void ImageListEntryToPng(TPNGObject& target, const ui::TCustomImageList& list, int index) {
    if (const auto* pngList = dynamic_cast<const TPngImageList*>(&list)) {
        if (const TPngImageCollectionItem* item = pngList->PngImages()->Items(index); item && item->Picture())
            target.Assign(*item->Picture());
        return;
    }
    if (index < 0 || index >= list.Count()) return;
    ui::TIcon icon;
    list.GetIcon(index, &icon);
    ui::TBitmap colour, mask;
    icon.GetBitmaps(colour, mask);
    const auto png = TruecolourWithAlpha(colour);
    const std::vector<uint8_t> alpha = AlphaOfMask(mask);
    SetAlpha(*png, [&](int x, int y) { return alpha[static_cast<size_t>(y * png->Width() + x)]; });
    target.Assign(*png);
}

} // namespace imaging
