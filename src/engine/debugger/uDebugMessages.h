// The output messages of a run, as events of the debugger facade.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "core/uDBAConnection.h"
#include "core/uMultiNotifier.h"
#include "engine/model/uDebugger.h"

namespace engine {

// One output message of a run, sent by the debugger facade.
class TDebuggMessageEvent : public core::TEvent, public IDebuggMessageEvent {
public:
    // A query-result message without its result is an internal error.
    TDebuggMessageEvent(void* sender, std::shared_ptr<core::IQueryResult> queryResult, int line,
                        std::uint8_t routineKind, std::string routineName, std::u16string text,
                        TDebugMessageKind kind);

    std::u16string GetText() const override { return text_; }
    std::string GetRoutineName() const override { return routineName_; }
    std::uint8_t GetRoutineKind() const override { return routineKind_; }
    int GetLine() const override { return line_; }
    std::shared_ptr<core::IQueryResult> GetQueryResult() const override { return queryResult_; }
    TDebugMessageKind GetKind() const override { return kind_; }

private:
    std::u16string text_;
    std::string routineName_;
    std::shared_ptr<core::IQueryResult> queryResult_;
    int line_;
    std::uint8_t routineKind_;
    TDebugMessageKind kind_;
};

} // namespace engine
