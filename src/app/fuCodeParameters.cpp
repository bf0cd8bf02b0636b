#include "app/fuCodeParameters.h"

#include "platform/rtl/StringList.h"
#include "platform/rtl/Utf.h"

#include <algorithm>

namespace app {

TParameterHintLayout LayoutParameterHints(const rtl::TStringList& parameters, int current,
                                          const std::function<int(std::string_view text, bool bold)>& width) {
    TParameterHintLayout layout;
    size_t lineLength = 0;
    int linePixels = 0;
    for (int i = 0; i < parameters.Count(); ++i) {
        const std::string& entry = parameters[i];
        const bool bold = i == current;
        // Lengths in characters as the user sees them, not in UTF-8 bytes.
        const size_t length = rtl::Utf8ToUtf16(entry).size();
        std::string_view separator = ", ";
        if (lineLength == 0 || lineLength + length <= kParameterHintLineLength) {
            lineLength += length;
            linePixels += width(entry + ", ", bold);
        } else {
            separator = ",<br>";
            lineLength = length;
            ++layout.Lines;
            layout.Widest = std::max(layout.Widest, linePixels);
            linePixels = width(entry + ",", bold);
        }
        if (i > 0) layout.Markup += separator;
        layout.Markup += bold ? "<b>" + entry + "</b>" : entry;
    }
    layout.Widest = std::max(layout.Widest, linePixels);
    return layout;
}

} // namespace app
