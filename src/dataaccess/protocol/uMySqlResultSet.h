// A result set of the wire protocol: column descriptions and rows read from packets.
#pragma once

#include "dataaccess/store/uMarshal.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace dataaccess {

class TMySqlSession;

// One column value of a row: where its bytes start in the row's packet, how many there are, and
// whether it is NULL (then offset and length are 0).
struct TMySqlBind {
    uint8_t IsNull = 0;
    int32_t Offset = 0;
    int32_t Length = 0;
    uint8_t FieldType = 0;
};

// The values of one row over the row's own bytes; nothing is copied out.
class TMySqlBinds {
public:
    explicit TMySqlBinds(int count) : items_(static_cast<size_t>(count)) {}

    int Count() const { return static_cast<int>(items_.size()); }
    TMySqlBind& operator[](int index) { return items_.at(static_cast<size_t>(index)); }
    const TMySqlBind& operator[](int index) const { return items_.at(static_cast<size_t>(index)); }

    // The row the offsets refer to; set by every fetch.
    const uint8_t* Row() const { return row_; }
    int RowLength() const { return rowLength_; }
    void SetRow(const uint8_t* row, int length) {
        row_ = row;
        rowLength_ = length;
    }

private:
    std::vector<TMySqlBind> items_;
    const uint8_t* row_ = nullptr;
    int rowLength_ = 0;
};

// One result column.
struct TMySqlFieldInfo {
    std::string Name;
    std::string OrgName;
    std::string Table; // alias
    std::string Database;
    std::string Default;
    std::string OrgTable;
    uint32_t Length = 0; // display length
    uint32_t Decimals = 0;
    uint32_t MaxLength = 0;
    uint32_t Flags = 0;
    uint32_t CharsetNr = 0;
    uint8_t FieldType = 0;
};
using TMySqlFieldInfos = std::vector<TMySqlFieldInfo>;
using TMySqlFieldTypes = std::vector<uint16_t>;

// The column flag that marks numbers.
inline constexpr uint32_t kNumFlag = 32768;

// True for the numeric types (0 to 9, and 13 for YEAR); a TIMESTAMP (7) counts only in its old
// numeric forms of display length 14 or 8.
bool IsNumericMySqlType(const TMySqlFieldInfo& info);
// Fills the record and adds kNumFlag to the flags of a numeric column; returns whether it is numeric.
bool FillMySqlFieldInfo(const std::string& name, const std::string& orgName, const std::string& table,
                        TMySqlFieldInfo& info, uint8_t fieldType, uint32_t charsetNr, uint32_t flags,
                        uint32_t maxLength, uint32_t decimals, uint32_t length,
                        const std::string& defaultValue, const std::string& database,
                        const std::string& orgTable);

// The rows of one result, in the text format (queries) or, with result binds, the binary format
// (prepared statements); all read at once or one by one.
class TMySqlResultSet {
public:
    // Over the session's pending columns, which it takes.
    explicit TMySqlResultSet(TMySqlSession* session);
    TMySqlResultSet(TMySqlSession* session, std::unique_ptr<TMySqlBinds> resultBinds, int columnCount,
                    TMySqlFieldInfos columns);
    ~TMySqlResultSet();
    TMySqlResultSet(const TMySqlResultSet&) = delete;
    TMySqlResultSet& operator=(const TMySqlResultSet&) = delete;

    // Binds for binary rows, or none for text rows.
    void SetResultBind(std::unique_ptr<TMySqlBinds> binds);
    TMySqlBinds* ResultBinds() const { return resultBinds_.get(); }
    // The text-row binds (one per column).
    TMySqlBinds* Binds() const { return binds_.get(); }

    void ReadAllRows();
    bool ReadRow();
    // Decodes the next row into `binds` (the result binds for binary rows, which are handed back);
    // false at the end.
    bool Fetch(TMySqlBinds*& binds);
    // The column definitions, buffered by ReadAllRows on a result set of 7 (or 5) text columns.
    void ReadFieldInfos(int count, TMySqlFieldInfos& infos);
    const uint8_t* GetRowBufferPtr() const;
    int RowLength() const { return rowLength_; }
    // Drops the rows (the session skips what it has not read); the columns stay for their readers.
    void Close();
    // Starts over with these columns, for the rows of a new execution when `pending`; result binds
    // stay when the column count is unchanged.
    void Reopen(TMySqlFieldInfos columns, bool pending);
    // Forgets a session that is going away; the rows are gone with it.
    void Detach();

    TMySqlSession* Session() const { return session_; }
    const TMySqlFieldInfos& Columns() const { return columns_; }
    int ColumnCount() const { return columnCount_; }
    bool Eof() const { return eof_; }
    int64_t RowsRead() const { return rowsRead_; }
    bool Buffered() const { return rows_ != nullptr; }
    // Made for a caller who frees it (a query's result), not owned by a statement.
    bool HandedOut() const { return handedOut_; }
    void SetHandedOut(bool value) { handedOut_ = value; }

private:
    void TakeEndOfData(const uint8_t* packet, int length);
    void DecodeTextRow(TMySqlBinds& binds);
    void DecodeBinaryRow(TMySqlBinds& binds);

    TMySqlSession* session_;
    TMySqlFieldInfos columns_;
    int columnCount_ = 0;
    std::unique_ptr<std::vector<TBytes>> rows_;
    const uint8_t* row_ = nullptr;
    int rowLength_ = 0;
    std::unique_ptr<TMySqlBinds> binds_;
    std::unique_ptr<TMySqlBinds> resultBinds_;
    size_t rowIndex_ = 0;
    int64_t rowsRead_ = 0;
    bool eof_ = false;
    // Rows of this result still wait on the wire.
    bool pending_ = false;
    bool handedOut_ = false;
};

} // namespace dataaccess
