#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace engine {
class TRoutine;
}

namespace app {

// A main block that calls the compiled routine with session variables: IN and INOUT parameters are
// set to NULL first, OUT and INOUT ones (or a function's result) are selected afterwards.
std::u16string GenerateDebugScript(const engine::TRoutine& routine);

// Reads the routine name (as written, schema included), the type ("PROCEDURE" or "FUNCTION" as
// written) and, when asked, each parameter definition's text from the header of a CREATE PROCEDURE or
// CREATE FUNCTION text. What cannot be read stays empty; a text that is no routine header gives nothing.
void ParseRoutineHeader(std::u16string_view text, std::string& name, std::string& type,
                        std::vector<std::string>* parameters);

} // namespace app
