#pragma once

#include "core/uDBAConnection.h"
#include "platform/rtl/StringList.h"
#include "support/FetchedDataSet.h"

#include <string>
#include <vector>

namespace testsupport {

// The database interfaces over one operation that sends a statement and fetches all of its results.
// The statements, the monitor lines, errors and lost connections, typed values and the system-variable
// cache are handled here once, so that the scripted fake and the libmariadb connection behave alike.
class FetchingConnection : public core::IDBAConnection, public core::IDBASystemVariables {
public:
    FetchingConnection(std::string host, std::string database);

    core::TDataConverter& GetDataConverter() override { return converter_; }
    // Evaluates "database()".
    std::string GetCurrentDatabase() override;
    void UseDatabase(const std::string& database) override;
    std::string GetDatabase() override { return database_; }
    core::TMultiNotifier& GetDatabaseNotifier() override { return databaseNotifier_; }
    std::string GetDescription() override;
    std::shared_ptr<core::IRODataValue> Evaluate(const std::u16string& text, bool asExpression,
                                                 int fieldIndex) override;
    // Dates and times become numbers (YYYYMMDD, YYYYMMDDhhmmss, HHMMSS); ENUM and SET values are text.
    std::shared_ptr<core::IRODataValue> FieldDataValue(data::TField* field) override;
    core::TDatatypeCharacteristics FieldDataType(data::TField* field) override;
    void SetOnConnectionLost(core::TConnectionLostEvent handler) override;
    std::int64_t ExecSQL(const std::string& sql) override;
    // Sends the file's text as one multi-statement batch; DELIMITER lines are not understood.
    void ExecScript(const std::string& fileName) override;
    // Fields by column type, all rows fetched at open.
    std::unique_ptr<data::TDataSet> CreateQuery(const std::string& sql, bool unidirectional) override;
    // Text columns of the result are UTF-16 fields.
    std::shared_ptr<core::IQueryResult> Execute(const std::string& sql) override;

    bool IsSystemVariable(const std::string& name) override;

protected:
    // Sends one statement (or a batch) and fetches every result; a server error goes to RaiseServerError.
    virtual std::vector<FetchedResult> Run(const std::string& sql) = 0;
    // The connection's error handler: "ERROR: " and the message to the monitor, then the lost-connection
    // handler and EDBAConnectionLost for 2006 and 2013 while one is set, else EDBAConnectionException.
    [[noreturn]] void RaiseServerError(unsigned code, const std::string& sqlState,
                                       const std::string& message);

private:
    // Run, refused with "Not connected" before Connect.
    std::vector<FetchedResult> Send(const std::string& sql);
    FetchedDataSet::Runner Runner();

    std::string host_;
    std::string database_;
    core::TServerDataConverter converter_;
    core::TMultiNotifier databaseNotifier_;
    core::TConnectionLostEvent onConnectionLost_;
    rtl::TStringList systemVariables_;
};

} // namespace testsupport
