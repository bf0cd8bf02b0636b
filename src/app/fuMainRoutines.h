// The main window's handling of routines: kinds, opening, first statement lines and closing.
#pragma once

#include <atomic>
#include <string>
#include <string_view>

#include "engine/local/uProgram.h"

namespace core {
class IDBAConnection;
}
namespace engine {
class TProgram;
class TRoutine;
} // namespace engine

namespace app {

// What to open: any (a function first, then a procedure), a procedure or a function; equal to the
// schema browser's item kinds.
enum TEntityKind : int { ekAny = 0, ekProcedure = 2, ekFunction = 3 };

// The entity kind that opens a routine of the routine kind (1 procedure, 2 function; any other: any).
TEntityKind EntityKindOfRoutine(int routineKind);

// The routine the program holds or loads from the server, without compiling; the main routine for an
// empty name. Raises "Unknown entity type %d" and "Cannot load module %s".
engine::TRoutine& FindModule(engine::TProgram& program, std::string_view name, int entityKind,
                             std::string_view schema);

// Registers a new, never stored procedure (kind 1) or function (kind 2) under the entered name,
// qualified with the database when it names no schema. Raises "Unsupported routine type",
// "Routine name cannot be empty" and the program's "... already exists".
engine::TRoutine& CreateNewRoutine(engine::TProgram& program, int routineKind, std::string_view enteredName,
                                   std::string_view database);

// "anonymous block", "procedure", "function".
std::string RoutineKindName(int routineKind);

// The routine kind of a schema browser item: procedure or function, the main block's kind for the rest.
engine::TRoutineKind RoutineKindOfSchemaItem(int itemKind);
// "Unknown", "Schema", "Procedure", "Function".
std::string SchemaItemKindName(int itemKind);

// The line a debug script's breakpoint goes on: where the routine's first statement begins, -1 when
// its block is empty. The routine is compiled.
int FirstStatementLine(const engine::TRoutine& routine);
// Whether the routine takes an IN or INOUT parameter, for which a debug script has a value to fill in.
bool RoutineHasInputParameters(const engine::TRoutine& routine);

// Closing a tab: the routine leaves the program when it was never stored, when forced, or when it is
// not compiled; otherwise the program keeps it with the server's text.
bool RemoveRoutineOnClose(bool isNew, bool force, bool compiled);

// Removes the routine from the program or reloads and compiles it from the server, as
// RemoveRoutineOnClose decides; a failure here is of no interest any more and is dropped.
void ForgetClosedRoutine(engine::TProgram& program, engine::TRoutine& routine, bool remove);

// The lost-connection handler runs on whatever thread sent the statement; the window reports it at its
// next action update, once however many losses came in between.
class TConnectionLostFlag {
public:
    void Set() { lost_ = true; }
    // True once per loss.
    bool TakeIfSet() { return lost_.exchange(false); }

private:
    std::atomic<bool> lost_{false};
};

std::string ConnectionLostMessage(const std::string& connectionDescription);

} // namespace app
