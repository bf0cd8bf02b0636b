// The bitmap graphic: pixels in a format, transparency and a canvas to draw on.
#pragma once

#include "platform/ui/Canvas.h"
#include "platform/ui/Graphic.h"
#include "platform/ui/Palette.h"

#include <memory>

class QImage;

namespace ui {

enum TPixelFormat { pfDevice, pf1bit, pf4bit, pf8bit, pf15bit, pf16bit, pf24bit, pf32bit, pfCustom };
// Whether the transparent colour is the bottom-left pixel's (auto) or the one set (fixed).
enum TTransparentMode { tmAuto, tmFixed };
// Whether a 32-bit bitmap's fourth byte is alpha when it is drawn.
enum TAlphaFormat { afIgnored, afDefined, afPremultiplied };

// A raster image in one of the Windows pixel formats, stored the way a device-independent bitmap lays
// out its rows (so ScanLine gives the bytes codecs expect), with a canvas to draw on it.
class TBitmap : public TGraphic {
public:
    TBitmap();
    TBitmap(int width, int height, TPixelFormat format = pfDevice);
    ~TBitmap() override;

    int Width() const override;
    int Height() const override;
    void SetWidth(int width) override;
    void SetHeight(int height) override;
    // Resizes keeping the pixels that still fit; new pixels are white.
    void SetSize(int width, int height);

    TPixelFormat PixelFormat() const { return format_; }
    // Converts the pixels to the new format (nearest palette entry when it has fewer colours).
    void SetPixelFormat(TPixelFormat format);
    TAlphaFormat AlphaFormat() const { return alphaFormat_; }
    void SetAlphaFormat(TAlphaFormat format);
    bool Monochrome() const { return format_ == pf1bit; }

    // The bytes of row `row` (0 is the top), in the pixel format's layout; valid until the bitmap
    // changes size or format or its canvas draws.
    void* ScanLine(int row);
    const void* ScanLine(int row) const;
    int BytesPerScanLine() const;

    TCanvas* Canvas();

    // The colour table of an indexed format (1, 4 or 8 bits); empty for the others. Setting it keeps
    // the pixels' indices.
    const TPaletteEntries& PaletteEntries() const;
    void SetPaletteEntries(const TPaletteEntries& entries);

    TColor TransparentColor() const;
    void SetTransparentColor(TColor color);
    TTransparentMode TransparentMode() const { return transparentMode_; }
    void SetTransparentMode(TTransparentMode mode);

    // A 1-bit mask of the same size: white where the pixel has `color` (clDefault: the transparent
    // colour), black elsewhere.
    void GetMask(TBitmap& mask, TColor color = clDefault) const;

    void Assign(const TPersistent* source) override;
    void LoadFromStream(rtl::TStream& stream) override;
    void SaveToStream(rtl::TStream& stream) const override;

    // ---- Framework side (src/platform/ui) ----
    // The pixels, ready to read or draw (the canvas's painter closed).
    const QImage& Image() const;
    // Replaces the pixels; the pixel format follows the image's.
    void SetImage(const QImage& image);

protected:
    void Draw(TCanvas& canvas, const TRect& rect) const override;

private:
    struct Impl;
    class BitmapCanvas;

    std::unique_ptr<Impl> impl_;
    TPixelFormat format_ = pfDevice;
    TAlphaFormat alphaFormat_ = afIgnored;
    TColor transparentColor_ = clDefault;
    TTransparentMode transparentMode_ = tmAuto;
};

} // namespace ui
