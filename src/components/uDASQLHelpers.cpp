#include "components/uDASQLHelpers.h"

#include "components/uMacros.h"
#include "dataaccess/mysql/uMyParser.h"
#include "dataaccess/store/uCRParser.h"

#include <algorithm>
#include <memory>

namespace components {

using dataaccess::lxBlank;
using dataaccess::lxComment;
using dataaccess::lxEnd;
using dataaccess::lxString;
using dataaccess::TSQLParser;

std::string TrimBlanks(const std::string& text) {
    const auto isBlank = [](char c) { return static_cast<unsigned char>(c) <= ' '; };
    const auto first = std::find_if_not(text.begin(), text.end(), isBlank);
    const auto last = std::find_if_not(text.rbegin(), text.rend(), isBlank).base();
    return first < last ? std::string(first, last) : std::string();
}

namespace {

// Positions past the end insert at the end.
void InsertAt(std::string& text, int64_t position, const std::string& part) {
    text.insert(static_cast<size_t>(std::clamp<int64_t>(position, 0, static_cast<int64_t>(text.size()))),
                part);
}

void EraseRange(std::string& text, int64_t start, int64_t end) {
    const int64_t size = static_cast<int64_t>(text.size());
    start = std::clamp<int64_t>(start, 0, size);
    end = std::clamp<int64_t>(end, start, size);
    text.erase(static_cast<size_t>(start), static_cast<size_t>(end - start));
}

// Brackets nest by their text in every dialect (a generic "(" has a symbol code).
bool IsOpening(int code, const std::string& lexem) {
    return code != lxString && lexem == "(";
}

bool IsClosing(int code, const std::string& lexem) {
    return code != lxString && lexem == ")";
}

bool IsMacroChar(const TSQLParser& parser, int code, const std::string& lexem) {
    return lexem.size() == 1 && lexem[0] == kMacroChar && parser.MacroAllowed(code);
}

// Where a clause's text starts after its keyword ending at `keywordEnd`: past the one blank that
// normally follows, or right after the keyword when something else does.
int64_t ClauseTextStart(const std::string& sql, int64_t keywordEnd) {
    const bool blank = keywordEnd < static_cast<int64_t>(sql.size()) &&
                       static_cast<unsigned char>(sql[static_cast<size_t>(keywordEnd)]) <= ' ';
    return blank ? keywordEnd + 1 : keywordEnd;
}

// Reads the next lexeme that is not a blank; returns its code.
int NextWord(TSQLParser& parser) {
    std::string lexem;
    int code;
    do {
        code = parser.NextLexem(lexem);
    } while (code == lxBlank);
    return code;
}

// Reads the blank after a keyword; returns where the text after it begins.
int64_t SkipOneBlank(TSQLParser& parser) {
    if (parser.NextCode() != lxBlank) parser.Back();
    return parser.CurrentOffset();
}

// A lexer over `sql` that has read its first SELECT; null when there is none.
std::unique_ptr<TSQLParser> OpenAtSelect(const std::string& sql, dataaccess::TSQLParserClass parserClass,
                                         bool skipBlanks, bool skipComments) {
    std::unique_ptr<TSQLParser> parser = parserClass(sql);
    parser->SetSkipBlanks(skipBlanks);
    parser->SetSkipComments(skipComments);
    if (parser->SkipToCode(parser->SelectCode()) == lxEnd) return nullptr;
    return parser;
}

// Replaces the text of the WHERE clause or the ORDER BY list by `body`, or removes the whole clause
// when `body` is empty; a missing clause is added before the clauses that follow it.
std::string ReplaceClause(const std::string& sql, dataaccess::TSQLParserClass parserClass, bool orderBy,
                          const std::string& body) {
    const std::unique_ptr<TSQLParser> parser = OpenAtSelect(sql, parserClass, false, true);
    if (!parser) return sql;
    const int keyword = orderBy ? parser->OrderCode() : parser->WhereCode();
    int64_t blankStart = -1; // start of the blank run just read
    int64_t clauseStart = -1, textStart = -1;
    int64_t end = static_cast<int64_t>(sql.size());
    int depth = 0;
    std::string lexem;
    for (int code = parser->NextLexem(lexem); code != lxEnd; code = parser->NextLexem(lexem)) {
        if (code == lxBlank) {
            if (blankStart < 0) blankStart = parser->PrevOffset();
            continue;
        }
        const int64_t before = blankStart >= 0 ? blankStart : parser->PrevOffset();
        blankStart = -1;
        if (IsOpening(code, lexem)) {
            ++depth;
        } else if (IsClosing(code, lexem)) {
            if (depth > 0) --depth;
        } else if (depth == 0 && code == keyword) {
            if (!orderBy || NextWord(*parser) == parser->ByCode()) {
                clauseStart = before;
                textStart = SkipOneBlank(*parser);
            } else {
                parser->Back();
            }
        } else if (depth == 0 && (parser->CompareClauses(code, keyword) > 0 || parser->IsTerminator(code))) {
            end = before;
            break;
        }
    }
    if (blankStart >= 0) end = blankStart; // trailing blanks stay

    std::string result = sql;
    if (clauseStart >= 0) {
        if (body.empty()) {
            EraseRange(result, clauseStart, end);
        } else {
            EraseRange(result, textStart, end);
            InsertAt(result, textStart, body);
        }
        return result;
    }
    if (body.empty()) return result;
    std::string addition = (orderBy ? " ORDER BY " : " WHERE ") + body;
    if (result.find('\r') < static_cast<size_t>(end)) addition = "\r " + addition;
    InsertAt(result, end, addition);
    return result;
}

std::unique_ptr<TSQLParser> NewMyParser(std::string text) {
    return std::make_unique<dataaccess::TMyParser>(std::move(text));
}

} // namespace

std::string AddWhereCondition(const std::string& sql, const std::string& condition,
                              dataaccess::TSQLParserClass parserClass, bool omitComments) {
    if (TrimBlanks(condition).empty()) return sql;
    const std::unique_ptr<TSQLParser> parser = OpenAtSelect(sql, parserClass, true, omitComments);
    if (!parser) return sql;
    int64_t conditionStart = -1;
    bool stopped = false;
    int depth = 0;
    int code = lxEnd, prevCode = lxEnd, prevPrevCode = lxEnd;
    std::string lexem, prevLexem;
    for (;;) {
        code = parser->NextLexem(lexem);
        if (code == lxEnd) break;
        if (IsOpening(code, lexem)) {
            ++depth;
        } else if (IsClosing(code, lexem)) {
            --depth;
        } else if (depth == 0 && code == parser->WhereCode()) {
            if (!IsMacroChar(*parser, prevCode, prevLexem))
                conditionStart = ClauseTextStart(sql, parser->CurrentOffset());
        } else if (depth == 0 && parser->IsClauseLexem(code)) {
            stopped = true;
            break;
        }
        prevPrevCode = prevCode;
        prevCode = code;
        prevLexem = lexem;
    }
    // A statement ending in a separator gets the addition before it.
    const bool beforeSeparator = !stopped && parser->IsTerminator(prevCode);
    const bool hasWhere = conditionStart >= 0;
    const std::string addition = hasWhere ? " AND (" + condition + ") " : "\rWHERE " + condition + " ";
    // A line comment would swallow the closing bracket.
    const int lastCode = beforeSeparator ? prevPrevCode : prevCode;
    const std::string closing = hasWhere ? (lastCode == lxComment ? "\r)" : ")") : "";

    std::string result = sql;
    if (stopped || beforeSeparator) {
        const int64_t at = stopped ? parser->PrevOffset() : parser->PrevOffset() - 1;
        InsertAt(result, at, closing + addition);
        if (hasWhere) InsertAt(result, conditionStart, "(");
        return result;
    }
    if (hasWhere) InsertAt(result, conditionStart, "(");
    return TrimBlanks(result) + closing + addition;
}

std::string SetWhereCondition(const std::string& sql, const std::string& condition,
                              dataaccess::TSQLParserClass parserClass) {
    return ReplaceClause(sql, parserClass, false, condition);
}

std::string GetSQLClause(const std::string& sql, TSQLParser& parser, int clauseCode) {
    parser.SetSkipBlanks(true);
    if (parser.SkipToCode(parser.SelectCode()) == lxEnd) return {};
    int64_t start = -1;
    int64_t end = static_cast<int64_t>(sql.size());
    int depth = 0;
    int prevCode = lxEnd;
    std::string lexem, prevLexem;
    for (int code = parser.NextLexem(lexem); code != lxEnd; code = parser.NextLexem(lexem)) {
        if (IsOpening(code, lexem)) {
            ++depth;
        } else if (IsClosing(code, lexem)) {
            --depth;
        } else if (depth == 0 && code == clauseCode) {
            if (!IsMacroChar(parser, prevCode, prevLexem))
                start = ClauseTextStart(sql, parser.CurrentOffset());
        } else if (depth == 0 && (parser.IsClauseLexem(code) || parser.IsTerminator(code))) {
            parser.Back();
            break;
        }
        end = parser.CurrentOffset();
        prevCode = code;
        prevLexem = lexem;
    }
    if (start < 0 || start >= end) return {};
    return sql.substr(static_cast<size_t>(start), static_cast<size_t>(end - start));
}

std::string GetFromClause(const std::string& sql, dataaccess::TSQLParserClass parserClass,
                          bool omitComments) {
    const std::unique_ptr<TSQLParser> parser = parserClass(sql);
    parser->SetSkipComments(omitComments);
    return GetSQLClause(sql, *parser, parser->FromCode());
}

std::string GetWhereClause(const std::string& sql, dataaccess::TSQLParserClass parserClass,
                           bool omitComments) {
    const std::unique_ptr<TSQLParser> parser = parserClass(sql);
    parser->SetSkipComments(omitComments);
    return GetSQLClause(sql, *parser, parser->WhereCode());
}

std::string SetSQLOrderBy(const std::string& sql, const std::string& fields,
                          dataaccess::TSQLParserClass parserClass) {
    std::string list = fields;
    std::replace(list.begin(), list.end(), ';', ',');
    return ReplaceClause(sql, parserClass, true, list);
}

std::string GetSQLOrderBy(const std::string& sql, dataaccess::TSQLParserClass parserClass) {
    const std::unique_ptr<TSQLParser> parser = OpenAtSelect(sql, parserClass, false, true);
    if (!parser) return {};
    int64_t start = -1;
    int depth = 0;
    std::string lexem;
    for (int code = parser->NextLexem(lexem); code != lxEnd && start < 0; code = parser->NextLexem(lexem)) {
        if (IsOpening(code, lexem)) {
            ++depth;
        } else if (IsClosing(code, lexem)) {
            if (depth > 0) --depth;
        } else if (depth == 0 && code == parser->OrderCode()) {
            if (NextWord(*parser) == parser->ByCode())
                start = SkipOneBlank(*parser);
            else
                parser->Back();
        }
    }
    if (start < 0) return {};
    std::string result = sql.substr(static_cast<size_t>(start));
    parser->SetText(result);
    for (int code = parser->NextLexem(lexem); code != lxEnd; code = parser->NextLexem(lexem)) {
        if (parser->IsClauseLexem(code) || parser->IsTerminator(code)) {
            result.resize(static_cast<size_t>(parser->PrevOffset()));
            break;
        }
    }
    return TrimBlanks(result);
}

dataaccess::TSQLParserClass MyParserClass() {
    return &NewMyParser;
}

std::string MyAddWhere(const std::string& sql, const std::string& condition) {
    return AddWhereCondition(sql, condition, MyParserClass(), false);
}

std::string MySetWhere(const std::string& sql, const std::string& condition) {
    return SetWhereCondition(sql, condition, MyParserClass());
}

std::string MyDeleteWhere(const std::string& sql) {
    return MySetWhere(sql, "");
}

std::string MyGetWhere(const std::string& sql) {
    return GetWhereClause(sql, MyParserClass(), false);
}

std::string MySetOrderBy(const std::string& sql, const std::string& fields) {
    return SetSQLOrderBy(sql, fields, MyParserClass());
}

std::string MyGetOrderBy(const std::string& sql) {
    return GetSQLOrderBy(sql, MyParserClass());
}

std::string MyGetFrom(const std::string& sql) {
    return GetFromClause(sql, MyParserClass(), false);
}

void CallBusyCursorHook(int code) {
    if (BusyCursorHook) BusyCursorHook(code);
}

} // namespace components
