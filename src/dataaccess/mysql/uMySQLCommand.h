// The MySQL server command: executes statements, prepared or not, and describes routines.
#pragma once

#include "dataaccess/mysql/uMySQLAPI.h"
#include "dataaccess/server/uCRCommand.h"

#include <cstdint>
#include <mutex>
#include <string>
#include <vector>

namespace dataaccess {

class TMySQLConnection;

// Property codes of the MySQL command, after those of TCRCommand.
inline constexpr int prCommandTimeout = 1016;
inline constexpr int prParamPosition = 1027;
inline constexpr int prFillParamPosition = 1028;

// One parameter of a described stored routine.
struct TParamInfo {
    std::string Name;
    TParamDirection Direction = pdInput;
    std::string TypeText; // upper case; DECIMAL and NUMERIC with their precision and scale
    bool IsUnsigned = false;
    int32_t Size = -1;
};
using TParamInfos = std::vector<TParamInfo>;

// The two texts of a routine description.
struct TMyParamBlockResult {
    std::string ParamList;
    std::string ReturnType;
};

// Runs one SQL text on a MySQL connection: parameter values go into the text as literals (or are
// bound to a prepared statement); the results are freed, or the first result set is left open for
// the record set that owns the command. Also builds the call texts of stored routines and stops a
// running statement from another thread.
class TMySQLCommand : public TCRCommand {
public:
    TMySQLCommand();
    ~TMySQLCommand() override;

    void ParseParam(AnsiStringBuilder& sql, TParser& parser, const std::string& renamePrefix, char rightQuote,
                    char leftQuote, TParamDescs* params) override;
    void Prepare() override;
    void Unprepare() override;
    bool GetPrepared() const override { return prepared_; }
    // Runs only in cursor states 0 and 3; a statement stopped by BreakExec ends in a silent abort.
    void Execute(int iterations = 1) override;
    void SetConnection(TCRConnection* connection) override;
    TCursorState GetCursorState() const override { return cursorState_; }
    void SetCursorState(TCursorState value) override { cursorState_ = value; }
    const TTableInfoClass& GetTableInfoClass() const override;
    TSQLParserClass GetParserClass() const override;
    void SetSQL(const std::string& value) override;
    std::string ParseSQL(const std::string& sql, TParamDescs* params,
                         const std::string& renamePrefix) override;
    // "CALL name(...)" or "SELECT name(...)" with a SET of the INOUT values before and a SELECT of
    // the OUT and INOUT values after; the user SQL gets ":name" for each "?".
    std::string CreateProcCall(const std::string& name, bool needDescription) override;
    bool SetProp(int prop, const rtl::Variant& value) override;
    bool GetProp(int prop, rtl::Variant& value) override;

    virtual void CheckHandle(const void* value);
    virtual void CheckStatus(int value);
    virtual void CheckLastError();
    virtual void CheckStmtStatus(int value);

    // Reads the affected-row count of the last statement; cursor state 7 when it returned columns.
    int32_t GetRowsAffected();
    // Whether `name` is a function, its return type and its parameter list, from the server's catalog.
    void DescribeRoutine(const std::string& name, bool& isFunction, TMyParamBlockResult& description);
    // Parameter infos (and descriptors, with `params`) of a routine's parameter list or return type.
    void ParseRoutineParams(const std::string& text, bool isResult, TParamDescs* params, TParamInfos& infos);
    // Stops the running statement with "KILL QUERY <thread id>" from a second connection; the
    // session itself survives. Nothing while idle.
    void BreakExec();
    // BreakExec for a statement whose rows are still being read (executing is set around it).
    void BreakRunningStatement();

    // The record set's hand-over of a further result of the text, with its affected-row count; a
    // result still held is freed.
    void TakeResult(PMYSQL_RES result, int32_t rowsAffected);
    void SetPreviousRowsAffected(int32_t value) { previousRowsAffected_ = value; }
    int32_t CommandTimeout() const { return commandTimeout_; }

    // The final SQL and what was derived from it, put aside while the record set runs another text
    // in its place.
    struct TSQLState {
        std::string SQL;
        std::vector<std::string> CachedSQL;
        std::vector<int32_t> ParamPositions;
    };
    TSQLState SaveSQLState() const { return {sql_, cachedSQL_, paramPositions_}; }
    void RestoreSQLState(TSQLState state);
    // Replaces the final SQL; its markers are found again.
    void SetProbeSQL(std::string sql);

    TMySQLConnection* MyConnection() const { return connection_; }
    PMYSQL_RES SQLResult() const { return sqlResult_; }
    void SetSQLResult(PMYSQL_RES value) { sqlResult_ = value; }
    PMYSQL_STMT Statement() const { return stmt_; }
    int32_t RowsAffected() const { return rowsAffected_; }
    // The warnings of the connection's last statement, as its reply counted them.
    unsigned int WarningCount() const;
    int32_t PreviousRowsAffected() const { return previousRowsAffected_; }
    bool IsSelectParams() const { return isSelectParams_; }
    void SetIsSelectParams(bool value) { isSelectParams_ = value; }
    bool CanReadParams() const { return canReadParams_; }
    bool StoredProc() const { return storedProc_; }
    bool RequestResultSet() const { return requestResultSet_; }
    void SetRequestResultSet(bool value) { requestResultSet_ = value; }
    bool OpenNext() const { return openNext_; }
    void SetOpenNext(bool value) { openNext_ = value; }

    // Installed while an SQL monitor is active: receives the final text of every statement.
    std::function<void(const std::string& sql)> OnTrace;

private:
    void ExecuteText();
    void ExecutePrepared();
    // The final text with the parameter values written as literals.
    std::string BuildFinalText();
    // Parameter n of the text: INOUT parameters first for a routine call, then the IN ones.
    TParamDesc* TextParam(int index) const;
    void AppendParamValue(AnsiStringBuilder& sql, const TParamDesc* param) const;
    // The first row's first `columns` values of a catalog query; empty when it has no row.
    std::vector<std::string> QueryFirstRow(const std::string& sql, int columns,
                                           std::vector<bool>* nulls = nullptr);
    void SetStatementTimeouts();

    TMySQLConnection* connection_ = nullptr;
    int32_t commandTimeout_ = 0;
    TCursorState cursorState_ = csInactive;
    int32_t rowsAffected_ = -1;
    int32_t previousRowsAffected_ = 0;
    bool storedProc_ = false;
    bool canReadParams_ = false;
    bool isSelectParams_ = false;
    bool requestResultSet_ = false;
    std::vector<std::string> cachedSQL_;
    std::vector<int32_t> paramPositions_;
    bool fillParamPosition_ = false;
    bool prepared_ = false;
    PMYSQL_STMT stmt_ = nullptr;
    bool openNext_ = false;
    PMYSQL_RES sqlResult_ = nullptr;
    std::mutex breakLock_;
    bool waitForBreak_ = false;
};

} // namespace dataaccess
