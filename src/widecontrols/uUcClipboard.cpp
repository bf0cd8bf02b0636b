#include "widecontrols/uUcClipboard.h"

#include "platform/rtl/ScopeExit.h"
#include "platform/ui/Clipboard.h"

namespace widecontrols {

void TUcClipboard::SetAsWideText(std::u16string_view text) {
    clipboard_.Open();
    const rtl::ScopeExit closing([this] { clipboard_.Close(); });
    clipboard_.SetData(ui::CF_TEXT, WideToAnsi(text));
    clipboard_.SetAsWideText(text);
}

TUcClipboard& UcClipboard() {
    static TUcClipboard clipboard(ui::Clipboard());
    return clipboard;
}

} // namespace widecontrols
