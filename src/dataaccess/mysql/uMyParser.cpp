#include "dataaccess/mysql/uMyParser.h"

#include <vector>

namespace dataaccess {

namespace {

const TLexemeTable& MySymbols() {
    static const TLexemeTable table({{"*", kwStar},
                                     {"=", kwEqual},
                                     {":", kwColon},
                                     {",", kwComma},
                                     {".", kwDot},
                                     {"/", kwSlash},
                                     {";", kwSemicolon}});
    return table;
}

const TLexemeTable& MyKeywords() {
    static const TLexemeTable table({{"AND", kwAnd},
                                     {"AS", kwAs},
                                     {"BY", kwBy},
                                     {"CHARSET", kwCharset},
                                     {"COLUMNS", kwColumns},
                                     {"CREATE", kwCreate},
                                     {"CROSS", kwCross},
                                     {"DELETE", kwDelete},
                                     {"DELIMITER", kwDelimiter},
                                     {"DESC", kwDesc},
                                     {"DESCRIBE", kwDescribe},
                                     {"EXPLAIN", kwExplain},
                                     {"FOR", kwFor},
                                     {"FORCE", kwForce},
                                     {"FROM", kwFrom},
                                     {"FUNCTION", kwFunction},
                                     {"GROUP", kwGroup},
                                     {"HAVING", kwHaving},
                                     {"IGNORE", kwIgnore},
                                     {"INNER", kwInner},
                                     {"INSERT", kwInsert},
                                     {"INTO", kwInto},
                                     {"IS", kwIs},
                                     {"JOIN", kwJoin},
                                     {"LEFT", kwLeft},
                                     {"LIMIT", kwLimit},
                                     {"LOCK", kwLock},
                                     {"NATURAL", kwNatural},
                                     {"OR", kwOr},
                                     {"ORDER", kwOrder},
                                     {"PRIVILEGES", kwPrivileges},
                                     {"PROCEDURE", kwProcedure},
                                     {"REPLACE", kwReplace},
                                     {"RIGHT", kwRight},
                                     {"SELECT", kwSelect},
                                     {"SHOW", kwShow},
                                     {"SLAVE", kwSlave},
                                     {"STATUS", kwStatus},
                                     {"STRAIGHT_JOIN", kwStraightJoin},
                                     {"TRIGGER", kwTrigger},
                                     {"UPDATE", kwUpdate},
                                     {"USE", kwUse},
                                     {"WHERE", kwWhere},
                                     {"HANDLER", kwHandler},
                                     {"SET", kwSet},
                                     {"DISTINCT", kwDistinct},
                                     {"DISTINCTROW", kwDistinctRow},
                                     {"ENGINES", kwEngines},
                                     {"PROCESSLIST", kwProcesslist}});
    return table;
}

const std::vector<int>& MyClauses() {
    static const std::vector<int> clauses = {kwWhere, kwGroup,     kwHaving, kwOrder,
                                             kwLimit, kwProcedure, kwFor,    kwLock};
    return clauses;
}

} // namespace

TMyParser::TMyParser(std::string text) : TSQLParser(std::move(text)) {
    InitMy();
}

TMyParser::TMyParser(rtl::TStream& stream, const Encoding& encoding) : TSQLParser(stream, encoding) {
    InitMy();
}

void TMyParser::InitMy() {
    SetTables(MySymbols(), MyKeywords());
    SetClauses(MyClauses());
}

bool TMyParser::IsAlpha(char c) const {
    return TParser::IsAlpha(c) || c == '$';
}

bool TMyParser::IsStringQuote(char c) const {
    return c == '\'' || c == '"';
}

bool TMyParser::IsIdentQuote(char c) const {
    return c == '`';
}

// As the server reads it: "#", or "--" followed by a blank or control character or by the end.
bool TMyParser::IsInlineComment(int64_t index) {
    if (CharAt(index) == '#' && !AtEnd(index)) return true;
    if (!TextAt(index, "--")) return false;
    if (AtEnd(index + 2)) return true;
    const auto next = static_cast<unsigned char>(CharAt(index + 2));
    return next <= ' ' || next == 127;
}

// A quote after an odd number of backslashes is part of the string.
void TMyParser::SkipToQuote(char quote) {
    if (!TracksLines()) {
        const std::string& text = Text();
        size_t at = static_cast<size_t>(Position());
        for (;;) {
            at = text.find(quote, at);
            if (at == std::string::npos) {
                SetPosition(static_cast<int64_t>(text.size()));
                return;
            }
            size_t backslashes = 0;
            while (text[at - backslashes - 1] == '\\')
                ++backslashes;
            if (backslashes % 2 == 0) {
                SetPosition(static_cast<int64_t>(at));
                return;
            }
            ++at;
        }
    }
    while (!AtEnd(Position()) && CharAt(Position()) != quote) {
        if (CharAt(Position()) == '\\') {
            StepTracked();
            if (AtEnd(Position())) return;
        }
        StepTracked();
    }
}

} // namespace dataaccess
