#include "components/uDADataSetUpdater.h"
#include "components/uDASQLHelpers.h"

#include "components/uDADataSet.h"
#include "components/uDADataSetService.h"
#include "components/uDASQLMonitor.h"
#include "components/uDATransaction.h"
#include "components/uDAUpdateSQL.h"
#include "components/uMemDataSet.h"
#include "dataaccess/server/uCRTableInfo.h"
#include "dataaccess/store/uDataUtils.h"
#include "dataaccess/store/uFieldDesc.h"
#include "dataaccess/store/uMemData.h"
#include "platform/data/Component.h"
#include "platform/data/DataError.h"
#include "platform/rtl/Exception.h"
#include "platform/rtl/Format.h"
#include "platform/rtl/ScopeExit.h"

#include <algorithm>
#include <cctype>
#include <utility>

namespace components {

using dataaccess::TUpdateRecAction;

TDataSetUpdater::TDataSetUpdater(TDataSetService* service) : dataSetService_(service) {
    RTL_ASSERT(service);
    memDataSet_ = service->DataSet();
}

template <class Apply>
void TDataSetUpdater::HandleChange(Apply apply) {
    const bool modified = memDataSet_->Modified();
    rtl::Finally(
        [&] {
            if (!memDataSet_->LocalUpdate()) apply();
        },
        [&] { memDataSet_->SetModified(modified); });
}

void TDataSetUpdater::HandleAppend() {
    HandleChange([this] { ApplyInsert(); });
}

void TDataSetUpdater::HandleDelete() {
    HandleChange([this] { ApplyDelete(); });
}

void TDataSetUpdater::HandleUpdate() {
    HandleChange([this] { ApplyUpdate(); });
}

void TDataSetUpdater::HandleApplyRecord(data::TUpdateKind kind, TUpdateRecAction& action, bool lastItem) {
    TMemDataSet& dataSet = *memDataSet_;
    const bool modified = dataSet.Modified();
    const rtl::FlagScope applying(applyingCache_);
    action = dataaccess::urFail;
    rtl::Finally(
        [&] {
            try {
                const bool handled = static_cast<bool>(dataSet.OnUpdateRecord);
                if (handled) {
                    dataSet.OnUpdateRecord(&dataSet, kind, action);
                    if (action == dataaccess::urFail) data::DatabaseError("Update failed");
                    if (action == dataaccess::urAbort) data::Abort();
                }
                if (!handled || action == uaDefaultProcessing) {
                    switch (kind) {
                    case data::ukModify:
                        ApplyUpdate();
                        break;
                    case data::ukInsert:
                        ApplyInsert();
                        break;
                    case data::ukDelete:
                        ApplyDelete();
                        break;
                    }
                    if (IsBatchMode() && !lastItem && !IsBatchFull()) {
                        action = uaDeferred;
                    } else {
                        if (IsBatchMode()) FlushBatch();
                        action = dataaccess::urApplied;
                    }
                }
            } catch (data::EDatabaseError& error) {
                if (!dataSet.OnUpdateError) throw;
                dataSet.OnUpdateError(&dataSet, error, kind, action);
                if (action == dataaccess::urFail) throw;
                if (action == dataaccess::urAbort) data::Abort();
            }
        },
        [&] { dataSet.SetModified(modified); });
}

// ---- Query data sets

namespace {

bool IsDML(TStatementType type) {
    return type == stInsert || type == stUpdate || type == stDelete;
}

bool IsRefresh(TStatementType type) {
    return type == stRefresh || type == stRefreshQuick || type == stRefreshCheckDeleted;
}

bool StartsWithWord(const std::string& text, const std::string& word) {
    return text.size() >= word.size() && dataaccess::SameTextAnsi(text.substr(0, word.size()), word) &&
           (text.size() == word.size() || std::isspace(static_cast<unsigned char>(text[word.size()])));
}

// The type a set of statement types runs as.
TStatementType SingleType(TStatementTypes types) {
    if (types.Contains(stLock)) types.Exclude(stRefresh);
    int count = 0;
    TStatementType single = stCustom;
    for (int type = 0; type < kStatementTypeCount; ++type)
        if (types.Contains(static_cast<TStatementType>(type))) {
            ++count;
            single = static_cast<TStatementType>(type);
        }
    return count == 1 ? single : stCustom;
}

// Removes "P_<n>_" that batched statements put before a name.
std::string WithoutBatchPrefix(const std::string& name) {
    if (name.size() < 4 || !dataaccess::SameTextAnsi(name.substr(0, 2), "P_")) return name;
    size_t pos = 2;
    while (pos < name.size() && std::isdigit(static_cast<unsigned char>(name[pos])))
        ++pos;
    if (pos == 2 || pos >= name.size() || name[pos] != '_') return name;
    return name.substr(pos + 1);
}

std::string Unquoted(const std::string& name) {
    if (name.size() > 2 && (name.front() == '`' || name.front() == '"') && name.back() == name.front())
        return name.substr(1, name.size() - 2);
    return name;
}

} // namespace

namespace {

// Calls `visit` for each top-level field of `source` with the store descriptor it fills: the one
// its alias numbers, else the one of its name.
template <class Visit>
void ForEachSourceField(TCustomDADataSet& source, dataaccess::TData& store, Visit visit) {
    for (data::TField* field : source.Fields()) {
        const int aliasIndex = TDASQLGenerator::FieldAliasIndex(field->FieldName());
        dataaccess::TFieldDesc* desc = aliasIndex >= 0 && aliasIndex < store.Fields().Count()
                                           ? &store.Fields().Items(aliasIndex)
                                           : store.FindFieldDesc(field->FieldName());
        if (desc && !desc->OwnerField) visit(*field, *desc);
    }
}

} // namespace

// The component chosen for a statement and where its text came from.
struct TDADataSetUpdater::TPrepared {
    TStatementType type = stCustom;
    TCustomDADataSet* query = nullptr;
    TCustomDASQL* command = nullptr;
    bool generated = false;
    bool keyless = false;

    TDAParams& Params() const { return query ? query->Params() : command->Params(); }
    std::string Text() const { return query ? query->SQL().Text() : command->SQL().Text(); }
};

TDADataSetUpdater::TDADataSetUpdater(TDADataSetService* service)
    : TDataSetUpdater(service), service_(service) {}

TDADataSetUpdater::~TDADataSetUpdater() = default;

TCustomDADataSet* TDADataSetUpdater::DataSet() const {
    return service_->DADataSet();
}

TDATransaction* TDADataSetUpdater::TransactionFor(TStatementType) const {
    return lockTransaction_ ? lockTransaction_ : DataSet()->UsedTransaction();
}

TCustomDADataSet& TDADataSetUpdater::UpdateQuery(TStatementType type) {
    TCustomDADataSet& data = *DataSet();
    std::unique_ptr<TCustomDADataSet>& slot = updateQueries_[type];
    if (!slot) slot = data.CreateUpdateQuery();
    TCustomDADataSet& query = *slot;
    query.Close();
    query.SetConnection(data.UsedConnection());
    query.SetTransaction(TransactionFor(type));
    query.SetMacroCheck(false);
    query.SetReadOnly(true);
    query.SetDebug(false);
    TDADataSetOptions& options = query.Options();
    options.SetNumberRange(false);
    options.SetTrimFixedChar(data.Options().TrimFixedChar());
    options.SetTrimVarChar(data.Options().TrimVarChar());
    options.SetFullRefresh(data.Options().FullRefresh());
    options.SetStrictUpdate(false);
    if (IsRefresh(type)) options.SetLongStrings(data.Options().LongStrings());
    ConfigureUpdateComponent(type, query);
    return query;
}

void TDADataSetUpdater::UnPrepareUpdateObjects() {
    for (auto& query : updateQueries_)
        if (query) query->UnPrepare();
}

bool TDADataSetUpdater::NeedReturnParams() const {
    return DataSet()->Options().ReturnParams();
}

std::string TDADataSetUpdater::GetDataSetUpdateSQL(TStatementType type) const {
    const rtl::TStringList* lines = DataSet()->GetUpdateSQL(type);
    if (!lines) return {};
    std::string text = lines->Text();
    const std::string trimmed = TrimBlanks(text);
    if (type == stRefresh && StartsWithWord(trimmed, "WHERE"))
        return DataSet()->SQLAddWhere(DataSet()->FinalSQL(), TrimBlanks(trimmed.substr(5)));
    if (type == stLock && StartsWithWord(trimmed, "FOR")) {
        std::string refresh = GetDataSetUpdateSQL(stRefresh);
        if (refresh.empty()) {
            TKeyAndDataFields fields = service_->GetKeyAndDataFields(false);
            dataaccess::TCRTableInfo* table = service_->UpdatingTableInfo();
            if (!table) data::DatabaseError("TableInfo name must be provided");
            service_->SQLGenerator()->GenerateFor(*table, fields, refresh, -1, nullptr, false, stRefresh);
        }
        return refresh + "\r" + trimmed;
    }
    return text;
}

data::TField* TDADataSetUpdater::FindParamField(const std::string& name, bool& old, int& fieldNo) const {
    TCustomDADataSet& data = *DataSet();
    fieldNo = -1;
    old = false;
    std::string fieldName = name;
    if (name.size() > 4 && dataaccess::SameTextAnsi(name.substr(0, 4), "OLD_")) {
        if (data::TField* whole = data.FindField(name)) return whole;
        old = true;
        fieldName = name.substr(4);
    }
    if (!fieldName.empty() && std::all_of(fieldName.begin(), fieldName.end(), [](char c) {
            return std::isdigit(static_cast<unsigned char>(c));
        })) {
        const int number = std::stoi(fieldName);
        for (data::TField* field : data.Fields())
            if (field->FieldNo() == number) {
                fieldNo = number;
                return field;
            }
        return nullptr;
    }
    return data.FindField(fieldName);
}

void TDADataSetUpdater::PrepareUpdateStatement(const std::string& sql, TStatementTypes types,
                                               TPrepared& prepared) {
    TCustomDADataSet& data = *DataSet();
    const TStatementType type = SingleType(types);
    prepared.type = type;
    TCustomDAUpdateSQL* updateObject = data.UpdateObject();
    if (updateObject && updateObject->Object(type)) {
        data::TComponent* object = updateObject->Object(type);
        prepared.query = dynamic_cast<TCustomDADataSet*>(object);
        prepared.command = dynamic_cast<TCustomDASQL*>(object);
        RTL_ASSERT(prepared.query || prepared.command);
        if (TrimBlanks(prepared.Text()).empty())
            data::DatabaseError(
                "SQL property of InsertObject, ModifyObject, DeleteObject or RefreshObject cannot be empty");
        updateComponent_ = object;
        return;
    }
    prepared.query = &UpdateQuery(type);
    updateComponent_ = prepared.query;
    std::string text;
    if (type == stBatchUpdate) {
        text = BatchSQLText(batchText_);
    } else {
        text = sql;
        if (text.empty() && updateObject && updateObject->SQL(type)) text = updateObject->SQL(type)->Text();
        if (text.empty()) text = GetDataSetUpdateSQL(type);
        if (text.empty()) {
            dataaccess::TCRTableInfo* table = service_->UpdatingTableInfo();
            if (!table) data::DatabaseError("TableInfo name must be provided");
            TKeyAndDataFields fields = service_->GetKeyAndDataFields(false);
            const bool modifiedOnly = !data.Options().UpdateAllFields();
            service_->SQLGenerator()->GenerateFor(*table, fields, text, IsBatchMode() ? batchCount_ : -1,
                                                  nullptr, modifiedOnly, type);
            prepared.generated = true;
            prepared.keyless = fields.KeyFieldDescs.empty();
        }
    }
    if (IsBatchMode() && IsDML(type) && !TrimBlanks(text).empty()) {
        if (!batchText_.empty()) batchText_ += "\r\n";
        batchText_ += text + ";";
        ++batchCount_;
    }
    if (text != prepared.query->SQL().Text()) {
        prepared.query->Params().Clear();
        prepared.query->SetParamCheck(true);
        prepared.query->SetSQL(text);
    }
}

void TDADataSetUpdater::FillParams(TStatementTypes types, const TPrepared& prepared) {
    TCustomDADataSet& data = *DataSet();
    TDAParams& params = prepared.Params();
    data::TRecordBuffer newBuffer = nullptr, oldBuffer = nullptr;
    data.GetActiveRecBuf(newBuffer);
    const bool inserting = data.State() == data::dsInsert;
    for (int i = 0; i < params.Count(); ++i) {
        TDAParam* param = params[i];
        const std::string name = WithoutBatchPrefix(Unquoted(param->Name()));
        bool old = false;
        int fieldNo = -1;
        const bool quick = prepared.type == stRefreshQuick || prepared.type == stRefreshCheckDeleted;
        // The statement is the data set's own text: its parameters keep their values.
        data::TField* field =
            quick && data.FindParam(param->Name()) ? nullptr : FindParamField(name, old, fieldNo);
        if (field && field->FieldKind() == data::fkData) {
            dataaccess::TFieldDesc* desc = data.GetFieldDesc(field);
            rtl::Variant value;
            if (old && !inserting) {
                if (!oldBuffer) data.GetOldRecBuf(oldBuffer);
                value = oldBuffer ? data.RecordStore()->ReadFieldAsVariant(desc->FieldNumber, oldBuffer)
                                  : rtl::Variant();
            } else {
                value = newBuffer ? data.RecordStore()->ReadFieldAsVariant(desc->FieldNumber, newBuffer)
                                  : rtl::Variant();
            }
            param->AssignFieldValue(field, value);
        } else if (field) {
            param->AssignFieldValue(field, old ? field->OldValue() : field->Value());
        } else if (TDAParam* own = IsRefresh(prepared.type) ? data.FindParam(param->Name()) : nullptr) {
            param->Assign(own);
        } else if (!data.BeforeUpdateExecute) {
            data::DatabaseError(rtl::Format("Not found field corresponding parameter %s", param->Name()));
        }
        param->SetParamType(data::ptInput);
    }
    if (types.Contains(stRefreshQuick) || types.Contains(stRefreshCheckDeleted)) data.SetMasterParams(params);
    if (IsBatchMode() && IsDML(prepared.type)) AddToBatch(params);
}

void TDADataSetUpdater::AddToBatch(TDAParams& params) {
    if (!batchParams_) batchParams_ = std::make_unique<TDAParams>();
    for (int i = 0; i < params.Count(); ++i) {
        TDAParam* copy = batchParams_->CreateParam(params[i]->DataType(), params[i]->Name(), data::ptInput);
        copy->Assign(params[i]);
    }
}

void TDADataSetUpdater::ExecuteUpdateStatement(TStatementTypes types, const TPrepared& prepared) {
    TCustomDADataSet& data = *DataSet();
    const bool trace = data.Debug() || TCustomDASQLMonitor::MonitorExists();
    std::string typeNames;
    static const char* const kNames[] = {"Query",      "Insert",       "Update",
                                         "Delete",     "Lock",         "Refresh",
                                         "Custom",     "RefreshQuick", "RefreshCheckDeleted",
                                         "BatchUpdate"};
    for (int type = 0; type < kStatementTypeCount; ++type)
        if (types.Contains(static_cast<TStatementType>(type)))
            typeNames += (typeNames.empty() ? "" : ",") + std::string(kNames[type]);
    data::TComponent* component =
        prepared.query ? static_cast<data::TComponent*>(prepared.query) : prepared.command;
    if (trace) TCustomDASQLMonitor::TraceSQLExecute(component, prepared.Text(), true, typeNames);
    if (prepared.query)
        prepared.query->Execute();
    else
        prepared.command->Execute();
    if (trace) TCustomDASQLMonitor::TraceSQLExecute(component, prepared.Text(), false, typeNames);
}

void TDADataSetUpdater::CheckKeylessMatch(TStatementType type) {
    // The same conditions as the statement's, counted: the DELETE form carries them with old values.
    std::string text;
    TKeyAndDataFields fields = service_->GetKeyAndDataFields(false);
    service_->SQLGenerator()->GenerateFor(*service_->UpdatingTableInfo(), fields, text, -1, nullptr, false,
                                          stDelete);
    const size_t from = text.find("FROM");
    const size_t limit = text.rfind("LIMIT 1");
    RTL_ASSERT(from != std::string::npos);
    text =
        "SELECT COUNT(*) " + text.substr(from, limit == std::string::npos ? std::string::npos : limit - from);
    TCustomDADataSet& counter = UpdateQuery(stCustom);
    counter.Params().Clear();
    counter.SetParamCheck(true);
    counter.SetSQL(text);
    TPrepared prepared;
    prepared.type = type;
    prepared.query = &counter;
    FillParams(TStatementTypes{type}, prepared);
    counter.Open();
    const int64_t count = counter.Fields()[0]->AsLargeInt();
    counter.Close();
    if (count != 1)
        data::DatabaseError(rtl::Format("Update failed. Found %d records", static_cast<int>(count)));
}

bool TDADataSetUpdater::RunUpdateStatement(const std::string& sql, TStatementTypes types) {
    TCustomDADataSet& data = *DataSet();
    data.BeginConnection(true);
    struct Release {
        TCustomDADataSet& data;
        ~Release() { data.EndConnection(); }
    } release{data};

    TPrepared prepared;
    PrepareUpdateStatement(sql, types, prepared);
    if (TrimBlanks(prepared.Text()).empty()) return false;
    const TStatementType type = prepared.type;
    if (type == stBatchUpdate) {
        TDAParams& params = prepared.Params();
        for (int i = 0; i < params.Count(); ++i)
            if (TDAParam* value = batchParams_ ? batchParams_->FindParam(params[i]->Name()) : nullptr)
                params[i]->Assign(value);
    } else {
        FillParams(types, prepared);
    }
    const bool batched = IsBatchMode() && IsDML(type);
    if (batched) return true;

    if (data.BeforeUpdateExecute) {
        data.BeforeUpdateExecute(&data, types, prepared.Params());
        for (int i = 0; i < prepared.Params().Count(); ++i)
            if (prepared.Params()[i]->DataType() == data::ftUnknown)
                data::DatabaseError(
                    rtl::Format("Unknown data type of parameter %s", prepared.Params()[i]->Name()));
    }
    const bool strict = data.Options().StrictUpdate() && IsDML(type);
    if (strict && prepared.keyless && (type == stUpdate || type == stDelete)) CheckKeylessMatch(type);

    // The row count is checked before the change is committed, so a refused change leaves no trace.
    TDATransaction* transaction = TransactionFor(type);
    const bool guard = strict && transaction && !transaction->Active();
    if (guard) transaction->StartTransaction();
    rtl::UndoGuard rollback([&] {
        if (guard && transaction->Active()) transaction->Rollback();
    });
    ExecuteUpdateStatement(types, prepared);
    if (prepared.query && prepared.query->Active() && type == stRefreshCheckDeleted) {
        RemoveDeletedRecords(*prepared.query);
    } else if (prepared.query && prepared.query->Active() && type == stRefreshQuick) {
        MergeRefreshedRecords(*prepared.query);
    } else if (prepared.query && prepared.query->Active() && (type == stLock || type == stRefresh)) {
        TCustomDADataSet& query = *prepared.query;
        const int count = query.RecordCount();
        data.rowsAffected_ = count;
        if (data.Options().StrictUpdate() && count != 1)
            data::DatabaseError(rtl::Format("Refresh failed. Found %d records", count));
        if (count > 0 && (type == stRefresh || checkRecordOnLock_)) CopyRecord(query, types);
    } else if (type != stBatchUpdate) {
        const int count = prepared.query ? prepared.query->RowsAffected() : prepared.command->RowsAffected();
        data.rowsAffected_ = count;
        if (strict && count != 1) data::DatabaseError(rtl::Format("Update failed. Found %d records", count));
        if (NeedReturnParams() || types.Contains(stRefresh)) ReturnParamsToRecord(prepared);
    }
    if (guard) transaction->Commit();
    rollback.Dismiss();
    if (data.AfterUpdateExecute) data.AfterUpdateExecute(&data, types, prepared.Params());
    if (prepared.query) prepared.query->Close();
    return true;
}

void TDADataSetUpdater::CopyRecord(TCustomDADataSet& source, TStatementTypes types) {
    TCustomDADataSet& data = *DataSet();
    dataaccess::TData& store = *data.RecordStore();
    data::TRecordBuffer buffer = nullptr;
    if (!data.GetActiveRecBuf(buffer) || !buffer) return;
    const bool verify =
        types.Contains(stLock) && checkRecordOnLock_ && !data.RefreshOptions().Contains(roBeforeEdit);
    data::TRecordBuffer oldBuffer = nullptr;
    if (verify && (data.State() != data::dsBrowse || data.CachedUpdates())) data.GetOldRecBuf(oldBuffer);
    if (!verify) {
        WriteSourceRecord(source, buffer);
        if (data.State() == data::dsBrowse && !ApplyingCache() && !refreshingInUpdate_) {
            data.UpdateCursorPos();
            store.PutRecord(buffer);
        }
        return;
    }
    ForEachSourceField(source, store, [&](data::TField& field, dataaccess::TFieldDesc& desc) {
        const rtl::Variant held = store.ReadFieldAsVariant(desc.FieldNumber, oldBuffer ? oldBuffer : buffer);
        if (!ValuesEqual(field.Value(), held)) data::DatabaseError("Record was changed by another user");
    });
}

void TDADataSetUpdater::WriteSourceRecord(TCustomDADataSet& source, void* record) const {
    dataaccess::TData& store = *DataSet()->RecordStore();
    ForEachSourceField(source, store, [&](data::TField& field, dataaccess::TFieldDesc& desc) {
        store.WriteFieldAsVariant(desc.FieldNumber, record, field.Value());
    });
}

void TDADataSetUpdater::KeyFieldsOf(TCustomDADataSet& source, std::vector<data::TField*>& own,
                                    std::vector<data::TField*>& theirs) const {
    TCustomDADataSet& data = *DataSet();
    own.clear();
    theirs.clear();
    for (dataaccess::TFieldDesc* desc : service_->GetKeyFieldDescs()) {
        data::TField* field = data.FieldOfDesc(desc);
        data::TField* other = field ? source.FindField(field->FieldName()) : nullptr;
        if (!other) continue;
        own.push_back(field);
        theirs.push_back(other);
    }
}

namespace {

rtl::Variant KeyValues(const std::vector<data::TField*>& fields) {
    if (fields.size() == 1) return fields[0]->Value();
    rtl::VariantArray values;
    for (data::TField* field : fields)
        values.push_back(field->Value());
    return rtl::Variant(std::move(values));
}

std::string FieldNames(const std::vector<data::TField*>& fields) {
    std::string names;
    for (data::TField* field : fields)
        names += (names.empty() ? "" : ";") + field->FieldName();
    return names;
}

} // namespace

void TDADataSetUpdater::RemoveDeletedRecords(TCustomDADataSet& source) {
    TCustomDADataSet& data = *DataSet();
    std::vector<data::TField*> own, theirs;
    KeyFieldsOf(source, own, theirs);
    if (own.empty()) return;
    const std::string savedIndex = source.IndexFieldNames();
    source.SetIndexFieldNames(FieldNames(theirs));
    auto* store = static_cast<dataaccess::TMemData*>(data.RecordStore());
    rtl::Finally(
        [&] {
            std::vector<data::TBookmark> gone;
            for (data.First(); !data.Eof(); data.Next())
                if (!source.LocateRecord(theirs, KeyValues(own), {}, false))
                    gone.push_back(data.GetBookmark());
            for (const data::TBookmark& bookmark : gone) {
                data.GotoBookmark(bookmark);
                data.UpdateCursorPos();
                store->RemoveCurrentItem();
            }
        },
        [&] { source.SetIndexFieldNames(savedIndex); });
    data.Resync({});
}

void TDADataSetUpdater::MergeRefreshedRecords(TCustomDADataSet& source) {
    TCustomDADataSet& data = *DataSet();
    auto* store = static_cast<dataaccess::TMemData*>(data.RecordStore());
    data.rowsAffected_ = source.RecordCount();
    std::vector<data::TField*> own, theirs;
    KeyFieldsOf(source, own, theirs);
    std::vector<uint8_t> record(static_cast<size_t>(store->RecordSize()));
    for (source.First(); !source.Eof(); source.Next()) {
        if (!own.empty() && data.LocateRecord(own, KeyValues(theirs), {}, false)) {
            store->GetRecord(record.data());
            WriteSourceRecord(source, record.data());
            store->PutRecord(record.data());
        } else {
            store->InitRecord(record.data());
            store->CreateComplexFields(record.data(), true);
            WriteSourceRecord(source, record.data());
            // A row the server added: it is already there, so it is not inserted again.
            auto insert = std::exchange(store->OnInsertRecord, nullptr);
            rtl::Finally([&] { store->AppendRecord(record.data()); },
                         [&] { store->OnInsertRecord = std::move(insert); });
        }
        for (data::TField* field : source.Fields())
            SaveMaxTimestamp(field->FieldName(), field->Value());
    }
    if (!store->SortColumns().empty()) store->SortItems();
    data.Resync({});
}

void TDADataSetUpdater::ReturnParamsToRecord(const TPrepared& prepared) {
    TCustomDADataSet& data = *DataSet();
    data::TRecordBuffer buffer = nullptr;
    if (!data.GetActiveRecBuf(buffer) || !buffer) return;
    TDAParams& params = prepared.Params();
    dataaccess::TData& store = *data.RecordStore();
    for (int i = 0; i < params.Count(); ++i) {
        bool old = false;
        int fieldNo = -1;
        data::TField* field = FindParamField(WithoutBatchPrefix(Unquoted(params[i]->Name())), old, fieldNo);
        dataaccess::TFieldDesc* desc = field && !old ? data.GetFieldDesc(field) : nullptr;
        if (!desc) continue;
        // The record shows what the statement stored, also a value changed on its way.
        const rtl::Variant value = params[i]->GetValue();
        const rtl::Variant held = store.ReadFieldAsVariant(desc->FieldNumber, buffer);
        const bool differs =
            value.IsNull() || value.IsEmpty() ? !held.IsNull() : !dataaccess::VarEqual(value, held);
        if (differs)
            store.WriteFieldAsVariant(desc->FieldNumber, buffer,
                                      value.IsEmpty() ? rtl::Variant::Null() : value);
    }
}

bool TDADataSetUpdater::ValuesEqual(const rtl::Variant& a, const rtl::Variant& b) const {
    return dataaccess::VarEqual(a, b);
}

bool TDADataSetUpdater::IsBatchMode() const {
    TCustomDADataSet& data = *DataSet();
    return ApplyingCache() && data.CachedUpdates() && data.Options().UpdateBatchSize() > 1 &&
           !data.UpdateObject();
}

bool TDADataSetUpdater::IsBatchFull() const {
    return IsBatchMode() && batchCount_ > 0 && batchCount_ >= DataSet()->Options().UpdateBatchSize();
}

void TDADataSetUpdater::FlushBatch() {
    struct Clear {
        TDADataSetUpdater& updater;
        ~Clear() {
            updater.batchText_.clear();
            if (updater.batchParams_) updater.batchParams_->Clear();
            updater.batchCount_ = 0;
        }
    } clear{*this};
    if (batchCount_ > 0) RunUpdateStatement({}, TStatementTypes{stBatchUpdate});
}

void TDADataSetUpdater::SetIdentityFieldValue() {
    dataaccess::TFieldDesc* identity = service_->IdentityField();
    rtl::Variant value;
    if (!identity || !GetIdentityFieldValue(value)) return;
    data::TRecordBuffer buffer = nullptr;
    if (DataSet()->GetActiveRecBuf(buffer) && buffer)
        DataSet()->RecordStore()->WriteFieldAsVariant(identity->FieldNumber, buffer, value);
}

bool TDADataSetUpdater::ApplyInsert() {
    TCustomDADataSet& data = *DataSet();
    const bool ran = RunUpdateStatement({}, TStatementTypes{stInsert});
    if (!ran || IsBatchMode()) return ran;
    data.lastInsertId_ = UpdateQuery(stInsert).LastInsertId();
    SetIdentityFieldValue();
    if (data.RefreshOptions().Contains(roAfterInsert) && NeedRefreshAfterInsert()) RefreshRecordInUpdate();
    return ran;
}

bool TDADataSetUpdater::ApplyUpdate() {
    TCustomDADataSet& data = *DataSet();
    const bool optimistic = data.LockMode() == lmOptimistic;
    rtl::UndoGuard unlock([&] {
        if (optimistic) ReleaseLock();
    });
    if (optimistic) LockRecord();
    const bool ran = RunUpdateStatement({}, TStatementTypes{stUpdate});
    if (ran && !IsBatchMode() && data.RefreshOptions().Contains(roAfterUpdate)) RefreshRecordInUpdate();
    FinishLock(ran);
    unlock.Dismiss();
    return ran;
}

bool TDADataSetUpdater::ApplyDelete() {
    TCustomDADataSet& data = *DataSet();
    const bool locking = data.LockMode() != lmNone;
    rtl::UndoGuard unlock([&] {
        if (locking) ReleaseLock();
    });
    if (locking) LockRecord();
    const bool ran = RunUpdateStatement({}, TStatementTypes{stDelete});
    FinishLock(ran);
    unlock.Dismiss();
    return ran;
}

void TDADataSetUpdater::FinishLock(bool ran) {
    TCustomDADataSet& data = *DataSet();
    if (!ran) {
        if (data.LockMode() != lmNone && !data.CachedUpdates()) ReleaseLock();
        return;
    }
    if (!lockTransaction_) return;
    if (ownsLockTransaction_ && data.AutoCommit()) lockTransaction_->Commit();
    lockTransaction_ = nullptr;
}

std::string TDADataSetUpdater::LockSavepoint() const {
    return ("LOCK_" + DataSet()->Name()).substr(0, 30);
}

void TDADataSetUpdater::BeginLockTransaction() {
    TDATransaction* transaction = DataSet()->UsedTransaction();
    if (!transaction) data::DatabaseError("Transaction not assigned");
    if (transaction->Active()) {
        if (!SavepointsSupported()) return;
        transaction->Savepoint(LockSavepoint());
        ownsLockTransaction_ = false;
    } else {
        transaction->StartTransaction();
        ownsLockTransaction_ = true;
    }
    lockTransaction_ = transaction;
}

void TDADataSetUpdater::ReleaseLock() {
    if (!lockTransaction_) return;
    TDATransaction* transaction = lockTransaction_;
    lockTransaction_ = nullptr;
    try {
        if (ownsLockTransaction_)
            transaction->Rollback();
        else
            transaction->RollbackToSavepoint(LockSavepoint());
    } catch (...) {
        // The lock goes with the session anyway.
    }
}

void TDADataSetUpdater::LockRecord() {
    TCustomDADataSet& data = *DataSet();
    if (data.IsEmpty()) return;
    data.UpdateCursorPos();
    if (!lockTransaction_) BeginLockTransaction();
    RunUpdateStatement({}, TStatementTypes{stLock});
}

bool TDADataSetUpdater::CanRefreshByLock() const {
    TCustomDADataSet& data = *DataSet();
    const rtl::TStringList* lock = data.GetUpdateSQL(stLock);
    if (lock && !TrimBlanks(lock->Text()).empty()) return false;
    if (!data.RefreshOptions().Contains(roBeforeEdit)) return true;
    const rtl::TStringList* refresh = data.GetUpdateSQL(stRefresh);
    return (!refresh || TrimBlanks(refresh->Text()).empty()) && !data.Options().FullRefresh();
}

void TDADataSetUpdater::BeforeEdit() {
    TCustomDADataSet& data = *DataSet();
    if (data.CachedUpdates()) return;
    TStatementTypes types;
    if (data.RefreshOptions().Contains(roBeforeEdit)) {
        if (CanRefreshByLock())
            types.Include(stRefresh);
        else
            RefreshRecord();
    }
    if (data.LockMode() == lmPessimistic) types.Include(stLock);
    if (types.Empty()) return;
    const bool locking = types.Contains(stLock);
    rtl::UndoGuard unlock([&] {
        if (locking) ReleaseLock();
    });
    if (locking) BeginLockTransaction();
    RunUpdateStatement({}, types);
    unlock.Dismiss();
}

void TDADataSetUpdater::BeforeCancel() {
    TCustomDADataSet& data = *DataSet();
    if (data.LockMode() == lmPessimistic && data.State() != data::dsInsert && !data.CachedUpdates())
        ReleaseLock();
}

void TDADataSetUpdater::RefreshRecord() {
    RunUpdateStatement({}, TStatementTypes{stRefresh});
}

void TDADataSetUpdater::RefreshQuick(bool checkDeleted) {
    TCustomDADataSet& data = *DataSet();
    data.DoBeforeRefresh();
    data.BeginConnection(true);
    struct Release {
        TCustomDADataSet& data;
        ~Release() { data.EndConnection(); }
    } release{data};
    if (service_->GetKeyFieldDescs().empty()) data::DatabaseError("Unique keyfields required");
    data.CheckBrowseMode();
    if (!service_->UpdatingTableInfo()) return;

    const bool filtered = data.Filtered();
    const bool strict = data.Options().StrictUpdate();
    data.DisableControls();
    const auto restore = [&] {
        data.Options().SetStrictUpdate(strict);
        if (filtered) data.SetFiltered(true);
        data.EnableControls();
    };
    rtl::Finally(
        [&] {
            if (filtered) data.SetFiltered(false);
            data.Options().SetStrictUpdate(false);
            std::vector<data::TField*> keyFields;
            rtl::Variant keyValues;
            data.GetCurrentKeys(keyFields, keyValues);
            if (checkDeleted && !data.IsEmpty())
                RunUpdateStatement({}, TStatementTypes{stRefreshCheckDeleted});
            RunUpdateStatement({}, TStatementTypes{stRefreshQuick});
            data.RelocateRecord(keyFields, keyValues);
            data.Resync({});
        },
        [&] {
            restore();
            data.DoAfterRefresh();
        });
}

void TDADataSetUpdater::RefreshRecordInUpdate() {
    const rtl::FlagScope refreshing(refreshingInUpdate_);
    RefreshRecord();
}

} // namespace components
