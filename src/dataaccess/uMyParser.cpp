#include "dataaccess/uMyParser.h"

#include <vector>

namespace dataaccess {

namespace {

const TLexemeTable& MySymbols() {
    static const TLexemeTable table({{"*", 1}, {"=", 2}, {":", 3}, {",", 4}, {".", 5}, {"/", 6}, {";", 7}});
    return table;
}

const TLexemeTable& MyKeywords() {
    static const TLexemeTable table({{"AND", 8},         {"AS", 9},           {"BY", 10},
                                     {"CHARSET", 11},    {"COLUMNS", 12},     {"CREATE", 13},
                                     {"CROSS", 14},      {"DELETE", 15},      {"DELIMITER", 16},
                                     {"DESC", 17},       {"DESCRIBE", 18},    {"EXPLAIN", 19},
                                     {"FOR", 20},        {"FORCE", 21},       {"FROM", 22},
                                     {"FUNCTION", 23},   {"GROUP", 24},       {"HAVING", 25},
                                     {"IGNORE", 26},     {"INNER", 27},       {"INSERT", 28},
                                     {"INTO", 29},       {"IS", 30},          {"JOIN", 31},
                                     {"LEFT", 32},       {"LIMIT", 33},       {"LOCK", 34},
                                     {"NATURAL", 35},    {"OR", 36},          {"ORDER", 37},
                                     {"PRIVILEGES", 38}, {"PROCEDURE", 39},   {"REPLACE", 40},
                                     {"RIGHT", 41},      {"SELECT", 42},      {"SHOW", 43},
                                     {"SLAVE", 44},      {"STATUS", 45},      {"STRAIGHT_JOIN", 46},
                                     {"TRIGGER", 47},    {"UPDATE", 48},      {"USE", 49},
                                     {"WHERE", 50},      {"HANDLER", 51},     {"SET", 52},
                                     {"DISTINCT", 53},   {"DISTINCTROW", 54}, {"ENGINES", 55},
                                     {"PROCESSLIST", 56}});
    return table;
}

const std::vector<int>& MyClauses() {
    // WHERE, GROUP, HAVING, ORDER, LIMIT, PROCEDURE, FOR, LOCK
    static const std::vector<int> clauses = {50, 24, 25, 37, 33, 39, 20, 34};
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
