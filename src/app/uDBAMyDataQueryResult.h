// The engine's query results over the MySQL query component of the adapter's connection.
#pragma once

#include "components/uMyQuery.h"
#include "core/uDBAConnection.h"

#include <cstdint>
#include <memory>
#include <string>

namespace components {
class TMyConnection;
}

namespace app {

// The adapter's queries: each runs its text verbatim (no parameter or macro scanning) in the
// connection's one session, never over a second fetch session.
std::unique_ptr<components::TMyQuery> NewVerbatimQuery(components::TMyConnection* connection,
                                                       const std::string& sql);

// The result of one executed statement. Its text columns hold UTF-16 fields (TUcStringField and
// TUcMemoField, chosen for this query alone). Construction runs the statement and throws on failure.
// A statement with further results (a procedure call) hands them on one at a time: each next result
// is an object of its own, and the earlier ones keep their rows.
class TMyDataQueryResultImp : public core::IQueryResult {
public:
    TMyDataQueryResultImp(components::TMyConnection* connection, const std::string& sql);

    data::TDataSet* GetDataSet() override { return query_.get(); }
    std::uint32_t ExecutionTime() override { return executionTime_; }
    std::int64_t RowCount() override;
    bool HasResultSet() override { return query_->Active(); }
    bool HasMoreResults() override;
    void NextResult() override;
    std::shared_ptr<core::IQueryResult> GetNextResult() override;
    int WarningCount() override;

private:
    // Opens the result the previous one leaves pending; throws the error that result is.
    explicit TMyDataQueryResultImp(TMyDataQueryResultImp& previous);
    void Run();

    std::unique_ptr<components::TMyQuery> query_;
    std::uint32_t executionTime_ = 0;
};

} // namespace app
