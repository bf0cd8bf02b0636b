// The database interfaces the engine runs on: connection, query result, variables and errors.
#pragma once

#include "core/uDataConverter.h"
#include "core/uDataTypes.h"
#include "core/uDataValues.h"
#include "core/uMultiNotifier.h"
#include "platform/data/Component.h"
#include "platform/data/DataSet.h"
#include "platform/rtl/Exception.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

namespace rtl {
class TStringList;
}

namespace core {

// A server or engine error with the MySQL error number and the SQLSTATE that condition handlers
// match on. The message reads "Error code: %d, SQLState: %s, Message: %s".
class EDBAConnectionException : public rtl::Exception {
public:
    EDBAConnectionException(const std::string& message, int errorCode, const std::string& sqlState);

    const char* ClassName() const override { return "EDBAConnectionException"; }
    int ErrorCode() const { return errorCode_; }
    const std::string& SQLState() const { return sqlState_; }
    // The server's or the engine's text alone.
    const std::string& ErrorMessage() const { return errorMessage_; }
    // Set once the running routine's condition handlers were searched for this error and none took it.
    bool Handled() const { return handled_; }
    void SetHandled(bool value) { handled_ = value; }

private:
    int errorCode_;
    std::string sqlState_;
    std::string errorMessage_;
    bool handled_ = false;
};

// The server connection was lost (client errors 2006 and 2013) and the connection's lost-connection
// handler has already run. It is a silent abort rather than a server error, so that no condition
// handler of a routine takes it and the interrupted operation never looks successful.
class EDBAConnectionLost : public data::EAbort {
public:
    EDBAConnectionLost(const std::string& message, int errorCode, const std::string& sqlState);

    const char* ClassName() const override { return "EDBAConnectionLost"; }
    int ErrorCode() const { return errorCode_; }
    const std::string& SQLState() const { return sqlState_; }
    const std::string& ErrorMessage() const { return errorMessage_; }

private:
    int errorCode_;
    std::string sqlState_;
    std::string errorMessage_;
};

// The result of one executed statement, whether it produced rows or not.
// A warning count that the connection could not tell.
constexpr int kWarningCountUnknown = -1;

class IQueryResult {
public:
    virtual ~IQueryResult() = default;

    // The data set with the rows; owned by the result and open while it holds a result set.
    virtual data::TDataSet* GetDataSet() = 0;
    // Milliseconds the execution took.
    virtual std::uint32_t ExecutionTime() = 0;
    // The number of rows when a result set is open, else the number of affected rows.
    virtual std::int64_t RowCount() = 0;
    virtual bool HasResultSet() = 0;
    // A result set is open and the server has further results pending.
    virtual bool HasMoreResults() = 0;
    // Moves past every pending result, so that the data set shows the last one; raises
    // "No more results" when none is pending.
    virtual void NextResult() = 0;
    // The next pending result as a result of its own, this one keeping its rows; raises
    // "No more results" when none is pending, and the error that the next result is.
    virtual std::shared_ptr<IQueryResult> GetNextResult() = 0;
    // The warnings the statement itself raised, as its reply counted them (its last result's, once
    // its rows are read); kWarningCountUnknown where the connection cannot tell.
    virtual int WarningCount() = 0;
};

class IDBAConnection;

// Called on a lost connection with the connection as sender.
using TConnectionLostEvent = std::function<void(IDBAConnection* sender)>;

// The only road from the program's own code to the server. Every operation that sends SQL, except
// ExecScript, passes the text to MonitorSQL first. Every error on the connection passes "ERROR: "
// and its message to MonitorSQL; a MySQL error then raises EDBAConnectionException with its number,
// the SQLSTATE the server reported and its message. A lost connection (2006, 2013) while a
// lost-connection handler is set calls the handler and then raises EDBAConnectionLost. Other errors
// of the data-access layer propagate unchanged.
//
// SQL texts are UTF-8. Data sets handed out belong to this connection and must not outlive it.
class IDBAConnection {
public:
    virtual ~IDBAConnection() = default;

    virtual bool GetConnected() = 0;
    // Owned by the connection; its DefaultCodePage is that of the server's database character set
    // once connected.
    virtual TDataConverter& GetDataConverter() = 0;
    // The server's current database, asked of the server each time; empty when there is none.
    virtual std::string GetCurrentDatabase() = 0;
    // Sends "use" with the name quoted as an identifier (a quoted name is taken as it is), then fires
    // the database notifier.
    virtual void UseDatabase(const std::string& database) = 0;
    // The database named when the connection was configured, not the current one.
    virtual std::string GetDatabase() = 0;
    // Fired after every UseDatabase; the sender of its events is this connection's IDBAConnection
    // pointer. Owned by the connection.
    virtual TMultiNotifier& GetDatabaseNotifier() = 0;
    // Opens the connection, switches it to UTF-8 and takes the converter's default code page from the
    // database character set.
    virtual void Connect() = 0;
    virtual void Disconnect() = 0;
    // "<configured database> at <server host>".
    virtual std::string GetDescription() = 0;
    // With asExpression the text is an SQL expression, evaluated as the single column of a one-row
    // query; otherwise it is a query. The value of the 0-based field of the first row (typed by
    // FieldDataValue), or the shared NULL value for a NULL field or when there is no row.
    virtual std::shared_ptr<IRODataValue> Evaluate(const std::u16string& text, bool asExpression,
                                                   int fieldIndex) = 0;
    // The current value of a field of an open data set of this connection, typed by FieldDataType;
    // the shared NULL value for a NULL field.
    virtual std::shared_ptr<IRODataValue> FieldDataValue(data::TField* field) = 0;
    // The description of the field's MySQL column type.
    virtual TDatatypeCharacteristics FieldDataType(data::TField* field) = 0;
    // An empty handler switches the handling of lost connections off.
    virtual void SetOnConnectionLost(TConnectionLostEvent handler) = 0;
    // Runs a statement that returns no rows; the number of affected rows.
    virtual std::int64_t ExecSQL(const std::string& sql) = 0;
    // Runs the SQL script stored in the file.
    virtual void ExecScript(const std::string& fileName) = 0;
    // A new, unopened query on this connection; the caller opens, reads and frees it.
    virtual std::unique_ptr<data::TDataSet> CreateQuery(const std::string& sql, bool unidirectional) = 0;
    // Runs the statement at once. Of a multi-statement text, leading statements without rows (a SET
    // sent ahead) are stepped over: the result is the first with rows, or else the last.
    virtual std::shared_ptr<IQueryResult> Execute(const std::string& sql) = 0;
};

// The server's system variables, answered by the connection object (ask with dynamic_cast).
class IDBASystemVariables {
public:
    virtual ~IDBASystemVariables() = default;

    // Whether the name, ignoring case, is one of the server's system variables. The names are read
    // on the first call (again while the list is empty) and kept for the life of the connection.
    virtual bool IsSystemVariable(const std::string& name) = 0;
};

// A connection that a debugging run shares with the user interface, told by the run's owner whether
// the run is busy (ask with dynamic_cast). While it is, database work from the user-interface thread
// is refused, so that it never slips in between the run's statements in the one session.
class IDBARunGuard {
public:
    virtual ~IDBARunGuard() = default;

    // Called on the user-interface thread; an empty predicate ends the guarding.
    virtual void SetRunBusy(std::function<bool()> isBusy) = 0;
};

// The process-wide SQL monitor: a callback that sees every statement sent, and a switch. At start-up
// there is no callback and the switch is on. Both may be changed on one thread while another sends SQL.
using TSQLMonitorCallback = std::function<void(const std::string& text)>;

// Replaces the callback; an empty one removes it.
void SetSQLMonitor(TSQLMonitorCallback callback);
// Calls the callback with the text when one is set and the switch is on.
void MonitorSQL(const std::string& text);
void SetSQLMonitorEnabled(bool enabled);

// The SQLSTATE of a MySQL server error number (its low 16 bits); "HY000" for numbers without one.
std::string MySQLErrorSQLState(int errorCode);
[[noreturn]] void RaiseDBAError(const std::string& message, int errorCode, const std::string& sqlState);
// RaiseDBAError with the SQLSTATE of the error number.
[[noreturn]] void RaiseMySQLError(const std::string& message, int errorCode);

// Appends the text of the 0-based column of every row of the query to the list, in row order.
void QueryColumnToStrings(IDBAConnection* connection, const std::string& sql, int column,
                          rtl::TStringList* strings);

// A connection's converter for which the server converts values to TIME, DATE and DATETIME.
class TServerDataConverter : public TDataConverter {
public:
    explicit TServerDataConverter(IDBAConnection& connection) : connection_(connection) {}

    std::shared_ptr<IRODataValue> ConvertToTime(const rtl::Variant& value,
                                                const TDatatypeCharacteristics& characteristics) override;
    std::shared_ptr<IRODataValue> ConvertToDate(const rtl::Variant& value,
                                                const TDatatypeCharacteristics& characteristics) override;
    std::shared_ptr<IRODataValue> ConvertToDateTime(const rtl::Variant& value,
                                                    const TDatatypeCharacteristics& characteristics) override;
    TTemporalStore StoreTemporal(const rtl::Variant& value, const TDatatypeCharacteristics& source,
                                 const TDatatypeCharacteristics& target, std::string_view column) override;

private:
    // Evaluates the value's literal inside the cast expression, such as "cast(%s as time(6))".
    std::shared_ptr<IRODataValue> ServerCast(const char* expression, const rtl::Variant& value,
                                             const TDatatypeCharacteristics& characteristics);

    IDBAConnection& connection_;
};

} // namespace core
