#include "components/uDASQL.h"

#include "components/uDAConnection.h"
#include "components/uDASQLMonitor.h"
#include "components/uDATransaction.h"
#include "components/uMemDataSet.h"
#include "dataaccess/server/uCRAccess.h"
#include "dataaccess/server/uCRConnection.h"
#include "dataaccess/store/uBlob.h"
#include "dataaccess/store/uData.h"
#include "platform/data/DataError.h"
#include "platform/rtl/Exception.h"
#include "platform/rtl/ScopeExit.h"

#include <cmath>

namespace components {

using namespace data;
using dataaccess::TParamDesc;

namespace {

bool IsSizedType(TFieldType type) {
    return IsTextParamType(type) || type == ftBytes || type == ftVarBytes;
}

bool IsTextBlobType(TFieldType type) {
    return type == ftBlob || type == ftMemo || type == ftOraClob;
}

// Length of a value for a parameter without a size: bytes of a byte array or 8-bit text, UTF-16
// units of wide text.
int ValueLength(const rtl::Variant& value) {
    switch (value.Type()) {
    case rtl::varArray:
        return static_cast<int>(value.AsArray().size());
    case rtl::varWideString:
        return static_cast<int>(value.AsWideString().size());
    case rtl::varNull:
    case rtl::varEmpty:
        return 0;
    default:
        return static_cast<int>(value.AsString().size());
    }
}

rtl::Variant BytesOf(const std::string& text) {
    rtl::VariantArray bytes;
    bytes.reserve(text.size());
    for (unsigned char c : text)
        bytes.emplace_back(static_cast<int>(c));
    return rtl::Variant(std::move(bytes));
}

// The pairs of a named call; a single Null element stands for none.
void ForEachPair(const rtl::VariantArray& pairs,
                 const std::function<void(const std::string& name, const rtl::Variant& value)>& action) {
    TCustomDAConnection::CheckNamedParams(pairs);
    if (pairs.size() == 1) return;
    for (size_t i = 0; i + 1 < pairs.size(); i += 2)
        action(pairs[i].AsString(), pairs[i + 1]);
}

} // namespace

// ---- What the connection asks

TDACommandClient::TDACommandClient(TCustomDASQL& command,
                                   TCustomConnection::TConnectChangeEvent onConnectChange)
    : TDAConnectionClient(command, std::move(onConnectChange)), command_(command) {}

void TDACommandClient::ServerConnectionChanged(dataaccess::TCRConnection* connection) {
    if (command_.ICommand()) command_.ICommand()->SetConnection(connection);
}

bool TDACommandClient::NeedsSession(bool) const {
    return command_.Prepared() && !command_.Executing();
}

// ---- Construction

TCustomDASQL::TCustomDASQL(TComponent* owner)
    : TComponent(owner), params_(std::make_unique<TDAParams>(this)),
      macros_(std::make_unique<TMacros>(this)) {
    sql_.OnChange = [this](rtl::TStringList&) {
        if (!settingWholeText_) hasWholeText_ = false;
        SQLChanged();
    };
    macros_->OnChange = [this](const TMacro*) {
        if (scanningMacros_) return;
        rtl::FlagScope lock(macroLock_);
        SQLChanged();
    };
}

TCustomDASQL::~TCustomDASQL() {
    Destroying();
    CloseReportingErrors([this] { UnPrepare(); });
    client_.Release();
    sql_.OnChange = nullptr;
    macros_->OnChange = nullptr;
}

// ---- Connection and transaction

void TCustomDASQL::SetConnection(TCustomDAConnection* value) {
    if (value == client_.Connection() && value == UsedConnection()) return;
    if (UsedConnection()) HandleDisconnect();
    client_.SetConnection(value);
    if (iCommand_) iCommand_->SetConnection(value ? value->IConnection() : nullptr);
}

void TCustomDASQL::Notification(TComponent* component, TOperation operation) {
    TComponent::Notification(component, operation);
    if (operation != opRemove) return;
    if (client_.Forget(component) && iCommand_) iCommand_->SetConnection(nullptr);
}

void TCustomDASQL::ConnectChange(TCustomConnection*, bool connecting) {
    if (!connecting) HandleDisconnect();
}

void TCustomDASQL::HandleDisconnect() {
    UnPrepare();
    params_->NotifyDisconnect();
}

// ---- Text and options

void TCustomDASQL::SetSQL(const std::string& text) {
    if (text == SQLText()) return;
    wholeText_ = text;
    hasWholeText_ = true;
    rtl::FlagScope setting(settingWholeText_);
    sql_.BeginUpdate();
    rtl::Finally([&] { sql_.SetText(text); }, [&] { sql_.EndUpdate(); });
}

std::string TCustomDASQL::SQLText() const {
    return hasWholeText_ ? wholeText_ : sql_.Text();
}

void TCustomDASQL::SetParamCheck(bool value) {
    paramCheck_ = value;
    if (iCommand_) iCommand_->SetProp(dataaccess::prScanParams, value);
    if (value) ScanParams();
}

void TCustomDASQL::SetMacroCheck(bool value) {
    if (value == macroCheck_) return;
    macroCheck_ = value;
    ScanMacros();
    AssembleSQL();
}

void TCustomDASQL::SetAutoCommit(bool value) {
    autoCommit_ = value;
    if (iCommand_) iCommand_->SetProp(dataaccess::prAutoCommit, value);
}

void TCustomDASQL::SetStoredProcName(const std::string& value) {
    storedProcName_ = value;
    if (iCommand_) iCommand_->SetProp(dataaccess::prIsStoredProc, !value.empty());
}

bool TCustomDASQL::Prepared() const {
    return iCommand_ && iCommand_->GetPrepared();
}

void TCustomDASQL::SetPrepared(bool value) {
    if (value)
        Prepare();
    else
        UnPrepare();
}

bool TCustomDASQL::Executing() const {
    if (!iCommand_) return false;
    rtl::Variant value;
    iCommand_->GetProp(dataaccess::prExecuting, value);
    return value.AsBoolean();
}

int TCustomDASQL::RowsAffected() const {
    if (!iCommand_) return 0;
    rtl::Variant value;
    iCommand_->GetProp(dataaccess::prRowsAffected, value);
    return static_cast<int>(value.AsInt64());
}

// ---- Server command

void TCustomDASQL::CreateICommand() {
    if (TCustomDAConnection* connection = UsedConnection()) SetICommand(connection->CreateServerCommand());
}

TCustomDAConnection* TCustomDASQL::UsedConnection() const {
    return dataSet_ ? dataSet_->UsedConnection() : client_.Connection();
}

std::string TCustomDASQL::FinalSQL() const {
    return dataSet_ ? dataSet_->FinalSQL() : GetFinalSQL();
}

void TCustomDASQL::SetICommand(TServerCommandPtr command) {
    iCommand_ = std::move(command);
    if (!iCommand_) return;
    iCommand_->SetConnection(Connection() ? Connection()->IConnection() : nullptr);
    iCommand_->SetTransaction(Transaction() ? Transaction()->ITransaction() : nullptr);
    iCommand_->SetProp(dataaccess::prAutoCommit, autoCommit_);
    iCommand_->OnAfterExecute = [this](bool result) { DoAfterExecute(result); };
    TComponent* component = dynamic_cast<TCustomDAConnection*>(Owner()) ? Owner() : this;
    iCommand_->SetComponent(component);
    iCommand_->SetProp(dataaccess::prScanParams, paramCheck_);
    iCommand_->SetProp(dataaccess::prIsStoredProc, !storedProcName_.empty());
    iCommand_->OnReadParams = [this] { ReadOutParams(); };
    AssembleSQL();
}

bool TCustomDASQL::CheckICommand() {
    // A query data set's record set owns the command.
    if (dataSet_) return false;
    TCustomDAConnection* connection = UsedConnection();
    // Without a connection there is no class to compare with: a present command stays.
    if (iCommand_ && (!connection || connection->IsServerCommand(*iCommand_))) return false;
    iCommand_.reset();
    CreateICommand();
    return true;
}

const TDataTypesMap& TCustomDASQL::GetDataTypesMap() const {
    return TDataTypesMap::Instance();
}

void TCustomDASQL::AssembleSQL() {
    if (!iCommand_) return;
    const std::string text = sql_.Count() > 0 ? FinalSQL() : std::string();
    if (!paramScanLock_) {
        iCommand_->SetSQL(text);
        return;
    }
    iCommand_->SetProp(dataaccess::prDisableParamScan, true);
    rtl::Finally([&] { iCommand_->SetSQL(text); },
                 [&] { iCommand_->SetProp(dataaccess::prDisableParamScan, false); });
}

std::string TCustomDASQL::GetFinalSQL() const {
    std::string text = SQLText();
    while (!text.empty() && static_cast<unsigned char>(text.back()) < 33)
        text.pop_back();
    if (macros_->Count() > 0) macros_->Expand(text);
    return text;
}

void TCustomDASQL::SQLChanged() {
    if (dataSet_)
        dataSet_->CommandSQLChanged();
    else
        UnPrepare();
    if (!macroLock_) ScanMacros();
    if (!assembleLock_) ScanParams();
    SetStoredProcName(std::string());
}

void TCustomDASQL::ScanMacros() {
    rtl::FlagScope scanning(scanningMacros_);
    macros_->Scan(macroCheck_ ? SQLText() : std::string());
}

void TCustomDASQL::ScanParams() {
    if (!CheckICommand()) AssembleSQL();
    if (!paramCheck_ || paramScanLock_ || !iCommand_) return;
    TDAParams old;
    old.Assign(params_.get());
    CreateParamsFromCommand();
    params_->AssignValues(old);
}

// ---- Connection use

void TCustomDASQL::BeginConnection(bool counted) {
    TCustomDAConnection* connection = UsedConnection();
    if (!connection) DatabaseError("Connection is not defined", this);
    if (counted)
        connection->AcquireConnection();
    else if (!connection->Connected())
        connection->Connect();
    rtl::UndoGuard release([&] {
        if (counted) connection->ReleaseConnection();
    });
    TDATransaction* transaction = UsedTransaction();
    if (!transaction) DatabaseError("Transaction not assigned", this);
    CheckICommand();
    iCommand_->SetConnection(connection->IConnection());
    iCommand_->SetTransaction(transaction->ITransaction());
    release.Dismiss();
}

void TCustomDASQL::EndConnection() {
    if (TCustomDAConnection* connection = UsedConnection()) connection->ReleaseConnection();
}

// ---- Prepare and execute

bool TCustomDASQL::TraceWanted() const {
    return !traceLock_ && (TCustomDASQLMonitor::MonitorExists() || debug_);
}

void TCustomDASQL::Prepare() {
    if (Prepared()) return;
    BeginConnection(true);
    rtl::UndoGuard release([this] { EndConnection(); });
    if (TraceWanted()) TCustomDASQLMonitor::TraceSQLPrepare(this, FinalSQL(), true);
    InternalPrepare();
    if (TraceWanted()) TCustomDASQLMonitor::TraceSQLPrepare(this, FinalSQL(), false);
    release.Dismiss();
}

void TCustomDASQL::InternalPrepare() {
    WriteParams(false);
    iCommand_->Prepare();
}

void TCustomDASQL::UnPrepare() {
    if (!Prepared()) return;
    rtl::Finally([&] { InternalUnPrepare(); }, [&] { EndConnection(); });
}

void TCustomDASQL::InternalUnPrepare() {
    iCommand_->Unprepare();
}

void TCustomDASQL::ReleaseExecution() {
    if (!executionHeld_) return;
    executionHeld_ = false;
    EndConnection();
}

void TCustomDASQL::Execute(int iterations) {
    // The server command would ignore the call and never end the use taken for it.
    if (Executing()) DatabaseError("Cannot execute a command that is already executing", this);
    BeginConnection(true);
    executionHeld_ = true;
    dataaccess::NotifyBusyStart();
    rtl::Finally(
        [&] {
            if (TraceWanted()) TCustomDASQLMonitor::TraceSQLExecute(this, FinalSQL(), true);
            WriteParams(true);
            InternalExecute(iterations);
            if (TraceWanted()) TCustomDASQLMonitor::TraceSQLExecute(this, FinalSQL(), false);
        },
        [&] {
            dataaccess::NotifyBusyEnd();
            // A server command that failed or ran nothing did not report its end.
            ReleaseExecution();
        });
}

void TCustomDASQL::InternalExecute(int iterations) {
    TCustomDAConnection* connection = UsedConnection();
    const OperationScope operation(connection, dataaccess::clExecute, true);
    for (;;) {
        try {
            iCommand_->Execute(iterations);
            break;
        } catch (const dataaccess::EFailOver& failOver) {
            if (failOver.ConnLostCause() != dataaccess::clExecute) throw;
            connection->RestoreAfterFailOver();
            if (!executionHeld_) {
                connection->AcquireConnection();
                executionHeld_ = true;
            }
        }
    }
}

void TCustomDASQL::DoAfterExecute(bool result) {
    if (result) {
        ReadOutParams();
        rtl::Variant id;
        TCustomDAConnection* connection = UsedConnection();
        if (connection && connection->IConnection() &&
            connection->IConnection()->GetProp(dataaccess::prLastInsertId, id))
            insertId_ = id.AsInt64();
    }
    ReleaseExecution();
    if (AfterExecute) AfterExecute(this, result);
}

void TCustomDASQL::CreateProcCall(const std::string& name, bool needDescription, bool isQuery) {
    if (name.empty()) DatabaseError("StoredProcName must be defined", this);
    BeginConnection(true);
    rtl::Finally(
        [&] {
            if (!needDescription) WriteParams(false);
            iCommand_->CreateProcCall(name, needDescription);
            if (needDescription) CreateParamsFromCommand();
            // The call with ":name" parameters, so that a later rebuild of the text finds them again.
            rtl::FlagScope lock(assembleLock_);
            SetSQL(iCommand_->UserSQL());
        },
        [&] { EndConnection(); });
    storedProcIsQuery_ = isQuery;
    SetStoredProcName(name);
}

// ---- Parameters and server descriptors

bool TCustomDASQL::IsInput(const TDAParam& param) const {
    switch (param.ParamType()) {
    case ptInput:
    case ptInputOutput:
        return true;
    case ptUnknown:
        return IsUnknownParamInOut();
    default:
        return false;
    }
}

bool TCustomDASQL::ConvertLineBreaks() const {
    TCustomDAConnection* connection = UsedConnection();
    return connection && connection->ConvertLineBreaks();
}

void TCustomDASQL::WriteParamDesc(TParamDesc& desc, TDAParam& param) {
    desc.SetName(param.Name());
    desc.SetDataType(GetDataTypesMap().GetDataType(param.DataType()));
    desc.SetSubDataType(param.SubType());
    desc.SetNational(param.NationalFlag());
    desc.SetParamType(static_cast<dataaccess::TParamDirection>(param.ParamType()));
    desc.SetIsBound(param.Bound());
    if (!IsSizedType(param.DataType())) return;
    int size = param.Size();
    if (size < 1 &&
        (param.ParamType() == ptInput || (param.ParamType() == ptUnknown && !IsUnknownParamInOut())))
        size = ValueLength(param.Value());
    if (size < 1) {
        rtl::Variant maxSize;
        TCustomDAConnection* connection = UsedConnection();
        if (connection && connection->IConnection() &&
            connection->IConnection()->GetProp(dataaccess::prMaxStringSize, maxSize))
            size = static_cast<int>(maxSize.AsInt64());
    }
    desc.SetSize(size);
}

void TCustomDASQL::WriteParamValue(TParamDesc& desc, TDAParam& param) {
    if (dataaccess::TSharedObject* object = param.GetValueObject()) {
        auto* blob = dynamic_cast<dataaccess::TBlob*>(object);
        const TFieldType type = param.DataType();
        if (IsInput(param)) {
            if (blob && IsTextBlobType(type) && ConvertLineBreaks()) blob->RemoveCR();
        } else if (blob && (IsTextBlobType(type) || type == ftOraBlob)) {
            param.Clear();
        }
        desc.SetObject(object);
        desc.SetNull(param.IsNull());
        return;
    }
    desc.SetConvertLineBreaks(ConvertLineBreaks());
    rtl::Variant value = rtl::Variant::Null();
    if (IsInput(param)) {
        value = param.Value();
        if (param.DataType() == ftDate && !param.IsNull())
            value = rtl::Variant::FromDateTime(std::floor(value.AsDateTime()));
        const uint16_t type = desc.GetDataType();
        if ((type == dataaccess::dtBytes || type == dataaccess::dtVarBytes) &&
            (value.Type() == rtl::varString || value.Type() == rtl::varWideString))
            value = BytesOf(value.AsString());
    }
    desc.SetValue(rtl::Variant());
    desc.SetValue(value);
}

void TCustomDASQL::ReadParamDesc(TDAParam& param, const TParamDesc& desc) {
    param.SetName(desc.GetName());
    param.SetDataType(GetDataTypesMap().GetFieldType(desc.GetDataType()));
    param.SetParamType(static_cast<TParamType>(desc.GetParamType()));
    param.SetSize(desc.GetSize());
}

void TCustomDASQL::ReadParamValue(TDAParam& param, const TParamDesc& desc) {
    if (auto* blob = dynamic_cast<dataaccess::TBlob*>(param.GetValueObject())) {
        if (ConvertLineBreaks() && IsTextBlobType(param.DataType())) blob->AddCR();
        param.SetObjectNull(desc.GetNull());
        return;
    }
    param.SetValue(desc.GetValue());
}

void TCustomDASQL::CreateParamsFromCommand() {
    AssignParamDescs(*params_, iCommand_->Params());
}

void TCustomDASQL::AssignParamDescs(TDAParams& params, const dataaccess::TParamDescs& descs) {
    params.BeginUpdate();
    rtl::Finally(
        [&] {
            params.Clear();
            for (int i = 0; i < descs.Count(); ++i)
                ReadParamDesc(*static_cast<TDAParam*>(params.Add()), *descs.Items(i));
        },
        [&] { params.EndUpdate(); });
}

void TCustomDASQL::WriteParams(bool withValues) {
    for (int i = 0; i < params_->Count(); ++i) {
        TParamDesc* desc = i < iCommand_->ParamCount() ? iCommand_->GetParam(i) : iCommand_->AddParam();
        TDAParam& param = *params_->Items(i);
        WriteParamDesc(*desc, param);
        if (withValues) WriteParamValue(*desc, param);
    }
    while (iCommand_->ParamCount() > params_->Count())
        iCommand_->DeleteParam(iCommand_->ParamCount() - 1);
}

void TCustomDASQL::ReadOutParams() {
    RTL_ASSERT(iCommand_);
    rtl::Variant canRead;
    iCommand_->GetProp(dataaccess::prCanReadParams, canRead);
    if (!canRead.AsBoolean()) return;
    for (int i = 0; i < params_->Count() && i < iCommand_->ParamCount(); ++i) {
        TDAParam& param = *params_->Items(i);
        if (param.ParamType() == ptInput || (param.ParamType() == ptUnknown && !IsUnknownParamInOut()))
            continue;
        ReadParamValue(param, *iCommand_->GetParam(i));
    }
    iCommand_->SetProp(dataaccess::prCanReadParams, false);
}

// ---- Copying

void TCustomDASQL::AssignTo(TPersistent* dest) const {
    auto* other = dynamic_cast<TCustomDASQL*>(dest);
    if (!other) {
        TComponent::AssignTo(dest);
        return;
    }
    other->SetConnection(client_.Connection());
    other->SetParamCheck(paramCheck_);
    other->SetMacroCheck(macroCheck_);
    other->SetSQL(SQLText());
    other->SetMacros(*macros_);
    other->params_->Assign(params_.get());
    other->SetDebug(debug_);
    other->SetAutoCommit(autoCommit_);
    other->SetStoredProcName(storedProcName_);
    other->storedProcIsQuery_ = storedProcIsQuery_;
}

// ---- One-shot execution

void TCustomDASQL::BindTo(TCustomDAConnection* connection, bool debug) {
    SetConnection(connection);
    SetDebug(debug);
}

rtl::Variant TCustomDASQL::ExecuteSQLOnce(const std::string& text, const rtl::VariantArray& values) {
    SetSQL(std::string());
    SetSQL(text);
    for (size_t i = 0; i < values.size() && static_cast<int>(i) < ParamCount(); ++i)
        Params()[static_cast<int>(i)]->SetValue(values[i]);
    Execute();
    return rtl::Variant::Null();
}

rtl::Variant TCustomDASQL::ExecuteSQLNamedOnce(const std::string& text, const rtl::VariantArray& pairs) {
    SetSQL(std::string());
    SetSQL(text);
    ForEachPair(pairs, [&](const std::string& name, const rtl::Variant& value) {
        ParamByName(name)->SetValue(value);
    });
    Execute();
    return rtl::Variant();
}

void TCustomDASQL::PrepareProcCall(const std::string& name) {
    SetSQL(std::string());
    CreateProcCall(name, true, false);
}

rtl::Variant TCustomDASQL::ExecuteProcOnce(const std::string& name, const rtl::VariantArray& values) {
    PrepareProcCall(name);
    size_t next = 0;
    for (int i = 0; i < ParamCount(); ++i) {
        TDAParam* param = Params()[i];
        if (param->ParamType() == ptResult) continue;
        if (next < values.size())
            param->SetValue(values[next++]);
        else if (param->ParamType() == ptInput)
            param->SetBound(false);
    }
    Execute();
    return rtl::Variant();
}

rtl::Variant TCustomDASQL::ExecuteProcNamedOnce(const std::string& name, const rtl::VariantArray& pairs) {
    PrepareProcCall(name);
    for (int i = 0; i < ParamCount(); ++i)
        if (Params()[i]->ParamType() == ptInput) Params()[i]->SetBound(false);
    ForEachPair(pairs, [&](const std::string& paramName, const rtl::Variant& value) {
        ParamByName(paramName)->SetValue(value);
    });
    Execute();
    return rtl::Variant();
}

} // namespace components
