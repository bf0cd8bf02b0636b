// The data set over the record store: fields, buffers, blobs, filters, sorting and cached updates.
#pragma once

#include "dataaccess/store/uData.h"
#include "platform/data/DataSet.h"
#include "platform/data/FieldClasses.h"
#include "platform/rtl/Streams.h"

#include <cstdint>
#include <exception>
#include <functional>
#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace dataaccess {
class TBlob;
class TFieldDesc;
class TXmlTextWriter;
} // namespace dataaccess

namespace components {

// Internal type codes of the record store without a counterpart in dataaccess::TInternalDataType:
// kinds the store of this program never makes, which the type map still names.
inline constexpr uint16_t dtObject = 15;
inline constexpr uint16_t dtReference = 16;
inline constexpr uint16_t dtArray = 17;
inline constexpr uint16_t dtTable = 18;
inline constexpr uint16_t dtCursor = 32;

// Maps the record store's internal type codes to field types and back. A server dialect derives
// its own map; data sets and commands reach it through a virtual getter.
class TDataTypesMap {
public:
    virtual ~TDataTypesMap() = default;
    // An unknown code fails the assertion "Unknown data type".
    virtual data::TFieldType GetFieldType(uint16_t dataType) const;
    // 0 for a field type without an internal code.
    virtual uint16_t GetDataType(data::TFieldType fieldType) const;

    static const TDataTypesMap& Instance();
};

// Runs the closing steps of a destructor; a failure goes to the application's handler, as a
// destructor may not throw.
template <class Close>
void CloseReportingErrors(Close close) {
    try {
        close();
    } catch (...) {
        data::HandleApplicationException(std::current_exception());
    }
}

class TMemDataSet;
class TDataSetUpdater;

// Update actions beyond the framework's, shared by the apply driver and the record store: a record
// whose statement waits in a batch, and an OnUpdateRecord answer asking for the default processing
// after the handler's own. The store's action type holds every value; the framework's enum cannot.
inline constexpr dataaccess::TUpdateRecAction uaDeferred = dataaccess::urSuspended;
inline constexpr dataaccess::TUpdateRecAction uaDefaultProcessing =
    static_cast<dataaccess::TUpdateRecAction>(10);
using TUpdateRecordEvent = std::function<void(data::TDataSet* dataSet, data::TUpdateKind kind,
                                              dataaccess::TUpdateRecAction& action)>;
using TUpdateErrorEvent = std::function<void(data::TDataSet* dataSet, data::EDatabaseError& error,
                                             data::TUpdateKind kind, dataaccess::TUpdateRecAction& action)>;

// The locate engine's options: the framework's two and four of its own.
enum TLocateExOption { lxCaseInsensitive, lxPartialKey, lxNearest, lxNext, lxUp, lxPartialCompare };
using TLocateExOptions = rtl::Set<TLocateExOption, 6>;

// Per-data-set services: field classes and numeric ranges. Query data sets install descendants.
class TDataSetService {
public:
    explicit TDataSetService(TMemDataSet* dataSet) : dataSet_(dataSet) {}
    virtual ~TDataSetService() = default;
    TDataSetService(const TDataSetService&) = delete;
    TDataSetService& operator=(const TDataSetService&) = delete;

    TMemDataSet* DataSet() const { return dataSet_; }
    // Minimum and maximum of a numeric field from its column's length and scale.
    virtual void ApplyNumberRange(data::TFieldDef* fieldDef);
    // The class the field-class table holds for the type at the moment of the call.
    virtual data::TFieldClass GetFieldClass(data::TFieldType fieldType) const;
    // Called by every open right after the record store opened.
    virtual void PreInitCursor() {}
    virtual bool SetProp(int prop, const rtl::Variant& value) { return false; }
    virtual bool GetProp(int prop, rtl::Variant& value) { return false; }
    // The updater that posted and cached changes go to; none here.
    virtual TDataSetUpdater* DataSetUpdater() const { return nullptr; }

private:
    TMemDataSet* dataSet_;
};

// Layout of the record information that follows the store's record (and the calculated area) in
// every record buffer; the bookmark comes right after it.
struct TRecInfo {
    static constexpr int kRecordNumber = 0; // int32, 1-based; 0 while inserting
    static constexpr int kUpdateStatus = 4; // data::TUpdateStatus
    static constexpr int kBookmarkFlag = 5; // data::TBookmarkFlag
    static constexpr int kReserved = 6;     // always 0
    static constexpr int kSize = 7;
};

// A data set over the in-memory record store: record buffers laid out as the store's record, its
// calculated area, the record information and the store's bookmark; field values read and written
// through the store; calculated fields kept as columns of the store.
class TMemDataSet : public data::TDataSet {
public:
    explicit TMemDataSet(data::TComponent* owner);
    ~TMemDataSet() override;

    // ---- Record store and services
    dataaccess::TData* RecordStore() const { return data_.get(); }
    virtual void CreateRecordStore();
    // Takes ownership; null removes the store.
    virtual void SetRecordStore(std::unique_ptr<dataaccess::TData> store);
    // Made on first use by CreateDataSetService.
    TDataSetService* DataSetService() const;
    virtual void SetDataSetService(std::unique_ptr<TDataSetService> service);
    virtual const TDataTypesMap& GetDataTypesMap() const { return TDataTypesMap::Instance(); }
    data::TFieldType GetFieldType(uint16_t dataType) const {
        return GetDataTypesMap().GetFieldType(dataType);
    }
    virtual data::TFieldType GetFieldTypeOfDesc(const dataaccess::TFieldDesc& desc) const {
        return GetFieldType(desc.TypeCode);
    }

    // ---- Options
    bool CachedUpdates() const { return cachedUpdates_; }
    bool LocalUpdate() const { return localUpdate_; }
    void SetLocalUpdate(bool value) { localUpdate_ = value; }
    bool RequiredFields() const { return requiredFields_; }
    void SetRequiredFields(bool value) { requiredFields_ = value; }
    bool NumberRange() const { return numberRange_; }
    void SetNumberRange(bool value) { numberRange_ = value; }
    // On: calculated fields are computed once per record and kept with it.
    bool CacheCalcFields() const { return cacheCalcFields_; }
    void SetCacheCalcFields(bool value);
    const std::string& IndexFieldNames() const { return indexFieldNames_; }
    // Field names separated by ";", each optionally followed by ASC or DESC and CIS, CS or BIN; the
    // store parses and sorts.
    void SetIndexFieldNames(const std::string& value);

    // ---- Preparing
    bool Prepared() const { return data_ && data_->Prepared(); }
    virtual void Prepare();
    virtual void UnPrepare();

    // ---- Fields and descriptors
    // The store's descriptor behind a field; null when there is none.
    virtual dataaccess::TFieldDesc* GetFieldDesc(const data::TField* field) const;
    // Raises "Field %s not found".
    int GetFieldDescNo(const data::TField* field) const;
    // The data set service's class for the type.
    data::TFieldClass GetFieldClass(data::TFieldType type) const override;
    // The framework's own lookup: the data set's table, else the process-wide one.
    data::TFieldClass FrameworkFieldClass(data::TFieldType type) const {
        return TDataSet::GetFieldClass(type);
    }
    using TDataSet::CheckFieldCompatibility;

    bool GetFieldData(data::TField* field, void* buffer) override;
    bool GetFieldData(int fieldNo, void* buffer) override;
    void SetFieldData(data::TField* field, const void* buffer) override;
    rtl::Variant GetStateFieldValue(data::TDataSetState state, data::TField* field) override;
    std::unique_ptr<rtl::TStream> CreateBlobStream(data::TField* field, data::TBlobStreamMode mode) override;
    // The record buffer that field access uses in the current state; false when there is none.
    bool GetActiveRecBuf(data::TRecordBuffer& recBuf);
    // The old values of the current record; of the record being applied while the cache is applied.
    bool GetOldRecBuf(data::TRecordBuffer& recBuf);

    // ---- Blobs of the active record
    dataaccess::TBlob* GetBlob(const dataaccess::TFieldDesc& desc);
    dataaccess::TBlob* GetBlob(const std::string& fieldName);
    dataaccess::TBlob* GetBlob(const data::TField* field);

    // ---- Navigation and bookmarks
    bool IsSequenced() const override { return true; }
    void SetRecNo(int value) override;
    bool BookmarkValid(const data::TBookmark& bookmark) const override;
    int CompareBookmarks(const data::TBookmark& a, const data::TBookmark& b) const override;

    void Cancel() override;
    void SetBlockReadSize(int value) override;

    // ---- Cached updates
    // Only while closed ("Cannot perform this operation on an open dataset").
    void SetCachedUpdates(bool value);
    // EDatabaseError "Not in cached update mode" while cached updates are off.
    virtual void ApplyUpdates();
    void CommitUpdates();
    void RevertRecord();
    data::TUpdateStatus UpdateStatus() const override;
    // Replaces or precedes the updater's default processing of one cached record.
    components::TUpdateRecordEvent OnUpdateRecord;
    // Decides what happens when applying one cached record raised an EDatabaseError.
    components::TUpdateErrorEvent OnUpdateError;

    // ---- Filters, locate, lookup
    void SetFiltered(bool value) override;
    void SetFilterText(const std::string& value) override;
    void SetFilterOptions(data::TFilterOptions value) override;
    void SetOnFilterRecord(TFilterRecordEvent value) override;
    bool Locate(const std::string& keyFields, const rtl::Variant& keyValues,
                data::TLocateOptions options) override;
    // Never moves and fires no scroll events.
    rtl::Variant Lookup(const std::string& keyFields, const rtl::Variant& keyValues,
                        const std::string& resultFields) override;
    // The locate engine: key fields separated by ";" ("Field %s not found" from the store), or a
    // list of fields (null entries skipped); `keyValues` is a value, or an array for several keys.
    // With `keepPosition`, or when nothing matches, the store's position is kept.
    bool LocateRecord(const std::string& keyFields, const rtl::Variant& keyValues, TLocateExOptions options,
                      bool keepPosition);
    bool LocateRecord(const std::vector<data::TField*>& fields, const rtl::Variant& keyValues,
                      TLocateExOptions options, bool keepPosition);
    bool LocateByFields(const std::vector<data::TField*>& fields, const rtl::Variant& keyValues,
                        data::TLocateOptions options);
    bool LocateExtended(const std::vector<data::TField*>& fields, const rtl::Variant& keyValues,
                        TLocateExOptions options);
    // One key value in the store's comparable form: an empty block for null, else the block and the
    // type to compare it as. `convert` converts text to the field's own type. EDatabaseError
    // "Cannot convert type" for a type that has no such form.
    virtual void PrepareKeyValue(const rtl::Variant& keyValue, std::vector<uint8_t>& block, bool convert,
                                 const dataaccess::TFieldDesc& desc, uint16_t& valueType);

    // ---- XML rowset description of fields and values
    // The type attributes of a field; EDatabaseError "Data type is not supported" for types without
    // one.
    virtual void WriteFieldXMLDataType(data::TField* field, const dataaccess::TFieldDesc& desc,
                                       dataaccess::TXmlTextWriter& writer);
    // Name, number and the nullable, writable, key and auto-increment flags; with `name`, the
    // descriptor's name goes to "rs:name".
    virtual void WriteFieldXMLAttributeType(data::TField* field, const dataaccess::TFieldDesc& desc,
                                            dataaccess::TXmlTextWriter& writer, const std::string& name);
    // Numbers with "." whatever the locale; dates as yyyy-mm-ddThh:nn:ss; bytes in hexadecimal.
    virtual std::u16string GetFieldXMLValue(data::TField* field, const dataaccess::TFieldDesc& desc);

    // ---- Record-buffer layout
    int RecInfoOffset() const { return recInfoOffset_; }
    int BookmarkOffset() const { return bookmarkOffset_; }
    int RecBufSize() const { return recBufSize_; }

protected:
    // ---- Cursor hooks
    data::TRecordBuffer AllocRecordBuffer() override;
    void FreeRecordBuffer(data::TRecordBuffer& buffer) override;
    data::TGetResult GetRecord(data::TRecordBuffer buffer, data::TGetMode mode, bool doCheck) override;
    void InternalOpen() override;
    void InternalClose() override;
    void InternalInitFieldDefs() override;
    bool IsCursorOpen() const override { return data_ && data_->Active(); }
    void InternalFirst() override;
    void InternalLast() override;
    void InternalGotoBookmark(const void* bookmark) override;
    void InternalSetToRecord(data::TRecordBuffer buffer) override;
    void GetBookmarkData(data::TRecordBuffer buffer, void* data) const override;
    void SetBookmarkData(data::TRecordBuffer buffer, const void* data) override;
    data::TBookmarkFlag GetBookmarkFlag(data::TRecordBuffer buffer) const override;
    void SetBookmarkFlag(data::TRecordBuffer buffer, data::TBookmarkFlag flag) override;
    int GetRecNo() const override;
    int GetRecordCount() const override;

    // ---- Editing
    void InternalInitRecord(data::TRecordBuffer buffer) override;
    void InitRecord(data::TRecordBuffer buffer) override;
    void InternalEdit() override;
    void InternalInsert() override;
    void InternalPost() override;
    void InternalCancel() override;
    void InternalDelete() override;
    void InternalRefresh() override;
    void DoOnNewRecord() override;
    void DoAfterOpen() override;
    // Assigns each field's DefaultExpression to a new record.
    virtual void SetDefaultExpressionValues();

    // To another memory data set: the update options.
    void AssignTo(data::TPersistent* dest) const override;

    // ---- Lifecycle
    void OpenCursor(bool infoQuery) override;
    void CloseCursor() override;
    virtual void ReopenData();
    virtual void CreateFieldDefs();
    virtual int GetFieldDefSize(data::TFieldType fieldType, const dataaccess::TFieldDesc& desc) const;
    void ClearCalcFields(data::TRecordBuffer buffer) override;
    virtual std::unique_ptr<TDataSetService> CreateDataSetService() const;

    bool FindRecord(bool restart, bool goForward) override;
    // Mirrors Filter, FilterOptions and OnFilterRecord into the store.
    void InstallFilter();
    void RemoveFilter();
    // The store's record filter: OnFilterRecord over the record in the filter state.
    bool RecordFilter(void* record);

    bool Inserting() const { return inserting_; }
    bool Editing() const { return editing_; }

private:
    friend class TDataSetUpdater;

    // The writers' common start; `reevaluate` ends them when the store must filter again.
    void BeginFilterChange();
    void ReevaluateFilter();
    bool LocateDescs(const std::vector<dataaccess::TFieldDesc*>& keys, const rtl::Variant& keyValues,
                     TLocateExOptions options, bool keepPosition);
    void CheckCachedUpdates() const;
    // Runs `operation` with the two cache record buffers handed to the store.
    template <class Operation>
    void WithCacheBuffers(Operation operation);
    void InstallUpdaterHooks();

    // The store's calculated descriptors of the data set's calculated and lookup fields.
    void AddCalcFieldDescs();
    // Computes the calculated fields of a store record (`source`: another record to take the data
    // fields from).
    void CalcCachedRecord(void* record, void* source);
    dataaccess::TFieldDesc* CalcFieldDesc(const data::TField* field) const;
    bool IsCalcFieldDesc(const dataaccess::TFieldDesc& desc) const;
    void ApplyNumberRanges();
    void FreeOldRecord();

    std::unique_ptr<dataaccess::TData> data_;
    mutable std::unique_ptr<TDataSetService> service_;
    data::TRecordBuffer oldRecord_ = nullptr;
    data::TRecordBuffer filterBuffer_ = nullptr;
    // While the cache is applied or committed, field access reads these two.
    data::TRecordBuffer newCacheBuffer_ = nullptr;
    data::TRecordBuffer oldCacheBuffer_ = nullptr;
    bool cachedUpdates_ = false;
    bool localUpdate_ = false;
    bool inserting_ = false;
    bool editing_ = false;
    std::string indexFieldNames_;
    std::vector<std::pair<dataaccess::TFieldDesc*, data::TField*>> calcFields_;
    int recInfoOffset_ = 0;
    int bookmarkOffset_ = 0;
    int recBufSize_ = 0;
    bool requiredFields_ = true;
    bool numberRange_ = false;
    bool cacheCalcFields_ = false;
};

// A stream over a blob field of the active record of a memory data set.
class TBlobStream : public rtl::TStream {
public:
    // Raises "Field '%s' cannot be modified" or "Dataset not in edit or insert mode" when writing is
    // not possible. Without an active record the stream stays closed and reads nothing.
    TBlobStream(data::TBlobField* field, data::TBlobStreamMode mode);
    ~TBlobStream() override;

    // Never negative: a read at or past the end reads nothing and returns 0.
    int64_t Read(void* buffer, int64_t count) override;
    int64_t Write(const void* buffer, int64_t count) override;
    int64_t Seek(int64_t offset, rtl::TSeekOrigin origin) override;
    int64_t Size() override { return GetBlobSize(); }
    void SetSize(int64_t size) override;
    // Cuts the blob at the position.
    void Truncate();
    int64_t GetBlobSize();

private:
    bool FromRollback() const;

    data::TBlobField* field_;
    TMemDataSet* dataSet_;
    data::TRecordBuffer buffer_ = nullptr;
    data::TBlobStreamMode mode_;
    int fieldNo_ = 0;
    bool opened_ = false;
    bool modified_ = false;
    int64_t position_ = 0;
};

} // namespace components
