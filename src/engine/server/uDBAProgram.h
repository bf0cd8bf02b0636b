// The server-side program: routine texts loaded from the server, the handler stack, the schema.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "core/uDBAConnection.h"
#include "engine/local/uProgram.h"
#include "engine/model/uMetadata.h"
#include "platform/rtl/Exception.h"

namespace engine {

class TDBAHandler;
class TDBAVariable;

// The server answered no CREATE text for a routine: it does not exist, or the user may run it but
// not read it (the server then sends NULL).
RTL_DECLARE_EXCEPTION(ERoutineTextUnavailable, rtl::Exception);

// A condition handler whose body is running, with the condition it took.
struct THandlerStackEntry {
    TDBAHandler* Handler; // belongs to its block
    std::string SQLState;
    std::u16string Message;
    std::uint16_t ErrorCode;
    bool Warning;
};

// The condition handlers that are running, the newest at index 0.
class THandlerCallStack {
public:
    int Count() const { return static_cast<int>(entries_.size()); }
    const THandlerStackEntry& Items(int index) const;
    // Whether the handler's body is running.
    bool IsActive(const TDBAHandler& handler) const;
    // The newest entry; null when no handler runs.
    const THandlerStackEntry* Top() const;
    void Push(TDBAHandler& handler, std::u16string message, bool warning, std::string sqlState,
              int errorCode);
    void Pop();

private:
    std::vector<THandlerStackEntry> entries_;
};

// The program of a MySQL server: routine texts come from "SHOW CREATE", routines compile with the
// server-side builders into server-side blocks, and the program keeps the connection and the
// condition handlers that are running.
class TDBAProgram : public TProgram {
public:
    TDBAProgram(std::shared_ptr<ISchema> schema, std::shared_ptr<core::IDBAConnection> connection);

    const std::shared_ptr<core::IDBAConnection>& Connection() const { return connection_; }
    THandlerCallStack& HandlerCallStack() { return handlerCallStack_; }
    // Whether a routine loaded during a call raises its compile error; otherwise the routine stays
    // loaded uncompiled. Set after creation.
    bool RaiseCompileErrors() const { return raiseCompileErrors_; }
    void SetRaiseCompileErrors(bool value) { raiseCompileErrors_ = value; }

    // ROW_COUNT() and FOUND_ROWS() as the routine's own statements left them, mirrored like locals so
    // that what the debugger sends in between never changes what the routine reads. Made when a
    // compiled statement first reads them; null before.
    const std::shared_ptr<TDBAVariable>& RowCount() const { return rowCount_; }
    const std::shared_ptr<TDBAVariable>& FoundRows() const { return foundRows_; }
    // The mirror of ROW_COUNT() or FOUND_ROWS() for a compiled statement that reads it; null for any
    // other function name.
    std::shared_ptr<TDBAVariable> StatementCountVariable(const std::string& functionName);
    // Whether the server's warning list still holds what a statement left: the routine may read it
    // (SHOW WARNINGS, @@warning_count), but a count read from the server would include it.
    bool ServerWarningsKept() const { return serverWarningsKept_; }
    void SetServerWarningsKept(bool value) { serverWarningsKept_ = value; }
    // How many statements raised warnings or errors so far: a stored function that raised none leaves
    // its caller's warning list as it was.
    int ConditionsRaised() const { return conditionsRaised_; }
    void CountRaisedConditions() { ++conditionsRaised_; }

    std::shared_ptr<IBlock> CreateBlock() override;
    void Run(const std::shared_ptr<IDebugger>& debugger) override;
    std::unique_ptr<TStatementVisitor> CreateLineFiller(core::TIntegerList& lines) override;
    void Parse(TRoutine& routine) override;
    TRoutine* LoadProcedure(const std::string& qualifiedName, bool compile) override;
    TRoutine* LoadFunction(const std::string& qualifiedName, bool compile) override;
    std::u16string GetRoutineText(const TRoutine& routine) override;
    // The text and sql_mode from the server again.
    void ReloadRoutine(TRoutine& routine, bool compile) override;
    // The database the connection was configured with.
    std::string GetDefaultSchema() override;

private:
    TRoutine* Load(const std::string& qualifiedName, TRoutineKind kind, bool compile);

    std::shared_ptr<core::IDBAConnection> connection_;
    THandlerCallStack handlerCallStack_;
    bool raiseCompileErrors_ = true;
    std::shared_ptr<TDBAVariable> rowCount_;
    std::shared_ptr<TDBAVariable> foundRows_;
    bool serverWarningsKept_ = false;
    int conditionsRaised_ = 0;
};

// What SHOW CREATE answers for a routine.
struct TRoutineDefinition {
    std::u16string Text; // exactly as the server keeps it
    std::string SqlMode;
};

// "PROCEDURE" or "FUNCTION", as the statements about routines spell them.
std::string RoutineKindWord(TRoutineKind kind);
// The CREATE text of a procedure (kind 1) or function (kind 2) as the server shows it, with CR LF
// line breaks. Server errors pass on; a NULL or empty text raises ERoutineTextUnavailable.
std::u16string LoadRoutineText(core::IDBAConnection& connection, const std::string& name, TRoutineKind kind);
// The same text exactly as the server keeps it, line breaks included, so that executing it again
// re-creates the routine unchanged.
std::u16string LoadRawRoutineText(core::IDBAConnection& connection, const std::string& name,
                                  TRoutineKind kind);
// The raw text with the sql_mode the routine was created under. Raises as LoadRoutineText does.
TRoutineDefinition LoadRoutineDefinition(core::IDBAConnection& connection, const std::string& name,
                                         TRoutineKind kind);
// The text with every double-quoted piece of it written as a back-quoted identifier, as the server
// reads it under ANSI_QUOTES. Offsets stay as they were unless a quoted name holds a quote.
std::u16string DoubleQuotesAsIdentifiers(std::u16string_view text);
void DropRoutine(core::IDBAConnection& connection, const std::string& name, TRoutineKind kind);
// Whether the server gives the routine's text; never raises.
bool RoutineExistsOnServer(const TRoutine& routine);
// The quoted schema of a procedure or function; for the main routine the configured database.
std::string GetRoutineSchema(const TRoutine& routine);

} // namespace engine
