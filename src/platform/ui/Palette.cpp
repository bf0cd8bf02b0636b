#include "platform/ui/Palette.h"

#include <climits>

namespace ui {

const TPaletteEntries& StandardPalette16() {
    static const TPaletteEntries entries = {clBlack, clMaroon,  clGreen,  clOlive, clNavy, clPurple,
                                            clTeal,  clGray,    clSilver, clRed,   clLime, clYellow,
                                            clBlue,  clFuchsia, clAqua,   clWhite};
    return entries;
}

const TPaletteEntries& StockPalette20() {
    static const TPaletteEntries entries = {
        clBlack, clMaroon,  clGreen, clOlive, clNavy, clPurple, clTeal, clSilver,  clMoneyGreen, clSkyBlue,
        clCream, clMedGray, clGray,  clRed,   clLime, clYellow, clBlue, clFuchsia, clAqua,       clWhite};
    return entries;
}

const TPaletteEntries& HalftonePalette() {
    static const TPaletteEntries entries = [] {
        const TPaletteEntries& stock = StockPalette20();
        TPaletteEntries result(stock.begin(), stock.begin() + 10);
        constexpr int kLevels[] = {0, 51, 102, 153, 204, 255};
        for (int b : kLevels)
            for (int g : kLevels)
                for (int r : kLevels)
                    result.push_back(RGB(r, g, b));
        // Greys between the cube's levels fill the rest up to the last ten stock colours.
        for (int i = 1; result.size() < 246; ++i) {
            const int level = i * 255 / 21;
            result.push_back(RGB(level, level, level));
        }
        result.insert(result.end(), stock.begin() + 10, stock.end());
        return result;
    }();
    return entries;
}

const TPaletteEntries& DefaultPalette(int bitsPerPixel) {
    static const TPaletteEntries mono = {clBlack, clWhite};
    switch (bitsPerPixel) {
    case 1:
        return mono;
    case 4:
        return StandardPalette16();
    default:
        return HalftonePalette();
    }
}

int NearestPaletteIndex(const TPaletteEntries& entries, TColor color) {
    const TColor rgb = ColorToRGB(color);
    int best = -1;
    int bestDistance = INT_MAX;
    for (size_t i = 0; i < entries.size(); ++i) {
        const int dr = GetRValue(entries[i]) - GetRValue(rgb);
        const int dg = GetGValue(entries[i]) - GetGValue(rgb);
        const int db = GetBValue(entries[i]) - GetBValue(rgb);
        const int distance = dr * dr + dg * dg + db * db;
        if (distance < bestDistance) {
            best = static_cast<int>(i);
            bestDistance = distance;
            if (distance == 0) break;
        }
    }
    return best;
}

} // namespace ui
