// The SQL syntax highlighter: keywords, token kinds and the ranges that span lines.
#pragma once

#include "editor/WCEHighlighter.h"

#include <memory>
#include <string_view>

namespace editor {

// Token kinds; they continue the keyword numbers (257..943).
enum TSQLTokenKind {
    tkExecutableComment = 944,
    tkDecimal = 945,
    tkHexNumber = 946, // 0x1F
    tkHexString = 947, // X'1F'
    tkIdentifier = 948,
    tkInteger = 949,
    tkReservedWord = 950,
    tkComment = 951,
    tkQuotedIdentifier = 952,
    tkLineComment = 953,
    tkString = 954,
    tkSymbol = 955,
    tkSystemVariable = 956,
    tkUserVariable = 958,
    tkSpace = 959
};

// Scanner states carried from line to line.
enum TSQLRange {
    srNormal = 2,
    srComment = 4,
    srExecutableComment = 6,
    srString = 8,
    srDoubleQuoted = 10,
    srBackQuoted = 12
};

inline constexpr int kSQLKeywordCount = 687;
// The number of a keyword or built-in function name (any case), 0 for other words.
int SQLKeywordNumber(std::u16string_view word);
// The keyword with a number, upper case.
const char* SQLKeyword(int number);

// The highlighter of MySQL text: reserved words, variables, strings, quoted names, comments (also
// across lines), executable comments and numbers.
class TWCESQLHighlighter : public TWCEHighlighter {
public:
    TWCESQLHighlighter();
    ~TWCESQLHighlighter() override;

    void GetIdentChars(TIdentChars& chars) const override;
    std::string GetLanguageName() const override { return "SQL"; }
    int GetAttribCount() const override { return 7; }
    THighlightAttributes* GetAttribute(int index) const override;

    bool GetEol() const override;
    int GetRange() const override { return range_; }
    std::u16string GetToken() const override;
    void GetTokenInfo(TTokenInfo& info) const override;
    bool TokenAvailable() const override { return !GetEol(); }
    void Next() override;
    void SetLine(std::u16string_view line) override;
    void SetRange(int range) override { range_ = range; }
    void ResetRange() override { range_ = srNormal; }
    int TokenKind() const { return kind_; }

    THighlightAttributes& CommentAttributes() { return comment_; }
    THighlightAttributes& IdentifierAttributes() { return identifier_; }
    THighlightAttributes& NumberAttributes() { return number_; }
    THighlightAttributes& KeyAttributes() { return key_; }
    THighlightAttributes& SpaceAttributes() { return space_; }
    THighlightAttributes& StringAttributes() { return string_; }
    THighlightAttributes& SymbolAttributes() { return symbol_; }
    THighlightAttributes& EmbeddedCommandAttributes() { return embeddedCommand_; }
    THighlightAttributes& SystemVariableAttributes() { return systemVariable_; }
    THighlightAttributes& UserVariableAttributes() { return userVariable_; }
    THighlightAttributes& QuotedIDAttributes() { return quotedID_; }

private:
    THighlightAttributes* AttributeOfKind(int kind) const;
    char16_t At(std::size_t i) const { return i < line_.size() ? line_[i] : 0; }
    void ScanNormal();
    // The rest of a quoted text from `run`; the range stays open when the line ends first.
    void ScanQuoted(char16_t quote, int openRange);
    void ScanCommentBody(int openRange);
    void ScanQuotedPiece();
    void ScanCommentPiece();
    // A number at `pos_` (after an optional sign); false when it is a plain integer with a sign.
    bool ScanNumber(bool signedNumber);

    THighlightAttributes comment_{"comment"}, identifier_{"identifier"}, number_{"number"},
        key_{"reserved word"}, space_{"space"}, string_{"String"}, symbol_{"symbol"},
        embeddedCommand_{"embedded command"}, systemVariable_{"system variable"},
        userVariable_{"user variable"}, quotedID_{"quoted identifier"};

    std::u16string line_;
    std::size_t start_ = 0; // of the current token
    std::size_t pos_ = 0;   // after it
    int kind_ = 0;
    int range_ = srNormal;
};

} // namespace editor
