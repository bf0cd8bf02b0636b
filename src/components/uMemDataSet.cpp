#include "components/uMemDataSet.h"

#include "components/uDADataSetUpdater.h"
#include "components/uDASQLHelpers.h"

#include "dataaccess/store/uBlob.h"
#include "dataaccess/store/uDataUtils.h"
#include "dataaccess/store/uFieldDesc.h"
#include "dataaccess/store/uMarshal.h"
#include "dataaccess/store/uMemData.h"
#include "dataaccess/store/uXMLWriter.h"
#include "platform/data/DataError.h"
#include "platform/rtl/DateTime.h"
#include "platform/rtl/Exception.h"
#include "platform/rtl/Format.h"
#include "platform/rtl/ScopeExit.h"
#include "platform/rtl/Utf.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <functional>
#include <limits>

namespace components {

using namespace data;
using dataaccess::LoadAs;
using dataaccess::StoreAs;
using dataaccess::TFieldDesc;
using dataaccess::TRecBookmark;

namespace {

// Default expressions are SQL literals: '...' is unquoted before it is assigned.
constexpr bool kTypedDefaults = false;
// Every open ends with a data-set change event.
constexpr bool kChangeNoticeAfterOpen = true;

constexpr char kFieldReadOnly[] = "Field '%s' cannot be modified";
constexpr char kNotEditing[] = "Dataset not in edit or insert mode";

// The store gives dates and times in the server layer's native forms; fields hold date-time doubles.
int DateTimeMode(uint16_t typeCode) {
    switch (typeCode) {
    case dataaccess::dtDate:
        return 3;
    case dataaccess::dtTime:
        return 2;
    case dataaccess::dtDateTime:
        return 0;
    default:
        return -1;
    }
}

TRecBookmark BookmarkAt(const void* data) {
    return LoadAs<TRecBookmark>(data);
}

bool IsCalcKind(const TField* field) {
    return field->FieldKind() == fkCalculated || field->FieldKind() == fkLookup;
}

// 10^digits - 1 within [0, limit].
int64_t DecimalMax(int digits, int64_t limit) {
    int64_t value = 0;
    for (int i = 0; i < digits; ++i) {
        if (value > (limit - 9) / 10) return limit;
        value = value * 10 + 9;
    }
    return value;
}

} // namespace

// ---- TDataTypesMap

TFieldType TDataTypesMap::GetFieldType(uint16_t dataType) const {
    using namespace dataaccess;
    switch (dataType) {
    case dtUnknown:
        return ftUnknown;
    case dtString:
    case dtExtString:
        return ftString;
    case dtInt8:
    case dtInt16:
        return ftSmallint;
    case dtInt32:
        return ftInteger;
    case dtFloat:
        return ftFloat;
    case dtDate:
        return ftDate;
    case dtTime:
        return ftTime;
    case dtDateTime:
        return ftDateTime;
    case dtUInt16:
        return ftWord;
    case dtBoolean:
        return ftBoolean;
    case dtInt64:
    case dtUInt32:
        return ftLargeint;
    case dtCurrency:
        return ftCurrency;
    case dtBlob:
        return ftBlob;
    case dtMemo:
    case dtWideMemo:
        return ftMemo;
    case dtObject:
        return ftADT;
    case dtReference:
        return ftReference;
    case dtArray:
        return ftArray;
    case dtTable:
        return ftDataSet;
    case dtVariant:
        return ftVariant;
    case dtBytes:
        return ftBytes;
    case dtVarBytes:
    case dtExtVarBytes:
        return ftVarBytes;
    case dtWideString:
    case dtExtWideString:
        return ftWideString;
    case dtBCD:
        return ftBCD;
    case dtFMTBCD:
        return ftFMTBcd;
    case dtGuid:
        return ftGuid;
    case dtCursor:
        return ftCursor;
    default:
        RTL_ASSERT_MSG(false, "Unknown data type");
        return ftUnknown;
    }
}

uint16_t TDataTypesMap::GetDataType(TFieldType fieldType) const {
    using namespace dataaccess;
    switch (fieldType) {
    case ftString:
    case ftFixedChar:
        return dtString;
    case ftSmallint:
        return dtInt16;
    case ftInteger:
    case ftAutoInc:
        return dtInt32;
    case ftWord:
        return dtUInt16;
    case ftBoolean:
        return dtBoolean;
    case ftFloat:
        return dtFloat;
    case ftCurrency:
        return dtCurrency;
    case ftBCD:
        return dtBCD;
    case ftDate:
        return dtDate;
    case ftTime:
        return dtTime;
    case ftDateTime:
        return dtDateTime;
    case ftBytes:
        return dtBytes;
    case ftVarBytes:
        return dtVarBytes;
    case ftBlob:
        return dtBlob;
    case ftMemo:
        return dtMemo;
    case ftCursor:
        return dtCursor;
    case ftWideString:
        return dtWideString;
    case ftLargeint:
        return dtInt64;
    case ftADT:
        return dtObject;
    case ftArray:
        return dtArray;
    case ftReference:
        return dtReference;
    case ftDataSet:
        return dtTable;
    case ftVariant:
        return dtVariant;
    case ftGuid:
        return dtGuid;
    case ftFMTBcd:
        return dtFMTBCD;
    default:
        return dtUnknown;
    }
}

const TDataTypesMap& TDataTypesMap::Instance() {
    static const TDataTypesMap map;
    return map;
}

// ---- TDataSetService

TFieldClass TDataSetService::GetFieldClass(TFieldType fieldType) const {
    return dataSet_->FrameworkFieldClass(fieldType);
}

void TDataSetService::ApplyNumberRange(TFieldDef* fieldDef) {
    const TFieldType type = fieldDef->DataType();
    if (type != ftSmallint && type != ftInteger && type != ftFloat && type != ftLargeint) return;
    TField* field = dataSet_->FindField(fieldDef->Name());
    if (!field) return;
    dataSet_->CheckFieldCompatibility(field, fieldDef);
    const TFieldDesc& desc = dataSet_->RecordStore()->FieldDescByName(fieldDef->Name());
    const int length = static_cast<int>(desc.ValueLength);
    if (type == ftFloat) {
        if (length <= 0 || length > 15) return;
        auto* floatField = dynamic_cast<TFloatField*>(field);
        RTL_ASSERT(floatField);
        const int scale = desc.DecimalPlaces;
        const double max = std::pow(10.0, length - scale) - std::pow(10.0, -scale);
        floatField->SetPrecision(length);
        floatField->SetMaxValue(max);
        floatField->SetMinValue(-max);
        return;
    }
    auto* integerField = dynamic_cast<TIntegerField*>(field);
    RTL_ASSERT(integerField && (type != ftLargeint || dynamic_cast<TLargeintField*>(field)));
    // 10^L - 1 is clamped to what the field type holds (INT(10), BIGINT(20)).
    const int64_t limit = type == ftSmallint  ? std::numeric_limits<int16_t>::max()
                          : type == ftInteger ? std::numeric_limits<int32_t>::max()
                                              : std::numeric_limits<int64_t>::max();
    const int64_t max = DecimalMax(length, limit);
    integerField->SetMaxValue(max);
    integerField->SetMinValue(-max);
}

// ---- TMemDataSet: construction and store

TMemDataSet::TMemDataSet(TComponent* owner) : TDataSet(owner) {}

TMemDataSet::~TMemDataSet() {
    Destroying();
    CloseReportingErrors([this] {
        Close();
        UnPrepare();
    });
    FreeOldRecord();
    SetRecordStore(nullptr);
}

void TMemDataSet::CreateRecordStore() {
    SetRecordStore(std::make_unique<dataaccess::TMemData>());
}

void TMemDataSet::SetRecordStore(std::unique_ptr<dataaccess::TData> store) {
    if (data_) {
        data_->OnFieldsInitialized = nullptr;
        data_->OnCalcFields = nullptr;
        data_->OnInsertRecord = nullptr;
        data_->OnUpdateRecord = nullptr;
        data_->OnDeleteRecord = nullptr;
        data_->OnApplyRecord = nullptr;
        data_->OnFilterRecord = nullptr;
    }
    calcFields_.clear();
    data_ = std::move(store);
    if (!data_) return;
    data_->SetCachedUpdates(cachedUpdates_);
    // Deleted records stay hidden: unmodified, modified and inserted ones show.
    data_->SetFilterItemTypes({dataaccess::isUnmodified, dataaccess::isUpdated, dataaccess::isInserted});
    if (auto* memData = dynamic_cast<dataaccess::TMemData*>(data_.get()))
        memData->SetIndexFieldNames(indexFieldNames_);
    data_->OnFieldsInitialized = [this] { AddCalcFieldDescs(); };
    data_->OnCalcFields = [this](void* record, void* source) { CalcCachedRecord(record, source); };
    InstallUpdaterHooks();
}

TDataSetService* TMemDataSet::DataSetService() const {
    if (!service_) service_ = CreateDataSetService();
    return service_.get();
}

std::unique_ptr<TDataSetService> TMemDataSet::CreateDataSetService() const {
    return std::make_unique<TDataSetService>(const_cast<TMemDataSet*>(this));
}

void TMemDataSet::SetDataSetService(std::unique_ptr<TDataSetService> service) {
    service_ = std::move(service);
}

TFieldClass TMemDataSet::GetFieldClass(TFieldType type) const {
    return DataSetService()->GetFieldClass(type);
}

void TMemDataSet::AssignTo(TPersistent* dest) const {
    auto* other = dynamic_cast<TMemDataSet*>(dest);
    if (!other) {
        TDataSet::AssignTo(dest);
        return;
    }
    other->cachedUpdates_ = cachedUpdates_;
    if (other->data_) other->data_->SetCachedUpdates(cachedUpdates_);
    other->requiredFields_ = requiredFields_;
    other->localUpdate_ = localUpdate_;
}

void TMemDataSet::SetBlockReadSize(int value) {
    if (value == BlockReadSize()) return;
    // The store's cursor must stand on the active record before reading in blocks starts or ends.
    if (value > 0 || value < -1) UpdateCursorPos();
    TDataSet::SetBlockReadSize(value);
}

void TMemDataSet::SetCacheCalcFields(bool value) {
    CheckInactive();
    cacheCalcFields_ = value;
}

void TMemDataSet::SetIndexFieldNames(const std::string& value) {
    auto* memData = dynamic_cast<dataaccess::TMemData*>(data_.get());
    if (Active()) CheckBrowseMode();
    if (memData) {
        memData->SetIndexFieldNames(value);
        if (Active() && !memData->SortColumns().empty()) Resync({});
    }
    indexFieldNames_ = value;
}

void TMemDataSet::Prepare() {
    if (!data_ || data_->Prepared()) return;
    data_->Prepare();
    CreateFieldDefs();
}

void TMemDataSet::UnPrepare() {
    if (Active()) Close();
    if (data_) data_->Unprepare();
    if (!IsDestroying()) FieldDefs().SetUpdated(false);
}

// ---- Calculated fields

void TMemDataSet::AddCalcFieldDescs() {
    calcFields_.clear();
    for (TField* field : Fields()) {
        if (!IsCalcKind(field)) continue;
        std::unique_ptr<TFieldDesc> desc = data_->GetFieldDescClass()();
        desc->FieldName = field->FullName();
        desc->ServerName = field->FullName();
        desc->FieldNumber = static_cast<uint16_t>(data_->FieldCount() + 1);
        desc->TypeCode = GetDataTypesMap().GetDataType(field->DataType());
        // A field's data size is the store's own size for every type that can be calculated.
        desc->ByteSize = static_cast<uint32_t>(field->DataSize());
        desc->ValueLength = static_cast<uint32_t>(field->Size());
        desc->FieldRole = cacheCalcFields_ ? dataaccess::frData : dataaccess::frCalculated;
        calcFields_.emplace_back(&data_->Fields().Add(std::move(desc)), field);
    }
}

void TMemDataSet::CalcCachedRecord(void* record, void* source) {
    if (calcFields_.empty()) return;
    const size_t recordSize = static_cast<size_t>(data_->RecordSize());
    const size_t calcSize = static_cast<size_t>(data_->CalcRecordSize());
    std::vector<uint8_t> buffer(recordSize + calcSize + TRecInfo::kSize + dataaccess::kBookmarkSize);
    std::memcpy(buffer.data(), source ? source : record, recordSize);
    GetCalcFields(buffer.data());
    std::memcpy(record, buffer.data(), recordSize + calcSize);
}

TFieldDesc* TMemDataSet::CalcFieldDesc(const TField* field) const {
    for (const auto& [desc, calcField] : calcFields_)
        if (calcField == field) return desc;
    return nullptr;
}

bool TMemDataSet::IsCalcFieldDesc(const TFieldDesc& desc) const {
    return desc.IsCalculated() || std::any_of(calcFields_.begin(), calcFields_.end(),
                                              [&](const auto& pair) { return pair.first == &desc; });
}

void TMemDataSet::ClearCalcFields(TRecordBuffer buffer) {
    for (const auto& pair : calcFields_)
        data_->SetFieldNull(pair.first->FieldNumber, buffer, true);
}

// ---- Lifecycle

void TMemDataSet::OpenCursor(bool infoQuery) {
    TDataSet::OpenCursor(infoQuery);
    if (infoQuery) return;
    FreeOldRecord();
    oldRecord_ = AllocRecordBuffer();
}

void TMemDataSet::CloseCursor() {
    if (data_ && data_->HasComplexFields() && ActiveBuffer()) {
        if (inserting_) data_->FreeComplexFields(ActiveBuffer(), true);
        if (editing_) data_->FreeComplexFields(ActiveBuffer(), false);
    }
    inserting_ = editing_ = false;
    FreeOldRecord();
    TDataSet::CloseCursor();
}

void TMemDataSet::FreeOldRecord() {
    if (oldRecord_) FreeRecordBuffer(oldRecord_);
}

void TMemDataSet::InternalOpen() {
    RTL_ASSERT(data_);
    data_->Open();
    DataSetService()->PreInitCursor();
    CreateFieldDefs();
    if (DefaultFields()) {
        CreateFields();
    } else {
        for (int i = 0; i < FieldDefs().Count(); ++i) {
            TFieldDef* def = FieldDefs()[i];
            if (def->DataType() != ftString) continue;
            TField* field = FindField(def->Name());
            if (!field || field->FieldKind() != fkData) continue;
            CheckFieldCompatibility(field, def);
            field->SetSize(def->Size());
        }
    }
    if (numberRange_) ApplyNumberRanges();
    BindFields(true);
    if (Filtered()) InstallFilter();
    auto* memData = dynamic_cast<dataaccess::TMemData*>(data_.get());
    if (memData && !calcFields_.empty()) memData->CalcRecordRange();
    if (memData && !memData->SortColumns().empty()) memData->SortItems();
    SetBookmarkSize(static_cast<int>(dataaccess::kBookmarkSize));
    recInfoOffset_ = data_->RecordSize() + (cacheCalcFields_ ? 0 : data_->CalcRecordSize());
    bookmarkOffset_ = recInfoOffset_ + TRecInfo::kSize;
    recBufSize_ = bookmarkOffset_ + static_cast<int>(dataaccess::kBookmarkSize);
    // Filling the store may have moved its cursor; the window is read from the first record.
    InternalFirst();
}

void TMemDataSet::ApplyNumberRanges() {
    TDataSetService* service = DataSetService();
    for (int i = 0; i < FieldDefs().Count(); ++i)
        service->ApplyNumberRange(FieldDefs()[i]);
}

void TMemDataSet::InternalClose() {
    if (!data_) return;
    BindFields(false);
    if (DefaultFields()) DestroyFields();
    calcFields_.clear();
    data_->Close();
}

void TMemDataSet::InternalInitFieldDefs() {
    RTL_ASSERT(data_);
    if (data_->Active()) return;
    const int count = data_->FieldCount();
    std::vector<std::string> names;
    if (FieldDefs().Updated())
        for (const auto& desc : data_->Fields())
            names.push_back(desc->FieldName);
    data_->InitFields();
    bool changed = data_->FieldCount() != count;
    for (size_t i = 0; !changed && i < names.size(); ++i)
        changed = data_->Fields().Items(static_cast<int>(i)).FieldName != names[i];
    if (changed) FieldDefs().SetUpdated(false);
    CreateFieldDefs();
}

void TMemDataSet::CreateFieldDefs() {
    RTL_ASSERT(data_);
    if (FieldDefs().Updated()) return;
    FieldDefs().BeginUpdate();
    rtl::Finally(
        [&] {
            FieldDefs().Clear();
            for (int i = 0; i < data_->FieldCount(); ++i) {
                const TFieldDesc& desc = data_->Fields().Items(i);
                // Children of object columns and calculated columns get no definition of their own.
                if (desc.OwnerField || IsCalcFieldDesc(desc)) continue;
                const TFieldType type = GetFieldTypeOfDesc(desc);
                if (type == ftUnknown) DatabaseError("Data type is not supported", this);
                TFieldDef* def = FieldDefs().AddFieldDef();
                def->SetName(desc.FieldName);
                def->SetFieldNo(i + 1);
                def->SetDataType(type);
                def->SetSize(GetFieldDefSize(type, desc));
                def->SetRequired(false);
                TFieldAttributes attributes;
                if (desc.FixedChar) attributes += {faFixed};
                def->SetAttributes(attributes);
                switch (type) {
                case ftSmallint:
                case ftInteger:
                case ftFloat:
                case ftLargeint:
                    def->SetPrecision(static_cast<int>(desc.ValueLength));
                    break;
                case ftBCD:
                case ftFMTBcd:
                    def->SetPrecision(static_cast<int>(desc.ValueLength));
                    def->SetSize(desc.DecimalPlaces);
                    break;
                default:
                    break;
                }
            }
        },
        [&] { FieldDefs().EndUpdate(); });
    FieldDefs().SetUpdated(data_->FieldCount() > 0);
}

int TMemDataSet::GetFieldDefSize(TFieldType fieldType, const TFieldDesc& desc) const {
    switch (fieldType) {
    case ftString:
    case ftWideString:
    case ftGuid:
        return desc.ValueLength == 0 ? 1 : static_cast<int>(desc.ValueLength);
    case ftBytes:
    case ftVarBytes:
        return static_cast<int>(desc.ValueLength);
    default:
        return 0;
    }
}

void TMemDataSet::ReopenData() {
    data_->Reopen();
}

void TMemDataSet::InternalRefresh() {
    // The store sorts again when it reopens.
    ReopenData();
}

void TMemDataSet::DoAfterOpen() {
    TDataSet::DoAfterOpen();
    if (kChangeNoticeAfterOpen) DataEvent(deDataSetChange, 0);
}

// ---- Record buffers

TRecordBuffer TMemDataSet::AllocRecordBuffer() {
    auto* buffer =
        static_cast<TRecordBuffer>(dataaccess::Marshal::AllocBlock(static_cast<size_t>(recBufSize_)));
    buffer[recInfoOffset_ + TRecInfo::kReserved] = 0;
    return buffer;
}

void TMemDataSet::FreeRecordBuffer(TRecordBuffer& buffer) {
    dataaccess::Marshal::FreeBlock(buffer);
    buffer = nullptr;
}

TGetResult TMemDataSet::GetRecord(TRecordBuffer buffer, TGetMode mode, bool) {
    RTL_ASSERT(data_);
    switch (mode) {
    case gmCurrent:
        data_->GetRecord(buffer);
        break;
    case gmNext:
        data_->GetNextRecord(buffer);
        break;
    case gmPrior:
        data_->GetPriorRecord(buffer);
        break;
    }
    if (data_->IsBof()) return grBOF;
    if (data_->IsEof()) return grEOF;
    uint8_t* info = buffer + recInfoOffset_;
    StoreAs<int32_t>(info + TRecInfo::kRecordNumber, data_->GetRecordNo());
    info[TRecInfo::kUpdateStatus] = static_cast<uint8_t>(data_->GetUpdateStatus());
    info[TRecInfo::kBookmarkFlag] = bfCurrent;
    if (!cacheCalcFields_) GetCalcFields(buffer);
    TRecBookmark bookmark;
    data_->GetBookmark(bookmark);
    StoreAs(buffer + bookmarkOffset_, bookmark);
    return grOK;
}

void TMemDataSet::InternalFirst() {
    data_->SetToBegin();
}

void TMemDataSet::InternalLast() {
    data_->SetToEnd();
}

void TMemDataSet::InternalGotoBookmark(const void* bookmark) {
    data_->SetToBookmark(BookmarkAt(bookmark));
}

void TMemDataSet::InternalSetToRecord(TRecordBuffer buffer) {
    InternalGotoBookmark(buffer + bookmarkOffset_);
}

void TMemDataSet::GetBookmarkData(TRecordBuffer buffer, void* data) const {
    std::memcpy(data, buffer + bookmarkOffset_, static_cast<size_t>(BookmarkSize()));
}

void TMemDataSet::SetBookmarkData(TRecordBuffer buffer, const void* data) {
    std::memcpy(buffer + bookmarkOffset_, data, static_cast<size_t>(BookmarkSize()));
}

TBookmarkFlag TMemDataSet::GetBookmarkFlag(TRecordBuffer buffer) const {
    return static_cast<TBookmarkFlag>(buffer[recInfoOffset_ + TRecInfo::kBookmarkFlag]);
}

void TMemDataSet::SetBookmarkFlag(TRecordBuffer buffer, TBookmarkFlag flag) {
    buffer[recInfoOffset_ + TRecInfo::kBookmarkFlag] = flag;
}

bool TMemDataSet::BookmarkValid(const TBookmark& bookmark) const {
    if (!data_ || bookmark.size() < dataaccess::kBookmarkSize) return false;
    const TRecBookmark value = BookmarkAt(bookmark.data());
    return data_->BookmarkValid(&value);
}

int TMemDataSet::CompareBookmarks(const TBookmark& a, const TBookmark& b) const {
    if (!data_) return 0;
    const bool hasA = a.size() >= dataaccess::kBookmarkSize, hasB = b.size() >= dataaccess::kBookmarkSize;
    TRecBookmark valueA, valueB;
    if (hasA) valueA = BookmarkAt(a.data());
    if (hasB) valueB = BookmarkAt(b.data());
    return data_->CompareBookmarks(hasA ? &valueA : nullptr, hasB ? &valueB : nullptr);
}

int TMemDataSet::GetRecordCount() const {
    return Active() && data_ ? data_->GetRecordCount() : 0;
}

int TMemDataSet::GetRecNo() const {
    TRecordBuffer buffer;
    if (!const_cast<TMemDataSet*>(this)->GetActiveRecBuf(buffer)) return 0;
    return LoadAs<int32_t>(buffer + recInfoOffset_ + TRecInfo::kRecordNumber);
}

void TMemDataSet::SetRecNo(int value) {
    CheckBrowseMode();
    DoBeforeScroll();
    data_->SetRecordNo(value);
    Resync({});
    DoAfterScroll();
}

bool TMemDataSet::GetActiveRecBuf(TRecordBuffer& recBuf) {
    switch (State()) {
    case dsBrowse:
    case dsBlockRead:
        recBuf = newCacheBuffer_ ? newCacheBuffer_ : IsEmpty() ? nullptr : ActiveBuffer();
        break;
    case dsEdit:
    case dsInsert:
        recBuf = ActiveBuffer();
        break;
    case dsNewValue:
        recBuf = newCacheBuffer_ ? newCacheBuffer_ : ActiveBuffer();
        break;
    case dsCalcFields:
        recBuf = CalcBuffer();
        break;
    case dsFilter:
        recBuf = filterBuffer_;
        break;
    case dsOldValue:
        return GetOldRecBuf(recBuf);
    default:
        recBuf = nullptr;
        break;
    }
    return recBuf != nullptr;
}

bool TMemDataSet::GetOldRecBuf(TRecordBuffer& recBuf) {
    if (oldCacheBuffer_) {
        recBuf = oldCacheBuffer_;
    } else {
        UpdateCursorPos();
        data_->GetOldRecord(oldRecord_);
        recBuf = oldRecord_;
    }
    return recBuf != nullptr;
}

// ---- Field values

TFieldDesc* TMemDataSet::GetFieldDesc(const TField* field) const {
    RTL_ASSERT_MSG(data_, "FIRecordSet must be setted to this time");
    RTL_ASSERT_MSG(field, "Field cannot be nil");
    RTL_ASSERT_MSG(!field->DataSet() || field->DataSet() == this, "Wrong DataSet");
    if (field->FieldNo() > 0) return &data_->Fields().Items(field->FieldNo() - 1);
    if (TFieldDesc* desc = CalcFieldDesc(field)) return desc;
    if (DefaultFields() && Fields().Count() == data_->FieldCount() && field->Index() >= 0)
        return &data_->Fields().Items(field->Index());
    for (const auto& desc : data_->Fields()) {
        if (field->FieldKind() == fkData) {
            if (dataaccess::SameTextAnsi(desc->FieldName, field->FieldName())) return desc.get();
        } else if (IsCalcFieldDesc(*desc) &&
                   (desc->FieldName == field->FieldName() || desc->ServerName == field->FieldName())) {
            return desc.get();
        }
    }
    return nullptr;
}

int TMemDataSet::GetFieldDescNo(const TField* field) const {
    const TFieldDesc* desc = GetFieldDesc(field);
    if (!desc) throw rtl::Exception(rtl::Format("Field %s not found", field->FieldName()));
    return desc->FieldNumber;
}

bool TMemDataSet::GetFieldData(TField* field, void* buffer) {
    TRecordBuffer recBuf;
    if (!GetActiveRecBuf(recBuf)) return false;
    RTL_ASSERT(data_);
    int fieldNo = field->FieldNo();
    if (fieldNo < 1) {
        switch (State()) {
        case dsBrowse:
        case dsEdit:
        case dsInsert:
        case dsCalcFields:
        case dsFilter:
        case dsBlockRead:
            break;
        default:
            return false;
        }
        fieldNo = GetFieldDescNo(field);
    }
    const TFieldDesc& desc = data_->FieldByNo(fieldNo);
    bool isNull = false;
    const int mode = DateTimeMode(desc.TypeCode);
    if (mode < 0 || !buffer) {
        data_->ReadFieldByNo(fieldNo, recBuf, isNull, buffer);
        return !isNull;
    }
    uint8_t native[sizeof(double)];
    data_->ReadFieldByNo(fieldNo, recBuf, isNull, native);
    if (!isNull) StoreAs<double>(buffer, data_->DateTimeToInternal(mode, native));
    return !isNull;
}

bool TMemDataSet::GetFieldData(int fieldNo, void* buffer) {
    TField* field = FieldByNumber(fieldNo);
    if (field) return GetFieldData(field, buffer);
    TRecordBuffer recBuf;
    if (!GetActiveRecBuf(recBuf)) return false;
    bool isNull = false;
    data_->ReadFieldByNo(fieldNo, recBuf, isNull, buffer);
    return !isNull;
}

void TMemDataSet::SetFieldData(TField* field, const void* buffer) {
    const TDataSetState state = State();
    switch (state) {
    case dsEdit:
    case dsInsert:
    case dsSetKey:
    case dsCalcFields:
    case dsFilter:
    case dsNewValue:
    case dsInternalCalc:
        break;
    default:
        DatabaseError(kNotEditing, this);
    }
    RTL_ASSERT(data_);
    TRecordBuffer recBuf;
    if (!GetActiveRecBuf(recBuf)) DatabaseError(kNotEditing, this);
    int fieldNo = field->FieldNo();
    if (fieldNo > 0) {
        if (state == dsCalcFields) DatabaseError(kNotEditing, this);
        if (field->ReadOnly() && state != dsSetKey && state != dsFilter)
            DatabaseError(rtl::Format(kFieldReadOnly, field->DisplayName()), this);
        field->Validate(buffer);
    } else {
        fieldNo = GetFieldDescNo(field);
    }
    if (field->FieldKind() != fkInternalCalc) {
        const int mode = DateTimeMode(data_->FieldByNo(fieldNo).TypeCode);
        if (mode >= 0 && buffer) {
            uint8_t native[sizeof(double)];
            data_->DateTimeToExternal(mode, LoadAs<double>(buffer), native);
            data_->WriteFieldByNo(fieldNo, recBuf, native);
        } else {
            data_->WriteFieldByNo(fieldNo, recBuf, buffer);
        }
    }
    if (state != dsCalcFields && state != dsFilter && state != dsNewValue)
        DataEvent(deFieldChange, reinterpret_cast<intptr_t>(field));
}

rtl::Variant TMemDataSet::GetStateFieldValue(TDataSetState state, TField* field) {
    if (inserting_ && state == dsOldValue) return rtl::Variant::Null();
    return TDataSet::GetStateFieldValue(state, field);
}

// ---- Editing

void TMemDataSet::InternalInitRecord(TRecordBuffer buffer) {
    data_->InitRecord(buffer);
    if (data_->HasComplexFields()) data_->CreateComplexFields(buffer, true);
}

void TMemDataSet::InitRecord(TRecordBuffer buffer) {
    TDataSet::InitRecord(buffer);
    uint8_t* info = buffer + recInfoOffset_;
    StoreAs<int32_t>(info + TRecInfo::kRecordNumber, 0);
    info[TRecInfo::kUpdateStatus] = usInserted;
    info[TRecInfo::kBookmarkFlag] = bfInserted;
    data_->InitRecord(oldRecord_);
}

void TMemDataSet::InternalInsert() {
    inserting_ = true;
}

void TMemDataSet::InternalEdit() {
    editing_ = true;
    data_->EditRecord(ActiveBuffer());
}

void TMemDataSet::InternalPost() {
    TDataSet::InternalPost();
    RTL_ASSERT(data_);
    for (TField* field : Fields()) {
        auto* blobField = dynamic_cast<TBlobField*>(field);
        const TFieldDesc* desc = blobField ? GetFieldDesc(field) : nullptr;
        if (!desc || !data_->IsBlobFieldType(desc->TypeCode)) continue;
        const dataaccess::TBlob* blob = data_->BlobOfField(desc->FieldNumber, ActiveBuffer());
        if (blob && blob->HasRollback()) blobField->SetModified(true);
    }
    if (State() == dsEdit) {
        data_->PostEditedRecord(ActiveBuffer());
    } else {
        // The cursor goes to the record the new one stands before (or to an end for an append).
        UpdateCursorPos();
        data_->InsertRecord(ActiveBuffer());
    }
    inserting_ = editing_ = false;
}

void TMemDataSet::InternalCancel() {
    inserting_ = editing_ = false;
    if (State() == dsEdit)
        data_->CancelRecord(ActiveBuffer());
    else if (State() == dsInsert && data_->HasComplexFields())
        data_->FreeComplexFields(ActiveBuffer(), true);
}

void TMemDataSet::InternalDelete() {
    if (!CanModify()) DatabaseError("Cannot modify a read-only dataset", this);
    data_->DeleteRecord();
    inserting_ = editing_ = false;
}

void TMemDataSet::Cancel() {
    const bool keep = (State() == dsEdit || State() == dsInsert) && data_ && data_->HasComplexFields();
    if (!keep) {
        TDataSet::Cancel();
        return;
    }
    // The buffer's complex values stay alive until the framework's cancel is over.
    std::vector<uint8_t> temporary(ActiveBuffer(), ActiveBuffer() + recBufSize_);
    data_->AddRefComplexFields(temporary.data());
    rtl::Finally([&] { TDataSet::Cancel(); }, [&] { data_->FreeComplexFields(temporary.data(), true); });
}

void TMemDataSet::DoOnNewRecord() {
    rtl::UndoGuard cancel([this] { InternalCancel(); });
    SetDefaultExpressionValues();
    TDataSet::DoOnNewRecord();
    cancel.Dismiss();
}

void TMemDataSet::SetDefaultExpressionValues() {
    for (TField* field : Fields()) {
        const std::string& expression = field->DefaultExpression();
        if (expression.empty()) continue;
        field->SetAsString(kTypedDefaults ? expression : dataaccess::AnsiDequote(expression, '\''));
    }
}

// ---- Blobs

dataaccess::TBlob* TMemDataSet::GetBlob(const TFieldDesc& desc) {
    RTL_ASSERT(data_);
    TRecordBuffer recBuf;
    if (!GetActiveRecBuf(recBuf)) return nullptr;
    if (!data_->IsBlobFieldType(desc.TypeCode)) DatabaseError("Field is not BLOB", this);
    return data_->BlobOfField(desc.FieldNumber, recBuf);
}

dataaccess::TBlob* TMemDataSet::GetBlob(const std::string& fieldName) {
    RTL_ASSERT(data_);
    return GetBlob(data_->FieldDescByName(fieldName));
}

dataaccess::TBlob* TMemDataSet::GetBlob(const TField* field) {
    if (!field || !Active()) return nullptr;
    const TFieldDesc* desc = GetFieldDesc(field);
    return desc ? GetBlob(*desc) : nullptr;
}

std::unique_ptr<rtl::TStream> TMemDataSet::CreateBlobStream(TField* field, TBlobStreamMode mode) {
    auto* blobField = dynamic_cast<TBlobField*>(field);
    RTL_ASSERT(blobField);
    return std::make_unique<TBlobStream>(blobField, mode);
}

// ---- TBlobStream

TBlobStream::TBlobStream(TBlobField* field, TBlobStreamMode mode)
    : field_(field), dataSet_(dynamic_cast<TMemDataSet*>(field->DataSet())), mode_(mode) {
    RTL_ASSERT(dataSet_);
    if (!dataSet_->GetActiveRecBuf(buffer_)) return;
    if (!field_->Modified() && mode_ != bmRead) {
        if (field_->ReadOnly()) DatabaseError(rtl::Format(kFieldReadOnly, field_->DisplayName()), dataSet_);
        const TDataSetState state = dataSet_->State();
        if (state != dsEdit && state != dsInsert && state != dsNewValue) DatabaseError(kNotEditing, dataSet_);
    }
    fieldNo_ = dataSet_->GetFieldDescNo(field_);
    opened_ = true;
    if (mode_ == bmWrite) Truncate();
}

TBlobStream::~TBlobStream() {
    // Only an open stream gets modified.
    if (!modified_) return;
    field_->SetModified(true);
    CloseReportingErrors([this] { dataSet_->DataEvent(deFieldChange, reinterpret_cast<intptr_t>(field_)); });
}

bool TBlobStream::FromRollback() const {
    return dataSet_->State() == dsOldValue;
}

int64_t TBlobStream::Read(void* buffer, int64_t count) {
    if (!opened_) return 0;
    count = std::min(count, GetBlobSize() - position_);
    if (count <= 0) return 0;
    const uint32_t read =
        dataSet_->RecordStore()->ReadBlob(fieldNo_, buffer_, static_cast<uint32_t>(position_),
                                          static_cast<uint32_t>(count), buffer, false, FromRollback());
    position_ += read;
    return read;
}

int64_t TBlobStream::Write(const void* buffer, int64_t count) {
    if (!opened_) return 0;
    dataSet_->RecordStore()->WriteBlob(fieldNo_, buffer_, static_cast<uint32_t>(position_),
                                       static_cast<uint32_t>(count), buffer);
    position_ += count;
    modified_ = true;
    return count;
}

int64_t TBlobStream::Seek(int64_t offset, rtl::TSeekOrigin origin) {
    switch (origin) {
    case rtl::soBeginning:
        position_ = offset;
        break;
    case rtl::soCurrent:
        position_ += offset;
        break;
    case rtl::soEnd:
        position_ = GetBlobSize() + offset;
        break;
    }
    return position_;
}

void TBlobStream::SetSize(int64_t size) {
    if (opened_) dataSet_->RecordStore()->SetBlobSize(fieldNo_, buffer_, static_cast<uint32_t>(size));
}

void TBlobStream::Truncate() {
    if (!opened_) return;
    dataSet_->RecordStore()->TruncateBlob(fieldNo_, buffer_, static_cast<uint32_t>(position_));
    modified_ = true;
}

int64_t TBlobStream::GetBlobSize() {
    if (!opened_) return 0;
    return dataSet_->RecordStore()->GetBlobSize(fieldNo_, buffer_, false, FromRollback());
}

// ---- Key values of the locate engine

namespace {

template <class T>
void PutBlock(std::vector<uint8_t>& block, const T& value) {
    block.assign(std::max(sizeof(T), sizeof(int64_t)), 0);
    std::memcpy(block.data(), &value, sizeof(T));
}

void PutText(std::vector<uint8_t>& block, const std::string& text) {
    block.assign(text.begin(), text.end());
    block.push_back(0);
}

void PutWideText(std::vector<uint8_t>& block, const std::u16string& text) {
    block.assign((text.size() + 1) * sizeof(char16_t), 0);
    std::memcpy(block.data(), text.data(), text.size() * sizeof(char16_t));
}

void PutBytes(std::vector<uint8_t>& block, const std::string& bytes) {
    const auto length = static_cast<uint16_t>(std::min<size_t>(bytes.size(), UINT16_MAX));
    block.assign(sizeof(uint16_t) + length, 0);
    std::memcpy(block.data(), &length, sizeof(uint16_t));
    std::memcpy(block.data() + sizeof(uint16_t), bytes.data(), length);
}

// The names of a list separated by ";", trimmed; empty entries dropped.
std::vector<std::string> SplitFieldNames(const std::string& list) {
    std::vector<std::string> names;
    size_t start = 0;
    while (start <= list.size()) {
        const size_t end = std::min(list.find(';', start), list.size());
        const std::string name = TrimBlanks(list.substr(start, end - start));
        if (!name.empty()) names.push_back(name);
        start = end + 1;
    }
    return names;
}

struct TLocateKey {
    TFieldDesc* Desc;
    std::vector<uint8_t> Block; // empty for a null key
    uint16_t Type = 0;
    const dataaccess::TSortColumn* Column; // the store's sort column of a sorted key
};

// Moves the keys that follow the store's leading sort columns (of the same case sensitivity) to the
// front, in sort order, together with their values; returns how many there are.
size_t MoveSortedKeysFirst(const dataaccess::TSortColumns& columns, bool caseInsensitive,
                           std::vector<TLocateKey>& keys, std::vector<rtl::Variant>& values) {
    size_t sorted = 0;
    for (const dataaccess::TSortColumn& column : columns) {
        if ((column.SortType == dataaccess::stCaseInsensitive) != caseInsensitive) break;
        const auto key = std::find_if(keys.begin() + static_cast<ptrdiff_t>(sorted), keys.end(),
                                      [&column](const TLocateKey& k) { return k.Desc == column.FieldDesc; });
        if (key == keys.end()) break;
        const auto index = key - keys.begin();
        std::rotate(keys.begin() + static_cast<ptrdiff_t>(sorted), key, key + 1);
        std::rotate(values.begin() + static_cast<ptrdiff_t>(sorted), values.begin() + index,
                    values.begin() + index + 1);
        keys[sorted++].Column = &column;
    }
    return sorted;
}

// Where the sorted keys lie against the record in `record`: above 0 after it, below 0 before it.
// Nulls sort first.
int CompareSortedKeys(const dataaccess::TMemData& store, const std::vector<TLocateKey>& keys, size_t sorted,
                      int flags, void* record) {
    for (size_t i = 0; i < sorted; ++i) {
        const TLocateKey& key = keys[i];
        const bool fieldNull = store.IsFieldNull(key.Desc->FieldNumber, record);
        int order;
        if (fieldNull || key.Block.empty()) {
            order = fieldNull == key.Block.empty() ? 0 : (fieldNull ? 1 : -1);
        } else {
            const int keyFlags = key.Column->SortType == dataaccess::stBinary ? flags | dataaccess::cfBinary
                                                                              : flags & ~dataaccess::cfBinary;
            order = store.CompareValues(key.Block.data(), key.Type, keyFlags, record, *key.Desc);
        }
        if (key.Column->DescendingOrder) order = -order;
        if (order != 0) return order;
    }
    return 0;
}

// Bisects the records start..end (record numbers) on the sorted keys and leaves the store on the
// first match in the search direction: the lowest when searching forwards, the highest backwards.
// When only some keys are sorted, a prefix mismatch next to the matches may be left current.
bool BisectSortedKeys(dataaccess::TMemData& store, const std::vector<TLocateKey>& keys, size_t sorted,
                      int flags, int start, int end, bool up, void* record,
                      const std::function<void()>& withCalcFields) {
    store.BuildRecordNoCache();
    const auto compareAt = [&](int recordNo) {
        store.SetRecordNo(recordNo);
        store.GetRecord(record);
        withCalcFields();
        return CompareSortedKeys(store, keys, sorted, flags, record);
    };
    if (end < start) return false;
    int order = compareAt(start);
    if (order > 0) {
        order = compareAt(end);
        if (order < 0) {
            order = 1;
            while (end - start > 1) {
                const int middle = (start + end) / 2;
                const int middleOrder = compareAt(middle);
                if (middleOrder == 0) {
                    order = 0;
                    break;
                }
                (middleOrder > 0 ? start : end) = middle;
            }
        }
    }
    if (order != 0) return false;
    const bool allSorted = sorted == keys.size();
    for (;;) {
        if (up ? store.GetRecordNo() >= end : store.GetRecordNo() <= start) break;
        up ? store.GetNextRecord(record) : store.GetPriorRecord(record);
        if (store.IsBof() || store.IsEof()) {
            if (allSorted) up ? store.GetPriorRecord(record) : store.GetNextRecord(record);
            break;
        }
        withCalcFields();
        if (CompareSortedKeys(store, keys, sorted, flags, record) != 0) {
            if (allSorted) up ? store.GetPriorRecord(record) : store.GetNextRecord(record);
            break;
        }
    }
    return true;
}

} // namespace

// ---- Cached updates

void TMemDataSet::InstallUpdaterHooks() {
    const auto updater = [this]() -> TDataSetUpdater* {
        return service_ ? service_->DataSetUpdater() : nullptr;
    };
    data_->OnInsertRecord = [updater](void*) {
        if (TDataSetUpdater* u = updater()) u->HandleAppend();
    };
    data_->OnUpdateRecord = [updater](void*) {
        if (TDataSetUpdater* u = updater()) u->HandleUpdate();
    };
    data_->OnDeleteRecord = [updater] {
        if (TDataSetUpdater* u = updater()) u->HandleDelete();
    };
    data_->OnApplyRecord = [updater](dataaccess::TUpdateRecKind kind, dataaccess::TUpdateRecAction& action,
                                     bool lastItem) {
        if (TDataSetUpdater* u = updater())
            u->HandleApplyRecord(static_cast<TUpdateKind>(kind), action, lastItem);
        else
            action = dataaccess::urApplied;
    };
}

void TMemDataSet::SetCachedUpdates(bool value) {
    if (value == cachedUpdates_) return;
    CheckInactive();
    cachedUpdates_ = value;
    if (data_) data_->SetCachedUpdates(value);
}

void TMemDataSet::CheckCachedUpdates() const {
    if (!cachedUpdates_) DatabaseError("Not in cached update mode", this);
}

template <class Operation>
void TMemDataSet::WithCacheBuffers(Operation operation) {
    newCacheBuffer_ = AllocRecordBuffer();
    oldCacheBuffer_ = AllocRecordBuffer();
    data_->SetCacheRecBuf(newCacheBuffer_, oldCacheBuffer_);
    const auto release = [this] {
        data_->SetCacheRecBuf(nullptr, nullptr);
        FreeRecordBuffer(newCacheBuffer_);
        FreeRecordBuffer(oldCacheBuffer_);
        newCacheBuffer_ = oldCacheBuffer_ = nullptr;
    };
    rtl::Finally([&] { operation(); }, release);
}

void TMemDataSet::ApplyUpdates() {
    CheckActive();
    if (State() != dsBrowse) Post();
    CheckCachedUpdates();
    UpdateCursorPos();
    RTL_ASSERT(data_);
    rtl::Finally([&] { WithCacheBuffers([this] { data_->ApplyUpdates(); }); }, [&] { Resync({}); });
}

void TMemDataSet::CommitUpdates() {
    CheckActive();
    CheckCachedUpdates();
    UpdateCursorPos();
    RTL_ASSERT(data_);
    WithCacheBuffers([this] { data_->CommitUpdates(); });
    Resync({});
}

void TMemDataSet::RevertRecord() {
    CheckActive();
    if (State() == dsEdit || State() == dsInsert || State() == dsSetKey) Cancel();
    CheckCachedUpdates();
    UpdateCursorPos();
    RTL_ASSERT(data_);
    data_->RevertRecord();
    Resync({});
}

TUpdateStatus TMemDataSet::UpdateStatus() const {
    if (!cachedUpdates_ || IsEmpty()) return usUnmodified;
    const TRecordBuffer buffer = State() == dsCalcFields ? CalcBuffer() : ActiveBuffer();
    if (!buffer) return usUnmodified;
    return static_cast<TUpdateStatus>(buffer[recInfoOffset_ + TRecInfo::kUpdateStatus]);
}

// ---- Filters

void TMemDataSet::RemoveFilter() {
    if (!data_) return;
    data_->OnFilterRecord = nullptr;
    data_->SetFilterText("");
}

void TMemDataSet::InstallFilter() {
    if (!data_) return;
    RemoveFilter();
    if (OnFilterRecord()) data_->OnFilterRecord = [this](void* record) { return RecordFilter(record); };
    if (!TrimBlanks(Filter()).empty()) data_->SetFilterText(Filter());
    data_->SetFilterCaseInsensitive(FilterOptions().Contains(foCaseInsensitive));
    data_->SetFilterNoPartialCompare(FilterOptions().Contains(foNoPartialCompare));
}

bool TMemDataSet::RecordFilter(void* record) {
    const TDataSetState saved = SetTempState(dsFilter);
    filterBuffer_ = static_cast<TRecordBuffer>(record);
    bool accept = true;
    try {
        OnFilterRecord()(this, accept);
    } catch (...) {
        // Shown per record; the record keeps the answer it had.
        InternalHandleException();
    }
    filterBuffer_ = nullptr;
    RestoreState(saved);
    return accept;
}

void TMemDataSet::BeginFilterChange() {
    if (!Active()) return;
    CheckBrowseMode();
    UpdateCursorPos();
}

void TMemDataSet::ReevaluateFilter() {
    data_->FilterUpdated();
    Resync({});
    First();
}

void TMemDataSet::SetFiltered(bool value) {
    BeginFilterChange();
    if (value == Filtered()) return;
    if (value)
        InstallFilter();
    else
        RemoveFilter();
    TDataSet::SetFiltered(value);
    if (!Active()) return;
    RTL_ASSERT(data_);
    ReevaluateFilter();
}

void TMemDataSet::SetFilterText(const std::string& value) {
    BeginFilterChange();
    if (value == Filter()) return;
    if (data_) data_->SetFilterText(Filtered() && !TrimBlanks(value).empty() ? value : "");
    TDataSet::SetFilterText(value);
    if (Active() && Filtered()) ReevaluateFilter();
}

void TMemDataSet::SetFilterOptions(TFilterOptions value) {
    BeginFilterChange();
    if (value == FilterOptions()) return;
    if (data_) {
        data_->SetFilterCaseInsensitive(value.Contains(foCaseInsensitive));
        data_->SetFilterNoPartialCompare(value.Contains(foNoPartialCompare));
    }
    TDataSet::SetFilterOptions(value);
    if (Active() && Filtered()) ReevaluateFilter();
}

void TMemDataSet::SetOnFilterRecord(TFilterRecordEvent value) {
    BeginFilterChange();
    TDataSet::SetOnFilterRecord(std::move(value));
    if (data_) {
        if (Filtered() && OnFilterRecord())
            data_->OnFilterRecord = [this](void* record) { return RecordFilter(record); };
        else
            data_->OnFilterRecord = nullptr;
    }
    if (Active()) ReevaluateFilter();
}

bool TMemDataSet::FindRecord(bool restart, bool goForward) {
    CheckBrowseMode();
    DoBeforeScroll();
    UpdateCursorPos();
    CursorPosChanged();
    RTL_ASSERT(data_);
    auto* memData = dynamic_cast<dataaccess::TMemData*>(data_.get());
    // The search filters whether or not Filtered is on.
    const bool temporary = !Filtered();
    const auto resetFilter = [memData] {
        if (memData) memData->ResetFilterState();
    };
    if (temporary) {
        InstallFilter();
        resetFilter();
    }
    rtl::Finally(
        [&] {
            if (goForward) {
                if (restart) data_->SetToBegin();
                data_->GetNextRecord(nullptr);
            } else {
                if (restart) data_->SetToEnd();
                data_->GetPriorRecord(nullptr);
            }
        },
        [&] {
            if (temporary) {
                RemoveFilter();
                resetFilter();
            }
        });
    const bool found = !data_->IsBof() && !data_->IsEof();
    if (found) {
        Resync({rmExact, rmCenter});
        DoAfterScroll();
    }
    return found;
}

// ---- Locate and lookup

void TMemDataSet::PrepareKeyValue(const rtl::Variant& keyValue, std::vector<uint8_t>& block, bool convert,
                                  const TFieldDesc& desc, uint16_t& valueType) {
    using namespace dataaccess;
    block.clear();
    valueType = desc.TypeCode;
    if (keyValue.IsNull() || keyValue.IsEmpty()) return;
    const bool text = keyValue.Type() == rtl::varString || keyValue.Type() == rtl::varWideString;
    const uint16_t code = desc.TypeCode;
    if (text && !convert) {
        if (code == dtBoolean) {
            PutBlock<int16_t>(block, keyValue.AsBoolean() ? 1 : 0);
        } else if (IsBytesType(code)) {
            PutBytes(block, keyValue.AsString());
        } else if (code == dtWideString || code == dtExtWideString) {
            valueType = dtWideString;
            PutWideText(block, keyValue.AsWideString());
        } else {
            valueType = dtString;
            PutText(block, keyValue.AsString());
        }
        return;
    }
    switch (code) {
    case dtString:
    case dtExtString:
    case dtGuid:
        valueType = code == dtGuid ? dtGuid : dtString;
        PutText(block, keyValue.AsString());
        break;
    case dtInt8:
    case dtInt16:
    case dtInt32:
    case dtUInt16:
        PutBlock(block, static_cast<int32_t>(keyValue.AsInt64()));
        break;
    case dtUInt32:
    case dtInt64:
        PutBlock(block, keyValue.AsInt64());
        break;
    case dtFloat:
    case dtCurrency:
    case dtBCD:
        PutBlock(block, keyValue.AsDouble());
        break;
    case dtDate:
    case dtTime:
    case dtDateTime: {
        // The store compares dates in their native form.
        uint8_t native[sizeof(double)] = {};
        data_->DateTimeToExternal(DateTimeMode(code), keyValue.AsDateTime(), native);
        block.assign(native, native + sizeof native);
        break;
    }
    case dtBoolean:
        PutBlock<int16_t>(block, keyValue.AsBoolean() ? 1 : 0);
        break;
    case dtBytes:
    case dtVarBytes:
    case dtExtVarBytes:
        PutBytes(block, keyValue.AsString());
        break;
    case dtWideString:
    case dtExtWideString:
    case dtWideMemo:
        valueType = dtWideString;
        PutWideText(block, keyValue.AsWideString());
        break;
    default:
        DatabaseError("Cannot convert type", this);
    }
}

bool TMemDataSet::LocateRecord(const std::string& keyFields, const rtl::Variant& keyValues,
                               TLocateExOptions options, bool keepPosition) {
    RTL_ASSERT(data_);
    std::vector<TFieldDesc*> keys;
    for (const std::string& name : SplitFieldNames(keyFields))
        keys.push_back(&data_->FieldDescByName(name));
    return LocateDescs(keys, keyValues, options, keepPosition);
}

bool TMemDataSet::LocateRecord(const std::vector<TField*>& fields, const rtl::Variant& keyValues,
                               TLocateExOptions options, bool keepPosition) {
    std::vector<TFieldDesc*> keys;
    for (TField* field : fields)
        if (field) keys.push_back(GetFieldDesc(field));
    return LocateDescs(keys, keyValues, options, keepPosition);
}

bool TMemDataSet::LocateDescs(const std::vector<TFieldDesc*>& descs, const rtl::Variant& keyValues,
                              TLocateExOptions options, bool keepPosition) {
    if (descs.empty()) return false;
    CheckBrowseMode();
    CursorPosChanged();
    UpdateCursorPos();
    RTL_ASSERT(data_);
    auto* memData = dynamic_cast<dataaccess::TMemData*>(data_.get());
    RTL_ASSERT(memData);
    int flags = 0;
    if (options.Contains(lxCaseInsensitive)) flags |= dataaccess::cfCaseInsensitive;
    if (options.Contains(lxPartialKey)) flags |= dataaccess::cfPartial;
    if (options.Contains(lxPartialCompare)) flags |= dataaccess::cfSubstring;

    // One value for one key (a byte array too); an array holds one per key.
    const bool array = keyValues.Type() == rtl::varArray;
    const bool whole = !array || (descs.size() == 1 && keyValues.AsArray().size() != 1);
    std::vector<TLocateKey> keys;
    std::vector<rtl::Variant> values;
    for (size_t i = 0; i < descs.size(); ++i) {
        keys.push_back({descs[i], {}, 0, nullptr});
        if (whole)
            values.push_back(i == 0 ? keyValues : rtl::Variant::Null());
        else
            values.push_back(i < keyValues.AsArray().size() ? keyValues.AsArray()[i] : rtl::Variant::Null());
    }
    const size_t sorted =
        options.Contains(lxPartialKey) || options.Contains(lxNearest) || options.Contains(lxPartialCompare)
            ? 0
            : MoveSortedKeysFirst(memData->SortColumns(), options.Contains(lxCaseInsensitive), keys, values);
    bool calculated = false;
    for (size_t i = 0; i < keys.size(); ++i) {
        // Sorted keys are searched by bisection, which compares typed values.
        PrepareKeyValue(values[i], keys[i].Block, i < sorted, *keys[i].Desc, keys[i].Type);
        calculated = calculated || IsCalcFieldDesc(*keys[i].Desc);
    }

    TRecBookmark bookmark;
    data_->GetBookmark(bookmark);
    const TRecordBuffer temp = TempBuffer();
    const auto withCalcFields = [&] {
        if (calculated) GetCalcFields(temp);
    };
    const auto matches = [&] {
        for (const TLocateKey& key : keys) {
            const bool fieldNull = data_->IsFieldNull(key.Desc->FieldNumber, temp);
            if (key.Block.empty() != fieldNull) return false;
            if (fieldNull) continue;
            const int order = memData->CompareValues(key.Block.data(), key.Type, flags, temp, *key.Desc);
            if (order != 0 && !(order < 0 && options.Contains(lxNearest))) return false;
        }
        return true;
    };
    const bool up = options.Contains(lxUp);
    bool found = false;
    if (sorted > 0) {
        int start = 1;
        int end = data_->GetRecordCount();
        if (options.Contains(lxNext)) {
            data_->GetNextRecord(temp);
            if (data_->IsEof()) {
                if (!data_->IsBof()) data_->SetToBookmark(bookmark);
                return false;
            }
            start = data_->GetRecordNo();
        }
        if (up) {
            data_->GetPriorRecord(temp);
            end = data_->GetRecordNo();
        }
        found = BisectSortedKeys(*memData, keys, sorted, flags, start, end, up, temp, withCalcFields);
    }
    if (sorted < keys.size() && (sorted == 0 || found)) {
        if (sorted == 0 && !options.Contains(lxNext) && !up) data_->SetToBegin();
        found = false;
        for (bool first = true;; first = false) {
            // After a bisection the scan starts on the record it left current.
            if (!(sorted > 0 && first)) up ? data_->GetPriorRecord(temp) : data_->GetNextRecord(temp);
            if (data_->IsBof() || data_->IsEof()) break;
            withCalcFields();
            if ((found = matches())) break;
        }
    }
    if ((keepPosition || !found) && !(data_->IsBof() && data_->IsEof())) data_->SetToBookmark(bookmark);
    return found;
}

bool TMemDataSet::Locate(const std::string& keyFields, const rtl::Variant& keyValues,
                         TLocateOptions options) {
    DoBeforeScroll();
    TLocateExOptions exOptions;
    if (options.Contains(loCaseInsensitive)) exOptions.Include(lxCaseInsensitive);
    if (options.Contains(loPartialKey)) exOptions.Include(lxPartialKey);
    const bool found = LocateRecord(keyFields, keyValues, exOptions, false);
    if (found) {
        Resync({rmExact, rmCenter});
        DoAfterScroll();
    }
    return found;
}

bool TMemDataSet::LocateByFields(const std::vector<TField*>& fields, const rtl::Variant& keyValues,
                                 TLocateOptions options) {
    DoBeforeScroll();
    TLocateExOptions exOptions;
    if (options.Contains(loCaseInsensitive)) exOptions.Include(lxCaseInsensitive);
    if (options.Contains(loPartialKey)) exOptions.Include(lxPartialKey);
    const bool found = LocateRecord(fields, keyValues, exOptions, false);
    if (found) {
        Resync({rmExact, rmCenter});
        DoAfterScroll();
    }
    return found;
}

bool TMemDataSet::LocateExtended(const std::vector<TField*>& fields, const rtl::Variant& keyValues,
                                 TLocateExOptions options) {
    DoBeforeScroll();
    const bool found = LocateRecord(fields, keyValues, options, false);
    if (found) {
        Resync({});
        DoAfterScroll();
    }
    return found;
}

rtl::Variant TMemDataSet::Lookup(const std::string& keyFields, const rtl::Variant& keyValues,
                                 const std::string& resultFields) {
    if (!LocateRecord(keyFields, keyValues, {}, true)) return rtl::Variant::Null();
    // The found record is still in TempBuffer: its calculated fields are computed there and read
    // from there.
    GetCalcFields(TempBuffer());
    const TDataSetState saved = SetTempState(dsFilter);
    filterBuffer_ = TempBuffer();
    rtl::VariantArray values;
    rtl::Finally(
        [&] {
            for (const std::string& name : SplitFieldNames(resultFields))
                values.push_back(FieldByName(name)->Value());
        },
        [&] {
            filterBuffer_ = nullptr;
            RestoreState(saved);
        });
    if (values.size() == 1) return values.front();
    return rtl::Variant(values);
}

// ---- XML rowset description

namespace {

void WriteAttribute(dataaccess::TXmlTextWriter& writer, const char* name, const std::string& value) {
    writer.WriteAttributeString(rtl::Utf8ToUtf16(name), rtl::Utf8ToUtf16(value));
}

std::string Hex(const uint8_t* bytes, size_t count) {
    static const char digits[] = "0123456789ABCDEF";
    std::string text;
    for (size_t i = 0; i < count; ++i) {
        text += digits[bytes[i] >> 4];
        text += digits[bytes[i] & 15];
    }
    return text;
}

// "%2d" parts joined by `separator`, blanks turned into zeros.
std::string ZeroPadded(const char* format, int a, const char* separator, int b, int c) {
    std::string text = rtl::Format(format, a, separator, b, separator, c);
    std::replace(text.begin(), text.end(), ' ', '0');
    return text;
}

} // namespace

void TMemDataSet::WriteFieldXMLDataType(TField* field, const TFieldDesc& desc,
                                        dataaccess::TXmlTextWriter& writer) {
    using namespace dataaccess;
    const std::string size = std::to_string(desc.ByteSize);
    const std::string length = std::to_string(desc.ValueLength);
    const std::string scale = std::to_string(desc.DecimalPlaces);
    const bool longBlob = field->IsBlob() && !desc.FixedChar;
    const uint16_t code = desc.TypeCode;
    const auto type = [&writer](const char* name) { WriteAttribute(writer, "dt:type", name); };
    const auto maxLength = [&writer](const std::string& value) {
        WriteAttribute(writer, "dt:maxLength", value);
    };
    const auto precision = [&writer](const std::string& value) {
        WriteAttribute(writer, "rs:precision", value);
    };
    switch (code) {
    case 0:
    case 19:
        type("string");
        break;
    case dtInt8:
        type("i1"), maxLength(size), precision(length);
        break;
    case dtInt16:
        type("i2"), maxLength(size), precision("5");
        break;
    case dtInt32:
        type("int"), maxLength(size), precision("10");
        break;
    case dtFloat:
        if (desc.ValueLength > 7)
            type("float"), maxLength(size);
        else
            type("r4"), maxLength("4");
        precision(length);
        break;
    case dtDate:
    case dtTime:
        type(code == dtDate ? "date" : "time"), maxLength(size);
        WriteAttribute(writer, "rs:scale", scale);
        precision(length);
        break;
    case dtDateTime:
        type("datetime");
        WriteAttribute(writer, "rs:dbtype", "variantdate");
        maxLength(size);
        WriteAttribute(writer, "rs:scale", scale);
        precision(length);
        break;
    case dtUInt16:
        type("ui2"), maxLength(size), precision(length);
        break;
    case dtBoolean:
        type("boolean"), maxLength(size);
        break;
    case dtInt64:
        type("i8"), maxLength(size), precision("19");
        break;
    case dtCurrency:
    case dtBCD:
        type("number");
        WriteAttribute(writer, "rs:dbtype", "currency");
        maxLength(size), precision(length);
        break;
    case dtBlob:
    case dtBytes:
    case dtVarBytes:
    case dtExtVarBytes:
        type("bin.hex"), maxLength(code == dtBlob ? "2147483647" : length);
        if (longBlob) WriteAttribute(writer, "rs:long", "true");
        break;
    case dtUInt32:
        type("ui4"), maxLength(size), precision(length);
        break;
    case dtFMTBCD:
        type("number");
        WriteAttribute(writer, "rs:dbtype", "numeric");
        maxLength(size);
        WriteAttribute(writer, "rs:scale", scale);
        precision(length);
        break;
    case dtGuid:
        type("uuid"), maxLength("16");
        break;
    case dtString:
    case dtMemo:
    case dtExtString:
    case dtWideString:
    case dtExtWideString:
    case dtWideMemo:
        type("string"), maxLength(code == dtMemo || code == dtWideMemo ? "2147483647" : length);
        if (code != dtWideString && code != dtExtWideString && code != dtWideMemo)
            WriteAttribute(writer, "rs:dbtype", "str");
        if (longBlob) WriteAttribute(writer, "rs:long", "true");
        break;
    default:
        DatabaseError("Data type is not supported", this);
    }
    if (desc.FixedChar && code != 0 && code != 19) WriteAttribute(writer, "rs:fixedlength", "true");
    if (field->Required() && !field->ReadOnly()) WriteAttribute(writer, "rs:maybenull", "false");
}

void TMemDataSet::WriteFieldXMLAttributeType(TField* field, const TFieldDesc& desc,
                                             dataaccess::TXmlTextWriter& writer, const std::string& name) {
    if (!name.empty()) {
        WriteAttribute(writer, "name", name);
        WriteAttribute(writer, "rs:name", desc.FieldName);
    } else {
        WriteAttribute(writer, "name", desc.FieldName);
    }
    WriteAttribute(writer, "rs:number", std::to_string(desc.FieldNumber));
    if (!field->Required() && !field->ReadOnly()) WriteAttribute(writer, "rs:nullable", "true");
    if (!field->ReadOnly()) WriteAttribute(writer, "rs:writeunknown", "true");
    if (!desc.ServerName.empty()) WriteAttribute(writer, "rs:basecolumn", desc.ServerName);
    if (desc.KeyColumn) WriteAttribute(writer, "rs:keycolumn", "true");
    if (field->AutoGenerateValue() == arAutoInc) WriteAttribute(writer, "rs:autoincrement", "true");
}

std::u16string TMemDataSet::GetFieldXMLValue(TField* field, const TFieldDesc& desc) {
    using namespace dataaccess;
    switch (desc.TypeCode) {
    case dtFloat:
    case dtCurrency:
    case dtBCD:
        // The variant's text never follows a locale.
        return rtl::Utf8ToUtf16(rtl::Variant(field->AsFloat()).AsString());
    case dtDate:
    case dtTime:
    case dtDateTime: {
        const rtl::DateTimeParts parts = rtl::DecodeDateTime(field->AsDateTime());
        const std::string time = ZeroPadded("%2d%s%2d%s%2d", parts.hour, ":", parts.minute, parts.second);
        if (desc.TypeCode == dtTime) return rtl::Utf8ToUtf16(time);
        return rtl::Utf8ToUtf16(ZeroPadded("%4d%s%2d%s%2d", parts.year, "-", parts.month, parts.day) + "T" +
                                time);
    }
    case dtBoolean:
        return field->AsBoolean() ? u"True" : u"False";
    case dtBlob: {
        TBlob* blob = GetBlob(field);
        std::string text;
        if (!blob) return {};
        std::vector<uint8_t> piece(4096);
        for (uint32_t position = 0, size = blob->GetSize(); position < size;) {
            const uint32_t count = blob->Read(position, static_cast<uint32_t>(piece.size()), piece.data());
            if (count == 0) break;
            text += Hex(piece.data(), count);
            position += count;
        }
        return rtl::Utf8ToUtf16(text);
    }
    case dtBytes:
    case dtVarBytes:
    case dtExtVarBytes: {
        const std::string bytes = field->AsString();
        return rtl::Utf8ToUtf16(Hex(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size()));
    }
    default:
        if (auto* wide = dynamic_cast<TWideStringField*>(field)) {
            std::u16string value;
            wide->GetValue(value);
            return value;
        }
        return rtl::Utf8ToUtf16(field->AsString());
    }
}

} // namespace components
