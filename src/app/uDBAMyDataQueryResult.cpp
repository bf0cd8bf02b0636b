#include "app/uDBAMyDataQueryResult.h"

#include "components/uMyConnection.h"
#include "dataaccess/mysql/uMySQLRecordset.h"
#include "platform/rtl/Exception.h"
#include "platform/rtl/Threads.h"
#include "widecontrols/uUcDB.h"

namespace app {

std::unique_ptr<components::TMyQuery> NewVerbatimQuery(components::TMyConnection* connection,
                                                       const std::string& sql) {
    RTL_ASSERT(connection != nullptr);
    auto query = std::make_unique<components::TMyQuery>();
    query->SetConnection(connection);
    query->SetParamCheck(false);
    query->SetMacroCheck(false);
    query->Options().SetCreateConnection(false);
    query->SetSQL(sql);
    return query;
}

TMyDataQueryResultImp::TMyDataQueryResultImp(components::TMyConnection* connection, const std::string& sql)
    : query_(NewVerbatimQuery(connection, sql)) {
    Run();
}

TMyDataQueryResultImp::TMyDataQueryResultImp(TMyDataQueryResultImp& previous)
    : query_(NewVerbatimQuery(dynamic_cast<components::TMyConnection*>(previous.query_->Connection()),
                              previous.query_->SQLText())) {
    query_->CheckRecordStore();
    dataaccess::TMySQLRecordset* recordSet = query_->MyRecordSet();
    // The status that ends a procedure call is read already: a result without rows.
    if (!previous.query_->MyRecordSet()->HandPendingResultsTo(*recordSet)) return;
    recordSet->SetProp(dataaccess::prOpenNext, true);
    try {
        Run();
    } catch (...) {
        recordSet->SetProp(dataaccess::prOpenNext, false);
        throw;
    }
    recordSet->SetProp(dataaccess::prOpenNext, false);
}

void TMyDataQueryResultImp::Run() {
    query_->SetFieldClasses(widecontrols::UcFieldClasses());
    const std::uint64_t start = rtl::GetTickCount();
    query_->Execute();
    executionTime_ = static_cast<std::uint32_t>(rtl::GetTickCount() - start);
}

std::int64_t TMyDataQueryResultImp::RowCount() {
    return HasResultSet() ? query_->RecordCount() : query_->RowsAffected();
}

int TMyDataQueryResultImp::WarningCount() {
    rtl::Variant count;
    return query_->RecordSet()->GetProp(dataaccess::prWarningCount, count) ? static_cast<int>(count.AsInt64())
                                                                           : core::kWarningCountUnknown;
}

bool TMyDataQueryResultImp::HasMoreResults() {
    if (!HasResultSet()) return false;
    rtl::Variant more;
    return query_->RecordSet()->GetProp(dataaccess::prHasMoreResults, more) && more.AsBoolean();
}

void TMyDataQueryResultImp::NextResult() {
    if (!HasMoreResults()) throw rtl::Exception("No more results");
    // Each step closes without draining (a query that fetches all drains every result on close)
    // and reopens with "open next", which takes the pending result instead of sending the text again.
    dataaccess::TCRRecordSet* recordSet = query_->RecordSet();
    recordSet->SetProp(dataaccess::prOpenNext, true);
    try {
        do {
            query_->SetFetchAll(false);
            query_->Close();
            query_->SetFetchAll(true);
            query_->Execute();
        } while (HasMoreResults());
    } catch (...) {
        query_->SetFetchAll(true);
        recordSet->SetProp(dataaccess::prOpenNext, false);
        throw;
    }
    recordSet->SetProp(dataaccess::prOpenNext, false);
}

std::shared_ptr<core::IQueryResult> TMyDataQueryResultImp::GetNextResult() {
    if (!HasMoreResults()) throw rtl::Exception("No more results");
    return std::shared_ptr<core::IQueryResult>(new TMyDataQueryResultImp(*this));
}

} // namespace app
