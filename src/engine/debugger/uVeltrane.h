// The debugger facade the user interface drives: programs, runs, stops and their errors.
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>

#include "core/uContainers.h"
#include "core/uDataValues.h"
#include "core/uDBAConnection.h"
#include "core/uMultiNotifier.h"
#include "engine/debugger/uBreakPoints.h"
#include "engine/debugger/uDebugThread.h"
#include "engine/model/uMetadata.h"
#include "engine/server/uDBAProgram.h"
#include "platform/rtl/Exception.h"

namespace parser {
class TTokenizer;
}

namespace engine {

// The error of a run, or of a request that needs a paused run, raised on the user-interface thread.
RTL_DECLARE_EXCEPTION(EDebuggerException, rtl::Exception);

// The debugger as the user interface drives it: it owns the program of the connection, the
// breakpoints and the output messages, runs the main routine on a debug thread, decides at every hook
// whether the run stops, and evaluates expressions at a stop. Every operation belongs to the
// user-interface thread; the debug thread reaches the facade only through synchronous calls.
class TVeltrane {
public:
    using TVeltraneEvent = std::function<void(TVeltrane& sender)>;

    // The tick is called while the user-interface thread waits for the debug thread, so that the
    // window system stays served; the facade serves the debug thread's calls itself meanwhile.
    TVeltrane(std::shared_ptr<core::IDBAConnection> connection, TVeltraneEvent onPaused,
              TVeltraneEvent onStarted, TVeltraneEvent onStopped, TVeltraneEvent onTick,
              TVeltraneEvent onAfterResume);
    // Ends a run that still exists and waits for it, without calling back.
    ~TVeltrane();
    TVeltrane(const TVeltrane&) = delete;
    TVeltrane& operator=(const TVeltrane&) = delete;

    TDBAProgram& Program() const { return *program_; }
    TBreakPoints& BreakPoints() { return breakPoints_; }
    // Cleared at every stop and at the end of a run: run to cursor and step over live here.
    TBreakPoints& TemporaryBreakPoints() { return temporaryBreakPoints_; }
    // The debug thread runs between stops.
    bool Busy() const { return busy_.load(); }
    // Every output message of the facade and of its runs, delivered on the user-interface thread.
    core::TMultiNotifier& Messages() { return messages_; }

    // Returns at the first stop or when the run has already ended.
    void Start(bool step);
    // Resumes a stopped run without waiting.
    void Run();
    void StepInto();
    // The next hook stops.
    void Pause();
    // Also from another thread without waiting, as a lost-connection handler does during a run.
    void Stop(bool wait);
    // Raises "process not accessible" without a run; else waits until it stops.
    void CheckPaused();

    bool IsRunning() const { return thread_ != nullptr; }
    // Where the run is; null, null and -1 without a run.
    TRoutine* CurrentRoutine() const;
    std::shared_ptr<IBlock> GetCurrentContext() const;
    int CurrentLine() const;
    TRoutine& MainRoutine() const { return program_->MainRoutine(); }
    // Raises the error that stopped or ended the run, once.
    void CheckError();

    // Evaluation at a stop, with a debugger that neither stops nor reports: "process not accessible"
    // without a run or while the run is busy.
    std::shared_ptr<core::IRODataValue> EvaluateExpression(std::u16string_view text);
    // "NULL" or the value's text; an error's message in place of the value.
    std::u16string EvaluateToText(std::u16string_view text);
    // DataValueToDisplayText of the value; on an error its message when errors are shown, else empty.
    std::u16string EvaluateForDisplay(std::u16string_view text, bool showErrors);

    void GetExecutableLines(const TRoutine& routine, core::TIntegerList& lines);
    // The expression under the character position of the text, for showing its value.
    std::u16string GetExpressionAt(std::u16string_view text, int position);

private:
    enum TRunMode : std::uint8_t { rmStep = 0, rmContinue = 1 };

    void Resume(TResumeMode mode);
    void WaitWhileBusy();
    // On the debug thread: whether the hook at the line can be a stop at all, so that only those reach
    // the user-interface thread.
    bool MayStop(int line) const;
    // The stop decision, on the user-interface thread.
    void OnBreak(TDebugThread& thread);
    bool IsBreakpointHit();
    bool ScanBreakpoints(const TBreakPoints& list, const TRoutine& routine, int line);
    void OnThreadTerminate();
    void OutputMessage(TDebugMessageKind kind, const std::u16string& text,
                       const std::shared_ptr<core::IQueryResult>& result,
                       const std::shared_ptr<IStatement>& statement, TRoutine& routine);
    // A message of the facade itself, for the main routine at a line of its first statement.
    void OutputMainMessage(TDebugMessageKind kind, const std::u16string& text, bool atEnd);
    void Notify(const TVeltraneEvent& event);

    std::shared_ptr<core::IDBAConnection> connection_;
    std::shared_ptr<ISchema> schema_;
    std::unique_ptr<TDBAProgram> program_;
    TVeltraneEvent onPaused_;
    TVeltraneEvent onStarted_;
    TVeltraneEvent onStopped_;
    TVeltraneEvent onTick_;
    TVeltraneEvent onAfterResume_;
    TBreakPoints breakPoints_;
    TBreakPoints temporaryBreakPoints_;
    core::TMultiNotifier messages_;
    std::unique_ptr<parser::TTokenizer> tokenizer_;
    std::atomic<TRunMode> runMode_{rmContinue};
    TExceptionInfo pendingError_;
    std::atomic<bool> busy_{false};
    // Declared last: a thread ends before what it uses goes. The one that ended is joined later,
    // because its end handler runs while the thread waits for it.
    std::unique_ptr<TDebugThread> thread_;
    std::unique_ptr<TDebugThread> endedThread_;
};

// The old routine was dropped and neither the new text nor the old one could be created again (the
// connection died in between, say): the routine is gone from the server, and its old text, exactly as
// the server kept it, is all that is left of it.
class ERoutineDropped : public rtl::Exception {
public:
    ERoutineDropped(const std::string& message, std::u16string oldText)
        : rtl::Exception(message), oldText_(std::move(oldText)) {}
    const char* ClassName() const override { return "ERoutineDropped"; }
    const std::u16string& OldText() const { return oldText_; }

private:
    std::u16string oldText_;
};

// Stores a routine's new text on the server in the routine's schema: drops the old routine and
// creates the new one; when that fails, the old text is created again exactly as the server gave it
// and the failure passes on, or ERoutineDropped when the old routine cannot be put back either. The
// current database is the one before the call afterwards, as far as the connection still allows.
// The new text goes with the line breaks the routine's text has on the server wherever its lines are
// unchanged, and LF elsewhere: a routine stored unedited is byte-identical on the server.
void StoreRoutine(core::IDBAConnection& connection, TRoutine& routine, std::u16string_view editedText);

// The monitor callback delivered on the user-interface thread, whichever thread sends the SQL: a
// run sends its statements from the debug thread, and the monitor panel is a widget.
core::TSQLMonitorCallback SQLMonitorOnUserInterfaceThread(core::TSQLMonitorCallback callback);

// "NULL"; text values between single quotes (binary ones without); any other value as its SQL literal.
std::u16string DataValueToDisplayText(const core::IRODataValue& value);

} // namespace engine
