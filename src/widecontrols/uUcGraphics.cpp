#include "widecontrols/uUcGraphics.h"

namespace widecontrols {

ui::TSize AverageCharSize(const ui::TCanvas& canvas) {
    static constexpr std::u16string_view kLetters = u"ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz";
    return {(canvas.TextExtent(kLetters).cx / 26 + 1) / 2, canvas.TextMetrics().tmHeight};
}

} // namespace widecontrols
