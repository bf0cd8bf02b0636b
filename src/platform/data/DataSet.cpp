#include "platform/data/DataSet.h"

#include "platform/data/DataLink.h"
#include "platform/rtl/Format.h"
#include "platform/rtl/ScopeExit.h"

#include <algorithm>
#include <cstdio>
#include <exception>

namespace data {

namespace {

bool IsEditState(TDataSetState state) {
    return state == dsEdit || state == dsInsert;
}

// Field types that hold the same kind of value.
TFieldType BaseFieldType(TFieldType type) {
    switch (type) {
    case ftFixedChar:
    case ftGuid:
        return ftString;
    case ftFixedWideChar:
        return ftWideString;
    case ftAutoInc:
        return ftInteger;
    case ftGraphic:
    case ftParadoxOle:
    case ftDBaseOle:
    case ftTypedBinary:
    case ftOraBlob:
        return ftBlob;
    case ftFmtMemo:
    case ftOraClob:
        return ftMemo;
    default:
        return type;
    }
}

} // namespace

TDataSet::TDataSet(TComponent* owner) : TComponent(owner), fields_(this), fieldDefs_(this) {}

TDataSet::~TDataSet() {
    Destroying();
    if (state_ != dsInactive || !buffers_.empty()) {
        // The descendant's hooks are gone: nothing here can close the cursor or free its buffers.
        std::fputs("TDataSet destroyed while open: its descendant must close it in its destructor\n", stderr);
        std::terminate();
    }
    while (!dataSources_.empty())
        dataSources_.back()->SetDataSet(nullptr);
    fields_.Clear();
}

// ---- state and lifecycle ----

void TDataSet::SetActive(bool value) {
    if (state_ == dsOpening || value == Active()) return;
    if (value)
        OpenDataSet();
    else
        CloseDataSet();
}

void TDataSet::OpenDataSet() {
    DoBeforeOpen();
    state_ = dsOpening;
    rtl::UndoGuard undo([this] {
        state_ = dsInactive;
        CloseCursor();
    });
    OpenCursor(false);
    undo.Dismiss();
    SetState(dsBrowse);
    DoAfterOpen();
    if (!IsEmpty()) DoAfterScroll();
}

void TDataSet::CloseDataSet() {
    if (!IsDestroying()) DoBeforeClose();
    SetState(dsInactive);
    CloseCursor();
    if (!IsDestroying()) DoAfterClose();
}

void TDataSet::OpenCursor(bool infoQuery) {
    if (infoQuery)
        InternalInitFieldDefs();
    else
        DoInternalOpen();
}

void TDataSet::DoInternalOpen() {
    defaultFields_ = fields_.Count() == 0;
    InternalOpen();
    internalOpenComplete_ = true;
    UpdateBufferCount();
    bof_ = true;
}

void TDataSet::CloseCursor() {
    blockReadSize_ = 0;
    FreeBuffers();
    internalOpenComplete_ = false;
    InternalClose();
}

void TDataSet::CheckActive() const {
    if (!Active()) DatabaseError("Cannot perform this operation on a closed dataset", this);
}

void TDataSet::CheckInactive() const {
    if (Active()) DatabaseError("Cannot perform this operation on an open dataset", this);
}

void TDataSet::InitFieldDefs() {
    if (IsCursorOpen()) {
        InternalInitFieldDefs();
        return;
    }
    {
        rtl::UndoGuard close([this] { CloseCursor(); });
        OpenCursor(true);
        close.Dismiss();
    }
    CloseCursor();
}

void TDataSet::SetState(TDataSetState value) {
    if (state_ == value) return;
    state_ = value;
    modified_ = false;
    DataEvent(deUpdateState, 0);
}

TDataSetState TDataSet::SetTempState(TDataSetState value) {
    const TDataSetState old = state_;
    state_ = value;
    ++disableCount_;
    return old;
}

void TDataSet::RestoreState(TDataSetState value) {
    state_ = value;
    --disableCount_;
}

// ---- navigation ----

void TDataSet::First() {
    CheckBrowseMode();
    DoBeforeScroll();
    ClearBuffers();
    rtl::Finally(
        [this] {
            InternalFirst();
            GetNextRecords();
        },
        [this] {
            bof_ = true;
            DataEvent(deDataSetChange, 0);
        });
    DoAfterScroll();
}

void TDataSet::Last() {
    CheckBrowseMode();
    DoBeforeScroll();
    ClearBuffers();
    rtl::Finally(
        [this] {
            InternalLast();
            GetPriorRecords();
        },
        [this] {
            eof_ = true;
            DataEvent(deDataSetChange, 0);
        });
    DoAfterScroll();
}

void TDataSet::Next() {
    if (blockReadSize_ > 0)
        BlockReadNext();
    else
        MoveBy(1);
}

void TDataSet::Prior() {
    MoveBy(-1);
}

int TDataSet::MoveBy(int distance) {
    CheckBrowseMode();
    if ((distance <= 0 || eof_) && (distance >= 0 || bof_)) return 0;
    DoBeforeScroll();
    bof_ = eof_ = false;
    int moved = 0;
    int shift = 0; // how far the records already in the window moved (negative: towards index 0)
    rtl::Finally(
        [&] {
            for (; distance > 0; --distance, ++moved) {
                if (activeRecord_ < recordCount_ - 1) {
                    ++activeRecord_;
                    continue;
                }
                const bool full = recordCount_ == bufferCount_;
                if (!GetNextRecord()) {
                    eof_ = true;
                    break;
                }
                if (full) --shift;
                activeRecord_ = recordCount_ - 1;
            }
            for (; distance < 0; ++distance, ++moved) {
                if (activeRecord_ > 0) {
                    --activeRecord_;
                    continue;
                }
                const bool full = recordCount_ == bufferCount_;
                if (!GetPriorRecord()) {
                    bof_ = true;
                    break;
                }
                if (full) ++shift;
                activeRecord_ = 0;
            }
        },
        [&] { DataEvent(deDataSetScroll, shift); });
    DoAfterScroll();
    return moved;
}

void TDataSet::BlockReadNext() {
    MoveBy(1);
}

void TDataSet::SetBlockReadSize(int value) {
    if (value > 0) {
        CheckActive();
        SetState(dsBlockRead);
    } else if (state_ == dsBlockRead) {
        SetState(dsBrowse);
        // The links saw none of the moves made while reading in blocks.
        DataEvent(deDataSetChange, 0);
    }
    blockReadSize_ = value;
}

void TDataSet::Refresh() {
    CheckBrowseMode();
    DoBeforeRefresh();
    UpdateCursorPos();
    InternalRefresh();
    Resync({});
    DoAfterRefresh();
}

void TDataSet::Resync(TResyncMode mode) {
    if (buffers_.empty()) return;
    TRecordBuffer spare = buffers_[recordCount_];
    if (mode.Contains(rmExact)) {
        CursorPosChanged();
        if (GetRecord(spare, gmCurrent, true) != grOK) DatabaseError("Record not found", this);
    } else if (GetRecord(spare, gmCurrent, false) != grOK && GetRecord(spare, gmNext, false) != grOK &&
               GetRecord(spare, gmPrior, false) != grOK) {
        ClearBuffers();
        DataEvent(deDataSetChange, 0);
        return;
    }
    // The record the cursor is on keeps its row in the window (or goes to the middle).
    int before = mode.Contains(rmCenter) ? (bufferCount_ - 1) / 2 : activeRecord_;
    MoveBuffer(recordCount_, 0);
    ActivateBuffers();
    rtl::Finally(
        [&] {
            while (before > 0 && GetPriorRecord())
                --before;
            GetNextRecords();
            GetPriorRecords();
        },
        [this] { DataEvent(deDataSetChange, 0); });
}

// ---- bookmarks ----

TBookmark TDataSet::GetBookmark() const {
    if ((state_ != dsBrowse && !IsEditState(state_)) || IsEmpty() || bookmarkSize_ <= 0 ||
        GetBookmarkFlag(ActiveBuffer()) != bfCurrent)
        return {};
    TBookmark bookmark(bookmarkSize_);
    GetBookmarkData(ActiveBuffer(), bookmark.data());
    return bookmark;
}

void TDataSet::GotoBookmark(const TBookmark& bookmark) {
    if (bookmark.empty()) return;
    CheckBrowseMode();
    DoBeforeScroll();
    InternalGotoBookmark(bookmark.data());
    Resync({rmExact, rmCenter});
    DoAfterScroll();
}

int TDataSet::CompareBookmarks(const TBookmark& a, const TBookmark& b) const {
    return 0;
}

// ---- editing ----

void TDataSet::CheckCanModify() const {
    if (!CanModify()) DatabaseError("Cannot modify a read-only dataset", this);
}

void TDataSet::CheckOperation(const std::function<void()>& operation, const TDataSetErrorEvent& onError) {
    for (;;) {
        try {
            operation();
            return;
        } catch (EDatabaseError& error) {
            TDataAction action = daFail;
            if (onError) onError(this, error, action);
            if (action == daFail) throw;
            if (action == daAbort) Abort();
        }
    }
}

void TDataSet::Edit() {
    if (IsEditState(state_)) return;
    if (IsEmpty()) {
        Insert();
        return;
    }
    CheckBrowseMode();
    CheckCanModify();
    DoBeforeEdit();
    UpdateCursorPos();
    CheckOperation([this] { InternalEdit(); }, OnEditError);
    GetCalcFields(ActiveBuffer());
    SetState(dsEdit);
    DataEvent(deRecordChange, 0);
    DoAfterEdit();
}

void TDataSet::BeginInsertAppend() {
    CheckBrowseMode();
    CheckCanModify();
    DoBeforeInsert();
    DoBeforeScroll();
}

void TDataSet::EndInsertAppend() {
    SetState(dsInsert);
    // A failed new record goes away again.
    rtl::UndoGuard undo([this] {
        UpdateCursorPos();
        SetState(dsBrowse);
        Resync({});
    });
    DoOnNewRecord();
    undo.Dismiss();
    modified_ = false;
    DataEvent(deDataSetChange, 0);
    DoAfterInsert();
    DoAfterScroll();
}

void TDataSet::Insert() {
    BeginInsertAppend();
    // The new record takes the active row; it remembers the record it stands before.
    TBookmark before;
    if (recordCount_ > 0 && bookmarkSize_ > 0) {
        before.resize(bookmarkSize_);
        GetBookmarkData(ActiveBuffer(), before.data());
    }
    const bool empty = recordCount_ == 0;
    MoveBuffer(recordCount_, activeRecord_);
    TRecordBuffer buffer = buffers_[activeRecord_];
    InitRecord(buffer);
    if (empty)
        SetBookmarkFlag(buffer, bfBOF);
    else if (!before.empty())
        SetBookmarkData(buffer, before.data());
    if (recordCount_ < bufferCount_) ++recordCount_;
    CursorPosChanged();
    InternalInsert();
    EndInsertAppend();
}

void TDataSet::Append() {
    BeginInsertAppend();
    ClearBuffers();
    TRecordBuffer buffer = buffers_[0];
    InitRecord(buffer);
    SetBookmarkFlag(buffer, bfEOF);
    recordCount_ = 1;
    activeRecord_ = 0;
    bof_ = false;
    GetPriorRecords();
    InternalInsert();
    EndInsertAppend();
}

void TDataSet::Post() {
    UpdateRecord();
    DataEvent(deCheckBrowseMode, 0);
    DoBeforePost();
    CheckOperation([this] { InternalPost(); }, OnPostError);
    SetState(dsBrowse);
    Resync({});
    DoAfterPost();
}

void TDataSet::Cancel() {
    if (!IsEditState(state_)) return;
    DataEvent(deCheckBrowseMode, 0);
    DoBeforeCancel();
    const bool inserting = state_ == dsInsert;
    if (inserting) DoBeforeScroll();
    UpdateCursorPos();
    InternalCancel();
    SetState(dsBrowse);
    Resync({});
    DoAfterCancel();
    if (inserting) DoAfterScroll();
}

void TDataSet::Delete() {
    CheckActive();
    if (state_ == dsInsert) {
        Cancel();
        return;
    }
    if (IsEmpty()) DatabaseError("Cannot perform this operation on an empty dataset", this);
    DataEvent(deCheckBrowseMode, 0);
    DoBeforeDelete();
    DoBeforeScroll();
    UpdateCursorPos();
    CheckOperation([this] { InternalDelete(); }, OnDeleteError);
    SetState(dsBrowse);
    Resync({});
    DoAfterDelete();
    DoAfterScroll();
}

void TDataSet::CheckBrowseMode() {
    CheckActive();
    DataEvent(deCheckBrowseMode, 0);
    if (!IsEditState(state_)) return;
    UpdateRecord();
    if (modified_)
        Post();
    else
        Cancel();
}

void TDataSet::UpdateRecord() {
    if (!IsEditState(state_)) DatabaseError("Dataset not in edit or insert mode", this);
    DataEvent(deUpdateRecord, 0);
}

void TDataSet::InternalPost() {
    CheckRequiredFields();
}

void TDataSet::CheckRequiredFields() {
    for (TField* field : fields_)
        if (field->Required() && !field->ReadOnly() && field->FieldKind() == fkData && field->IsNull())
            DatabaseError(rtl::Format("Field '%s' must have a value", field->DisplayName()));
}

void TDataSet::InternalDelete() {
    DatabaseError("Cannot modify a read-only dataset", this);
}

void TDataSet::SetFieldData(TField*, const void*) {
    DatabaseError("Cannot modify a read-only dataset", this);
}

void TDataSet::InternalHandleException() {
    HandleApplicationException(std::current_exception());
}

void TDataSet::InitRecord(TRecordBuffer buffer) {
    InternalInitRecord(buffer);
    ClearCalcFields(buffer);
    SetBookmarkFlag(buffer, bfInserted);
}

// ---- fields ----

bool TDataSet::GetFieldData(int fieldNo, void* buffer) {
    TField* field = FieldByNumber(fieldNo);
    return field && GetFieldData(field, buffer);
}

rtl::Variant TDataSet::GetStateFieldValue(TDataSetState state, TField* field) {
    if (field->FieldKind() != fkData && field->FieldKind() != fkInternalCalc) return rtl::Variant::Null();
    const TDataSetState old = SetTempState(state);
    const rtl::ScopeExit restore([&] { RestoreState(old); });
    return field->Value();
}

void TDataSet::SetStateFieldValue(TDataSetState state, TField* field, const rtl::Variant& value) {
    const TDataSetState old = SetTempState(state);
    const rtl::ScopeExit restore([&] { RestoreState(old); });
    field->SetValue(value);
}

std::unique_ptr<rtl::TStream> TDataSet::CreateBlobStream(TField*, TBlobStreamMode) {
    return nullptr;
}

TFieldClass TDataSet::GetFieldClass(TFieldType type) const {
    return fieldClasses_ ? fieldClasses_->Get(type) : DefaultFieldClass(type);
}

void TDataSet::CreateFields() {
    for (int i = 0; i < fieldDefs_.Count(); ++i) {
        TFieldDef* def = fieldDefs_[i];
        if (def->DataType() == ftUnknown) continue;
        if (def->Attributes().Contains(faHiddenCol) && !fieldDefs_.HiddenFields()) continue;
        def->CreateField(this);
    }
}

void TDataSet::DestroyFields() {
    fields_.Clear();
}

void TDataSet::BindFields(bool binding) {
    calcFieldsSize_ = 0;
    if (!binding) return;
    for (TField* field : fields_) {
        if (field->FieldKind() == fkCalculated || field->FieldKind() == fkLookup) {
            // Each calculated value is followed by its null flag byte.
            field->SetOffset(calcFieldsSize_);
            calcFieldsSize_ += field->DataSize() + 1;
            continue;
        }
        const int index = fieldDefs_.IndexOf(field->FieldName());
        if (index < 0) DatabaseError(rtl::Format("Field '%s' not found", field->DisplayName()), this);
        const TFieldDef* def = fieldDefs_[index];
        CheckFieldCompatibility(field, def);
        field->SetFieldNo(def->FieldNo());
    }
}

void TDataSet::CheckFieldCompatibility(TField* field, const TFieldDef* fieldDef) const {
    if (BaseFieldType(field->DataType()) != BaseFieldType(fieldDef->DataType()))
        DatabaseError(rtl::Format("Type mismatch for field '%s', expecting: %s actual: %s",
                                  field->DisplayName(), FieldTypeName(field->DataType()),
                                  FieldTypeName(fieldDef->DataType())),
                      this);
}

void TDataSet::GetCalcFields(TRecordBuffer buffer) {
    if (calcFieldsSize_ <= 0) return;
    const TDataSetState old = SetTempState(dsCalcFields);
    calcBuffer_ = buffer;
    const rtl::ScopeExit restore([&] { RestoreState(old); });
    ClearCalcFields(buffer);
    CalculateFields(buffer);
}

// ---- searching ----

bool TDataSet::Locate(const std::string&, const rtl::Variant&, TLocateOptions) {
    return false;
}

rtl::Variant TDataSet::Lookup(const std::string&, const rtl::Variant&, const std::string&) {
    return rtl::Variant::Null();
}

// ---- data events ----

void TDataSet::DataEvent(TDataEvent event, intptr_t info) {
    switch (event) {
    case deFieldChange: {
        const auto* field = reinterpret_cast<TField*>(info);
        if (field->FieldKind() == fkData || field->FieldKind() == fkInternalCalc) {
            modified_ = true;
            if (autoCalcFields_ && state_ != dsSetKey && state_ != dsCalcFields && ActiveBuffer())
                GetCalcFields(ActiveBuffer());
        }
        break;
    }
    case deLayoutChange:
        if (ControlsDisabled()) enableEvent_ = deLayoutChange;
        break;
    case dePropertyChange:
        fieldDefs_.SetUpdated(false);
        break;
    default:
        break;
    }
    if (!ControlsDisabled() && state_ != dsBlockRead)
        NotifyDataSources(event, info);
    else if (event == deUpdateState && state_ == dsInactive)
        NotifyDataSources(event, info); // the links must let go of a closed data set even now
    if (event == deFieldChange) reinterpret_cast<TField*>(info)->Change();
}

void TDataSet::NotifyDataSources(TDataEvent event, intptr_t info) {
    // Copy: a handler may detach a data source.
    const std::vector<TDataSource*> sources = dataSources_;
    for (TDataSource* source : sources)
        if (std::find(dataSources_.begin(), dataSources_.end(), source) != dataSources_.end())
            source->DataEvent(event, info);
}

void TDataSet::DisableControls() {
    if (disableCount_ == 0) {
        disableState_ = state_;
        enableEvent_ = deDataSetChange;
    }
    ++disableCount_;
}

void TDataSet::EnableControls() {
    if (disableCount_ == 0 || --disableCount_ != 0) return;
    // The data sources compare the state with what they last saw themselves.
    DataEvent(deUpdateState, 0);
    if (disableState_ != dsInactive && state_ != dsInactive) DataEvent(enableEvent_, 0);
}

bool TDataSet::IsLinkedTo(const TDataSource* dataSource) const {
    while (dataSource) {
        const TDataSet* dataSet = dataSource->DataSet();
        if (!dataSet) break;
        if (dataSet == this) return true;
        dataSource = dataSet->GetDataSource();
    }
    return false;
}

void TDataSet::AddDataSource(TDataSource* dataSource) {
    dataSources_.push_back(dataSource);
    UpdateBufferCount();
}

void TDataSet::RemoveDataSource(TDataSource* dataSource) {
    std::erase(dataSources_, dataSource);
    UpdateBufferCount();
}

// ---- buffer window ----

void TDataSet::ActivateBuffers() {
    recordCount_ = 1;
    activeRecord_ = 0;
    currentRecord_ = 0;
    bof_ = eof_ = false;
}

void TDataSet::ClearBuffers() {
    recordCount_ = 0;
    activeRecord_ = 0;
    currentRecord_ = -1;
    bof_ = eof_ = true;
}

void TDataSet::MoveBuffer(int curIndex, int newIndex) {
    if (curIndex == newIndex) return;
    const auto first = buffers_.begin();
    if (curIndex < newIndex)
        std::rotate(first + curIndex, first + curIndex + 1, first + newIndex + 1);
    else
        std::rotate(first + newIndex, first + curIndex, first + curIndex + 1);
}

void TDataSet::SetCurrentRecord(int index) {
    if (currentRecord_ == index) return;
    TRecordBuffer buffer = buffers_[index];
    switch (GetBookmarkFlag(buffer)) {
    case bfCurrent:
    case bfInserted:
        InternalSetToRecord(buffer);
        break;
    case bfBOF:
        InternalFirst();
        break;
    case bfEOF:
        InternalLast();
        break;
    }
    currentRecord_ = index;
}

void TDataSet::UpdateCursorPos() {
    if (recordCount_ > 0) SetCurrentRecord(activeRecord_);
}

void TDataSet::SetActiveRecord(int index) {
    RTL_ASSERT(index >= 0 && (index < recordCount_ || recordCount_ == 0));
    activeRecord_ = index;
}

bool TDataSet::GetNextRecord() {
    if (recordCount_ > 0) SetCurrentRecord(recordCount_ - 1);
    if (GetRecord(buffers_[recordCount_], gmNext, true) != grOK) {
        CursorPosChanged();
        return false;
    }
    if (recordCount_ == 0) {
        ActivateBuffers();
        return true;
    }
    if (recordCount_ < bufferCount_) {
        ++recordCount_;
    } else {
        // The first record leaves the window; its buffer becomes the spare.
        MoveBuffer(0, recordCount_);
        if (activeRecord_ > 0) --activeRecord_;
    }
    currentRecord_ = recordCount_ - 1;
    return true;
}

bool TDataSet::GetPriorRecord() {
    if (recordCount_ > 0) SetCurrentRecord(0);
    if (GetRecord(buffers_[recordCount_], gmPrior, true) != grOK) {
        CursorPosChanged();
        return false;
    }
    if (recordCount_ == 0) {
        ActivateBuffers();
        return true;
    }
    // The new record goes first; when the window is full the last record falls into the spare.
    MoveBuffer(recordCount_, 0);
    if (recordCount_ < bufferCount_) {
        ++recordCount_;
        ++activeRecord_;
    } else if (activeRecord_ < recordCount_ - 1) {
        ++activeRecord_;
    }
    currentRecord_ = 0;
    return true;
}

int TDataSet::GetNextRecords() {
    int count = 0;
    while (recordCount_ < bufferCount_ && GetNextRecord())
        ++count;
    return count;
}

int TDataSet::GetPriorRecords() {
    int count = 0;
    while (recordCount_ < bufferCount_ && GetPriorRecord())
        ++count;
    return count;
}

void TDataSet::UpdateBufferCount() {
    if (!internalOpenComplete_) return;
    int count = 1;
    for (const TDataSource* source : dataSources_)
        for (const TDataLink* link : source->links_)
            count = std::max(count, link->bufferCount_);
    SetBufferCount(count);
}

void TDataSet::SetBufferCount(int value) {
    if (value == bufferCount_) return;
    int shift = 0; // how the records kept in the window moved
    if (value < bufferCount_) {
        // Keep the active record: drop records before it first, then after it.
        const int drop = std::max(0, activeRecord_ - (value - 1));
        if (drop > 0 && recordCount_ > 0) {
            std::rotate(buffers_.begin(), buffers_.begin() + drop, buffers_.begin() + recordCount_);
            recordCount_ -= drop;
            activeRecord_ -= drop;
            currentRecord_ = currentRecord_ >= drop ? currentRecord_ - drop : -1;
            shift = -drop;
        }
        recordCount_ = std::min(recordCount_, value);
        if (currentRecord_ >= recordCount_) currentRecord_ = -1;
        for (size_t i = value + 1; i < buffers_.size(); ++i)
            FreeRecordBuffer(buffers_[i]);
        buffers_.resize(value + 1);
        bufferCount_ = value;
    } else {
        while (static_cast<int>(buffers_.size()) < value + 1)
            buffers_.push_back(AllocRecordBuffer());
        bufferCount_ = value;
        GetNextRecords();
        if (recordCount_ > 0) shift = GetPriorRecords();
    }
    for (const TDataSource* source : dataSources_)
        for (TDataLink* link : source->links_)
            if (link->Active()) link->UpdateRange(shift);
}

void TDataSet::FreeBuffers() {
    for (TRecordBuffer& buffer : buffers_)
        FreeRecordBuffer(buffer);
    buffers_.clear();
    bufferCount_ = 0;
    ClearBuffers();
}

} // namespace data
