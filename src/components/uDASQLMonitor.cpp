#include "components/uDASQLMonitor.h"

#include "components/uDAConnection.h"
#include "components/uDADataSet.h"
#include "components/uDASQL.h"
#include "components/uMyCommand.h"
#include "components/uMyQuery.h"
#include "dataaccess/mysql/uMySQLCommand.h"
#include "dataaccess/store/uDataUtils.h"
#include "platform/data/Params.h"
#include "platform/rtl/Exception.h"
#include "platform/rtl/Format.h"

#include <atomic>
#include <mutex>

namespace components {

namespace {

// The monitor that hears the components' events: the first MySQL monitor made. Read on every
// statement, so it is an atomic and the no-monitor path takes no lock.
std::atomic<TCustomDASQLMonitor*> gProcessMonitor{nullptr};

std::mutex gHookLock;
TMonitorHook gHook;
std::atomic<bool> gHookSet{false};

TMonitorHook CurrentHook() {
    if (!gHookSet.load(std::memory_order_acquire)) return {};
    std::lock_guard lock(gHookLock);
    return gHook;
}

// Trailing blanks and control characters go.
std::string TrimRight(const std::string& text) {
    size_t end = text.size();
    while (end > 0 && static_cast<unsigned char>(text[end - 1]) <= ' ')
        --end;
    return text.substr(0, end);
}

// The connection a command or data set works over, or none.
const TCustomDAConnection* ConnectionOf(const data::TComponent* component) {
    if (const auto* command = dynamic_cast<const TCustomDASQL*>(component)) return command->Connection();
    if (const auto* dataSet = dynamic_cast<const TCustomDADataSet*>(component))
        return dataSet->UsedConnection();
    return nullptr;
}

const data::TParams* ParamsOf(const data::TComponent* component) {
    if (const auto* command = dynamic_cast<const TCustomDASQL*>(component)) return &command->Params();
    if (const auto* dataSet = dynamic_cast<const TCustomDADataSet*>(component)) return &dataSet->Params();
    return nullptr;
}

bool IsDebugging(const data::TComponent* component) {
    if (const auto* command = dynamic_cast<const TCustomDASQL*>(component)) return command->Debug();
    if (const auto* dataSet = dynamic_cast<const TCustomDADataSet*>(component)) return dataSet->Debug();
    return false;
}

std::string Login(const data::TComponent* object) {
    const auto* connection = dynamic_cast<const TCustomDAConnection*>(object);
    return connection ? connection->Username() + "@" + connection->Server() : std::string();
}

// Runs `log` on the process monitor, if there is one.
template <class F>
void WithMonitor(F log) {
    if (TCustomDASQLMonitor* monitor = TCustomDASQLMonitor::ActiveMonitor()) log(*monitor);
}

} // namespace

// ---- TCustomDASQLMonitor

TCustomDASQLMonitor::TCustomDASQLMonitor(data::TComponent* owner) : data::TComponent(owner) {
    // Nothing reads monitors from stored forms, so one is active from the start.
    SetActive(true);
}

TCustomDASQLMonitor::~TCustomDASQLMonitor() {
    SetActive(false);
}

void TCustomDASQLMonitor::SetActive(bool value) {
    active_ = value;
}

void TCustomDASQLMonitor::SetOptions(TMonitorOptions value) {
    options_ = value;
}

TCustomDASQLMonitor* TCustomDASQLMonitor::ActiveMonitor() {
    return gProcessMonitor.load(std::memory_order_acquire);
}

void TCustomDASQLMonitor::SetMonitorHook(TMonitorHook hook) {
    std::lock_guard lock(gHookLock);
    gHookSet.store(static_cast<bool>(hook), std::memory_order_release);
    gHook = std::move(hook);
}

// ---- notifiers

void TCustomDASQLMonitor::TraceSQLPrepare(const data::TComponent* component, const std::string& sql,
                                          bool before) {
    const std::string text = TrimRight(sql);
    if (TCustomDASQLMonitor* monitor = ActiveMonitor())
        monitor->LogPrepare(component, text, "Prepare", before);
    else if (before)
        if (TMonitorHook hook = CurrentHook()) hook(component, text, "Prepare", ParamsOf(component));
}

void TCustomDASQLMonitor::TraceSQLUnprepare(const data::TComponent* component, const std::string& sql,
                                            bool before) {
    const std::string text = TrimRight(sql);
    if (TCustomDASQLMonitor* monitor = ActiveMonitor())
        monitor->LogPrepare(component, text, "Unprepare", before);
    else if (before)
        if (TMonitorHook hook = CurrentHook()) hook(component, text, "Unprepare", ParamsOf(component));
}

void TCustomDASQLMonitor::TraceSQLExecute(const data::TComponent* component, const std::string& sql,
                                          bool before, const std::string& description) {
    if (TCustomDASQLMonitor* monitor = ActiveMonitor())
        monitor->LogExecute(component, sql, description, before);
    else if (before)
        if (TMonitorHook hook = CurrentHook())
            hook(component, sql, description.empty() ? "Execute" : description, ParamsOf(component));
}

void TCustomDASQLMonitor::TraceConnect(const data::TComponent* connection, bool before) {
    WithMonitor([&](TCustomDASQLMonitor& m) { m.LogConnect(connection, "Connect", before); });
}

void TCustomDASQLMonitor::TraceDisconnect(const data::TComponent* connection, bool before) {
    WithMonitor([&](TCustomDASQLMonitor& m) { m.LogConnect(connection, "Disconnect", before); });
}

void TCustomDASQLMonitor::TraceStart(const data::TComponent* transaction, bool before) {
    WithMonitor([&](TCustomDASQLMonitor& m) { m.LogTransaction(transaction, "Start", true, before); });
}

void TCustomDASQLMonitor::TraceCommit(const data::TComponent* transaction, bool before) {
    WithMonitor([&](TCustomDASQLMonitor& m) { m.LogTransaction(transaction, "Commit", true, before); });
}

void TCustomDASQLMonitor::TraceRollback(const data::TComponent* transaction, bool before) {
    WithMonitor([&](TCustomDASQLMonitor& m) { m.LogTransaction(transaction, "Rollback", true, before); });
}

void TCustomDASQLMonitor::TraceCommitRetaining(const data::TComponent* transaction, bool before) {
    WithMonitor(
        [&](TCustomDASQLMonitor& m) { m.LogTransaction(transaction, "CommitRetaining", false, before); });
}

void TCustomDASQLMonitor::TraceRollbackRetaining(const data::TComponent* transaction, bool before) {
    WithMonitor(
        [&](TCustomDASQLMonitor& m) { m.LogTransaction(transaction, "RollbackRetaining", false, before); });
}

void TCustomDASQLMonitor::TraceSavepoint(const data::TComponent* transaction, const std::string& name) {
    WithMonitor([&](TCustomDASQLMonitor& m) { m.LogSavepoint("Savepoint " + name, transaction); });
}

void TCustomDASQLMonitor::TraceReleaseSavepoint(const data::TComponent* transaction,
                                                const std::string& name) {
    WithMonitor([&](TCustomDASQLMonitor& m) { m.LogSavepoint("Release savepoint " + name, transaction); });
}

void TCustomDASQLMonitor::TraceRollbackToSavepoint(const data::TComponent* transaction,
                                                   const std::string& name) {
    WithMonitor(
        [&](TCustomDASQLMonitor& m) { m.LogSavepoint("Rollback to savepoint " + name, transaction); });
}

void TCustomDASQLMonitor::TraceError(const rtl::Exception& error) {
    WithMonitor([&](TCustomDASQLMonitor& m) { m.LogError(error); });
}

// ---- texts

uint32_t TCustomDASQLMonitor::ComponentTraceID(const data::TComponent* component) {
    if (!component) return 0;
    // Truncated to 32 bits: the id only tells components apart in a trace.
    const auto address = static_cast<uint32_t>(reinterpret_cast<uintptr_t>(component));
    if (dynamic_cast<const TCustomDASQL*>(component) || dynamic_cast<const TCustomDADataSet*>(component))
        return address ^ dataaccess::SwapBytes32(ComponentTraceID(ConnectionOf(component)));
    return address;
}

std::string TCustomDASQLMonitor::ComponentTraceName(const data::TComponent* component) {
    if (!component->Name().empty()) return component->Name();
    return rtl::Format("%s ($%.8X)", component->ClassName().c_str(), ComponentTraceID(component));
}

std::string TCustomDASQLMonitor::TraceSuffix(const data::TComponent* component) const {
    if (!options_.Contains(moHandled)) return {};
    std::string suffix = rtl::Format(" [%s$%.8X", component->Name().c_str(), ComponentTraceID(component));
    if (dynamic_cast<const TCustomDASQL*>(component) || dynamic_cast<const TCustomDADataSet*>(component)) {
        const TCustomDAConnection* connection = ConnectionOf(component);
        suffix += rtl::Format("; %s$%.8X", connection ? connection->Name().c_str() : "",
                              ComponentTraceID(connection));
    }
    return suffix + "] ";
}

std::string TCustomDASQLMonitor::ParamDataTypeText(const data::TParam& param) {
    std::string text = data::FieldTypeName(param.DataType());
    if (IsTextParamType(param.DataType()))
        text += rtl::Format("[%d]", static_cast<int>(param.AsString().size()));
    return text;
}

std::string TCustomDASQLMonitor::ParamKindText(const data::TParam& param) {
    switch (param.ParamType()) {
    case data::ptInput:
        return "IN";
    case data::ptOutput:
        return "OUT";
    case data::ptInputOutput:
        return "IN/OUT";
    case data::ptResult:
        return "RESULT";
    default:
        return {};
    }
}

std::string TCustomDASQLMonitor::ParamValueText(const data::TParam& param) {
    if (param.IsNull()) return "<NULL>";
    switch (param.DataType()) {
    case data::ftBytes:
    case data::ftVarBytes:
    case data::ftBlob:
    case data::ftMemo:
    case data::ftOraBlob:
    case data::ftOraClob:
        return rtl::Format("<BLOB:%d>", static_cast<int>(param.AsString().size()));
    case data::ftCursor:
        return "<CURSOR>";
    default:
        return IsTextParamType(param.DataType()) ? "'" + param.AsString() + "'" : param.AsString();
    }
}

std::string TCustomDASQLMonitor::ParamsToText(const data::TParams* params, TSQLParams* sqlParams) {
    std::string text;
    for (int i = 0; params && i < params->Count(); ++i) {
        const data::TParam& param = *params->Items(i);
        TSQLParam item{param.Name(), ParamDataTypeText(param), ParamKindText(param), ParamValueText(param)};
        std::string kinds = item.DataType;
        if (!item.ParamType.empty()) kinds += (kinds.empty() ? "" : ",") + item.ParamType;
        text += ":" + item.Name + "(" + kinds + ")";
        if (!item.Value.empty()) text += "=" + item.Value;
        text += " \r\n";
        if (sqlParams) sqlParams->push_back(std::move(item));
    }
    return TrimRight(text);
}

// ---- log operations

void TCustomDASQLMonitor::Deliver(const data::TComponent* component, const std::string& text,
                                  TDATraceFlag flag) {
    if (OnSQL) OnSQL(component, text, flag);
}

void TCustomDASQLMonitor::CallHook(const data::TComponent* component, const std::string& sql,
                                   const std::string& operation) {
    if (!options_.Contains(moDialog)) return;
    if (options_.Contains(moCustom) && !IsDebugging(component)) return;
    if (TMonitorHook hook = CurrentHook()) hook(component, sql, operation, ParamsOf(component));
}

void TCustomDASQLMonitor::LogPrepare(const data::TComponent* component, const std::string& sql,
                                     const std::string& operation, bool before) {
    if (!Wants(tfQPrepare) || !before) return;
    const std::string params = ParamsToText(ParamsOf(component));
    Deliver(component, operation + ": " + sql + (params.empty() ? "" : "\r\n" + params), tfQPrepare);
    CallHook(component, sql, operation);
}

void TCustomDASQLMonitor::LogExecute(const data::TComponent* component, const std::string& sql,
                                     const std::string& description, bool before) {
    if (!Wants(tfQExecute) || !before) return;
    const std::string params = ParamsToText(ParamsOf(component));
    Deliver(component, sql + (params.empty() ? "" : "\r\n" + params), tfQExecute);
    CallHook(component, sql, description.empty() ? "Execute" : description);
}

void TCustomDASQLMonitor::LogConnect(const data::TComponent* connection, const std::string& operation,
                                     bool before) {
    if (!Wants(tfConnect) || !before) return;
    Deliver(connection, operation + ": " + Login(connection) + TraceSuffix(connection), tfConnect);
}

void TCustomDASQLMonitor::LogTransaction(const data::TComponent* object, const std::string& operation,
                                         bool withLogin, bool before) {
    if (!Wants(tfTransact) || !before) return;
    Deliver(object, operation + ": " + (withLogin ? Login(object) : std::string()) + TraceSuffix(object),
            tfTransact);
}

void TCustomDASQLMonitor::LogSavepoint(const std::string& text, const data::TComponent* object) {
    if (!Wants(tfTransact)) return;
    Deliver(object, text + " " + TraceSuffix(object), tfTransact);
}

void TCustomDASQLMonitor::LogError(const rtl::Exception& error) {
    if (!Wants(tfError)) return;
    Deliver(nullptr, std::string("Error: ") + error.what(), tfError);
}

// ---- TCustomMySQLMonitor

TCustomMySQLMonitor::TCustomMySQLMonitor(data::TComponent* owner) : TCustomDASQLMonitor(owner) {
    TCustomDASQLMonitor* none = nullptr;
    gProcessMonitor.compare_exchange_strong(none, this, std::memory_order_acq_rel);
}

TCustomMySQLMonitor::~TCustomMySQLMonitor() {
    TCustomDASQLMonitor* self = this;
    gProcessMonitor.compare_exchange_strong(self, nullptr, std::memory_order_acq_rel);
}

void TCustomMySQLMonitor::LogExecute(const data::TComponent* component, const std::string& sql,
                                     const std::string& description, bool before) {
    if (Active() && TraceFlags().Contains(tfMisc)) {
        tracedComponent_ = before ? component : nullptr;
        if (const auto* command = dynamic_cast<const TMyCommand*>(component))
            AttachCommandTrace(command->MyICommand(), before);
        else if (const auto* dataSet = dynamic_cast<const TCustomMyDataSet*>(component))
            AttachCommandTrace(dataSet->MyICommand(), before);
    }
    TCustomDASQLMonitor::LogExecute(component, sql, description, before);
}

void TCustomMySQLMonitor::AttachCommandTrace(dataaccess::TMySQLCommand* command, bool before) {
    if (!command) return;
    if (before)
        command->OnTrace = [this](const std::string& text) { Deliver(tracedComponent_, text, tfMisc); };
    else
        command->OnTrace = nullptr;
}

} // namespace components
