#include "app/fuMainRoutines.h"

#include "engine/local/uProgram.h"
#include "engine/model/uStatements.h"
#include "engine/server/uDBAExpressions.h"
#include "platform/rtl/Exception.h"
#include "platform/rtl/Format.h"
#include "platform/rtl/Utf.h"

namespace app {

TEntityKind EntityKindOfRoutine(int routineKind) {
    switch (routineKind) {
    case engine::rkProcedure:
        return ekProcedure;
    case engine::rkFunction:
        return ekFunction;
    default:
        return ekAny;
    }
}

engine::TRoutine& FindModule(engine::TProgram& program, std::string_view name, int entityKind,
                             std::string_view schema) {
    if (name.empty()) return program.MainRoutine();
    engine::TRoutine* routine = nullptr;
    switch (entityKind) {
    case ekAny:
        routine = program.GetFunction(name, schema, false);
        if (!routine) routine = program.GetProcedure(name, schema, false);
        break;
    case ekProcedure:
        routine = program.GetProcedure(name, schema, false);
        break;
    case ekFunction:
        routine = program.GetFunction(name, schema, false);
        break;
    default:
        throw rtl::Exception(rtl::Format("Unknown entity type %d", entityKind));
    }
    if (!routine) throw rtl::Exception(rtl::Format("Cannot load module %s", std::string(name)));
    return *routine;
}

std::string RoutineKindName(int routineKind) {
    switch (routineKind) {
    case engine::rkAnonymousBlock:
        return "anonymous block";
    case engine::rkProcedure:
        return "procedure";
    case engine::rkFunction:
        return "function";
    default:
        return {};
    }
}

engine::TRoutineKind RoutineKindOfSchemaItem(int itemKind) {
    switch (itemKind) {
    case ekProcedure:
        return engine::rkProcedure;
    case ekFunction:
        return engine::rkFunction;
    default:
        return engine::rkAnonymousBlock;
    }
}

std::string SchemaItemKindName(int itemKind) {
    static constexpr const char* kNames[] = {"Unknown", "Schema", "Procedure", "Function"};
    return itemKind >= 0 && itemKind < static_cast<int>(std::size(kNames)) ? kNames[itemKind] : kNames[0];
}

int FirstStatementLine(const engine::TRoutine& routine) {
    const auto statements = routine.Block()->GetStatements();
    if (statements->Count() == 0) return -1;
    const auto info = statements->GetStatement(0)->GetDebugInfo();
    return info ? info->GetBeginLine() : -1;
}

bool RoutineHasInputParameters(const engine::TRoutine& routine) {
    const engine::IBlock& block = *routine.Block();
    for (int i = 0; i < block.SymbolCount(); ++i)
        if (const auto parameter = std::dynamic_pointer_cast<engine::IDBAParameter>(block.GetSymbol(i));
            parameter && parameter->GetScope() != engine::psOut)
            return true;
    return false;
}

engine::TRoutine& CreateNewRoutine(engine::TProgram& program, int routineKind, std::string_view enteredName,
                                   std::string_view database) {
    if (routineKind != engine::rkProcedure && routineKind != engine::rkFunction)
        throw rtl::Exception("Unsupported routine type");
    if (enteredName.find_first_not_of(' ') == std::string_view::npos)
        throw rtl::Exception("Routine name cannot be empty");
    const std::string name = program.IdentifierManager().QuotedQualifiedName(enteredName, database);
    const std::u16string quoted = rtl::Utf8ToUtf16(name);
    if (routineKind == engine::rkProcedure)
        return program.AddProcedure(name, u"CREATE PROCEDURE " + quoted + u"()\r\nBEGIN\r\n\r\nEND");
    return program.AddFunction(name, u"CREATE FUNCTION " + quoted + u"() RETURNS INT\r\nBEGIN\r\n\r\nEND");
}

bool RemoveRoutineOnClose(bool isNew, bool force, bool compiled) {
    return isNew || force || !compiled;
}

void ForgetClosedRoutine(engine::TProgram& program, engine::TRoutine& routine, bool remove) {
    try {
        if (remove)
            program.RemoveRoutine(routine);
        else
            routine.Reload(true);
    } catch (const std::exception&) {
        // The tab is gone; the next use of the routine reports whatever is wrong with it.
    }
}

std::string ConnectionLostMessage(const std::string& connectionDescription) {
    return rtl::Format(
        "Connection with '%s' has been lost. The program will now attempt to restore the "
        "connection.\r\n\r\nHint:  the current operation and debug session will be terminated, "
        "so try restarting them once the connection is restored.",
        connectionDescription);
}

} // namespace app
