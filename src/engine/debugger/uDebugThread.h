// The thread a run executes on: the debugger the interpreters call, paused and resumed by the user.
#pragma once

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <exception>
#include <functional>
#include <memory>
#include <mutex>
#include <string>

#include "core/uDBAConnection.h"
#include "engine/local/uProgram.h"
#include "engine/model/uDebugger.h"
#include "engine/model/uStatements.h"

namespace engine {

// An error kept to be shown later: its message and its exception class name. No class name: no error.
struct TExceptionInfo {
    std::string Message;
    std::string ClassName;

    bool Empty() const { return ClassName.empty(); }
    void Clear() { *this = {}; }
};

// The run of a program's main routine on a thread of its own, and the debugger its interpreters call.
// At every hook it records where the run is, hands over to the user-interface thread with the
// synchronous stop callback, and then sleeps until RequestResume lets it go on or ends the session.
// A hook that the stop filter rules out goes on without the hand-over; errors are always handed over.
// Its output messages reach the output callback on the user-interface thread as well, so handlers
// may touch widgets; they are queued, in order with the stops, so that a statement does not wait.
class TDebugThread : public TInterfacedThread, public IDebugger {
public:
    using TOutputEvent = std::function<void(TDebugMessageKind kind, const std::u16string& text,
                                            const std::shared_ptr<core::IQueryResult>& result,
                                            const std::shared_ptr<IStatement>& statement, TRoutine& routine)>;
    using TStopEvent = std::function<void(TDebugThread& sender)>;
    // Called on the debug thread: false when the hook at the line of the routine cannot be a stop.
    using TStopFilter = std::function<bool(const TRoutine& routine, int line)>;

    // The program must outlive the thread. Created suspended: Start runs it. Without a filter every
    // hook is handed over.
    TDebugThread(TProgram& program, TOutputEvent onOutput, TStopEvent onStop, TStopFilter mayStop = nullptr);
    // Ends a run that still waits or runs, and waits for the thread.
    ~TDebugThread() override;

    TResumeMode GetResumeMode() override { return resumeMode_.load(); }
    void OnException(rtl::Exception& exception, TRoutine& routine, bool& handled,
                     const std::shared_ptr<IStatement>& statement) override;
    void BeforeStatement(TRoutine& routine, const std::shared_ptr<IBlock>& block,
                         const std::shared_ptr<IStatement>& statement) override;
    // A routine's outermost block is recorded but never waits.
    void EnterBlock(TRoutine& routine, const std::shared_ptr<IBlock>& block) override;
    void LeaveBlock(TRoutine& routine, const std::shared_ptr<IBlock>& block) override;
    void Output(TDebugMessageKind kind, const std::u16string& text,
                const std::shared_ptr<core::IQueryResult>& result,
                const std::shared_ptr<IStatement>& statement, TRoutine& routine) override;

    // From the user-interface thread: go on (rmRun) or end the session (rmTerminate).
    void RequestResume(TResumeMode mode);

    // Where the run was at its last hand-over (a stop being decided, or an error). Null, null, null
    // and -1 before the first and after the run. Read while the run runs, they may be behind it.
    TRoutine* CurrentRoutine() const;
    std::shared_ptr<IBlock> Context() const;
    std::shared_ptr<IStatement> Statement() const;
    int CurrentLine() const;
    // The error of the stop being decided, or the error that ended the run.
    TExceptionInfo Error() const;

protected:
    void Execute() override;

private:
    // States of the run: the thread has not begun, the interpreter runs, or it waits in a hook.
    enum TRunState : std::uint8_t { rsWaiting = 0, rsRunning = 1, rsNotStarted = 2 };

    // Notes the place of a hook on this thread alone; `mayWait` hands over unless the filter rules
    // the hook out.
    void Hook(TRoutine& routine, const std::shared_ptr<IBlock>& context,
              const std::shared_ptr<IStatement>& statement, int line, bool mayWait);
    // Publishes the place of the hook for the user-interface thread, hands over and waits.
    void WaitForResume(const std::shared_ptr<IStatement>& statement);
    bool IsLastReported(const rtl::Exception& exception) const;

    TProgram& program_;
    TOutputEvent onOutput_;
    TStopEvent onStop_;
    TStopFilter mayStop_;

    // The place of the last hook, which only this thread touches: most hooks are no stop, and a
    // lock per statement would cost more than the statement.
    TRoutine* hookRoutine_ = nullptr;
    std::shared_ptr<IBlock> hookContext_;
    int hookLine_ = -1;

    // Guards the published place and the error, which the user-interface thread reads, and the run
    // state that it changes.
    mutable std::mutex mutex_;
    std::condition_variable resumed_;
    std::atomic<TResumeMode> resumeMode_{rmNone};
    TRunState running_ = rsNotStarted;
    TRoutine* routine_ = nullptr;
    std::shared_ptr<IBlock> context_;
    std::shared_ptr<IStatement> statement_;
    int line_ = -1;
    TExceptionInfo error_;

    // The error last stopped at, kept alive so that its address cannot be taken by a later error
    // while the enclosing statements see it pass.
    std::exception_ptr lastReported_;
    const rtl::Exception* lastReportedAddress_ = nullptr;
};

} // namespace engine
