#pragma once

#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace core {
class IQueryResult;
}
namespace engine {
class TVeltrane;
}

namespace app {

// What the Messages page of the SQL window shows before the first execution.
std::u16string SQLWindowIntroText();

// One execution of the SQL window: the lines for the Messages page and the result with rows, if any.
struct TSQLExecution {
    std::vector<std::u16string> messages;
    std::shared_ptr<core::IQueryResult> result;
};

// Runs one statement in the context of the stop, with the local variables it uses mirrored into
// session variables before and copied back after, as the engine's own statements are. Failures become
// message lines; the server's warning list is emptied at the end. The caller refuses while the debug
// thread is busy.
TSQLExecution ExecuteAtStop(engine::TVeltrane& veltrane, std::u16string_view statement);

} // namespace app
