#include "engine/debugger/uVeltrane.h"

#include "core/uDataTypes.h"
#include "core/uStringUtils.h"
#include "engine/debugger/uDebugMessages.h"
#include "engine/local/uCompiler.h"
#include "engine/local/uExpressionInterpreter.h"
#include "engine/model/uMetadataImp.h"
#include "engine/server/uDBAExpressionBuilder.h"
#include "engine/server/uDBAInterpreter.h"
#include "parser/uMySqlGrammar.h"
#include "parser/uTokenizer.h"
#include "parser/uTokens.h"
#include "platform/rtl/CodePage.h"
#include "platform/rtl/Format.h"
#include "platform/rtl/Threads.h"
#include "platform/rtl/Utf.h"

namespace engine {

namespace {

// How long a wait for the debug thread serves its calls before the tick runs again.
constexpr std::uint32_t kWaitSliceMs = 10;

const char* const kProcessNotAccessible = "process not accessible";

int FirstStatementLine(const TRoutine& routine, bool atEnd) {
    const auto statements = routine.Block()->GetStatements();
    // A main routine without statements has no line to show.
    if (statements->Count() == 0) return -1;
    const auto info = statements->GetStatement(0)->GetDebugInfo();
    if (!info) return -1;
    return atEnd ? info->GetEndLine() : info->GetBeginLine();
}

} // namespace

TVeltrane::TVeltrane(std::shared_ptr<core::IDBAConnection> connection, TVeltraneEvent onPaused,
                     TVeltraneEvent onStarted, TVeltraneEvent onStopped, TVeltraneEvent onTick,
                     TVeltraneEvent onAfterResume)
    : connection_(std::move(connection)), schema_(std::make_shared<TSchema>()),
      onPaused_(std::move(onPaused)), onStarted_(std::move(onStarted)), onStopped_(std::move(onStopped)),
      onTick_(std::move(onTick)), onAfterResume_(std::move(onAfterResume)), messages_(this) {
    RTL_ASSERT(connection_);
    program_ = std::make_unique<TDBAProgram>(schema_, connection_);
    // A routine loaded during a run that does not compile runs on the server instead.
    program_->SetRaiseCompileErrors(false);
    // Made now, not on first use, which could come from both threads of a run at once.
    program_->MainRoutine();
    if (auto* guard = dynamic_cast<core::IDBARunGuard*>(connection_.get()))
        guard->SetRunBusy([this] { return busy_.load(); });
}

TVeltrane::~TVeltrane() {
    // The application may be half gone: none of its callbacks while the run ends.
    onPaused_ = onStarted_ = onStopped_ = onTick_ = onAfterResume_ = nullptr;
    if (auto* guard = dynamic_cast<core::IDBARunGuard*>(connection_.get())) guard->SetRunBusy(nullptr);
    if (thread_) {
        Resume(rmTerminate);
        WaitWhileBusy();
    }
    endedThread_.reset();
}

void TVeltrane::Notify(const TVeltraneEvent& event) {
    if (event) event(*this);
}

void TVeltrane::Start(bool step) {
    if (thread_) throw EDebuggerException("Debugging process is already started");
    endedThread_.reset();
    connection_->UseDatabase(connection_->GetDatabase());
    runMode_ = step ? rmStep : rmContinue;
    pendingError_.Clear();
    ClearServerWarnings(*connection_);
    thread_ = std::make_unique<TDebugThread>(
        *program_,
        [this](TDebugMessageKind kind, const std::u16string& text,
               const std::shared_ptr<core::IQueryResult>& result,
               const std::shared_ptr<IStatement>& statement,
               TRoutine& routine) { OutputMessage(kind, text, result, statement, routine); },
        [this](TDebugThread& thread) { OnBreak(thread); },
        [this](const TRoutine&, int line) { return MayStop(line); });
    thread_->OnTerminate = [this](rtl::TThread&) { OnThreadTerminate(); };
    // The thread reaches this thread only when it is served below, so what follows comes first.
    thread_->Start();
    busy_ = true;
    Notify(onStarted_);
    OutputMainMessage(mkInformation, u"Debugging started", false);
    WaitWhileBusy();
}

void TVeltrane::Run() {
    CheckPaused();
    runMode_ = rmContinue;
    Resume(rmRun);
}

void TVeltrane::StepInto() {
    CheckPaused();
    runMode_ = rmStep;
    Resume(rmRun);
    WaitWhileBusy();
}

void TVeltrane::Pause() {
    runMode_ = rmStep;
    WaitWhileBusy();
}

void TVeltrane::Stop(bool wait) {
    // A lost-connection handler stops the run from the debug thread, inside the statement that lost
    // it: the stop belongs to the user-interface thread, and waiting there would wait for itself.
    if (!rtl::IsMainThread()) {
        RTL_ASSERT_MSG(!wait, "only the user-interface thread waits for a run to stop");
        rtl::Synchronize([this] { Stop(false); });
        return;
    }
    if (!thread_ || thread_->GetResumeMode() == rmTerminate) return;
    OutputMainMessage(mkError, u"Debugging interrupted by user", true);
    Resume(rmTerminate);
    if (wait) WaitWhileBusy();
}

void TVeltrane::CheckPaused() {
    if (!thread_) throw EDebuggerException(kProcessNotAccessible);
    WaitWhileBusy();
}

void TVeltrane::Resume(TResumeMode mode) {
    // The error of the stop being left is no longer pending, as at every later hook that is no stop.
    if (mode == rmRun) pendingError_.Clear();
    thread_->RequestResume(mode);
    busy_ = true;
    Notify(onAfterResume_);
}

void TVeltrane::WaitWhileBusy() {
    // Busy, not the thread's own state: it changes only here, once the stop decision has been made.
    while (thread_ && busy_) {
        rtl::CheckSynchronize(kWaitSliceMs);
        if (thread_ && busy_) Notify(onTick_);
    }
}

bool TVeltrane::MayStop(int line) const {
    return runMode_.load() == rmStep || breakPoints_.AnyEnabledAt(line) ||
           temporaryBreakPoints_.AnyEnabledAt(line);
}

void TVeltrane::OnBreak(TDebugThread& thread) {
    if (thread.GetResumeMode() == rmTerminate) return;
    pendingError_ = thread.Error();
    if (runMode_ == rmStep || IsBreakpointHit() || !pendingError_.Empty()) {
        busy_ = false;
        temporaryBreakPoints_.Clear();
        Notify(onPaused_);
        return;
    }
    // No stop: the thread goes on as soon as this returns. Run would wait for a stop that is not one.
    runMode_ = rmContinue;
    Resume(rmRun);
}

bool TVeltrane::IsBreakpointHit() {
    // Conditions are evaluated at the stop being decided, which needs the run not to be busy.
    const bool wasBusy = busy_.exchange(false);
    struct TRestoreBusy {
        std::atomic<bool>& busy;
        bool value;
        ~TRestoreBusy() { busy = value; }
    } restore{busy_, wasBusy};
    const TRoutine* routine = thread_->CurrentRoutine();
    if (!routine) return false;
    const int line = thread_->CurrentLine();
    return ScanBreakpoints(breakPoints_, *routine, line) ||
           ScanBreakpoints(temporaryBreakPoints_, *routine, line);
}

bool TVeltrane::ScanBreakpoints(const TBreakPoints& list, const TRoutine& routine, int line) {
    for (int i = 0; i < list.Count(); ++i) {
        const TBreakPoint& point = list.Items(i);
        if (!point.Enabled() || !point.Matches(routine.Name(), routine.Kind(), line)) continue;
        if (point.Condition().empty()) return true;
        try {
            if (IsTrue(*EvaluateExpression(point.Condition()))) return true;
        } catch (const rtl::Exception& error) {
            pendingError_ = {rtl::Format("Invalid breakpoint condition: %s. Error message: %s",
                                         rtl::Utf16ToUtf8(point.Condition()), error.Message()),
                             error.ClassName()};
            return true;
        }
    }
    return false;
}

void TVeltrane::OnThreadTerminate() {
    pendingError_ = thread_->Error();
    endedThread_ = std::move(thread_);
    busy_ = false;
    temporaryBreakPoints_.Clear();
    OutputMainMessage(mkInformation, u"Debugging completed", true);
    Notify(onStopped_);
}

void TVeltrane::OutputMessage(TDebugMessageKind kind, const std::u16string& text,
                              const std::shared_ptr<core::IQueryResult>& result,
                              const std::shared_ptr<IStatement>& statement, TRoutine& routine) {
    const auto info = statement ? statement->GetDebugInfo() : nullptr;
    messages_.NotifyEvent(std::make_shared<TDebuggMessageEvent>(
        this, result, info ? info->GetBeginLine() : -1, routine.Kind(), routine.Name(), text, kind));
}

void TVeltrane::OutputMainMessage(TDebugMessageKind kind, const std::u16string& text, bool atEnd) {
    TRoutine& main = MainRoutine();
    messages_.NotifyEvent(std::make_shared<TDebuggMessageEvent>(
        this, nullptr, FirstStatementLine(main, atEnd), main.Kind(), main.Name(), text, kind));
}

TRoutine* TVeltrane::CurrentRoutine() const {
    return thread_ ? thread_->CurrentRoutine() : nullptr;
}

std::shared_ptr<IBlock> TVeltrane::GetCurrentContext() const {
    return thread_ ? thread_->Context() : nullptr;
}

int TVeltrane::CurrentLine() const {
    return thread_ ? thread_->CurrentLine() : -1;
}

void TVeltrane::CheckError() {
    if (pendingError_.Empty()) return;
    const std::string text = pendingError_.Message.empty() ? pendingError_.ClassName : pendingError_.Message;
    pendingError_.Clear();
    throw EDebuggerException(text);
}

std::shared_ptr<core::IRODataValue> TVeltrane::EvaluateExpression(std::u16string_view text) {
    TRoutine* routine = CurrentRoutine();
    if (!routine || busy_) throw EDebuggerException(kProcessNotAccessible);
    const auto context = thread_->Context();
    TDBAExpressionBuilder builder(*program_, context);
    const auto expression = CompileExpression(text, parser::TMySqlGrammar::StaticClass(), builder);
    // What the user's own expression says of text read as a number is no condition of the routine.
    struct TDropOwnWarnings {
        std::vector<TStoreProblem>& warnings;
        std::size_t pending;
        ~TDropOwnWarnings() {
            warnings.erase(warnings.begin() + static_cast<std::ptrdiff_t>(pending), warnings.end());
        }
    } dropOwn{routine->Program().StoreWarnings(), routine->Program().StoreWarnings().size()};
    return EvaluateInContext(*routine, context, CreateNullDebugger(), expression);
}

std::u16string TVeltrane::EvaluateToText(std::u16string_view text) {
    try {
        const auto value = EvaluateExpression(text);
        return value->IsNull() ? u"NULL" : core::VariantToWideString(value->AsWideString());
    } catch (const rtl::Exception& error) {
        return rtl::Utf8ToUtf16(error.Message());
    }
}

std::u16string TVeltrane::EvaluateForDisplay(std::u16string_view text, bool showErrors) {
    try {
        return DataValueToDisplayText(*EvaluateExpression(text));
    } catch (const rtl::Exception& error) {
        return showErrors ? rtl::Utf8ToUtf16(error.Message()) : std::u16string();
    }
}

void TVeltrane::GetExecutableLines(const TRoutine& routine, core::TIntegerList& lines) {
    program_->GetExecutableLines(routine, lines);
}

std::u16string TVeltrane::GetExpressionAt(std::u16string_view text, int position) {
    if (!tokenizer_) {
        tokenizer_ = std::make_unique<parser::TTokenizer>();
        parser::TMySqlGrammar::StaticClass().NewGrammar()->SetupTokenizer(*tokenizer_);
    }
    parser::TCompositeToken tokens;
    tokenizer_->Tokenize(tokens, text);
    return parser::GetExpressionAtPosition(tokens, position);
}

namespace {

// Runs the new text after the old routine was dropped; when it fails the old text goes back, and
// when that fails too the routine is reported gone, with its old text.
void CreateInPlaceOf(core::IDBAConnection& connection, const TRoutine& routine, std::u16string_view newText,
                     const std::u16string& oldText) {
    try {
        connection.ExecSQL(rtl::Utf16ToUtf8(newText));
    } catch (const rtl::Exception&) {
        try {
            connection.ExecSQL(rtl::Utf16ToUtf8(oldText));
        } catch (const rtl::Exception& error) {
            throw ERoutineDropped(
                rtl::Format("%s %s was dropped and could not be re-created: %s. Its old text is kept to be "
                            "stored again.",
                            RoutineKindWord(routine.Kind()), routine.Name(), error.Message()),
                oldText);
        }
        throw;
    }
}

// The text with the line breaks the routine's text has on the server where its lines are unchanged,
// and LF elsewhere.
std::u16string WithServerLineBreaks(const TRoutine& routine, std::u16string_view text) {
    TLineBreaks written;
    const std::u16string lines = core::WideTrimSpaces(SplitLineBreaks(text, written));
    const TLineBreaks breaks = CarryLineBreaks(routine.Text(), routine.ServerLineBreaks(), lines);
    return rtl::Utf8ToUtf16(WithLineBreaks(rtl::Utf16ToUtf8(lines), breaks, 0));
}

} // namespace

void StoreRoutine(core::IDBAConnection& connection, TRoutine& routine, std::u16string_view editedText) {
    const std::u16string newText = WithServerLineBreaks(routine, editedText);
    std::u16string oldText;
    try {
        oldText = LoadRawRoutineText(connection, routine.Name(), routine.Kind());
    } catch (const rtl::Exception&) {
        // Not on the server (or not readable): stored as a new routine.
    }
    const std::string database = connection.GetCurrentDatabase();
    connection.UseDatabase(GetRoutineSchema(routine));
    try {
        if (oldText.empty()) {
            connection.ExecSQL(rtl::Utf16ToUtf8(newText));
        } else {
            DropRoutine(connection, routine.Name(), routine.Kind());
            CreateInPlaceOf(connection, routine, newText, oldText);
        }
    } catch (...) {
        try {
            connection.UseDatabase(database);
        } catch (const rtl::Exception&) {
            // The failure being raised says more than a failed switch back on the same connection.
        }
        throw;
    }
    connection.UseDatabase(database);
}

core::TSQLMonitorCallback SQLMonitorOnUserInterfaceThread(core::TSQLMonitorCallback callback) {
    RTL_ASSERT(callback);
    return [callback = std::move(callback)](const std::string& text) {
        rtl::Synchronize([&] { callback(text); });
    };
}

std::u16string DataValueToDisplayText(const core::IRODataValue& value) {
    if (value.IsNull()) return u"NULL";
    const core::TDatatypeCharacteristics type = value.GetCharacteristics();
    switch (type.DataType) {
    case core::dtString:
    case core::dtEnum:
    case core::dtSet: {
        std::u16string text = core::VariantToWideString(value.AsWideString());
        if (type.CodePage == rtl::kCodePageBinary) return text;
        return u"'" + text + u"'";
    }
    default:
        return rtl::Utf8ToUtf16(value.AsSQL());
    }
}

} // namespace engine
