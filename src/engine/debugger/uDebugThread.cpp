#include "engine/debugger/uDebugThread.h"

namespace engine {

namespace {

int BeginLine(const IStatement& statement) {
    const auto& info = statement.GetDebugInfo();
    return info ? info->GetBeginLine() : -1;
}

int EndLine(const IStatement& statement) {
    const auto& info = statement.GetDebugInfo();
    return info ? info->GetEndLine() : -1;
}

} // namespace

TDebugThread::TDebugThread(TProgram& program, TOutputEvent onOutput, TStopEvent onStop, TStopFilter mayStop)
    : program_(program), onOutput_(std::move(onOutput)), onStop_(std::move(onStop)),
      mayStop_(std::move(mayStop)) {}

TDebugThread::~TDebugThread() {
    RequestResume(rmTerminate);
    TerminateAndWait();
}

void TDebugThread::Hook(TRoutine& routine, const std::shared_ptr<IBlock>& context,
                        const std::shared_ptr<IStatement>& statement, int line, bool mayWait) {
    hookRoutine_ = &routine;
    // Mostly the same block as before: no reference count to change.
    if (hookContext_ != context) hookContext_ = context;
    hookLine_ = line;
    if (mayWait && (!mayStop_ || mayStop_(routine, line))) WaitForResume(statement);
}

void TDebugThread::WaitForResume(const std::shared_ptr<IStatement>& statement) {
    {
        std::lock_guard lock(mutex_);
        routine_ = hookRoutine_;
        context_ = hookContext_;
        statement_ = statement;
        line_ = hookLine_;
        // Once the session is being ended, every hook lets the interpreter reach its terminate check.
        if (resumeMode_.load() == rmTerminate) return;
        running_ = rsWaiting;
    }
    // The stop decision resumes at once when this hook is no stop.
    Synchronize([this] { onStop_(*this); });
    std::unique_lock lock(mutex_);
    resumed_.wait(lock, [this] { return running_ != rsWaiting || resumeMode_.load() == rmTerminate; });
}

void TDebugThread::RequestResume(TResumeMode mode) {
    {
        std::lock_guard lock(mutex_);
        resumeMode_.store(mode);
        running_ = rsRunning;
    }
    resumed_.notify_all();
}

bool TDebugThread::IsLastReported(const rtl::Exception& exception) const {
    return &exception == lastReportedAddress_;
}

void TDebugThread::OnException(rtl::Exception& exception, TRoutine& routine, bool& handled,
                               const std::shared_ptr<IStatement>& statement) {
    handled = false;
    if (!IsFlowControlException(exception) && !IsLastReported(exception)) {
        {
            std::lock_guard lock(mutex_);
            error_ = {exception.Message(), exception.ClassName()};
        }
        hookLine_ =
            std::dynamic_pointer_cast<IBlock>(statement) ? EndLine(*statement) : BeginLine(*statement);
        hookRoutine_ = &routine;
        lastReported_ = std::current_exception();
        lastReportedAddress_ = &exception;
        WaitForResume(statement);
    }
    // The enclosing statements see the same exception pass; it was reported here, once.
    std::lock_guard lock(mutex_);
    error_.Clear();
}

void TDebugThread::BeforeStatement(TRoutine& routine, const std::shared_ptr<IBlock>& block,
                                   const std::shared_ptr<IStatement>& statement) {
    Hook(routine, block, statement, BeginLine(*statement), true);
}

void TDebugThread::EnterBlock(TRoutine& routine, const std::shared_ptr<IBlock>& block) {
    Hook(routine, block, block, BeginLine(*block), block->GetParent() != nullptr);
}

void TDebugThread::LeaveBlock(TRoutine& routine, const std::shared_ptr<IBlock>& block) {
    Hook(routine, block, block, EndLine(*block), block->GetParent() != nullptr);
}

void TDebugThread::Output(TDebugMessageKind kind, const std::u16string& text,
                          const std::shared_ptr<core::IQueryResult>& result,
                          const std::shared_ptr<IStatement>& statement, TRoutine& routine) {
    if (!onOutput_) return;
    // The routine belongs to the program, which outlives the thread and so every queued message.
    rtl::Queue([this, kind, text, result, statement, &routine] {
        onOutput_(kind, text, result, statement, routine);
    });
}

TRoutine* TDebugThread::CurrentRoutine() const {
    std::lock_guard lock(mutex_);
    return routine_;
}

std::shared_ptr<IBlock> TDebugThread::Context() const {
    std::lock_guard lock(mutex_);
    return context_;
}

std::shared_ptr<IStatement> TDebugThread::Statement() const {
    std::lock_guard lock(mutex_);
    return statement_;
}

int TDebugThread::CurrentLine() const {
    std::lock_guard lock(mutex_);
    return line_;
}

TExceptionInfo TDebugThread::Error() const {
    std::lock_guard lock(mutex_);
    return error_;
}

void TDebugThread::Execute() {
    {
        std::lock_guard lock(mutex_);
        line_ = -1;
        context_ = nullptr;
        statement_ = nullptr;
        running_ = rsRunning;
    }
    TExceptionInfo error;
    try {
        RunProgram(program_, GetInterface<IDebugger>());
    } catch (const rtl::Exception& exception) {
        // An error already shown at its stop, or the end of the session, is no error of the run.
        if (!IsFlowControlException(exception) && !IsLastReported(exception))
            error = {exception.Message(), exception.ClassName()};
    } catch (const std::exception& exception) {
        error = {exception.what(), "Exception"};
    }
    // The queued messages reach the user-interface thread before the run counts as ended.
    Synchronize([] {});
    lastReported_ = nullptr;
    lastReportedAddress_ = nullptr;
    hookContext_ = nullptr;
    std::lock_guard lock(mutex_);
    error_ = error;
    context_ = nullptr;
    statement_ = nullptr;
}

} // namespace engine
