// The icon graphic: a small picture with transparency, in the ICO format.
#pragma once

#include "platform/ui/Bitmap.h"
#include "platform/ui/Graphic.h"

#include <memory>

class QImage;

namespace ui {

// A small picture with transparency: colour with an alpha channel, or colour with a mask (black in
// the mask is opaque). Loads and saves the ICO format (one image; the largest when a file holds more).
class TIcon : public TGraphic {
public:
    TIcon();
    ~TIcon() override;

    int Width() const override;
    int Height() const override;
    // An icon's size follows its image: a new size gives a transparent icon.
    void SetWidth(int width) override;
    void SetHeight(int height) override;

    // Makes the icon from a colour bitmap and a mask: a 32-bit colour bitmap with any alpha keeps
    // its alpha; otherwise the mask's black pixels are opaque (no mask: all opaque).
    void SetBitmaps(const TBitmap& color, const TBitmap* mask);
    // The colour (32 bits with alpha, transparent pixels black) and the mask (1 bit, white where
    // transparent).
    void GetBitmaps(TBitmap& color, TBitmap& mask) const;

    // The point of a cursor that is the mouse position (a cursor file's hot spot; (0, 0) for icons).
    TPoint HotSpot() const { return hotSpot_; }
    void SetHotSpot(TPoint hotSpot) { hotSpot_ = hotSpot; }

    void Assign(const TPersistent* source) override;
    // Icon files and cursor files (the same layout with a hot spot) load; icons are saved.
    void LoadFromStream(rtl::TStream& stream) override;
    void SaveToStream(rtl::TStream& stream) const override;

    // ---- Framework side (src/platform/ui) ----
    // The pixels as non-premultiplied ARGB32.
    const QImage& Image() const;
    void SetImage(const QImage& image);

protected:
    void Draw(TCanvas& canvas, const TRect& rect) const override;

private:
    std::unique_ptr<QImage> image_;
    TPoint hotSpot_;
};

} // namespace ui
