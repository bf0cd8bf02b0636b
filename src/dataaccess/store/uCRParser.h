// The base SQL lexer: lexeme tables, symbols, keywords, comments and blocks.
#pragma once

#include "dataaccess/store/uEncoding.h"
#include "platform/rtl/Exception.h"

#include <cstdint>
#include <deque>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace rtl {
class TStream;
}

namespace dataaccess {

// "Parser: The unknown symbol '<c>'  $<hex>" for a character that starts no lexeme.
RTL_DECLARE_EXCEPTION(EParserError, rtl::Exception);

// Lexeme codes. Symbols and keywords of a dialect's tables have codes from 1 up.
inline constexpr int lxEnd = 0;
inline constexpr int lxSymbol = -102; // one symbol character that is not in the symbol table
inline constexpr int lxIdent = -103;  // identifier, also a quoted one (quotes included)
inline constexpr int lxNumber = -105;
inline constexpr int lxString = -106;
inline constexpr int lxBlank = -107;   // only while blanks are not skipped
inline constexpr int lxComment = -108; // only while comments are not skipped

// Stream mode reads this many bytes at a time.
inline constexpr int kParserBlockSize = 65536;
// The program's decimal separator, which numbers may contain.
inline constexpr char kDecimalSeparator = '.';

// A sorted table of symbol or keyword texts with their codes. Lookups map a-z to upper case, so
// keywords match in any letter case.
class TLexemeTable {
public:
    explicit TLexemeTable(std::vector<std::pair<std::string, int>> entries);
    // The entry equal to `text`, or nullptr.
    const std::pair<std::string, int>* Find(std::string_view text) const;

private:
    std::vector<std::pair<std::string, int>> entries_;
};

// The data-access layer's SQL lexer. It cuts SQL-like 8-bit text into lexemes, each with a code and
// a text, over a whole string or a stream read in blocks. Offsets are 0-based byte positions, lines
// are counted from 0. This generic form knows "//" line comments, "/*" "*/" block comments, strings
// in single and double quotes and the keywords AND, NOT and OR.
class TParser {
public:
    explicit TParser(std::string text);
    // Reads from the stream's current position to its end, decoding with `encoding`. The stream must
    // outlive the lexer.
    TParser(rtl::TStream& stream, const Encoding& encoding = Encoding::DefaultEncoding());
    virtual ~TParser() = default;
    TParser(const TParser&) = delete;
    TParser& operator=(const TParser&) = delete;

    bool SkipBlanks() const { return skipBlanks_; }
    void SetSkipBlanks(bool value) { skipBlanks_ = value; }
    bool SkipComments() const { return skipComments_; }
    void SetSkipComments(bool value) { skipComments_ = value; }
    bool UpperKeywords() const { return upperKeywords_; }
    void SetUpperKeywords(bool value) { upperKeywords_ = value; }
    // Strings keep their quotes.
    bool KeepQuotes() const { return keepQuotes_; }
    void SetKeepQuotes(bool value) { keepQuotes_ = value; }
    // Line breaks inside strings are counted (always so in stream mode).
    bool TrackStringLines() const { return trackStringLines_; }
    void SetTrackStringLines(bool value) { trackStringLines_ = value; }

    // Replaces the text (text mode) and goes back to its start.
    void SetText(std::string text);
    void ToBegin();

    int NextLexem(std::string& lexem);
    int NextCode();
    // Reads lexemes until one with `code` or the end; returns the last code read.
    int SkipToCode(int code);
    // The next read scans the last lexeme again; line counters are not restored.
    void Back();
    // Reads lexemes until an identifier, number or symbol equals `word` (any letter case).
    bool FindKeyword(std::string_view word);

    int64_t CurrentOffset() const { return pos_; }
    // Where the scan of the last lexeme began, blanks and skipped comments before it included.
    int64_t PrevOffset() const { return lastStart_; }
    int64_t PrevPrevOffset() const { return prevPrevStart_; }
    int64_t CurrentLine() const { return line_; }
    int64_t PrevLine() const { return prevLine_; }
    int64_t CurrentColumn() const { return pos_ - lineStart_; }
    int64_t PrevColumn() const { return lastStart_ - prevLineStart_; }

protected:
    // Dialects set their tables in their constructors.
    void SetTables(const TLexemeTable& symbols, const TLexemeTable& keywords) {
        symbols_ = &symbols;
        keywords_ = &keywords;
    }

    virtual bool IsBlank(char c) const;
    virtual bool IsSymbol(char c) const;
    virtual bool IsAlpha(char c) const;
    virtual bool IsNumber(char c) const;
    virtual bool IsStringQuote(char c) const;
    virtual bool IsIdentQuote(char c) const;
    // Whether a line comment starts at `index`.
    virtual bool IsInlineComment(int64_t index);
    // Moves the position from the first character of a string to its closing quote (or the end).
    virtual void SkipToQuote(char quote);

    // The character at `index`, 0 at the end of the text.
    char CharAt(int64_t index);
    bool AtEnd(int64_t index);
    int64_t Position() const { return pos_; }
    void SetPosition(int64_t position) { pos_ = position; }
    // Whether the text at `index` begins with `text`.
    bool TextAt(int64_t index, std::string_view text);
    // Line breaks are counted while strings are skipped.
    bool TracksLines() const { return trackStringLines_ || stream_ != nullptr; }
    // Moves past one character; a line break (CR LF as one) starts a new line.
    void StepTracked();
    // Moves to the next `quote` without escapes: counting lines when TracksLines(), else by a search.
    void SkipToPlainQuote(char quote);
    // In text mode the whole text; used by fast searches.
    const std::string& Text() const { return text_; }

private:
    struct TBlock {
        int64_t Start;
        std::string Text;
    };

    int ScanLexem();
    int ScanSymbol();
    void SkipLineBreak(char c);
    std::string LexemText(int64_t start, int64_t end);
    void LoadBlock();
    void RestartStream();

    std::string text_;
    const TLexemeTable* symbols_;
    const TLexemeTable* keywords_;

    rtl::TStream* stream_ = nullptr;
    const Encoding* encoding_ = nullptr;
    int64_t streamStart_ = 0;
    std::deque<TBlock> blocks_;
    int64_t loadedEnd_ = 0;
    bool streamDone_ = false;

    int64_t pos_ = 0;
    int64_t lastStart_ = 0;
    int64_t prevPrevStart_ = 0;
    int64_t line_ = 0;
    int64_t prevLine_ = 0;
    int64_t lineStart_ = 0;
    int64_t prevLineStart_ = 0;
    int64_t lexStart_ = -1; // start of the lexeme under construction, -1 for none
    int64_t lexEnd_ = 0;
    std::string symbolText_; // table entry of the last symbol match

    bool skipBlanks_ = true;
    bool skipComments_ = false;
    bool upperKeywords_ = true;
    bool keepQuotes_ = false;
    bool trackStringLines_ = false;
};

// Generic SQL: "--" line comments, single-quoted strings, double-quoted identifiers, # and $ in
// identifiers, the clause keywords and the codes callers ask for by role.
class TSQLParser : public TParser {
public:
    explicit TSQLParser(std::string text);
    TSQLParser(rtl::TStream& stream, const Encoding& encoding = Encoding::DefaultEncoding());

    // Whether a macro character lexed with `code` may start a macro.
    virtual bool MacroAllowed(int code) const { return code != lxString; }
    // Whether a number after the macro character is a macro name.
    virtual bool NumericMacroNames() const { return false; }
    // Whether `code` separates statements.
    virtual bool IsTerminator(int code) const { return false; }
    virtual int SelectCode() const { return 39; }
    virtual int FromCode() const { return 31; }
    virtual int WhereCode() const { return 40; }
    virtual int OrderCode() const { return 38; }
    virtual int ByCode() const { return 30; }

    bool IsClauseLexem(int code) const;
    // -2 when either is not a clause; otherwise -1, 0 or 1 by their places in the clause list.
    int CompareClauses(int code1, int code2) const;

protected:
    void SetClauses(const std::vector<int>& clauses) { clauses_ = &clauses; }

    bool IsAlpha(char c) const override;
    bool IsStringQuote(char c) const override;
    bool IsIdentQuote(char c) const override;
    bool IsInlineComment(int64_t index) override;

private:
    void InitSQL();
    int ClauseIndex(int code) const;

    const std::vector<int>* clauses_ = nullptr;
};

} // namespace dataaccess
