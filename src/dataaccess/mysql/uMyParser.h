// The MySQL lexer: its symbols, keywords and comments.
#pragma once

#include "dataaccess/store/uCRParser.h"

namespace dataaccess {

// The codes the MySQL lexer gives its symbols and keywords.
enum TMyLexemeCode : int {
    kwStar = 1,
    kwEqual,
    kwColon,
    kwComma,
    kwDot,
    kwSlash,
    kwSemicolon,
    kwAnd,
    kwAs,
    kwBy,
    kwCharset,
    kwColumns,
    kwCreate,
    kwCross,
    kwDelete,
    kwDelimiter,
    kwDesc,
    kwDescribe,
    kwExplain,
    kwFor,
    kwForce,
    kwFrom,
    kwFunction,
    kwGroup,
    kwHaving,
    kwIgnore,
    kwInner,
    kwInsert,
    kwInto,
    kwIs,
    kwJoin,
    kwLeft,
    kwLimit,
    kwLock,
    kwNatural,
    kwOr,
    kwOrder,
    kwPrivileges,
    kwProcedure,
    kwReplace,
    kwRight,
    kwSelect,
    kwShow,
    kwSlave,
    kwStatus,
    kwStraightJoin,
    kwTrigger,
    kwUpdate,
    kwUse,
    kwWhere,
    kwHandler,
    kwSet,
    kwDistinct,
    kwDistinctRow,
    kwEngines,
    kwProcesslist,
};

// The MySQL dialect of the lexer: "#" and "-- " line comments, strings in single and double quotes
// with backslash escapes, backquoted identifiers, $ in identifiers, and the MySQL symbols and
// keywords.
class TMyParser : public TSQLParser {
public:
    explicit TMyParser(std::string text);
    TMyParser(rtl::TStream& stream, const Encoding& encoding = Encoding::DefaultEncoding());

    bool IsTerminator(int code) const override { return code == kwSemicolon; }
    int SelectCode() const override { return kwSelect; }
    int FromCode() const override { return kwFrom; }
    int WhereCode() const override { return kwWhere; }
    int OrderCode() const override { return kwOrder; }
    int ByCode() const override { return kwBy; }

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
