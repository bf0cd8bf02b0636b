// Data that leaves the program: the formats and bytes the clipboard keeps, their form in Qt's mime
// data, and the system's drag and drop that carries them to another program.
#pragma once

#include "platform/ui/Clipboard.h"

#include <cstdint>
#include <map>
#include <string>

class QMimeData;

namespace ui {

class TWinControl;

// Each format's bytes: CF_UNICODETEXT as UTF-16LE, CF_TEXT as UTF-8, registered formats as they are.
using TFormatData = std::map<TClipboardFormat, std::string>;

// What a drop does with the data; a mask of them is what the source allows.
constexpr uint32_t DROPEFFECT_NONE = 0;
constexpr uint32_t DROPEFFECT_COPY = 1;
constexpr uint32_t DROPEFFECT_MOVE = 2;
constexpr uint32_t DROPEFFECT_LINK = 4;
// The target may scroll under the drag; it takes no data.
constexpr uint32_t DROPEFFECT_SCROLL = 0x80000000;

// Drags `data` out of `source`'s window while the mouse button is held; answers the effect the drop
// target chose, DROPEFFECT_NONE when the drag was cancelled (Escape) or refused.
uint32_t DoSystemDrag(TWinControl& source, const TFormatData& data, uint32_t allowedEffects);

// ---- Framework side ----
// Text goes as plain text (the UTF-16 form when both are there), registered formats under a mime type
// of their name; other formats stay in the program.
QMimeData* ToMimeData(const TFormatData& data);
// The text as CF_UNICODETEXT and the registered formats found.
TFormatData FromMimeData(const QMimeData& mime);

} // namespace ui
