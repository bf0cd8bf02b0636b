// The engine's database connection over the MySQL data-access components.
#pragma once

#include "core/uDBAConnection.h"
#include "platform/rtl/StringList.h"

#include <functional>
#include <memory>
#include <mutex>
#include <string>

namespace components {
class TMyConnection;
class TMyQuery;
} // namespace components

namespace dataaccess {
class EDAError;
}

namespace app {

class TDBAMyDataConnection;

// The connection's converter: the server does the time, date and date-time conversions.
class TMyDataConverter : public core::TServerDataConverter {
public:
    explicit TMyDataConverter(TDBAMyDataConnection& connection);
};

// The database interfaces over one TMyConnection. Every statement runs verbatim in its one session,
// which only Connect opens: after a lost connection the calls fail until Connect is called again.
// The debug thread and the user-interface thread share the object: every call holds its lock, so
// calls from two threads never interleave on the session, and while a run is busy the user
// interface's database work is refused.
class TDBAMyDataConnection : public core::IDBAConnection,
                             public core::IDBASystemVariables,
                             public core::IDBARunGuard {
public:
    TDBAMyDataConnection(const std::string& server, const std::string& user, const std::string& password,
                         const std::string& database, int port);
    ~TDBAMyDataConnection() override;

    bool GetConnected() override;
    core::TDataConverter& GetDataConverter() override;
    std::string GetCurrentDatabase() override;
    void UseDatabase(const std::string& database) override;
    std::string GetDatabase() override;
    core::TMultiNotifier& GetDatabaseNotifier() override { return *databaseNotifier_; }
    // Also raises "Unknown character set %s" for a database character set the catalogue lacks.
    void Connect() override;
    void Disconnect() override;
    std::string GetDescription() override;
    std::shared_ptr<core::IRODataValue> Evaluate(const std::u16string& text, bool asExpression,
                                                 int fieldIndex) override;
    std::shared_ptr<core::IRODataValue> FieldDataValue(data::TField* field) override;
    core::TDatatypeCharacteristics FieldDataType(data::TField* field) override;
    void SetOnConnectionLost(core::TConnectionLostEvent handler) override;
    std::int64_t ExecSQL(const std::string& sql) override;
    void ExecScript(const std::string& fileName) override;
    std::unique_ptr<data::TDataSet> CreateQuery(const std::string& sql, bool unidirectional) override;
    std::shared_ptr<core::IQueryResult> Execute(const std::string& sql) override;

    bool IsSystemVariable(const std::string& name) override;

    void SetRunBusy(std::function<bool()> isBusy) override;

private:
    // Raises when the calling thread may not use the session now: the user-interface thread while a
    // run is busy.
    void CheckSessionAccess() const;
    void HandleError(dataaccess::EDAError& error, bool& fail);
    // The query kept for reuse with its text set; made on first use.
    components::TMyQuery& ReusedQuery(std::unique_ptr<components::TMyQuery>& query, const std::string& sql);
    // Before the component connects or disconnects: a new connect replaces the server session, and
    // a query made over the old one must not touch it again.
    void DropReusedQueries();

    std::recursive_mutex lock_;
    std::unique_ptr<TMyDataConverter> converter_;
    std::unique_ptr<components::TMyConnection> connection_;
    std::unique_ptr<core::TMultiNotifier> databaseNotifier_;
    std::unique_ptr<components::TMyQuery> statementQuery_;
    std::unique_ptr<components::TMyQuery> evaluationQuery_;
    rtl::TStringList systemVariables_;
    core::TConnectionLostEvent onConnectionLost_;
    std::function<bool()> runBusy_;
    bool connecting_ = false;
};

// The program's one way to make a connection; it is not yet connected.
std::shared_ptr<core::IDBAConnection> CreateDBAConnection(const std::string& server, const std::string& user,
                                                          const std::string& password,
                                                          const std::string& database, int port);

} // namespace app
