// The clipboard's wide text, with its 8-bit twin in the ANSI code page for readers of 8-bit text.
#pragma once

#include "widecontrols/uUcUtils.h"

namespace ui {
class TClipboard;
}

namespace widecontrols {

class TUcClipboard {
public:
    explicit TUcClipboard(ui::TClipboard& clipboard) : clipboard_(clipboard) {}

    // One new content with CF_TEXT (the text in the ANSI code page) and CF_UNICODETEXT (the exact
    // text). The clipboard keeps text formats without a terminating zero, so an empty text puts two
    // empty formats.
    void SetAsWideText(std::u16string_view text);

private:
    ui::TClipboard& clipboard_;
};

// Over the framework's clipboard.
TUcClipboard& UcClipboard();

} // namespace widecontrols
