// Fills the completion list and the parameter hints for the statement at the caret.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace core {
class IDBAConnection;
class TIdentifierManager;
} // namespace core
namespace rtl {
class TStringList;
}

namespace app {

class TCodeCompletionItems;

// Adds the candidates that fit at the caret of the statement: names from the server (its catalogue
// answers kept per connection for a few seconds), the built-in functions, the keywords the grammar expects
// there. `defaultSchema` is the quoted schema unqualified names belong to (may be empty); `textBefore` is the
// routine text before the statement. A failing catalogue query leaves out its candidates, never raises.
void FillCompletionItems(std::u16string_view statement, int caret, TCodeCompletionItems& items,
                         core::IDBAConnection& connection, const core::TIdentifierManager& manager,
                         const std::string& defaultSchema, std::u16string_view textBefore, uint8_t parseMode);

// The parameters of the call (function, CALL or INSERT ... VALUES row) around the caret, and in
// `index` the one the caret is in (-1 when there is no call). Never raises for a server error: a
// user who may not read the routine catalogue gets no hint rather than an error on every "(".
void FillParameterHints(std::u16string_view statement, int caret, core::IDBAConnection& connection,
                        const core::TIdentifierManager& manager, const std::string& defaultSchema,
                        rtl::TStringList& list, int& index, uint8_t parseMode);

// The text shown when a routine takes no parameters.
inline constexpr std::string_view kNoParametersExpected = "* No parameters expected *";

// An alias for joining the table: its first letter and each letter after an underscore, numbered
// from 2 when one of `taken` (compared as identifiers) has it already; empty for a name of one letter.
std::string MakeJoinAlias(std::string_view tableName, const std::vector<std::string>& taken,
                          const core::TIdentifierManager& manager);

} // namespace app
