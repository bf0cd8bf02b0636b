#include "platform/ui/TextLayout.h"

#include <algorithm>

namespace ui {

namespace {

constexpr std::u16string_view kEllipsis = u"...";
constexpr int kTabChars = 8;

std::vector<std::u16string_view> Paragraphs(std::u16string_view text, bool singleLine) {
    std::vector<std::u16string_view> result;
    if (singleLine) {
        result.push_back(text);
        return result;
    }
    size_t start = 0;
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] != u'\r' && text[i] != u'\n') continue;
        result.push_back(text.substr(start, i - start));
        if (text[i] == u'\r' && i + 1 < text.size() && text[i + 1] == u'\n') ++i;
        start = i + 1;
    }
    result.push_back(text.substr(start));
    return result;
}

int TabWidth(const TTextMeasurer& measurer) {
    return std::max(1, kTabChars * measurer.AverageCharWidth());
}

// Measures with the layout's tab rule.
class Measure {
public:
    Measure(const TTextMeasurer& measurer, bool expandTabs) : measurer_(measurer), expandTabs_(expandTabs) {}
    int operator()(std::u16string_view text) const { return MeasureText(text, measurer_, expandTabs_); }

private:
    const TTextMeasurer& measurer_;
    bool expandTabs_;
};

bool IsSpace(char16_t c) {
    return c == u' ' || c == u'\t';
}

// The longest prefix of `text` (at least one character) whose width fits.
size_t CharacterFit(std::u16string_view text, int width, const Measure& measure) {
    size_t count = 1;
    while (count < text.size() && measure(text.substr(0, count + 1)) <= width)
        ++count;
    return count;
}

// Splits a paragraph into lines no wider than `width` where it can, breaking after spaces.
std::vector<std::pair<size_t, size_t>> Wrap(std::u16string_view text, int width, bool breakWords,
                                            const Measure& measure) {
    std::vector<std::pair<size_t, size_t>> lines; // start, length
    size_t pos = 0;
    do {
        size_t best = 0; // length of the longest fitting run of whole words
        size_t i = pos;
        while (i < text.size()) {
            size_t end = i;
            while (end < text.size() && !IsSpace(text[end]))
                ++end;
            if (measure(text.substr(pos, end - pos)) > width) break;
            best = end - pos;
            while (end < text.size() && IsSpace(text[end]))
                ++end;
            i = end;
        }
        if (best == 0 && pos < text.size()) {
            // The first word is too wide on its own.
            size_t end = pos;
            while (end < text.size() && !IsSpace(text[end]))
                ++end;
            best = breakWords ? CharacterFit(text.substr(pos, end - pos), width, measure) : end - pos;
        }
        lines.emplace_back(pos, best);
        pos += best;
        while (pos < text.size() && IsSpace(text[pos]))
            ++pos;
    } while (pos < text.size());
    return lines;
}

void EndEllipsis(TTextLine& line, int width, const Measure& measure) {
    size_t keep = line.text.size();
    while (keep > 0 && measure(line.text.substr(0, keep) + std::u16string(kEllipsis)) > width)
        --keep;
    line.text = line.text.substr(0, keep) + std::u16string(kEllipsis);
    if (line.mnemonic >= static_cast<int>(keep)) line.mnemonic = -1;
}

// Keeps the last path element and as much of the start as fits: "C:\...\file.txt".
void PathEllipsis(TTextLine& line, int width, const Measure& measure) {
    const size_t slash = line.text.find_last_of(u"\\/");
    if (slash == std::u16string::npos || slash == 0) {
        EndEllipsis(line, width, measure);
        return;
    }
    const std::u16string tail = line.text.substr(slash);
    size_t keep = slash;
    while (keep > 0 && measure(line.text.substr(0, keep) + std::u16string(kEllipsis) + tail) > width)
        --keep;
    if (keep == 0 && measure(std::u16string(kEllipsis) + tail) > width) {
        line.text = line.text.substr(slash + 1);
        line.mnemonic = -1;
        EndEllipsis(line, width, measure);
        return;
    }
    line.text = line.text.substr(0, keep) + std::u16string(kEllipsis) + tail;
    line.mnemonic = -1;
}

} // namespace

std::vector<std::pair<int, std::u16string_view>> TabSegments(std::u16string_view text,
                                                             const TTextMeasurer& measurer) {
    std::vector<std::pair<int, std::u16string_view>> segments;
    const int tabWidth = TabWidth(measurer);
    int x = 0;
    size_t start = 0;
    for (size_t tab = text.find(u'\t'); tab != std::u16string_view::npos; tab = text.find(u'\t', start)) {
        segments.emplace_back(x, text.substr(start, tab - start));
        x += measurer.Width(text.substr(start, tab - start));
        x = (x / tabWidth + 1) * tabWidth;
        start = tab + 1;
    }
    segments.emplace_back(x, text.substr(start));
    return segments;
}

int MeasureText(std::u16string_view text, const TTextMeasurer& measurer, bool expandTabs) {
    if (!expandTabs) return measurer.Width(text);
    const auto segments = TabSegments(text, measurer);
    return segments.back().first + measurer.Width(segments.back().second);
}

std::u16string StripPrefixes(std::u16string_view text, int* mnemonic) {
    std::u16string result;
    int marked = -1;
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == u'&' && i + 1 < text.size()) {
            ++i;
            if (text[i] != u'&') marked = static_cast<int>(result.size());
        } else if (text[i] == u'&') {
            continue; // a lone "&" at the end shows nothing
        }
        result += text[i];
    }
    if (mnemonic) *mnemonic = marked;
    return result;
}

TTextLayout LayoutText(std::u16string_view text, int width, TTextFormat format,
                       const TTextMeasurer& measurer) {
    const bool singleLine = format & DT_SINGLELINE;
    const bool expandTabs = format & DT_EXPANDTABS;
    const Measure measure(measurer, expandTabs);
    const bool ellipsis = format & (DT_END_ELLIPSIS | DT_WORD_ELLIPSIS | DT_PATH_ELLIPSIS);
    TTextLayout layout;
    layout.lineHeight =
        measurer.LineHeight() + (format & DT_EXTERNALLEADING ? measurer.ExternalLeading() : 0);

    for (std::u16string_view paragraph : Paragraphs(text, singleLine)) {
        int mnemonic = -1;
        std::u16string plain =
            format & DT_NOPREFIX ? std::u16string(paragraph) : StripPrefixes(paragraph, &mnemonic);
        if (singleLine) std::erase_if(plain, [](char16_t c) { return c == u'\r' || c == u'\n'; });
        if (!expandTabs) std::replace(plain.begin(), plain.end(), u'\t', u' ');

        std::vector<std::pair<size_t, size_t>> pieces{{0, plain.size()}};
        if ((format & DT_WORDBREAK) && !singleLine) pieces = Wrap(plain, width, !ellipsis, measure);
        for (const auto& [start, length] : pieces) {
            TTextLine line;
            line.text = plain.substr(start, length);
            if (mnemonic >= static_cast<int>(start) && mnemonic < static_cast<int>(start + length))
                line.mnemonic = mnemonic - static_cast<int>(start);
            if (ellipsis && measure(line.text) > width) {
                if (format & DT_PATH_ELLIPSIS) {
                    PathEllipsis(line, width, measure);
                } else {
                    EndEllipsis(line, width, measure);
                }
            }
            line.width = measure(line.text);
            layout.width = std::max(layout.width, line.width);
            layout.lines.push_back(std::move(line));
        }
    }
    return layout;
}

} // namespace ui
