#include "widecontrols/uUcMemoLines.h"

namespace widecontrols {

namespace {

constexpr std::u16string_view kLineBreak = u"\r\n";

} // namespace

int TMemoLines::Count() const {
    int lines = 0;
    for (size_t start = 0; start < text_.size(); ++lines) {
        const size_t end = text_.find(kLineBreak, start);
        if (end == WideString::npos) return lines + 1;
        start = end + kLineBreak.size();
    }
    return lines;
}

int TMemoLines::LineIndex(int line) const {
    if (line < 0) return -1;
    size_t start = 0;
    for (int i = 0; i < line; ++i) {
        const size_t end = text_.find(kLineBreak, start);
        if (end == WideString::npos) return -1;
        start = end + kLineBreak.size();
    }
    return static_cast<int>(start);
}

int TMemoLines::LineLength(int offset) const {
    const size_t start = text_.rfind(kLineBreak, offset > 0 ? static_cast<size_t>(offset) - 1 : 0);
    const size_t lineStart = offset <= 0 || start == WideString::npos ? 0 : start + kLineBreak.size();
    const size_t end = std::min(text_.find(kLineBreak, lineStart), text_.size());
    return static_cast<int>(end - lineStart);
}

WideString TMemoLines::Get(int line) const {
    const int start = LineIndex(line);
    if (start < 0) return {};
    const int length = LineLength(start);
    if (length > kMaxMemoLineLength) throw EOutOfResources("Line too long");
    return text_.substr(static_cast<size_t>(start), static_cast<size_t>(length));
}

void TMemoLines::Put(int line, std::u16string_view s) {
    const int start = LineIndex(line);
    if (start >= 0) Replace(start, LineLength(start), s);
}

void TMemoLines::Insert(int line, std::u16string_view s) {
    if (line < 0) return;
    if (const int start = LineIndex(line); start >= 0) {
        Replace(start, 0, WideString(s) + WideString(kLineBreak));
        return;
    }
    const int previous = LineIndex(line - 1);
    if (previous < 0) return;
    const int length = LineLength(previous);
    if (length > 0) Replace(previous + length, 0, WideString(kLineBreak) + WideString(s));
}

void TMemoLines::Delete(int line) {
    const int start = LineIndex(line);
    if (start < 0) return;
    const int next = LineIndex(line + 1);
    Replace(start, (next >= 0 ? next : start + LineLength(start)) - start, u"");
}

void TMemoLines::Replace(int start, int length, std::u16string_view s) {
    text_.replace(static_cast<size_t>(start), static_cast<size_t>(length), s);
}

} // namespace widecontrols
