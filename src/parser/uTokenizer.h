// Splits SQL text into tokens: words, operators, literals and comments.
#pragma once

#include "core/uContainers.h"
#include "parser/uTokens.h"

#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace parser {

// One-character tokens that also end words. "%" and "^" are operators to the server, so they split
// words as well.
inline constexpr std::string_view kBreakCharacters = "&`;:=<>()[]\"!,.+-*/\\|'~%^";

// A multi-character operator and the class of the token it gives.
struct TCompositeOperation {
    std::string Text;
    TTokenKind TokenClass = TTokenKind::CompositeOperation;
};
using TCompositeOperations = std::vector<TCompositeOperation>;

// Reserved words kept in ReservedWordLess order for binary search.
using TReservedWords = std::vector<std::string>;
// Orders ignoring ASCII case.
bool ReservedWordLess(std::string_view a, std::string_view b);
void SortReservedWords(TReservedWords& words);

// Turns text into tokens that keep every character, whitespace and comments included. Configured
// once by its grammar; Tokenize keeps its reading state to itself, so one tokenizer may serve
// several threads at once.
class TTokenizer {
public:
    TTokenizer() = default;
    virtual ~TTokenizer() = default;
    TTokenizer(const TTokenizer&) = delete;
    TTokenizer& operator=(const TTokenizer&) = delete;

    core::TQuotePairs& StringQuotes() { return stringQuotes_; }
    core::TQuotePairs& IdentifierQuotes() { return identifierQuotes_; }
    const core::TQuotePairs& StringQuotes() const { return stringQuotes_; }
    const core::TQuotePairs& IdentifierQuotes() const { return identifierQuotes_; }
    // Tried in list order, so a longer operator must precede its prefixes.
    TCompositeOperations& CompositeOperations() { return compositeOperations_; }
    // Sorted by the grammar after filling (SortReservedWords).
    TReservedWords& ReservedWords() { return reservedWords_; }
    bool IsReservedWord(std::string_view word) const;

    // Markers are compared ignoring case and tried in the order added. With `blankMustFollow` the
    // marker opens a comment only before whitespace, a control character or the end of the text,
    // which is how the server reads "--".
    void AddLineComment(std::string marker, bool blankMustFollow = false);
    void AddBlockComment(std::string open, std::string close);

    // Replaces the list's tokens by those of the text. The list always ends with one TEOFToken.
    void Tokenize(TCompositeToken& tokens, std::u16string_view text) const;
    std::unique_ptr<TTokenIterator> CreateIterator(const TCompositeToken& tokens) const;

private:
    friend class TTokenReader;

    struct TLineCommentMarker {
        std::string Marker;
        bool BlankMustFollow;
    };
    struct TBlockCommentMarker {
        std::string Open;
        std::string Close;
    };

    core::TQuotePairs stringQuotes_;
    core::TQuotePairs identifierQuotes_;
    TCompositeOperations compositeOperations_;
    TReservedWords reservedWords_;
    std::vector<TLineCommentMarker> lineComments_;
    std::vector<TBlockCommentMarker> blockComments_;
};

// The expression under a character position (for showing a value under the mouse): the name,
// qualified name or call that contains the character at the position, or that ends right before
// it. Empty when there is none.
std::u16string GetExpressionAtPosition(const TCompositeToken& tokens, int position);

} // namespace parser
