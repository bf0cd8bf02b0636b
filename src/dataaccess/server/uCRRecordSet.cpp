#include "dataaccess/server/uCRRecordSet.h"

#include "dataaccess/server/uCRAccess.h"
#include "dataaccess/server/uCRConnection.h"
#include "platform/rtl/Exception.h"
#include "platform/rtl/ScopeExit.h"

namespace dataaccess {

// ---- TCRFieldDesc

const std::string& TCRFieldDesc::GetActualNameQuoted(const TCRRecordSet& recordSet, bool alwaysQuote) {
    const int slot = alwaysQuote ? 1 : 0;
    if (!quotedKnown_[slot]) {
        const TTableInfoClass& rules = tableInfo_ ? tableInfo_->ClassType() : recordSet.GetTableInfoClass();
        actualNameQuoted_[slot] = rules.NormalizeName(ServerName, alwaysQuote);
        quotedKnown_[slot] = true;
    }
    return actualNameQuoted_[slot];
}

// ---- TCRRecordSet

TCRRecordSet::TCRRecordSet(std::unique_ptr<TCRCommand> command)
    : command_(std::move(command)),
      tablesInfo_(std::make_unique<TCRTablesInfo>(command_->GetTableInfoClass())) {}

TCRRecordSet::~TCRRecordSet() = default;

bool TCRRecordSet::GetConvertLineBreaks() const {
    const TCRConnection* connection = command_->Connection();
    return connection && connection->ConvertEOL();
}

void TCRRecordSet::Prepare() {
    if (Prepared()) return;
    rtl::UndoGuard undo([this] {
        if (Prepared())
            TMemData::Unprepare();
        else
            InternalUnprepare();
    });
    TMemData::Prepare();
    if (commandType_ == ctCursor) ComputeRecordLayout();
    undo.Dismiss();
}

void TCRRecordSet::Unprepare() {
    TMemData::Unprepare();
    tablesInfo_->Clear();
}

void TCRRecordSet::InternalOpen() {
    TMemData::InternalOpen();
    eof_ = false;
    ExecuteAndFetch();
}

void TCRRecordSet::ExecuteAndFetch() {
    rtl::UndoGuard undo([this] {
        if (!Prepared()) InternalUnprepare();
        if (command_->GetCursorState() == csExecuted) command_->SetCursorState(csInactive);
    });
    const TCommandType typeBefore = commandType_;
    // A statement that was executed and turned out to return rows is read, not run again.
    if (command_->GetCursorState() != csExecuted) ExecCommand();
    if (typeBefore != ctCursor || ReinitFieldsAfterExecute()) InitFields();
    if (fetchAll_)
        FetchAll();
    else
        Fetch();
    undo.Dismiss();
}

PItemHeader TCRRecordSet::NextVisibleItem() {
    PItemHeader item = bof_ || !CurrentItem() ? FirstItem() : CurrentItem()->Next;
    while (item && IsOmitted(item))
        item = item->Next;
    return item;
}

void TCRRecordSet::GetNextRecord(void* record) {
    if (eof_) return;
    while (!NextVisibleItem()) {
        if (!Fetch()) break;
        if (uniDirectional_) {
            // The new block stands alone: the rows read before it are gone.
            FirstItem()->Prev = nullptr;
            LastItem()->Next = nullptr;
            SetToBegin();
        }
    }
    TMemData::GetNextRecord(record);
}

void TCRRecordSet::GetPriorRecord(void* record) {
    if (uniDirectional_)
        SetToBegin();
    else
        TMemData::GetPriorRecord(record);
}

bool TCRRecordSet::FilterUpdated() {
    const bool empty = TMemData::FilterUpdated();
    if (!IsFetchComplete()) eof_ = false;
    return empty;
}

void TCRRecordSet::SortItems() {
    if (Active() && !SortColumns().empty()) FetchAll();
    TMemData::SortItems();
}

void TCRRecordSet::GetSortDefaults(bool& descending, TSortType& sortType) const {
    TMemData::GetSortDefaults(descending, sortType);
    if (const TCRConnection* connection = command_->Connection())
        sortType = static_cast<TSortType>(connection->DefaultSortType());
}

void TCRRecordSet::DoBeforeFetch(bool& cancel) {
    cancel = waitForFetchBreak_;
    if (OnBeforeFetch) OnBeforeFetch(*this, cancel);
    if (cancel && command_->GetCursorState() == csFetchingAll) command_->SetCursorState(csFetching);
}

void TCRRecordSet::DoAfterFetch() {
    if (OnAfterFetch) OnAfterFetch(*this);
}

void TCRRecordSet::ResetForNewSQL() {
    if (Prepared())
        Unprepare();
    else
        InternalUnprepare();
}

void TCRRecordSet::ExecCommand() {
    command_->Execute(1);
    waitForFetchBreak_ = false;
}

void TCRRecordSet::FetchAll() {
    while (Fetch()) {
    }
}

bool TCRRecordSet::IsFetchComplete() const {
    RTL_ASSERT(command_);
    const TCursorState state = command_->GetCursorState();
    return state == csInactive || state == csFetched;
}

bool TCRRecordSet::SetProp(int prop, const rtl::Variant& value) {
    switch (prop) {
    case prUniDirectional:
        uniDirectional_ = value.AsBoolean();
        if (uniDirectional_) fetchAll_ = false;
        break;
    case prFetchRows:
        fetchRows_ = static_cast<int32_t>(value.AsInt64());
        break;
    case prFetchAll:
        if (!lockFetchAll_) fetchAll_ = value.AsBoolean() && !uniDirectional_;
        break;
    case prLongStrings:
        longStrings_ = value.AsBoolean();
        break;
    case prEnableEmptyStrings:
        SetEnableEmptyStrings(value.AsBoolean());
        break;
    case prFlatBuffers:
        flatBuffers_ = value.AsBoolean();
        break;
    case prIndexFieldNames:
        SetIndexFieldNames(value.AsString());
        break;
    case prCompressBlobMode:
        command_->SetProp(prCompressBlobMode, value);
        break;
    case prReadOnly:
        break; // the data set keeps it
    case prLockFetchAll:
        lockFetchAll_ = value.AsBoolean();
        break;
    default:
        UnknownPropError(prop);
    }
    return true;
}

bool TCRRecordSet::GetProp(int prop, rtl::Variant& value) {
    if (prop != prFetchAll) UnknownPropError(prop);
    value = fetchAll_;
    return true;
}

} // namespace dataaccess
