#include "imaging/uGIFReduction.h"

#include "imaging/uGIFBitmaps.h"

#include <algorithm>
#include <cstdlib>

namespace imaging {

namespace {

// Pictures above this many pixels make their result 1 bit per pixel before the new pixels arrive.
constexpr int64_t kLargePicture = 500000;

TRGB RGBOf(ui::TColor color) {
    return {static_cast<uint8_t>(ui::GetRValue(color)), static_cast<uint8_t>(ui::GetGValue(color)),
            static_cast<uint8_t>(ui::GetBValue(color))};
}

ui::TPaletteEntries Grays(std::initializer_list<int> levels) {
    ui::TPaletteEntries palette;
    for (int level : levels)
        palette.push_back(ui::RGB(level, level, level));
    return palette;
}

int Weighted(TRGB c) {
    return 77 * c.r + 150 * c.g + 29 * c.b;
}

} // namespace

ui::TPaletteEntries PaletteOf216() {
    ui::TPaletteEntries palette;
    for (int r = 0; r < 6; ++r)
        for (int g = 0; g < 6; ++g)
            for (int b = 0; b < 6; ++b)
                palette.push_back(ui::RGB(51 * r, 51 * g, 51 * b));
    return palette;
}

ui::TPaletteEntries PaletteOfGrays() {
    ui::TPaletteEntries palette;
    for (int i = 0; i < 256; ++i)
        palette.push_back(ui::RGB(i, i, i));
    return palette;
}

ui::TPaletteEntries PaletteOf4Grays() {
    return Grays({0, 128, 192, 255});
}

ui::TPaletteEntries PaletteBlackWhite() {
    return Grays({0, 255});
}

ui::TPaletteEntries PaletteHalftone() {
    return ui::HalftonePalette();
}

// Lookups

TFastColorLookup::TFastColorLookup(const ui::TPaletteEntries& palette)
    : TColorLookup(static_cast<int>(std::min<size_t>(palette.size(), 256))), inverse_(32768, -1) {
    for (int i = 0; i < colors_; ++i) {
        entries_.push_back(RGBOf(palette[static_cast<size_t>(i)]));
        const TRGB& c = entries_.back();
        int16_t& cell = inverse_[(c.r >> 3) | ((c.g >> 3) << 5) | ((c.b >> 3) << 10)];
        if (cell < 0) cell = static_cast<int16_t>(i);
    }
}

uint8_t TFastColorLookup::LookupIndex(TRGB color, TRGB& chosen) {
    int16_t& cell = inverse_[(color.r >> 3) | ((color.g >> 3) << 5) | ((color.b >> 3) << 10)];
    if (cell < 0) {
        int best = 196608;
        for (size_t i = 0; i < entries_.size(); ++i) {
            const TRGB& e = entries_[i];
            const int distance = std::abs(e.r - color.r) + std::abs(e.g - color.g) + std::abs(e.b - color.b);
            if (distance < best) {
                best = distance;
                cell = static_cast<int16_t>(i);
            }
        }
    }
    chosen = entries_[static_cast<size_t>(cell)];
    return static_cast<uint8_t>(cell);
}

uint8_t TNetscapeColorLookup::LookupIndex(TRGB color, TRGB& chosen) {
    const int r = (color.r + 3) / 51;
    const int g = (color.g + 3) / 51;
    const int b = (color.b + 3) / 51;
    chosen = {static_cast<uint8_t>(r * 51), static_cast<uint8_t>(g * 51), static_cast<uint8_t>(b * 51)};
    return static_cast<uint8_t>(r * 36 + g * 6 + b);
}

uint8_t TGrayScaleLookup::LookupIndex(TRGB color, TRGB& chosen) {
    const auto grey = static_cast<uint8_t>(Weighted(color) >> 8);
    chosen = {grey, grey, grey};
    return grey;
}

uint8_t TMonochromeLookup::LookupIndex(TRGB color, TRGB& chosen) {
    const bool white = Weighted(color) > 32512;
    const uint8_t level = white ? 255 : 0;
    chosen = {level, level, level};
    return white ? 1 : 0;
}

// Ditherers

uint8_t TDitherEngine::DitherPixel(TRGB color, TRGB& chosen) {
    const uint8_t index = lookup_.LookupIndex(color, chosen);
    column_ += direction_;
    return index;
}

void TDitherEngine::NextRow() {
    direction_ = -direction_;
    column_ = direction_ > 0 ? 0 : width_ - 1;
}

TErrorDiffusionDitherer::TErrorDiffusionDitherer(int width, TColorLookup& lookup, int divisor,
                                                 std::vector<TDiffusion> matrix)
    : TDitherEngine(width, lookup), divisor_(divisor), matrix_(std::move(matrix)) {
    rows_ = 1;
    for (const TDiffusion& d : matrix_)
        rows_ = std::max(rows_, d.rowsBelow + 1);
    errors_.assign(static_cast<size_t>(rows_) * 3 * static_cast<size_t>(width + 2 * kMargin), 0);
}

int& TErrorDiffusionDitherer::Error(int row, int component, int column) {
    const size_t stride = static_cast<size_t>(width_ + 2 * kMargin);
    return errors_[(static_cast<size_t>(row) * 3 + static_cast<size_t>(component)) * stride +
                   static_cast<size_t>(column + kMargin)];
}

uint8_t TErrorDiffusionDitherer::DitherPixel(TRGB color, TRGB& chosen) {
    const uint8_t in[3] = {color.r, color.g, color.b};
    int wanted[3];
    for (int c = 0; c < 3; ++c)
        wanted[c] = std::clamp(in[c] + (Error(0, c, column_) + divisor_ / 2) / divisor_, 0, 255);
    const uint8_t index = lookup_.LookupIndex(
        {static_cast<uint8_t>(wanted[0]), static_cast<uint8_t>(wanted[1]), static_cast<uint8_t>(wanted[2])},
        chosen);
    const uint8_t out[3] = {chosen.r, chosen.g, chosen.b};
    for (int c = 0; c < 3; ++c) {
        const int error = wanted[c] - out[c];
        if (error == 0) continue;
        for (const TDiffusion& d : matrix_) {
            const int column = column_ + direction_ * d.offset;
            if (column >= -kMargin && column < width_ + kMargin)
                Error(d.rowsBelow, c, column) += error * d.weight;
        }
    }
    column_ += direction_;
    return index;
}

void TErrorDiffusionDitherer::NextRow() {
    const size_t rowSize = 3 * static_cast<size_t>(width_ + 2 * kMargin);
    std::move(errors_.begin() + static_cast<std::ptrdiff_t>(rowSize), errors_.end(), errors_.begin());
    std::fill(errors_.end() - static_cast<std::ptrdiff_t>(rowSize), errors_.end(), 0);
    TDitherEngine::NextRow();
}

TFloydSteinbergDitherer::TFloydSteinbergDitherer(int width, TColorLookup& lookup)
    : TErrorDiffusionDitherer(width, lookup, 16, {{0, 1, 7}, {1, -1, 3}, {1, 0, 5}, {1, 1, 1}}) {}

TStuckiDitherer::TStuckiDitherer(int width, TColorLookup& lookup)
    : TErrorDiffusionDitherer(width, lookup, 42,
                              {{0, 1, 8},
                               {0, 2, 4},
                               {1, -2, 2},
                               {1, -1, 4},
                               {1, 0, 8},
                               {1, 1, 4},
                               {1, 2, 2},
                               {2, -2, 1},
                               {2, -1, 2},
                               {2, 0, 4},
                               {2, 1, 2},
                               {2, 2, 1}}) {}

TSierraDitherer::TSierraDitherer(int width, TColorLookup& lookup)
    : TErrorDiffusionDitherer(width, lookup, 32,
                              {{0, 1, 5},
                               {0, 2, 3},
                               {1, -2, 2},
                               {1, -1, 4},
                               {1, 0, 5},
                               {1, 1, 4},
                               {1, 2, 2},
                               {2, -1, 2},
                               {2, 0, 3},
                               {2, 1, 2}}) {}

TJaJuNiDitherer::TJaJuNiDitherer(int width, TColorLookup& lookup)
    : TErrorDiffusionDitherer(width, lookup, 48,
                              {{0, 1, 7},
                               {0, 2, 5},
                               {1, -2, 3},
                               {1, -1, 5},
                               {1, 0, 7},
                               {1, 1, 5},
                               {1, 2, 3},
                               {2, -2, 1},
                               {2, -1, 3},
                               {2, 0, 5},
                               {2, 1, 3},
                               {2, 2, 1}}) {}

TSteveArcheDitherer::TSteveArcheDitherer(int width, TColorLookup& lookup)
    : TErrorDiffusionDitherer(width, lookup, 200,
                              {{0, 2, 32},
                               {1, -3, 12},
                               {1, -1, 26},
                               {1, 1, 30},
                               {1, 3, 16},
                               {2, -2, 12},
                               {2, 0, 26},
                               {2, 2, 12},
                               {3, -3, 5},
                               {3, -1, 12},
                               {3, 1, 12},
                               {3, 3, 5}}) {}

TBurkesDitherer::TBurkesDitherer(int width, TColorLookup& lookup)
    : TErrorDiffusionDitherer(
          width, lookup, 32,
          {{0, 1, 8}, {0, 2, 4}, {1, -2, 2}, {1, -1, 4}, {1, 0, 8}, {1, 1, 4}, {1, 2, 2}}) {}

std::unique_ptr<TDitherEngine> CreateDitherer(TGIFDitherMode mode, int width, TColorLookup& lookup) {
    switch (mode) {
    case ditNearest:
        return std::make_unique<TDitherEngine>(width, lookup);
    case ditFloydSteinberg:
        return std::make_unique<TFloydSteinbergDitherer>(width, lookup);
    case ditStucki:
        return std::make_unique<TStuckiDitherer>(width, lookup);
    case ditSierra:
        return std::make_unique<TSierraDitherer>(width, lookup);
    case ditJarvisJudiceNinke:
        return std::make_unique<TJaJuNiDitherer>(width, lookup);
    case ditStevensonArce:
        return std::make_unique<TSteveArcheDitherer>(width, lookup);
    case ditBurkes:
        return std::make_unique<TBurkesDitherer>(width, lookup);
    }
    return nullptr;
}

// Octree

struct TColorQuantizer::TOctreeNode {
    bool leaf = false;
    int64_t pixels = 0;
    uint32_t red = 0;
    uint32_t green = 0;
    uint32_t blue = 0;
    TOctreeNode* next = nullptr; // the next reducible node of the same level
    std::array<std::unique_ptr<TOctreeNode>, 8> children;
};

TColorQuantizer::TColorQuantizer(int maxColors, int colorBits)
    : maxColors_(maxColors), colorBits_(colorBits) {}

TColorQuantizer::~TColorQuantizer() = default;

void TColorQuantizer::AddColor(TRGB color) {
    std::unique_ptr<TOctreeNode>* slot = &root_;
    for (int level = 0;; ++level) {
        if (!*slot) {
            *slot = std::make_unique<TOctreeNode>();
            if (level == colorBits_) {
                (*slot)->leaf = true;
                ++leafCount_;
            } else {
                (*slot)->next = reducible_[static_cast<size_t>(level)];
                reducible_[static_cast<size_t>(level)] = slot->get();
            }
        }
        TOctreeNode& node = **slot;
        if (node.leaf) {
            ++node.pixels;
            node.red += color.r;
            node.green += color.g;
            node.blue += color.b;
            break;
        }
        const int shift = 7 - level;
        const int child =
            ((color.r >> shift) & 1) * 4 + ((color.g >> shift) & 1) * 2 + ((color.b >> shift) & 1);
        slot = &node.children[static_cast<size_t>(child)];
    }
    while (leafCount_ > maxColors_)
        Reduce();
}

void TColorQuantizer::Reduce() {
    int level = colorBits_ - 1;
    while (level > 0 && !reducible_[static_cast<size_t>(level)])
        --level;
    TOctreeNode* node = reducible_[static_cast<size_t>(level)];
    if (!node) return;
    reducible_[static_cast<size_t>(level)] = node->next;
    int children = 0;
    for (auto& child : node->children) {
        if (!child) continue;
        node->pixels += child->pixels;
        node->red += child->red;
        node->green += child->green;
        node->blue += child->blue;
        child.reset();
        ++children;
    }
    node->leaf = true;
    leafCount_ -= children - 1;
}

void TColorQuantizer::ColorTable(ui::TPaletteEntries& palette, int first) const {
    int index = first;
    auto visit = [&](const auto& self, const TOctreeNode* node) -> void {
        if (!node) return;
        if (node->leaf) {
            if (index < static_cast<int>(palette.size())) {
                const int64_t n = node->pixels;
                palette[static_cast<size_t>(index)] =
                    n ? ui::RGB(static_cast<int>(node->red / n), static_cast<int>(node->green / n),
                                static_cast<int>(node->blue / n))
                      : ui::clBlack;
            }
            ++index;
            return;
        }
        for (const auto& child : node->children)
            self(self, child.get());
    };
    visit(visit, root_.get());
}

ui::TPaletteEntries OptimizedPaletteFromBitmap(ui::TBitmap& bitmap, int colors, int colorBits,
                                               bool systemColors) {
    const ui::TPaletteEntries& stock = ui::StockPalette20();
    ui::TPaletteEntries palette(systemColors ? 256 : static_cast<size_t>(colors), ui::clBlack);
    if (systemColors) {
        std::copy(stock.begin(), stock.begin() + 10, palette.begin());
        std::copy(stock.end() - 10, stock.end(), palette.end() - 10);
    }
    TColorQuantizer quantizer(systemColors ? 236 : colors, colorBits);
    TDIBReader reader(bitmap, ui::pf24bit);
    for (int y = 0; y < bitmap.Height(); ++y) {
        const uint8_t* row = reader.RowAddress(y);
        for (int x = 0; x < bitmap.Width(); ++x)
            quantizer.AddColor({row[3 * x + 2], row[3 * x + 1], row[3 * x]});
    }
    quantizer.ColorTable(palette, systemColors ? 10 : 0);
    if (systemColors) // the leaves never reach the stock colours at the end
        std::copy(stock.end() - 10, stock.end(), palette.end() - 10);
    return palette;
}

std::unique_ptr<ui::TBitmap> ReduceToPalette(ui::TBitmap& source, TGIFReductionMethod method,
                                             TGIFDitherMode dither, const ui::TPaletteEntries& palette,
                                             int reductionBits) {
    auto result = std::make_unique<ui::TBitmap>();
    if (method == redNone) {
        result->Assign(&source);
        result->SetPixelFormat(ui::pf24bit);
        return result;
    }
    if (int64_t{source.Width()} * source.Height() > kLargePicture) result->SetPixelFormat(ui::pf1bit);
    TDIBReader reader(source, ui::pf24bit);

    ui::TPaletteEntries colors;
    std::unique_ptr<TColorLookup> lookup;
    switch (method) {
    case redSystem20:
        colors = ui::StockPalette20();
        break;
    case redHalftone:
        colors = PaletteHalftone();
        break;
    case redGray4:
        colors = PaletteOf4Grays();
        break;
    case redMonochrome:
        colors = PaletteBlackWhite();
        lookup = std::make_unique<TMonochromeLookup>();
        break;
    case redGray256:
        colors = PaletteOfGrays();
        lookup = std::make_unique<TGrayScaleLookup>();
        break;
    case redWeb216:
        colors = PaletteOf216();
        lookup = std::make_unique<TNetscapeColorLookup>();
        break;
    case redQuantize:
        colors = OptimizedPaletteFromBitmap(source, 1 << reductionBits, 8, false);
        break;
    case redQuantizeSystem:
        colors = OptimizedPaletteFromBitmap(source, 256, 8, true);
        break;
    case redPalette:
        colors = palette;
        break;
    default:
        return result;
    }
    if (!lookup) lookup = std::make_unique<TFastColorLookup>(colors);
    if (lookup->Colors() == 0) return result;
    std::unique_ptr<TDitherEngine> ditherer = CreateDitherer(dither, source.Width(), *lookup);
    if (!ditherer) return result;

    TDIBWriter writer(*result, colors, source.Height(), source.Width(), ui::pf8bit);
    for (int y = 0; y < source.Height(); ++y) {
        const uint8_t* in = reader.RowAddress(y);
        uint8_t* out = writer.RowAddress(y);
        for (int x = ditherer->Column(); x >= 0 && x < source.Width(); x = ditherer->Column()) {
            TRGB chosen;
            out[x] = ditherer->DitherPixel({in[3 * x + 2], in[3 * x + 1], in[3 * x]}, chosen);
        }
        ditherer->NextRow();
    }
    return result;
}

} // namespace imaging
