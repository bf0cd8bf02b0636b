// The editor's clipboard over the system clipboard, in the Unicode text format only.
#pragma once

#include "editor/WideCodeEditModel.h"

namespace editor {

// The editor's clipboard over the system clipboard, in the Unicode text format only.
class TSystemEditorClipboard : public IEditorClipboard {
public:
    // Empty when the clipboard holds no Unicode text.
    std::u16string GetText() override;
    void SetText(const std::u16string& text) override;
};

} // namespace editor
