#pragma once

#include <functional>
#include <string>
#include <string_view>

namespace rtl {
class TStringList;
}

namespace app {

// Lines of the parameter-hint window hold at most this many characters of parameters.
inline constexpr int kParameterHintLineLength = 150;

// The hint's markup (the current parameter in <b>, lines broken with <br>) and the pixel size of its
// text: the widest line and the number of lines.
struct TParameterHintLayout {
    std::string Markup;
    int Lines = 1;
    int Widest = 0;
};

// Lays the parameters out; `width` measures a text in the hint's font, bold or not.
TParameterHintLayout LayoutParameterHints(const rtl::TStringList& parameters, int current,
                                          const std::function<int(std::string_view text, bool bold)>& width);

} // namespace app
