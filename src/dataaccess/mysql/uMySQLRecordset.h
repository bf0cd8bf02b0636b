// The MySQL record set: fetches a command's rows, by text or binary protocol, into the store.
#pragma once

#include "dataaccess/mysql/uMySQLAPI.h"
#include "dataaccess/mysql/uMySQLCommand.h"
#include "dataaccess/mysql/uMySQLFieldDesc.h"
#include "dataaccess/server/uCRRecordSet.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace dataaccess {

class TMySQLConnection;
class TMyTableInfo;

// Property codes of the MySQL record set, after those of TCRRecordSet.
inline constexpr int prFieldsAsString = 1005;
inline constexpr int prNullForZeroDate = 1006;
inline constexpr int prEnableBoolean = 1014;
inline constexpr int prCreateConnection = 1015;
inline constexpr int prOpenNext = 1017;
inline constexpr int prHasMoreResults = 1025;
// The warnings of the connection's last statement, read once its rows are all fetched.
inline constexpr int prWarningCount = 1026;
inline constexpr int prUseHandler = 1029;
inline constexpr int prBinaryAsString = 1034;

// One value of the row being read, as text (prepared rows are read as text too).
struct TMyRowValue {
    const char* Data = nullptr;
    unsigned long Length = 0;
    bool IsNull = true;
};

// Whether further results of a multi-statement text are pending.
enum TOpenNextState : uint8_t {
    onNotChecked = 0,
    onMoreResults = 1,
    onNoMoreResults = 2,
    onError = 3,
};

// The MySQL record set: its command keeps the first result set open; the columns become field
// descriptors and the rows are read into the store a block at a time. Walks through the further
// results of a multi-statement text, reads the output parameters of a routine call back, and can
// read a result on demand over an extra connection so that the main one stays free.
class TMySQLRecordset : public TCRRecordSet {
public:
    TMySQLRecordset();
    ~TMySQLRecordset() override;

    TMySQLCommand& MyCommand() const { return static_cast<TMySQLCommand&>(*Command()); }

    TFieldDescClass GetFieldDescClass() const override { return &TMySQLFieldDesc::Create; }
    // Fields described before execution leave the command idle.
    void InitFields() override;
    // Reads one block; "Query must return exactly result set - use Execute" for a statement
    // without columns.
    bool Fetch() override;
    // Once this record set has read all its rows: the results the session has pending after them
    // go to `next`, which opens them with "open next", while this one keeps its rows and reads no
    // more from the session. False when all that was pending is a last result without rows (the
    // status of a procedure call), which the session has read already: nothing is left to open.
    bool HandPendingResultsTo(TMySQLRecordset& next);
    void ExecCommand() override;
    void ResetForNewSQL() override;
    // The connection's facts are read at once; binding the one in use keeps the fetch session.
    void SetConnection(TCRConnection* connection) override;
    void BreakFetch() override;
    bool IsFetchComplete() const override;
    bool ReturnsRows() const override;
    bool SetProp(int prop, const rtl::Variant& value) override;
    bool GetProp(int prop, rtl::Variant& value) override;
    bool ExactStringMatch() const override { return false; }
    void SetToEnd() override;

    virtual void CheckHandle(const void* value);
    virtual void CheckStatus(int value);
    virtual void CheckLastError();

    // Ends the open result (its rows are read and dropped with `skipRows`) and, with `checkNext`,
    // takes the next result of the text from the server.
    void CloseResult(bool checkNext, bool skipRows);
    // Reads and drops every further result of the text.
    void DrainResults();
    // Moves the command to an extra connection for on-demand reading.
    void UseFetchConnection();
    // Gives the extra connection back (marked invalid when `killed`) and the command its own.
    void ReleaseFetchConnection(bool killed);

    // ---- Columns and values
    void CreateFieldDescs();
    void DetermineFieldType(const TMYSQL_FIELD& column, int& dataType, bool& fixed, uint32_t& length) const;
    void FillFieldDesc(const TMYSQL_FIELD& column, int dataType, uint32_t length, TMySQLFieldDesc& field);
    static void SetFieldSize(TFieldDesc& field, uint32_t length, uint32_t decimals);
    void ParseTableNames();
    // The entry of a table by name or alias (qualified names against the connection's database);
    // -1 when unknown.
    int FindTableInfo(const std::string& name);
    int FindTableInfoEx(const std::string& name, bool& isAlias);
    TMyTableInfo* AddTableInfo(const std::string& name, bool aliased);
    // The entry of the table a column comes from: one per name the statement gives a table (its
    // alias, or its own name), named after the server's underlying table.
    TMyTableInfo* ColumnTableInfo(const TMYSQL_FIELD& column);
    // One fetched text-protocol row into `record`.
    void ReadRowValues(void* record, PMYSQL_ROW row, const TLenArr& lengths);

    TOpenNextState OpenNextState() const { return openNextState_; }
    TMySQLConnection* FetchConnection() const { return fetchConnection_; }
    bool CreateConnection() const { return createConnection_; }
    bool NullForZeroDate() const { return nullForZeroDate_; }
    bool FieldsAsString() const { return fieldsAsString_; }
    bool EnableBoolean() const { return enableBoolean_; }
    bool BinaryAsString() const { return binaryAsString_; }

protected:
    void InternalPrepare() override;
    void InternalUnprepare() override;
    void InternalClose() override;
    void InternalInitFields() override;

private:
    TMySQLConnection& Connection() const;
    // The statement text classified for describing its columns.
    struct TStatementKind {
        bool Show = false;     // holds SHOW
        bool Explain = false;  // holds EXPLAIN or DESCRIBE (read on old servers only)
        bool Select = false;   // holds SELECT
        bool Handler = false;  // starts with HANDLER
        bool Describe = false; // starts with DESC or DESCRIBE
        // SHOW followed somewhere by these keywords.
        bool ShowPrivileges = false, ShowProcesslist = false, ShowSlaveStatus = false, ShowCreate = false,
             ShowEngines = false, ShowColumns = false;
    };
    TStatementKind ClassifySQL() const;
    void RefreshConnectionFacts();
    // Runs the statement with no rows to learn its columns, when that has no side effects.
    void DescribeByProbe();
    void TakeNextResult();
    // Drains the results of the previous text that nobody opened.
    void DropPendingResults();
    // The rows after the fetch rows of a single SELECT are not read: the fetch connection is killed.
    void KillFetchConnection();
    void ReadOutParams(void* record);
    void DecodeRow(void* record, const std::function<TMyRowValue(const TMySQLFieldDesc& field)>& valueOf);
    // Prepared rows: every column is bound as text, so the same decoding reads them.
    void BindFetchBuffers();
    void DropFetchBuffers();
    // 0 a row was read into `record`, 100 no more rows.
    int FetchPreparedRow(void* record);
    // The wire protocol reads the row itself; its binary values are decoded as their text form.
    int FetchDirectRow(void* record);
    // The statement fetch of the API in use.
    int FetchStmtRow();
    PItemHeader TakeFetchItem(std::vector<PItemHeader>& reuse);
    // The items of the previous block, emptied for reuse by unidirectional reading.
    std::vector<PItemHeader> RecycleBlock();
    void FreeItems(std::vector<PItemHeader>& items);

    bool isClient41_ = false;
    bool useUnicode_ = false;
    bool optimizedBigInt_ = false;
    bool decimalPrecision_ = false;
    int serverMajor_ = 0;
    int serverMinor_ = 0;
    int serverRelease_ = 0;
    uint32_t charsetMaxBytes_ = 3;
    // While a result is read over the fetch session, the command runs on fetchConnection_.
    TMySQLConnection* mainConnection_ = nullptr;
    TMySQLConnection* fetchConnection_ = nullptr;
    std::unique_ptr<TMySQLConnection> ownFetchConnection_;
    bool nullForZeroDate_ = true;
    bool fieldsAsString_ = false;
    bool enableBoolean_ = true;
    bool binaryAsString_ = true;
    bool createConnection_ = true;
    bool useHandler_ = false;
    // Prepared fetching: 0 start, 1 middle, 2 end.
    uint8_t fetchState_ = 0;
    TMYSQL_BINDS fetchBinds_;
    std::vector<std::vector<char>> fetchBuffers_;
    std::vector<unsigned long> fetchLengths_;
    std::vector<char> fetchNulls_;
    std::vector<char> fetchErrors_;
    std::vector<uint8_t> nulls_;
    TLenArr lengths_;
    TOpenNextState openNextState_ = onNotChecked;
    PMYSQL_RES nextResult_ = nullptr;
    int32_t nextRowsAffected_ = -2;
    // The pending next result is one without rows (nextResult_ is null): the session has read it.
    bool rowlessResultPending_ = false;
    bool canFastClose_ = false;
    TStatementKind kind_;
};

} // namespace dataaccess
