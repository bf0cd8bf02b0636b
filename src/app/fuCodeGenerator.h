#pragma once

#include <string>

namespace engine {
class TRoutine;
}

namespace app {

// A main block that calls the compiled routine with session variables: IN and INOUT parameters are
// set to NULL first, OUT and INOUT ones (or a function's result) are selected afterwards.
std::u16string GenerateDebugScript(const engine::TRoutine& routine);

} // namespace app
