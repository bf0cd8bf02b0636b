// What the server says of a value that does not fit a variable's declared type under strict mode.
#pragma once

#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "core/uDataTypes.h"
#include "core/uDataValues.h"
#include "core/uIdentifierManager.h"
#include "engine/local/uExpressionInterpreter.h"
#include "engine/local/uProgram.h"
#include "engine/model/uExpressions.h"

namespace engine {

// What the server says of a value that does not fit the declared type of a routine's variable or
// a function's result: 1366 for text that is no number, 1265 for a number followed by other text,
// 1264 for a number outside the type's range, 1406 for text longer than the type (surplus blanks
// are cut silently). Strict stores fail with it; other stores keep what fits (1406 becomes 1265,
// "Data truncated") and go on with it as a warning. `column` names the target as the server's
// messages do: the variable's name, or "f()" for the result of function f. NULL and types whose
// limits a value does not carry (dates) pass.
std::optional<TStoreProblem> FindStoreProblem(const core::IRODataValue& value,
                                              const core::TDatatypeCharacteristics& target,
                                              std::string_view column);
// What the server says of text that is no number of the kind, 1292 "Truncated incorrect ... value":
// a note where only blanks follow the number, a warning otherwise.
std::optional<TStoreProblem> FindTextConversionProblem(std::string_view text, TNumberReading reading);
// Raises the problem FindStoreProblem finds, as a strict store does.
void CheckStrictStore(const core::IRODataValue& value, const core::TDatatypeCharacteristics& target,
                      std::string_view column);

// Whether the sql_mode has the flag, as one of its comma-separated names.
bool HasSqlModeFlag(const std::string& sqlMode, std::string_view flag);
// Whether stores under the sql_mode are strict: STRICT_TRANS_TABLES or STRICT_ALL_TABLES.
bool IsStrictSqlMode(const std::string& sqlMode);
// Whether the routine's stores are strict under the sql_mode it was created under; one the program
// wrote runs under the server's default mode, which is strict.
bool StoresStrictly(const TRoutine& routine);
// emStrict where the routine's sql_mode makes a division by zero an error (strict, with
// ERROR_FOR_DIVISION_BY_ZERO), emStrictStore for other strict modes, else emDefault.
TEvaluationMode StoreEvaluationMode(const TRoutine& routine);

// DATE, DATETIME, TIMESTAMP and TIME, whose stores the server decides.
bool IsTemporalType(core::TDataType kind);
// Whether the server stores into the target under its strict rules: a variable of a declared type,
// one that keeps its value in the client. User and system variables take any value.
bool IsTypedVariable(const IAssignable& target);

// The type that CAST gives exactly as the declared type of a local: the server then derives from the
// cast what it derives from the local (a column's type, an operation's scale). Empty where CAST has
// no such type: integers narrower than BIGINT, unsigned or zero-filled DECIMAL, FLOAT and DOUBLE
// with digits or UNSIGNED, REAL, all text and binary types (CAST gives the connection's character
// set, and CHAR and BINARY become variable-length), ENUM, SET, BIT, YEAR, TIMESTAMP and spatial types.
std::string ExactCastType(const core::TDatatypeCharacteristics& declared);

// Assigns the value to the target, checking it first when the target is a typed variable: a strict
// routine fails with the problem, any other converts the value as the type takes it (a DECIMAL out
// of range becomes its nearest limit) and leaves the problem as a warning in the program's
// StoreWarnings. The DEFAULT marker resets the target as usual.
void AssignStrictly(IAssignable& target, const std::shared_ptr<core::IRODataValue>& value,
                    const TRoutine& routine);

} // namespace engine
