#include "engine/debugger/uDebugMessages.h"

#include "platform/rtl/Exception.h"

namespace engine {

TDebuggMessageEvent::TDebuggMessageEvent(void* sender, std::shared_ptr<core::IQueryResult> queryResult,
                                         int line, std::uint8_t routineKind, std::string routineName,
                                         std::u16string text, TDebugMessageKind kind)
    : core::TEvent(sender), text_(std::move(text)), routineName_(std::move(routineName)),
      queryResult_(std::move(queryResult)), line_(line), routineKind_(routineKind), kind_(kind) {
    RTL_ASSERT_MSG(kind_ != mkQueryResult || queryResult_, "A query-result message needs its result");
}

} // namespace engine
