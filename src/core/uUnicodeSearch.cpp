#include "core/uUnicodeSearch.h"

#include <algorithm>

#include "core/uUnicode.h"
#include "platform/rtl/Exception.h"

namespace core {

namespace {

bool IsHighSurrogate(char16_t c) {
    return c >= 0xD800 && c <= 0xDBFF;
}
bool IsLowSurrogate(char16_t c) {
    return c >= 0xDC00 && c <= 0xDFFF;
}

// Whether `pos` is the second half of a surrogate pair.
bool InsidePair(std::u16string_view text, std::size_t pos) {
    return pos > 0 && pos < text.size() && IsLowSurrogate(text[pos]) && IsHighSurrogate(text[pos - 1]);
}

// The code point that ends at `end`, not reaching before `from`; `end` moves to its start.
char32_t CodePointBefore(std::u16string_view text, std::size_t from, std::size_t& end) {
    std::size_t start = end - 1;
    if (start > from && InsidePair(text, start)) --start;
    std::size_t pos = start;
    const char32_t c = WideCodePointAt(text, pos);
    end = start;
    return c;
}

char32_t FirstOf(const std::u32string& mapping) {
    return mapping.front();
}

} // namespace

void TSearchEngine::DeleteResult(std::size_t index) {
    if (index >= results_.size()) rtl::ListIndexError(static_cast<long long>(index));
    results_.erase(results_.begin() + static_cast<std::ptrdiff_t>(index));
}

const TSearchResult& TSearchEngine::GetResult(std::size_t index) const {
    if (index >= results_.size()) rtl::ListIndexError(static_cast<long long>(index));
    return results_[index];
}

bool TSearchEngine::FindFirst(std::u16string_view text) {
    ClearResults();
    TSearchResult match;
    if (!FindFrom(text, 0, match)) return false;
    AddResult(match.start, match.stop);
    return true;
}

bool TSearchEngine::FindAll(std::u16string_view text) {
    ClearResults();
    TSearchResult match;
    for (std::size_t from = 0; FindFrom(text, from, match); from = match.stop)
        AddResult(match.start, match.stop);
    return Count() > 0;
}

void TUTBMSearch::Clear() {
    ClearPattern();
    TSearchEngine::Clear();
}

void TUTBMSearch::ClearPattern() {
    pattern_.clear();
    skips_.clear();
    length_ = lastStart_ = 0;
    hasSpace_ = false;
    spaceSkip_ = {0, 0};
}

void TUTBMSearch::FindPrepare(std::u16string_view pattern, TSearchFlags flags) {
    ClearPattern();
    flags_ = flags;
    std::vector<std::size_t> starts;
    bool afterSpace = false;
    for (std::size_t pos = 0; pos < pattern.size();) {
        const std::size_t start = pos;
        const char32_t c = WideCodePointAt(pattern, pos);
        if ((flags & sfIgnoreNonSpacing) && UnicodeIsNonSpacing(c)) continue;
        const bool space = (flags & sfSpaceCompress) && UnicodeIsWhiteSpace(c);
        if (space && afterSpace) continue;
        if ((flags & sfSpaceCompress) && !space && UnicodeIsControl(c)) continue;
        afterSpace = space;
        starts.push_back(length_);
        if (space) {
            pattern_.push_back({U' ', U' ', U' ', true});
            length_ += 1;
        } else if (flags & sfCaseSensitive) {
            pattern_.push_back({c, c, c, false});
            length_ += pos - start;
        } else {
            pattern_.push_back(
                {FirstOf(UnicodeToUpper(c)), FirstOf(UnicodeToLower(c)), FirstOf(UnicodeToTitle(c)), false});
            length_ += pos - start;
        }
    }
    if (pattern_.empty()) return;

    // Distances from each character to the last one; later occurrences overwrite earlier ones, so
    // every entry keeps the smallest. The last character itself has no shift distance.
    constexpr std::size_t kNone = static_cast<std::size_t>(-1);
    lastStart_ = starts.back();
    const std::size_t last = pattern_.size() - 1;
    for (std::size_t i = 0; i <= last; ++i) {
        const std::size_t distance = lastStart_ - starts[i];
        const auto update = [&](TSkip& entry) {
            entry.skip = distance;
            if (i < last) entry.shift = distance;
        };
        const auto& p = pattern_[i];
        if (p.space) {
            if (!hasSpace_) spaceSkip_ = {distance, kNone};
            hasSpace_ = true;
            update(spaceSkip_);
            continue;
        }
        for (const char32_t variant : {p.upper, p.lower, p.title})
            update(skips_.try_emplace(variant, TSkip{distance, kNone}).first->second);
    }
}

bool TUTBMSearch::IsSpaceRun(char32_t c) const {
    return UnicodeIsWhiteSpace(c) || UnicodeIsControl(c);
}

bool TUTBMSearch::Matches(const TPatternChar& p, char32_t c) const {
    if (p.space) return IsSpaceRun(c);
    return c == p.upper || c == p.lower || c == p.title;
}

// The smallest move that cannot pass a match: a character that matches no pattern character cannot
// be inside a match, so the next match ends a whole pattern further on.
TUTBMSearch::TSkip TUTBMSearch::SkipFor(char32_t c, std::size_t length) const {
    if ((flags_ & sfIgnoreNonSpacing) && UnicodeIsNonSpacing(c)) return {1, 1};
    const std::size_t beyond = lastStart_ + length;
    TSkip result{beyond, beyond};
    const auto take = [&](const TSkip& entry) {
        result.skip = std::min(result.skip, entry.skip);
        result.shift = std::min(result.shift, entry.shift);
    };
    if (const auto it = skips_.find(c); it != skips_.end()) take(it->second);
    if (hasSpace_ && IsSpaceRun(c)) take(spaceSkip_);
    return result;
}

bool TUTBMSearch::MatchAt(std::u16string_view text, std::size_t from, std::size_t cursor,
                          TSearchResult& result) const {
    std::size_t stop = cursor;
    WideCodePointAt(text, stop);
    std::size_t pos = stop;
    for (std::size_t i = pattern_.size(); i-- > 0;) {
        const auto& p = pattern_[i];
        if ((flags_ & sfIgnoreNonSpacing) && i + 1 < pattern_.size()) {
            std::size_t before = pos;
            while (pos > from && UnicodeIsNonSpacing(CodePointBefore(text, from, before)))
                pos = before;
        }
        if (p.space) {
            const std::size_t runEnd = pos;
            std::size_t before = pos;
            while (pos > from && IsSpaceRun(CodePointBefore(text, from, before)))
                pos = before;
            if (pos == runEnd) return false;
        } else {
            if (pos == from) return false;
            if (!Matches(p, CodePointBefore(text, from, pos))) return false;
        }
    }
    result = {pos, stop};
    return true;
}

// A word ends at any character that cannot be part of an identifier, punctuation included.
bool TUTBMSearch::IsWholeWord(std::u16string_view text, const TSearchResult& match) const {
    if (match.start > 0) {
        std::size_t pos = match.start;
        if (UnicodeIsIdentifierPart(CodePointBefore(text, 0, pos))) return false;
    }
    if (match.stop < text.size()) {
        std::size_t pos = match.stop;
        if (UnicodeIsIdentifierPart(WideCodePointAt(text, pos))) return false;
    }
    return true;
}

bool TUTBMSearch::FindFrom(std::u16string_view text, std::size_t from, TSearchResult& result) const {
    if (!Prepared() || from > text.size() || text.size() - from < length_) return false;
    std::size_t cursor = from + lastStart_;
    if (InsidePair(text, cursor)) --cursor;
    while (cursor < text.size()) {
        std::size_t next = cursor;
        const char32_t c = WideCodePointAt(text, next);
        const std::size_t length = next - cursor;
        const TSkip move = SkipFor(c, length);
        std::size_t distance = move.skip;
        if (distance == 0) {
            if (MatchAt(text, from, cursor, result) &&
                (!(flags_ & sfWholeWordOnly) || IsWholeWord(text, result)))
                return true;
            distance = move.shift;
        }
        std::size_t target = distance > text.size() - cursor ? text.size() : cursor + distance;
        if (InsidePair(text, target)) --target;
        cursor = std::max(target, next);
    }
    return false;
}

} // namespace core
