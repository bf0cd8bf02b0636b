#include "dataaccess/store/uData.h"

#include "dataaccess/store/uBcd.h"
#include "dataaccess/store/uBoolParser.h"
#include "dataaccess/store/uCompressedBlob.h"
#include "dataaccess/store/uDAConsts.h"
#include "dataaccess/store/uDataUtils.h"
#include "dataaccess/store/uMarshal.h"
#include "dataaccess/store/uSharedObject.h"
#include "dataaccess/store/uSortColumn.h"
#include "dataaccess/store/uSQLTimeStamp.h"
#include "platform/data/DataError.h"
#include "platform/rtl/Exception.h"
#include "platform/rtl/Format.h"
#include "platform/rtl/ScopeExit.h"
#include "platform/rtl/Utf.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>

namespace dataaccess {

namespace {

template <class T>
T* LoadRef(const void* slot) {
    return static_cast<T*>(Marshal::LoadPointer(slot));
}

[[noreturn]] void CannotConvert(uint16_t typeCode) {
    throw rtl::EConversionError(rtl::Format(SCannotConvertType, typeCode));
}

template <class T>
T Saturate(int64_t value) {
    return static_cast<T>(
        std::clamp<int64_t>(value, std::numeric_limits<T>::min(), std::numeric_limits<T>::max()));
}

bool IsIntegerVariant(const rtl::Variant& value) {
    return value.Type() == rtl::varInt64 || value.Type() == rtl::varUInt64;
}

// The longest prefix of whole UTF-8 characters within `maxBytes`.
std::string FitAnsi(std::string text, size_t maxBytes) {
    if (text.size() <= maxBytes) return text;
    size_t cut = maxBytes;
    while (cut > 0 && (static_cast<unsigned char>(text[cut]) & 0xC0) == 0x80)
        --cut;
    text.resize(cut);
    return text;
}

// The longest prefix within `maxUnits` that does not split a surrogate pair.
std::u16string FitWide(std::u16string text, size_t maxUnits) {
    if (text.size() <= maxUnits) return text;
    size_t cut = maxUnits;
    if (cut > 0 && text[cut - 1] >= 0xD800 && text[cut - 1] <= 0xDBFF) --cut;
    text.resize(cut);
    return text;
}

// Zero-terminated text, with LF turned into CR LF when asked (an existing CR LF stays).
template <class CharT>
std::basic_string<CharT> ExternalText(const CharT* text, bool convertLineBreaks) {
    std::basic_string<CharT> result;
    for (size_t i = 0; text[i] != CharT(0); ++i) {
        if (convertLineBreaks && text[i] == CharT('\n') && (i == 0 || text[i - 1] != CharT('\r')))
            result += CharT('\r');
        result += text[i];
    }
    return result;
}

std::string TrimRight(std::string text) {
    text.erase(text.find_last_not_of(' ') + 1);
    return text;
}

std::u16string TrimRightWide(std::u16string text) {
    text.erase(text.find_last_not_of(u' ') + 1);
    return text;
}

// Bytes of a byte-array variant (an array of integers 0..255) or of an 8-bit string.
TBytes BytesOfVariant(const rtl::Variant& value) {
    if (value.Type() == rtl::varString) {
        const std::string bytes = value.AsString();
        return TBytes(bytes.begin(), bytes.end());
    }
    RTL_ASSERT_MSG(value.Type() == rtl::varArray, SInvalidVType);
    TBytes bytes;
    for (const rtl::Variant& item : value.AsArray()) {
        RTL_ASSERT_MSG(IsIntegerVariant(item) && item.AsInt64() >= 0 && item.AsInt64() <= 255, SInvalidVType);
        bytes.push_back(static_cast<uint8_t>(item.AsInt64()));
    }
    return bytes;
}

rtl::Variant VariantOfBytes(const uint8_t* bytes, size_t count) {
    rtl::VariantArray items;
    items.reserve(count);
    for (size_t i = 0; i < count; ++i)
        items.emplace_back(bytes[i]);
    return rtl::Variant(std::move(items));
}

// A dtVarBytes or dtExtVarBytes value: its 16-bit length, then the bytes.
size_t VarBytesLength(const void* value) {
    return LoadAs<uint16_t>(value);
}

std::string DecimalTextOf(const rtl::Variant& value, uint16_t typeCode) {
    if (IsIntegerVariant(value)) return value.AsString();
    if (value.Type() == rtl::varDouble) return DecimalText(value.AsDouble());
    if (IsTextVariant(value)) return value.AsString();
    CannotConvert(typeCode);
}

// Restores the blob's current data when a read of its rollback copy ends.
class RollbackView {
public:
    RollbackView(TBlob& blob, bool on) : blob_(on ? &blob : nullptr) {
        if (blob_) blob_->SetViewRollback(true);
    }
    ~RollbackView() {
        if (blob_) blob_->SetViewRollback(false);
    }
    RollbackView(const RollbackView&) = delete;
    RollbackView& operator=(const RollbackView&) = delete;

private:
    TBlob* blob_;
};

} // namespace

void NotifyBusyStart() {
    if (BusyStartHook) BusyStartHook();
}

void NotifyBusyEnd() {
    if (BusyEndHook) BusyEndHook();
}

std::string GetApplicationName() {
    return ApplicationNameHook ? ApplicationNameHook() : std::string();
}

// ---- Life cycle

TData::TData() : filterItemTypes_{isUnmodified, isUpdated, isInserted} {}

TData::~TData() = default;

void TData::InitData() {
    bof_ = true;
    eof_ = true;
    recordCount_ = 0;
    recordNoOffset_ = 0;
}

void TData::Open() {
    if (active_) return;
    rtl::UndoGuard freeData([this] {
        FreeData();
        FreeFilter();
    });
    InitData();
    InternalOpen();
    {
        rtl::UndoGuard internalClose([this] { InternalClose(); });
        ParseFilter();
        internalClose.Dismiss();
    }
    active_ = true;
    freeData.Dismiss();
}

void TData::Close() {
    rtl::Finally(
        [this] {
            if (active_) InternalClose();
        },
        [this] {
            active_ = false;
            FreeData();
            if (autoInitFields_ && !prepared_) ClearFields();
            FreeFilter();
        });
}

void TData::Prepare() {
    InternalPrepare();
    prepared_ = true;
}

void TData::Unprepare() {
    if (!prepared_) return;
    prepared_ = false;
    if (autoInitFields_) ClearFields();
    InternalUnprepare();
}

void TData::Reopen() {
    Close();
    Open();
}

void TData::SetCachedUpdates(bool value) {
    if (value == cachedUpdates_) return;
    if (!value) CancelUpdates();
    cachedUpdates_ = value;
    if (value) SetFilterItemTypes({isUnmodified, isUpdated, isInserted});
}

// ---- Filter

void TData::SetFilterText(const std::string& text) {
    if (text == filterText_) return;
    if (active_) {
        FreeFilter();
        filterExpression_ = TFilterExpression::Parse(text, *this);
    }
    filterText_ = text;
}

bool TData::FilterActive() const {
    return OnFilterRecord || OnMasterDetailFilter || filterExpression_;
}

void TData::ParseFilter() {
    FreeFilter();
    filterExpression_ = TFilterExpression::Parse(filterText_, *this);
}

void TData::FreeFilter() {
    filterExpression_.reset();
}

// ---- Layout

TFieldDesc& TData::FieldByNo(int fieldNo) const {
    RTL_ASSERT(fieldNo >= 1 && fieldNo <= FieldCount());
    return fields_.Items(fieldNo - 1);
}

uint8_t* TData::FieldData(void* record, const TFieldDesc& field) const {
    return static_cast<uint8_t*>(record) + field.RecordOffset;
}

uint8_t* TData::NullByte(void* record, int fieldNo) const {
    return static_cast<uint8_t*>(record) + dataSize_ + fieldNo - 1;
}

TBlob* TData::BlobSlot(void* record, const TFieldDesc& field) {
    return LoadRef<TBlob>(static_cast<uint8_t*>(record) + field.RecordOffset);
}

void TData::ComputeRecordLayout() {
    if (autoInitFields_) {
        ClearFields();
        InternalInitFields();
        if (OnFieldsInitialized) OnFieldsInitialized();
        MakeUniqueNames();
    }
    int32_t size = 0;
    for (int i = 0; i < FieldCount(); ++i) {
        TFieldDesc& field = fields_.Items(i);
        field.FieldNumber = static_cast<uint16_t>(i + 1);
        if (field.OwnerField || field.IsCalculated()) continue;
        if (field.TypeCode == dtWideString && size % 2 != 0) ++size;
        field.RecordOffset = size;
        size += static_cast<int32_t>(field.ByteSize);
    }
    dataSize_ = size;
    // An odd record size keeps every record of a block at an even offset.
    recordSize_ = dataSize_ + NullByteCount();
    if (recordSize_ % 2 == 0) ++recordSize_;

    int32_t calcSize = 0;
    for (const auto& field : fields_) {
        if (field->OwnerField || !field->IsCalculated()) continue;
        if (field->TypeCode == dtWideString && (recordSize_ + calcSize) % 2 != 0) ++calcSize;
        field->RecordOffset = recordSize_ + calcSize;
        calcSize += static_cast<int32_t>(field->ByteSize);
    }
    calcDataSize_ = calcSize;
    calcRecordSize_ = calcDataSize_ != 0 && calcDataSize_ % 2 == 0 ? calcDataSize_ + 1 : calcDataSize_;

    hasComplexFields_ = std::any_of(fields_.begin(), fields_.end(), [this](const auto& field) {
        return IsComplexFieldType(field->TypeCode);
    });
}

namespace {

// A name without its "_<digits>" suffix.
std::string_view BaseName(std::string_view name) {
    const size_t underscore = name.rfind('_');
    if (underscore == std::string_view::npos || underscore + 1 == name.size()) return name;
    const std::string_view suffix = name.substr(underscore + 1);
    const bool digits =
        std::all_of(suffix.begin(), suffix.end(), [](char c) { return c >= '0' && c <= '9'; });
    return digits ? name.substr(0, underscore) : name;
}

// Renames later fields of the sorted list that now carry the same name as sorted[index].
void ResolveClashes(const std::vector<TFieldDesc*>& sorted, size_t index) {
    const std::string name = sorted[index]->FieldName;
    int counter = 1;
    for (size_t j = index + 1; j < sorted.size(); ++j) {
        const int order = CompareTextAnsi(sorted[j]->FieldName, name);
        if (order > 0) break;
        if (order == 0) {
            sorted[j]->FieldName = name + "_" + std::to_string(counter++);
            ResolveClashes(sorted, j);
        }
    }
}

} // namespace

// Equal names become NAME, NAME_1, NAME_2, ...; a new name that clashes with a later field renames
// that field in turn.
void TData::MakeUniqueNames() {
    std::vector<TFieldDesc*> sorted;
    for (const auto& field : fields_)
        if (!field->OwnerField) sorted.push_back(field.get());
    std::stable_sort(sorted.begin(), sorted.end(), [](const TFieldDesc* a, const TFieldDesc* b) {
        return CompareTextAnsi(a->FieldName, b->FieldName) < 0;
    });
    for (size_t i = 0; i + 1 < sorted.size(); ++i)
        if (CompareTextAnsi(sorted[i]->FieldName, sorted[i + 1]->FieldName) == 0)
            sorted[i]->HasDuplicateName = sorted[i + 1]->HasDuplicateName = true;

    int n = 0;
    for (size_t i = 0; i < sorted.size(); ++i) {
        TFieldDesc& field = *sorted[i];
        if (!field.HasDuplicateName && !field.FieldName.empty()) {
            n = 0;
            continue;
        }
        if (n > 1 && CompareTextAnsi(BaseName(sorted[i - 1]->FieldName), field.FieldName) != 0) n = 0;
        if (n > 0 || field.FieldName.empty()) {
            field.FieldName += "_" + std::to_string(n);
            ResolveClashes(sorted, i);
        }
        ++n;
    }
}

// ---- Record buffers

void* TData::NewRecordBuffer() const {
    return Marshal::AllocBlock(static_cast<size_t>(recordSize_));
}

void TData::DisposeRecordBuffer(void* record) const {
    Marshal::FreeBlock(record);
}

void TData::InitRecord(void* record) const {
    if (hasComplexFields_) std::memset(record, 0, static_cast<size_t>(recordSize_));
    std::memset(NullByte(record, 1), 1, static_cast<size_t>(NullByteCount()));
}

// ---- Field values

bool TData::IsFieldNull(int fieldNo, void* record) const {
    const TFieldDesc& field = FieldByNo(fieldNo);
    RTL_ASSERT_MSG(!field.OwnerField, "Child fields are read through their parent");
    uint8_t* nullByte = NullByte(record, fieldNo);
    if (*nullByte != 1) return false;
    if (IsBlobFieldType(field.TypeCode)) {
        TBlob* blob = BlobSlot(record, field);
        if (blob && blob->GetSize() > 0) {
            *nullByte = 0;
            return false;
        }
    }
    return true;
}

void TData::SetFieldNull(int fieldNo, void* record, bool isNull) {
    const TFieldDesc& field = FieldByNo(fieldNo);
    *NullByte(record, fieldNo) = isNull ? 1 : 0;
    if (isNull && IsBlobFieldType(field.TypeCode))
        if (TBlob* blob = BlobSlot(record, field)) blob->Clear();
}

void TData::ReadFieldByNo(int fieldNo, void* record, bool& isNull, void* destination) const {
    const TFieldDesc& field = FieldByNo(fieldNo);
    isNull = IsFieldNull(fieldNo, record);
    if (!destination) return;
    if (isNull && field.TypeCode != dtVariant && !IsBlobFieldType(field.TypeCode)) return;
    ConvertToExternal(field, FieldData(record, field), destination);
    if (isNull || (field.TypeCode != dtString && field.TypeCode != dtWideString)) return;
    const bool trim = field.FixedChar ? trimFixedChar_ : trimVarChar_;
    if (!trim) return;
    const int length = field.FixedChar ? static_cast<int>(field.ValueLength) : -1;
    if (field.TypeCode == dtString)
        TrimTrailingAnsi(static_cast<char*>(destination), length);
    else
        TrimTrailingWide(static_cast<char16_t*>(destination), length);
}

void TData::WriteFieldByNo(int fieldNo, void* record, const void* value) {
    const TFieldDesc& field = FieldByNo(fieldNo);
    bool empty = false;
    if (value && !enableEmptyStrings_) {
        if (field.TypeCode == dtString || field.TypeCode == dtExtString)
            empty = *static_cast<const char*>(value) == '\0';
        else if (field.TypeCode == dtWideString || field.TypeCode == dtExtWideString)
            empty = *static_cast<const char16_t*>(value) == u'\0';
    }
    if (!value || empty) {
        SetFieldNull(fieldNo, record, true);
        return;
    }
    ConvertToInternal(field, value, FieldData(record, field));
    *NullByte(record, fieldNo) = 0;
}

void TData::ConvertToExternal(const TFieldDesc& field, void* source, void* destination) const {
    switch (field.TypeCode) {
    case dtString:
    case dtGuid: {
        const std::string text = Marshal::AnsiFromBuffer(static_cast<const char*>(source));
        std::memcpy(destination, text.c_str(), text.size() + 1);
        break;
    }
    case dtWideString: {
        const std::u16string text = Marshal::WideFromBuffer(static_cast<const char16_t*>(source));
        std::memcpy(destination, text.c_str(), (text.size() + 1) * sizeof(char16_t));
        break;
    }
    case dtDate:
        DateTimeToExternal(3, LoadAs<double>(source), destination);
        break;
    case dtTime:
        DateTimeToExternal(2, LoadAs<double>(source), destination);
        break;
    case dtDateTime:
        DateTimeToExternal(0, LoadAs<double>(source), destination);
        break;
    case dtVariant: {
        const auto* object = LoadRef<TVariantObject>(source);
        *static_cast<rtl::Variant*>(destination) = object ? object->Value : rtl::Variant::Null();
        break;
    }
    case dtExtString: {
        const char* text = LoadRef<const char>(source);
        const size_t length = text ? std::strlen(text) : 0;
        std::memcpy(destination, text ? text : "", length + 1);
        break;
    }
    case dtExtWideString: {
        const char16_t* text = LoadRef<const char16_t>(source);
        const std::u16string copy = text ? Marshal::WideFromBuffer(text) : std::u16string();
        std::memcpy(destination, copy.c_str(), (copy.size() + 1) * sizeof(char16_t));
        break;
    }
    case dtExtVarBytes: {
        const uint8_t* buffer = LoadRef<const uint8_t>(source);
        if (buffer)
            std::memcpy(destination, buffer, kVarBytesLengthSize + VarBytesLength(buffer));
        else
            StoreAs<uint16_t>(destination, 0);
        break;
    }
    case dtUInt32:
        StoreAs<uint64_t>(destination, LoadAs<uint32_t>(source));
        break;
    case dtInt8:
    case dtInt16:
    case dtInt32:
    case dtFloat:
    case dtUInt16:
    case dtBoolean:
    case dtInt64:
    case dtCurrency:
    case dtBlob:
    case dtMemo:
    case dtWideMemo:
    case dtBytes:
    case dtVarBytes:
    case dtBCD:
    case dtFMTBCD:
    case dtSQLTimeStamp:
        std::memcpy(destination, source, field.ByteSize);
        break;
    default:
        CannotConvert(field.TypeCode);
    }
}

void TData::ConvertToInternal(const TFieldDesc& field, const void* value, void* destination) {
    const bool lineBreaks = GetConvertLineBreaks();
    switch (field.TypeCode) {
    case dtString: {
        const std::string text =
            FitAnsi(ExternalText(static_cast<const char*>(value), lineBreaks), field.ByteSize - 1);
        std::memcpy(destination, text.c_str(), text.size() + 1);
        break;
    }
    case dtWideString: {
        const std::u16string text =
            FitWide(ExternalText(static_cast<const char16_t*>(value), lineBreaks), field.ByteSize / 2 - 1);
        std::memcpy(destination, text.c_str(), (text.size() + 1) * sizeof(char16_t));
        break;
    }
    case dtFloat: {
        const double number = LoadAs<double>(value);
        StoreAs<double>(destination,
                        field.DecimalPlaces > 0 ? RoundToScale(number, field.DecimalPlaces) : number);
        break;
    }
    case dtDate:
        StoreAs<double>(destination, DateTimeToInternal(3, value));
        break;
    case dtTime:
        StoreAs<double>(destination, DateTimeToInternal(2, value));
        break;
    case dtDateTime:
        StoreAs<double>(destination, DateTimeToInternal(0, value));
        break;
    case dtVariant: {
        auto* object = LoadRef<TVariantObject>(destination);
        RTL_ASSERT(object);
        object->Value = *static_cast<const rtl::Variant*>(value);
        break;
    }
    case dtExtString:
        WriteHeapText(destination, ExternalText(static_cast<const char*>(value), lineBreaks));
        break;
    case dtExtWideString:
        WriteHeapWide(destination, ExternalText(static_cast<const char16_t*>(value), lineBreaks));
        break;
    case dtExtVarBytes: {
        const auto* bytes = static_cast<const uint8_t*>(value);
        WriteHeapBytes(destination, TBytes(bytes + kVarBytesLengthSize,
                                           bytes + kVarBytesLengthSize + VarBytesLength(bytes)));
        break;
    }
    case dtUInt32:
        StoreAs<uint32_t>(destination, static_cast<uint32_t>(LoadAs<uint64_t>(value)));
        break;
    default:
        std::memcpy(destination, value, field.ByteSize);
        break;
    }
}

void TData::WriteHeapText(void* slot, const std::string& text) {
    stringHeap_.DisposeBuf(Marshal::LoadPointer(slot));
    Marshal::StorePointer(slot, stringHeap_.AllocAnsi(text.c_str(), static_cast<int>(text.size())));
}

void TData::WriteHeapWide(void* slot, const std::u16string& text) {
    stringHeap_.DisposeBuf(Marshal::LoadPointer(slot));
    Marshal::StorePointer(slot, stringHeap_.AllocWide(text.c_str(), static_cast<int>(text.size())));
}

void TData::WriteHeapBytes(void* slot, const TBytes& bytes) {
    RTL_ASSERT_MSG(bytes.size() <= std::numeric_limits<uint16_t>::max(), SInvalidDataSize);
    stringHeap_.DisposeBuf(Marshal::LoadPointer(slot));
    auto* buffer =
        static_cast<uint8_t*>(stringHeap_.NewBuf(static_cast<int>(kVarBytesLengthSize + bytes.size())));
    StoreAs<uint16_t>(buffer, static_cast<uint16_t>(bytes.size()));
    if (!bytes.empty()) std::memcpy(buffer + kVarBytesLengthSize, bytes.data(), bytes.size());
    Marshal::StorePointer(slot, buffer);
}

rtl::Variant TData::ReadFieldAsVariant(int fieldNo, void* record) const {
    if (IsFieldNull(fieldNo, record)) return rtl::Variant::Null();
    const TFieldDesc& field = FieldByNo(fieldNo);
    void* data = FieldData(record, field);
    const bool trim = field.FixedChar ? trimFixedChar_ : trimVarChar_;
    switch (field.TypeCode) {
    case dtString: {
        std::string text = Marshal::AnsiFromBuffer(static_cast<const char*>(data));
        return trim ? TrimRight(std::move(text)) : text;
    }
    case dtWideString: {
        std::u16string text = Marshal::WideFromBuffer(static_cast<const char16_t*>(data));
        return trim ? TrimRightWide(std::move(text)) : text;
    }
    case dtGuid:
        return Marshal::AnsiFromBuffer(static_cast<const char*>(data));
    case dtExtString: {
        const char* text = LoadRef<const char>(data);
        return std::string(text ? text : "");
    }
    case dtExtWideString: {
        const char16_t* text = LoadRef<const char16_t>(data);
        return text ? Marshal::WideFromBuffer(text) : std::u16string();
    }
    case dtInt8:
        return field.ByteSize >= 2 ? rtl::Variant(LoadAs<int16_t>(data)) : rtl::Variant(LoadAs<int8_t>(data));
    case dtInt16:
        return LoadAs<int16_t>(data);
    case dtInt32:
        return LoadAs<int32_t>(data);
    case dtUInt16:
        return LoadAs<uint16_t>(data);
    case dtUInt32:
        return LoadAs<uint32_t>(data);
    case dtInt64:
        return LoadAs<int64_t>(data);
    case dtFloat:
    case dtCurrency:
        return LoadAs<double>(data);
    case dtDate:
    case dtTime:
    case dtDateTime:
        return rtl::Variant::FromDateTime(LoadAs<double>(data));
    case dtBoolean:
        return LoadAs<int16_t>(data) != 0;
    case dtBlob:
    case dtMemo:
        return BlobOfField(fieldNo, record)->ReadAsAnsi();
    case dtWideMemo:
        return BlobOfField(fieldNo, record)->ReadAsWide();
    case dtVariant: {
        const auto* object = LoadRef<TVariantObject>(data);
        return object ? object->Value : rtl::Variant::Null();
    }
    case dtBytes:
        return VariantOfBytes(static_cast<const uint8_t*>(data), field.ByteSize);
    case dtVarBytes:
        return VariantOfBytes(static_cast<const uint8_t*>(data) + kVarBytesLengthSize, VarBytesLength(data));
    case dtExtVarBytes: {
        const uint8_t* buffer = LoadRef<const uint8_t>(data);
        return buffer ? VariantOfBytes(buffer + kVarBytesLengthSize, VarBytesLength(buffer))
                      : rtl::Variant(rtl::VariantArray());
    }
    case dtBCD:
        return static_cast<double>(LoadAs<int64_t>(data)) / 10000.0;
    case dtFMTBCD:
        return BcdToText(LoadAs<TBcd>(data));
    case dtSQLTimeStamp:
        return rtl::Variant::FromDateTime(SQLTimeStampToDateTime(LoadAs<TSQLTimeStamp>(data)));
    default:
        CannotConvert(field.TypeCode);
    }
}

void TData::WriteFieldAsVariant(int fieldNo, void* record, const rtl::Variant& value) {
    const TFieldDesc& field = FieldByNo(fieldNo);
    RTL_ASSERT_MSG(!field.OwnerField, "Child fields are written through their parent");
    if (value.IsNull() || value.IsEmpty()) {
        SetFieldNull(fieldNo, record, true);
        return;
    }
    void* data = FieldData(record, field);
    const uint16_t type = field.TypeCode;
    const auto requireInteger = [&] {
        if (!IsIntegerVariant(value)) CannotConvert(type);
    };
    switch (type) {
    case dtString:
    case dtGuid: {
        const std::string text = FitAnsi(value.AsString(), field.ByteSize - 1);
        std::memcpy(data, text.c_str(), text.size() + 1);
        break;
    }
    case dtWideString: {
        const std::u16string text = FitWide(value.AsWideString(), field.ByteSize / 2 - 1);
        std::memcpy(data, text.c_str(), (text.size() + 1) * sizeof(char16_t));
        break;
    }
    case dtInt8:
        requireInteger();
        if (field.ByteSize >= 2)
            StoreAs(data, Saturate<int16_t>(value.AsInt64()));
        else
            StoreAs(data, Saturate<int8_t>(value.AsInt64()));
        break;
    case dtInt16:
        requireInteger();
        StoreAs(data, Saturate<int16_t>(value.AsInt64()));
        break;
    case dtUInt16:
        requireInteger();
        StoreAs(data, Saturate<uint16_t>(value.AsInt64()));
        break;
    case dtInt32:
        if (!IsIntegerVariant(value) && value.Type() != rtl::varDouble && !IsTextVariant(value))
            CannotConvert(type);
        StoreAs(data, Saturate<int32_t>(value.AsInt64()));
        break;
    case dtFloat:
    case dtCurrency: {
        if (!IsIntegerVariant(value) && value.Type() != rtl::varDouble && !IsTextVariant(value))
            CannotConvert(type);
        const double number = value.AsDouble();
        StoreAs(data, field.DecimalPlaces > 0 ? RoundToScale(number, field.DecimalPlaces) : number);
        break;
    }
    case dtDate:
    case dtTime:
    case dtDateTime:
        StoreAs(data, value.AsDateTime());
        break;
    case dtBoolean:
        if (value.Type() != rtl::varBoolean) CannotConvert(type);
        StoreAs<int16_t>(data, value.AsBoolean() ? 1 : 0);
        break;
    case dtInt64:
        requireInteger();
        StoreAs(data, value.AsInt64());
        break;
    case dtUInt32:
        requireInteger();
        StoreAs(data, Saturate<uint32_t>(value.AsInt64()));
        break;
    case dtBlob:
    case dtMemo:
        BlobOfField(fieldNo, record)->WriteAsAnsi(value.AsString());
        break;
    case dtWideMemo:
        BlobOfField(fieldNo, record)->WriteAsWide(value.AsWideString());
        break;
    case dtVariant: {
        auto* object = LoadRef<TVariantObject>(data);
        RTL_ASSERT(object);
        object->Value = value;
        break;
    }
    case dtExtString:
        WriteHeapText(data, value.AsString());
        break;
    case dtExtWideString:
        WriteHeapWide(data, value.AsWideString());
        break;
    case dtBytes: {
        const TBytes bytes = BytesOfVariant(value);
        RTL_ASSERT_MSG(bytes.size() == field.ByteSize, SInvalidDataSize);
        std::memcpy(data, bytes.data(), bytes.size());
        break;
    }
    case dtVarBytes: {
        const TBytes bytes = BytesOfVariant(value);
        RTL_ASSERT_MSG(bytes.size() <= field.ValueLength, SInvalidDataSize);
        StoreAs<uint16_t>(data, static_cast<uint16_t>(bytes.size()));
        if (!bytes.empty())
            std::memcpy(static_cast<uint8_t*>(data) + kVarBytesLengthSize, bytes.data(), bytes.size());
        break;
    }
    case dtExtVarBytes:
        WriteHeapBytes(data, BytesOfVariant(value));
        break;
    case dtBCD:
        StoreAs(data, ScaledInteger(DecimalTextOf(value, type), 4));
        break;
    case dtFMTBCD:
        StoreAs(data, BcdFromText(DecimalTextOf(value, type)));
        break;
    case dtSQLTimeStamp:
        StoreAs(data, DateTimeToSQLTimeStamp(value.AsDateTime()));
        break;
    default:
        CannotConvert(type);
    }
    *NullByte(record, fieldNo) = 0;
}

void TData::DateTimeToExternal(int mode, rtl::TDateTime value, void* destination) const {
    switch (mode) {
    case 0: {
        const TTimeStamp stamp = DateTimeToTimeStamp(value);
        StoreAs<double>(destination, static_cast<double>(stamp.Date) * kMSecsPerDay + stamp.Time);
        break;
    }
    case 1:
        StoreAs<double>(destination, value);
        break;
    case 2:
        StoreAs<int32_t>(destination, DateTimeToTimeStamp(value).Time);
        break;
    case 3:
        StoreAs<int32_t>(destination, DateTimeToTimeStamp(value).Date);
        break;
    default:
        break;
    }
}

rtl::TDateTime TData::DateTimeToInternal(int mode, const void* value) const {
    switch (mode) {
    case 0: {
        const double milliseconds = LoadAs<double>(value);
        const double days = std::floor(milliseconds / kMSecsPerDay);
        TTimeStamp stamp;
        stamp.Date = static_cast<int32_t>(days);
        stamp.Time = static_cast<int32_t>(milliseconds - days * kMSecsPerDay);
        return StampToDateTime(stamp);
    }
    case 1:
        return LoadAs<double>(value);
    case 2:
        return StampToDateTime({LoadAs<int32_t>(value), kDateDelta});
    case 3:
        return StampToDateTime({0, LoadAs<int32_t>(value)});
    default:
        return 0;
    }
}

bool TData::IsBlobFieldType(uint16_t typeCode) const {
    return IsBlobType(typeCode);
}

bool TData::IsComplexFieldType(uint16_t typeCode) const {
    return typeCode == dtVariant || IsHeapType(typeCode) || IsBlobFieldType(typeCode);
}

// ---- Complex values

void TData::CreateComplexFields(void* record, bool withBlobs) {
    for (int i = 0; i < FieldCount(); ++i)
        CreateComplexField(record, i, withBlobs);
}

void TData::CreateComplexField(void* record, int index, bool withBlobs) {
    const TFieldDesc& field = fields_.Items(index);
    if (field.OwnerField || field.IsCalculated() || !IsComplexFieldType(field.TypeCode)) return;
    void* slot = FieldData(record, field);
    if (IsBlobFieldType(field.TypeCode)) {
        if (!withBlobs) return;
        TBlob* blob = new TCompressedBlob(field.TypeCode == dtWideMemo);
        blob->EnableRollback();
        Marshal::StorePointer(slot, blob);
    } else if (field.TypeCode == dtVariant) {
        Marshal::StorePointer(slot, new TVariantObject);
    } else {
        Marshal::StorePointer(slot, nullptr);
    }
}

void TData::FreeComplexFields(void* record, bool withBlobs) {
    for (const auto& field : fields_) {
        if (field->OwnerField || field->IsCalculated() || !IsComplexFieldType(field->TypeCode)) continue;
        void* slot = FieldData(record, *field);
        void* value = Marshal::LoadPointer(slot);
        if (!value) continue;
        bool last;
        if (IsBlobFieldType(field->TypeCode)) {
            if (!withBlobs) continue;
            auto* blob = static_cast<TBlob*>(value);
            last = blob->RefCount() == 1;
            blob->Release();
        } else if (field->TypeCode == dtVariant) {
            auto* object = static_cast<TVariantObject*>(value);
            last = object->RefCount() == 1;
            object->Release();
        } else {
            // A cleared heap took its buffers with it.
            if (stringHeap_.Empty()) continue;
            last = TStringHeap::BufRefCount(value) == kRefCountOne;
            stringHeap_.DisposeBuf(value);
        }
        if (last) Marshal::StorePointer(slot, nullptr);
    }
}

void TData::CopyComplexFields(void* source, void* destination) {
    for (const auto& field : fields_) {
        if (field->OwnerField || field->IsCalculated() || IsBlobFieldType(field->TypeCode)) continue;
        const void* value = Marshal::LoadPointer(FieldData(source, *field));
        void* slot = FieldData(destination, *field);
        switch (field->TypeCode) {
        case dtVariant: {
            auto* target = LoadRef<TVariantObject>(slot);
            RTL_ASSERT(target);
            target->Value = value ? static_cast<const TVariantObject*>(value)->Value : rtl::Variant();
            break;
        }
        case dtExtString:
            Marshal::StorePointer(slot, stringHeap_.AllocAnsi(static_cast<const char*>(value)));
            break;
        case dtExtWideString:
            Marshal::StorePointer(slot, stringHeap_.AllocWide(static_cast<const char16_t*>(value)));
            break;
        case dtExtVarBytes:
            Marshal::StorePointer(slot, nullptr);
            if (value) {
                const auto* bytes = static_cast<const uint8_t*>(value);
                WriteHeapBytes(slot, TBytes(bytes + kVarBytesLengthSize,
                                            bytes + kVarBytesLengthSize + VarBytesLength(bytes)));
            }
            break;
        default:
            break;
        }
    }
}

void TData::AddRefComplexFields(void* record) {
    for (const auto& field : fields_) {
        if (field->OwnerField || field->IsCalculated() || !IsComplexFieldType(field->TypeCode)) continue;
        void* value = Marshal::LoadPointer(FieldData(record, *field));
        if (IsBlobFieldType(field->TypeCode)) {
            if (!value)
                rtl::AssertionFailed(rtl::Format("Shared object for %s=nil", field->FieldName).c_str(),
                                     __FILE__, __LINE__);
            static_cast<TBlob*>(value)->AddRef();
        } else if (field->TypeCode == dtVariant) {
            if (value) static_cast<TVariantObject*>(value)->AddRef();
        } else {
            stringHeap_.AddRefStr(value);
        }
    }
}

void TData::EditRecord(void* record) {
    for (const auto& field : fields_) {
        if (field->OwnerField || field->IsCalculated() || field->TypeCode != dtVariant) continue;
        // The stored row keeps its variant object; the buffer gets one of its own.
        void* slot = FieldData(record, *field);
        const auto* object = LoadRef<TVariantObject>(slot);
        Marshal::StorePointer(slot, new TVariantObject(object ? object->Value : rtl::Variant()));
    }
    CopyComplexFields(record, record);
}

void TData::PostEditedRecord(void* record) {
    void* previous = NewRecordBuffer();
    const rtl::ScopeExit dispose([&] { DisposeRecordBuffer(previous); });
    GetRecord(previous);
    UpdateRecord(record);
    for (const auto& field : fields_)
        if (!field->OwnerField && IsBlobFieldType(field->TypeCode))
            if (TBlob* blob = BlobSlot(record, *field)) blob->CommitRollback();
    FreeComplexFields(previous, false);
}

void TData::CancelRecord(void* record) {
    for (const auto& field : fields_)
        if (!field->OwnerField && IsBlobFieldType(field->TypeCode))
            if (TBlob* blob = BlobSlot(record, *field)) blob->CancelRollback();
    FreeComplexFields(record, false);
}

// ---- Blobs

TBlob* TData::BlobOfField(int fieldNo, void* record) const {
    const TFieldDesc& field = FieldByNo(fieldNo);
    if (!IsBlobFieldType(field.TypeCode)) data::DatabaseError(SFieldNotBlob);
    TBlob* blob = BlobSlot(record, field);
    if (!blob)
        rtl::AssertionFailed(rtl::Format("Object for field %s(%d) = nil", field.FieldName, fieldNo).c_str(),
                             __FILE__, __LINE__);
    return blob;
}

uint32_t TData::ReadBlob(int fieldNo, void* record, uint32_t position, uint32_t count, void* destination,
                         bool raw, bool fromRollback) const {
    TBlob* blob = BlobOfField(fieldNo, record);
    const RollbackView view(*blob, fromRollback);
    if (raw || !blob->IsUnicode()) return blob->Read(position, count, destination);
    const std::string text = blob->ReadAsAnsi();
    if (position >= text.size()) return 0;
    const size_t available = text.size() - position;
    const size_t n = count == 0 ? available : std::min<size_t>(count, available);
    std::memcpy(destination, text.data() + position, n);
    return static_cast<uint32_t>(n);
}

void TData::WriteBlob(int fieldNo, void* record, uint32_t position, uint32_t count, const void* source,
                      bool raw) {
    TBlob* blob = BlobOfField(fieldNo, record);
    blob->EnableRollback();
    if (raw || !blob->IsUnicode()) {
        blob->Write(position, count, source);
    } else {
        // The bytes replace as many bytes of the 8-bit text as an 8-bit blob would.
        const std::string text = blob->ReadAsAnsi();
        const size_t at = std::min<size_t>(position, text.size());
        std::string changed = text.substr(0, at);
        changed.append(static_cast<const char*>(source), count);
        if (at + count < text.size()) changed += text.substr(at + count);
        blob->WriteAsAnsi(changed);
    }
    *NullByte(record, fieldNo) = 0;
}

void TData::TruncateBlob(int fieldNo, void* record, uint32_t size, bool raw) {
    TBlob* blob = BlobOfField(fieldNo, record);
    blob->EnableRollback();
    if (size == 0) {
        SetFieldNull(fieldNo, record, true);
    } else if (raw || !blob->IsUnicode()) {
        blob->Truncate(size);
    } else {
        const std::string text = blob->ReadAsAnsi();
        if (size < text.size()) blob->WriteAsAnsi(FitAnsi(text, size));
    }
}

uint32_t TData::GetBlobSize(int fieldNo, void* record, bool raw, bool fromRollback) const {
    if (IsFieldNull(fieldNo, record)) return 0;
    TBlob* blob = BlobOfField(fieldNo, record);
    const RollbackView view(*blob, fromRollback);
    return raw || !blob->IsUnicode() ? blob->GetSize() : blob->GetAnsiSize();
}

void TData::SetBlobSize(int fieldNo, void* record, uint32_t size, bool raw) {
    TBlob* blob = BlobOfField(fieldNo, record);
    if (size <= GetBlobSize(fieldNo, record, raw)) {
        TruncateBlob(fieldNo, record, size, raw);
        return;
    }
    blob->EnableRollback();
    if (raw || !blob->IsUnicode()) {
        blob->SetSize(size);
    } else {
        std::string text = blob->ReadAsAnsi();
        text.resize(size, '\0');
        blob->WriteAsAnsi(text);
    }
    *NullByte(record, fieldNo) = 0;
}

// ---- Rows and bookmarks

void TData::SetToBegin() {
    bof_ = true;
    eof_ = false;
}

void TData::SetToEnd() {
    eof_ = true;
    bof_ = false;
}

void TData::GetBookmark(TRecBookmark& bookmark) {
    bookmark.RecordNo = GetRecordNo();
}

void TData::SetToBookmark(const TRecBookmark& bookmark) {
    if (bookmark.RecordNo != -1) SetRecordNo(bookmark.RecordNo);
}

bool TData::BookmarkValid(const TRecBookmark* bookmark) {
    return bookmark && bookmark->RecordNo != -1;
}

int TData::CompareBookmarks(const TRecBookmark* a, const TRecBookmark* b) {
    if (!a && !b) return 0;
    if (!b) return -1;
    if (!a) return 1;
    return a->RecordNo == b->RecordNo ? 0 : (a->RecordNo < b->RecordNo ? -1 : 1);
}

void TData::DoInsert(void* record) {
    if (OnInsertRecord) OnInsertRecord(record);
}

void TData::DoDelete() {
    if (OnDeleteRecord) OnDeleteRecord();
}

void TData::DoUpdate(void* record) {
    if (OnUpdateRecord) OnUpdateRecord(record);
}

void TData::DoApplyRecord(TUpdateRecKind kind, TUpdateRecAction& action, bool lastItem) {
    if (OnApplyRecord) OnApplyRecord(kind, action, lastItem);
}

// ---- Comparable values

TComparableValue TData::GetComparableValue(void* record, const TFieldDesc& field) const {
    TComparableValue result;
    result.Type = field.TypeCode;
    result.IsNull = IsFieldNull(field.FieldNumber, record);
    void* data = FieldData(record, field);
    result.Value = data;
    const auto keep = [&result](const void* bytes, size_t count) {
        result.Temp.assign(static_cast<const uint8_t*>(bytes), static_cast<const uint8_t*>(bytes) + count);
        result.Value = result.Temp.data();
    };
    switch (field.TypeCode) {
    case dtExtString:
    case dtExtWideString: {
        result.Type = field.TypeCode == dtExtString ? dtString : dtWideString;
        const void* text = Marshal::LoadPointer(data);
        static const char16_t kEmpty[1] = {0};
        result.Value = text ? text : kEmpty;
        break;
    }
    case dtBytes: {
        std::vector<uint8_t> bytes(kVarBytesLengthSize + field.ByteSize);
        StoreAs<uint16_t>(bytes.data(), static_cast<uint16_t>(field.ByteSize));
        std::memcpy(bytes.data() + kVarBytesLengthSize, data, field.ByteSize);
        keep(bytes.data(), bytes.size());
        break;
    }
    case dtExtVarBytes: {
        const void* buffer = Marshal::LoadPointer(data);
        static const uint8_t kNoBytes[kVarBytesLengthSize] = {0, 0};
        result.Value = buffer ? buffer : kNoBytes;
        break;
    }
    case dtBCD: {
        const double amount = static_cast<double>(LoadAs<int64_t>(data)) / 10000.0;
        keep(&amount, sizeof amount);
        break;
    }
    case dtBlob:
    case dtMemo:
    case dtWideMemo: {
        result.Type = dtString;
        const TBlob* blob = BlobSlot(record, field);
        const std::string text = blob ? const_cast<TBlob*>(blob)->ReadAsAnsi() : std::string();
        keep(text.c_str(), text.size() + 1);
        break;
    }
    default:
        break;
    }
    return result;
}

} // namespace dataaccess
