// Colour reduction of the GIF codec: the palettes a picture can be reduced to, the lookups that map
// a colour to a palette index, the error-diffusion ditherers and the octree quantizer.
#pragma once

#include "platform/ui/Bitmap.h"
#include "platform/ui/Palette.h"

#include <array>
#include <cstdint>
#include <memory>
#include <vector>

namespace imaging {

enum TGIFReductionMethod : uint8_t {
    redNone,
    redSystem20,
    redHalftone,
    redGray4,
    redMonochrome,
    redGray256,
    redWeb216,
    redQuantize,
    redQuantizeSystem,
    redPalette,
};

enum TGIFDitherMode : uint8_t {
    ditNearest,
    ditFloydSteinberg,
    ditStucki,
    ditSierra,
    ditJarvisJudiceNinke,
    ditStevensonArce,
    ditBurkes,
};

// Entry r*36 + g*6 + b is (51r, 51g, 51b).
ui::TPaletteEntries PaletteOf216();
ui::TPaletteEntries PaletteOfGrays();
ui::TPaletteEntries PaletteOf4Grays();
ui::TPaletteEntries PaletteBlackWhite();
// The screen's halftone palette: the platform's fixed table (ui::HalftonePalette).
ui::TPaletteEntries PaletteHalftone();

struct TRGB {
    uint8_t r = 0;
    uint8_t g = 0;
    uint8_t b = 0;
};

// Maps a colour to a palette index and tells the entry's colour.
class TColorLookup {
public:
    virtual ~TColorLookup() = default;
    // How many colours it answers; 0 means it cannot be used.
    int Colors() const { return colors_; }
    virtual uint8_t LookupIndex(TRGB color, TRGB& chosen) = 0;

protected:
    explicit TColorLookup(int colors) : colors_(colors) {}
    int colors_;
};

// Any palette, through a table of 15-bit colour cells: the first colour of a cell decides the cell's
// index for all colours of it.
class TFastColorLookup : public TColorLookup {
public:
    explicit TFastColorLookup(const ui::TPaletteEntries& palette);
    uint8_t LookupIndex(TRGB color, TRGB& chosen) override;

private:
    std::vector<TRGB> entries_;
    std::vector<int16_t> inverse_; // 32768 cells, -1 while unknown
};

// The 216-colour cube.
class TNetscapeColorLookup : public TColorLookup {
public:
    TNetscapeColorLookup() : TColorLookup(216) {}
    uint8_t LookupIndex(TRGB color, TRGB& chosen) override;
};

class TGrayScaleLookup : public TColorLookup {
public:
    TGrayScaleLookup() : TColorLookup(256) {}
    uint8_t LookupIndex(TRGB color, TRGB& chosen) override;
};

class TMonochromeLookup : public TColorLookup {
public:
    TMonochromeLookup() : TColorLookup(2) {}
    uint8_t LookupIndex(TRGB color, TRGB& chosen) override;
};

// Visits the pixels of a row in the scanning direction (rows alternate, starting left to right) and
// looks each colour up without spreading any error.
class TDitherEngine {
public:
    TDitherEngine(int width, TColorLookup& lookup) : width_(width), lookup_(lookup) {}
    virtual ~TDitherEngine() = default;
    TDitherEngine(const TDitherEngine&) = delete;
    TDitherEngine& operator=(const TDitherEngine&) = delete;

    int Column() const { return column_; }
    int Direction() const { return direction_; }
    // The index for the pixel at Column(); moves the column on.
    virtual uint8_t DitherPixel(TRGB color, TRGB& chosen);
    // Reverses the direction and goes to the new row's first pixel.
    virtual void NextRow();
    // Moves on over a pixel that is not dithered (a transparent one).
    void SkipPixel() { column_ += direction_; }

protected:
    int direction_ = 1;
    int column_ = 0;
    int width_;
    TColorLookup& lookup_;
};

// One share of an error: the neighbour `offset` pixels ahead (negative: behind) in the scanning
// direction, `rowsBelow` rows down, gets error * weight / divisor.
struct TDiffusion {
    int rowsBelow;
    int offset;
    int weight;
};

// Spreads each pixel's error over its neighbours by a matrix of weights.
class TErrorDiffusionDitherer : public TDitherEngine {
public:
    TErrorDiffusionDitherer(int width, TColorLookup& lookup, int divisor, std::vector<TDiffusion> matrix);
    uint8_t DitherPixel(TRGB color, TRGB& chosen) override;
    void NextRow() override;

private:
    static constexpr int kMargin = 3; // neighbours up to three columns outside the row
    int& Error(int row, int component, int column);

    int divisor_;
    std::vector<TDiffusion> matrix_;
    int rows_;
    std::vector<int> errors_; // rows_ x 3 components x (width + 2 margins)
};

class TFloydSteinbergDitherer : public TErrorDiffusionDitherer {
public:
    TFloydSteinbergDitherer(int width, TColorLookup& lookup);
};
class TStuckiDitherer : public TErrorDiffusionDitherer {
public:
    TStuckiDitherer(int width, TColorLookup& lookup);
};
class TSierraDitherer : public TErrorDiffusionDitherer {
public:
    TSierraDitherer(int width, TColorLookup& lookup);
};
class TJaJuNiDitherer : public TErrorDiffusionDitherer {
public:
    TJaJuNiDitherer(int width, TColorLookup& lookup);
};
class TSteveArcheDitherer : public TErrorDiffusionDitherer {
public:
    TSteveArcheDitherer(int width, TColorLookup& lookup);
};
class TBurkesDitherer : public TErrorDiffusionDitherer {
public:
    TBurkesDitherer(int width, TColorLookup& lookup);
};

// An octree over the colours of a picture, reduced from the deepest level up whenever it holds more
// leaves than wanted.
class TColorQuantizer {
public:
    TColorQuantizer(int maxColors, int colorBits);
    ~TColorQuantizer();
    TColorQuantizer(const TColorQuantizer&) = delete;
    TColorQuantizer& operator=(const TColorQuantizer&) = delete;

    void AddColor(TRGB color);
    int LeafCount() const { return leafCount_; }
    // The leaves' average colours in tree order, written from `first` on.
    void ColorTable(ui::TPaletteEntries& palette, int first) const;

private:
    struct TOctreeNode;
    void Reduce();

    std::unique_ptr<TOctreeNode> root_;
    int leafCount_ = 0;
    std::array<TOctreeNode*, 8> reducible_{};
    int maxColors_;
    int colorBits_;
};

// An octree palette of `colors` entries from the picture (read as 24 bits per pixel); with the system
// colours, 236 entries framed by the 20 stock colours.
ui::TPaletteEntries OptimizedPaletteFromBitmap(ui::TBitmap& bitmap, int colors, int colorBits,
                                               bool systemColors);

// A new 8-bit picture of the source in the method's palette (the source becomes 24 bits per pixel);
// redNone copies the source as 24 bits per pixel. An unknown method or dither mode gives an empty bitmap.
std::unique_ptr<ui::TBitmap> ReduceToPalette(ui::TBitmap& source, TGIFReductionMethod method,
                                             TGIFDitherMode dither, const ui::TPaletteEntries& palette,
                                             int reductionBits);

// The ditherer of a mode, or null for an unknown one.
std::unique_ptr<TDitherEngine> CreateDitherer(TGIFDitherMode mode, int width, TColorLookup& lookup);

} // namespace imaging
