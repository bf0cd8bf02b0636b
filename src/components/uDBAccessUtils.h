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
    // Stored in the command (a data set's internal command) and passed to its server command.
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
    static void SetSQLText(data::TComponent* object, const std::string& text);
    static void Execute(data::TComponent* object);
    static int GetRowsAffected(const data::TComponent* object);
    static dataaccess::TCRRecordSet* InternalRecordSet(const data::TComponent* dataSet);
    static dataaccess::TCRCommand* InternalCommand(const data::TComponent* object);
    static bool GetFetchAll(const data::TComponent* dataSet);
    static void SetFetchAll(data::TComponent* dataSet, bool value);
};

} // namespace components
