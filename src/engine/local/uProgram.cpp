#include "engine/local/uProgram.h"

#include <algorithm>

#include "core/uStringUtils.h"
#include "engine/local/uCompiler.h"
#include "engine/local/uExecutableLineFiller.h"
#include "engine/local/uStatementBuilder.h"
#include "engine/local/uStatementInterpreter.h"
#include "parser/uMySqlGrammar.h"
#include "platform/rtl/Exception.h"
#include "platform/rtl/Format.h"

namespace engine {

TRoutine::TRoutine(TProgram* program, std::shared_ptr<IBlock> block, std::u16string_view text,
                   std::string name, TRoutineKind kind)
    : block_(std::move(block)), name_(std::move(name)), program_(program), kind_(kind),
      text_(core::WideTrimSpaces(text)) {
    RTL_ASSERT(program_ && block_);
}

void TRoutine::SetText(std::u16string_view text) {
    std::u16string trimmed = core::WideTrimSpaces(text);
    if (trimmed == text_) return;
    if (!serverLineBreaks_.empty()) serverLineBreaks_ = CarryLineBreaks(text_, serverLineBreaks_, trimmed);
    text_ = std::move(trimmed);
    compiled_ = false;
}

void TRoutine::SetServerText(std::u16string_view text, std::string sqlMode) {
    TLineBreaks breaks;
    std::u16string trimmed = core::WideTrimSpaces(SplitLineBreaks(text, breaks));
    if (trimmed == text_ && breaks == serverLineBreaks_ && sqlMode == sqlMode_) return;
    text_ = std::move(trimmed);
    serverLineBreaks_ = std::move(breaks);
    sqlMode_ = std::move(sqlMode);
    compiled_ = false;
}

void TRoutine::Compile() {
    program_->Compile(*this);
}

void TRoutine::Reload(bool compile) {
    program_->ReloadRoutine(*this, compile);
}

void TCallStack::Push(TRoutine& caller, TRoutine& called, std::string arguments, int line) {
    entries_.insert(entries_.begin(), TStackEntry{&called, line, std::move(arguments), &caller});
}

void TCallStack::Pop() {
    RTL_ASSERT(!entries_.empty());
    entries_.erase(entries_.begin());
}

const TStackEntry& TCallStack::GetEntry(int index) const {
    return ItemAt(entries_, index);
}

int TCallStack::CountOf(const TRoutine& routine) const {
    return static_cast<int>(std::count_if(entries_.begin(), entries_.end(), [&](const TStackEntry& entry) {
        return entry.Called == &routine;
    }));
}

TProgram::TProgram(std::shared_ptr<ISchema> schema, core::TDataConverter* converter)
    : identifierManager_("`", ".", "`"), schema_(std::move(schema)), converter_(converter),
      lastResult_(core::NullDataValue()), valueFactory_(converter) {
    RTL_ASSERT(schema_);
}

TProgram::~TProgram() = default;

TRoutine& TProgram::MainRoutine() {
    // Made on first use rather than in the constructor, so that a descendant's CreateBlock makes it.
    if (!mainRoutine_)
        mainRoutine_ = std::make_unique<TRoutine>(this, CreateBlock(), u"", "", rkAnonymousBlock);
    return *mainRoutine_;
}

std::shared_ptr<IBlock> TProgram::CreateBlock() {
    return std::make_shared<TBlock>(std::make_shared<TDebugInfo>(), nullptr, "", &identifierManager_);
}

void TProgram::Run(const std::shared_ptr<IDebugger>& debugger) {
    RunStatement(MainRoutine(), MainRoutine().Block(), MainRoutine().Block(), debugger);
}

std::unique_ptr<TStatementVisitor> TProgram::CreateLineFiller(core::TIntegerList& lines) {
    return std::make_unique<TExecutableLineFiller>(lines);
}

void TProgram::Parse(TRoutine& routine) {
    TStatementBuilder builder(routine, routine.Block()->GetStatements(), routine.Block());
    CompileStatements(routine.Text(), parser::TMySqlGrammar::StaticClass(), builder);
}

TRoutine* TProgram::LoadProcedure(const std::string&, bool) {
    return nullptr;
}

TRoutine* TProgram::LoadFunction(const std::string&, bool) {
    return nullptr;
}

std::u16string TProgram::GetRoutineText(const TRoutine&) {
    return {};
}

std::string TProgram::GetDefaultSchema() {
    return {};
}

TRoutine* TProgram::FindIn(const TRoutineList& routines, std::string_view name) const {
    const std::string qualifiedName = identifierManager_.QuotedQualifiedName(name, "");
    for (const auto& routine : routines) {
        if (core::SameText(routine->Name(), qualifiedName)) return routine.get();
    }
    return nullptr;
}

TRoutine* TProgram::FindProcedure(std::string_view name) {
    if (name.empty()) return &MainRoutine();
    return FindIn(procedures_, name);
}

TRoutine* TProgram::FindFunction(std::string_view name) {
    return FindIn(functions_, name);
}

TRoutine& TProgram::AddTo(TRoutineList& routines, std::string name, std::u16string_view text,
                          TRoutineKind kind) {
    routines.push_back(std::make_unique<TRoutine>(this, CreateBlock(), text, std::move(name), kind));
    return *routines.back();
}

TRoutine& TProgram::AddProcedure(std::string name, std::u16string_view text) {
    if (FindProcedure(name)) throw rtl::Exception(rtl::Format("PROCEDURE %s already exists", name));
    return AddTo(procedures_, std::move(name), text, rkProcedure);
}

TRoutine& TProgram::AddFunction(std::string name, std::u16string_view text) {
    if (FindFunction(name)) throw rtl::Exception(rtl::Format("FUNCTION %s already exists", name));
    return AddTo(functions_, std::move(name), text, rkFunction);
}

TRoutine* TProgram::GetProcedure(std::string_view name, std::string_view schema, bool compile) {
    const std::string qualifiedName = identifierManager_.QuotedQualifiedName(name, schema);
    TRoutine* routine = FindProcedure(qualifiedName);
    if (!routine) return LoadProcedure(qualifiedName, compile);
    if (compile) Compile(*routine);
    return routine;
}

TRoutine* TProgram::GetFunction(std::string_view name, std::string_view schema, bool compile) {
    const std::string qualifiedName = identifierManager_.QuotedQualifiedName(name, schema);
    TRoutine* routine = FindFunction(qualifiedName);
    if (!routine) return LoadFunction(qualifiedName, compile);
    if (compile) Compile(*routine);
    return routine;
}

namespace {

[[noreturn]] void UnknownRoutineType(std::uint8_t kind) {
    throw rtl::Exception(rtl::Format("Unknown routine type %d", kind));
}

} // namespace

TRoutine* TProgram::FindRoutine(std::string_view name, std::uint8_t kind) {
    switch (kind) {
    case rkAnonymousBlock:
        return &MainRoutine();
    case rkProcedure:
        return FindProcedure(name);
    case rkFunction:
        return FindFunction(name);
    default:
        UnknownRoutineType(kind);
    }
}

TRoutine* TProgram::GetRoutine(std::string_view name, std::string_view schema, bool compile,
                               std::uint8_t kind) {
    switch (kind) {
    case rkAnonymousBlock:
        return &MainRoutine();
    case rkProcedure:
        return GetProcedure(name, schema, compile);
    case rkFunction:
        return GetFunction(name, schema, compile);
    default:
        UnknownRoutineType(kind);
    }
}

void TProgram::RemoveRoutine(TRoutine& routine) {
    TRoutineList* routines = nullptr;
    switch (routine.Kind()) {
    case rkProcedure:
        routines = &procedures_;
        break;
    case rkFunction:
        routines = &functions_;
        break;
    default:
        throw rtl::Exception("Unsupported routine type");
    }
    std::erase_if(*routines, [&](const std::unique_ptr<TRoutine>& item) { return item.get() == &routine; });
}

void TProgram::RenameRoutine(TRoutine& routine, std::string_view newName) {
    const std::string schema = identifierManager_.SplitIdentifier(routine.Name(), GetDefaultSchema()).schema;
    routine.SetName(identifierManager_.QuotedQualifiedName(newName, schema));
}

std::string TProgram::RoutineDisplayName(const TRoutine& routine) {
    if (&routine == mainRoutine_.get()) return "<Main>";
    const std::string defaultSchema = GetDefaultSchema();
    const core::TIdentifierParts parts = identifierManager_.SplitIdentifier(routine.Name(), defaultSchema);
    if (identifierManager_.SameIdentifier(parts.schema, defaultSchema))
        return identifierManager_.UnquoteIdentifier(parts.name);
    return identifierManager_.UnquotedQualifiedName(routine.Name(), defaultSchema);
}

void TProgram::ReloadRoutine(TRoutine& routine, bool compile) {
    routine.SetText(GetRoutineText(routine));
    if (compile) Compile(routine);
}

void TProgram::Compile(TRoutine& routine) {
    if (routine.Compiled()) return;
    routine.Clear();
    Parse(routine);
    routine.SetCompiled(true);
}

void TProgram::GetExecutableLines(const TRoutine& routine, core::TIntegerList& lines) {
    const auto filler = CreateLineFiller(lines);
    routine.Block()->Accept(*filler);
}

TRoutine& TProgram::Procedures(int index) const {
    return *ItemAt(procedures_, index);
}

TRoutine& TProgram::Functions(int index) const {
    return *ItemAt(functions_, index);
}

void RunProgram(TProgram& program, const std::shared_ptr<IDebugger>& debugger) {
    program.SetLastResult(core::NullDataValue());
    try {
        program.Run(debugger);
    } catch (const EReturn& result) {
        program.SetLastResult(result.Value());
    }
}

} // namespace engine
