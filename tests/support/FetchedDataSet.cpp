#include "support/FetchedDataSet.h"

#include "platform/data/DataError.h"
#include "platform/data/FieldClasses.h"
#include "platform/rtl/Utf.h"

#include <algorithm>
#include <charconv>
#include <cstring>
#include <limits>
#include <set>
#include <utility>

namespace testsupport {

using namespace data;

namespace {

// MySQL column type codes.
enum : std::uint8_t {
    kTiny = 1,
    kShort = 2,
    kLong = 3,
    kFloat = 4,
    kDouble = 5,
    kLongLong = 8,
    kInt24 = 9,
    kYear = 13,
    kVarChar = 15,
    kBit = 16,
    kEnum = 247,
    kSet = 248,
    kTinyBlob = 249,
    kBlob = 252,
    kVarString = 253,
    kString = 254,
    kGeometry = 255,
};

constexpr int kMaxShortText = std::numeric_limits<std::uint16_t>::max();

// Record buffer: the row index and the bookmark flag; the row index is also the bookmark.
constexpr size_t kFlagOffset = sizeof(int32_t);
constexpr size_t kBufferSize = kFlagOffset + 1;

int32_t BufferRow(const TRecordBuffer buffer) {
    int32_t row = 0;
    std::memcpy(&row, buffer, sizeof row);
    return row;
}

bool IsBlobType(std::uint8_t type) {
    return (type >= kTinyBlob && type <= kBlob) || type == kGeometry;
}

bool IsTextType(std::uint8_t type) {
    return type == kVarChar || type == kVarString || type == kString || type == kEnum || type == kSet;
}

struct FieldShape {
    TFieldType type;
    int size;
};

FieldShape ShapeOf(const FetchedColumn& column, const std::vector<FetchedRow>& rows, int index,
                   FieldStyle style) {
    size_t longest = 1;
    for (const FetchedRow& row : rows)
        if (row.at(index)) longest = std::max(longest, row[index]->size());
    const int64_t width = std::max<int64_t>(column.length, static_cast<int64_t>(longest));
    const int size = static_cast<int>(std::min<int64_t>(width, kMaxShortText));
    const bool longValue = width > kMaxShortText;
    const std::uint8_t type = column.typeCode;

    if (IsBlobType(type) || ((IsTextType(type) || column.binary) && longValue))
        return {column.binary ? ftBlob : ftMemo, 0};
    if (type == kBit || (IsTextType(type) && column.binary)) return {ftVarBytes, size};
    if (IsTextType(type) || style == FieldStyle::AsString)
        return {style == FieldStyle::WideText && IsTextType(type) ? ftWideString : ftString, size};
    switch (type) {
    case kTiny:
    case kShort:
    case kLong:
    case kInt24:
    case kYear:
        return {ftLargeint, 0};
    // BIGINT UNSIGNED does not fit a 64-bit signed field: its text keeps every value.
    case kLongLong:
        return column.isUnsigned ? FieldShape{ftString, size} : FieldShape{ftLargeint, 0};
    case kFloat:
    case kDouble:
        return {ftFloat, 0};
    // Decimals, dates and times keep the server's text.
    default:
        return {ftString, size};
    }
}

template <class T>
T ParseNumber(const std::string& text) {
    T value{};
    std::from_chars(text.data(), text.data() + text.size(), value);
    return value;
}

} // namespace

FetchedDataSet::FetchedDataSet(Runner runner, std::string sql, FieldStyle style)
    : RowsDataSet(nullptr), runner_(std::move(runner)), sql_(std::move(sql)), style_(style) {}

FetchedDataSet::~FetchedDataSet() {
    Destroying();
    Close();
}

void FetchedDataSet::Fetch() {
    if (fetched_) return;
    std::vector<FetchedResult> results = runner_(sql_);
    RTL_ASSERT(!results.empty());
    current_ = std::move(results.front());
    pending_.assign(std::make_move_iterator(results.begin() + 1), std::make_move_iterator(results.end()));
    fetched_ = true;
}

void FetchedDataSet::Execute() {
    Close();
    fetched_ = false;
    Fetch();
    if (current_.hasResultSet) Open();
}

void FetchedDataSet::NextResult() {
    RTL_ASSERT(!pending_.empty());
    FetchedResult last = std::move(pending_.back());
    Close();
    current_ = std::move(last);
    pending_.clear();
    fetched_ = true;
    if (current_.hasResultSet) Open();
}

std::vector<FetchedResult> FetchedDataSet::TakePendingResults() {
    return std::exchange(pending_, {});
}

const FetchedColumn& FetchedDataSet::Column(const TField* field) const {
    RTL_ASSERT(field->DataSet() == this);
    return current_.columns.at(field->FieldNo() - 1);
}

// ---- open and close ----

void FetchedDataSet::InternalInitFieldDefs() {
    Fetch();
    FieldDefs().BeginUpdate();
    FieldDefs().Clear();
    // Field names must be unique; a repeated column name gets a suffix.
    std::set<std::string> names;
    for (size_t i = 0; i < current_.columns.size(); ++i) {
        const FetchedColumn& column = current_.columns[i];
        std::string name = column.name;
        for (int n = 1; !names.insert(name).second; ++n)
            name = column.name + "_" + std::to_string(n);
        const FieldShape shape = ShapeOf(column, current_.rows, static_cast<int>(i), style_);
        FieldDefs().Add(name, shape.type, shape.size)->SetMySQLType(column.typeCode, column.isUnsigned);
    }
    FieldDefs().EndUpdate();
    FieldDefs().SetUpdated(true);
}

void FetchedDataSet::InternalOpen() {
    Fetch();
    if (!current_.hasResultSet) DatabaseError("The statement returned no result set", this);
    InternalInitFieldDefs();
    if (DefaultFields()) {
        CreateFields();
        for (int i = 0; i < FieldCount(); ++i)
            Fields()[i]->SetDisplayLabel(current_.columns[i].name);
    }
    BindFields(true);
    SetBookmarkSize(sizeof(int32_t));
    SetCursor(-1);
    open_ = true;
}

void FetchedDataSet::InternalClose() {
    open_ = false;
    fetched_ = false;
    BindFields(false);
    if (DefaultFields()) DestroyFields();
}

// ---- buffers and the cursor ----

size_t FetchedDataSet::RecordBufferSize() const {
    return kBufferSize;
}

void FetchedDataSet::FillRecord(TRecordBuffer buffer, int row) {
    const int32_t index = row;
    std::memcpy(buffer, &index, sizeof index);
    buffer[kFlagOffset] = bfCurrent;
}

void FetchedDataSet::InternalGotoBookmark(const void* bookmark) {
    int32_t row = 0;
    std::memcpy(&row, bookmark, sizeof row);
    SetCursor(row);
}

void FetchedDataSet::InternalSetToRecord(TRecordBuffer buffer) {
    SetCursor(BufferRow(buffer));
}

void FetchedDataSet::GetBookmarkData(TRecordBuffer buffer, void* data) const {
    std::memcpy(data, buffer, sizeof(int32_t));
}

void FetchedDataSet::SetBookmarkData(TRecordBuffer buffer, const void* data) {
    std::memcpy(buffer, data, sizeof(int32_t));
}

TBookmarkFlag FetchedDataSet::GetBookmarkFlag(TRecordBuffer buffer) const {
    return static_cast<TBookmarkFlag>(buffer[kFlagOffset]);
}

void FetchedDataSet::SetBookmarkFlag(TRecordBuffer buffer, TBookmarkFlag flag) {
    buffer[kFlagOffset] = flag;
}

int FetchedDataSet::GetRecNo() const {
    const TRecordBuffer buffer = ActiveBuffer();
    return buffer && !IsEmpty() ? BufferRow(buffer) + 1 : 0;
}

// ---- field data ----

const std::optional<std::string>& FetchedDataSet::CurrentValue(const TField* field) const {
    static const std::optional<std::string> none;
    const TRecordBuffer buffer = State() == dsCalcFields ? CalcBuffer() : ActiveBuffer();
    if (!buffer || IsEmpty()) return none;
    return current_.rows.at(BufferRow(buffer)).at(field->FieldNo() - 1);
}

bool FetchedDataSet::GetFieldData(TField* field, void* buffer) {
    const std::optional<std::string>& value = CurrentValue(field);
    if (!value) return false;
    if (!buffer || field->IsBlob()) return true;
    auto* out = static_cast<uint8_t*>(buffer);
    std::memset(out, 0, field->DataSize());
    const size_t size = field->Size();
    switch (field->DataType()) {
    case ftString:
        std::memcpy(out, value->data(), std::min(value->size(), size));
        break;
    case ftWideString: {
        const std::u16string text = rtl::Utf8ToUtf16(*value);
        std::memcpy(out, text.data(), std::min(text.size(), size) * sizeof(char16_t));
        break;
    }
    case ftVarBytes: {
        const auto length = static_cast<uint16_t>(std::min(value->size(), size));
        std::memcpy(out, &length, sizeof length);
        std::memcpy(out + sizeof length, value->data(), length);
        break;
    }
    case ftLargeint: {
        const int64_t number = ParseNumber<int64_t>(*value);
        std::memcpy(out, &number, sizeof number);
        break;
    }
    case ftFloat: {
        const double number = ParseNumber<double>(*value);
        std::memcpy(out, &number, sizeof number);
        break;
    }
    default:
        RTL_ASSERT_MSG(false, "field type without a fetched layout");
    }
    return true;
}

std::unique_ptr<rtl::TStream> FetchedDataSet::CreateBlobStream(TField* field, TBlobStreamMode mode) {
    if (mode != bmRead) DatabaseError("Cannot modify a read-only dataset", this);
    auto stream = std::make_unique<rtl::TMemoryStream>();
    if (const std::optional<std::string>& value = CurrentValue(field)) stream->WriteString(*value);
    stream->SetPosition(0);
    return stream;
}

} // namespace testsupport
