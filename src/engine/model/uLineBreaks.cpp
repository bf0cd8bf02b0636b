#include "engine/model/uLineBreaks.h"

#include <algorithm>

#include "platform/rtl/Utf.h"

namespace engine {

namespace {

constexpr std::string_view kEditorBreak = "\r\n";
constexpr std::u16string_view kWideEditorBreak = u"\r\n";
constexpr std::string_view kWrittenBreak = "\n";

bool IsLineBreak(char16_t c) {
    return c == u'\r' || c == u'\n' || c == u'\v' || c == u'\f' || c == 0x2028 || c == 0x2029;
}

std::vector<std::u16string_view> Lines(std::u16string_view text) {
    std::vector<std::u16string_view> lines;
    for (std::size_t start = 0;;) {
        const std::size_t end = text.find(kWideEditorBreak, start);
        lines.push_back(text.substr(start, end == std::u16string_view::npos ? end : end - start));
        if (end == std::u16string_view::npos) return lines;
        start = end + kWideEditorBreak.size();
    }
}

} // namespace

std::u16string SplitLineBreaks(std::u16string_view text, TLineBreaks& breaks) {
    breaks.clear();
    std::u16string result;
    result.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (!IsLineBreak(text[i])) {
            result += text[i];
            continue;
        }
        const std::size_t length = text[i] == u'\r' && i + 1 < text.size() && text[i + 1] == u'\n' ? 2 : 1;
        breaks.push_back(rtl::Utf16ToUtf8(text.substr(i, length)));
        result += kWideEditorBreak;
        i += length - 1;
    }
    return result;
}

TLineBreaks CarryLineBreaks(std::u16string_view oldText, const TLineBreaks& oldBreaks,
                            std::u16string_view newText) {
    const auto oldLines = Lines(oldText);
    const auto newLines = Lines(newText);
    const std::size_t shorter = std::min(oldLines.size(), newLines.size());
    std::size_t head = 0;
    while (head < shorter && oldLines[head] == newLines[head])
        ++head;
    std::size_t tail = 0;
    while (tail < shorter - head &&
           oldLines[oldLines.size() - 1 - tail] == newLines[newLines.size() - 1 - tail])
        ++tail;
    const auto oldBreak = [&](std::size_t line) {
        return line < oldBreaks.size() ? oldBreaks[line] : std::string(kWrittenBreak);
    };
    // The break after line i belongs to line i; a line of the tail keeps the break it had unless
    // it is the last line of the text, which has none.
    TLineBreaks breaks;
    for (std::size_t line = 0; line + 1 < newLines.size(); ++line) {
        if (line < head)
            breaks.push_back(oldBreak(line));
        else if (line >= newLines.size() - tail)
            breaks.push_back(oldBreak(line + oldLines.size() - newLines.size()));
        else
            breaks.emplace_back(kWrittenBreak);
    }
    return breaks;
}

std::string WithLineBreaks(std::string_view text, const TLineBreaks& breaks, std::size_t firstLine) {
    std::string result;
    result.reserve(text.size());
    std::size_t line = firstLine;
    for (std::size_t start = 0;;) {
        const std::size_t end = text.find(kEditorBreak, start);
        if (end == std::string_view::npos) {
            result += text.substr(start);
            return result;
        }
        result += text.substr(start, end - start);
        result += line < breaks.size() ? std::string_view(breaks[line]) : kWrittenBreak;
        ++line;
        start = end + kEditorBreak.size();
    }
}

} // namespace engine
