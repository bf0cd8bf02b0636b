// The record store's base: fields, records, bookmarks, filters, sorting and blob access.
#pragma once

#include "dataaccess/store/uBlockManager.h"
#include "dataaccess/store/uFieldDesc.h"
#include "dataaccess/store/uStringHeap.h"
#include "platform/rtl/Set.h"
#include "platform/rtl/Variant.h"

#include <cstdint>
#include <cstring>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace dataaccess {

class TBlob;
class TFilterExpression;

// A value of type T at an address of a record, which need not be aligned.
template <class T>
T LoadAs(const void* address) {
    T value;
    std::memcpy(&value, address, sizeof(T));
    return value;
}

template <class T>
void StoreAs(void* address, const T& value) {
    std::memcpy(address, &value, sizeof(T));
}

// Process-wide hooks of the layer: around lengthy server operations (connecting, opening,
// executing) and for the application's name. Nothing in this program installs them; unset, the
// notifications do nothing and the name is empty.
inline std::function<void()> BusyStartHook;
inline std::function<void()> BusyEndHook;
inline std::function<std::string()> ApplicationNameHook;
void NotifyBusyStart();
void NotifyBusyEnd();
std::string GetApplicationName();

// The change a cached update hands to the apply hook.
enum TUpdateRecKind : int { ukUpdate = 0, ukInsert = 1, ukDelete = 2 };
// What the apply hook answers; the store records it as the item's update result.
using TUpdateRecAction = TUpdateResult;
// The update statuses a store shows.
using TItemTypes = rtl::Set<TItemStatus, 4>;

// A position in a store: the fill it was taken in, the record number (-1 without a current record)
// and the item. The stamp tells whether any item has left the store since, so that the item is known
// to be alive without a search.
struct TRecBookmark {
    int32_t RefreshIteration = 0;
    int32_t RecordNo = -1;
    PItemHeader Item = nullptr;
    uint32_t ItemStamp = 0;
};
inline constexpr size_t kBookmarkSize = sizeof(TRecBookmark);

// A field's value in the form the local comparisons take: dates as date-time doubles, heap values
// dereferenced, byte values with their 16-bit length in front, currency as a double, blobs as
// 8-bit text (type dtString). Value points into the record or into Temp.
struct TComparableValue {
    uint16_t Type = 0;
    bool IsNull = false;
    const void* Value = nullptr;
    std::vector<uint8_t> Temp;

    TComparableValue() = default;
    TComparableValue(TComparableValue&&) = default;
    TComparableValue& operator=(TComparableValue&&) = default;
};

// The base of the in-memory record store: field descriptors, the layout of a record buffer, field
// values in their stored, external and variant forms, the complex values records refer to (blobs,
// variant objects, heap strings), the filter, and the hooks the data-access components install.
// A record buffer is RecordSize() bytes: the data area, one null byte per field, and one more byte
// when that sum is even.
class TData {
public:
    TData();
    virtual ~TData();
    TData(const TData&) = delete;
    TData& operator=(const TData&) = delete;

    // ---- Fields and layout
    TFieldDescs& Fields() { return fields_; }
    const TFieldDescs& Fields() const { return fields_; }
    int FieldCount() const { return fields_.Count(); }
    TFieldDesc* FindFieldDesc(std::string_view name) const { return fields_.FindField(name); }
    // Raises "Field %s not found".
    TFieldDesc& FieldDescByName(std::string_view name) const { return fields_.FieldNamed(name); }
    // The descriptor `fieldNo` (1-based); an assertion outside the list.
    TFieldDesc& FieldByNo(int fieldNo) const;
    virtual TFieldDescClass GetFieldDescClass() const { return &TFieldDesc::Create; }

    int RecordSize() const { return recordSize_; }
    int DataSize() const { return dataSize_; }
    int CalcRecordSize() const { return calcRecordSize_; }
    int CalcDataSize() const { return calcDataSize_; }
    bool HasComplexFields() const { return hasComplexFields_; }
    TStringHeap& StringHeap() { return stringHeap_; }

    // ---- Options
    // On: the layout computation creates the descriptors, and closing or unpreparing clears them.
    bool AutoInitFields() const { return autoInitFields_; }
    void SetAutoInitFields(bool value) { autoInitFields_ = value; }
    bool TrimFixedChar() const { return trimFixedChar_; }
    void SetTrimFixedChar(bool value) { trimFixedChar_ = value; }
    bool TrimVarChar() const { return trimVarChar_; }
    void SetTrimVarChar(bool value) { trimVarChar_ = value; }
    // Off: an empty string written by WriteFieldByNo is stored as null.
    bool EnableEmptyStrings() const { return enableEmptyStrings_; }
    void SetEnableEmptyStrings(bool value) { enableEmptyStrings_ = value; }
    bool CachedUpdates() const { return cachedUpdates_; }
    // Switching off cancels the pending updates; switching on shows unmodified, updated and inserted
    // rows.
    void SetCachedUpdates(bool value);

    // ---- Filter
    bool FilterCaseInsensitive() const { return filterCaseInsensitive_; }
    void SetFilterCaseInsensitive(bool value) { filterCaseInsensitive_ = value; }
    bool FilterNoPartialCompare() const { return filterNoPartialCompare_; }
    void SetFilterNoPartialCompare(bool value) { filterNoPartialCompare_ = value; }
    const std::string& FilterText() const { return filterText_; }
    // Parsed at once while the store is active ("Illegal filter expression", "Field %s not found");
    // rows are checked again by FilterUpdated.
    virtual void SetFilterText(const std::string& text);
    TItemTypes FilterItemTypes() const { return filterItemTypes_; }
    virtual void SetFilterItemTypes(TItemTypes types) { filterItemTypes_ = types; }
    // A record-filter hook is set or a filter expression exists.
    bool FilterActive() const;
    const TFilterExpression* FilterExpression() const { return filterExpression_.get(); }

    // ---- State
    bool Active() const { return active_; }
    bool Prepared() const { return prepared_; }

    // ---- Hooks of the data-access components
    std::function<void(void* record)> OnInsertRecord;
    std::function<void()> OnDeleteRecord;
    std::function<void(void* record)> OnUpdateRecord;
    std::function<void(TUpdateRecKind kind, TUpdateRecAction& action, bool lastItem)> OnApplyRecord;
    std::function<bool(void* record)> OnFilterRecord;
    std::function<bool(void* record)> OnMasterDetailFilter;
    std::function<void()> OnFieldsInitialized;
    // Fills the calculated area of `target` for the record `source` (nullptr: of `target` itself).
    std::function<void(void* target, void* source)> OnCalcFields;

    // ---- Life cycle
    virtual void Open();
    virtual void Close();
    virtual void Prepare();
    virtual void Unprepare();
    virtual bool ReopenRebuildsFields() const { return true; }
    virtual void Reopen();
    virtual void InitFields() { ComputeRecordLayout(); }
    virtual void ClearFields() { fields_.Clear(); }

    // ---- Record buffers
    void* NewRecordBuffer() const;
    void DisposeRecordBuffer(void* record) const;
    // Zero-filled when the store has complex fields; every field null.
    void InitRecord(void* record) const;

    // ---- Field values. Field numbers are 1-based.
    // The null flag, and unless `destination` is nullptr the value in its external form.
    void ReadFieldByNo(int fieldNo, void* record, bool& isNull, void* destination) const;
    // `value` in the external form (dtWideString and dtExtWideString: zero-terminated UTF-16); a
    // missing value, or an empty string while empty strings are not enabled, makes the field null.
    void WriteFieldByNo(int fieldNo, void* record, const void* value);
    // A blob marked null that has content counts as not null, and its null byte is cleared.
    virtual bool IsFieldNull(int fieldNo, void* record) const;
    // Setting null clears a blob.
    virtual void SetFieldNull(int fieldNo, void* record, bool isNull);
    // Raises EConversionError "Cannot convert type %d" for a type without a variant form.
    virtual rtl::Variant ReadFieldAsVariant(int fieldNo, void* record) const;
    // A null or empty variant makes the field null.
    virtual void WriteFieldAsVariant(int fieldNo, void* record, const rtl::Variant& value);
    virtual void ConvertToExternal(const TFieldDesc& field, void* source, void* destination) const;
    virtual void ConvertToInternal(const TFieldDesc& field, const void* value, void* destination);
    // Whether strings written turn LF into CR LF.
    virtual bool GetConvertLineBreaks() const { return false; }
    // Modes: 0 time-stamp milliseconds as a double, 1 the date-time double itself, 2 the time of day
    // in milliseconds (32-bit), 3 the day number (32-bit, day 1 is 1 January of year 1).
    virtual void DateTimeToExternal(int mode, rtl::TDateTime value, void* destination) const;
    virtual rtl::TDateTime DateTimeToInternal(int mode, const void* value) const;
    virtual bool IsBlobFieldType(uint16_t typeCode) const;
    virtual bool IsComplexFieldType(uint16_t typeCode) const;

    // ---- Complex values of a record
    void CreateComplexFields(void* record, bool withBlobs);
    virtual void CreateComplexField(void* record, int index, bool withBlobs);
    virtual void FreeComplexFields(void* record, bool withBlobs);
    // Variants into the destination's variant objects, heap values into new heap buffers; blobs are
    // not copied.
    virtual void CopyComplexFields(void* source, void* destination);
    // One more owner for every heap value, variant object and blob.
    virtual void AddRefComplexFields(void* record);
    // Gives the buffer its own copies of its heap values and variants, so that editing it leaves the
    // stored row alone.
    void EditRecord(void* record);
    // Writes the edited buffer over the current row, drops its blobs' rollback copies and releases
    // the row's previous values.
    void PostEditedRecord(void* record);
    // Blobs go back to their rollback copies; the buffer's own values are released.
    virtual void CancelRecord(void* record);

    // ---- Blobs. Positions and counts are bytes; for a Unicode blob without `raw` they count the
    // characters of its 8-bit (UTF-8) text.
    // Raises "Field is not BLOB"; an assertion when the slot is empty.
    TBlob* BlobOfField(int fieldNo, void* record) const;
    uint32_t ReadBlob(int fieldNo, void* record, uint32_t position, uint32_t count, void* destination,
                      bool raw = false, bool fromRollback = false) const;
    void WriteBlob(int fieldNo, void* record, uint32_t position, uint32_t count, const void* source,
                   bool raw = false);
    // Size 0 makes the field null.
    void TruncateBlob(int fieldNo, void* record, uint32_t size, bool raw = false);
    uint32_t GetBlobSize(int fieldNo, void* record, bool raw = false, bool fromRollback = false) const;
    void SetBlobSize(int fieldNo, void* record, uint32_t size, bool raw = false);

    // ---- Rows
    virtual bool IsEof() const { return eof_; }
    virtual bool IsBof() const { return bof_; }
    virtual int GetRecordCount() const { return -1; }
    virtual int GetRecordNo() const { return -1; }
    virtual void SetRecordNo(int) {}
    virtual void GetRecord(void* record) = 0;
    virtual void GetNextRecord(void* record) = 0;
    virtual void GetPriorRecord(void* record) = 0;
    virtual void PutRecord(void* record) = 0;
    virtual void AppendRecord(void* record) = 0;
    virtual void InsertRecord(void* record) = 0;
    virtual void UpdateRecord(void* record) = 0;
    virtual void DeleteRecord() = 0;
    virtual void SetToBegin();
    virtual void SetToEnd();

    virtual void GetBookmark(TRecBookmark& bookmark);
    virtual void SetToBookmark(const TRecBookmark& bookmark);
    virtual bool BookmarkValid(const TRecBookmark* bookmark);
    // A missing bookmark sorts after a present one; two missing ones are equal.
    virtual int CompareBookmarks(const TRecBookmark* a, const TRecBookmark* b);

    // ---- Cached updates
    virtual TItemStatus GetUpdateStatus() const { return isUnmodified; }
    virtual TUpdateResult GetUpdateResult() const { return urNone; }
    virtual bool UpdatesPending() const { return false; }
    virtual void SetCacheRecBuf(void* newValues, void* oldValues) {}
    virtual void ApplyUpdates() {}
    virtual void CommitUpdates() {}
    virtual void CancelUpdates() {}
    virtual void ResetUpdateResults() {}
    virtual void RevertRecord() {}
    virtual void GetOldRecord(void* record) {}
    // Checks every row against the filter again; true when no row is left.
    virtual bool FilterUpdated() { return false; }

    // ---- Comparison
    TComparableValue GetComparableValue(void* record, const TFieldDesc& field) const;

protected:
    virtual void InternalPrepare() {}
    virtual void InternalUnprepare() {}
    virtual void InternalOpen() {}
    virtual void InternalClose() {}
    virtual void InternalInitFields() {}
    virtual void InitData();
    virtual void FreeData() { InitData(); }
    virtual int NullByteCount() const { return FieldCount(); }
    virtual void ComputeRecordLayout();

    void DoInsert(void* record);
    void DoDelete();
    void DoUpdate(void* record);
    void DoApplyRecord(TUpdateRecKind kind, TUpdateRecAction& action, bool lastItem);

    // Parses FilterText into the filter expression (none for a blank text).
    void ParseFilter();
    void FreeFilter();

    uint8_t* FieldData(void* record, const TFieldDesc& field) const;
    uint8_t* NullByte(void* record, int fieldNo) const;
    // The blob in the field's slot, or nullptr.
    static TBlob* BlobSlot(void* record, const TFieldDesc& field);

    bool bof_ = true;
    bool eof_ = true;
    int32_t recordCount_ = 0;
    int32_t recordNoOffset_ = 0;

private:
    void MakeUniqueNames();
    // Heap values replace the slot's previous buffer.
    void WriteHeapText(void* slot, const std::string& text);
    void WriteHeapWide(void* slot, const std::u16string& text);
    void WriteHeapBytes(void* slot, const std::vector<uint8_t>& bytes);

    TFieldDescs fields_;
    TStringHeap stringHeap_;
    int32_t recordSize_ = 0;
    int32_t dataSize_ = 0;
    int32_t calcRecordSize_ = 0;
    int32_t calcDataSize_ = 0;

    bool autoInitFields_ = true;
    bool trimFixedChar_ = false;
    bool trimVarChar_ = false;
    bool enableEmptyStrings_ = false;
    bool cachedUpdates_ = false;
    bool hasComplexFields_ = false;
    bool active_ = false;
    bool prepared_ = false;

    std::string filterText_;
    bool filterCaseInsensitive_ = false;
    bool filterNoPartialCompare_ = false;
    TItemTypes filterItemTypes_;
    std::unique_ptr<TFilterExpression> filterExpression_;
};

} // namespace dataaccess
