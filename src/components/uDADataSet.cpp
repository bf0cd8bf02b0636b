#include "components/uDADataSet.h"
#include "components/uDASQLHelpers.h"

#include "components/uDAConnection.h"
#include "components/uDADataSetUpdater.h"
#include "components/uDASQLMonitor.h"
#include "components/uDATransaction.h"
#include "components/uDAUpdateSQL.h"
#include "dataaccess/server/uCRAccess.h"
#include "dataaccess/server/uCRConnection.h"
#include "dataaccess/store/uDAError.h"
#include "dataaccess/store/uDataUtils.h"
#include "dataaccess/store/uMemData.h"
#include "dataaccess/store/uTimer.h"
#include "platform/data/DataError.h"
#include "platform/rtl/Exception.h"
#include "platform/rtl/Format.h"
#include "platform/rtl/ScopeExit.h"

namespace components {

using namespace data;

namespace {

// The next name of a ";"-separated list from `pos`; false at its end.
bool NextName(const std::string& list, size_t& pos, std::string& name) {
    if (pos > list.size()) return false;
    size_t end = list.find(';', pos);
    if (end == std::string::npos) end = list.size();
    name = TrimBlanks(list.substr(pos, end - pos));
    pos = end + 1;
    return true;
}

} // namespace

// ---- Detail link

void TDADetailDataLink::ActiveChanged() {
    if (dataSet_->Active()) dataSet_->HandleMasterChange();
}

void TDADetailDataLink::RecordChanged(TField* field) {
    if (!field && DataSet() && DataSet()->State() != dsEdit && DataSet()->State() != dsInsert)
        dataSet_->HandleMasterChange();
}

TDataSet* TDADetailDataLink::GetDetailDataSet() const {
    return dataSet_;
}

// ---- What the connection asks

TDADataSetClient::TDADataSetClient(TCustomDADataSet& dataSet,
                                   TCustomConnection::TConnectChangeEvent onConnectChange)
    : TDAConnectionClient(dataSet, std::move(onConnectChange)), dataSet_(dataSet) {}

void TDADataSetClient::ServerConnectionChanged(dataaccess::TCRConnection* connection) {
    if (dataSet_.RecordSet()) dataSet_.RecordSet()->SetConnection(connection);
}

bool TDADataSetClient::NeedsSession(bool refreshing) const {
    return !refreshing &&
           (dataSet_.Prepared() || (dataSet_.Active() && !dataSet_.FetchAll() && !dataSet_.Fetched()));
}

bool TDADataSetClient::HoldsCachedUpdates() const {
    return dataSet_.Active() && dataSet_.CachedUpdates();
}

void TDADataSetClient::ApplyCachedUpdates() {
    const bool autoCommit = dataSet_.AutoCommit();
    dataSet_.WriteAutoCommit(false);
    rtl::Finally([&] { dataSet_.ApplyUpdates(); }, [&] { dataSet_.WriteAutoCommit(autoCommit); });
}

void TDADataSetClient::CommitCachedUpdates() {
    dataSet_.CommitUpdates();
}

// ---- Options

TDADataSetOptions::TDADataSetOptions(TCustomDADataSet* owner) : dataSet_(owner) {}

void TDADataSetOptions::WriteRecordSetProp(int prop, const rtl::Variant& value) const {
    if (dataaccess::TCRRecordSet* recordSet = dataSet_->RecordSet()) recordSet->SetProp(prop, value);
}

void TDADataSetOptions::WriteCommandProp(int prop, const rtl::Variant& value) const {
    if (dataaccess::TCRRecordSet* recordSet = dataSet_->RecordSet())
        recordSet->Command()->SetProp(prop, value);
}

void TDADataSetOptions::SetRequiredFields(bool value) {
    if (value == requiredFields_) return;
    requiredFields_ = value;
    dataSet_->SetRequiredFields(value);
    dataSet_->FieldDefs().SetUpdated(false);
    if (dataSet_->Active()) dataSet_->FieldDefs().Update();
}

void TDADataSetOptions::SetNumberRange(bool value) {
    numberRange_ = value;
    dataSet_->SetNumberRange(value);
}

void TDADataSetOptions::SetAutoPrepare(bool value) {
    if (value == autoPrepare_) return;
    dataSet_->UnPrepare();
    autoPrepare_ = value;
}

void TDADataSetOptions::SetTrimFixedChar(bool value) {
    trimFixedChar_ = value;
    if (dataSet_->RecordStore()) dataSet_->RecordStore()->SetTrimFixedChar(value);
}

void TDADataSetOptions::SetTrimVarChar(bool value) {
    trimVarChar_ = value;
    if (dataSet_->RecordStore()) dataSet_->RecordStore()->SetTrimVarChar(value);
}

void TDADataSetOptions::SetLongStrings(bool value) {
    dataSet_->CheckInactive();
    longStrings_ = value;
    WriteRecordSetProp(dataaccess::prLongStrings, value);
    dataSet_->FieldDefs().SetUpdated(false);
}

void TDADataSetOptions::SetFlatBuffers(bool value) {
    dataSet_->CheckInactive();
    flatBuffers_ = value;
    WriteRecordSetProp(dataaccess::prFlatBuffers, value);
}

void TDADataSetOptions::SetQuoteNames(bool value) {
    quoteNames_ = value;
    WriteCommandProp(dataaccess::prQuoteNames, value);
}

void TDADataSetOptions::SetCompressBlobMode(TCompressBlobMode value) {
    if (value == compressBlobMode_) return;
    dataSet_->CheckInactive();
    compressBlobMode_ = value;
    WriteRecordSetProp(dataaccess::prCompressBlobMode, static_cast<int>(value));
    dataSet_->FieldDefs().SetUpdated(false);
}

void TDADataSetOptions::SetLocalMasterDetail(bool value) {
    if (value == localMasterDetail_) return;
    dataSet_->CheckInactive();
    localMasterDetail_ = value;
    dataSet_->InstallLocalMasterDetail();
}

bool TDADataSetOptions::CacheCalcFields() const {
    return dataSet_->TMemDataSet::CacheCalcFields();
}

void TDADataSetOptions::SetCacheCalcFields(bool value) {
    if (value == CacheCalcFields()) return;
    dataSet_->CheckInactive();
    dataSet_->TMemDataSet::SetCacheCalcFields(value);
}

void TDADataSetOptions::SetEnableBCD(bool value) {
    if (value == enableBCD_) return;
    dataSet_->CheckInactive();
    enableBCD_ = value;
    WriteCommandProp(dataaccess::prEnableBCD, value);
}

void TDADataSetOptions::SetEnableFMTBCD(bool value) {
    if (value == enableFMTBCD_) return;
    dataSet_->CheckInactive();
    enableFMTBCD_ = value;
    WriteCommandProp(dataaccess::prEnableFMTBCD, value);
}

void TDADataSetOptions::AssignTo(TPersistent* dest) const {
    auto* other = dynamic_cast<TDADataSetOptions*>(dest);
    if (!other) {
        TPersistent::AssignTo(dest);
        return;
    }
    other->SetSetFieldsReadOnly(setFieldsReadOnly_);
    other->SetRequiredFields(requiredFields_);
    other->SetStrictUpdate(strictUpdate_);
    other->SetNumberRange(numberRange_);
    other->SetQueryRecCount(queryRecCount_);
    other->SetAutoPrepare(autoPrepare_);
    other->SetReturnParams(returnParams_);
    other->SetTrimFixedChar(trimFixedChar_);
    other->SetTrimVarChar(trimVarChar_);
    if (other->LongStrings() != longStrings_) other->SetLongStrings(longStrings_);
    other->SetRemoveOnRefresh(removeOnRefresh_);
    if (other->FlatBuffers() != flatBuffers_) other->SetFlatBuffers(flatBuffers_);
    other->SetQuoteNames(quoteNames_);
    other->SetDetailDelay(detailDelay_);
    other->SetCompressBlobMode(compressBlobMode_);
    other->SetFullRefresh(fullRefresh_);
    other->SetLocalMasterDetail(localMasterDetail_);
    other->SetFieldsOrigin(fieldsOrigin_);
    other->SetDefaultValues(defaultValues_);
    other->SetUpdateBatchSize(updateBatchSize_);
    other->SetUpdateAllFields(updateAllFields_);
    other->SetCacheCalcFields(CacheCalcFields());
    other->SetEnableBCD(enableBCD_);
    other->SetEnableFMTBCD(enableFMTBCD_);
}

// ---- Construction

TCustomDADataSet::TCustomDADataSet(TComponent* owner) : TCustomDADataSet(owner, TDeferInit{}) {
    Init();
}

TCustomDADataSet::TCustomDADataSet(TComponent* owner, TDeferInit)
    : TMemDataSet(owner), detailLink_(std::make_unique<TDADetailDataLink>(this)) {}

void TCustomDADataSet::Init() {
    for (int type = 0; type < kStatementTypeCount; ++type) {
        if (!GetUpdateStatementTypes().Contains(static_cast<TStatementType>(type))) continue;
        updateSQL_[type] = std::make_unique<rtl::TStringList>();
        updateSQL_[type]->OnChange = [this](rtl::TStringList&) { ScanMacros(); };
    }
    command_ = CreateCommand();
    command_->SetDataSet(this);
    options_ = CreateOptions();
    SetRequiredFields(options_->RequiredFields());
}

TCustomDADataSet::~TCustomDADataSet() {
    Destroying();
    CloseReportingErrors([this] {
        Close();
        UnPrepare();
    });
    client_.Release();
    for (auto& list : updateSQL_)
        if (list) list->OnChange = nullptr;
    detailTimer_.reset();
    if (updateObject_) updateObject_->SetDataSet(nullptr);
    SetRecordStore(nullptr);
    command_.reset();
}

std::unique_ptr<TCustomDASQL> TCustomDADataSet::CreateCommand() {
    return std::make_unique<TCustomDASQL>(nullptr);
}

std::unique_ptr<TDADataSetOptions> TCustomDADataSet::CreateOptions() {
    return std::make_unique<TDADataSetOptions>(this);
}

std::unique_ptr<TDataSetService> TCustomDADataSet::CreateDataSetService() const {
    auto service = std::make_unique<TDADataSetService>(const_cast<TCustomDADataSet*>(this));
    service->CreateHelpers();
    return service;
}

TDADataSetService* TCustomDADataSet::DADataSetService() const {
    return static_cast<TDADataSetService*>(DataSetService());
}

TStatementTypes TCustomDADataSet::GetUpdateStatementTypes() const {
    return {stInsert, stUpdate, stDelete, stLock, stRefresh};
}

void TCustomDADataSet::SetUpdateSQL(TStatementType type, const rtl::TStringList& lines) {
    rtl::TStringList* list = updateSQL_[type].get();
    RTL_ASSERT(list);
    list->BeginUpdate();
    rtl::Finally([&] { list->Assign(lines); }, [&] { list->EndUpdate(); });
}

void TCustomDADataSet::ScanMacros() {
    std::string text = command_->SQLText();
    for (const auto& list : updateSQL_)
        if (list) text += list->Text();
    rtl::FlagScope scanning(command_->scanningMacros_);
    Macros().Scan(command_->MacroCheck() ? text : std::string());
}

// ---- Connection binding

void TCustomDADataSet::SetConnection(TCustomDAConnection* value) {
    if (value == client_.Connection()) return;
    if (client_.Connection()) Disconnect(true);
    client_.SetConnection(value);
    if (recordSet_) recordSet_->SetConnection(value ? value->IConnection() : nullptr);
    DataEvent(dePropertyChange, 0);
}

void TCustomDADataSet::Notification(TComponent* component, TOperation operation) {
    TMemDataSet::Notification(component, operation);
    if (operation != opRemove) return;
    if (client_.Forget(component)) {
        if (recordSet_) recordSet_->SetConnection(nullptr);
        executionHeld_ = openHeld_ = prepareHeld_ = false;
    }
}

void TCustomDADataSet::ConnectChange(TCustomConnection*, bool connecting) {
    if (connecting) return;
    TCustomDAConnection* connection = UsedConnection();
    Disconnect(!(connection && connection->Options().DisconnectedMode()));
}

void TCustomDADataSet::Disconnect(bool abort) {
    if (abort) {
        Close();
        UnPrepare();
        FieldDefs().SetUpdated(false);
    }
    Params().NotifyDisconnect();
}

// ---- Record set

void TCustomDADataSet::CreateRecordStore() {
    SetRecordStore(nullptr);
}

bool TCustomDADataSet::IsServerRecordSet(const dataaccess::TData& store) const {
    return dynamic_cast<const dataaccess::TCRRecordSet*>(&store) != nullptr;
}

void TCustomDADataSet::CheckRecordStore() {
    if (RecordStore() && IsServerRecordSet(*RecordStore())) return;
    SetRecordStore(nullptr);
    CreateRecordStore();
}

void TCustomDADataSet::SetRecordStore(std::unique_ptr<dataaccess::TData> store) {
    // The command component borrows the old record set's command: let go of it first.
    if (command_) command_->SetICommand(nullptr);
    recordSet_ = nullptr;
    TMemDataSet::SetRecordStore(std::move(store));
    recordSet_ = dynamic_cast<dataaccess::TCRRecordSet*>(RecordStore());
    if (!recordSet_) return;
    command_->SetICommand(TServerCommandPtr(recordSet_->Command(), TServerCommandDeleter(false)));
    TCustomDAConnection* connection = UsedConnection();
    recordSet_->SetConnection(connection ? connection->IConnection() : nullptr);
    TDATransaction* transaction = UsedTransaction();
    recordSet_->SetTransaction(transaction ? transaction->ITransaction() : nullptr);
    recordSet_->SetOwnerComponent(this);
    WriteRecordSetSettings();
    recordSet_->OnAfterFetchAll = [this](bool) {
        if (!IndexFieldNames().empty()) Resync({});
    };
    recordSet_->OnBeforeFetch = [this](dataaccess::TCRRecordSet&, bool& cancel) { DoBeforeFetch(cancel); };
    recordSet_->OnAfterFetch = [this](dataaccess::TCRRecordSet&) { DoAfterFetch(); };
    InstallLocalMasterDetail();
    dataaccess::TCRCommand* command = recordSet_->Command();
    command->SetProp(dataaccess::prAutoCommit, autoCommit_);
    command->OnAfterExecute = [this](bool result) { DoAfterExecute(result); };
    // The master/detail condition needs a store: its parameters appear only now.
    if (!MasterDetailCondition().empty()) command_->ScanParams();
}

void TCustomDADataSet::WriteRecordSetSettings() {
    recordSet_->SetProp(dataaccess::prUniDirectional, uniDirectional_);
    recordSet_->SetProp(dataaccess::prFetchRows, fetchRows_);
    recordSet_->SetProp(dataaccess::prFetchAll, fetchAll_);
    recordSet_->SetProp(dataaccess::prReadOnly, readOnly_);
    if (!options_) return;
    recordSet_->SetProp(dataaccess::prLongStrings, options_->LongStrings());
    recordSet_->SetProp(dataaccess::prFlatBuffers, options_->FlatBuffers());
    recordSet_->SetTrimFixedChar(options_->TrimFixedChar());
    recordSet_->SetTrimVarChar(options_->TrimVarChar());
    recordSet_->SetProp(dataaccess::prCompressBlobMode, static_cast<int>(options_->CompressBlobMode()));
    dataaccess::TCRCommand* command = recordSet_->Command();
    command->SetProp(dataaccess::prQuoteNames, options_->QuoteNames());
    command->SetProp(dataaccess::prEnableBCD, options_->EnableBCD());
    command->SetProp(dataaccess::prEnableFMTBCD, options_->EnableFMTBCD());
}

dataaccess::TFieldDesc* TCustomDADataSet::GetFieldDescByNo(int fieldNo) const {
    if (!RecordStore() || fieldNo < 1 || fieldNo > RecordStore()->FieldCount()) return nullptr;
    return &RecordStore()->Fields().Items(fieldNo - 1);
}

uint16_t TCustomDADataSet::GetFieldDataTypeByName(const std::string& name) const {
    dataaccess::TFieldDesc* desc = RecordStore() ? RecordStore()->FindFieldDesc(name) : nullptr;
    if (!desc) throw rtl::Exception(rtl::Format("Field %s not found", name.c_str()));
    return desc->TypeCode;
}

void TCustomDADataSet::CommandSQLChanged() {
    UnPrepare();
    if (!recordSet_) return;
    recordSet_->ResetForNewSQL();
    recordSet_->SetCommandType(dataaccess::ctUnknown);
}

// ---- Connection use

void TCustomDADataSet::BeginConnection(bool noConnectCheck) {
    TCustomDAConnection* connection = UsedConnection();
    if (!connection) DatabaseError("Connection is not defined", this);
    if (noConnectCheck)
        connection->AcquireConnection();
    else if (!connection->Connected())
        connection->Connect();
    rtl::UndoGuard release([&] {
        if (noConnectCheck) connection->ReleaseConnection();
    });
    TDATransaction* transaction = UsedTransaction();
    if (!transaction) DatabaseError("Transaction not assigned", this);
    if (!client_.RegisteredWith()) client_.RegisterWith(connection);
    CheckRecordStore();
    recordSet_->SetConnection(connection->IConnection());
    recordSet_->SetTransaction(transaction->ITransaction());
    release.Dismiss();
}

void TCustomDADataSet::EndConnection() {
    if (TCustomDAConnection* connection = UsedConnection()) connection->ReleaseConnection();
}

void TCustomDADataSet::ReleaseExecution() {
    if (!executionHeld_) return;
    executionHeld_ = false;
    EndConnection();
}

void TCustomDADataSet::ReleaseOpen() {
    if (!openHeld_) return;
    openHeld_ = false;
    EndConnection();
}

bool TCustomDADataSet::TraceWanted() const {
    return !traceLock_ && (TCustomDASQLMonitor::MonitorExists() || debug_);
}

// ---- Prepare

void TCustomDADataSet::Prepare() {
    if (Prepared() || Active()) return;
    BeginConnection(true);
    prepareHeld_ = true;
    rtl::UndoGuard release([this] {
        prepareHeld_ = false;
        EndConnection();
    });
    if (TraceWanted()) TCustomDASQLMonitor::TraceSQLPrepare(this, FinalSQL(), true);
    command_->WriteParams(false);
    TMemDataSet::Prepare();
    if (TraceWanted()) TCustomDASQLMonitor::TraceSQLPrepare(this, FinalSQL(), false);
    release.Dismiss();
}

void TCustomDADataSet::UnPrepare() {
    const bool wasPrepared = Prepared();
    if (wasPrepared && TraceWanted()) TCustomDASQLMonitor::TraceSQLUnprepare(this, FinalSQL(), true);
    auto release = [this] {
        if (!prepareHeld_) return;
        prepareHeld_ = false;
        EndConnection();
    };
    rtl::Finally([&] { TMemDataSet::UnPrepare(); }, release);
    if (recordSet_ && !IsDestroying()) recordSet_->TablesInfo().Clear();
    if (wasPrepared && TraceWanted()) TCustomDASQLMonitor::TraceSQLUnprepare(this, FinalSQL(), false);
}

// ---- Open and close

void TCustomDADataSet::WriteParamsForExecution() {
    command_->WriteParams(true);
}

void TCustomDADataSet::OpenCursor(bool infoQuery) {
    TCustomDAConnection* connection = UsedConnection();
    OperationScope operation(connection, dataaccess::clOpen, connection && connection->IsFailOverAllowed());
    ReleaseOpen();
    BeginConnection(true);
    openHeld_ = true;
    rtl::UndoGuard release([this] { ReleaseOpen(); });
    for (;;) {
        try {
            BeforeOpenCursor(infoQuery);
            if (MasterDataSet() && MasterDataSet()->Active() && !options_->LocalMasterDetail())
                SetMasterParams(Params());
            QueryServerRecordCount();
            WriteParamsForExecution();
            TMemDataSet::OpenCursor(infoQuery);
            break;
        } catch (const dataaccess::EFailOver&) {
            // The failover reconnected: open again on the new session.
            connection->RestoreAfterFailOver();
        }
    }
    release.Dismiss();
    rtl::Variant selectParams;
    if (recordSet_->Command()->GetProp(dataaccess::prIsSelectParams, selectParams) &&
        selectParams.AsBoolean())
        rowsAffected_ = command_->RowsAffected();
    else
        rowsAffected_ = -1;
    // Nothing more to read: the server is free again.
    if (infoQuery || recordSet_->IsFetchComplete()) ReleaseOpen();
    AfterOpenCursor(infoQuery);
}

void TCustomDADataSet::InternalOpen() {
    if (options_->AutoPrepare()) Prepare();
    if (TraceWanted()) TCustomDASQLMonitor::TraceSQLExecute(this, FinalSQL(), true);
    BeginConnection(true);
    rtl::Finally(
        [&] {
            TMemDataSet::InternalOpen();
            DADataSetService()->InitCursor();
        },
        [&] { EndConnection(); });
    if (TraceWanted()) TCustomDASQLMonitor::TraceSQLExecute(this, FinalSQL(), false);
    if (options_->LocalMasterDetail() && MasterDataSet() && MasterDataSet()->Active()) {
        SetMasterParams(Params());
        RecordStore()->FilterUpdated();
    }
}

void TCustomDADataSet::DoAfterOpen() {
    TMemDataSet::DoAfterOpen();
    openedTableName_ = PSGetTableName();
}

std::string TCustomDADataSet::PSGetTableName() const {
    const dataaccess::TCRTablesInfo* tables = recordSet_ ? &recordSet_->TablesInfo() : nullptr;
    if (Active() && tables) {
        const int index = DADataSetService()->UpdatingTableIndex();
        if (index >= 0 && index < tables->Count()) return tables->Items(index)->TableName();
        return tables->TableInfoClass().NormalizeName(updatingTable_, false);
    }
    const std::string& name = !openedTableName_.empty() ? openedTableName_ : updatingTable_;
    return tables ? tables->TableInfoClass().NormalizeName(name, false) : name;
}

void TCustomDADataSet::AssignTo(TPersistent* dest) const {
    TMemDataSet::AssignTo(dest);
    auto* other = dynamic_cast<TCustomDADataSet*>(dest);
    if (!other) return;
    other->SetConnection(client_.Connection());
    other->SetTransaction(client_.Transaction());
    other->SetMasterSource(MasterSource());
    other->SetMasterFields(masterFields_);
    other->SetDetailFields(detailFields_);
    other->SetParamCheck(ParamCheck());
    other->SetSQL(command_->SQLText());
    for (int type = 0; type < kStatementTypeCount; ++type)
        if (updateSQL_[type] && other->updateSQL_[type])
            other->updateSQL_[type]->SetText(updateSQL_[type]->Text());
    other->SetFilterSQL(filterSQL_);
    other->command_->SetMacros(Macros());
    other->Params().Assign(&Params());
    other->SetDebug(debug_);
    other->SetFetchRows(fetchRows_);
    other->SetUniDirectional(uniDirectional_);
    other->SetAutoCommit(autoCommit_);
    other->SetRefreshOptions(refreshOptions_);
    other->SetUpdatingTable(updatingTable_);
    other->SetKeyFields(keyFields_);
    other->SetLockMode(lockMode_);
    other->SetOptions(*options_);
    other->command_->SetStoredProcName(command_->StoredProcName());
}

void TCustomDADataSet::CloseCursor() {
    if (detailTimer_) detailTimer_->SetEnabled(false);
    TMemDataSet::CloseCursor();
    if (!IsDestroying()) {
        DADataSetService()->Updater()->UnPrepareUpdateObjects();
        FieldDefs().SetUpdated(false);
    }
    ReleaseOpen();
}

void TCustomDADataSet::InternalClose() {
    try {
        TMemDataSet::InternalClose();
    } catch (const dataaccess::EDAError& error) {
        // The connection is gone: there is nothing left to close on the server.
        if (!error.IsConnectionLostError()) throw;
    }
    if (RecordStore() && !RecordStore()->Prepared() && recordSet_) recordSet_->TablesInfo().Clear();
    DADataSetService()->CloseCursor();
}

void TCustomDADataSet::InternalRefresh() {
    TCustomDAConnection* connection = UsedConnection();
    OperationScope operation(connection, dataaccess::clRefresh,
                             connection && connection->IsFailOverAllowed());
    BeginConnection(true);
    rtl::Finally(
        [&] {
            // Finding the key may ask the server, which must wait until the session is free.
            std::vector<TField*> keyFields;
            rtl::Variant keyValues;
            if (!RowsPendingInSession()) GetCurrentKeys(keyFields, keyValues);
            for (;;) {
                try {
                    if (TraceWanted()) TCustomDASQLMonitor::TraceSQLExecute(this, FinalSQL(), true);
                    WriteParamsForExecution();
                    TMemDataSet::InternalRefresh();
                    if (TraceWanted()) TCustomDASQLMonitor::TraceSQLExecute(this, FinalSQL(), false);
                    rowsAffected_ = -1;
                    RelocateRecord(keyFields, keyValues);
                    break;
                } catch (const dataaccess::EFailOver&) {
                    connection->RestoreAfterFailOver();
                }
            }
        },
        [&] { EndConnection(); });
}

void TCustomDADataSet::RelocateRecord(const std::vector<TField*>& fields, const rtl::Variant& values) {
    if (fields.empty() || values.IsEmpty()) {
        RecordStore()->SetToBegin();
        return;
    }
    DoBeforeScroll();
    if (!LocateRecord(fields, values, {}, false)) {
        RecordStore()->SetToBegin();
        return;
    }
    Resync({});
    DoAfterScroll();
}

TField* TCustomDADataSet::FieldOfDesc(const dataaccess::TFieldDesc* desc) const {
    RTL_ASSERT(desc);
    for (TField* field : Fields())
        if (field->FieldNo() == desc->FieldNumber) return field;
    return nullptr;
}

void TCustomDADataSet::GetCurrentKeys(std::vector<TField*>& fields, rtl::Variant& values) {
    fields.clear();
    values = rtl::Variant();
    TDADataSetService* service = DADataSetService();
    RTL_ASSERT(service);
    if (!Active() || !RecordStore()) return;
    std::vector<dataaccess::TFieldDesc*> descs = service->GetKeyFieldDescs();
    if (descs.empty())
        for (dataaccess::TFieldDesc* desc : service->GetDataFieldDescs())
            if (!RecordStore()->IsBlobFieldType(desc->TypeCode)) descs.push_back(desc);
    std::vector<dataaccess::TFieldDesc*> found;
    for (dataaccess::TFieldDesc* desc : descs)
        if (TField* field = FieldOfDesc(desc)) {
            fields.push_back(field);
            found.push_back(desc);
        }
    TRecordBuffer buffer = nullptr;
    if (fields.empty() || !GetActiveRecBuf(buffer) || !buffer) return;
    if (found.size() == 1) {
        values = RecordStore()->ReadFieldAsVariant(found[0]->FieldNumber, buffer);
        return;
    }
    rtl::VariantArray items;
    for (dataaccess::TFieldDesc* desc : found)
        items.push_back(RecordStore()->ReadFieldAsVariant(desc->FieldNumber, buffer));
    values = rtl::Variant(std::move(items));
}

// ---- Execute

bool TCustomDADataSet::Executing() const {
    if (!recordSet_) return false;
    rtl::Variant value;
    recordSet_->Command()->GetProp(dataaccess::prExecuting, value);
    return value.AsBoolean();
}

bool TCustomDADataSet::IsQuery() const {
    return recordSet_ && recordSet_->ReturnsRows();
}

bool TCustomDADataSet::Fetched() const {
    if (!recordSet_) return false;
    const dataaccess::TCursorState state = recordSet_->Command()->GetCursorState();
    return state == dataaccess::csFetched || (Active() && state == dataaccess::csInactive);
}

void TCustomDADataSet::Execute() {
    // A busy server command would ignore the call and leave a stale RowsAffected behind.
    if (Executing()) DatabaseError("Cannot execute a statement that is still executing", this);
    TCustomDAConnection* connection = UsedConnection();
    OperationScope operation(connection, dataaccess::clExecute, true);
    BeginConnection(true);
    executionHeld_ = true;
    rtl::Finally(
        [&] {
            if (Active()) Close();
            for (;;) {
                try {
                    BeforeExecute();
                    if (options_->AutoPrepare()) Prepare();
                    if (!IsQuery()) {
                        WriteParamsForExecution();
                        if (TraceWanted()) TCustomDASQLMonitor::TraceSQLExecute(this, FinalSQL(), true);
                        {
                            rtl::FlagScope lock(traceLock_);
                            InternalExecute();
                        }
                        if (TraceWanted()) TCustomDASQLMonitor::TraceSQLExecute(this, FinalSQL(), false);
                    }
                    if (IsQuery()) {
                        rtl::FlagScope lock(traceLock_);
                        Open();
                    }
                    break;
                } catch (const dataaccess::EFailOver& failOver) {
                    if (failOver.ConnLostCause() != dataaccess::clExecute) throw;
                    connection->RestoreAfterFailOver();
                    if (!executionHeld_) {
                        BeginConnection(true);
                        executionHeld_ = true;
                    }
                }
            }
        },
        [&] { ReleaseExecution(); });
}

void TCustomDADataSet::InternalExecute() {
    recordSet_->ExecCommand();
    if (recordSet_->ReturnsRows()) InternalInitFieldDefs();
}

void TCustomDADataSet::DoAfterExecute(bool result) {
    if (result) {
        command_->ReadOutParams();
        rowsAffected_ = command_->RowsAffected();
        TCustomDAConnection* connection = UsedConnection();
        rtl::Variant id;
        if (!IsQuery() && connection && connection->IConnection() &&
            connection->IConnection()->GetProp(dataaccess::prLastInsertId, id))
            lastInsertId_ = id.AsInt64();
    }
    if (!IsQuery()) ReleaseExecution();
    if (AfterExecute) AfterExecute(this, result);
}

// ---- Fetching

bool TCustomDADataSet::ServerRecordCountWanted() const {
    return !fetchAll_ && options_->QueryRecCount();
}

void TCustomDADataSet::QueryServerRecordCount() {
    serverRecordCount_ = ServerRecordCountWanted() ? DADataSetService()->GetRecCount() : 0;
}

void TCustomDADataSet::ReopenData() {
    // The count may share the session with the rows still pending: the old result goes first.
    if (ServerRecordCountWanted()) {
        RecordStore()->Close();
        QueryServerRecordCount();
    }
    TMemDataSet::ReopenData();
    // The store made its field descriptors anew.
    DADataSetService()->CloseCursor();
    DADataSetService()->InitCursor();
}

int TCustomDADataSet::GetRecordCount() const {
    // The server record set counts its fetched rows as the store does, so the server's count stands
    // for the whole result until everything is fetched.
    if (Active() && !Fetched() && options_->QueryRecCount() && serverRecordCount_ != 0)
        return serverRecordCount_;
    return TMemDataSet::GetRecordCount();
}

void TCustomDADataSet::DoBeforeFetch(bool& cancel) {
    if (BeforeFetch) BeforeFetch(this, cancel);
}

void TCustomDADataSet::DoAfterFetch() {
    if (!fetchAll_ || Fetched())
        if (AfterFetch) AfterFetch(this);
    if (recordSet_ && recordSet_->IsFetchComplete()) ReleaseOpen();
}

void TCustomDADataSet::SetFetchAll(bool value) {
    fetchAll_ = value;
    if (recordSet_) recordSet_->SetProp(dataaccess::prFetchAll, value);
    if (!value) return;
    SetUniDirectional(false);
    if (Active() && recordSet_) {
        recordSet_->FetchAll();
        Resync({});
    }
}

void TCustomDADataSet::SetUniDirectional(bool value) {
    if (value == uniDirectional_) return;
    CheckInactive();
    uniDirectional_ = value;
    if (recordSet_) recordSet_->SetProp(dataaccess::prUniDirectional, value);
    if (value) SetFetchAll(false);
}

void TCustomDADataSet::SetFetchRows(int value) {
    if (value == fetchRows_) return;
    CheckInactive();
    if (value < 1 || value > 10000) DatabaseError("FetchRows must be 1..10000", this);
    fetchRows_ = value;
    if (recordSet_) recordSet_->SetProp(dataaccess::prFetchRows, value);
}

void TCustomDADataSet::SetReadOnly(bool value) {
    if (value == readOnly_) return;
    if (recordSet_) recordSet_->SetProp(dataaccess::prReadOnly, value);
    readOnly_ = value;
}

// ---- Final text

std::string TCustomDADataSet::MasterDetailCondition() const {
    if (!MasterSource() || masterFields_.empty() || detailFields_.empty() || options_->LocalMasterDetail() ||
        !RecordStore())
        return {};
    std::string condition, master, detail;
    size_t masterPos = 0, detailPos = 0;
    while (NextName(detailFields_, detailPos, detail) && NextName(masterFields_, masterPos, master)) {
        if (!condition.empty()) condition += " and ";
        condition += detail + " = :" + master;
    }
    return condition;
}

std::string TCustomDADataSet::FinalSQL() const {
    std::string text = command_->GetFinalSQL();
    if (!filterSQL_.empty()) text = SQLAddWhere(text, filterSQL_);
    const std::string condition = MasterDetailCondition();
    if (!condition.empty()) text = SQLAddWhere(text, condition);
    return text;
}

void TCustomDADataSet::SetFilterSQL(const std::string& value) {
    const std::string trimmed = TrimBlanks(value);
    if (trimmed == filterSQL_) return;
    const std::string old = filterSQL_;
    const bool wasActive = Active();
    filterSQL_ = trimmed;
    rtl::UndoGuard restore([&] {
        filterSQL_ = old;
        command_->ScanParams();
    });
    Close();
    UnPrepare();
    command_->ScanParams();
    if (wasActive) Open();
    restore.Dismiss();
}

// ---- Editing

TDADataSetUpdater& TCustomDADataSet::Updater() const {
    return *DADataSetService()->Updater();
}

void TCustomDADataSet::WriteAutoCommit(bool value) {
    autoCommit_ = value;
    if (recordSet_) recordSet_->Command()->SetProp(dataaccess::prAutoCommit, value);
}

std::unique_ptr<TCustomDADataSet> TCustomDADataSet::CreateUpdateQuery() const {
    return std::make_unique<TCustomDADataSet>(nullptr);
}

bool TCustomDADataSet::GetCanModify() const {
    return Active() && DADataSetService()->CanModify();
}

void TCustomDADataSet::InternalEdit() {
    Updater().BeforeEdit();
    TMemDataSet::InternalEdit();
}

void TCustomDADataSet::InternalCancel() {
    rtl::Finally([&] { Updater().BeforeCancel(); }, [&] { TMemDataSet::InternalCancel(); });
}

void TCustomDADataSet::Lock() {
    CheckActive();
    Updater().LockRecord();
}

void TCustomDADataSet::RefreshRecord() {
    CheckActive();
    UpdateCursorPos();
    Updater().RefreshRecord();
    Resync({});
}

void TCustomDADataSet::SetFiltered(bool value) {
    std::vector<TField*> keyFields;
    rtl::Variant keyValues;
    if (Active() && value != Filtered() && !RowsPendingInSession()) GetCurrentKeys(keyFields, keyValues);
    TMemDataSet::SetFiltered(value);
    if (Active() && !keyFields.empty() && !keyValues.IsEmpty() &&
        LocateRecord(keyFields, keyValues, {}, false))
        Resync({});
}

void TCustomDADataSet::RefreshQuick(bool checkDeleted) {
    CheckActive();
    Updater().RefreshQuick(checkDeleted);
}

void TCustomDADataSet::ApplyUpdates() {
    if (!UsedConnection()) DatabaseError("Connection is not defined", this);
    TMemDataSet::ApplyUpdates();
}

void TCustomDADataSet::SetUpdateObject(TCustomDAUpdateSQL* value) {
    if (value) value->CheckObjects(this);
    if (value == updateObject_) return;
    if (updateObject_ && updateObject_->DataSet() == this) updateObject_->SetDataSet(nullptr);
    updateObject_ = value;
    if (!value) return;
    if (TCustomDADataSet* other = value->DataSet(); other && other != this) other->updateObject_ = nullptr;
    value->SetDataSet(this);
}

namespace {

// The text of a default expression when it is a constant: a string, a number, true or false, or
// nothing, inside any number of parentheses.
bool ConstantDefault(const std::string& expression, std::string& value) {
    std::string text = TrimBlanks(expression);
    while (text.size() >= 2 && text.front() == '(' && text.back() == ')')
        text = TrimBlanks(text.substr(1, text.size() - 2));
    if (text.empty()) {
        value.clear();
        return true;
    }
    const char quote = text.front();
    if (quote == '\'' || quote == '"') {
        if (text.size() < 2 || text.back() != quote) return false;
        std::string result;
        for (size_t i = 1; i + 1 < text.size(); ++i) {
            if (text[i] == quote) {
                if (text[i + 1] != quote || i + 2 >= text.size()) return false;
                ++i;
            }
            result += text[i];
        }
        value = result;
        return true;
    }
    if (dataaccess::SameTextAnsi(text, "true") || dataaccess::SameTextAnsi(text, "false")) {
        value = text;
        return true;
    }
    size_t pos = text[0] == '-' || text[0] == '+' ? 1 : 0;
    bool digits = false, dot = false;
    for (; pos < text.size(); ++pos) {
        if (std::isdigit(static_cast<unsigned char>(text[pos])))
            digits = true;
        else if (text[pos] == '.' && !dot)
            dot = true;
        else
            return false;
    }
    value = text;
    return digits;
}

} // namespace

void TCustomDADataSet::DoOnNewRecord() {
    if (HasMasterDetail() && MasterDataSet() && MasterDataSet()->Active())
        ForEachLinkPair([](TField* masterField, TField* detailField, const std::string&, const std::string&) {
            if (masterField && detailField && !detailField->ReadOnly()) detailField->Assign(masterField);
        });
    TMemDataSet::DoOnNewRecord();
}

void TCustomDADataSet::SetDefaultExpressionValues() {
    std::vector<TField*> serverFields;
    std::string expressions;
    for (TField* field : Fields()) {
        if (field->DefaultExpression().empty()) continue;
        std::string constant;
        rtl::Variant value;
        if (ConstantDefault(field->DefaultExpression(), constant))
            field->SetAsString(constant);
        else if (Updater().GetDefaultValue(field->DefaultExpression(), value))
            field->SetValue(value);
        else {
            expressions += (expressions.empty() ? "" : ", ") + field->DefaultExpression();
            serverFields.push_back(field);
        }
    }
    if (serverFields.empty()) return;
    TCustomDADataSet& query = Updater().UpdateQuery(stCustom);
    query.SetParamCheck(false);
    query.SetSQL("SELECT " + expressions);
    BeginConnection(true);
    rtl::Finally(
        [&] {
            if (TraceWanted())
                TCustomDASQLMonitor::TraceSQLExecute(this, query.SQL().Text(), true, "Select default values");
            query.Open();
            for (size_t i = 0; i < serverFields.size(); ++i)
                serverFields[i]->SetValue(query.Fields()[static_cast<int>(i)]->Value());
            query.Close();
            if (TraceWanted())
                TCustomDASQLMonitor::TraceSQLExecute(this, query.SQL().Text(), false,
                                                     "Select default values");
        },
        [&] {
            query.Close();
            EndConnection();
        });
}

// ---- Master/detail

void TCustomDADataSet::SetMasterSource(TDataSource* value) {
    if (value == MasterSource()) return;
    // The new master, or any master it follows, must not be this data set.
    for (TDataSet* master = value ? value->DataSet() : nullptr; master;) {
        if (master == this) DatabaseError("Circular datalinks are not allowed", this);
        TDataSource* source = master->GetDataSource();
        master = source ? source->DataSet() : nullptr;
    }
    ChangeMasterDetail([&] { detailLink_->SetDataSource(value); });
}

template <class Change>
void TCustomDADataSet::ChangeMasterDetail(Change change) {
    const bool had = HasMasterDetail();
    change();
    if (!had && !HasMasterDetail()) return;
    const bool wasActive = Active();
    Close();
    UnPrepare();
    command_->ScanParams();
    if (wasActive) Open();
}

void TCustomDADataSet::SetMasterFields(const std::string& value) {
    if (value == masterFields_) return;
    ChangeMasterDetail([&] { masterFields_ = value; });
}

void TCustomDADataSet::SetDetailFields(const std::string& value) {
    if (value == detailFields_) return;
    ChangeMasterDetail([&] { detailFields_ = value; });
}

TDataSet* TCustomDADataSet::MasterDataSet() const {
    return MasterSource() ? MasterSource()->DataSet() : nullptr;
}

template <class Visit>
void TCustomDADataSet::ForEachLinkPair(Visit visit) const {
    TDataSet* master = MasterDataSet();
    std::string masterName, detailName;
    size_t masterPos = 0, detailPos = 0;
    while (NextName(masterFields_, masterPos, masterName) && NextName(detailFields_, detailPos, detailName))
        visit(master->FindField(masterName), const_cast<TCustomDADataSet*>(this)->FindField(detailName),
              masterName, detailName);
}

void TCustomDADataSet::InstallLocalMasterDetail() {
    if (!recordSet_) return;
    if (options_ && options_->LocalMasterDetail())
        recordSet_->OnMasterDetailFilter = [this](void* record) { return LocalMasterDetailFilter(record); };
    else
        recordSet_->OnMasterDetailFilter = nullptr;
}

void TCustomDADataSet::BuildLocalLinks() {
    auto* master = dynamic_cast<TCustomDADataSet*>(MasterDataSet());
    RTL_ASSERT(master);
    localLinks_.clear();
    if (!master->Active() || !RecordStore()) return;
    ForEachLinkPair(
        [&](TField* masterField, TField* detailField, const std::string& masterName, const std::string&) {
            if (!masterField || !detailField) return;
            TLocalLink link;
            link.Desc = RecordStore()->FindFieldDesc(detailField->FieldName());
            if (!link.Desc) throw rtl::Exception(rtl::Format("Field %s not found", detailField->FieldName()));
            if (!master->GetFieldDesc(masterField))
                throw rtl::Exception(rtl::Format("Field %s not found", masterName));
            link.IsNull = masterField->IsNull();
            if (!link.IsNull)
                PrepareKeyValue(masterField->Value(), link.Value, true, *link.Desc, link.ValueType);
            localLinks_.push_back(std::move(link));
        });
}

bool TCustomDADataSet::LocalMasterDetailFilter(void* record) {
    TDataSet* master = MasterDataSet();
    if (!master || master->IsEmpty()) return false;
    auto* store = static_cast<dataaccess::TMemData*>(RecordStore());
    for (const TLocalLink& link : localLinks_) {
        const bool detailNull = store->IsFieldNull(link.Desc->FieldNumber, record);
        if (link.IsNull || detailNull) {
            if (link.IsNull != detailNull) return false;
            continue;
        }
        if (store->CompareValues(link.Value.data(), link.ValueType, 0, record, *link.Desc) != 0) return false;
    }
    return true;
}

bool TCustomDADataSet::SetMasterParams(TDAParams& params) {
    TDataSet* master = MasterDataSet();
    if (!master) return false;
    if (options_->LocalMasterDetail()) {
        BuildLocalLinks();
        return true;
    }
    bool changed = false;
    for (int i = 0; i < params.Count(); ++i) {
        TDAParam* param = params[i];
        TField* field = master->FindField(param->Name());
        if (!field) continue;
        const bool same =
            Active() && ((!param->GetIsNull() && dataaccess::VarEqual(param->GetValue(), field->Value())) ||
                         (param->GetIsNull() && field->IsNull() && !master->IsEmpty()));
        if (!same) {
            param->AssignField(field);
            changed = true;
        }
        param->SetParamType(ptInput);
    }
    return changed;
}

void TCustomDADataSet::HandleMasterChange() {
    TDataSet* master = MasterDataSet();
    if (!master || !master->Active() || master->State() == dsSetKey || !SetMasterParams(Params())) return;
    if (options_->DetailDelay() <= 0) {
        RefreshDetail();
        return;
    }
    if (!detailTimer_) {
        detailTimer_ = std::make_unique<dataaccess::TWin32Timer>();
        detailTimer_->SetOnTimer([this](dataaccess::TWin32Timer&) { RefreshDetail(); });
    }
    detailTimer_->SetEnabled(false);
    detailTimer_->SetInterval(static_cast<uint32_t>(options_->DetailDelay()));
    detailTimer_->SetEnabled(true);
}

void TCustomDADataSet::RefreshDetail() {
    if (detailTimer_) detailTimer_->SetEnabled(false);
    if (!Active()) return;
    if (options_->LocalMasterDetail()) {
        RecordStore()->FilterUpdated();
        Resync({});
        First();
        return;
    }
    if (TraceWanted()) TCustomDASQLMonitor::TraceSQLExecute(this, FinalSQL(), true, "Refresh");
    BeginConnection(true);
    DisableControls();
    // Whatever the reopen did, the rows shown and the listeners follow it.
    const auto show = [this] {
        Resync({});
        DoAfterRefresh();
        if (!IsEmpty()) DoAfterScroll();
    };
    rtl::Finally(
        [&] {
            WriteParamsForExecution();
            DoBeforeRefresh();
            CheckBrowseMode();
            UpdateCursorPos();
            rtl::Finally([&] { ReopenData(); }, show);
        },
        [&] {
            EnableControls();
            EndConnection();
        });
    if (TraceWanted()) TCustomDASQLMonitor::TraceSQLExecute(this, FinalSQL(), false, "Refresh");
    rowsAffected_ = -1;
}

// ---- Posting

bool TCustomDADataSet::LeftItsMaster() {
    TDataSet* master = MasterDataSet();
    if (!HasMasterDetail() || options_->LocalMasterDetail() || !master || !master->Active()) return false;
    bool left = false;
    ForEachLinkPair([&](TField* masterField, TField* detailField, const std::string&, const std::string&) {
        if (left || !masterField || !detailField) return;
        const rtl::Variant mine = detailField->Value(), theirs = masterField->Value();
        const bool texts = (mine.Type() == rtl::varString || mine.Type() == rtl::varWideString) &&
                           (theirs.Type() == rtl::varString || theirs.Type() == rtl::varWideString);
        left = texts ? !dataaccess::SameTextAnsi(mine.AsString(), theirs.AsString())
                     : !dataaccess::VarEqual(mine, theirs);
    });
    return left;
}

void TCustomDADataSet::InternalPost() {
    TMemDataSet::InternalPost();
    if (!LeftItsMaster()) return;
    RTL_ASSERT_MSG(!CachedUpdates(), "Can not use Master/Detail with CachedUpdates");
    // It stays on the server; this detail shows only the master's records.
    static_cast<dataaccess::TMemData*>(RecordStore())->RemoveCurrentItem();
}

} // namespace components
