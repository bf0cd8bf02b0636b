// The debugger interface the interpreters call at every statement, a null one, and message events.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "core/uDBAConnection.h"
#include "core/uMultiNotifier.h"
#include "engine/model/uStatements.h"
#include "platform/rtl/Exception.h"
#include "platform/rtl/Threads.h"

namespace engine {

class TRoutine;

enum TResumeMode : std::uint8_t {
    rmNone = 0,      // nothing pending
    rmRun = 1,       // run or step
    rmTerminate = 2, // the only mode the engine acts on: the next check raises EReset
};

// The kinds of output messages.
enum TDebugMessageKind : std::uint8_t {
    mkError = 1, // a warning or an error
    mkInformation = 2,
    mkQueryResult = 3, // the result of an executed statement
};

// The hooks through which the interpreters meet the debugger. Every hook may block until the user
// resumes the run.
class IDebugger {
public:
    virtual ~IDebugger() = default;

    // Read after every hook and at block exit.
    virtual TResumeMode GetResumeMode() = 0;
    // An exception raised while `statement` ran that the routine's own handlers did not take; setting
    // `handled` lets the interpreter go on after the statement. The same object may come again from
    // the enclosing statement lists.
    virtual void OnException(rtl::Exception& exception, TRoutine& routine, bool& handled,
                             const std::shared_ptr<IStatement>& statement) = 0;
    virtual void BeforeStatement(TRoutine& routine, const std::shared_ptr<IBlock>& block,
                                 const std::shared_ptr<IStatement>& statement) = 0;
    // After the block's variables were reset.
    virtual void EnterBlock(TRoutine& routine, const std::shared_ptr<IBlock>& block) = 0;
    virtual void LeaveBlock(TRoutine& routine, const std::shared_ptr<IBlock>& block) = 0;
    // Posts an output message.
    virtual void Output(TDebugMessageKind kind, const std::u16string& text,
                        const std::shared_ptr<core::IQueryResult>& result,
                        const std::shared_ptr<IStatement>& statement, TRoutine& routine) = 0;
};

// A debugger that never stops and prints nothing: for compile-time evaluation, watches and
// evaluation requests.
class TNullDebugger : public IDebugger {
public:
    TResumeMode GetResumeMode() override { return rmNone; }
    void OnException(rtl::Exception&, TRoutine&, bool&, const std::shared_ptr<IStatement>&) override {}
    void BeforeStatement(TRoutine&, const std::shared_ptr<IBlock>&,
                         const std::shared_ptr<IStatement>&) override {}
    void EnterBlock(TRoutine&, const std::shared_ptr<IBlock>&) override {}
    void LeaveBlock(TRoutine&, const std::shared_ptr<IBlock>&) override {}
    void Output(TDebugMessageKind, const std::u16string&, const std::shared_ptr<core::IQueryResult>&,
                const std::shared_ptr<IStatement>&, TRoutine&) override {}
};

std::shared_ptr<IDebugger> CreateNullDebugger();

// One message of a run for the output window.
class IDebuggMessageEvent : public virtual core::IEvent {
public:
    virtual std::u16string GetText() const = 0;
    virtual std::string GetRoutineName() const = 0;
    virtual std::uint8_t GetRoutineKind() const = 0;
    virtual int GetLine() const = 0;
    // Null unless the kind is mkQueryResult.
    virtual std::shared_ptr<core::IQueryResult> GetQueryResult() const = 0;
    virtual TDebugMessageKind GetKind() const = 0;
};

// A thread that can be handed out through the interfaces it implements while its owner keeps it
// alive: the references it hands out do not own it.
class TInterfacedThread : public rtl::TThread {
public:
    // Null when the thread does not implement the interface.
    template <class Interface>
    std::shared_ptr<Interface> GetInterface() {
        auto* implementation = dynamic_cast<Interface*>(this);
        if (!implementation) return nullptr;
        return std::shared_ptr<Interface>(std::shared_ptr<Interface>(), implementation);
    }
};

} // namespace engine
