// The PNG picture: reading, writing and drawing a PNG file as a graphic.
#pragma once

#include "imaging/uPngChunks.h"
#include "imaging/uPngPixelCoding.h"
#include "platform/ui/Graphic.h"

#include <array>
#include <cstdint>
#include <vector>

namespace ui {
class TBitmap;
class TClipboard;
} // namespace ui

namespace imaging {

// ---- the picture ----

// The bytes of one full row and the distance the filters look back.
struct TRowGeometry {
    uint32_t rowBytes = 0;
    uint32_t offset = 0;
};

// A Portable Network Graphics picture: its chunk list, the decoded image that the header owns, and
// the options used when it is saved.
class TPNGObject : public ui::TGraphic {
public:
    TPNGObject();
    ~TPNGObject() override;

    void LoadFromStream(rtl::TStream& stream) override;
    // Saving writes a 2-bit image's header as 4-bit, the way its pixels are held.
    void SaveToStream(rtl::TStream& stream) const override;
    // From another picture (a copy) or a bitmap; anything else raises the framework's conversion error.
    void Assign(const ui::TPersistent* source) override;
    void Assign(const TPNGObject& source);

    bool Empty() const override { return chunks_.Count() == 0; }
    int Width() const override;
    int Height() const override;
    // A picture is resized only by assigning another image: these always raise EPngError.
    void SetWidth(int value) override;
    void SetHeight(int value) override;
    bool Transparent() const override { return TransparencyStyle() != tsNone; }

    TPNGList& Chunks() { return chunks_; }
    const TPNGList& Chunks() const { return chunks_; }
    // The first chunk as header; EPNGHeaderNotPresent when there is none.
    TChunkIHDR& HeaderChunk() const;
    bool HasHeaderChunk() const;
    void ResetChunks();

    // Saving options.
    TInterlaceMethod Interlacing() const { return interlacing_; }
    void SetInterlacing(TInterlaceMethod value) { interlacing_ = value; }
    int DeflateLevel() const { return deflateLevel_; }
    void SetDeflateLevel(int value) { deflateLevel_ = value; }
    uint32_t IdatChunkSize() const { return idatChunkSize_; }
    void SetIdatChunkSize(uint32_t value) {
        idatChunkSize_ = value < kMinIdatChunkSize ? kMinIdatChunkSize : value;
    }
    TFilters RowFilters() const { return rowFilters_; }
    void SetRowFilters(TFilters value) { rowFilters_ = value; }
    static constexpr uint32_t kMinIdatChunkSize = 65535;

    // Gamma correction of decoded colours and its inverse for encoding.
    const uint8_t* GammaTable() const { return gamma_.data(); }
    const uint8_t* InverseGamma() const { return inverseGamma_.data(); }
    void SetGamma(uint32_t value);

    // Pixel access.
    TRowGeometry RowGeometry() const;
    uint8_t* PixelRow(int y);
    const uint8_t* PixelRow(int y) const { return const_cast<TPNGObject*>(this)->PixelRow(y); }
    // Null for a picture without alpha plane.
    uint8_t* AlphaRow(int y);
    const uint8_t* AlphaRow(int y) const { return const_cast<TPNGObject*>(this)->AlphaRow(y); }
    TColor PixelColor(int x, int y) const;
    void SetPixelColor(int x, int y, TColor color);
    TPngTransparencyStyle TransparencyStyle() const;
    TColor TransparentKeyColor() const;
    void SetTransparentKeyColor(TColor color);
    // Whether the pixel is the key of a bitmask picture (matched by sample or index, not by colour).
    bool IsKeyPixel(int x, int y) const;
    // Opacity of a pixel (255 for opaque pictures).
    uint8_t PixelAlpha(int x, int y) const;
    // Grey becomes grey with alpha and truecolour gets an alpha plane, opaque but for a key, which the
    // plane takes over; palette images get a tRNS chunk of opaque entries.
    void AddAlphaChannel();
    // The colour table of grey and palette pictures (empty for others), and replacing its entries.
    std::vector<TRGBQuad> Palette() const;
    void SetPalette(const std::vector<TRGBQuad>& entries);

    // Replaces the picture by an image of 1, 4 or 8 bits (with its colour table) or 24 bits (blue,
    // green, red), rows top-down; the saving options stay.
    void AssignPixels(uint32_t width, uint32_t height, int bitsPerPixel, const TRGBQuad* colorTable,
                      const uint8_t* const* rows, bool transparent, TColor keyColor);
    // Replaces the picture by the bitmap's pixels (indexed formats keep their colour table, others
    // become truecolour), with its transparent colour as key when it is transparent.
    void AssignBitmap(const ui::TBitmap& bitmap);
    // Through a bitmap: the picture as drawn on one of its size, and a bitmap's pixels back (the
    // clipboard keeping nothing leaves the picture as it is).
    void SaveToClipboard(ui::TClipboard& clipboard) const;
    void LoadFromClipboard(const ui::TClipboard& clipboard);

protected:
    void AssignTo(ui::TPersistent* dest) const override;
    // Opaque and bitmask pictures stretch to the rectangle; alpha blends at natural size.
    void Draw(ui::TCanvas& canvas, const ui::TRect& rect) const override;

private:
    // The colour a pixel is drawn with.
    TColor DrawnColor(uint32_t x, uint32_t y) const;
    void DrawStretched(ui::TCanvas& canvas, const ui::TRect& rect, bool masked) const;
    void DrawBlended(ui::TCanvas& canvas, int left, int top) const;

    TPNGList chunks_;
    TInterlaceMethod interlacing_ = imNone;
    int deflateLevel_ = 7;
    uint32_t idatChunkSize_ = kMinIdatChunkSize;
    TFilters rowFilters_{rfSub};
    std::array<uint8_t, 256> gamma_{};
    std::array<uint8_t, 256> inverseGamma_{};
};

} // namespace imaging
