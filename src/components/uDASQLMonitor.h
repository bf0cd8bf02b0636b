// The SQL monitor: traces statements, fetches, errors, connects and transactions to a handler.
#pragma once

#include "platform/data/Component.h"
#include "platform/rtl/Set.h"

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace data {
class TParam;
class TParams;
} // namespace data

namespace rtl {
class Exception;
}

namespace dataaccess {
class TMySQLCommand;
}

namespace components {

enum TMonitorOption : uint8_t { moDialog, moSQLMonitor, moDBMonitor, moCustom, moHandled };
using TMonitorOptions = rtl::Set<TMonitorOption, 8>;

enum TDATraceFlag : uint8_t {
    tfQPrepare,
    tfQExecute,
    tfQFetch,
    tfError,
    tfStmt,
    tfConnect,
    tfTransact,
    tfBlob,
    tfService,
    tfMisc,
    tfParams
};
using TDATraceFlags = rtl::Set<TDATraceFlag, 16>;

class TCustomDASQLMonitor;

using TOnSQLEvent =
    std::function<void(const data::TComponent* sender, const std::string& text, TDATraceFlag flag)>;

// One parameter as the monitor shows it.
struct TSQLParam {
    std::string Name;
    std::string DataType;
    std::string ParamType;
    std::string Value;
};
using TSQLParams = std::vector<TSQLParam>;

// Sees every prepare, unprepare and execute before it runs, with the operation's name ("Prepare",
// "Unprepare", "Execute") and the parameters (none for a component without any).
using TMonitorHook = std::function<void(const data::TComponent* component, const std::string& sql,
                                        const std::string& operation, const data::TParams* params)>;

// The trace monitor. Connections, commands, data sets and transactions report their server work to
// the class-level notifiers below; these find the process-wide monitor (the first TCustomMySQLMonitor
// made, as every connection here speaks MySQL) and, when there is none, only pass prepares and
// executes to MonitorHook. Lines go to OnSQL and, with moDialog, to MonitorHook. No external monitor
// program is reachable here: creating one answers none and registering with one does nothing.
class TCustomDASQLMonitor : public data::TComponent {
public:
    explicit TCustomDASQLMonitor(data::TComponent* owner = nullptr);
    ~TCustomDASQLMonitor() override;

    bool Active() const { return active_; }
    void SetActive(bool value);
    TMonitorOptions Options() const { return options_; }
    void SetOptions(TMonitorOptions value);
    TDATraceFlags TraceFlags() const { return traceFlags_; }
    void SetTraceFlags(TDATraceFlags value) { traceFlags_ = value; }
    TOnSQLEvent OnSQL;

    // ---- class-level notifiers: they never raise on their own
    static bool MonitorExists() { return ActiveMonitor() != nullptr; }
    static TCustomDASQLMonitor* ActiveMonitor();
    static void SetMonitorHook(TMonitorHook hook);

    static void TraceConnect(const data::TComponent* connection, bool before);
    static void TraceDisconnect(const data::TComponent* connection, bool before);
    static void TraceStart(const data::TComponent* transaction, bool before);
    static void TraceCommit(const data::TComponent* transaction, bool before);
    static void TraceRollback(const data::TComponent* transaction, bool before);
    static void TraceCommitRetaining(const data::TComponent* transaction, bool before);
    static void TraceRollbackRetaining(const data::TComponent* transaction, bool before);
    static void TraceSavepoint(const data::TComponent* transaction, const std::string& name);
    static void TraceReleaseSavepoint(const data::TComponent* transaction, const std::string& name);
    static void TraceRollbackToSavepoint(const data::TComponent* transaction, const std::string& name);
    // The parameters are those of the command or data set.
    static void TraceSQLPrepare(const data::TComponent* component, const std::string& sql, bool before);
    static void TraceSQLUnprepare(const data::TComponent* component, const std::string& sql, bool before);
    static void TraceSQLExecute(const data::TComponent* component, const std::string& sql, bool before,
                                const std::string& description = {});
    static void TraceError(const rtl::Exception& error);

    // ---- texts
    static uint32_t ComponentTraceID(const data::TComponent* component);
    static std::string ComponentTraceName(const data::TComponent* component);
    // One line per parameter, ":p1(String[3],IN)='abc'", joined by " \r\n".
    static std::string ParamsToText(const data::TParams* params, TSQLParams* sqlParams = nullptr);
    static std::string ParamDataTypeText(const data::TParam& param);
    static std::string ParamKindText(const data::TParam& param);
    static std::string ParamValueText(const data::TParam& param);
    virtual std::string MonitorCaption() const { return "DataAccess"; }

protected:
    // " [name$id; connection$id] " with moHandled, else empty.
    std::string TraceSuffix(const data::TComponent* component) const;

    // "Prepare" or "Unprepare".
    void LogPrepare(const data::TComponent* component, const std::string& sql, const std::string& operation,
                    bool before);
    virtual void LogExecute(const data::TComponent* component, const std::string& sql,
                            const std::string& description, bool before);
    // "Connect" or "Disconnect".
    void LogConnect(const data::TComponent* connection, const std::string& operation, bool before);
    // Start, Commit, Rollback and their retaining forms: "Commit: " (+ user@server of a connection).
    void LogTransaction(const data::TComponent* object, const std::string& operation, bool withLogin,
                        bool before);
    void LogSavepoint(const std::string& text, const data::TComponent* object);
    void LogError(const rtl::Exception& error);

    // OnSQL with the text, when set.
    void Deliver(const data::TComponent* component, const std::string& text, TDATraceFlag flag);
    // MonitorHook for a prepare, unprepare or execute before it runs, as the options select.
    void CallHook(const data::TComponent* component, const std::string& sql, const std::string& operation);
    bool Wants(TDATraceFlag flag) const { return active_ && traceFlags_.Contains(flag); }

private:
    bool active_ = false;
    TMonitorOptions options_{moDialog, moSQLMonitor, moDBMonitor, moCustom};
    TDATraceFlags traceFlags_{tfQPrepare, tfQExecute, tfError, tfConnect, tfTransact, tfMisc, tfParams};
};

// The monitor of MySQL connections; with tfMisc it also reports each statement as a command sends it.
class TCustomMySQLMonitor : public TCustomDASQLMonitor {
public:
    explicit TCustomMySQLMonitor(data::TComponent* owner = nullptr);
    ~TCustomMySQLMonitor() override;

    std::string MonitorCaption() const override { return "MyData"; }

protected:
    void LogExecute(const data::TComponent* component, const std::string& sql, const std::string& description,
                    bool before) override;

private:
    void AttachCommandTrace(dataaccess::TMySQLCommand* command, bool before);

    const data::TComponent* tracedComponent_ = nullptr;
};

class TMySQLMonitor : public TCustomMySQLMonitor {
public:
    using TCustomMySQLMonitor::TCustomMySQLMonitor;
};

} // namespace components
