// A server-side prepared statement of the wire protocol.
#pragma once

#include "dataaccess/mysql/uMySQLAPI.h"
#include "dataaccess/protocol/uMySqlResultSet.h"
#include "dataaccess/protocol/uMySqlSession.h"

#include <cstdint>
#include <memory>
#include <span>

namespace dataaccess {

// A server-side prepared statement of the wire protocol: prepare, execute with its parameters in the
// binary format, close. Its result set lives as long as the statement, so a handle to it stays valid
// across executions.
class TMySqlStmt {
public:
    explicit TMySqlStmt(TMySqlSession* session);
    ~TMySqlStmt();
    TMySqlStmt(const TMySqlStmt&) = delete;
    TMySqlStmt& operator=(const TMySqlStmt&) = delete;

    void Prepare(const uint8_t* text, int length);
    // A leading function result is skipped. Parameter types go only when they differ from the last
    // ones sent.
    void Execute(std::span<const TMySqlParam> params, bool useUnicode);
    // Drops pending rows and releases the statement on the server.
    void Close();
    // Drops pending rows.
    void FreeResult();
    // The session is going away: the statement and its result forget it.
    void Detach();

    TMySqlSession* Session() const { return session_; }
    TMySqlError& Error() { return error_; }
    TMySqlResultSet* Result() const { return result_.get(); }
    bool Prepared() const { return prepared_; }
    uint32_t Id() const { return id_; }
    int ParamCount() const { return paramCount_; }
    int ColumnCount() const { return columnCount_; }
    const TMySqlFieldInfos& Columns() const { return columns_; }
    int64_t AffectedRows() const { return affectedRows_; }

private:
    // The session, or 2006 once it has gone.
    TMySqlSession& Live();
    void WriteParams(std::span<const TMySqlParam> params, bool useUnicode);
    void WriteValue(const TMySqlParam& param);
    void SkipDefinitions();

    TMySqlError error_;
    TMySqlSession* session_;
    std::unique_ptr<TMySqlResultSet> result_;
    uint32_t id_ = 0;
    bool prepared_ = false;
    int paramCount_ = 0;
    int columnCount_ = 0;
    TMySqlFieldInfos columns_;
    TMySqlFieldTypes sentTypes_;
    int64_t affectedRows_ = 0;
};

// The type word of a parameter: its MySQL type, with 0x80 in the high byte for the unsigned kinds.
uint16_t MySqlParamType(int dataType);

} // namespace dataaccess
