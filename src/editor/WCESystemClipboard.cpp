#include "editor/WCESystemClipboard.h"

#include "platform/ui/Clipboard.h"

namespace editor {

std::u16string TSystemEditorClipboard::GetText() {
    ui::TClipboard& clipboard = ui::Clipboard();
    return clipboard.HasFormat(ui::CF_UNICODETEXT) ? clipboard.AsWideText() : std::u16string();
}

void TSystemEditorClipboard::SetText(const std::u16string& text) {
    ui::Clipboard().SetAsWideText(text);
}

} // namespace editor
