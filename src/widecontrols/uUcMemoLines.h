// The lines of a memo's text as a multi-line edit window counts them. Lines end at CR LF; a text
// that ends with CR LF has an empty last line, which the line count leaves out (the framework's
// memo does), but which still has a start to insert at.
#pragma once

#include "widecontrols/uUcUtils.h"

namespace widecontrols {

RTL_DECLARE_EXCEPTION(EOutOfResources, rtl::Exception);

// A memo line longer than this many UTF-16 units cannot be read.
inline constexpr int kMaxMemoLineLength = 65535;

class TMemoLines {
public:
    explicit TMemoLines(WideString text) : text_(std::move(text)) {}

    const WideString& Text() const { return text_; }
    // The lines, without the empty line after a final CR LF.
    int Count() const;
    // Where the line starts; -1 for a line the text does not have.
    int LineIndex(int line) const;
    // The length of the line that holds `offset`, without its break.
    int LineLength(int offset) const;

    // The line; "" for a line the text does not have. Raises EOutOfResources "Line too long" for a
    // line longer than kMaxMemoLineLength.
    WideString Get(int line) const;
    // Replaces the line's text; nothing for a line the text does not have.
    void Put(int line, std::u16string_view s);
    // A new line before `line`, or after the last one when `line` is one beyond it; nothing further
    // on, or after a last line that is empty.
    void Insert(int line, std::u16string_view s);
    // The line and its break.
    void Delete(int line);

private:
    void Replace(int start, int length, std::u16string_view s);

    WideString text_;
};

} // namespace widecontrols
