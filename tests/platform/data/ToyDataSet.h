#pragma once

#include "support/RowsDataSet.h"

#include <map>
#include <optional>
#include <string>
#include <vector>

namespace datatest {

struct ToyColumn {
    std::string name;
    data::TFieldType type;
    int size = 0;
    bool required = false;
};

// A data set over rows of variants kept in memory. At open every row is encoded into the raw layout
// of its fields; edits go back into those rows. Record buffer: for each data field a presence byte and
// its DataSize bytes, the calculated-field area, the record number (int32), the bookmark flag, and the
// bookmark (the row's id, int64). Blob values live beside the rows.
class ToyDataSet : public testsupport::RowsDataSet {
public:
    ToyDataSet(data::TComponent* owner, std::vector<ToyColumn> columns,
               std::vector<std::vector<rtl::Variant>> rows);
    ~ToyDataSet() override;

    using data::TDataSet::GetFieldData;
    bool GetFieldData(data::TField* field, void* buffer) override;
    void SetFieldData(data::TField* field, const void* buffer) override;
    std::unique_ptr<rtl::TStream> CreateBlobStream(data::TField* field, data::TBlobStreamMode mode) override;
    void SetRecNo(int value) override;
    bool BookmarkValid(const data::TBookmark& bookmark) const override;
    int CompareBookmarks(const data::TBookmark& a, const data::TBookmark& b) const override;

    // Changes a stored value behind the data set's back (an open data set sees it after Resync).
    void ChangeStoredValue(int row, int fieldNo, const rtl::Variant& value);
    bool ReadOnlyDataSet = false;
    // The data source of a master data set, for the circular-link check.
    data::TDataSource* MasterSource = nullptr;
    data::TDataSource* GetDataSource() const override { return MasterSource; }

    using data::TDataSet::InternalHandleException;

protected:
    int RowCount() const override { return static_cast<int>(rows_.size()); }
    size_t RecordBufferSize() const override { return bufferSize_; }
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
    bool GetCanModify() const override { return !ReadOnlyDataSet; }
    void InternalInitRecord(data::TRecordBuffer buffer) override;
    void InternalEdit() override;
    void InternalInsert() override;
    void InternalPost() override;
    void InternalCancel() override { pendingBlobs_.clear(); }
    void InternalDelete() override;
    void ClearCalcFields(data::TRecordBuffer buffer) override;

private:
    struct Row {
        int64_t id;
        std::vector<uint8_t> data;
        std::map<int, std::optional<std::string>> blobs; // by field number
    };
    friend class ToyBlobStream;

    void EncodeRow(const std::vector<rtl::Variant>& values, Row& row) const;
    void FillBuffer(data::TRecordBuffer buffer, int index) const;
    int FindRow(int64_t id) const;
    int64_t BufferRowId(data::TRecordBuffer buffer) const;
    data::TRecordBuffer ActiveRecordBuffer();
    // Where a field's presence byte is in a record buffer.
    size_t FieldOffset(const data::TField* field) const;
    std::optional<std::string>* BlobValue(data::TField* field, data::TRecordBuffer buffer);

    std::vector<ToyColumn> columns_;
    std::vector<std::vector<rtl::Variant>> source_;
    std::vector<Row> rows_;
    std::map<int, size_t> offsets_; // field number -> presence byte
    std::map<int, std::optional<std::string>> pendingBlobs_;
    size_t dataSize_ = 0;
    size_t infoOffset_ = 0;
    size_t bufferSize_ = 0;
    int64_t nextId_ = 1;
    bool open_ = false;
    data::TRecordBuffer oldBuffer_ = nullptr;
};

// The six rows most tests use: id Integer (required), name String(12), amount Float, flag Boolean,
// day Date, note Memo. Rows 3 and 5 hold nulls.
std::vector<ToyColumn> SixRowColumns();
std::vector<std::vector<rtl::Variant>> SixRows();

} // namespace datatest
