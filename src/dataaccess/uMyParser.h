#pragma once

#include "dataaccess/uCRParser.h"

namespace dataaccess {

// The MySQL dialect of the lexer: "#" and "-- " line comments, strings in single and double quotes
// with backslash escapes, backquoted identifiers, $ in identifiers, and the MySQL symbols and
// keywords.
class TMyParser : public TSQLParser {
public:
    explicit TMyParser(std::string text);
    TMyParser(rtl::TStream& stream, const Encoding& encoding = Encoding::DefaultEncoding());

    bool IsTerminator(int code) const override { return code == 7; } // ";"
    int SelectCode() const override { return 42; }
    int FromCode() const override { return 22; }
    int WhereCode() const override { return 50; }
    int OrderCode() const override { return 37; }
    int ByCode() const override { return 10; }

protected:
    bool IsAlpha(char c) const override;
    bool IsStringQuote(char c) const override;
    bool IsIdentQuote(char c) const override;
    bool IsInlineComment(int64_t index) override;
    void SkipToQuote(char quote) override;

private:
    void InitMy();
};

} // namespace dataaccess
