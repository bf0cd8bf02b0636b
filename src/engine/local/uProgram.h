// A program: the main routine, the procedures and functions loaded so far, and the call stack.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/uContainers.h"
#include "core/uDataConverter.h"
#include "core/uDataTypes.h"
#include "core/uDataValues.h"
#include "core/uIdentifierManager.h"
#include "engine/model/uDataValueManager.h"
#include "engine/model/uDebugger.h"
#include "engine/model/uLineBreaks.h"
#include "engine/model/uMetadata.h"
#include "engine/model/uStatements.h"

namespace engine {

enum TRoutineKind : std::uint8_t {
    rkAnonymousBlock = 0, // the main routine
    rkProcedure = 1,
    rkFunction = 2,
};

// Indexed by TRoutineKind. Upper-cased, the lower-case names are the routine words of server
// messages ("PROCEDURE", "FUNCTION").
inline constexpr std::array<std::string_view, 3> RoutineKindNames = {"Anonymous Block", "Procedure",
                                                                     "Function"};
inline constexpr std::array<std::string_view, 3> RoutineKindNamesLower = {"anonymous block", "procedure",
                                                                          "function"};
// The kinds of schema items.
inline constexpr std::array<std::string_view, 4> SchemaItemKindNames = {"Unknown", "Schema", "Procedure",
                                                                        "Function"};

class TProgram;

// A procedure, a function or the main block: its text and the block it compiles into.
class TRoutine {
public:
    // The text is stored trimmed.
    TRoutine(TProgram* program, std::shared_ptr<IBlock> block, std::u16string_view text, std::string name,
             TRoutineKind kind);
    TRoutine(const TRoutine&) = delete;
    TRoutine& operator=(const TRoutine&) = delete;

    // The root block: a procedure's or function's parameters as symbols in declaration order, and
    // the body as its statements.
    const std::shared_ptr<IBlock>& Block() const { return block_; }
    // Quoted and schema-qualified (`db`.`name`) for the lookups to find it; empty for the main routine.
    const std::string& Name() const { return name_; }
    void SetName(std::string name) { name_ = std::move(name); }
    TProgram& Program() const { return *program_; }
    TRoutineKind Kind() const { return kind_; }
    // With CR LF line breaks.
    const std::u16string& Text() const { return text_; }
    // Blanks and control characters at both ends do not count: only a real change of the text makes
    // the routine uncompiled. The server's line breaks stay with the lines the change left alone.
    void SetText(std::u16string_view text);
    // The text and the sql_mode as the server keeps them.
    void SetServerText(std::u16string_view text, std::string sqlMode);
    // The line breaks of the text on the server; none for a routine the program wrote.
    const TLineBreaks& ServerLineBreaks() const { return serverLineBreaks_; }
    // The sql_mode the routine was created under; none for one the program wrote.
    const std::optional<std::string>& SqlMode() const { return sqlMode_; }
    bool Compiled() const { return compiled_; }
    void SetCompiled(bool compiled) { compiled_ = compiled; }
    // The RETURNS type of a function.
    const core::TDatatypeCharacteristics& ReturnType() const { return returnType_; }
    void SetReturnType(const core::TDatatypeCharacteristics& returnType) { returnType_ = returnType; }

    void Clear() { block_->Clear(); }
    void Compile();
    void Reload(bool compile);

private:
    std::shared_ptr<IBlock> block_;
    std::string name_;
    TProgram* program_;
    TRoutineKind kind_;
    std::u16string text_;
    TLineBreaks serverLineBreaks_;
    std::optional<std::string> sqlMode_;
    bool compiled_ = false;
    core::TDatatypeCharacteristics returnType_;
};

struct TStackEntry {
    TRoutine* Called;
    int Line;              // of the call in the caller; -1 for a function call
    std::string Arguments; // the argument values as SQL text
    TRoutine* Caller;
};

// The interpreted call stack; the newest entry is at index 0.
class TCallStack {
public:
    void Push(TRoutine& caller, TRoutine& called, std::string arguments, int line);
    void Pop();
    int Count() const { return static_cast<int>(entries_.size()); }
    const TStackEntry& GetEntry(int index) const;
    // The entries that call this very routine.
    int CountOf(const TRoutine& routine) const;

private:
    std::vector<TStackEntry> entries_;
};

// Everything that can run: the main routine, the procedures and functions loaded so far, the call
// stack and the value factory. The base knows no server; the server-side program supplies routine
// texts, its own blocks, compiler and interpreter, and the default schema.
//
// Used by the user-interface thread and the debug thread, never at once, without locks.
// A value that does not fit where a routine stores it, as the server reports it.
struct TStoreProblem {
    int ErrorCode;
    std::string SQLState;
    std::string Message;
    // A note (blanks cut) fails no store, strict or not.
    bool Note = false;
};

class TProgram {
public:
    // The converter must outlive the program.
    TProgram(std::shared_ptr<ISchema> schema, core::TDataConverter* converter);
    virtual ~TProgram();
    TProgram(const TProgram&) = delete;
    TProgram& operator=(const TProgram&) = delete;

    // Kind 0, empty name and text; made from CreateBlock on first use.
    TRoutine& MainRoutine();
    const std::shared_ptr<ISchema>& Schema() const { return schema_; }
    TCallStack& CallStack() { return callStack_; }
    core::TDataConverter& Converter() const { return *converter_; }
    const TDataValueManager& ValueFactory() const { return valueFactory_; }
    // The value of a RETURN that ended the main routine; NULL otherwise.
    const std::shared_ptr<core::IRODataValue>& LastResult() const { return lastResult_; }
    void SetLastResult(std::shared_ptr<core::IRODataValue> value) { lastResult_ = std::move(value); }
    // Backticks as quotes, "." as delimiter.
    const core::TIdentifierManager& IdentifierManager() const { return identifierManager_; }

    // A new outermost block: no position, no label, no parent.
    virtual std::shared_ptr<IBlock> CreateBlock();
    // Runs the main routine's block under the debugger.
    virtual void Run(const std::shared_ptr<IDebugger>& debugger);
    // The visitor that collects a routine's executable lines into the list; the base collects the
    // lines of the local statements.
    virtual std::unique_ptr<TStatementVisitor> CreateLineFiller(core::TIntegerList& lines);
    // Compiles the routine's text into its block with the MySQL grammar; the base builds the local
    // statements only.
    virtual void Parse(TRoutine& routine);
    // Null when the routine cannot be loaded; the base loads nothing.
    virtual TRoutine* LoadProcedure(const std::string& qualifiedName, bool compile);
    virtual TRoutine* LoadFunction(const std::string& qualifiedName, bool compile);
    virtual std::u16string GetRoutineText(const TRoutine& routine);
    virtual std::string GetDefaultSchema();

    // An empty name gives the main routine. A name without schema raises EDefaultSchemaNotAssigned.
    TRoutine* FindProcedure(std::string_view name);
    TRoutine* FindFunction(std::string_view name);
    // Raise "PROCEDURE %s already exists" / "FUNCTION %s already exists" with the name as passed.
    TRoutine& AddProcedure(std::string name, std::u16string_view text);
    TRoutine& AddFunction(std::string name, std::u16string_view text);
    // A registered routine, compiled when asked; otherwise the one the program loads.
    TRoutine* GetProcedure(std::string_view name, std::string_view schema, bool compile);
    TRoutine* GetFunction(std::string_view name, std::string_view schema, bool compile);
    // Kind 0 gives the main routine; a kind other than 0, 1, 2 raises "Unknown routine type %d".
    TRoutine* FindRoutine(std::string_view name, std::uint8_t kind);
    TRoutine* GetRoutine(std::string_view name, std::string_view schema, bool compile, std::uint8_t kind);
    // Frees a procedure or function; other kinds raise "Unsupported routine type".
    void RemoveRoutine(TRoutine& routine);
    // The routine keeps its schema.
    void RenameRoutine(TRoutine& routine, std::string_view newName);
    // "<Main>", the bare name in the default schema, else schema.name, all without quotes.
    std::string RoutineDisplayName(const TRoutine& routine);
    virtual void ReloadRoutine(TRoutine& routine, bool compile);
    // Nothing when compiled; otherwise clears the block and parses the text. A compile error leaves
    // the routine uncompiled and passes to the caller.
    void Compile(TRoutine& routine);
    void GetExecutableLines(const TRoutine& routine, core::TIntegerList& lines);

    // What non-strict stores of the statement running now cut or clamped, for the interpreter to
    // raise as warnings when the statement ends.
    std::vector<TStoreProblem>& StoreWarnings() { return storeWarnings_; }

    int ProcedureCount() const { return static_cast<int>(procedures_.size()); }
    TRoutine& Procedures(int index) const;
    int FunctionCount() const { return static_cast<int>(functions_.size()); }
    TRoutine& Functions(int index) const;

private:
    using TRoutineList = std::vector<std::unique_ptr<TRoutine>>;

    TRoutine* FindIn(const TRoutineList& routines, std::string_view name) const;
    TRoutine& AddTo(TRoutineList& routines, std::string name, std::u16string_view text, TRoutineKind kind);

    // Declared in the reverse order of destruction.
    core::TIdentifierManager identifierManager_;
    std::shared_ptr<ISchema> schema_;
    core::TDataConverter* converter_;
    std::shared_ptr<core::IRODataValue> lastResult_;
    TRoutineList procedures_;
    TRoutineList functions_;
    std::unique_ptr<TRoutine> mainRoutine_;
    TCallStack callStack_;
    TDataValueManager valueFactory_;
    std::vector<TStoreProblem> storeWarnings_;
};

// Runs the main routine: LastResult becomes the value of a RETURN that ends it, or NULL. Every other
// exception passes to the caller.
void RunProgram(TProgram& program, const std::shared_ptr<IDebugger>& debugger);

} // namespace engine
