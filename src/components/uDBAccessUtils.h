// Access to the internals of connections, commands, data sets and transactions for their helpers.
#pragma once

#include <string>
#include <vector>

namespace data {
class TComponent;
class TParams;
} // namespace data

namespace dataaccess {
class TCRCommand;
class TCRConnection;
class TCRRecordSet;
class TCRTablesInfo;
} // namespace dataaccess

namespace rtl {
class TStringList;
}

namespace components {

class TCustomDAConnection;
class TCustomDASQL;

// Reaches into connections, commands, data sets and transactions for the units that work beside
// them (script, updater, services, monitor). Each member takes the component whose kind decides the
// target; a component of another kind is an assertion naming its class.
class TDBAccessUtils {
public:
    // A data set's used connection; a command's own connection, else its data set's.
    static TCustomDAConnection* UsedConnection(const data::TComponent* object);
    // Stored in the command or data set and passed to its server command.
    static bool GetAutoCommit(const data::TComponent* object);
    static void SetAutoCommit(data::TComponent* object, bool value);
    static dataaccess::TCRConnection* InternalConnection(const data::TComponent* connection);
    static void AcquireConnection(data::TComponent* connection);
    static void ReleaseConnection(data::TComponent* connection);
    // The connections of a transaction.
    static int GetConnectionCount(const data::TComponent* transaction);
    static TCustomDAConnection* GetConnection(const data::TComponent* transaction, int index);
    // The commands registered with a connection.
    static const std::vector<TCustomDASQL*>& GetCommands(const data::TComponent* connection);
    static rtl::TStringList& GetSQL(data::TComponent* object);
    static data::TParams& GetParams(data::TComponent* object);
    // With `macroLock` the macros are not scanned again, with `rescanLock` the parameters are not;
    // both locks end with the call.
    static void SetSQLText(data::TComponent* object, const std::string& text, bool macroLock = false,
                           bool rescanLock = false);
    // The command's own end of a lost or closed connection.
    static void HandleDisconnect(data::TComponent* command);
    // While suppressed, the command or data set reports no executions to the monitor.
    static bool GetTraceSuppressed(const data::TComponent* object);
    static void SetTraceSuppressed(data::TComponent* object, bool value);
    static dataaccess::TCRTablesInfo& GetTablesInfo(const data::TComponent* dataSet);
    // The component that runs the data set's update statement being prepared or run; null before
    // the first.
    static data::TComponent* UpdateQuery(const data::TComponent* dataSet);
    static void Execute(data::TComponent* object);
    static int GetRowsAffected(const data::TComponent* object);
    static dataaccess::TCRRecordSet* InternalRecordSet(const data::TComponent* dataSet);
    static dataaccess::TCRCommand* InternalCommand(const data::TComponent* object);
    static bool GetFetchAll(const data::TComponent* dataSet);
    static void SetFetchAll(data::TComponent* dataSet, bool value);
};

} // namespace components
