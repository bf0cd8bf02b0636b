// Unicode regular-expression search over UTF-16 text.
#pragma once

#include <cstddef>
#include <string_view>
#include <vector>

#include "core/uUnicode.h"
#include "core/uUnicodeSearch.h"

namespace core {

// Why a pattern could not be compiled.
enum TUREError {
    ureOk,
    ureUnbalancedGroup,   // a "(" without ")" or the other way round
    ureBadBrace,          // a repetition in braces that is not {m}, {m,} or {m,n} with m <= n
    ureBadCategory,       // a \p or \P list that is empty or names a category above 54
    ureTrailingBackslash, // the pattern ends inside an escape
    ureUnterminatedClass, // a "[" without "]"
    ureBadClassName,      // an unknown name between "[:" and ":]"
    ureBadRange,          // a class range whose first character is above its last
    ureNothingToRepeat,   // "*", "+", "?" or a brace with nothing before it
    ureTooComplex         // the automaton would grow beyond any sensible size
};

// Regular-expression search over UTF-16 text. The pattern language: literals; "." any character;
// "^" and "$" at the ends of the text or next to a line break; "[...]" classes with ranges, "^" for
// negation, escapes, \p lists and named classes ("[:alpha:]" ...); the escapes \a \b \f \n \r \t \v,
// \x \X \u \U with up to four hexadecimal digits, \p and \P with a comma-separated list of category
// ordinals; postfix *, +, ? and {m}, {m,}, {m,n}; "|"; "(" ... ")". Without sfCaseSensitive letters
// compare by their lower case. A search finds the leftmost non-empty match, and the longest there.
class TURESearch : public TSearchEngine {
public:
    using TSearchEngine::FindPrepare;
    using TSearchEngine::TSearchEngine;

    void Clear() override;
    void FindPrepare(std::u16string_view pattern, TSearchFlags flags) override;

    // The outcome of the last FindPrepare.
    TUREError LastError() const { return error_; }

private:
    class TCompiler;

    // A set of characters: code point ranges, categories and categories excluded (\P), the whole
    // possibly negated.
    struct TSymbol {
        bool any = false;
        bool negated = false;
        std::vector<std::pair<char32_t, char32_t>> ranges;
        TCharacterCategories categories;
        TCharacterCategories excluded;
        bool Matches(char32_t code, char32_t folded) const;
        friend bool operator==(const TSymbol&, const TSymbol&) = default;
    };
    // One state of the automaton: it consumes a character of `symbol`, branches without consuming
    // (to `next` and `alternative`), tests a line boundary, or accepts.
    struct TState {
        enum Kind { skSymbol, skSplit, skLineStart, skLineEnd, skAccept } kind;
        int symbol = -1;
        int next = -1;
        int alternative = -1;
    };

    void ClearPattern();
    bool FindFrom(std::u16string_view text, std::size_t from, TSearchResult& result) const override;
    char32_t Fold(char32_t code) const;

    TSearchFlags flags_ = 0;
    TUREError error_ = ureOk;
    std::vector<TSymbol> symbols_;
    std::vector<TState> states_;
    int start_ = -1;
};

} // namespace core
