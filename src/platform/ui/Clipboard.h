// The clipboard and its named formats.
#pragma once

#include "platform/ui/Bitmap.h"

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace ui {

using TClipboardFormat = uint32_t;
constexpr TClipboardFormat CF_TEXT = 1;
constexpr TClipboardFormat CF_BITMAP = 2;
constexpr TClipboardFormat CF_DIB = 8;
constexpr TClipboardFormat CF_UNICODETEXT = 13;
constexpr TClipboardFormat kFirstRegisteredFormat = 0xC000;

// The id of a named format, the same for every call with that name (names compare without case).
TClipboardFormat RegisterClipboardFormat(const std::string& name);
// The name of a registered format; empty for others.
std::string GetClipboardFormatName(TClipboardFormat format);

// The system clipboard. Data set between Open and Close is one new content: the first setting
// empties what was there, and Close publishes it to the desktop's clipboard. A setting outside
// Open is its own Open and Close. Text converts between CF_TEXT (8-bit, UTF-8 here) and
// CF_UNICODETEXT (UTF-16) when only one was set.
class TClipboard {
public:
    TClipboard();
    ~TClipboard();
    TClipboard(const TClipboard&) = delete;
    TClipboard& operator=(const TClipboard&) = delete;

    void Open();
    void Close();
    // Empties the clipboard.
    void Clear();

    bool HasFormat(TClipboardFormat format) const;
    std::vector<TClipboardFormat> Formats() const;

    std::string AsText() const;
    void SetAsText(std::string_view text);
    std::u16string AsWideText() const;
    void SetAsWideText(std::u16string_view text);
    // The clipboard's picture into `bitmap`; false when it holds none.
    bool GetBitmap(TBitmap& bitmap) const;
    void SetBitmap(const TBitmap& bitmap);
    // The bytes of any format (text formats without their terminating zero).
    std::optional<std::string> GetData(TClipboardFormat format) const;
    void SetData(TClipboardFormat format, std::string_view bytes);

private:
    struct Content;
    // Before the first setting of an Open: forget the old content.
    void Adding();
    // Takes what another program put on the desktop's clipboard.
    void Refresh() const;
    void Publish();

    std::unique_ptr<Content> content_;
    int openCount_ = 0;
    bool emptied_ = false;
    bool changed_ = false;
};

TClipboard& Clipboard();

} // namespace ui
