#pragma once

#include "support/FetchingConnection.h"

#include <map>
#include <string>
#include <variant>
#include <vector>

namespace testsupport {

// A connection without a server: it records every statement that reaches it and answers from a
// script keyed by the exact statement text. A statement without an answer succeeds without a result
// set and without affected rows. Everything else (monitor lines, errors, lost connections, values)
// behaves as on a real connection.
class FakeConnection : public FetchingConnection {
public:
    explicit FakeConnection(std::string database = "fake_db", std::string host = "fakehost");

    bool GetConnected() override { return connected_; }
    // Sends nothing; the database character set is taken as utf8mb4.
    void Connect() override;
    void Disconnect() override { connected_ = false; }

    // The results the statement answers every time it is sent.
    void Answer(const std::string& sql, std::vector<FetchedResult> results);
    // One result set.
    void AnswerRows(const std::string& sql, std::vector<FetchedColumn> columns, std::vector<FetchedRow> rows);
    // No result set, that many affected rows.
    void AnswerAffected(const std::string& sql, std::int64_t rows);
    // The statement fails with that server error (2006 and 2013 lose the connection).
    void Fail(const std::string& sql, unsigned code, std::string sqlState, std::string message);

    // Every statement sent, in order.
    const std::vector<std::string>& Statements() const { return statements_; }
    void ClearStatements() { statements_.clear(); }

protected:
    std::vector<FetchedResult> Run(const std::string& sql) override;

private:
    struct Failure {
        unsigned code;
        std::string sqlState;
        std::string message;
    };

    bool connected_ = false;
    std::map<std::string, std::variant<std::vector<FetchedResult>, Failure>> answers_;
    std::vector<std::string> statements_;
};

} // namespace testsupport
