#pragma once

#include <string>

namespace data {
class TComponent;
}

namespace rtl {
class Exception;
}

namespace components {

// The trace notifiers that connections, commands and transactions call around their server work.
// This program creates no monitor component, so every notifier finds none and does nothing; the
// calls mark the places a monitor hears of, so one can be added without touching the callers.
class TCustomDASQLMonitor {
public:
    static bool MonitorExists() { return false; }

    static void TraceConnect(const data::TComponent* connection, bool before) {}
    static void TraceDisconnect(const data::TComponent* connection, bool before) {}
    static void TraceStart(const data::TComponent* transaction, bool before) {}
    static void TraceCommit(const data::TComponent* transaction, bool before) {}
    static void TraceRollback(const data::TComponent* transaction, bool before) {}
    static void TraceCommitRetaining(const data::TComponent* transaction, bool before) {}
    static void TraceRollbackRetaining(const data::TComponent* transaction, bool before) {}
    static void TraceSavepoint(const data::TComponent* transaction, const std::string& name) {}
    static void TraceReleaseSavepoint(const data::TComponent* transaction, const std::string& name) {}
    static void TraceRollbackToSavepoint(const data::TComponent* transaction, const std::string& name) {}
    static void TraceSQLPrepare(const data::TComponent* component, const std::string& sql, bool before) {}
    static void TraceSQLUnprepare(const data::TComponent* component, const std::string& sql, bool before) {}
    static void TraceSQLExecute(const data::TComponent* component, const std::string& sql, bool before) {}
    static void TraceError(const rtl::Exception& error) {}
};

} // namespace components
