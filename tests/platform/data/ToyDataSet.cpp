#include "ToyDataSet.h"

#include "platform/data/FieldClasses.h"
#include "platform/rtl/Format.h"

#include <algorithm>
#include <cstring>
#include <stdexcept>

namespace datatest {

using namespace data;

namespace {

constexpr size_t kInfoSize = sizeof(int32_t) + 1; // record number, bookmark flag
constexpr size_t kBookmarkSize = sizeof(int64_t);

template <class T>
void Put(uint8_t* out, T value) {
    std::memcpy(out, &value, sizeof value);
}

// The raw layout of each field class (see FieldClasses.h).
void Encode(const TField& field, const rtl::Variant& value, uint8_t* out) {
    const size_t size = field.Size();
    switch (field.DataType()) {
    case ftString:
    case ftFixedChar: {
        const std::string text = value.AsString();
        std::memcpy(out, text.data(), std::min(text.size(), size));
        break;
    }
    case ftWideString: {
        const std::u16string text = value.AsWideString();
        std::memcpy(out, text.data(), std::min(text.size(), size) * 2);
        break;
    }
    case ftSmallint:
        Put(out, static_cast<int16_t>(value.AsInt64()));
        break;
    case ftWord:
        Put(out, static_cast<uint16_t>(value.AsInt64()));
        break;
    case ftInteger:
    case ftAutoInc:
        Put(out, static_cast<int32_t>(value.AsInt64()));
        break;
    case ftLargeint:
        Put(out, value.AsInt64());
        break;
    case ftBoolean:
        Put(out, static_cast<int16_t>(value.AsBoolean() ? 1 : 0));
        break;
    case ftFloat:
    case ftCurrency:
        Put(out, value.AsDouble());
        break;
    case ftBCD:
        Put(out, rtl::Variant(value.AsDouble() * 10000).AsInt64());
        break;
    case ftDate:
    case ftTime:
    case ftDateTime:
        Put(out, value.AsDateTime());
        break;
    case ftBytes: {
        const std::string bytes = value.AsString();
        std::memcpy(out, bytes.data(), std::min(bytes.size(), size));
        break;
    }
    case ftVarBytes: {
        const std::string bytes = value.AsString();
        const auto length = static_cast<uint16_t>(std::min(bytes.size(), size));
        Put(out, length);
        std::memcpy(out + sizeof length, bytes.data(), length);
        break;
    }
    default:
        throw std::logic_error("the toy data set does not store this type");
    }
}

bool IsEditing(TDataSetState state) {
    return state == dsEdit || state == dsInsert;
}

} // namespace

// A blob written in edit mode: the value reaches the record being edited when the stream goes away.
class ToyBlobStream : public rtl::TMemoryStream {
public:
    ToyBlobStream(ToyDataSet& dataSet, TBlobField& field) : dataSet_(dataSet), field_(field) {}
    ~ToyBlobStream() override {
        dataSet_.pendingBlobs_[field_.FieldNo()] = Bytes();
        field_.SetModified(true);
        dataSet_.DataEvent(deFieldChange, reinterpret_cast<intptr_t>(&field_));
    }

private:
    ToyDataSet& dataSet_;
    TBlobField& field_;
};

ToyDataSet::ToyDataSet(TComponent* owner, std::vector<ToyColumn> columns,
                       std::vector<std::vector<rtl::Variant>> rows)
    : RowsDataSet(owner), columns_(std::move(columns)), source_(std::move(rows)) {}

ToyDataSet::~ToyDataSet() {
    Destroying();
    Close();
}

// ---- open and close ----

void ToyDataSet::InternalInitFieldDefs() {
    FieldDefs().BeginUpdate();
    FieldDefs().Clear();
    for (const ToyColumn& column : columns_)
        FieldDefs().Add(column.name, column.type, column.size, column.required);
    // The first column stands for a MySQL INT (type code 3).
    if (!columns_.empty()) FieldDefs()[0]->SetMySQLType(3, false);
    FieldDefs().EndUpdate();
    FieldDefs().SetUpdated(true);
}

void ToyDataSet::InternalOpen() {
    InternalInitFieldDefs();
    if (DefaultFields()) CreateFields();
    BindFields(true);
    offsets_.clear();
    size_t position = 0;
    for (const TField* field : Fields()) {
        if (field->FieldKind() != fkData) continue;
        offsets_[field->FieldNo()] = position;
        position += 1 + (field->IsBlob() ? 0 : field->DataSize());
    }
    dataSize_ = position;
    infoOffset_ = dataSize_ + CalcFieldsSize();
    bufferSize_ = infoOffset_ + kInfoSize + kBookmarkSize;
    SetBookmarkSize(kBookmarkSize);
    rows_.clear();
    for (const auto& values : source_) {
        Row row{nextId_++, std::vector<uint8_t>(dataSize_, 0), {}};
        EncodeRow(values, row);
        rows_.push_back(std::move(row));
    }
    SetCursor(-1);
    oldBuffer_ = AllocRecordBuffer();
    open_ = true;
}

void ToyDataSet::InternalClose() {
    open_ = false;
    if (oldBuffer_) FreeRecordBuffer(oldBuffer_);
    BindFields(false);
    if (DefaultFields()) DestroyFields();
    rows_.clear();
    pendingBlobs_.clear();
}

void ToyDataSet::EncodeRow(const std::vector<rtl::Variant>& values, Row& row) const {
    for (TField* field : Fields()) {
        if (field->FieldKind() != fkData) continue;
        const rtl::Variant& value = values.at(field->FieldNo() - 1);
        if (field->IsBlob()) {
            row.blobs[field->FieldNo()] =
                value.IsNull() ? std::nullopt : std::optional<std::string>(value.AsString());
            continue;
        }
        uint8_t* at = row.data.data() + FieldOffset(field);
        *at = value.IsNull() ? 0 : 1;
        if (!value.IsNull()) Encode(*field, value, at + 1);
    }
}

void ToyDataSet::ChangeStoredValue(int row, int fieldNo, const rtl::Variant& value) {
    TField* field = FieldByNumber(fieldNo);
    uint8_t* at = rows_.at(row).data.data() + FieldOffset(field);
    std::memset(at, 0, 1 + field->DataSize());
    *at = value.IsNull() ? 0 : 1;
    if (!value.IsNull()) Encode(*field, value, at + 1);
}

// ---- buffers and the cursor ----

void ToyDataSet::FillBuffer(TRecordBuffer buffer, int index) const {
    const Row& row = rows_[index];
    std::memcpy(buffer, row.data.data(), dataSize_);
    const int32_t recNo = index + 1;
    std::memcpy(buffer + infoOffset_, &recNo, sizeof recNo);
    buffer[infoOffset_ + sizeof recNo] = bfCurrent;
    std::memcpy(buffer + infoOffset_ + kInfoSize, &row.id, kBookmarkSize);
}

void ToyDataSet::FillRecord(TRecordBuffer buffer, int row) {
    FillBuffer(buffer, row);
    GetCalcFields(buffer);
}

int ToyDataSet::FindRow(int64_t id) const {
    const auto it = std::find_if(rows_.begin(), rows_.end(), [id](const Row& row) { return row.id == id; });
    return it == rows_.end() ? -1 : static_cast<int>(it - rows_.begin());
}

int64_t ToyDataSet::BufferRowId(TRecordBuffer buffer) const {
    int64_t id = 0;
    std::memcpy(&id, buffer + infoOffset_ + kInfoSize, kBookmarkSize);
    return id;
}

void ToyDataSet::InternalGotoBookmark(const void* bookmark) {
    int64_t id = 0;
    std::memcpy(&id, bookmark, kBookmarkSize);
    const int index = FindRow(id);
    if (index < 0) DatabaseError("Record not found", this);
    SetCursor(index);
}

void ToyDataSet::InternalSetToRecord(TRecordBuffer buffer) {
    InternalGotoBookmark(buffer + infoOffset_ + kInfoSize);
}

void ToyDataSet::GetBookmarkData(TRecordBuffer buffer, void* data) const {
    std::memcpy(data, buffer + infoOffset_ + kInfoSize, kBookmarkSize);
}

void ToyDataSet::SetBookmarkData(TRecordBuffer buffer, const void* data) {
    std::memcpy(buffer + infoOffset_ + kInfoSize, data, kBookmarkSize);
}

TBookmarkFlag ToyDataSet::GetBookmarkFlag(TRecordBuffer buffer) const {
    return static_cast<TBookmarkFlag>(buffer[infoOffset_ + sizeof(int32_t)]);
}

void ToyDataSet::SetBookmarkFlag(TRecordBuffer buffer, TBookmarkFlag flag) {
    buffer[infoOffset_ + sizeof(int32_t)] = flag;
}

bool ToyDataSet::BookmarkValid(const TBookmark& bookmark) const {
    int64_t id = 0;
    if (bookmark.size() != kBookmarkSize) return false;
    std::memcpy(&id, bookmark.data(), kBookmarkSize);
    return FindRow(id) >= 0;
}

int ToyDataSet::CompareBookmarks(const TBookmark& a, const TBookmark& b) const {
    const auto position = [this](const TBookmark& bookmark) {
        int64_t id = 0;
        if (bookmark.size() != kBookmarkSize) return -1;
        std::memcpy(&id, bookmark.data(), kBookmarkSize);
        return FindRow(id);
    };
    const int pa = position(a), pb = position(b);
    return pa < pb ? -1 : pa > pb ? 1 : 0;
}

int ToyDataSet::GetRecNo() const {
    const TRecordBuffer buffer = State() == dsCalcFields ? CalcBuffer() : ActiveBuffer();
    if (!buffer || IsEmpty() || GetBookmarkFlag(buffer) != bfCurrent) return 0;
    int32_t recNo = 0;
    std::memcpy(&recNo, buffer + infoOffset_, sizeof recNo);
    return recNo;
}

void ToyDataSet::SetRecNo(int value) {
    CheckBrowseMode();
    if (value < 1 || value > static_cast<int>(rows_.size()) || value == RecNo()) return;
    DoBeforeScroll();
    SetCursor(value - 1);
    Resync({rmExact, rmCenter});
    DoAfterScroll();
}

// ---- field data ----

size_t ToyDataSet::FieldOffset(const TField* field) const {
    return offsets_.at(field->FieldNo());
}

TRecordBuffer ToyDataSet::ActiveRecordBuffer() {
    switch (State()) {
    case dsBrowse:
    case dsBlockRead:
        return IsEmpty() ? nullptr : ActiveBuffer();
    case dsEdit:
    case dsInsert:
    case dsNewValue:
        return ActiveBuffer();
    case dsCalcFields:
        return CalcBuffer();
    case dsOldValue: {
        // The stored record as it was before this edit; none for a record being inserted.
        if (IsEmpty() || GetBookmarkFlag(ActiveBuffer()) != bfCurrent) return nullptr;
        const int index = FindRow(BufferRowId(ActiveBuffer()));
        if (index < 0) return nullptr;
        FillBuffer(oldBuffer_, index);
        return oldBuffer_;
    }
    default:
        return nullptr;
    }
}

std::optional<std::string>* ToyDataSet::BlobValue(TField* field, TRecordBuffer buffer) {
    if (buffer == ActiveBuffer() && IsEditing(State())) return &pendingBlobs_[field->FieldNo()];
    const int index = FindRow(BufferRowId(buffer));
    return index < 0 ? nullptr : &rows_[index].blobs[field->FieldNo()];
}

bool ToyDataSet::GetFieldData(TField* field, void* buffer) {
    TRecordBuffer record = ActiveRecordBuffer();
    if (!record) return false;
    const uint8_t* at = nullptr;
    if (field->FieldKind() == fkData) {
        if (field->IsBlob()) {
            const auto* value = BlobValue(field, record);
            return value && value->has_value();
        }
        at = record + FieldOffset(field);
    } else {
        at = record + dataSize_ + field->Offset();
    }
    if (!at[0]) return false;
    if (buffer) std::memcpy(buffer, at + 1, field->DataSize());
    return true;
}

void ToyDataSet::SetFieldData(TField* field, const void* buffer) {
    const TDataSetState state = State();
    if (!IsEditing(state) && state != dsCalcFields && state != dsNewValue)
        DatabaseError("Dataset not in edit or insert mode", this);
    TRecordBuffer record = ActiveRecordBuffer();
    uint8_t* at = nullptr;
    if (field->FieldKind() == fkData) {
        if (state == dsCalcFields) DatabaseError("Dataset not in edit or insert mode", this);
        if (field->ReadOnly())
            DatabaseError(rtl::Format("Field '%s' cannot be modified", field->DisplayName()));
        field->Validate(buffer);
        if (field->IsBlob()) {
            // Only clearing comes this way; values go through the blob stream.
            pendingBlobs_[field->FieldNo()] = std::nullopt;
        } else {
            at = record + FieldOffset(field);
        }
    } else {
        at = record + dataSize_ + field->Offset();
    }
    if (at) {
        at[0] = buffer ? 1 : 0;
        if (buffer) std::memcpy(at + 1, buffer, field->DataSize());
    }
    if (state != dsCalcFields) DataEvent(deFieldChange, reinterpret_cast<intptr_t>(field));
}

std::unique_ptr<rtl::TStream> ToyDataSet::CreateBlobStream(TField* field, TBlobStreamMode mode) {
    auto* blob = dynamic_cast<TBlobField*>(field);
    if (!blob) DatabaseError("Field is not BLOB", this);
    if (mode == bmRead) {
        auto stream = std::make_unique<rtl::TMemoryStream>();
        TRecordBuffer record = ActiveRecordBuffer();
        const auto* value = record ? BlobValue(field, record) : nullptr;
        if (value && value->has_value()) stream->WriteString(**value);
        stream->SetPosition(0);
        return stream;
    }
    if (!IsEditing(State())) DatabaseError("Dataset not in edit or insert mode", this);
    return std::make_unique<ToyBlobStream>(*this, *blob);
}

void ToyDataSet::ClearCalcFields(TRecordBuffer buffer) {
    std::memset(buffer + dataSize_, 0, CalcFieldsSize());
}

// ---- editing ----

void ToyDataSet::InternalInitRecord(TRecordBuffer buffer) {
    std::memset(buffer, 0, infoOffset_);
}

void ToyDataSet::InternalEdit() {
    pendingBlobs_ = rows_.at(FindRow(BufferRowId(ActiveBuffer()))).blobs;
}

void ToyDataSet::InternalInsert() {
    pendingBlobs_.clear();
}

void ToyDataSet::InternalPost() {
    TDataSet::InternalPost();
    TRecordBuffer record = ActiveBuffer();
    if (State() == dsEdit) {
        const int index = FindRow(BufferRowId(record));
        std::memcpy(rows_[index].data.data(), record, dataSize_);
        for (auto& [fieldNo, value] : pendingBlobs_)
            rows_[index].blobs[fieldNo] = value;
        SetCursor(index);
    } else {
        Row row{nextId_++, std::vector<uint8_t>(record, record + dataSize_), pendingBlobs_};
        int at = static_cast<int>(rows_.size());
        if (GetBookmarkFlag(record) == bfInserted) {
            const int before = FindRow(BufferRowId(record));
            if (before >= 0) at = before;
        }
        rows_.insert(rows_.begin() + at, std::move(row));
        SetCursor(at);
    }
    pendingBlobs_.clear();
}

void ToyDataSet::InternalDelete() {
    rows_.erase(rows_.begin() + Cursor());
    pendingBlobs_.clear();
}

// ---- the six rows ----

std::vector<ToyColumn> SixRowColumns() {
    return {{"id", ftInteger, 0, true}, {"name", ftString, 12}, {"amount", ftFloat},
            {"flag", ftBoolean},        {"day", ftDate},        {"note", ftMemo}};
}

std::vector<std::vector<rtl::Variant>> SixRows() {
    const rtl::Variant null = rtl::Variant::Null();
    const auto day = [](int y, int m, int d) { return rtl::Variant::FromDateTime(rtl::EncodeDate(y, m, d)); };
    return {
        {1, "alpha", 1.5, true, day(2024, 1, 1), "first"}, {2, "beta", 2.25, false, day(2024, 2, 2), null},
        {3, "gamma", null, true, null, "third"},           {4, "delta", -4.0, false, day(2024, 4, 4), ""},
        {5, null, 5e10, null, day(2024, 5, 5), "fifth"},   {6, "zeta", 0.0, true, day(2024, 6, 6), "sixth"},
    };
}

} // namespace datatest
