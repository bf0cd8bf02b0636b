// The data set: records through buffers, navigation, bookmarks, editing and events.
#pragma once

#include "platform/data/Component.h"
#include "platform/data/DataError.h"
#include "platform/data/DBTypes.h"
#include "platform/data/Field.h"
#include "platform/data/FieldClassTable.h"
#include "platform/data/FieldDefs.h"
#include "platform/rtl/Streams.h"
#include "platform/rtl/Variant.h"

#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace data {

class TDataSource;
class TDataLink;

// A bookmark: BookmarkSize bytes that the data set resolves to a record; empty for none.
using TBookmark = std::vector<uint8_t>;

// A set of records seen through a window of record buffers, with navigation, bookmarks, the edit
// cycle, fields and data events to the attached data links.
//
// A descendant supplies the cursor: record buffers (AllocRecordBuffer / FreeRecordBuffer), reading
// records into them (GetRecord), moving the cursor (InternalFirst, InternalLast, InternalGotoBookmark,
// InternalSetToRecord), bookmarks and bookmark flags kept in the buffers, field data, and open/close.
// Its destructor must close the data set (Destroying(); Close();): the cursor hooks are gone by the
// time this base destructor runs.
//
// The buffer window holds up to BufferCount records around the active one (BufferCount is the
// largest buffer count of the attached data links, at least 1) and one spare buffer after them.
class TDataSet : public TComponent {
public:
    using TDataSetNotifyEvent = std::function<void(TDataSet* dataSet)>;
    using TDataSetErrorEvent =
        std::function<void(TDataSet* dataSet, EDatabaseError& error, TDataAction& action)>;
    using TFilterRecordEvent = std::function<void(TDataSet* dataSet, bool& accept)>;
    using TUpdateRecordEvent =
        std::function<void(TDataSet* dataSet, TUpdateKind kind, TUpdateAction& action)>;
    using TUpdateErrorEvent = std::function<void(TDataSet* dataSet, EDatabaseError& error, TUpdateKind kind,
                                                 TUpdateAction& action)>;

    explicit TDataSet(TComponent* owner);
    ~TDataSet() override;

    // ---- state and lifecycle ----
    TDataSetState State() const { return state_; }
    bool Active() const { return state_ != dsInactive && state_ != dsOpening; }
    virtual void SetActive(bool value);
    void Open() { SetActive(true); }
    void Close() { SetActive(false); }
    // EDatabaseError "Cannot perform this operation on a closed dataset".
    void CheckActive() const;
    // EDatabaseError "Cannot perform this operation on an open dataset".
    virtual void CheckInactive() const;
    // Reads the field definitions without fetching records.
    void InitFieldDefs();

    // ---- navigation ----
    void First();
    void Last();
    void Next();
    void Prior();
    // Moves up to `distance` records (negative: back); the number actually moved.
    int MoveBy(int distance);
    bool Bof() const { return bof_; }
    bool Eof() const { return eof_; }
    bool IsEmpty() const { return activeRecord_ >= recordCount_; }
    // 1-based number of the active record; -1 when the data set does not number its records.
    int RecNo() const { return GetRecNo(); }
    virtual void SetRecNo(int value) {}
    int RecordCount() const { return GetRecordCount(); }
    virtual bool IsSequenced() const { return false; }
    void Refresh();
    // Reads the window again around the cursor's record (rmExact: the record must still exist, else
    // EDatabaseError "Record not found"; rmCenter: it lands in the middle of the window).
    virtual void Resync(TResyncMode mode);

    // ---- bookmarks ----
    int BookmarkSize() const { return bookmarkSize_; }
    // The active record's bookmark; empty when there is none (empty data set, record being inserted).
    TBookmark GetBookmark() const;
    void GotoBookmark(const TBookmark& bookmark);
    virtual bool BookmarkValid(const TBookmark& bookmark) const { return false; }
    // Negative, 0 or positive; an empty bookmark sorts first.
    virtual int CompareBookmarks(const TBookmark& a, const TBookmark& b) const;

    // ---- editing ----
    void Edit();
    void Insert();
    void Append();
    virtual void Post();
    virtual void Cancel();
    void Delete();
    // Posts or cancels a pending edit (posts when a field changed).
    void CheckBrowseMode();
    // Asks the data links to write pending control values into the fields.
    void UpdateRecord();
    bool Modified() const { return modified_; }
    bool CanModify() const { return GetCanModify(); }
    virtual TUpdateStatus UpdateStatus() const { return usUnmodified; }

    // ---- fields ----
    TFields& Fields() { return fields_; }
    const TFields& Fields() const { return fields_; }
    int FieldCount() const { return fields_.Count(); }
    TField* FindField(std::string_view name) const { return fields_.FindField(name); }
    TField* FieldByName(std::string_view name) const { return fields_.FieldByName(name); }
    TField* FieldByNumber(int fieldNo) const { return fields_.FieldByNumber(fieldNo); }
    TFieldDefs& FieldDefs() { return fieldDefs_; }
    const TFieldDefs& FieldDefs() const { return fieldDefs_; }
    // The fields were made from the field definitions at open (the data set had none of its own).
    bool DefaultFields() const { return defaultFields_; }
    bool ObjectView() const { return false; }
    bool SparseArrays() const { return false; }
    // The class of field made for a type: the data set's own table when it has one, else the
    // process-wide table.
    virtual TFieldClass GetFieldClass(TFieldType type) const;
    void SetFieldClasses(std::shared_ptr<const TFieldClassTable> table) { fieldClasses_ = std::move(table); }
    bool AutoCalcFields() const { return autoCalcFields_; }
    void SetAutoCalcFields(bool value) { autoCalcFields_ = value; }

    // Raw field access: `buffer` receives DataSize bytes of the field's value (null: only whether
    // there is one); the result says whether the field has a value in the current state's buffer.
    // (A descendant that overrides one overload brings the others in with a using-declaration.)
    virtual bool GetFieldData(TField* field, void* buffer) = 0;
    // The base reads the field with that number.
    virtual bool GetFieldData(int fieldNo, void* buffer);
    // Writes DataSize bytes from `buffer` (null: makes the field null). The base refuses.
    virtual void SetFieldData(TField* field, const void* buffer);
    // Field values of another state (dsOldValue, dsNewValue), read through a temporary state.
    virtual rtl::Variant GetStateFieldValue(TDataSetState state, TField* field);
    virtual void SetStateFieldValue(TDataSetState state, TField* field, const rtl::Variant& value);
    // A stream over a blob field's value; the base has none (null).
    virtual std::unique_ptr<rtl::TStream> CreateBlobStream(TField* field, TBlobStreamMode mode);
    virtual void CloseBlob(TField* field) {}

    // ---- data events and links ----
    // Sends an event to the attached data sources and their links (unless controls are disabled).
    // `info` is the changed field for deFieldChange and the record shift for deDataSetScroll.
    virtual void DataEvent(TDataEvent event, intptr_t info);
    void DisableControls();
    void EnableControls();
    bool ControlsDisabled() const { return disableCount_ != 0; }
    // The data source of a master data set this one follows; the base has none.
    virtual TDataSource* GetDataSource() const { return nullptr; }
    bool IsLinkedTo(const TDataSource* dataSource) const;
    // The master fields and the detail fields that link this data set to its master; the base has none.
    virtual void GetDetailLinkFields(std::vector<TField*>& masterFields, std::vector<TField*>& detailFields) {
    }
    int BufferCount() const { return bufferCount_; }

    // ---- filters and searching ----
    const std::string& Filter() const { return filterText_; }
    virtual void SetFilterText(const std::string& value) { filterText_ = value; }
    bool Filtered() const { return filtered_; }
    virtual void SetFiltered(bool value) { filtered_ = value; }
    TFilterOptions FilterOptions() const { return filterOptions_; }
    virtual void SetFilterOptions(TFilterOptions value) { filterOptions_ = value; }
    const TFilterRecordEvent& OnFilterRecord() const { return onFilterRecord_; }
    virtual void SetOnFilterRecord(TFilterRecordEvent value) { onFilterRecord_ = std::move(value); }
    bool FindFirst() { return found_ = FindRecord(true, true); }
    bool FindLast() { return found_ = FindRecord(true, false); }
    bool FindNext() { return found_ = FindRecord(false, true); }
    bool FindPrior() { return found_ = FindRecord(false, false); }
    bool Found() const { return found_; }
    // Moves to the first record whose `keyFields` (separated by ";") equal `keyValues` (an array
    // for several fields); the base finds nothing.
    virtual bool Locate(const std::string& keyFields, const rtl::Variant& keyValues, TLocateOptions options);
    // The `resultFields` of that record without moving; the base gives Null.
    virtual rtl::Variant Lookup(const std::string& keyFields, const rtl::Variant& keyValues,
                                const std::string& resultFields);

    // ---- block read ----
    int BlockReadSize() const { return blockReadSize_; }
    // Above 0, the data set reads records in dsBlockRead without telling the data links.
    virtual void SetBlockReadSize(int value);
    // Next while reading in blocks.
    virtual void BlockReadNext();

    // ---- events ----
    TDataSetNotifyEvent BeforeOpen, AfterOpen, BeforeClose, AfterClose;
    TDataSetNotifyEvent BeforeInsert, AfterInsert, BeforeEdit, AfterEdit, BeforePost, AfterPost;
    TDataSetNotifyEvent BeforeCancel, AfterCancel, BeforeDelete, AfterDelete;
    TDataSetNotifyEvent BeforeScroll, AfterScroll, BeforeRefresh, AfterRefresh;
    TDataSetNotifyEvent OnCalcFields, OnNewRecord;
    TDataSetErrorEvent OnPostError, OnEditError, OnDeleteError;

protected:
    // ---- cursor hooks of a descendant ----
    virtual TRecordBuffer AllocRecordBuffer() = 0;
    virtual void FreeRecordBuffer(TRecordBuffer& buffer) = 0;
    // Reads the current, next or prior record of the cursor into `buffer` and moves the cursor there.
    virtual TGetResult GetRecord(TRecordBuffer buffer, TGetMode mode, bool doCheck) = 0;
    virtual void InternalOpen() = 0;
    virtual void InternalClose() = 0;
    virtual void InternalInitFieldDefs() = 0;
    virtual bool IsCursorOpen() const = 0;
    // Puts the cursor before the first / after the last record.
    virtual void InternalFirst() = 0;
    virtual void InternalLast() = 0;
    virtual void InternalGotoBookmark(const void* bookmark) = 0;
    virtual void InternalSetToRecord(TRecordBuffer buffer) = 0;
    virtual void GetBookmarkData(TRecordBuffer buffer, void* data) const = 0;
    virtual void SetBookmarkData(TRecordBuffer buffer, const void* data) = 0;
    virtual TBookmarkFlag GetBookmarkFlag(TRecordBuffer buffer) const = 0;
    virtual void SetBookmarkFlag(TRecordBuffer buffer, TBookmarkFlag flag) = 0;
    virtual int GetRecNo() const { return -1; }
    virtual int GetRecordCount() const { return -1; }
    virtual bool GetCanModify() const { return true; }
    // The edit cycle. InternalPost checks required fields; InternalDelete refuses.
    virtual void InternalInitRecord(TRecordBuffer buffer) {}
    virtual void InternalEdit() {}
    virtual void InternalInsert() {}
    virtual void InternalPost();
    virtual void InternalCancel() {}
    virtual void InternalDelete();
    virtual void InternalRefresh() {}
    // Shows an exception that ended an event through the application's handler (EAbort is silent).
    virtual void InternalHandleException();

    // ---- lifecycle steps ----
    virtual void OpenCursor(bool infoQuery);
    virtual void CloseCursor();
    // InternalOpen, then the buffer window is filled from the first record.
    void DoInternalOpen();
    virtual void DoBeforeOpen() { Fire(BeforeOpen); }
    virtual void DoAfterOpen() { Fire(AfterOpen); }
    virtual void DoBeforeClose() { Fire(BeforeClose); }
    virtual void DoAfterClose() { Fire(AfterClose); }
    virtual void DoBeforeInsert() { Fire(BeforeInsert); }
    virtual void DoAfterInsert() { Fire(AfterInsert); }
    virtual void DoBeforeEdit() { Fire(BeforeEdit); }
    virtual void DoAfterEdit() { Fire(AfterEdit); }
    virtual void DoBeforePost() { Fire(BeforePost); }
    virtual void DoAfterPost() { Fire(AfterPost); }
    virtual void DoBeforeCancel() { Fire(BeforeCancel); }
    virtual void DoAfterCancel() { Fire(AfterCancel); }
    virtual void DoBeforeDelete() { Fire(BeforeDelete); }
    virtual void DoAfterDelete() { Fire(AfterDelete); }
    virtual void DoBeforeScroll() { Fire(BeforeScroll); }
    virtual void DoAfterScroll() { Fire(AfterScroll); }
    virtual void DoBeforeRefresh() { Fire(BeforeRefresh); }
    virtual void DoAfterRefresh() { Fire(AfterRefresh); }
    virtual void DoOnCalcFields() { Fire(OnCalcFields); }
    virtual void DoOnNewRecord() { Fire(OnNewRecord); }

    void SetState(TDataSetState value);
    // Switches to a state for a moment (reading old values, calculating fields) without telling the
    // data links; RestoreState returns to the state SetTempState answered.
    TDataSetState SetTempState(TDataSetState value);
    void RestoreState(TDataSetState value);
    void SetModified(bool value) { modified_ = value; }
    void SetBookmarkSize(int value) { bookmarkSize_ = value; }
    void CheckCanModify() const;
    // Runs an edit operation; an EDatabaseError goes to `onError`, which may ask to retry or abort.
    void CheckOperation(const std::function<void()>& operation, const TDataSetErrorEvent& onError);

    // ---- fields ----
    void CreateFields();
    void DestroyFields();
    // Binds the fields to the field definitions (field numbers, calculated-field offsets).
    virtual void BindFields(bool binding);
    // EDatabaseError when a field cannot hold a column of that definition.
    virtual void CheckFieldCompatibility(TField* field, const TFieldDef* fieldDef) const;
    int CalcFieldsSize() const { return calcFieldsSize_; }

    // ---- buffer window ----
    TRecordBuffer ActiveBuffer() const { return recordCount_ > 0 ? buffers_[activeRecord_] : nullptr; }
    TRecordBuffer CalcBuffer() const { return calcBuffer_; }
    TRecordBuffer TempBuffer() const { return buffers_.empty() ? nullptr : buffers_[recordCount_]; }
    // Puts the cursor on the active record.
    void UpdateCursorPos();
    // The cursor no longer matches any buffer.
    void CursorPosChanged() { currentRecord_ = -1; }
    // A new record: InternalInitRecord, calculated fields cleared, flag bfInserted.
    virtual void InitRecord(TRecordBuffer buffer);
    virtual void ClearCalcFields(TRecordBuffer buffer) {}
    // Computes the calculated fields of `buffer` in dsCalcFields.
    virtual void GetCalcFields(TRecordBuffer buffer);
    virtual void CalculateFields(TRecordBuffer buffer) { DoOnCalcFields(); }
    virtual bool FindRecord(bool restart, bool goForward) { return false; }

private:
    friend class TDataSource;
    friend class TDataLink;
    friend class TField;
    friend class TFields;

    void Fire(const TDataSetNotifyEvent& event) {
        if (event) event(this);
    }
    void OpenDataSet();
    void CloseDataSet();
    void BeginInsertAppend();
    void EndInsertAppend();
    void CheckRequiredFields();
    bool HasCalcFields() const;

    bool GetNextRecord();
    bool GetPriorRecord();
    int GetNextRecords();
    int GetPriorRecords();
    void ActivateBuffers();
    void ClearBuffers();
    void MoveBuffer(int curIndex, int newIndex);
    void SetCurrentRecord(int index);
    void SetBufferCount(int value);
    void FreeBuffers();
    void UpdateBufferCount();
    void SetActiveRecord(int index);
    void AddDataSource(TDataSource* dataSource);
    void RemoveDataSource(TDataSource* dataSource);
    void NotifyDataSources(TDataEvent event, intptr_t info);

    TDataSetState state_ = dsInactive;
    TFields fields_;
    TFieldDefs fieldDefs_;
    std::shared_ptr<const TFieldClassTable> fieldClasses_;
    bool defaultFields_ = false;
    bool autoCalcFields_ = true;
    int calcFieldsSize_ = 0;
    bool internalOpenComplete_ = false;
    bool modified_ = false;
    bool bof_ = true;
    bool eof_ = true;
    int bookmarkSize_ = 0;

    std::vector<TRecordBuffer> buffers_; // bufferCount_ window buffers and the spare one
    int bufferCount_ = 0;
    int recordCount_ = 0;    // buffers in the window that hold records
    int activeRecord_ = 0;   // the window index of the active record
    int currentRecord_ = -1; // the window index of the cursor's record, -1 when unknown
    TRecordBuffer calcBuffer_ = nullptr;

    std::vector<TDataSource*> dataSources_;
    int disableCount_ = 0;
    TDataSetState disableState_ = dsInactive;
    TDataEvent enableEvent_ = deDataSetChange;

    std::string filterText_;
    bool filtered_ = false;
    TFilterOptions filterOptions_;
    TFilterRecordEvent onFilterRecord_;
    bool found_ = false;
    int blockReadSize_ = 0;
};

} // namespace data
