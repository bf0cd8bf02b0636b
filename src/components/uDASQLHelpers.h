// Edits the WHERE and ORDER BY clauses of a SELECT text without a full parse.
#pragma once

#include "dataaccess/server/uCRCommand.h"

#include <functional>
#include <string>

namespace dataaccess {
class TSQLParser;
}

namespace components {

// Editing of a SELECT text's WHERE and ORDER BY clauses without a full parse: the dialect's lexer
// finds the clauses at nesting depth 0. Inserted line breaks are a bare CR. A text without SELECT
// comes back unchanged (reading gives an empty string); malformed SQL never raises.

// Adds `condition` to the WHERE clause: an existing condition and the new one are each bracketed
// and joined with AND. `omitComments` is the lexer's comment mode.
std::string AddWhereCondition(const std::string& sql, const std::string& condition,
                              dataaccess::TSQLParserClass parserClass, bool omitComments);
// Replaces the WHERE condition by `condition`, or removes the clause when it is empty.
std::string SetWhereCondition(const std::string& sql, const std::string& condition,
                              dataaccess::TSQLParserClass parserClass);
// The text of the clause introduced by `clauseCode`, up to the next clause keyword. `parser` is a
// lexer over `sql`.
std::string GetSQLClause(const std::string& sql, dataaccess::TSQLParser& parser, int clauseCode);
std::string GetFromClause(const std::string& sql, dataaccess::TSQLParserClass parserClass, bool omitComments);
std::string GetWhereClause(const std::string& sql, dataaccess::TSQLParserClass parserClass,
                           bool omitComments);
// Replaces the ORDER BY list by `fields` (";" separates them as well as ","), or removes the
// clause when it is empty.
std::string SetSQLOrderBy(const std::string& sql, const std::string& fields,
                          dataaccess::TSQLParserClass parserClass);
std::string GetSQLOrderBy(const std::string& sql, dataaccess::TSQLParserClass parserClass);

// Without the leading and trailing characters up to the blank (line breaks and controls too).
std::string TrimBlanks(const std::string& text);

// The MySQL forms; comments are reported as lexemes.
dataaccess::TSQLParserClass MyParserClass();
std::string MyAddWhere(const std::string& sql, const std::string& condition);
std::string MySetWhere(const std::string& sql, const std::string& condition);
std::string MyDeleteWhere(const std::string& sql);
std::string MyGetWhere(const std::string& sql);
std::string MySetOrderBy(const std::string& sql, const std::string& fields);
std::string MyGetOrderBy(const std::string& sql);
std::string MyGetFrom(const std::string& sql);

// The cursor code shown while a non-blocking execution or fetch runs.
inline constexpr int kBusyCursorCode = -30;
// Process-wide; lets an application show a busy cursor. Nothing in this program installs one.
inline std::function<void(int code)> BusyCursorHook;
void CallBusyCursorHook(int code);

} // namespace components
