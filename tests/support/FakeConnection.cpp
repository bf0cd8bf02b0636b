#include "support/FakeConnection.h"

#include "platform/rtl/CodePage.h"

namespace testsupport {

FakeConnection::FakeConnection(std::string database, std::string host)
    : FetchingConnection(std::move(host), std::move(database)) {}

void FakeConnection::Connect() {
    connected_ = true;
    GetDataConverter().SetDefaultCodePage(rtl::kCodePageUtf8);
}

void FakeConnection::Answer(const std::string& sql, std::vector<FetchedResult> results) {
    answers_[sql] = std::move(results);
}

void FakeConnection::AnswerRows(const std::string& sql, std::vector<FetchedColumn> columns,
                                std::vector<FetchedRow> rows) {
    FetchedResult result;
    result.hasResultSet = true;
    result.columns = std::move(columns);
    result.rows = std::move(rows);
    result.affectedRows = static_cast<std::int64_t>(result.rows.size());
    Answer(sql, {std::move(result)});
}

void FakeConnection::AnswerAffected(const std::string& sql, std::int64_t rows) {
    FetchedResult result;
    result.affectedRows = rows;
    Answer(sql, {std::move(result)});
}

void FakeConnection::Fail(const std::string& sql, unsigned code, std::string sqlState, std::string message) {
    answers_[sql] = Failure{code, std::move(sqlState), std::move(message)};
}

std::vector<FetchedResult> FakeConnection::Run(const std::string& sql) {
    statements_.push_back(sql);
    const auto answer = answers_.find(sql);
    if (answer == answers_.end()) return {FetchedResult{}};
    if (const auto* failure = std::get_if<Failure>(&answer->second))
        RaiseServerError(failure->code, failure->sqlState, failure->message);
    return std::get<std::vector<FetchedResult>>(answer->second);
}

} // namespace testsupport
