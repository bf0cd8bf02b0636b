#include "engine/server/uDBAProgram.h"

#include <algorithm>

#include "core/uStringUtils.h"
#include "engine/local/uCompiler.h"
#include "engine/local/uStrictAssignment.h"
#include "engine/server/uDBABlock.h"
#include "engine/server/uDBAExecutableLineFiller.h"
#include "engine/server/uDBAExpressions.h"
#include "engine/server/uDBAInterpreter.h"
#include "engine/server/uDBAStatementBuilder.h"
#include "parser/uMySqlGrammar.h"
#include "parser/uParser.h"
#include "parser/uTokenizer.h"
#include "parser/uTokens.h"
#include "platform/rtl/Format.h"
#include "platform/rtl/Utf.h"

namespace engine {

namespace {

// Fields of SHOW CREATE PROCEDURE and SHOW CREATE FUNCTION.
constexpr int kSqlModeField = 1;
constexpr int kCreateTextField = 2;

core::IDBAConnection& Required(const std::shared_ptr<core::IDBAConnection>& connection) {
    RTL_ASSERT(connection);
    return *connection;
}

TDBAProgram& ProgramOf(const TRoutine& routine) {
    auto* program = dynamic_cast<TDBAProgram*>(&routine.Program());
    RTL_ASSERT(program);
    return *program;
}

} // namespace

// ---- active handlers

const THandlerStackEntry& THandlerCallStack::Items(int index) const {
    return ItemAt(entries_, index);
}

bool THandlerCallStack::IsActive(const TDBAHandler& handler) const {
    return std::any_of(entries_.begin(), entries_.end(),
                       [&](const THandlerStackEntry& entry) { return entry.Handler == &handler; });
}

const THandlerStackEntry* THandlerCallStack::Top() const {
    return entries_.empty() ? nullptr : &entries_.front();
}

void THandlerCallStack::Push(TDBAHandler& handler, std::u16string message, bool warning, std::string sqlState,
                             int errorCode) {
    entries_.insert(entries_.begin(), THandlerStackEntry{&handler, std::move(sqlState), std::move(message),
                                                         static_cast<std::uint16_t>(errorCode), warning});
}

void THandlerCallStack::Pop() {
    RTL_ASSERT(!entries_.empty());
    entries_.erase(entries_.begin());
}

// ---- program

TDBAProgram::TDBAProgram(std::shared_ptr<ISchema> schema, std::shared_ptr<core::IDBAConnection> connection)
    : TProgram(std::move(schema), &Required(connection).GetDataConverter()),
      connection_(std::move(connection)) {}

std::shared_ptr<TDBAVariable> TDBAProgram::StatementCountVariable(const std::string& functionName) {
    const bool rowCount = core::SameText(functionName, "ROW_COUNT");
    if (!rowCount && !core::SameText(functionName, "FOUND_ROWS")) return nullptr;
    std::shared_ptr<TDBAVariable>& variable = rowCount ? rowCount_ : foundRows_;
    if (!variable) {
        // The counts a session starts with.
        const auto start = ValueFactory().CreateInteger(rowCount ? -1 : 0);
        variable = std::make_shared<TDBAVariable>(
            rowCount ? "ROW_COUNT()" : "FOUND_ROWS()", start,
            ValueFactory().CreateVariableValue(core::BareCharacteristics(core::dtInteger)));
        variable->SetValue(start);
    }
    return variable;
}

std::shared_ptr<IBlock> TDBAProgram::CreateBlock() {
    return std::make_shared<TDBABlock>(std::make_shared<TDebugInfo>(), nullptr, "", &IdentifierManager(),
                                       connection_);
}

void TDBAProgram::Run(const std::shared_ptr<IDebugger>& debugger) {
    const auto& block = MainRoutine().Block();
    ExecuteInContext(MainRoutine(), block, block, debugger);
}

std::unique_ptr<TStatementVisitor> TDBAProgram::CreateLineFiller(core::TIntegerList& lines) {
    return std::make_unique<TDBAExecutableLineFiller>(lines);
}

void TDBAProgram::Parse(TRoutine& routine) {
    TDBAStatementBuilder builder(routine, routine.Block()->GetStatements(), routine.Block());
    const std::u16string text = HasSqlModeFlag(routine.SqlMode().value_or(""), "ANSI_QUOTES")
                                    ? DoubleQuotesAsIdentifiers(routine.Text())
                                    : routine.Text();
    CompileStatements(text, parser::TMySqlGrammar::StaticClass(), builder, &routine.ServerLineBreaks());
}

void TDBAProgram::ReloadRoutine(TRoutine& routine, bool compile) {
    TRoutineDefinition definition = LoadRoutineDefinition(*connection_, routine.Name(), routine.Kind());
    routine.SetServerText(definition.Text, std::move(definition.SqlMode));
    if (compile) Compile(routine);
}

TRoutine* TDBAProgram::Load(const std::string& qualifiedName, TRoutineKind kind, bool compile) {
    TRoutine* routine = nullptr;
    try {
        TRoutineDefinition definition = LoadRoutineDefinition(*connection_, qualifiedName, kind);
        routine = kind == rkProcedure ? &AddProcedure(qualifiedName, u"") : &AddFunction(qualifiedName, u"");
        routine->SetServerText(definition.Text, std::move(definition.SqlMode));
    } catch (const rtl::Exception&) {
        // Not there, not readable or not reachable: the call runs on the server.
        return nullptr;
    }
    if (!compile) return routine;
    try {
        Compile(*routine);
    } catch (const ECompileError&) {
        if (raiseCompileErrors_) throw;
    } catch (const parser::EGrammarError&) {
        if (raiseCompileErrors_) throw;
    }
    return routine;
}

TRoutine* TDBAProgram::LoadProcedure(const std::string& qualifiedName, bool compile) {
    return Load(qualifiedName, rkProcedure, compile);
}

TRoutine* TDBAProgram::LoadFunction(const std::string& qualifiedName, bool compile) {
    return Load(qualifiedName, rkFunction, compile);
}

std::u16string TDBAProgram::GetRoutineText(const TRoutine& routine) {
    return LoadRoutineText(*connection_, routine.Name(), routine.Kind());
}

std::string TDBAProgram::GetDefaultSchema() {
    return connection_->GetDatabase();
}

// ---- routines on the server

std::string RoutineKindWord(TRoutineKind kind) {
    RTL_ASSERT(kind == rkProcedure || kind == rkFunction);
    std::string word(RoutineKindNamesLower[kind]);
    std::transform(word.begin(), word.end(), word.begin(),
                   [](char c) { return static_cast<char>(std::toupper(c)); });
    return word;
}

std::u16string LoadRoutineText(core::IDBAConnection& connection, const std::string& name, TRoutineKind kind) {
    return core::NormalizeLineBreaks(LoadRawRoutineText(connection, name, kind));
}

std::u16string LoadRawRoutineText(core::IDBAConnection& connection, const std::string& name,
                                  TRoutineKind kind) {
    return LoadRoutineDefinition(connection, name, kind).Text;
}

TRoutineDefinition LoadRoutineDefinition(core::IDBAConnection& connection, const std::string& name,
                                         TRoutineKind kind) {
    const auto query =
        connection.CreateQuery(rtl::Format("SHOW CREATE %s %s", RoutineKindWord(kind), name), false);
    query->Open();
    TRoutineDefinition definition;
    if (!query->Eof()) {
        const auto text = connection.FieldDataValue(query->Fields()[kCreateTextField]);
        // A user who may execute the routine but not read it gets NULL: an empty body would run as
        // a routine without parameters that does nothing.
        if (!text->IsNull()) definition.Text = core::VariantToWideString(text->AsWideString());
        definition.SqlMode = query->Fields()[kSqlModeField]->AsString();
    }
    if (definition.Text.empty())
        throw ERoutineTextUnavailable(
            rtl::Format("The text of %s %s is not available", RoutineKindWord(kind), name));
    return definition;
}

std::u16string DoubleQuotesAsIdentifiers(std::u16string_view text) {
    parser::TTokenizer tokenizer;
    parser::TMySqlGrammar::StaticClass().NewGrammar()->SetupTokenizer(tokenizer);
    parser::TCompositeToken tokens;
    tokenizer.Tokenize(tokens, text);
    std::u16string result;
    result.reserve(text.size());
    for (int i = 0; i < tokens.Count(); ++i) {
        const parser::TToken& token = *tokens.Items(i);
        const std::u16string_view piece =
            text.substr(token.StartPosition(), token.EndPosition() - token.StartPosition());
        if (token.Kind() != parser::TTokenKind::QuotedString || piece.empty() || piece.front() != u'"') {
            result += piece;
            continue;
        }
        // "a""b" names a"b; back quotes inside a name are doubled.
        std::u16string name;
        for (std::size_t k = 1; k + 1 < piece.size(); ++k) {
            if (piece[k] == u'"' && piece[k + 1] == u'"') ++k;
            if (piece[k] == u'`') name += u'`';
            name += piece[k];
        }
        std::u16string quoted = u"`" + name + u"`";
        // A blank after the name keeps the length where a doubled quote was undone.
        if (quoted.size() < piece.size()) quoted.append(piece.size() - quoted.size(), u' ');
        result += quoted;
    }
    return result;
}

void DropRoutine(core::IDBAConnection& connection, const std::string& name, TRoutineKind kind) {
    connection.ExecSQL(rtl::Format("DROP %s %s", RoutineKindWord(kind), name));
}

bool RoutineExistsOnServer(const TRoutine& routine) {
    try {
        return !LoadRoutineText(*ProgramOf(routine).Connection(), routine.Name(), routine.Kind()).empty();
    } catch (const rtl::Exception&) {
        return false;
    }
}

std::string GetRoutineSchema(const TRoutine& routine) {
    TDBAProgram& program = ProgramOf(routine);
    if (routine.Kind() == rkAnonymousBlock) {
        RTL_ASSERT(&routine == &program.MainRoutine());
        return program.Connection()->GetDatabase();
    }
    return program.IdentifierManager().QuotedSchema(routine.Name(), program.GetDefaultSchema());
}

} // namespace engine
