#pragma once

#include "core/uDBAConnection.h"
#include "support/RowsDataSet.h"

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace testsupport {

// One column of a fetched result as the server described it.
struct FetchedColumn {
    std::string name;
    std::uint8_t typeCode = 253; // the MySQL column type code (VAR_STRING)
    bool isUnsigned = false;
    bool binary = false;     // binary character set: the values are bytes, not text
    std::int64_t length = 0; // declared length in bytes
};

// Text values as the server sent them; NULL is std::nullopt.
using FetchedRow = std::vector<std::optional<std::string>>;

// One result of a statement: a result set (perhaps without rows), or the number of affected rows.
struct FetchedResult {
    bool hasResultSet = false;
    std::vector<FetchedColumn> columns;
    std::vector<FetchedRow> rows;
    std::int64_t affectedRows = 0;
    // As the server's reply counted them; unknown where a connection does not tell.
    int warningCount = core::kWarningCountUnknown;
};

// How columns become fields: by their type (numbers as numbers), every column as 8-bit text (the
// evaluation query), or typed with text columns as UTF-16 (an executed statement's result).
enum class FieldStyle { Typed, AsString, WideText };

// A read-only, bidirectional data set over the results of one statement, all fetched when it runs.
// Each field carries its column's MySQL type code and unsigned flag.
class FetchedDataSet : public RowsDataSet {
public:
    // Runs a statement and answers every result it produced, in order.
    using Runner = std::function<std::vector<FetchedResult>(const std::string& sql)>;

    FetchedDataSet(Runner runner, std::string sql, FieldStyle style);
    ~FetchedDataSet() override;

    const std::string& SQL() const { return sql_; }
    // Runs the statement: the data set opens when it produced a result set, otherwise it stays closed
    // and RowsAffected tells what it did. Open alone insists on a result set.
    void Execute();
    std::int64_t RowsAffected() const { return current_.affectedRows; }
    int WarningCount() const { return current_.warningCount; }
    // Results that the statement produced after the current one.
    bool HasMoreResults() const { return !pending_.empty(); }
    // Takes the last pending result as the current one.
    void NextResult();
    // The pending results, in order, which this data set then no longer has.
    std::vector<FetchedResult> TakePendingResults();
    // The column behind one of this data set's fields.
    const FetchedColumn& Column(const data::TField* field) const;

    using data::TDataSet::GetFieldData;
    bool GetFieldData(data::TField* field, void* buffer) override;
    std::unique_ptr<rtl::TStream> CreateBlobStream(data::TField* field, data::TBlobStreamMode mode) override;

protected:
    int RowCount() const override { return static_cast<int>(current_.rows.size()); }
    size_t RecordBufferSize() const override;
    void FillRecord(data::TRecordBuffer buffer, int row) override;
    void InternalOpen() override;
    void InternalClose() override;
    void InternalInitFieldDefs() override;
    bool IsCursorOpen() const override { return open_; }
    void InternalGotoBookmark(const void* bookmark) override;
    void InternalSetToRecord(data::TRecordBuffer buffer) override;
    void GetBookmarkData(data::TRecordBuffer buffer, void* data) const override;
    void SetBookmarkData(data::TRecordBuffer buffer, const void* data) override;
    data::TBookmarkFlag GetBookmarkFlag(data::TRecordBuffer buffer) const override;
    void SetBookmarkFlag(data::TRecordBuffer buffer, data::TBookmarkFlag flag) override;
    int GetRecNo() const override;
    int GetRecordCount() const override { return open_ ? RowCount() : 0; }
    bool GetCanModify() const override { return false; }

private:
    // Runs the statement unless its results are already at hand.
    void Fetch();
    const std::optional<std::string>& CurrentValue(const data::TField* field) const;

    Runner runner_;
    std::string sql_;
    FieldStyle style_;
    bool fetched_ = false;
    FetchedResult current_;
    std::vector<FetchedResult> pending_;
    bool open_ = false;
};

} // namespace testsupport
